#include "tools/printserver/PrintServer.h"

#include "tools/serverprocess/ServerProcess.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <cups/cups.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace printserver {

namespace {

using serverprocess::writeFile;

// The CUPS tools: in sbin for the administrative ones.
QString tool(const QString& name) {
    for (const char* dir : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        const QString path = QLatin1String(dir) + name;
        if (QFile::exists(path)) return path;
    }
    return QStandardPaths::findExecutable(name);
}

// A connection to the server's socket, closed when it goes.
struct Connection {
    http_t* http = nullptr;
    explicit Connection(const QString& socket) {
        http = httpConnect2(QFile::encodeName(socket).constData(), 0, nullptr, AF_LOCAL,
                            HTTP_ENCRYPTION_NEVER, 1, 2000, nullptr);
    }
    ~Connection() {
        if (http) httpClose(http);
    }
};

}  // namespace

PrintServer::PrintServer() : process_(std::make_unique<serverprocess::ServerProcess>()) {}

PrintServer::~PrintServer() {
    stop();
    if (pointed_) {
        if (formerServer_)
            qputenv("CUPS_SERVER", *formerServer_);
        else
            qunsetenv("CUPS_SERVER");
        cupsSetServer(nullptr);
    }
}

QString PrintServer::cupsdBinary() {
    for (const char* p : {"/usr/sbin/cupsd", "/sbin/cupsd"})
        if (QFile::exists(QLatin1String(p))) return QLatin1String(p);
    return {};
}

QString PrintServer::pdfDriver() {
    const QString ppd = QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd");
    return QFile::exists(ppd) ? ppd : QString();
}

QString PrintServer::socketPath() const { return dir_.filePath(QStringLiteral("cups.sock")); }

void PrintServer::start() {
    stop();
    const QString cupsd = cupsdBinary();
    if (cupsd.isEmpty()) throw std::runtime_error("cupsd is not installed (scripts/install-deps.sh: cups)");
    if (pdfDriver().isEmpty())
        throw std::runtime_error("the generic PDF printer driver is missing (scripts/install-deps.sh: cups)");
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    if (QFile::encodeName(socketPath()).size() >= 100)
        throw std::runtime_error("the temporary folder's name is too long for a socket");
    const QString d = dir_.path();
    for (const char* sub : {"etc", "spool", "spool/tmp", "cache", "state", "log", "jobs"})
        QDir(d).mkpath(QLatin1String(sub));
    // The filters run as the scheduler's user (lp under root): they must
    // reach the spool through the folder.
    serverprocess::openToOtherUsers(d);
    port_ = serverprocess::freeLoopbackPort();

    const QByteArray root = d.toUtf8();
    QByteArray files;
    files += "ServerRoot " + root + "/etc\n";
    files += "RequestRoot " + root + "/spool\n";
    files += "TempDir " + root + "/spool/tmp\n";
    files += "CacheDir " + root + "/cache\n";
    files += "StateDir " + root + "/state\n";
    files += "Printcap " + root + "/state/printcap\n";
    files += "ErrorLog " + root + "/log/error_log\n";
    files += "AccessLog " + root + "/log/access_log\n";
    files += "PageLog " + root + "/log/page_log\n";
    files += "ServerBin /usr/lib/cups\nDataDir /usr/share/cups\nDocumentRoot /usr/share/cups/doc-root\n";
    // Queues whose device is a file.
    files += "FileDevice Yes\n";
    // Under an ordinary user the scheduler and its filters stay that user.
    if (::geteuid() != 0) {
        const passwd* pw = ::getpwuid(::geteuid());
        const group* gr = ::getgrgid(::getegid());
        if (pw) files += QByteArray("User ") + pw->pw_name + "\n";
        if (gr) files += QByteArray("Group ") + gr->gr_name + "\nSystemGroup " + gr->gr_name + "\n";
    }
    writeFile(d + QStringLiteral("/cups-files.conf"), files);

    QByteArray conf;
    conf += "Listen " + socketPath().toUtf8() + "\n";
    conf += "Listen 127.0.0.1:" + QByteArray::number(port_) + "\n";
    conf += "LogLevel info\nBrowsing No\nBrowseLocalProtocols none\nWebInterface No\n";
    conf += "DefaultAuthType None\nPreserveJobHistory Yes\nMaxJobs 0\n";
    conf += "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n";
    conf += "<Policy default>\n  JobPrivateAccess all\n  JobPrivateValues none\n";
    conf += "  SubscriptionPrivateAccess all\n  SubscriptionPrivateValues none\n";
    conf += "  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n";
    writeFile(d + QStringLiteral("/etc/cupsd.conf"), conf);

    const QString socket = socketPath();
    process_->start(
        QStringLiteral("cupsd"), cupsd,
        {QStringLiteral("-f"), QStringLiteral("-c"), d + QStringLiteral("/etc/cupsd.conf"),
         QStringLiteral("-s"), d + QStringLiteral("/cups-files.conf")},
        d + QStringLiteral("/log/stdout.log"),
        [socket] { return QFile::exists(socket) && Connection(socket).http; }, [this] { return errorLog(); },
        15000);
}

