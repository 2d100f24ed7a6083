// The layout editors' script assistant on a real text box: typing triggers,
// deferred actions with their busy flag, inserts, font and colour through the
// dialog seams, the line display.

#include "reports/ScriptAssistant.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWidget>

using reports::ScriptEditorAssistant;

namespace {

struct Editor {
    QWidget window;
    QPlainTextEdit* box = new QPlainTextEdit(&window);
    QLabel* lblLine = new QLabel(&window);
    QPushButton* cmdField = new QPushButton("Campi", &window);
    ScriptEditorAssistant assistant{box, lblLine, cmdField, [](const QString& t, int p) {
                                        return reports::ReportScriptDataVarName(t, p, false);
                                    }};
    QStringList events;
    int modifiedCount = 0;

    Editor() {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(lblLine);
        layout->addWidget(cmdField);
        window.resize(400, 300);
        window.show();
        box->setFocus();
        assistant.onOutputMenu = [this] { events << "output"; };
        assistant.onDataMenu = [this] { events << "data"; };
        for (const char* tag : {"PopUpTableMenù", "PopUpReferenceMenù"})
            assistant.setAction(QString::fromUtf8(tag), [this, tag] { events << QString::fromUtf8(tag); });
        QObject::connect(&assistant, &ScriptEditorAssistant::modified, [this] { ++modifiedCount; });
    }
    void type(const QString& text) { QTest::keyClicks(box, text); }
    void newline() { QTest::keyClick(box, Qt::Key_Return); }
    void settle() { testsupport::waitForTimer(*assistant.tmFunc()); }
};

}  // namespace

TEST(ScriptEditorAssistant, TypingOpensTheMenusAndQueuesTheFieldMenus) {
    Editor e;
    e.box->setPlainText("\nFunction PrintReportRow(ds, prn)\nEnd Function\n");  // caret in the mask
    e.box->moveCursor(QTextCursor::Start);
    e.type("prn.");
    EXPECT_EQ(e.events, QStringList{"output"});
    e.type(" ds.");
    EXPECT_EQ(e.events, (QStringList{"output", "data"}));
    e.type("ColValue(");
    EXPECT_EQ(e.assistant.pendingTag(), QString::fromUtf8("PopUpTableMenù"));
    e.settle();
    EXPECT_EQ(e.events.last(), QString::fromUtf8("PopUpTableMenù"));
    EXPECT_TRUE(e.assistant.pendingTag().isEmpty());
    EXPECT_GT(e.modifiedCount, 0);
}

TEST(ScriptEditorAssistant, ABusyActionLetsANewTickPass) {
    Editor e;
    int runs = 0;
    e.assistant.setAction("mnuFieldItem", [&] {
        if (++runs == 1) e.assistant.Queue("mnuFieldItem");  // a tick during the action
        QTest::qWait(40);
    });
    e.assistant.Queue("mnuFieldItem");
    QTest::qWait(150);
    EXPECT_EQ(runs, 2);  // the nested tick returned; the re-queued one ran after
    EXPECT_FALSE(e.assistant.busy());
    e.assistant.setAction("boom", [] { throw std::runtime_error("x"); });
    e.assistant.Queue("boom");
    e.settle();
    EXPECT_FALSE(e.assistant.busy());
}

TEST(ScriptEditorAssistant, FontAndColourThroughTheSeams) {
    Editor e;
    QFont font("Arial");
    font.setPointSizeF(10.5);
    font.setBold(true);
    ScriptEditorAssistant::setFontChooser([&](QWidget*) { return std::optional<QFont>(font); });
    ScriptEditorAssistant::setColorChooser([](QWidget*) { return std::optional<QColor>(QColor(0, 128, 0)); });
    e.type("prn.SetFont ");
    EXPECT_EQ(e.box->toPlainText(), "prn.SetFont 10.5, True, False, \"Arial\", False");
    e.newline();
    e.type("prn.Color ");
    EXPECT_TRUE(e.box->toPlainText().endsWith("prn.Color = &H8000&"));
    ScriptEditorAssistant::setColorChooser([](QWidget*) { return std::optional<QColor>(); });
    e.newline();
    e.type("prn.Color ");
    EXPECT_TRUE(e.box->toPlainText().endsWith("prn.Color "));  // cancel inserts nothing
    ScriptEditorAssistant::setFontChooser({});
    ScriptEditorAssistant::setColorChooser({});
}

TEST(ScriptEditorAssistant, IfSectionPutsTheCaretInsideAndTheLineDisplayFollows) {
    Editor e;
    e.type("x");
    EXPECT_EQ(e.lblLine->text(), "1 / 1");
    int at = 0;
    const QString section = reports::IfSectionInsert("Righe", &at);
    e.assistant.InsertAtCaret(section, at);
    EXPECT_EQ(e.box->toPlainText(), "x\nIf prn.DataReferenceName=\"Righe\" Then\n  \nEnd If\n");
    EXPECT_EQ(e.lblLine->text(), "3 / 5");
    e.type("prn.");  // typed inside the section
    EXPECT_EQ(e.box->document()->findBlockByNumber(2).text(), "  prn.");
    EXPECT_TRUE(e.events.contains("output"));
}

TEST(ScriptEditorAssistant, MenusPopAtTheCentreOfTheFocusedBox) {
    Editor e;
    QApplication::setActiveWindow(&e.window);
    e.box->setFocus();
    QTest::qWait(10);
    EXPECT_EQ(e.assistant.popupPosition(),
              e.box->mapToGlobal(QPoint(e.box->width() / 2, e.box->height() / 2)));
    e.cmdField->setFocus();
    QTest::qWait(10);
    EXPECT_EQ(e.assistant.popupPosition().y(), e.cmdField->mapToGlobal(QPoint(0, 0)).y());
}
