#include "tools/headoffice/CuttingProxy.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpSocket>

#include <sys/socket.h>

#include <algorithm>

#include <memory>
#include <stdexcept>

namespace headoffice {

namespace {

constexpr int kPaceMs = 20;
// What a slowed request may have waiting in the proxy before the sender is
// made to wait too.
constexpr qint64 kSlowBacklog = 64 * 1024;

// Gathers an HTTP header from what arrives: true once it is whole (in
// `head`, with what followed it left in `data`).
bool gatherHead(QByteArray& head, QByteArray& data) {
    head += data;
    data.clear();
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0) return false;
    data = head.mid(end + 4);
    head.truncate(end + 4);
    return true;
}

}  // namespace

struct CuttingProxy::Link {
    QTcpSocket* client = nullptr;
    QTcpSocket* server = nullptr;
    QByteArray pending;      // client bytes waiting for the server's connection
    QByteArray head;         // header of the request being read
    qint64 bodyLeft = 0;     // body bytes of the current request still to come
    QByteArray method;       // method of the current request
    bool cutThis = false;    // the current request is the one to cut
    qint64 counted = 0;      // bytes counted towards the cut
    bool slowThis = false;   // the current request's body is slowed down
    QByteArray slow;         // slowed body bytes not yet passed on
    bool holding = false;    // this connection's requests are held back
    QByteArray held;         // what was held back of them
    bool answering = false;  // the current request is answered by the proxy
    bool endless = false;    // an answer without end is being sent
    bool stale = false;      // the current answer's body is replaced
    QByteArray answerHead;   // the server's answer header being read, to replace its body
    qint64 swallow = 0;      // bytes of the server's body still to drop
    bool closed = false;
};

bool CuttingProxy::Rule::take(const QByteArray& m) {
    if (times == 0 || m != method) return false;
    if (times > 0) --times;
    return true;
}

