// An agent's day on two and on three workstations, each a database of its
// own with its own workstation code, through the real head office: hour by
// hour each writes orders, sends them (in some hours all at the same time,
// each in a process of its own), and head office publishes and each
// receives the others' orders. No number is shared, no order is lost,
// doubled or taken over by another, and at the end every workstation holds
// every order of the day as its writer wrote it, with nothing left to send.

#include "ExchangeTestSupport.h"

#include "core/Clock.h"
#include "datalib/DataSource.h"

#include <QFile>
#include <QHash>

#include <memory>
#include <vector>

using namespace exchangetest;

class AgentDayTest : public HeadOfficeTest {
  protected:
    struct Workstation {
        QString code;  // CodicePostazione
        QString file;
        std::unique_ptr<OpenFile> open;
        datalib::Database& db() { return *open->db; }
    };

    // A workstation of the demo agent: its database without the demo's
    // waiting orders, with its own workstation code.
    Workstation workstation(const QString& code) {
        Workstation ws{code, dir.filePath("ZeltOrder_DEMO_postazione_" + code), nullptr};
        QFile::remove(ws.file);
        QFile::copy(DemoArchive(), ws.file);
        ws.open = std::make_unique<OpenFile>(ws.file);
        ws.db().SetSysParam("CodicePostazione", code);
        ws.db().OpenDataSource("Ordini", "NOT InviatoSede")->DeleteAll();
        return ws;
    }
    void send(Workstation& ws) {
        RecordingProgress p;
        exchange::OrderSelection all;
        exchange::ExchangeContext ctx = contextOf(ws.db());
        ctx.settings.workstation = ws.code.toInt();
        ASSERT_TRUE(exchange::SendOrders(ctx, &transfer, p, false, all)) << boxes.lastText().toStdString();
        ASSERT_EQ(boxes.lastText(), "INVIO COMPLETATO.");
    }
    // Every workstation sends at once, each in a process of its own.
    void sendAtOnce(std::vector<Workstation>& all) {
        for (Workstation& ws : all) ws.open.reset();
        std::vector<std::unique_ptr<SendingWorkstation>> sending;
        for (Workstation& ws : all) sending.push_back(std::make_unique<SendingWorkstation>(url, ws.file));
        for (auto& s : sending) s->finish();
        for (Workstation& ws : all) ws.open = std::make_unique<OpenFile>(ws.file);
    }
    void receive(Workstation& ws) {
        RecordingProgress p;
        boxes.clear();
        ASSERT_TRUE(exchange::ReceiveUpdates(contextOf(ws.db()), &transfer, p, false, false))
            << boxes.lastText().toStdString();
        // Nothing of its own was kept back from head office's orders.
        ASSERT_EQ(boxes.shown().size(), 1u) << boxes.shown().front().text.toStdString();
    }
};

TEST_F(AgentDayTest, TwoAndThreeWorkstationsOfOneAgentLoseNoOrderInADay) {
    for (const int count : {2, 3}) {
        SCOPED_TRACE(count);
        server.putFile(kArchive, DemoArchive());
        std::vector<Workstation> all;
        for (int i = 1; i <= count; ++i) all.push_back(workstation(QString::number(i + 4)));
        const QStringList customers = Codes(all[0].db(), "Clienti", "Agenti.Codice='DEMO'");
        const QStringList articles =
            Codes(all[0].db(), "Articoli",
                  "NOT Disabilitato AND NOT Categoria.Complementi AND Left(Codice,2)<>'##'");
        ASSERT_GE(customers.size(), 3);
        ASSERT_GE(articles.size(), 3);

        // Who wrote each number, and the order as written there.
        QHash<QString, int> writer;
        int written = 0;
        for (int hour = 9; hour <= 16; ++hour) {
            SCOPED_TRACE(hour);
            core::FixedClock clock(2026, 5, 20, hour, 0);
            for (int w = 0; w < count; ++w)
                for (int k = 0; k <= (hour + w) % 3; ++k, ++written) {
                    const QString n =
                        WriteOrder(all[w].db(), customers[(written + w) % customers.size()],
                                   articles[(written + k) % articles.size()], 1 + (written % 7));
                    ASSERT_FALSE(n.isEmpty());
                    ASSERT_FALSE(writer.contains(n)) << n.toStdString() << " given twice";
                    // Its own digit, in the eighth place.
                    EXPECT_EQ(n.mid(7, 1), QString::number(w + 5)) << n.toStdString();
                    writer.insert(n, w);
                }
            if (hour % 2 == 0) {
                sendAtOnce(all);
            } else {
                for (Workstation& ws : all) send(ws);
            }
            publish();
            for (Workstation& ws : all) receive(ws);
        }
        ASSERT_EQ(writer.size(), written);

        // Head office holds each order once, sent, as its writer wrote it;
        // every workstation holds them all so, and nothing waits.
        OpenFile head(server.filePath(kArchive));
        for (auto it = writer.cbegin(); it != writer.cend(); ++it) {
            SCOPED_TRACE(it.key().toStdString());
            const QString asWritten = OrderState(all[it.value()].db(), it.key());
            EXPECT_TRUE(asWritten.contains("|inviato|")) << asWritten.toStdString();
            EXPECT_EQ(head.db->OpenDataSource("Ordini", "Numero='" + it.key() + "'")->RowCount(), 1);
            EXPECT_EQ(OrderState(*head.db, it.key()), asWritten);
            for (Workstation& ws : all) EXPECT_EQ(OrderState(ws.db(), it.key()), asWritten);
        }
        for (Workstation& ws : all) EXPECT_EQ(UnsentOrders(ws.db()), QStringList());
    }
}
