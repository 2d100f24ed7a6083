// The label runner through the real page object, script engine, data library
// and PDF printer; the PDF read back with poppler.

#include "../../reports/ui/DemoPrintFixture.h"
#include "../../reports/ui/PdfProbe.h"

#include "core/Prompt.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "labels/LabelLayoutRecord.h"
#include "labels/ui/clsLabelPrint.h"
#include "labels/ui/frmLabelPreview.h"
#include "labels/ui/modLabelPrint.h"
#include "platform/ui/PageSurface.h"
#include "platform/ui/Printers.h"
#include "tools/demodb/DemoLayouts.h"
#include "tools/printserver/PrintServer.h"

#include <gtest/gtest.h>
#include <QFile>

namespace {

// Each label writes a marker "M<Codice>c<copy>" 2 mm below its origin (text
// touching the sheet's top edge is not read back).
const QString kMarkerScript = QStringLiteral(
    "Function PrintLabel(ds, prn)\r\n"
    "  prn.SetFont 8, False, False, \"DejaVu Sans\"\r\n"
    "  prn.TxtOut 2, 0, \"M\" & ds.ColValue(\"Codice\") & \"c\" & prn.CopyCount\r\n"
    "  PrintLabel = True\r\n"
    "End Function\r\n");

class LabelRunnerTest : public printtest::DemoPrintTest {
  protected:
    LabelRunnerTest() : DemoPrintTest(QStringLiteral("TabStampaEtichette"), QStringLiteral("labels.pdf")) {}

    void TearDown() override {
        labels::setLabelPreviewShower({});
        DemoPrintTest::TearDown();
    }

    void addLayout(int columns, double height, double width, double top = 0, double left = 0, int copies = 1,
                   const QString& script = kMarkerScript, bool askSkip = true, bool landscape = false) {
        labels::LabelLayoutRecord layout;
        layout.sourceTable = QStringLiteral("Clienti");
        layout.columns = core::Variant(columns);
        layout.height = core::Variant(height);
        layout.width = core::Variant(width);
        layout.top = core::Variant(top);
        layout.left = core::Variant(left);
        layout.script = script;
        layout.horizontal = landscape;
        layout.enableAlignment = askSkip;
        layout.copies = core::Variant(copies);
        layout.insertInto(*db);
    }

    std::shared_ptr<datalib::DataSource> customers(int count) {
        auto ds = db->OpenDataSource(QStringLiteral("Clienti"), QString(), QStringLiteral("Codice"));
        ds->RowFirst();
        codes.clear();
        for (int i = 0; i < count && !ds->Eof(); ++i, ds->RowNext())
            codes << ds->ColValueStr(QStringLiteral("Codice"));
        ds->RowFirst();
        return ds;
    }

    // Every row, no question (skip given), the document ended.
    std::int16_t printAll(std::shared_ptr<datalib::DataSource> ds, int skip = 0, bool endDocument = true) {
        return labels::PrintLabels(nullptr, ds, std::nullopt, false, QString(), std::int16_t(skip),
                                   endDocument);
    }

    QPointF markerAt(const std::vector<pdfprobe::Word>& words, const QString& code, int copy = 1,
                     int page = 0) {
        const auto w = pdfprobe::find(
            words, QStringLiteral("M") + code + QStringLiteral("c") + QString::number(copy), page);
        return w.box.topLeft();
    }

