// The report runner over the demo archive: layout choice, messages, rows,
// references, note rows, copies, run modes, the preview and its limit, and
// what a failing layout leaves behind (nothing).

#include "RunnerFixture.h"

#include "reports/LayoutScript.h"
#include "reports/ReportLayouts.h"
#include "script/ScriptControl.h"
#include "startup/ui/frmMessage.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <QRegularExpression>

#include <unistd.h>

using namespace reporttest;
using reports::RunOutcome;

namespace {

int wordsStartingWith(const std::vector<pdfprobe::Word>& words, const QString& prefix) {
    int n = 0;
    for (const auto& w : words)
        if (w.text.startsWith(prefix)) ++n;
    return n;
}

}  // namespace

TEST_F(RunnerTest, NoLayoutNamesTheData) {
    auto customers = open("Clienti");
    EXPECT_FALSE(reports::ExistsReportForData(*customers));
    EXPECT_EQ(run(customers), RunOutcome::Failed);
    EXPECT_EQ(boxes->lastText(),
              QStringLiteral("Report non trovato/i\r\rConfigurare almeno un Report per i dati <") +
                  customers->tableDef().caption() + QStringLiteral(">..."));
    auto orders = open("Ordini");
    run(orders, reports::kAllReferences);
    EXPECT_TRUE(boxes->lastText().endsWith(QStringLiteral(".[ tutti i riferimenti ]>...")));
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST_F(RunnerTest, EmptyDataAndNoCurrentRow) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto none = open("Clienti", "Codice = 'nessuno'");
    run(none);
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Nessun elemento da stampare"));
    auto orders = open("Ordini");
    orders->RowLast();
    orders->RowNext();
    run(orders, "Righe");
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Devi selezionare l'elemento da stampare"));
}

TEST_F(RunnerTest, EveryRowOnceWithTheTotalMask) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto customers = open("Clienti", QString(), "Codice");
    EXPECT_TRUE(reports::ExistsReportForData(*customers));
    const long count = customers->RowCount(true);
    EXPECT_EQ(run(customers), RunOutcome::Completed);
    const auto w = words();
    EXPECT_EQ(wordsStartingWith(w, "R"), count);
    customers->RowFirst();
    EXPECT_EQ(pdfprobe::find(w, "R1=" + customers->ColValueStr("Codice")).page, 1);
    EXPECT_EQ(wordsStartingWith(w, "Totale"), 1);
    EXPECT_EQ(pdfprobe::pageCount(pdf()), wordsStartingWith(w, "Pagina"));
}

TEST_F(RunnerTest, TwoLayoutsGoThroughThePickList) {
    addLayout("Clienti", "", "Prima", rowsLayout("Codice"));
    addLayout("Clienti", "", "Seconda", rowsLayout("RagioneSociale"));
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Completed);
    EXPECT_EQ(pickerCalls, 1);
    EXPECT_EQ(pickerNames, QStringList({"Prima", "Seconda"}));
    // A report name picks one layout without asking.
    run(open("Clienti"), QString(), 0, false, 1, QString(), std::nullopt, "Prima");
    EXPECT_EQ(pickerCalls, 1);
}

