#pragma once
// A private print server for the tests and the benchmarks: a CUPS scheduler
// (cupsd) with its own configuration, spool and logs in a temporary folder,
// listening on its own socket and on a free loopback port. Its queues print
// into files (FileDevice Yes) through the generic PDF driver, so a job's file
// is what a printer on that queue would receive. Queues are added and changed
// with CUPS's own tools (lpadmin, cupsreject, cupsaccept) on the private
// socket only: the system's CUPS is never asked or touched.
//
// The server runs as a child process that dies with the test, and is
// stopped with SIGTERM and waited for.

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <optional>

namespace serverprocess {
class ServerProcess;
}

namespace printserver {

class PrintServer {
  public:
    PrintServer();
    // Stops the server and gives the process its former CUPS server back.
    ~PrintServer();
    PrintServer(const PrintServer&) = delete;
    PrintServer& operator=(const PrintServer&) = delete;

    // Writes the configuration and starts cupsd; throws std::runtime_error
    // with the reason (cupsd or the PDF driver missing, a refused
    // configuration, no answer) when it cannot run.
    void start();
    // Stops cupsd; the socket stays named for this process (a stopped print
    // server, as the program then meets it).
    void stop();
    bool running() const;

    QString socketPath() const;
    quint16 port() const { return port_; }
    // Points this process's CUPS client (Qt's printer list and every print)
    // at this server: CUPS_SERVER names the socket.
    void useForThisProcess();

    // Adds an enabled queue, accepting jobs, that prints into its own file;
    // throws when lpadmin refuses.
    void addQueue(const QString& name);
    void removeQueue(const QString& name);
    void rejectJobs(const QString& name);
    void acceptJobs(const QString& name);
    // The file the queue's jobs are written to (each job replaces it).
    QString jobFile(const QString& name) const;

    // Waits until the queue holds no job still to print; the jobs it
    // completed so far, or nothing on the time-out.
    std::optional<int> waitForJobs(const QString& name, int timeoutMs = 30000) const;
    // The titles of the queue's completed jobs, oldest first.
    QStringList completedJobTitles(const QString& name) const;

    QString errorLog() const;
    // Where cupsd is installed (in sbin: not on an ordinary user's PATH).
    static QString cupsdBinary();
    // The generic PDF printer's driver of cups-filters.
    static QString pdfDriver();

  private:
    void admin(const QString& tool, const QStringList& arguments) const;
    QString queueFileName(const QString& name) const;

    QTemporaryDir dir_;
    std::unique_ptr<serverprocess::ServerProcess> process_;
    quint16 port_ = 0;
    QStringList queues_;
    bool pointed_ = false;
    std::optional<QByteArray> formerServer_;
};

}  // namespace printserver
