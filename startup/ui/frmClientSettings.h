#pragma once
// The branding window ("Impostazioni Client"): the pictures of the start and
// main windows, the company logo, the software name, the name the software is
// registered to and the online-services address. The values live as system
// parameters of the agent's database; confirming writes them there and into
// the run's configuration. Software name, register name and address may be
// changed by an administrator only.

#include <QDialog>
#include <QString>

class QLineEdit;
class QPushButton;

namespace startup {

class frmClientSettings : public QDialog {
    Q_OBJECT
  public:
    explicit frmClientSettings(QWidget* parent = nullptr);

    // Fills the six boxes from the run's configuration.
    void SetParamConfiguration();
    bool blnConfirmed() const { return confirmed_; }

    QLineEdit* txtBackgroundImage() const { return txtBackgroundImage_; }
    QLineEdit* txtStartImage() const { return txtStartImage_; }
    QLineEdit* txtLogoImage() const { return txtLogoImage_; }
    QLineEdit* txtSoftwareName() const { return txtSoftwareName_; }
    QLineEdit* txtRegisterName() const { return txtRegisterName_; }
    QLineEdit* txtOnLineServicesURL() const { return txtOnLineServicesURL_; }
    QPushButton* cmdSelImagePath() const { return cmdSelImagePath_; }
    QPushButton* cmdSelStartImage() const { return cmdSelStartImage_; }
    QPushButton* cmdSelLogoPath() const { return cmdSelLogoPath_; }
    QPushButton* cmdConfirm() const { return cmdConfirm_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }

  private:
    void applyLock();
    void browse(QLineEdit* box, const QString& caption);
    void confirm();

    QLineEdit* txtBackgroundImage_ = nullptr;
    QLineEdit* txtStartImage_ = nullptr;
    QLineEdit* txtLogoImage_ = nullptr;
    QLineEdit* txtSoftwareName_ = nullptr;
    QLineEdit* txtRegisterName_ = nullptr;
    QLineEdit* txtOnLineServicesURL_ = nullptr;
    QPushButton* cmdSelImagePath_ = nullptr;
    QPushButton* cmdSelStartImage_ = nullptr;
    QPushButton* cmdSelLogoPath_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    bool confirmed_ = false;
    QString usedAddress_;   // the address the exchange uses, as stored
    QString shownAddress_;  // the same without the login, as the box was filled
};

}  // namespace startup
