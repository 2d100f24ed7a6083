// The exchange's menu items of the main window: receive everything, import
// and save call in with the current view; receive, send and import refuse
// while the order window is open, first of all, with the order in front.

#include "CommandsFixture.h"

#include "core/Prompt.h"
#include "exchange/Exchange.h"
#include "exchange/ui/ExchangeCommands.h"
#include "exchange/ui/frmExchangeProgress.h"
#include "mainwindow/MainWindowUi.h"
#include "orders/ui/frmOrder.h"
#include "startup/RunContext.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

namespace mwtest {

TEST_F(CommandsTest, ExchangeItemsCallInWithTheCurrentView) {
    for (const char* name : {"mnuUploadAll", "mnuImport", "mnuSave"})
        EXPECT_FALSE(commands->Menu(QLatin1String(name))->isEnabled()) << name;
    int receivedAll = 0;
    std::shared_ptr<datalib::DataSource> imported, saved;
    std::function<void()> refresh;
    commands->receiveAll = [&] { ++receivedAll; };
    commands->importArchive = [&](const std::shared_ptr<datalib::DataSource>& view,
                                  const std::function<void()>& r) {
        imported = view;
        refresh = r;
    };
    commands->saveView = [&](const std::shared_ptr<datalib::DataSource>& view) { saved = view; };
    commands->UpdateWiredCommands();
    addAgent("AG1");
    addCustomer("C1", "Alfa", "AG1");
    show();
    openView("Clienti");
    ASSERT_TRUE(browser->CurrentDataSource());

    commands->Menu("mnuUploadAll")->trigger();
    commands->Menu("mnuImport")->trigger();
    commands->Menu("mnuSave")->trigger();
    EXPECT_EQ(receivedAll, 1);
    EXPECT_EQ(imported, browser->CurrentDataSource());
    EXPECT_EQ(saved, browser->CurrentDataSource());
    // The refresh handed to the import reads the view again.
    addCustomer("C2", "Beta", "AG1");
    ASSERT_TRUE(refresh);
    refresh();
    EXPECT_EQ(browser->CurrentDataSource()->RowCount(), 2);
}

// "Salva in archivio..." through the real file dialog: a name typed without
// ".mdb" (or with dots of its own) gets it, and the import's "*.mdb" dialog
// lists the file.
TEST_F(CommandsTest, SavedArchiveGetsItsExtensionAndTheImportListsIt) {
    startup::runContext().database = db;
    mainwindow::WireExchangeCommands(*commands, &window);
    commands->UpdateWiredCommands();
    addAgent("AG1");
    addCustomer("C1", "Alfa", "AG1");
    show();
    openView("Clienti");
    const QString folder = dir.filePath("archivi");
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile(folder + "/appunti.txt").open(QIODevice::WriteOnly);

    // Plays the file dialogs as they come: each one in the archives' folder,
    // the next name typed and Enter ("": Esc); the names the last one lists
    // once the folder has been read come back in `listed`.
    QStringList names, listed;
    QTimer player;
    player.setInterval(20);
    QObject::connect(&player, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d || d->property("played").toBool() || names.isEmpty()) return;
        d->setProperty("played", true);
        player.stop();
        d->setDirectory(folder);
        auto* view = d->findChild<QListView*>("listView");
        for (int i = 0; i < 100 && view->model()->rowCount(view->rootIndex()) == 0; ++i) QTest::qWait(20);
        QTest::qWait(100);
        listed.clear();
        for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
            listed << view->model()->index(r, 0, view->rootIndex()).data().toString();
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        name->clear();
        const QString typed = names.takeFirst();
        if (typed.isEmpty()) {
            QTest::keyClick(name, Qt::Key_Escape);
        } else {
            QTest::keyClicks(name, typed);
            QTest::keyClick(name, Qt::Key_Return);
        }
        player.start();
    });
    player.start();
    core::ScriptedBoxes boxes;
    for (const char* typed : {"prova", "Ordini 12.11.2026"}) {
        names = QStringList{QString::fromUtf8(typed)};
        commands->Menu("mnuSave")->trigger();
        EXPECT_TRUE(QFile::exists(folder + "/" + typed + ".mdb")) << typed;
        EXPECT_FALSE(QFile::exists(folder + "/" + typed)) << typed;
    }
    EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();

    // The same name again: replaced only when the operator says so; No
    // brings the dialog back, and the operator leaves it.
    const auto size = QFileInfo(folder + "/prova.mdb").size();
    boxes.answer(core::kAnswerNo);
    names = QStringList{"prova", ""};
    commands->Menu("mnuSave")->trigger();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.lastText().contains("prova.mdb esiste già")) << boxes.lastText().toStdString();
    EXPECT_EQ(QFileInfo(folder + "/prova.mdb").size(), size);
    EXPECT_TRUE(names.isEmpty());

    // The import's dialog lists both archives, and only them.
    boxes.clear();
    boxes.answer(core::kAnswerYes);  // import: go on
    names = QStringList{""};
    commands->Menu("mnuImport")->trigger();
    listed.sort();
    EXPECT_EQ(listed, (QStringList{"Ordini 12.11.2026.mdb", "prova.mdb"}));
    startup::runContext().database.reset();
}

TEST_F(CommandsTest, ReceiveSendAndImportRefuseWhileTheOrderWindowIsOpen) {
    startup::runContext().database = db;
    core::ScriptedBoxes boxes;
    mainwindow::WireExchangeCommands(*commands, &window);
    commands->UpdateWiredCommands();
    const auto chooser = exchange::ArchiveFileChooser();
    exchange::ArchiveFileChooser() = [this](bool, QWidget*) { return dir.filePath("archivio.mdb"); };
    addAgent("AG1");
    addCustomer("C1", "Alfa", "AG1");
    show();
    openView("Clienti");

    // The window is open before its order starts: no transaction yet, and
    // still nothing may be exchanged. Each command refuses before it asks
    // anything, and the order window comes to the front.
    QPointer<orders::ui::frmOrder> order = new orders::ui::frmOrder(&window);
    order->show();
    ASSERT_FALSE(db->InTransaction());
    const QString refused = QStringLiteral("C'è un ordine aperto");
    for (const char* menu : {"mnuUpdate", "mnuUploadAll", "mnuSendOrder", "mnuImport"}) {
        SCOPED_TRACE(menu);
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        boxes.clear();
        commands->Menu(QLatin1String(menu))->trigger();
        ASSERT_EQ(boxes.shown().size(), 1u) << boxes.shown().front().text.toStdString();
        EXPECT_TRUE(boxes.lastText().startsWith(refused)) << boxes.lastText().toStdString();
        EXPECT_TRUE(QTest::qWaitForWindowActive(order));
        EXPECT_FALSE(exchange::frmUpdateProgress::IsLoaded());
        EXPECT_FALSE(exchange::frmSendOrder::IsLoaded());
    }

    delete order.data();
    EXPECT_FALSE(exchange::IsOrderOpen(exchange::ExchangeContext::ofRun()));
    exchange::ArchiveFileChooser() = chooser;
    exchange::SetOrderOpenTest({});
    startup::runContext().database.reset();
}

}  // namespace mwtest