TEST_F(RunnerTest, TwoLayoutsOfOneNameArePickedByTheirRow) {
    // One name for the order and for its rows: the pick list shows which is which.
    addLayout("Ordini", "", "Stampa", rowsLayout("Numero").replace("\"R\"", "\"O\""));
    addLayout("Ordini", "Righe", "Stampa", rowsLayout("Codice"));
    for (const QString& reference : {QStringLiteral("Righe"), QString()}) {
        SCOPED_TRACE(reference.toStdString());
        QFile::remove(pdf());
        QStringList references;
        picker.pick = [&](controls::PickListDialog& list) {
            pickerNames = printtest::PickListPlayer::column(list, 0);
            references = printtest::PickListPlayer::column(list, 1);
            list.ChooseRow(references.indexOf(reference));
            return true;
        };
        EXPECT_EQ(run(open("Ordini")), RunOutcome::Completed);
        EXPECT_EQ(pickerNames, QStringList({"Stampa", "Stampa"}));
        EXPECT_EQ(references.size(), 2);
        const auto w = words();
        EXPECT_GT(wordsStartingWith(w, reference.isEmpty() ? "O1=" : "R1="), 0);
        EXPECT_EQ(wordsStartingWith(w, reference.isEmpty() ? "R1=" : "O1="), 0);
    }
    // Closing the list prints nothing.
    QFile::remove(pdf());
    picker.pick = {};
    EXPECT_EQ(run(open("Ordini")), RunOutcome::Failed);
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST_F(RunnerTest, SelectedRowsAndRunModes) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto customers = open("Clienti", QString(), "Codice");
    std::vector<core::Variant> marks;
    customers->RowNext();
    marks.push_back(customers->Bookmark());
    const QString second = customers->ColValueStr("Codice");
    customers->RowNext();
    customers->RowNext();
    marks.push_back(customers->Bookmark());
    const QString fourth = customers->ColValueStr("Codice");
    run(customers, QString(), 0, false, 1, QString(), marks);
    auto w = words();
    EXPECT_EQ(wordsStartingWith(w, "R"), 2);
    EXPECT_FALSE(pdfprobe::find(w, "R1=" + second).text.isEmpty());
    EXPECT_FALSE(pdfprobe::find(w, "R2=" + fourth).text.isEmpty());

    // Run mode 3: three rows, then the pass ends as at the end of the data.
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Completed);
    run(open("Clienti"), QString(), 3);
    w = words();
    EXPECT_EQ(wordsStartingWith(w, "R"), 3);
    EXPECT_EQ(wordsStartingWith(w, "Totale"), 1);
}

TEST_F(RunnerTest, TestRunStopsAtTheFirstModule) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"), 20, 50, 6);  // 4 rows a module
    run(open("Clienti"), QString(), reports::kRunTest);
    const auto w = words();
    EXPECT_EQ(pdfprobe::pageCount(pdf()), 1);
    EXPECT_EQ(wordsStartingWith(w, "R"), 4);
    EXPECT_EQ(wordsStartingWith(w, "Totale"), 0);
}

TEST_F(RunnerTest, RowsOfEveryReferenceAndNoteRows) {
    const QString script = rowsLayout("Codice").replace("\"R\" & nRow", "prn.DataReferenceName & nRow") +
                           "Function PrintNoteRow(sNoteRow, ds, prn, nRow)\r\n"
                           "  prn.TxtOut 0, 10, \"N\" & nRow & \"=\" & sNoteRow\r\n"
                           "  PrintNoteRow = True\r\n"
                           "End Function\r\n";
    addLayout("Ordini", reports::kAllReferences, "Tutto", script);
    // A sent order is read-only for the agent: the notes go on one still open.
    auto orders = open("Ordini", "Not InviatoSede And Not NonModificabile");
    orders->SetColValue("Note", QStringLiteral("prima\r\nseconda\r\nterza"));
    orders->Save();
    orders->RowFirst();
    const long lines = orders->GetReference("Righe")->RowCount(true);
    run(orders, "*", 0, false, 1, "Note");
    const auto w = words();
    EXPECT_EQ(wordsStartingWith(w, "Righe"), lines);
    EXPECT_FALSE(pdfprobe::find(w, QStringLiteral("N%1=prima").arg(lines + 1)).text.isEmpty());
    EXPECT_FALSE(pdfprobe::find(w, QStringLiteral("N%1=terza").arg(lines + 3)).text.isEmpty());
}

TEST_F(RunnerTest, DefaultNoteRowsAdvanceAndPrintNothing) {
    addLayout("Ordini", "Righe", "Righe", rowsLayout("Codice"));
    // A sent order is read-only for the agent: the notes go on one still open.
    auto orders = open("Ordini", "Not InviatoSede And Not NonModificabile");
    orders->SetColValue("Note", QStringLiteral("a\rb"));
    orders->Save();
    orders->RowFirst();
    EXPECT_EQ(run(orders, "Righe", 0, false, 1, "Note"), RunOutcome::Completed);
    EXPECT_EQ(wordsStartingWith(words(), "N"), 0);
}