    QStringList codes;
};

void expectAt(QPointF got, double x, double y) {
    EXPECT_NEAR(got.x(), x, 0.5) << "at " << got.x() << "," << got.y();
    EXPECT_NEAR(got.y(), y + 2, 0.5) << "at " << got.x() << "," << got.y();
}

TEST_F(LabelRunnerTest, LabelsFillColumnsThenRowsFromTheMargins) {
    addLayout(3, 37, 30, 10, 5);
    auto ds = customers(4);
    ASSERT_EQ(codes.size(), 4);
    auto all = db->OpenDataSource(
        QStringLiteral("Clienti"),
        QStringLiteral("Codice IN ('") + codes.join(QStringLiteral("','")) + QStringLiteral("')"),
        QStringLiteral("Codice"));
    all->RowFirst();
    EXPECT_EQ(printAll(all), 4);  // the count runs over the page
    ASSERT_EQ(pdfprobe::pageCount(pdf()), 1);
    const auto words = pdfprobe::words(pdf());
    expectAt(markerAt(words, codes[0]), 5, 10);
    expectAt(markerAt(words, codes[1]), 35, 10);
    expectAt(markerAt(words, codes[2]), 65, 10);
    expectAt(markerAt(words, codes[3]), 5, 47);
    EXPECT_EQ(chooserCalls, 1);  // no printer stored: the dialog
}

TEST_F(LabelRunnerTest, PageObjectGridColumnsZeroIgnoreAndPreviewOutlines) {
    // Three 30 mm columns on 90 mm: (0,0), (30,0), (60,0), then (0,h).
    {
        auto job = std::make_shared<platform::PrintJob>(platform::Printers::pdfPrinterName(), pdf());
        labels::clsLabelPrint prn;
        prn.SetParameter(labels::clsLabelPrint::Device{job, nullptr}, 20, 30, 0, 0, 3, true, false);
        for (const QPointF& at : std::vector<QPointF>{{0, 0}, {30, 0}, {60, 0}, {0, 20}}) {
            EXPECT_EQ(prn.drawingOrigin(), at);
            prn.NextLabel();
        }
        EXPECT_EQ(prn.PageLabelCount(), 4);
    }
    EXPECT_FALSE(QFile::exists(pdf()));  // nothing drawn, nothing sent
    labels::frmLabelPreview window;
    // Columns 0 behave as 1; an ignored label neither moves nor counts.
    labels::clsLabelPrint one;
    one.SetParameter(labels::clsLabelPrint::Device{nullptr, &window}, 10, 30, 0, 0, 0, true, false);
    EXPECT_EQ(one.Columns(), 1);
    one.setIgnoreLabel(true);
    one.NextLabel();
    EXPECT_EQ(one.PageLabelCount(), 0);
    EXPECT_EQ(one.drawingOrigin(), QPointF(0, 0));
    EXPECT_FALSE(one.IgnoreLabel());
    one.NextLabel();
    // The outline of a finished label is red on the preview.
    const QImage& image = window.surface().image();
    ASSERT_FALSE(image.isNull());
    bool red = false;
    for (int x = 0; x < image.width() && !red; ++x)
        for (int y = 0; y < image.height() && !red; ++y)
            red = image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).green() < 100;
    EXPECT_TRUE(red);
}

TEST_F(LabelRunnerTest, PageBreaksWhenTheNextRowWouldReachThePageEnd) {
    // 24 labels of 3 x 8 at 37 mm on A4 (297 mm): one page; the 25th opens a second.
    addLayout(3, 37, 70);
    auto ds = customers(25);
    ASSERT_EQ(codes.size(), 25);
    auto rows = db->OpenDataSource(
        QStringLiteral("Clienti"),
        QStringLiteral("Codice IN ('") + codes.mid(0, 24).join(QStringLiteral("','")) + QStringLiteral("')"),
        QStringLiteral("Codice"));
    rows->RowFirst();
    EXPECT_EQ(printAll(rows), 0);
    EXPECT_EQ(pdfprobe::pageCount(pdf()), 1);
    QFile::remove(pdf());
    auto more = db->OpenDataSource(
        QStringLiteral("Clienti"),
        QStringLiteral("Codice IN ('") + codes.join(QStringLiteral("','")) + QStringLiteral("')"),
        QStringLiteral("Codice"));
    more->RowFirst();
    EXPECT_EQ(printAll(more), 1);
    EXPECT_EQ(pdfprobe::pageCount(pdf()), 2);
    expectAt(markerAt(pdfprobe::words(pdf()), codes[24], 1, 2), 0, 0);
}

