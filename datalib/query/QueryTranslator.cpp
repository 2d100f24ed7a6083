// Name resolution and SQL generation of the query language.

#include "datalib/query/QueryTranslator.h"

#include "core/Clock.h"
#include "datalib/query/QueryAst.h"
#include "datalib/query/QueryError.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <cmath>
#include <numeric>

namespace datalib::query {

namespace {

QString quoteIdent(const QString& name) {
    QString out;
    out.reserve(name.size() + 2);
    out += u'"';
    if (name.contains(u'"'))
        out += QString(name).replace(u'"', QStringLiteral("\"\""));
    else
        out += name;
    out += u'"';
    return out;
}

// "alias"."column" (aliases are ours and never hold a quote).
QString col(const QString& alias, const QString& column) {
    QString out;
    out.reserve(alias.size() + column.size() + 6);
    out += u'"';
    out += alias;
    out += QLatin1String("\".");
    out += quoteIdent(column);
    return out;
}

bool sameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

const QString kOid = QStringLiteral("OID");

// How one table is reached from another.
struct Step {
    enum class Kind { Reference, Base, Parent, Collection, Reverse };
    Kind kind;
    const ReferenceDef* ref = nullptr;  // Reference, Parent, Collection, Reverse
    const TableDef* target = nullptr;
    bool many() const { return kind == Kind::Collection || kind == Kind::Reverse; }
};

// A table standing in the query under an alias.
struct Scope {
    const TableDef* table = nullptr;
    QString alias;
    int parent = -1;
    Step::Kind via = Step::Kind::Reference;
    const ReferenceDef* ref = nullptr;
    QString innerSide;  // this scope's column of the link to its parent
    QString outerSide;  // the parent's column of that link
    int semiRoot = -1;  // first one-to-many scope on the path (maybe itself), -1 for none
    QString joinOn() const { return innerSide + QStringLiteral(" = ") + outerSide; }
};

// The value type of an expression, as far as the translator needs it.
enum class VType { Unknown, Null, Bool, Number, Text, Date, DateTime };

struct Expr {
    QString sql;
    VType type = VType::Unknown;
    bool condition = false;  // already a truth value (comparison, AND ...)
    int columnType = -1;     // the declared type code when the expression is a column
    bool isColumn() const { return columnType >= 0; }
};

VType typeOfColumn(int code) {
    switch (code) {
        case coltype::Boolean:
            return VType::Bool;
        case coltype::Date:
            return VType::Date;
        case coltype::DateTime:
            return VType::DateTime;
        case coltype::Integer:
        case coltype::Single:
        case coltype::Number:
        case coltype::Money:
            return VType::Number;
        default:
            return VType::Text;
    }
}

// Reads the text of a date literal: "yyyy-MM-dd[ HH:mm[:ss]]" (also with
// "T" before the time) or the Italian "dd/mm/yyyy[ hh:mm[:ss]]" (also with
// "." in the time).
std::optional<core::Date> readDate(const QString& text) {
    const QString t = text.trimmed();
    int split = int(t.indexOf(u' '));
    if (split < 0) split = int(t.indexOf(u'T'));
    const QStringView datePart = QStringView(t).left(split < 0 ? t.size() : split);
    const QStringView timePart = split < 0 ? QStringView() : QStringView(t).mid(split + 1).trimmed();
    auto numbers = [](QStringView part, QChar sep, int maxParts) -> std::vector<int> {
        std::vector<int> out;
        for (QStringView piece : part.split(sep)) {
            bool ok = false;
            const int v = piece.toInt(&ok);
            if (!ok || piece.isEmpty() || piece.size() > 4 || int(out.size()) == maxParts) return {};
            out.push_back(v);
        }
        return out;
    };
    int y = 0, m = 0, d = 0;
    if (datePart.contains(u'-')) {
        const auto v = numbers(datePart, u'-', 3);
        if (v.size() != 3) return std::nullopt;
        y = v[0], m = v[1], d = v[2];
    } else {
        const auto v = numbers(datePart, u'/', 3);
        if (v.size() != 3) return std::nullopt;
        d = v[0], m = v[1], y = v[2];
    }
    if (!core::Date::isValidDate(y, m, d)) return std::nullopt;
    int hh = 0, mm = 0, ss = 0;
    if (!timePart.isEmpty()) {
        const auto v = numbers(timePart, timePart.contains(u':') ? u':' : u'.', 3);
        if (v.size() < 2 || v[0] > 23 || v[1] > 59 || (v.size() == 3 && v[2] > 59)) return std::nullopt;
        hh = v[0], mm = v[1], ss = v.size() == 3 ? v[2] : 0;
    }
    return core::Date::fromParts(y, m, d, hh, mm, ss);
}

class Translator {
  public:
    Translator(const TableDef& table, const TableLookup& lookup, TextKind kind, const QString& text)
        : lookup_(lookup), kind_(kind), text_(text) {
        Scope own;
        own.table = &table;
        own.alias = SqlQuery::ownAlias();
        scopes_.push_back(own);
    }

