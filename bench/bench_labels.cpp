// Labels on a copy of the large demo archive (see ScaleArchive.h): 1 000 selected customers
// printed through the label runner into a PDF with the demo customers' label
// (3 x 8 labels of 70 x 37 mm, three text lines and a Code 128 each), and
// 1 000 labels drawn on the preview's picture, the script compiled for each
// label as the preview does. The counter rss_kb is the resident memory after
// the last run, rss_growth_kb what the runs after the first added to it (flat
// memory: near 0). The same 1 000 labels (42 sheets) from the print command
// to the job accepted by a private CUPS queue (see PrintQueue.h); and the
// pick list of the row to print opened over the 100 000 customers, as the
// label editor's test print opens it.

#include "BenchMain.h"
#include "PrintQueue.h"
#include "ScaleArchive.h"

#include "core/Prompt.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "labels/LabelLayoutRecord.h"
#include "labels/ui/clsLabelPrint.h"
#include "labels/ui/frmLabelPreview.h"
#include "labels/ui/modLabelPrint.h"
#include "platform/ui/Printers.h"
#include "reports/LayoutScript.h"
#include "reports/ui/RowPicker.h"
#include "tools/demodb/DemoLayouts.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

using benchsupport::residentKb;

constexpr int kLabels = 1000;

// The resident memory after the first and after the last run.
struct Rss {
    double first = 0, last = 0;
    void report(benchmark::State& state) const {
        state.counters["rss_kb"] = last;
        state.counters["rss_growth_kb"] = last - first;
    }
};

void track(Rss& rss) {
    rss.last = residentKb();
    if (rss.first == 0) rss.first = rss.last;
}

struct Fixture {
    benchsupport::ScaleArchive archive;
    std::shared_ptr<datalib::Database>& db = archive.db;
    std::unique_ptr<core::ScriptedBoxes> boxes;
    std::vector<core::Variant> selection;  // the first 1 000 customers by code
    QString script;
    bool ok = false;

    Fixture() {
        if (!archive.open(true, QStringLiteral("bench"))) return;
        db->OpenDataSource(labels::LabelLayoutRecord::kTableName)->DeleteAll();
        demodb::AddDemoLabelLayouts(*db);
        auto layout = db->OpenDataSource(labels::LabelLayoutRecord::kTableName);
        layout->RowFirst();
        script = labels::LabelLayoutRecord::readFrom(*layout).script;
        auto ds = customers();
        for (int i = 0; i < kLabels && !ds->Eof(); ++i, ds->RowNext()) selection.push_back(ds->Bookmark());
        boxes = std::make_unique<core::ScriptedBoxes>();
        platform::Printers::setPdfFileAsker([this] { return std::optional<QString>(pdf()); });
        platform::Printers::setPrinterChooser([this](const QString&, int copies) {
            return std::optional<platform::Printers::Choice>(
                platform::Printers::Choice{platform::Printers::pdfPrinterName(), pdf(), copies});
        });
        ok = int(selection.size()) == kLabels;
    }
    ~Fixture() {
        platform::Printers::setPrinterChooser({});
        platform::Printers::setPdfFileAsker({});
        boxes.reset();
        archive.close();
    }
    QString pdf() const { return archive.dir.filePath(QStringLiteral("labels.pdf")); }
    std::shared_ptr<datalib::DataSource> customers() {
        auto ds = db->OpenDataSource(QStringLiteral("Clienti"), QString(), QStringLiteral("Codice"));
        ds->RowFirst();
        return ds;
    }
};

