#pragma once
// The open database: its tables, system parameters, transactions, state,
// the operator's access level, and the operation context through which the
// data sources run the table classes' hooks and cancel what they refused.

#include "core/Currency.h"
#include "core/Object.h"
#include "core/Variant.h"
#include "datalib/Definitions.h"
#include "datalib/Interfaces.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

namespace datalib {

class Connection;
class DataSet;
class DataSource;
class Engine;

// The definitions of every table, in registration order; shared by the
// databases opened with the same definition (the agent's file and the
// head-office archive).
struct Schema {
    std::vector<std::unique_ptr<TableDef>> tables;  // the program's tables
    std::unique_ptr<TableDef> sysTable;             // the system parameters
    QHash<QString, TableDef*> byName;               // lower-case name, the parameter table too
    const TableDef* find(const QString& name) const { return byName.value(name.toLower(), nullptr); }
};

class Database : public core::Object {
  public:
    static constexpr int StateClosed = 0;
    static constexpr int StateUpdating = 2;  // head-office data are being applied
    static constexpr int StateOpen = 5;

    // The name of the table of system parameters.
    static QString sysParamTableName() { return QStringLiteral("ParametriSistema"); }

    ~Database() override;

    // ---- State and operator ------------------------------------------------
    int State() const { return state_; }
    // The bulk bracket of a receive: State 2 until EndUpdate (nested).
    void BeginUpdate();
    void EndUpdate();
    int AccessLevel() const { return accessLevel_; }  // -1, 0 or 1 (administrator)
    void SetAccessLevel(int level);
    const QString& OperatorName() const { return operator_; }
    void SetOperatorName(const QString& name) { operator_ = name; }
    // A Boolean option kept for the program (the report runner switches it).
    bool Option() const { return option_; }
    void SetOption(bool on) { option_ = on; }
    QString FileName() const;

    // ---- Tables ------------------------------------------------------------
    // By name in any letter case; an unknown name raises.
    std::shared_ptr<DataSet> Tables(const QString& name);
    // By position in registration order, from 0; out of range raises.
    std::shared_ptr<DataSet> Tables(int index);
    int TableCount() const { return int(schema_->tables.size()); }
    bool TableExists(const QString& name) const { return schema_->find(name) != nullptr; }
    const Schema& schema() const { return *schema_; }
    const TableDef* tableDef(const QString& name) const { return schema_->find(name); }
    QString SysParamTableName() const { return sysParamTableName(); }

    // A data source on a table (filter, sort and column list in the query language).
    std::shared_ptr<DataSource> OpenDataSource(const QString& table, const QString& filter = {},
                                               const QString& sort = {}, const QString& columns = {});

    // ---- System parameters -----------------------------------------------
    // Each parameter holds a short value and a long text. Names in any letter case.
    QString GetSysParam(const QString& name) const;  // a missing parameter raises
    QString GetSysParam(const QString& name, const QString& defaultValue) const;
    bool SysParamExists(const QString& name) const;
    void SetSysParam(const QString& name, const QString& value);
    QString GetSysParamLong(const QString& name, const QString& defaultText) const;
    void SetSysParamLong(const QString& name, const QString& text, const QString& shortValue = {});

    // ---- Helpers -------------------------------------------------------------
    // A value as a literal of the query language ('text' with quotes doubled).
    QString FormatStringForQuery(const core::Variant& value) const;
    // An amount to the cent, halves away from zero; mode and step are accepted
    // as the program passes them and do not change the result.
    core::Currency Round(core::Currency amount, int mode = 0, float step = 1.0f) const;
    core::Currency Round(const core::Variant& amount, int mode = 0, float step = 1.0f) const;
    // The one statement the program runs directly ("UPDATE Ordini SET ...").
    void Execute(const QString& statement, int options = -1);

    // ---- Transactions (also on the engine) ---------------------------------
    void BeginTrans();
    void CommitTrans();
    void Rollback();
    // A long run of commits that a second run brings again when a power cut
    // loses them (see Connection::beginBulkWrite).
    void BeginBulkWrite();
    void EndBulkWrite(bool copyLog = true);
    bool InTransaction() const;
    // Told whenever the program's outermost transaction was committed or
    // undone (an order confirmed or cancelled), for as long as the returned
    // token is kept (also past the end of this object, while its connection
    // lives).
    std::shared_ptr<void> WatchTransactionEnd(std::function<void()> observer);

    // ---- Checks and other files ---------------------------------------------
    // Checks every table (structure and readability), reporting to `progress`.
    // Raises when a table is damaged; a stop leaves the check at that table.
    void CheckTables(itfProgress* progress);
    // True when `other` differs in structure: tables, versions or columns.
    bool CompareStructure(const Database& other) const;
    // Opens another database file, open on `engine`, with this database's
    // definitions (its tables are created or upgraded as needed).
    std::shared_ptr<Database> Attach(Engine& engine);
    void Close();
    bool IsOpen() const;

