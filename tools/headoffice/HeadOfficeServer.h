#pragma once
// A private head-office web server for the tests and the benchmarks: Apache
// httpd with WebDAV (mod_dav, strong content ETags) serving a temporary
// folder on a free loopback port. It runs as a child process that dies with
// the test, and is stopped with SIGTERM and waited for.
//
// When started as root the server runs as www-data, which then owns the
// served folder and the lock database.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace serverprocess {
class ServerProcess;
}

namespace headoffice {

struct ServerOptions {
    // When not empty, every request needs Basic credentials of this user.
    QString user;
    QString password;
};

class HeadOfficeServer {
  public:
    HeadOfficeServer();
    ~HeadOfficeServer();
    HeadOfficeServer(const HeadOfficeServer&) = delete;
    HeadOfficeServer& operator=(const HeadOfficeServer&) = delete;

    // Writes the configuration and starts the server; throws
    // std::runtime_error with the reason (Apache missing, refused config,
    // no answer) when it cannot run.
    void start(const ServerOptions& options = {});
    void stop();
    bool running() const;

    quint16 port() const { return port_; }
    // "http://127.0.0.1:<port>/" (with the credentials when given).
    QUrl baseUrl(bool withCredentials = true) const;
    QString root() const { return dir_.path(); }
    // The served folder and a file in it.
    QString davPath() const;
    QString filePath(const QString& name) const;
    // Places a file into the served folder (owned by the server's user).
    void putFile(const QString& name, const QString& sourceFile);
    void putBytes(const QString& name, const QByteArray& bytes);
    QByteArray fileBytes(const QString& name) const;
    // The ETag the server gives a file: quoted base64 SHA-1 of its bytes.
    static QByteArray etagOf(const QByteArray& bytes);
    QString errorLog() const;

    // Where apache2 is installed (in sbin: not on an ordinary user's PATH).
    static QString apacheBinary();

  private:
    void chownToServer(const QString& path) const;

    QTemporaryDir dir_;
    std::unique_ptr<serverprocess::ServerProcess> process_;
    quint16 port_ = 0;
    ServerOptions options_;
};

}  // namespace headoffice