    void setText(TextKind kind, const QString& text) {
        kind_ = kind;
        text_ = text;
    }

    std::vector<SqlValue>& params() { return params_; }
    const std::vector<Scope>& scopes() const { return scopes_; }
    const TableDef& ownTable() const { return *scopes_[0].table; }

    // Scopes that the last translated piece used under a one-to-many step.
    QSet<int>& usedRoots() { return usedRoots_; }

    [[noreturn]] void fail(int pos, const QString& what) const { throw queryError(kind_, text_, pos, what); }

    QString bind(SqlValue v) {
        params_.push_back(std::move(v));
        return QStringLiteral("?%1").arg(params_.size());
    }

    // ---- Tables and names ------------------------------------------------

    const TableDef* table(const QString& name) const { return lookup_ ? lookup_(name) : nullptr; }

    std::vector<Step> neighbours(const TableDef* t) const {
        std::vector<Step> out;
        for (int i = 0; i < t->references.Count(); ++i) {
            const ReferenceDef& r = t->references.Item(i);
            const TableDef* target = table(r.table);
            if (!target) continue;
            out.push_back({r.collection ? Step::Kind::Collection : Step::Kind::Reference, &r, target});
        }
        if (t->base) out.push_back({Step::Kind::Base, nullptr, t->base});
        for (const ReferenceDef* p : t->parents) {
            const TableDef* parent = table(p->ownerTable);
            if (parent) out.push_back({Step::Kind::Parent, p, parent});
        }
        return out;
    }

    static bool stepNamed(const Step& s, const QString& q) {
        return (s.kind == Step::Kind::Reference || s.kind == Step::Kind::Collection) &&
               sameName(s.ref->name, q);
    }

    // The path of steps from table `from` to the table that the qualifier
    // names; empty optional when there is none.
    std::optional<std::vector<Step>> findPath(const TableDef* from, const QString& q) const {
        if (sameName(from->name(), q)) return std::vector<Step>{};
        if (auto direct = directStep(from, q)) return std::vector<Step>{*direct};
        struct Item {
            const TableDef* table;
            std::vector<Step> path;
        };
        std::vector<Item> frontier{{from, {}}};
        QSet<const TableDef*> seen{from};
        for (int depth = 1; depth <= 3 && !frontier.empty(); ++depth) {
            std::vector<Item> next;
            std::optional<std::vector<Step>> byTable;
            for (const Item& item : frontier) {
                for (const Step& s : neighbours(item.table)) {
                    std::vector<Step> path = item.path;
                    path.push_back(s);
                    if (stepNamed(s, q)) return path;  // a reference name wins over a table name
                    if (!byTable && sameName(s.target->name(), q)) byTable = path;
                    if (!seen.contains(s.target)) {
                        seen.insert(s.target);
                        next.push_back({s.target, std::move(path)});
                    }
                }
            }
            if (byTable) return byTable;
            frontier = std::move(next);
            // A table that refers to this one (the articles of a category):
            // tried once the direct neighbours gave nothing.
            if (depth == 1) {
                if (auto rev = reverseStep(from, q)) return std::vector<Step>{*rev};
            }
        }
        return std::nullopt;
    }

