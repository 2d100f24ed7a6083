#include "controls/MubShortSearch.h"

#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace controls {

namespace {

QString joinAnd(const QStringList& parts) {
    QStringList wrapped;
    for (const QString& p : parts)
        if (!p.trimmed().isEmpty()) wrapped << QLatin1Char('(') + p.trimmed() + QLatin1Char(')');
    if (wrapped.size() == 1) {
        QString only = wrapped.front();
        return only.mid(1, only.size() - 2);
    }
    return wrapped.join(QLatin1String(" AND "));
}

}  // namespace

bool IsLinkColumn(const QString& name) {
    return name.compare(QLatin1String("OID"), Qt::CaseInsensitive) == 0 ||
           name.startsWith(QLatin1String("OID_"), Qt::CaseInsensitive);
}

namespace {
constexpr int kSearchChars = 20;
}  // namespace

MubShortSearch::MubShortSearch(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MubShortSearch"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(4);
    label_ = new QLabel(QStringLiteral("Cerca in:"), this);
    field_ = new QComboBox(this);
    field_->setObjectName(QStringLiteral("cboSearchField"));
    field_->setToolTip(QStringLiteral("Campo su cui cercare"));
    field_->setMinimumContentsLength(14);
    field_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    text_ = new QLineEdit(this);
    text_->setObjectName(QStringLiteral("txtSearch"));
    text_->setPlaceholderText(QStringLiteral("Testo da cercare"));
    text_->setClearButtonEnabled(true);
    // Room for what the operator types, however narrow the window.
    text_->setMinimumWidth(text_->fontMetrics().averageCharWidth() * kSearchChars);
    text_->installEventFilter(this);
    cmdFind_ = new MubCommand(QStringLiteral("&Trova"), this);
    cmdFind_->setObjectName(QStringLiteral("cmdFindNext"));
    cmdFind_->setToolTip(QStringLiteral("Cerca il successivo (F3)"));
    cmdFilter_ = new MubCommand(QStringLiteral("&Filtra"), this);
    cmdFilter_->setObjectName(QStringLiteral("cmdFilter"));
    cmdFilter_->setToolTip(QStringLiteral("Visualizza solo i dati che corrispondono al testo"));
    cmdSort_ = new MubCommand(QStringLiteral("&Ordina"), this);
    cmdSort_->setObjectName(QStringLiteral("cmdSort"));
    cmdSort_->setToolTip(QStringLiteral("Ordina i dati per il campo di ricerca"));
    cmdCancel_ = new MubCommand(QStringLiteral("&Annulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancelAll"));
    cmdCancel_->setToolTip(QStringLiteral("Annulla filtri e ordinamento"));
    row->addWidget(label_);
    row->addWidget(field_);
    row->addWidget(text_, 1);
    row->addWidget(cmdFind_);
    row->addWidget(cmdFilter_);
    row->addWidget(cmdSort_);
    row->addWidget(cmdCancel_);

    typing_ = new QTimer(this);
    typing_->setSingleShot(true);
    typing_->setInterval(250);
    platform::connectGuarded(typing_, &QTimer::timeout, this, [this] { incrementalSearch(); });
    platform::connectGuarded(text_, &QLineEdit::textEdited, this, [this] { typing_->start(); });
    platform::connectGuarded(cmdFind_, &QPushButton::clicked, this, [this] { SearchNext(true); });
    platform::connectGuarded(cmdFilter_, &QPushButton::clicked, this, [this] { Filter(true); });
    platform::connectGuarded(cmdSort_, &QPushButton::clicked, this, [this] { SortBySearchField(true); });
    platform::connectGuarded(cmdCancel_, &QPushButton::clicked, this, [this] {
        CancelFilter();
        CancelSort();
    });
    setEnabled(false);
}

MubShortSearch::~MubShortSearch() = default;

