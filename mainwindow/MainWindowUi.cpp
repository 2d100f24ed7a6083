#include "mainwindow/MainWindowUi.h"

#include "exchange/ui/ExchangeCommands.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/frmMain.h"

namespace mainwindow {

MainBrowser* BuildMainWindowUi(frmMain& window) {
    auto* browser = new MainBrowser(&window, [&window](const QString& text) { window.SetStatusMsg(text); });
    auto* commands = new MainCommands(&window, browser);
    commands->receiveUpdates = [&window] { exchange::mnuUpdate(&window); };
    commands->sendOrders = [&window] { exchange::mnuSendOrder(&window); };
    commands->UpdateWiredCommands();
    QObject::connect(&window, &frmMain::firstActivationDone, browser, [browser](bool ok) {
        if (!ok) return;
        browser->SetTreeViewNodes();
        browser->RefreshDetailView();
    });
    return browser;
}

}  // namespace mainwindow
