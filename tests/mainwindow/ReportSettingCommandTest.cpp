// The four print-settings commands open the report layout editor on their
// source and report groups.

#include "CommandsFixture.h"

#include "mainwindow/MainWindowUi.h"
#include "reports/ui/frmCustomReportSetting.h"
#include "startup/RunContext.h"

#include <QComboBox>
#include <QPointer>

namespace mwtest {

TEST_F(CommandsTest, PrintSettingsOpenTheReportEditor) {
    startup::runContext().database = db;
    mainwindow::WireReportSettingCommand(*commands);
    db->SetAccessLevel(1);
    commands->UpdateWiredCommands();
    show();
    openView("Clienti");
    struct Case {
        const char* menu;
        QString source;
        int groups;  // the empty entry and the command's groups
    };
    for (const Case& c :
         {Case{"mnuOrderPrintSetting", "Ordini.Righe", 2}, Case{"mnuListOrderPrintSetting", "Ordini", 3},
          Case{"mnuStatisticPrintSetting", "Clienti", 5},
          Case{"mnuRowOrderPrintSetting", "RigheOrdini", 4}}) {
        SCOPED_TRACE(c.menu);
        ASSERT_TRUE(commands->Menu(c.menu)->isEnabled());
        commands->Menu(c.menu)->trigger();
        QPointer<reports::frmCustomReportSetting> editor = reports::frmCustomReportSetting::instance();
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->parentWidget(), &window);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_FALSE(editor->isModal());
        EXPECT_EQ(editor->sourceList().values(), QStringList{c.source});
        EXPECT_EQ(editor->Widgets().cboReportGroup->count(), c.groups);
        delete editor.data();
    }
    startup::runContext().database.reset();
}

}  // namespace mwtest