void MubShortSearch::Bind(std::shared_ptr<datalib::DataSource>& ds) {
    typing_->stop();
    ds_ = ds;
    fieldFilters_.clear();
    complexFilter_.clear();
    baseFilter_ = ds_ ? ds_->Filter() : QString();
    baseSort_ = ds_ ? ds_->SortOrder() : QString();
    const QString previous = SearchField();
    fillFields();
    if (!previous.isEmpty()) SetSearchField(previous);
    setEnabled(ds_ != nullptr);
}

void MubShortSearch::Clear() {
    typing_->stop();
    text_->clear();
    missedText_.clear();
    field_->clear();
}

void MubShortSearch::fillFields() {
    field_->clear();
    if (!ds_) return;
    for (const QString& name : ds_->ColumnNames())
        if (!IsLinkColumn(name)) field_->addItem(name);
}

QStringList MubShortSearch::SearchFields() const {
    QStringList out;
    for (int i = 0; i < field_->count(); ++i) out << field_->itemText(i);
    return out;
}

QString MubShortSearch::SearchText() const { return text_->text(); }
void MubShortSearch::SetSearchText(const QString& text) { text_->setText(text); }
QString MubShortSearch::SearchField() const { return field_->currentText(); }

void MubShortSearch::SetSearchField(const QString& field) {
    for (int i = 0; i < field_->count(); ++i)
        if (field_->itemText(i).compare(field, Qt::CaseInsensitive) == 0) {
            field_->setCurrentIndex(i);
            return;
        }
}

void MubShortSearch::Activate() {
    if (!isVisible() || !isEnabled()) return;
    window()->activateWindow();
    text_->setFocus(Qt::OtherFocusReason);
}

QString MubShortSearch::FontNames() const { return font().family(); }
void MubShortSearch::SetFontNames(const QString& name) {
    QFont f = font();
    f.setFamily(name);
    setFont(f);
}
double MubShortSearch::FontSizeSpin() const { return font().pointSizeF(); }
void MubShortSearch::SetFontSizeSpin(double size) {
    if (size <= 0) return;
    QFont f = font();
    f.setPointSizeF(size);
    setFont(f);
}

void MubShortSearch::showProblem(const QString& message) const {
    platform::messageBox(message, platform::kOkOnly | platform::kExclamation, QString(),
                         const_cast<MubShortSearch*>(this));
}

QString MubShortSearch::FieldCondition(const datalib::DataSource& ds, const QString& field,
                                       const QString& value, bool beginsWith) {
    const datalib::TableDef* table = &ds.tableDef();
    QString column = field;
    const int dot = field.lastIndexOf(QLatin1Char('.'));
    if (dot > 0) {
        // A column reached through another table ("Ordini.Cliente").
        if (const datalib::TableDef* other = ds.Database()->tableDef(field.left(dot))) table = other;
        column = field.mid(dot + 1);
    }
    const std::shared_ptr<datalib::DataSet> set = ds.Database()->Tables(table->name());
    // Only a text column is matched on its beginning: a number, a date, a
    // flag or a reference (a row link or a code) is its value or not, so
    // town 3 is not towns 30 to 39 and price list "DET" is not "DETX".
    const datalib::ColumnDef* c = table->findColumn(column);
    const bool text = c && c->isText();
    const int code = (text && beginsWith) ? datalib::MatchBeginsWith : datalib::MatchEqual;
    return set->BuildFieldCondition(column, core::Variant(value), code);
}

// ---- Sort ------------------------------------------------------------------------------

void MubShortSearch::SortBySearchField(bool ascending) {
    if (!ds_ || SearchField().isEmpty()) return;
    try {
        ds_->SetSortOrder(SearchField() + (ascending ? QString() : QStringLiteral(" DESC")), false);
    } catch (const core::AppError& e) {
        showProblem(QStringLiteral("Impossibile ordinare per il campo ") + SearchField() +
                    QStringLiteral(":\r\r") + e.description());
    }
}

