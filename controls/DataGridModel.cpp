#include "controls/DataGridModel.h"

#include "controls/MubShortSearch.h"
#include "core/AppError.h"
#include "core/ItalianText.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "platform/ui/GuardedApplication.h"

#include <QElapsedTimer>
#include <cmath>
#include <limits>

namespace controls {

namespace {

// Time given to reading keys at each idle step, so the window stays responsive.
constexpr int kIdleReadMs = 20;
// Keys read at a time within a step.
constexpr long kReadChunk = 2048;

}  // namespace

DataGridModel::DataGridModel(QObject* parent) : QAbstractTableModel(parent), reader_(new QTimer(this)) {
    reader_->setInterval(0);
    platform::connectGuarded(reader_, &QTimer::timeout, this, [this] { readMore(kIdleReadMs); });
}

DataGridModel::~DataGridModel() {
    if (ds_ && refreshId_ >= 0) ds_->disconnectRefresh(refreshId_);
}

void DataGridModel::setDataSource(std::shared_ptr<datalib::DataSource> ds, const QString& fieldSequence,
                                  const QStringList& leading) {
    beginResetModel();
    if (ds_ && refreshId_ >= 0) ds_->disconnectRefresh(refreshId_);
    refreshId_ = -1;
    ds_ = std::move(ds);
    buildColumns(fieldSequence, leading);
    if (ds_) refreshId_ = ds_->connectRefresh([this](datalib::DataSource&) { reload(); });
    shown_ = rowsToShow();
    endReset();
}

void DataGridModel::reload() {
    beginResetModel();
    shown_ = rowsToShow();
    endReset();
}

// Those told of the reset hear of it before any row is added: nothing is
// fetched while a change is being told (whoever asks for more rows then gets
// them from the reading that follows).
void DataGridModel::endReset() {
    changing_ = true;
    endResetModel();
    changing_ = false;
    if (ds_ && !ds_->AllRowsRead()) reader_->start();
}

void DataGridModel::readMore(int budgetMs) {
    if (!ds_ || !ds_->Database()->IsOpen() || ds_->AllRowsRead()) {
        reader_->stop();
        showReadRows();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    try {
        do ds_->ReadMoreRows(kReadChunk);
        while (!ds_->AllRowsRead() && clock.elapsed() < budgetMs);
    } catch (const core::AppError&) {
        // The rows read stay shown; the error comes again where a row is asked for.
        reader_->stop();
    }
    if (ds_->AllRowsRead()) reader_->stop();
    showReadRows();
}

// The rows the grid is told of once the rows were read again: those whose
// keys are read, the current row's included (a row kept through a sort may
// stand far down, and the grid puts its current cell there).
int DataGridModel::rowsToShow() const {
    if (!ds_ || !ds_->Database()->IsOpen()) return 0;
    if (!ds_->DataEmpty() && ds_->RowValid()) ds_->Position();
    return int(ds_->RowsRead());
}

// Rows read elsewhere (a key looked for, the count) are shown as well; rows
// deleted through the data source leave the end of the grid. The count the
// grid knows changes only here and in a reset.
void DataGridModel::showReadRows() {
    const int now = (ds_ && ds_->Database()->IsOpen()) ? int(ds_->RowsRead()) : shown_;
    if (now == shown_) return;
    changing_ = true;
    if (now > shown_) {
        beginInsertRows({}, shown_, now - 1);
        shown_ = now;
        endInsertRows();
    } else {
        beginRemoveRows({}, now, shown_ - 1);
        shown_ = now;
        endRemoveRows();
    }
    changing_ = false;
}

bool DataGridModel::canFetchMore(const QModelIndex& parent) const {
    return !changing_ && !parent.isValid() && ds_ && ds_->Database()->IsOpen() && !ds_->AllRowsRead();
}

// The grid reached its last row read: the rest is read now.
void DataGridModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    readMore(std::numeric_limits<int>::max());
}

void DataGridModel::buildColumns(const QString& fieldSequence, const QStringList& leading) {
    columns_.clear();
    oidIndex_ = -1;
    if (!ds_) return;
    const QStringList names = ds_->ColumnNames();
    oidIndex_ = ds_->ColumnIndex(QStringLiteral("OID"));
    auto add = [&](const QString& name, int index) {
        Column c;
        c.field = name;
        c.index = index;
        c.def = ds_->tableDef().findColumn(name);
        columns_.push_back(c);
    };
    if (!fieldSequence.trimmed().isEmpty()) {
        for (const QString& f : fieldSequence.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            const int i = ds_->ColumnIndex(f.trimmed());
            if (i >= 0 && !controls::IsLinkColumn(names[i])) add(names[i], i);
        }
        if (!columns_.empty()) return;
    }
    std::vector<bool> taken(size_t(names.size()), false);
    for (const QString& f : leading) {
        const int i = ds_->ColumnIndex(f);
        if (i < 0 || taken[size_t(i)] || controls::IsLinkColumn(names[i])) continue;
        add(names[i], i);
        taken[size_t(i)] = true;
    }
    for (int i = 0; i < names.size(); ++i) {
        // A field the data source lists twice ("*,Codice") is shown once.
        if (taken[size_t(i)] || controls::IsLinkColumn(names[i]) || columnOf(names[i]) >= 0) continue;
        add(names[i], i);
    }
}

QString DataGridModel::fieldOf(int column) const {
    if (column < 0 || column >= int(columns_.size())) return QString();
    return columns_[size_t(column)].field;
}

int DataGridModel::columnOf(const QString& field) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].field.compare(field, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

const datalib::ColumnDef* DataGridModel::definitionOf(int column) const {
    if (column < 0 || column >= int(columns_.size())) return nullptr;
    return columns_[size_t(column)].def;
}

qint64 DataGridModel::bookmarkOf(int row) const {
    if (!ds_ || oidIndex_ < 0 || row < 0 || row >= shown_ || !ds_->Database()->IsOpen()) return 0;
    const core::Variant v = ds_->ValueAt(row, oidIndex_);
    return v.isEmptyOrNull() ? 0 : qint64(std::llround(v.toDouble()));
}

namespace {

// A fixed list of values shown by their labels ("MONTH" is shown as stored).
bool hasLabels(const datalib::ColumnDef& def) {
    return !def.valueList.isEmpty() && def.valueList != QLatin1String("MONTH");
}

}  // namespace

QString DataGridModel::displayText(const datalib::ColumnDef* def, const core::Variant& value) {
    if (value.isEmptyOrNull()) return QString();
    if (!def) return value.toString();
    if (hasLabels(*def)) {
        const QString text = value.toString();
        for (const auto& [v, label] : def->valuePairs())
            if (v == text) return label;
    }
    if (def->isMoney()) return core::italian::formatFixed(value.toDouble(), 2, true);
    if (def->type == datalib::coltype::Date) return core::italian::formatDateOnly(value.toDate());
    if (def->type == datalib::coltype::DateTime) return core::italian::formatDate(value.toDate());
    if (def->isBoolean()) return core::italian::formatBool(value.toBool());
    if (!def->format.isEmpty() && def->format.count(QLatin1Char('0')) == def->format.size() &&
        datalib::coltype::isNumeric(def->type))
        return QStringLiteral("%1").arg(qlonglong(std::llround(value.toDouble())), int(def->format.size()),
                                        10, QLatin1Char('0'));
    return value.toString();
}

QString DataGridModel::searchText(const QModelIndex& index) const {
    if (!ds_ || !index.isValid() || index.column() >= int(columns_.size()) || !ds_->Database()->IsOpen())
        return {};
    const Column& c = columns_[size_t(index.column())];
    const core::Variant value = ds_->ValueAt(index.row(), c.index);
    if (c.def && !value.isEmptyOrNull()) {
        if (c.def->isBoolean()) return core::italian::formatBool(value.toBool());
        if (hasLabels(*c.def)) return value.toString();
    }
    return displayText(c.def, value);
}

int DataGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int DataGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant DataGridModel::data(const QModelIndex& index, int role) const {
    if (!ds_ || !index.isValid() || index.column() >= int(columns_.size()) || !ds_->Database()->IsOpen())
        return {};
    const Column& c = columns_[size_t(index.column())];
    switch (role) {
        case Qt::DisplayRole: {
            if (c.def && c.def->isBoolean()) return {};
            return displayText(c.def, ds_->ValueAt(index.row(), c.index));
        }
        case Qt::CheckStateRole: {
            if (!c.def || !c.def->isBoolean()) return {};
            // A row gone since its key was read, or a flag never set, reads
            // as Null: unticked.
            const core::Variant value = ds_->ValueAt(index.row(), c.index);
            if (value.isEmptyOrNull()) return Qt::Unchecked;
            return value.toBool() ? Qt::Checked : Qt::Unchecked;
        }
        case Qt::TextAlignmentRole:
            if (c.def && (datalib::coltype::isNumeric(c.def->type)) && c.def->valueList.isEmpty())
                return int(Qt::AlignRight | Qt::AlignVCenter);
            return int(Qt::AlignLeft | Qt::AlignVCenter);
        case Qt::ToolTipRole:
            if (c.def && c.def->isText()) return displayText(c.def, ds_->ValueAt(index.row(), c.index));
            return {};
        default:
            return {};
    }
}

QVariant DataGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) return {};
    if (section < 0 || section >= int(columns_.size())) return {};
    const Column& c = columns_[size_t(section)];
    if (role == Qt::DisplayRole) return c.field;
    if (role == Qt::ToolTipRole && c.def && !c.def->description.isEmpty()) return c.def->description;
    return {};
}

void DataGridModel::sort(int column, Qt::SortOrder order) {
    if (!ds_ || column < 0 || column >= int(columns_.size())) return;
    ds_->SetSortOrder(
        columns_[size_t(column)].field + (order == Qt::DescendingOrder ? QStringLiteral(" DESC") : QString()),
        false);
}

}  // namespace controls
