#include "startup/ui/frmClientSettings.h"

#include "datalib/Database.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/HeadOfficeLogin.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace startup {

namespace {

QLineEdit* textBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setMinimumWidth(320);
    return box;
}

QPushButton* browseButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(QStringLiteral("..."), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QStringLiteral("Attiva la selezione della risorsa"));
    button->setAutoDefault(false);
    button->setMaximumWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 24);
    return button;
}

}  // namespace

frmClientSettings::frmClientSettings(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmClientSettings"));
    setWindowTitle(QStringLiteral("Impostazioni Client"));

    auto* frame = new QGroupBox(QStringLiteral("Parametri Postazione:"), this);
    txtBackgroundImage_ = textBox(frame, "txtBackgroundImage");
    txtStartImage_ = textBox(frame, "txtStartImage");
    txtLogoImage_ = textBox(frame, "txtLogoImage");
    txtSoftwareName_ = textBox(frame, "txtSoftwareName");
    txtRegisterName_ = textBox(frame, "txtRegisterName");
    txtOnLineServicesURL_ = textBox(frame, "txtOnLineServicesURL");
    cmdSelImagePath_ = browseButton(frame, "cmdSelImagePath");
    cmdSelStartImage_ = browseButton(frame, "cmdSelStartImage");
    cmdSelLogoPath_ = browseButton(frame, "cmdSelLogoPath");

    struct Row {
        const char* label;
        QLineEdit* box;
        QPushButton* browse;
    };
    const Row rows[] = {
        {"Immagine di sfonto: ", txtBackgroundImage_, cmdSelImagePath_},
        {"Immagine di avvio: ", txtStartImage_, cmdSelStartImage_},
        {"Logo azienda: ", txtLogoImage_, cmdSelLogoPath_},
        {"Software name:", txtSoftwareName_, nullptr},
        {"Software registrato a :", txtRegisterName_, nullptr},
        {"Indirizzo Servizi On-Line:", txtOnLineServicesURL_, nullptr},
    };
    auto* grid = new QGridLayout(frame);
    int line = 0;
    for (const Row& r : rows) {
        auto* label = new QLabel(QString::fromUtf8(r.label), frame);
        label->setBuddy(r.box);
        grid->addWidget(label, line, 0);
        grid->addWidget(r.box, line, 1);
        if (r.browse) grid->addWidget(r.browse, line, 2);
        ++line;
    }

    cmdConfirm_ = new QPushButton(QStringLiteral("&Conferma"), this);
    cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
    cmdConfirm_->setToolTip(QStringLiteral("Esci confermando le eventuali modifiche"));
    cmdConfirm_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("&Annulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setToolTip(QStringLiteral("Esci annullando le eventuali modifiche"));
    cmdCancel_->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdConfirm_);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    platform::connectGuarded(cmdSelImagePath_, &QPushButton::clicked, this,
                             [this] { browse(txtBackgroundImage_, QStringLiteral("selezione file")); });
    platform::connectGuarded(cmdSelStartImage_, &QPushButton::clicked, this,
                             [this] { browse(txtStartImage_, QStringLiteral("Selezione file")); });
    platform::connectGuarded(cmdSelLogoPath_, &QPushButton::clicked, this,
                             [this] { browse(txtLogoImage_, QStringLiteral("Selezione file")); });
    platform::connectGuarded(txtOnLineServicesURL_, &QLineEdit::textChanged, this,
                             &frmClientSettings::applyLock);
    platform::connectGuarded(cmdConfirm_, &QPushButton::clicked, this, &frmClientSettings::confirm);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
    SetParamConfiguration();
    // The lock holds from the start, whatever the address box received.
    applyLock();
    confirmed_ = false;
}

void frmClientSettings::SetParamConfiguration() {
    const RunContext& g = runContext();
    txtBackgroundImage_->setText(g.backgroungImagePath);
    txtStartImage_->setText(g.startImagePath);
    txtLogoImage_->setText(g.logoImagePath);
    txtSoftwareName_->setText(platform::softwareName());
    txtRegisterName_->setText(g.registerName);
    // The address the exchange uses, without the login, which is never shown.
    auto db = OpenDatabase();
    usedAddress_ = db ? OnLineServicesAddress(*db, g.onLineServicesURL) : g.onLineServicesURL;
    shownAddress_ = AddressWithoutLogin(usedAddress_);
    txtOnLineServicesURL_->setText(shownAddress_);
}

void frmClientSettings::applyLock() {
    const bool locked = CurrentAccessLevel() != kAdministratorLevel;
    for (QLineEdit* box : {txtOnLineServicesURL_, txtSoftwareName_, txtRegisterName_})
        ShowLocked(box, locked);
}

void frmClientSettings::browse(QLineEdit* box, const QString& caption) {
    if (CurrentAccessLevel() != kAdministratorLevel) {
        platform::messageBox(QStringLiteral("Utente non abilitato"), platform::kInformation, QString(), this);
        return;
    }
    const QString chosen =
        platform::openFileName(this, caption, box->text(), QStringLiteral("Formato immagine (*.jpg)"));
    if (!chosen.isEmpty()) box->setText(chosen);
}

void frmClientSettings::confirm() {
    const std::pair<const char*, QLineEdit*> params[] = {
        {"BackgroungImagePath", txtBackgroundImage_},
        {"StartImagePath", txtStartImage_},
        {"LogoImagePath", txtLogoImage_},
        {"SoftwareName", txtSoftwareName_},
        {"RegisterName", txtRegisterName_},
        {"OnLineServicesURL", txtOnLineServicesURL_},
    };
    // An address left as shown stays as stored; a typed one gives up the
    // login it holds to the agent's settings.
    const QString address =
        txtOnLineServicesURL_->text() == shownAddress_
            ? usedAddress_
            : TakeLoginFromAddress(runContext().codeAgente, txtOnLineServicesURL_->text());
    auto db = OpenDatabase();
    if (!db) {
        platform::messageBox(QStringLiteral("Il database non è aperto: impostazioni non salvate."),
                             platform::kExclamation, QString(), this);
        return;
    }
    // The six parameters are written together or not at all.
    try {
        db->BeginTrans();
        try {
            for (const auto& [key, box] : params)
                db->SetSysParam(QString::fromLatin1(key),
                                box == txtOnLineServicesURL_ ? address : box->text());
            db->CommitTrans();
        } catch (...) {
            db->Rollback();
            throw;
        }
    } catch (...) {
        ShowError(QString(), this);
        return;
    }
    RunContext& g = runContext();
    g.backgroungImagePath = txtBackgroundImage_->text();
    g.startImagePath = txtStartImage_->text();
    g.logoImagePath = txtLogoImage_->text();
    platform::setSoftwareName(txtSoftwareName_->text());
    g.registerName = txtRegisterName_->text();
    g.onLineServicesURL = address;
    usedAddress_ = address;
    shownAddress_ = AddressWithoutLogin(address);
    confirmed_ = true;
    accept();
}

}  // namespace startup
