// The exchange with head office against a private Apache with WebDAV:
// receiving the demo archive (or the large one named by ZELT_SCALE_ARCHIVE,
// made by `zelt-demodb --scale`) into a new database and then receiving
// everything again over it, with the real progress window; and sending 500
// orders of 10 rows each to the demo archive at head office; the download of
// head office's copy with its checks beside one SHA-1 pass over the same
// file; and how soon a stop is served while the send waits for a lock held
// by someone else and while a request of it goes unanswered. The receives
// run with the data library's checks of the time limit and the stop
// (checks:1) and without them (checks:0), to show what they cost. The floor
// beside them is SQLite's own copy of the same rows into the same tables
// and indexes, one prepared INSERT per row.

#include "app/AllTableClasses.h"
#include "core/Prompt.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/RemoteConnector.h"
#include "exchange/Exchange.h"
#include "exchange/ui/frmExchangeProgress.h"
#include "platform/Transfer.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"
#include "tools/headoffice/CuttingProxy.h"
#include "tools/headoffice/HeadOfficeServer.h"

#include "ScaleArchive.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSet>
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

// A benchmark of the large archive when it is missing: an error, no run.
void skipWithoutArchive(benchmark::State& state) {
    state.SkipWithError("archive missing: zelt-demodb --scale demo-scale (or ZELT_SCALE_ARCHIVE)");
    for (auto _ : state) {
    }
}

void BM_ReceiveScale(benchmark::State& state) {
    const QString file = benchsupport::scaleArchiveFile();
    if (!QFile::exists(file)) return skipWithoutArchive(state);
    receive(state, file);
}
BENCHMARK(BM_ReceiveScale)
    ->ArgName("checks")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// The tables a receive writes: the exchanged ones and their own child rows.
QStringList receivedTables(const datalib::Database& db) {
    QStringList out;
    QStringList pending = QString::fromLatin1(exchange::kExchangeTables).split(QLatin1Char(','));
    QSet<QString> seen;
    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        const datalib::TableDef* def = db.tableDef(name);
        if (!def || seen.contains(def->name().toLower())) continue;
        seen.insert(def->name().toLower());
        out << def->name();
        for (int i = 0; i < def->references.Count(); ++i) {
            const datalib::ReferenceDef& r = def->references.Item(i);
            if (r.collection && r.owned) pending << r.table;
        }
    }
    return out;
}

void exec(sqlite3* db, const QString& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string text = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(text);
    }
}

// SQLite alone copies the archive's rows of `tables` into a new file with
// the archive's tables and indexes: WAL, synchronous FULL, one transaction,
// one prepared INSERT per table stepped once per row.
void floorCopy(const QString& archive, const QString& target, const QStringList& tables) {
    sqlite3* db = nullptr;
    if (sqlite3_open(target.toUtf8().constData(), &db) != SQLITE_OK) throw std::runtime_error("open");
    struct Close {
        sqlite3* db;
        ~Close() { sqlite3_close(db); }
    } close{db};
    exec(db, QStringLiteral("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA cache_size=-65536; "
                            "PRAGMA temp_store=MEMORY;"));
    exec(db, QStringLiteral("ATTACH DATABASE '%1' AS src").arg(QString(archive).replace('\'', "''")));
    QStringList names;
    for (const QString& t : tables) names << QStringLiteral("'") + t.toLower() + QStringLiteral("'");
    const QString list = names.join(QLatin1Char(','));
    // The tables first, then their indexes, as the archive has them.
    QStringList schema;
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       QStringLiteral("SELECT sql FROM src.sqlite_master WHERE lower(tbl_name) IN (%1) AND "
                                      "type IN ('table','index') AND sql IS NOT NULL ORDER BY type='index'")
                           .arg(list)
                           .toUtf8()
                           .constData(),
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        schema << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    for (const QString& sql : schema) exec(db, sql);
    exec(db, QStringLiteral("BEGIN"));
    for (const QString& t : tables) {
        sqlite3_stmt* read = nullptr;
        sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM src.\"%1\"").arg(t).toUtf8().constData(), -1,
                           &read, nullptr);
        const int n = sqlite3_column_count(read);
        QStringList marks;
        for (int i = 0; i < n; ++i) marks << QStringLiteral("?");
        sqlite3_stmt* write = nullptr;
        sqlite3_prepare_v2(db,
                           QStringLiteral("INSERT INTO main.\"%1\" VALUES (%2)")
                               .arg(t, marks.join(','))
                               .toUtf8()
                               .constData(),
                           -1, &write, nullptr);
        while (sqlite3_step(read) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) sqlite3_bind_value(write, i + 1, sqlite3_column_value(read, i));
            if (sqlite3_step(write) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
            sqlite3_reset(write);
        }
        sqlite3_finalize(write);
        sqlite3_finalize(read);
    }
    exec(db, QStringLiteral("COMMIT"));
}

