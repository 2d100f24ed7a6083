#include "datalib/DataSource.h"

#include "core/ItalianText.h"
#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"

#include <sqlite3.h>
#include <QSet>
#include <cmath>

namespace datalib {

namespace {

constexpr int kWindow = 64;

core::Variant wholeNumber(qint64 v) {
    if (v >= INT32_MIN && v <= INT32_MAX) return core::Variant(std::int32_t(v));
    return core::Variant(double(v));
}

int digits(const QString& s, int from, int count, bool& ok) {
    int v = 0;
    for (int i = from; i < from + count; ++i) {
        if (i >= s.size() || !s[i].isDigit()) {
            ok = false;
            return 0;
        }
        v = v * 10 + s[i].digitValue();
    }
    return v;
}

// "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss" to a date; Null when unreadable.
core::Variant parseStoredDate(const QString& s) {
    bool ok = true;
    const int y = digits(s, 0, 4, ok), m = digits(s, 5, 2, ok), d = digits(s, 8, 2, ok);
    if (!ok || !core::Date::isValidDate(y, m, d)) return core::Variant::null();
    int hh = 0, mi = 0, ss = 0;
    if (s.size() >= 19) {
        hh = digits(s, 11, 2, ok);
        mi = digits(s, 14, 2, ok);
        ss = digits(s, 17, 2, ok);
        if (!ok) hh = mi = ss = 0;
    }
    return core::Variant(core::Date::fromParts(y, m, d, hh, mi, ss));
}

[[noreturn]] void unknownColumn(const TableDef& t, const QString& name) {
    throw errors::make(errors::UnknownColumn,
                       QStringLiteral("La tabella \"%1\" non ha la colonna \"%2\".").arg(t.name(), name));
}

[[noreturn]] void unknownReference(const TableDef& t, const QString& name) {
    throw errors::make(errors::UnknownReference,
                       QStringLiteral("La tabella \"%1\" non ha il riferimento \"%2\".").arg(t.name(), name));
}

}  // namespace

struct DataSource::Snapshot {
    bool editing = false;
    bool isNew = false;
    qint64 editOid = 0;
    std::vector<core::Variant> buffer, original;
    long pos = -1;
    // The keyset is long: its size is kept, and a copy is taken only before
    // the first deletion (rows are only appended before that).
    size_t keyCount = 0;
    bool hasKeys = false;
    std::vector<qint64> keys;
};

// ---- Opening ----------------------------------------------------------------------

std::shared_ptr<DataSource> DataSource::open(const std::shared_ptr<datalib::Database>& db,
                                             const TableDef& table, const QString& filter,
                                             const QString& sort, const QString& columns,
                                             const std::shared_ptr<DataSource>& parent,
                                             const ReferenceDef* parentRef, bool forChoice) {
    std::shared_ptr<DataSource> ds(new DataSource());
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
    ds->runQuery();
    if (table.hooks) {
        ds->hook([&] { table.hooks->OnSelect(*ds); });
        if (parent) ds->hook([&] { table.hooks->OnSelectParent(*ds, *parent); });
    }
    return ds;
}

DataSource::~DataSource() = default;

std::shared_ptr<DataSet> DataSource::Table() const { return db_->Tables(def_->name()); }

QString DataSource::GetSysParam(const QString& name, const QString& defaultValue) const {
    return db_->GetSysParam(name, defaultValue);
}

void DataSource::runQuery() {
    QString cols = columns_.trimmed();
    if (cols.startsWith(QLatin1String("DISTINCTROW"), Qt::CaseInsensitive))
        cols = QStringLiteral("*,") + cols.mid(11).trimmed();
    else if (!cols.isEmpty() && !cols.startsWith(QLatin1String("DISTINCT"), Qt::CaseInsensitive) &&
             !cols.startsWith(QLatin1Char('*')))
        cols = QStringLiteral("*,") + cols;
    auto lookup = [db = db_.get()](const QString& n) { return db->lookup(n); };
    query::SqlQuery q = query::translateQuery(*def_, lookup, filter_, sort_, cols);
    if (!extraSql_.isEmpty()) q.andWhere(extraSql_, extraParams_);

    Connection& c = db_->conn();
    std::vector<qint64> keys;
    std::vector<Row> rows;
    const bool isStatic = q.distinct;
    query_ = std::move(q);
    static_ = isStatic;
    buildLayout();
    const QString own = sqlIdent(query::SqlQuery::ownAlias());
    if (isStatic) {
        Statement st = c.prepare(query_.sql());
        st.bind(query_.params);
        while (st.step()) {
            Row r;
            r.oid = qint64(rows.size()) + 1;
            r.values = readRow(st);
            keys.push_back(r.oid);
            rows.push_back(std::move(r));
        }
    } else {
        QString sql = QStringLiteral("SELECT %1.\"OID\" FROM %2").arg(own, query_.from);
        if (!query_.where.isEmpty()) sql += QStringLiteral(" WHERE ") + query_.where;
        if (!query_.orderBy.isEmpty()) sql += QStringLiteral(" ORDER BY ") + query_.orderBy;
        Statement st = c.prepare(sql);
        st.bind(query_.params);
        while (st.step()) keys.push_back(st.int64(0));
        QStringList marks;
        const int first = int(query_.params.size()) + 1;
        for (int i = 0; i < kWindow; ++i) marks << QStringLiteral("?%1").arg(first + i);
        windowSql_ = QStringLiteral("SELECT %1 FROM %2 WHERE %3.\"OID\" IN (%4)")
                         .arg(query_.select, query_.from, own, marks.join(QLatin1Char(',')));
        rowSql_ = QStringLiteral("SELECT %1 FROM %2 WHERE %3.\"OID\" = ?%4")
                      .arg(query_.select, query_.from, own)
                      .arg(first);
    }
    keys_ = std::move(keys);
    staticRows_ = std::move(rows);
    cache_.clear();
    pos_ = keys_.empty() ? -1 : 0;
    editing_ = false;
    isNew_ = false;
}

void DataSource::buildLayout() {
    insertSql_.clear();
    updateSql_.clear();
    layout_.clear();
    index_.clear();
    baseLinkIndex_ = parentLinkIndex_ = -1;
    for (const QString& n : query_.columnNames) {
        ColInfo info;
        info.name = n;
        const TableDef* owner = nullptr;
        if (n.compare(QLatin1String("OID"), Qt::CaseInsensitive) == 0) {
            info.kind = ColKind::OID;
        } else if (const ColumnDef* c = def_->findColumn(n, &owner)) {
            info.col = c;
            info.kind = owner == def_ ? ColKind::Own : ColKind::Base;
        } else if (const ReferenceDef* r = def_->findReference(n, &owner); r && !r->collection) {
            info.ref = r;
            info.kind = owner == def_ ? ColKind::OwnRef : ColKind::BaseRef;
        } else if (def_->base && n.compare(def_->baseLinkColumn(), Qt::CaseInsensitive) == 0) {
            info.kind = ColKind::Link;
            baseLinkIndex_ = int(layout_.size());
        } else {
            bool link = false;
            for (const ReferenceDef* p : def_->parents)
                if (n.compare(p->parentLinkColumn(), Qt::CaseInsensitive) == 0) link = true;
            info.kind = link ? ColKind::Link : ColKind::Expr;
            if (link && parentRef_ && n.compare(parentRef_->parentLinkColumn(), Qt::CaseInsensitive) == 0)
                parentLinkIndex_ = int(layout_.size());
        }
        if (static_ && info.kind != ColKind::Expr && info.kind != ColKind::OID) {
            // A DISTINCT list shows values; keep their types but never write them.
        }
        const QString key = n.toLower();
        if (!index_.contains(key)) index_.insert(key, int(layout_.size()));
        layout_.push_back(info);
    }
}

int DataSource::colIndex(const QString& name) const { return index_.value(name.toLower(), -1); }

core::Variant DataSource::fromStorage(const ColInfo& info, Statement& st, int col) const {
    const int t = st.columnType(col);
    if (t == SQLITE_NULL) {
        if (info.col && info.col->isBoolean()) return core::Variant(false);
        return core::Variant::null();
    }
    if (info.col) {
        switch (info.col->type) {
            case coltype::Boolean:
                return core::Variant(st.int64(col) != 0);
            case coltype::Integer:
                return t == SQLITE_INTEGER ? wholeNumber(st.int64(col)) : core::Variant(st.real(col));
            case coltype::Single:
                return core::Variant(float(st.real(col)));
            case coltype::Number:
                return core::Variant(st.real(col));
            case coltype::Money:
                try {
                    return core::Variant(core::Currency::fromDouble(st.real(col)));
                } catch (const core::AppError&) {
                    return core::Variant(st.real(col));
                }
            case coltype::Date:
            case coltype::DateTime:
                return parseStoredDate(st.text(col));
            default:
                return core::Variant(st.text(col));
        }
    }
    if (info.ref) {
        if (info.ref->byRowLink()) return wholeNumber(st.int64(col));
        return core::Variant(st.text(col));
    }
    switch (t) {
        case SQLITE_INTEGER:
            return wholeNumber(st.int64(col));
        case SQLITE_FLOAT:
            return core::Variant(st.real(col));
        default:
            return core::Variant(st.text(col));
    }
}

std::vector<core::Variant> DataSource::readRow(Statement& st) const {
    std::vector<core::Variant> v;
    v.reserve(layout_.size());
    for (size_t i = 0; i < layout_.size(); ++i) v.push_back(fromStorage(layout_[i], st, int(i)));
    return v;
}

void DataSource::fetchWindow(long from) const {
    if (cache_.size() > 4 * kWindow) cache_.clear();
    std::vector<query::SqlValue> ids;
    for (long i = from; i < long(keys_.size()) && int(ids.size()) < kWindow; ++i)
        ids.push_back(keys_[size_t(i)]);
    while (int(ids.size()) < kWindow) ids.push_back(qint64(0));
    Statement st = db_->conn().prepare(windowSql_);
    st.bind(query_.params);
    st.bind(ids, int(query_.params.size()) + 1);
    const quint64 version = db_->conn().dataVersion();
    const int oidCol = 0;
    while (st.step()) {
        Row r;
        r.oid = st.int64(oidCol);
        r.version = version;
        r.values = readRow(st);
        cache_[r.oid] = std::move(r);
    }
}

const DataSource::Row* DataSource::fetchRow(qint64 oid, long position) const {
    const quint64 version = db_->conn().dataVersion();
    auto it = cache_.find(oid);
    if (it != cache_.end() && it->second.version == version) return &it->second;
    if (it == cache_.end()) {
        fetchWindow(position >= 0 ? position : 0);
        it = cache_.find(oid);
        if (it != cache_.end()) return &it->second;
    }
    Statement st = db_->conn().prepare(rowSql_);
    st.bind(query_.params);
    st.bind(int(query_.params.size()) + 1, oid);
    Row r;
    r.oid = oid;
    r.version = version;
    if (st.step())
        r.values = readRow(st);
    else
        r.missing = true;
    return &(cache_[oid] = std::move(r));
}

const DataSource::Row* DataSource::currentRow() const {
    if (pos_ < 0 || pos_ >= long(keys_.size())) return nullptr;
    if (static_) return &staticRows_[size_t(pos_)];
    const Row* r = fetchRow(keys_[size_t(pos_)], pos_);
    return r->missing ? nullptr : r;
}

core::Variant DataSource::ValueAt(long position, int column) const {
    if (position < 0 || position >= long(keys_.size()) || column < 0 || column >= int(layout_.size()))
        return core::Variant::null();
    if (editing_ && position == pos_) return buffer_[size_t(column)];
    const Row* r = static_ ? &staticRows_[size_t(position)] : fetchRow(keys_[size_t(position)], position);
    return r->missing ? core::Variant::null() : r->values[size_t(column)];
}

int DataSource::ColumnIndex(const QString& name) const { return colIndex(name); }

const std::vector<core::Variant>& DataSource::values() const {
    static const std::vector<core::Variant> none;
    if (editing_) return buffer_;
    const Row* r = currentRow();
    return r ? r->values : none;
}

// ---- Navigation ----------------------------------------------------------------------

void DataSource::MoveTo(long position) {
    if (editing_) Save();
    if (keys_.empty()) {
        pos_ = -1;
        return;
    }
    pos_ = std::clamp(position, -1L, long(keys_.size()));
}

void DataSource::RowFirst() { MoveTo(0); }
void DataSource::RowNext() { MoveTo(pos_ + 1); }
void DataSource::RowPrevious() { MoveTo(pos_ - 1); }
void DataSource::RowLast() { MoveTo(long(keys_.size()) - 1); }
bool DataSource::Bof() const { return !(editing_ && isNew_) && (keys_.empty() || pos_ < 0); }
bool DataSource::Eof() const {
    return keys_.empty() || (pos_ >= long(keys_.size()) && !(editing_ && isNew_));
}
bool DataSource::DataEmpty() const { return keys_.empty() && !(editing_ && isNew_); }
bool DataSource::RowValid() const { return (editing_ && isNew_) || currentRow() != nullptr; }
long DataSource::RowCount(bool) const { return long(keys_.size()); }

core::Variant DataSource::Bookmark() const {
    if (!RowValid() || (editing_ && isNew_)) return core::Variant::null();
    return wholeNumber(keys_[size_t(pos_)]);
}

bool DataSource::MoveToBookmark(const core::Variant& bookmark) { return MoveToKey(bookmark); }

bool DataSource::MoveToKey(const core::Variant& key) {
    if (key.isEmptyOrNull()) return false;
    const qint64 oid = qint64(std::llround(key.toDouble()));
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == oid) {
            MoveTo(long(i));
            return true;
        }
    return false;
}

