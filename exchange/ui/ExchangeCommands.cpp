#include "exchange/ui/ExchangeCommands.h"

#include "controls/ViewUtility.h"
#include "core/Prompt.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "exchange/ArchiveFile.h"
#include "exchange/Exchange.h"
#include "exchange/ui/frmExchangeProgress.h"
#include "exchange/ui/frmSelectOrder.h"
#include "platform/Transfer.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/ui/InitDatabase.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/frmMessage.h"

#include <QApplication>
#include <QEventLoop>
#include <QPointer>

namespace exchange {

namespace {

const QString kArchiveFilter = QStringLiteral("Exported Database Zelt File (*.mdb)");

ExchangeContext contextOfRun() {
    ExchangeContext ctx = ExchangeContext::ofRun();
    if (!ctx.local) ctx.local = startup::OpenDatabase();
    return ctx;
}

// Shows the rows of an archive's table in the browse window before they are
// imported; the import goes on when the window is closed.
void showRows(const std::shared_ptr<datalib::DataSource>& rows, QWidget* owner) {
    QPointer<controls::BrowseWindow> window =
        new controls::BrowseWindow(rows, rows->Table()->PresentationName(), owner);
    window->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    window->raise();
    window->activateWindow();
    if (window) loop.exec();
}

// With an order open nothing is exchanged: refused before anything is asked,
// with the order's window brought to the front.
bool refusedForOpenOrder(const ExchangeContext& ctx) {
    if (!IsOrderOpen(ctx)) return false;
    if (const auto& show = startup::mainWindowLink().showOpenOrder) show();
    return RefuseWhileOrderOpen(ctx);
}

}  // namespace

// The chooser of the archive files (tests answer it themselves).
std::function<QString(bool save, QWidget* owner)>& ArchiveFileChooser() {
    static std::function<QString(bool, QWidget*)> chooser = [](bool save, QWidget* owner) {
        return save ? platform::saveFileName(owner, QStringLiteral("Salva in archivio"), QString(),
                                             kArchiveFilter, true)
                    : platform::openFileName(owner, QStringLiteral("Importa da archivio"), QString(),
                                             kArchiveFilter);
    };
    return chooser;
}

std::function<void(const std::shared_ptr<datalib::DataSource>&, QWidget*)>& ArchiveRowsViewer() {
    static std::function<void(const std::shared_ptr<datalib::DataSource>&, QWidget*)> viewer = showRows;
    return viewer;
}

platform::Transfer& Inet() {
    static platform::Transfer* transfer = new platform::Transfer(qApp);
    return *transfer;
}

static void receive(QWidget* mainWindow, bool all) {
    const ExchangeContext ctx = contextOfRun();
    // Refused before the window is loaded, so that none is left behind.
    if (refusedForOpenOrder(ctx)) return;
    frmUpdateProgress* window = frmUpdateProgress::instance();
    window->setDefaultOwner(mainWindow);
    const bool done = ReceiveUpdates(ctx, &Inet(), *window, all, !all);
    if (!all) {
        if (done)
            platform::messageBox(QStringLiteral("Operazione completata."), platform::kOkOnly, {}, mainWindow);
        if (frmUpdateProgress::IsLoaded()) frmUpdateProgress::instance()->Unload();
        if (auto& title = startup::mainWindowLink().setAppTitle) title(false);
    }
}

// Asks before a receive and runs it; errors outside the receive are shown.
static void askAndReceive(QWidget* mainWindow, const QString& question, bool all) {
    try {
        if (refusedForOpenOrder(contextOfRun())) return;
        if (platform::messageBox(question, platform::kYesNo | platform::kQuestion, {}, mainWindow) !=
            platform::kAnswerYes)
            return;
        receive(mainWindow, all);
    } catch (...) {
        startup::ShowError(QString());
    }
}

void mnuUpdate(QWidget* mainWindow) {
    askAndReceive(
        mainWindow,
        QStringLiteral("Verrà effettuato lo scaricamento di eventuali aggiornamenti dalla sede...\r\r"
                       "NOTA: Durante questa operazione sarà attivata la connessione ad Internet.\r\r"
                       "Continuare ?"),
        false);
}

void mnuUploadAll(QWidget* mainWindow) {
    askAndReceive(mainWindow,
                  QStringLiteral("Questa operazione esegue l'importazione di tutti i dati (Ordini, Articoli, "
                                 "Clienti, etc.)\r\rContinuare ?"),
                  true);
}

void mnuSendOrder(QWidget* mainWindow) {
    try {
        const ExchangeContext ctx = contextOfRun();
        if (!ctx.local) return;
        if (refusedForOpenOrder(ctx)) return;
        auto orders = OrdersToSend(*ctx.local);
        if (orders->DataEmpty()) {
            platform::messageBox(QStringLiteral("Nessun ordine da inviare"),
                                 platform::kOkOnly | platform::kInformation, {}, mainWindow);
            return;
        }
        orders->RowFirst();
        frmSelectOrder select(mainWindow);
        bool confirmed = false;
        select.SelectOrder(*orders, confirmed);
        if (!confirmed) {
            platform::messageBox(QStringLiteral("Operazione annullata"),
                                 platform::kOkOnly | platform::kInformation, {}, mainWindow);
            return;
        }
        OrderSelection selection = select.m_selectedOrders;
        frmSendOrder* window = frmSendOrder::instance();
        window->setDefaultOwner(mainWindow);
        SendOrders(ctx, &Inet(), *window, false, selection);
    } catch (...) {
        startup::ShowError(QString());
    }
}

void mnuImport(QWidget* mainWindow, const std::shared_ptr<datalib::DataSource>& currentView,
               const std::function<void()>& refresh) {
    if (!currentView) {
        QApplication::beep();
        return;
    }
    const QString table = currentView->tableDef().name();
    const ExchangeContext ctx = contextOfRun();
    if (refusedForOpenOrder(ctx)) return;
    if (platform::messageBox(
            QStringLiteral("Questa funzione permette di importare < ") + table +
                QStringLiteral(" > nell'archivio corrente.\r\rATTENZIONE!\rL'operazione deve essere "
                               "guidata da personale tecnico!\r\rContinuare ?"),
            platform::kYesNo | platform::kExclamation | platform::kDefaultButton2, {},
            mainWindow) != platform::kAnswerYes)
        return;
    const QString file = ArchiveFileChooser()(false, mainWindow);
    if (file.isEmpty()) return;
    // An order started while the file was chosen.
    if (refusedForOpenOrder(ctx)) return;
    bool copying = false;
    try {
        ImportArchive archive(file, *currentView->Database(), ctx.password);
        if (!archive.HasTable(table)) {
            platform::messageBox(QStringLiteral("L'archivio selezionato non contiene dati < ") + table +
                                     QStringLiteral(" > da importare!"),
                                 platform::kOkOnly, {}, mainWindow);
            return;
        }
        auto rows = archive.Rows(table);
        if (rows->DataEmpty()) {
            platform::messageBox(QStringLiteral("L'archivio non contiene dati da importare"),
                                 platform::kOkOnly | platform::kInformation, {}, mainWindow);
            return;
        }
        if (platform::messageBox(QStringLiteral("Vuoi visualizzare i dati che verranno importati ?"),
                                 platform::kYesNo | platform::kQuestion, {},
                                 mainWindow) == platform::kAnswerYes)
            ArchiveRowsViewer()(rows, mainWindow);
        if (platform::messageBox(QStringLiteral("Confermi l'importazione ?"),
                                 platform::kYesNo | platform::kQuestion, {},
                                 mainWindow) != platform::kAnswerYes)
            return;
        copying = true;
        startup::frmMessage::instance()->ShowMsg(
            QStringLiteral("Importazione <") + table + QStringLiteral(" > in corso..."), mainWindow);
        const bool done =
            ImportRows(*currentView->Database(), *rows, *currentView, startup::frmMessage::instance());
        rows.reset();
        archive.Close();
        startup::frmMessage::Unload();
        copying = false;
        if (done)
            platform::messageBox(QStringLiteral("Operazione completata"),
                                 platform::kOkOnly | platform::kInformation, {}, mainWindow);
        if (refresh) refresh();
    } catch (...) {
        if (copying) startup::frmMessage::Unload();
        startup::ShowError(QStringLiteral("Impossibile importare i dati"));
        if (copying && refresh) refresh();
    }
}

void mnuSave(QWidget* mainWindow, const std::shared_ptr<datalib::DataSource>& currentView) {
    if (!currentView) {
        QApplication::beep();
        return;
    }
    const QString file = ArchiveFileChooser()(true, mainWindow);
    if (file.isEmpty()) return;
    try {
        startup::frmMessage::instance()->ShowMsg(QStringLiteral("Esportazione dati in corso..."), mainWindow);
        ExportView(*currentView, file, startup::frmMessage::instance());
        startup::frmMessage::Unload();
    } catch (...) {
        startup::frmMessage::Unload();
        startup::ShowError(QStringLiteral("Esportazione dati non completata per il seguente motivo: ") +
                           startup::CurrentError().description());
    }
}

bool ReceiveFirstArchive(QWidget* parent, const QString& agent) {
    ExchangeContext ctx = contextOfRun();
    ctx.agent = agent;
    frmUpdateProgress* window = frmUpdateProgress::instance();
    window->setDefaultOwner(parent);
    return ReceiveUpdates(ctx, &Inet(), *window, false, false);
}

void RegisterExchange() { startup::SetArchiveReceiver(ReceiveFirstArchive); }

}  // namespace exchange
