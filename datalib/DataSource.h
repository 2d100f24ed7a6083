#pragma once
// The cursor of the data library: the rows of one table selected by a
// filter, in an order, with a current row; values by column name, references
// and child rows, changes that run the table class's hooks, the dialogue of
// refusals, named locks and the copies used by the exchange.
//
// Rows are kept as a keyset: the row identifiers of the selection are read
// in order from when the data source is opened (or re-queried), the first
// screen's at once and the rest as far as a member needs them; the values
// are fetched in small windows when a row is shown, so a large table opens
// without reading its rows. Rows changed while the data source is open stay
// in it.
//
// The hook protocol (the table class's itfSetData):
// - every set, add or subtract of a column: OnBeforeUpdateField (may cancel),
//   store, OnUpdateField; also for an unchanged value and when a hook itself
//   sets the column;
// - a reference: OnBeforeUpdateReference, store, OnUpdateReference;
// - a child row's save: the parent's OnBeforeUpdateReference(collection)
//   with the stored row before a change, OnUpdateRow of the child, the write,
//   then the parent's OnUpdateReference with the row as saved; a child's
//   delete: OnDeleteRow, then the parent's OnBeforeUpdateReference;
// - a new row: OnNewRow (the parent is reachable), the parent's
//   OnNewReference, OnSetParent;
// - a refusal (CancelWithMessage or Cancel inside a hook) lets the hook run
//   to its end; then every buffer the operation touched is restored, a
//   savepoint undoes what the operation and its hooks wrote, the messages
//   are shown through the database's notification sink and the operation
//   raises an AppError marked as cancelled (errors::Cancelled) whose text
//   repeats them: the caller shows nothing more for it;
// - while the database's State is 2, rows are stored as they come: only
//   OnNewRow runs.

#include "core/Object.h"
#include "core/Variant.h"
#include "datalib/Definitions.h"
#include "datalib/SqlValue.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace datalib {

class Database;
class DataSet;
class itfProgress;
class RowLayout;
struct CursorRow;
class KeysetCursor;
struct EditBuffer;
class RowWriter;
namespace query {
struct SqlQuery;
}

// The values of one row by column name, as a copy hands them to its rule.
class RowValues {
  public:
    RowValues(const RowLayout& layout, std::vector<core::Variant>& values)
        : layout_(layout), values_(values) {}
    bool Has(const QString& column) const;
    // Null when the row has no such column.
    core::Variant Value(const QString& column) const;
    // Ignored when the row has no such column.
    void SetValue(const QString& column, const core::Variant& value);

  private:
    const RowLayout& layout_;
    std::vector<core::Variant>& values_;
};

// Decides, row by row, what a copy writes: the caller's rules on rows the
// target holds already (a receive keeps some of the agent's own work).
class CopyRule {
  public:
    virtual ~CopyRule() = default;
    // Before `incoming` is written: `stored` is the target's row with its
    // identity, null when the target has none. The rule may change the
    // incoming values but those of the identity; false leaves the target as
    // it is (a stored row stays with its child rows), and the row still
    // counts as copied. A row first tried as new may be offered again with
    // the stored row it turned out to meet.
    virtual bool Accept(const RowValues* stored, RowValues& incoming) = 0;
};

// Aggregates of CalculateColValue.
inline constexpr int odbcSum = 0;
inline constexpr int odbcMax = 2;
inline constexpr int odbcMin = 3;
inline constexpr int odbcCount = 4;

class DataSource : public core::Object {
  public:
    // Opens a data source; `parent` and `parentRef` for the child rows of a
    // collection; `baseFilter` stays under every filter (see SetBaseFilter).
    // Runs the table class's OnSelect (and OnSelectParent).
    static std::shared_ptr<DataSource> open(const std::shared_ptr<Database>& db, const TableDef& table,
                                            const QString& filter = {}, const QString& sort = {},
                                            const QString& columns = {},
                                            const std::shared_ptr<DataSource>& parent = nullptr,
                                            const ReferenceDef* parentRef = nullptr, bool forChoice = false,
                                            const QString& baseFilter = {});
    ~DataSource() override;

    // ---- What it stands on ---------------------------------------------------
    std::shared_ptr<DataSet> Table() const;
    std::shared_ptr<datalib::Database> Database() const { return db_; }
    const TableDef& tableDef() const { return *def_; }
    QString KeyFieldName() const { return def_->keyFieldName(); }
    QString GetSysParam(const QString& name, const QString& defaultValue = {}) const;

