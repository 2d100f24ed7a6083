#include "controls/DataGrid.h"

#include "controls/DataGridModel.h"
#include "controls/KeyStrings.h"
#include "controls/ViewGridSettings.h"
#include "datalib/DataSource.h"
#include "platform/ui/GuardedApplication.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyleOptionViewItem>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <utility>

namespace controls {

namespace {

// Column widths are kept in twips: 1440 per inch of the grid's screen.
int twipsToPixels(double twips, const QWidget* w) {
    const QScreen* screen = w->screen();
    const double dpi = screen && screen->logicalDotsPerInchX() > 0 ? screen->logicalDotsPerInchX() : 96.0;
    const int perPixel = std::max(1, static_cast<int>(std::lround(1440.0 / dpi)));
    return static_cast<int>(std::lround(twips / perPixel));
}

// Widths taken from the contents: at least a few characters, at most a
// description's worth; the cells of so many rows are measured (those in
// view once the grid is shown).
constexpr int kMinContentChars = 4;
constexpr int kMaxContentChars = 45;
constexpr int kMeasuredRows = 60;

}  // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent), model_(new DataGridModel(this)) {
    setObjectName(QStringLiteral("dgView"));
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(true);
    setWordWrap(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(18);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    verticalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    platform::connectGuarded(horizontalHeader(), &QHeaderView::sectionClicked, this,
                             &DataGrid::headerClicked);
    platform::connectGuarded(horizontalHeader(), &QHeaderView::sectionResized, this,
                             [this](int column, int, int size) {
                                 if (applying_) return;
                                 // A width the user gave keeps: the column no longer follows its contents.
                                 std::erase(contentColumns_, column);
                                 emit columnResized(column, size);
                             });
    // A column sized to its contents grows when a longer value comes into
    // view: rows scrolled to, added or changed.
    platform::connectGuarded(verticalScrollBar(), &QScrollBar::valueChanged, this,
                             &DataGrid::growContentColumnsLater);
    platform::connectGuarded(model_, &QAbstractItemModel::dataChanged, this,
                             &DataGrid::growContentColumnsLater);
    platform::connectGuarded(model_, &QAbstractItemModel::rowsInserted, this,
                             &DataGrid::growContentColumnsLater);
    platform::connectGuarded(
        horizontalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
            emit contextMenuWanted(MenuTarget::Order, horizontalHeader()->mapToGlobal(pos));
        });
    platform::connectGuarded(
        verticalHeader(), &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
            const int row = verticalHeader()->logicalIndexAt(pos);
            if (row >= 0) makeCurrent(model_->index(row, std::max(0, currentIndex().column())));
            emit contextMenuWanted(MenuTarget::Relations, verticalHeader()->mapToGlobal(pos));
        });
    // The current cell stays on its field when the rows are read again
    // (a filter, a sort): the current-column commands work on it.
    // The columns stay where they were, too: a sort or a filter reads the
    // rows again, it does not move the grid sideways. The headers are laid
    // out again after the reset, so the position is given back once they are.
    platform::connectGuarded(model_, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        keptField_ = currentIndex().isValid() ? model_->fieldOf(currentIndex().column()) : QString();
        keptScroll_ = horizontalScrollBar()->value();
        keptSource_ = dataSource().get();
    });
    platform::connectGuarded(model_, &QAbstractItemModel::modelReset, this, [this] {
        // Only the same rows read again: another data source starts on its first columns.
        if (dataSource() && dataSource().get() == keptSource_) {
            const std::weak_ptr<datalib::DataSource> same = dataSource();
            QTimer::singleShot(0, this, [this, scroll = keptScroll_, same] {
                if (!same.expired() && same.lock() == dataSource()) horizontalScrollBar()->setValue(scroll);
            });
        }
        const auto& ds = dataSource();
        const int column = keptField_.isEmpty() ? -1 : model_->columnOf(keptField_);
        if (column < 0 || !ds || ds->DataEmpty() || !ds->RowValid()) return;
        const QScopedValueRollback<bool> rowsOnly(keepColumns_, true);
        selectionModel()->setCurrentIndex(model_->index(int(ds->Position()), column),
                                          QItemSelectionModel::NoUpdate);
    });
}