TEST_F(RunnerTest, CopiesRepeatThePass) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto customers =
        open("Clienti", "Codice = " + db->FormatStringForQuery(open("Clienti")->ColValue("Codice")));
    run(customers, QString(), 0, false, 3);
    EXPECT_EQ(wordsStartingWith(words(), "Totale"), 3);
}

TEST_F(RunnerTest, APreviewStopsAtSixteenModulesAndShowsThem) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"), 20, 26, 6, 0);  // one row a module
    EXPECT_EQ(run(open("Clienti"), QString(), 0, true), RunOutcome::Ended);
    EXPECT_EQ(boxes->lastText(),
              QStringLiteral(
                  "Il numero massimo di pagine per l'anteprima è 16\r\rAnteprima di stampa interrotta..."));
    EXPECT_EQ(previewShows, 1);
    EXPECT_EQ(previewPages, 16);
    EXPECT_FALSE(QFile::exists(pdf()));
}

// One call of the layout that begins module after module stops where the
// pages are added, not after it has made a hundred of them.
TEST_F(RunnerTest, OneCallStopsAtThePreviewLimitToo) {
    addLayout("Clienti", "", "Lista",
              rowsLayout("Codice",
                         "  For i = 1 To 100\r\n    prn.TxtOut 0, 10, \"M\" & i\r\n"
                         "    prn.NextReportModule\r\n  Next\r\n"));
    EXPECT_EQ(run(open("Clienti"), QString(), 0, true), RunOutcome::Ended);
    EXPECT_EQ(boxes->lastText(),
              QStringLiteral(
                  "Il numero massimo di pagine per l'anteprima è 16\r\rAnteprima di stampa interrotta..."));
    EXPECT_EQ(boxes->shown().size(), 1u) << "no script error besides the limit";
    EXPECT_EQ(previewShows, 1);
    EXPECT_EQ(previewPages, 17);
}

TEST_F(RunnerTest, PrintingEverythingFromThePreview) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    printAllFrom = platform::Printers::pdfPrinterName();
    // The preview window's print command is answered by the chooser: PDF into pdf().
    auto customers = open("Clienti");
    const long count = customers->RowCount(true);
    reports::setPreviewShower([this](reports::frmCustomReportPreview& preview, QWidget*) {
        ++previewShows;
        preview.RefreshView();
        preview.printClicked();  // "Solo pagina corrente" unchecked: print everything
        return preview.printChoice() ? preview.printChoice()->printer : QString();
    });
    EXPECT_EQ(run(customers, QString(), 0, true), RunOutcome::Completed);
    EXPECT_EQ(previewShows, 1);
    EXPECT_EQ(wordsStartingWith(words(), "R"), count);
}

// ---- what a failing layout leaves

TEST_F(RunnerTest, AnErrorInTheFourthRowPrintsNothing) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice", "  If nRow = 4 Then x = 1 / 0\r\n"));
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
    const QString text = boxes->lastText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("Errore nel codice di stampa per il (4) record: \r\r")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\r\rLinea VB: 8, colonna "))) << text.toStdString();
    EXPECT_FALSE(QFile::exists(pdf()));
    EXPECT_TRUE(QDir(dir.path()).entryList({".zelt-stampa*"}, QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(RunnerTest, ASyntaxErrorPrintsNothing) {
    addLayout("Clienti", "", "Lista",
              "Function PrintReportRow(dsRow, prn, nRow)\r\n  If Then\r\nEnd Function\r\n");
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
    EXPECT_TRUE(boxes->lastText().startsWith(
        QStringLiteral("Errore di inizializzazione del codice di stampa: \r\r")));
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("Linea VB: 2, colonna ")));
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST_F(RunnerTest, APageObjectHandedBackAsNothingIsAFailure) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice", "  If nRow = 2 Then Set prn = Nothing\r\n"));
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
    EXPECT_TRUE(
        boxes->lastText().startsWith(QStringLiteral("Errore nel codice di stampa per il (2) record: ")));
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST_F(RunnerTest, FalseEndsTheRunAndKeepsThePages) {
    addLayout(
        "Clienti", "", "Lista",
        rowsLayout("Codice").replace("  PrintReportRow = True\r\n", "  PrintReportRow = (nRow < 3)\r\n"));
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Ended);
    ASSERT_TRUE(QFile::exists(pdf()));
    EXPECT_EQ(wordsStartingWith(words(), "R"), 3);
}

