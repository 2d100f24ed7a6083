#pragma once
// A value bound to an SQLite parameter, already in its storage form: Null, a
// whole number (also 0/1 for flags), a real, or a text (also dates); and the
// one way such values are bound to a prepared statement.

#include <QString>
#include <QtGlobal>
#include <variant>
#include <vector>

struct sqlite3_stmt;

namespace datalib {

using SqlValue = std::variant<std::monostate, qint64, double, QString>;

// Binds the value to the parameter ?index; the SQLite result code.
int bindSqlValue(sqlite3_stmt* statement, int index, const SqlValue& value);
// Binds the values to ?1..?n; the result code of the first bind that failed,
// else SQLITE_OK.
int bindSqlValues(sqlite3_stmt* statement, const std::vector<SqlValue>& values);

}  // namespace datalib
