// Reports printed through a real print server: a private CUPS scheduler
// (tools/printserver) with a queue that prints into a file, as an agent's
// printer receives the job. The job that arrives is read back with poppler;
// a queue that fails tells why and changes nothing; a failing layout sends
// nothing.

#include "RunnerFixture.h"

#include "orders/OrderEntry.h"
#include "tools/demodb/DemoLayouts.h"
#include "tools/printserver/PrintServer.h"

#include <QRegularExpression>
#include <QTimer>

#include <functional>

using namespace reporttest;
using reports::RunOutcome;

namespace {

const QString kQueue = QStringLiteral("Ufficio");

// The rows a job printed with rowsLayout ("R<n>=...").
int rowWords(const QString& job) {
    int n = 0;
    for (const auto& w : pdfprobe::words(job))
        if (w.text.contains(QRegularExpression(QStringLiteral("^R[0-9]+=")))) ++n;
    return n;
}

// Order entry without a window: no choices, no questions.
struct NoQuestions : orders::ArticleEntryHost {
    core::Variant PickArticle(const std::shared_ptr<datalib::DataSource>&) override { return {}; }
    bool AskQuantityEachArticle() const override { return false; }
    void AskRowQuantity() override {}
};

class CupsPrintTest : public RunnerTest {
  protected:
    printserver::PrintServer server;
    QString chosen = kQueue;          // the printer the printer dialog answers
    std::function<void()> duringRun;  // runs once the run has begun drawing

    void SetUp() override {
        RunnerTest::SetUp();
        // No cupsd, no test: the fixture fails here.
        ASSERT_NO_THROW({
            server.start();
            server.useForThisProcess();
            server.addQueue(kQueue);
        });
        platform::Printers::setCurrent(platform::Printers::pdfPrinterName());
        platform::Printers::setPrinterChooser([this](const QString& title, int copies) {
            ++chooserCalls;
            EXPECT_EQ(title, QStringLiteral("Selezione stampante"));
            // Between the choice and the print: at the first row's pause for the window events.
            if (duringRun) QTimer::singleShot(0, [this] { duringRun(); });
            return std::optional<platform::Printers::Choice>(
                platform::Printers::Choice{chosen, QString(), copies});
        });
    }

    // An order of the demo still to send, with a promotion (framed by its
    // notes) and a kit added as the order window adds them.
    std::shared_ptr<datalib::DataSource> orderWithPromotionAndKit() {
        auto order = open("Ordini", "InviatoSede = False AND Annullato = False", "Numero");
        EXPECT_TRUE(order->RowValid());
        auto rows = order->GetReference("Righe");
        NoQuestions host;
        auto promotion = open("Promozioni", "Codice = 'PRIM26'");
        const core::Variant link = promotion->ColValue("Codice");
        rows->InsertFromPairs(
            {"Codice", orders::kNoteCode, "DescrizioneAggiuntiva",
             orders::OpeningNoteText(promotion->ColValueStr("Descrizione"), link.toString()), "Promozione",
             link});
        auto elements = promotion->GetReference("Elementi");
        for (elements->RowFirst(); !elements->Eof(); elements->RowNext())
            orders::AddElementByCode(*rows, elements->ColValueStr("Codice"),
                                     elements->ColValue("QuantitàPromozione").toDouble(),
                                     elements->ColValue("PrezzoVendita").toCurrency(), link, true, host);
        rows->InsertFromPairs({"Codice", orders::kNoteCode, "DescrizioneAggiuntiva",
                               QStringLiteral(" * FINE PROMOZIONE"), "Promozione", link});
        auto kit = open("Kit", "Codice = 'KBAGNO'")->GetReference("Elementi");
        for (kit->RowFirst(); !kit->Eof(); kit->RowNext())
            orders::AddElementByCode(
                *rows, kit->ColValueStr("Codice"), kit->ColValue("QuantitàIndicata").toDouble(),
                kit->ColValue("PrezzoVendita").toCurrency(), core::Variant(), true, host);
        order->Requery();
        order->RowFirst();
        return order;
    }

    RunOutcome printProposal(std::shared_ptr<datalib::DataSource> order) {
        // As the main window's print command of the orders' proposal runs it.
        return reports::RunCustomReport(nullptr, order, nullptr, QString(), QString(), reports::kRunNormal,
                                        false, 1, QString(), std::nullopt, QStringLiteral("PropostaOrdine"));
    }

    // Every row of a table as text, to tell that nothing changed.
    QStringList dump(const QString& table, const QString& filter = QString()) {
        QStringList out;
        auto ds = db->OpenDataSource(table, filter, QStringLiteral("OID"));
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) {
            QStringList values;
            for (const QString& c : ds->ColumnNames()) values << ds->ColValueStr(c);
            out << values.join(QLatin1Char('|'));
        }
        return out;
    }

