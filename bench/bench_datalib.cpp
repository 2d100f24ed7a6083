// Benchmarks of the data library: opening a 34-table database, reading system
// parameters, opening a large table, counting it and updating it. Each runs
// with the checks of the time limit and the stop (checks:1) and without them
// (checks:0), to show what they cost.

#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Engine.h"
#include "datalib/Interfaces.h"

#include <benchmark/benchmark.h>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

using namespace datalib;

namespace {

class Table : public itfDefTable, public itfSetData {
  public:
    Table(QString name, int index) : name_(std::move(name)), index_(index) {}
    QString TableName() const override { return name_; }
    void DefineIdentity(TableIdentity& id) override { id.SetVersion(1.0 + index_ / 10.0); }
    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add(QStringLiteral("Codice"), coltype::Code, 16);
        c.Add(QStringLiteral("Descrizione"), coltype::Text, 64);
        c.Add(QStringLiteral("Disabilitato"), coltype::Boolean);
        c.Add(QStringLiteral("Importo"), coltype::Money);
        c.Add(QStringLiteral("Quantita"), coltype::Number);
        c.Add(QStringLiteral("Anno"), coltype::Integer);
        c.Add(QStringLiteral("Data"), coltype::Date);
        c.Add(QStringLiteral("DataInserimento"), coltype::DateTime);
        c.Add(QStringLiteral("DataModifica"), coltype::DateTime);
        c.Add(QStringLiteral("VersioneAggiornamento"), coltype::Number);
        if (index_ > 0)
            r.Add(QStringLiteral("Precedente"), QStringLiteral("T%1").arg(index_ - 1), false, false,
                  QStringLiteral("Codice"), QStringLiteral("Descrizione"));
        k.Add(QStringLiteral("Codice"), true);
        k.Add(QStringLiteral("Descrizione"), false);
        k.Add(QStringLiteral("DataInserimento"), false);
    }
    void DefineDefaultData(itfSetData*& s) override { s = this; }

  private:
    QString name_;
    int index_;
};

class Def : public itfDefDatabase {
  public:
    explicit Def(int tables) : tables_(tables) {}
    void Define(TableRegistry& reg) override {
        for (int i = 0; i < tables_; ++i)
            reg.RegisterTable(std::make_shared<Table>(QStringLiteral("T%1").arg(i), i));
    }

  private:
    int tables_;
};

// The checks on or off, as the benchmark's argument says, for the
// connections opened while in scope.
struct Checks {
    explicit Checks(const benchmark::State& state) : saved(Connection::progressSteps()) {
        if (state.range(0) == 0) Connection::setProgressSteps(0);
    }
    ~Checks() { Connection::setProgressSteps(saved); }
    int saved;
};

struct Env {
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("bench.db")); }
};

