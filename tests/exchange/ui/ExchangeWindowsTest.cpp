// The exchange's windows, headless through their real widgets: the progress
// windows, the order selection, and the main window's commands against a
// private head-office server.

#include "../ExchangeTestSupport.h"

#include "controls/DataGrid.h"
#include "controls/ViewUtility.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "exchange/ui/ExchangeCommands.h"
#include "exchange/ui/frmExchangeProgress.h"
#include "exchange/ui/frmSelectOrder.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "startup/ui/InitDatabase.h"
#include "startup/ui/frmMessage.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace exchangetest;
using exchange::frmSendOrder;
using exchange::frmUpdateProgress;

namespace {

// Runs `act` on the modal dialog of type T once it is up.
template <class T>
void whenModal(std::function<void(T&)> act) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        auto* dialog = dynamic_cast<T*>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll->stop();
        poll->deleteLater();
        act(*dialog);
    });
    poll->start(10);
}

}  // namespace

TEST(ExchangeProgressWindows, BarMarksOwnerAndStop) {
    core::ScriptedBoxes boxes;
    QWidget owner;
    owner.show();
    frmUpdateProgress* w = frmUpdateProgress::instance();
    EXPECT_EQ(w->windowTitle(), "Aggiornamenti dalla sede");
    EXPECT_EQ(w->lblCurrentOperation()->text(), "Connessione alla sede in corso...");
    EXPECT_EQ(w->MaxProgress(), 0);
    // The bar's state counts, not the window's: a bar started before the
    // window is shown has its maximum.
    w->StartProgress(5, true);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->MaxProgress(), 5);

    w->ShowMsg("Ricezione dati in corso...", &owner, 1);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(owner.isEnabled());
    EXPECT_EQ(w->lblCurrentOperation()->text(), "Ricezione dati in corso...");
    EXPECT_TRUE(w->imgAdjournData()->isVisibleTo(w));
    w->StartProgress(0, true);
    EXPECT_EQ(w->MaxProgress(), 1);
    EXPECT_TRUE(w->Progress(50));
    EXPECT_EQ(w->pbDownload()->value(), 1);
    w->EndProgress();
    EXPECT_TRUE(w->imgAdjournDataOK()->isVisibleTo(w));
    EXPECT_TRUE(w->imgAdjournSoftwareOK()->isVisibleTo(w));

    w->ShowMsg("Software", &owner, 0);
    EXPECT_FALSE(w->imgAdjournData()->isVisibleTo(w));

    // Esc asks like the stop button; No changes nothing.
    boxes.answer(core::kAnswerNo);
    QTest::keyClick(w, Qt::Key_Escape);
    EXPECT_EQ(boxes.lastText(), "Confermi l'interruzione ?");
    EXPECT_FALSE(w->Stopped());
    boxes.answer(core::kAnswerYes);
    w->cmdCancel()->click();
    EXPECT_TRUE(w->Stopped());
    EXPECT_FALSE(w->Progress());
    // A second stop only puts the window away: the exchange still reads it.
    boxes.answer(core::kAnswerYes);
    w->cmdCancel()->click();
    EXPECT_TRUE(frmUpdateProgress::IsLoaded());
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(w->Stopped());
    EXPECT_TRUE(owner.isEnabled());

    w->Unload();
    EXPECT_FALSE(frmUpdateProgress::IsLoaded());
    // A new window starts without a stop.
    EXPECT_FALSE(frmUpdateProgress::instance()->Stopped());
    frmUpdateProgress::instance()->Unload();
    QApplication::processEvents();

    frmSendOrder* s = frmSendOrder::instance();
    EXPECT_EQ(s->windowTitle(), "Invio Ordini alla sede");
    s->ShowMsg("Controlli...", &owner, 2);
    EXPECT_FALSE(owner.isEnabled());
    s->Unload();
    EXPECT_TRUE(owner.isEnabled());
}

class ExchangeWindowsTest : public HeadOfficeTest {
  protected:
    void SetUp() override {
        HeadOfficeTest::SetUp();
        openLocal(true);
        startup::runContext().database = local->db;
        startup::runContext().onLineServicesURL = url;
        main.show();
    }
    void TearDown() override {
        startup::runContext().database.reset();
        HeadOfficeTest::TearDown();
    }
    QWidget main;
};

// Customers of every length: the totals still end, and start, in one column.
TEST(SelectOrderEntries, TheTotalsStandInAColumnOfTheirOwn) {
    const QStringList texts = exchange::frmSelectOrder::EntryTexts({
        {"05/03/2026 10:00:00", "C1 Rossi", "1,00"},
        {"06/03/2026 09:15:00", "C000123 Forniture Industriali Martinelli S.a.s.", "12.345,60"},
    });
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[0].size(), texts[1].size());
    EXPECT_TRUE(texts[0].endsWith(" - " + QString(16, ' ') + "1,00"));
    EXPECT_TRUE(texts[1].endsWith(" - " + QString(11, ' ') + "12.345,60"));
    EXPECT_TRUE(texts[0].startsWith("05/03/2026 10:00:00 - C1 Rossi    "));
}

