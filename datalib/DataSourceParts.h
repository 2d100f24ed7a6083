#pragma once
// The parts a DataSource is made of, private to the data library:
//  - RowLayout: what each result column is and how its values are read from
//    and written to storage;
//  - KeysetCursor: the translated query, the keyset of the selection, the
//    current position and the window of fetched rows;
//  - EditBuffer: the row being edited and the snapshots that undo an operation;
//  - RowWriter: the INSERT and UPDATE of the edited row;
//  - the hook dispatch (operations, hook nesting) and the aggregates;
//  - RowCopier: the copy of rows with their owned child rows into a data
//    source of the same table, here or in another database file;
//  - RowExporter: the export of a data source's rows to a file.
//
// The data source's own members are spread by job: DataSource.cpp (opening,
// navigation, values, selection, dialogue, locks, events), DataSourceEdit.cpp
// (changes and their hooks), DataSourceReferences.cpp (references and the
// parent row), DataSourceCopy.cpp and DataSourceExport.cpp.

#include "core/Variant.h"
#include "datalib/Connection.h"
#include "datalib/Definitions.h"
#include "datalib/query/QueryTranslator.h"

#include <QHash>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace datalib {

class CopyRule;
class Database;
class DataSource;
class itfProgress;

// A whole number as the scripts see it: Long when it fits, else Double.
core::Variant wholeNumber(qint64 v);
// "yyyy-MM-dd" or "yyyy-MM-dd HH:mm:ss" to a date; Null when unreadable.
core::Variant parseStoredDate(const QString& s);
// Raises UnknownColumn: the table has no column of that name.
[[noreturn]] void unknownColumn(const TableDef& t, const QString& name);

class RowLayout {
  public:
    enum class Kind { OID, Own, OwnRef, Link, Base, BaseRef, Expr };
    struct Column {
        QString name;
        Kind kind = Kind::Expr;
        const ColumnDef* col = nullptr;
        const ReferenceDef* ref = nullptr;
    };

    // The columns of a query's result on the table; parentRef names the link
    // of child rows to their parent (may be null).
    void build(const TableDef& table, const QStringList& columnNames, const ReferenceDef* parentRef);

    int indexOf(const QString& name) const { return index_.value(name.toLower(), -1); }
    size_t size() const { return cols_.size(); }
    const Column& operator[](size_t i) const { return cols_[i]; }
    const std::vector<Column>& columns() const { return cols_; }
    int baseLinkIndex() const { return baseLink_; }
    int parentLinkIndex() const { return parentLink_; }

    std::vector<core::Variant> readRow(Statement& st) const;
    static core::Variant fromStorage(const Column& info, Statement& st, int col);
    static SqlValue toStorage(const Column& info, const core::Variant& v);
    // A value set by the program in the column's own type; raises InvalidValue
    // (the message names the column of `table`), also for a number beyond
    // what the column holds (1e300 or an infinity in a whole number).
    static core::Variant normalise(const QString& table, const Column& info, const core::Variant& v);

  private:
    std::vector<Column> cols_;
    QHash<QString, int> index_;
    int baseLink_ = -1;
    int parentLink_ = -1;
};

// A row of the selection as fetched.
struct CursorRow {
    qint64 oid = 0;
    quint64 version = 0;
    bool missing = false;
    std::vector<core::Variant> values;
};

// The selection of a data source: the keys of its rows in order, the current
// position and the window of fetched rows. The keys are read in steps: the
// first ones when the query runs, the rest as far as a position, a key or
// the count needs them (or as a grid asks for more). The unread rest stays a
// pending read of the connection, which finishes it before anything changes
// the data, so the keyset is the selection as it stood when it was read.
class KeysetCursor : private PendingRead {
  public:
    using Row = CursorRow;

    KeysetCursor() = default;
    ~KeysetCursor();
    KeysetCursor(const KeysetCursor&) = delete;
    KeysetCursor& operator=(const KeysetCursor&) = delete;

    // Reads the selection of a translated query: the first keys, or for a
    // DISTINCT list the whole rows (which are then not editable).
    void load(Connection& conn, query::SqlQuery q, const RowLayout& layout);
    const query::SqlQuery& query() const { return query_; }
    bool isStatic() const { return static_; }

    // How long the first keys of a filtered, sorted selection may be looked
    // for through the index of its order (tests shorten it).
    static void setIndexTimeLimit(qint64 ms);

    // The keys of the rows that meet a translated condition.
    static std::vector<qint64> keysOf(Connection& conn, const query::SqlQuery& q);