TEST_F(LabelRunnerTest, SkipCopiesAndTwoCallsOnOneSheet) {
    // Skip 3 on two columns: the first label in the second row, second column.
    addLayout(2, 30, 50, 0, 0, 0);
    auto ds = customers(1);
    labels::LabelSelection one{std::vector<core::Variant>{ds->Bookmark()}};
    EXPECT_EQ(labels::PrintLabels(nullptr, ds, one, true, QString(), 3, true), 4);
    expectAt(markerAt(pdfprobe::words(pdf()), codes[0]), 50, 30);
    QFile::remove(pdf());

    // NumeroCopie 0 prints one copy; 3 copies count 1..3.
    db->OpenDataSource(QStringLiteral("TabStampaEtichette"))->DeleteAll();
    addLayout(2, 30, 50, 0, 0, 3);
    EXPECT_EQ(labels::PrintLabels(nullptr, ds, one, true, QString(), 0, true), 3);
    auto words = pdfprobe::words(pdf());
    expectAt(markerAt(words, codes[0], 1), 0, 0);
    expectAt(markerAt(words, codes[0], 2), 50, 0);
    expectAt(markerAt(words, codes[0], 3), 0, 30);
    QFile::remove(pdf());

    // Two calls that leave the document open, then one that ends it: one
    // sheet, the labels one after the other, the count after all of them.
    auto rows = customers(3);
    labels::LabelSelection first{std::vector<core::Variant>{rows->Bookmark()}};
    rows->RowNext();
    labels::LabelSelection second{std::vector<core::Variant>{rows->Bookmark()}};
    EXPECT_EQ(labels::PrintLabels(nullptr, rows, first, true, QString(), 0, false), 3);
    EXPECT_FALSE(QFile::exists(pdf()));
    EXPECT_EQ(labels::PrintLabels(nullptr, rows, second, true, QString(), 0, false), 6);
    EXPECT_EQ(labels::PrintLabels(nullptr, rows, second, true, QString(), 0, true), 9);
    EXPECT_EQ(chooserCalls, 3);  // once per document
    EXPECT_EQ(pdfprobe::pageCount(pdf()), 1);
    words = pdfprobe::words(pdf());
    expectAt(markerAt(words, codes[0], 1), 0, 0);
    expectAt(markerAt(words, codes[1], 1), 50, 30);
    EXPECT_FALSE(labels::KeptLabelPage());
}

