#include "datalib/RowImage.h"

#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"

#include <sqlite3.h>

namespace datalib {

namespace {

SqlValue storedValue(const Statement& st, int col) {
    switch (st.columnType(col)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return st.int64(col);
        case SQLITE_FLOAT:
            return st.real(col);
        case SQLITE_TEXT:
            return st.text(col);
        default:
            // The tables hold no binary values; one found is not copied half.
            throw errors::make(errors::Storage,
                               QStringLiteral("La colonna \"%1\" contiene un valore binario: la riga non può "
                                              "essere ripristinata.")
                                   .arg(st.columnName(col)));
    }
}

std::vector<qint64> childrenOf(Database& db, const QString& table, const QString& link, qint64 oid) {
    std::vector<qint64> kids;
    Statement st = db.conn().prepare(
        QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 = ?1").arg(sqlIdent(table), sqlIdent(link)));
    st.bind(1, oid);
    while (st.step()) kids.push_back(st.int64(0));
    return kids;
}

}  // namespace

RowImage RowImage::Of(const DataSource& ds) {
    if (ds.IsNew() || !ds.RowValid() || ds.OID() == 0)
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(ds.tableDef().name()));
    RowImage image;
    image.root_ = take(*ds.Database(), ds.tableDef(), ds.OID());
    return image;
}

RowImage::Node RowImage::take(const Database& db, const TableDef& table, qint64 oid) {
    Node node;
    node.table = table.name();
    node.oid = oid;
    {
        Statement st = db.conn().prepare(
            QStringLiteral("SELECT * FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(table.name())));
        st.bind(1, oid);
        if (!st.step())
            throw errors::make(errors::NoCurrentRow,
                               QStringLiteral("La riga non è più in \"%1\".").arg(table.name()));
        for (int c = 0; c < st.columnCount(); ++c) {
            node.columns << st.columnName(c);
            node.values.push_back(storedValue(st, c));
        }
    }
    for (int i = 0; i < table.references.Count(); ++i) {
        const ReferenceDef& r = table.references.Item(i);
        if (!r.collection || !r.owned) continue;
        const TableDef* child = db.lookup(r.table);
        if (!child) continue;
        Node::Owned owned{child->name(), r.parentLinkColumn(), {}};
        for (qint64 kid : childrenOf(const_cast<Database&>(db), owned.table, owned.link, oid))
            owned.rows.push_back(take(db, *child, kid));
        node.owned.push_back(std::move(owned));
    }
    return node;
}

long RowImage::count(const Node& node) {
    long n = 1;
    for (const Node::Owned& o : node.owned)
        for (const Node& kid : o.rows) n += count(kid);
    return n;
}

long RowImage::RowCount() const { return count(root_); }

void RowImage::deleteOwned(Database& db, const QString& table, qint64 oid) {
    const TableDef* def = db.lookup(table);
    if (!def) return;
    for (int i = 0; i < def->references.Count(); ++i) {
        const ReferenceDef& r = def->references.Item(i);
        if (!r.collection || !r.owned) continue;
        const QString link = r.parentLinkColumn();
        for (qint64 kid : childrenOf(db, r.table, link, oid)) deleteOwned(db, r.table, kid);
        db.conn()
            .prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?1").arg(sqlIdent(r.table), sqlIdent(link)))
            .bind(1, oid)
            .run();
    }
}

void RowImage::put(Database& db, const Node& node) {
    // The child rows as they are now go (with theirs); those of the image
    // come back below.
    deleteOwned(db, node.table, node.oid);
    QStringList sets, names, marks;
    for (int c = 0; c < node.columns.size(); ++c) {
        sets << sqlIdent(node.columns[c]) + QStringLiteral(" = ?") + QString::number(c + 1);
        names << sqlIdent(node.columns[c]);
        marks << QStringLiteral("?") + QString::number(c + 1);
    }
    db.conn()
        .prepare(QStringLiteral("UPDATE %1 SET %2 WHERE \"OID\" = ?%3")
                     .arg(sqlIdent(node.table), sets.join(QLatin1String(", ")))
                     .arg(node.columns.size() + 1))
        .bind(node.values)
        .bind(int(node.columns.size()) + 1, node.oid)
        .run();
    if (sqlite3_changes(db.conn().handle()) == 0)
        db.conn()
            .prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                         .arg(sqlIdent(node.table), names.join(QLatin1String(", ")),
                              marks.join(QLatin1String(", "))))
            .bind(node.values)
            .run();
    for (const Node::Owned& o : node.owned)
        for (const Node& kid : o.rows) put(db, kid);
}

void RowImage::Restore(Database& db) const {
    Connection& conn = db.conn();
    conn.beginTrans();
    try {
        put(db, root_);
    } catch (...) {
        try {
            conn.rollbackTrans();
        } catch (...) {
            // The failure that stopped the restore is the one told.
        }
        conn.touchData();
        throw;
    }
    conn.commitTrans();
    conn.touchData();
}

}  // namespace datalib