    // Every row of the selection (the rest of the keys is read).
    long size() const;
    // The rows read so far, whether that is all, and reading some more.
    long sizeRead() const { return long(keys_.size()); }
    bool complete() const { return !reading_; }
    void readMore(long count) const;
    // 0 <= position < size(), reading no further than the position.
    bool within(long position) const;
    bool empty() const { return keys_.empty(); }  // the first keys are read with the query
    // The key at a position (within it).
    qint64 keyAt(long position) const;

    // The current position from 0; -1 before the first row, size() after the last.
    long position() const;
    void setPosition(long position) {
        kept_ = 0;
        pos_ = position;
    }
    // The row with this key stays the current row when it is in the
    // selection (False when not): among the keys read its position is taken,
    // else it is looked for only when it is asked.
    bool keepRow(Connection& conn, qint64 oid);
    bool beforeFirst() const { return !kept_ && pos_ < 0; }
    bool afterLast() const { return !kept_ && pos_ >= 0 && !within(pos_); }
    // The current place as it is (for the snapshots).
    struct Place {
        long pos = -1;
        qint64 kept = 0;
    };
    Place place() const { return {pos_, kept_}; }
    void setPlace(Place p) {
        pos_ = p.pos;
        kept_ = p.kept;
    }

    // Position of the key, reading as far as it; -1 when it is not in the selection.
    long find(qint64 oid) const;
    // A row written here joins the selection at its end.
    void append(qint64 oid);
    void removeAt(long position);

    // The row at a position (fetched with its window) or null when missing.
    const Row* rowAt(Connection& conn, const RowLayout& layout, long position) const;
    const Row* current(Connection& conn, const RowLayout& layout) const;
    // The row with this key read by itself (no window around it), null when
    // it is not there.
    const Row* rowOf(Connection& conn, const RowLayout& layout, qint64 oid) const;
    void forget() const { cache_.clear(); }

    // Keyset copies for the snapshots: a mark of the keys there are now
    // (-1: all that the query gives, still being read), every key, and the
    // keyset put back.
    long countMark() const { return reading_ ? -1 : long(keys_.size()); }
    const std::vector<qint64>& keys() const;
    size_t countAt(long mark) const;
    void setKeys(std::vector<qint64> keys);
    void truncate(long mark);

  private:
    void finishRead() override { readMore(-1); }
    void readFirst(Connection& conn);
    void readRestSorted() const;
    void stopReading() const;
    const Row* fetchRow(Connection& conn, const RowLayout& layout, qint64 oid, long position) const;
    void fetchWindow(Connection& conn, const RowLayout& layout, long from) const;

    query::SqlQuery query_;
    bool static_ = false;
    QString windowSql_, rowSql_;
    Connection* conn_ = nullptr;
    mutable std::vector<qint64> keys_;
    // The keys the query gave (known when they are all read).
    mutable size_t queryCount_ = 0;
    mutable Statement reader_;
    mutable bool reading_ = false;
    mutable bool streamed_ = false;  // read through the index of the order
    std::vector<Row> staticRows_;
    mutable long pos_ = -1;
    mutable qint64 kept_ = 0;
    mutable std::unordered_map<qint64, Row> cache_;
};

struct EditBuffer {
    bool editing = false;
    bool isNew = false;
    qint64 oid = 0;
    std::vector<core::Variant> values;
    std::vector<core::Variant> original;

    // Starts editing a stored row.
    void begin(const KeysetCursor::Row& row);
    void clear() { editing = isNew = false; }
    // The buffer differs from the stored row (a new row always does).
    bool changed() const;
};

// The undo record of a data source taken before an operation.
struct DataSourceSnapshot {
    EditBuffer edit;
    KeysetCursor::Place place;
    // The keyset is long: its size is kept, and a copy is taken only before
    // the first deletion (rows are only appended before that).
    long keyMark = 0;
    bool hasKeys = false;
    std::vector<qint64> keys;
};

class RowWriter {
  public:
    // Writes the buffer: an INSERT for a new row (the new OID is returned),
    // else an UPDATE of the row `oid`.
    qint64 write(Connection& conn, const TableDef& table, const RowLayout& layout,
                 const std::vector<core::Variant>& values, bool isNew, qint64 oid);
    // Inserts the buffer as a new row unless a stored row holds the value of
    // one of its unique keys: then nothing is written and 0 is returned.
    qint64 insertUnlessKeyTaken(Connection& conn, const TableDef& table, const RowLayout& layout,
                                const std::vector<core::Variant>& values);
    void reset() { insertSql_.clear(); }