    // The job file once the queue has printed `jobs` jobs.
    QString jobFile(int jobs = 1, const QString& queue = kQueue) {
        EXPECT_EQ(server.waitForJobs(queue), jobs) << server.errorLog().right(2000).toStdString();
        return server.jobFile(queue);
    }
};

TEST_F(CupsPrintTest, TheDemoOrderProposalArrivesAsItsPages) {
    demodb::AddDemoReportLayouts(*db);
    auto order = orderWithPromotionAndKit();
    const QString number = order->ColValueStr("Numero");
    auto customer = order->GetReference("Cliente");
    auto town = customer->GetReference("Città");
    ASSERT_TRUE(town && town->RowValid());
    const long rows = order->GetReference("Righe")->RowCount(true);

    EXPECT_EQ(printProposal(order), RunOutcome::Completed);
    EXPECT_EQ(chooserCalls, 1);  // the demo's layout names no printer: the dialog chose the queue
    const QString job = jobFile();
    EXPECT_EQ(server.completedJobTitles(kQueue), QStringList{"PropostaOrdine"});
    EXPECT_FALSE(QFile::exists(pdf()));

    // The pages drawn: A4, as many as the rows need (25 rows a page), the key texts.
    const int pages = int((rows + 24) / 25);
    ASSERT_EQ(pdfprobe::pageCount(job), pages);
    const QSizeF size = pdfprobe::pageSizeMm(job);
    EXPECT_NEAR(size.width(), 210, 1);
    EXPECT_NEAR(size.height(), 297, 1);
    const auto w = pdfprobe::words(job);
    const QString first = pdfprobe::pageText(w, 1);
    const QString last = pdfprobe::pageText(w, pages);
    EXPECT_TRUE(first.contains("Proposta d'ordine")) << first.toStdString();
    EXPECT_TRUE(first.contains("Ordine n. " + number));
    EXPECT_TRUE(first.contains(customer->ColValueStr("Indirizzo")));
    EXPECT_TRUE(first.contains(town->ColValueStr("CAP") + " " + town->ColValueStr("Descrizione") + " (" +
                               town->ColValueStr("Provincia") + ")"))
        << first.toStdString();
    // The promotion's notes print their text, never the note article's description.
    const QString all = first + " " + last;
    EXPECT_TRUE(all.contains("* Promozione di primavera - PRIM26")) << all.toStdString();
    EXPECT_TRUE(all.contains("* FINE PROMOZIONE"));
    EXPECT_FALSE(all.contains("NOTA")) << all.toStdString();
    for (const char* total : {"Sconti applicati", "Merce", "Spese", "IVA", "Totale ordine"})
        EXPECT_TRUE(last.contains(QString::fromUtf8(total))) << total;
}

TEST_F(CupsPrintTest, PrintingAllFromThePreviewReachesTheQueueUnderTheLayoutsName) {
    demodb::AddDemoReportLayouts(*db);
    auto order = open("Ordini", "InviatoSede = False AND Annullato = False", "Numero");
    printAllFrom = kQueue;  // the preview's print button chose the queue
    EXPECT_EQ(reports::RunCustomReport(nullptr, order, nullptr, QString(), QString(), reports::kRunNormal,
                                       true, 1, QString(), std::nullopt, QStringLiteral("PropostaOrdine")),
              RunOutcome::Completed);
    EXPECT_EQ(previewShows, 1);
    EXPECT_EQ(pdfprobe::pageCount(jobFile()), previewPages);
    EXPECT_EQ(server.completedJobTitles(kQueue), QStringList{"PropostaOrdine"});
}

