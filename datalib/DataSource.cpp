// A data source's reading side: opening on a translated query, the position
// in the selection, the values of the current row, a new selection (filter,
// sort, columns), the dialogue of refusals, named locks and the refresh
// events. Changes are in DataSourceEdit.cpp, references and the parent row
// in DataSourceReferences.cpp.

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

[[noreturn]] void unknownColumn(const TableDef& t, const QString& name) {
    throw errors::make(errors::UnknownColumn,
                       QStringLiteral("La tabella \"%1\" non ha la colonna \"%2\".").arg(t.name(), name));
}

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

qint64 DataSource::OID() const {
    if (edit_->editing) return edit_->isNew ? 0 : edit_->oid;
    const CursorRow* r = currentRow();
    return r ? r->oid : 0;
}

core::Variant DataSource::RowKey() const {
    const qint64 oid = OID();
    return oid ? wholeNumber(oid) : core::Variant::null();
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
