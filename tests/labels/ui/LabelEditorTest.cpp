// The label layout editor through its real widgets on the demo archive: the
// table list, defaults and the leave question, saving one row, the printer
// box, refused saves, export and import, test print and preview, and the
// script assistant's triggers and inserts.

#include "../../reports/ui/DemoPrintFixture.h"
#include "../../reports/ui/PdfProbe.h"

#include "core/Cp1252.h"
#include "datalib/DataSet.h"
#include "labels/LabelLayoutFile.h"
#include "labels/ui/frmLabelPreview.h"
#include "labels/ui/frmLabelPrintSetting.h"
#include "labels/ui/modLabelPrint.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/PageSurface.h"
#include "reports/ui/LayoutScriptMenus.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

namespace {

using labels::frmLabelPrintSetting;

class LabelEditorTest : public printtest::DemoPrintTest {
  protected:
    LabelEditorTest() : DemoPrintTest(QStringLiteral("TabStampaEtichette"), QStringLiteral("labels.pdf")) {}

    std::unique_ptr<frmLabelPrintSetting> editor;
    QStringList popups;  // the menus popped, by title or object name
    QString choose;      // the item to choose in the next popup ("" = close it)

    void TearDown() override {
        reports::ScriptEditorAssistant::setMenuPopper({});
        if (editor) {
            editor->assistant().tmFunc()->stop();
            editor->hide();
        }
        editor.reset();
        reports::ScriptEditorAssistant::setFontChooser({});
        reports::ScriptEditorAssistant::setColorChooser({});
        labels::setLabelPreviewShower({});
        DemoPrintTest::TearDown();
    }

    // Opens the editor with a table list; the deferred menu build has run.
    void open(const QString& tableList = QStringLiteral("Clienti"),
              const QString& defaultScript = QString()) {
        editor = std::make_unique<frmLabelPrintSetting>();
        editor->EditSetting(nullptr, db, tableList, defaultScript);
        settle();
    }
    void settle() { testsupport::waitForTimer(*editor->assistant().tmFunc()); }

    template <class T>
    T* child(const char* name) {
        T* w = editor->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* box(const char* name) { return child<QLineEdit>(name); }
    QPlainTextEdit* script() { return child<QPlainTextEdit>("txtVBScript"); }
    void click(const char* name) { child<QPushButton>(name)->click(); }

    long layoutRows() {
        auto ds = db->OpenDataSource(QStringLiteral("TabStampaEtichette"));
        return ds->RowCount(true);
    }

    // Every popup menu is logged instead of shown; the item whose text is
    // `choose` (when set) is clicked.
    void watchPopups() {
        reports::ScriptEditorAssistant::setMenuPopper([this](QMenu* menu, const QPoint&) {
            popups << (menu->objectName().isEmpty() ? menu->title() : menu->objectName());
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions())
                if (!choose.isEmpty() && a->text() == choose) chosen = a;
            choose.clear();
            if (chosen) chosen->trigger();
        });
    }

