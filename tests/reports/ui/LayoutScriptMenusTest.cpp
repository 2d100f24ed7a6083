// The layout editors' insertion menus on a real text box and the demo
// archive's definitions: instruction inserts, a reference chain written by
// menu choices alone, the every-reference choice, the If section.

#include "RunnerFixture.h"

#include "reports/LayoutScript.h"
#include "reports/ui/LayoutScriptMenus.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QVBoxLayout>
#include <QWidget>

using reports::LayoutScriptMenus;
using reports::ScriptEditorAssistant;

namespace {

QAction* itemTagged(QMenu* menu, const QString& tag) {
    for (QAction* a : menu->actions())
        if (a->data().toString() == tag) return a;
    return nullptr;
}

class LayoutScriptMenusTest : public reporttest::RunnerTest {
  protected:
    QWidget window;
    QPlainTextEdit* box = new QPlainTextEdit(&window);
    QLabel* lblLine = new QLabel(&window);
    QPushButton* cmdField = new QPushButton("Campi >>", &window);
    QString reference = QStringLiteral("Righe");
    bool noteRows = true;
    std::unique_ptr<ScriptEditorAssistant> assistant;
    std::unique_ptr<LayoutScriptMenus> menus;
    QStringList popped;
    // Per menu name: the tag of the item the "user" clicks when it pops.
    QHash<QString, QString> clicks;

    void SetUp() override {
        RunnerTest::SetUp();
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(lblLine);
        layout->addWidget(cmdField);
        window.resize(500, 400);
        window.show();
        assistant = std::make_unique<ScriptEditorAssistant>(
            box, lblLine, cmdField,
            [this](const QString& t, int p) { return reports::ReportScriptDataVarName(t, p, noteRows); });
        LayoutScriptMenus::Options options;
        options.selectedTableName = [] { return QStringLiteral("Ordini"); };
        options.selectedReferenceName = [this] { return reference; };
        options.tableByName = [this](const QString& name) { return db->tableDef(name); };
        menus = std::make_unique<LayoutScriptMenus>(*assistant, &window, options);
        menus->FillInstructionItems();
        ScriptEditorAssistant::setMenuPopper([this](QMenu* menu, const QPoint&) {
            popped << menu->objectName();
            if (const auto it = clicks.constFind(menu->objectName()); it != clicks.constEnd())
                if (QAction* a = itemTagged(menu, *it)) a->trigger();
        });
    }
    void TearDown() override {
        ScriptEditorAssistant::setMenuPopper({});
        RunnerTest::TearDown();
    }
    // The default script with the caret at the start of the line after `marker`.
    void caretAfter(const QString& marker) {
        box->setPlainText(
            reports::DefaultReportText(noteRows).replace("\r\n", "\n").replace(marker, marker + "\n"));
        QTextCursor c = box->textCursor();
        c.setPosition(int(box->toPlainText().indexOf(marker) + marker.size()));
        c.movePosition(QTextCursor::NextBlock);
        box->setTextCursor(c);
        box->setFocus();
    }
    std::string lineAtCaret() const { return box->textCursor().block().text().toStdString(); }
    void newLine(const QString& text) {
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClicks(box, text);
    }
    void settle() { testsupport::waitForTimer(*assistant->tmFunc()); }
};

}  // namespace

