#include "startup/ui/frmOptions.h"

#include "core/AppError.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/Common.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/modDatabase.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/frmSelectDir.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace startup {

namespace {

frmOptions::RepairCheck& repairCheck() {
    static frmOptions::RepairCheck check;
    return check;
}

QLabel* fieldLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// The hourglass while the repair runs; restored however the repair ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { restore(); }
    void restore() {
        if (active) QApplication::restoreOverrideCursor();
        active = false;
    }
    bool active = true;
};

void focusMainWindow() {
    if (QWidget* main = mainWindowLink().window) {
        main->activateWindow();
        main->setFocus();
    }
}

}  // namespace

void frmOptions::setRepairCheck(RepairCheck check) { repairCheck() = std::move(check); }

frmOptions::frmOptions(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Impostazioni"));

    fraGeneral_ = new QGroupBox(QStringLiteral("Parametri Generali:"), this);
    txtWorkDir_ = new QLineEdit(fraGeneral_);
    txtWorkDir_->setObjectName(QStringLiteral("txtWorkDir"));
    txtWorkDir_->setMinimumWidth(320);
    cmdSelWorkDir_ = new QPushButton(QStringLiteral("..."), fraGeneral_);
    cmdSelWorkDir_->setObjectName(QStringLiteral("cmdSelWorkDir"));
    cmdSelWorkDir_->setToolTip(QStringLiteral("Seleziona l'indirizzario dell'archivio"));
    cmdSelWorkDir_->setAutoDefault(false);
    cmdSelWorkDir_->setMaximumWidth(cmdSelWorkDir_->fontMetrics().horizontalAdvance(QStringLiteral("...")) +
                                    24);
    txtCode_Agente_ = new QLineEdit(fraGeneral_);
    txtCode_Agente_->setObjectName(QStringLiteral("txtCode_Agente"));
    txtCode_Agente_->setToolTip(QStringLiteral("Codice dell'Agente"));
    txtCode_Postazione_ = new QLineEdit(fraGeneral_);
    txtCode_Postazione_->setObjectName(QStringLiteral("txtCode_Postazione"));
    txtCode_Postazione_->setToolTip(QStringLiteral("Codice progressivo relativo alla postazione"));
    txtCode_Postazione_->setMaxLength(6);

    auto* grid = new QGridLayout(fraGeneral_);
    grid->addWidget(fieldLabel(QStringLiteral("&Indirizzario archivio:"), txtWorkDir_, fraGeneral_), 0, 0);
    grid->addWidget(txtWorkDir_, 0, 1, 1, 2);
    grid->addWidget(cmdSelWorkDir_, 0, 3);
    grid->addWidget(fieldLabel(QStringLiteral("Codice &Agente: "), txtCode_Agente_, fraGeneral_), 1, 0);
    grid->addWidget(txtCode_Agente_, 1, 1);
    grid->addWidget(fieldLabel(QStringLiteral("&Postazione: "), txtCode_Postazione_, fraGeneral_), 2, 0);
    grid->addWidget(txtCode_Postazione_, 2, 1);
    grid->setColumnStretch(2, 1);

    cmdRepairDataBase_ = new QPushButton(QStringLiteral("&Ripristino Database"), this);
    cmdRepairDataBase_->setObjectName(QStringLiteral("cmdRepairDataBase"));
    cmdRepairDataBase_->setToolTip(
        QStringLiteral("Attiva la funzione di ripristino e compattazione del Database"));
    cmdRepairDataBase_->setAutoDefault(false);
    cmdConfirm_ = new QPushButton(QStringLiteral("&Conferma"), this);
    cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
    cmdConfirm_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("A&nnulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdRepairDataBase_);
    buttons->addStretch(1);
    buttons->addWidget(cmdConfirm_);
    buttons->addWidget(cmdCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(fraGeneral_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    platform::connectGuarded(cmdSelWorkDir_, &QPushButton::clicked, this, &frmOptions::selectWorkDir);
    platform::connectGuarded(cmdConfirm_, &QPushButton::clicked, this, &frmOptions::confirm);
    platform::connectGuarded(cmdCancel_, &QPushButton::clicked, this, &frmOptions::cancel);
    platform::connectGuarded(cmdRepairDataBase_, &QPushButton::clicked, this, &frmOptions::repairDatabase);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
    SetParamConfiguration();
    confirmed_ = false;
    runContext().optionsOpen = true;
}

frmOptions::~frmOptions() { runContext().optionsOpen = false; }

void frmOptions::done(int result) {
    runContext().optionsOpen = false;
    QDialog::done(result);
}

void frmOptions::SetParamConfiguration() {
    const RunContext& g = runContext();
    txtWorkDir_->setText(QDir::toNativeSeparators(g.rootDir));
    txtCode_Agente_->setText(g.codeAgente);
    txtCode_Postazione_->setText(QString::number(g.codePostazione));
}

void frmOptions::selectWorkDir() {
    // An operator who signed in keeps his level while the database is
    // released (after a repair): only before any sign-in (the first start,
    // an agent without a database) is the folder free to choose.
    const bool signedIn = OpenDatabase() || signedOperator().accessLevel.has_value();
    if (signedIn && CurrentAccessLevel() != kAdministratorLevel) {
        platform::messageBox(QStringLiteral("Utente non abilitato"), platform::kOkOnly, QString(), this);
        return;
    }
    frmSelectDir dialog(this);
    dialog.SetSelectedDir(txtWorkDir_->text());
    dialog.exec();
    if (!dialog.SelectedDir().isEmpty()) txtWorkDir_->setText(dialog.SelectedDir());
}

bool frmOptions::closeOtherWindows() {
    if (CloseOtherWindows(this)) return true;
    platform::messageBox(QStringLiteral("Le impostazioni non sono state modificate: chiudere prima le altre "
                                        "finestre aperte."),
                         platform::kExclamation, QString(), this);
    return false;
}

void frmOptions::confirm() {
    RunContext& g = runContext();
    const QString agent = txtCode_Agente_->text().trimmed();
    const QString workstation = txtCode_Postazione_->text().trimmed();
    if (agent.isEmpty() || workstation.isEmpty()) {
        platform::messageBox(
            QStringLiteral("Specificare il codice dell'Agente e il numero della postazione."),
            platform::kExclamation, QString(), this);
        (agent.isEmpty() ? txtCode_Agente_ : txtCode_Postazione_)->setFocus();
        return;
    }
    bool isNumber = false;
    const int number = workstation.toInt(&isNumber);
    if (!isNumber || number < 0 || number > kMaxWorkstation) {
        platform::messageBox(
            QStringLiteral("La postazione deve essere un numero intero da 0 a %1.").arg(kMaxWorkstation),
            platform::kExclamation, QString(), this);
        txtCode_Postazione_->setFocus();
        txtCode_Postazione_->selectAll();
        return;
    }

    // The work folder is a path: on this system letter case matters.
    const QString workDir = QDir::cleanPath(QDir::fromNativeSeparators(txtWorkDir_->text().trimmed()));
    bool released = false;
    if (workDir != QDir::cleanPath(QDir::fromNativeSeparators(g.rootDir))) {
        if (platform::messageBox(QStringLiteral("L'indirizzario di lavoro e' cambiato.\r\rConfermi ?"),
                                 platform::kYesNo | platform::kQuestion, QString(),
                                 this) != platform::kAnswerYes)
            return;
        if (!closeOtherWindows()) return;
        g.rootDir = workDir;
        ReleaseDatabaseOfMainWindow();
        released = true;
    }
    if (agent.compare(g.codeAgente, Qt::CaseInsensitive) != 0) {
        if (!g.codeAgente.isEmpty() &&
            platform::messageBox(QStringLiteral("Il codice dell'Agente e' cambiato.\r\rConfermi ?"),
                                 platform::kYesNo | platform::kQuestion, QString(),
                                 this) != platform::kAnswerYes)
            return;
        if (!released && !closeOtherWindows()) return;
        g.codeAgente = agent;
        ReleaseDatabaseOfMainWindow();
    }
    g.codePostazione = static_cast<std::int16_t>(number);
    SaveConfigurationOfRun();
    confirmed_ = true;
    done(Accepted);
    focusMainWindow();
}

void frmOptions::reject() { cancel(); }

void frmOptions::cancel() {
    if (closing_) return;
    closing_ = true;
    done(Rejected);
    bool exists = false;
    try {
        exists = FileExists(GetDatabaseFileName());
    } catch (...) {
    }
    closing_ = false;
    // The program cannot run without the agent's database.
    if (!exists)
        EndProgram();
    else
        focusMainWindow();
}

void frmOptions::OpenRepairedDatabase(const QString& file, const QString& password) {
    // Once, as the start opens it: the program's definition creates or
    // upgrades every table, then every table is checked.
    datalib::Engine engine;
    engine.Open(3, file, QString(), password, 5, 0, -1, -1, 0, -2);
    std::unique_ptr<datalib::itfDefDatabase> definition = NewDatabaseDefinition();
    if (!definition) RaiseGenericError("DATABASE", QStringLiteral("Definizione del database mancante."));
    auto* notify = dynamic_cast<datalib::itfNotifyEvent*>(mainWindowLink().window.data());
    const std::shared_ptr<datalib::Database> db = datalib::Application::OpenDatabase(
        engine, *definition, QFileInfo(QCoreApplication::applicationFilePath()).fileName(), notify, nullptr,
        0);
    db->CheckTables(nullptr);
    db->Close();
    engine.Close(0);
}

void frmOptions::repairDatabase() {
    QApplication::beep();
    if (platform::messageBox(QStringLiteral("Questa funzione tenta il recupero del database...\r"
                                            "In caso di errore uscire da tutti i terminali, riavviare "
                                            "l'applicazione e ripetere l'operazione.\r\rContinuare ?"),
                             platform::kOkCancel | platform::kQuestion, QString(),
                             this) != platform::kAnswerOk)
        return;

    const QString file = BuildFilePath(QDir::fromNativeSeparators(txtWorkDir_->text().trimmed()),
                                       GetDatabaseFileName(QString(), true), QString());
    if (!FileExists(file)) {
        platform::messageBox(QStringLiteral("Nessun database da recuperare: il file \"%1\" non esiste.")
                                 .arg(QDir::toNativeSeparators(file)),
                             platform::kExclamation, QString(), this);
        return;
    }
    // The database is released for the repair: the windows that use it close first.
    if (!closeOtherWindows()) return;

    WaitCursor wait;
    datalib::RepairReport report;
    try {
        QCoreApplication::processEvents();
        frmMessage* msg = frmMessage::instance();
        msg->ShowMsg(QStringLiteral("Controlli..."), this);
        ReleaseDatabaseOfMainWindow();
        msg->ShowMsg(QStringLiteral("Ripristino Database in corso..."), this);
        const QString password = StartupDatabasePassword();
        report = datalib::Engine::Repair(file, password, repairCheck(), msg);
        QCoreApplication::processEvents();
        OpenRepairedDatabase(file, password);
    } catch (...) {
        const core::AppError error = CurrentError();
        wait.restore();
        frmMessage::Unload();
        platform::messageBox(error.description(), platform::kOkOnly, QString(), this);
        return;
    }
    wait.restore();
    if (report.salvaged)
        platform::messageBox(SalvageSummary(report), platform::kExclamation, QString(), this);
    else
        platform::messageBox(QStringLiteral("Recupero completato"), platform::kInformation, QString(), this);
    frmMessage::Unload();
}

QString frmOptions::SalvageSummary(const datalib::RepairReport& report) {
    const QLocale italian(QLocale::Italian);
    QString text = QStringLiteral(
        "Recupero completato.\r\rIl database era danneggiato: sono state ricopiate le righe "
        "ancora leggibili.\r");
    for (const datalib::SalvagedTable& t : report.tables) {
        text += QStringLiteral("\r") + t.name + QStringLiteral(": ");
        if (t.lostWhole)
            text += QStringLiteral("tabella illeggibile, nessuna riga recuperata");
        else if (t.unreadable > 0)
            text += QStringLiteral("%1 righe recuperate, %2 non leggibili")
                        .arg(italian.toString(t.saved), italian.toString(t.unreadable));
        else
            text += QStringLiteral("%1 righe recuperate").arg(italian.toString(t.saved));
    }
    text += QStringLiteral("\r\rIl database danneggiato è conservato come \"%1\".")
                .arg(QDir::toNativeSeparators(report.backup));
    return text;
}

}  // namespace startup