TEST_F(RunnerTest, AMissingDataInitProcedureStopsBeforePrinting) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice") + "' PrintDataInit(dsRow, prn) non c'è\r\n");
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
    EXPECT_TRUE(boxes->lastText().startsWith(QStringLiteral("Errore nel codice di inizializzazione dati <")));
    EXPECT_FALSE(QFile::exists(pdf()));
}

TEST(LayoutScript, AnEndlessProcedureEndsAtTheTimeOutOrAtTheStop) {
    platform::ScriptedBoxes boxes;
    reports::LayoutScript script;
    script.control().AddCode(
        QStringLiteral("Function PrintLabel(ds, prn)\r\n  Do\r\n  Loop\r\nEnd Function\r\n"));
    script.control().setTimeout(200);
    core::Variant ds = core::Variant::nothing(), prn = core::Variant::nothing();
    EXPECT_FALSE(reports::RunLabelScript(ds, prn, script));
    EXPECT_TRUE(script.failed());
    EXPECT_TRUE(boxes.lastText().startsWith(QStringLiteral("Errore nel codice di stampa etichetta: \r\r")));

    // The stop of the progress window reaches the running procedure: no box.
    reports::LayoutScript stopped;
    stopped.control().AddCode(
        QStringLiteral("Function PrintLabel(ds, prn)\r\n  Do\r\n  Loop\r\nEnd Function\r\n"));
    int polls = 0;
    stopped.setPoll([&] { return ++polls >= 2; });
    boxes.clear();
    EXPECT_FALSE(reports::RunLabelScript(ds, prn, stopped));
    EXPECT_TRUE(stopped.failed());
    EXPECT_TRUE(stopped.stopped());
    EXPECT_TRUE(boxes.shown().empty());
    // Every layout call has the 30 second limit.
    EXPECT_EQ(reports::LayoutScript().control().Timeout(), 30000);
}

TEST(LayoutScript, DefaultTexts) {
    const QString report = reports::DefaultReportText(true);
    EXPECT_TRUE(report.startsWith("' " + QString(71, '=') +
                                  "\r\n' Composizione del codice per la stampa della maschera"));
    EXPECT_LT(report.indexOf("Function PrintReportMask(ds, prn, bTotal)"),
              report.indexOf("Function PrintReportRow(dsRow, prn, nRow)"));
    EXPECT_LT(report.indexOf("Function PrintReportRow("),
              report.indexOf("Function PrintDataInit(dsRow, prn)"));
    EXPECT_LT(report.indexOf("Function PrintDataInit("),
              report.indexOf("Function PrintNoteRow(sNoteRow, ds, prn, nRow)"));
    EXPECT_TRUE(report.endsWith("End Function\r\n\r\n"));
    EXPECT_FALSE(report.contains(QRegularExpression("[^\r]\n")));
    EXPECT_FALSE(reports::DefaultReportText(false).contains("PrintNoteRow"));
    const QString label = reports::DefaultLabelText();
    EXPECT_TRUE(label.contains("prn.SetFont 13, True, False, \"MS San Serif\"\r\n"));
    EXPECT_TRUE(label.endsWith("PrintLabel = True\r\nEnd Function"));
    // The default texts compile and answer True.
    platform::ScriptedBoxes boxes;
    reports::LayoutScript script;
    script.control().AddCode(report);
    std::vector<core::Variant> args(3);
    EXPECT_TRUE(script.control().Run("PrintReportMask", args).isTrue());
}