void BM_Open34TableDatabase(benchmark::State& state) {
    const Checks checks(state);
    Env env;
    {
        Engine e;
        e.Create(3, env.path(), {}, QStringLiteral("pw"));
        e.Open(3, env.path(), {}, QStringLiteral("pw"));
        Def d(34);
        Application::OpenDatabase(e, d, {}, nullptr);
    }
    for (auto _ : state) {
        Engine e;
        e.Open(3, env.path(), {}, QStringLiteral("pw"));
        Def d(34);
        auto db = Application::OpenDatabase(e, d, {}, nullptr);
        benchmark::DoNotOptimize(db->TableCount());
    }
}
BENCHMARK(BM_Open34TableDatabase)->ArgName("checks")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_Read1000Parameters(benchmark::State& state) {
    const Checks checks(state);
    Env env;
    Engine e;
    e.Create(3, env.path(), {}, QStringLiteral("pw"));
    e.Open(3, env.path(), {}, QStringLiteral("pw"));
    Def d(1);
    auto db = Application::OpenDatabase(e, d, {}, nullptr);
    db->BeginTrans();
    for (int i = 0; i < 1000; ++i) db->SetSysParam(QStringLiteral("Param%1").arg(i), QString::number(i));
    db->CommitTrans();
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            benchmark::DoNotOptimize(db->GetSysParam(QStringLiteral("Param%1").arg(i), QString()));
    }
}
BENCHMARK(BM_Read1000Parameters)->ArgName("checks")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// A 100 000-row table, filled once for the benchmarks below.
struct BigTable {
    Env env;
    Engine engine;
    Def def{1};
    std::shared_ptr<Database> db;
    BigTable() {
        engine.Create(3, env.path(), {}, QStringLiteral("pw"));
        engine.Open(3, env.path(), {}, QStringLiteral("pw"));
        db = Application::OpenDatabase(engine, def, {}, nullptr);
        db->Execute(QStringLiteral("UPDATE T0 SET Disabilitato=False"));
        auto& c = db->conn();
        (void)c;
        db->BeginTrans();
        auto ds = db->OpenDataSource(QStringLiteral("T0"), QStringLiteral("OID = 0"));
        for (int i = 0; i < 100000; ++i)
            ds->InsertFromPairs({QStringLiteral("Codice"),
                                 QStringLiteral("C%1").arg(i, 6, 10, QLatin1Char('0')),
                                 QStringLiteral("Descrizione"), QStringLiteral("Articolo numero %1").arg(i),
                                 QStringLiteral("Importo"), double(i % 1000) / 4.0});
        db->CommitTrans();
    }
};

BigTable& big() {
    static BigTable t;
    return t;
}

// The big table opened anew, its connection with the checks as set.
struct BigView {
    Engine engine;
    Def def{1};
    std::shared_ptr<Database> db;
    BigView() {
        engine.Open(3, big().env.path(), {}, QStringLiteral("pw"));
        db = Application::OpenDatabase(engine, def, {}, nullptr);
    }
};

void BM_Open100kAndRead50(benchmark::State& state) {
    big();
    const Checks checks(state);
    BigView t;
    for (auto _ : state) {
        auto ds = t.db->OpenDataSource(QStringLiteral("T0"));
        for (int i = 0; i < 50; ++i, ds->RowNext())
            benchmark::DoNotOptimize(ds->ColValue(QStringLiteral("Descrizione")));
    }
}
BENCHMARK(BM_Open100kAndRead50)->ArgName("checks")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_Open100kSortedByTextAndRead50(benchmark::State& state) {
    big();
    const Checks checks(state);
    BigView t;
    for (auto _ : state) {
        auto ds = t.db->OpenDataSource(QStringLiteral("T0"), {}, QStringLiteral("Descrizione DESC"));
        for (int i = 0; i < 50; ++i, ds->RowNext())
            benchmark::DoNotOptimize(ds->ColValue(QStringLiteral("Codice")));
    }
}
BENCHMARK(BM_Open100kSortedByTextAndRead50)->ArgName("checks")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_RowCount100k(benchmark::State& state) {
    big();
    const Checks checks(state);
    BigView t;
    auto ds = t.db->OpenDataSource(QStringLiteral("T0"));
    for (auto _ : state) benchmark::DoNotOptimize(ds->RowCount(true));
}
BENCHMARK(BM_RowCount100k)->ArgName("checks")->Arg(1)->Arg(0);

void BM_10kUpdatesInOneTransaction(benchmark::State& state) {
    big();
    const Checks checks(state);
    BigView t;
    auto ds = t.db->OpenDataSource(QStringLiteral("T0"));
    for (auto _ : state) {
        t.db->BeginTrans();
        ds->RowFirst();
        for (int i = 0; i < 10000; ++i, ds->RowNext()) {
            ds->SetColValue(QStringLiteral("Quantita"), double(i));
            ds->Save();
        }
        t.db->CommitTrans();
    }
}
BENCHMARK(BM_10kUpdatesInOneTransaction)->ArgName("checks")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
