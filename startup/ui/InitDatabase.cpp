#include "startup/ui/InitDatabase.h"

#include "core/Clock.h"
#include "core/ItalianText.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/PrivateFiles.h"
#include "platform/ui/MessageBox.h"
#include "startup/Common.h"
#include "startup/HeadOfficeLogin.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/modGlobal.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/frmSplashCustom.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace startup {

namespace {

// Database type code of the engine's create and open calls.
constexpr int kDatabaseType = 3;
// The splash stays at least this long once it shows the branding.
constexpr int kSplashMilliseconds = 3000;
// Size of one step of the archive copy.
constexpr qint64 kCopyChunk = 1 << 20;

ArchiveReceiver& archiveReceiver() {
    static ArchiveReceiver receiver;
    return receiver;
}

QString exeName() { return QFileInfo(QCoreApplication::applicationFilePath()).fileName(); }

// Closes whatever InitDatabase showed.
void unloadWindows(frmSplashCustom* splash) {
    if (splash) splash->hide();
    frmMessage::Unload();
}

}  // namespace

void SetArchiveReceiver(ArchiveReceiver receiver) { archiveReceiver() = std::move(receiver); }

bool InitDatabase(QString& strAgent, frmSplashCustom* objSplash, bool bNoChecks, DatabaseHost& host) {
    RunContext& g = runContext();
    QString firstRunURL;  // the address typed in the first-run window
    try {
        // The file of the agent asked for (the configured one at start).
        QString fileName = GetDatabaseFileName(strAgent);

        if (!strAgent.isEmpty()) {
            if (!FileExists(fileName) && !bNoChecks) {
                if (!host.showOptionsModal()) return false;
                // The options may have changed the work folder or the agent.
                fileName = GetDatabaseFileName(strAgent);
            }
        } else {
            FirstRunValues values;
            if (!host.askFirstRunValues(values) || !PrepareLocalArchive(host.hostWindow(), values, host)) {
                host.endProgram();
                return false;
            }
            g.codeAgente = values.agent;
            g.codePostazione = static_cast<std::int16_t>(values.workstation);
            strAgent = values.agent;
            firstRunURL = values.onLineServicesURL.trimmed();
            if (!SaveConfiguration())
                platform::messageBox(
                    QStringLiteral("Impossibile salvare la configurazione: l'Agente e la postazione "
                                   "andranno indicati di nuovo al prossimo avvio."),
                    platform::kOkOnly | platform::kExclamation, QString(), host.hostWindow());
            host.releaseDatabase();
            fileName = GetDatabaseFileName(strAgent);
        }

        if (!objSplash) {
            frmMessage::instance()->ShowMsg(QStringLiteral("Inizializzazione del database..."),
                                            host.hostWindow(), -1, -1);
        } else {
            // Centred on the screen of the main window (or the primary one).
            QWidget* owner = host.hostWindow();
            const QScreen* screen =
                owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
            if (screen) {
                objSplash->adjustSize();
                objSplash->move(screen->availableGeometry().center() - objSplash->rect().center());
            }
            objSplash->show();
            objSplash->raise();
            objSplash->repaint();
        }

        platform::makePrivatePath(QFileInfo(fileName).absolutePath());
        // A file of an earlier version may be readable by others.
        platform::makeDatabasePrivate(fileName);
        auto engine = std::make_shared<datalib::Engine>();
        g.engine = engine;
        if (!FileExists(fileName)) engine->Create(kDatabaseType, fileName, QString(), DatabasePassword());
        engine->Open(kDatabaseType, fileName, QString(), DatabasePassword(), 5, 1, 0, 2, 0, -2);

        std::unique_ptr<datalib::itfDefDatabase> definition = NewDatabaseDefinition();
        if (!definition) RaiseGenericError("DATABASE", QStringLiteral("Definizione del database mancante."));
        g.database = datalib::Application::OpenDatabase(*engine, *definition, exeName(), host.notifySink(),
                                                        nullptr, 0);
        datalib::Database& db = *g.database;

        if (objSplash) {
            QString name = db.GetSysParam(QStringLiteral("SoftwareName"), QString());
            if (name.trimmed().isEmpty()) name = QStringLiteral("Zelt Order");
            platform::setSoftwareName(name);
            g.registerName = db.GetSysParam(QStringLiteral("RegisterName"), QString());
            g.startImagePath = db.GetSysParam(QStringLiteral("StartImagePath"), QString());
            objSplash->strApplicationName = name + QStringLiteral(" - ") + g.registerName;
            objSplash->strBackgroungImagePath =
                g.startImagePath.trimmed().isEmpty() ? QString() : GetAbsolutePath(g.startImagePath);
            objSplash->SetControl();
            objSplash->repaint();
            objSplash->KeepOnScreen(kSplashMilliseconds);
        }

        g.baseDescription = db.GetSysParam(QStringLiteral("BaseDescription"), QStringLiteral("BASE"));

        db.CheckTables(frmMessage::IsLoaded() ? frmMessage::instance() : nullptr);

        if (!bNoChecks) CheckAgentAndWorkstation(strAgent, g.codePostazione);
        if (!firstRunURL.isEmpty())
            db.SetSysParam(QStringLiteral("OnLineServicesURL"), TakeLoginFromAddress(strAgent, firstRunURL));
        // A login still inside the address (an earlier version) moves to the settings.
        SeparateHeadOfficeLogin(db, strAgent);

        UpdateDataUltimoAccesso();
        unloadWindows(objSplash);
        return true;
    } catch (...) {
        const core::AppError error = CurrentError();
        unloadWindows(objSplash);
        ReleaseEngine();
        platform::messageBox(QStringLiteral("Inizializzazione database fallita: \r\r") + error.description(),
                             platform::kOkOnly | platform::kCritical, QString(), host.hostWindow());
        return false;
    }
}

