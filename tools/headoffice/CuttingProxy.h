#pragma once
// A loopback TCP proxy in front of the head-office server that plays a bad
// network: it can cut a connection in the middle of a transfer (after a
// given number of bytes of a request body, for a PUT, or of an answer, for
// any other method), slow a request body down to a given rate, and hold
// whole requests back to deliver them later, after their sender gave up. It
// serves its sockets in the event loop of its thread, which the transfers
// being tested run.

#include <QByteArray>
#include <QList>
#include <QObject>
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

  private:
    struct Link;
    struct Rule {
        QByteArray method;
        int times = 0;
        bool take(const QByteArray& m);
    };
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
};

}  // namespace headoffice
