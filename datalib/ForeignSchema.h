#pragma once
// The schema of a file that comes from outside (head office's copy, an
// archive chosen for an import), read before anything in it is checked or
// written: it may hold only the tables and indexes that the program's own
// definitions make. SQLite evaluates a CHECK constraint, a generated column,
// an index expression or a partial index's condition inside a single step,
// on every check of the file and every write, where no time limit between
// steps can stop it.

#include <QString>

namespace datalib {

class Connection;

// Refuses (errors::ForeignSchema, naming the table) a file whose tables or
// indexes have any other form. Triggers and views are left to the opening,
// which drops them; so are SQLite's statistics (sqlite_stat1 ...).
void CheckForeignSchema(Connection& conn, const QString& shownName);

}  // namespace datalib
