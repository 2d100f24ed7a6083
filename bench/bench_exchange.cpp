// The exchange with head office against a private Apache with WebDAV:
// receiving the demo archive (or the large one named by ZELT_SCALE_ARCHIVE,
// made by `zelt-demodb --scale`) into a new database and then receiving
// everything again over it, with the real progress window; and sending 500
// orders of 10 rows each to the demo archive at head office. The receives
// run with the data library's checks of the time limit and the stop
// (checks:1) and without them (checks:0), to show what they cost.

#include "app/AllTableClasses.h"
#include "core/Prompt.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "exchange/Exchange.h"
#include "exchange/ui/frmExchangeProgress.h"
#include "platform/Transfer.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"
#include "tools/headoffice/HeadOfficeServer.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <optional>

namespace {

struct Db {
    explicit Db(const QString& file, bool create) {
        if (create) engine.Create(3, file, QString(), startup::DatabasePassword());
        engine.Open(3, file, QString(), startup::DatabasePassword());
        schema::DB definition;
        db = datalib::Application::OpenDatabase(engine, definition, QStringLiteral("zeltorder"), nullptr);
    }
    ~Db() {
        db.reset();
        engine.Close();
    }
    datalib::Engine engine;
    std::shared_ptr<datalib::Database> db;
};

QString demoArchive(QTemporaryDir& dir) {
    app::registerAllTableClasses();
    demodb::DemoOptions options;
    options.file = dir.filePath(QStringLiteral("demo"));
    demodb::BuildDemoArchive(options, [](const QString&) {});
    return options.file;
}

exchange::ExchangeContext contextFor(const std::shared_ptr<datalib::Database>& db, const QString& url) {
    exchange::ExchangeContext ctx;
    ctx.local = db;
    ctx.agent = QStringLiteral("DEMO");
    ctx.configuredUrl = url;
    ctx.password = startup::DatabasePassword();
    return ctx;
}

void receive(benchmark::State& state, const QString& archive) {
    const int steps = datalib::Connection::progressSteps();
    if (state.range(0) == 0) datalib::Connection::setProgressSteps(0);
    struct Restore {
        int steps;
        ~Restore() { datalib::Connection::setProgressSteps(steps); }
    } restore{steps};
    app::registerAllTableClasses();
    startup::runContext().codeAgente = QStringLiteral("DEMO");
    core::ScriptedBoxes boxes;
    headoffice::HeadOfficeServer server;
    server.start();
    server.putFile(QStringLiteral("OrdiniAgente_DEMO"), archive);
    platform::Transfer transfer;
    for (auto _ : state) {
        QTemporaryDir dir;
        Db local(dir.filePath(QStringLiteral("ZeltOrder_DEMO")), true);
        auto ctx = contextFor(local.db, server.baseUrl().toString());
        for (const bool all : {false, true}) {
            auto* window = exchange::frmUpdateProgress::instance();
            const auto t0 = std::chrono::steady_clock::now();
            if (!exchange::ReceiveUpdates(ctx, &transfer, *window, all, false))
                state.SkipWithError("receive failed");
            const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            state.counters[all ? "receive_all_s" : "first_receive_s"] = s;
        }
        state.counters["articles"] = double(local.db->OpenDataSource(QStringLiteral("Articoli"))->RowCount());
    }
}

void BM_ReceiveDemo(benchmark::State& state) {
    QTemporaryDir dir;
    receive(state, demoArchive(dir));
}
BENCHMARK(BM_ReceiveDemo)
    ->ArgName("checks")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_ReceiveScale(benchmark::State& state) {
    QString file = qEnvironmentVariable("ZELT_SCALE_ARCHIVE");
    if (file.isEmpty()) file = QStringLiteral("demo-scale/ZeltOrder_DEMO");
    if (!QFile::exists(file)) {
        state.SkipWithError("archive missing: zelt-demodb --scale demo-scale");
        for (auto _ : state) {
        }
        return;
    }
    receive(state, file);
}
BENCHMARK(BM_ReceiveScale)
    ->ArgName("checks")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// The stop button pressed in the middle of a receive-all: how long until the
// receive has given up (rows kept whole, see the tests). A stop that came
// after the receive had ended measures nothing and is reported as an error.
void stopDuringReceive(benchmark::State& state, const QString& archive) {
    startup::runContext().codeAgente = QStringLiteral("DEMO");
    core::ScriptedBoxes boxes;
    headoffice::HeadOfficeServer server;
    server.start();
    server.putFile(QStringLiteral("OrdiniAgente_DEMO"), archive);
    platform::Transfer transfer;
    for (auto _ : state) {
        QTemporaryDir dir;
        Db local(dir.filePath(QStringLiteral("ZeltOrder_DEMO")), true);
        auto ctx = contextFor(local.db, server.baseUrl().toString());
        auto* window = exchange::frmUpdateProgress::instance();
        std::optional<std::chrono::steady_clock::time_point> pressed;
        QString during;
        QTimer::singleShot(int(state.range(0)), window, [&] {
            boxes.answer(core::kAnswerYes);
            during = window->lblCurrentOperation()->text();
            pressed = std::chrono::steady_clock::now();
            window->cmdCancel()->click();
        });
        exchange::ReceiveUpdates(ctx, &transfer, *window, true, false);
        if (!pressed) {
            state.SkipWithError("the receive ended before the stop");
            continue;
        }
        state.counters["stop_served_ms"] =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - *pressed).count();
        state.SetLabel(during.toStdString());
    }
}