    // Types at the end of the script box and lets the deferred actions run.
    void typeAtEnd(const QString& text) {
        script()->moveCursor(QTextCursor::End);
        QTest::keyClicks(script(), text);
        settle();
    }
};

TEST_F(LabelEditorTest, TableListsDefaultsAndTheLeaveQuestion) {
    // Every table, in database order; two names in any case: those two in database order.
    open(QString());
    auto* tables = child<QComboBox>("cbTableSel");
    EXPECT_EQ(tables->count(), db->TableCount() - 2);  // not the two layout tables
    EXPECT_EQ(tables->currentIndex(), -1);
    EXPECT_FALSE(child<QPushButton>("cmdOK")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("cmdCancel")->isEnabled());
    editor.reset();
    open(QStringLiteral("clienti,ARTICOLI"));
    tables = child<QComboBox>("cbTableSel");
    ASSERT_EQ(tables->count(), 2);
    const int articoli = [&] {
        for (int i = 0; i < db->TableCount(); ++i)
            if (db->Tables(i)->Name() == QLatin1String("Articoli")) return i;
        return -1;
    }();
    const int clienti = [&] {
        for (int i = 0; i < db->TableCount(); ++i)
            if (db->Tables(i)->Name() == QLatin1String("Clienti")) return i;
        return -1;
    }();
    EXPECT_EQ(tables->itemData(0).toInt(), std::min(articoli, clienti));
    EXPECT_EQ(tables->itemData(1).toInt(), std::max(articoli, clienti));
    EXPECT_EQ(tables->currentIndex(), -1);
    editor.reset();

    // One table: chosen at once, no row: the defaults (the built-in script,
    // not the one given to the editor), and the box counts as changed.
    open(QStringLiteral("Clienti"), QStringLiteral("' predefinito"));
    EXPECT_EQ(child<QComboBox>("cbTableSel")->currentIndex(), 0);
    EXPECT_EQ(editor->GetSelectedTableName(), QStringLiteral("Clienti"));
    EXPECT_EQ(box("txtColumns")->text(), "2");
    EXPECT_EQ(box("txtLabelHeight")->text(), "32,5");
    EXPECT_EQ(box("txtLabelWidth")->text(), "88");
    EXPECT_EQ(box("txtLabelTop")->text(), "0");
    EXPECT_EQ(box("txtLabelLeft")->text(), "0");
    EXPECT_EQ(box("txtCopy")->text(), "1");
    EXPECT_TRUE(child<QCheckBox>("chkEnableLabelAlignment")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("chkPrinterSelection")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("chkHorizontal")->isChecked());
    EXPECT_EQ(script()->toPlainText().replace('\n', "\r\n"), labels::DefaultLabelScript());
    EXPECT_TRUE(child<QPushButton>("cmdOK")->isEnabled());  // enabled once the menus are built
    EXPECT_TRUE(editor->modified());
    click("cmdDefault");
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("' predefinito"));
    // No keeps the window; a second Esci asks again; the title bar asks too; Yes leaves.
    boxes->answer(core::kAnswerNo);
    click("cmdCancel");
    EXPECT_TRUE(editor->isVisible());
    ASSERT_EQ(boxes->shown().size(), 1u);
    EXPECT_EQ(boxes->shown()[0].text,
              QStringLiteral("Lo script è stato modificato...\r\rUscire senza salvare ?"));
    EXPECT_EQ(boxes->shown()[0].style, core::kYesNo | core::kQuestion | core::kDefaultButton2);
    boxes->answer(core::kAnswerNo);
    click("cmdCancel");
    boxes->answer(core::kAnswerNo);
    editor->close();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(boxes->shown().size(), 3u);
    boxes->answer(core::kAnswerYes);
    click("cmdCancel");
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(LabelEditorTest, SavesOneRowKeepsAnUninstalledPrinterAndRefusesBadInput) {
    open();
    // No printer: nothing written.
    child<QComboBox>("cboPrinter")->setEditText(QString());
    click("cmdOK");
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Devi selezionare la stampante"));
    EXPECT_EQ(layoutRows(), 0);
    // A box the library refuses: its message, no half-filled row, texts and flag kept.
    child<QComboBox>("cboPrinter")->setEditText(QStringLiteral("Stampante di magazzino"));
    box("txtLabelWidth")->setText(QStringLiteral("abc"));
    click("cmdOK");
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("LarghezzaEtichetta")))
        << qPrintable(boxes->lastText());
    EXPECT_EQ(layoutRows(), 0);
    EXPECT_EQ(box("txtLabelWidth")->text(), QStringLiteral("abc"));
    EXPECT_TRUE(editor->modified());
    // Saved twice: one row, the Italian and the point decimal both read.
    box("txtLabelWidth")->setText(QStringLiteral("70.5"));
    click("cmdOK");
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Impostazioni Salvate."));
    EXPECT_FALSE(editor->modified());
    box("txtLabelHeight")->setText(QStringLiteral("37,5"));  // a size box sets the flag too
    EXPECT_TRUE(editor->modified());
    child<QCheckBox>("chkHorizontal")->setChecked(true);
    click("cmdOK");
    EXPECT_FALSE(editor->modified());
    ASSERT_EQ(layoutRows(), 1);
    auto row = db->OpenDataSource(QStringLiteral("TabStampaEtichette"));
    row->RowFirst();
    EXPECT_EQ(row->ColValueStr("NomeTabellaOrigine"), QStringLiteral("Clienti"));
    EXPECT_FLOAT_EQ(float(row->ColValueNum("AltezzaEtichetta")), 37.5f);
    EXPECT_FLOAT_EQ(float(row->ColValueNum("LarghezzaEtichetta")), 70.5f);
    EXPECT_EQ(row->ColValueNum("NumeroColonne"), 2);
    EXPECT_TRUE(row->ColValueBool("OrientamentoOrizzontale"));
    EXPECT_TRUE(row->ColValueBool("AbilitaPosizionamento"));
    EXPECT_EQ(row->ColValueStr("IstruzioniStampa"), labels::DefaultLabelScript());
    // Reopened: the stored printer, not installed, is the box's text; nothing modified.
    editor.reset();
    open();
    auto* printer = child<QComboBox>("cboPrinter");
    EXPECT_EQ(printer->currentText(), QStringLiteral("Stampante di magazzino"));
    EXPECT_EQ(box("txtLabelHeight")->text(), QStringLiteral("37,5"));
    EXPECT_TRUE(child<QCheckBox>("chkHorizontal")->isChecked());
    EXPECT_FALSE(editor->modified());
    EXPECT_EQ(script()->toPlainText().replace('\n', "\r\n"), labels::DefaultLabelScript());
    // Title bar close with nothing changed: no question.
    const size_t shown = boxes->shown().size();
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(boxes->shown().size(), shown);
}

