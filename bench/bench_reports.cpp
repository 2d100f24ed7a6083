// Reports: a 1 000-row report printed into a PDF; a 100-page report
// previewed (the first page shown once the run stops at 16 modules); the
// preview's page store filled with 100 pages (84 of them in files) and paged
// through, with the resident memory it adds; the 100 pages printed into a PDF.
// The data are the demo archive's articles, built once in a temporary folder.
// Last, the customer list of the large archive (see ScaleArchive.h), all 2 381
// pages into a PDF as zelt-report prints it, with the resident memory; and a
// 10-page report from the print command to the job accepted by a private
// CUPS queue (see PrintQueue.h).

#include "BenchMain.h"
#include "PrintQueue.h"
#include "ScaleArchive.h"

#include "app/AllTableClasses.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PageSurface.h"
#include "platform/ui/Printers.h"
#include "reports/LayoutRow.h"
#include "reports/ReportLayoutRecord.h"
#include "reports/ui/clsCustomReport.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "reports/ui/modCustomReport.h"
#include "schema/DB.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <memory>

namespace {

// Four column reads, three texts and a box a row.
const QString kRowScript = QStringLiteral(
    "Function PrintReportMask(ds, prn, bTotal)\r\n"
    "  prn.TxtOut 5, 10, \"Articoli - pagina \" & (prn.ReportModuleCount + 1)\r\n"
    "  PrintReportMask = True\r\n"
    "End Function\r\n"
    "Function PrintReportRow(dsRow, prn, nRow)\r\n"
    "  c = dsRow.ColValue(\"Codice\")\r\n"
    "  d = dsRow.ColValue(\"Descrizione\")\r\n"
    "  p = dsRow.ColValue(\"PrezzoBase\")\r\n"
    "  q = dsRow.ColValue(\"Disponibilità\")\r\n"
    "  prn.TxtOut 0, 10, c\r\n"
    "  prn.TxtOut 0, 45, d, 90\r\n"
    "  prn.TxtOutR 0, 190, FormatNumber(p, 2) & \" / \" & q\r\n"
    "  prn.BoxOut 0, 8, 5, 184, False\r\n"
    "  PrintReportRow = True\r\n"
    "End Function\r\n");

struct Data {
    QTemporaryDir dir;
    datalib::Engine engine;
    std::shared_ptr<datalib::Database> db;
    std::unique_ptr<platform::ScriptedBoxes> boxes;

    Data() {
        app::registerAllTableClasses();
        const QString file = dir.filePath(QStringLiteral("ZeltOrder_DEMO"));
        demodb::DemoOptions options;
        options.file = file;
        demodb::BuildDemoArchive(options, [](const QString&) {});
        engine.Open(3, file, QString(), startup::DatabasePassword());
        schema::DB definition;
        db = datalib::Application::OpenDatabase(engine, definition, QStringLiteral("bench"), nullptr);
        boxes = std::make_unique<platform::ScriptedBoxes>();
        benchsupport::atShutdown([this] {
            boxes.reset();
            db.reset();
            engine.Close();
        });
    }

