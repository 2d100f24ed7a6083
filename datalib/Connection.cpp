#include "datalib/Connection.h"
#include "platform/PrivateFiles.h"

#include "datalib/Errors.h"
#include "datalib/FileAccess.h"
#include "datalib/Interfaces.h"

#include <sqlite3.h>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <utility>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

namespace datalib {

namespace {
// How long a statement waits for another connection's lock.
constexpr int kBusyMs = 5000;
}  // namespace

Statement& Statement::operator=(Statement&& o) noexcept {
    if (this != &o) {
        if (stmt_ && owner_)
            owner_->giveBack(stmt_);
        else if (stmt_)
            sqlite3_finalize(stmt_);
        // Only now: the texts given back were bound from there.
        texts_ = std::move(o.texts_);
        owner_ = o.owner_;
        stmt_ = o.stmt_;
        cached_ = o.cached_;
        o.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    if (!stmt_) return;
    if (cached_ && owner_)
        owner_->giveBack(stmt_);
    else
        sqlite3_finalize(stmt_);
}

namespace {

// A text of plain ASCII is written to `room` (which has space for it) and
// bound from there, without SQLite's own copy; any other is encoded and
// copied by SQLite.
int bindText(sqlite3_stmt* statement, int index, const QString& s, char*& room) {
    // Empty, not NULL (SQLite takes a null pointer for NULL).
    if (s.isEmpty()) return sqlite3_bind_text(statement, index, "", 0, SQLITE_STATIC);
    const ushort* in = s.utf16();
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (in[i] >= 0x80) {
            const QByteArray u = s.toUtf8();
            return sqlite3_bind_text(statement, index, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        }
        room[i] = char(in[i]);
    }
    const char* text = room;
    room += s.size();
    return sqlite3_bind_text64(statement, index, text, sqlite3_uint64(s.size()), SQLITE_STATIC, SQLITE_UTF8);
}

}  // namespace

int bindSqlValue(sqlite3_stmt* statement, int index, const SqlValue& v) {
    if (std::holds_alternative<std::monostate>(v)) return sqlite3_bind_null(statement, index);
    if (auto* i = std::get_if<qint64>(&v)) return sqlite3_bind_int64(statement, index, *i);
    if (auto* d = std::get_if<double>(&v)) return sqlite3_bind_double(statement, index, *d);
    const QByteArray u = std::get<QString>(v).toUtf8();
    return sqlite3_bind_text(statement, index, u.constData(), int(u.size()), SQLITE_TRANSIENT);
}

int bindSqlValues(sqlite3_stmt* statement, const std::vector<SqlValue>& values) {
    for (size_t i = 0; i < values.size(); ++i)
        if (const int rc = bindSqlValue(statement, int(i) + 1, values[i]); rc != SQLITE_OK) return rc;
    return SQLITE_OK;
}

Statement& Statement::bind(int index, const SqlValue& v) {
    if (index > sqlite3_bind_parameter_count(stmt_)) return *this;
    const int rc = bindSqlValue(stmt_, index, v);
    if (rc != SQLITE_OK) owner_->raise(rc, QStringLiteral("bind"));
    return *this;
}

Statement& Statement::bind(const std::vector<SqlValue>& values, int first) {
    // The texts of a row go to one block of this statement's own, which
    // lives until the statement is given back (its bindings cleared).
    const int count = sqlite3_bind_parameter_count(stmt_);
    const size_t n = size_t(std::clamp(count - first + 1, 0, int(values.size())));
    qsizetype chars = 0;
    for (size_t i = 0; i < n; ++i)
        if (auto* s = std::get_if<QString>(&values[i])) chars += s->size();
    char* room = nullptr;
    if (chars > 0) {
        texts_.emplace_back(new char[size_t(chars)]);
        room = texts_.back().get();
    }
    for (size_t i = 0; i < n; ++i) {
        const int index = first + int(i);
        const SqlValue& v = values[i];
        const int rc = std::holds_alternative<QString>(v) ? bindText(stmt_, index, std::get<QString>(v), room)
                                                          : bindSqlValue(stmt_, index, v);
        if (rc != SQLITE_OK) owner_->raise(rc, QStringLiteral("bind"));
    }
    return *this;
}

namespace {

// A plain query: it neither changes the data nor starts or ends a transaction.
bool plainRead(sqlite3_stmt* stmt) {
    if (!sqlite3_stmt_readonly(stmt)) return false;
    const char* sql = sqlite3_sql(stmt);
    while (*sql == ' ' || *sql == '\t' || *sql == '\n' || *sql == '\r' || *sql == '(') ++sql;
    return sqlite3_strnicmp(sql, "SELECT", 6) == 0 || sqlite3_strnicmp(sql, "WITH", 4) == 0;
}

}  // namespace

bool Statement::step() {
    owner_->startStatement();
    if (!owner_->pending_.empty() && !plainRead(stmt_)) owner_->finishPendingReads();
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    sqlite3_reset(stmt_);
    owner_->raise(rc, QString::fromUtf8(sqlite3_sql(stmt_)));
}

void Statement::run() {
    while (step()) {
    }
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }
bool Statement::isNull(int col) const { return sqlite3_column_type(stmt_, col) == SQLITE_NULL; }
qint64 Statement::int64(int col) const { return sqlite3_column_int64(stmt_, col); }
double Statement::real(int col) const { return sqlite3_column_double(stmt_, col); }
int Statement::columnType(int col) const { return sqlite3_column_type(stmt_, col); }
QString Statement::text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, col)) : QString();
}
QString Statement::columnName(int col) const { return QString::fromUtf8(sqlite3_column_name(stmt_, col)); }