    itfNotifyEvent* notifySink() const { return notify_; }
    void setNotifySink(itfNotifyEvent* sink) { notify_ = sink; }

    // ---- For the library ------------------------------------------------------
    static std::shared_ptr<Database> create(std::shared_ptr<Connection> conn, std::shared_ptr<Schema> schema,
                                            itfNotifyEvent* notify);
    static std::shared_ptr<Schema> define(itfDefDatabase& definition);
    Connection& conn() const { return *conn_; }
    std::shared_ptr<Connection> connection() const { return conn_; }
    // The table lookup the query language resolves names with.
    const TableDef* lookup(const QString& name) const { return schema_->find(name); }
    void notifyEvent(int code, const QString& text);
    void showMessage(const QString& message);
    bool askQuestion(const QString& question, int kind, bool defaultNo);

    // The operation context. Every change made through a data source runs as
    // one operation (nested changes made by hooks belong to the outermost
    // one): a savepoint covers it; the data sources whose buffers it touches
    // register a restore point; a refusal queues its message and marks the
    // operation cancelled. When the outermost operation ends cancelled or
    // failed, the buffers are restored, the savepoint rolled back and the
    // messages shown. An operation begun without its savepoint (`undoable`
    // false: a bulk copy inside a transaction its caller rolls back on any
    // failure) restores the buffers and raises the same way, but what it
    // wrote stays until the caller's rollback.
    struct Touched {
        std::weak_ptr<DataSource> ds;
        std::shared_ptr<void> snapshot;
    };
    int beginOperation(bool undoable = true);
    // Ends the operation opened by beginOperation; for the outermost one it
    // commits or undoes, and raises the cancellation when there was one.
    void endOperation(bool ok);
    bool inOperation() const { return opDepth_ > 0; }
    // Registers the data source's restore point; `keys` before it deletes rows.
    void touch(DataSource& ds, bool keys = false);
    void cancelOperation(const QString& message, bool silent);
    bool operationCancelled() const { return opCancelled_; }
    int hookDepth() const { return hookDepth_; }
    void enterHook();
    void leaveHook() { --hookDepth_; }

    // Named locks, per row: (table, key, name).
    bool takeLock(const QString& table, qint64 oid, const QString& name);
    void releaseLock(const QString& table, qint64 oid, const QString& name);
    bool isLocked(const QString& table, qint64 oid, const QString& name) const;

    // Counts the calls of scripts into the data sources of this database
    // while they run: the system parameters are read-only to them.
    void enterScriptCall() { ++scriptCalls_; }
    void leaveScriptCall() { --scriptCalls_; }
    bool inScriptCall() const { return scriptCalls_ > 0; }

    // Script access (members in ScriptMembers.cpp).
    QString typeName() const override;
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;

    // The version the catalogue keeps for a table (0 when it has none).
    double storedVersion(const QString& table) const;
    // The version a table had in the file when it was opened (0: it was created).
    double foundVersionOf(const QString& table) const { return foundVersions_.value(table.toLower(), 0.0); }
    // For a file opened with another database's definitions (Attach): the
    // columns of a table that the file lacked and that were added, empty,
    // when it was opened. Its rows hold nothing for them: a copy from it
    // leaves them as they are in the target.
    QStringList MissingColumns(const QString& table) const;

  private:
    Database() = default;
    void ensureSchema();
    void upsertParam(const QString& name, const QString* value, const QString* text);
    void runStructHooks(const std::vector<std::pair<const TableDef*, std::pair<double, bool>>>& changed);

    std::shared_ptr<Connection> conn_;
    std::shared_ptr<Schema> schema_;
    QHash<QString, std::shared_ptr<DataSet>> dataSets_;
    itfNotifyEvent* notify_ = nullptr;
    int state_ = StateOpen;
    int updateDepth_ = 0;
    int accessLevel_ = 0;
    bool option_ = false;
    QString operator_;

    int opDepth_ = 0;
    int opId_ = 0;
    bool opSavepoint_ = false;
    bool opCancelled_ = false;
    bool opSilent_ = true;
    QStringList opMessages_;
    std::vector<Touched> opTouched_;
    int hookDepth_ = 0;
    int scriptCalls_ = 0;
    QHash<QString, int> locks_;
    QHash<QString, double> foundVersions_;
    QHash<QString, QStringList> addedColumns_;  // lower-case table name
    bool attached_ = false;
};

}  // namespace datalib
