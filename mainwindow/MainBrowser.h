#pragma once
// The browsing part of the main window: the navigation tree beside the data
// grid with the quick search above it, the title strip with the hide button
// of the section, the splitter between them, the section buttons, the status
// bar's text, the totals menu and the keys of the window. It builds the data
// view of the selected tree node (`RefreshDetailView`) and keeps the current
// data source, its grid settings and the view's state.
//
// The commands that act on a row (open, new, delete) and the relation menus
// belong to other parts of the window; they connect to the signals below.

#include "mainwindow/MainBrowserWidgets.h"
#include "mainwindow/MainLayout.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QKeyEvent;
class QMainWindow;
class QTreeWidgetItem;
class QWidget;

namespace datalib {
class Database;
class DataSource;
class SelectionCriteria;
class TableDef;
}  // namespace datalib

namespace controls {
class ViewGridSettings;
}

namespace mainwindow {

// The status text of a data-library event: the event's text, and " <" text
// ">..." when a text is given.
QString EventStatusText(int code, const QString& text);
// A question of the data library in an OK/Cancel box titled with the
// software name (a warning icon for kind 3, else a question icon; Cancel
// proposed when answer is true on entry). answer comes back false for OK,
// true otherwise, as the data library expects.
void AskLibraryQuestion(int kind, const QString& question, bool& answer, QWidget* parent);

class MainBrowser : public QObject {
    Q_OBJECT
  public:
    // Builds the browsing widgets into the window (its central widget and
    // menus). statusText writes the first panel of the status bar.
    MainBrowser(QMainWindow* window, std::function<void(const QString&)> statusText);
    ~MainBrowser() override;

    // The open database (by default the program's); null while none is open.
    void SetDatabaseSource(std::function<std::shared_ptr<datalib::Database>()> source);
    // The open database the views are built on; null while none is open.
    std::shared_ptr<datalib::Database> OpenedDatabase() const { return database(); }

    // ---- Tree, view, layout -----------------------------------------------------
    void SetTreeViewNodes();
    void RefreshDetailView();
    // Lays the working area out from a requested splitter position (0 hides
    // the section, -1 shows it again).
    void ArrangeMainWindow(double splitPos);
    void BuildSectionButtons();
    void mnuHideSection_Click();
    // Releases the current view (before the database closes).
    void ReleaseView();
    void SetStatusMsg(const QString& text);
    // Writes the grid settings of the current view when they changed.
    void SaveGridSettings();

    // ---- The data library's notifications -----------------------------------------
    void OnEvent(int code, const QString& text);
    void OnInternalMessage(const QString& message);
    void OnQueryMessage(int kind, const QString& question, bool& answer);

    // ---- Totals -----------------------------------------------------------------------
    void RefreshTotalsMenu();
    void mnuTotalCount_Click();
    void mnuTotalItems_Click(int index);

    // ---- Keys -----------------------------------------------------------------------
    // The grid's key handling (also for the tree): Enter, Insert, keypad plus
    // and Delete without Shift, Ctrl or Alt; consumed when handled.
    void GridKeyDown(int keyCode, int shift, bool& consumed);
    // The window's key preview; true when the key was consumed.
    bool PreviewKey(QKeyEvent* event);

    // Runs a command chosen in a menu once the menu has closed (the one-shot
    // timer `tmFunc`): "mnuFilterComplex", "mnuOrderComplex", or a relation
    // command "mnuRefItem(n)", "mnuContItem(n)", "mnuReferencedItem(n)".
    void RunDeferred(const QString& tag);
    // A relation menu's entry was chosen ("mnuRefItem(3)"): deferred to the
    // timer when the view holds rows.
    void DeferRelationCommand(const QString& command);
    void tmFunc_Timer();

    // ---- Current column and stored selections ------------------------------------------
    // The current column's field and the current cell's value to the quick
    // search, then its filter or its find-next.
    void mnuFieldFilter_Click();
    void mnuFieldSearchNext_Click();
    void mnuFieldFilterCancel_Click();
    void mnuFieldFilterCancelAll_Click();
    // Edits the view's stored selection and stores it under the node's text.
    void mnuDataSelBeforeQuery_Click();
    // Deletes the stored selection of the node's text.
    void mnuDataSelCancel_Click();

