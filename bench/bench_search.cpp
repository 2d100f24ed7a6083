// The customer and order search windows on the large demo archive (100 000
// customers and articles, made by `zelt-demodb --scale`): one refresh of the
// quick-help list (the timer's tick, as after typing a name, then a code),
// and a confirmed search to the first screen of its rows (OK builds the
// selection; the view's data source is opened with it and its first 40 rows
// read). The archive is read from ZELT_SCALE_ARCHIVE (see ScaleArchive.h). Counters: entries of the list,
// rows of the first screen, the resident memory (rss_kb).

#include "BenchMain.h"
#include "ScaleArchive.h"
#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/QuickHelpList.h"
#include "mainwindow/frmSearch_Clienti.h"
#include "mainwindow/frmSearch_Ordini.h"
#include "startup/RunContext.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

double residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toDouble();
    return 0;
}

struct Fixture {
    benchsupport::ScaleArchive archive;
    std::shared_ptr<datalib::Database> db;
    QString customerName;  // a company name of the archive with orders, and its code
    QString customerCode;
    QString articleCode;  // an article of an order
    bool ok = false;

    Fixture() {
        if (!archive.open(false, QStringLiteral("zeltorder"))) return;
        db = archive.db;
        startup::runContext().database = db;
        // The last order with rows: its customer and its first article.
        auto orders = db->OpenDataSource(QStringLiteral("Ordini"), QString(), QString());
        for (orders->RowLast(); !orders->Bof() && articleCode.isEmpty(); orders->RowPrevious()) {
            auto rows = orders->GetReference(QStringLiteral("Righe"));
            rows->RowFirst();
            if (rows->Eof()) continue;
            articleCode = rows->ColValueStr(QStringLiteral("Codice"));
            customerCode = orders->ColValueStr(QStringLiteral("Cliente"));
        }
        auto customer =
            db->OpenDataSource(QStringLiteral("Clienti"),
                               db->Tables(QStringLiteral("Clienti"))
                                   ->BuildFieldCondition(QStringLiteral("Codice"),
                                                         core::Variant(customerCode), datalib::MatchEqual));
        customerName = customer->ColValueStr(QStringLiteral("RagioneSociale"));
        ok = !articleCode.isEmpty() && !customerName.isEmpty();
        if (!ok) std::fprintf(stderr, "Archivio senza ordini\n");
    }
    ~Fixture() {
        startup::runContext().database.reset();
        db.reset();
    }
};

// Shows a search window and plays it.
template <class Window>
void play(datalib::SelectionCriteria& selection, const std::function<void(Window&)>& act) {
    controls::setSearchDialogHook([&](QDialog& d) {
        auto* w = qobject_cast<Window*>(&d);
        w->show();
        w->activateWindow();
        act(*w);
        return true;
    });
    bool confirmed = false;
    Window::ShowSelection(nullptr, selection, confirmed);
    controls::setSearchDialogHook({});
}

void quickHelp(benchmark::State& state, const QString& typed) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    datalib::SelectionCriteria selection(f.db, f.db->Tables(QStringLiteral("Clienti"))->definition());
    int entries = 0;
    play<mainwindow::frmSearch_Clienti>(selection, [&](mainwindow::frmSearch_Clienti& w) {
        QLineEdit* box = w.txtSel_Cliente();
        box->setFocus();
        {
            const QSignalBlocker quiet(box);
            box->setText(typed);
        }
        for (auto _ : state) {
            w.QuickHelp()->lstHelp_Field()->clear();  // no entry chosen: the tick reads again
            w.QuickHelp()->tmtHelp_Field_Timer();
        }
        entries = w.QuickHelp()->lstHelp_Field()->count();
    });
    state.counters["entries"] = entries;
    state.counters["rss_kb"] = residentKb();
}

void BM_QuickHelpCustomerName(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    quickHelp(state, f.customerName.left(4));
}
BENCHMARK(BM_QuickHelpCustomerName)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QuickHelpCustomerCode(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    quickHelp(state, f.customerCode.left(f.customerCode.size() - 1));
}
BENCHMARK(BM_QuickHelpCustomerCode)->Unit(benchmark::kMillisecond)->Iterations(20);

// OK with the entries filled, then the view's first screen.
void confirmedSearch(benchmark::State& state, const char* table, const std::function<void(QDialog&)>& fill) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    int screen = 0;
    for (auto _ : state) {
        datalib::SelectionCriteria selection(f.db, f.db->Tables(QString::fromUtf8(table))->definition());
        controls::setSearchDialogHook([&](QDialog& d) {
            fill(d);
            return true;
        });
        bool confirmed = false;
        if (QLatin1String(table) == QLatin1String("Clienti"))
            mainwindow::frmSearch_Clienti::ShowSelection(nullptr, selection, confirmed);
        else
            mainwindow::frmSearch_Ordini::ShowSelection(nullptr, selection, confirmed);
        controls::setSearchDialogHook({});
        if (!confirmed) return state.SkipWithError("ricerca non confermata");
        auto ds = f.db->OpenDataSource(QString::fromUtf8(table), selection.CombinedText(), QString());
        screen = 0;
        for (ds->RowFirst(); !ds->Eof() && screen < 40; ds->RowNext()) {
            benchmark::DoNotOptimize(ds->ColValueStr(QStringLiteral("OID")));
            ++screen;
        }
    }
    state.counters["rows"] = screen;
    state.counters["rss_kb"] = residentKb();
}

void BM_CustomerSearchByName(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    confirmedSearch(state, "Clienti", [&](QDialog& d) {
        auto& w = static_cast<mainwindow::frmSearch_Clienti&>(d);
        w.txtSel_Cliente()->setText(f.customerName.left(6));
        w.cmdOk()->click();
    });
}
BENCHMARK(BM_CustomerSearchByName)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_OrderSearchByCustomerAndArticle(benchmark::State& state) {
    auto& f = benchsupport::sharedFixture<Fixture>();
    confirmedSearch(state, "Ordini", [&](QDialog& d) {
        auto& w = static_cast<mainwindow::frmSearch_Ordini&>(d);
        w.txtSel_Cliente()->setText(f.customerName.left(6));
        w.txtSel_Articolo()->setText(f.articleCode);
        w.txtFromDate_Ordine()->clear();
        w.cmdOk()->click();
    });
}
BENCHMARK(BM_OrderSearchByCustomerAndArticle)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_OrderSearchDefaultDates(benchmark::State& state) {
    confirmedSearch(state, "Ordini",
                    [](QDialog& d) { static_cast<mainwindow::frmSearch_Ordini&>(d).cmdOk()->click(); });
}
BENCHMARK(BM_OrderSearchDefaultDates)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
