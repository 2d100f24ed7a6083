// The assembly of a translated query: the joins of the tables its names
// reached, the semi-joins that hold the conditions on one-to-many tables, the
// columns "*" stands for and the names of the result's columns.

#include "datalib/query/Translator.h"

#include <algorithm>
#include <functional>
#include <numeric>

namespace datalib::query {

QString Translator::joinsOutside() const {
    QString out;
    for (size_t i = 1; i < scopes_.size(); ++i) {
        const Scope& s = scopes_[i];
        if (s.semiRoot < 0)
            out += QStringLiteral(" LEFT JOIN %1 AS %2 ON %3")
                       .arg(quoteIdent(s.table->name()), quoteIdent(s.alias), s.joinOn());
    }
    return out;
}

QString Translator::exists(const QSet<int>& rootSet, const QStringList& conditions) const {
    QList<int> roots = rootSet.values();
    std::sort(roots.begin(), roots.end());
    QStringList from;
    QStringList where;
    for (int root : roots) {
        const Scope& r = scopes_[size_t(root)];
        QString part = QStringLiteral("%1 AS %2").arg(quoteIdent(r.table->name()), quoteIdent(r.alias));
        for (size_t i = 1; i < scopes_.size(); ++i) {
            const Scope& s = scopes_[i];
            if (s.semiRoot == root && int(i) != root)
                part += QStringLiteral(" LEFT JOIN %1 AS %2 ON %3")
                            .arg(quoteIdent(s.table->name()), quoteIdent(s.alias), s.joinOn());
        }
        from << part;
        if (roots.size() > 1) where << r.joinOn();
    }
    where << conditions;
    if (roots.size() == 1 && scopes_[size_t(roots[0])].via == Step::Kind::Collection) {
        // The parent's OID is never Null, and rows without a parent are
        // left out, so that NOT over it stays exact.
        const Scope& r = scopes_[size_t(roots[0])];
        where.prepend(r.innerSide + QStringLiteral(" IS NOT NULL"));
        return QStringLiteral("%1 IN (SELECT %2 FROM %3 WHERE %4)")
            .arg(r.outerSide, r.innerSide, from[0], where.join(QStringLiteral(" AND ")));
    }
    return QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE %2)")
        .arg(from.join(QStringLiteral(", ")), where.join(QStringLiteral(" AND ")));
}

QString Translator::filterSql(const Node* root) {
    anchorJoins(root);
    if (!root) return {};
    return andSql(*root);
}

QSet<int> Translator::rootsOf(const Node& n) {
    const size_t mark = params_.size();
    const QSet<int> saved = usedRoots_;
    usedRoots_.clear();
    condition(n);
    QSet<int> roots = usedRoots_;
    usedRoots_ = saved;
    params_.resize(mark);
    return roots;
}

QString Translator::plain(const Node& n) {
    const QSet<int> saved = usedRoots_;
    QString sql = condition(n);
    usedRoots_ = saved;
    return sql;
}

QString Translator::andSql(const Node& root) {
    std::vector<const Node*> parts;
    std::vector<const Node*> stack{&root};
    while (!stack.empty()) {
        const Node* n = stack.back();
        stack.pop_back();
        if (n->kind == Node::Kind::And) {
            stack.push_back(n->args[1].get());
            stack.push_back(n->args[0].get());
        } else {
            parts.push_back(n);
        }
    }
    std::vector<QSet<int>> roots;
    for (const Node* p : parts) roots.push_back(rootsOf(*p));
    std::vector<int> group(parts.size());
    std::iota(group.begin(), group.end(), 0);
    std::function<int(int)> top = [&](int i) {
        return group[size_t(i)] == i ? i : group[size_t(i)] = top(group[size_t(i)]);
    };
    for (size_t i = 0; i < parts.size(); ++i)
        for (size_t j = i + 1; j < parts.size(); ++j)
            if (roots[i].intersects(roots[j])) group[size_t(top(int(j)))] = top(int(i));
    QStringList out;
    QSet<int> emitted;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (roots[i].isEmpty()) {
            out << plain(*parts[i]);
            continue;
        }
        const int g = top(int(i));
        if (emitted.contains(g)) continue;
        emitted.insert(g);
        std::vector<size_t> members;
        for (size_t j = i; j < parts.size(); ++j)
            if (!roots[j].isEmpty() && top(int(j)) == g) members.push_back(j);
        const Node& first = *parts[members[0]];
        if (members.size() == 1 && (first.kind == Node::Kind::Or || first.kind == Node::Kind::Not)) {
            out << apart(first);
            continue;
        }
        QSet<int> all;
        QStringList conds;
        for (size_t j : members) {
            all.unite(roots[j]);
            conds << plain(*parts[j]);
        }
        out << exists(all, conds);
    }
    return out.join(QStringLiteral(" AND "));
}

QString Translator::apart(const Node& n) {
    if (rootsOf(n).isEmpty()) return plain(n);
    switch (n.kind) {
        case Node::Kind::Or:
            return QStringLiteral("(%1 OR %2)").arg(apart(*n.args[0]), apart(*n.args[1]));
        case Node::Kind::Not:
            return QStringLiteral("(NOT %1)").arg(apart(*n.args[0]));
        case Node::Kind::And:
            return QStringLiteral("(%1)").arg(andSql(n));
        default:
            return exists(rootsOf(n), {plain(n)});
    }
}

void Translator::refuseMany(int pos) {
    if (!usedRoots_.isEmpty()) fail(pos, QStringLiteral("il campo appartiene a più righe collegate"));
}

void expandStar(Translator& tr, QStringList& select, QStringList& names, QSet<QString>& seen) {
    auto add = [&](const Expr& e, const QString& n) {
        if (seen.contains(e.sql)) return;
        seen.insert(e.sql);
        select << e.sql + QStringLiteral(" AS ") + quoteIdent(n);
        names << n;
    };
    int scope = 0;
    const TableDef* t = &tr.ownTable();
    QSet<QString> taken;
    while (t) {
        std::vector<Translator::ColumnHit> cols;
        if (scope == 0) cols.push_back({kOid, coltype::Integer});
        for (int i = 0; i < t->columns.Count(); ++i)
            cols.push_back({t->columns.Item(i).name, t->columns.Item(i).type});
        for (int i = 0; i < t->references.Count(); ++i) {
            const ReferenceDef& r = t->references.Item(i);
            if (!r.collection)
                cols.push_back({r.name, r.keyColumn.isEmpty() ? coltype::Integer : coltype::Code});
        }
        if (scope == 0) {
            if (t->base) cols.push_back({t->baseLinkColumn(), coltype::Integer});
            for (const ReferenceDef* p : t->parents)
                cols.push_back({p->parentLinkColumn(), coltype::Integer});
        }
        for (const Translator::ColumnHit& c : cols) {
            const QString upper = c.name.toUpper();
            if (taken.contains(upper)) continue;  // a based table's own column hides the base's one
            taken.insert(upper);
            add(tr.columnExpr(scope, c), c.name);
        }
        if (!t->base) break;
        scope = tr.stepScope(scope, {Step::Kind::Base, nullptr, t->base});
        t = t->base;
    }
}

QString uniqueName(const QString& wanted, const QString& fallback, const QStringList& names) {
    if (!names.contains(wanted, Qt::CaseInsensitive)) return wanted;
    if (!names.contains(fallback, Qt::CaseInsensitive)) return fallback;
    for (int i = 2;; ++i) {
        const QString n = fallback + QString::number(i);
        if (!names.contains(n, Qt::CaseInsensitive)) return n;
    }
}

}  // namespace datalib::query
