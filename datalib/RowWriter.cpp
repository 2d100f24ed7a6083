#include "datalib/DataSourceParts.h"

#include "datalib/DataSource.h"
#include "datalib/Database.h"

#include <sqlite3.h>
#include <cmath>

namespace datalib {

void RowWriter::prepare(const TableDef& table, const RowLayout& layout) {
    QStringList names, marks, sets;
    writeCols_.clear();
    for (size_t j = 0; j < layout.size(); ++j) {
        const RowLayout::Column& c = layout[j];
        if (c.kind != RowLayout::Kind::Own && c.kind != RowLayout::Kind::OwnRef &&
            c.kind != RowLayout::Kind::Link)
            continue;
        writeCols_.push_back(int(j));
        names << sqlIdent(c.name);
        marks << QStringLiteral("?%1").arg(names.size());
        sets << QStringLiteral("%1 = ?%2").arg(sqlIdent(c.name)).arg(names.size());
    }
    insertSql_ = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(sqlIdent(table.name()))
                                 : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(sqlIdent(table.name()), names.join(QLatin1Char(',')),
                                            marks.join(QLatin1Char(',')));
    // A clash on a unique key writes nothing and is no error; any other
    // constraint still fails the statement.
    insertUnlessTakenSql_ = insertSql_ + QStringLiteral(" ON CONFLICT DO NOTHING");
    updateSql_ = QStringLiteral("UPDATE %1 SET %2 WHERE \"OID\" = ?%3")
                     .arg(sqlIdent(table.name()), sets.join(QLatin1Char(',')))
                     .arg(names.size() + 1);
}

std::vector<SqlValue> RowWriter::storageValues(const RowLayout& layout,
                                               const std::vector<core::Variant>& values) const {
    std::vector<SqlValue> vals;
    vals.reserve(writeCols_.size() + 1);
    for (int j : writeCols_) vals.push_back(RowLayout::toStorage(layout[size_t(j)], values[size_t(j)]));
    return vals;
}

qint64 RowWriter::insertUnlessKeyTaken(Connection& conn, const TableDef& table, const RowLayout& layout,
                                       const std::vector<core::Variant>& values) {
    if (insertSql_.isEmpty()) prepare(table, layout);
    conn.prepare(insertUnlessTakenSql_).bind(storageValues(layout, values)).run();
    if (sqlite3_changes(conn.handle()) == 0) return 0;
    conn.touchData();
    return sqlite3_last_insert_rowid(conn.handle());
}

qint64 RowWriter::write(Connection& conn, const TableDef& table, const RowLayout& layout,
                        const std::vector<core::Variant>& values, bool isNew, qint64 oid) {
    if (insertSql_.isEmpty()) prepare(table, layout);
    std::vector<SqlValue> vals = storageValues(layout, values);
    if (isNew) {
        conn.prepare(insertSql_).bind(vals).run();
        oid = sqlite3_last_insert_rowid(conn.handle());
    } else {
        vals.push_back(oid);
        conn.prepare(updateSql_).bind(vals).run();
    }
    conn.touchData();
    return oid;
}

namespace hooks {

void operation(Database& db, const std::function<void()>& body, bool undoable) {
    db.beginOperation(undoable);
    try {
        body();
    } catch (...) {
        db.endOperation(false);
        throw;
    }
    db.endOperation(true);
}

void call(Database& db, const std::function<void()>& hook) {
    db.enterHook();
    try {
        hook();
    } catch (...) {
        db.leaveHook();
        throw;
    }
    db.leaveHook();
}

}  // namespace hooks

core::Variant aggregate(Connection& conn, const query::SqlQuery& q, const RowLayout::Column& info,
                        const QString& columnName, int aggregate) {
    const char* fn = aggregate == odbcMax     ? "MAX"
                     : aggregate == odbcMin   ? "MIN"
                     : aggregate == odbcCount ? "COUNT"
                                              : "TOTAL";
    const QString sql =
        QStringLiteral("SELECT %1(%2) FROM (%3)").arg(QLatin1String(fn), sqlIdent(columnName), q.sql());
    const SqlValue v = conn.scalar(sql, q.params);
    if (std::holds_alternative<std::monostate>(v)) return core::Variant(std::int32_t(0));
    if (aggregate == odbcCount) return wholeNumber(std::get<qint64>(v));
    const int t = info.col ? info.col->type : -1;
    if (t == coltype::Money) {
        const double d =
            std::holds_alternative<double>(v) ? std::get<double>(v) : double(std::get<qint64>(v));
        return core::Variant(core::Currency::fromDouble(d));
    }
    if (t == coltype::Date || t == coltype::DateTime)
        return std::holds_alternative<QString>(v) ? parseStoredDate(std::get<QString>(v))
                                                  : core::Variant::null();
    if (auto* s = std::get_if<QString>(&v)) return core::Variant(*s);
    if (auto* n = std::get_if<qint64>(&v)) return wholeNumber(*n);
    const double d = std::get<double>(v);
    if (t == coltype::Integer && std::floor(d) == d) return wholeNumber(qint64(d));
    return core::Variant(d);
}

}  // namespace datalib