void MubShortSearch::CancelSort() {
    if (!ds_ || ds_->SortOrder() == baseSort_) return;
    try {
        ds_->SetSortOrder(baseSort_, false);
    } catch (const core::AppError& e) {
        showProblem(e.description());
    }
}

// ---- Search ------------------------------------------------------------------------------

bool MubShortSearch::positionOf(qint64 oid, long* position) const {
    const long saved = ds_->Position();
    const bool found = ds_->MoveToKey(core::Variant(static_cast<double>(oid)));
    *position = ds_->Position();
    ds_->MoveTo(saved);
    return found;
}

void MubShortSearch::incrementalSearch() {
    if (!ds_ || SearchText().isEmpty()) return;
    // While typing, a text that does not fit the field (letters in a number
    // field) simply finds nothing.
    bool found = false;
    try {
        const QString condition = FieldCondition(*ds_, SearchField(), SearchText(), true);
        found = ds_->FindFirst(joinAnd({ds_->Filter(), condition}));
    } catch (const core::AppError&) {
    }
    if (found) {
        missedText_.clear();
        emit RowFound(ds_->Position());
        return;
    }
    // Told once while the operator types on past the first letter that
    // matches nothing.
    if (!missedText_.isEmpty() && SearchText().startsWith(missedText_)) return;
    missedText_ = SearchText();
    nothingFound();
}

void MubShortSearch::nothingFound() {
    emit NothingFound();
    QApplication::beep();
}

bool MubShortSearch::FindFirstOf(bool exactly) {
    typing_->stop();
    if (!ds_ || SearchText().isEmpty() || SearchField().isEmpty()) return false;
    const QString condition = FieldCondition(*ds_, SearchField(), SearchText(), !exactly);
    if (!ds_->FindFirst(joinAnd({ds_->Filter(), condition}))) return false;
    missedText_.clear();
    emit RowFound(ds_->Position());
    return true;
}

bool MubShortSearch::SearchFirst() {
    if (!ds_ || SearchText().isEmpty() || SearchField().isEmpty()) {
        typing_->stop();
        return false;
    }
    try {
        if (FindFirstOf(false)) return true;
    } catch (const core::AppError& e) {
        showProblem(e.description());
        return false;
    }
    nothingFound();
    return false;
}

bool MubShortSearch::SearchNext(bool wrap) {
    typing_->stop();
    if (!ds_ || SearchText().isEmpty() || SearchField().isEmpty()) return false;
    try {
        const QString condition = FieldCondition(*ds_, SearchField(), SearchText(), true);
        // The matching rows in the grid's own order: a subsequence of its
        // rows, so their positions grow with their index and the first one
        // after the current row is found by halving.
        auto hits =
            ds_->Table()->OpenDataSource(joinAnd({ds_->EffectiveFilter(), condition}), ds_->SortOrder());
        const long count = hits->RowCount();
        if (count == 0) {
            nothingFound();
            return false;
        }
        const int oidColumn = hits->ColumnIndex(QStringLiteral("OID"));
        const long current = ds_->Position();
        auto hitPosition = [&](long i) {
            long p = -1;
            positionOf(static_cast<qint64>(hits->ValueAt(i, oidColumn).toDouble()), &p);
            return p;
        };
        long lo = 0, hi = count;  // first index whose position is after the current row
        while (lo < hi) {
            const long mid = lo + (hi - lo) / 2;
            if (hitPosition(mid) > current)
                hi = mid;
            else
                lo = mid + 1;
        }
        long target = -1;
        if (lo < count)
            target = hitPosition(lo);
        else if (wrap)
            target = hitPosition(0);
        if (target < 0) {
            nothingFound();
            return false;
        }
        ds_->MoveTo(target);
    } catch (const core::AppError& e) {
        showProblem(e.description());
        return false;
    }
    emit RowFound(ds_->Position());
    return true;
}

