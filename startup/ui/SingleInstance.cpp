#include "startup/ui/SingleInstance.h"

#include "platform/Paths.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>

namespace startup {

namespace {

constexpr int kConnectMilliseconds = 1000;
const QByteArray kShowRequest = QByteArrayLiteral("show\n");

// Asks a running copy to show its window; false when none answers.
bool askRunningCopy(const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (!probe.waitForConnected(kConnectMilliseconds)) return false;
    probe.write(kShowRequest);
    probe.waitForBytesWritten(kConnectMilliseconds);
    probe.disconnectFromServer();
    return true;
}

// The folder made (or found) at path when it is the user's alone: a real
// folder (not a link) owned by the user, its rights taken from group and
// others when it had them. Nobody else can then make or replace a socket in it.
bool privateFolder(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST) return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
    if (ok && (st.st_mode & 077) != 0) ok = ::fchmod(fd, 0700) == 0;
    ::close(fd);
    return ok;
}

// Where the instance's socket lies: a folder of the user's alone, under the
// user's runtime folder when there is one, else under the temporary folder,
// else in the program's data folder; the socket's whole path must fit the
// system's limit. Empty when there is no such place.
QString socketFolder() {
    const uid_t uid = ::getuid();
    QStringList candidates;
    const QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (QDir::isAbsolutePath(runtime)) candidates << QDir(runtime).filePath(QStringLiteral("zelt-order"));
    candidates << QDir(QDir::tempPath()).filePath(QStringLiteral("zelt-order-") + QString::number(uid));
    candidates << QDir(platform::dataDir()).filePath(QStringLiteral("istanza"));
    constexpr int kRoom = int(sizeof(sockaddr_un{}.sun_path)) - 32;  // the socket's own name and more
    for (const QString& dir : candidates)
        if (QFile::encodeName(dir).size() < kRoom && privateFolder(dir)) return dir;
    return QString();
}

}  // namespace

QString SingleInstance::DefaultName() {
    // Per user and per home folder, so that a run with a home folder of its
    // own (tests, smoke runs) does not meet the user's running copy.
    const QByteArray who =
        QByteArray::number(static_cast<qulonglong>(::getuid())) + '|' + QDir::homePath().toUtf8();
    const QString leaf =
        QStringLiteral("ZeltOrder-") +
        QString::fromLatin1(QCryptographicHash::hash(who, QCryptographicHash::Sha1).toHex().left(16));
    const QString folder = socketFolder();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(leaf);
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

bool SingleInstance::Claim() {
    if (server_) return true;
    if (name_.isEmpty()) {
        // No folder of the user's own for the socket: a name others could
        // take first would let them stop every start, so the copy runs
        // unguarded instead.
        qWarning("Controllo di istanza singola non disponibile: nessuna cartella privata per il socket");
        return true;
    }
    if (askRunningCopy(name_)) return false;
    auto* server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        // A copy started at the same moment may have just taken the name.
        if (askRunningCopy(name_)) {
            delete server;
            return false;
        }
        // Nobody answered: what is there is left over from a copy that ended
        // without closing it.
        QLocalServer::removeServer(name_);
        if (!server->listen(name_)) {
            // The socket cannot be made at all (no temporary folder): run
            // unguarded rather than refuse to start.
            qWarning("Controllo di istanza singola non disponibile: %s", qPrintable(server->errorString()));
            delete server;
            return true;
        }
    }
    server_ = server;
    platform::connectGuarded(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            const auto read = [this, client] {
                if (client->readAll().contains(kShowRequest.trimmed())) emit activationRequested();
            };
            platform::connectGuarded(client, &QLocalSocket::readyRead, this, read);
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            if (client->bytesAvailable() > 0) read();
        }
    });
    return true;
}

QString SingleInstance::AlreadyRunningText() {
    return QStringLiteral(
        "L'applicazione e' stata gia' avviata\r\r"
        "Controlla la barra dei menu' per la riattivazione premendo "
        "doppio click sull'icona corrispondente...");
}

void SingleInstance::ShowAlreadyRunning() {
    platform::messageBox(AlreadyRunningText(), platform::kOkOnly | platform::kInformation);
}

}  // namespace startup
