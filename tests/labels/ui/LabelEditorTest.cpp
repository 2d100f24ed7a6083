// The label layout editor through its real widgets on the demo archive: the
// table list, defaults and the leave question, saving one row, the printer
// box, refused saves, export and import, test print and preview, and the
// script assistant's triggers and inserts.

#include "../../reports/ui/DemoPrintFixture.h"
#include "../../reports/ui/PdfProbe.h"

#include "controls/MubCommand.h"
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

    const labels::LabelPrintSettingWidgets& w() const { return editor->Widgets(); }

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
        w().txtVBScript->moveCursor(QTextCursor::End);
        QTest::keyClicks(w().txtVBScript, text);
        settle();
    }
};

TEST_F(LabelEditorTest, TableListsDefaultsAndTheLeaveQuestion) {
    // Every table, in database order; two names in any case: those two in database order.
    open(QString());
    auto* tables = w().cbTableSel;
    EXPECT_EQ(tables->count(), db->TableCount() - 2);  // not the two layout tables
    EXPECT_EQ(tables->currentIndex(), -1);
    EXPECT_FALSE(w().cmdOK->isEnabled());
    EXPECT_TRUE(w().cmdCancel->isEnabled());
    editor.reset();
    open(QStringLiteral("clienti,ARTICOLI"));
    tables = w().cbTableSel;
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
    EXPECT_EQ(w().cbTableSel->currentIndex(), 0);
    EXPECT_EQ(editor->GetSelectedTableName(), QStringLiteral("Clienti"));
    EXPECT_EQ(w().txtColumns->text(), "2");
    EXPECT_EQ(w().txtLabelHeight->text(), "32,5");
    EXPECT_EQ(w().txtLabelWidth->text(), "88");
    EXPECT_EQ(w().txtLabelTop->text(), "0");
    EXPECT_EQ(w().txtLabelLeft->text(), "0");
    EXPECT_EQ(w().txtCopy->text(), "1");
    EXPECT_TRUE(w().chkEnableLabelAlignment->isChecked());
    EXPECT_FALSE(w().chkPrinterSelection->isChecked());
    EXPECT_FALSE(w().chkHorizontal->isChecked());
    EXPECT_EQ(w().txtVBScript->toPlainText().replace('\n', "\r\n"), labels::DefaultLabelScript());
    EXPECT_TRUE(w().cmdOK->isEnabled());  // enabled once the menus are built
    EXPECT_TRUE(editor->modified());
    w().cmdDefault->click();
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("' predefinito"));
    // No keeps the window; a second Esci asks again; the title bar asks too; Yes leaves.
    boxes->answer(core::kAnswerNo);
    w().cmdCancel->click();
    EXPECT_TRUE(editor->isVisible());
    ASSERT_EQ(boxes->shown().size(), 1u);
    EXPECT_EQ(boxes->shown()[0].text,
              QStringLiteral("Lo script è stato modificato...\r\rUscire senza salvare ?"));
    EXPECT_EQ(boxes->shown()[0].style, core::kYesNo | core::kQuestion | core::kDefaultButton2);
    boxes->answer(core::kAnswerNo);
    w().cmdCancel->click();
    boxes->answer(core::kAnswerNo);
    editor->close();
    EXPECT_TRUE(editor->isVisible());
    EXPECT_EQ(boxes->shown().size(), 3u);
    boxes->answer(core::kAnswerYes);
    w().cmdCancel->click();
    EXPECT_FALSE(editor->isVisible());
}

TEST_F(LabelEditorTest, SavesOneRowKeepsAnUninstalledPrinterAndRefusesBadInput) {
    open();
    // No printer: nothing written.
    w().cboPrinter->setEditText(QString());
    w().cmdOK->click();
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Devi selezionare la stampante"));
    EXPECT_EQ(layoutRows(), 0);
    // A box the library refuses: its message, no half-filled row, texts and flag kept.
    w().cboPrinter->setEditText(QStringLiteral("Stampante di magazzino"));
    w().txtLabelWidth->setText(QStringLiteral("abc"));
    w().cmdOK->click();
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("LarghezzaEtichetta")))
        << qPrintable(boxes->lastText());
    EXPECT_EQ(layoutRows(), 0);
    EXPECT_EQ(w().txtLabelWidth->text(), QStringLiteral("abc"));
    EXPECT_TRUE(editor->modified());
    // Saved twice: one row, the Italian and the point decimal both read.
    w().txtLabelWidth->setText(QStringLiteral("70.5"));
    w().cmdOK->click();
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Impostazioni Salvate."));
    EXPECT_FALSE(editor->modified());
    w().txtLabelHeight->setText(QStringLiteral("37,5"));  // a size box sets the flag too
    EXPECT_TRUE(editor->modified());
    w().chkHorizontal->setChecked(true);
    w().cmdOK->click();
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
    auto* printer = w().cboPrinter;
    EXPECT_EQ(printer->currentText(), QStringLiteral("Stampante di magazzino"));
    EXPECT_EQ(w().txtLabelHeight->text(), QStringLiteral("37,5"));
    EXPECT_TRUE(w().chkHorizontal->isChecked());
    EXPECT_FALSE(editor->modified());
    EXPECT_EQ(w().txtVBScript->toPlainText().replace('\n', "\r\n"), labels::DefaultLabelScript());
    // Title bar close with nothing changed: no question.
    const size_t shown = boxes->shown().size();
    editor->close();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(boxes->shown().size(), shown);
}