// The floor of BM_ReceiveScale: the same archive, the same tables.
void BM_ReceiveFloorScale(benchmark::State& state) {
    const QString file = benchsupport::scaleArchiveFile();
    if (!QFile::exists(file)) return skipWithoutArchive(state);
    app::registerAllTableClasses();
    QTemporaryDir defs;
    const QStringList tables = receivedTables(*Db(defs.filePath(QStringLiteral("definitions")), true).db);
    for (auto _ : state) {
        QTemporaryDir dir;
        const auto t0 = std::chrono::steady_clock::now();
        try {
            floorCopy(file, dir.filePath(QStringLiteral("floor")), tables);
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
        }
        state.counters["floor_s"] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    state.counters["tables"] = double(tables.size());
}
BENCHMARK(BM_ReceiveFloorScale)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

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
    ->Arg(30)
    ->Arg(60)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

void BM_StopDuringScaleReceive(benchmark::State& state) {
    const QString file = benchsupport::scaleArchiveFile();
    if (!QFile::exists(file)) return skipWithoutArchive(state);
    app::registerAllTableClasses();
    stopDuringReceive(state, file);
}
BENCHMARK(BM_StopDuringScaleReceive)
    ->Arg(1500)
    ->Arg(2500)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// A private head office and what a send needs beside it: the demo archive
// (put back at head office before each send), scripted answers, a transfer.
struct SendBench {
    SendBench() : demo(demoArchive(dir)) {
        startup::runContext().codeAgente = QStringLiteral("DEMO");
        server.start();
    }
    QTemporaryDir dir;
    QString demo;
    core::ScriptedBoxes boxes;
    headoffice::HeadOfficeServer server;
    platform::Transfer transfer;
};

// 500 completed orders of 10 rows, sent at once.
void BM_Send500Orders(benchmark::State& state) {
    SendBench bench;
    const QString& demo = bench.demo;
    auto& server = bench.server;
    auto& transfer = bench.transfer;
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

// Head office's copy downloaded, checked and opened (the receive's and the
// send's first step), beside one SHA-1 pass over the same file read from the
// disk: what the checks cost against the hash alone.
void downloadArchive(benchmark::State& state, const QString& archive) {
    app::registerAllTableClasses();
    startup::runContext().codeAgente = QStringLiteral("DEMO");
    headoffice::HeadOfficeServer server;
    server.start();
    server.putFile(QStringLiteral("OrdiniAgente_DEMO"), archive);
    platform::Transfer transfer;
    QTemporaryDir dir;
    Db local(dir.filePath(QStringLiteral("ZeltOrder_DEMO")), true);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        {
            datalib::RemoteConnector connector(transfer);
            connector.Open(QStringLiteral("OrdiniAgente_DEMO"), *local.db, server.baseUrl().toString(),
                           nullptr, startup::DatabasePassword());
            connector.Close();
        }
        state.counters["download_s"] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const auto t1 = std::chrono::steady_clock::now();
        QFile f(archive);
        QCryptographicHash h(QCryptographicHash::Sha1);
        if (!f.open(QIODevice::ReadOnly) || !h.addData(&f)) state.SkipWithError("cannot read the archive");
        benchmark::DoNotOptimize(h.result());
        state.counters["sha1_s"] =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t1).count();
    }
    state.counters["mb"] = double(QFile(archive).size()) / 1e6;
}

