// A data source's references: setting one (by key, by row identifier or by
// the text of the row's first shown column) with its hooks, linking a row to
// its base row, the parent row of a child row, and the data sources a
// reference or a related table leads to.

#include "datalib/DataSource.h"

#include "datalib/DataSourceParts.h"

#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"

#include <cmath>

namespace datalib {

namespace {

[[noreturn]] void unknownReference(const TableDef& t, const QString& name) {
    throw errors::make(errors::UnknownReference,
                       QStringLiteral("La tabella \"%1\" non ha il riferimento \"%2\".").arg(t.name(), name));
}

}  // namespace

// ---- Setting a reference ---------------------------------------------------------

// The row of the table `t` whose key column (or OID) equals the key; nullptr when none.
static std::shared_ptr<DataSource> rowByKey(const std::shared_ptr<Database>& db, const TableDef& t,
                                            const QString& keyColumn, const core::Variant& key) {
    QString cond;
    if (keyColumn.isEmpty()) {
        if (key.isEmptyOrNull()) return nullptr;
        cond = query::RowOIDQueryString(t, qint64(std::llround(key.toDouble())), 0);
    } else {
        cond = query::EqualityCondition(t, keyColumn, key.isEmptyOrNull() ? core::Variant(QString()) : key);
    }
    return DataSource::open(db, t, cond);
}

core::Variant DataSource::resolveRefKey(const ReferenceDef& ref, const core::Variant& key) const {
    if (!ref.byRowLink())
        return key.isEmptyOrNull() ? core::Variant(QString()) : core::Variant(key.toString());
    if (key.isEmptyOrNull()) return core::Variant::null();
    if (key.isNumber()) return wholeNumber(qint64(std::llround(key.toDouble())));
    // A text names the row by its first shown column ("Italia"); "" is the protected row.
    const TableDef* target = db_->lookup(ref.table);
    QString shown = ref.shownColumnList().value(0);
    if (shown.isEmpty() && target->columns.Count() > 0) shown = target->columns.Item(0).name;
    const QString text = key.toString();
    const QString cond =
        text.isEmpty()
            ? QStringLiteral("(%1 = '' OR %1 Is Null)").arg(target->name() + QLatin1Char('.') + shown)
            : query::EqualityCondition(*target, shown, core::Variant(text));
    auto ds = DataSource::open(db_, *target, cond, QStringLiteral("OID"));
    if (ds->DataEmpty())
        throw errors::make(
            errors::UnknownReference,
            QStringLiteral("Nessun elemento \"%1\" nella tabella \"%2\".").arg(text, target->name()));
    return wholeNumber(ds->OID());
}

void DataSource::SetReference(const QString& reference, const core::Variant& key) {
    const TableDef* owner = nullptr;
    const ReferenceDef* ref = def_->findReference(reference, &owner);
    if (!ref) unknownReference(*def_, reference);
    if (ref->collection || owner != def_)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Il riferimento \"%1\" di \"%2\" non è modificabile qui.")
                               .arg(ref->name, def_->name()));
    setReferenceImpl(*ref, key);
}

void DataSource::setReferenceImpl(const ReferenceDef& ref, const core::Variant& key) {
    checkScriptChange("la modifica dei valori non è consentita");
    checkWritable();
    const int i = colIndex(ref.name);
    if (i < 0) unknownReference(*def_, ref.name);
    if (!RowValid())
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    const core::Variant nv = resolveRefKey(ref, key);
    const TableDef* target = db_->lookup(ref.table);
    operation([&] {
        db_->touch(*this);
        beginEdit();
        if (hooksActive()) {
            auto before = rowByKey(db_, *target, ref.keyColumn, edit_->values[size_t(i)]);
            hook([&] {
                def_->hooks->OnBeforeUpdateReference(*this, before.get(), ref.name, RefChange::Set, 0);
            });
            if (db_->operationCancelled()) return;
            beginEdit();  // the hook may have saved the row meanwhile
        }
        edit_->values[size_t(i)] = nv;
        if (hooksActive()) {
            auto after = rowByKey(db_, *target, ref.keyColumn, nv);
            hook([&] { def_->hooks->OnUpdateReference(*this, after.get(), ref.name, RefChange::Set, 0); });
        }
    });
}

void DataSource::linkBase(const core::Variant& key) {
    const TableDef& base = *def_->base;
    const QString keyName = base.keyFieldName();
    if (layout_->baseLinkIndex() < 0) unknownColumn(*def_, def_->baseLinkColumn());
    if (!RowValid())
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    auto row = rowByKey(db_, base, keyName, key);
    if (!row || row->DataEmpty())
        throw errors::make(errors::UnknownReference,
                           QStringLiteral("Nessun elemento con %1 \"%2\" nella tabella \"%3\".")
                               .arg(keyName, key.isEmptyOrNull() ? QString() : key.toString(), base.name()));
    operation([&] {
        db_->touch(*this);
        beginEdit();
        const bool active = hooksActive();
        if (active) {
            hook([&] { def_->hooks->OnBeforeUpdateField(*this, keyName); });
            if (db_->operationCancelled()) return;
            beginEdit();
        }
        edit_->values[size_t(layout_->baseLinkIndex())] = wholeNumber(row->OID());
        for (size_t j = 0; j < layout_->size(); ++j)
            if ((*layout_)[j].kind == RowLayout::Kind::Base || (*layout_)[j].kind == RowLayout::Kind::BaseRef)
                edit_->values[j] = row->ColValue((*layout_)[j].name);
        if (!active) return;
        hook([&] { def_->hooks->OnUpdateField(*this, keyName); });
        for (const RowLayout::Column& c : std::vector<RowLayout::Column>(layout_->columns()))
            if (c.kind == RowLayout::Kind::Base && c.name.compare(keyName, Qt::CaseInsensitive) != 0)
                hook([&] { def_->hooks->OnUpdateField(*this, c.name); });
    });
}

