#pragma once
// A stored row with its owned child rows (an order with its rows) as they are
// at one moment, to be put back later: the values changed since get theirs
// again, the child rows added since go, those deleted since come back with
// their row identifiers. Putting it back runs no table rules: what it puts
// back was written through them. Other rows of the same tables, and every
// other table, keep what was written meanwhile.

#include "datalib/SqlValue.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace datalib {

class Database;
class DataSource;
struct TableDef;

class RowImage {
  public:
    // The current row of the data source as it is stored (pending edits are
    // not part of it). Raises without a current stored row.
    static RowImage Of(const DataSource& ds);

    const QString& table() const { return root_.table; }
    qint64 oid() const { return root_.oid; }
    // How many rows the image holds, the row itself included.
    long RowCount() const;

    // Puts the rows back as they were, all or none (a savepoint of its own);
    // the data sources read them again at their next look.
    void Restore(Database& db) const;

  private:
    struct Node {
        QString table;
        qint64 oid = 0;
        QStringList columns;
        std::vector<SqlValue> values;
        struct Owned {
            QString table;
            QString link;  // the child table's column that holds this row's OID
            std::vector<Node> rows;
        };
        std::vector<Owned> owned;
    };
    static Node take(const Database& db, const TableDef& table, qint64 oid);
    static void deleteOwned(Database& db, const QString& table, qint64 oid);
    static void put(Database& db, const Node& node);
    static long count(const Node& node);

    Node root_;
};

}  // namespace datalib
