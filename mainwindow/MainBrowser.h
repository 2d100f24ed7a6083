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

#include "mainwindow/MainLayout.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QMainWindow;
class QMenu;
class QTimer;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace datalib {
class Database;
class DataSource;
}  // namespace datalib

namespace controls {
class DataGrid;
class MubCommand;
class MubShortSearch;
class ViewGridSettings;
}  // namespace controls

namespace mainwindow {

class SectionButtons;

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

    // ---- Parts, for the window and its tests ----------------------------------------
    QWidget* workArea() const { return area_; }
    QTreeWidget* tvTreeView() const { return tree_; }
    controls::DataGrid* dgView() const { return grid_; }
    controls::MubShortSearch* MubShortSearch() const { return search_; }
    QLabel* lblTitle(int index) const { return index == 0 ? title0_ : title1_; }
    controls::MubCommand* cmdHideTree() const { return cmdHideTree_; }
    controls::MubCommand* cmdDateSel() const { return cmdDateSel_; }
    controls::MubCommand* cmdGridSetting() const { return cmdGridSetting_; }
    QFrame* imgSplitter() const { return splitter_; }
    QFrame* picSplitter() const { return movingSplitter_; }
    QLabel* imgMainBackground() const { return background_; }
    SectionButtons* acmdSectionItem() const { return sectionButtons_; }
    QMenu* mnuTotal() const { return mnuTotal_; }
    QAction* mnuTotalCount() const { return mnuTotalCount_; }
    QList<QAction*> mnuTotalItems() const;
    QAction* mnuHideSection() const { return mnuHideSection_; }
    QAction* mnuSearch() const { return mnuSearch_; }
    QAction* mnuFilterComplex() const { return mnuFilterComplex_; }
    QAction* mnuOrderCancel() const { return mnuOrderCancel_; }
    QMenu* mnuOrder() const { return mnuOrder_; }
    QMenu* mnuAssociation() const { return mnuAssociation_; }
    QMenu* mnuFieldFuncs() const { return mnuFieldFuncs_; }
    QTimer* tmFunc() const { return tmFunc_; }
    const SplitterState& splitterState() const { return splitState_; }
    // The splitter's position in twips (0 while the section is hidden).
    double SplitterPosition() const { return splitterLeft_; }
    const std::shared_ptr<datalib::DataSource>& CurrentDataSource() const { return curDS_; }
    controls::ViewGridSettings* GridSettings() const { return gridSettings_.get(); }
    // The key of the node whose data were last shown through a node click.
    QTreeWidgetItem* LastShownNode() const { return lastShown_; }
    // The menu that the last context request opened (for the tests), or null.
    QMenu* LastContextMenu() const { return lastContextMenu_; }
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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildWidgets();
    void buildMenus();
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

    QMainWindow* window_;
    std::function<void(const QString&)> statusText_;
    std::function<std::shared_ptr<datalib::Database>()> databaseSource_;

    QWidget* area_ = nullptr;
    QWidget* titles_ = nullptr;  // picTitles
    QLabel* title0_ = nullptr;
    QLabel* title1_ = nullptr;
    QString title1Caption_;
    controls::MubCommand* cmdHideTree_ = nullptr;
    controls::MubCommand* cmdDateSel_ = nullptr;
    controls::MubCommand* cmdGridSetting_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QFrame* splitter_ = nullptr;
    QFrame* movingSplitter_ = nullptr;
    controls::MubShortSearch* search_ = nullptr;
    controls::DataGrid* grid_ = nullptr;
    QLabel* background_ = nullptr;
    SectionButtons* sectionButtons_ = nullptr;

    QMenu* mnuTotal_ = nullptr;
    QAction* mnuTotalCount_ = nullptr;
    QAction* mnuTotalHeading_ = nullptr;
    QAction* mnuHideSection_ = nullptr;
    QAction* mnuSearch_ = nullptr;
    QAction* mnuOrderCancel_ = nullptr;
    QAction* mnuOrderComplex_ = nullptr;
    QAction* mnuFilterComplex_ = nullptr;
    QMenu* mnuOrder_ = nullptr;
    QMenu* mnuAssociation_ = nullptr;
    QMenu* mnuFieldFuncs_ = nullptr;
    QMenu* lastContextMenu_ = nullptr;
    bool showContextMenus_ = true;
    QTimer* tmFunc_ = nullptr;
    bool tmFuncBusy_ = false;

    SplitterState splitState_;
    double splitterLeft_ = 3500;  // twips
    bool moving_ = false;
    int dragOffset_ = 0;

    std::shared_ptr<datalib::DataSource> curDS_;
    int curDSEvents_ = -1;
    std::unique_ptr<controls::ViewGridSettings> gridSettings_;
    QPointer<QObject> lastShownGuard_;
    QTreeWidgetItem* lastShown_ = nullptr;
    bool refreshing_ = false;
    bool listView_ = false;
};

}  // namespace mainwindow
