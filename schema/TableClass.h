#pragma once
// The shared base of the table classes: every table of the agent's database is
// declared and guarded by one class named after the table. The class answers
// the data library's definition calls (identity, columns, references, keys)
// and its row and field events (defaults, audit stamps, protected rows,
// refusals). The classes keep no state between calls.

#include "core/Variant.h"
#include "datalib/Definitions.h"
#include "datalib/Interfaces.h"

#include <QString>
#include <initializer_list>
#include <utility>

namespace datalib {
class DataSource;
}

namespace schema {

using datalib::ColumnCollection;
using datalib::DataSource;
using datalib::KeyCollection;
using datalib::ReferenceCollection;
using datalib::TableIdentity;
namespace coltype = datalib::coltype;

// Attribute value that stands for "not given".
inline constexpr int NA = -100;

// Texts shared by the table classes.
namespace msg {
inline const char* const NoChange = "Non è possibile modificare questo elemento";
inline const char* const NoDelete = "Non è possibile eliminare questo elemento";
}  // namespace msg

class TableClass : public datalib::itfDefTable, public datalib::itfSetData {
  public:
    explicit TableClass(QString tableName) : tableName_(std::move(tableName)) {}

    QString TableName() const override { return tableName_; }

    // Every table class is its own event sink.
    void DefineDefaultData(datalib::itfSetData*& p_objSetData) override { p_objSetData = this; }

    // ---- shared column and key declarations
    static void AddVersioneAggiornamento(ColumnCollection& cols, int attrA = 15, const QString& group = {});
    static void AddDataInserimento(ColumnCollection& cols, const QString& group = {});
    static void AddDataModifica(ColumnCollection& cols, const QString& group = {});
    // VersioneAggiornamento, DataInserimento, DataModifica, each with attribute A 15.
    static void AddAuditColumns(ColumnCollection& cols);
    static void AddInviatoSede(ColumnCollection& cols, int attrB = NA, const QString& group = {});
    static void AddAcquisitoSede(ColumnCollection& cols, int attrB = NA, const QString& group = {});
    // Plain keys on DataInserimento, DataModifica and VersioneAggiornamento.
    static void AddAuditKeys(KeyCollection& keys);
    // Codice (type 7, length 16) and Descrizione of a code table.
    static void AddCodeAndDescription(ColumnCollection& cols, int descriptionType, int descriptionLength,
                                      const QString& description = {});
    // The unique key on Codice and the plain key on Descrizione.
    static void AddCodeKeys(KeyCollection& keys);

    // ---- access to the row the data source stands on
    static core::Variant Value(DataSource& ds, const QString& column);
    static QString Str(DataSource& ds, const QString& column);
    static bool Flag(DataSource& ds, const QString& column);
    static double Num(DataSource& ds, const QString& column);
    static void Set(DataSource& ds, const QString& column, const core::Variant& value);
    // Sets a reference by the referenced row's key ("" is the protected empty row).
    static void SetRef(DataSource& ds, const QString& reference, const core::Variant& key);
    static bool IsNewRow(DataSource& ds);
    // The row is being added (a new row, or one the library is writing itself).
    static bool IsAdding(DataSource& ds);
    // The row already has pending edits, or the library itself is writing it.
    static bool HeldChange(DataSource& ds);
    // The edit buffer differs from the stored row.
    static bool HoldsChanges(DataSource& ds);
    // The database's state: 5 open, 2 while head-office data are applied.
    static int DbState(DataSource& ds);
    static constexpr int StateApplyingUpdate = 2;

    // ---- refusals and questions (the library shows them)
    static void Refuse(DataSource& ds, const QString& message);
    static void RefuseSilently(DataSource& ds);
    // Asks a Yes/No question (No proposed); a No cancels the operation in
    // progress without a further message. True when the answer was Yes.
    static bool Confirm(DataSource& ds, int kind, const QString& question);
    static void MarkColumn(DataSource& ds, const QString& column);
    // Shows a message box (through the error window's box, with its question
    // "Visualizzare dettagli ?").
    static void ShowMessage(const QString& message);

    // The key by which a reference without key column (the library's own row
    // link) points at the first row of table whose column equals value; Null
    // when there is none.
    static core::Variant RowLinkKey(DataSource& ds, const QString& table, const QString& column,
                                    const QString& value);

    // Inserts one row from name/value pairs, in their order.
    static void InsertRow(DataSource& ds, std::initializer_list<std::pair<const char*, core::Variant>> pairs);

    // ---- audit stamps
    // The archive's update version: the parameter "VersioneAggiornamento", 0 when missing.
    static double CurrentUpdateVersion(DataSource& ds);
    // DataInserimento and DataModifica now, the exchange flags (when asked)
    // False, VersioneAggiornamento the current update version.
    static void StampNewRow(DataSource& ds, bool exchangeFlags = false);
    // Only when the row holds changes: DataModifica now and the update version.
    static void StampChangedRow(DataSource& ds);

    // ---- the exchange flags
    // InviatoSede, AcquisitoSede and ConfermatoSede tell what head office
    // holds; only the exchange sets them, writing with the table classes
    // silent. On the agent's workstation, called from OnUpdateField, this
    // refuses any other change: a new row keeps them False (a row the library
    // copies brings its own), a stored row keeps them as they are.
    static bool IsExchangeFlag(const QString& column);
    static void ProtectExchangeFlags(DataSource& ds, const QString& column);

    // ---- the protected row of the code tables (guard column empty)
    // Refuses a change of the stored row whose guard column is empty; a new
    // row passes, and so does a row with a held change when withHeldChange.
    static void ProtectEmptyRowChange(DataSource& ds, const QString& guard, bool withHeldChange);
    static void ProtectEmptyRowDelete(DataSource& ds, const QString& guard);

  private:
    QString tableName_;
};

// The protected row of a code table: inserted with the table, neither changed
// nor deleted afterwards.
class CodeTableClass : public TableClass {
  public:
    // guard: the column that is empty on the protected row; descriptive: the
    // second column of the inserted row; withHeldChange: whether a change is
    // allowed while the row holds a change of the library.
    CodeTableClass(QString tableName, QString guard, QString descriptive, bool withHeldChange)
        : TableClass(std::move(tableName)),
          guard_(std::move(guard)),
          descriptive_(std::move(descriptive)),
          withHeldChange_(withHeldChange) {}

    void OnUpdatedTableStruct(DataSource& ds, double cur, double prev, bool& created) override;
    void OnDeleteRow(DataSource& ds) override;
    void OnBeforeUpdateField(DataSource& ds, const QString& column) override;

  private:
    QString guard_;
    QString descriptive_;
    bool withHeldChange_;
};

}  // namespace schema
