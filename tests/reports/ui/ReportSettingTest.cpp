// The report layout editor through its real window on the demo archive:
// sources of the four commands, new and stored profiles, saving and its
// refusals, deleting, the modified flag and the close questions, printers
// and groups, test print into a PDF read back, preview with the area marks,
// enabling, resize, export and import through the window's boxes.

#include "RunnerFixture.h"

#include "controls/MubCommand.h"
#include "platform/ui/Desktop.h"
#include "reports/LayoutScript.h"
#include "reports/ui/LayoutScriptMenus.h"
#include "reports/ui/RowPicker.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "reports/ui/frmCustomReportSetting.h"
#include "startup/RunContext.h"
#include "support/TestSupport.h"
#include "tools/printserver/PrintServer.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

using reports::frmCustomReportSetting;

namespace {

class ReportSettingTest : public reporttest::RunnerTest {
  protected:
    QWidget owner;
    QPointer<frmCustomReportSetting> w;
    QImage previewPage;

    void SetUp() override {
        RunnerTest::SetUp();
        reports::setPreviewShower([this](reports::frmCustomReportPreview& preview, QWidget*) {
            ++previewShows;
            previewPage = preview.pageImage(1);
            return QString();
        });
    }
    void TearDown() override {
        if (w) {
            w->setAttribute(Qt::WA_DeleteOnClose, false);
            delete w.data();
        }
        RunnerTest::TearDown();
    }
    void open(const QString& tables, bool notes, const QString& groups) {
        frmCustomReportSetting::EditSetting(&owner, db, nullptr, tables, false, notes, groups);
        w = frmCustomReportSetting::instance();
        ASSERT_TRUE(w);
        QTest::qWait(20);  // the first activation
    }
    void choose(int source) {
        w->Widgets().cbTableSel->setCurrentIndex(source);
        w->cbTableSel_Click();
    }
    void fillSavable(const QString& name) {
        w->Widgets().cbReportName->setEditText(name);
        w->Widgets().cboPrinter->setEditText(platform::Printers::pdfPrinterName());
    }
    int storedProfiles() {
        auto all = db->OpenDataSource("TabProspettiStampa");
        return int(all->RowCount(true));
    }
    QStringList texts() const {
        QStringList t;
        for (const auto& s : boxes->shown()) t << s.text;
        return t;
    }
};

}  // namespace

TEST_F(ReportSettingTest, SourcesOfTheFourCommands) {
    struct Case {
        const char* tables;
        QString caption;
        QString table, reference;
    };
    const Case cases[] = {
        {"Ordini", db->tableDef("Ordini")->caption(), "Ordini", ""},
        // The rows reference has no description: its name stands for it.
        {"Ordini.Righe", db->tableDef("Ordini")->caption() + ".Righe", "Ordini", "Righe"},
        {"RigheOrdini", db->tableDef("RigheOrdini")->caption(), "RigheOrdini", ""},
        {"Clienti", db->tableDef("Clienti")->caption(), "Clienti", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tables);
        open(c.tables, false, "A,B");
        EXPECT_EQ(w->windowTitle(), "Impostazione Report");
        ASSERT_EQ(w->Widgets().cbTableSel->count(), 1);
        EXPECT_EQ(w->Widgets().cbTableSel->itemText(0), c.caption);
        // The only source is chosen at the first activation.
        EXPECT_EQ(w->Widgets().cbTableSel->currentIndex(), 0);
        EXPECT_EQ(w->GetSelectedTableName(), c.table);
        EXPECT_EQ(w->GetSelectedReferenceName(), c.reference);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        delete w.data();
    }
    // An empty list offers every user table but the layout tables; with every
    // reference, "Ordini" brings its data references and the every-reference entry.
    frmCustomReportSetting::EditSetting(&owner, db, nullptr, "", true, false, "");
    w = frmCustomReportSetting::instance();
    const auto& list = w->sourceList();
    EXPECT_FALSE(list.values().contains("TabProspettiStampa"));
    EXPECT_FALSE(list.values().contains("TabStampaEtichette"));
    EXPECT_TRUE(list.values().contains("Ordini.Righe"));
    EXPECT_TRUE(list.values().contains("Ordini.[ tutti i riferimenti ]"));
    EXPECT_EQ(list.size(), w->Widgets().cbTableSel->count());
    // A second call keeps the lists of the first.
    frmCustomReportSetting::EditSetting(&owner, db, nullptr, "Clienti", false, false, "X,Y");
    EXPECT_EQ(frmCustomReportSetting::instance(), w.data());
    EXPECT_EQ(w->Widgets().cbTableSel->count(), list.size());
    EXPECT_EQ(w->Widgets().cboReportGroup->count(), 1);
}