    // ---- Parts, for the window and its tests ----------------------------------------
    // The controls, by their names: the one way to reach them.
    const BrowserWidgets& Widgets() const { return w_; }
    // The column totals under "Totalizza in..." of the totals menu, that entry first.
    QList<QAction*> mnuTotalItems() const;
    const SplitterState& splitterState() const { return splitState_; }
    // The splitter's position in twips (0 while the section is hidden).
    double SplitterPosition() const { return splitterLeft_; }
    // The width of the period button: as wide as its caption, 160 pixels at least.
    int DateSelWidth() const;
    const std::shared_ptr<datalib::DataSource>& CurrentDataSource() const { return curDS_; }
    controls::ViewGridSettings* GridSettings() const { return gridSettings_.get(); }
    // The selection of the view (stored, or the last search's); null when none.
    datalib::SelectionCriteria* Selection() const { return selection_.get(); }
    // The identity (NodeId) of the node whose data were last shown through a
    // node click; 0 when none.
    quint64 LastShownNode() const { return lastShownId_; }
    // Selects the node (without the tree's signals), remembers it as shown
    // and builds its view: once. The section buttons and the new-order
    // command go through here.
    void ShowNode(QTreeWidgetItem* node);
    // Later activations of the window: the view shows the rows as they are
    // now. Nothing is read when nothing was written since the rows were read;
    // while a transaction is open (an order being written) the rows wait for
    // its end, which refreshes them by itself.
    void RefreshCurrentRows();
    // Context menus are shown modally unless this is switched off (tests).
    void SetShowContextMenus(bool show) { showContextMenus_ = show; }

    // Tree events.
    void tvTreeView_NodeClick(QTreeWidgetItem* node);

  signals:
    // ---- What the other parts of the window act on -------------------------------------
    void viewEditData(bool force);  // open the current row
    void fileNew();                 // new row
    void fileDelete();              // delete the selected rows
    // Relation menus: (data source or null, clear only).
    void buildRelationMenus(datalib::DataSource* ds, bool clearOnly);
    // A deferred relation command: "mnuRefItem", "mnuContItem" or "mnuReferencedItem" and its number.
    void openRelation(const QString& kind, int number);
    // The view's commands are enabled (a browsed view) or disabled.
    void viewCommandsEnabled(bool enabled);
    // The print chooser of a list section was confirmed: preview or print the
    // view; shown comes back false when the operator was told that it could
    // not be shown (the section then stays selected).
    void printChosen(bool preview, bool& shown);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Query;
    void buildWidgets();
    void buildMenus();
    bool buildQuery(QTreeWidgetItem* node, const QString& key, Query& q);
    bool chooseOrder(const QString& key, Query& q);
    void applyStoredSelection(const QString& nodeText, Query& q);
    bool runSearchWindow(int mode, Query& q);
    void presentView(const Query& q, const std::shared_ptr<datalib::DataSource>& ds,
                     const QString& savedTable, qint64 savedKey);
    void backToHeading(QTreeWidgetItem* node, bool showHeading);
    void backToViewOnScreen(QTreeWidgetItem* node);
    // Marks the tree's current node as its one selected node.
    void markCurrentNode();
    void setAdministratorItems();
    bool currentField(QString& field, QString& value) const;
    // Points the quick search at the current column (and its cell's text, when
    // asked); false when the grid has no current cell.
    bool searchOnCurrentField(bool withText);
    void OnRefreshRecordset(datalib::DataSource& ds);
    void showEmptyState();
    void headerClicked(int column);
    void columnResized(int column, int width);
    void contextMenu(int target, const QPoint& globalPos);
    void placeWidgets(const LayoutResult& r);
    void splitterPressed();
    void splitterMoved(int x);
    void splitterReleased();
    std::shared_ptr<datalib::Database> database() const;
    datalib::SelectionCriteria& selectionFor(const QString& nodeText, const datalib::TableDef& table);

    QMainWindow* window_;
    std::function<void(const QString&)> statusText_;
    std::function<std::shared_ptr<datalib::Database>()> databaseSource_;

    BrowserWidgets w_;
    bool showContextMenus_ = true;
    bool tmFuncBusy_ = false;

    SplitterState splitState_;
    double splitterLeft_ = 3500;  // twips
    bool moving_ = false;

    std::shared_ptr<datalib::DataSource> curDS_;
    int curDSEvents_ = -1;
    std::unique_ptr<controls::ViewGridSettings> gridSettings_;
    std::unique_ptr<datalib::SelectionCriteria> selection_;
    quint64 lastShownId_ = 0;
    quint64 viewNodeId_ = 0;      // the node whose view (or heading) is on screen
    quint64 currentAtPress_ = 0;  // the identity of the current node at a mouse press
    // The end of the database's transactions refreshes the rows (see RefreshCurrentRows).
    std::weak_ptr<datalib::Database> watched_;
    std::shared_ptr<void> transactionEnd_;
    bool rowsRefreshQueued_ = false;
    void watchTransactions(const std::shared_ptr<datalib::Database>& db);
    void queueRowsRefresh();
    bool refreshing_ = false;
    bool listView_ = false;
};

}  // namespace mainwindow
