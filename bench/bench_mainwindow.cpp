// The main window's browsing on the large demo archive (100 000 articles and
// 100 000 customers, made by `zelt-demodb --scale`): opening the articles'
// view and painting its first screen, a quick-search filter on the
// description, sorting by a column and scrolling to the last row. The
// archive is read from ZELT_SCALE_ARCHIVE (default: demo-scale/ZeltOrder_DEMO
// under the current folder). The resident memory after each step is given as
// the counter rss_kb.

#include "BenchMain.h"
#include "controls/MubShortSearch.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "app/AllTableClasses.h"
#include "mainwindow/DataGrid.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/NavigationTree.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "schema/DB.h"
#include "startup/modDatabase.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {

struct NullSink : datalib::itfNotifyEvent {
    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString&) override {}
    void OnQueryMessage(int, int, QString&, bool& answer) override { answer = false; }
};

double residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toDouble();
    return 0;
}

struct Fixture {
    QTemporaryDir dir;
    NullSink sink;
    datalib::Engine engine;
    std::shared_ptr<datalib::Database> db;
    std::unique_ptr<QMainWindow> window;
    mainwindow::MainBrowser* browser = nullptr;
    bool ok = false;

    Fixture() {
        QString file = qEnvironmentVariable("ZELT_SCALE_ARCHIVE");
        if (file.isEmpty()) file = QStringLiteral("demo-scale/ZeltOrder_DEMO");
        if (!QFile::exists(file)) {
            std::fprintf(stderr, "Archivio %s mancante: zelt-demodb --scale demo-scale\n", qPrintable(file));
            return;
        }
        platform::SettingsStore::setRootDir(dir.filePath(QStringLiteral("config")));
        platform::setDataDirOverride(dir.filePath(QStringLiteral("data")));
        app::registerAllTableClasses();
        engine.Open(3, file, QString(), startup::DatabasePassword());
        schema::DB definition;
        db = datalib::Application::OpenDatabase(engine, definition, QStringLiteral("zeltorder"), &sink);
        window = std::make_unique<QMainWindow>();
        window->resize(1280, 800);
        browser = new mainwindow::MainBrowser(window.get(), [](const QString&) {});
        browser->SetDatabaseSource([this] { return db; });
        window->show();
        QCoreApplication::processEvents();
        browser->SetTreeViewNodes();
        ok = true;
    }
    ~Fixture() {
        if (browser) browser->ReleaseView();
        db.reset();
        engine.Close();
    }
    void openArticles() {
        QTreeWidget* tree = browser->tvTreeView();
        tree->setCurrentItem(mainwindow::NodeByKey(tree, QStringLiteral("Articoli")));
        browser->RefreshDetailView();
    }
    void paint() { benchmark::DoNotOptimize(browser->dgView()->grab()); }
};

std::unique_ptr<Fixture>& fixtureHolder() {
    static std::unique_ptr<Fixture> f;
    return f;
}

Fixture& fixture() {
    if (!fixtureHolder()) {
        fixtureHolder() = std::make_unique<Fixture>();
        benchsupport::atShutdown([] { fixtureHolder().reset(); });  // widgets go before the application
    }
    return *fixtureHolder();
}

void BM_OpenArticlesFirstScreen(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    for (auto _ : state) {
        f.openArticles();
        f.paint();
    }
    state.counters["rows"] = double(f.browser->CurrentDataSource()->RowCount());
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_OpenArticlesFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QuickSearchFilterOnDescription(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    f.openArticles();
    controls::MubShortSearch* search = f.browser->MubShortSearch();
    search->SetSearchField(QStringLiteral("Descrizione"));
    long rows = 0;
    for (auto _ : state) {
        search->SetSearchText(QStringLiteral("Lucchetto"));
        search->Filter(true);
        f.paint();
        rows = f.browser->CurrentDataSource()->RowCount();
        state.PauseTiming();
        search->CancelFilter();
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_QuickSearchFilterOnDescription)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SortByColumn(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    f.openArticles();
    controls::MubShortSearch* search = f.browser->MubShortSearch();
    bool descending = false;
    for (auto _ : state) {
        search->SetSearchField(QStringLiteral("Descrizione"));
        search->SortBySearchField(!descending);
        f.paint();
        descending = !descending;
    }
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_SortByColumn)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_ScrollToLastRow(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    f.openArticles();
    mainwindow::DataGrid* grid = f.browser->dgView();
    for (auto _ : state) {
        grid->scrollToBottom();
        f.paint();
        state.PauseTiming();
        grid->scrollToTop();
        f.paint();
        state.ResumeTiming();
    }
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_ScrollToLastRow)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
