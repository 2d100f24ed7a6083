// The browser's commands on the view: the totals menu, the commands on the
// current column and on the stored selections, and the commands a menu
// defers until it has closed.

#include "mainwindow/MainBrowser.h"

#include "mainwindow/MainBrowserShared.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/MubShortSearch.h"
#include "controls/ViewUtility.h"
#include "datalib/DataSource.h"
#include "datalib/Relations.h"
#include "datalib/SelectionCriteria.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace mainwindow {

using controls::DataGridModel;
using detail::applicationTitle;

// ---- Totals -------------------------------------------------------------------------------

QList<QAction*> MainBrowser::mnuTotalItems() const {
    QList<QAction*> items;
    bool after = false;
    for (QAction* a : w_.mnuTotal->actions()) {
        if (a == w_.mnuTotalHeading) after = true;
        if (after) items << a;
    }
    return items;
}

void MainBrowser::RefreshTotalsMenu() {
    if (mnuTotalItems().size() > 1 || !curDS_) return;
    for (const QString& name : curDS_->ColumnNames()) {
        const datalib::ColumnDef* def = curDS_->tableDef().findColumn(name);
        if (!def || !def->isMoney() || !def->flag) continue;
        QAction* item = w_.mnuTotal->addAction(name);
        item->setEnabled(true);
        const int index = int(mnuTotalItems().size()) - 1;
        item->setProperty("Index", index);
        platform::connectGuarded(item, &QAction::triggered, this,
                                 [this, index] { mnuTotalItems_Click(index); });
    }
}

void MainBrowser::mnuTotalCount_Click() {
    if (!curDS_) return;
    platform::messageBox(QString::number(curDS_->RowCount(true)) + QStringLiteral(" Elementi."),
                         platform::kOkOnly, QString(), window_);
}

void MainBrowser::mnuTotalItems_Click(int index) {
    const QList<QAction*> items = mnuTotalItems();
    if (!curDS_ || index < 1 || index >= items.size()) return;
    const QString column = items[index]->text();
    try {
        const core::Variant sum = curDS_->CalculateColValue(column, datalib::odbcSum);
        const datalib::ColumnDef* def = curDS_->tableDef().findColumn(column);
        QString text = DataGridModel::displayText(def, sum);
        if (text.isEmpty()) text = DataGridModel::displayText(def, core::Variant(0.0));
        platform::messageBox(
            QStringLiteral("Totale < ") + datalib::SplitAtCapitals(column) + QStringLiteral(" >\r\r") + text,
            platform::kOkOnly, QString(), window_);
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
}

// ---- Deferred commands -----------------------------------------------------------------------

void MainBrowser::DeferRelationCommand(const QString& command) {
    // Only for a row that is there: a relation of no row would show nothing.
    if (!curDS_ || curDS_->DataEmpty() || !curDS_->RowValid()) return;
    w_.tmFunc->setProperty("Tag", command);
    w_.tmFunc->start();
}

void MainBrowser::tmFunc_Timer() {
    if (tmFuncBusy_) return;
    const QString tag = w_.tmFunc->property("Tag").toString();
    w_.tmFunc->stop();
    w_.tmFunc->setProperty("Tag", QString());
    tmFuncBusy_ = true;
    RunDeferred(tag);
    tmFuncBusy_ = false;
}

void MainBrowser::RunDeferred(const QString& tag) {
    static const char* const relations[] = {"mnuContItem(", "mnuRefItem(", "mnuReferencedItem("};
    for (const char* prefix : relations) {
        const QString p = QString::fromLatin1(prefix);
        if (tag.startsWith(p)) {
            const int number =
                int(std::clamp(tag.mid(p.size()).section(QLatin1Char(')'), 0, 0).toInt(), -32768, 32767));
            emit openRelation(p.chopped(1), number);
            return;
        }
    }
    if (tag == QLatin1String("mnuFilterComplex"))
        w_.MubShortSearch->ComplexFilter();
    else if (tag == QLatin1String("mnuOrderComplex"))
        w_.MubShortSearch->CombinedSort();
}

// ---- Current column and stored selections -----------------------------------------------------

// The current column's field and the current cell's value as the quick
// search reads it; false (and a beep) when the grid has no current cell.
bool MainBrowser::currentField(QString& field, QString& value) const {
    if (!curDS_) return false;
    const QModelIndex cell = w_.dgView->currentIndex();
    if (cell.isValid()) field = w_.dgView->gridModel()->fieldOf(cell.column());
    if (!cell.isValid() || field.isEmpty()) {
        QApplication::beep();
        return false;
    }
    value = w_.dgView->gridModel()->searchText(cell);
    return true;
}

bool MainBrowser::searchOnCurrentField(bool withText) {
    QString field, value;
    if (!currentField(field, value)) return false;
    w_.MubShortSearch->SetSearchField(field);
    if (withText) w_.MubShortSearch->SetSearchText(value);
    return true;
}

void MainBrowser::mnuFieldFilter_Click() {
    if (searchOnCurrentField(true)) w_.MubShortSearch->Filter(true);
}

void MainBrowser::mnuFieldSearchNext_Click() {
    if (searchOnCurrentField(true)) w_.MubShortSearch->SearchNext(true);
}

void MainBrowser::mnuFieldFilterCancel_Click() {
    if (searchOnCurrentField(false)) w_.MubShortSearch->CancelFieldFilter();
}

void MainBrowser::mnuFieldFilterCancelAll_Click() { w_.MubShortSearch->CancelFilter(); }

void MainBrowser::mnuDataSelBeforeQuery_Click() {
    if (!curDS_) return;
    const QString name = w_.tvTreeView->currentItem() ? w_.tvTreeView->currentItem()->text(0) : QString();
    try {
        selectionFor(name, curDS_->tableDef());
        if (selection_->Name() != name) selection_->Load(name);
        if (!controls::ViewUtility::SelectionDialog(*selection_, window_, true, false, true,
                                                    QStringLiteral("Selezioni predefinite"), 0, 0))
            return;
        selection_->Save(name);
        w_.mnuDataSelBeforeQuery->setChecked(true);
        platform::messageBox(
            QStringLiteral(
                "Selezioni predefinite impostate.\r\rN.B.: Tali impostazioni vengono considerate solo se i "
                "dati che si stanno visualizzando non prevedono ulteriori selezioni (Data.., etc.)"),
            platform::kOkOnly | platform::kInformation, applicationTitle(), window_);
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
}

void MainBrowser::mnuDataSelCancel_Click() {
    if (!curDS_) return;
    const QString name = w_.tvTreeView->currentItem() ? w_.tvTreeView->currentItem()->text(0) : QString();
    try {
        selectionFor(name, curDS_->tableDef());
        if (selection_->Exists(name)) {
            selection_->Delete(name);
            platform::messageBox(QStringLiteral("Selezioni predefinite eliminate."), platform::kOkOnly,
                                 applicationTitle(), window_);
        }
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
    selection_.reset();
    w_.mnuDataSelBeforeQuery->setChecked(false);
}

}  // namespace mainwindow