namespace {

// Steps of SQLite's virtual machine between two looks at the clock: a few
// tens of microseconds of work.
constexpr int kProgressSteps = 4000;
// A statement polls the stop once it has run this long, then at this pace.
constexpr qint64 kPollMs = 100;

int& stepsBetweenChecks() {
    static int steps = kProgressSteps;
    return steps;
}

int& defaultLimit() {
    static int ms = 120000;
    return ms;
}

}  // namespace

int Connection::defaultStatementTimeLimit() { return defaultLimit(); }
void Connection::setDefaultStatementTimeLimit(int ms) { defaultLimit() = ms; }
int Connection::progressSteps() { return stepsBetweenChecks(); }
void Connection::setProgressSteps(int steps) { stepsBetweenChecks() = steps; }

void Connection::startStatement() {
    if (inPoll_)
        throw errors::make(errors::Busy,
                           QStringLiteral("Il database è impegnato in un'operazione lunga: riprovare al "
                                          "suo termine."));
    clock_.start();
    lastPoll_ = 0;
    interrupted_ = Interrupt::None;
}

int Connection::onProgress(void* self) {
    auto* c = static_cast<Connection*>(self);
    if (c->inPoll_ || !c->clock_.isValid()) return 0;
    const qint64 t = c->clock_.elapsed();
    if (c->limitMs_ > 0 && t > c->limitMs_) {
        c->interrupted_ = Interrupt::TimeLimit;
        return 1;
    }
    if (c->stopPoll_ && t - c->lastPoll_ >= kPollMs) {
        c->lastPoll_ = t;
        c->inPoll_ = true;
        bool goOn = true;
        try {
            goOn = c->stopPoll_();
        } catch (...) {
            goOn = false;
        }
        c->inPoll_ = false;
        if (!goOn) {
            c->interrupted_ = Interrupt::Stop;
            return 1;
        }
    }
    return 0;
}

StopPollScope::StopPollScope(Connection& conn, itfProgress* progress)
    : StopPollScope(conn, progress ? Connection::StopPoll([progress] {
                        bool goOn = true;
                        progress->OnWaiting(goOn);
                        return goOn;
                    })
                                   : conn.stopPoll()) {}