CuttingProxy::CuttingProxy(quint16 targetPort, QObject* parent) : QObject(parent), target_(targetPort) {
    if (!server_.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("proxy cannot listen");
    // A line's own room: what the proxy has not taken yet waits in the
    // sender's queue, as on a slow line, not in a large buffer of the
    // proxy's side (the connections it accepts inherit the size).
    const int room = int(kSlowBacklog);
    ::setsockopt(int(server_.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
    QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
    pacer_.setInterval(kPaceMs);
    QObject::connect(&pacer_, &QTimer::timeout, this, [this] { pace(); });
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

void CuttingProxy::throttle(const QByteArray& method, qint64 bytesPerSecond, int times) {
    slow_ = {method.toUpper(), times};
    rate_ = bytesPerSecond;
}

void CuttingProxy::hold(const QByteArray& method, int times) { hold_ = {method.toUpper(), times}; }

void CuttingProxy::answerInstead(const QByteArray& method, const Answer& answer, int times) {
    answerRule_ = {method.toUpper(), times};
    answer_ = answer;
}

void CuttingProxy::rewriteHeader(const QByteArray& method, const QByteArray& name, const QByteArray& value,
                                 int times) {
    rewrite_ = {method.toUpper(), times};
    rewriteName_ = name;
    rewriteValue_ = value;
}

void CuttingProxy::serveStale(const QByteArray& body, int times) {
    stale_ = {QByteArrayLiteral("GET"), times};
    staleBody_ = body;
}

void CuttingProxy::accept() {
    while (QTcpSocket* c = server_.nextPendingConnection()) {
        auto* link = new Link;
        link->client = c;
        link->client->setParent(nullptr);
        // Bytes are taken from the sender only as fast as they go on.
        link->client->setReadBufferSize(kSlowBacklog);
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

void CuttingProxy::toServer(Link* link, const QByteArray& bytes) {
    if (bytes.isEmpty()) return;
    if (link->holding) {
        link->held += bytes;
        return;
    }
    if (link->server->state() == QAbstractSocket::ConnectedState)
        link->server->write(bytes);
    else
        link->pending += bytes;
}

// A request's header is read whole before anything of it goes on: what the
// rules do with the request is decided on it.
QByteArray CuttingProxy::headComplete(Link* link, QByteArray& forward) {
    QByteArray head = link->head;
    link->head.clear();
    link->method = head.left(head.indexOf(' ')).toUpper();
    if (rewrite_.take(link->method)) {
        QList<QByteArray> lines = head.left(head.size() - 4).split('\n');
        const QByteArray name = rewriteName_.toLower() + ':';
        lines.erase(
            std::remove_if(lines.begin() + 1, lines.end(),
                           [&](const QByteArray& l) { return l.trimmed().toLower().startsWith(name); }),
            lines.end());
        if (!rewriteValue_.isEmpty()) lines.insert(1, rewriteName_ + ": " + rewriteValue_ + '\r');
        head = lines.join('\n') + "\r\n\r\n";
    }
    link->bodyLeft = 0;
    for (const QByteArray& line : head.split('\n')) {
        const QByteArray l = line.trimmed();
        if (l.toLower().startsWith("content-length:")) link->bodyLeft = l.mid(15).trimmed().toLongLong();
    }
    link->cutThis = armed_ && link->method == cutMethod_;
    if (link->cutThis && times_ > 0 && --times_ == 0) armed_ = false;
    link->counted = 0;
    link->answering = !link->holding && answerRule_.take(link->method);
    link->stale = !link->answering && stale_.take(link->method);
    link->slowThis = !link->answering && link->bodyLeft > 0 && slow_.take(link->method);
    if (link->answering) {
        if (link->bodyLeft == 0) answer(link);
        return {};
    }
    if (!link->holding && link->slow.isEmpty() && hold_.take(link->method)) {
        // What came before this request goes on; the request and all after
        // it on this connection wait.
        toServer(link, forward);
        forward.clear();
        link->holding = true;
    }
    return head;
}

void CuttingProxy::fromClient(Link* link) {
    if (link->closed) return;
    // A slowed body waits for the pace before more is read.
    if (link->slow.size() >= kSlowBacklog) return;
    QByteArray data = link->client->readAll();
    QByteArray forward;
    // Bytes go on at once, or behind a slowed body, in the order they came.
    auto pass = [&](const QByteArray& bytes, bool slowed) {
        if (slowed || !link->slow.isEmpty()) {
            toServer(link, forward);
            forward.clear();
            link->slow += bytes;
            if (!pacer_.isActive()) pacer_.start();
        } else {
            forward += bytes;
        }
    };
    while (!data.isEmpty()) {
        if (link->bodyLeft == 0) {
            // Reading a request's header.
            if (!gatherHead(link->head, data)) break;
            pass(headComplete(link, forward), false);
            continue;
        }
        const qint64 n = qMin<qint64>(link->bodyLeft, data.size());
        const QByteArray part = data.left(n);
        data.remove(0, n);
        link->bodyLeft -= n;
        if (link->answering) {
            if (link->bodyLeft == 0) answer(link);
            continue;
        }
        if (link->cutThis && link->method == "PUT") {
            const qint64 room = cutBytes_ - link->counted;
            if (part.size() >= room) {
                forward += part.left(room);
                toServer(link, forward);
                link->server->flush();
                ++cuts_;
                close(link);
                return;
            }
            link->counted += part.size();
        }
        pass(part, link->slowThis);
    }
    toServer(link, forward);
}

void CuttingProxy::answer(Link* link) {
    ++answered_;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(answer_.status) + ' ' + answer_.reason + "\r\n";
    bool length = false, chunked = false;
    for (const auto& [k, v] : answer_.headers) {
        out += k + ": " + v + "\r\n";
        length = length || k.compare("Content-Length", Qt::CaseInsensitive) == 0;
        chunked = chunked || (k.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0 && v == "chunked");
    }
    if (!length && !chunked && !answer_.endless)
        out += "Content-Length: " + QByteArray::number(answer_.body.size()) + "\r\n";
    out += "\r\n" + answer_.body;
    link->client->write(out);
    link->answering = false;
    if (answer_.endless) {
        link->endless = true;
        QObject::connect(link->client, &QTcpSocket::bytesWritten, this, [this, link] { feedEndless(link); });
        feedEndless(link);
    }
}

// An answer without end is fed as fast as the receiver takes it.
void CuttingProxy::feedEndless(Link* link) {
    if (link->closed || !link->endless) return;
    static const QByteArray filler(64 * 1024, 'x');
    bool chunked = false;
    for (const auto& [k, v] : answer_.headers)
        chunked = chunked || (k.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0 && v == "chunked");
    static const QByteArray chunk = QByteArray::number(filler.size(), 16) + "\r\n" + filler + "\r\n";
    while (link->client->bytesToWrite() < 4 * filler.size()) {
        link->client->write(chunked ? chunk : filler);
        endlessBytes_ += filler.size();
    }
}

void CuttingProxy::pace() {
    const qint64 step = qMax<qint64>(1, rate_ * kPaceMs / 1000);
    bool busy = false;
    for (Link* link : std::as_const(links_)) {
        if (link->closed || link->slow.isEmpty()) continue;
        const QByteArray part = link->slow.left(step);
        link->slow.remove(0, part.size());
        toServer(link, part);
        if (link->client->bytesAvailable() > 0) fromClient(link);
        busy = busy || !link->slow.isEmpty();
    }
    if (!busy) pacer_.stop();
}

// The server's answer keeps its header, but for its length, and comes with
// the stale body in place of its own.
void CuttingProxy::staleAnswer(Link* link, QByteArray& data) {
    if (link->swallow == 0) {
        if (!gatherHead(link->answerHead, data)) return;
        QList<QByteArray> lines = link->answerHead.left(link->answerHead.size() - 4).split('\n');
        link->answerHead.clear();
        qint64 length = 0;
        QByteArray out;
        for (const QByteArray& line : lines) {
            if (line.trimmed().toLower().startsWith("content-length:")) {
                length = line.trimmed().mid(15).trimmed().toLongLong();
                continue;
            }
            out += line + '\n';
        }
        out.chop(1);
        out += "\r\nContent-Length: " + QByteArray::number(staleBody_.size()) + "\r\n\r\n" + staleBody_;
        link->client->write(out);
        link->swallow = length;
        if (link->swallow == 0) link->stale = false;
    }
    const qint64 n = qMin<qint64>(link->swallow, data.size());
    data.remove(0, n);
    link->swallow -= n;
    if (link->swallow == 0) link->stale = false;
}

void CuttingProxy::fromServer(Link* link) {
    if (link->closed) return;
    QByteArray data = link->server->readAll();
    if (link->stale) {
        staleAnswer(link, data);
        if (data.isEmpty()) return;
    }
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
    // What is held back outlives its sender.
    if (link->holding && !link->held.isEmpty()) held_ << link->held;
    link->held.clear();
    // Whatever the server already answered still reaches the client.
    if (link->server->bytesAvailable() && !link->cutThis) link->client->write(link->server->readAll());
    link->client->flush();
    link->client->disconnectFromHost();
    link->server->abort();
}

int CuttingProxy::heldCount() const {
    int n = int(held_.size());
    for (const Link* link : links_)
        if (link->holding && !link->held.isEmpty()) ++n;
    return n;
}

QList<int> CuttingProxy::releaseHeld(int waitMs) {
    // Requests still held on a living connection are taken too.
    for (Link* link : std::as_const(links_))
        if (link->holding && !link->held.isEmpty()) {
            held_ << link->held;
            link->held.clear();
        }
    QList<int> answers;
    const QDeadlineTimer deadline(waitMs);
    for (const QByteArray& request : std::as_const(held_)) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, target_);
        QByteArray answer;
        QEventLoop loop;
        QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(request); });
        QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
            answer += socket.readAll();
            if (answer.contains("\r\n")) loop.quit();
        });
        QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        limit.start(int(qMax<qint64>(1, deadline.remainingTime())));
        loop.exec();
        // "HTTP/1.1 412 Precondition Failed"
        const QList<QByteArray> status = answer.left(answer.indexOf("\r\n")).split(' ');
        answers << (status.size() > 1 ? status.at(1).toInt() : 0);
        socket.abort();
    }
    held_.clear();
    return answers;
}

}  // namespace headoffice