void BM_StopDuringReceive(benchmark::State& state) {
    QTemporaryDir archiveDir;
    stopDuringReceive(state, demoArchive(archiveDir));
}
BENCHMARK(BM_StopDuringReceive)
    ->Arg(100)
    ->Arg(250)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_StopDuringScaleReceive(benchmark::State& state) {
    const QString file = qEnvironmentVariable("ZELT_SCALE_ARCHIVE");
    if (file.isEmpty() || !QFile::exists(file)) {
        state.SkipWithError("archive missing: zelt-demodb --scale, named by ZELT_SCALE_ARCHIVE");
        for (auto _ : state) {
        }
        return;
    }
    app::registerAllTableClasses();
    stopDuringReceive(state, file);
}
BENCHMARK(BM_StopDuringScaleReceive)
    ->Arg(5000)
    ->Arg(12000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// 500 completed orders of 10 rows, sent at once.
void BM_Send500Orders(benchmark::State& state) {
    QTemporaryDir dir;
    const QString demo = demoArchive(dir);
    startup::runContext().codeAgente = QStringLiteral("DEMO");
    core::ScriptedBoxes boxes;
    headoffice::HeadOfficeServer server;
    server.start();
    platform::Transfer transfer;
    for (auto _ : state) {
        state.PauseTiming();
        server.putFile(QStringLiteral("OrdiniAgente_DEMO"), demo);
        QTemporaryDir work;
        const QString file = work.filePath(QStringLiteral("ZeltOrder_DEMO"));
        QFile::copy(demo, file);
        Db local(file, false);
        auto& db = *local.db;
        auto articles =
            db.OpenDataSource(QStringLiteral("Articoli"), QStringLiteral("NOT Categoria.Complementi"));
        auto customer = db.OpenDataSource(QStringLiteral("Clienti"));
        customer->RowFirst();
        db.BeginTrans();
        db.BeginUpdate();
        auto orders = db.OpenDataSource(QStringLiteral("Ordini"));
        for (int o = 0; o < 500; ++o) {
            const QString number = QStringLiteral("BENCH%1").arg(o, 5, 10, QChar(u'0'));
            orders->InsertFromPairs({"Numero", number, "Agente", "DEMO", "Cliente",
                                     customer->ColValueStr("Codice"), "Completato", true, "NonModificabile",
                                     true, "InviatoSede", false});
            auto rows = db.OpenDataSource(QStringLiteral("RigheOrdini"),
                                          QStringLiteral("NumeroOrdine='%1'").arg(number));
            articles->RowFirst();
            for (int r = 1; r <= 10; ++r, articles->RowNext())
                rows->InsertFromPairs({"Codice", articles->ColValueStr("Codice"), "NumeroOrdine", number,
                                       "PosizioneRiga", r, "QuantitàOrdine", 1.0, "ImportoImponibile", 10.0});
        }
        db.EndUpdate();
        db.CommitTrans();
        auto ctx = contextFor(local.db, server.baseUrl().toString());
        auto* window = exchange::frmSendOrder::instance();
        exchange::OrderSelection all;
        state.ResumeTiming();
        if (!exchange::SendOrders(ctx, &transfer, *window, false, all)) state.SkipWithError("send failed");
        state.PauseTiming();
        state.counters["unsent_after"] = double(
            db.OpenDataSource(QStringLiteral("Ordini"), QStringLiteral("NOT InviatoSede AND Completato"))
                ->RowCount());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Send500Orders)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