void BM_DownloadDemo(benchmark::State& state) {
    QTemporaryDir dir;
    downloadArchive(state, demoArchive(dir));
}
BENCHMARK(BM_DownloadDemo)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_DownloadScale(benchmark::State& state) {
    const QString file = benchsupport::scaleArchiveFile();
    if (!QFile::exists(file)) return skipWithoutArchive(state);
    downloadArchive(state, file);
}
BENCHMARK(BM_DownloadScale)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The stop pressed while the send waits: 0, for a lock that someone else
// holds on head office's archive; 1, for its move of the upload onto the
// archive, which the network holds back and head office never answers. The
// stop comes 300 ms after the upload; the time is from the confirmed stop
// to the send's return. The lock would be waited for 5 s at most and the
// request given up after 5 s.
void BM_StopDuringSendWait(benchmark::State& state) {
    SendBench bench;
    const QString& demo = bench.demo;
    auto& boxes = bench.boxes;
    auto& server = bench.server;
    auto& transfer = bench.transfer;
    const bool lockWait = state.range(0) == 0;
    for (auto _ : state) {
        server.putFile(QStringLiteral("OrdiniAgente_DEMO"), demo);
        headoffice::CuttingProxy proxy(server.port());
        QTemporaryDir work;
        const QString file = work.filePath(QStringLiteral("ZeltOrder_DEMO"));
        QFile::copy(demo, file);
        Db local(file, false);
        const QUrl archive(server.baseUrl().toString() + QStringLiteral("OrdiniAgente_DEMO"));
        platform::Transfer::Reply held;
        if (lockWait) {
            held = transfer.custom(
                archive, "LOCK",
                "<?xml version=\"1.0\"?><D:lockinfo xmlns:D=\"DAV:\"><D:lockscope><D:exclusive/>"
                "</D:lockscope><D:locktype><D:write/></D:locktype></D:lockinfo>",
                {{"Timeout", "Second-600"}});
            if (!held.ok()) state.SkipWithError("the lock was not taken");
        } else {
            proxy.hold("MOVE");
        }
        auto ctx = contextFor(local.db, proxy.route(server.baseUrl()).toString());
        ctx.settings.lockTimeoutSeconds = 3;
        ctx.transferTimeoutMs = 5000;
        auto* window = exchange::frmSendOrder::instance();
        std::optional<std::chrono::steady_clock::time_point> pressed;
        datalib::RemoteConnector::seamHook() = [&](const char* seam) {
            if (QByteArray(seam) != "uploaded") return;
            QTimer::singleShot(300, window, [&] {
                boxes.answer(core::kAnswerYes);
                pressed = std::chrono::steady_clock::now();
                window->cmdCancel()->click();
            });
        };
        exchange::OrderSelection all;
        exchange::SendOrders(ctx, &transfer, *window, false, all);
        const auto back = std::chrono::steady_clock::now();
        datalib::RemoteConnector::seamHook() = nullptr;
        if (lockWait) transfer.custom(archive, "UNLOCK", {}, {{"Lock-Token", held.header("Lock-Token")}});
        if (!pressed) {
            state.SkipWithError("the send ended before the stop");
            continue;
        }
        state.counters["stop_served_ms"] = std::chrono::duration<double, std::milli>(back - *pressed).count();
        state.SetLabel(boxes.lastText().toStdString());
    }
}
BENCHMARK(BM_StopDuringSendWait)
    ->ArgName("unanswered")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