void PrintServer::stop() { process_->stop(); }

bool PrintServer::running() const { return process_->running(); }

void PrintServer::useForThisProcess() {
    if (!pointed_) {
        if (qEnvironmentVariableIsSet("CUPS_SERVER")) formerServer_ = qgetenv("CUPS_SERVER");
        pointed_ = true;
    }
    qputenv("CUPS_SERVER", QFile::encodeName(socketPath()));
    cupsSetServer(nullptr);  // the client reads CUPS_SERVER again
}

void PrintServer::admin(const QString& name, const QStringList& arguments) const {
    const QString program = tool(name);
    if (program.isEmpty()) throw std::runtime_error((name + " is not installed").toStdString());
    QProcess p;
    // Every call names the private socket: the system's scheduler is never asked.
    p.setProgram(program);
    p.setArguments(QStringList{QStringLiteral("-h"), socketPath()} + arguments);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start();
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        throw std::runtime_error(
            (name + " " + arguments.join(' ') + ": " + QString::fromLocal8Bit(p.readAll())).toStdString());
}

QString PrintServer::queueFileName(const QString& name) const {
    const qsizetype index = queues_.indexOf(name);
    return dir_.filePath(QStringLiteral("jobs/queue-%1.prn").arg(index < 0 ? queues_.size() : index));
}

QString PrintServer::jobFile(const QString& name) const { return queueFileName(name); }

void PrintServer::addQueue(const QString& name) {
    const QString file = queueFileName(name);
    admin(QStringLiteral("lpadmin"),
          {QStringLiteral("-p"), name, QStringLiteral("-v"), QStringLiteral("file://") + file,
           QStringLiteral("-P"), pdfDriver(), QStringLiteral("-o"), QStringLiteral("PageSize=A4"),
           QStringLiteral("-E")});
    if (!queues_.contains(name)) queues_ << name;
}

void PrintServer::removeQueue(const QString& name) {
    admin(QStringLiteral("lpadmin"), {QStringLiteral("-x"), name});
}

void PrintServer::rejectJobs(const QString& name) { admin(QStringLiteral("cupsreject"), {name}); }

void PrintServer::acceptJobs(const QString& name) { admin(QStringLiteral("cupsaccept"), {name}); }

std::optional<int> PrintServer::waitForJobs(const QString& name, int timeoutMs) const {
    const QByteArray queue = name.toUtf8();
    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        Connection c(socketPath());
        if (c.http) {
            cups_job_t* jobs = nullptr;
            const int active = cupsGetJobs2(c.http, &jobs, queue.constData(), 0, CUPS_WHICHJOBS_ACTIVE);
            cupsFreeJobs(active, jobs);
            if (active == 0) return int(completedJobTitles(name).size());
        }
        QThread::msleep(20);
    }
    return std::nullopt;
}

QStringList PrintServer::completedJobTitles(const QString& name) const {
    QStringList titles;
    Connection c(socketPath());
    if (!c.http) return titles;
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(c.http, &jobs, name.toUtf8().constData(), 0, CUPS_WHICHJOBS_COMPLETED);
    std::vector<std::pair<int, QString>> done;
    for (int i = 0; i < n; ++i)
        if (jobs[i].state == IPP_JSTATE_COMPLETED)
            done.emplace_back(jobs[i].id, QString::fromUtf8(jobs[i].title));
    cupsFreeJobs(n, jobs);
    std::sort(done.begin(), done.end());
    for (const auto& job : done) titles << job.second;
    return titles;
}

QString PrintServer::errorLog() const {
    QFile f(dir_.filePath(QStringLiteral("log/error_log")));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace printserver
