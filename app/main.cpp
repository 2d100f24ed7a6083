// The program's start: one running copy per user, the configuration, the
// card-device settings, then the main window, whose first activation opens
// the agent's database.

#include "app/AllTableClasses.h"
#include "carddevices/MagneticDevParam.h"
#include "exchange/ui/ExchangeCommands.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/frmMain.h"
#include "orders/ui/frmOrder.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/GuardedApplication.h"
#include "schema/DB.h"
#include "schema/NumberingScript.h"
#include "startup/modDatabase.h"
#include "startup/modGlobal.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/SingleInstance.h"
#include "startup/ui/frmMessage.h"

#include <sys/stat.h>
#include <QApplication>
#include <QTimer>

namespace {

// --screenshot FILE: once the first activation has finished, save the main
// window to FILE and end (used by the smoke run).
void takeScreenshotWhenReady(mainwindow::frmMain& window, const QString& file) {
    QObject::connect(&window, &mainwindow::frmMain::firstActivationDone, &window, [&window, file](bool ok) {
        if (!ok) {
            QApplication::exit(1);
            return;
        }
        QTimer::singleShot(700, &window, [&window, file] {
            const bool saved = window.grab().save(file);
            window.close();
            if (!saved) QApplication::exit(1);
        });
    });
}

// A numbering script that runs longer than half a second shows the progress
// window with its stop button (unless another operation already shows it).
bool numberingScriptStop(qint64 elapsedMs) {
    static bool ours = false;
    if (elapsedMs < 0) {
        if (ours) startup::frmMessage::Unload();
        ours = false;
        return false;
    }
    if (!ours && !startup::frmMessage::IsLoaded()) {
        if (elapsedMs < 500) return false;
        startup::frmMessage* msg = startup::frmMessage::instance();
        msg->ShowMsg(QStringLiteral("Esecuzione dello script di numerazione in corso..."),
                     QApplication::activeWindow());
        msg->StartProgress(0, true);
        ours = true;
    }
    if (!startup::frmMessage::IsLoaded()) return false;
    startup::frmMessage* msg = startup::frmMessage::instance();
    return ours ? !msg->Progress(0, true) : msg->Stopped();
}

}  // namespace

int main(int argc, char** argv) {
    // What the program creates (the agent's database and its copies, the
    // settings with the head-office login, exports) is the user's alone.
    ::umask(077);
    // No exception of ours ends the program: the guard shows it (ShowError).
    platform::GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zelt Order"));
    QApplication::setApplicationVersion(QStringLiteral(ZELT_VERSION));
    // The main window may be hidden into the tray: the program ends with its unload.
    QApplication::setQuitOnLastWindowClosed(false);
    // The toolkit's own dialogs (printer, files) and buttons in Italian.
    platform::installToolkitTranslation();
    // The engine asks and tells through the message boxes, opens documents
    // with the desktop's programs and shows error details in their window.
    platform::installDesktopServices();
    startup::InstallErrorWindow();
    schema::setNumberingScriptPoll(numberingScriptStop);

    startup::SingleInstance instance;
    if (!instance.Claim()) {
        startup::SingleInstance::ShowAlreadyRunning();
        return 0;
    }

    startup::ReadConfiguration();
    carddevices::LoadMagneticDevParam();

    app::registerAllTableClasses();
    startup::SetDatabaseDefinition([] { return std::make_unique<schema::DB>(); });
    // A new installation can download its first archive from head office.
    exchange::RegisterExchange();

    mainwindow::frmMain window;
    QObject::connect(&window, &mainwindow::frmMain::unloaded, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    // A second start brings the running window back.
    QObject::connect(&instance, &startup::SingleInstance::activationRequested, &window, [&window] {
        if (window.isMinimized()) window.showNormal();
        window.show();
        window.raise();
        window.activateWindow();
    });

    // The order window: a new order from the main window's command, an
    // existing one from its current row.
    window.Commands()->newOrder = [](QWidget* owner) { orders::ui::frmOrder::NewOrder(owner); };
    window.Commands()->editOrder = [](QWidget* owner, const std::shared_ptr<datalib::DataSource>& ds) {
        orders::ui::frmOrder::Edit_Ordine(owner, ds);
    };
    window.Commands()->UpdateWiredCommands();

    const QStringList args = QApplication::arguments();
    const qsizetype i = args.indexOf(QStringLiteral("--screenshot"));
    if (i > 0 && i + 1 < args.size()) takeScreenshotWhenReady(window, args.at(i + 1));

    window.show();
    return app.exec();
}