    // ---- Navigation ------------------------------------------------------------
    void RowFirst();
    void RowNext();
    void RowPrevious();
    void RowLast();
    bool Bof() const;  // before the first row (or no rows)
    bool Eof() const;  // after the last row (or no rows)
    bool DataEmpty() const;
    bool RowValid() const;  // a current row (or a new row being written)
    bool RowInvalid() const { return !RowValid(); }
    long RowCount(bool full = true) const;
    // For a grid: the keys of a large selection are read in steps (the
    // first screen's with the query). The rows read so far, whether they are
    // all, and reading some more; every other member reads as far as it needs.
    long RowsRead() const;
    bool AllRowsRead() const;
    void ReadMoreRows(long count);
    // Position of the current row from 0 (-1 before the first).
    long Position() const;
    void MoveTo(long position);
    // The bookmark of the current row (its OID) and the move back to it.
    core::Variant Bookmark() const;
    bool MoveToBookmark(const core::Variant& bookmark);
    // Moves to the row with this key (its OID); False when it is not here.
    bool MoveToKey(const core::Variant& key);
    // Moves to the first row (from the start) that meets the condition;
    // False (and no move) when none does.
    bool FindFirst(const QString& condition);

    // ---- Values ------------------------------------------------------------------
    // By name in any letter case; a name the data source does not have reads as Null.
    core::Variant ColValue(const QString& name) const;
    QString ColValueStr(const QString& name) const;
    double ColValueNum(const QString& name) const;
    bool ColValueBool(const QString& name) const;
    // As text with the column's display format (dates d/m/y, amounts with two decimals).
    QString FormattedColValue(const QString& name) const;
    // Null or "" (or no current row).
    bool ColEmpty(const QString& name) const;
    // The current value as a literal of the query language.
    QString ColQueryString(const QString& name) const;
    bool ColExist(const QString& name) const;
    QStringList ColumnNames() const;
    // For a grid: the value of a column (by its index in ColumnNames) at a
    // position, without moving the current row; Null out of range.
    core::Variant ValueAt(long position, int column) const;
    int ColumnIndex(const QString& name) const;  // -1 when not there

    // Each runs the field hooks (see above).
    void SetColValue(const QString& name, const core::Variant& value);
    void AddColValue(const QString& name, double amount);
    void SubColValue(const QString& name, double amount);

    // ---- Rows --------------------------------------------------------------------
    bool IsNew() const;
    bool IsEditing() const;
    // Holds changes: the edit buffer differs from the stored row.
    bool IsChanged() const;
    // Held change: the row already has pending edits or the library itself is writing it.
    bool HeldChange() const { return IsChanged() || writing_ > 0; }
    // The library itself is writing the row (a copy, a move, an insert from pairs).
    bool LibraryWriting() const { return writing_ > 0; }
    // Starts a new row (OnNewRow, and under a parent OnNewReference and OnSetParent).
    void AddNew();
    // Inserts a row from name/value pairs (name, value, name, value ...) and
    // saves it; names the table does not have are ignored. Returns the key (OID).
    core::Variant InsertFromPairs(const std::vector<core::Variant>& pairs);
    // Saves the row being written (OnUpdateRow, then the parent's hooks).
    // Returns True when the row was new.
    bool Save();
    // Drops the pending changes of the current row.
    void CancelUpdate();
    // Deletes the current row (OnDeleteRow; owned child rows go with it).
    // With a progress sink, each owned row of the first level is a step and
    // the row itself the last; a stop undoes the whole delete (a cancelled
    // error is raised and the row stays as it was).
    void DeleteRow(itfProgress* progress = nullptr);
    // Deletes every row of the data source; returns how many.
    long DeleteAll(itfProgress* progress = nullptr);
    // The current row's key (its OID) and OID; Null / 0 without a row.
    core::Variant RowKey() const;
    qint64 OID() const;
    // "Table.OID=n" (code 0) or "Table.OID<>n" (code 1) for the current row.
    QString RowOIDQueryString(int code = 0) const;
    // Total (0), maximum (2), minimum (3) or count (4) of a column over the
    // rows; the maximum over no rows is 0.
    core::Variant CalculateColValue(const QString& name, int aggregate = odbcSum) const;

