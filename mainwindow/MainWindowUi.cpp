#include "mainwindow/MainWindowUi.h"

#include "mainwindow/MainBrowser.h"
#include "mainwindow/frmMain.h"

namespace mainwindow {

MainBrowser* BuildMainWindowUi(frmMain& window) {
    auto* browser = new MainBrowser(&window, [&window](const QString& text) { window.SetStatusMsg(text); });
    QObject::connect(&window, &frmMain::firstActivationDone, browser, [browser](bool ok) {
        if (!ok) return;
        browser->SetTreeViewNodes();
        browser->RefreshDetailView();
    });
    return browser;
}

}  // namespace mainwindow