TEST_F(LabelEditorTest, ExportImportRoundTripAndImportRules) {
    open();
    platform::ScriptedFileDialogs dialogs;
    box("txtColumns")->setText("3");
    box("txtLabelHeight")->setText("37,5");
    box("txtLabelWidth")->setText("70");
    box("txtLabelTop")->setText("4,25");
    box("txtLabelLeft")->setText("1");
    box("txtCopy")->setText("2");
    child<QCheckBox>("chkHorizontal")->setChecked(true);
    child<QCheckBox>("chkEnableLabelAlignment")->setChecked(false);
    script()->setPlainText(
        QStringLiteral("Function PrintLabel(ds, prn)\n  prn.TxtOut 0, 0, \"è\"\nEnd Function"));
    const QString file = dir.filePath("LabelPrint.vbs");
    dialogs.answer(file);
    click("cmdSave");
    EXPECT_TRUE(dialogs.proposed().back().endsWith(QStringLiteral("/LabelPrint.vbs")));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();
    EXPECT_EQ(bytes, core::cp1252::encode(QStringLiteral(
                         "'#Columns=3\r\n'#LabelHeight=37,5\r\n'#LabelWidth=70\r\n'#LabelTop=4,25\r\n"
                         "'#LabelLeft=1\r\n'#HorizontalOrientation=1\r\n'#EnableLabelAlignment=0\r\n"
                         "'#CopyNumber=2\r\nFunction PrintLabel(ds, prn)\r\n  prn.TxtOut 0, 0, \"è\"\r\n"
                         "End Function")));
    // Everything changed, then imported back: the script gains a line end.
    for (const char* name :
         {"txtColumns", "txtLabelHeight", "txtLabelWidth", "txtLabelTop", "txtLabelLeft", "txtCopy"})
        box(name)->setText("9");
    child<QCheckBox>("chkHorizontal")->setChecked(false);
    child<QCheckBox>("chkEnableLabelAlignment")->setChecked(true);
    script()->setPlainText("x");
    dialogs.answer(file);
    click("cmdLoad");
    EXPECT_EQ(box("txtColumns")->text(), "3");
    EXPECT_EQ(box("txtLabelHeight")->text(), "37,5");
    EXPECT_EQ(box("txtLabelWidth")->text(), "70");
    EXPECT_EQ(box("txtLabelTop")->text(), "4,25");
    EXPECT_EQ(box("txtLabelLeft")->text(), "1");
    EXPECT_EQ(box("txtCopy")->text(), "2");
    EXPECT_TRUE(child<QCheckBox>("chkHorizontal")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("chkEnableLabelAlignment")->isChecked());
    EXPECT_EQ(script()->toPlainText(),
              QStringLiteral("Function PrintLabel(ds, prn)\n  prn.TxtOut 0, 0, \"è\"\nEnd Function\n"));
    EXPECT_TRUE(editor->modified());

    // The rules: a value holding "=", a key in another case, a line without
    // "=", a report layout's keys, an empty orientation, LF line ends.
    const QString other = dir.filePath("Altro.vbs");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QFile g(other);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write(
        "'#LabelTop=a=b\n'#columns=7\n'#Nota senza uguale\n'#ReportName=Lista\n'#Columns=4\n"
        "'#HorizontalOrientation=\nSub Altro\n'#ReportHeight=100\nEnd Sub");
    g.close();
    child<QCheckBox>("chkHorizontal")->setChecked(false);
    dialogs.answer(other);
    click("cmdLoad");
    EXPECT_EQ(box("txtLabelTop")->text(), "a=b");
    EXPECT_EQ(box("txtColumns")->text(), "4");
    EXPECT_TRUE(child<QCheckBox>("chkHorizontal")->isChecked());
    EXPECT_EQ(box("txtLabelWidth")->text(), "70");  // not in the file
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("'#Nota senza uguale\nSub Altro\nEnd Sub\n"));

    // An unreadable file: its message, the script stays; a cancelled dialog: nothing.
    boxes->clear();
    dialogs.answer(dir.filePath("manca.vbs"));
    click("cmdLoad");
    EXPECT_EQ(boxes->shown().size(), 1u);
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("'#Nota senza uguale\nSub Altro\nEnd Sub\n"));
    dialogs.answer(QString());
    click("cmdLoad");
    dialogs.answer(QString());
    click("cmdSave");
    EXPECT_EQ(boxes->shown().size(), 1u);
}

