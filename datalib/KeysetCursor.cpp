#include "datalib/DataSourceParts.h"

namespace datalib {

namespace {

// Rows fetched together when a row is shown.
constexpr int kWindow = 64;

}  // namespace

void KeysetCursor::load(Connection& conn, query::SqlQuery q, const RowLayout& layout) {
    std::vector<qint64> keys;
    std::vector<Row> rows;
    query_ = std::move(q);
    static_ = query_.distinct;
    if (static_) {
        Statement st = conn.prepare(query_.sql());
        st.bind(query_.params);
        while (st.step()) {
            Row r;
            r.oid = qint64(rows.size()) + 1;
            r.values = layout.readRow(st);
            keys.push_back(r.oid);
            rows.push_back(std::move(r));
        }
    } else {
        keys = keysOf(conn, query_);
        const QString own = sqlIdent(query::SqlQuery::ownAlias());
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
}

std::vector<qint64> KeysetCursor::keysOf(Connection& conn, const query::SqlQuery& q) {
    std::vector<qint64> keys;
    Statement st = conn.prepare(q.keysetSql());
    st.bind(q.params);
    while (st.step()) keys.push_back(st.int64(0));
    return keys;
}

long KeysetCursor::find(qint64 oid) const {
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == oid) return long(i);
    return -1;
}

void KeysetCursor::append(qint64 oid) {
    keys_.push_back(oid);
    pos_ = long(keys_.size()) - 1;
}

void KeysetCursor::removeAt(long position) {
    cache_.erase(keys_[size_t(position)]);
    keys_.erase(keys_.begin() + position);
    if (position < pos_) --pos_;
    if (pos_ > long(keys_.size())) pos_ = long(keys_.size());
}

void KeysetCursor::fetchWindow(Connection& conn, const RowLayout& layout, long from) const {
    if (cache_.size() > 4 * kWindow) cache_.clear();
    std::vector<SqlValue> ids;
    for (long i = from; i < long(keys_.size()) && int(ids.size()) < kWindow; ++i)
        ids.push_back(keys_[size_t(i)]);
    while (int(ids.size()) < kWindow) ids.push_back(qint64(0));
    Statement st = conn.prepare(windowSql_);
    st.bind(query_.params);
    st.bind(ids, int(query_.params.size()) + 1);
    const quint64 version = conn.dataVersion();
    const int oidCol = 0;
    while (st.step()) {
        Row r;
        r.oid = st.int64(oidCol);
        r.version = version;
        r.values = layout.readRow(st);
        cache_[r.oid] = std::move(r);
    }
}

const KeysetCursor::Row* KeysetCursor::fetchRow(Connection& conn, const RowLayout& layout, qint64 oid,
                                                long position) const {
    const quint64 version = conn.dataVersion();
    auto it = cache_.find(oid);
    if (it != cache_.end() && it->second.version == version) return &it->second;
    if (it == cache_.end()) {
        fetchWindow(conn, layout, position >= 0 ? position : 0);
        it = cache_.find(oid);
        if (it != cache_.end()) return &it->second;
    }
    Statement st = conn.prepare(rowSql_);
    st.bind(query_.params);
    st.bind(int(query_.params.size()) + 1, oid);
    Row r;
    r.oid = oid;
    r.version = version;
    if (st.step())
        r.values = layout.readRow(st);
    else
        r.missing = true;
    return &(cache_[oid] = std::move(r));
}

const KeysetCursor::Row* KeysetCursor::rowAt(Connection& conn, const RowLayout& layout, long position) const {
    if (position < 0 || position >= long(keys_.size())) return nullptr;
    if (static_) return &staticRows_[size_t(position)];
    const Row* r = fetchRow(conn, layout, keys_[size_t(position)], position);
    return r->missing ? nullptr : r;
}

const KeysetCursor::Row* KeysetCursor::current(Connection& conn, const RowLayout& layout) const {
    return rowAt(conn, layout, pos_);
}

void EditBuffer::begin(const KeysetCursor::Row& row) {
    values = row.values;
    original = values;
    oid = row.oid;
    editing = true;
    isNew = false;
}

bool EditBuffer::changed() const {
    if (!editing) return false;
    if (isNew) return true;
    for (size_t i = 0; i < values.size(); ++i)
        if (!values[i].identical(original[i])) return true;
    return false;
}

}  // namespace datalib
