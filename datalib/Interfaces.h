#pragma once
// The interfaces that the program implements and the data library calls:
// the database definition, the table classes with their row and field
// events, the notification sink and the progress sink.

#include <QString>
#include <memory>

namespace datalib {

class DataSource;
class TableIdentity;
class ColumnCollection;
class KeyCollection;
class ReferenceCollection;
class TableRegistry;
class itfSetData;

// The database definition (`DB`): registers its table classes in order.
class itfDefDatabase {
  public:
    virtual ~itfDefDatabase() = default;
    virtual void Define(TableRegistry& p_obj) = 0;
};

// A table class as a definition: identity, structure, event sink.
class itfDefTable {
  public:
    virtual ~itfDefTable() = default;
    // The table's name, which the class bears ("Clienti", "RigheOrdini").
    virtual QString TableName() const = 0;
    virtual void DefineIdentity(TableIdentity& p_objIdentity) = 0;
    // Columns, then references, then keys.
    virtual void DefineStructure(ColumnCollection& p_objCol, KeyCollection& p_objInx,
                                 ReferenceCollection& p_objRef) = 0;
    // Hands back the class itself as the table's event sink.
    virtual void DefineDefaultData(itfSetData*& p_objSetData) = 0;
};

// What a reference hook is told about the row of a collection.
enum class RefChange {
    Set = 0,         // an ordinary reference was set
    RowAdded = 1,    // a child row was added (after) / is about to be added (before)
    RowChanged = 2,  // a stored child row changes
    RowDeleted = 3,  // a child row is being deleted
};

// The row and field events of a table. Each hook receives the table's data
// source standing on the row concerned. A hook refuses by calling
// CancelWithMessage (or Cancel) on the data source and goes on running; the
// library cancels the operation when the hook returns. A hook that has no
// rule returns at once, which is what these defaults do.
class itfSetData {
  public:
    virtual ~itfSetData() = default;
    // After the table was created (created True) or its structure upgraded.
    virtual void OnUpdatedTableStruct(DataSource& p_objDS, double p_dblCurVersion, double p_dblPrevVersion,
                                      bool& p_blnCreated) {}
    // A new row is started: set defaults.
    virtual void OnNewRow(DataSource& p_objDS) {}
    // Before a row is saved: validate and stamp.
    virtual void OnUpdateRow(DataSource& p_objDS) {}
    // Before a row is deleted.
    virtual void OnDeleteRow(DataSource& p_objDS) {}
    // After a column changed.
    virtual void OnUpdateField(DataSource& p_objDS, const QString& p_strColName) {}
    // Before a column changes.
    virtual void OnBeforeUpdateField(DataSource& p_objDS, const QString& p_strColName) {}
    // After a reference changed, or a child row of a collection was added or
    // changed. p_objRefDS is the referenced row (or the child row); it may be
    // null when the library has no single row to give (a whole recalculation).
    virtual void OnUpdateReference(DataSource& p_objDS, DataSource* p_objRefDS, const QString& p_strRefName,
                                   RefChange p_change, int p_reserved) {}
    // Before a reference changes, or a child row is changed or deleted; the
    // child row as it stands before the change.
    virtual void OnBeforeUpdateReference(DataSource& p_objDS, DataSource* p_objRefDS,
                                         const QString& p_strRefName, RefChange p_change, int p_reserved) {}
    // The data source was opened under a parent row.
    virtual void OnSelectParent(DataSource& p_objDS, DataSource& p_objParentDS) {}
    // The data source was opened.
    virtual void OnSelect(DataSource& p_objDS) {}
    // The choice list of a reference is about to be offered; the hook may
    // read and narrow p_objRefDS's Filter.
    virtual void OnSelectReference(DataSource& p_objDS, DataSource& p_objRefDS, const QString& p_strRefName) {
    }
    // A row is added to the collection p_strRefName of this row (the parent).
    virtual void OnNewReference(DataSource& p_objDS, DataSource& p_objNewRowDS, const QString& p_strRefName) {
    }
    // The data source's new row was tied to a parent row of p_strParentTable.
    virtual void OnSetParent(DataSource& p_objDS, const QString& p_strParentTable) {}
};

// The notification sink (`frmMain`): the library never shows a window itself.
class itfNotifyEvent {
  public:
    virtual ~itfNotifyEvent() = default;
    // A status text: the event code's text, and p_text when not empty.
    virtual void OnEvent(int& p_code, int p_unused, QString& p_text) = 0;
    // A warning to show in a box.
    virtual void OnInternalMessage(int p_unused, QString& p_message) = 0;
    // A question with OK and Cancel; kind 3 is a warning. p_answer in: True
    // proposes Cancel; out: False when OK was chosen, True otherwise.
    virtual void OnQueryMessage(int p_unused, int p_kind, QString& p_question, bool& p_answer) = 0;
};

// Event codes passed to itfNotifyEvent::OnEvent.
namespace event {
inline constexpr int Opening = 1;   // the database is being opened
inline constexpr int Checking = 2;  // the table check runs
inline constexpr int Updating = 3;  // a table's structure is upgraded
inline constexpr int Copying = 4;   // rows are copied
inline constexpr int Ready = 5;     // the database is open
QString text(int code);             // Italian text of an event code
}  // namespace event

// The progress sink of long operations (table check, copies, exports).
class itfProgress {
  public:
    virtual ~itfProgress() = default;
    // The current position (from 1); p_continue comes back False to stop.
    virtual void OnProgress(long p_position, bool& p_continue) = 0;
    // p_stopped comes back True when the operator stopped the operation.
    virtual void OnStopped(bool& p_stopped) = 0;
    // Work of p_total steps begins; p_offerStop shows the stop button.
    virtual void OnStart(long p_total, bool p_offerStop) = 0;
    virtual void OnEnd() = 0;
    // One step is taking long (a slow statement runs): the sink may let the
    // operator stop it meanwhile; p_continue comes back False to stop. The
    // data library may not be used from here. By default OnStopped decides.
    virtual void OnWaiting(bool& p_continue) {
        bool stopped = false;
        OnStopped(stopped);
        p_continue = !stopped;
    }
};

}  // namespace datalib
