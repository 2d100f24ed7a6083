#pragma once
// The data grid of the main window (`dgView`): the rows of the current view
// with multi-row selection, a current row that follows the data source's
// current row (and moves it), the OID of a row as its bookmark, and the
// events that the main window turns into commands: keys (as virtual key
// codes with their shift state, which the handler may consume), header
// clicks, column resizes and the context menus.

#include <QHash>
#include <QStringList>
#include <QTableView>
#include <functional>
#include <memory>
#include <vector>

namespace datalib {
class DataSource;
}

namespace controls {

class DataGridModel;
class ViewGridSettings;

class DataGrid : public QTableView {
    Q_OBJECT
  public:
    // Where a context menu was asked for.
    enum class MenuTarget {
        FieldFunctions,  // a cell: the commands on its column and value
        Order,           // the column headers
        Relations,       // a row's selector, or the rows' free area
    };

    explicit DataGrid(QWidget* parent = nullptr);

    DataGridModel* gridModel() const { return model_; }
    // Shows a data source with the layout of the grid settings (null: no rows).
    void Bind(std::shared_ptr<datalib::DataSource> ds, const ViewGridSettings* settings);
    const std::shared_ptr<datalib::DataSource>& dataSource() const;
    // The fields shown first, in this order, while the settings hold no field
    // sequence (the others follow in the data source's order).
    void SetDefaultColumns(const QStringList& fields) { defaultColumns_ = fields; }
    const QStringList& DefaultColumns() const { return defaultColumns_; }
    // Applies the widths the settings hold to the columns. A column without
    // one is as wide as its caption and the cells shown (within a maximum);
    // while the grid shows the same fields such a column only grows, so it
    // does not jump as the rows move.
    void ApplyLayout(const ViewGridSettings* settings);
    // Forgets the widths taken from the contents (the settings were reset).
    void ForgetContentWidths() { contentWidths_.clear(); }
    // The most a column is made wide from its contents, in pixels.
    int MaxContentWidth() const;

    // The current row's OID (0 when none) and the OIDs of the selected rows.
    qint64 Bookmark() const;
    std::vector<qint64> SelectedBookmarks() const;
    // Puts the grid's current row where the data source's current row is.
    // With a field (the one a search or a sort worked on) the current cell
    // goes to that field's column, which is brought into view; without one
    // the grid keeps its columns where they are and moves only up or down.
    void FollowDataSource(const QString& field = QString());
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  signals:
    // A key was pressed: virtual key code and shift state; set consumed to
    // keep the grid from acting on it.
    void keyDown(int keyCode, int shift, bool& consumed);
    // A column header was clicked (grid column).
    void headerClicked(int column);
    // The user resized a column (grid column, new width in pixels).
    void columnResized(int column, int width);
    // A context menu is wanted at a global position. A right click on a
    // cell or a row selector first makes that cell (row) the current one.
    void contextMenuWanted(MenuTarget target, const QPoint& globalPos);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void showEvent(QShowEvent* event) override;

  private:
    void makeCurrent(const QModelIndex& cell);
    // The widest cell of each column among the rows in view (with the page
    // of the current row when that is out of view, unless told not to).
    std::vector<int> widestCells(bool withCurrent = true) const;
    int contentWidth(int column, int widestCell);
    // Widens the columns sized to their contents to the rows in view (once
    // the events in hand are handled); never narrows them.
    void growContentColumnsLater();
    void growContentColumns();

    DataGridModel* model_;
    bool applying_ = false;
    QString keptField_;   // the current cell's field while the rows are read again
    int keptScroll_ = 0;  // and the columns' scroll position, for the same data source
    const datalib::DataSource* keptSource_ = nullptr;
    bool keepColumns_ = false;  // scrolling moves the rows only
    QStringList defaultColumns_;
    QHash<QString, int> contentWidths_;  // lower-case field -> pixels
    QString widthsTable_;                // the table the content widths were taken from
    std::vector<int> contentColumns_;    // the columns sized from their contents
    bool measureOnShow_ = false;
    bool growPending_ = false;
};

}  // namespace controls