TEST_F(LabelEditorTest, ExportImportRoundTripAndImportRules) {
    open();
    platform::ScriptedFileDialogs dialogs;
    w().txtColumns->setText("3");
    w().txtLabelHeight->setText("37,5");
    w().txtLabelWidth->setText("70");
    w().txtLabelTop->setText("4,25");
    w().txtLabelLeft->setText("1");
    w().txtCopy->setText("2");
    w().chkHorizontal->setChecked(true);
    w().chkEnableLabelAlignment->setChecked(false);
    w().txtVBScript->setPlainText(
        QStringLiteral("Function PrintLabel(ds, prn)\n  prn.TxtOut 0, 0, \"è\"\nEnd Function"));
    const QString file = dir.filePath("LabelPrint.vbs");
    dialogs.answer(file);
    w().cmdSave->click();
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
    for (QLineEdit* box : {w().txtColumns, w().txtLabelHeight, w().txtLabelWidth, w().txtLabelTop,
                           w().txtLabelLeft, w().txtCopy})
        box->setText("9");
    w().chkHorizontal->setChecked(false);
    w().chkEnableLabelAlignment->setChecked(true);
    w().txtVBScript->setPlainText("x");
    dialogs.answer(file);
    w().cmdLoad->click();
    EXPECT_EQ(w().txtColumns->text(), "3");
    EXPECT_EQ(w().txtLabelHeight->text(), "37,5");
    EXPECT_EQ(w().txtLabelWidth->text(), "70");
    EXPECT_EQ(w().txtLabelTop->text(), "4,25");
    EXPECT_EQ(w().txtLabelLeft->text(), "1");
    EXPECT_EQ(w().txtCopy->text(), "2");
    EXPECT_TRUE(w().chkHorizontal->isChecked());
    EXPECT_FALSE(w().chkEnableLabelAlignment->isChecked());
    EXPECT_EQ(w().txtVBScript->toPlainText(),
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
    w().chkHorizontal->setChecked(false);
    dialogs.answer(other);
    w().cmdLoad->click();
    EXPECT_EQ(w().txtLabelTop->text(), "a=b");
    EXPECT_EQ(w().txtColumns->text(), "4");
    EXPECT_TRUE(w().chkHorizontal->isChecked());
    EXPECT_EQ(w().txtLabelWidth->text(), "70");  // not in the file
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("'#Nota senza uguale\nSub Altro\nEnd Sub\n"));

    // An unreadable file: its message, the script stays; a cancelled dialog: nothing.
    boxes->clear();
    dialogs.answer(dir.filePath("manca.vbs"));
    w().cmdLoad->click();
    EXPECT_EQ(boxes->shown().size(), 1u);
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("'#Nota senza uguale\nSub Altro\nEnd Sub\n"));
    dialogs.answer(QString());
    w().cmdLoad->click();
    dialogs.answer(QString());
    w().cmdSave->click();
    EXPECT_EQ(boxes->shown().size(), 1u);
}

