// The main window's browsing on the large demo archive (100 000 articles and
// 100 000 customers, made by `zelt-demodb --scale`): opening the articles'
// view and painting its first screen, a quick-search filter on the
// description, sorting by a column and scrolling to the last row; the
// relation menus, the rows of the customers with the same agent in a browse
// window, the edit panel on a customer, a period change on the orders, a
// section button's click and a later activation of the window (nothing
// written, or one order added). The
// archive is read from ZELT_SCALE_ARCHIVE (default: demo-scale/ZeltOrder_DEMO
// under the current folder); the same benchmarks run on the archive of
// 1 000 000 articles made by `zelt-demodb --size 1000000`. The resident
// memory after each step is given as the counter rss_kb; the rows whose keys
// the view has read when its first screen is painted as rows_read.

#include "BenchMain.h"
#include "ScaleArchive.h"
#include "app/AllTableClasses.h"
#include "controls/DataGrid.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "core/Prompt.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Relations.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PeriodSelection.h"
#include "mainwindow/PredefinedReports.h"
#include "mainwindow/RelationMenus.h"
#include "mainwindow/SearchWindow.h"
#include "mainwindow/SectionButtons.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMainWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

namespace {

struct NullSink : datalib::itfNotifyEvent {
    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString&) override {}
    void OnQueryMessage(int, int, QString&, bool& answer) override { answer = false; }
};

using benchsupport::residentKb;

struct Fixture {
    NullSink sink;
    benchsupport::ScaleArchive archive;
    std::shared_ptr<datalib::Database>& db = archive.db;
    std::unique_ptr<QMainWindow> window;
    mainwindow::MainBrowser* browser = nullptr;
    bool ok = false;

