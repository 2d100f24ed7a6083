#include "controls/FieldSequence.h"

#include "controls/SearchDialogs.h"
#include "platform/ui/GuardedApplication.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace controls {

bool EditFieldList(QWidget* parent, const QStringList& available, QString& fields, const QString& title) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmFieldList"));
    dialog.setWindowTitle(title);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("lstFields"));
    // The listed columns first, ticked and in their order; then the others.
    QStringList chosen;
    for (const QString& field : fields.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (available.contains(field.trimmed(), Qt::CaseInsensitive)) chosen << field.trimmed();
    QStringList order = chosen;
    for (const QString& column : available)
        if (!order.contains(column, Qt::CaseInsensitive)) order << column;
    for (const QString& column : order) {
        auto* item = new QListWidgetItem(column, list);
        const bool ticked = chosen.isEmpty() || chosen.contains(column, Qt::CaseInsensitive);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    }
    list->setCurrentRow(0);

    auto* up = new QPushButton(QStringLiteral("&Su"), &dialog);
    up->setObjectName(QStringLiteral("cmdUp"));
    auto* down = new QPushButton(QStringLiteral("&Giù"), &dialog);
    down->setObjectName(QStringLiteral("cmdDown"));
    const auto move = [list](int by) {
        const int row = list->currentRow();
        const int to = row + by;
        if (row < 0 || to < 0 || to >= list->count()) return;
        QListWidgetItem* item = list->takeItem(row);
        list->insertItem(to, item);
        list->setCurrentRow(to);
    };
    platform::connectGuarded(up, &QPushButton::clicked, list, [move] { move(-1); });
    platform::connectGuarded(down, &QPushButton::clicked, list, [move] { move(1); });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Ok"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Annulla"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* side = new QVBoxLayout;
    side->addWidget(up);
    side->addWidget(down);
    side->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(list, 1);
    row->addLayout(side);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(row);
    layout->addWidget(buttons);
    if (parent) dialog.setFont(parent->font());

    if (!runSearchDialog(dialog)) return false;
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->checkState() == Qt::Checked) result << list->item(i)->text();
    fields = result.join(QLatin1Char(','));
    return true;
}

}  // namespace controls
