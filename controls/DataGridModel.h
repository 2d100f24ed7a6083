#pragma once
// The rows of a data source as a table model for the data grid. Nothing is
// read ahead: the grid asks for the cells it paints, and the data source
// fetches them in small windows, so a view of a large table opens and
// scrolls without reading the table. The grid shows the rows whose keys are
// read (the first screen's come with the query); the rest of the keys is
// read in short steps while the program is idle, and at once when the grid
// is scrolled to its end. Columns are the data source's own but
// its row links, or the field sequence that the view's grid settings name;
// values are shown the Italian way (dates d/m/yyyy, amounts with two
// decimals and dots for thousands, "0000" formats padded, value lists by
// their label, yes/no columns as check marks).

#include "core/Variant.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>
#include <memory>

namespace datalib {
class DataSource;
struct ColumnDef;
}  // namespace datalib

namespace controls {

class DataGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit DataGridModel(QObject* parent = nullptr);
    ~DataGridModel() override;

    // Shows a data source (null: no rows, no columns). fieldSequence, when not
    // empty, lists the fields to show in order ("Codice,Descrizione"); without
    // one every field is shown, those of `leading` first, in their order.
    void setDataSource(std::shared_ptr<datalib::DataSource> ds, const QString& fieldSequence = {},
                       const QStringList& leading = {});
    const std::shared_ptr<datalib::DataSource>& dataSource() const { return ds_; }
    // The rows were read again: the grid asks anew.
    void reload();

    // Tells the grid of the rows whose keys were read since it was last told
    // (by a key looked for, the count, the reading while idle).
    void showReadRows();

    // The data field of a grid column ("" out of range) and back (-1).
    QString fieldOf(int column) const;
    int columnOf(const QString& field) const;
    // The column's definition in its table, or nullptr (expressions, other tables).
    const datalib::ColumnDef* definitionOf(int column) const;
    // The row identifier (OID) of a grid row: the grid's bookmark; 0 when none.
    qint64 bookmarkOf(int row) const;

    // A value as the grid shows it.
    static QString displayText(const datalib::ColumnDef* def, const core::Variant& value);
    // A cell as the quick search reads it back: the shown text, but a value
    // list's stored value in place of its label and "Vero"/"Falso" for a
    // check mark.
    QString searchText(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Sorts the data source by the column (the data source reads its rows again).
    void sort(int column, Qt::SortOrder order) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

  private:
    void buildColumns(const QString& fieldSequence, const QStringList& leading);
    int rowsToShow() const;
    void endReset();
    // Reads more keys (for about `budgetMs`) and shows the rows they add.
    void readMore(int budgetMs);

    struct Column {
        QString field;
        int index = -1;  // in the data source's columns
        const datalib::ColumnDef* def = nullptr;
    };
    std::shared_ptr<datalib::DataSource> ds_;
    std::vector<Column> columns_;
    int oidIndex_ = -1;
    int refreshId_ = -1;
    int shown_ = 0;  // the rows the view was told of: the model's row count
    QTimer* reader_ = nullptr;
    bool changing_ = false;  // a reset or rows being told
};

}  // namespace controls