TEST_F(LabelEditorTest, TestPrintAndPreviewUseTheBoxesAndNameABadOne) {
    open();
    box("txtColumns")->setText("3");
    box("txtLabelHeight")->setText("30");
    box("txtLabelWidth")->setText("60,5");
    script()->setPlainText(QStringLiteral(
        "Function PrintLabel(ds, prn)\n  prn.SetFont 8, False, False, \"DejaVu Sans\"\n"
        "  prn.TxtOut 2, 0, \"M\" & ds.ColValue(\"Codice\")\n  PrintLabel = True\nEnd Function\n"));
    printtest::PickListPlayer picker;
    picker.pick = [](controls::PickListDialog& list) {
        list.ChooseRow(0);
        return true;
    };
    const int& picks = picker.shown;
    int shows = 0;
    labels::setLabelPreviewShower([&](labels::frmLabelPreview&) { ++shows; });
    // A box without a number is named and nothing is drawn.
    box("txtLabelTop")->setText("due");
    click("cmdPreview");
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("Margine Superiore")))
        << qPrintable(boxes->lastText());
    EXPECT_EQ(picks, 0);
    EXPECT_EQ(shows, 0);
    box("txtLabelTop")->setText("0");
    click("cmdPreview");
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(frmLabelPrintSetting::sharedPreview()->surface().image().isNull(), false);
    // The test print: one row of three labels on the printer of the box.
    child<QComboBox>("cboPrinter")->setEditText(platform::Printers::pdfPrinterName());
    click("cmdTest");
    EXPECT_EQ(picks, 2);
    std::vector<double> lefts;
    for (const auto& w : pdfprobe::words(pdf()))
        if (w.text.startsWith('M')) lefts.push_back(w.box.left());
    std::sort(lefts.begin(), lefts.end());
    ASSERT_EQ(lefts.size(), 3u);
    EXPECT_NEAR(lefts[0], 0, 0.5);
    EXPECT_NEAR(lefts[1], 60.5, 0.5);
    EXPECT_NEAR(lefts[2], 121, 0.5);
}

