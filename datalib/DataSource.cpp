#include "datalib/DataSource.h"

#include "datalib/DataSourceParts.h"

#include "core/ItalianText.h"
#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"

#include <QSet>
#include <cmath>

namespace datalib {

namespace {

[[noreturn]] void unknownColumn(const TableDef& t, const QString& name) {
    throw errors::make(errors::UnknownColumn,
                       QStringLiteral("La tabella \"%1\" non ha la colonna \"%2\".").arg(t.name(), name));
}

[[noreturn]] void unknownReference(const TableDef& t, const QString& name) {
    throw errors::make(errors::UnknownReference,
                       QStringLiteral("La tabella \"%1\" non ha il riferimento \"%2\".").arg(t.name(), name));
}

}  // namespace

// ---- Opening ----------------------------------------------------------------------

std::shared_ptr<DataSource> DataSource::open(const std::shared_ptr<datalib::Database>& db,
                                             const TableDef& table, const QString& filter,
                                             const QString& sort, const QString& columns,
                                             const std::shared_ptr<DataSource>& parent,
                                             const ReferenceDef* parentRef, bool forChoice,
                                             const QString& baseFilter) {
    std::shared_ptr<DataSource> ds(new DataSource());
    ds->baseFilter_ = baseFilter;
    ds->forChoice_ = forChoice;
    ds->db_ = db;
    ds->def_ = &table;
    ds->filter_ = filter;
    ds->sort_ = sort;
    ds->columns_ = columns;
    if (parent && parentRef) {
        ds->parent_ = parent;
        ds->parentRef_ = parentRef;
        ds->parentOid_ = parent->OID();
        ds->extraSql_ =
            QStringLiteral("%1.%2 = ?")
                .arg(sqlIdent(query::SqlQuery::ownAlias()), sqlIdent(parentRef->parentLinkColumn()));
        ds->extraParams_ = {ds->parentOid_};
    }
    ds->runQuery(ds->translate(filter, sort, columns));
    if (table.hooks) {
        ds->hook([&] { table.hooks->OnSelect(*ds); });
        if (parent) ds->hook([&] { table.hooks->OnSelectParent(*ds, *parent); });
    }
    return ds;
}

DataSource::DataSource()
    : layout_(std::make_unique<RowLayout>()),
      cur_(std::make_unique<KeysetCursor>()),
      edit_(std::make_unique<EditBuffer>()),
      writer_(std::make_unique<RowWriter>()) {}

DataSource::~DataSource() = default;

long DataSource::Position() const { return cur_->position(); }
bool DataSource::IsNew() const { return edit_->editing && edit_->isNew; }
bool DataSource::IsEditing() const { return edit_->editing; }

std::shared_ptr<DataSet> DataSource::Table() const { return db_->Tables(def_->name()); }

QString DataSource::GetSysParam(const QString& name, const QString& defaultValue) const {
    return db_->GetSysParam(name, defaultValue);
}

query::SqlQuery DataSource::translate(const QString& filter, const QString& sort,
                                      const QString& columns) const {
    QString cols = columns.trimmed();
    if (cols.startsWith(QLatin1String("DISTINCTROW"), Qt::CaseInsensitive))
        cols = QStringLiteral("*,") + cols.mid(11).trimmed();
    else if (!cols.isEmpty() && !cols.startsWith(QLatin1String("DISTINCT"), Qt::CaseInsensitive) &&
             !cols.startsWith(QLatin1Char('*')))
        cols = QStringLiteral("*,") + cols;
    auto lookup = [db = db_.get()](const QString& n) { return db->lookup(n); };
    query::SqlQuery q = query::translateQuery(*def_, lookup, joinFilters(baseFilter_, filter), sort, cols);
    if (!extraSql_.isEmpty()) q.andWhere(extraSql_, extraParams_);
    return q;
}

QString DataSource::joinFilters(const QString& base, const QString& filter) {
    const QString b = base.trimmed(), f = filter.trimmed();
    if (b.isEmpty()) return filter;
    if (f.isEmpty()) return base;
    return QStringLiteral("(%1) AND (%2)").arg(b, f);
}

QString DataSource::EffectiveFilter() const { return joinFilters(baseFilter_, filter_); }

void DataSource::runQuery(query::SqlQuery q) {
    layout_->build(*def_, q.columnNames, parentRef_);
    writer_->reset();
    cur_->load(db_->conn(), std::move(q), *layout_);
    readVersion_ = db_->conn().dataVersion();
    edit_->clear();
}

int DataSource::colIndex(const QString& name) const { return layout_->indexOf(name); }

const CursorRow* DataSource::currentRow() const { return cur_->current(db_->conn(), *layout_); }

core::Variant DataSource::ValueAt(long position, int column) const {
    if (column < 0 || column >= int(layout_->size()) || !cur_->within(position)) return core::Variant::null();
    if (edit_->editing && position == cur_->position()) return edit_->values[size_t(column)];
    const CursorRow* r = cur_->rowAt(db_->conn(), *layout_, position);
    return r ? r->values[size_t(column)] : core::Variant::null();
}

int DataSource::ColumnIndex(const QString& name) const { return colIndex(name); }

const std::vector<core::Variant>& DataSource::values() const {
    static const std::vector<core::Variant> none;
    if (edit_->editing) return edit_->values;
    const CursorRow* r = currentRow();
    return r ? r->values : none;
}

// ---- Navigation ----------------------------------------------------------------------

void DataSource::MoveTo(long position) {
    if (edit_->editing) Save();
    if (cur_->empty()) {
        cur_->setPosition(-1);
        return;
    }
    // Past the rows read, the rest is read only as far as the position.
    cur_->setPosition(position < 0 ? -1 : cur_->within(position) ? position : cur_->size());
}

void DataSource::RowFirst() { MoveTo(0); }
void DataSource::RowNext() { MoveTo(cur_->position() + 1); }
void DataSource::RowPrevious() { MoveTo(cur_->position() - 1); }
void DataSource::RowLast() { MoveTo(cur_->size() - 1); }
bool DataSource::Bof() const {
    return !(edit_->editing && edit_->isNew) && (cur_->empty() || cur_->beforeFirst());
}
bool DataSource::Eof() const {
    return cur_->empty() || (cur_->afterLast() && !(edit_->editing && edit_->isNew));
}
bool DataSource::DataEmpty() const { return cur_->empty() && !(edit_->editing && edit_->isNew); }
bool DataSource::RowValid() const { return (edit_->editing && edit_->isNew) || currentRow() != nullptr; }
long DataSource::RowCount(bool) const { return cur_->size(); }
long DataSource::RowsRead() const { return cur_->sizeRead(); }
bool DataSource::AllRowsRead() const { return cur_->complete(); }
void DataSource::ReadMoreRows(long count) { cur_->readMore(std::max(1L, count)); }

core::Variant DataSource::Bookmark() const {
    if (edit_->editing && edit_->isNew) return core::Variant::null();
    const CursorRow* r = currentRow();
    return r ? wholeNumber(r->oid) : core::Variant::null();
}

bool DataSource::MoveToBookmark(const core::Variant& bookmark) { return MoveToKey(bookmark); }

bool DataSource::MoveToKey(const core::Variant& key) {
    if (key.isEmptyOrNull()) return false;
    const long at = cur_->find(qint64(std::llround(key.toDouble())));
    if (at < 0) return false;
    MoveTo(at);
    return true;
}

bool DataSource::FindFirst(const QString& condition) {
    if (cur_->isStatic()) return false;
    auto lookup = [db = db_.get()](const QString& n) { return db->lookup(n); };
    const query::SqlQuery q = query::translateQuery(*def_, lookup, condition, {}, QStringLiteral("OID"));
    QSet<qint64> hits;
    for (qint64 oid : KeysetCursor::keysOf(db_->conn(), q)) hits.insert(oid);
    for (long i = 0; cur_->within(i); ++i)
        if (hits.contains(cur_->keyAt(i))) {
            MoveTo(i);
            return true;
        }
    return false;
}

// ---- Values ------------------------------------------------------------------------------

core::Variant DataSource::ColValue(const QString& name) const {
    const int i = colIndex(name);
    if (i < 0) return core::Variant::null();
    const auto& v = values();
    if (size_t(i) >= v.size()) return core::Variant::null();
    return v[size_t(i)];
}

QString DataSource::ColValueStr(const QString& name) const {
    const core::Variant v = ColValue(name);
    return v.isEmptyOrNull() ? QString() : v.toString();
}

double DataSource::ColValueNum(const QString& name) const {
    const core::Variant v = ColValue(name);
    if (v.isEmptyOrNull()) return 0.0;
    if (v.isString() && v.stringValue().trimmed().isEmpty()) return 0.0;
    return v.toDouble();
}

bool DataSource::ColValueBool(const QString& name) const {
    const core::Variant v = ColValue(name);
    return v.isEmptyOrNull() ? false : v.toBool();
}

QString DataSource::FormattedColValue(const QString& name) const {
    const core::Variant v = ColValue(name);
    if (v.isEmptyOrNull()) return QString();
    const int i = colIndex(name);
    const ColumnDef* c = i >= 0 ? (*layout_)[size_t(i)].col : nullptr;
    if (c && !c->format.isEmpty() && c->format.count(QLatin1Char('0')) == c->format.size() &&
        core::isNumeric(v))
        return QStringLiteral("%1").arg(qlonglong(std::llround(v.toDouble())), int(c->format.size()), 10,
                                        QLatin1Char('0'));
    if (c && c->isMoney()) return core::italian::formatFixed(v.toDouble(), 2, true);
    if (c && c->type == coltype::Date) return core::italian::formatDateOnly(v.toDate());
    return v.toString();
}

bool DataSource::ColEmpty(const QString& name) const {
    const core::Variant v = ColValue(name);
    return v.isEmptyOrNull() || (v.isString() && v.stringValue().isEmpty());
}

QString DataSource::ColQueryString(const QString& name) const { return query::QueryLiteral(ColValue(name)); }
bool DataSource::ColExist(const QString& name) const { return colIndex(name) >= 0; }

QStringList DataSource::ColumnNames() const {
    QStringList out;
    for (const RowLayout::Column& c : layout_->columns()) out << c.name;
    return out;
}

// ---- Operations and hooks -------------------------------------------------------------

void DataSource::operation(const std::function<void()>& body) { hooks::operation(*db_, body); }

void DataSource::hook(const std::function<void()>& call) { hooks::call(*db_, call); }

bool DataSource::hooksActive() const { return def_->hooks && db_->State() != Database::StateUpdating; }

void DataSource::checkWritable() const {
    // The system parameters hold the exchange's address and versions: a
    // script reads them, only the program writes them.
    if (db_->inScriptCall() && def_->name().compare(Database::sysParamTableName(), Qt::CaseInsensitive) == 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("I parametri di sistema non sono modificabili da uno script."));
    if (db_->AccessLevel() < 0 && db_->State() == Database::StateOpen && !db_->inOperation())
        throw errors::make(
            errors::NotAllowed,
            QStringLiteral("L'utente collegato può soltanto consultare i dati: modifica non consentita."));
}

std::shared_ptr<void> DataSource::snapshot() const {
    auto s = std::make_shared<DataSourceSnapshot>();
    s->edit = *edit_;
    s->place = cur_->place();
    s->keyMark = cur_->countMark();
    return s;
}

void DataSource::keepKeys(const std::shared_ptr<void>& snap) const {
    auto* s = static_cast<DataSourceSnapshot*>(snap.get());
    if (s->hasKeys) return;
    const std::vector<qint64>& keys = cur_->keys();
    s->keys.assign(keys.begin(), keys.begin() + long(std::min(cur_->countAt(s->keyMark), keys.size())));
    s->hasKeys = true;
}

void DataSource::restore(const std::shared_ptr<void>& snap) {
    const auto* s = static_cast<const DataSourceSnapshot*>(snap.get());
    *edit_ = s->edit;
    cur_->setPlace(s->place);
    if (s->hasKeys)
        cur_->setKeys(s->keys);
    else
        cur_->truncate(s->keyMark);
    cur_->forget();
}

void DataSource::invalidate() { cur_->forget(); }

void DataSource::beginEdit() {
    if (edit_->editing) return;
    if (cur_->isStatic())
        throw errors::make(errors::NotAllowed, QStringLiteral("Questi dati non sono modificabili."));
    const CursorRow* r = currentRow();
    if (!r)
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    edit_->begin(*r);
}

bool DataSource::IsChanged() const { return edit_->changed(); }

qint64 DataSource::OID() const {
    if (edit_->editing) return edit_->isNew ? 0 : edit_->oid;
    const CursorRow* r = currentRow();
    return r ? r->oid : 0;
}

core::Variant DataSource::RowKey() const {
    const qint64 oid = OID();
    return oid ? wholeNumber(oid) : core::Variant::null();
}

void DataSource::SetColValue(const QString& name, const core::Variant& value) { setField(name, value); }

void DataSource::AddColValue(const QString& name, double amount) {
    const int i = colIndex(name);
    if (i < 0) unknownColumn(*def_, name);
    const core::Variant cur = ColValue(name);
    const ColumnDef* c = (*layout_)[size_t(i)].col;
    if (c && c->isMoney())
        setField(name, (cur.isEmptyOrNull() ? core::Currency() : cur.toCurrency()) +
                           core::Currency::fromDouble(amount));
    else
        setField(name, (cur.isEmptyOrNull() ? 0.0 : cur.toDouble()) + amount);
}

void DataSource::SubColValue(const QString& name, double amount) { AddColValue(name, -amount); }

void DataSource::setField(const QString& name, const core::Variant& value) {
    checkWritable();
    const int i = colIndex(name);
    if (i < 0) {
        if (const ReferenceDef* r = def_->findReference(name); r && !r->collection) {
            SetReference(name, value);
            return;
        }
        unknownColumn(*def_, name);
    }
    const RowLayout::Column& info = (*layout_)[size_t(i)];
    if (info.kind == RowLayout::Kind::OwnRef || info.kind == RowLayout::Kind::BaseRef) {
        SetReference(name, value);
        return;
    }
    if (info.kind == RowLayout::Kind::Base && def_->base &&
        info.name.compare(def_->base->keyFieldName(), Qt::CaseInsensitive) == 0) {
        linkBase(value);
        return;
    }
    if (info.kind != RowLayout::Kind::Own)
        throw errors::make(
            errors::NotAllowed,
            QStringLiteral("La colonna \"%1\" di \"%2\" non è modificabile.").arg(info.name, def_->name()));
    if (!RowValid())
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    const core::Variant nv = RowLayout::normalise(def_->name(), info, value);
    const QString colName = info.name;
    operation([&] {
        db_->touch(*this);
        beginEdit();
        if (hooksActive()) {
            hook([&] { def_->hooks->OnBeforeUpdateField(*this, colName); });
            if (db_->operationCancelled()) return;
            beginEdit();  // the hook may have saved the row meanwhile
        }
        edit_->values[size_t(i)] = nv;
        if (hooksActive()) hook([&] { def_->hooks->OnUpdateField(*this, colName); });
    });
}

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

// ---- Rows --------------------------------------------------------------------------------

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

void DataSource::startNewRow(bool runHooks) {
    if (edit_->editing) saveImpl(true);
    if (cur_->isStatic())
        throw errors::make(errors::NotAllowed, QStringLiteral("Questi dati non sono modificabili."));
    db_->touch(*this);
    edit_->values.assign(layout_->size(), core::Variant::null());
    for (size_t j = 0; j < layout_->size(); ++j)
        if ((*layout_)[j].col && (*layout_)[j].col->isBoolean()) edit_->values[j] = core::Variant(false);
    if (layout_->parentLinkIndex() >= 0)
        edit_->values[size_t(layout_->parentLinkIndex())] = wholeNumber(parentOid_);
    edit_->original = edit_->values;
    edit_->editing = true;
    edit_->isNew = true;
    edit_->oid = 0;
    cur_->setPosition(cur_->size());
    if (!runHooks) return;
    if (def_->hooks) hook([&] { def_->hooks->OnNewRow(*this); });
    if (parent_ && parentRef_ && hooksActive() && parent_->def_->hooks) {
        auto p = parent_;
        hook([&] { p->def_->hooks->OnNewReference(*p, *this, parentRef_->name); });
    }
}

void DataSource::AddNew() {
    checkWritable();
    if (parent_ && parentOid_ == 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Salvare l'elemento principale prima di aggiungere dettagli."));
    operation([&] {
        startNewRow(true);
        if (parent_ && hooksActive()) hook([&] { def_->hooks->OnSetParent(*this, parentRef_->ownerTable); });
    });
}

core::Variant DataSource::InsertFromPairs(const std::vector<core::Variant>& pairs) {
    checkWritable();
    if (parent_ && parentOid_ == 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Salvare l'elemento principale prima di aggiungere dettagli."));
    qint64 oid = 0;
    const WritingGuard writing(writing_);
    operation([&] {
        startNewRow(true);
        if (db_->operationCancelled()) return;
        std::vector<bool> done(pairs.size() / 2, false);
        // The base row first, so that its columns are there for the rest.
        if (def_->base) {
            const QString keyName = def_->base->keyFieldName();
            for (size_t k = 0; k + 1 < pairs.size(); k += 2)
                if (pairs[k].toString().compare(keyName, Qt::CaseInsensitive) == 0 &&
                    !def_->columns.find(keyName)) {
                    linkBase(pairs[k + 1]);
                    done[k / 2] = true;
                    break;
                }
        }
        if (db_->operationCancelled()) return;
        if (parent_ && hooksActive()) hook([&] { def_->hooks->OnSetParent(*this, parentRef_->ownerTable); });
        for (size_t k = 0; k + 1 < pairs.size(); k += 2) {
            if (done[k / 2] || db_->operationCancelled()) continue;
            const QString name = pairs[k].toString();
            const int i = colIndex(name);
            const ReferenceDef* r = def_->findReference(name);
            if ((i < 0 && !r) || (r && r->collection)) continue;  // names the table does not have
            if (i >= 0 && ((*layout_)[size_t(i)].kind == RowLayout::Kind::Expr ||
                           (*layout_)[size_t(i)].kind == RowLayout::Kind::OID ||
                           (*layout_)[size_t(i)].kind == RowLayout::Kind::Link))
                continue;
            setField(name, pairs[k + 1]);
        }
        if (db_->operationCancelled()) return;
        saveImpl(true);
        oid = OID();
    });
    return wholeNumber(oid);
}

bool DataSource::Save() {
    if (!edit_->editing) return false;
    const bool wasNew = edit_->isNew;
    operation([&] { saveImpl(true); });
    return wasNew;
}

void DataSource::CancelUpdate() {
    if (!edit_->editing) return;
    const bool wasNew = edit_->isNew;
    edit_->editing = false;
    edit_->isNew = false;
    edit_->values.clear();
    edit_->original.clear();
    if (wasNew) cur_->setPosition(cur_->empty() ? -1 : std::min(cur_->position(), cur_->size() - 1));
}

void DataSource::writeRow() {
    const bool wasNew = edit_->isNew;
    edit_->oid = writer_->write(db_->conn(), *def_, *layout_, edit_->values, wasNew, edit_->oid);
    if (wasNew) cur_->append(edit_->oid);
}

void DataSource::saveImpl(bool runHooks) {
    if (!edit_->editing) return;
    const bool wasNew = edit_->isNew;
    const bool active = runHooks && hooksActive();
    db_->touch(*this);
    std::shared_ptr<DataSource> parent = active ? parentForRow() : nullptr;
    const ReferenceDef* pref = parentReference();
    const bool parentHooks = parent && pref && parent->def_->hooks;
    const bool parentWasEditing = parent && parent->edit_->editing;
    if (parentHooks && !wasNew) {
        auto before = DataSource::open(db_, *def_, query::RowOIDQueryString(*def_, edit_->oid, 0));
        hook([&] {
            parent->def_->hooks->OnBeforeUpdateReference(*parent, before.get(), pref->name,
                                                         RefChange::RowChanged, 0);
        });
        if (db_->operationCancelled()) return;
    }
    if (active) {
        hook([&] { def_->hooks->OnUpdateRow(*this); });
        if (db_->operationCancelled()) return;
    }
    writeRow();
    edit_->editing = false;
    edit_->isNew = false;
    edit_->values.clear();
    edit_->original.clear();
    if (parentHooks) {
        hook([&] {
            parent->def_->hooks->OnUpdateReference(*parent, this, pref->name,
                                                   wasNew ? RefChange::RowAdded : RefChange::RowChanged, 0);
        });
        if (db_->operationCancelled()) return;
        if (!parentWasEditing && parent->edit_->editing) parent->saveImpl(true);
    }
}

// The rows a row owns go with it, level by level. With a progress sink the
// first level is deleted a row at a time, each row a step; a stop raises the
// cancel that undoes the whole delete. Returns the steps: the owned rows of
// the first level and the row itself, whose delete is the caller's.
long DataSource::deleteOwned(const TableDef& t, qint64 oid, itfProgress* progress) {
    struct Owned {
        const TableDef* child;
        QString link;
        std::vector<qint64> kids;
    };
    std::vector<Owned> owned;
    long total = 1;  // the row itself
    for (int i = 0; i < t.references.Count(); ++i) {
        const ReferenceDef& r = t.references.Item(i);
        if (!r.collection || !r.owned) continue;
        Owned o{db_->lookup(r.table), r.parentLinkColumn(), {}};
        Statement st = db_->conn().prepare(QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 = ?1")
                                               .arg(sqlIdent(o.child->name()), sqlIdent(o.link)));
        st.bind(1, oid);
        while (st.step()) o.kids.push_back(st.int64(0));
        total += long(o.kids.size());
        owned.push_back(std::move(o));
    }
    long done = 0;
    auto step = [&] {
        if (!progress) return;
        bool goOn = true;
        progress->OnProgress(++done, goOn);
        if (!goOn) throw errors::make(errors::Cancelled, QStringLiteral("Eliminazione interrotta."), true);
    };
    if (progress) progress->OnStart(total, true);
    for (const Owned& o : owned) {
        for (qint64 k : o.kids) {
            deleteOwned(*o.child, k);
            if (!progress) continue;
            db_->conn()
                .prepare(QStringLiteral("DELETE FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(o.child->name())))
                .bind(1, k)
                .run();
            step();
        }
        if (progress) continue;
        db_->conn()
            .prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?1")
                         .arg(sqlIdent(o.child->name()), sqlIdent(o.link)))
            .bind(1, oid)
            .run();
    }
    return total;
}

void DataSource::deleteImpl(bool runHooks, itfProgress* progress) {
    if (edit_->editing && edit_->isNew) {
        CancelUpdate();
        return;
    }
    if (edit_->editing) CancelUpdate();
    const CursorRow* r = currentRow();
    if (!r)
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    const qint64 oid = r->oid;
    const bool active = runHooks && hooksActive();
    db_->touch(*this, true);
    if (active) {
        hook([&] { def_->hooks->OnDeleteRow(*this); });
        if (db_->operationCancelled()) return;
    }
    auto gone = [&] {
        const long at = cur_->find(oid);
        if (at >= 0) cur_->removeAt(at);
    };
    // A hook may already have deleted the row (a whole promotion).
    {
        Statement st = db_->conn().prepare(
            QStringLiteral("SELECT 1 FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(def_->name())));
        st.bind(1, oid);
        if (!st.step()) {
            gone();
            return;
        }
    }
    std::shared_ptr<DataSource> parent = active ? parentForRow() : nullptr;
    const ReferenceDef* pref = parentReference();
    const bool parentWasEditing = parent && parent->edit_->editing;
    if (parent && pref && parent->def_->hooks) {
        hook([&] {
            parent->def_->hooks->OnBeforeUpdateReference(*parent, this, pref->name, RefChange::RowDeleted, 0);
        });
        if (db_->operationCancelled()) return;
    }
    const long steps = deleteOwned(*def_, oid, progress);
    db_->conn()
        .prepare(QStringLiteral("DELETE FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(def_->name())))
        .bind(1, oid)
        .run();
    if (progress) {
        // The last step: nothing is left to stop.
        bool goOn = true;
        progress->OnProgress(steps, goOn);
    }
    db_->conn().touchData();
    gone();
    if (parent && !parentWasEditing && parent->edit_->editing) parent->saveImpl(true);
}

void DataSource::DeleteRow(itfProgress* progress) {
    checkWritable();
    try {
        operation([&] { deleteImpl(true, progress); });
    } catch (...) {
        if (progress) progress->OnEnd();
        throw;
    }
    if (progress) progress->OnEnd();
}

long DataSource::DeleteAll(itfProgress* progress) {
    checkWritable();
    long n = 0;
    if (progress) progress->OnStart(RowCount(), true);
    operation([&] {
        if (edit_->editing) CancelUpdate();
        cur_->setPosition(cur_->empty() ? -1 : 0);
        while (!cur_->empty() && !db_->operationCancelled()) {
            cur_->setPosition(0);
            const size_t before = size_t(cur_->size());
            deleteImpl(true);
            if (size_t(cur_->size()) == before) break;
            ++n;
            if (progress) {
                bool goOn = true;
                progress->OnProgress(n, goOn);
                if (!goOn) break;
            }
        }
    });
    if (progress) progress->OnEnd();
    cur_->setPosition(cur_->empty() ? -1 : 0);
    return n;
}

QString DataSource::RowOIDQueryString(int code) const { return query::RowOIDQueryString(*def_, OID(), code); }

core::Variant DataSource::CalculateColValue(const QString& name, int kind) const {
    const int i = colIndex(name);
    if (i < 0) unknownColumn(*def_, name);
    return aggregate(db_->conn(), cur_->query(), (*layout_)[size_t(i)], cur_->query().columnNames[i], kind);
}

// ---- Selection -------------------------------------------------------------------------

void DataSource::Requery() { requeryWith(translate(filter_, sort_, columns_)); }

bool DataSource::RowsCurrent() const { return readVersion_ == db_->conn().dataVersion(); }

bool DataSource::Refresh() {
    if (RowsCurrent() || edit_->editing) return false;
    Requery();
    return true;
}

void DataSource::requeryWith(query::SqlQuery q, bool keepRow) {
    if (edit_->editing) Save();
    const qint64 was = keepRow ? OID() : 0;
    runQuery(std::move(q));
    if (was) cur_->keepRow(db_->conn(), was);
    refreshed();
}

// A changed selection text is translated once: a text that cannot be read
// raises before anything changes.
void DataSource::SetFilter(const QString& filter) {
    query::SqlQuery q = translate(filter, sort_, columns_);
    filter_ = filter;
    requeryWith(std::move(q));
}

void DataSource::SetBaseFilter(const QString& filter) {
    const QString old = baseFilter_;
    baseFilter_ = filter;
    try {
        query::SqlQuery q = translate(filter_, sort_, columns_);
        requeryWith(std::move(q));
    } catch (...) {
        baseFilter_ = old;
        throw;
    }
}

void DataSource::SetSortOrder(const QString& sort, bool keepRow) {
    query::SqlQuery q = translate(filter_, sort, columns_);
    sort_ = sort;
    requeryWith(std::move(q), keepRow);
}

void DataSource::SetColumnList(const QString& columns) {
    if (edit_->editing) Save();
    const QString old = columns_;
    try {
        query::SqlQuery q = translate(filter_, sort_, columns);
        columns_ = columns;
        requeryWith(std::move(q));
    } catch (...) {
        columns_ = old;
        Requery();
        throw;
    }
}

std::shared_ptr<DataSource> DataSource::GetDataSource(const QString& table, int, const QString& condition,
                                                      const QString& sort) const {
    return db_->Tables(table)->OpenDataSource(condition, sort);
}

QString DataSource::EqualityCondition(const QString& column) const {
    return query::EqualityCondition(*def_, column, ColValue(column));
}

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

// ---- Dialogue --------------------------------------------------------------------------

void DataSource::CancelWithMessage(const QString& message, int) {
    if (db_->inOperation()) {
        db_->cancelOperation(message, false);
        return;
    }
    CancelUpdate();
    db_->showMessage(message);
}

void DataSource::Cancel() {
    if (db_->inOperation())
        db_->cancelOperation({}, true);
    else
        CancelUpdate();
}

bool DataSource::Confirm(const QString& question, int kind, bool defaultNo, bool) {
    return db_->askQuestion(question, kind, defaultNo);
}

void DataSource::Message(const QString& message) { db_->showMessage(message); }

// ---- Locks -----------------------------------------------------------------------------

bool DataSource::Lock(const QString& name) { return db_->takeLock(def_->name(), OID(), name); }
void DataSource::Unlock(const QString& name) { db_->releaseLock(def_->name(), OID(), name); }
bool DataSource::IsLocked(const QString& name) const { return db_->isLocked(def_->name(), OID(), name); }

NamedLock::NamedLock(DataSource& ds, const QString& name)
    : db_(ds.Database()), table_(ds.tableDef().name()), name_(name), oid_(ds.OID()) {
    obtained_ = db_->takeLock(table_, oid_, name_);
}

NamedLock::~NamedLock() {
    if (obtained_) db_->releaseLock(table_, oid_, name_);
}

// ---- Events ----------------------------------------------------------------------------

int DataSource::connectRefresh(std::function<void(DataSource&)> handler) {
    refreshHandlers_.insert(++nextHandler_, std::move(handler));
    return nextHandler_;
}

void DataSource::disconnectRefresh(int id) { refreshHandlers_.remove(id); }

void DataSource::refreshed() {
    const auto handlers = refreshHandlers_;
    for (const auto& h : handlers) h(*this);
}

}  // namespace datalib
