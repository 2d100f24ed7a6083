#pragma once
// The internet transfer of the program: HTTP(S) requests to head office's
// web server, each run to its end inside a local event loop of the calling
// thread, so that progress is reported and a stop is served without threads.
//
// The login is given apart from the addresses, bound to the scheme, host
// and port it belongs to: it is sent as Basic authorisation to that origin
// alone, never to another one. User info inside an address is dropped, and
// no address this class hands back or puts in a message carries any.

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
        bool ok() const {
            return status >= 200 && status < 300 && networkError == 0 && !stopped && !timedOut;
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

    // GET into a file (created or truncated); the file holds what arrived.
    Reply get(const QUrl& url, const QString& file, const Progress& progress = {},
              const Headers& headers = {});
    Reply head(const QUrl& url, const Headers& headers = {});
    // PUT of a file's bytes.
    Reply put(const QUrl& url, const QString& file, const Headers& headers = {},
              const Progress& progress = {});
    // Any other method (LOCK, UNLOCK) with a small body.
    Reply custom(const QUrl& url, const QByteArray& method, const QByteArray& body = {},
                 const Headers& headers = {});

    // Stops the request in progress (it ends with stopped set).
    void stop();
    bool busy() const { return current_ != nullptr; }

    // The address without user info, for messages and logs.
    static QString displayUrl(const QUrl& url);

  private:
    Reply run(QNetworkReply* reply, const Progress& progress, QFile* sink, bool upload);
    QNetworkRequest request(const QUrl& url, const Headers& headers) const;

    QNetworkAccessManager* nam_ = nullptr;
    QNetworkReply* current_ = nullptr;
    bool stopRequested_ = false;
    int timeoutMs_ = 60000;
    Login login_;
};

}  // namespace platform
