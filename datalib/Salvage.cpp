#include "datalib/Salvage.h"
#include "platform/PrivateFiles.h"

#include "datalib/Connection.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"

#include <sqlite3.h>
#include <QFile>
#include <QStringList>
#include <optional>

namespace datalib {

namespace {

// Row identifiers copied by one statement before a range is split.
constexpr qint64 kChunk = 1024;
// Lookups allowed in the damaged part of one table before the rest of a
// range is counted as unreadable without looking further.
constexpr qint64 kProbeBudget = 2'000'000;

// The new file is the main database, the damaged one is attached as "src":
// the definitions read from the damaged file then run unchanged.
class Salvager {
  public:
    Salvager(const QString& source, const QString& copy) : copy_(copy) {
        platform::createPrivateFile(copy);
        const int rc =
            sqlite3_open_v2(copy.toUtf8().constData(), &db_,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc != SQLITE_OK) fail(rc, QStringLiteral("apertura della copia"));
        exec(QStringLiteral("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF"));
        sqlite3_stmt* st = prepare(QStringLiteral("ATTACH ?1 AS src"));
        const QByteArray s = source.toUtf8();
        sqlite3_bind_text(st, 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
        const int arc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (arc != SQLITE_DONE) fail(arc, QStringLiteral("lettura del database danneggiato"));
    }
    ~Salvager() {
        if (db_) sqlite3_close_v2(db_);
    }

    std::vector<SalvagedTable> run(itfProgress* progress) {
        struct Item {
            QString type, name, sql;
        };
        std::vector<Item> items;
        {
            // The definitions: if even these cannot be read nothing can be saved.
            // Tables and indexes only: the program defines no triggers or views.
            sqlite3_stmt* st = prepare(QStringLiteral(
                "SELECT type, name, sql FROM src.sqlite_master WHERE type IN ('table', 'index') AND sql IS "
                "NOT NULL AND name NOT LIKE "
                "'sqlite_%' ORDER BY CASE type WHEN 'table' THEN 0 WHEN 'index' THEN 1 ELSE 2 END, rowid"));
            int rc;
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                items.push_back({text(st, 0), text(st, 1), text(st, 2)});
            sqlite3_finalize(st);
            if (rc != SQLITE_DONE) fail(rc, QStringLiteral("lettura delle definizioni"));
        }
        long tables = 0;
        for (const Item& i : items)
            if (i.type == QLatin1String("table")) ++tables;
        if (progress) progress->OnStart(tables, true);
        std::vector<SalvagedTable> report;
        for (const Item& i : items) {
            if (i.type != QLatin1String("table")) continue;
            exec(i.sql);
            report.push_back(copyTable(i.name));
            if (progress) {
                bool goOn = true;
                progress->OnProgress(long(report.size()), goOn);
                bool stopped = false;
                progress->OnStopped(stopped);
                if (!goOn || stopped) {
                    progress->OnEnd();
                    throw errors::make(errors::Cancelled,
                                       QStringLiteral("Recupero interrotto: il database "
                                                      "originale non è stato modificato."),
                                       true);
                }
            }
        }
        copySequences();
        for (const Item& i : items) {
            if (i.type == QLatin1String("table")) continue;
            const int rc = sqlite3_exec(db_, i.sql.toUtf8().constData(), nullptr, nullptr, nullptr);
            if (rc != SQLITE_OK)
                throw errors::make(
                    errors::RepairFailed,
                    QStringLiteral("Impossibile ricreare l'indice \"%1\" con le righe recuperate "
                                   "(%2): il database originale non è stato modificato.")
                        .arg(i.name, QString::fromUtf8(sqlite3_errmsg(db_))));
        }
        if (progress) progress->OnEnd();
        exec(QStringLiteral("DETACH src"));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        // What was written with synchronous off goes to the disk now.
        QFile f(copy_);
        if (f.open(QIODevice::ReadWrite)) {
            f.flush();
            ::fsync(f.handle());
        }
        return report;
    }

  private:
    sqlite3* db_ = nullptr;
    QString copy_;
    qint64 probes_ = 0;

    [[noreturn]] void fail(int rc, const QString& what) const {
        const QString detail =
            db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString::fromUtf8(sqlite3_errstr(rc));
        if ((rc & 0xff) == SQLITE_FULL)
            throw errors::make(errors::DiskFull,
                               QStringLiteral("Spazio su disco esaurito durante il recupero: il "
                                              "database originale non è stato modificato."));
        throw errors::make(errors::RepairFailed,
                           QStringLiteral("Recupero non riuscito (%1: %2): il database originale non è stato "
                                          "modificato.")
                               .arg(what, detail));
    }
    static QString text(sqlite3_stmt* st, int col) {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(st, col)) : QString();
    }
    sqlite3_stmt* prepare(const QString& sql) {
        sqlite3_stmt* st = nullptr;
        const QByteArray u = sql.toUtf8();
        const int rc = sqlite3_prepare_v2(db_, u.constData(), int(u.size()), &st, nullptr);
        if (rc != SQLITE_OK) fail(rc, sql);
        return st;
    }
    void exec(const QString& sql) {
        const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) fail(rc, sql);
    }
    // A statement's only value: nullopt when reading it failed, a null value
    // as an empty optional inside.
    std::optional<std::optional<qint64>> value(const QString& sql, qint64 a = 0, qint64 b = 0) {
        sqlite3_stmt* st = prepare(sql);
        sqlite3_bind_int64(st, 1, a);
        sqlite3_bind_int64(st, 2, b);
        std::optional<std::optional<qint64>> out;
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_ROW)
            out = sqlite3_column_type(st, 0) == SQLITE_NULL
                      ? std::optional<qint64>()
                      : std::optional<qint64>(sqlite3_column_int64(st, 0));
        else if (rc == SQLITE_DONE)
            out = std::optional<qint64>();
        sqlite3_finalize(st);
        return out;
    }