TEST_F(LabelRunnerTest, TheSkipQuestion) {
    addLayout(2, 30, 50);
    struct Case {
        std::optional<QString> answer;
        bool prints;
        QPointF at;
    };
    const std::vector<Case> cases{
        {QStringLiteral("abc"), false, {}},
        {std::nullopt, false, {}},
        {QStringLiteral("10000"), false, {}},
        {QStringLiteral("9999"), true, {}},  // far beyond the sheet: prints on a later page
        {QStringLiteral("-4"), true, {0, 0}},
        {QStringLiteral(" 1 "), true, {50, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.value_or(QStringLiteral("<annullato>")).toStdString());
        QFile::remove(pdf());
        auto ds = customers(1);
        boxes->clear();
        boxes->input(c.answer);
        labels::PrintLabels(nullptr, ds, std::nullopt, true, QString(), -1, true);
        ASSERT_FALSE(boxes->shown().empty());
        EXPECT_EQ(boxes->shown()[0].title, QStringLiteral("Conferma Stampa Etichette"));
        EXPECT_TRUE(boxes->shown()[0].isInput);
        EXPECT_EQ(QFile::exists(pdf()), c.prints);
        EXPECT_FALSE(labels::KeptLabelPage());
        if (c.prints && !c.at.isNull())
            expectAt(markerAt(pdfprobe::words(pdf()), codes[0]), c.at.x(), c.at.y());
    }
}

TEST_F(LabelRunnerTest, BadInputMessagesAndScriptFailures) {
    auto ds = customers(3);
    // No layout for the table.
    EXPECT_EQ(labels::PrintLabels(nullptr, ds, std::nullopt, true, QString(), 0, true), 0);
    EXPECT_TRUE(boxes->lastText().startsWith(
        QStringLiteral("Nessuna stampa etichette è stata configurata per questi dati (")));
    EXPECT_FALSE(QFile::exists(pdf()));
    // No current row.
    addLayout(1, 30, 50);
    auto empty = db->OpenDataSource(QStringLiteral("Clienti"), QStringLiteral("Codice = 'ZZNESSUNO'"));
    EXPECT_EQ(labels::PrintLabels(nullptr, empty, std::nullopt, true, QString(), -1, true), 0);
    EXPECT_EQ(boxes->lastText(),
              QStringLiteral("Devi selezionare elementi validi per la stampa delle etichette"));

    struct Case {
        QString script;
        QString prefix;
        int labels;  // markers printed
    };
    const std::vector<Case> cases{
        {QStringLiteral(
             "Function PrintLabel(ds, prn)\r\n  prn.TxtOut 0, 0, \"X\"\r\n  If\r\nEnd Function\r\n"),
         QStringLiteral("Errore di inizializzazione del codice di stampa: "), 0},
        {QStringLiteral(
             "Function PrintLabel(ds, prn)\r\n  prn.TxtOut 2, 0, \"M\" & ds.ColValue(\"Codice\") & \"c1\"\r\n"
             "  If prn.Vars(\"n\") = 1 Then x = 1 / 0\r\n  prn.Vars(\"n\") = 1\r\n  PrintLabel = True\r\n"
             "End Function\r\n"),
         QStringLiteral("Errore nel codice di stampa etichetta: "), 2},
        {QStringLiteral(
             "Function PrintLabel(ds, prn)\r\n  prn.TxtOut 2, 0, \"M\" & ds.ColValue(\"Codice\") & \"c1\"\r\n"
             "End Function\r\n"),
         QString(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.prefix.toStdString());
        QFile::remove(pdf());
        db->OpenDataSource(QStringLiteral("TabStampaEtichette"))->DeleteAll();
        addLayout(1, 30, 50, 0, 0, 1, c.script);
        boxes->clear();
        auto rows = customers(3);
        printAll(rows);
        if (c.prefix.isEmpty())
            EXPECT_TRUE(boxes->shown().empty());
        else
            EXPECT_TRUE(boxes->lastText().startsWith(c.prefix)) << boxes->lastText().toStdString();
        EXPECT_EQ(QFile::exists(pdf()), c.labels > 0);
        if (c.labels > 0) {
            const auto words = pdfprobe::words(pdf());
            int found = 0;
            for (const QString& code : codes)
                found +=
                    pdfprobe::find(words, QStringLiteral("M") + code + QStringLiteral("c1")).text.isEmpty()
                        ? 0
                        : 1;
            EXPECT_EQ(found, c.labels);
        }
        EXPECT_FALSE(labels::KeptLabelPage());
    }
}

TEST_F(LabelRunnerTest, LandscapeSheet) {
    addLayout(4, 40, 70, 0, 0, 1, kMarkerScript, false, true);
    auto ds = customers(5);
    printAll(ds);
    const QSizeF size = pdfprobe::pageSizeMm(pdf());
    EXPECT_NEAR(size.width(), 297, 1);
    EXPECT_NEAR(size.height(), 210, 1);
    const auto words = pdfprobe::words(pdf());
    expectAt(markerAt(words, codes[3]), 210, 0);
    expectAt(markerAt(words, codes[4]), 0, 40);
}

TEST_F(LabelRunnerTest, PreviewDrawsOneRowOfTheChosenRow) {
    addLayout(3, 37, 70, 0, 0, 2);
    auto ds = customers(2);
    labels::frmLabelPreview window;
    int shown = 0;
    labels::setLabelPreviewShower([&](labels::frmLabelPreview& w) {
        ++shown;
        EXPECT_EQ(&w, &window);
    });
    ds->RowNext();
    printtest::PickListPlayer picker;
    picker.pick = [](controls::PickListDialog& list) {
        list.ChooseRow(1);
        return true;
    };
    const int& picked = picker.shown;
    EXPECT_EQ(labels::PrintLabels(nullptr, ds, std::nullopt, true, QString(), -1, true, &window), 0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(picked, 0);  // the current row
    EXPECT_FALSE(QFile::exists(pdf()));
    // Picking: a row chosen, or none chosen (nothing drawn).
    std::shared_ptr<datalib::DataSource> rows = ds;
    EXPECT_TRUE(labels::PreviewLabels(labels::LabelDevice{&window, {}}, rows, 37, 70, 0, 0, 3, false,
                                      kMarkerScript, true));
    EXPECT_EQ(picked, 1);
    picker.pick = {};  // closed without a choice
    EXPECT_FALSE(labels::PreviewLabels(labels::LabelDevice{&window, {}}, rows, 37, 70, 0, 0, 3, false,
                                       kMarkerScript, true));
    EXPECT_EQ(shown, 2);
}

TEST_F(LabelRunnerTest, TheDemoCustomerLabelOnTwoSelectedCustomers) {
    demodb::AddDemoLabelLayouts(*db);
    auto ds = customers(2);
    std::vector<core::Variant> marks{ds->Bookmark()};
    const QString first = ds->ColValueStr(QStringLiteral("RagioneSociale")).split(QLatin1Char(' ')).first();
    ds->RowNext();
    marks.push_back(ds->Bookmark());
    boxes->input(QStringLiteral("0"));
    EXPECT_EQ(labels::PrintLabels(nullptr, ds, labels::LabelSelection(marks), true, QString(), -1, true), 2);
    ASSERT_EQ(pdfprobe::pageCount(pdf()), 1);
    const auto words = pdfprobe::words(pdf());
    const auto name = pdfprobe::find(words, first);
    EXPECT_NEAR(name.box.left(), 4, 0.5);
    // The barcode of the second label (x 70 + 4) reads back as its code.
    const QImage page = pdfprobe::render(pdf(), 1);
    EXPECT_EQ(pdfprobe::decodeCode128(pdfprobe::runs(page, 300, 29, 72), 0.3 * pdfprobe::pxPerMm(300)),
              pdfprobe::code128Symbols(codes[1]));
}

TEST_F(LabelRunnerTest, ASheetOfDemoLabelsArrivesAtAPrintQueue) {
    // A private print server with a queue that prints into a file; the demo's
    // label layout names no printer, so the printer dialog chooses the queue.
    printserver::PrintServer server;
    ASSERT_NO_THROW({
        server.start();
        server.useForThisProcess();
        server.addQueue(QStringLiteral("Etichettatrice"));
    });
    platform::Printers::setPrinterChooser([&](const QString& title, int copies) {
        ++chooserCalls;
        EXPECT_EQ(title, QStringLiteral("Selezione stampante"));
        return std::optional<platform::Printers::Choice>(
            platform::Printers::Choice{QStringLiteral("Etichettatrice"), QString(), copies});
    });
    demodb::AddDemoLabelLayouts(*db);
    auto ds = customers(30);
    std::vector<core::Variant> marks;
    for (int i = 0; i < 30; ++i, ds->RowNext()) marks.push_back(ds->Bookmark());
    boxes->input(QStringLiteral("0"));
    // 24 labels a sheet: the 30th is the 6th of the second sheet.
    EXPECT_EQ(labels::PrintLabels(nullptr, ds, labels::LabelSelection(marks), true, QString(), -1, true), 6);
    EXPECT_EQ(chooserCalls, 1);
    ASSERT_EQ(server.waitForJobs(QStringLiteral("Etichettatrice")), 1);
    EXPECT_EQ(server.completedJobTitles(QStringLiteral("Etichettatrice")), QStringList{"Etichette"});
    EXPECT_FALSE(QFile::exists(pdf()));
    const QString job = server.jobFile(QStringLiteral("Etichettatrice"));
    ASSERT_EQ(pdfprobe::pageCount(job), 2);
    const QSizeF size = pdfprobe::pageSizeMm(job);
    EXPECT_NEAR(size.width(), 210, 1);
    EXPECT_NEAR(size.height(), 297, 1);
    const auto words = pdfprobe::words(job);
    ds->RowFirst();
    for (int i = 0; i < 30; ++i, ds->RowNext()) {
        const QString name =
            ds->ColValueStr(QStringLiteral("RagioneSociale")).split(QLatin1Char(' ')).first();
        EXPECT_EQ(pdfprobe::find(words, name, i < 24 ? 1 : 2).page, i < 24 ? 1 : 2) << name.toStdString();
    }
}

// A label layout that names an installed printer prints there and makes it
// the program's printer; one naming a printer that is not installed prints
// on the current printer and leaves it.
TEST_F(LabelRunnerTest, ALayoutNamingAnInstalledPrinterMakesItTheCurrentOne) {
    printserver::PrintServer server;
    ASSERT_NO_THROW({
        server.start();
        server.useForThisProcess();
        server.addQueue(QStringLiteral("Etichettatrice"));
    });
    ASSERT_TRUE(platform::Printers::setCurrent(platform::Printers::pdfPrinterName()));
    addLayout(1, 30, 70, 0, 0, 1, kMarkerScript, false);
    auto stored = db->OpenDataSource(QStringLiteral("TabStampaEtichette"));
    stored->RowFirst();
    stored->SetColValue(QStringLiteral("NomeStampante"), QStringLiteral("Etichettatrice"));
    stored->Save();
    EXPECT_GT(printAll(customers(1)), 0);
    EXPECT_EQ(platform::Printers::current(), QStringLiteral("Etichettatrice"));
    ASSERT_EQ(server.waitForJobs(QStringLiteral("Etichettatrice")), 1);

    stored->RowFirst();
    stored->SetColValue(QStringLiteral("NomeStampante"), QStringLiteral("Assente"));
    stored->Save();
    EXPECT_GT(printAll(customers(1)), 0);
    EXPECT_EQ(platform::Printers::current(), QStringLiteral("Etichettatrice"));
    EXPECT_EQ(server.waitForJobs(QStringLiteral("Etichettatrice")), 2);
    EXPECT_EQ(chooserCalls, 0);
}

}  // namespace

namespace {

// A label layout reads the customers but changes none of them: the first
// attempt ends the run with the layout's message, which names it.
TEST_F(LabelRunnerTest, ALabelLayoutChangesNoData) {
    const char* attempts[][2] = {
        {"ds.ColValue(\"RagioneSociale\") = \"x\"", "la modifica dei valori non è consentita"},
        {"ds.DeleteRow", "l'eliminazione non è consentita"},
        {"ds.AddNew", "l'aggiunta di righe non è consentita"},
    };
    for (const auto& [attempt, refused] : attempts) {
        SCOPED_TRACE(attempt);
        db->OpenDataSource(QStringLiteral("TabStampaEtichette"))->DeleteAll();
        addLayout(
            1, 37, 70, 0, 0, 1,
            QStringLiteral("Function PrintLabel(ds, prn)\r\n  %1\r\n  PrintLabel = True\r\nEnd Function\r\n")
                .arg(QString::fromUtf8(attempt)));
        auto ds = customers(2);
        const long before = db->OpenDataSource(QStringLiteral("Clienti"))->RowCount();
        const QString name = ds->ColValueStr(QStringLiteral("RagioneSociale"));
        printAll(ds);
        EXPECT_TRUE(boxes->lastText().contains(
            QStringLiteral(
                "Il codice di stampa delle etichette di \"Clienti\" può soltanto leggere i dati: ") +
            QString::fromUtf8(refused)))
            << boxes->lastText().toStdString();
        EXPECT_EQ(db->OpenDataSource(QStringLiteral("Clienti"))->RowCount(), before);
        auto again = db->OpenDataSource(QStringLiteral("Clienti"), QString(), QStringLiteral("Codice"));
        again->RowFirst();
        EXPECT_EQ(again->ColValueStr(QStringLiteral("RagioneSociale")), name);
    }
}

}  // namespace
