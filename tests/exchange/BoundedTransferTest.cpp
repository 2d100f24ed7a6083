// What arrives from head office, or from whatever answers in its place, is
// bounded: an announced length that may not arrive is refused before
// anything is written, a body without end is cut at the limit, and of an
// answer that the program does not read only a few KB are kept. An upload
// whose last bytes are still on their way over a slow line is not given up
// while they move.

#include "ExchangeTestSupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

using namespace exchangetest;

namespace {

// A body without end: chunks for ever, or a length far beyond any disk.
headoffice::CuttingProxy::Answer endless(bool chunked) {
    headoffice::CuttingProxy::Answer a;
    a.headers = {{"ETag", "\"M5FgNVvshFcLyYQGKGb9PTTxlCQ=\""},
                 {"Lock-Token", "<opaquelocktoken:00000000-0000-0000-0000-000000000000>"}};
    if (chunked)
        a.headers.append(qMakePair(QByteArray("Transfer-Encoding"), QByteArray("chunked")));
    else
        a.headers.append(qMakePair(QByteArray("Content-Length"), QByteArray("1125899906842624")));  // 1 PB
    a.endless = true;
    return a;
}

// The most this process has held in memory so far (VmHWM), in KB.
qint64 peakMemoryKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLongLong();
    return 0;
}

}  // namespace

class BoundedTransferTest : public ProxiedHeadOfficeTest {
  protected:
    QUrl archiveUrl() const { return QUrl(url + kArchive); }
};

TEST_F(BoundedTransferTest, ADownloadWritesNoMoreThanMayArrive) {
    const QString file = dir.filePath("scaricato");
    transfer.setBodyLimit(qint64(16) << 20);

    // 1 PB announced: refused before a byte is written.
    proxy->answerInstead("GET", endless(false));
    platform::Transfer::Reply r = transfer.get(archiveUrl(), file);
    EXPECT_TRUE(r.tooLarge);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.received, 0);
    EXPECT_EQ(QFileInfo(file).size(), 0);

    // A chunked body without end: cut at the limit.
    proxy->answerInstead("GET", endless(true));
    r = transfer.get(archiveUrl(), file);
    EXPECT_TRUE(r.tooLarge);
    EXPECT_LE(r.received, transfer.bodyLimit());
    EXPECT_LE(QFileInfo(file).size(), transfer.bodyLimit());
    EXPECT_LT(proxy->endlessBytes(), 4 * transfer.bodyLimit());

    // The receive and the send are told, and nothing is left behind.
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    const QStringList before = dump(*local->db, "Articoli", "Codice");
    for (const bool chunked : {false, true}) {
        SCOPED_TRACE(chunked ? "chunked" : "1 PB");
        proxy->answerInstead("GET", endless(chunked));
        boxes.clear();
        RecordingProgress p;
        EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, p, true, false));
        ASSERT_FALSE(boxes.shown().empty());
        EXPECT_TRUE(boxes.shown().front().text.contains("più dati")) << boxes.lastText().toStdString();
        EXPECT_EQ(dump(*local->db, "Articoli", "Codice"), before);
        EXPECT_EQ(leftInWorkFolder(), QStringList());
    }
    proxy->answerInstead("GET", endless(true));
    boxes.clear();
    exchange::OrderSelection all;
    EXPECT_FALSE(exchange::SendOrders(context(), &transfer, progress, false, all));
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_TRUE(boxes.shown().front().text.contains("più dati")) << boxes.lastText().toStdString();
    EXPECT_EQ(UnsentOrders(*local->db), waiting);
}

// Answers the program does not read (a HEAD's carries no body): a few KB are
// kept, and a body without end is given up soon.
TEST_F(BoundedTransferTest, AnAnswerThatIsNotReadKeepsAFewKilobytes) {
    const QString file = dir.filePath("da-inviare");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(100000, 'z'));
    f.close();
    const qint64 peak = peakMemoryKb();
    for (const char* method : {"PUT", "LOCK", "MOVE", "UNLOCK", "DELETE"}) {
        SCOPED_TRACE(method);
        const qint64 sent = proxy->endlessBytes();
        proxy->answerInstead(method, endless(true));
        const platform::Transfer::Reply r = QByteArray(method) == "PUT"
                                                ? transfer.put(archiveUrl(), file)
                                                : transfer.custom(archiveUrl(), method);
        EXPECT_TRUE(r.tooLarge);
        EXPECT_LE(r.body.size(), platform::Transfer::kKeptAnswerBytes);
        EXPECT_LT(proxy->endlessBytes() - sent, qint64(16) << 20);
    }
    // Nothing of it piled up in the network layer either.
    EXPECT_LT(peakMemoryKb() - peak, 64 * 1024);
    // The send that meets one is told, marks nothing and leaves head office as it was.
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    const QByteArray before = headBytes();
    proxy->answerInstead("LOCK", endless(true));
    boxes.clear();
    exchange::OrderSelection all;
    EXPECT_FALSE(exchange::SendOrders(context(), &transfer, progress, false, all));
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_TRUE(boxes.shown().front().text.contains("più dati")) << boxes.lastText().toStdString();
    for (const QString& n : waiting) EXPECT_TRUE(UnsentOrders(*local->db).contains(n)) << n.toStdString();
    EXPECT_EQ(headBytes(), before);
    EXPECT_EQ(besideTheArchive(), QStringList());
}

// Over a slow line the whole body is in the kernel's buffers long before it
// reaches head office: nothing more is reported meanwhile, but the upload
// still moves and is not given up after the idle time-out; one that stops
// moving is.
TEST_F(BoundedTransferTest, AnUploadStillMovingPastTheIdleTimeOutIsNotGivenUp) {
    const QByteArray body = headBytes();
    const QString file = dir.filePath("lento");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(body);
    f.close();
    transfer.setTimeout(1000);
    // About five seconds for the body, five idle time-outs.
    proxy->throttle("PUT", body.size() / 5);
    QElapsedTimer clock;
    clock.start();
    const platform::Transfer::Reply r = transfer.put(QUrl(url + "lento"), file);
    EXPECT_TRUE(r.ok()) << r.status << " timed out: " << r.timedOut << " after " << clock.elapsed() << " ms";
    EXPECT_GE(clock.elapsed(), 3000);
    EXPECT_TRUE(server.fileBytes("lento") == body);

    proxy->hold("PUT");
    clock.start();
    const platform::Transfer::Reply held = transfer.put(QUrl(url + "fermo"), file);
    EXPECT_TRUE(held.timedOut);
    EXPECT_LT(clock.elapsed(), 10000);
}
