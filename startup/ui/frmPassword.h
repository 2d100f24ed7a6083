#pragma once
// The password window: checks the operator's (or the program's) password and
// can change it. The password is compared in scrambled form, letter case
// counting. Without a password from the caller the program's password file
// "prtct1.sys" of the data folder is checked and, on a change, rewritten.

#include "startup/Common.h"

#include <QDialog>
#include <QString>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace startup {

class frmPassword : public QDialog {
    Q_OBJECT
  public:
    explicit frmPassword(QWidget* parent = nullptr);

    // Name of the program's password file in the data folder.
    static QString PasswordFileName() { return kPasswordFileName; }
    static QString PasswordFilePath();

    // Checks the password, showing the window modally when it is needed.
    // change: the window opens ready to change the password (the current one
    // shown and locked) unless hideChange. password: the current password in
    // plain text (nullptr: the program's password file); on return it holds
    // the window's password in plain text. True when the password was valid.
    bool ValidatePassword(QWidget* frmOwner, bool& change, QString* password = nullptr,
                          bool hideChange = false);

    // True after a confirmed change; the new password in plain text.
    bool Changed() const { return changed_; }
    QString Password() const { return changed_ ? held_ : QString(); }
    bool Valid() const { return valid_; }

    // The steps of ValidatePassword before and after the modal show, for
    // callers and tests that show the window themselves. Prepare returns
    // whether the window needs to be shown.
    bool Prepare(bool change, const QString* password, bool hideChange);

    QLineEdit* txtPassword() const { return txtPassword_; }
    QCheckBox* chkNew() const { return chkNew_; }
    QLineEdit* txtNewPwd() const { return txtNewPwd_; }
    QLineEdit* txtConfirmNewPwd() const { return txtConfirmNewPwd_; }
    QPushButton* cmdConfirm() const { return cmdConfirm_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    // The part with the new-password boxes (hidden in the compact window).
    QFrame* newPasswordFrame() const { return fraNew_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void confirm();
    void cancel();
    void newToggled();
    bool writePasswordFile(const QString& plain, QString* error) const;

    QLabel* lblPassword_ = nullptr;
    QLineEdit* txtPassword_ = nullptr;
    QCheckBox* chkNew_ = nullptr;
    QFrame* fraNew_ = nullptr;
    QLabel* lblNewPwd_ = nullptr;
    QLineEdit* txtNewPwd_ = nullptr;
    QLabel* lblConfirmNewPwd_ = nullptr;
    QLineEdit* txtConfirmNewPwd_ = nullptr;
    QPushButton* cmdConfirm_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;

    // Scrambled while checking; the new password as typed after a change.
    QString held_;
    bool valid_ = false;
    bool changed_ = false;
    bool fromCaller_ = false;
};

}  // namespace startup
