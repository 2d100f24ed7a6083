#pragma once
// The text-search dialog: a text to look for in a field, optionally inside
// the values ([F2]), with a "find next" offered by the opener ([F3]). The last
// search (field and text) is remembered for the whole run.

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace startup {

class frmSearchText : public QDialog {
    Q_OBJECT
  public:
    explicit frmSearchText(QWidget* parent = nullptr);

    // Shows the dialog modally over the owner with the field name as its
    // label. offerSubstring shows the substring check box; offerNext shows the
    // find-next button. True when the operator confirmed; the text and the
    // flags then stay readable below.
    bool GetSelection(QWidget* owner, const QString& fieldName, bool offerSubstring, bool offerNext);

    // The steps of GetSelection, for windows that show the dialog themselves.
    void Prepare(const QString& fieldName, bool offerSubstring, bool offerNext);

    bool Confirmed() const { return confirmed_; }
    QString SearchText() const { return searchText_; }
    bool Substring() const { return substring_; }
    bool FindNext() const { return findNext_; }

    // The last confirmed search of the run.
    static QString LastFieldName();
    static QString LastSearchText();
    static void ForgetLastSearch();

    QLabel* lblFieldName() const { return lblFieldName_; }
    QLineEdit* txtSearch() const { return txtSearch_; }
    QCheckBox* chkInternal() const { return chkInternal_; }
    QPushButton* cmdOk() const { return cmdOk_; }
    QPushButton* cmdNext() const { return cmdNext_; }

  protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void textEdited(const QString& text);
    void confirm(bool findNext);

    QLabel* lblFieldName_ = nullptr;
    QLineEdit* txtSearch_ = nullptr;
    QCheckBox* chkInternal_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
    QPushButton* cmdNext_ = nullptr;
    QString searchText_;
    bool substring_ = false;
    bool confirmed_ = false;
    bool findNext_ = false;
};

}  // namespace startup