    // The first and last row identifier that can be reached; nullopt when
    // none can. When the first (or last) page of the table cannot be read,
    // the indexes of the table tell (they hold every row identifier), else
    // the rows are walked from the other end up to the damage.
    std::optional<std::pair<qint64, qint64>> bounds(const QString& table, const QStringList& indexes) {
        auto fromIndexes = [&](const char* fn) -> std::optional<qint64> {
            for (const QString& idx : indexes)
                if (const auto v = value(QStringLiteral("SELECT %1(rowid) FROM src.%2 INDEXED BY %3")
                                             .arg(QLatin1String(fn), table, sqlIdent(idx))))
                    return *v;
            return std::nullopt;
        };
        const auto lo = value(QStringLiteral("SELECT min(rowid) FROM src.%1").arg(table));
        const auto hi = value(QStringLiteral("SELECT max(rowid) FROM src.%1").arg(table));
        std::optional<qint64> first = lo ? *lo : fromIndexes("min");
        std::optional<qint64> last = hi ? *hi : fromIndexes("max");
        if (!first) first = lastReached(table, QStringLiteral("DESC"));
        if (!last) last = lastReached(table, QStringLiteral("ASC"));
        if (!first && !last) return std::nullopt;
        if (!first) first = last;
        if (!last) last = first;
        return std::make_pair(*first, *last);
    }
    // The number of rows the table holds, as one of its indexes counts them.
    std::optional<qint64> indexedCount(const QString& table, const QStringList& indexes) {
        for (const QString& idx : indexes)
            if (const auto v = value(
                    QStringLiteral("SELECT count(*) FROM src.%1 INDEXED BY %2").arg(table, sqlIdent(idx))))
                if (*v) return **v;
        return std::nullopt;
    }
    // The last row identifier read in that order before the first failure.
    std::optional<qint64> lastReached(const QString& table, const QString& order) {
        sqlite3_stmt* st =
            prepare(QStringLiteral("SELECT rowid FROM src.%1 ORDER BY rowid %2").arg(table, order));
        std::optional<qint64> reached;
        while (sqlite3_step(st) == SQLITE_ROW) reached = sqlite3_column_int64(st, 0);
        sqlite3_finalize(st);
        return reached;
    }

