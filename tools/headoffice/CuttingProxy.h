#pragma once
// A loopback TCP proxy in front of the head-office server that can cut a
// connection in the middle of a transfer: after a given number of bytes of a
// request body (a PUT) or of an answer (to a GET). It serves its sockets in
// the event loop of its thread, which the transfers being tested run.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
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

  private:
    struct Link;
    void accept();
    void fromClient(Link* link);
    void fromServer(Link* link);
    void close(Link* link);

    QTcpServer server_;
    quint16 target_;
    QList<Link*> links_;
    bool armed_ = false;
    QByteArray cutMethod_;
    qint64 cutBytes_ = 0;
    int cuts_ = 0;
    int times_ = 0;
};

}  // namespace headoffice
