#include "datalib/Definitions.h"
#include "reports/LayoutScript.h"
#include "reports/ScriptAssistant.h"

#include <gtest/gtest.h>

using namespace reports;

namespace {

// The caret right after the first occurrence of `mark` in the default script.
int caretAfter(const QString& text, const QString& mark) {
    const int i = int(text.indexOf(mark));
    EXPECT_GE(i, 0) << mark.toStdString();
    return i + int(mark.size());
}

}  // namespace

TEST(ScriptAssistant, DataVariableByTheProcedureAtTheCaret) {
    for (bool noteRows : {false, true}) {
        SCOPED_TRACE(noteRows);
        const QString text = DefaultReportText(noteRows);
        EXPECT_EQ(ReportScriptDataVarName(text, caretAfter(text, "Function PrintReportMask"), noteRows),
                  "ds");
        EXPECT_EQ(ReportScriptDataVarName(text, caretAfter(text, "Function PrintReportRow"), noteRows),
                  "dsRow");
        EXPECT_EQ(ReportScriptDataVarName(text, caretAfter(text, "Function PrintDataInit"), noteRows),
                  "dsRow");
        if (noteRows) {
            EXPECT_EQ(ReportScriptDataVarName(text, caretAfter(text, "Function PrintNoteRow"), true), "ds");
        }
        EXPECT_EQ(ReportScriptDataVarName(text, int(text.size()), noteRows), "");
        EXPECT_EQ(ReportScriptDataVarName(text, -1, noteRows), "");
    }
    EXPECT_EQ(ReportScriptDataVarName("x = 1\r\n", 0, false), "dsRow");
}

TEST(ScriptAssistant, TriggersAtTheCaret) {
    struct Case {
        QString text;
        int caret;
        QString var;
        ScriptTrigger want;
    };
    const QList<Case> cases{
        {"  PRN.", 6, "ds", ScriptTrigger::OutputMenu},
        {"prn.x", 4, "ds", ScriptTrigger::OutputMenu},
        {"prn", 3, "ds", ScriptTrigger::None},
        {"ds.\r\nx", 3, "ds", ScriptTrigger::DataMenu},
        {"DSROW.\r\nx", 6, "dsRow", ScriptTrigger::DataMenu},
        {"ds.\r\nx", 3, "dsRow", ScriptTrigger::None},
        {"ds.GetReference(\"Cliente\").", 27, "dsRow", ScriptTrigger::DataMenu},
        {"a.", 2, "", ScriptTrigger::DataMenu},  // at the end any "." matches
        {".", 1, "", ScriptTrigger::DataMenu},
        {"ds.GetReference(", 16, "x", ScriptTrigger::ReferenceMenu},
        {"ds.ColValue(", 12, "x", ScriptTrigger::FieldMenu},
        {"ds.FormattedColValue(", 21, "x", ScriptTrigger::FieldMenu},
        {"prn.SetFont ", 12, "x", ScriptTrigger::FontDialog},
        {"prn.SetFont \r\n", 12, "x", ScriptTrigger::FontDialog},
        {"prn.SetFont 10", 12, "x", ScriptTrigger::None},
        {"prn.Color ", 10, "x", ScriptTrigger::ColorDialog},
        {"prn.Color x", 10, "x", ScriptTrigger::None},
        {"", 0, "", ScriptTrigger::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        EXPECT_EQ(DetectScriptTrigger(c.text, c.caret, c.var), c.want);
    }
}

TEST(ScriptAssistant, InsertedTexts) {
    // The size keeps "." whatever the locale; the colour stays a positive Long.
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(FontInsertText(12, true, false, "Arial", false), "12, True, False, \"Arial\", False");
    EXPECT_EQ(FontInsertText(10.5, false, true, "Courier New", true),
              "10.5, False, True, \"Courier New\", True");
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(ColorInsertText(0x0000FF), "= &HFF&");
    EXPECT_EQ(ColorInsertText(0x008000), "= &H8000&");
    EXPECT_EQ(ColorInsertText(0x00FFFF), "= &HFFFF&");
    EXPECT_EQ(ColorInsertText(0), "= &H0&");

    EXPECT_EQ(DataCallInsert("", 0, "ds", "ColValue", "Codice"), "ds.ColValue(\"Codice\")");
    EXPECT_EQ(DataCallInsert("x = ", 4, "dsRow", "ColValue", "Codice"), "dsRow.ColValue(\"Codice\")");
    EXPECT_EQ(DataCallInsert("ds.ColValue(", 12, "ds", "ColValue", "Codice"), "\"Codice\")");
    EXPECT_EQ(DataCallInsert("ds.", 3, "ds", "ColValue", "Codice"), "ColValue(\"Codice\")");
    EXPECT_EQ(DataCallInsert("ds.", 3, "ds", "GetReference", "Cliente", "."), "GetReference(\"Cliente\").");

    EXPECT_EQ(InstructionInsert("x", 0, "prn.", "NewPage"), "NewPage");
    EXPECT_EQ(InstructionInsert("prn.", 4, "prn.", "NewPage"), "NewPage");
    EXPECT_EQ(InstructionInsert("  ", 2, "prn.", "NewPage"), "prn.NewPage");

    int at = 0;
    const QString section = IfSectionInsert("Righe", &at);
    EXPECT_EQ(section, "\r\nIf prn.DataReferenceName=\"Righe\" Then\r\n  \r\nEnd If\r\n");
    EXPECT_EQ(section.left(at).right(4), "\r\n  ");

    EXPECT_EQ(ScriptLineDisplay(0, 1), "1 / 1");
    EXPECT_EQ(ScriptLineDisplay(-1, 3), "");
}

TEST(ScriptAssistant, AReferenceChainByMenuChoicesAlone) {
    // "GetReference(" from the reference menu, then the referenced table's field.
    QString text = "x = ";
    text += DataCallInsert(text, int(text.size()), "ds", "GetReference", "Cliente", ".");
    text += DataCallInsert(text, int(text.size()), "ds", "GetReference", "Zona", ".");
    text += DataCallInsert(text, int(text.size()), "ds", "ColValue", "Descrizione");
    EXPECT_EQ(text, "x = ds.GetReference(\"Cliente\").GetReference(\"Zona\").ColValue(\"Descrizione\")");
}

TEST(ScriptAssistant, MenuEntriesFollowTheBaseChain) {
    datalib::TableDef base("Documenti");
    base.columns.Add("Numero", 11, 0, 0, {}, -100, -100, -100, true, "Numero documento");
    base.references.Add("Righe", "RigheDocumenti", true, true, {}, {}, -100, -100, -100, "Righe documento");
    datalib::TableDef order("Ordini");
    order.base = &base;
    order.columns.Add("Note", 0, 64);
    order.references.Add("Cliente", "Clienti", false, false, "Codice", {}, -100, -100, -100, "Cliente");
    EXPECT_EQ(FieldMenuEntries(order),
              (QList<MenuEntry>{{"* Note", "Note"}, {"* Numero documento", "Numero"}}));
    EXPECT_EQ(ReferenceMenuEntries(order, "> "),
              (QList<MenuEntry>{{"> Cliente", "Cliente"}, {"> Righe documento", "Righe"}}));
    EXPECT_EQ(ReferenceMenuEntries(order, "> ", true), (QList<MenuEntry>{{"> Righe documento", "Righe"}}));
}
