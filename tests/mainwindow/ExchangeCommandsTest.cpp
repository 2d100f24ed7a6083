// The exchange's menu items of the main window: receive everything, import
// and save call in with the current view; receive, send and import refuse
// while the order window is open.

#include "CommandsFixture.h"

#include "core/Prompt.h"
#include "exchange/Exchange.h"
#include "exchange/ui/ExchangeCommands.h"
#include "exchange/ui/frmExchangeProgress.h"
#include "mainwindow/MainWindowUi.h"
#include "orders/ui/frmOrder.h"
#include "startup/RunContext.h"

#include <QAction>

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
    // still nothing may be exchanged.
    QPointer<orders::ui::frmOrder> order = new orders::ui::frmOrder(&window);
    ASSERT_FALSE(db->InTransaction());
    const QString refused = QStringLiteral("C'è un ordine aperto");
    struct Case {
        const char* menu;
        int questions;  // answered Yes before the refusal
    } cases[] = {{"mnuUpdate", 1}, {"mnuUploadAll", 1}, {"mnuSendOrder", 0}, {"mnuImport", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.menu);
        boxes.clear();
        for (int i = 0; i < c.questions; ++i) boxes.answer(core::kAnswerYes);
        commands->Menu(QLatin1String(c.menu))->trigger();
        ASSERT_EQ(boxes.shown().size(), size_t(c.questions) + 1);
        EXPECT_TRUE(boxes.lastText().startsWith(refused)) << boxes.lastText().toStdString();
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