StopPollScope::StopPollScope(Connection& conn, Connection::StopPoll poll) : conn_(conn) {
    previous_ = conn_.stopPoll();
    conn_.setStopPoll(std::move(poll));
}

StopPollScope::~StopPollScope() { conn_.setStopPoll(std::move(previous_)); }

namespace {

// SQLite counts the memory it uses under a lock of its own at every
// allocation, for statistics the program never reads; set before SQLite
// starts (when something started it earlier, it keeps counting).
void configureSqlite() {
    static const bool once = [] {
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    Q_UNUSED(once);
}

}  // namespace

Connection::Connection(const QString& path, bool create) : path_(path), limitMs_(defaultLimit()) {
    configureSqlite();
    if (!create && !QFile::exists(path))
        throw errors::make(errors::FileNotFound,
                           QStringLiteral("Il file del database \"%1\" non esiste.").arg(path));
    if (!create) RefuseReadOnlyFile(path);
    // A new file is the user's alone from its first byte; SQLite gives its
    // -wal and -shm the file's own rights.
    if (create) platform::createPrivateFile(path);
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const int code = db_ ? sqlite3_extended_errcode(db_) : rc;
        if (db_) sqlite3_close(db_);
        db_ = nullptr;
        if ((code & 0xff) == SQLITE_CANTOPEN)
            throw errors::make(errors::FileNotFound,
                               QStringLiteral("Impossibile aprire il file del database \"%1\".").arg(path));
        raise(code, path);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyMs);
    if (stepsBetweenChecks() > 0)
        sqlite3_progress_handler(db_, stepsBetweenChecks(), &Connection::onProgress, this);
    // A file's own definitions (a received or imported archive's) may not
    // call functions with side effects, nor alter the schema tables.
    sqlite3_db_config(db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    try {
        // A large copy in one transaction (a receive from head office) keeps
        // its changed pages in a page cache of up to 64 MiB instead of
        // writing them out to the log again and again, and the undo record of
        // each row's savepoint in memory instead of a temporary file.
        exec(
            QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=OFF; "
                           "PRAGMA cache_size=-65536; PRAGMA temp_store=MEMORY;"));
    } catch (...) {
        close();
        throw;
    }
}

Connection::~Connection() {
    alive_.reset();
    close();
}