TEST_F(RunnerTest, TheProgressWindowsStopReachesARunningLayout) {
    addLayout("Clienti", "", "Lista",
              rowsLayout("Codice", "  If nRow = 2 Then\r\n    Do\r\n    Loop\r\n  End If\r\n"));
    QWidget owner;
    owner.show();
    QApplication::setActiveWindow(&owner);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
    boxes->answer(core::kAnswerYes);  // "Confermi l'interruzione ?"
    QTimer::singleShot(300, [] { startup::frmMessage::instance()->cmdStop()->click(); });
    auto customers = open("Clienti");
    EXPECT_EQ(
        reports::RunCustomReport(&owner, customers, nullptr, QString(), QString(), 0, false, 1, QString()),
        RunOutcome::Failed);
    EXPECT_FALSE(QFile::exists(pdf()));
    EXPECT_FALSE(startup::frmMessage::IsLoaded());
    // The question was the only box: a confirmed stop is no error.
    ASSERT_EQ(boxes->shown().size(), 1u);
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("Confermi l'interruzione ?")));
}

TEST_F(RunnerTest, AMissingBackgroundOrATooHighRowPrintsNothing) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto layout = db->OpenDataSource("TabProspettiStampa");
    layout->RowFirst();
    layout->SetColValue("ImmagineSfondo", QStringLiteral("carta_intestata_mancante.png"));
    layout->Save();
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
    EXPECT_TRUE(
        boxes->lastText().startsWith(QStringLiteral("Si e' verificato un errore durante la stampa:\r\r")));
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("carta_intestata_mancante.png")));
    EXPECT_FALSE(QFile::exists(pdf()));

    layout->RowFirst();
    layout->SetColValue("ImmagineSfondo", QString());
    layout->SetColValue("IstruzioniStampa", rowsLayout("Codice", "  prn.RowDimCur = 7\r\n"));
    layout->Save();
    EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
    EXPECT_TRUE(
        boxes->lastText().startsWith(QStringLiteral("Errore nel codice di stampa per il (1) record: ")));
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("non può superare quella predefinita (6)")));
    EXPECT_FALSE(QFile::exists(pdf()));
}

// A row height that cannot move a row (0, negative, lost in the sum, or no
// number at all) is refused when the run starts: nothing is printed.
TEST_F(RunnerTest, ARowHeightThatCannotMoveARowIsRefusedAtTheStart) {
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto layout = db->OpenDataSource("TabProspettiStampa");
    const struct {
        core::Variant rowDim;
        const char* shown;
    } cases[] = {{core::Variant(0.0), "\"0\""},
                 {core::Variant(-6.0), "\"-6\""},
                 {core::Variant(1e-30), "\""},
                 {core::Variant(0.05), "\"0,05\""},
                 {core::Variant(), "\"0\""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        layout->RowFirst();
        layout->SetColValue("AltezzaRigheDettaglio", c.rowDim);
        layout->Save();
        boxes->clear();
        EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
        EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("Dimensione righe (mm) non valida: ") +
                                               QString::fromUtf8(c.shown)))
            << boxes->lastText().toStdString();
        EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("almeno 0,1 mm")));
        EXPECT_FALSE(QFile::exists(pdf()));
    }
    // The lowest height accepted prints.
    layout->RowFirst();
    layout->SetColValue("AltezzaRigheDettaglio", core::Variant(0.1));
    layout->Save();
    boxes->clear();
    EXPECT_NE(run(open("Clienti")), RunOutcome::Failed) << boxes->lastText().toStdString();
    EXPECT_TRUE(QFile::exists(pdf()));
}