  private:
    void prepare(const TableDef& table, const RowLayout& layout);
    std::vector<SqlValue> storageValues(const RowLayout& layout,
                                        const std::vector<core::Variant>& values) const;
    QString insertSql_, insertUnlessTakenSql_, updateSql_;
    std::vector<int> writeCols_;
};

namespace hooks {
// Runs a change as one operation of the database (see Database::beginOperation).
void operation(Database& db, const std::function<void()>& body, bool undoable = true);
// Calls a table class's hook, counting the nesting.
void call(Database& db, const std::function<void()>& hook);
}  // namespace hooks

// Total (odbcSum), maximum, minimum or count of a column over a query's rows.
core::Variant aggregate(Connection& conn, const query::SqlQuery& q, const RowLayout::Column& info,
                        const QString& columnName, int kind);

// The copy of rows into a data source of the same table (DataSource::CopyRowTo
// and CopyAllTo). A row with the same identity in the target (its unique key,
// or its whole content for a table without one) is updated, else a new row is
// written (the table class's OnNewRow runs first when the source leaves
// columns to it); flags that say head office has the row or that it is locked
// here are never cleared; the owned child rows are replaced by the source's;
// rows linked by row identifier are found (or copied) in the target's file.
// Statements are prepared once per table and the rows are written through
// one data source per table, so a large copy opens none per row.
class RowCopier {
  public:
    RowCopier(DataSource& source, DataSource& target);
    ~RowCopier();
    RowCopier(const RowCopier&) = delete;
    RowCopier& operator=(const RowCopier&) = delete;

    // The source's current row; returns the target row's OID.
    qint64 copyCurrent();
    // The target row with the identity of the source's current row, or its copy.
    qint64 findOrCopy();
    // Every row of the source; returns how many were copied. Inside a
    // transaction of the target, a row that fails raises and is not undone
    // by the copy itself: every caller rolls its transaction back (a row's
    // own savepoint would cost more than the row).
    long copyAll(itfProgress* progress, CopyRule* rule = nullptr);

    // The OID in `dstDb` of the row `srcOid` of `table` in `srcDb` (a row
    // linked by row identifier), found by its identity or copied when missing.
    static qint64 mapRow(const std::shared_ptr<Database>& srcDb, const std::shared_ptr<Database>& dstDb,
                         const QString& table, qint64 srcOid);

  private:
    struct Plan;
    struct RowMap;
    RowCopier(DataSource& source, DataSource& target, std::shared_ptr<RowMap> map);
    std::unique_ptr<Plan> makePlan(const TableDef& srcDef, const RowLayout& srcLayout,
                                   std::shared_ptr<DataSource> srcTemplate, std::shared_ptr<DataSource> out);
    qint64 copyRow(Plan& plan, const std::vector<core::Variant>& values);
    static void editStored(DataSource& ds, qint64 oid);
    // Writes the row being edited, unless it is a stored row left as it was.
    static void save(DataSource& ds);
    // The source's values into the row being written by the plan's data source.
    void fill(Plan& plan, const std::vector<core::Variant>& values);
    void copyChildren(Plan& plan, qint64 srcOid, bool parentNew);
    std::vector<SqlValue> identityValues(Plan& plan, const std::vector<core::Variant>& values);
    std::optional<qint64> findExisting(Plan& plan, const std::vector<core::Variant>& values);
    // Whether the target's file holds a unique index on exactly the columns
    // of the plan's identity, which then tells by itself whether a row with
    // that identity is stored.
    bool identityIndexed(const Plan& plan) const;
    // The source's row written as a new row at once, unless a stored row
    // holds its identity or another unique key of it (or a part of its
    // identity is empty); false leaves nothing written.
    bool writeAtOnce(Plan& plan, const std::vector<core::Variant>& values);
    static std::vector<qint64> oidsOf(Database& db, const QString& sql, const std::vector<SqlValue>& params);
    qint64 mapped(const QString& table, qint64 srcOid);

    DataSource& source_;
    DataSource& target_;
    std::shared_ptr<RowMap> map_;
    std::unique_ptr<Plan> plan_;
    bool undoable_ = true;      // each row under a savepoint of its own
    CopyRule* rule_ = nullptr;  // on the rows of the source, not on their child rows
};

// Writes a data source's rows to a file (DataSource::Export): kind 2 an HTML
// table, any other kind text with ";" between values.
class RowExporter {
  public:
    RowExporter(DataSource& ds, const QString& file, int kind, const QString& fields);
    long run(itfProgress* progress);

  private:
    DataSource& ds_;
    QString file_;
    bool html_;
    QStringList names_;
};

}  // namespace datalib