    // ---- Selection -------------------------------------------------------------
    const QString& Filter() const { return filter_; }
    void SetFilter(const QString& filter);
    // A condition that stays under every filter set later (a view's own
    // condition under the quick search's filters); the rows meet both.
    const QString& BaseFilter() const { return baseFilter_; }
    void SetBaseFilter(const QString& filter);
    // The base filter and the filter together, as the rows are selected.
    QString EffectiveFilter() const;
    const QString& SortOrder() const { return sort_; }
    // Reads the rows again in a new order, keeping the current row; with
    // keepRow false the new order starts at its first row, so that only the
    // keys of its first screen are read (the sort commands of a view).
    void SetSortOrder(const QString& sort, bool keepRow = true);
    const QString& ColumnList() const { return columns_; }
    void SetColumnList(const QString& columns);
    // True for the rows offered to choose a reference (SelectReference).
    bool ForChoice() const { return forChoice_; }
    // Reads the rows again, keeping the current row when it is still there.
    void Requery();
    // True while nothing was written to the database (through any data
    // source, a statement or a transaction undone) since the rows were read.
    bool RowsCurrent() const;
    // Reads the rows again (as Requery does) only when they may have changed;
    // true when they were read. A row being edited is left alone.
    bool Refresh();
    // A data source on another table of the same database with a condition.
    std::shared_ptr<DataSource> GetDataSource(const QString& table, int option = 0,
                                              const QString& condition = {}, const QString& sort = {}) const;
    // The equality condition on the current value of a column.
    QString EqualityCondition(const QString& column) const;

    // ---- References and children ------------------------------------------------
    bool RefEmpty(const QString& reference) const;
    // The stored key of a reference (the referenced row's key value, or OID).
    core::Variant RefKey(const QString& reference) const;
    // Sets a reference by key ("" is the protected empty row); the reference hooks run.
    void SetReference(const QString& reference, const core::Variant& key);
    // The referenced row, or for a collection the child rows narrowed by an
    // optional condition. An unknown name raises.
    std::shared_ptr<DataSource> GetReference(const QString& reference, const QString& condition = {});
    // The rows offered for choosing a reference (OnSelectReference runs).
    std::shared_ptr<DataSource> SelectReference(const QString& reference);
    // The parent data source of child rows (nullptr when none).
    std::shared_ptr<DataSource> Parent() const;
    // The data source of the named table related to the current row: its
    // parent, its base row, or a referenced row; nullptr when none.
    std::shared_ptr<DataSource> RelatedDataSource(const QString& table);
    // The key of the base row (a based table): the base table's key value.
    core::Variant BaseKey() const;

    // ---- Dialogue --------------------------------------------------------------------
    // Inside a hook: refuses the operation in progress; the message is shown
    // when the operation ends. Outside: shows the message.
    void CancelWithMessage(const QString& message, int options = 0);
    void Cancel();
    // A question through the notification sink; True for yes (OK).
    bool Confirm(const QString& question, int kind = 1, bool defaultNo = true, bool = true);
    void Message(const QString& message);
    void MarkColumn(const QString& name) { marked_ = name; }
    const QString& markedColumn() const { return marked_; }

    // ---- Named locks (per row: table and key) ---------------------------------------
    bool Lock(const QString& name);
    void Unlock(const QString& name);
    bool IsLocked(const QString& name) const;

    // ---- Copies --------------------------------------------------------------------
    // Copies the current row with its owned child rows into `target` (a data
    // source on the same table, in this or another database); a row with the
    // same identity there is updated and its child rows replaced. Returns the
    // target row's key.
    core::Variant CopyRowTo(DataSource& target);
    // Copies every row into `target` as CopyRowTo does, each row as `rule`
    // (when given) accepts it; returns how many.
    long CopyAllTo(DataSource& target, itfProgress* progress = nullptr, CopyRule* rule = nullptr);
    // A new row of this data source copied from `source`'s current row except
    // the listed columns and references ("Righe,Numero,..."); saved; returns its key.
    core::Variant NewRowCopiedFrom(DataSource& source, const QString& exceptColumns);
    // Moves the current row into `target` (child rows of another parent):
    // the listed key columns are given anew by the target, then this row is
    // deleted. Returns the new row's key.
    core::Variant MoveRowTo(DataSource& target, const QString& keyColumnsAnew);