const std::shared_ptr<datalib::DataSource>& DataGrid::dataSource() const { return model_->dataSource(); }

void DataGrid::Bind(std::shared_ptr<datalib::DataSource> ds, const ViewGridSettings* settings) {
    // Another table's fields start from their own contents.
    const QString table = ds ? ds->tableDef().name() : QString();
    if (table.compare(widthsTable_, Qt::CaseInsensitive) != 0) {
        contentWidths_.clear();
        widthsTable_ = table;
    }
    model_->setDataSource(std::move(ds), settings ? settings->FieldSequence() : QString(), defaultColumns_);
    ApplyLayout(settings);
    FollowDataSource();
}

int DataGrid::MaxContentWidth() const { return fontMetrics().averageCharWidth() * kMaxContentChars; }

// The widest cell of each column among the rows in view (the first rows
// before the grid is shown), read row by row, as the data source fetches
// its rows.
std::vector<int> DataGrid::widestCells(bool withCurrent) const {
    std::vector<int> widest(size_t(model_->columnCount()), 0);
    const int count = model_->rowCount();
    if (count == 0) return widest;
    int first = 0;
    int last = std::min(count, kMeasuredRows) - 1;
    if (isVisible()) {
        first = std::max(0, rowAt(0));
        const int bottom = rowAt(viewport()->height() - 1);
        last = std::min(bottom < 0 ? count - 1 : bottom, first + kMeasuredRows - 1);
    }
    // The data source's current row: where the grid is about to stand, so
    // the page that ends on it is measured when it is out of view.
    const auto& ds = dataSource();
    const int current = ds && ds->RowValid() ? int(ds->Position()) : currentIndex().row();
    if (withCurrent && current >= 0 && current < count && (current < first || current > last)) {
        first = std::max(0, current - (last - first));
        last = current;
    }
    // The longest text of each column found row by row; its cell then
    // measured as the grid draws it (margins, check mark, grid line).
    std::vector<int> longest(widest.size(), -1);
    const QFontMetrics metrics(font());
    for (int r = first; r <= last; ++r)
        for (int c = 0; c < model_->columnCount(); ++c) {
            const int width = metrics.horizontalAdvance(model_->index(r, c).data().toString());
            if (longest[size_t(c)] < 0 || width > widest[size_t(c)]) {
                widest[size_t(c)] = width;
                longest[size_t(c)] = r;
            }
        }
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    for (int c = 0; c < model_->columnCount(); ++c)
        widest[size_t(c)] = itemDelegate()->sizeHint(option, model_->index(longest[size_t(c)], c)).width() +
                            (showGrid() ? 1 : 0);
    return widest;
}

void DataGrid::ApplyLayout(const ViewGridSettings* settings) {
    applying_ = true;
    // A grid hidden on purpose reads no rows for its widths: it measures
    // them when it is shown.
    const bool hidden = testAttribute(Qt::WA_WState_ExplicitShowHide) && testAttribute(Qt::WA_WState_Hidden);
    measureOnShow_ = hidden;
    const std::vector<int> cells =
        hidden ? std::vector<int>(size_t(model_->columnCount()), 0) : widestCells();
    contentColumns_.clear();
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (const auto twips = settings ? settings->ColumnWidth(model_->fieldOf(c)) : std::nullopt) {
            setColumnWidth(c, std::max(8, twipsToPixels(*twips, this)));
            continue;
        }
        contentColumns_.push_back(c);
        setColumnWidth(c, contentWidth(c, cells[size_t(c)]));
    }
    applying_ = false;
}

