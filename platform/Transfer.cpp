#include "platform/Transfer.h"

#include "platform/PrivateFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>
#include <QStorageInfo>
#include <QTimer>

#include <unistd.h>
#include <memory>
#include <vector>

namespace platform {

namespace {

// What of a body on its way to a file is held at once.
constexpr qint64 kFileBufferBytes = 1 << 20;
// An answer kept in memory is given up once this much more than is kept
// arrived: no answer the program reads is near it.
constexpr qint64 kDroppedAnswerBytes = 1 << 20;

// The bytes that this process's TCP connections to `port` still hold in
// their send queues (handed to the kernel, not yet acknowledged by the
// peer), from the kernel's socket tables; -1 when they cannot be read.
qint64 unsentBytesTo(int port) {
    QSet<quint64> ours;
    QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[64];
        const QByteArray path = QFile::encodeName(fds.filePath(fd));
        const ssize_t n = ::readlink(path.constData(), target, sizeof target - 1);
        if (n <= 0) continue;
        const QByteArray link(target, int(n));
        if (link.startsWith("socket:[") && link.endsWith(']'))
            ours.insert(link.mid(8, link.size() - 9).toULongLong());
    }
    if (ours.isEmpty()) return -1;
    qint64 unsent = 0;
    bool read = false;
    for (const char* table : {"/proc/self/net/tcp", "/proc/self/net/tcp6"}) {
        QFile f{QString::fromLatin1(table)};
        if (!f.open(QIODevice::ReadOnly)) continue;
        read = true;
        const QList<QByteArray> lines = f.readAll().split('\n');
        // "sl local_address rem_address st tx_queue:rx_queue tr:when retrnsmt uid timeout inode"
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> cols = lines[i].simplified().split(' ');
            if (cols.size() < 10 || cols[3] == "0A") continue;  // 0A: listening
            bool okPort = false, okInode = false;
            const int remotePort = cols[2].mid(cols[2].lastIndexOf(':') + 1).toInt(&okPort, 16);
            const quint64 inode = cols[9].toULongLong(&okInode);
            if (!okPort || !okInode || remotePort != port || !ours.contains(inode)) continue;
            unsent += cols[4].left(cols[4].indexOf(':')).toLongLong(nullptr, 16);
        }
    }
    return read ? unsent : -1;
}

qint64 freeSpaceFor(const QString& file) {
    const QStorageInfo storage(QFileInfo(file).absolutePath());
    return storage.isValid() ? storage.bytesAvailable() : -1;
}

}  // namespace

QByteArray Transfer::Reply::header(const QByteArray& name) const {
    for (const auto& [k, v] : headers)
        if (k.compare(name, Qt::CaseInsensitive) == 0) return v;
    return {};
}

Transfer::Transfer(QObject* parent) : QObject(parent), nam_(new QNetworkAccessManager(this)) {
    nam_->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
}

Transfer::~Transfer() {
    if (current_) current_->abort();
}

QString Transfer::displayUrl(const QUrl& url) { return url.adjusted(QUrl::RemoveUserInfo).toString(); }

QString Transfer::originOf(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return {};
    const QString scheme = url.scheme().toLower();
    const int port = url.port(scheme == QLatin1String("https") ? 443 : 80);
    return scheme + QStringLiteral("://") + url.host().toLower() + QLatin1Char(':') + QString::number(port);
}

QNetworkRequest Transfer::request(const QUrl& url, const Headers& headers) const {
    const QUrl target = url.adjusted(QUrl::RemoveUserInfo);
    QNetworkRequest req(target);
    if (!login_.user.isEmpty() && !login_.origin.isEmpty() && originOf(target) == login_.origin) {
        const QByteArray pair = login_.user.toUtf8() + ':' + login_.password.toUtf8();
        req.setRawHeader("Authorization", "Basic " + pair.toBase64());
    }
    req.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    req.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    req.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // Head office's ETag is that of the stored bytes: ask for them as they are.
    req.setRawHeader("Accept-Encoding", "identity");
    for (const auto& [k, v] : headers)
        if (k.compare("Authorization", Qt::CaseInsensitive) != 0) req.setRawHeader(k, v);
    return req;
}

