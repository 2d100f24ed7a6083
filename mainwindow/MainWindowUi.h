#pragma once
// Puts the browsing part (navigation tree, data grid, quick search, section
// buttons, layout, keys, totals) and the commands (toolbar, menus, relation
// menus, periods) into the main window: the status texts go to
// the window's status bar and its background picture stays the working
// area's background.

class QWidget;

namespace mainwindow {

class frmMain;
class MainBrowser;
class MainCommands;

MainBrowser* BuildMainWindowUi(frmMain& window);
// Connects "Stampa &Etichette" to the label runner.
void WireLabelCommand(MainCommands& commands);
// The four print-settings commands open the report-layout editor.
void WireReportSettingCommand(MainCommands& commands);
// Connects the exchange with head office (receive, receive everything, send,
// import, save) over the window, and installs the order-open test.
void WireExchangeCommands(MainCommands& commands, QWidget* window);
// Receive, send and import refuse while the order window is open: an order
// being written holds a transaction whose rollback would undo them. The
// refusal brings the order window to the front.
void InstallOrderOpenTest();

}  // namespace mainwindow
