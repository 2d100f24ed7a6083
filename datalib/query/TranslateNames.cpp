// The names of the query language: which table a qualifier names (a
// reference, the base, a parent, a collection or a table that refers to this
// one, up to three steps away), the scopes that the steps open and the
// stored column a name stands for.

#include "datalib/query/Translator.h"

namespace datalib::query {

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

std::vector<Step> Translator::neighbours(const TableDef* t) const {
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

bool Translator::stepNamed(const Step& s, const QString& q) {
    return (s.kind == Step::Kind::Reference || s.kind == Step::Kind::Collection) && sameName(s.ref->name, q);
}

std::optional<std::vector<Step>> Translator::findPath(const TableDef* from, const QString& q) const {
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

std::optional<Step> Translator::directStep(const TableDef* from, const QString& q) const {
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

std::optional<Step> Translator::reverseStep(const TableDef* from, const QString& q) const {
    const TableDef* other = table(q);
    if (!other) return std::nullopt;
    for (int i = 0; i < other->references.Count(); ++i) {
        const ReferenceDef& r = other->references.Item(i);
        if (!r.collection && sameName(r.table, from->name())) return Step{Step::Kind::Reverse, &r, other};
    }
    return std::nullopt;
}

int Translator::stepScope(int from, const Step& s) {
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

std::optional<Translator::ColumnHit> Translator::ownColumn(const TableDef* t, const QString& name) const {
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
        if (sameName(name, p->parentLinkColumn())) return ColumnHit{p->parentLinkColumn(), coltype::Integer};
    return std::nullopt;
}

std::optional<Expr> Translator::columnFrom(int scope, const QString& name) {
    const TableDef* t = scopes_[size_t(scope)].table;
    if (auto hit = ownColumn(t, name)) return columnExpr(scope, *hit);
    if (t->base) {
        const TableDef* base = t->base;
        if (ownColumn(base, name) || (base->base && base->findColumn(name)))
            return columnFrom(stepScope(scope, {Step::Kind::Base, nullptr, base}), name);
    }
    for (const ReferenceDef* p : t->parents) {
        const TableDef* parent = table(p->ownerTable);
        if (parent && (ownColumn(parent, name) || parent->findColumn(name) || parent->findReference(name)))
            return columnFrom(stepScope(scope, {Step::Kind::Parent, p, parent}), name);
    }
    return std::nullopt;
}

Expr Translator::columnExpr(int scope, const ColumnHit& hit) {
    noteScope(scope);
    Expr e;
    e.sql = col(scopes_[size_t(scope)].alias, hit.name);
    e.type = typeOfColumn(hit.type);
    e.columnType = hit.type;
    return e;
}

std::optional<std::vector<Step>> Translator::rootPath(const QString& q) const {
    for (const auto& [name, path] : anchored_)
        if (sameName(name, q)) return path;
    return findPath(scopes_[0].table, q);
}

void Translator::anchorJoins(const Node* root) {
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

Expr Translator::name(const Node& n) {
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

}  // namespace datalib::query
