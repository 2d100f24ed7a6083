// The commands on the view's rows: a new row or order, opening the current
// row (in the order window or its panel), deleting the selected rows, and
// printing the view and labels of its rows.

#include "mainwindow/MainCommands.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/Relations.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/NavigationTree.h"
#include "platform/ui/MessageBox.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>
#include <QTreeWidget>

#include <algorithm>
#include <utility>
#include <vector>

namespace mainwindow {

// ---- New, open, delete ---------------------------------------------------------------------

void MainCommands::mnuFileNew_Click() {
    const auto ds = currentDS();
    if (!ds || selectedNodeKey().contains(QLatin1String("Lista "))) {
        QApplication::beep();
        return;
    }
    if (ds->tableDef().name() == QLatin1String("Ordini")) {
        mnuNewOrder_Click();
        return;
    }
    try {
        const core::Variant key = controls::ViewObject(ds, window_).EditNew();
        if (key.isEmpty()) return;
        ds->Requery();
        ds->MoveToKey(key);
        browser_->Widgets().dgView->FollowDataSource();
    } catch (const core::AppError&) {
        // The library and the panel told the operator already.
    }
}

void MainCommands::mnuNewOrder_Click() {
    if (!newOrder) return;
    try {
        QTreeWidget* tree = browser_->Widgets().tvTreeView;
        if (QTreeWidgetItem* node = NodeByKey(tree, QStringLiteral("Ordini da Inviare")))
            browser_->ShowNode(node);
    } catch (...) {
    }
    try {
        newOrder(window_);
    } catch (...) {
    }
}

void MainCommands::ViewEditData(bool force) {
    controls::DataGrid* grid = browser_->Widgets().dgView;
    const auto ds = currentDS();
    if (!grid->isVisible() || !ds || !ds->RowValid()) {
        QApplication::beep();
        return;
    }
    const qint64 bookmark = grid->Bookmark();
    if (!bookmark) {
        QApplication::beep();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        if (ds->OID() != bookmark) ds->MoveToKey(core::Variant(double(bookmark)));
        if (ds->RowValid()) {
            bool toOrder = false;
            if (ds->tableDef().name() == QLatin1String("Ordini"))
                toOrder = force || !ds->ColValueBool(QStringLiteral("Completato")) ||
                          !ds->ColValueBool(QStringLiteral("NonModificabile"));
            QApplication::restoreOverrideCursor();
            if (toOrder && editOrder && datalib::AllowsChanges(*ds))
                editOrder(window_, ds);
            else
                controls::ViewObject(ds, window_).EditCurrent(QString(), true, true);
            QApplication::setOverrideCursor(Qt::WaitCursor);
            ds->invalidate();
            grid->viewport()->update();
        }
    } catch (const core::AppError&) {
        // Told by the library or the window that failed.
    }
    QApplication::restoreOverrideCursor();
}

void MainCommands::mnuFileDelete_Click() {
    controls::DataGrid* grid = browser_->Widgets().dgView;
    const auto ds = currentDS();
    if (!ds || !grid->Bookmark()) {
        QApplication::beep();
        return;
    }
    if (!datalib::AllowsDeletion(*ds)) {
        platform::messageBox(QStringLiteral("Utente non abilitato per questa operazione"),
                             platform::kOkOnly | platform::kInformation, QString(), window_);
        QApplication::beep();
        return;
    }
    if (platform::messageBox(QStringLiteral("Confermi l'eliminazione dei dati selezionati ?"),
                             platform::kOkCancel | platform::kQuestion, QString(),
                             window_) != platform::kAnswerOk)
        return;

    // The selected rows in the grid's order.
    std::vector<std::pair<int, qint64>> rows;
    for (const QModelIndex& i : grid->selectionModel()->selectedRows())
        rows.emplace_back(i.row(), grid->gridModel()->bookmarkOf(i.row()));
    std::sort(rows.begin(), rows.end());

    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool messageShown = false;
    try {
        if (rows.size() < 2) {
            if (ds->MoveToKey(core::Variant(double(grid->Bookmark()))) && ds->RowValid()) ds->DeleteRow();
        } else {
            startup::frmMessage* message = startup::frmMessage::instance();
            message->ShowMsg(QStringLiteral("Eliminazione in corso..."), window_, -1, -1);
            messageShown = true;
            message->StartProgress(long(rows.size()), true);
            for (const auto& [row, bookmark] : rows) {
                if (!message->Progress()) {
                    // A stop ends the loop here; the rows deleted so far stay deleted.
                    platform::messageBox(QStringLiteral("Operazione interrotta"),
                                         platform::kOkOnly | platform::kExclamation, QString(), window_);
                    break;
                }
                if (!ds->MoveToKey(core::Variant(double(bookmark))) || !ds->RowValid()) continue;
                ds->DeleteRow();  // a refusal raises: the loop ends after its message
            }
        }
    } catch (...) {
        const core::AppError error = startup::CurrentError();
        if (!error.cancelled() && !datalib::errors::isCancel(error)) {
            if (messageShown) startup::frmMessage::Unload();
            messageShown = false;
            QApplication::restoreOverrideCursor();
            startup::ShowError(error, QString(), window_);
            QApplication::setOverrideCursor(Qt::WaitCursor);
        }
    }
    if (messageShown) startup::frmMessage::Unload();
    grid->gridModel()->reload();
    grid->FollowDataSource();
    QApplication::restoreOverrideCursor();
}

void MainCommands::FreeAreaDoubleClick() {
    const auto ds = currentDS();
    if (!ds || !ds->RowValid()) return;
    try {
        controls::ViewObject(ds, window_).EditCurrent();
        ds->invalidate();
        browser_->Widgets().dgView->viewport()->update();
    } catch (...) {
    }
}

// ---- Printing --------------------------------------------------------------------------------

bool MainCommands::printView(int mode) {
    const auto ds = currentDS();
    if (!ds || (mode == 2 && !browser_->Widgets().dgView->isVisible()) || !printPredefinedReport) {
        QApplication::beep();
        return true;
    }
    QString title = browser_->Widgets().lblTitle[1]->text();
    if (title == ds->tableDef().name() ||
        title == browser_->Widgets().lblTitle[1]->property("Tag").toString())
        title.clear();
    return printPredefinedReport(ds, mode, selectedNodeKey(), title);
}

void MainCommands::mnuPrintLabel_Click() {
    const auto ds = currentDS();
    if (!ds || ds->Bof() || ds->Eof()) {
        platform::messageBox(QStringLiteral("Devi selezionare i dati per i quali stampare le etichette."),
                             platform::kOkOnly | platform::kInformation, QString(), window_);
        return;
    }
    controls::DataGrid* grid = browser_->Widgets().dgView;
    std::vector<qint64> bookmarks = grid->SelectedBookmarks();
    if (!ds->DataEmpty() && bookmarks.empty() && grid->Bookmark()) bookmarks.push_back(grid->Bookmark());
    if (printLabels) printLabels(window_, ds, bookmarks);
}

void MainCommands::reportSetting(const QString& table, bool notes, const QString& reports) {
    if (editReportSetting) editReportSetting(window_, table, notes, reports);
}

}  // namespace mainwindow