// 1 000 selected customers, no skip question, the document ended: the
// runner with its progress window, as the main window's command runs it.
void BM_Print1000CustomerLabelsToPdf(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    QWidget owner;
    std::int16_t onLastPage = 0;
    Rss rss;
    for (auto _ : state) {
        QFile::remove(f.pdf());
        auto ds = f.customers();
        onLastPage =
            labels::PrintLabels(&owner, ds, labels::LabelSelection(f.selection), true, QString(), 0, true);
        track(rss);
    }
    rss.report(state);
    state.counters["on_last_page"] = onLastPage;  // 1 000 = 41 sheets of 24 + 16
    state.counters["pdf_kb"] = double(QFile(f.pdf()).size()) / 1024.0;
}
BENCHMARK(BM_Print1000CustomerLabelsToPdf)->Unit(benchmark::kMillisecond)->Iterations(5);

// 1 000 labels on the preview's picture, one compile of the script each.
void BM_Preview1000LabelsCompiledEach(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    labels::frmLabelPreview window;
    int drawn = 0;
    Rss rss;
    for (auto _ : state) {
        auto ds = f.customers();
        auto prn = std::make_shared<labels::clsLabelPrint>();
        prn->SetParameter(labels::clsLabelPrint::Device{nullptr, &window}, 37, 70, 0, 0, 3, true, false);
        core::Variant dsVar(std::static_pointer_cast<core::Object>(ds));
        core::Variant prnVar(std::static_pointer_cast<core::Object>(prn));
        drawn = 0;
        for (const core::Variant& mark : f.selection) {
            ds->MoveToBookmark(mark);
            if (!reports::RunLabelScriptCode(dsVar, prnVar, f.script)) break;
            prn->NextLabel();
            ++drawn;
        }
        window.RefreshView();
        track(rss);
    }
    rss.report(state);
    state.counters["labels"] = drawn;
}
BENCHMARK(BM_Preview1000LabelsCompiledEach)->Unit(benchmark::kMillisecond)->Iterations(5);

// The 1 000 labels of BM_Print1000CustomerLabelsToPdf, the printer dialog
// answering the queue: from the command to the job accepted. The queue's own
// printing of the job is waited for outside the clock.
void BM_Print1000CustomerLabelsToQueue(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    printserver::PrintServer* queue = benchsupport::printQueue();
    if (!queue) return state.SkipWithError("cupsd non avviato");
    platform::Printers::setPrinterChooser([](const QString&, int copies) {
        return std::optional<platform::Printers::Choice>(
            platform::Printers::Choice{benchsupport::printQueueName(), QString(), copies});
    });
    QWidget owner;
    std::int16_t onLastPage = 0;
    int jobs = 0;
    for (auto _ : state) {
        auto ds = f.customers();
        onLastPage =
            labels::PrintLabels(&owner, ds, labels::LabelSelection(f.selection), true, QString(), 0, true);
        state.PauseTiming();
        jobs = queue->waitForJobs(benchsupport::printQueueName()).value_or(-1);
        state.ResumeTiming();
    }
    platform::Printers::setPrinterChooser([&f](const QString&, int copies) {
        return std::optional<platform::Printers::Choice>(
            platform::Printers::Choice{platform::Printers::pdfPrinterName(), f.pdf(), copies});
    });
    state.counters["on_last_page"] = onLastPage;
    state.counters["jobs_printed"] = jobs;
    state.counters["job_pages"] = benchsupport::jobPages(queue->jobFile(benchsupport::printQueueName()));
}
BENCHMARK(BM_Print1000CustomerLabelsToQueue)->Unit(benchmark::kMillisecond)->Iterations(5);

// The pick list of the row to print over the 100 000 customers, from opening
// the customers to the list painted on screen (then closed).
void BM_PickListOver100000Customers(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    QWidget owner;
    long rows = 0;
    for (auto _ : state) {
        auto ds = f.db->OpenDataSource(QStringLiteral("Clienti"));
        // Once the list runs its own event loop: painted, then closed.
        QTimer::singleShot(0, [] {
            if (QWidget* list = QApplication::activeModalWidget()) {
                list->grab();
                list->close();
            }
        });
        reports::PickDataRow(&owner, *ds);
    }
    rows = f.db->OpenDataSource(QStringLiteral("Clienti"))->RowCount();
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_PickListOver100000Customers)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