    // The usual case, one step away, found without looking up every
    // neighbouring table: the same order as the search below.
    std::optional<Step> directStep(const TableDef* from, const QString& q) const {
        const ReferenceDef* byTable = nullptr;
        for (int i = 0; i < from->references.Count(); ++i) {
            const ReferenceDef& r = from->references.Item(i);
            if (sameName(r.name, q)) {
                if (const TableDef* target = table(r.table))
                    return Step{r.collection ? Step::Kind::Collection : Step::Kind::Reference, &r, target};
            }
            if (!byTable && sameName(r.table, q)) byTable = &r;
        }
        if (byTable) {
            if (const TableDef* target = table(byTable->table))
                return Step{byTable->collection ? Step::Kind::Collection : Step::Kind::Reference, byTable,
                            target};
        }
        if (from->base && sameName(from->base->name(), q)) return Step{Step::Kind::Base, nullptr, from->base};
        for (const ReferenceDef* p : from->parents)
            if (sameName(p->ownerTable, q))
                if (const TableDef* parent = table(p->ownerTable)) return Step{Step::Kind::Parent, p, parent};
        return std::nullopt;
    }

    std::optional<Step> reverseStep(const TableDef* from, const QString& q) const {
        const TableDef* other = table(q);
        if (!other) return std::nullopt;
        for (int i = 0; i < other->references.Count(); ++i) {
            const ReferenceDef& r = other->references.Item(i);
            if (!r.collection && sameName(r.table, from->name())) return Step{Step::Kind::Reverse, &r, other};
        }
        return std::nullopt;
    }

    // The key column of `target` that a reference compares with.
    static QString refTargetColumn(const ReferenceDef& r) {
        return r.keyColumn.isEmpty() ? kOid : r.keyColumn;
    }

    int stepScope(int from, const Step& s) {
        for (size_t i = 1; i < scopes_.size(); ++i) {
            const Scope& sc = scopes_[i];
            if (sc.parent == from && sc.via == s.kind && sc.ref == s.ref) return int(i);
        }
        const Scope& f = scopes_[size_t(from)];
        Scope sc;
        sc.table = s.target;
        sc.alias = QStringLiteral("j%1").arg(scopes_.size());
        sc.parent = from;
        sc.via = s.kind;
        sc.ref = s.ref;
        switch (s.kind) {
            case Step::Kind::Reference:
                sc.innerSide = col(sc.alias, refTargetColumn(*s.ref));
                sc.outerSide = col(f.alias, s.ref->name);
                break;
            case Step::Kind::Base:
                sc.innerSide = col(sc.alias, kOid);
                sc.outerSide = col(f.alias, f.table->baseLinkColumn());
                break;
            case Step::Kind::Parent:
                sc.innerSide = col(sc.alias, kOid);
                sc.outerSide = col(f.alias, s.ref->parentLinkColumn());
                break;
            case Step::Kind::Collection:
                sc.innerSide = col(sc.alias, s.ref->parentLinkColumn());
                sc.outerSide = col(f.alias, kOid);
                break;
            case Step::Kind::Reverse:
                sc.innerSide = col(sc.alias, s.ref->name);
                sc.outerSide = col(f.alias, refTargetColumn(*s.ref));
                break;
        }
        sc.semiRoot = f.semiRoot >= 0 ? f.semiRoot : (s.many() ? int(scopes_.size()) : -1);
        scopes_.push_back(std::move(sc));
        return int(scopes_.size()) - 1;
    }

    struct ColumnHit {
        QString name;  // the stored column's name as declared
        int type = coltype::Text;
    };

