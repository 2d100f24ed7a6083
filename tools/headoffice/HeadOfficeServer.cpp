#include "tools/headoffice/HeadOfficeServer.h"

#include "tools/serverprocess/ServerProcess.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTcpSocket>

#include <pwd.h>
#include <unistd.h>
#include <stdexcept>

namespace headoffice {

namespace {

const char* const kModules = "/usr/lib/apache2/modules";

using serverprocess::writeFile;

}  // namespace

HeadOfficeServer::HeadOfficeServer() : process_(std::make_unique<serverprocess::ServerProcess>()) {}

HeadOfficeServer::~HeadOfficeServer() { stop(); }

QString HeadOfficeServer::apacheBinary() {
    for (const char* p : {"/usr/sbin/apache2", "/usr/sbin/httpd"})
        if (QFile::exists(QLatin1String(p))) return QLatin1String(p);
    return {};
}

QString HeadOfficeServer::davPath() const { return dir_.filePath(QStringLiteral("dav")); }
QString HeadOfficeServer::filePath(const QString& name) const { return davPath() + QLatin1Char('/') + name; }

QUrl HeadOfficeServer::baseUrl(bool withCredentials) const {
    QUrl url(QStringLiteral("http://127.0.0.1:%1/").arg(port_));
    if (withCredentials && !options_.user.isEmpty()) {
        url.setUserName(options_.user);
        url.setPassword(options_.password);
    }
    return url;
}

void HeadOfficeServer::chownToServer(const QString& path) const {
    if (::geteuid() != 0) return;
    const passwd* pw = ::getpwnam("www-data");
    if (!pw) throw std::runtime_error("user www-data missing");
    if (::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) != 0)
        throw std::runtime_error(("cannot chown " + path).toStdString());
}

void HeadOfficeServer::start(const ServerOptions& options) {
    stop();
    options_ = options;
    const QString apache = apacheBinary();
    if (apache.isEmpty()) throw std::runtime_error("apache2 is not installed (scripts/install-deps.sh)");
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    const QString d = dir_.path();
    for (const char* sub : {"dav", "var", "logs"}) QDir(d).mkpath(QLatin1String(sub));
    // The server's user must reach the served folder.
    serverprocess::openToOtherUsers(d);
    port_ = serverprocess::freeLoopbackPort();

    QByteArray auth;
    if (!options.user.isEmpty()) {
        const QByteArray sha = QCryptographicHash::hash(options.password.toUtf8(), QCryptographicHash::Sha1);
        writeFile(d + QStringLiteral("/var/users"), options.user.toUtf8() + ":{SHA}" + sha.toBase64() + "\n");
        auth =
            "    AuthType Basic\n    AuthName \"Sede\"\n    AuthBasicProvider file\n"
            "    AuthUserFile \"" +
            d.toUtf8() + "/var/users\"\n    Require valid-user\n";
    } else {
        auth = "    Require all granted\n";
    }
    const bool root = ::geteuid() == 0;
    QByteArray conf;
    conf += "ServerRoot \"" + d.toUtf8() + "\"\nServerName 127.0.0.1\n";
    conf += "Listen 127.0.0.1:" + QByteArray::number(port_) + "\n";
    conf += "PidFile \"" + d.toUtf8() + "/logs/httpd.pid\"\nErrorLog \"" + d.toUtf8() + "/logs/error.log\"\n";
    conf += "LogLevel warn\nDefaultRuntimeDir \"" + d.toUtf8() + "/logs\"\nMutex file:" + d.toUtf8() +
            "/logs default\n";
    for (const char* m : {"mpm_event", "authz_core", "authn_core", "authn_file", "auth_basic", "authz_user",
                          "mime", "dav", "dav_fs"})
        conf += QByteArray("LoadModule ") + m + "_module " + kModules + "/mod_" + m + ".so\n";
    if (root) conf += "User www-data\nGroup www-data\n";
    conf += "TypesConfig /etc/mime.types\nDocumentRoot \"" + d.toUtf8() + "/dav\"\n";
    conf += "DavLockDB \"" + d.toUtf8() + "/var/DavLock\"\nFileETag Digest\n";
    conf += "<Directory />\n    AllowOverride None\n    Require all denied\n</Directory>\n";
    conf += "<Directory \"" + d.toUtf8() + "/dav\">\n    Dav On\n    Options None\n    AllowOverride None\n";
    conf += auth + "    LimitRequestBody 0\n</Directory>\n";
    writeFile(d + QStringLiteral("/httpd.conf"), conf);
    chownToServer(d + QStringLiteral("/dav"));
    chownToServer(d + QStringLiteral("/var"));
    if (!options.user.isEmpty()) chownToServer(d + QStringLiteral("/var/users"));

    const quint16 port = port_;
    process_->start(
        QStringLiteral("apache2"), apache,
        {QStringLiteral("-f"), d + QStringLiteral("/httpd.conf"), QStringLiteral("-DFOREGROUND")},
        d + QStringLiteral("/logs/stdout.log"),
        [port] {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            return probe.waitForConnected(100);
        },
        [this] { return errorLog(); }, 10000);
}

void HeadOfficeServer::stop() { process_->stop(); }

bool HeadOfficeServer::running() const { return process_->running(); }

void HeadOfficeServer::putFile(const QString& name, const QString& sourceFile) {
    QFile src(sourceFile);
    if (!src.open(QIODevice::ReadOnly)) throw std::runtime_error(("cannot read " + sourceFile).toStdString());
    putBytes(name, src.readAll());
}

void HeadOfficeServer::putBytes(const QString& name, const QByteArray& bytes) {
    writeFile(filePath(name), bytes);
    chownToServer(filePath(name));
}

QByteArray HeadOfficeServer::fileBytes(const QString& name) const {
    QFile f(filePath(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray HeadOfficeServer::etagOf(const QByteArray& bytes) {
    return '"' + QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toBase64() + '"';
}

QString HeadOfficeServer::errorLog() const {
    QFile f(dir_.filePath(QStringLiteral("logs/error.log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace headoffice
