// The stop pressed at each step of a send, while head office does not answer
// that step (the network holds its request back) or while the send waits for
// a lock that someone else holds: the send ends at once, long before any
// time-out, as a stop ends it elsewhere. Nothing is marked sent that head
// office is not known to hold, and the next send sends every order once,
// also when the held request reaches head office late.

#include "ExchangeTestSupport.h"

#include "datalib/RemoteConnector.h"
#include "tools/headoffice/CuttingProxy.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QUuid>

#include <optional>

using namespace exchangetest;

namespace {

struct SeamReset {
    ~SeamReset() { datalib::RemoteConnector::seamHook() = nullptr; }
};

}  // namespace

class SendStopTest : public HeadOfficeTest {};

TEST_F(SendStopTest, AStopAtAnyStepEndsTheSendAtOnce) {
    struct Case {
        const char* step;
        const char* held;  // the method held back; none: a lock held by someone else
        bool sent;         // the orders were at head office before the stop, and are marked
    };
    const Case cases[] = {
        {"download", "GET", false},
        {"list of the folder", "PROPFIND", false},
        {"leftover removed", "DELETE", false},
        {"upload", "PUT", false},
        {"lock", "LOCK", false},
        {"lock held elsewhere", nullptr, false},
        {"move", "MOVE", false},
        {"proof of the move", "HEAD", false},
        {"unlock", "UNLOCK", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        startAfresh();
        const QStringList waiting = UnsentOrders(*local->db);
        const QByteArray before = headBytes();
        headoffice::CuttingProxy proxy(server.port());
        url = proxy.route(server.baseUrl()).toString();
        exchange::ExchangeContext ctx = context();
        ctx.transferTimeoutMs = 30000;

        // An old upload of this workstation, for the sweep to remove.
        const QString leftover =
            QStringLiteral("%1.invio-0-%2").arg(kArchive, QUuid::createUuid().toString(QUuid::WithoutBraces));
        server.putBytes(leftover, "vecchio");
        ageAtHeadOffice(leftover, 3600);

        RecordingProgress p;
        QElapsedTimer sinceStop;
        auto stop = [&] {
            if (p.stopped) return;
            p.stopped = true;
            sinceStop.start();
        };
        platform::Transfer::Reply otherLock;
        SeamReset reset;
        QTimer poll;
        if (c.held) {
            proxy.hold(c.held);
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (proxy.heldCount() > 0) stop();
            });
            poll.start(5);
        } else {
            // Waited for long past the stop.
            ctx.settings.lockTimeoutSeconds = 30;
            otherLock = transfer.custom(QUrl(server.baseUrl().toString() + kArchive), "LOCK",
                                        "<?xml version=\"1.0\"?><D:lockinfo "
                                        "xmlns:D=\"DAV:\"><D:lockscope><D:exclusive/></D:lockscope>"
                                        "<D:locktype><D:write/></D:locktype></D:lockinfo>",
                                        {{"Timeout", "Second-600"}});
            ASSERT_TRUE(otherLock.ok()) << otherLock.status;
            datalib::RemoteConnector::seamHook() = [&](const char* seam) {
                if (QByteArray(seam) == "uploaded") QTimer::singleShot(300, &poll, stop);
            };
        }
        boxes.clear();
        exchange::OrderSelection all;
        EXPECT_EQ(exchange::SendOrders(ctx, &transfer, p, false, all), c.sent);
        ASSERT_TRUE(p.stopped);
        // Served long before any time-out or the lock's end.
        EXPECT_LT(sinceStop.elapsed(), 3000);
        poll.stop();
        datalib::RemoteConnector::seamHook() = nullptr;
        EXPECT_EQ(boxes.lastText(), c.sent ? "INVIO COMPLETATO." : "INVIO INTERROTTO.");
        EXPECT_TRUE(p.unloaded);
        if (c.sent)
            EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
        else
            for (const QString& n : waiting)
                EXPECT_TRUE(UnsentOrders(*local->db).contains(n)) << n.toStdString();
        if (QByteArray(c.step) != "proof of the move" && !c.sent) {
            EXPECT_EQ(headBytes(), before);
        }

        // What was let go of goes; the held request reaches head office late.
        runEvents(300);
        if (!c.held)
            transfer.custom(QUrl(server.baseUrl().toString() + kArchive), "UNLOCK", {},
                            {{"Lock-Token", otherLock.header("Lock-Token")}});
        proxy.releaseHeld();
        RecordingProgress again;
        ASSERT_TRUE(exchange::SendOrders(context(), &transfer, again, false, all))
            << boxes.lastText().toStdString();
        EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
        expectAtHeadOfficeOnce(waiting);
    }
}