TEST_F(ReportSettingTest, TheWindowTakesTheRunsCommonFont) {
    auto& run = startup::runContext();
    const QString fontName = run.fontName;
    const double sizeDelta = run.fontSizeDelta;
    run.fontName = QStringLiteral("DejaVu Sans Mono");
    run.fontSizeDelta = 2;
    const double designed = QApplication::font().pointSizeF();
    open("Clienti", false, "");
    run.fontName = fontName;
    run.fontSizeDelta = sizeDelta;
    EXPECT_EQ(w->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(w->Widgets().cbTableSel->font().family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_DOUBLE_EQ(w->font().pointSizeF(), designed + 2);
}

TEST_F(ReportSettingTest, NewProfileValuesAndTheDefaultScript) {
    open("Ordini.Righe", true, "PropostaOrdine");
    EXPECT_EQ(w->Widgets().cbReportName->count(), 0);
    EXPECT_EQ(w->Widgets().txtColumns->text(), "1");
    EXPECT_EQ(w->Widgets().txtReportHeight->text(), "0");
    EXPECT_EQ(w->Widgets().txtReportWidth->text(), "0");
    EXPECT_EQ(w->Widgets().txtReportTop->text(), "5");
    EXPECT_EQ(w->Widgets().txtReportLeft->text(), "5");
    EXPECT_EQ(w->Widgets().txtReportRowsTop->text(), "40");
    EXPECT_EQ(w->Widgets().txtReportRowsBottom->text(), "240");
    EXPECT_EQ(w->Widgets().txtReportRowsDim->text(), "6");
    EXPECT_EQ(w->Widgets().txtBottomImageBorder->text(), "0");
    EXPECT_TRUE(w->Widgets().cboPrinter->currentText().isEmpty());
    EXPECT_EQ(w->Widgets().cboReportGroup->currentIndex(), 0);
    EXPECT_TRUE(w->Widgets().cboReportGroup->currentText().isEmpty());
    EXPECT_EQ(w->scriptText(), reports::DefaultReportText(true));
    EXPECT_TRUE(w->scriptText().trimmed().endsWith("End Function"));
    EXPECT_GT(w->scriptText().lastIndexOf("Function PrintNoteRow"),
              w->scriptText().lastIndexOf("PrintDataInit"));
    EXPECT_FALSE(w->modified());

    // Without note rows the script ends with the data initialisation; the
    // default command puts it back with the margins and keeps the rest.
    delete w.data();
    open("Clienti", false, "AnalisiCrescita,ListaPerRagSoc");
    EXPECT_FALSE(w->scriptText().contains("PrintNoteRow"));
    EXPECT_GT(w->scriptText().lastIndexOf("Function PrintDataInit"),
              w->scriptText().lastIndexOf("PrintReportRow"));
    w->setScriptText("x");
    w->Widgets().txtReportTop->setText("9");
    w->Widgets().txtReportHeight->setText("100");
    w->Widgets().cmdDefault->click();
    EXPECT_EQ(w->scriptText(), reports::DefaultReportText(false));
    EXPECT_EQ(w->Widgets().txtReportTop->text(), "5");
    EXPECT_EQ(w->Widgets().txtReportHeight->text(), "100");
    EXPECT_TRUE(w->modified());
}

TEST_F(ReportSettingTest, SavingRefusalsOverwriteAndLoading) {
    open("Clienti", false, "AnalisiCrescita,ListaPerRagSoc");
    const int before = storedProfiles();
    // No name, then no printer: nothing stored.
    w->Widgets().cmdOK->click();
    EXPECT_EQ(boxes->lastText(), "Devi specificare il nome del Report");
    w->Widgets().cbReportName->setEditText("Elenco");
    w->Widgets().cmdOK->click();
    EXPECT_EQ(boxes->lastText(), "Devi selezionare la stampante");
    EXPECT_EQ(storedProfiles(), before);

    // A size box without a number: the library's refusal, no row, texts and flag kept.
    fillSavable("Elenco");
    w->Widgets().txtReportHeight->setText("abc");
    boxes->clear();
    w->Widgets().cmdOK->click();
    ASSERT_EQ(boxes->shown().size(), 1u);
    EXPECT_EQ(boxes->shown()[0].style, platform::kOkOnly);
    EXPECT_EQ(storedProfiles(), before);
    EXPECT_EQ(w->Widgets().txtReportHeight->text(), "abc");
    EXPECT_TRUE(w->modified());

    // Italian and dotted decimals are stored as numbers; the new name joins the list.
    w->Widgets().txtReportHeight->setText("32,5");
    w->Widgets().txtReportWidth->setText("100.25");
    w->Widgets().cboReportGroup->setCurrentIndex(2);
    w->Widgets().chkHorizontal->setChecked(true);
    boxes->clear();
    w->Widgets().cmdOK->click();
    EXPECT_EQ(boxes->lastText(), "Impostazioni Salvate.");
    EXPECT_EQ(storedProfiles(), before + 1);
    EXPECT_EQ(w->Widgets().cbReportName->count(), 1);
    EXPECT_FALSE(w->modified());
    auto row = db->OpenDataSource("TabProspettiStampa", "NomeProspetto='Elenco'");
    row->RowFirst();
    EXPECT_DOUBLE_EQ(row->ColValueNum("AltezzaModulo"), 32.5);
    EXPECT_DOUBLE_EQ(row->ColValueNum("LarghezzaModulo"), 100.25);
    EXPECT_EQ(row->ColValueStr("NomeGruppo"), "ListaPerRagSoc");
    EXPECT_EQ(row->ColValueStr("NomeReference"), "");
    EXPECT_TRUE(row->ColValueStr("IstruzioniStampa").contains("\r\n"));

    // A typed existing name asks "Sovrascriverlo ?" (No keeps the row); the picked one does not.
    w->Widgets().cbReportName->setCurrentIndex(-1);
    w->Widgets().cbReportName->setEditText("Elenco");
    w->Widgets().txtReportHeight->setText("50");
    boxes->clear();
    boxes->answer(platform::kAnswerNo);
    w->Widgets().cmdOK->click();
    ASSERT_EQ(boxes->shown().size(), 1u);
    EXPECT_TRUE(boxes->shown()[0].text.endsWith("Sovrascriverlo ?"));
    EXPECT_TRUE(boxes->shown()[0].style & platform::kDefaultButton2);
    row = db->OpenDataSource("TabProspettiStampa", "NomeProspetto='Elenco'");
    row->RowFirst();
    EXPECT_DOUBLE_EQ(row->ColValueNum("AltezzaModulo"), 32.5);
    w->Widgets().cbReportName->setCurrentIndex(0);
    w->Widgets().txtReportHeight->setText("50");
    boxes->clear();
    w->Widgets().cmdOK->click();
    EXPECT_EQ(texts(), QStringList{"Impostazioni Salvate."});

    // Choosing the source again: the one profile loads at once, numbers in Italian.
    db->OpenDataSource("TabProspettiStampa", "NomeProspetto='Elenco'")->RowFirst();
    choose(0);
    EXPECT_EQ(w->Widgets().cbReportName->currentText(), "Elenco");
    EXPECT_EQ(w->Widgets().txtReportHeight->text(), "50");
    EXPECT_EQ(w->Widgets().txtReportWidth->text(), "100,25");
    EXPECT_TRUE(w->Widgets().chkHorizontal->isChecked());
    EXPECT_EQ(w->Widgets().cboReportGroup->currentText(), "ListaPerRagSoc");
    EXPECT_FALSE(w->modified());
}

// A row height that cannot move a row is not saved, typed or imported: the
// box is named and gets the focus, nothing is stored.
TEST_F(ReportSettingTest, ARowHeightThatCannotMoveARowIsNotSaved) {
    open("Clienti", false, "AnalisiCrescita,ListaPerRagSoc");
    const int before = storedProfiles();
    fillSavable("Righe");
    for (const char* typed : {"0", "", "-6", "1E-30", "0,05", "sei"}) {
        SCOPED_TRACE(typed);
        w->Widgets().txtReportRowsDim->setText(QString::fromUtf8(typed));
        boxes->clear();
        w->Widgets().cmdOK->click();
        ASSERT_EQ(boxes->shown().size(), 1u);
        EXPECT_EQ(boxes->lastText(), QStringLiteral("Dimensione righe (mm) non valida: \"") +
                                         QString::fromUtf8(typed) +
                                         QStringLiteral("\"\r\rOgni riga del prospetto deve essere alta "
                                                        "almeno 0,1 mm."));
        EXPECT_EQ(storedProfiles(), before);
        EXPECT_TRUE(w->modified());
    }

    // Imported from a layout file: shown in the box, refused when saved.
    platform::ScriptedFileDialogs files;
    const QString file = dir.filePath("righe.vbs");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "'#ReportName=Righe\r\n'#ReportRowsDim=0\r\nFunction PrintReportRow(dsRow, prn, nRow)\r\n"
        "  prn.RowEnd\r\n  PrintReportRow = True\r\nEnd Function\r\n");
    f.close();
    files.answer(file);
    w->Widgets().cmdLoad->click();
    EXPECT_EQ(w->Widgets().txtReportRowsDim->text(), "0");
    boxes->clear();
    w->Widgets().cmdOK->click();
    EXPECT_TRUE(boxes->lastText().startsWith("Dimensione righe (mm) non valida: \"0\""));
    EXPECT_EQ(storedProfiles(), before);

    w->Widgets().txtReportRowsDim->setText("0,1");
    boxes->clear();
    w->Widgets().cmdOK->click();
    EXPECT_EQ(boxes->lastText(), "Impostazioni Salvate.");
    EXPECT_EQ(storedProfiles(), before + 1);
}

TEST_F(ReportSettingTest, APrinterNotInstalledIsKeptAndGroupRules) {
    addLayout("Clienti", "", "Vecchio", reports::DefaultReportText(false));
    {
        auto row = db->OpenDataSource("TabProspettiStampa", "NomeProspetto='Vecchio'");
        row->RowFirst();
        row->SetColValue("NomeStampante", core::Variant(QString("Ufficio 3")));
        row->SetColValue("NomeGruppo", core::Variant(QString("Sconosciuto")));
        row->Save();
    }
    open("Clienti", false, "AnalisiCrescita,ListaPerRagSoc");
    EXPECT_EQ(w->Widgets().cbReportName->currentText(), "Vecchio");
    EXPECT_EQ(w->Widgets().cboPrinter->currentText(), "Ufficio 3");
    // A group not in the list shows the empty entry.
    EXPECT_EQ(w->Widgets().cboReportGroup->currentIndex(), 0);
    w->Widgets().cboReportGroup->setCurrentIndex(1);
    w->Widgets().cmdOK->click();
    auto row = db->OpenDataSource("TabProspettiStampa", "NomeProspetto='Vecchio'");
    row->RowFirst();
    EXPECT_EQ(row->ColValueStr("NomeStampante"), "Ufficio 3");
    w->SelectReportGroup("listaperragsoc  ");
    EXPECT_EQ(w->Widgets().cboReportGroup->currentIndex(), 2);
    delete w.data();

    // Fewer than two entries: the box and its label are off, the stored group is its only entry.
    open("Clienti", false, "");
    EXPECT_FALSE(w->Widgets().cboReportGroup->isEnabled());
    EXPECT_FALSE(w->Widgets().lblReportGroup->isEnabled());
    EXPECT_EQ(w->Widgets().cboReportGroup->count(), 1);
    EXPECT_EQ(w->Widgets().cboReportGroup->currentText(), "AnalisiCrescita");  // as saved above
    w->SelectReportGroup("  ");
    EXPECT_EQ(w->Widgets().cboReportGroup->count(), 0);
}

TEST_F(ReportSettingTest, DeletingProfiles) {
    addLayout("Clienti", "", "Uno", reports::DefaultReportText(false));
    addLayout("Clienti", "", "Due", reports::DefaultReportText(false));
    open("Clienti", false, "");
    ASSERT_EQ(w->Widgets().cbReportName->count(), 2);
    w->Widgets().cbReportName->setCurrentIndex(-1);
    w->Widgets().cbReportName->setEditText("Uno");
    w->Widgets().cmdDelete->click();
    EXPECT_EQ(boxes->lastText(), "Devi selezionare il Report da eliminare");

    w->Widgets().cbReportName->setCurrentIndex(w->Widgets().cbReportName->findText("Uno"));
    boxes->answer(platform::kAnswerNo);
    w->Widgets().cmdDelete->click();
    EXPECT_EQ(storedProfiles(), 2);

    // A name no longer stored (deleted elsewhere).
    db->OpenDataSource("TabProspettiStampa", "NomeProspetto='Due'")->DeleteAll();
    w->Widgets().cbReportName->setCurrentIndex(w->Widgets().cbReportName->findText("Due"));
    boxes->answer(platform::kAnswerYes);
    w->Widgets().cmdDelete->click();
    EXPECT_EQ(boxes->lastText(), "Il Report con questo nome non è presente in archivio");

    w->Widgets().cbReportName->setCurrentIndex(w->Widgets().cbReportName->findText("Uno"));
    boxes->clear();
    boxes->answer(platform::kAnswerYes);
    w->Widgets().cmdDelete->click();
    EXPECT_EQ(texts(), (QStringList{"Eliminare il profilo del Report corrente?", "Profilo eliminato."}));
    EXPECT_EQ(storedProfiles(), 0);
    EXPECT_EQ(w->Widgets().cbReportName->findText("Uno"), -1);
    EXPECT_FALSE(w->modified());
}

TEST_F(ReportSettingTest, ModifiedFlagAndTheCloseQuestions) {
    open("Clienti", false, "");
    EXPECT_FALSE(w->modified());
    for (const auto& change :
         std::vector<std::function<void()>>{[&] { w->Widgets().txtReportRowsDim->setText("7"); },
                                            [&] { w->Widgets().txtBackImage->setText("x.png"); },
                                            [&] { w->Widgets().chkPrinterSelection->setChecked(true); },
                                            [&] { w->Widgets().cboPrinter->setEditText("P"); },
                                            [&] { QTest::keyClicks(w->Widgets().txtVBScript, "a"); }}) {
        w->LoadProfile();
        ASSERT_FALSE(w->modified());
        change();
        EXPECT_TRUE(w->modified());
    }

    // Going to the name list with changes asks whether to save them, whichever window opened last.
    QApplication::setActiveWindow(w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    w->Widgets().txtVBScript->setFocus();
    boxes->clear();
    boxes->answer(platform::kAnswerNo);
    w->Widgets().cbReportName->setFocus();
    EXPECT_EQ(texts(), QStringList{"Il profilo è stato modificato...\r\rVuoi salvare le modifiche ?"});
    EXPECT_TRUE(w->modified());  // No leaves the changes for the next occasion

    // The user's Tab asks too; the focus coming back with the window or from the list does not.
    const QString saveQuestion = "Il profilo è stato modificato...\r\rVuoi salvare le modifiche ?";
    for (const auto reason : {Qt::TabFocusReason, Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
        w->Widgets().txtVBScript->setFocus();
        boxes->clear();
        if (reason == Qt::TabFocusReason) boxes->answer(platform::kAnswerNo);
        w->Widgets().cbReportName->setFocus(reason);
        EXPECT_EQ(texts(), reason == Qt::TabFocusReason ? QStringList{saveQuestion} : QStringList())
            << reason;
    }
    // A refused save puts the focus on the name box itself: the refusal alone, no second save question.
    w->Widgets().txtVBScript->setFocus();
    boxes->clear();
    w->Widgets().cmdOK->click();
    EXPECT_EQ(texts(), QStringList{"Devi specificare il nome del Report"});
    EXPECT_TRUE(w->Widgets().cbReportName->hasFocus());

    // Title-bar close: Yes with a failing save (no name) keeps the window open.
    w->Widgets().txtReportRowsDim->setText("7");
    boxes->clear();
    boxes->answer(platform::kAnswerYes);
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(texts(), (QStringList{"Il profilo è stato modificato...\r\rVuoi salvare le modifiche ?",
                                    "Devi specificare il nome del Report"}));

    // "Esci": No keeps it, Yes closes with no further question and stores nothing.
    boxes->clear();
    boxes->answer(platform::kAnswerNo);
    w->Widgets().cmdCancel->click();
    EXPECT_TRUE(w->isVisible());
    boxes->answer(platform::kAnswerYes);
    w->Widgets().cmdCancel->click();
    QTest::qWait(10);
    EXPECT_EQ(texts(), (QStringList{"Il profilo è stato modificato...\r\rUscire senza salvare ?",
                                    "Il profilo è stato modificato...\r\rUscire senza salvare ?"}));
    EXPECT_TRUE(!w || !w->isVisible());
    EXPECT_EQ(storedProfiles(), 0);
}

TEST_F(ReportSettingTest, TestPrintIntoAPdfAndPreviewWithAreaMarks) {
    open("Ordini.Righe", true, "PropostaOrdine");
    picker.pick = [](controls::PickListDialog& list) {
        list.ChooseRow(0);
        return true;
    };
    w->Widgets().cboPrinter->setEditText(platform::Printers::pdfPrinterName());
    w->Widgets().cbReportName->setEditText("Prova");
    w->Widgets().txtReportHeight->setText("100");
    w->Widgets().txtReportRowsTop->setText("20");
    w->Widgets().txtReportRowsBottom->setText("90");
    QString script = reports::DefaultReportText(true);
    script.replace("PrintReportRow = True",
                   "prn.TxtOut 0, 0, dsRow.ColValue(\"Codice\")\r\n  PrintReportRow = True");
    script.replace("PrintReportMask = True", "prn.TxtOut 5, 5, \"TESTATA\"\r\n  PrintReportMask = True");
    w->setScriptText(script);
    w->Widgets().cmdTest->click();
    EXPECT_EQ(boxes->lastText(), "La pagina di test è stata stampata");
    ASSERT_TRUE(QFile::exists(pdf()));
    EXPECT_EQ(pdfprobe::pageCount(pdf()), 1);
    EXPECT_FALSE(pdfprobe::find(pdfprobe::words(pdf()), "TESTATA").box.isEmpty());
    EXPECT_EQ(storedProfiles(), 0);  // run as it stands, not saved

    w->Widgets().cmdPreview->click();
    EXPECT_EQ(previewShows, 1);
    ASSERT_FALSE(previewPage.isNull());
    bool red = false, green = false;
    for (int y = 0; y < previewPage.height(); y += 1)
        for (int x = 0; x < previewPage.width(); x += 1) {
            const QColor c = previewPage.pixelColor(x, y);
            red = red || (c.red() > 200 && c.green() < 80 && c.blue() < 80);
            green = green || (c.green() > 200 && c.red() < 80 && c.blue() < 80);
        }
    EXPECT_TRUE(red);
    EXPECT_TRUE(green);

    // A box without a number names it; a script error shows the runner's box; nothing printed.
    QFile::remove(pdf());
    w->Widgets().txtReportRowsDim->setText("sei");
    boxes->clear();
    w->Widgets().cmdTest->click();
    EXPECT_TRUE(boxes->lastText().contains("Dimensione righe (mm)"));
    w->Widgets().txtReportRowsDim->setText("6");
    w->setScriptText(script.replace("prn.TxtOut 5, 5", "prn.NonEsiste 5, 5"));
    boxes->clear();
    w->Widgets().cmdTest->click();
    ASSERT_FALSE(boxes->shown().empty());
    EXPECT_TRUE(boxes->shown()[0].text.contains("Linea VB: "));
    EXPECT_FALSE(texts().contains("La pagina di test è stata stampata"));
    EXPECT_FALSE(QFile::exists(pdf()));
    EXPECT_TRUE(w->scriptText().contains("prn.NonEsiste"));
}

TEST_F(ReportSettingTest, TheTestPrintSaysPrintedOnlyOfAPageThatWasPrinted) {
    printserver::PrintServer server;
    ASSERT_NO_THROW({
        server.start();
        server.useForThisProcess();
        server.addQueue(QStringLiteral("Ufficio"));
    });
    open("Clienti", false, "ListaPerRagSoc");
    // The printer box lists the queue beside the PDF printer.
    EXPECT_GE(w->Widgets().cboPrinter->findText(QStringLiteral("Ufficio")), 0);
    EXPECT_GE(w->Widgets().cboPrinter->findText(platform::Printers::pdfPrinterName()), 0);
    choose(0);
    w->Widgets().cbReportName->setEditText("Prova");
    QString script = reports::DefaultReportText(false);
    script.replace("PrintReportMask = True", "prn.TxtOut 5, 5, \"TESTATA\"\r\n  PrintReportMask = True");
    w->setScriptText(script);
    const QString printed = QStringLiteral("La pagina di test è stata stampata");

    // A new profile names no printer; a stored one may name a printer not
    // installed here: the page goes to the current printer.
    ASSERT_TRUE(platform::Printers::setCurrent(QStringLiteral("Ufficio")));
    for (const QString& printer : {QString(), QStringLiteral("HP LaserJet 4 di sede")}) {
        SCOPED_TRACE(printer.toStdString());
        w->Widgets().cboPrinter->setCurrentIndex(-1);
        w->Widgets().cboPrinter->setEditText(printer);
        boxes->clear();
        w->Widgets().cmdTest->click();
        EXPECT_EQ(texts(), QStringList{printed});
    }
    ASSERT_EQ(server.waitForJobs(QStringLiteral("Ufficio")), 2);
    EXPECT_FALSE(
        pdfprobe::find(pdfprobe::words(server.jobFile(QStringLiteral("Ufficio"))), "TESTATA").box.isEmpty());

    // The current printer is the PDF printer: it asks for the file; closing that question prints nothing.
    platform::Printers::setCurrent(platform::Printers::pdfPrinterName());
    platform::Printers::setPdfFileAsker([] { return std::optional<QString>(); });
    w->Widgets().cboPrinter->setEditText(QString());
    boxes->clear();
    w->Widgets().cmdTest->click();
    EXPECT_EQ(texts(), QStringList());
    EXPECT_FALSE(QFile::exists(pdf()));

    // A layout that draws nothing has printed nothing, and says so.
    w->Widgets().cboPrinter->setEditText(QStringLiteral("Ufficio"));
    w->setScriptText(reports::DefaultReportText(false));
    boxes->clear();
    w->Widgets().cmdTest->click();
    EXPECT_EQ(texts(), QStringList{"La pagina di test è vuota: non è stato stampato nulla"});
    EXPECT_EQ(server.waitForJobs(QStringLiteral("Ufficio")), 2);
    EXPECT_EQ(storedProfiles(), 0);
}

TEST_F(ReportSettingTest, EnablingMenusTimerAndResize) {
    frmCustomReportSetting::EditSetting(&owner, db, nullptr, "", false, false, "A,B");
    w = frmCustomReportSetting::instance();
    QTest::qWait(20);
    // Nothing chosen: only the source, its label and "Esci" work.
    EXPECT_TRUE(w->Widgets().cbTableSel->isEnabled());
    EXPECT_TRUE(w->Widgets().cmdCancel->isEnabled());
    for (QWidget* c :
         std::initializer_list<QWidget*>{w->Widgets().cbReportName, w->Widgets().txtVBScript,
                                         w->Widgets().cmdOK, w->Widgets().cmdTest, w->Widgets().cmdField})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_FALSE(w->menus().mnuFieldHelp->isEnabled());
    EXPECT_FALSE(w->assistant().tmFunc()->isActive());
    EXPECT_EQ(w->menus().mnuInstructionItem.Count(), 13);

    w->EnableEditControls(true);
    EXPECT_TRUE(w->Widgets().cmdOK->isEnabled());
    EXPECT_TRUE(w->menus().mnuFieldHelp->isEnabled());
    EXPECT_TRUE(w->Widgets().cboReportGroup->isEnabled());
    testsupport::waitForTimer(*w->assistant().tmFunc());  // its tick finds no tag and does nothing
    EXPECT_FALSE(w->assistant().tmFunc()->isActive());

    // Resize: never lower than the script's top and two panel heights, nor
    // narrower than the top row up to "Imposta Predefinito" and a margin.
    w->show();
    QTest::qWait(20);
    const int minHeight = w->Widgets().txtVBScript->y() + 2 * w->Widgets().pnlBottom->height();
    const int minWidth = w->Widgets().cmdDefault->geometry().right() + 1 + w->Widgets().txtVBScript->x();
    w->resize(100, 50);
    QTest::qWait(30);
    EXPECT_GE(w->height(), minHeight);
    EXPECT_GE(w->width(), minWidth);
    // A larger window gives the script box the room.
    w->resize(w->width() + 200, w->height() + 200);
    QTest::qWait(30);
    EXPECT_GT(w->Widgets().txtVBScript->height(), 150);
}

TEST_F(ReportSettingTest, ExportAndImportThroughTheBoxes) {
    open("Clienti", false, "AnalisiCrescita,ListaPerRagSoc");
    platform::ScriptedFileDialogs files;
    const QString file = dir.filePath("layout.vbs");
    fillSavable("Esportato");
    w->Widgets().txtReportHeight->setText("32,5");
    w->Widgets().cboReportGroup->setCurrentIndex(1);
    w->Widgets().chkHorizontal->setChecked(true);
    w->setScriptText("Function PrintReportMask(ds, prn, bTotal)\r\nEnd Function");
    files.answer(file);
    w->Widgets().cmdSave->click();
    ASSERT_EQ(files.proposed().size(), 1u);
    EXPECT_TRUE(files.proposed()[0].endsWith("ReportPrint.vbs"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("'#ReportName=Esportato\r\n'#ReportGroup=AnalisiCrescita\r\n"));
    EXPECT_TRUE(bytes.contains("'#ReportHeight=32,5\r\n"));
    EXPECT_TRUE(bytes.endsWith("End Function"));

    // Import into a fresh profile: name, group, sizes, orientation and script
    // (the last line gains its line end); the printer stays.
    w->LoadProfile();
    w->Widgets().cbReportName->setEditText("");
    w->Widgets().cboPrinter->setEditText("Altra");
    w->Widgets().chkHorizontal->setChecked(false);
    files.answer(file);
    w->Widgets().cmdLoad->click();
    EXPECT_EQ(w->Widgets().cbReportName->currentText(), "Esportato");
    EXPECT_EQ(w->Widgets().cboReportGroup->currentText(), "AnalisiCrescita");
    EXPECT_EQ(w->Widgets().txtReportHeight->text(), "32,5");
    EXPECT_TRUE(w->Widgets().chkHorizontal->isChecked());
    EXPECT_EQ(w->Widgets().cboPrinter->currentText(), "Altra");
    EXPECT_EQ(w->scriptText(), "Function PrintReportMask(ds, prn, bTotal)\r\nEnd Function\r\n");
    EXPECT_TRUE(w->modified());

    // A name already in the box stays; an unreadable file changes nothing.
    w->Widgets().cbReportName->setEditText("Mio");
    files.answer(file);
    w->Widgets().cmdLoad->click();
    EXPECT_EQ(w->Widgets().cbReportName->currentText(), "Mio");
    const QString before = w->scriptText();
    files.answer(dir.filePath("manca.vbs"));
    boxes->clear();
    w->Widgets().cmdLoad->click();
    EXPECT_TRUE(boxes->lastText().contains("manca.vbs"));
    EXPECT_EQ(w->scriptText(), before);
}