// A report layout reads the orders but changes none of them, nor their rows
// nor any other order: the first attempt ends the run with the layout's
// message, which names it, and nothing is printed.
TEST_F(RunnerTest, AReportLayoutChangesNoData) {
    const char* attempts[][2] = {
        {"dsRow.DeleteRow", "l'eliminazione non è consentita"},
        {"dsRow.ColValue(\"Completato\") = False", "la modifica dei valori non è consentita"},
        {"Set o = dsRow.Database.OpenDataSource(\"Ordini\")\r\n  o.RowLast\r\n  o.DeleteRow",
         "l'eliminazione non è consentita"},
        {"Set r = dsRow.GetReference(\"Righe\")\r\n  r.RowFirst\r\n  r.DeleteRow",
         "l'eliminazione non è consentita"},
        {"dsRow.AddNew", "l'aggiunta di righe non è consentita"},
    };
    const long orders = open("Ordini")->RowCount();
    const long rows = open("RigheOrdini")->RowCount();
    const long completed = open("Ordini", "Completato")->RowCount();
    ASSERT_GT(rows, 0);
    for (const auto& [attempt, refused] : attempts) {
        SCOPED_TRACE(attempt);
        db->OpenDataSource(QStringLiteral("TabProspettiStampa"))->DeleteAll();
        addLayout("Ordini", "", "Ordini in corso",
                  rowsLayout("Numero", "  " + QString::fromUtf8(attempt) + "\r\n"));
        EXPECT_EQ(run(open("Ordini", "Completato")), RunOutcome::Failed);
        EXPECT_TRUE(boxes->lastText().contains(
            QStringLiteral(
                "Il codice di stampa del prospetto \"Ordini in corso\" può soltanto leggere i dati: ") +
            QString::fromUtf8(refused)))
            << boxes->lastText().toStdString();
        EXPECT_FALSE(QFile::exists(pdf()));
        EXPECT_EQ(open("Ordini")->RowCount(), orders);
        EXPECT_EQ(open("RigheOrdini")->RowCount(), rows);
        EXPECT_EQ(open("Ordini", "Completato")->RowCount(), completed);
    }
}

// A layout reads none of the program's own files: not the settings with the
// head-office login (by the path a received layout would try, nor through a
// link that looks like a page), not the agent's database. Each attempt ends
// the run with the reason, nothing is printed and no text of the file is
// shown.
TEST_F(RunnerTest, ALayoutReadsNoneOfTheProgramsOwnFiles) {
    // Where the program keeps them in a user's home.
    const QString home = dir.filePath("home");
    const QString config = home + "/.config/Zelt Order";
    const QString data = home + "/.local/share/Zelt Order";
    ASSERT_TRUE(QDir().mkpath(config) && QDir().mkpath(data));
    platform::SettingsStore::setRootDir(config);
    platform::setDataDirOverride(data);
    QFile ini(config + "/Zelt Order.ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Connessione]\nUtente=agente\nPassword=segreto-di-sede\n");
    ini.close();
    ASSERT_EQ(::symlink(QFile::encodeName(ini.fileName()).constData(),
                        QFile::encodeName(data + "/listino.html").constData()),
              0);
    const QString database = dir.filePath("ZeltOrder_DEMO");
    const QString reserved = QStringLiteral(": è un file riservato al programma");
    const QString attempts[][2] = {
        {"prn.PrintObject \"Shell.Explorer\", \"Navigate ../../../.config/Zelt Order/Zelt Order.ini\", "
         "\"ExecWB 6, 1\"",
         "Il visualizzatore mostra solo pagine HTML (.htm, .html): ../../../.config/Zelt Order/Zelt "
         "Order.ini"},
        {"prn.PrintObject \"Shell.Explorer\", \"Navigate listino.html\", \"ExecWB 6, 1\"",
         "Impossibile leggere listino.html" + reserved},
        {"prn.ImageOut \"../../../.config/Zelt Order/Zelt Order.ini\", 0, 0, 0, 0, False",
         "Impossibile leggere ../../../.config/Zelt Order/Zelt Order.ini" + reserved},
        {"prn.ImageOut \"" + database + "\", 0, 0, 0, 0, False",
         "Impossibile leggere " + database + reserved},
    };
    for (const auto& [attempt, refused] : attempts) {
        SCOPED_TRACE(attempt.toStdString());
        db->OpenDataSource(QStringLiteral("TabProspettiStampa"))->DeleteAll();
        addLayout("Clienti", "", "Lista", rowsLayout("Codice", "  " + attempt + "\r\n"));
        EXPECT_EQ(run(open("Clienti")), RunOutcome::Failed);
        EXPECT_TRUE(boxes->lastText().contains(refused)) << boxes->lastText().toStdString();
        for (const auto& shown : boxes->shown()) EXPECT_FALSE(shown.text.contains("segreto"));
        EXPECT_FALSE(QFile::exists(pdf()));
    }
}