Transfer::Reply Transfer::run(QNetworkReply* reply, const Progress& progress, QFile* sink, bool upload,
                              qint64 keep) {
    Reply out;
    current_ = reply;
    stopRequested_ = false;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(timeoutMs_);
    bool sinkFailed = false;
    // What may arrive: into a file, the body limit and the disk's free
    // space; into memory, what is kept and a margin of dropped bytes.
    qint64 limit = keep + kDroppedAnswerBytes;
    if (sink) {
        limit = bodyLimit_;
        const qint64 room = freeSpaceFor(sink->fileName());
        if (room >= 0 && room < limit) limit = room;
    }
    out.limit = limit;
    QCryptographicHash hash(QCryptographicHash::Sha1);

    auto abortWith = [&](bool stopped, bool timedOut) {
        out.stopped = out.stopped || stopped;
        out.timedOut = out.timedOut || timedOut;
        if (reply->isRunning()) reply->abort();
    };
    auto refuse = [&] {
        out.tooLarge = true;
        abortWith(false, false);
    };
    // The caller hears of the progress from a timer of this loop, never from
    // inside the network layer's signals: a caller that lets events run
    // there would re-enter the transfer.
    qint64 done = 0, total = -1;
    bool moved = false;
    // Once an upload has handed its whole body to the kernel the network
    // layer reports nothing more until the answer: the body still moves
    // while the send queue of the connection changes, and the time-out runs
    // from its last change.
    const int port = reply->url().port(reply->url().scheme() == QLatin1String("https") ? 443 : 80);
    QTimer watch;
    watch.setInterval(100);
    qint64 queued = -1;
    QElapsedTimer queueMoved;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        const qint64 now = unsentBytesTo(port);
        if (now == queued) return;
        queued = now;
        queueMoved.start();
    });
    auto report = [&](qint64 d, qint64 t) {
        idle.start(timeoutMs_);
        done = d;
        total = t;
        moved = true;
        if (upload && t > 0 && d == t && !watch.isActive()) {
            queued = unsentBytesTo(port);
            queueMoved.start();
            watch.start();
        }
    };
    QTimer tick;
    tick.setInterval(50);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (!progress || !reply->isRunning()) return;
        const bool goOn = progress(done, moved ? total : -1);
        moved = false;
        if (!goOn) abortWith(true, false);
    });
    if (progress) tick.start();
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] {
        if (watch.isActive() && queued >= 0 && queueMoved.elapsed() < timeoutMs_) {
            idle.start(int(timeoutMs_ - queueMoved.elapsed()));
            return;
        }
        abortWith(false, true);
    });
    // A body for a file passes through one buffer of ours, read and written
    // as it comes: the network layer keeps no more of it than that buffer
    // holds, so that neither side makes tens of megabytes of new memory for
    // what is only on its way to the disk. An answer for memory is read as
    // it comes too, and only its first `keep` bytes are kept.
    std::vector<char> buffer(sink ? kFileBufferBytes : 0);
    const qint64 readBuffer = sink ? kFileBufferBytes : qMax<qint64>(keep, 64 * 1024);
    reply->setReadBufferSize(readBuffer);
    // A request with a body starts from the event loop, and the network
    // layer's own reading only learns the buffer's size from a change made
    // once it has started: without it, an answer without end is read into
    // memory as fast as it comes.
    QMetaObject::invokeMethod(
        reply, [reply, readBuffer] { reply->setReadBufferSize(readBuffer); }, Qt::QueuedConnection);
    auto drain = [&] {
        if (sink) {
            while (!sinkFailed && !out.tooLarge) {
                const qint64 n = reply->read(buffer.data(), qint64(buffer.size()));
                if (n <= 0) break;
                if (out.received + n > limit) return refuse();
                out.received += n;
                hash.addData(QByteArrayView(buffer.data(), n));
                if (sink->write(buffer.data(), n) != n) {
                    sinkFailed = true;
                    abortWith(false, false);
                }
            }
            return;
        }
        while (!out.tooLarge) {
            const QByteArray chunk = reply->read(64 * 1024);
            if (chunk.isEmpty()) break;
            out.received += chunk.size();
            if (out.body.size() < keep) out.body += chunk.left(keep - out.body.size());
            if (out.received > limit) refuse();
        }
    };
    // An announced length that may not arrive is refused before anything
    // of it is written.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant len = reply->header(QNetworkRequest::ContentLengthHeader);
        if (sink && len.isValid() && len.toLongLong() > limit) refuse();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        idle.start(timeoutMs_);
        drain();
    });
    if (upload)
        QObject::connect(reply, &QNetworkReply::uploadProgress, &loop, report);
    else
        QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, report);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    idle.start(timeoutMs_);
    if (!reply->isFinished()) loop.exec(QEventLoop::AllEvents);
    tick.stop();
    watch.stop();
    if (stopRequested_) out.stopped = true;

    if (!out.tooLarge && reply->isOpen()) drain();
    out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    out.headers = reply->rawHeaderPairs();
    const QVariant len = reply->header(QNetworkRequest::ContentLengthHeader);
    out.expected = len.isValid() ? len.toLongLong() : -1;
    out.networkError = int(reply->error());
    // An HTTP error status is told by the status itself.
    if (out.status >= 400 && !out.stopped && !out.timedOut && !out.tooLarge) out.networkError = 0;
    if (out.networkError) out.errorText = reply->errorString().replace(reply->url().toString(), QString());
    if (sinkFailed) {
        out.networkError = int(QNetworkReply::UnknownContentError);
        out.errorText = sink ? sink->errorString() : QString();
    }
    if (sink) out.sha1 = hash.result();
    current_ = nullptr;
    reply->deleteLater();
    return out;
}

