#pragma once
// A loopback TCP proxy in front of the head-office server that plays a bad
// network and the intermediaries of one: it can cut a connection in the
// middle of a transfer (after a given number of bytes of a request body, for
// a PUT, or of an answer, for any other method), slow a request body down to
// a given rate, hold whole requests back to deliver them later, after their
// sender gave up, answer requests in the server's place (with a body
// without end, too), rewrite a request's header, and serve an old body
// under the server's current headers, as a stale cache does. It serves its
// sockets in the event loop of its thread, which the transfers being tested
// run.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>

namespace headoffice {

class CuttingProxy : public QObject {
  public:
    explicit CuttingProxy(quint16 targetPort, QObject* parent = nullptr);
    ~CuttingProxy() override;

    quint16 port() const { return server_.serverPort(); }
    // The target's address as seen through the proxy (user info kept).
    QUrl route(QUrl url) const;

    // The next `times` requests of this method (every one: -1) are cut
    // after `bytes` bytes: of the body for a PUT, of the answer for any other
    // method.
    void armCut(const QByteArray& method, qint64 bytes, int times = 1);
    void disarm() { armed_ = false; }
    bool armed() const { return armed_; }
    int cuts() const { return cuts_; }

    // The bodies of the next `times` requests of this method (every one: -1)
    // reach the server at `bytesPerSecond`; the sender is slowed down with
    // them, as on a slow line.
    void throttle(const QByteArray& method, qint64 bytesPerSecond, int times = 1);
    // The next `times` requests of this method are held back whole: the
    // server sees nothing of them until releaseHeld(), even when their
    // sender has given up meanwhile.
    void hold(const QByteArray& method, int times = 1);
    int heldCount() const;
    // Delivers the held requests, each on a new connection, and waits (with
    // the event loop running) for the server's answers, whose status codes
    // it gives back in order.
    QList<int> releaseHeld(int waitMs = 10000);

    // An answer the proxy gives itself.
    struct Answer {
        int status = 200;
        QByteArray reason = "OK";
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        // Bytes without end follow the headers: chunks of a chunked body, or
        // the body of the Content-Length given in `headers`.
        bool endless = false;
    };
    // The next `times` requests of this method (every one: -1) are answered
    // with `answer`; the server sees nothing of them.
    void answerInstead(const QByteArray& method, const Answer& answer, int times = 1);
    int answered() const { return answered_; }
    // The next `times` requests of this method lose the header `name` (an
    // empty `value`) or carry `value` in it.
    void rewriteHeader(const QByteArray& method, const QByteArray& name, const QByteArray& value,
                       int times = 1);
    // The answers to the next `times` GET requests carry `body` in place of
    // the server's, under the server's own headers (ETag among them).
    void serveStale(const QByteArray& body, int times = 1);
    // How many bytes of answers without end have been sent.
    qint64 endlessBytes() const { return endlessBytes_; }

  private:
    struct Link;
    struct Rule {
        QByteArray method;
        int times = 0;
        bool take(const QByteArray& m);
    };
    QByteArray headComplete(Link* link, QByteArray& forward);
    void answer(Link* link);
    void feedEndless(Link* link);
    void staleAnswer(Link* link, QByteArray& data);
    void accept();
    void fromClient(Link* link);
    void fromServer(Link* link);
    void toServer(Link* link, const QByteArray& bytes);
    void pace();
    void close(Link* link);

    QTcpServer server_;
    quint16 target_;
    QList<Link*> links_;
    bool armed_ = false;
    QByteArray cutMethod_;
    qint64 cutBytes_ = 0;
    int cuts_ = 0;
    int times_ = 0;
    Rule slow_;
    qint64 rate_ = 0;
    QTimer pacer_;
    Rule hold_;
    QList<QByteArray> held_;
    Rule answerRule_;
    Answer answer_;
    int answered_ = 0;
    Rule rewrite_;
    QByteArray rewriteName_, rewriteValue_;
    Rule stale_;
    QByteArray staleBody_;
    qint64 endlessBytes_ = 0;
};

}  // namespace headoffice
