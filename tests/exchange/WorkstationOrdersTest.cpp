// Two workstations of one agent, each a database of its own with its own
// workstation code, exchange through the real head office: a receive brings
// each the other's orders, yet each numbers its orders with its own digit,
// and an order not sent yet is never replaced by head office's order of its
// number when that is another order.

#include "ExchangeTestSupport.h"

#include "core/Clock.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"

#include <QFile>

using namespace exchangetest;

namespace {

QStringList numbers(datalib::Database& db, const QString& filter) {
    QStringList out;
    auto ds = db.OpenDataSource("Ordini", filter, "Numero");
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << ds->ColValueStr("Numero");
    return out;
}

}  // namespace

class WorkstationOrdersTest : public HeadOfficeTest {
  protected:
    void SetUp() override {
        HeadOfficeTest::SetUp();
        openLocal(true);
        local->db->SetSysParam("CodicePostazione", "3");
        customers = Codes(*local->db, "Clienti", "Agenti.Codice='DEMO'");
        articles = Codes(*local->db, "Articoli", "Left(Codice,2)<>'##'");
        ASSERT_GE(customers.size(), 3);
        ASSERT_GE(articles.size(), 3);
    }
    void TearDown() override {
        second.reset();
        HeadOfficeTest::TearDown();
    }

    // Another workstation of the agent: the demo agent's database without
    // the first workstation's waiting orders, with its own workstation code;
    // a clone is a copy of the first workstation's database as it is now.
    std::unique_ptr<OpenFile> workstation(const QString& code, bool clone = false) {
        const QString file = dir.filePath("ZeltOrder_DEMO_" + code + (clone ? "_clone" : ""));
        QFile::remove(file);
        if (clone) {
            closeLocal();
            QFile::copy(localFile, file);
            openLocal(true);
        } else {
            QFile::copy(DemoArchive(), file);
        }
        auto ws = std::make_unique<OpenFile>(file);
        ws->db->SetSysParam("CodicePostazione", code);
        if (!clone) ws->db->OpenDataSource("Ordini", "NOT InviatoSede")->DeleteAll();
        return ws;
    }
    void send(datalib::Database& db) {
        RecordingProgress p;
        exchange::OrderSelection all;
        ASSERT_TRUE(exchange::SendOrders(contextOf(db), &transfer, p, false, all))
            << boxes.lastText().toStdString();
    }
    void receive(datalib::Database& db) {
        RecordingProgress p;
        ASSERT_TRUE(exchange::ReceiveUpdates(contextOf(db), &transfer, p, false, false))
            << boxes.lastText().toStdString();
    }

    std::unique_ptr<OpenFile> second;
    QStringList customers, articles;
};

// Workstation 4 writes and sends; workstation 3 receives its orders, then
// each goes on with numbers of its own digit: none continues the other's
// (nor the demo agent's orders of workstation 1, which both hold).
TEST_F(WorkstationOrdersTest, EachWorkstationNumbersWithItsOwnDigitAfterAReceive) {
    core::FixedClock clock(2026, 3, 12, 9, 0);
    second = workstation("4");
    auto& one = *local->db;
    auto& two = *second->db;
    QStringList fromTwo;
    for (int i = 0; i < 3; ++i) fromTwo << WriteOrder(two, customers[i], articles[i], 2 + i);
    EXPECT_EQ(fromTwo, QStringList({"DEMOR3B400", "DEMOR3B401", "DEMOR3B402"}));
    send(two);
    publish();
    receive(one);
    for (const QString& n : fromTwo) EXPECT_EQ(OrderState(one, n), OrderState(two, n));

    clock.set(QDateTime(QDate(2026, 3, 12), QTime(10, 0)));
    const QString ownFirst = WriteOrder(one, customers[0], articles[1], 5);
    const QString ownSecond = WriteOrder(one, customers[1], articles[2], 1);
    EXPECT_EQ(ownFirst, "DEMOR3B300");
    EXPECT_EQ(ownSecond, "DEMOR3B301");
    const QString twoNext = WriteOrder(two, customers[2], articles[0], 7);
    EXPECT_EQ(twoNext, "DEMOR3B403");
    const QString mine = OrderState(one, ownFirst);

    // Workstation 4 sends again, head office publishes, workstation 3
    // receives: its own orders are as it wrote them, still to be sent.
    send(two);
    publish();
    boxes.clear();
    receive(one);
    EXPECT_EQ(boxes.shown().size(), 1u) << boxes.lastText().toStdString();
    EXPECT_EQ(OrderState(one, ownFirst), mine);
    EXPECT_EQ(OrderState(one, twoNext), OrderState(two, twoNext));
    EXPECT_EQ(
        numbers(one, "NOT InviatoSede AND Completato AND Mid(Numero,8,1)='3' AND Left(Numero,7)='DEMOR3B'"),
        QStringList({ownFirst, ownSecond}));
}

// Head office's order of a number that an unsent order here also has: when
// it is another order (another customer or entry date) the order here stays
// as it is, with its rows, and the agent is told its number at the end; the
// same order (sent from here, its marking lost) is head office's again.
TEST_F(WorkstationOrdersTest, AReceiveNeverReplacesAnUnsentOrderWithAnotherOrderOfItsNumber) {
    struct Case {
        const char* name;
        bool sameCustomer, sameTime;
        bool kept;
    };
    const Case cases[] = {
        {"a cloned installation, another customer", false, true, true},
        {"a cloned installation, the same customer at another time", true, false, true},
        {"the order itself, sent from here", true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        local->db->SetSysParam("CodicePostazione", "3");
        core::FixedClock clock(2026, 3, 12, 9, 0);
        second = workstation("3", true);
        auto& one = *local->db;
        auto& clone = *second->db;
        const QString ours = WriteOrder(one, customers[0], articles[0], 3);
        WriteOrder(one, customers[0], articles[1], 1);  // more of ours, of another number
        if (!c.sameTime) clock.set(QDateTime(QDate(2026, 3, 12), QTime(9, 30)));
        const QString theirs = c.sameCustomer && c.sameTime
                                   ? ours
                                   : WriteOrder(clone, customers[c.sameCustomer ? 0 : 1], articles[2], 9);
        ASSERT_EQ(theirs, ours);
        if (c.sameCustomer && c.sameTime) {
            // Sent from here; head office holds it, the marking here was lost.
            send(one);
            one.conn().exec("UPDATE Ordini SET InviatoSede = 0 WHERE Numero = '" + ours + "'");
        } else {
            send(clone);
        }
        const QString before = OrderState(one, ours);
        publish();
        boxes.clear();
        receive(one);
        if (c.kept) {
            EXPECT_EQ(OrderState(one, ours), before);
            EXPECT_EQ(numbers(one, "NOT InviatoSede AND Completato AND Numero='" + ours + "'"),
                      QStringList{ours});
            ASSERT_EQ(boxes.shown().size(), 2u) << boxes.lastText().toStdString();
            const QString told = boxes.shown().front().text;
            EXPECT_TRUE(told.contains("ordine N. " + ours + " del 12/03/2026, cliente " + customers[0]))
                << told.toStdString();
            EXPECT_TRUE(told.contains("sono rimasti come erano")) << told.toStdString();
        } else {
            EXPECT_TRUE(OrderState(one, ours).contains("|inviato|"));
            EXPECT_EQ(boxes.shown().size(), 1u) << boxes.lastText().toStdString();
        }
        EXPECT_EQ(boxes.lastText(), "AGGIORNAMENTO COMPLETATO.");
        second.reset();
    }
}
