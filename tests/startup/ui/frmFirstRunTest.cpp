#include "platform/ui/MessageBox.h"
#include "startup/ui/frmFirstRun.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

using startup::FirstRunValues;
using startup::frmFirstRun;

TEST(FirstRun, ValidationTellsWhatIsWrong) {
    QTemporaryDir dir;
    const FirstRunValues good{"DEMO", 1, dir.path(), "https://sede.example/servizi"};
    EXPECT_EQ(frmFirstRun::Validate(good), "");
    EXPECT_EQ(frmFirstRun::Validate({"A1", 15, "", ""}), "");

    struct Case {
        FirstRunValues values;
        const char* starts;
    };
    for (const Case& c : {
             Case{{"", 0, "", ""}, "Specificare il codice dell'Agente"},
             Case{{"A/1", 0, "", ""}, "Il codice dell'Agente non può contenere"},
             Case{{"A 1", 0, "", ""}, "Il codice dell'Agente non può contenere"},
             Case{{"A1", 16, "", ""}, "Il numero della postazione deve essere compreso tra 0 e 15"},
             Case{{"A1", -1, "", ""}, "Il numero della postazione deve essere compreso tra 0 e 15"},
             Case{{"A1", 0, dir.filePath("nope"), ""}, "La cartella di installazione"},
             Case{{"A1", 0, "", "sede.example"}, "L'indirizzo dei servizi on-line"},
             Case{{"A1", 0, "", "ftp://sede.example"}, "L'indirizzo dei servizi on-line"},
         })
        EXPECT_TRUE(frmFirstRun::Validate(c.values).startsWith(QString::fromUtf8(c.starts)))
            << frmFirstRun::Validate(c.values).toStdString();
}

TEST(FirstRun, WrongValuesKeepTheWindowOpenWithAMessage) {
    platform::ScriptedBoxes boxes;
    frmFirstRun window;
    window.show();
    window.txtAgente()->setText("  ");
    window.cmdConfirm()->click();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.result(), 0);
    EXPECT_EQ(boxes.lastText(), "Specificare il codice dell'Agente.");

    window.txtAgente()->setText(" DEMO ");
    window.txtPostazione()->setValue(99);  // the box itself stops at 15
    window.txtServizi()->setText("http://sede.example/");
    window.cmdConfirm()->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    const FirstRunValues v = window.Values();
    EXPECT_EQ(v.agent, "DEMO");
    EXPECT_EQ(v.workstation, 15);
    EXPECT_EQ(v.onLineServicesURL, "http://sede.example/");
}

}  // namespace