bool CopyInstallationArchive(const QString& source, const QString& target, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error) *error = why;
        return false;
    };
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Impossibile leggere il file \"%1\": %2")
                        .arg(QDir::toNativeSeparators(source), in.errorString()));
    platform::makePrivatePath(QFileInfo(target).absolutePath());
    const QString temp = target + QStringLiteral(".copia");
    QFile::remove(temp);
    platform::createPrivateFile(temp);
    QFile out(temp);
    if (!out.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("Impossibile scrivere il file \"%1\": %2")
                        .arg(QDir::toNativeSeparators(temp), out.errorString()));
    const auto abandon = [&](const QString& why) {
        out.close();
        QFile::remove(temp);
        return fail(why);
    };

    frmMessage* progress = frmMessage::IsLoaded() ? frmMessage::instance() : nullptr;
    const qint64 size = in.size();
    if (progress) progress->StartProgress(static_cast<long>((size + kCopyChunk - 1) / kCopyChunk), true);
    for (;;) {
        const QByteArray chunk = in.read(kCopyChunk);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                return abandon(QStringLiteral("Lettura di \"%1\" non riuscita: %2")
                                   .arg(QDir::toNativeSeparators(source), in.errorString()));
            break;
        }
        if (out.write(chunk) != chunk.size())
            return abandon(QStringLiteral("Scrittura di \"%1\" non riuscita: %2")
                               .arg(QDir::toNativeSeparators(temp), out.errorString()));
        if (progress && !progress->Progress())
            return abandon(QStringLiteral("Copia interrotta dall'operatore."));
    }
    if (progress) progress->EndProgress();
    if (!out.flush() || (out.close(), out.error() != QFileDevice::NoError))
        return abandon(QStringLiteral("Scrittura di \"%1\" non riuscita: %2")
                           .arg(QDir::toNativeSeparators(temp), out.errorString()));
    if (out.size() != size)
        return abandon(QStringLiteral("Copia incompleta di \"%1\".").arg(QDir::toNativeSeparators(source)));
    if (!QFile::rename(temp, target)) {
        QFile::remove(temp);
        return fail(
            QStringLiteral("Impossibile creare il file \"%1\".").arg(QDir::toNativeSeparators(target)));
    }
    return true;
}

bool PrepareLocalArchive(QWidget* frmParent, const FirstRunValues& values, DatabaseHost& host) {
    host.releaseDatabase();
    const QString file = GetDatabaseFileName(values.agent);

    if (!FileExists(file)) {
        const QString folder = values.installFolder;
        const int answer = platform::messageBox(
            QStringLiteral("L'archivio locale risulta vuoto quindi è necessario inizializzarlo... \r\r"
                           "Vuoi acquisire i dati iniziali dal disco (") +
                QDir::toNativeSeparators(folder) + QStringLiteral(") di installazione ?"),
            platform::kYesNo | platform::kQuestion, QString(), frmParent);
        if (answer == platform::kAnswerYes) {
            const QString archiveName = GetAgentArchivePath(values.agent, true);
            const QString source =
                QDir(QDir(folder).filePath(QLatin1String(kInstallArchiveFolder))).filePath(archiveName);
            frmMessage::instance()->ShowMsg(QStringLiteral("Copia archivio da disco intallazione..."),
                                            frmParent, -1, -1);
            QString why;
            const bool copied = CopyInstallationArchive(source, file, &why);
            frmMessage::Unload();
            if (!copied) {
                platform::messageBox(QStringLiteral("Copia da ") +
                                         QDir::toNativeSeparators(
                                             QDir(folder).filePath(QLatin1String(kInstallArchiveFolder))) +
                                         QDir::separator() + archiveName +
                                         QStringLiteral(" non riuscita...\r\r") + why,
                                     platform::kOkOnly | platform::kExclamation, QString(), frmParent);
                return false;
            }
        }
    }

    if (!FileExists(file) && archiveReceiver()) {
        const int answer = platform::messageBox(
            QStringLiteral("Vuoi scaricare l'archivio dalla Sede ?\r\r"
                           "NOTA: Durante questa operazione sarà attivata la connessione ad Internet."),
            platform::kYesNo | platform::kQuestion, QString(), frmParent);
        if (answer == platform::kAnswerYes) {
            // The new agent's own file is opened, filled and, on failure, removed.
            QString agent = values.agent;
            bool received = InitDatabase(agent, nullptr, true, host);
            if (received) {
                try {
                    runContext().database->SetSysParam(
                        QStringLiteral("OnLineServicesURL"),
                        TakeLoginFromAddress(values.agent, values.onLineServicesURL));
                    received = archiveReceiver()(frmParent, agent);
                } catch (const std::exception&) {
                    ShowError(QString(), frmParent);
                    received = false;
                }
            }
            host.releaseDatabase();
            if (!received)
                for (const QString& part :
                     {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm")})
                    QFile::remove(part);
        }
    }
    return FileExists(file);
}

}  // namespace startup
