#include "datalib/DataSourceParts.h"

#include <QElapsedTimer>

namespace datalib {

namespace {

// Rows fetched together when a row is shown.
constexpr int kWindow = 64;

// Keys read with the query: more than a screen of rows, so a grid shows its
// first screen without reading further.
constexpr long kFirstKeys = 256;
// Time after which the first keys are no longer read through an index.
qint64 firstKeysMs = 30;
// Keys read at a time while looking for a key or a position.
constexpr long kKeyStep = 4096;

}  // namespace

KeysetCursor::~KeysetCursor() { stopReading(); }

void KeysetCursor::setIndexTimeLimit(qint64 ms) { firstKeysMs = ms; }

void KeysetCursor::stopReading() const {
    if (!reading_) return;
    reading_ = false;
    queryCount_ = keys_.size();
    reader_ = Statement();
    conn_->removePendingRead(const_cast<KeysetCursor*>(this));
}

void KeysetCursor::load(Connection& conn, query::SqlQuery q, const RowLayout& layout) {
    stopReading();
    conn_ = &conn;
    std::vector<Row> rows;
    keys_.clear();
    query_ = std::move(q);
    static_ = query_.distinct;
    if (static_) {
        Statement st = conn.prepare(query_.sql());
        st.bind(query_.params);
        while (st.step()) {
            Row r;
            r.oid = qint64(rows.size()) + 1;
            r.values = layout.readRow(st);
            keys_.push_back(r.oid);
            rows.push_back(std::move(r));
        }
        queryCount_ = keys_.size();
    } else {
        const QString own = sqlIdent(query::SqlQuery::ownAlias());
        QStringList marks;
        const int first = int(query_.params.size()) + 1;
        for (int i = 0; i < kWindow; ++i) marks << QStringLiteral("?%1").arg(first + i);
        windowSql_ = QStringLiteral("SELECT %1 FROM %2 WHERE %3.\"OID\" IN (%4)")
                         .arg(query_.select, query_.from, own, marks.join(QLatin1Char(',')));
        rowSql_ = QStringLiteral("SELECT %1 FROM %2 WHERE %3.\"OID\" = ?%4")
                      .arg(query_.select, query_.from, own)
                      .arg(first);
        reading_ = true;
        conn.addPendingRead(this);
        readFirst(conn);
    }
    staticRows_ = std::move(rows);
    cache_.clear();
    kept_ = 0;
    pos_ = keys_.empty() ? -1 : 0;
}

// A sorted selection with a filter is read through the index of its order,
// so the first keys come without reading the whole selection; when the
// filter leaves too few rows for that to be quick, the rest is read sorted.
void KeysetCursor::readFirst(Connection& conn) {
    streamed_ = !query_.where.isEmpty() && !query_.filteredOrderBy.isEmpty() &&
                query_.filteredOrderBy != query_.orderBy;
    reader_ = conn.prepare(streamed_ ? query_.streamedKeysetSql() : query_.keysetSql());
    reader_.bind(query_.params);
    QElapsedTimer clock;
    clock.start();
    try {
        while (long(keys_.size()) < kFirstKeys) {
            if (!reader_.step()) {
                stopReading();
                return;
            }
            keys_.push_back(reader_.int64(0));
            if (streamed_ && keys_.size() % 16 == 0 && clock.elapsed() >= firstKeysMs) {
                readRestSorted();
                if (!reading_) return;
            }
        }
    } catch (...) {
        stopReading();
        throw;
    }
}

// The same order from where the index left off, read by sorting the
// filtered rows: for all the rest at once, several times faster than
// through the index.
void KeysetCursor::readRestSorted() const {
    // Stepped over rather than OFFSET: with a LIMIT SQLite sorts far slower.
    reader_ = conn_->prepare(query_.keysetSql());
    reader_.bind(query_.params);
    streamed_ = false;
    for (size_t n = 0; n < keys_.size(); ++n)
        if (!reader_.step()) return stopReading();
}

void KeysetCursor::readMore(long count) const {
    if (!reading_) return;
    try {
        if (count < 0 && streamed_) readRestSorted();
        if (!reading_) return;
        for (long n = 0; count < 0 || n < count; ++n) {
            if (!reader_.step()) {
                stopReading();
                return;
            }
            keys_.push_back(reader_.int64(0));
        }
    } catch (...) {
        stopReading();
        throw;
    }
}

long KeysetCursor::size() const {
    readMore(-1);
    return long(keys_.size());
}

bool KeysetCursor::within(long position) const {
    if (position < 0) return false;
    if (position >= long(keys_.size())) readMore(position + 1 - long(keys_.size()));
    return position < long(keys_.size());
}

qint64 KeysetCursor::keyAt(long position) const {
    within(position);
    return keys_[size_t(position)];
}

long KeysetCursor::position() const {
    if (kept_) {
        const long at = find(kept_);
        kept_ = 0;
        pos_ = at >= 0 ? at : (keys_.empty() ? -1 : 0);
    }
    return pos_;
}

bool KeysetCursor::keepRow(Connection& conn, qint64 oid) {
    for (size_t i = 0; i < keys_.size(); ++i)
        if (keys_[i] == oid) {
            setPosition(long(i));
            return true;
        }
    if (!reading_) return false;
    QString sql = QStringLiteral("SELECT 1 FROM %1 WHERE ").arg(query_.from);
    if (!query_.where.isEmpty()) sql += QStringLiteral("(%1) AND ").arg(query_.where);
    sql += QStringLiteral("%1.\"OID\" = ?%2")
               .arg(sqlIdent(query::SqlQuery::ownAlias()))
               .arg(query_.params.size() + 1);
    Statement st = conn.prepare(sql);
    st.bind(query_.params);
    st.bind(int(query_.params.size()) + 1, oid);
    if (!st.step()) return false;
    kept_ = oid;
    return true;
}

std::vector<qint64> KeysetCursor::keysOf(Connection& conn, const query::SqlQuery& q) {
    std::vector<qint64> keys;
    Statement st = conn.prepare(q.keysetSql());
    st.bind(q.params);
    while (st.step()) keys.push_back(st.int64(0));
    return keys;
}

long KeysetCursor::find(qint64 oid) const {
    size_t from = 0;
    for (int steps = 1;; ++steps) {
        for (size_t i = from; i < keys_.size(); ++i)
            if (keys_[i] == oid) return long(i);
        if (!reading_) return -1;
        from = keys_.size();
        // Far down, the rest is read at once.
        readMore(steps < 8 ? kKeyStep : -1);
    }
}

void KeysetCursor::append(qint64 oid) {
    readMore(-1);
    keys_.push_back(oid);
    kept_ = 0;
    pos_ = long(keys_.size()) - 1;
}

void KeysetCursor::removeAt(long at) {
    position();  // a kept row's place first
    cache_.erase(keys_[size_t(at)]);
    keys_.erase(keys_.begin() + at);
    if (at < pos_) --pos_;
    if (!reading_ && pos_ > long(keys_.size())) pos_ = long(keys_.size());
}

const std::vector<qint64>& KeysetCursor::keys() const {
    readMore(-1);
    return keys_;
}

size_t KeysetCursor::countAt(long mark) const {
    if (mark >= 0) return size_t(mark);
    readMore(-1);
    return queryCount_;
}

void KeysetCursor::setKeys(std::vector<qint64> keys) {
    stopReading();
    keys_ = std::move(keys);
    queryCount_ = keys_.size();
}

void KeysetCursor::truncate(long mark) {
    // Nothing was appended while the keys are still being read.
    if (mark < 0 && reading_) return;
    const size_t count = countAt(mark);
    if (keys_.size() > count) keys_.resize(count);
}

void KeysetCursor::fetchWindow(Connection& conn, const RowLayout& layout, long from) const {
    if (cache_.size() > 4 * kWindow) cache_.clear();
    within(from + kWindow - 1);
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
    if (it == cache_.end() && position >= 0) {
        fetchWindow(conn, layout, position);
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
    if (!within(position)) return nullptr;
    if (static_) return &staticRows_[size_t(position)];
    const Row* r = fetchRow(conn, layout, keys_[size_t(position)], position);
    return r->missing ? nullptr : r;
}

const KeysetCursor::Row* KeysetCursor::current(Connection& conn, const RowLayout& layout) const {
    if (kept_) {
        // A kept row is read by its key, wherever it stands.
        const Row* r = fetchRow(conn, layout, kept_, -1);
        return r->missing ? nullptr : r;
    }
    return rowAt(conn, layout, pos_);
}

const KeysetCursor::Row* KeysetCursor::rowOf(Connection& conn, const RowLayout& layout, qint64 oid) const {
    if (cache_.size() > 4 * kWindow) cache_.clear();
    const Row* r = fetchRow(conn, layout, oid, -1);
    return r->missing ? nullptr : r;
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