TEST_F(LabelEditorTest, TriggersAndInsertPrefixes) {
    open();
    watchPopups();
    reports::ScriptEditorAssistant::setFontChooser([](QWidget*) {
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(10.5);
        font.setBold(true);
        return std::optional<QFont>(font);
    });
    reports::ScriptEditorAssistant::setColorChooser(
        [](QWidget*) { return std::optional<QColor>(QColor(255, 255, 0)); });
    script()->setPlainText("x\n");
    typeAtEnd("prn.");
    typeAtEnd(" Ds.");
    typeAtEnd(" a(\"b\").");
    typeAtEnd(" GetReference(");
    typeAtEnd(" ColValue(");
    EXPECT_EQ(popups, (QStringList{"mnuOutputInstructions", "mnuDataInstructions", "mnuDataInstructions",
                                   "mnuReferences", "mnuFields"}));
    // SetFont and Color: only with nothing right after the caret.
    script()->setPlainText("x\n");
    typeAtEnd("prn.SetFont ");
    EXPECT_TRUE(
        script()->toPlainText().endsWith(QStringLiteral("SetFont 10.5, True, False, \"Arial\", False")))
        << qPrintable(script()->toPlainText());
    QTest::keyClick(script(), Qt::Key_Return);
    typeAtEnd("prn.Color ");
    EXPECT_TRUE(script()->toPlainText().endsWith(QStringLiteral("Color = &HFFFF&")));
    script()->setPlainText("y");
    script()->moveCursor(QTextCursor::Start);
    QTest::keyClicks(script(), "prn.SetFont ");
    settle();
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("prn.SetFont y"));

    // Instruction items: prefix after a blank, none after "." or at the start; an empty box gets nothing.
    popups.clear();
    script()->setPlainText("a ");
    script()->moveCursor(QTextCursor::End);
    choose = QStringLiteral(" - Stampa Linea");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuOutputInstructions);
    settle();
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("a prn.LineOut nY, nX, nToY, nToX"));
    script()->setPlainText("prn.");
    script()->moveCursor(QTextCursor::End);
    choose = QStringLiteral(" - Stampa Linea");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuOutputInstructions);
    settle();
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("prn.LineOut nY, nX, nToY, nToX"));
    script()->moveCursor(QTextCursor::Start);
    choose = QStringLiteral("   Record Successivo");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuDataInstructions);
    settle();
    EXPECT_TRUE(script()->toPlainText().startsWith(QStringLiteral("RowNextprn.")));
    script()->clear();
    choose = QStringLiteral("   Record Successivo");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuDataInstructions);
    settle();
    EXPECT_TRUE(script()->toPlainText().isEmpty());
    editor->BuildColValueText(QStringLiteral("Codice"));  // a field into an empty box: nothing
    EXPECT_TRUE(script()->toPlainText().isEmpty());

    // " * Contenuto Campo ()" writes ds.ColValue( and pops the fields; a field completes it.
    script()->setPlainText("v = ");
    script()->moveCursor(QTextCursor::End);
    popups.clear();
    choose = QStringLiteral(" * Contenuto Campo ()");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuDataInstructions);
    settle();
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("v = ds.ColValue("));
    EXPECT_EQ(popups.last(), QStringLiteral("mnuFields"));
    editor->BuildColValueText(QStringLiteral("Codice"));
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("v = ds.ColValue(\"Codice\")"));
    // A reference chosen from the field menu after "ColValue(" becomes GetReference and pops its menu.
    script()->setPlainText("t = ds.ColValue(");
    script()->moveCursor(QTextCursor::End);
    popups.clear();
    choose = QStringLiteral("> Comune/Città della sede o di residenza");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuFields);
    settle();
    EXPECT_EQ(script()->toPlainText(), QStringLiteral("t = ds.GetReference(\"Città\")."));
    EXPECT_EQ(popups.last(), QStringLiteral("mnuRefFieldHelp"));
    EXPECT_EQ(editor->menus().mnuRefName->text(),
              QStringLiteral("< Comune/Città della sede o di residenza >"));
    EXPECT_EQ(editor->menus().mnuRefName->data().toString(), QStringLiteral("Comuni"));
}

}  // namespace