    Fixture() {
        if (!archive.open(false, QStringLiteral("zeltorder"), &sink)) return;
        window = std::make_unique<QMainWindow>();
        window->resize(1280, 800);
        browser = new mainwindow::MainBrowser(window.get(), [](const QString&) {});
        browser->SetDatabaseSource([this] { return db; });
        startup::runContext().database = db;  // the search windows read it there
        window->show();
        QCoreApplication::processEvents();
        browser->SetTreeViewNodes();
        ok = true;
    }
    ~Fixture() {
        if (browser) browser->ReleaseView();
        startup::runContext().database.reset();
        archive.close();
    }
    void openArticles() {
        QTreeWidget* tree = browser->Widgets().tvTreeView;
        tree->setCurrentItem(mainwindow::NodeByKey(tree, QStringLiteral("Articoli")));
        browser->RefreshDetailView();
    }
    void paint() { benchmark::DoNotOptimize(browser->Widgets().dgView->grab()); }
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
    state.counters["rows_read"] = double(f.browser->CurrentDataSource()->RowsRead());
    state.counters["rss_kb"] = residentKb();
    state.counters["rows"] = double(f.browser->CurrentDataSource()->RowCount());
}
BENCHMARK(BM_OpenArticlesFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_QuickSearchFilterOnDescription(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    f.openArticles();
    controls::MubShortSearch* search = f.browser->Widgets().MubShortSearch;
    search->SetSearchField(QStringLiteral("Descrizione"));
    long rows = 0;
    for (auto _ : state) {
        search->SetSearchText(QStringLiteral("Lucchetto"));
        search->Filter(true);
        f.paint();
        state.PauseTiming();
        rows = f.browser->CurrentDataSource()->RowCount();
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
    controls::MubShortSearch* search = f.browser->Widgets().MubShortSearch;
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

// The floor of the sort: SQLite's own first 256 rows of the same view in the
// same order (the view's condition, its columns, the description without
// regard to case, the row key last), stepped through and their values read.
void BM_SortByColumnFloor(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    bool descending = false;
    long rows = 0;
    for (auto _ : state) {
        const QString dir = descending ? QStringLiteral(" DESC") : QString();
        datalib::Statement st = f.db->conn().prepare(
            QStringLiteral("SELECT * FROM \"Articoli\" WHERE \"Disabilitato\" = 0 ORDER BY "
                           "\"Descrizione\" COLLATE NOCASE%1, \"OID\" LIMIT 256")
                .arg(dir));
        rows = 0;
        while (st.step()) {
            for (int c = 0; c < st.columnCount(); ++c) benchmark::DoNotOptimize(st.text(c));
            ++rows;
        }
        descending = !descending;
    }
    state.counters["rows"] = double(rows);
}
BENCHMARK(BM_SortByColumnFloor)->Unit(benchmark::kMillisecond)->Iterations(10);

// The count of the articles' view: every key read (what the grid does while
// idle after the first screen, and what the count command waits for); in
// the view's own order (0) and sorted by description (1).
void BM_CountArticles(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    long rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.openArticles();
        if (state.range(0) == 1) {
            controls::MubShortSearch* search = f.browser->Widgets().MubShortSearch;
            search->SetSearchField(QStringLiteral("Descrizione"));
            search->SortBySearchField(true);
        }
        state.ResumeTiming();
        rows = f.browser->CurrentDataSource()->RowCount();
    }
    state.counters["rows"] = double(rows);
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_CountArticles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ScrollToLastRow(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    f.openArticles();
    controls::DataGrid* grid = f.browser->Widgets().dgView;
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

// ---- Relations, edit panel, period -------------------------------------------------------

void openNode(Fixture& f, const QString& key) {
    QTreeWidget* tree = f.browser->Widgets().tvTreeView;
    tree->setCurrentItem(mainwindow::NodeByKey(tree, key));
    f.browser->RefreshDetailView();
}

void BM_BuildRelationMenusOnCustomers(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    openNode(f, QStringLiteral("Clienti"));
    QMenu association;
    mainwindow::RelationMenus menus(&association, f.window.get());
    for (auto _ : state) menus.BuildRelationMenus(f.browser->CurrentDataSource().get(), false);
    state.counters["entries"] = double(menus.Items(QStringLiteral("mnuRefItem")).size());
}
BENCHMARK(BM_BuildRelationMenusOnCustomers)->Unit(benchmark::kMicrosecond)->Iterations(100);

// "Clienti con stesso Agente" from a customer of the archive's busiest agent:
// the browse window of its rows, to its first painted screen.
void BM_SameAgentCustomersFirstScreen(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    openNode(f, QStringLiteral("Clienti"));
    auto ds = f.browser->CurrentDataSource();
    ds->FindFirst(QStringLiteral("Codice <> ''"));
    const auto levels = datalib::DescribeRelations(*f.db, ds->tableDef());
    const datalib::RelationDesc* sameAgent = nullptr;
    for (const auto& r : levels.front().references)
        if (r.reference == QLatin1String("Agente")) sameAgent = &r;
    if (!sameAgent) return state.SkipWithError("riferimento Agente mancante");
    long rows = 0;
    for (auto _ : state) {
        auto related = datalib::RelatedRows(*ds, *sameAgent);
        auto* browse = controls::ViewObject(related, f.window.get()).Browse();
        benchmark::DoNotOptimize(browse->grid()->grab());
        rows = related->RowCount();
        state.PauseTiming();
        delete browse;
        state.ResumeTiming();
    }
    state.counters["rows"] = double(rows);
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_SameAgentCustomersFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(10);

// The edit panel on a customer: made, filled and painted.
void BM_EditPanelOnCustomer(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    openNode(f, QStringLiteral("Clienti"));
    auto ds = f.browser->CurrentDataSource();
    ds->FindFirst(QStringLiteral("Codice <> ''"));
    for (auto _ : state) {
        controls::RowEditor editor(ds, false, QString(), f.window.get());
        benchmark::DoNotOptimize(editor.grab());
        state.PauseTiming();
        editor.reject();
        state.ResumeTiming();
    }
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_EditPanelOnCustomer)->Unit(benchmark::kMillisecond)->Iterations(20);

// A period change on the orders' view: the view built again and painted.
void BM_PeriodChangeOnOrders(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    openNode(f, QStringLiteral("Ordini"));
    mainwindow::PeriodState& period = mainwindow::periodState();
    bool month = false;
    long rows = 0;
    for (auto _ : state) {
        month = !month;
        period.bSelMonth = month;
        period.dtSelDate = QDate::currentDate();
        f.browser->RefreshDetailView();
        f.paint();
        rows = f.browser->CurrentDataSource()->RowCount();
    }
    mainwindow::ResetPeriodState();
    state.counters["rows"] = double(rows);
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_PeriodChangeOnOrders)->Unit(benchmark::kMillisecond)->Iterations(10);

// A click on a section button: "Articoli" under "Anagrafica", to the painted
// first screen of its 100 000 rows (the view is built once per click).
void BM_SectionButtonClick(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    QTreeWidget* tree = f.browser->Widgets().tvTreeView;
    for (auto _ : state) {
        state.PauseTiming();
        f.browser->tvTreeView_NodeClick(mainwindow::NodeAt(tree, 4));  // "Anagrafica" clicked
        state.ResumeTiming();
        f.browser->Widgets().acmdSectionItem->Follow(QStringLiteral("Articoli"));
        f.paint();
    }
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_SectionButtonClick)->Unit(benchmark::kMillisecond)->Iterations(10);

// A later activation of the main window over the articles' view (100 000
// rows, the current row far down): with nothing written since the rows were
// read (0), and after one order was added (1). Works on a copy of the archive.
struct WritableFixture {
    NullSink sink;
    benchsupport::ScaleArchive archive;
    std::unique_ptr<QMainWindow> window;
    mainwindow::MainBrowser* browser = nullptr;
    bool ok = false;

    WritableFixture() {
        if (!archive.open(true, QStringLiteral("zeltorder"), &sink)) return;
        window = std::make_unique<QMainWindow>();
        window->resize(1280, 800);
        browser = new mainwindow::MainBrowser(window.get(), [](const QString&) {});
        browser->SetDatabaseSource([this] { return archive.db; });
        window->show();
        QCoreApplication::processEvents();
        browser->SetTreeViewNodes();
        ok = true;
    }
    ~WritableFixture() {
        if (browser) browser->ReleaseView();
        window.reset();
        archive.close();
    }
    void addOrder(int n) {
        auto& db = *archive.db;
        db.BeginUpdate();
        db.OpenDataSource(QStringLiteral("Ordini"))
            ->InsertFromPairs({core::Variant(QStringLiteral("Numero")),
                               core::Variant(QStringLiteral("B%1").arg(n, 9, 10, QLatin1Char('0'))),
                               core::Variant(QStringLiteral("Cliente")), core::Variant(QString())});
        db.EndUpdate();
    }
};

std::unique_ptr<WritableFixture>& writableHolder() {
    static std::unique_ptr<WritableFixture> f;
    return f;
}

WritableFixture& writable() {
    if (!writableHolder()) {
        writableHolder() = std::make_unique<WritableFixture>();
        benchsupport::atShutdown([] { writableHolder().reset(); });
    }
    return *writableHolder();
}

void BM_ActivationRefreshOnArticles(benchmark::State& state) {
    WritableFixture& f = writable();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    QTreeWidget* tree = f.browser->Widgets().tvTreeView;
    f.browser->ShowNode(mainwindow::NodeByKey(tree, QStringLiteral("Articoli")));
    auto ds = f.browser->CurrentDataSource();
    ds->MoveTo(5000);
    f.browser->Widgets().dgView->FollowDataSource();
    ds->RowCount();
    const bool written = state.range(0) == 1;
    int n = 0;
    for (auto _ : state) {
        if (written) {
            state.PauseTiming();
            f.addOrder(++n);
            state.ResumeTiming();
        }
        // The refresh, then the grid's repaint that it asks for.
        f.browser->RefreshCurrentRows();
        f.browser->Widgets().dgView->viewport()->repaint();
        state.PauseTiming();
        f.browser->CurrentDataSource()->RowCount();  // what the idle reading does meanwhile
        state.ResumeTiming();
    }
    state.SetLabel(written ? "un ordine aggiunto" : "nulla cambiato");
    state.counters["rows_read"] = double(f.browser->CurrentDataSource()->RowsRead());
    state.counters["rss_kb"] = residentKb();
}
BENCHMARK(BM_ActivationRefreshOnArticles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

// Every view a tree node gives, from the node to the painted first screen;
// for the list sections to the print chooser (the search windows confirmed
// empty, the first order chosen, the chooser left), then back to the
// heading. Memory stays flat whatever the table's size.
const char* const kViews[] = {"Ordini",
                              "Ordini da Inviare",
                              "Articoli",
                              "Kit",
                              "Promozioni",
                              "Clienti",
                              "Nuovi / non confermati",
                              "SediClienti",
                              "Fornitori",
                              "Agenti",
                              "Linee",
                              "Categorie",
                              "Elenco",
                              "Elenco con Riferimenti",
                              "Dettagli (per Cliente)",
                              "Non Spediti",
                              "Non Confermati",
                              "Confermati",
                              "Annullati",
                              "Spediti (per Cliente)",
                              "Articoli Da Spedire (per Cliente)",
                              "Proposta d'Ordine",
                              "Conferma d'Ordine",
                              "Clienti per Rag.Soc.",
                              "Clienti per Provincia",
                              "Analisi Crescita",
                              "Consuntivo Clienti"};

void BM_SectionViewFirstScreen(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    const QString key = QString::fromUtf8(kViews[state.range(0)]);
    state.SetLabel(kViews[state.range(0)]);
    core::ScriptedBoxes boxes;  // a box ("no data", ...) answers at once
    bool chooser = false;
    controls::setSearchDialogHook([&](QDialog& d) {
        if (auto* w = qobject_cast<mainwindow::SearchWindow*>(&d)) {
            w->cmdOk()->click();
            return w->result() == QDialog::Accepted;
        }
        if (auto* p = qobject_cast<controls::PickListDialog*>(&d)) {
            p->ChooseRow(0);
            return true;
        }
        if (qobject_cast<mainwindow::frmPrinterFunctions*>(&d)) chooser = true;
        return false;
    });
    long rows = 0;
    for (auto _ : state) {
        chooser = false;
        QTreeWidget* tree = f.browser->Widgets().tvTreeView;
        {
            const QSignalBlocker quiet(tree);
            tree->setCurrentItem(mainwindow::NodeByKey(tree, key));
        }
        f.browser->RefreshDetailView();
        if (f.browser->Widgets().dgView->isVisible()) f.paint();
    }
    state.counters["rss_kb"] = residentKb();
    // Counting reads every key: after the clock and the memory reading.
    if (f.browser->Widgets().dgView->isVisible()) rows = f.browser->CurrentDataSource()->RowCount();
    controls::setSearchDialogHook({});
    // A box here is a failure or "no data": the figure would not be the view's.
    if (!boxes.shown().empty())
        return state.SkipWithError(qPrintable(boxes.shown().front().text.simplified()));
    state.counters["rows"] = double(rows);
    state.counters["chooser"] = chooser ? 1 : 0;
}
BENCHMARK(BM_SectionViewFirstScreen)
    ->DenseRange(0, int(std::size(kViews)) - 1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

}  // namespace