    // A stored column of `t` itself (no base, no parent).
    std::optional<ColumnHit> ownColumn(const TableDef* t, const QString& name) const {
        if (sameName(name, kOid)) return ColumnHit{kOid, coltype::Integer};
        if (const ColumnDef* c = t->columns.find(name)) return ColumnHit{c->name, c->type};
        if (const ReferenceDef* r = t->references.find(name)) {
            if (r->collection) return std::nullopt;
            // A code of the referenced row, or its OID.
            return ColumnHit{r->name, r->keyColumn.isEmpty() ? coltype::Integer : coltype::Code};
        }
        if (t->base && sameName(name, t->baseLinkColumn()))
            return ColumnHit{t->baseLinkColumn(), coltype::Integer};
        for (const ReferenceDef* p : t->parents)
            if (sameName(name, p->parentLinkColumn()))
                return ColumnHit{p->parentLinkColumn(), coltype::Integer};
        return std::nullopt;
    }

    void noteScope(int scope) {
        if (scopes_[size_t(scope)].semiRoot >= 0) usedRoots_.insert(scopes_[size_t(scope)].semiRoot);
    }

    // A bare column name seen from a scope: the table itself, then its base,
    // then its parents.
    std::optional<Expr> columnFrom(int scope, const QString& name) {
        const TableDef* t = scopes_[size_t(scope)].table;
        if (auto hit = ownColumn(t, name)) return columnExpr(scope, *hit);
        if (t->base) {
            const TableDef* base = t->base;
            if (ownColumn(base, name) || (base->base && base->findColumn(name)))
                return columnFrom(stepScope(scope, {Step::Kind::Base, nullptr, base}), name);
        }
        for (const ReferenceDef* p : t->parents) {
            const TableDef* parent = table(p->ownerTable);
            if (parent &&
                (ownColumn(parent, name) || parent->findColumn(name) || parent->findReference(name)))
                return columnFrom(stepScope(scope, {Step::Kind::Parent, p, parent}), name);
        }
        return std::nullopt;
    }

    Expr columnExpr(int scope, const ColumnHit& hit) {
        noteScope(scope);
        Expr e;
        e.sql = col(scopes_[size_t(scope)].alias, hit.name);
        e.type = typeOfColumn(hit.type);
        e.columnType = hit.type;
        return e;
    }

    // The path from the own table to the table a name's first qualifier
    // names: the one a join condition of the filter tied it to, else the
    // nearest one.
    std::optional<std::vector<Step>> rootPath(const QString& q) const {
        for (const auto& [name, path] : anchored_)
            if (sameName(name, q)) return path;
        return findPath(scopes_[0].table, q);
    }

    // A join condition among the AND-ed parts of a filter,
    // "Clienti.Città=Comuni.OID", says through which reference the second
    // table is reached: its other names ("Comuni.Provincia") then speak of
    // that row. So a customer search's condition, written on the customers,
    // keeps its meaning on the order rows, where the nearest "Comuni" would
    // be the agent's town and the nearest "TipiPagamento" the order's own
    // payment type.
    void anchorJoins(const Node* root) {
        anchored_.clear();
        if (!root) return;
        std::vector<const Node*> joins;
        std::vector<const Node*> stack{root};
        while (!stack.empty()) {
            const Node* n = stack.back();
            stack.pop_back();
            if (n->kind == Node::Kind::And) {
                for (const NodePtr& a : n->args) stack.push_back(a.get());
            } else if (n->kind == Node::Kind::Compare && n->text == u"=" &&
                       n->args[0]->kind == Node::Kind::Name && n->args[1]->kind == Node::Kind::Name &&
                       n->args[0]->path.size() == 2 && n->args[1]->path.size() == 2) {
                joins.push_back(n);
            }
        }
        const TableDef* own = scopes_[0].table;
        for (bool grew = true; grew;) {
            grew = false;
            for (const Node* j : joins) {
                for (int side = 0; side < 2; ++side) {
                    const QStringList& from = j->args[size_t(side)]->path;
                    const QStringList& to = j->args[size_t(1 - side)]->path;
                    if (sameName(to[0], own->name())) continue;
                    if (std::any_of(anchored_.begin(), anchored_.end(),
                                    [&](const auto& a) { return sameName(a.first, to[0]); }))
                        continue;
                    auto path = rootPath(from[0]);
                    if (!path) continue;
                    const TableDef* t = path->empty() ? own : path->back().target;
                    const ReferenceDef* r = t->references.find(from[1]);
                    if (!r || r->collection || !sameName(r->table, to[0]) ||
                        !sameName(refTargetColumn(*r), to[1]))
                        continue;
                    const TableDef* target = table(r->table);
                    if (!target) continue;
                    path->push_back({Step::Kind::Reference, r, target});
                    anchored_.emplace_back(to[0], std::move(*path));
                    grew = true;
                }
            }
        }
    }

