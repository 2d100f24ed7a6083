#pragma once
// The connection to head office's copy of the agent's database.
//
// Head office keeps the archive as one database file of ours on a WebDAV
// web server. The connector downloads it whole into a private folder of the
// program's data folder, checks it (a database of ours, the agent's
// password, intact) before anything local is written, and opens it with the
// local definitions: the exchange then works on it as on any database.
//
// What arrives is checked against what head office says it is: the file's
// SHA-1 against its strong ETag (a content digest of the bytes, as head
// office's server gives it). A copy that is not the one its tag names (a
// cache that kept an old one) is asked for once more, then refused: no send
// is ever made from it.
//
// After a send the file goes back whole, and it lands on the archive only
// if head office's copy is still the one downloaded: it is uploaded under a
// name of its own beside the archive (the workstation's number in it), then
// moved onto the archive under a WebDAV lock, on the condition that the
// archive still has the downloaded ETag and the uploaded file ours. The move
// has no body, so its conditions are checked when it lands, however slow the
// upload was. Its answer proves nothing by itself: head office holds the
// orders once the archive carries the upload's tag, and only then is
// anything marked sent. A conflict downloads again and redoes the send, so
// that nothing head office or another workstation changed meanwhile is lost
// and no order arrives twice. Each send first removes the uploads this
// workstation left behind (killed between its upload and its move) once they
// are older than a transfer may last.
//
// A stop is served at every request and every wait: the send ends at once,
// nothing is marked, and the lock and the upload are let go of without
// waiting for head office's answer (what remains lapses or is removed by the
// next send).

#include "datalib/Interfaces.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Transfer;
class WorkFolder;
}  // namespace platform

namespace datalib {

class Database;
class Engine;

class RemoteConnector {
  public:
    struct Settings {
        int lockTimeoutSeconds = 30;  // the WebDAV lock's time-out (held for the move alone)
        int attempts = 3;             // downloads and uploads before giving up on conflicts
        int lockRetryMs = 500;        // pause between two tries of a lock in use
        int workstation = 0;          // this workstation's number, in the names of its uploads
    };
    enum class SendResult { Sent, NothingToSend, Stopped };

    explicit RemoteConnector(platform::Transfer& transfer);
    RemoteConnector(platform::Transfer& transfer, Settings settings);
    ~RemoteConnector();
    RemoteConnector(const RemoteConnector&) = delete;
    RemoteConnector& operator=(const RemoteConnector&) = delete;

    // Downloads `archiveName` from the address `baseUrl` (a folder), checks it
    // and opens it with `local`'s definitions. Progress and stop go through
    // `progress`. Raises an error with an Italian description on failure (a
    // stop raises a cancelled error); nothing local is touched.
    std::shared_ptr<Database> Open(const QString& archiveName, Database& local, const QString& baseUrl,
                                   itfProgress* progress, const QString& password);
    std::shared_ptr<Database> database() const { return db_; }
    // The ETag of the downloaded copy.
    QByteArray etag() const { return etag_; }

    // Sends the open copy back. `fill` writes into it and answers whether it
    // wrote anything (nothing: no upload); `acknowledged` runs once head
    // office holds the upload, before the lock is released (the lock is
    // released also when it raises). On a conflict the copy is downloaded
    // again and `fill` runs again on it. Raises on failure; when it raises
    // (but for `acknowledged`'s own error), head office is not known to
    // hold what `fill` wrote: it may, when the network lost its answer, and
    // the next send finds it there.
    SendResult Send(const std::function<bool(Database& remote)>& fill,
                    const std::function<void()>& acknowledged, itfProgress* progress);

    // Closes the copy and removes the temporary file.
    void Close();

    // Called at the named points of a send (tests stop the process there).
    static std::function<void(const char* seam)>& seamHook();

  private:
    void download(itfProgress* progress);
    void openCopy();
    void closeCopy();
    QUrl archiveUrl() const;
    QString uploadPrefix() const;
    QUrl uploadUrl() const;
    bool sweepLeftovers(itfProgress* progress);
    std::optional<QString> takeLock(itfProgress* progress);
    void landed(const QString& token, const std::function<void()>& acknowledged, itfProgress* progress);

    platform::Transfer& transfer_;
    Settings settings_;
    std::unique_ptr<platform::WorkFolder> dir_;
    QString file_;
    QString archiveName_;
    QUrl base_;
    QString password_;
    Database* local_ = nullptr;
    QByteArray etag_;
    bool etagChecked_ = false;  // the ETag is the copy's content digest, and it matched
    std::unique_ptr<Engine> engine_;
    std::shared_ptr<Database> db_;
};

}  // namespace datalib