// ---- The parent row ----------------------------------------------------------------

std::shared_ptr<DataSource> DataSource::Parent() const { return parent_; }

qint64 DataSource::parentOidOfRow() const {
    if (layout_->parentLinkIndex() >= 0) {
        const auto& v = values();
        if (size_t(layout_->parentLinkIndex()) < v.size() &&
            !v[size_t(layout_->parentLinkIndex())].isEmptyOrNull())
            return qint64(std::llround(v[size_t(layout_->parentLinkIndex())].toDouble()));
    }
    return parentOid_;
}

std::shared_ptr<DataSource> DataSource::parentForRow() {
    if (parent_ && parentRef_) {
        const qint64 want = parentOidOfRow();
        if (want == 0) return nullptr;
        if (parent_->OID() == want) return parent_;
        const TableDef* pt = db_->lookup(parentRef_->ownerTable);
        return DataSource::open(db_, *pt, query::RowOIDQueryString(*pt, want, 0));
    }
    // Opened on the table itself: find the owner through the link columns.
    for (const ReferenceDef* p : def_->parents) {
        const core::Variant v = ColValue(p->parentLinkColumn());
        if (v.isEmptyOrNull()) continue;
        const TableDef* pt = db_->lookup(p->ownerTable);
        auto ds =
            DataSource::open(db_, *pt, query::RowOIDQueryString(*pt, qint64(std::llround(v.toDouble())), 0));
        if (!ds->DataEmpty()) {
            parentRefCache_ = p;
            return ds;
        }
    }
    return nullptr;
}

const ReferenceDef* DataSource::parentReference() const { return parentRef_ ? parentRef_ : parentRefCache_; }

// ---- References --------------------------------------------------------------------------

bool DataSource::RefEmpty(const QString& reference) const {
    const core::Variant v = ColValue(reference);
    return v.isEmptyOrNull() || (v.isString() && v.stringValue().isEmpty());
}

core::Variant DataSource::RefKey(const QString& reference) const {
    const ReferenceDef* r = def_->findReference(reference);
    if (!r || r->collection) unknownReference(*def_, reference);
    return ColValue(r->name);
}

std::shared_ptr<DataSource> DataSource::GetReference(const QString& reference, const QString& condition) {
    const ReferenceDef* r = def_->findReference(reference);
    if (!r) unknownReference(*def_, reference);
    const TableDef* target = db_->lookup(r->table);
    if (r->collection) return DataSource::open(db_, *target, condition, {}, {}, self(), r);
    const core::Variant key = ColValue(r->name);
    QString cond;
    if (r->byRowLink())
        cond = query::RowOIDQueryString(*target,
                                        key.isEmptyOrNull() ? 0 : qint64(std::llround(key.toDouble())), 0);
    else
        cond = query::EqualityCondition(*target, r->keyColumn, key);
    if (!condition.trimmed().isEmpty()) cond = QStringLiteral("(%1) AND (%2)").arg(cond, condition);
    return DataSource::open(db_, *target, cond);
}

std::shared_ptr<DataSource> DataSource::SelectReference(const QString& reference) {
    const ReferenceDef* r = def_->findReference(reference);
    if (!r || r->collection) unknownReference(*def_, reference);
    auto ds = DataSource::open(db_, *db_->lookup(r->table), {}, {}, {}, nullptr, nullptr, true);
    if (def_->hooks) operation([&] { hook([&] { def_->hooks->OnSelectReference(*this, *ds, r->name); }); });
    return ds;
}

std::shared_ptr<DataSource> DataSource::RelatedDataSource(const QString& table) {
    if (!RowValid()) return nullptr;
    if (parent_ && parent_->def_->name().compare(table, Qt::CaseInsensitive) == 0) return parent_;
    if (def_->base && def_->base->name().compare(table, Qt::CaseInsensitive) == 0) {
        const core::Variant link = layout_->baseLinkIndex() >= 0
                                       ? values().at(size_t(layout_->baseLinkIndex()))
                                       : core::Variant::null();
        return DataSource::open(
            db_, *def_->base,
            query::RowOIDQueryString(*def_->base, link.isEmptyOrNull() ? 0 : qint64(link.toDouble()), 0));
    }
    for (const TableDef* t = def_; t; t = t->base)
        for (int i = 0; i < t->references.Count(); ++i) {
            const ReferenceDef& r = t->references.Item(i);
            if (!r.collection && r.table.compare(table, Qt::CaseInsensitive) == 0)
                return GetReference(r.name);
        }
    if (auto p = const_cast<DataSource*>(this)->parentForRow();
        p && p->def_->name().compare(table, Qt::CaseInsensitive) == 0)
        return p;
    return nullptr;
}

core::Variant DataSource::BaseKey() const {
    if (!def_->base) return core::Variant::null();
    return ColValue(def_->base->keyFieldName());
}

}  // namespace datalib
