#include "mainwindow/MainWindowUi.h"

#include "datalib/DataSourceParts.h"
#include "exchange/Exchange.h"
#include "exchange/ui/ExchangeCommands.h"
#include "labels/ui/modLabelPrint.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/PredefinedReports.h"
#include "mainwindow/frmMain.h"
#include "orders/ui/frmOrder.h"
#include "reports/ui/frmCustomReportSetting.h"
#include "startup/RunContext.h"
#include "startup/ui/MainWindowLink.h"

namespace mainwindow {

void WireLabelCommand(MainCommands& commands) {
    // The selected rows' labels: skip asked, the document ended.
    commands.printLabels = [](QWidget* owner, const std::shared_ptr<datalib::DataSource>& ds,
                              const std::vector<qint64>& bookmarks) {
        std::vector<core::Variant> selection;
        for (const qint64 mark : bookmarks) selection.push_back(datalib::wholeNumber(mark));
        auto rows = ds;
        labels::PrintLabels(owner, rows, labels::LabelSelection(std::move(selection)), true, QString(), -1,
                            true);
    };
}

void WireReportSettingCommand(MainCommands& commands) {
    // The four print-settings commands open the report-layout editor.
    commands.editReportSetting = [](QWidget* owner, const QString& table, bool notes, const QString& groups) {
        const startup::RunContext& context = startup::runContext();
        reports::frmCustomReportSetting::EditSetting(owner, context.database, context.engine, table, false,
                                                     notes, groups);
    };
}

void WireExchangeCommands(MainCommands& commands, QWidget* window) {
    commands.receiveUpdates = [window] { exchange::mnuUpdate(window); };
    commands.sendOrders = [window] { exchange::mnuSendOrder(window); };
    commands.receiveAll = [window] { exchange::mnuUploadAll(window); };
    commands.importArchive = [window](const std::shared_ptr<datalib::DataSource>& view,
                                      const std::function<void()>& refresh) {
        exchange::mnuImport(window, view, refresh);
    };
    commands.saveView = [window](const std::shared_ptr<datalib::DataSource>& view) {
        exchange::mnuSave(window, view);
    };
    InstallOrderOpenTest();
}

void InstallOrderOpenTest() {
    exchange::SetOrderOpenTest([] { return orders::ui::frmOrder::Instance() != nullptr; });
    startup::mainWindowLink().showOpenOrder = [] { orders::ui::frmOrder::BringToFront(); };
}

MainBrowser* BuildMainWindowUi(frmMain& window) {
    auto* browser = new MainBrowser(&window, [&window](const QString& text) { window.SetStatusMsg(text); });
    auto* commands = new MainCommands(&window, browser);
    WireExchangeCommands(*commands, &window);
    WireLabelCommand(*commands);
    WireReportSettingCommand(*commands);
    WirePrintCommands(*commands);
    commands->UpdateWiredCommands();
    return browser;
}

}  // namespace mainwindow
