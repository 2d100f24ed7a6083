#pragma once
// The browsing part with the window's commands and relation menus, over a
// fresh agent database: a few customers, agents, orders and suppliers.

#include "BrowserFixture.h"

#include "controls/DataGrid.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "core/Date.h"
#include "datalib/DataSet.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PeriodSelection.h"
#include "mainwindow/RelationMenus.h"

#include <QApplication>
#include <QPointer>
#include <QTreeWidget>

namespace mwtest {

// The library's notices as the main window would show them (the table
// classes' refusals among them), recorded.
struct NoticeSink : datalib::itfNotifyEvent {
    QStringList shown;
    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString& message) override { shown << message; }
    void OnQueryMessage(int, int, QString&, bool& answer) override { answer = false; }
};

class CommandsTest : public BrowserTest {
  protected:
    void SetUp() override {
        BrowserTest::SetUp();
        db->setNotifySink(&notices);
        commands = new mainwindow::MainCommands(&window, browser);
    }
    void TearDown() override {
        db->setNotifySink(&data->sink());
        controls::setSearchDialogHook({});
        mainwindow::MainCommands::SetDateDialog({});
        mainwindow::MainCommands::SetRangeDialog({});
        // Deleting a window may delete others of the list: guarded pointers.
        QList<QPointer<controls::BrowseWindow>> open;
        for (controls::BrowseWindow* w : browseWindows()) open << w;
        for (const auto& w : open) delete w.data();
        BrowserTest::TearDown();
    }

    // Opens the view of a tree node by its key.
    void openView(const QString& key) {
        browser->SetTreeViewNodes();
        QTreeWidget* tree = browser->Widgets().tvTreeView;
        tree->setCurrentItem(mainwindow::NodeByKey(tree, key));
        browser->RefreshDetailView();
    }
    // Moves the grid (and the data source) to a row.
    void gridRow(int row) {
        controls::DataGrid* grid = browser->Widgets().dgView;
        grid->setCurrentIndex(grid->model()->index(row, 0));
    }
    void insert(const QString& table, const std::vector<core::Variant>& pairs) {
        db->OpenDataSource(table)->InsertFromPairs(pairs);
    }
    static core::Variant v(const char* text) { return core::Variant(QString::fromUtf8(text)); }
    void addAgent(const char* code) {
        insert("Agenti", {v("Codice"), v(code), v("RagioneSociale"), v(code)});
    }
    void addCustomer(const char* code, const char* name, const char* agent) {
        insert("Clienti", {v("Codice"), v(code), v("RagioneSociale"), v(name), v("Agente"), v(agent)});
    }
    long rows(const QString& table, const QString& filter = {}) {
        return db->OpenDataSource(table, filter)->RowCount();
    }
    QList<controls::BrowseWindow*> browseWindows() const {
        QList<controls::BrowseWindow*> out;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<controls::BrowseWindow*>(w)) out << b;
        return out;
    }

    mainwindow::MainCommands* commands = nullptr;
    NoticeSink notices;
};

}  // namespace mwtest