    Expr name(const Node& n) {
        int scope = 0;
        for (int i = 0; i + 1 < n.path.size(); ++i) {
            const QString& q = n.path[i];
            auto path = i == 0 ? rootPath(q) : findPath(scopes_[size_t(scope)].table, q);
            if (!path) fail(n.pos, QStringLiteral("tabella o riferimento sconosciuto '%1'").arg(q));
            for (const Step& s : *path) scope = stepScope(scope, s);
        }
        if (auto e = columnFrom(scope, n.path.last())) return *e;
        if (n.path.size() > 1)
            fail(n.pos, QStringLiteral("campo sconosciuto '%1' nella tabella %2")
                            .arg(n.path.last(), scopes_[size_t(scope)].table->name()));
        fail(n.pos, QStringLiteral("campo sconosciuto '%1'").arg(n.path.last()));
    }

    // ---- Values ----------------------------------------------------------

    Expr literal(const Node& n, VType want) {
        Expr e;
        switch (n.kind) {
            case Node::Kind::Null:
                e.sql = QStringLiteral("NULL");
                e.type = VType::Null;
                return e;
            case Node::Kind::Bool:
                e.sql = n.number != 0 ? QStringLiteral("1") : QStringLiteral("0");
                e.type = VType::Bool;
                return e;
            case Node::Kind::Number: {
                e.type = VType::Number;
                if (want == VType::Bool) {
                    e.sql = n.number != 0 ? QStringLiteral("1") : QStringLiteral("0");
                    return e;
                }
                const double v = n.number;
                if (v == std::floor(v) && std::fabs(v) < 9.0e15)
                    e.sql = bind(qint64(v));
                else
                    e.sql = bind(v);
                return e;
            }
            case Node::Kind::String:
                if (want == VType::Date || want == VType::DateTime) {
                    const auto d = readDate(n.text);
                    if (!d) fail(n.pos, QStringLiteral("'%1' non è una data valida").arg(n.text));
                    e.sql = bind(storedDateText(*d, want == VType::DateTime));
                    e.type = want;
                    return e;
                }
                e.sql = bind(n.text);
                e.type = VType::Text;
                return e;
            case Node::Kind::Date: {
                const auto d = readDate(n.text);
                if (!d) fail(n.pos, QStringLiteral("#%1# non è una data valida").arg(n.text));
                const bool withTime = want == VType::DateTime || (want != VType::Date && d->hasTime());
                e.sql = bind(storedDateText(want == VType::Date ? d->datePart() : *d, withTime));
                e.type = withTime ? VType::DateTime : VType::Date;
                return e;
            }
            default:
                break;
        }
        return e;
    }

    static bool isLiteral(const Node& n) {
        return n.kind == Node::Kind::Null || n.kind == Node::Kind::Bool || n.kind == Node::Kind::Number ||
               n.kind == Node::Kind::String || n.kind == Node::Kind::Date;
    }

