#include "tools/headoffice/CuttingProxy.h"

#include <QTcpSocket>

#include <stdexcept>

namespace headoffice {

struct CuttingProxy::Link {
    QTcpSocket* client = nullptr;
    QTcpSocket* server = nullptr;
    QByteArray pending;    // client bytes waiting for the server's connection
    QByteArray head;       // header of the request being read
    qint64 bodyLeft = 0;   // body bytes of the current request still to come
    QByteArray method;     // method of the current request
    bool cutThis = false;  // the current request is the one to cut
    qint64 counted = 0;    // bytes counted towards the cut
    bool closed = false;
};

CuttingProxy::CuttingProxy(quint16 targetPort, QObject* parent) : QObject(parent), target_(targetPort) {
    if (!server_.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("proxy cannot listen");
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
}

CuttingProxy::~CuttingProxy() {
    for (Link* l : links_) {
        l->client->abort();
        l->server->abort();
        delete l->client;
        delete l->server;
        delete l;
    }
}

QUrl CuttingProxy::route(QUrl url) const {
    url.setPort(port());
    return url;
}

void CuttingProxy::armCut(const QByteArray& method, qint64 bytes, int times) {
    armed_ = times != 0;
    times_ = times;
    cutMethod_ = method.toUpper();
    cutBytes_ = bytes;
}

void CuttingProxy::accept() {
    while (QTcpSocket* c = server_.nextPendingConnection()) {
        auto* link = new Link;
        link->client = c;
        link->client->setParent(nullptr);
        link->server = new QTcpSocket;
        links_ << link;
        QObject::connect(c, &QTcpSocket::readyRead, this, [this, link] { fromClient(link); });
        QObject::connect(c, &QTcpSocket::disconnected, this, [this, link] { close(link); });
        QObject::connect(link->server, &QTcpSocket::connected, this, [link] {
            link->server->write(link->pending);
            link->pending.clear();
        });
        QObject::connect(link->server, &QTcpSocket::readyRead, this, [this, link] { fromServer(link); });
        QObject::connect(link->server, &QTcpSocket::disconnected, this, [this, link] { close(link); });
        link->server->connectToHost(QHostAddress::LocalHost, target_);
    }
}

void CuttingProxy::fromClient(Link* link) {
    if (link->closed) return;
    QByteArray data = link->client->readAll();
    QByteArray forward;
    while (!data.isEmpty()) {
        if (link->bodyLeft == 0) {
            // Reading a request's header.
            link->head += data.at(0);
            forward += data.at(0);
            data.remove(0, 1);
            if (link->head.endsWith("\r\n\r\n")) {
                link->method = link->head.left(link->head.indexOf(' ')).toUpper();
                link->bodyLeft = 0;
                for (const QByteArray& line : link->head.split('\n')) {
                    const QByteArray l = line.trimmed();
                    if (l.toLower().startsWith("content-length:"))
                        link->bodyLeft = l.mid(15).trimmed().toLongLong();
                }
                link->cutThis = armed_ && link->method == cutMethod_;
                if (link->cutThis && times_ > 0 && --times_ == 0) armed_ = false;
                link->counted = 0;
                link->head.clear();
            }
            continue;
        }
        const qint64 n = qMin<qint64>(link->bodyLeft, data.size());
        QByteArray part = data.left(n);
        data.remove(0, n);
        link->bodyLeft -= n;
        if (link->cutThis && link->method == "PUT") {
            const qint64 room = cutBytes_ - link->counted;
            if (part.size() >= room) {
                forward += part.left(room);
                if (link->server->state() == QAbstractSocket::ConnectedState)
                    link->server->write(forward);
                else
                    link->pending += forward;
                link->server->flush();
                ++cuts_;
                close(link);
                return;
            }
            link->counted += part.size();
        }
        forward += part;
    }
    if (link->server->state() == QAbstractSocket::ConnectedState)
        link->server->write(forward);
    else
        link->pending += forward;
}

void CuttingProxy::fromServer(Link* link) {
    if (link->closed) return;
    QByteArray data = link->server->readAll();
    if (link->cutThis && link->method != "PUT") {
        const qint64 room = cutBytes_ - link->counted;
        if (data.size() >= room) {
            link->client->write(data.left(room));
            link->client->flush();
            ++cuts_;
            close(link);
            return;
        }
        link->counted += data.size();
    }
    link->client->write(data);
}

void CuttingProxy::close(Link* link) {
    if (link->closed) return;
    link->closed = true;
    // Whatever the server already answered still reaches the client.
    if (link->server->bytesAvailable() && !link->cutThis) link->client->write(link->server->readAll());
    link->client->flush();
    link->client->disconnectFromHost();
    link->server->abort();
}

}  // namespace headoffice
