#pragma once
// The private servers of the tests and the benchmarks (head office's web
// server, the print server) run as child processes: each dies with the
// process that started it, is waited for until it answers, and is stopped
// with SIGTERM and waited for. The helpers they share for their folders,
// files and ports are here too.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace serverprocess {

// A free TCP port on the loopback interface.
quint16 freeLoopbackPort();
// Writes a whole file; throws std::runtime_error when it cannot.
void writeFile(const QString& path, const QByteArray& bytes);
// Lets the server's own user (the one it switches to under root) reach the folder.
void openToOtherUsers(const QString& folder);

class ServerProcess {
  public:
    ServerProcess();
    ~ServerProcess();  // stops the server
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // Starts the program with its output into outputFile and waits until
    // ready() says that it answers; throws std::runtime_error naming the
    // server (and, when it ended, what log() gives) when it does not.
    void start(const QString& name, const QString& program, const QStringList& arguments,
               const QString& outputFile, const std::function<bool()>& ready,
               const std::function<QString()>& log, int timeoutMs);
    void stop();
    bool running() const;

  private:
    std::unique_ptr<QProcess> process_;
};

}  // namespace serverprocess