    // An expression whose literals take the form that `want` asks.
    Expr value(const Node& n, VType want = VType::Unknown) {
        if (isLiteral(n)) return literal(n, want);
        switch (n.kind) {
            case Node::Kind::Name:
                return name(n);
            case Node::Kind::Negate: {
                Expr a = value(*n.args[0], VType::Number);
                return {QStringLiteral("(-%1)").arg(a.sql), VType::Number, false, -1};
            }
            case Node::Kind::Arith: {
                Expr a = value(*n.args[0]);
                Expr b = value(*n.args[1], a.type == VType::Number ? VType::Number : VType::Unknown);
                if (n.text == u"/")
                    return {QStringLiteral("(CAST(%1 AS REAL) / %2)").arg(a.sql, b.sql), VType::Number, false,
                            -1};
                return {QStringLiteral("(%1 %2 %3)").arg(a.sql, n.text, b.sql), VType::Number, false, -1};
            }
            case Node::Kind::Call:
                return call(n);
            default: {
                Expr e;
                e.sql = condition(n);
                e.type = VType::Bool;
                e.condition = true;
                return e;
            }
        }
    }

    // The pair of a comparison: a literal on one side takes the type of the
    // other side (a text against a date column is read as a date).
    std::pair<Expr, Expr> pair(const Node& l, const Node& r) {
        if (isLiteral(l) && !isLiteral(r)) {
            Expr b = value(r);
            Expr a = value(l, b.type);
            return {a, b};
        }
        Expr a = value(l);
        Expr b = value(r, a.type);
        return {a, b};
    }

    // The expression as a truth value.
    QString truth(const Expr& e) {
        if (e.condition) return e.sql;
        if (e.type == VType::Bool) return QStringLiteral("(%1 <> 0)").arg(e.sql);
        if (e.isColumn() || e.type == VType::Text || e.type == VType::Date || e.type == VType::DateTime)
            return QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(e.sql);
        return QStringLiteral("(%1 <> 0)").arg(e.sql);
    }

    QString condition(const Node& n) {
        switch (n.kind) {
            case Node::Kind::And:
            case Node::Kind::Or:
                return QStringLiteral("(%1 %2 %3)")
                    .arg(condition(*n.args[0]),
                         n.kind == Node::Kind::And ? QStringLiteral("AND") : QStringLiteral("OR"),
                         condition(*n.args[1]));
            case Node::Kind::Not:
                return QStringLiteral("(NOT %1)").arg(condition(*n.args[0]));
            case Node::Kind::Compare: {
                const Node& l = *n.args[0];
                const Node& r = *n.args[1];
                const bool lNull = l.kind == Node::Kind::Null;
                const bool rNull = r.kind == Node::Kind::Null;
                if (lNull || rNull) {
                    if (lNull && rNull) return n.text == u"=" ? QStringLiteral("1") : QStringLiteral("0");
                    const Expr other = value(lNull ? r : l);
                    if (n.text == u"=") return QStringLiteral("(%1 IS NULL)").arg(other.sql);
                    if (n.text == u"<>") return QStringLiteral("(%1 IS NOT NULL)").arg(other.sql);
                    return QStringLiteral("0");
                }
                auto [a, b] = pair(l, r);
                return QStringLiteral("(%1 %2 %3)").arg(a.sql, n.text, b.sql);
            }
            case Node::Kind::Like: {
                Expr a = value(*n.args[0]);
                const Node& p = *n.args[1];
                QString like;
                if (p.kind == Node::Kind::String || p.kind == Node::Kind::Number)
                    like = QStringLiteral("%1 LIKE %2 ESCAPE '\\'").arg(a.sql, bind(likePattern(p.text)));
                else
                    like = QStringLiteral("%1 LIKE replace(replace(%2, '*', '%'), '?', '_')")
                               .arg(a.sql, value(p).sql);
                return n.negated ? QStringLiteral("(NOT (%1))").arg(like) : QStringLiteral("(%1)").arg(like);
            }
            case Node::Kind::IsNull: {
                Expr a = value(*n.args[0]);
                return QStringLiteral("(%1 IS %2NULL)")
                    .arg(a.sql, n.negated ? QStringLiteral("NOT ") : QString());
            }
            case Node::Kind::In: {
                Expr a = value(*n.args[0]);
                QStringList items;
                for (size_t i = 1; i < n.args.size(); ++i) items << value(*n.args[i], a.type).sql;
                return QStringLiteral("(%1 %2IN (%3))")
                    .arg(a.sql, n.negated ? QStringLiteral("NOT ") : QString(),
                         items.join(QStringLiteral(", ")));
            }
            case Node::Kind::Between: {
                Expr a = value(*n.args[0]);
                Expr lo = value(*n.args[1], a.type);
                Expr hi = value(*n.args[2], a.type);
                return QStringLiteral("(%1 %2BETWEEN %3 AND %4)")
                    .arg(a.sql, n.negated ? QStringLiteral("NOT ") : QString(), lo.sql, hi.sql);
            }
            case Node::Kind::Null:
                return QStringLiteral("0");
            default:
                return truth(value(n, VType::Bool));
        }
    }

