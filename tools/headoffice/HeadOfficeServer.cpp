#include "tools/headoffice/HeadOfficeServer.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>
#include <csignal>
#include <stdexcept>

namespace headoffice {

namespace {

const char* const kModules = "/usr/lib/apache2/modules";

quint16 freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("no free loopback port");
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw std::runtime_error(("cannot write " + path).toStdString());
}

}  // namespace

HeadOfficeServer::HeadOfficeServer() = default;

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
    QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                 QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                 QFileDevice::ExeOther);
    port_ = freeLoopbackPort();

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

    process_ = std::make_unique<QProcess>();
    process_->setProgram(apache);
    process_->setArguments(
        {QStringLiteral("-f"), d + QStringLiteral("/httpd.conf"), QStringLiteral("-DFOREGROUND")});
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(d + QStringLiteral("/logs/stdout.log"));
    // The server goes when the test goes, however it ends.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_->start();
    if (!process_->waitForStarted(5000)) throw std::runtime_error("apache2 did not start");

    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (process_->state() != QProcess::Running)
            throw std::runtime_error(("apache2 ended: " + errorLog()).toStdString());
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port_);
        if (probe.waitForConnected(100)) return;
        QThread::msleep(5);
    }
    throw std::runtime_error("apache2 gave no answer on its port");
}

void HeadOfficeServer::stop() {
    if (!process_) return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();  // SIGTERM
        if (!process_->waitForFinished(10000)) {
            process_->kill();
            process_->waitForFinished(2000);
        }
    }
    process_.reset();
}

bool HeadOfficeServer::running() const { return process_ && process_->state() == QProcess::Running; }

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
