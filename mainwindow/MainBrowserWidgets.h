#pragma once
// The widgets and menus of the main window's browsing part, built and laid
// into the window without behaviour: MainBrowser connects them. The fields
// carry the window's control names; the browser, the window's other parts and
// the tests all reach a control through them (`browser.Widgets().dgView`).

class QAction;
class QFrame;
class QLabel;
class QMainWindow;
class QMenu;
class QObject;
class QTimer;
class QTreeWidget;
class QWidget;

namespace controls {
class DataGrid;
class GridSettingsMenu;
class MubCommand;
class MubShortSearch;
}  // namespace controls

namespace mainwindow {

class SectionButtons;

struct BrowserWidgets {
    QWidget* workArea = nullptr;  // the working area, the window's central widget
    QWidget* picTitles = nullptr;
    QLabel* lblTitle[2] = {};  // " Sezione:" over the tree, " Dettagli:" over the view
    controls::MubCommand* cmdHideTree = nullptr;
    controls::MubCommand* cmdDateSel = nullptr;
    QTreeWidget* tvTreeView = nullptr;
    QFrame* imgSplitter = nullptr;
    QFrame* picSplitter = nullptr;  // the bar that follows the mouse while the splitter moves
    controls::MubShortSearch* MubShortSearch = nullptr;
    controls::DataGrid* dgView = nullptr;
    controls::MubCommand* cmdGridSetting = nullptr;
    QLabel* imgMainBackground = nullptr;
    SectionButtons* acmdSectionItem = nullptr;
    QTimer* tmFunc = nullptr;  // runs a command chosen in a menu once the menu has closed

    QAction* mnuHideSection = nullptr;
    QMenu* mnuOrder = nullptr;
    QAction* mnuOrderComplex = nullptr;
    QAction* mnuOrderCancel = nullptr;
    QAction* mnuSearch = nullptr;
    QAction* mnuFilterComplex = nullptr;
    QMenu* mnuTotal = nullptr;
    QAction* mnuTotalCount = nullptr;
    // "Totalizza in...": the column totals follow it in mnuTotal.
    QAction* mnuTotalHeading = nullptr;
    QMenu* mnuAssociation = nullptr;
    QMenu* mnuFieldFuncs = nullptr;
    QAction* mnuFieldFilter = nullptr;
    QAction* mnuFieldSearchNext = nullptr;
    QAction* mnuFieldFilterCancel = nullptr;
    QAction* mnuFieldFilterCancelAll = nullptr;
    // "Selezioni predefinite": placed by the window's commands under "&Dati".
    QMenu* mnuDataSelection = nullptr;
    QAction* mnuDataSelBeforeQuery = nullptr;
    QAction* mnuDataSelCancel = nullptr;
    // Popped up by the grid-settings button (its commands are bound by the browser).
    controls::GridSettingsMenu* mnuGridSetting = nullptr;
};

// Builds the widgets into the window (its central widget and menu bar; a
// background picture already there stays the working area's background).
// filter watches the working area, the tree and the splitter and owns the
// deferred-command timer.
BrowserWidgets BuildBrowserWidgets(QMainWindow* window, QObject* filter);

}  // namespace mainwindow
