// The view shows the rows as they are: after an order confirmed or cancelled
// (the end of its transaction), after a send or a receive, and at a later
// activation; nothing is read again when nothing was written, and an order
// still being written is not shown.

#include "CommandsFixture.h"

#include <QCoreApplication>

namespace mwtest {

namespace {

class ViewRefresh : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        addAgent("A1");
        addCustomer("C1", "Rossi", "A1");
    }
    // An order as head office's data would bring it (no numbering script).
    void addOrder(const char* number) {
        db->BeginUpdate();
        insert("Ordini", {v("Numero"), v(number), v("Cliente"), v("C1"), v("Agente"), v("A1")});
        db->EndUpdate();
    }
    int shown() const { return browser->Widgets().dgView->model()->rowCount(); }
    // Counts the times the view's rows are read again.
    void countReads() {
        reads = 0;
        browser->CurrentDataSource()->connectRefresh([this](datalib::DataSource&) { ++reads; });
    }
    int reads = 0;
};

}  // namespace

TEST_F(ViewRefresh, OrdersToSendFollowConfirmCancelSendAndReceive) {
    show();
    openView("Ordini da Inviare");
    ASSERT_TRUE(browser->CurrentDataSource());
    countReads();
    EXPECT_EQ(shown(), 0);

    // Nothing written: nothing read.
    browser->RefreshCurrentRows();
    EXPECT_EQ(reads, 0);

    // An order being written is not shown; its confirmation shows it at once.
    db->BeginTrans();
    addOrder("0001");
    browser->RefreshCurrentRows();
    EXPECT_EQ(shown(), 0);
    db->CommitTrans();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(), 1);
    EXPECT_EQ(reads, 1);

    // A cancelled one leaves nothing behind.
    db->BeginTrans();
    addOrder("0002");
    db->Rollback();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(), 1);

    // Sent orders leave the view; received ones come in.
    commands->sendOrders = [this] {
        auto orders = db->OpenDataSource("Ordini");
        orders->RowFirst();
        orders->SetColValue("InviatoSede", core::Variant(true));
        orders->Save();
    };
    commands->receiveUpdates = [this] { addOrder("0003"); };
    commands->UpdateWiredCommands();
    commands->Menu("mnuSendOrder")->trigger();
    EXPECT_EQ(shown(), 0);
    commands->Key("Adjourn")->trigger();
    EXPECT_EQ(shown(), 1);

    // A change made elsewhere (a browse window) shows at the next activation.
    db->OpenDataSource("Ordini", "Numero = '0003'")->DeleteAll();
    browser->RefreshCurrentRows();
    EXPECT_EQ(shown(), 0);
}

// The new-order command shows "Ordini da Inviare" once, then the order window.
TEST_F(ViewRefresh, NewOrderShowsTheOrdersToSendOnce) {
    int windows = 0;
    commands->newOrder = [&](QWidget*) { ++windows; };
    commands->UpdateWiredCommands();
    show();
    openView("Clienti");
    int views = 0;
    QObject::connect(browser, &mainwindow::MainBrowser::buildRelationMenus, browser,
                     [&views](datalib::DataSource*, bool clearOnly) { views += clearOnly ? 1 : 0; });
    commands->Menu("mnuNewOrder")->trigger();
    EXPECT_EQ(views, 1);
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(mainwindow::NodeKey(browser->Widgets().tvTreeView->currentItem()), "Ordini da Inviare");
    // The node is the one shown: its click loads nothing more.
    browser->tvTreeView_NodeClick(browser->Widgets().tvTreeView->currentItem());
    EXPECT_EQ(views, 1);
}

}  // namespace mwtest