TEST_F(ExchangeWindowsTest, SelectionListsAllChosenAndHandsBackTheChoice) {
    struct Case {
        const char* name;
        std::function<void(exchange::frmSelectOrder&)> act;
        bool confirmed;
        int chosen;
    };
    const std::vector<Case> cases{
        {"all", [](auto& d) { d.cmdConfirm()->click(); }, true, 4},
        {"none",
         [](auto& d) {
             d.lstOrder()->clearSelection();
             d.cmdConfirm()->click();
         },
         true, 0},
        {"close box", [](auto& d) { d.close(); }, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto orders = exchange::OrdersToSend(*local->db);
        orders->RowFirst();
        exchange::frmSelectOrder window(&main);
        QStringList shown;
        int selected = 0;
        whenModal<exchange::frmSelectOrder>([&](exchange::frmSelectOrder& d) {
            for (int i = 0; i < d.lstOrder()->count(); ++i) {
                shown << d.lstOrder()->item(i)->text();
                selected += d.lstOrder()->item(i)->isSelected();
            }
            c.act(d);
        });
        bool confirmed = false;
        window.SelectOrder(*orders, confirmed);
        EXPECT_EQ(window.windowTitle(), "Ordini da inviare alla sede");
        ASSERT_EQ(shown.size(), 4);
        EXPECT_EQ(selected, 4);
        EXPECT_EQ(confirmed, c.confirmed);
        EXPECT_EQ(window.m_selectedOrders.size(), c.chosen);
        // In entry-date order, each part in a column of its own: the
        // customers padded to the longest, the amounts on the right, in a
        // font whose characters are all as wide.
        orders->RowFirst();
        std::vector<exchange::frmSelectOrder::Entry> entries;
        for (; !orders->Eof(); orders->RowNext())
            entries.push_back(exchange::frmSelectOrder::EntryOf(*orders));
        EXPECT_EQ(shown, exchange::frmSelectOrder::EntryTexts(entries));
        orders->RowFirst();
        EXPECT_TRUE(shown.first().endsWith(orders->FormattedColValue("ImportoTotale")));
        EXPECT_TRUE(QFontInfo(window.lstOrder()->font()).fixedPitch());
        for (const QString& text : shown) {
            EXPECT_EQ(text.size(), shown.first().size()) << text.toStdString();
            EXPECT_EQ(text.lastIndexOf(" - "), shown.first().lastIndexOf(" - ")) << text.toStdString();
        }
        if (c.chosen) {
            EXPECT_EQ(window.m_selectedOrders.first(), QString::number(orders->OID()));
        }
    }
}

TEST_F(ExchangeWindowsTest, UpdateCommandShowsItsProgressAndCompletes) {
    editHeadOffice([](datalib::Database& head) { head.SetSysParam("VersioneUltimoAggiornamento", "3"); });
    boxes.answer(core::kAnswerYes);
    bool seen = false;
    QString caption;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (frmUpdateProgress::IsLoaded() && frmUpdateProgress::instance()->isVisible()) {
            seen = true;
            caption = frmUpdateProgress::instance()->lblCurrentOperation()->text();
            EXPECT_FALSE(main.isEnabled());
        }
    });
    probe.start(20);
    exchange::mnuUpdate(&main);
    probe.stop();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(boxes.shown().front().text.startsWith("Verrà effettuato lo scaricamento"));
    EXPECT_EQ(boxes.lastText(), "Operazione completata.");
    EXPECT_FALSE(frmUpdateProgress::IsLoaded());
    EXPECT_TRUE(main.isEnabled());
    EXPECT_EQ(local->db->GetSysParam("VersioneUltimoAggiornamento", ""), "3");
}

TEST_F(ExchangeWindowsTest, SendCommandAsksForTheOrdersAndSendsThem) {
    whenModal<exchange::frmSelectOrder>([](exchange::frmSelectOrder& d) { d.close(); });
    exchange::mnuSendOrder(&main);
    EXPECT_EQ(boxes.lastText(), "Operazione annullata");
    EXPECT_EQ(localCount("Ordini", "NOT InviatoSede AND Completato"), 4);

    whenModal<exchange::frmSelectOrder>([](exchange::frmSelectOrder& d) { d.cmdConfirm()->click(); });
    exchange::mnuSendOrder(&main);
    EXPECT_EQ(boxes.lastText(), "INVIO COMPLETATO.");
    EXPECT_EQ(localCount("Ordini", "NOT InviatoSede AND Completato"), 0);
    EXPECT_FALSE(frmSendOrder::IsLoaded());

    exchange::mnuSendOrder(&main);
    EXPECT_EQ(boxes.lastText(), "Nessun ordine da inviare");
}