TEST_F(LayoutScriptMenusTest, InstructionItemsAndTheirInserts) {
    ASSERT_EQ(menus->mnuInstructionItem.Count(), 13);  // heading + 12
    ASSERT_EQ(menus->mnuFunctionDataItem.Count(), 13);
    EXPECT_FALSE(menus->mnuFunctionDataItem.Item(4)->isEnabled());  // "Posizionamento record:"
    EXPECT_EQ(menus->mnuFunctionDataItem.Item(3)->text(), " > Dati &Referenziati ()");

    caretAfter("Function PrintReportMask(ds, prn, bTotal)");
    menus->mnuInstructionItem.Item(1)->trigger();  // " - Stampa Testo"
    settle();
    EXPECT_EQ(lineAtCaret(), "prn.TxtOut nY, nX, \"testo\", nWrapLen, bMantainOriginalWrap");

    // After a typed "." the bare tag; the inserted "ColValue(" opens the field menu of the mask's table.
    clicks.insert("mnuFields", "Numero");
    box->moveCursor(QTextCursor::EndOfBlock);
    newLine("  x = ds.");
    EXPECT_EQ(popped.last(), "mnuDataInstructions");
    menus->mnuFunctionDataItem.Item(1)->trigger();  // " * Contenuto Campo ()"
    settle();
    settle();
    EXPECT_EQ(lineAtCaret(), "  x = ds.ColValue(\"Numero\")");

    // An empty box receives nothing.
    box->clear();
    menus->mnuInstructionItem.Item(1)->trigger();
    settle();
    EXPECT_TRUE(box->toPlainText().isEmpty());
}

TEST_F(LayoutScriptMenusTest, AReferenceChainByMenuChoicesAlone) {
    // In the row procedure of "Ordini.Righe" the fields are those of the order rows.
    caretAfter("Function PrintReportRow(dsRow, prn, nRow)");
    clicks.insert("mnuReferences", "Promozione");
    clicks.insert("mnuRefFieldHelp", "Descrizione");
    menus->mnuFunctionDataItem.Item(3)->trigger();  // " > Dati &Referenziati ()"
    for (int i = 0; i < 5; ++i) settle();
    EXPECT_EQ(lineAtCaret(), "dsRow.GetReference(\"Promozione\").ColValue(\"Descrizione\")");
    EXPECT_EQ(menus->mnuRefName->text(),
              "< " + db->tableDef("RigheOrdini")->findReference("Promozione")->description + " >");
    EXPECT_EQ(menus->mnuRefName->data().toString(), "Promozioni");

    // A reference of the field menu while "ColValue(" stands before the caret turns it into the reference
    // call.
    clicks.clear();
    box->moveCursor(QTextCursor::EndOfBlock);
    newLine("  y = dsRow.ColValue(");
    settle();
    EXPECT_EQ(popped.last(), "mnuFields");
    ASSERT_NE(itemTagged(menus->mnuFields, "Promozione"), nullptr);
    clicks.insert("mnuRefFieldHelp", "Codice");
    itemTagged(menus->mnuFields, "Promozione")->trigger();  // from mnuFieldItemRef
    for (int i = 0; i < 4; ++i) settle();
    EXPECT_EQ(lineAtCaret(), "  y = dsRow.GetReference(\"Promozione\").ColValue(\"Codice\")");
}

TEST_F(LayoutScriptMenusTest, EveryReferenceAsksWhichAndTheIfSection) {
    reference = reports::kAllReferences;
    caretAfter("Function PrintReportRow(dsRow, prn, nRow)");
    // Closing the choice without picking: no table applies, nothing pops.
    QTest::keyClicks(box, "x = dsRow.ColValue(");
    settle();
    EXPECT_EQ(popped.last(), "mnuRefSelHelp");
    EXPECT_FALSE(popped.contains("mnuFields"));
    // Picking the rows: their fields.
    clicks.insert("mnuRefSelHelp", "Righe");
    QTest::keyClicks(box, ")");
    newLine("  y = dsRow.ColValue(");
    settle();
    EXPECT_EQ(popped.last(), "mnuFields");
    EXPECT_NE(itemTagged(menus->mnuFields, "QuantitàOrdine"), nullptr);

    menus->FillIfSectionItems(db->tableDef("Ordini"));
    QAction* rows = itemTagged(menus->mnuRefIfSectionSelection, "Righe");
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(itemTagged(menus->mnuRefIfSectionSelection, "Promozione"), nullptr);  // not a data reference
    box->moveCursor(QTextCursor::EndOfBlock);
    rows->trigger();
    EXPECT_EQ(lineAtCaret(), "  ");
    EXPECT_TRUE(box->toPlainText().contains("\nIf prn.DataReferenceName=\"Righe\" Then\n  \nEnd If\n"));
}
