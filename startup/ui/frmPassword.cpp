#include "startup/ui/frmPassword.h"

#include "core/Cp1252.h"
#include "platform/Paths.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/Common.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace startup {

namespace {
// The length of the password column of the operators' table.
constexpr int kMaxPasswordLength = 32;

QLineEdit* passwordBox(QWidget* parent, const char* name, const char* tip) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEchoMode(QLineEdit::Password);
    box->setMaxLength(kMaxPasswordLength);
    box->setToolTip(QString::fromUtf8(tip));
    return box;
}
}  // namespace

frmPassword::frmPassword(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(QStringLiteral("Password"));

    lblPassword_ = new QLabel(QStringLiteral("&Password:"), this);
    txtPassword_ = passwordBox(this, "txtPassword", "Immetti la password di accesso");
    lblPassword_->setBuddy(txtPassword_);
    chkNew_ = new QCheckBox(QStringLiteral("Cambia password"), this);
    chkNew_->setObjectName(QStringLiteral("chkNew"));
    chkNew_->setToolTip(QStringLiteral("Attiva la possibilita' di cambiare la password"));

    fraNew_ = new QFrame(this);
    fraNew_->setObjectName(QStringLiteral("fraNew"));
    lblNewPwd_ = new QLabel(QStringLiteral("&Nuova:"), fraNew_);
    txtNewPwd_ = passwordBox(fraNew_, "txtNewPwd", "Specifica la nuova password");
    lblNewPwd_->setBuddy(txtNewPwd_);
    lblConfirmNewPwd_ = new QLabel(QStringLiteral("Conferma:"), fraNew_);
    txtConfirmNewPwd_ = passwordBox(fraNew_, "txtConfirmNewPwd", "Conferma la nuova password");
    lblConfirmNewPwd_->setBuddy(txtConfirmNewPwd_);
    auto* newGrid = new QGridLayout(fraNew_);
    newGrid->setContentsMargins(0, 0, 0, 0);
    newGrid->addWidget(lblNewPwd_, 0, 0);
    newGrid->addWidget(txtNewPwd_, 0, 1);
    newGrid->addWidget(lblConfirmNewPwd_, 1, 0);
    newGrid->addWidget(txtConfirmNewPwd_, 1, 1);
    newGrid->setColumnMinimumWidth(1, 180);

    cmdConfirm_ = new QPushButton(QStringLiteral("&Conferma"), this);
    cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
    cmdConfirm_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("&Annulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));

    auto* top = new QGridLayout;
    top->addWidget(lblPassword_, 0, 0);
    top->addWidget(txtPassword_, 0, 1);
    top->addWidget(chkNew_, 1, 1);
    top->setColumnMinimumWidth(1, 180);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdConfirm_);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(fraNew_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    platform::connectGuarded(cmdConfirm_, &QPushButton::clicked, this, &frmPassword::confirm);
    platform::connectGuarded(cmdCancel_, &QPushButton::clicked, this, &frmPassword::cancel);
    platform::connectGuarded(chkNew_, &QCheckBox::toggled, this, &frmPassword::newToggled);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
}

QString frmPassword::PasswordFilePath() { return platform::dataFile(PasswordFileName()); }

bool frmPassword::Prepare(bool change, const QString* password, bool hideChange) {
    valid_ = false;
    changed_ = false;
    fromCaller_ = false;
    if (!password) {
        QFile file(PasswordFilePath());
        held_ = file.open(QIODevice::ReadOnly) ? core::cp1252::decode(file.readAll()) : QString();
        // No password file, or an empty one: nothing protects the program.
        if (held_.isEmpty()) valid_ = true;
    } else {
        held_ = ScrambleString(*password, false);
        fromCaller_ = true;
    }

    const bool changing = change && !hideChange;
    {
        const QSignalBlocker block(chkNew_);
        chkNew_->setChecked(changing);
    }
    chkNew_->setEnabled(!changing);
    chkNew_->setVisible(!hideChange);
    txtPassword_->setText(changing ? ScrambleString(held_, true) : QString());
    txtPassword_->setEnabled(!changing);
    txtNewPwd_->clear();
    txtConfirmNewPwd_->clear();
    newToggled();
    // The compact window ends below the current password; ticking "change"
    // extends it.
    fraNew_->setVisible(changing);

    return change || !held_.isEmpty() || fromCaller_;
}

bool frmPassword::ValidatePassword(QWidget* frmOwner, bool& change, QString* password, bool hideChange) {
    if (frmOwner && frmOwner != parentWidget()) setParent(frmOwner, windowFlags());
    if (Prepare(change, password, hideChange)) {
        setWindowModality(Qt::ApplicationModal);
        exec();
    }
    if (password && changed_) *password = held_;
    return valid_;
}

void frmPassword::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QWidget* target = txtPassword_->isEnabled() ? txtPassword_ : txtNewPwd_;
    QTimer::singleShot(0, target, [target] { target->setFocus(Qt::OtherFocusReason); });
}

void frmPassword::newToggled() {
    const bool on = chkNew_->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(lblNewPwd_), static_cast<QWidget*>(txtNewPwd_),
                       static_cast<QWidget*>(lblConfirmNewPwd_), static_cast<QWidget*>(txtConfirmNewPwd_)})
        w->setEnabled(on);
    if (on) fraNew_->setVisible(true);
}

bool frmPassword::writePasswordFile(const QString& plain, QString* error) const {
    const QString path = PasswordFilePath();
    if (QFile::exists(path))
        QFile::setPermissions(path,
                              QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::WriteUser);
    if (!platform::writeFileAtomically(path, core::cp1252::encode(ScrambleString(plain, false)), error))
        return false;
    // Read-only, as the program alone rewrites it.
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser);
    return true;
}

void frmPassword::confirm() {
    if (ScrambleString(txtPassword_->text(), false) != held_) {
        QApplication::beep();
        platform::messageBox(QStringLiteral("La password non è corretta.\r\r"
                                            "Fare attenzione all'utilizzo delle maiuscole/minuscole"),
                             platform::kInformation, QString(), this);
        txtPassword_->setFocus();
        txtPassword_->selectAll();
        return;
    }
    if (chkNew_->isChecked()) {
        if (txtNewPwd_->text() != txtConfirmNewPwd_->text()) {
            QApplication::beep();
            platform::messageBox(QStringLiteral("La password di conferma non corrisponde..."),
                                 platform::kExclamation, QString(), this);
            txtConfirmNewPwd_->setFocus();
            txtConfirmNewPwd_->selectAll();
            return;
        }
        const QString newPassword = txtNewPwd_->text();
        if (!fromCaller_) {
            QString error;
            if (!writePasswordFile(newPassword, &error)) {
                platform::messageBox(QStringLiteral("Impossibile salvare la nuova password.\r\r") + error,
                                     platform::kExclamation, QString(), this);
                return;
            }
        }
        held_ = newPassword;
        changed_ = true;
        QApplication::beep();
        QString text = QStringLiteral("La password e' stata modificata.");
        // Blanks alone are no password: they are stored as an empty text.
        if (ScrambleString(newPassword, false).isEmpty())
            text +=
                QStringLiteral("\r\rNOTA: Senza password sono disattivate tutte le restrizioni di accesso.");
        platform::messageBox(text, platform::kInformation, QString(), this);
    }
    valid_ = true;
    accept();
}

void frmPassword::cancel() {
    valid_ = false;
    reject();
}

}  // namespace startup
