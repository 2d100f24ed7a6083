#include "controls/SelectionDialog.h"

#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "datalib/Definitions.h"
#include "datalib/FieldMatch.h"
#include "datalib/SelectionCriteria.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace controls {

namespace {

QString comparisonName(int code) {
    const auto& codes = datalib::SelectionCriteria::ComparisonCodes();
    const auto at = std::find(codes.begin(), codes.end(), code);
    return at == codes.end() ? QString::number(code)
                             : datalib::SelectionCriteria::ComparisonNames().value(int(at - codes.begin()));
}

}  // namespace

CriteriaRows::CriteriaRows(const QStringList& fields, const std::vector<int>& codes, int rows,
                           QWidget* parent)
    : QWidget(parent), codes_(codes) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Campo"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Confronto"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Valore"), this), 0, 2);
    const bool range = std::find(codes_.begin(), codes_.end(), int(datalib::MatchRange)) != codes_.end();
    if (range) grid->addWidget(new QLabel(QStringLiteral("fino a"), this), 0, 3);
    for (int i = 0; i < rows; ++i) {
        Row r;
        r.field = new QComboBox(this);
        r.field->addItems(fields);
        r.comparison = new QComboBox(this);
        for (int code : codes_) r.comparison->addItem(comparisonName(code));
        r.value = new QLineEdit(this);
        grid->addWidget(r.field, i + 1, 0);
        grid->addWidget(r.comparison, i + 1, 1);
        grid->addWidget(r.value, i + 1, 2);
        if (range) {
            r.value2 = new QLineEdit(this);
            r.value2->setEnabled(false);
            grid->addWidget(r.value2, i + 1, 3);
            QLineEdit* second = r.value2;
            QComboBox* comparison = r.comparison;
            platform::connectGuarded(comparison, &QComboBox::currentIndexChanged, second,
                                     [this, second](int index) {
                                         second->setEnabled(index >= 0 && size_t(index) < codes_.size() &&
                                                            codes_[size_t(index)] == datalib::MatchRange);
                                     });
        }
        rows_.push_back(r);
    }
}

void CriteriaRows::SetRow(int row, const QString& field, int comparison, const QString& value,
                          const QString& value2) {
    Row& r = rows_.at(size_t(row));
    r.field->setCurrentIndex(std::max(0, r.field->findText(field, Qt::MatchFixedString)));
    r.comparison->setCurrentIndex(comparison);
    r.value->setText(value);
    if (r.value2) r.value2->setText(value2);
}

void CriteriaRows::Load(const datalib::SelectionCriteria& selection) {
    int i = 0;
    for (const datalib::FieldCriterion& c : selection.Criteria()) {
        if (i >= RowCount()) break;
        const auto at = std::find(codes_.begin(), codes_.end(), c.code);
        SetRow(i++, c.column, at == codes_.end() ? 0 : int(at - codes_.begin()),
               c.value.isEmptyOrNull() ? QString() : c.value.toString(),
               c.value2.isEmptyOrNull() ? QString() : c.value2.toString());
    }
    for (; i < RowCount(); ++i) SetRow(i, QString(), 0, QString());
}

void CriteriaRows::Store(datalib::SelectionCriteria& selection) const {
    selection.ResetCriteria();
    for (const Row& r : rows_) {
        const QString value = r.value->text().trimmed();
        if (value.isEmpty() || r.field->currentText().isEmpty()) continue;
        const int code =
            codes_.at(size_t(std::clamp(r.comparison->currentIndex(), 0, int(codes_.size()) - 1)));
        core::Variant second;
        if (code == datalib::MatchRange && r.value2 && !r.value2->text().trimmed().isEmpty())
            second = core::Variant(r.value2->text().trimmed());
        selection.AddFieldCriterion(r.field->currentText(), code, core::Variant(value), second);
    }
}

SelectionDialog::SelectionDialog(datalib::SelectionCriteria& selection, const QString& caption,
                                 QWidget* parent)
    : QDialog(parent), selection_(selection) {
    setObjectName(QStringLiteral("frmSelection"));
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Selezione") : caption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("Visualizza i dati che soddisfano tutte le condizioni:"), this));
    QStringList fields;
    const datalib::TableDef& t = selection.table();
    for (int i = 0; i < t.columns.Count(); ++i) fields << t.columns.Item(i).name;
    for (int i = 0; i < t.references.Count(); ++i)
        if (!t.references.Item(i).collection) fields << t.references.Item(i).name;
    rows_ = new CriteriaRows(fields, datalib::SelectionCriteria::ComparisonCodes(), 5, this);
    rows_->Load(selection);
    layout->addWidget(rows_);
    layout->addWidget(new QLabel(QStringLiteral("Condizione libera (anche):"), this));
    condition_ = new QPlainTextEdit(this);
    condition_->setObjectName(QStringLiteral("txtCondition"));
    condition_->setTabChangesFocus(true);
    condition_->setMaximumHeight(80);
    condition_->setPlainText(selection.ConditionText());
    layout->addWidget(condition_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    platform::connectGuarded(buttons, &QDialogButtonBox::accepted, this, &SelectionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void SelectionDialog::accept() {
    datalib::SelectionCriteria written(selection_.database(), selection_.table());
    try {
        rows_->Store(written);
        written.SetConditionText(condition_->toPlainText());
        written.Check();
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kOkOnly | platform::kExclamation, QString(), this);
        return;
    }
    written.SetName(selection_.Name());
    selection_ = written;
    QDialog::accept();
}

bool ViewUtility::SelectionDialog(datalib::SelectionCriteria& selection, QWidget* owner, bool, bool, bool,
                                  const QString& caption, int, int) {
    controls::SelectionDialog dialog(selection, caption, owner);
    return runSearchDialog(dialog);
}

}  // namespace controls
