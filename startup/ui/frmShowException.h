#pragma once
// The error details window: the error's code and text, with commands to save
// them to a text file, show them in the browser or mail them to support.

#include <QDialog>
#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace startup {

class frmShowException : public QDialog {
    Q_OBJECT
  public:
    explicit frmShowException(QWidget* parent = nullptr);

    // Fills the code label and the details box. Bare CRs in the details become
    // CR LF unless the text already holds a CR LF.
    void SetException(const QString& codeText, const QString& detailsText);

    // The "mailto:" link that the support command opens.
    QString SupportLink() const;
    // The content of "Error.htm" and of "LastError.txt".
    QString HtmlReport() const;
    QString TextReport() const;

    QLabel* lblCode() const { return lblCode_; }
    QPlainTextEdit* txtMsg() const { return txtMsg_; }
    QPushButton* cmdSupport() const { return cmdSupport_; }
    QPushButton* cmdSave() const { return cmdSave_; }
    QPushButton* cmdBrowser() const { return cmdBrowser_; }
    QPushButton* cmdEsc() const { return cmdEsc_; }

  private:
    void cmdSupport_Click();
    void cmdSave_Click();
    void cmdBrowser_Click();
    void showWriteError(const QString& description);

    QLabel* lblCode_;
    QPlainTextEdit* txtMsg_;
    QPushButton* cmdSupport_;
    QPushButton* cmdSave_;
    QPushButton* cmdBrowser_;
    QPushButton* cmdEsc_;
    QString code_;
    QString details_;  // as shown, with CR LF line ends
};

}  // namespace startup
