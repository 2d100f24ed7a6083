// The query language's entry points: a query (columns, filter, sort) and an
// update statement translated to SQL, a filter checked, and the SQL texts of
// a translated query. The translation itself is Translator's (Translator.h).

#include "datalib/query/QueryTranslator.h"

#include "datalib/query/Translator.h"

#include <QHash>

namespace datalib::query {

QString storedDateText(const core::Date& date, bool withTime) {
    const core::Date::Parts p = date.parts();
    // Written digit by digit: a receive stores a few dates in every row.
    const auto inRange = [](int v, int max) { return v >= 0 && v <= max; };
    if (inRange(p.year, 9999) && inRange(p.month, 99) && inRange(p.day, 99) && inRange(p.hour, 99) &&
        inRange(p.minute, 99) && inRange(p.second, 99)) {
        char16_t text[19];
        const auto put = [&](int at, int value, int digits) {
            for (int i = digits - 1; i >= 0; --i, value /= 10) text[at + i] = char16_t(u'0' + value % 10);
        };
        put(0, p.year, 4);
        text[4] = u'-';
        put(5, p.month, 2);
        text[7] = u'-';
        put(8, p.day, 2);
        if (!withTime) return QString(reinterpret_cast<const QChar*>(text), 10);
        text[10] = u' ';
        put(11, p.hour, 2);
        text[13] = u':';
        put(14, p.minute, 2);
        text[16] = u':';
        put(17, p.second, 2);
        return QString(reinterpret_cast<const QChar*>(text), 19);
    }
    QString s = QStringLiteral("%1-%2-%3")
                    .arg(p.year, 4, 10, QLatin1Char('0'))
                    .arg(p.month, 2, 10, QLatin1Char('0'))
                    .arg(p.day, 2, 10, QLatin1Char('0'));
    if (withTime)
        s += QStringLiteral(" %1:%2:%3")
                 .arg(p.hour, 2, 10, QLatin1Char('0'))
                 .arg(p.minute, 2, 10, QLatin1Char('0'))
                 .arg(p.second, 2, 10, QLatin1Char('0'));
    return s;
}

// ---- SqlQuery --------------------------------------------------------------

void SqlQuery::andWhere(const QString& sqlText, const std::vector<SqlValue>& values) {
    QString numbered;
    size_t next = 0;
    bool inString = false;
    for (QChar c : sqlText) {
        if (c == u'\'') inString = !inString;
        if (c == u'?' && !inString && next < values.size()) {
            params.push_back(values[next++]);
            numbered += QStringLiteral("?%1").arg(params.size());
        } else {
            numbered += c;
        }
    }
    where = where.isEmpty() ? QStringLiteral("(%1)").arg(numbered)
                            : QStringLiteral("(%1) AND (%2)").arg(where, numbered);
}

QString SqlQuery::sql() const {
    QString s = QStringLiteral("SELECT ");
    if (distinct) s += QStringLiteral("DISTINCT ");
    s += select + QStringLiteral(" FROM ") + from;
    if (!where.isEmpty()) s += QStringLiteral(" WHERE ") + where;
    if (!orderBy.isEmpty()) s += QStringLiteral(" ORDER BY ") + orderBy;
    return s;
}

QString SqlQuery::orderedSql() const {
    QString s = QStringLiteral("SELECT ");
    if (distinct) s += QStringLiteral("DISTINCT ");
    s += select + QStringLiteral(" FROM ") + from;
    if (!where.isEmpty()) s += QStringLiteral(" WHERE ") + where;
    if (!orderBy.isEmpty())
        s += QStringLiteral(" ORDER BY ") +
             (where.isEmpty() || filteredOrderBy.isEmpty() ? orderBy : filteredOrderBy);
    return s;
}

QString SqlQuery::keysetSql() const {
    QString s = QStringLiteral("SELECT %1.\"OID\" FROM %2").arg(quoteIdent(ownAlias()), from);
    if (!where.isEmpty()) s += QStringLiteral(" WHERE ") + where;
    // With a filter, an index that gives the order would have every row
    // looked up in the table to test the filter, one page read at a time:
    // reading the filtered rows and sorting them is several times faster.
    if (!orderBy.isEmpty())
        s += QStringLiteral(" ORDER BY ") +
             (where.isEmpty() || filteredOrderBy.isEmpty() ? orderBy : filteredOrderBy);
    return s;
}

QString SqlQuery::streamedKeysetSql() const {
    QString s = QStringLiteral("SELECT %1.\"OID\" FROM %2").arg(quoteIdent(ownAlias()), from);
    if (!where.isEmpty()) s += QStringLiteral(" WHERE ") + where;
    if (!orderBy.isEmpty()) s += QStringLiteral(" ORDER BY ") + orderBy;
    return s;
}

QString SqlQuery::countSql() const {
    if (distinct) {
        QString inner = QStringLiteral("SELECT DISTINCT ") + select + QStringLiteral(" FROM ") + from;
        if (!where.isEmpty()) inner += QStringLiteral(" WHERE ") + where;
        return QStringLiteral("SELECT COUNT(*) FROM (") + inner + u')';
    }
    QString s = QStringLiteral("SELECT COUNT(*) FROM ") + from;
    if (!where.isEmpty()) s += QStringLiteral(" WHERE ") + where;
    return s;
}

// ---- Translation -----------------------------------------------------------

SqlQuery translateQuery(const TableDef& table, const TableLookup& lookup, const QString& filter,
                        const QString& sort, const QString& columns) {
    SqlQuery q;
    Translator tr(table, lookup, TextKind::Columns, columns);

    // Column list first: its aliases may be sorted on.
    const ColumnList list = parseColumns(columns);
    q.distinct = list.distinct;
    QStringList select;
    QSet<QString> seen;
    QStringList names;
    QHash<QString, QString> aliases;  // upper-case alias -> its select expression
    int exprCount = 0;
    if (list.terms.empty()) {
        expandStar(tr, select, names, seen);
    }
    for (const ColumnTerm& term : list.terms) {
        if (term.star) {
            expandStar(tr, select, names, seen);
            continue;
        }
        tr.usedRoots().clear();
        Expr e = tr.value(*term.expr);
        tr.refuseMany(term.expr->pos);
        QString n;
        if (!term.alias.isEmpty())
            n = term.alias;
        else if (term.expr->kind == Node::Kind::Name)
            n = uniqueName(term.expr->path.last(), term.expr->text, names);
        else
            n = uniqueName(QStringLiteral("Expr%1").arg(++exprCount), QStringLiteral("Expr"), names);
        if (term.alias.isEmpty() && seen.contains(e.sql)) continue;
        seen.insert(e.sql);
        if (names.contains(n, Qt::CaseInsensitive))
            tr.fail(term.expr->pos, QStringLiteral("il nome di colonna '%1' è ripetuto").arg(n));
        select << e.sql + QStringLiteral(" AS ") + quoteIdent(n);
        names << n;
        aliases.insert(n.toUpper(), e.sql);
    }
    if (!q.distinct && !names.contains(kOid, Qt::CaseInsensitive)) {
        select.prepend(col(SqlQuery::ownAlias(), kOid) + QStringLiteral(" AS ") + quoteIdent(kOid));
        names.prepend(kOid);
    }

    tr.setText(TextKind::Filter, filter);
    q.where = tr.filterSql(parseFilter(filter).get());

    tr.setText(TextKind::Sort, sort);
    QStringList order, scanOrder;
    for (const SortTerm& term : parseSort(sort)) {
        QString sql;
        VType type = VType::Unknown;
        const Node& n = *term.expr;
        // Only a column can be sorted on: SQLite would read a number (and
        // False or True, written as 0 and 1) as the place of a result column.
        if (n.kind != Node::Kind::Name)
            tr.fail(n.pos, QStringLiteral("si può ordinare soltanto per un campo, non per un'espressione o "
                                          "un valore"));
        if (n.path.size() == 1 && aliases.contains(n.path[0].toUpper()) && !tr.columnFrom(0, n.path[0])) {
            sql = quoteIdent(n.path[0]);
        } else {
            tr.usedRoots().clear();
            Expr e = tr.value(n);
            tr.refuseMany(n.pos);
            sql = e.sql;
            type = e.type;
        }
        QString scan = QStringLiteral("(+%1)").arg(sql);
        if (type == VType::Text) {
            sql += QStringLiteral(" COLLATE NOCASE");
            scan += QStringLiteral(" COLLATE NOCASE");
        }
        if (term.descending) {
            sql += QStringLiteral(" DESC");
            scan += QStringLiteral(" DESC");
        }
        order << sql;
        scanOrder << scan;
    }
    if (!q.distinct) {
        order << col(SqlQuery::ownAlias(), kOid);
        scanOrder << col(SqlQuery::ownAlias(), kOid);
    }
    q.orderBy = order.join(QStringLiteral(", "));
    q.filteredOrderBy = scanOrder.join(QStringLiteral(", "));

    q.select = select.join(QStringLiteral(", "));
    q.columnNames = names;
    q.from = QStringLiteral("%1 AS %2").arg(quoteIdent(table.name()), quoteIdent(SqlQuery::ownAlias())) +
             tr.joinsOutside();
    q.params = std::move(tr.params());
    return q;
}

void checkFilter(const TableDef& table, const TableLookup& lookup, const QString& filter) {
    Translator tr(table, lookup, TextKind::Filter, filter);
    tr.filterSql(parseFilter(filter).get());
}

SqlStatement translateStatement(const QString& text, const TableLookup& lookup) {
    const UpdateStatement st = parseUpdate(text);
    const TableDef* table = lookup ? lookup(st.table) : nullptr;
    if (!table)
        throw queryError(TextKind::Statement, text, st.tablePos,
                         QStringLiteral("tabella sconosciuta '%1'").arg(st.table));
    Translator tr(*table, lookup, TextKind::Statement, text);
    QStringList sets;
    for (size_t i = 0; i < st.assignments.size(); ++i) {
        const auto& [name, node] = st.assignments[i];
        const ColumnDef* c = table->columns.find(name);
        if (!c)
            tr.fail(st.assignmentPos[i],
                    QStringLiteral("campo sconosciuto '%1' nella tabella %2").arg(name, table->name()));
        Expr e = tr.value(*node, typeOfColumn(c->type));
        if (tr.scopes().size() > 1)
            tr.fail(node->pos,
                    QStringLiteral("il valore può usare soltanto campi della tabella %1").arg(table->name()));
        sets << quoteIdent(c->name) + QStringLiteral(" = ") + e.sql;
    }
    SqlStatement out;
    const QString own = quoteIdent(SqlQuery::ownAlias());
    out.sql = QStringLiteral("UPDATE %1 AS %2 SET %3")
                  .arg(quoteIdent(table->name()), own, sets.join(QStringLiteral(", ")));
    if (st.where) {
        // Joins are not allowed in UPDATE: the rows are picked by a query.
        const QString where = tr.filterSql(st.where.get());
        out.sql += QStringLiteral(" WHERE %1 IN (SELECT %1 FROM %2 AS %3%4 WHERE %5)")
                       .arg(col(SqlQuery::ownAlias(), kOid), quoteIdent(table->name()), own,
                            tr.joinsOutside(), where);
    }
    out.params = std::move(tr.params());
    return out;
}

}  // namespace datalib::query