TEST_F(LabelEditorTest, TestPrintAndPreviewUseTheBoxesAndNameABadOne) {
    open();
    w().txtColumns->setText("3");
    w().txtLabelHeight->setText("30");
    w().txtLabelWidth->setText("60,5");
    w().txtVBScript->setPlainText(QStringLiteral(
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
    w().txtLabelTop->setText("due");
    w().cmdPreview->click();
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("Margine Superiore")))
        << qPrintable(boxes->lastText());
    EXPECT_EQ(picks, 0);
    EXPECT_EQ(shows, 0);
    w().txtLabelTop->setText("0");
    w().cmdPreview->click();
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(frmLabelPrintSetting::sharedPreview()->surface().image().isNull(), false);
    // The test print: one row of three labels on the printer of the box.
    w().cboPrinter->setEditText(platform::Printers::pdfPrinterName());
    w().cmdTest->click();
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
    w().txtVBScript->setPlainText("x\n");
    typeAtEnd("prn.");
    typeAtEnd(" Ds.");
    typeAtEnd(" a(\"b\").");
    typeAtEnd(" GetReference(");
    typeAtEnd(" ColValue(");
    EXPECT_EQ(popups, (QStringList{"mnuOutputInstructions", "mnuDataInstructions", "mnuDataInstructions",
                                   "mnuReferences", "mnuFields"}));
    // SetFont and Color: only with nothing right after the caret.
    w().txtVBScript->setPlainText("x\n");
    typeAtEnd("prn.SetFont ");
    EXPECT_TRUE(w().txtVBScript->toPlainText().endsWith(
        QStringLiteral("SetFont 10.5, True, False, \"Arial\", False")))
        << qPrintable(w().txtVBScript->toPlainText());
    QTest::keyClick(w().txtVBScript, Qt::Key_Return);
    typeAtEnd("prn.Color ");
    EXPECT_TRUE(w().txtVBScript->toPlainText().endsWith(QStringLiteral("Color = &HFFFF&")));
    w().txtVBScript->setPlainText("y");
    w().txtVBScript->moveCursor(QTextCursor::Start);
    QTest::keyClicks(w().txtVBScript, "prn.SetFont ");
    settle();
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("prn.SetFont y"));

    // Instruction items: prefix after a blank, none after "." or at the start; an empty box gets nothing.
    popups.clear();
    w().txtVBScript->setPlainText("a ");
    w().txtVBScript->moveCursor(QTextCursor::End);
    choose = QStringLiteral(" - Stampa Linea");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuOutputInstructions);
    settle();
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("a prn.LineOut nY, nX, nToY, nToX"));
    w().txtVBScript->setPlainText("prn.");
    w().txtVBScript->moveCursor(QTextCursor::End);
    choose = QStringLiteral(" - Stampa Linea");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuOutputInstructions);
    settle();
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("prn.LineOut nY, nX, nToY, nToX"));
    w().txtVBScript->moveCursor(QTextCursor::Start);
    choose = QStringLiteral("   Record Successivo");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuDataInstructions);
    settle();
    EXPECT_TRUE(w().txtVBScript->toPlainText().startsWith(QStringLiteral("RowNextprn.")));
    w().txtVBScript->clear();
    choose = QStringLiteral("   Record Successivo");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuDataInstructions);
    settle();
    EXPECT_TRUE(w().txtVBScript->toPlainText().isEmpty());
    editor->BuildColValueText(QStringLiteral("Codice"));  // a field into an empty box: nothing
    EXPECT_TRUE(w().txtVBScript->toPlainText().isEmpty());

    // " * Contenuto Campo ()" writes ds.ColValue( and pops the fields; a field completes it.
    w().txtVBScript->setPlainText("v = ");
    w().txtVBScript->moveCursor(QTextCursor::End);
    popups.clear();
    choose = QStringLiteral(" * Contenuto Campo ()");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuDataInstructions);
    settle();
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("v = ds.ColValue("));
    EXPECT_EQ(popups.last(), QStringLiteral("mnuFields"));
    editor->BuildColValueText(QStringLiteral("Codice"));
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("v = ds.ColValue(\"Codice\")"));
    // A reference chosen from the field menu after "ColValue(" becomes GetReference and pops its menu.
    w().txtVBScript->setPlainText("t = ds.ColValue(");
    w().txtVBScript->moveCursor(QTextCursor::End);
    popups.clear();
    choose = QStringLiteral("> Comune/Città della sede o di residenza");
    editor->assistant().PopupMenuAtCaret(editor->menus().mnuFields);
    settle();
    EXPECT_EQ(w().txtVBScript->toPlainText(), QStringLiteral("t = ds.GetReference(\"Città\")."));
    EXPECT_EQ(popups.last(), QStringLiteral("mnuRefFieldHelp"));
    EXPECT_EQ(editor->menus().mnuRefName->text(),
              QStringLiteral("< Comune/Città della sede o di residenza >"));
    EXPECT_EQ(editor->menus().mnuRefName->data().toString(), QStringLiteral("Comuni"));
}

}  // namespace
