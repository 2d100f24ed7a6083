// Sending through intermediaries that answer wrongly: a proxy that answers a
// move in head office's place, strips or spoils its conditions, or a cache
// that serves an old archive under the current tag. Nothing is marked sent
// unless head office holds the orders, nothing head office holds is
// overwritten, and the agent is told what is known, with the orders that
// stay to be sent.

#include "ExchangeTestSupport.h"

#include "datalib/DataSource.h"
#include "datalib/RemoteConnector.h"

#include <QDir>
#include <QFile>

using namespace exchangetest;

namespace {

struct SeamReset {
    ~SeamReset() { datalib::RemoteConnector::seamHook() = nullptr; }
};

headoffice::CuttingProxy::Answer answerOf(int status, const QByteArray& reason) {
    headoffice::CuttingProxy::Answer a;
    a.status = status;
    a.reason = reason;
    return a;
}

}  // namespace

class IntermediaryTest : public ProxiedHeadOfficeTest {
  protected:
    // A send that fails: its message (the first box), with nothing marked
    // here, head office's archive as it was and no upload left beside it.
    QString failedSend(const QStringList& waiting, const QByteArray& headBefore) {
        boxes.clear();
        RecordingProgress p;
        exchange::OrderSelection all;
        EXPECT_FALSE(exchange::SendOrders(context(), &transfer, p, false, all));
        EXPECT_TRUE(p.unloaded);
        for (const QString& n : waiting) EXPECT_TRUE(UnsentOrders(*local->db).contains(n)) << n.toStdString();
        EXPECT_EQ(headBytes(), headBefore);
        EXPECT_EQ(besideTheArchive(), QStringList());
        if (boxes.shown().empty()) return {};
        const QString told = boxes.shown().front().text;
        // The orders that stay are named.
        for (const QString& n : waiting) EXPECT_TRUE(told.contains("N. " + n)) << told.toStdString();
        return told;
    }
    // Then, with the intermediary gone, the next send sends each order once.
    void sendsOnceWithoutIt(const QStringList& waiting) {
        proxy.reset();
        url = server.baseUrl().toString();
        RecordingProgress p;
        exchange::OrderSelection all;
        ASSERT_TRUE(exchange::SendOrders(context(), &transfer, p, false, all))
            << boxes.lastText().toStdString();
        EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
        expectAtHeadOfficeOnce(waiting);
    }
};

// A move answered in head office's place (never passed on), or answered
// 207 (nothing was moved): the archive does not carry the upload, so
// nothing is marked; the outcome is told as not verified.
TEST_F(IntermediaryTest, AMoveAnsweredInHeadOfficesPlaceMarksNothing) {
    const struct {
        int status;
        const char* reason;
        const char* told;
    } cases[] = {
        {201, "Created", "Impossibile verificare"},
        {204, "No Content", "Impossibile verificare"},
        {207, "Multi-Status", "codice 207"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        startAfresh();
        const QStringList waiting = UnsentOrders(*local->db);
        newProxy();
        proxy->answerInstead("MOVE", answerOf(c.status, c.reason));
        const QString told = failedSend(waiting, headBytes());
        EXPECT_EQ(proxy->answered(), 1);
        EXPECT_TRUE(told.contains(c.told)) << told.toStdString();
        if (c.status != 207) {
            EXPECT_TRUE(told.contains("proxy")) << told.toStdString();
        }
        sendsOnceWithoutIt(waiting);
    }
}

// A proxy that strips the move's conditions (head office then refuses it
// with 423: the archive is locked), or a move refused with 412 every time:
// the agent hears the code and that an intermediary may be the cause, not
// that head office changed the archive, and the send is not tried again
// and again meanwhile.
TEST_F(IntermediaryTest, AMoveRefusedThoughTheArchiveIsUnchangedBlamesNoChangeAtHeadOffice) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        const char* code;
    };
    const Case cases[] = {
        {"the If header stripped", [&] { proxy->rewriteHeader("MOVE", "If", {}, -1); }, "codice 423"},
        {"412 every time", [&] { proxy->answerInstead("MOVE", answerOf(412, "Precondition Failed"), -1); },
         "codice 412"},
    };
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        newProxy();
        c.arrange();
        SeamReset reset;
        int uploads = 0;
        datalib::RemoteConnector::seamHook() = [&](const char* seam) {
            if (QByteArray(seam) == "uploading") ++uploads;
        };
        const QString told = failedSend(waiting, headBytes());
        EXPECT_EQ(uploads, 1);
        EXPECT_TRUE(told.contains(c.code)) << told.toStdString();
        EXPECT_TRUE(told.contains("intermediario")) << told.toStdString();
        EXPECT_FALSE(told.contains("modificato presso la sede")) << told.toStdString();
    }
    sendsOnceWithoutIt(waiting);
}

// The upload gone from head office before the move: the agent is told so,
// not that the archive is missing.
TEST_F(IntermediaryTest, AVanishedUploadIsToldAsSuch) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    SeamReset reset;
    datalib::RemoteConnector::seamHook() = [&](const char* seam) {
        if (QByteArray(seam) != "uploaded") return;
        for (const QString& f : besideTheArchive()) QFile::remove(server.filePath(f));
    };
    const QString told = failedSend(waiting, headBytes());
    EXPECT_TRUE(told.contains("non vi si trovava più")) << told.toStdString();
    EXPECT_FALSE(told.contains("non è presente presso la sede")) << told.toStdString();
    datalib::RemoteConnector::seamHook() = nullptr;
    sendsOnceWithoutIt(waiting);
}

// A cache serves the archive as it was before head office (or another
// workstation) changed it, under the current tag: the copy is asked for
// once more; a second old copy is refused, naming a proxy or cache, and
// nothing at head office is overwritten or received here.
TEST_F(IntermediaryTest, AnOldArchiveUnderTheCurrentTagIsNeverSentFrom) {
    const QByteArray old = headBytes();
    editHeadOffice([](datalib::Database& head) {
        head.OpenDataSource("Articoli")
            ->InsertFromPairs({"Codice", "SEDE0001", "Descrizione", "Nuovo della sede"});
    });
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);

    // Every copy old: refused for the send and for the receive alike.
    proxy->serveStale(old, -1);
    const QString told = failedSend(waiting, headBytes());
    EXPECT_TRUE(told.contains("proxy o una cache")) << told.toStdString();
    boxes.clear();
    RecordingProgress p;
    EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, p, true, false));
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_TRUE(boxes.shown().front().text.contains("proxy o una cache")) << boxes.lastText().toStdString();
    EXPECT_EQ(localCount("Articoli", "Codice='SEDE0001'"), 0);
    EXPECT_EQ(leftInWorkFolder(), QStringList());

    // Only the first copy old: the second is the one its tag names.
    proxy->serveStale(old, 1);
    boxes.clear();
    RecordingProgress again;
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, again, false, all))
        << boxes.lastText().toStdString();
    EXPECT_EQ(headCount("Articoli", "Codice='SEDE0001'"), 1);
    expectAtHeadOfficeOnce(waiting);
}