bool DataSource::FindFirst(const QString& condition) {
    if (static_) return false;
    auto lookup = [db = db_.get()](const QString& n) { return db->lookup(n); };
    query::SqlQuery q = query::translateQuery(*def_, lookup, condition, {}, QStringLiteral("OID"));
    QString sql =
        QStringLiteral("SELECT %1.\"OID\" FROM %2").arg(sqlIdent(query::SqlQuery::ownAlias()), q.from);
    if (!q.where.isEmpty()) sql += QStringLiteral(" WHERE ") + q.where;
    Statement st = db_->conn().prepare(sql);
    st.bind(q.params);
    QSet<qint64> hits;
    while (st.step()) hits.insert(st.int64(0));
    for (size_t i = 0; i < keys_.size(); ++i)
        if (hits.contains(keys_[i])) {
            MoveTo(long(i));
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
    const ColumnDef* c = i >= 0 ? layout_[size_t(i)].col : nullptr;
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
    for (const ColInfo& c : layout_) out << c.name;
    return out;
}

core::Variant DataSource::normalise(const ColInfo& info, const core::Variant& in) const {
    const core::Variant v = in.isObject() ? in.resolved() : in;
    if (info.ref) {
        if (v.isEmptyOrNull())
            return info.ref->byRowLink() ? core::Variant::null() : core::Variant(QString());
        if (info.ref->byRowLink()) return wholeNumber(qint64(std::llround(v.toDouble())));
        return core::Variant(v.toString());
    }
    if (!info.col) return v;
    const ColumnDef& c = *info.col;
    if (c.isBoolean()) {
        if (v.isEmptyOrNull()) return core::Variant(false);
    } else if (v.isEmptyOrNull()) {
        return core::Variant::null();
    }
    try {
        switch (c.type) {
            case coltype::Boolean:
                return core::Variant(v.toBool());
            case coltype::Integer: {
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                const double d = v.toDouble();
                if (std::fabs(d) < 2147483647.0) return core::Variant(v.toLong());
                return wholeNumber(qint64(std::nearbyint(d)));
            }
            case coltype::Single:
            case coltype::Number:
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                return c.type == coltype::Single ? core::Variant(v.toSingle()) : core::Variant(v.toDouble());
            case coltype::Money:
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                return core::Variant(v.toCurrency());
            case coltype::Date:
            case coltype::DateTime: {
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                core::Date d = v.toDate();
                if (c.type == coltype::Date) d = d.datePart();
                return core::Variant(d);
            }
            default: {
                const QString s = v.toString();
                if (c.length > 0 && s.size() > c.length)
                    throw errors::make(
                        errors::InvalidValue,
                        QStringLiteral("Il valore della colonna \"%1\" supera la lunghezza massima "
                                       "di %2 caratteri.")
                            .arg(c.name)
                            .arg(c.length));
                return core::Variant(s);
            }
        }
    } catch (const core::AppError& e) {
        if (errors::code(e) == errors::InvalidValue) throw;
        throw errors::make(errors::InvalidValue,
                           QStringLiteral("Valore non valido per la colonna \"%1\": \"%2\".")
                               .arg(c.name, v.isString() ? v.stringValue() : v.typeName()));
    }
}

query::SqlValue DataSource::toStorage(const ColInfo& info, const core::Variant& v) const {
    if (info.col && info.col->isBoolean()) return qint64(v.isEmptyOrNull() ? 0 : (v.toBool() ? 1 : 0));
    if (v.isEmptyOrNull()) return {};
    if (info.ref) {
        if (info.ref->byRowLink()) return qint64(std::llround(v.toDouble()));
        return v.toString();
    }
    if (!info.col) return qint64(std::llround(v.toDouble()));  // OID and links
    switch (info.col->type) {
        case coltype::Integer:
            return qint64(std::llround(v.toDouble()));
        case coltype::Single:
        case coltype::Number:
            return v.toDouble();
        case coltype::Money:
            return v.toCurrency().toDouble();
        case coltype::Date:
            return query::storedDateText(v.toDate(), false);
        case coltype::DateTime:
            return query::storedDateText(v.toDate(), true);
        default:
            return v.toString();
    }
}

// ---- Operations and hooks -------------------------------------------------------------

bool DataSource::hooksActive() const { return def_->hooks && db_->State() != Database::StateUpdating; }

void DataSource::checkWritable() const {
    if (db_->AccessLevel() < 0 && db_->State() == Database::StateOpen && !db_->inOperation())
        throw errors::make(
            errors::NotAllowed,
            QStringLiteral("L'utente collegato può soltanto consultare i dati: modifica non consentita."));
}

void DataSource::operation(const std::function<void()>& body) {
    db_->beginOperation();
    try {
        body();
    } catch (...) {
        db_->endOperation(false);
        throw;
    }
    db_->endOperation(true);
}

void DataSource::hook(const std::function<void()>& call) {
    db_->enterHook();
    try {
        call();
    } catch (...) {
        db_->leaveHook();
        throw;
    }
    db_->leaveHook();
}

std::shared_ptr<void> DataSource::snapshot() const {
    auto s = std::make_shared<Snapshot>();
    s->editing = editing_;
    s->isNew = isNew_;
    s->editOid = editOid_;
    s->buffer = buffer_;
    s->original = original_;
    s->pos = pos_;
    s->keyCount = keys_.size();
    return s;
}

void DataSource::keepKeys(const std::shared_ptr<void>& snap) const {
    auto* s = static_cast<Snapshot*>(snap.get());
    if (s->hasKeys) return;
    s->keys.assign(keys_.begin(), keys_.begin() + long(std::min(s->keyCount, keys_.size())));
    s->hasKeys = true;
}

void DataSource::restore(const std::shared_ptr<void>& snap) {
    const auto* s = static_cast<const Snapshot*>(snap.get());
    editing_ = s->editing;
    isNew_ = s->isNew;
    editOid_ = s->editOid;
    buffer_ = s->buffer;
    original_ = s->original;
    pos_ = s->pos;
    if (s->hasKeys)
        keys_ = s->keys;
    else if (keys_.size() > s->keyCount)
        keys_.resize(s->keyCount);
    cache_.clear();
}

void DataSource::invalidate() { cache_.clear(); }

void DataSource::beginEdit() {
    if (editing_) return;
    if (static_) throw errors::make(errors::NotAllowed, QStringLiteral("Questi dati non sono modificabili."));
    const Row* r = currentRow();
    if (!r)
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    buffer_ = r->values;
    original_ = buffer_;
    editOid_ = r->oid;
    editing_ = true;
    isNew_ = false;
}

bool DataSource::IsChanged() const {
    if (!editing_) return false;
    if (isNew_) return true;
    for (size_t i = 0; i < buffer_.size(); ++i)
        if (!buffer_[i].identical(original_[i])) return true;
    return false;
}

qint64 DataSource::OID() const {
    if (editing_) return isNew_ ? 0 : editOid_;
    const Row* r = currentRow();
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
    const ColumnDef* c = layout_[size_t(i)].col;
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
    const ColInfo& info = layout_[size_t(i)];
    if (info.kind == ColKind::OwnRef || info.kind == ColKind::BaseRef) {
        SetReference(name, value);
        return;
    }
    if (info.kind == ColKind::Base && def_->base &&
        info.name.compare(def_->base->keyFieldName(), Qt::CaseInsensitive) == 0) {
        linkBase(value);
        return;
    }
    if (info.kind != ColKind::Own)
        throw errors::make(
            errors::NotAllowed,
            QStringLiteral("La colonna \"%1\" di \"%2\" non è modificabile.").arg(info.name, def_->name()));
    if (!RowValid())
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    const core::Variant nv = normalise(info, value);
    const QString colName = info.name;
    operation([&] {
        db_->touch(*this);
        beginEdit();
        if (hooksActive()) {
            hook([&] { def_->hooks->OnBeforeUpdateField(*this, colName); });
            if (db_->operationCancelled()) return;
            beginEdit();  // the hook may have saved the row meanwhile
        }
        buffer_[size_t(i)] = nv;
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
            auto before = rowByKey(db_, *target, ref.keyColumn, buffer_[size_t(i)]);
            hook([&] {
                def_->hooks->OnBeforeUpdateReference(*this, before.get(), ref.name, RefChange::Set, 0);
            });
            if (db_->operationCancelled()) return;
            beginEdit();  // the hook may have saved the row meanwhile
        }
        buffer_[size_t(i)] = nv;
        if (hooksActive()) {
            auto after = rowByKey(db_, *target, ref.keyColumn, nv);
            hook([&] { def_->hooks->OnUpdateReference(*this, after.get(), ref.name, RefChange::Set, 0); });
        }
    });
}