TEST_F(CupsPrintTest, AQueueThatFailsIsToldAndNothingChanges) {
    demodb::AddDemoReportLayouts(*db);
    auto order = open("Ordini", "InviatoSede = False AND Annullato = False", "Numero");
    const QString number = order->ColValueStr("Numero");
    const QStringList layouts = dump("TabProspettiStampa");
    const QStringList lines = dump("RigheOrdini", "NumeroOrdine = '" + number + "'");
    const QStringList orders = dump("Ordini");
    struct Case {
        const char* what;
        std::function<void()> change;  // before the run (refusing) or during it
        bool duringRun;
        const char* message;
    } const cases[] = {
        {"rifiuta", [this] { server.rejectJobs(kQueue); }, false,
         "La stampante \"Ufficio\" non accetta stampe: la stampa non è stata inviata."},
        {"rimossa", [this] { server.removeQueue(kQueue); }, true,
         "La stampante \"Ufficio\" non è più installata: la stampa non è stata inviata."},
        {"fermo", [this] { server.stop(); }, true,
         "Il servizio di stampa non risponde: la stampa non è stata inviata alla stampante \"Ufficio\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes->clear();
        if (c.duringRun)
            duringRun = c.change;
        else
            c.change();
        EXPECT_EQ(printProposal(order), RunOutcome::Failed);
        duringRun = {};
        ASSERT_EQ(boxes->shown().size(), 1u);
        EXPECT_EQ(boxes->lastText().toStdString(),
                  "Si e' verificato un errore durante la stampa:\r\r" + std::string(c.message));
        EXPECT_EQ(dump("TabProspettiStampa"), layouts);
        EXPECT_EQ(dump("RigheOrdini", "NumeroOrdine = '" + number + "'"), lines);
        EXPECT_EQ(dump("Ordini"), orders);
        EXPECT_FALSE(QFile::exists(server.jobFile(kQueue)));
        EXPECT_FALSE(QFile::exists(pdf()));
        if (server.running()) {
            if (platform::Printers::isInstalled(kQueue))
                server.acceptJobs(kQueue);
            else
                server.addQueue(kQueue);
        }
    }
}

TEST_F(CupsPrintTest, ALayoutThatFailsPartWaySendsNoJob) {
    // Three pages of rows, then an error: the queue receives nothing.
    addLayout("Articoli", "", "Guasto",
              rowsLayout("Codice", "  If nRow = 130 Then Err.Raise 5, \"layout\", \"Guasto\"\r\n"));
    auto layout = db->OpenDataSource("TabProspettiStampa");
    layout->RowFirst();
    layout->SetColValue("NomeStampante", kQueue);
    layout->Save();
    EXPECT_EQ(run(open("Articoli", QString(), "Codice")), RunOutcome::Failed);
    EXPECT_TRUE(boxes->lastText().contains("Guasto")) << boxes->lastText().toStdString();
    EXPECT_EQ(chooserCalls, 0);
    EXPECT_EQ(server.waitForJobs(kQueue), 0);
    EXPECT_FALSE(QFile::exists(server.jobFile(kQueue)));
}

TEST_F(CupsPrintTest, PrinterNamesWithBlanksOrAccentsPrint) {
    // A queue whose name is not plain ASCII, named by the layout.
    const QString accented = QStringLiteral("Ufficio_Città_Nord_€");
    ASSERT_NO_THROW(server.addQueue(accented));
    ASSERT_TRUE(platform::Printers::installed().contains(accented));
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto layout = db->OpenDataSource("TabProspettiStampa");
    layout->RowFirst();
    layout->SetColValue("NomeStampante", accented);
    layout->Save();
    EXPECT_EQ(run(open("Clienti", QString(), "Codice"), QString(), 5), RunOutcome::Completed);
    EXPECT_EQ(rowWords(jobFile(1, accented)), 5);

    // A stored name with blanks that is not installed here: the current printer prints.
    ASSERT_TRUE(platform::Printers::setCurrent(kQueue));
    layout->RowFirst();
    layout->SetColValue("NomeStampante", QStringLiteral("HP LaserJet 4 di sede"));
    layout->Save();
    EXPECT_EQ(run(open("Clienti", QString(), "Codice"), QString(), 5), RunOutcome::Completed);
    EXPECT_EQ(rowWords(jobFile(1)), 5);
    EXPECT_EQ(chooserCalls, 0);
}

// A layout that names an installed printer makes it the program's printer,
// as the printer dialog does: what prints next without a printer of its own
// goes there too. A name that is not installed changes nothing.
TEST_F(CupsPrintTest, ALayoutNamingAnInstalledPrinterMakesItTheCurrentOne) {
    ASSERT_TRUE(platform::Printers::setCurrent(platform::Printers::pdfPrinterName()));
    addLayout("Clienti", "", "Lista", rowsLayout("Codice"));
    auto layout = db->OpenDataSource("TabProspettiStampa");
    layout->RowFirst();
    layout->SetColValue("NomeStampante", kQueue);
    layout->Save();
    EXPECT_EQ(run(open("Clienti", QString(), "Codice"), QString(), 3), RunOutcome::Completed);
    EXPECT_EQ(rowWords(jobFile(1)), 3);
    EXPECT_EQ(platform::Printers::current(), kQueue);

    layout->RowFirst();
    layout->SetColValue("NomeStampante", QStringLiteral("Stampante che non c'è"));
    layout->Save();
    EXPECT_EQ(run(open("Clienti", QString(), "Codice"), QString(), 2), RunOutcome::Completed);
    EXPECT_EQ(platform::Printers::current(), kQueue);
    EXPECT_EQ(rowWords(jobFile(2)), 2);  // on the current printer
    EXPECT_EQ(chooserCalls, 0);
}

}  // namespace
