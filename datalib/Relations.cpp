#include "datalib/Relations.h"

#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/query/QueryTranslator.h"

#include <cmath>

namespace datalib {

namespace {

// Guards against a definition whose collections lead round in a circle.
constexpr int kMaxLevels = 16;

bool isLibraryTable(const Database& db, const QString& table) {
    return table.compare(db.SysParamTableName(), Qt::CaseInsensitive) == 0;
}

QString captionOf(const Database& db, const QString& table) {
    const TableDef* t = db.tableDef(table);
    return t ? t->caption() : table;
}

// True when the reference alone is a unique key of its table.
bool uniqueReference(const TableDef& table, const ReferenceDef& r) {
    for (int i = 0; i < table.keys.Count(); ++i) {
        const KeyDef& k = table.keys.Item(i);
        if (k.unique() && k.parts().size() == 1 &&
            k.parts().first().compare(r.name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

const TableDef* parentTable(const Database& db, const TableDef& t) {
    return t.parents.empty() ? nullptr : db.tableDef(t.parents.front()->ownerTable);
}

RelationLevel describeLevel(const Database& db, const TableDef& t, const BrowsePermission& mayBrowse) {
    const auto allowed = [&](const QString& table) { return !mayBrowse || mayBrowse(table); };
    RelationLevel level;
    level.table = &t;
    level.description = t.caption();

    // Associated: the collections, then the tables referring to this one.
    for (int i = 0; i < t.references.Count(); ++i) {
        const ReferenceDef& r = t.references.Item(i);
        if (!r.collection) continue;
        RelationDesc d;
        d.kind = RelationKind::Associated;
        d.caption = captionOf(db, r.table);
        d.targetDescription = d.caption;
        d.excluded = !r.flag || isLibraryTable(db, r.table);
        d.allowed = allowed(r.table);
        d.severalRows = true;
        d.table = r.table;
        d.reference = r.name;
        d.collection = true;
        level.associated.push_back(std::move(d));
    }
    for (const auto& other : db.schema().tables) {
        for (int i = 0; i < other->references.Count(); ++i) {
            const ReferenceDef& r = other->references.Item(i);
            if (r.collection || r.table.compare(t.name(), Qt::CaseInsensitive) != 0) continue;
            RelationDesc d;
            d.kind = RelationKind::Associated;
            d.caption = other->caption();
            d.targetDescription = d.caption;
            d.excluded = !r.flag;
            d.allowed = allowed(other->name());
            d.severalRows = !uniqueReference(*other, r);
            d.table = other->name();
            d.reference = r.name;
            level.associated.push_back(std::move(d));
        }
    }

    // References: own, then those of the base table.
    for (const TableDef* owner = &t; owner; owner = owner->base) {
        for (int i = 0; i < owner->references.Count(); ++i) {
            const ReferenceDef& r = owner->references.Item(i);
            if (r.collection) continue;
            RelationDesc d;
            d.kind = RelationKind::Reference;
            d.caption = SplitAtCapitals(r.name);
            d.targetDescription = t.caption();
            d.excluded = !r.flag;
            d.targetExcluded = isLibraryTable(db, r.table);
            d.allowed = allowed(t.name());
            d.table = t.name();
            d.reference = r.name;
            level.references.push_back(std::move(d));
        }
    }

    // Containers.
    for (const ReferenceDef* p : t.parents) {
        RelationDesc d;
        d.kind = RelationKind::Container;
        d.caption = captionOf(db, p->ownerTable);
        d.targetDescription = d.caption;
        d.excluded = !p->flag || isLibraryTable(db, p->ownerTable);
        d.allowed = allowed(p->ownerTable);
        d.table = p->ownerTable;
        d.reference = p->name;
        d.collection = true;
        level.containers.push_back(std::move(d));
    }
    return level;
}

}  // namespace

const std::vector<RelationDesc>& RelationLevel::of(RelationKind kind) const {
    switch (kind) {
        case RelationKind::Associated:
            return associated;
        case RelationKind::Reference:
            return references;
        case RelationKind::Container:
            break;
    }
    return containers;
}

QString SplitAtCapitals(const QString& name) {
    QString out;
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (i > 0 && c.isUpper() && name.at(i - 1).isLower()) out += QLatin1Char(' ');
        out += c;
    }
    return out;
}

std::vector<RelationLevel> DescribeRelations(const Database& db, const TableDef& table,
                                             const BrowsePermission& mayBrowse) {
    std::vector<RelationLevel> levels;
    for (const TableDef* t = &table; t && int(levels.size()) < kMaxLevels; t = parentTable(db, *t))
        levels.push_back(describeLevel(db, *t, mayBrowse));
    return levels;
}

std::shared_ptr<DataSource> LevelUp(DataSource& ds) {
    const TableDef& t = ds.tableDef();
    if (t.parents.empty() || !ds.RowValid()) return nullptr;
    return ds.RelatedDataSource(t.parents.front()->ownerTable);
}

std::shared_ptr<DataSource> RelatedRows(DataSource& ds, const RelationDesc& relation) {
    auto db = ds.Database();
    switch (relation.kind) {
        case RelationKind::Associated: {
            if (relation.collection) return ds.GetReference(relation.reference);
            const TableDef* other = db->tableDef(relation.table);
            const ReferenceDef* r = other ? other->findReference(relation.reference) : nullptr;
            if (!r) return nullptr;
            // The referring column holds this row's key value, or its OID.
            const core::Variant key =
                r->byRowLink() ? core::Variant(double(ds.OID())) : ds.ColValue(r->keyColumn);
            return db->OpenDataSource(other->name(), query::EqualityCondition(*other, r->name, key));
        }
        case RelationKind::Reference: {
            const TableDef& t = ds.tableDef();
            return db->OpenDataSource(
                t.name(), query::EqualityCondition(t, relation.reference, ds.ColValue(relation.reference)));
        }
        case RelationKind::Container:
            return ds.RelatedDataSource(relation.table);
    }
    return nullptr;
}

std::shared_ptr<DataSource> ReferencedRow(const std::shared_ptr<Database>& db, const ReferenceDef& r,
                                          const core::Variant& key) {
    const TableDef* target = db->tableDef(r.table);
    if (!target || key.isEmptyOrNull()) return nullptr;
    QString cond;
    if (r.byRowLink())
        cond = query::RowOIDQueryString(*target, qint64(std::llround(key.toDouble())), 0);
    else if (key.toString().isEmpty())
        return nullptr;
    else
        cond = query::EqualityCondition(*target, r.keyColumn, key);
    auto row = db->OpenDataSource(target->name(), cond);
    return row->DataEmpty() ? nullptr : row;
}

QString ReferenceTypedColumn(const Database& db, const ReferenceDef& r) {
    if (!r.byRowLink()) return r.keyColumn;
    QString shown = r.shownColumnList().value(0);
    const TableDef* target = db.tableDef(r.table);
    if (shown.isEmpty() && target && target->columns.Count() > 0) shown = target->columns.Item(0).name;
    return shown;
}

std::shared_ptr<DataSource> ReferenceRowsFor(const std::shared_ptr<Database>& db, const ReferenceDef& r,
                                             const QString& typed) {
    const TableDef* target = db->tableDef(r.table);
    if (!target) return nullptr;
    return db->OpenDataSource(target->name(), query::EqualityCondition(*target, ReferenceTypedColumn(*db, r),
                                                                       core::Variant(typed)));
}

bool AllowsChanges(const DataSource& ds) {
    const auto db = ds.Database();
    return db && db->AccessLevel() >= 0 && ds.ColExist(QStringLiteral("OID"));
}

bool AllowsDeletion(const DataSource& ds) { return AllowsChanges(ds); }

bool UsableForRelation(const DataSource& ds) { return ds.RowValid() && !ds.IsNew() && !ds.IsChanged(); }

}  // namespace datalib