    // ---- Export ----------------------------------------------------------------
    // Writes the rows to a file: kind 2 an HTML table, any other kind text with
    // ";" between values. `fields` lists the columns (all when empty). A stop
    // through `progress` leaves no file and raises a cancellation. Returns
    // how many rows were written.
    long Export(const QString& file, int kind, itfProgress* progress = nullptr, const QString& fields = {});

    // ---- Events --------------------------------------------------------------------
    // OnRefreshRecordset: raised when the rows are read again.
    int connectRefresh(std::function<void(DataSource&)> handler);
    void disconnectRefresh(int id);

    // Script access (members in ScriptMembers.cpp).
    QString typeName() const override;
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;

    // For the library.
    std::shared_ptr<void> snapshot() const;
    void restore(const std::shared_ptr<void>& snap);
    void keepKeys(const std::shared_ptr<void>& snap) const;
    void invalidate();

  private:
    friend class RowCopier;
    friend class RowExporter;
    DataSource();

    // Translates the selection texts into the query of the data source.
    query::SqlQuery translate(const QString& filter, const QString& sort, const QString& columns) const;
    static QString joinFilters(const QString& base, const QString& filter);
    // Reads the rows of a translated query (the layout follows its columns).
    void runQuery(query::SqlQuery q);
    // Reads the rows again with a translated query, keeping the current row.
    void requeryWith(query::SqlQuery q, bool keepRow = true);
    int colIndex(const QString& name) const;
    const CursorRow* currentRow() const;
    void checkWritable() const;
    // Refuses a change a read-only script asks for (see ReadOnlyScript.h);
    // `change` names it in the message ("il salvataggio non è consentito").
    void checkScriptChange(const char* change) const;
    const std::vector<core::Variant>& values() const;

    void beginEdit();
    void writeRow();
    void setField(const QString& name, const core::Variant& value);
    void setReferenceImpl(const ReferenceDef& ref, const core::Variant& key);
    void linkBase(const core::Variant& key);
    core::Variant resolveRefKey(const ReferenceDef& ref, const core::Variant& key) const;
    void startNewRow(bool runHooks);
    void saveImpl(bool runHooks);
    void deleteImpl(bool runHooks, itfProgress* progress = nullptr);
    std::shared_ptr<DataSource> parentForRow();
    const ReferenceDef* parentReference() const;
    long deleteOwned(const TableDef& t, qint64 oid, itfProgress* progress = nullptr);
    qint64 parentOidOfRow() const;
    bool hooksActive() const;
    // Runs a change as one operation of the database (see Database::beginOperation).
    void operation(const std::function<void()>& body);
    // Calls a table class's hook, counting the nesting.
    void hook(const std::function<void()>& call);
    std::shared_ptr<DataSource> self() { return std::static_pointer_cast<DataSource>(shared_from_this()); }
    void copyValuesFrom(const DataSource& src, const QStringList& except);
    void refreshed();
    // Counts the library's own writing of the row ("held change") while in scope.
    struct WritingGuard {
        explicit WritingGuard(int& n) : n_(n) { ++n_; }
        ~WritingGuard() { --n_; }
        int& n_;
    };

    std::shared_ptr<datalib::Database> db_;
    const TableDef* def_ = nullptr;
    QString filter_, sort_, columns_;
    QString baseFilter_;
    std::shared_ptr<DataSource> parent_;
    const ReferenceDef* parentRef_ = nullptr;
    const ReferenceDef* parentRefCache_ = nullptr;
    qint64 parentOid_ = 0;
    QString extraSql_;
    std::vector<SqlValue> extraParams_;
    bool forChoice_ = false;

    std::unique_ptr<RowLayout> layout_;
    std::unique_ptr<KeysetCursor> cur_;
    std::unique_ptr<EditBuffer> edit_;
    std::unique_ptr<RowWriter> writer_;
    int writing_ = 0;
    quint64 readVersion_ = 0;  // the database's change count when the rows were read
    QString marked_;

    QHash<int, std::function<void(DataSource&)>> refreshHandlers_;
    int nextHandler_ = 0;
};

// A named lock on a data source's current row, held for the guard's lifetime
// and released on every path out of the scope, errors included.
class NamedLock {
  public:
    NamedLock(DataSource& ds, const QString& name);
    ~NamedLock();
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    // False when someone else holds the lock on that row.
    bool obtained() const { return obtained_; }

  private:
    std::shared_ptr<Database> db_;
    QString table_, name_;
    qint64 oid_ = 0;
    bool obtained_ = false;
};

}  // namespace datalib
