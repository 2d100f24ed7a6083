#pragma once
// The commands of the main window that act on the current view and the rest
// of its menus: the toolbar, new row and new order, opening a row
// (`ViewEditData`), deleting the selected rows, print, preview, export and
// labels, the report settings, the period menu and the filters, the view,
// tools and help menus, and the supplier's web site.
//
// The commands of other parts of the program come in through the function
// members below; a menu item or toolbar key whose function is not set stays
// disabled.
//
// The class is spread by job: MainCommands.cpp (the toolbar and the menus,
// what is enabled, the view, tools and help menus, the supplier's site),
// RowCommands.cpp (new, open, delete, print and labels) and
// PeriodCommands.cpp (the period menu and the filters).

#include <QDate>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

namespace datalib {
class DataSource;
}

namespace controls {
class MubCommand;
}

namespace mainwindow {

class MainBrowser;
class RelationMenus;

class MainCommands : public QObject {
    Q_OBJECT
  public:
    // Builds the toolbar and the menus into the window, beside the browsing part.
    MainCommands(QMainWindow* window, MainBrowser* browser);
    ~MainCommands() override;

    // ---- Commands of other parts (unset: their items stay disabled) ------------------
    // Shows the order window for a new order (its activation starts it).
    std::function<void(QWidget* owner)> newOrder;
    // Opens the order of the data source's current row in the order window.
    std::function<void(QWidget* owner, const std::shared_ptr<datalib::DataSource>& ds)> editOrder;
    // Receives the updates from head office; sends the completed orders.
    std::function<void()> receiveUpdates;
    std::function<void()> sendOrders;
    // Receives everything from head office; imports an archive's rows into
    // the current view's table (refresh: the view is read again); exports the
    // current view into an archive. The view is null when none is shown.
    std::function<void()> receiveAll;
    std::function<void(const std::shared_ptr<datalib::DataSource>& view,
                       const std::function<void()>& refresh)>
        importArchive;
    std::function<void(const std::shared_ptr<datalib::DataSource>& view)> saveView;
    // The report-layout editor: table, notes rows, report names "A,B".
    std::function<void(QWidget* owner, const QString& table, bool notes, const QString& reports)>
        editReportSetting;
    // Prints the labels of the selected rows (skip -1: ask).
    std::function<void(QWidget* owner, const std::shared_ptr<datalib::DataSource>& ds,
                       const std::vector<qint64>& bookmarks)>
        printLabels;
    // Prints (0), previews (1) or exports (2) the predefined reports of the
    // view; false when the operator was told that the data could not be shown.
    std::function<bool(const std::shared_ptr<datalib::DataSource>& ds, int mode, const QString& nodeKey,
                       const QString& title)>
        printPredefinedReport;
    // Enables the items whose function is now set.
    void UpdateWiredCommands();

    // ---- Commands -------------------------------------------------------------------
    void mnuFileNew_Click();
    void mnuNewOrder_Click();
    void ViewEditData(bool force);
    void mnuFileDelete_Click();
    void mnuPrint_Click() { printView(0); }
    void mnuPreview_Click() { printView(1); }
    void mnuPrintExport_Click() { printView(2); }
    void mnuPrintLabel_Click();
    void mnuViewWebBrowser_Click();
    // Receive the updates, send the orders, receive everything; the view then
    // shows the rows as they are.
    void mnuUpdate_Click();
    void mnuSendOrder_Click();
    void mnuUploadAll_Click();
    void mnuViewRefresh_Click();
    void mnuViewToolbar_Click();
    void mnuViewStatusBar_Click();
    void mnuToolsOptions_Click();
    void mnuToolsClientSettings_Click();
    void mnuHelpAbout_Click();
    void mnuHelpContents_Click();
    void mnuSelAll_Click();
    void mnuSelDate_Click();
    void mnuSelMonth_Click();
    void mnuSelPeriod_Click();
    void mnuFilterComplex_Click();
    void mnuFilterCancel_Click();
    // Double click on the toolbar logo: the default supplier's web site.
    void OpenSupplierSite();
    // Shows the picture of the file as the toolbar logo, scaled to the
    // toolbar's height; a file that does not load keeps the logo as it is.
    void SetToolbarLogo(const QString& file);
    // Double click on the window's free area: the edit panel on the current row.
    void FreeAreaDoubleClick();
    void SetPeriodSelectionCaption();
    // The view's commands follow the grid (a browsed view) or are disabled;
    // the administrator's items follow the access level.
    void SetViewCommandsEnabled(bool enabled);

    // ---- Parts, for the window and its tests ---------------------------------------------
    QToolBar* tbToolBar() const { return toolBar_; }
    QAction* Key(const QString& key) const;    // a toolbar key by its key ("New", ...)
    QAction* Menu(const QString& name) const;  // a menu item by its name ("mnuFileNew", ...)
    QMenu* mnuPrintFunc() const { return mnuPrintFunc_; }
    QMenu* mnuSelection() const { return mnuSelection_; }
    QMenu* mnuFilter() const { return mnuFilter_; }
    QLabel* ingToolbarLogo() const { return logo_; }
    RelationMenus* Relations() const { return relations_; }
    // Dialog seams for the tests: the date and date-range dialogs (null
    // restores the real ones). A date dialog returns a null date on cancel;
    // the range dialog returns false on cancel.
    static void SetDateDialog(std::function<QDate(const QDate& initial)> dialog);
    static void SetRangeDialog(std::function<bool(QDate& from, QDate& to)> dialog);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildToolBar();
    void buildMenus();
    // False when the operator was told that the view could not be shown.
    bool printView(int mode);
    void periodChanged();
    void dayOrMonth(bool month);
    void reportSetting(const QString& table, bool notes, const QString& reports);
    std::shared_ptr<datalib::DataSource> currentDS() const;
    QString selectedNodeKey() const;
    QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption);

    QMainWindow* window_;
    MainBrowser* browser_;
    RelationMenus* relations_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QLabel* logo_ = nullptr;
    QMenu* mnuPrintFunc_ = nullptr;
    QMenu* mnuSelection_ = nullptr;
    QMenu* mnuFilter_ = nullptr;
    QAction* mnuConfigBar0_ = nullptr;
    QString exportFields_;
    bool viewEnabled_ = false;
};

}  // namespace mainwindow