void Connection::close() {
    if (!db_) return;
    try {
        finishPendingReads();
    } catch (...) {
        // An unreadable rest of a keyset is left unread: the file is closing.
    }
    // Statements still borrowed are finalised when they are given back; v2
    // closes the file once they are.
    for (sqlite3_stmt* s : std::as_const(cache_))
        if (!inUse_.value(s)) sqlite3_finalize(s);
    cache_.clear();
    inUse_.clear();
    recent_ = {};
    closeLog();
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Connection::addPendingRead(PendingRead* read) { pending_.push_back(read); }

void Connection::removePendingRead(PendingRead* read) {
    pending_.erase(std::remove(pending_.begin(), pending_.end(), read), pending_.end());
}

void Connection::finishPendingReads() {
    // Each read removes itself when it is done; one that fails is dropped.
    while (!pending_.empty()) {
        PendingRead* read = pending_.back();
        try {
            read->finishRead();
        } catch (...) {
            removePendingRead(read);
            throw;
        }
        removePendingRead(read);
    }
}

void Connection::giveBack(sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    auto it = inUse_.find(stmt);
    if (it != inUse_.end())
        it.value() = false;
    else
        sqlite3_finalize(stmt);  // the cache was dropped meanwhile
}

void Connection::remember(const QString& sql, sqlite3_stmt* stmt) {
    recent_[nextRecent_] = {sql, stmt};
    nextRecent_ = (nextRecent_ + 1) % recent_.size();
}

Statement Connection::prepare(const QString& sql) {
    if (!db_) throw errors::make(errors::Storage, QStringLiteral("Il database è chiuso."));
    if (inPoll_) startStatement();  // refuses
    // The same text as one asked for lately (a copy of it, so its data
    // cannot have been given to another text meanwhile): found without
    // hashing it, which for a long INSERT costs more than its step.
    for (const Recent& r : recent_)
        if (r.stmt && r.sql.constData() == sql.constData() && r.sql.size() == sql.size()) {
            auto use = inUse_.find(r.stmt);
            if (use == inUse_.end() || use.value()) break;
            use.value() = true;
            return Statement(this, r.stmt, true);
        }
    auto it = cache_.find(sql);
    if (it != cache_.end() && !inUse_.value(it.value())) {
        inUse_[it.value()] = true;
        remember(sql, it.value());
        return Statement(this, it.value(), true);
    }
    sqlite3_stmt* stmt = nullptr;
    const QByteArray u = sql.toUtf8();
    const int rc =
        sqlite3_prepare_v3(db_, u.constData(), int(u.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) raise(rc, sql);
    if (it == cache_.end() && cache_.size() < 512) {
        cache_.insert(sql, stmt);
        inUse_.insert(stmt, true);
        remember(sql, stmt);
        return Statement(this, stmt, true);
    }
    return Statement(this, stmt, false);
}

void Connection::exec(const QString& sql) {
    if (!db_) throw errors::make(errors::Storage, QStringLiteral("Il database è chiuso."));
    startStatement();
    finishPendingReads();
    char* msg = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &msg);
    if (msg) sqlite3_free(msg);
    if (rc != SQLITE_OK) raise(sqlite3_extended_errcode(db_), sql);
}

SqlValue Connection::scalar(const QString& sql, const std::vector<SqlValue>& params) {
    Statement st = prepare(sql);
    st.bind(params);
    if (!st.step() || st.isNull(0)) return {};
    switch (st.columnType(0)) {
        case SQLITE_INTEGER:
            return st.int64(0);
        case SQLITE_FLOAT:
            return st.real(0);
        default:
            return st.text(0);
    }
}

void Connection::raise(int rc, const QString& context) const {
    const QString detail =
        db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
    // The database by its name: the agent's folders are nobody's business
    // in a message (and the name is all the agent knows it by).
    const QString name = QFileInfo(path_).fileName();
    switch (rc & 0xff) {
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            throw errors::make(errors::CorruptFile,
                               QStringLiteral("Il file del database \"%1\" è danneggiato o non è un database "
                                              "valido (%2).")
                                   .arg(name, detail));
        case SQLITE_FULL:
            throw errors::make(
                errors::DiskFull,
                QStringLiteral("Spazio su disco esaurito: impossibile scrivere nel database \"%1\".")
                    .arg(name));
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw errors::make(
                errors::Busy,
                QStringLiteral("Il database \"%1\" è in uso da un'altra operazione.").arg(name));
        case SQLITE_CONSTRAINT:
            throw errors::make(
                errors::DuplicateKey,
                QStringLiteral("Esiste già un elemento con gli stessi valori chiave (%1).").arg(detail));
        case SQLITE_INTERRUPT:
            if (interrupted_ == Interrupt::Stop)
                throw errors::make(errors::Cancelled, QStringLiteral("Operazione interrotta dall'operatore."),
                                   true);
            throw errors::make(
                errors::TimedOut,
                QStringLiteral("Un'operazione sul database \"%1\" è durata più di %2 secondi ed è stata "
                               "interrotta.")
                    .arg(name)
                    .arg(limitMs_ / 1000));
        case SQLITE_CANTOPEN:
            throw errors::make(errors::FileNotFound,
                               QStringLiteral("Impossibile aprire il file del database \"%1\".").arg(name));
        case SQLITE_READONLY:
        case SQLITE_IOERR:
        case SQLITE_PERM:
            throw errors::make(
                errors::Storage,
                QStringLiteral("Errore di scrittura sul database \"%1\" (%2).").arg(name, detail));
        default:
            throw errors::make(errors::Storage,
                               QStringLiteral("Errore del database: %1.\n%2").arg(detail, context));
    }
}

void Connection::beginTrans() {
    exec(QStringLiteral("SAVEPOINT zt%1").arg(transLevel_ + 1));
    ++transLevel_;
}

bool Connection::transactionLost() const { return db_ && sqlite3_get_autocommit(db_) != 0; }

void Connection::commitTrans() {
    if (transLevel_ == 0)
        throw errors::make(errors::Transaction, QStringLiteral("Nessuna transazione aperta da confermare."));
    if (transactionLost()) {
        --transLevel_;
        touchData();
        transactionEnded();
        throw errors::make(errors::Transaction,
                           QStringLiteral("Le modifiche al database \"%1\" sono state annullate dopo un "
                                          "errore e non sono state salvate.")
                               .arg(QFileInfo(path_).fileName()));
    }
    exec(QStringLiteral("RELEASE SAVEPOINT zt%1").arg(transLevel_));
    --transLevel_;
    if (transLevel_ == 0 && bulkSync_) startLogWriteback();
    transactionEnded();
}

int Connection::setIndexesAside(const QString& table) {
    if (bulkDepth_ == 0 || transLevel_ == 0 || !db_) return 0;
    std::vector<AsideIndex> found;
    {
        Statement st = prepare(
            QStringLiteral("SELECT l.name, m.sql FROM pragma_index_list(?1) AS l JOIN sqlite_master AS m ON "
                           "m.type = 'index' AND m.name = l.name WHERE NOT l.\"unique\" AND l.origin = 'c' "
                           "AND m.sql IS NOT NULL"));
        st.bind(1, SqlValue(table));
        while (st.step()) found.push_back({st.text(0), st.text(1)});
    }
    for (const AsideIndex& index : found) {
        exec(QStringLiteral("DROP INDEX %1").arg(sqlIdent(index.name)));
        aside_.push_back(index);
    }
    return int(found.size());
}

bool Connection::indexThere(const QString& name) {
    return !std::holds_alternative<std::monostate>(
        scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1"), {name}));
}

void Connection::restoreIndexes() {
    // Each made again only where it is missing: a fill undone before its
    // first commit took the drop back with it.
    for (const AsideIndex& index : aside_)
        if (!indexThere(index.name)) exec(index.sql);
    // Made inside a transaction, an index is undone with it: it is known to
    // stay once no transaction is open.
    if (transLevel_ == 0) aside_.clear();
}

void Connection::restoreIndexesLater() {
    if (aside_.empty()) return;
    const std::weak_ptr<int> alive = alive_;
    QTimer::singleShot(0, [this, alive] {
        if (alive.expired() || !db_ || transLevel_ > 0 || bulkDepth_ > 0) return;
        try {
            restoreIndexes();
        } catch (...) {
            // Made by the next bracket, or by the next opening of the file.
        }
    });
}

void Connection::startLogWriteback() {
#ifdef __linux__
    if (logFd_ < 0) {
        const char* file = sqlite3_db_filename(db_, "main");
        if (!file || !*file) return;
        logFd_ = ::open((QByteArray(file) + "-wal").constData(), O_RDONLY | O_CLOEXEC);
        if (logFd_ < 0) return;
    }
    // Only a start: nothing waits for the disk here. SQLite locks the file
    // and its shared memory, never its log, so that closing this descriptor
    // of the log takes no lock of its own away.
    ::sync_file_range(logFd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

void Connection::closeLog() {
    if (logFd_ >= 0) ::close(logFd_);
    logFd_ = -1;
}

void Connection::rollbackTrans() {
    if (transLevel_ == 0)
        throw errors::make(errors::Transaction, QStringLiteral("Nessuna transazione aperta da annullare."));
    // Already undone by SQLite itself: only our level goes.
    if (!transactionLost())
        exec(QStringLiteral("ROLLBACK TO SAVEPOINT zt%1; RELEASE SAVEPOINT zt%1").arg(transLevel_));
    --transLevel_;
    touchData();
    transactionEnded();
}

int Connection::connectTransactionEnd(std::function<void()> observer) {
    transactionEnd_.emplace(++nextObserver_, std::move(observer));
    return nextObserver_;
}

void Connection::disconnectTransactionEnd(int id) { transactionEnd_.erase(id); }

void Connection::beginBulkWrite() {
    if (bulkDepth_ == 0 && transLevel_ == 0 && db_) try {
            restoreIndexes();
        } catch (...) {
            // Made by the next opening of the file.
        }
    if (bulkDepth_++ > 0 || bulkSync_ || transLevel_ > 0 || !db_) return;
    // Outside a transaction only: SQLite keeps the level of a transaction.
    // Marked first, so that a switch half made is undone as well.
    bulkSync_ = true;
    try {
        exec(QStringLiteral("PRAGMA synchronous=NORMAL; PRAGMA wal_autocheckpoint=0"));
    } catch (...) {
        --bulkDepth_;
        try {
            endBulkSync();
        } catch (...) {
            // Tried again at the end of the next transaction.
        }
        throw;
    }
}

void Connection::endBulkWrite(bool copyLog) {
    if (bulkDepth_ == 0) return;
    bulkCopyLog_ = bulkCopyLog_ && copyLog;
    if (--bulkDepth_ > 0) return;
    // A fill that stopped or failed is served at once: its indexes are made
    // again when events run next.
    if (transLevel_ == 0) try {
            aside_.erase(std::remove_if(aside_.begin(), aside_.end(),
                                        [this](const AsideIndex& index) { return indexThere(index.name); }),
                         aside_.end());
        } catch (...) {
            // Looked at again when they are made.
        }
    restoreIndexesLater();
    if (transLevel_ == 0) endBulkSync();
}

void Connection::endBulkSync() {
    if (!bulkSync_ || !db_ || !sqlite3_get_autocommit(db_)) return;
    exec(QStringLiteral("PRAGMA synchronous=FULL; PRAGMA wal_autocheckpoint=1000"));
    bulkSync_ = false;
    closeLog();
    const bool copyLog = bulkCopyLog_;
    bulkCopyLog_ = true;
    if (!copyLog) return;
    // The checkpoint forces the log onto the disk before it copies it, and
    // then empties it (the run made it several times the file's size). It
    // waits for nobody: a reader of another connection may leave the rest to
    // the next commits.
    sqlite3_busy_timeout(db_, 0);
    sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_busy_timeout(db_, kBusyMs);
}

void Connection::transactionEnded() {
    if (transLevel_ > 0) return;
    if (bulkSync_ && bulkDepth_ == 0) try {
            endBulkSync();
        } catch (...) {
            // Tried again at the end of the next transaction.
        }
    const auto observers = transactionEnd_;
    for (const auto& [id, observer] : observers) observer();
}

int Connection::beginOperation() {
    const int id = ++nextOp_;
    prepare(QStringLiteral("SAVEPOINT zop")).run();
    return id;
}

void Connection::endOperation(int, bool commit) {
    if (!db_) return;
    if (transactionLost()) {
        // SQLite undid the operation with the whole transaction.
        touchData();
        if (commit)
            throw errors::make(errors::Transaction,
                               QStringLiteral("Le modifiche al database \"%1\" sono state annullate dopo un "
                                              "errore e non sono state salvate.")
                                   .arg(QFileInfo(path_).fileName()));
        return;
    }
    if (commit) {
        prepare(QStringLiteral("RELEASE SAVEPOINT zop")).run();
    } else {
        prepare(QStringLiteral("ROLLBACK TO SAVEPOINT zop")).run();
        prepare(QStringLiteral("RELEASE SAVEPOINT zop")).run();
        touchData();
    }
}

}  // namespace datalib