// The caption or the widest cell, within the bounds; never less than the
// column had from its contents before.
int DataGrid::contentWidth(int column, int widestCell) {
    const int least = fontMetrics().averageCharWidth() * kMinContentChars;
    const int measured = std::max(horizontalHeader()->sectionSizeHint(column), widestCell);
    const QString key = model_->fieldOf(column).toLower();
    const int width = std::max(std::clamp(measured, least, MaxContentWidth()), contentWidths_.value(key));
    contentWidths_.insert(key, width);
    return width;
}

void DataGrid::growContentColumnsLater() {
    if (growPending_ || contentColumns_.empty()) return;
    growPending_ = true;
    QTimer::singleShot(0, this, [this] {
        growPending_ = false;
        growContentColumns();
    });
}

void DataGrid::growContentColumns() {
    if (!isVisible() || contentColumns_.empty() || model_->rowCount() == 0) return;
    const std::vector<int> cells = widestCells(false);
    const QScopedValueRollback<bool> applying(applying_, true);
    for (int c : contentColumns_) {
        if (c >= model_->columnCount() || isColumnHidden(c)) continue;
        const int width = contentWidth(c, cells[size_t(c)]);
        if (width > columnWidth(c)) setColumnWidth(c, width);
    }
}

void DataGrid::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (!std::exchange(measureOnShow_, false)) return;
    applying_ = true;
    const std::vector<int> cells = widestCells();
    for (int c : contentColumns_)
        if (c < model_->columnCount()) setColumnWidth(c, contentWidth(c, cells[size_t(c)]));
    applying_ = false;
}

qint64 DataGrid::Bookmark() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? model_->bookmarkOf(current.row()) : 0;
}

std::vector<qint64> DataGrid::SelectedBookmarks() const {
    std::vector<qint64> out;
    if (!selectionModel()) return out;
    for (const QModelIndex& i : selectionModel()->selectedRows()) out.push_back(model_->bookmarkOf(i.row()));
    return out;
}

void DataGrid::FollowDataSource(const QString& field) {
    const auto& ds = dataSource();
    if (!ds || ds->DataEmpty() || !ds->RowValid()) return;
    const long row = ds->Position();
    model_->showReadRows();
    const int ofField = field.isEmpty() ? -1 : model_->columnOf(field);
    const int column = ofField >= 0 ? ofField : std::max(0, currentIndex().column());
    const QModelIndex target = model_->index(int(row), column);
    if (!target.isValid() || target == currentIndex()) return;
    const QScopedValueRollback<bool> rowsOnly(keepColumns_, ofField < 0);
    selectionModel()->setCurrentIndex(target,
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

void DataGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
    if (!keepColumns_) {
        QTableView::scrollTo(index, hint);
        return;
    }
    const int columns = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(columns);
}

void DataGrid::makeCurrent(const QModelIndex& cell) {
    if (!cell.isValid() || cell == currentIndex()) return;
    // A click inside the selection keeps it (the commands act on every
    // selected row); elsewhere the clicked row alone is selected.
    const bool inSelection = selectionModel()->isRowSelected(cell.row(), QModelIndex());
    selectionModel()->setCurrentIndex(
        cell, inSelection ? QItemSelectionModel::NoUpdate
                          : QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    bool consumed = false;
    emit keyDown(VirtualKeyCode(*event), ShiftState(*event), consumed);
    if (consumed) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event) {
    // The event comes in the viewport's coordinates; the menu key opens the
    // menu of the current cell, beside it.
    const bool byKey = event->reason() == QContextMenuEvent::Keyboard;
    const QModelIndex cell = byKey ? currentIndex() : indexAt(event->pos());
    makeCurrent(cell);
    const QPoint at =
        byKey && cell.isValid() ? viewport()->mapToGlobal(visualRect(cell).center()) : event->globalPos();
    emit contextMenuWanted(cell.isValid() ? MenuTarget::FieldFunctions : MenuTarget::Relations, at);
    event->accept();
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    const auto& ds = dataSource();
    if (ds && current.isValid() && current.row() != ds->Position()) ds->MoveTo(current.row());
}

}  // namespace controls
