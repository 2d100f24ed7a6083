#include "controls/SearchDialogs.h"

#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/SelectionDialog.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/FieldMatch.h"
#include "datalib/SelectionCriteria.h"
#include "platform/ui/GuardedApplication.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace controls {

namespace {

std::function<bool(QDialog&)>& dialogHook() {
    static std::function<bool(QDialog&)> hook;
    return hook;
}

const int kCodes[] = {datalib::MatchEqual,     datalib::MatchNotEqual,   datalib::MatchGreaterEqual,
                      datalib::MatchLessEqual, datalib::MatchBeginsWith, datalib::MatchContains};

QDialogButtonBox* okCancel(QDialog* dialog) {
    auto* buttons = new QDialogButtonBox(dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

bool runSearchDialog(QDialog& dialog) {
    if (dialogHook()) return dialogHook()(dialog);
    return dialog.exec() == QDialog::Accepted;
}

void setSearchDialogHook(std::function<bool(QDialog&)> hook) { dialogHook() = std::move(hook); }

// ---- Complex filter ------------------------------------------------------------------

const QStringList& ComplexFilterDialog::Comparisons() {
    static const QStringList list{QStringLiteral("="),          QStringLiteral("<>"),
                                  QStringLiteral(">="),         QStringLiteral("<="),
                                  QStringLiteral("inizia con"), QStringLiteral("contiene")};
    return list;
}

ComplexFilterDialog::ComplexFilterDialog(const datalib::DataSource& ds, const QStringList& fields,
                                         QWidget* parent)
    : QDialog(parent), ds_(ds) {
    setObjectName(QStringLiteral("frmComplexFilter"));
    setWindowTitle(QStringLiteral("Filtro complesso"));
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(
        new QLabel(QStringLiteral("Visualizza i dati che soddisfano tutte le condizioni:"), this));
    rows_ = new CriteriaRows(fields, std::vector<int>(std::begin(kCodes), std::end(kCodes)), kRows, this);
    outer->addWidget(rows_);
    outer->addWidget(okCancel(this));
}

void ComplexFilterDialog::SetCondition(int row, const QString& field, int comparison, const QString& value) {
    rows_->SetRow(row, field, comparison, value);
}

QString ComplexFilterDialog::Condition() const {
    datalib::SelectionCriteria selection(ds_.Database(), ds_.tableDef());
    rows_->Store(selection);
    return selection.CombinedText();
}

// ---- Combined sort ----------------------------------------------------------------------

CombinedSortDialog::CombinedSortDialog(const QStringList& fields, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCombinedSort"));
    setWindowTitle(QStringLiteral("Ordinamento combinato"));
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    for (int i = 0; i < kLevels; ++i) {
        Level l;
        l.field = new QComboBox(this);
        l.field->addItem(QString());
        l.field->addItems(fields);
        l.direction = new QComboBox(this);
        l.direction->addItems({QStringLiteral("Crescente"), QStringLiteral("Decrescente")});
        grid->addWidget(new QLabel(i == 0 ? QStringLiteral("Ordina per:") : QStringLiteral("poi per:"), this),
                        i, 0);
        grid->addWidget(l.field, i, 1);
        grid->addWidget(l.direction, i, 2);
        levels_.push_back(l);
    }
    outer->addLayout(grid);
    auto* defaults = new QHBoxLayout;
    auto* load = new MubCommand(QStringLiteral("&Predefinito"), this);
    load->setObjectName(QStringLiteral("cmdDefaultSort"));
    load->setToolTip(QStringLiteral("Propone il criterio di ordinamento predefinito"));
    auto* store = new MubCommand(QStringLiteral("&Memorizza come predefinito"), this);
    store->setObjectName(QStringLiteral("cmdStoreDefaultSort"));
    store->setToolTip(QStringLiteral("Memorizza questo criterio come ordinamento predefinito dei dati"));
    defaults->addWidget(load);
    defaults->addWidget(store);
    defaults->addStretch(1);
    outer->addLayout(defaults);
    outer->addWidget(okCancel(this));
    platform::connectGuarded(load, &QPushButton::clicked, this, &CombinedSortDialog::defaultRequested);
    platform::connectGuarded(store, &QPushButton::clicked, this, &CombinedSortDialog::storeDefaultRequested);
}

QString CombinedSortDialog::Criterion() const {
    QStringList parts;
    for (const Level& l : levels_) {
        if (l.field->currentText().isEmpty()) continue;
        parts << l.field->currentText() +
                     (l.direction->currentIndex() == 1 ? QStringLiteral(" DESC") : QString());
    }
    return parts.join(QLatin1Char(','));
}

void CombinedSortDialog::SetLevel(int level, const QString& field, bool descending) {
    Level& l = levels_.at(static_cast<size_t>(level));
    l.field->setCurrentIndex(std::max(0, l.field->findText(field, Qt::MatchFixedString)));
    l.direction->setCurrentIndex(descending ? 1 : 0);
}

void CombinedSortDialog::SetCriterion(const QString& criterion) {
    const QStringList parts = criterion.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int i = 0; i < kLevels; ++i) {
        if (i >= parts.size()) {
            SetLevel(i, QString(), false);
            continue;
        }
        QString part = parts[i].trimmed();
        bool desc = false;
        if (part.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            desc = true;
            part.chop(5);
        } else if (part.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            part.chop(4);
        }
        SetLevel(i, part.trimmed(), desc);
    }
}

}  // namespace controls