void DataSource::linkBase(const core::Variant& key) {
    const TableDef& base = *def_->base;
    const QString keyName = base.keyFieldName();
    if (baseLinkIndex_ < 0) unknownColumn(*def_, def_->baseLinkColumn());
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
        buffer_[size_t(baseLinkIndex_)] = wholeNumber(row->OID());
        for (size_t j = 0; j < layout_.size(); ++j)
            if (layout_[j].kind == ColKind::Base || layout_[j].kind == ColKind::BaseRef)
                buffer_[j] = row->ColValue(layout_[j].name);
        if (!active) return;
        hook([&] { def_->hooks->OnUpdateField(*this, keyName); });
        for (const ColInfo& c : std::vector<ColInfo>(layout_))
            if (c.kind == ColKind::Base && c.name.compare(keyName, Qt::CaseInsensitive) != 0)
                hook([&] { def_->hooks->OnUpdateField(*this, c.name); });
    });
}

// ---- Rows --------------------------------------------------------------------------------

std::shared_ptr<DataSource> DataSource::Parent() const { return parent_; }

qint64 DataSource::parentOidOfRow() const {
    if (parentLinkIndex_ >= 0) {
        const auto& v = values();
        if (size_t(parentLinkIndex_) < v.size() && !v[size_t(parentLinkIndex_)].isEmptyOrNull())
            return qint64(std::llround(v[size_t(parentLinkIndex_)].toDouble()));
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
    if (editing_) saveImpl(true);
    if (static_) throw errors::make(errors::NotAllowed, QStringLiteral("Questi dati non sono modificabili."));
    db_->touch(*this);
    buffer_.assign(layout_.size(), core::Variant::null());
    for (size_t j = 0; j < layout_.size(); ++j)
        if (layout_[j].col && layout_[j].col->isBoolean()) buffer_[j] = core::Variant(false);
    if (parentLinkIndex_ >= 0) buffer_[size_t(parentLinkIndex_)] = wholeNumber(parentOid_);
    original_ = buffer_;
    editing_ = true;
    isNew_ = true;
    editOid_ = 0;
    pos_ = long(keys_.size());
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
            if (i >= 0 &&
                (layout_[size_t(i)].kind == ColKind::Expr || layout_[size_t(i)].kind == ColKind::OID ||
                 layout_[size_t(i)].kind == ColKind::Link))
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
    if (!editing_) return false;
    const bool wasNew = isNew_;
    operation([&] { saveImpl(true); });
    return wasNew;
}

void DataSource::CancelUpdate() {
    if (!editing_) return;
    const bool wasNew = isNew_;
    editing_ = false;
    isNew_ = false;
    buffer_.clear();
    original_.clear();
    if (wasNew) pos_ = keys_.empty() ? -1 : std::min(pos_, long(keys_.size()) - 1);
}

void DataSource::prepareWrites() {
    QStringList names, marks, sets;
    writeCols_.clear();
    for (size_t j = 0; j < layout_.size(); ++j) {
        const ColInfo& c = layout_[j];
        if (c.kind != ColKind::Own && c.kind != ColKind::OwnRef && c.kind != ColKind::Link) continue;
        writeCols_.push_back(int(j));
        names << sqlIdent(c.name);
        marks << QStringLiteral("?%1").arg(names.size());
        sets << QStringLiteral("%1 = ?%2").arg(sqlIdent(c.name)).arg(names.size());
    }
    insertSql_ = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(sqlIdent(def_->name()))
                                 : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                       .arg(sqlIdent(def_->name()), names.join(QLatin1Char(',')),
                                            marks.join(QLatin1Char(',')));
    updateSql_ = QStringLiteral("UPDATE %1 SET %2 WHERE \"OID\" = ?%3")
                     .arg(sqlIdent(def_->name()), sets.join(QLatin1Char(',')))
                     .arg(names.size() + 1);
}

void DataSource::writeRow() {
    if (insertSql_.isEmpty()) prepareWrites();
    std::vector<query::SqlValue> vals;
    vals.reserve(writeCols_.size() + 1);
    for (int j : writeCols_) vals.push_back(toStorage(layout_[size_t(j)], buffer_[size_t(j)]));
    Connection& conn = db_->conn();
    if (isNew_) {
        conn.prepare(insertSql_).bind(vals).run();
        editOid_ = sqlite3_last_insert_rowid(conn.handle());
        keys_.push_back(editOid_);
        pos_ = long(keys_.size()) - 1;
    } else {
        vals.push_back(editOid_);
        conn.prepare(updateSql_).bind(vals).run();
    }
    conn.touchData();
}

void DataSource::saveImpl(bool runHooks) {
    if (!editing_) return;
    const bool wasNew = isNew_;
    const bool active = runHooks && hooksActive();
    db_->touch(*this);
    std::shared_ptr<DataSource> parent = active ? parentForRow() : nullptr;
    const ReferenceDef* pref = parentReference();
    const bool parentHooks = parent && pref && parent->def_->hooks;
    const bool parentWasEditing = parent && parent->editing_;
    if (parentHooks && !wasNew) {
        auto before = DataSource::open(db_, *def_, query::RowOIDQueryString(*def_, editOid_, 0));
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
    editing_ = false;
    isNew_ = false;
    buffer_.clear();
    original_.clear();
    if (parentHooks) {
        hook([&] {
            parent->def_->hooks->OnUpdateReference(*parent, this, pref->name,
                                                   wasNew ? RefChange::RowAdded : RefChange::RowChanged, 0);
        });
        if (db_->operationCancelled()) return;
        if (!parentWasEditing && parent->editing_) parent->saveImpl(true);
    }
}

void DataSource::deleteOwned(const TableDef& t, qint64 oid) {
    for (int i = 0; i < t.references.Count(); ++i) {
        const ReferenceDef& r = t.references.Item(i);
        if (!r.collection || !r.owned) continue;
        const TableDef* child = db_->lookup(r.table);
        std::vector<qint64> kids;
        {
            Statement st =
                db_->conn().prepare(QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 = ?1")
                                        .arg(sqlIdent(child->name()), sqlIdent(r.parentLinkColumn())));
            st.bind(1, oid);
            while (st.step()) kids.push_back(st.int64(0));
        }
        for (qint64 k : kids) deleteOwned(*child, k);
        db_->conn()
            .prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?1")
                         .arg(sqlIdent(child->name()), sqlIdent(r.parentLinkColumn())))
            .bind(1, oid)
            .run();
    }
}

void DataSource::deleteImpl(bool runHooks) {
    if (editing_ && isNew_) {
        CancelUpdate();
        return;
    }
    if (editing_) CancelUpdate();
    const Row* r = currentRow();
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
        for (size_t i = 0; i < keys_.size(); ++i)
            if (keys_[i] == oid) {
                keys_.erase(keys_.begin() + long(i));
                if (long(i) < pos_) --pos_;
                break;
            }
        cache_.erase(oid);
        if (pos_ > long(keys_.size())) pos_ = long(keys_.size());
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
    const bool parentWasEditing = parent && parent->editing_;
    if (parent && pref && parent->def_->hooks) {
        hook([&] {
            parent->def_->hooks->OnBeforeUpdateReference(*parent, this, pref->name, RefChange::RowDeleted, 0);
        });
        if (db_->operationCancelled()) return;
    }
    deleteOwned(*def_, oid);
    db_->conn()
        .prepare(QStringLiteral("DELETE FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(def_->name())))
        .bind(1, oid)
        .run();
    db_->conn().touchData();
    gone();
    if (parent && !parentWasEditing && parent->editing_) parent->saveImpl(true);
}

void DataSource::DeleteRow() {
    checkWritable();
    operation([&] { deleteImpl(true); });
}

long DataSource::DeleteAll(itfProgress* progress) {
    checkWritable();
    long n = 0;
    if (progress) progress->OnStart(RowCount(), true);
    operation([&] {
        if (editing_) CancelUpdate();
        pos_ = keys_.empty() ? -1 : 0;
        while (!keys_.empty() && !db_->operationCancelled()) {
            pos_ = 0;
            const size_t before = keys_.size();
            deleteImpl(true);
            if (keys_.size() == before) break;
            ++n;
            if (progress) {
                bool goOn = true;
                progress->OnProgress(n, goOn);
                if (!goOn) break;
            }
        }
    });
    if (progress) progress->OnEnd();
    pos_ = keys_.empty() ? -1 : 0;
    return n;
}

QString DataSource::RowOIDQueryString(int code) const { return query::RowOIDQueryString(*def_, OID(), code); }

core::Variant DataSource::CalculateColValue(const QString& name, int aggregate) const {
    const int i = colIndex(name);
    if (i < 0) unknownColumn(*def_, name);
    const char* fn = aggregate == odbcMax     ? "MAX"
                     : aggregate == odbcMin   ? "MIN"
                     : aggregate == odbcCount ? "COUNT"
                                              : "TOTAL";
    const QString sql = QStringLiteral("SELECT %1(%2) FROM (%3)")
                            .arg(QLatin1String(fn), sqlIdent(query_.columnNames[i]), query_.sql());
    const query::SqlValue v = db_->conn().scalar(sql, query_.params);
    const ColInfo& info = layout_[size_t(i)];
    if (std::holds_alternative<std::monostate>(v)) return core::Variant(std::int32_t(0));
    if (aggregate == odbcCount) return wholeNumber(std::get<qint64>(v));
    const int t = info.col ? info.col->type : -1;
    if (t == coltype::Money) {
        const double d =
            std::holds_alternative<double>(v) ? std::get<double>(v) : double(std::get<qint64>(v));
        return core::Variant(core::Currency::fromDouble(d));
    }
    if (t == coltype::Date || t == coltype::DateTime)
        return std::holds_alternative<QString>(v) ? parseStoredDate(std::get<QString>(v))
                                                  : core::Variant::null();
    if (auto* s = std::get_if<QString>(&v)) return core::Variant(*s);
    if (auto* n = std::get_if<qint64>(&v)) return wholeNumber(*n);
    const double d = std::get<double>(v);
    if (t == coltype::Integer && std::floor(d) == d) return wholeNumber(qint64(d));
    return core::Variant(d);
}

// ---- Selection -------------------------------------------------------------------------

void DataSource::Requery() {
    if (editing_) Save();
    const qint64 was = OID();
    const QString f = filter_, s = sort_;
    runQuery();
    if (was) MoveToKey(wholeNumber(was));
    refreshed();
}

void DataSource::SetFilter(const QString& filter) {
    auto lookup = [db = db_.get()](const QString& n) { return db->lookup(n); };
    query::checkFilter(*def_, lookup, filter);
    filter_ = filter;
    Requery();
}

void DataSource::SetSortOrder(const QString& sort) {
    auto lookup = [db = db_.get()](const QString& n) { return db->lookup(n); };
    query::translateQuery(*def_, lookup, {}, sort, QStringLiteral("OID"));
    sort_ = sort;
    Requery();
}

void DataSource::SetColumnList(const QString& columns) {
    if (editing_) Save();
    const QString old = columns_;
    columns_ = columns;
    try {
        Requery();
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
        const core::Variant link =
            baseLinkIndex_ >= 0 ? values().at(size_t(baseLinkIndex_)) : core::Variant::null();
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