// ---- Filters ------------------------------------------------------------------------------

QString MubShortSearch::ControlFilter() const {
    QStringList parts = fieldFilters_.values();
    parts << complexFilter_;
    return joinAnd(parts);
}

void MubShortSearch::applyFilters() { ds_->SetFilter(joinAnd({baseFilter_, ControlFilter()})); }

bool MubShortSearch::Filter(bool) {
    typing_->stop();
    if (!ds_ || SearchField().isEmpty()) return false;
    const auto saved = fieldFilters_;
    const QString key = SearchField().toLower();
    try {
        if (SearchText().isEmpty())
            fieldFilters_.remove(key);
        else
            fieldFilters_.insert(key, FieldCondition(*ds_, SearchField(), SearchText(), true));
        applyFilters();
    } catch (const core::AppError& e) {
        fieldFilters_ = saved;
        showProblem(QStringLiteral("Filtro non applicabile al campo ") + SearchField() +
                    QStringLiteral(":\r\r") + e.description());
        return false;
    }
    return true;
}

void MubShortSearch::CancelFieldFilter() {
    if (!ds_ || !fieldFilters_.remove(SearchField().toLower())) return;
    try {
        applyFilters();
    } catch (const core::AppError& e) {
        showProblem(e.description());
    }
}

void MubShortSearch::CancelFilter() {
    if (!ds_ || (fieldFilters_.isEmpty() && complexFilter_.isEmpty())) return;
    fieldFilters_.clear();
    complexFilter_.clear();
    try {
        applyFilters();
    } catch (const core::AppError& e) {
        showProblem(e.description());
    }
}

bool MubShortSearch::ComplexFilter() {
    if (!ds_) return false;
    ComplexFilterDialog dialog(*ds_, SearchFields(), this);
    if (!runSearchDialog(dialog)) return false;
    const QString saved = complexFilter_;
    try {
        complexFilter_ = dialog.Condition();
        applyFilters();
    } catch (const core::AppError& e) {
        complexFilter_ = saved;
        showProblem(QStringLiteral("Filtro non applicabile:\r\r") + e.description());
        return false;
    }
    return true;
}

bool MubShortSearch::CombinedSort() {
    if (!ds_) return false;
    CombinedSortDialog dialog(SearchFields(), this);
    dialog.SetCriterion(ds_->SortOrder());
    connect(&dialog, &CombinedSortDialog::defaultRequested, this, [this, &dialog] {
        QString criterion;
        bool handled = false;
        emit QueryDefaultSort(criterion, handled);
        if (handled) dialog.SetCriterion(criterion);
    });
    connect(&dialog, &CombinedSortDialog::storeDefaultRequested, this, [this, &dialog] {
        bool handled = false;
        emit DefaultSortChanged(dialog.Criterion(), handled);
    });
    if (!runSearchDialog(dialog)) return false;
    try {
        ds_->SetSortOrder(dialog.Criterion().isEmpty() ? baseSort_ : dialog.Criterion(), false);
    } catch (const core::AppError& e) {
        showProblem(QStringLiteral("Ordinamento non applicabile:\r\r") + e.description());
        return false;
    }
    return true;
}

// ---- Keys ---------------------------------------------------------------------------------

bool MubShortSearch::eventFilter(QObject* watched, QEvent* event) {
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            // Enter finds the typed text, then hands the input back to the grid.
            if (typing_->isActive()) SearchFirst();
            emit InputReturned(13, 0);
            return true;
        }
        if (plain && (key->key() == Qt::Key_Down || key->key() == Qt::Key_PageDown)) {
            if (typing_->isActive()) SearchFirst();
            emit InputReturned(key->key() == Qt::Key_Down ? 40 : 34, 0);
            return true;
        }
        if (key->key() == Qt::Key_F3 && key->modifiers() == Qt::NoModifier) {
            SearchNext(true);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace controls