    // A Like pattern of the language as an SQLite pattern with "\" as escape.
    static QString likePattern(const QString& p) {
        QString out;
        auto literalChar = [&out](QChar c) {
            if (c == u'%' || c == u'_' || c == u'\\') out += u'\\';
            out += c;
        };
        for (int i = 0; i < p.size(); ++i) {
            const QChar c = p[i];
            if (c == u'*' || c == u'%')
                out += u'%';
            else if (c == u'?')
                out += u'_';
            else if (c == u'[' && i + 2 < p.size() && p[i + 2] == u']') {
                literalChar(p[i + 1]);
                i += 2;
            } else
                literalChar(c);
        }
        return out;
    }

    Expr call(const Node& n) {
        const QString f = n.text.toUpper();
        const int argc = int(n.args.size());
        auto need = [&](int lo, int hi) {
            if (argc < lo || argc > hi) {
                if (lo == hi)
                    fail(n.pos, QStringLiteral("la funzione %1 vuole %2 argomenti").arg(n.text).arg(lo));
                fail(n.pos,
                     QStringLiteral("la funzione %1 vuole da %2 a %3 argomenti").arg(n.text).arg(lo).arg(hi));
            }
        };
        auto arg = [&](int i, VType want = VType::Unknown) { return value(*n.args[size_t(i)], want); };
        Expr e;
        if (f == u"LEFT") {
            need(2, 2);
            e = {QStringLiteral("substr(%1, 1, max(%2, 0))").arg(arg(0).sql, arg(1, VType::Number).sql),
                 VType::Text};
        } else if (f == u"RIGHT") {
            need(2, 2);
            const QString s = arg(0).sql;
            const QString k = arg(1, VType::Number).sql;
            e = {QStringLiteral("(CASE WHEN %2 > 0 THEN substr(%1, -(%2)) ELSE substr(%1, 1, 0) END)")
                     .arg(s, k),
                 VType::Text};
        } else if (f == u"MID") {
            need(2, 3);
            if (argc == 2)
                e = {QStringLiteral("substr(%1, %2)").arg(arg(0).sql, arg(1, VType::Number).sql),
                     VType::Text};
            else
                e = {QStringLiteral("substr(%1, %2, max(%3, 0))")
                         .arg(arg(0).sql, arg(1, VType::Number).sql, arg(2, VType::Number).sql),
                     VType::Text};
        } else if (f == u"LEN") {
            need(1, 1);
            e = {QStringLiteral("length(%1)").arg(arg(0).sql), VType::Number};
        } else if (f == u"UCASE" || f == u"LCASE" || f == u"TRIM") {
            need(1, 1);
            const char* fn = f == u"UCASE" ? "upper" : f == u"LCASE" ? "lower" : "trim";
            e = {QStringLiteral("%1(%2)").arg(QLatin1String(fn), arg(0).sql), VType::Text};
        } else if (f == u"YEAR" || f == u"MONTH" || f == u"DAY") {
            need(1, 1);
            const char* part = f == u"YEAR" ? "%Y" : f == u"MONTH" ? "%m" : "%d";
            e = {QStringLiteral("CAST(strftime('%1', %2) AS INTEGER)")
                     .arg(QLatin1String(part), arg(0, VType::DateTime).sql),
                 VType::Number};
        } else if (f == u"IIF") {
            need(3, 3);
            const QString c = condition(*n.args[0]);
            Expr a = arg(1);
            Expr b = arg(2, a.type);
            e = {QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(c, a.sql, b.sql), a.type};
        } else if (f == u"NZ") {
            need(1, 2);
            Expr a = arg(0);
            const QString d = argc == 2
                                  ? arg(1, a.type).sql
                                  : (a.type == VType::Number || a.type == VType::Bool ? QStringLiteral("0")
                                                                                      : QStringLiteral("''"));
            e = {QStringLiteral("coalesce(%1, %2)").arg(a.sql, d), a.type};
        } else if (f == u"ISDIGITS") {
            // A text made of decimal digits only (the number-like codes).
            need(1, 1);
            const QString t = arg(0, VType::Text).sql;
            e = {QStringLiteral("(%1 <> '' AND %1 NOT GLOB '*[^0-9]*')").arg(t), VType::Bool};
        } else if (f == u"DATE") {
            need(0, 0);
            e = {bind(storedDateText(core::Clock::today(), false)), VType::Date};
        } else if (f == u"NOW") {
            need(0, 0);
            e = {bind(storedDateText(core::Clock::now(), true)), VType::DateTime};
        } else {
            fail(n.pos, QStringLiteral("funzione sconosciuta '%1'").arg(n.text));
        }
        return e;
    }

