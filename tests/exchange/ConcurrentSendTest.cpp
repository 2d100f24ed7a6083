// Two workstations of one agent send over a bad network: an upload slower
// than the lock, requests held back by the network and delivered after
// their sender gave up, flags that cannot be written here. Every order of
// both is held once at head office, and what is marked sent here is there.

#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "datalib/DataSource.h"
#include "datalib/RemoteConnector.h"
#include "platform/Paths.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

using namespace exchangetest;

namespace {

struct SeamReset {
    ~SeamReset() { datalib::RemoteConnector::seamHook() = nullptr; }
};

}  // namespace

// The second workstation, run by the tests below in a process of its own:
// it sends every waiting order of its database to head office.
TEST(SecondWorkstation, Sends) {
    const QByteArray headUrl = qgetenv("ZELT_TEST_SECOND_URL");
    if (headUrl.isEmpty()) return;  // only as the child of the tests below
    app::registerAllTableClasses();
    startup::runContext().codeAgente = kAgent;
    QTemporaryDir data;
    platform::setDataDirOverride(data.path());
    OpenFile db(QString::fromLocal8Bit(qgetenv("ZELT_TEST_SECOND_DB")));
    exchange::ExchangeContext ctx;
    ctx.local = db.db;
    ctx.agent = kAgent;
    ctx.configuredUrl = QString::fromUtf8(headUrl);
    ctx.password = startup::DatabasePassword();
    ctx.settings.lockTimeoutSeconds = 2;
    ctx.settings.lockRetryMs = 100;
    ctx.settings.workstation = db.db->GetSysParam("CodicePostazione", "0").toInt();
    core::ScriptedBoxes boxes;
    platform::Transfer transfer;
    RecordingProgress progress;
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(ctx, &transfer, progress, false, all)) << boxes.lastText().toStdString();
    ASSERT_EQ(boxes.lastText(), "INVIO COMPLETATO.");
}

class ConcurrentSendTest : public ProxiedHeadOfficeTest {
  protected:
    void SetUp() override {
        ProxiedHeadOfficeTest::SetUp();
        secondFile = dir.filePath("ZeltOrder_DEMO_2");
        makeSecond();
    }

    // The second workstation: the same agent's database, with orders of its
    // own waiting (numbered apart, as its workstation code makes them).
    void makeSecond() {
        QFile::remove(secondFile);
        QFile::copy(DemoArchive(), secondFile);
        {
            OpenFile second(secondFile);
            secondOrders = UnsentOrders(*second.db);
        }
        const QString list = "'" + secondOrders.join("','") + "'";
        RawExec(secondFile,
                "UPDATE RigheOrdini SET NumeroOrdine = NumeroOrdine || '-2' WHERE NumeroOrdine IN (" + list +
                    "); UPDATE Ordini SET Numero = Numero || '-2' WHERE Numero IN (" + list + ");");
        for (QString& n : secondOrders) n += "-2";
    }

    // The second workstation sends, straight to head office, and ends.
    void secondSends() { SendingWorkstation(server.baseUrl().toString(), secondFile).finish(); }

    // Nothing waits at either workstation, and every order either marked
    // sent (the ones that waited, and the complement orders split off them)
    // is once at head office.
    void expectBothHeldOnce(const QStringList& first) {
        EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
        const QStringList mine = SentOrders(*local->db);
        for (const QString& n : first) EXPECT_TRUE(mine.contains(n)) << n.toStdString();
        expectAtHeadOfficeOnce(mine);
        OpenFile second(secondFile);
        EXPECT_TRUE(UnsentOrders(*second.db).isEmpty());
        const QStringList theirs = SentOrders(*second.db);
        for (const QString& n : secondOrders) EXPECT_TRUE(theirs.contains(n)) << n.toStdString();
        expectAtHeadOfficeOnce(theirs, second.db.get());
    }

    QString secondFile;
    QStringList secondOrders;
};

// The upload takes longer than the lock lasts, and the second workstation
// sends while it runs: the first one's archive never lands over the second
// one's, and it goes again from what head office then holds.
TEST_F(ConcurrentSendTest, AnUploadSlowerThanTheLockLosesNoOrderOfASecondWorkstation) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    ASSERT_EQ(waiting.size(), 4);
    // The server counts a lock's time in whole seconds: two are at least one.
    exchange::ExchangeContext ctx = context();
    ctx.settings.lockTimeoutSeconds = 2;
    // About three seconds for the whole archive, longer than the lock.
    const qint64 size = headBytes().size();
    proxy->throttle("PUT", size / 3);
    SeamReset reset;
    int uploads = 0;
    QElapsedTimer clock;
    datalib::RemoteConnector::seamHook() = [&](const char* seam) {
        if (QByteArray(seam) != "uploading" || ++uploads != 1) return;
        clock.start();
        // Past the lock's time-out, the upload half done.
        QTimer::singleShot(1500, [&] { secondSends(); });
    };
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(ctx, &transfer, progress, false, all)) << boxes.lastText().toStdString();
    EXPECT_GE(clock.elapsed(), 3000);
    EXPECT_EQ(boxes.lastText(), "INVIO COMPLETATO.");
    // It found the second workstation's send and went again.
    EXPECT_EQ(uploads, 2) << server.errorLog().toStdString();
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    expectBothHeldOnce(waiting);
    EXPECT_EQ(leftInWorkFolder(), QStringList());
}

// The network holds a request of the first workstation back until after it
// gave up and the second one sent: delivered then, it changes nothing; the
// first one's orders still wait here and go at the next send.
TEST_F(ConcurrentSendTest, ARequestDeliveredAfterItsSenderGaveUpChangesNothing) {
    for (const char* method : {"PUT", "MOVE"}) {
        SCOPED_TRACE(method);
        closeLocal();
        QFile::remove(localFile);
        server.putFile(kArchive, DemoArchive());
        makeSecond();
        openLocal(true);
        const QStringList waiting = UnsentOrders(*local->db);
        exchange::ExchangeContext ctx = context();
        ctx.transferTimeoutMs = 2500;
        proxy->hold(method);
        exchange::OrderSelection all;
        boxes.clear();
        EXPECT_FALSE(exchange::SendOrders(ctx, &transfer, progress, false, all));
        ASSERT_FALSE(boxes.shown().empty());
        EXPECT_TRUE(boxes.shown().front().text.contains("interrotto durante l'invio"))
            << boxes.shown().front().text.toStdString();
        // Still waiting here (with the complement orders split off them).
        for (const QString& n : waiting) EXPECT_TRUE(UnsentOrders(*local->db).contains(n)) << n.toStdString();
        ASSERT_EQ(proxy->heldCount(), 1);

        secondSends();
        const QByteArray afterSecond = headBytes();
        const QList<int> answers = proxy->releaseHeld();
        ASSERT_EQ(answers.size(), 1);
        // The late upload is only a file of its own; the late move is refused.
        if (QByteArray(method) == "PUT")
            EXPECT_EQ(answers.front(), 201);
        else
            EXPECT_GE(answers.front(), 400);
        EXPECT_EQ(headBytes(), afterSecond);

        RecordingProgress again;
        boxes.clear();
        ASSERT_TRUE(exchange::SendOrders(context(), &transfer, again, false, all))
            << boxes.lastText().toStdString();
        expectBothHeldOnce(waiting);
    }
}