TEST_F(ExchangeWindowsTest, ExportedViewImportsIntoAnotherDatabase) {
    const QString archive = dir.filePath("Articoli.mdb");
    exchange::ArchiveFileChooser() = [&](bool, QWidget*) { return archive; };
    auto view = local->db->OpenDataSource("Articoli", "Left(Codice,2)<>'##'", "Codice");
    view->RowFirst();
    const QString first = view->ColValueStr("Codice");
    view->SetFilter("Codice='" + first + "'");
    exchange::mnuSave(&main, view);
    ASSERT_TRUE(QFile::exists(archive));
    EXPECT_FALSE(QFile::exists(archive + ".tmp"));

    // Without a view both commands only beep.
    exchange::mnuSave(&main, nullptr);
    exchange::mnuImport(&main, nullptr, {});
    EXPECT_TRUE(boxes.shown().empty());

    OpenFile other(dir.filePath("Altro"), true);
    auto target = other.db->OpenDataSource("Articoli");
    int refreshed = 0;
    // Declining the preview still asks for the confirmation; No imports
    // nothing. The preview is the browse window over the archive's rows,
    // standing over the main window.
    main.setGeometry(10, 100, 780, 600);
    long previewed = -1, archived = 0;
    QPoint previewCentre;
    for (const int confirm : {core::kAnswerNo, core::kAnswerYes}) {
        boxes.clear();
        boxes.answer(core::kAnswerYes);
        boxes.answer(confirm);
        boxes.answer(confirm);
        if (confirm == core::kAnswerYes)
            whenModal<controls::BrowseWindow>([&](controls::BrowseWindow& w) {
                previewed = w.grid()->model()->rowCount();
                archived = w.dataSource()->RowCount();
                EXPECT_EQ(w.windowTitle(), w.dataSource()->Table()->PresentationName());
                previewCentre = w.frameGeometry().center();
                w.close();
            });
        exchange::mnuImport(&main, target, [&] { ++refreshed; });
        EXPECT_EQ(boxes.shown().at(2).text, "Confermi l'importazione ?");
        EXPECT_EQ(other.db->OpenDataSource("Articoli", "Codice='" + first + "'")->RowCount(),
                  confirm == core::kAnswerYes ? 1 : 0);
    }
    EXPECT_GT(previewed, 0);
    EXPECT_EQ(previewed, archived);
    EXPECT_LE((previewCentre - main.frameGeometry().center()).manhattanLength(), 10);  // its frame aside
    EXPECT_EQ(boxes.lastText(), "Operazione completata");
    EXPECT_EQ(refreshed, 1);
    EXPECT_FALSE(startup::frmMessage::IsLoaded());

    // The archive holds no customers: its own message, nothing imported.
    boxes.clear();
    boxes.answer(core::kAnswerYes);
    exchange::mnuImport(&main, other.db->OpenDataSource("Clienti"), {});
    EXPECT_EQ(boxes.lastText(), "L'archivio non contiene dati da importare");
    // The chosen file itself was never written.
    EXPECT_FALSE(QFile::exists(archive + "-wal"));
}

TEST_F(ExchangeWindowsTest, FirstRunDownloadsTheArchiveOrLeavesNoFile) {
    struct Host : startup::DatabaseHost {
        QWidget* hostWindow() override { return nullptr; }
        datalib::itfNotifyEvent* notifySink() override { return nullptr; }
        void releaseDatabase() override { startup::ReleaseEngine(); }
        bool showOptionsModal() override { return false; }
        bool askFirstRunValues(startup::FirstRunValues&) override { return false; }
        void endProgram() override {}
    } host;
    startup::runContext().database.reset();
    closeLocal();
    QTemporaryDir work;
    const QString savedRoot = startup::runContext().rootDir;
    startup::runContext().rootDir = work.path();
    startup::SetDatabaseDefinition([] { return std::make_unique<schema::DB>(); });
    exchange::RegisterExchange();
    startup::FirstRunValues values;
    values.agent = kAgent;
    values.workstation = 1;
    values.installFolder = work.filePath("nessun-disco");
    values.onLineServicesURL = url;
    const QString file = work.filePath("ZeltOrder_DEMO");

    for (const bool serverUp : {false, true}) {
        SCOPED_TRACE(serverUp ? "server up" : "server down");
        if (!serverUp) server.stop();
        if (serverUp) {
            server.start();
            server.putFile(kArchive, DemoArchive());
            values.onLineServicesURL = server.baseUrl().toString();
        }
        boxes.clear();
        boxes.answer(core::kAnswerNo);   // not from the installation disk
        boxes.answer(core::kAnswerYes);  // from head office
        EXPECT_EQ(startup::PrepareLocalArchive(&main, values, host), serverUp);
        EXPECT_EQ(QFile::exists(file), serverUp);
    }
    OpenFile received(file);
    EXPECT_EQ(received.db->OpenDataSource("Articoli")->RowCount(), headCount("Articoli"));
    startup::runContext().rootDir = savedRoot;
    startup::SetArchiveReceiver({});
}
