#pragma once
// The internet transfer of the program: HTTP(S) requests to head office's
// web server, each run to its end inside a local event loop of the calling
// thread, so that progress is reported and a stop is served without threads.
//
// The login is given apart from the addresses, bound to the scheme, host
// and port it belongs to: it is sent as Basic authorisation to that origin
// alone, never to another one. User info inside an address is dropped, and
// no address this class hands back or puts in a message carries any.
//
// Nothing a server sends is taken without a bound. A GET into a file writes
// no more than the body limit (4 GB) and the free space of the file's disk
// allow, and refuses an announced length above them before it writes; an
// answer kept in memory keeps what its caller asks for (a few KB unless
// said otherwise) and is given up once far more than that arrives. A
// request is given up when nothing moved for the time-out; for an upload
// that counts the bytes still in the kernel's send queue too, so a body
// whose last bytes are still on their way over a slow line is not cut.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>

class QFile;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

namespace platform {

class Transfer : public QObject {
  public:
    // The outcome of one request.
    struct Reply {
        int status = 0;  // HTTP status; 0 when no answer came
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;        // the answer's body (not for a GET to a file)
        qint64 received = 0;    // bytes of the body received
        qint64 expected = -1;   // Content-Length of the answer, -1 unknown
        int networkError = 0;   // QNetworkReply::NetworkError
        QString errorText;      // the network layer's text, without credentials
        bool stopped = false;   // the caller's progress answered "stop"
        bool timedOut = false;  // nothing moved for the time-out
        bool tooLarge = false;  // the body was (or was announced) longer than may arrive
        qint64 limit = -1;      // what the body might have been at most
        QByteArray sha1;        // a GET into a file: SHA-1 of the bytes written
        bool ok() const {
            return status >= 200 && status < 300 && networkError == 0 && !stopped && !timedOut && !tooLarge;
        }
        // The value of a header, by name in any letter case.
        QByteArray header(const QByteArray& name) const;
    };
    // Progress of a body: bytes done and total (-1 unknown); false stops.
    using Progress = std::function<bool(qint64 done, qint64 total)>;
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    // A login and the origin ("http://host:port", as Transfer::originOf
    // gives it) it may be sent to.
    struct Login {
        QString origin;
        QString user;
        QString password;
    };

    explicit Transfer(QObject* parent = nullptr);
    ~Transfer() override;

    // The login of the requests that follow (an empty one: none is sent).
    void setLogin(const Login& login) { login_ = login; }
    const Login& login() const { return login_; }
    // "scheme://host:port" of an address, the port always written; empty
    // without a host.
    static QString originOf(const QUrl& url);

    // Milliseconds without any data moving after which a request is given
    // up (default 60 000).
    void setTimeout(int ms) { timeoutMs_ = ms; }
    int timeout() const { return timeoutMs_; }

    // The most a GET may write into its file (default 4 GB).
    void setBodyLimit(qint64 bytes) { bodyLimit_ = bytes; }
    qint64 bodyLimit() const { return bodyLimit_; }
    // What is kept of an answer by default (the rest is read and dropped).
    static constexpr qint64 kKeptAnswerBytes = 4096;

    // GET into a file (created or truncated); the file holds what arrived.
    Reply get(const QUrl& url, const QString& file, const Progress& progress = {},
              const Headers& headers = {});
    Reply head(const QUrl& url, const Headers& headers = {}, const Progress& progress = {});
    // PUT of a file's bytes.
    Reply put(const QUrl& url, const QString& file, const Headers& headers = {},
              const Progress& progress = {});
    // Any other method (LOCK, UNLOCK, MOVE, PROPFIND) with a small body;
    // `keep` bytes of the answer are kept.
    Reply custom(const QUrl& url, const QByteArray& method, const QByteArray& body = {},
                 const Headers& headers = {}, const Progress& progress = {}, qint64 keep = kKeptAnswerBytes);
    // Sends a request whose answer nobody waits for: it goes on while the
    // event loop runs, and is given up after the time-out or when the
    // transfer goes.
    void dispatch(const QUrl& url, const QByteArray& method, const Headers& headers = {});

    // Stops the request in progress (it ends with stopped set).
    void stop();
    bool busy() const { return current_ != nullptr; }

    // The address without user info, for messages and logs.
    static QString displayUrl(const QUrl& url);

  private:
    struct Run;
    Reply run(QNetworkReply* reply, const Progress& progress, QFile* sink, bool upload, qint64 keep);
    QNetworkRequest request(const QUrl& url, const Headers& headers) const;

    QNetworkAccessManager* nam_ = nullptr;
    QNetworkReply* current_ = nullptr;
    bool stopRequested_ = false;
    int timeoutMs_ = 60000;
    qint64 bodyLimit_ = qint64(4) << 30;
    Login login_;
};

}  // namespace platform
