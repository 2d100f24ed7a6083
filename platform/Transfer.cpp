#include "platform/Transfer.h"

#include "platform/PrivateFiles.h"

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <vector>

namespace platform {

namespace {

// What of a body on its way to a file is held at once.
constexpr qint64 kFileBufferBytes = 1 << 20;

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

Transfer::Reply Transfer::run(QNetworkReply* reply, const Progress& progress, QFile* sink, bool upload) {
    Reply out;
    current_ = reply;
    stopRequested_ = false;
    QEventLoop loop;
    QTimer idle;
    idle.setSingleShot(true);
    idle.setInterval(timeoutMs_);
    bool sinkFailed = false;

    auto abortWith = [&](bool stopped, bool timedOut) {
        out.stopped = out.stopped || stopped;
        out.timedOut = out.timedOut || timedOut;
        if (reply->isRunning()) reply->abort();
    };
    // The caller hears of the progress from a timer of this loop, never from
    // inside the network layer's signals: a caller that lets events run
    // there would re-enter the transfer.
    qint64 done = 0, total = -1;
    bool moved = false;
    auto report = [&](qint64 d, qint64 t) {
        idle.start();
        done = d;
        total = t;
        moved = true;
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
    QObject::connect(&idle, &QTimer::timeout, &loop, [&] { abortWith(false, true); });
    // A body for a file passes through one buffer of ours, read and written
    // as it comes: the network layer keeps no more of it than that buffer
    // holds, so that neither side makes tens of megabytes of new memory for
    // what is only on its way to the disk.
    std::vector<char> buffer(sink ? kFileBufferBytes : 0);
    if (sink) reply->setReadBufferSize(kFileBufferBytes);
    auto drain = [&] {
        while (!sinkFailed) {
            const qint64 n = reply->read(buffer.data(), qint64(buffer.size()));
            if (n <= 0) break;
            out.received += n;
            if (sink->write(buffer.data(), n) != n) {
                sinkFailed = true;
                abortWith(false, false);
            }
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        idle.start();
        if (sink) {
            drain();
        } else {
            const QByteArray chunk = reply->readAll();
            out.received += chunk.size();
            out.body += chunk;
        }
    });
    if (upload)
        QObject::connect(reply, &QNetworkReply::uploadProgress, &loop, report);
    else
        QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, report);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);

    idle.start();
    if (!reply->isFinished()) loop.exec(QEventLoop::AllEvents);
    tick.stop();
    if (stopRequested_) out.stopped = true;

    if (sink) {
        drain();
    } else {
        const QByteArray rest = reply->readAll();
        out.received += rest.size();
        out.body += rest;
    }
    out.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    out.headers = reply->rawHeaderPairs();
    const QVariant len = reply->header(QNetworkRequest::ContentLengthHeader);
    out.expected = len.isValid() ? len.toLongLong() : -1;
    out.networkError = int(reply->error());
    // An HTTP error status is told by the status itself.
    if (out.status >= 400 && !out.stopped && !out.timedOut) out.networkError = 0;
    if (out.networkError) out.errorText = reply->errorString().replace(reply->url().toString(), QString());
    if (sinkFailed) {
        out.networkError = int(QNetworkReply::UnknownContentError);
        out.errorText = sink ? sink->errorString() : QString();
    }
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
    Reply r = run(nam_->get(request(url, headers)), progress, &sink, false);
    if (!sink.flush()) {
        r.networkError = int(QNetworkReply::UnknownContentError);
        r.errorText = sink.errorString();
    }
    sink.close();
    return r;
}

Transfer::Reply Transfer::head(const QUrl& url, const Headers& headers) {
    return run(nam_->head(request(url, headers)), {}, nullptr, false);
}

Transfer::Reply Transfer::put(const QUrl& url, const QString& file, const Headers& headers,
                              const Progress& progress) {
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly)) {
        Reply r;
        r.networkError = int(QNetworkReply::UnknownContentError);
        r.errorText = source.errorString();
        return r;
    }
    QNetworkRequest req = request(url, headers);
    req.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/octet-stream"));
    req.setHeader(QNetworkRequest::ContentLengthHeader, source.size());
    return run(nam_->put(req, &source), progress, nullptr, true);
}

Transfer::Reply Transfer::custom(const QUrl& url, const QByteArray& method, const QByteArray& body,
                                 const Headers& headers) {
    QNetworkRequest req = request(url, headers);
    if (!body.isEmpty())
        req.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/xml; charset=utf-8"));
    return run(nam_->sendCustomRequest(req, method, body), {}, nullptr, false);
}

void Transfer::stop() {
    if (!current_) return;
    stopRequested_ = true;
    current_->abort();
}

}  // namespace platform
