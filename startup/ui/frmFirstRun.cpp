#include "startup/ui/frmFirstRun.h"

#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QUrl>
#include <QVBoxLayout>

namespace startup {

namespace {

// The agent code names the database file: no path or reserved characters.
bool validAgentCode(const QString& code) {
    static const QString kReserved = QStringLiteral("/\\:*?\"<>|");
    for (const QChar c : code)
        if (c.category() == QChar::Other_Control || kReserved.contains(c) || c.isSpace()) return false;
    return code != QStringLiteral(".") && code != QStringLiteral("..");
}

}  // namespace

frmFirstRun::frmFirstRun(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFirstRun"));
    setWindowTitle(platform::softwareName() + QStringLiteral(" - Prima installazione"));

    auto* intro = new QLabel(QStringLiteral("L'archivio locale non è ancora stato preparato.\n"
                                            "Indicare l'Agente e la postazione di questa installazione."),
                             this);
    intro->setWordWrap(true);

    txtAgente_ = new QLineEdit(this);
    txtAgente_->setObjectName(QStringLiteral("txtAgente"));
    txtAgente_->setMaxLength(16);
    txtAgente_->setToolTip(QStringLiteral("Codice dell'Agente a cui appartiene la postazione"));

    txtPostazione_ = new QSpinBox(this);
    txtPostazione_->setObjectName(QStringLiteral("txtPostazione"));
    txtPostazione_->setRange(0, 15);
    txtPostazione_->setToolTip(QStringLiteral("Numero della postazione, da 0 a 15"));

    txtInstallazione_ = new QLineEdit(this);
    txtInstallazione_->setObjectName(QStringLiteral("txtInstallazione"));
    txtInstallazione_->setToolTip(
        QStringLiteral("Cartella di installazione che contiene gli archivi iniziali (ClientDBs)"));
    auto* cmdBrowse = new QPushButton(QStringLiteral("&Sfoglia..."), this);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setAutoDefault(false);
    platform::connectGuarded(cmdBrowse, &QPushButton::clicked, this, &frmFirstRun::browse);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(txtInstallazione_, 1);
    folderRow->addWidget(cmdBrowse);

    txtServizi_ = new QLineEdit(this);
    txtServizi_->setObjectName(QStringLiteral("txtServizi"));
    txtServizi_->setToolTip(QStringLiteral("Indirizzo dei servizi on-line della Sede"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Codice &Agente:"), txtAgente_);
    form->addRow(QStringLiteral("&Postazione:"), txtPostazione_);
    auto* lblInstallazione = new QLabel(QStringLiteral("Cartella di &installazione:"), this);
    lblInstallazione->setBuddy(txtInstallazione_);
    form->addRow(lblInstallazione, folderRow);
    form->addRow(QStringLiteral("Indirizzo servizi &on-line:"), txtServizi_);

    cmdConfirm_ = new QPushButton(QStringLiteral("&Conferma"), this);
    cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
    cmdConfirm_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("&Annulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    platform::connectGuarded(cmdConfirm_, &QPushButton::clicked, this, &frmFirstRun::accept);
    platform::connectGuarded(cmdCancel_, &QPushButton::clicked, this, &frmFirstRun::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdConfirm_);
    buttons->addWidget(cmdCancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addLayout(buttons);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
    resize(520, sizeHint().height());
}

void frmFirstRun::SetValues(const FirstRunValues& values) {
    txtAgente_->setText(values.agent);
    txtPostazione_->setValue(values.workstation);
    txtInstallazione_->setText(QDir::toNativeSeparators(values.installFolder));
    txtServizi_->setText(values.onLineServicesURL);
}

FirstRunValues frmFirstRun::Values() const {
    FirstRunValues v;
    v.agent = txtAgente_->text().trimmed();
    v.workstation = txtPostazione_->value();
    v.installFolder = QDir::fromNativeSeparators(txtInstallazione_->text().trimmed());
    v.onLineServicesURL = txtServizi_->text().trimmed();
    return v;
}

QString frmFirstRun::Validate(const FirstRunValues& v) {
    if (v.agent.isEmpty()) return QStringLiteral("Specificare il codice dell'Agente.");
    if (!validAgentCode(v.agent))
        return QStringLiteral(
            "Il codice dell'Agente non può contenere spazi né i caratteri / \\ : * ? \" < > |");
    if (v.workstation < 0 || v.workstation > 15)
        return QStringLiteral("Il numero della postazione deve essere compreso tra 0 e 15.");
    if (!v.installFolder.isEmpty() && !QFileInfo(v.installFolder).isDir())
        return QStringLiteral("La cartella di installazione \"") + QDir::toNativeSeparators(v.installFolder) +
               QStringLiteral("\" non esiste.");
    if (!v.onLineServicesURL.isEmpty()) {
        const QUrl url(v.onLineServicesURL, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (!url.isValid() || (scheme != QStringLiteral("http") && scheme != QStringLiteral("https")) ||
            url.host().isEmpty())
            return QStringLiteral("L'indirizzo dei servizi on-line deve iniziare con http:// o https://");
    }
    return QString();
}

void frmFirstRun::accept() {
    const QString problem = Validate(Values());
    if (!problem.isEmpty()) {
        platform::messageBox(problem, platform::kOkOnly | platform::kExclamation, QString(), this);
        return;
    }
    QDialog::accept();
}

void frmFirstRun::browse() {
    const QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("Cartella di installazione"),
                                                          Values().installFolder);
    if (!dir.isEmpty()) txtInstallazione_->setText(QDir::toNativeSeparators(dir));
}

bool frmFirstRun::Ask(QWidget* parent, FirstRunValues& values) {
    frmFirstRun window(parent);
    window.SetValues(values);
    if (window.exec() != QDialog::Accepted) return false;
    values = window.Values();
    return true;
}

}  // namespace startup
