#pragma once
// The about window: the program's title, version and description, the
// maker's logo and web site, the system information and the terms notice.

#include <QDialog>
#include <QString>

class QLabel;
class QPushButton;

namespace startup {

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The title to show; empty: the program's own title.
    QString strApplicationTitle;

    // Shows the system information in a box; without any, the message
    // "System Information Is Unavailable At This Time".
    static void StartSysInfo(QWidget* parent = nullptr);
    static void StartSysInfo(const QString& information, QWidget* parent);
    // The system information as the box shows it (empty when unknown).
    static QString SystemInformationText();

    // The maker's web site and contact details.
    static QString MakerWebSite();
    static QString MakerContacts();
    // The program's description.
    static QString ProgramDescription();

    QLabel* lblTitle() const { return lblTitle_; }
    QLabel* lblVersion() const { return lblVersion_; }
    QLabel* lblDescription() const { return lblDescription_; }
    QLabel* lblWeb() const { return lblWeb_; }
    QLabel* imgLogo() const { return imgLogo_; }
    QPushButton* cmdOK() const { return cmdOK_; }
    QPushButton* cmdSysInfo() const { return cmdSysInfo_; }
    QPushButton* cmdInformativa() const { return cmdInformativa_; }

    void setVisible(bool visible) override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void showInformative();

    QLabel* lblTitle_ = nullptr;
    QLabel* lblVersion_ = nullptr;
    QLabel* lblDescription_ = nullptr;
    QLabel* lblWeb_ = nullptr;
    QLabel* imgLogo_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdSysInfo_ = nullptr;
    QPushButton* cmdInformativa_ = nullptr;
};

}  // namespace startup
