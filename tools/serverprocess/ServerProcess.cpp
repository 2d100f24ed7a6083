#include "tools/serverprocess/ServerProcess.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QThread>

#include <sys/prctl.h>
#include <csignal>
#include <stdexcept>

namespace serverprocess {

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

void openToOtherUsers(const QString& folder) {
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                      QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                      QFileDevice::ReadOther | QFileDevice::ExeOther);
}

ServerProcess::ServerProcess() = default;

ServerProcess::~ServerProcess() { stop(); }

void ServerProcess::start(const QString& name, const QString& program, const QStringList& arguments,
                          const QString& outputFile, const std::function<bool()>& ready,
                          const std::function<QString()>& log, int timeoutMs) {
    stop();
    process_ = std::make_unique<QProcess>();
    process_->setProgram(program);
    process_->setArguments(arguments);
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(outputFile);
    // The server goes when the test goes, however it ends.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process_->start();
    if (!process_->waitForStarted(5000)) throw std::runtime_error((name + " did not start").toStdString());

    const QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (process_->state() != QProcess::Running)
            throw std::runtime_error((name + " ended: " + log()).toStdString());
        if (ready()) return;
        QThread::msleep(5);
    }
    throw std::runtime_error((name + " gave no answer").toStdString());
}

void ServerProcess::stop() {
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

bool ServerProcess::running() const { return process_ && process_->state() == QProcess::Running; }

}  // namespace serverprocess