    // ---- Assembling ------------------------------------------------------

    QString joinsOutside() const {
        QString out;
        for (size_t i = 1; i < scopes_.size(); ++i) {
            const Scope& s = scopes_[i];
            if (s.semiRoot < 0)
                out += QStringLiteral(" LEFT JOIN %1 AS %2 ON %3")
                           .arg(quoteIdent(s.table->name()), quoteIdent(s.alias), s.joinOn());
        }
        return out;
    }

    // The semi-join over the one-to-many tables `roots` (and what hangs from
    // them), holding the conditions. With one such table it is
    // "outer IN (SELECT link ...)", which SQLite can run once for all rows
    // when the conditions do not look outside; else EXISTS.
    QString exists(const QSet<int>& rootSet, const QStringList& conditions) const {
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

    // The WHERE text of a filter tree. Its AND-ed parts that touch the same
    // one-to-many table go together into one semi-join, so that they speak of
    // the same row; a part that stands alone with such a table and is an OR
    // or a NOT is taken apart, so that "Articoli.Codice='X' OR Cliente='Y'"
    // also keeps the orders without rows of the customer, and
    // "NOT Articoli.Codice='X'" means the orders without that article.
    QString filterSql(const Node* root) {
        anchorJoins(root);
        if (!root) return {};
        return andSql(*root);
    }

    // The one-to-many tables a piece of the filter reaches (nothing is kept
    // of its translation).
    QSet<int> rootsOf(const Node& n) {
        const size_t mark = params_.size();
        const QSet<int> saved = usedRoots_;
        usedRoots_.clear();
        condition(n);
        QSet<int> roots = usedRoots_;
        usedRoots_ = saved;
        params_.resize(mark);
        return roots;
    }

    QString plain(const Node& n) {
        const QSet<int> saved = usedRoots_;
        QString sql = condition(n);
        usedRoots_ = saved;
        return sql;
    }

    QString andSql(const Node& root) {
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

    QString apart(const Node& n) {
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

    // Raises when the last piece reached a table one-to-many (a column list or
    // a sort cannot show one of many rows).
    void refuseMany(int pos) {
        if (!usedRoots_.isEmpty()) fail(pos, QStringLiteral("il campo appartiene a più righe collegate"));
    }

  private:
    const TableLookup& lookup_;
    TextKind kind_;
    QString text_;
    std::vector<Scope> scopes_;
    std::vector<SqlValue> params_;
    QSet<int> usedRoots_;
    std::vector<std::pair<QString, std::vector<Step>>> anchored_;  // qualifier -> path from the own table
};

// Every column that "*" stands for: row identifier, own columns, stored
// references and links, then those of the base table.
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

}  // namespace

QString storedDateText(const core::Date& date, bool withTime) {
    const core::Date::Parts p = date.parts();
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