Transfer::Reply Transfer::get(const QUrl& url, const QString& file, const Progress& progress,
                              const Headers& headers) {
    // What arrives is a copy of the agent's data: the user's alone.
    createPrivateFile(file);
    makePrivate(file);
    QFile sink(file);
    // Written from the transfer's own buffer, without QFile's in between.
    if (!sink.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        Reply r;
        r.networkError = int(QNetworkReply::UnknownContentError);
        r.errorText = sink.errorString();
        return r;
    }
    Reply r = run(nam_->get(request(url, headers)), progress, &sink, false, 0);
    if (!sink.flush()) {
        r.networkError = int(QNetworkReply::UnknownContentError);
        r.errorText = sink.errorString();
    }
    sink.close();
    return r;
}

Transfer::Reply Transfer::head(const QUrl& url, const Headers& headers, const Progress& progress) {
    return run(nam_->head(request(url, headers)), progress, nullptr, false, kKeptAnswerBytes);
}

Transfer::Reply Transfer::put(const QUrl& url, const QString& file, const Headers& headers,
                              const Progress& progress) {
    // The body is read by the network layer for as long as its request
    // lives, which an abort (a stop, a time-out) does not end at once: the
    // file goes with the request, not before it.
    auto source = std::make_unique<QFile>(file);
    if (!source->open(QIODevice::ReadOnly)) {
        Reply r;
        r.networkError = int(QNetworkReply::UnknownContentError);
        r.errorText = source->errorString();
        return r;
    }
    QNetworkRequest req = request(url, headers);
    req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/octet-stream"));
    req.setHeader(QNetworkRequest::ContentLengthHeader, source->size());
    QNetworkReply* reply = nam_->put(req, source.get());
    source.release()->setParent(reply);
    return run(reply, progress, nullptr, true, kKeptAnswerBytes);
}

Transfer::Reply Transfer::custom(const QUrl& url, const QByteArray& method, const QByteArray& body,
                                 const Headers& headers, const Progress& progress, qint64 keep) {
    QNetworkRequest req = request(url, headers);
    if (!body.isEmpty())
        req.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/xml; charset=utf-8"));
    return run(nam_->sendCustomRequest(req, method, body), progress, nullptr, false, keep);
}

void Transfer::dispatch(const QUrl& url, const QByteArray& method, const Headers& headers) {
    QNetworkReply* reply = nam_->sendCustomRequest(request(url, headers), method);
    reply->setReadBufferSize(kKeptAnswerBytes);
    QMetaObject::invokeMethod(
        reply, [reply] { reply->setReadBufferSize(kKeptAnswerBytes); }, Qt::QueuedConnection);
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply] {
        while (!reply->read(kKeptAnswerBytes).isEmpty()) {
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    QTimer::singleShot(timeoutMs_, reply, [reply] { reply->abort(); });
}

void Transfer::stop() {
    if (!current_) return;
    stopRequested_ = true;
    current_->abort();
}

}  // namespace platform
