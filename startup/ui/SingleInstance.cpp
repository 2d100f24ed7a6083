#include "startup/ui/SingleInstance.h"

#include "platform/ui/MessageBox.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

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

}  // namespace

QString SingleInstance::DefaultName() {
    // Per user and per home folder, so that a run with a home folder of its
    // own (tests, smoke runs) does not meet the user's running copy.
    const QByteArray who =
        QByteArray::number(static_cast<qulonglong>(::getuid())) + '|' + QDir::homePath().toUtf8();
    return QStringLiteral("ZeltOrder-") +
           QString::fromLatin1(QCryptographicHash::hash(who, QCryptographicHash::Sha1).toHex().left(16));
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent), name_(name) {}

SingleInstance::~SingleInstance() {
    if (server_) server_->close();
}

bool SingleInstance::Claim() {
    if (server_) return true;
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
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            const auto read = [this, client] {
                if (client->readAll().contains(kShowRequest.trimmed())) emit activationRequested();
            };
            connect(client, &QLocalSocket::readyRead, this, read);
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
