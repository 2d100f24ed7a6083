#pragma once
// One row of TabStampaEtichette, the label layouts (one per source table),
// as the editor, the runner, the demo archive and the tests read and write
// it. The columns are named here and nowhere else.
//
// Sizes are kept as the row holds them (Null or a number) and are written as
// given: a text that is not a number goes to the library, which refuses it
// with its own message naming the column.

#include "core/Variant.h"

#include <QString>

namespace datalib {
class DataSource;
class Database;
}  // namespace datalib

namespace labels {

struct LabelLayoutRecord {
    static const QString kTableName;
    static const QString kSourceColumn;  // NomeTabellaOrigine

    QString sourceTable;
    core::Variant columns;  // labels side by side
    QString script;
    core::Variant width;  // each label, in millimetres
    core::Variant height;
    core::Variant top;  // the sheet's margins
    core::Variant left;
    QString printer;
    bool horizontal = false;
    bool enableAlignment = true;  // the user may skip labels already used
    bool askPrinter = false;
    core::Variant copies;

    // Calls f(column, field) for every column, in the order a row is
    // written; R is the record, const or not.
    template <class R, class F>
    static void eachColumn(R& r, F&& f);

    // What the editor offers for a table without a layout: 2 x 32,5 x 88 mm.
    static LabelLayoutRecord newLayout();

    // The current row of a data source on TabStampaEtichette.
    static LabelLayoutRecord readFrom(const datalib::DataSource& row);
    // Writes every column into the row being edited; the caller saves it.
    void writeTo(datalib::DataSource& row) const;
    // Inserts the layout as a new row.
    void insertInto(datalib::Database& db) const;

    // The filter of the layout of a source table.
    static QString sourceFilter(datalib::Database& db, const QString& table);
};

}  // namespace labels
