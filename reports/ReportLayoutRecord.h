#pragma once
// One row of TabProspettiStampa, the report layouts, as the editor, the
// runner, the demo archive and the tests read and write it. The columns are
// named here and nowhere else; a layout is found by its source table, its
// rows reference ("" for the table's own rows) and its name.
//
// Sizes are kept as the row holds them (Null or a number) and are written as
// given: a text that is not a number goes to the library, which refuses it
// with its own message naming the column.

#include "core/Variant.h"

#include <QString>

#include <memory>

namespace datalib {
class DataSource;
class Database;
}  // namespace datalib

namespace reports {

struct ReportLayoutRecord {
    // The table and its key columns, for the filters and sorts of callers.
    static const QString kTableName;
    static const QString kSourceColumn;     // NomeTabellaOrigine
    static const QString kReferenceColumn;  // NomeReference
    static const QString kNameColumn;       // NomeProspetto
    static const QString kGroupColumn;      // NomeGruppo

    // The lowest height of a detail row, in millimetres. A lower one (0, a
    // negative one, or one so small that adding it leaves the row where it
    // is) never fills the rows area: prn.RowEnd would move for ever.
    static constexpr double kMinRowDim = 0.1;
    // False also for a value that is not a number.
    static bool rowDimUsable(double rowDim) { return rowDim >= kMinRowDim; }
    // The message that refuses a row height, shown as typed or stored.
    static QString rowDimRefusal(const QString& shown);

    QString sourceTable;
    QString reference;
    QString name;
    QString group;
    QString printer;
    bool askPrinter = false;
    core::Variant columns;  // modules side by side on a sheet
    core::Variant height;   // the module, in millimetres
    core::Variant width;
    core::Variant top;  // the sheet's margins
    core::Variant left;
    core::Variant rowsDim;  // each detail row
    core::Variant rowsTop;  // the detail area within the module
    core::Variant rowsBottom;
    QString backImage;
    core::Variant bottomImageBorder;
    bool horizontal = false;
    QString script;

    // Calls f(column, field) for every column, in the order a row is
    // written; R is the record, const or not.
    template <class R, class F>
    static void eachColumn(R& r, F&& f);

    // What the editor offers for a layout not stored yet.
    static ReportLayoutRecord newLayout(bool noteRows);

    // The current row of a data source on TabProspettiStampa.
    static ReportLayoutRecord readFrom(const datalib::DataSource& row);
    // Writes every column into the row being edited (after AddNew or on the
    // current row); the caller saves it.
    void writeTo(datalib::DataSource& row) const;
    // Inserts the layout as a new row.
    void insertInto(datalib::Database& db) const;

    // The filter of one layout, and of every layout of a source table and
    // rows reference.
    static QString keyFilter(datalib::Database& db, const QString& table, const QString& reference,
                             const QString& name);
    static QString sourceFilter(datalib::Database& db, const QString& table, const QString& reference);
    // The rows of one layout (none or one).
    static std::shared_ptr<datalib::DataSource> open(datalib::Database& db, const QString& table,
                                                     const QString& reference, const QString& name);
};

}  // namespace reports
