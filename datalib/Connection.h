#pragma once
// The open SQLite file behind an engine: prepared statements kept for reuse,
// the mapping of SQLite failures to the library's errors, and the nesting of
// transactions as savepoints.

#include "core/Variant.h"
#include "datalib/SqlValue.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace datalib {

class Connection;
class itfProgress;

// A table or column name as an SQL identifier: between double quotes.
inline QString sqlIdent(const QString& name) {
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

// A prepared statement borrowed from the connection's cache; reset and given
// back when it goes out of scope.
class Statement {
  public:
    Statement() = default;
    Statement(Connection* owner, sqlite3_stmt* stmt, bool cached)
        : owner_(owner), stmt_(stmt), cached_(cached) {}
    Statement(Statement&& o) noexcept { *this = std::move(o); }
    Statement& operator=(Statement&& o) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    sqlite3_stmt* handle() const { return stmt_; }

    // Binds ?1..?n; values beyond the statement's parameters are skipped.
    Statement& bind(const std::vector<SqlValue>& values, int first = 1);
    Statement& bind(int index, const SqlValue& value);
    // True while a row is there; raises the library's error on failure.
    bool step();
    // Runs to the end.
    void run();

    int columnCount() const;
    bool isNull(int col) const;
    qint64 int64(int col) const;
    double real(int col) const;
    QString text(int col) const;
    QString columnName(int col) const;
    int columnType(int col) const;

  private:
    Connection* owner_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    bool cached_ = false;
    std::vector<std::unique_ptr<char[]>> texts_;  // bound without a copy of SQLite's
};

// A read left open between calls on the connection (the rest of a long
// keyset, read as it is needed). The connection has it finish before
// anything changes the data or the transaction, and before it closes, so a
// pending read never sees a change half made.
class PendingRead {
  public:
    virtual void finishRead() = 0;

  protected:
    ~PendingRead() = default;
};

class Connection {
  public:
    // Opens an existing file (create False) or makes a new one; WAL with
    // synchronous FULL, so a commit that returned is on disk.
    Connection(const QString& path, bool create);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    const QString& path() const { return path_; }
    bool isOpen() const { return db_ != nullptr; }
    void close();
    sqlite3* handle() const { return db_; }

    // A statement for the SQL, taken from the cache when it is there and not
    // in use (hooks may run the same statement while an outer one steps).
    Statement prepare(const QString& sql);
    // Runs one or more statements without results.
    void exec(const QString& sql);
    // One value of the first row, Null when there is none.
    SqlValue scalar(const QString& sql, const std::vector<SqlValue>& params = {});

    // Raises the library's error for an SQLite result code.
    [[noreturn]] void raise(int rc, const QString& context) const;

    // The program's transactions, nested as savepoints. After some failures
    // (a full disk, an I/O error, no memory) SQLite undoes the whole
    // transaction by itself, savepoints and all: each level is then let go
    // of without SQL, and committing one raises, as nothing of it is saved.
    void beginTrans();
    void commitTrans();
    void rollbackTrans();
    // A long run of commits that a second run brings again when they are
    // lost (a receive), nested: meanwhile a commit does not wait for the
    // disk (it is whole, and kept by a crash of the program, but a power cut
    // may lose the last ones whole), and the log is copied into the file
    // once at the end, not again and again as it grows. At the end the log
    // is forced onto the disk and copied, and commits wait for the disk
    // again (when a transaction is still open, at its end).
    void beginBulkWrite();
    // copyLog False (a run stopped or failed, which should end at once):
    // the log is left to the next commits.
    void endBulkWrite(bool copyLog = true);
    // Inside a bulk bracket and a transaction, for a table filled from next
    // to empty: its plain (not unique) indexes are dropped, so that its rows
    // are written without them, and made again whole by restoreIndexes at the
    // end of the fill. A fill that stopped or failed leaves them to be made
    // again as soon as events run after its bracket (and by the next bracket,
    // and by the next opening of the file, which makes every index declared).
    // Returns how many were set aside.
    int setIndexesAside(const QString& table);
    void restoreIndexes();
    int transLevel() const { return transLevel_; }
    // Told whenever the outermost transaction was committed or undone.
    int connectTransactionEnd(std::function<void()> observer);
    void disconnectTransactionEnd(int id);

    // The library's own savepoint around one operation.
    int beginOperation();
    void endOperation(int id, bool commit);

    // Counts every change made through this connection, so that data sources
    // know when their kept rows may be stale.
    quint64 dataVersion() const { return dataVersion_; }
    void touchData() { ++dataVersion_; }

    // Long statements. SQLite asks every few thousand steps of a statement
    // whether to go on: one that runs past the time limit is interrupted
    // (errors::TimedOut), and while a stop poll is set, a statement that runs
    // longer than a moment asks it a few times a second (false: interrupted,
    // errors::Cancelled). The poll may let events run: meanwhile this
    // connection refuses any other use with errors::Busy.
    using StopPoll = std::function<bool()>;
    void setStopPoll(StopPoll poll) { stopPoll_ = std::move(poll); }
    const StopPoll& stopPoll() const { return stopPoll_; }
    // Milliseconds one statement may run; 0 for no limit.
    void setStatementTimeLimit(int ms) { limitMs_ = ms; }
    int statementTimeLimit() const { return limitMs_; }
    // The limit every new connection starts with (tests shorten it).
    static int defaultStatementTimeLimit();
    static void setDefaultStatementTimeLimit(int ms);
    // SQLite steps between two checks of the time limit and the stop, for
    // the connections opened afterwards; 0 checks nothing (the benchmarks
    // measure what the checks cost).
    static int progressSteps();
    static void setProgressSteps(int steps);

    // Pending reads register while they stay open.
    void addPendingRead(PendingRead* read);
    void removePendingRead(PendingRead* read);
    // Has every pending read finish (before a change or the end).
    void finishPendingReads();

  private:
    friend class Statement;
    // SQLite holds no transaction while we count one open.
    bool transactionLost() const;
    void giveBack(sqlite3_stmt* stmt);
    // Every statement starts its clock here; refuses use from inside a poll.
    void startStatement();
    static int onProgress(void* self);
    enum class Interrupt { None, Stop, TimeLimit };

    QString path_;
    sqlite3* db_ = nullptr;
    QHash<QString, sqlite3_stmt*> cache_;
    QHash<sqlite3_stmt*, bool> inUse_;
    // The statements of the texts asked for lately, found by the text's data.
    struct Recent {
        QString sql;
        sqlite3_stmt* stmt = nullptr;
    };
    std::array<Recent, 8> recent_;
    size_t nextRecent_ = 0;
    void remember(const QString& sql, sqlite3_stmt* stmt);
    int transLevel_ = 0;
    int bulkDepth_ = 0;
    bool bulkSync_ = false;  // commits do not wait for the disk
    bool bulkCopyLog_ = true;
    int nextOp_ = 0;
    quint64 dataVersion_ = 1;
    std::vector<PendingRead*> pending_;
    StopPoll stopPoll_;
    int limitMs_ = 0;
    QElapsedTimer clock_;
    qint64 lastPoll_ = 0;
    bool inPoll_ = false;
    Interrupt interrupted_ = Interrupt::None;
    std::map<int, std::function<void()>> transactionEnd_;
    int nextObserver_ = 0;
    void transactionEnded();
    void endBulkSync();
    // Inside the bulk bracket: the log's new pages start on their way to the
    // disk after each commit, without waiting for them, so that forcing the
    // log onto the disk at the end has little left to write.
    void startLogWriteback();
    void closeLog();
    int logFd_ = -1;
    struct AsideIndex {
        QString name, sql;
    };
    std::vector<AsideIndex> aside_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // for what runs later
    void restoreIndexesLater();
    bool indexThere(const QString& name);
};

// Sets a stop poll on a connection for a scope (the previous one comes back):
// the progress sink's OnWaiting, or no poll without a sink.
class StopPollScope {
  public:
    StopPollScope(Connection& conn, itfProgress* progress);
    StopPollScope(Connection& conn, Connection::StopPoll poll);
    ~StopPollScope();
    StopPollScope(const StopPollScope&) = delete;
    StopPollScope& operator=(const StopPollScope&) = delete;

  private:
    Connection& conn_;
    Connection::StopPoll previous_;
};

}  // namespace datalib