    std::shared_ptr<datalib::DataSource> articles() {
        auto ds = db->OpenDataSource(QStringLiteral("Articoli"), QString(), QStringLiteral("Codice"));
        ds->RowFirst();
        return ds;
    }
};

Data& data() {
    static Data* d = new Data();
    return *d;
}

// A page object on a PDF job or on a preview; rows of 6 mm from 20 to rowsBottom.
std::shared_ptr<reports::clsCustomReport> page(reports::clsCustomReport::Device device, float rowsBottom) {
    auto prn = std::make_shared<reports::clsCustomReport>();
    prn->SetParameter(device, 0, 0, 0, 0, 1, 6, 20, rowsBottom, QString(), 0, kRowScript, false, QString());
    return prn;
}

// The articles' report into a PDF: `rows` rows, rows of 6 mm from 20 to rowsBottom.
void printToPdf(benchmark::State& state, const QString& name, float rowsBottom, int rows) {
    Data& d = data();
    const QString pdf = d.dir.filePath(name);
    for (auto _ : state) {
        auto ds = d.articles();
        reports::clsCustomReport::Device device;
        device.printer = std::make_shared<platform::PrintJob>(platform::Printers::pdfPrinterName(), pdf);
        auto prn = page(device, rowsBottom);
        reports::RunCustomReport(nullptr, ds, prn, QString(), QString(), rows, false, 1, QString());
    }
    state.counters["delivered"] = double(QFile::exists(pdf));
}

void BM_Report1000RowsToPdf(benchmark::State& state) {
    printToPdf(state, QStringLiteral("rows.pdf"), 280, 1000);
}
BENCHMARK(BM_Report1000RowsToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Preview100PagesFirstPageShown(benchmark::State& state) {
    Data& d = data();
    int shown = 0;
    reports::setPreviewShower([&](reports::frmCustomReportPreview& preview, QWidget*) {
        preview.RefreshView();  // page 1 on screen
        shown = preview.PageCount();
        return QString();
    });
    for (auto _ : state) {
        auto ds = d.articles();
        reports::frmCustomReportPreview preview;
        reports::clsCustomReport::Device device;
        device.preview = &preview;
        auto prn = page(device, 26);  // one row a page
        reports::RunCustomReport(nullptr, ds, prn, QString(), QString(), 100, true, 1, QString());
    }
    reports::setPreviewShower({});
    state.counters["pages"] = shown;
}
BENCHMARK(BM_Preview100PagesFirstPageShown)->Unit(benchmark::kMillisecond)->Iterations(3);

using benchsupport::residentKb;

void BM_PreviewStore100PagesPagedThrough(benchmark::State& state) {
    double added = 0;
    for (auto _ : state) {
        reports::frmCustomReportPreview preview;
        preview.resize(1000, 800);
        preview.show();
        const double before = residentKb();
        for (int p = 1; p <= 100; ++p) {
            platform::ImageSurface& s = preview.PageAdd();
            s.setFontSize(12);
            s.currentX = 20;
            s.currentY = 20;
            s.print(QStringLiteral("Pagina %1").arg(p));
            s.box(QPointF(10, 10), QPointF(200, 287));
        }
        preview.RefreshView();
        for (int p = 1; p <= 100; ++p) preview.setPageIndex(p);
        added = residentKb() - before;
        preview.close();
    }
    const QSize pagePx = platform::ImageSurface(QSizeF(210, 297)).image().size();
    state.counters["added_MB"] = added / 1024.0;
    state.counters["16_pages_MB"] = 16.0 * pagePx.width() * pagePx.height() * 4 / (1024.0 * 1024.0);
}
BENCHMARK(BM_PreviewStore100PagesPagedThrough)->Unit(benchmark::kMillisecond)->Iterations(2);

// One row a page.
void BM_Print100PagesToPdf(benchmark::State& state) {
    printToPdf(state, QStringLiteral("pages.pdf"), 26, 100);
}
BENCHMARK(BM_Print100PagesToPdf)->Unit(benchmark::kMillisecond)->Iterations(3);

// The archive's "ListaPerRagSoc" layout over its 100 000 customers, set up as
// zelt-report sets it up: the page object on a PDF job, the rows of the
// table, no dialogs.
void BM_CustomerList2381PagesToPdf(benchmark::State& state) {
    auto& archive = benchsupport::sharedFixture<benchsupport::ScaleArchive>();
    if (!archive.db && !archive.open(false, QStringLiteral("bench")))
        return state.SkipWithError("archivio mancante");
    using reports::LayoutSize;
    auto stored = archive.db->OpenDataSource(
        reports::ReportLayoutRecord::kTableName,
        reports::ReportLayoutRecord::kNameColumn + QStringLiteral("='ListaPerRagSoc'"));
    if (stored->DataEmpty()) return state.SkipWithError("prospetto ListaPerRagSoc mancante");
    stored->RowFirst();
    const auto layout = reports::ReportLayoutRecord::readFrom(*stored);
    const QString pdf = archive.dir.filePath(QStringLiteral("clienti.pdf"));
    platform::ScriptedBoxes boxes;
    bool delivered = false;
    for (auto _ : state) {
        QFile::remove(pdf);
        auto ds = archive.db->OpenDataSource(QStringLiteral("Clienti"));
        ds->RowFirst();
        reports::clsCustomReport::Device device;
        device.printer = std::make_shared<platform::PrintJob>(platform::Printers::pdfPrinterName(),
                                                              QFileInfo(pdf).absoluteFilePath(),
                                                              QStringLiteral("ListaPerRagSoc"));
        auto prn = std::make_shared<reports::clsCustomReport>();
        prn->SetParameter(
            device, LayoutSize(layout.height), LayoutSize(layout.width), LayoutSize(layout.top),
            LayoutSize(layout.left), std::int16_t(LayoutSize(layout.columns)), LayoutSize(layout.rowsDim),
            LayoutSize(layout.rowsTop), LayoutSize(layout.rowsBottom), layout.backImage,
            LayoutSize(layout.bottomImageBorder), layout.script, layout.horizontal, layout.group);
        const auto outcome =
            reports::RunCustomReport(nullptr, ds, prn, QString(), QString(), 0, false, 1, QString());
        prn.reset();  // ends the document
        delivered = outcome == reports::RunOutcome::Completed && QFile::exists(pdf);
    }
    state.counters["delivered"] = double(delivered);
    state.counters["pdf_MB"] = double(QFile(pdf).size()) / (1024.0 * 1024.0);
    state.counters["rss_MB"] = residentKb() / 1024.0;
}
BENCHMARK(BM_CustomerList2381PagesToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

// 429 articles, 43 rows a page and the totals on the last: 10 pages, from the print command (the layout
// names the queue: no dialog) to the job accepted by the queue. The queue's
// own printing of the job is waited for outside the clock.
void BM_Report10PagesToQueue(benchmark::State& state) {
    printserver::PrintServer* queue = benchsupport::printQueue();
    if (!queue) return state.SkipWithError("cupsd non avviato");
    Data& d = data();
    reports::ReportLayoutRecord layout;
    layout.sourceTable = QStringLiteral("Articoli");
    layout.name = QStringLiteral("Articoli in coda");
    layout.printer = benchsupport::printQueueName();
    layout.columns = core::Variant(1);
    layout.height = layout.width = layout.top = layout.left = layout.bottomImageBorder = core::Variant(0.0);
    layout.rowsTop = core::Variant(20.0);
    layout.rowsBottom = core::Variant(280.0);
    layout.rowsDim = core::Variant(6.0);
    layout.script = kRowScript;
    layout.insertInto(*d.db);
    int jobs = 0;
    for (auto _ : state) {
        auto ds = d.articles();
        const bool printed = reports::PrintCustomReport(
            nullptr, ds, nullptr, QString(), QStringLiteral("Articoli in coda"), 429, false, 1, QString());
        state.PauseTiming();
        jobs = queue->waitForJobs(benchsupport::printQueueName()).value_or(-1);
        if (!printed) state.SkipWithError("stampa non riuscita");
        state.ResumeTiming();
    }
    state.counters["jobs_printed"] = jobs;
    state.counters["job_pages"] = benchsupport::jobPages(queue->jobFile(benchsupport::printQueueName()));
}
BENCHMARK(BM_Report10PagesToQueue)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