    SalvagedTable copyTable(const QString& name) {
        SalvagedTable t;
        t.name = name;
        const QString table = sqlIdent(name);
        probes_ = 0;
        QStringList indexes;
        {
            sqlite3_stmt* st = prepare(QStringLiteral(
                "SELECT name FROM src.sqlite_master WHERE type='index' AND tbl_name=?1 AND sql IS NOT NULL"));
            const QByteArray n = name.toUtf8();
            sqlite3_bind_text(st, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
            while (sqlite3_step(st) == SQLITE_ROW) indexes << text(st, 0);
            sqlite3_finalize(st);
        }
        const auto range = bounds(table, indexes);
        if (!range) {
            // Empty, or its first page cannot be read.
            const auto count = value(QStringLiteral("SELECT count(*) FROM src.%1").arg(table));
            t.lostWhole = !count;
        } else {
            for (qint64 a = range->first; a <= range->second;) {
                // Skip a gap of identifiers in one step when the index allows it.
                if (const auto next =
                        value(QStringLiteral("SELECT min(rowid) FROM src.%1 WHERE rowid BETWEEN ?1 "
                                             "AND ?2")
                                  .arg(table),
                              a, range->second)) {
                    if (!*next) break;
                    a = **next;
                }
                const qint64 b = std::min(range->second, a + kChunk - 1);
                copyRange(table, a, b, t);
                if (b == range->second) break;
                a = b + 1;
            }
        }
        // An index that can still be read tells exactly how many rows were lost.
        if (const auto count = indexedCount(table, indexes)) {
            t.unreadable = std::max<qint64>(0, *count - t.saved);
            if (*count > 0 && t.saved == 0) t.lostWhole = true;
        }
        return t;
    }

    // Copies the rows of identifiers a..b; a range that cannot be read whole
    // is split in two until the unreadable identifiers are single.
    void copyRange(const QString& table, qint64 a, qint64 b, SalvagedTable& t) {
        // One row is looked up by its identifier alone: a range would also
        // step onto the next row, which may lie on a damaged page.
        sqlite3_stmt* st = prepare(QStringLiteral("INSERT INTO main.%1 SELECT * FROM src.%1 WHERE %2")
                                       .arg(table, a == b ? QStringLiteral("rowid = ?1")
                                                          : QStringLiteral("rowid BETWEEN ?1 AND ?2")));
        sqlite3_bind_int64(st, 1, a);
        sqlite3_bind_int64(st, 2, b);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc == SQLITE_DONE) {
            t.saved += sqlite3_changes64(db_);
            return;
        }
        // A full disk or memory ends the repair; anything else is damage of the rows.
        if ((rc & 0xff) == SQLITE_FULL || (rc & 0xff) == SQLITE_NOMEM) fail(rc, table);
        ++probes_;
        if (a == b) {
            ++t.unreadable;
            return;
        }
        if (probes_ > kProbeBudget) {
            t.unreadable += b - a + 1;
            return;
        }
        const qint64 mid = a + (b - a) / 2;
        copyRange(table, a, mid, t);
        copyRange(table, mid + 1, b, t);
    }

    // The counters of AUTOINCREMENT tables, when the file has them.
    void copySequences() {
        const auto has = value(QStringLiteral(
            "SELECT count(*) FROM src.sqlite_master WHERE type='table' AND name='sqlite_sequence'"));
        if (!has || !*has || **has == 0) return;
        const auto mine = value(QStringLiteral(
            "SELECT count(*) FROM main.sqlite_master WHERE type='table' AND name='sqlite_sequence'"));
        if (!mine || !*mine || **mine == 0) return;
        sqlite3_exec(db_,
                     "DELETE FROM main.sqlite_sequence; INSERT INTO main.sqlite_sequence SELECT * FROM "
                     "src.sqlite_sequence",
                     nullptr, nullptr, nullptr);
    }
};

}  // namespace

std::vector<SalvagedTable> SalvageDatabase(const QString& source, const QString& copy,
                                           itfProgress* progress) {
    try {
        Salvager s(source, copy);
        return s.run(progress);
    } catch (...) {
        for (const QString& suffix :
             {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(copy + suffix);
        throw;
    }
}

}  // namespace datalib
