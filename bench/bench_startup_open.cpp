// Cost of opening the agent's database at start, splash wait excluded: the
// engine, the definition of the 34 tables, the table check, the agent and
// workstation checks and the date of last access, then the release.
//
// By default on a database with the program's default rows and the agent's
// row; ZELT_BENCH_ARCHIVE names an agent archive to copy and open instead
// (for example the large demo archive of "zelt-demodb --scale").

#include "app/AllTableClasses.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/ui/InitDatabase.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class Host : public startup::DatabaseHost {
  public:
    QWidget* hostWindow() override { return nullptr; }
    datalib::itfNotifyEvent* notifySink() override { return nullptr; }
    void releaseDatabase() override { startup::ReleaseEngine(); }
    bool showOptionsModal() override { return false; }
    bool askFirstRunValues(startup::FirstRunValues&) override { return false; }
    void endProgram() override {}
};

void makeDatabase(const QString& file, const QString& agent) {
    datalib::Engine engine;
    engine.Create(3, file, QString(), startup::DatabasePassword());
    engine.Open(3, file, QString(), startup::DatabasePassword());
    schema::DB definition;
    auto db = datalib::Application::OpenDatabase(engine, definition, "bench", nullptr);
    db->OpenDataSource("Agenti")->InsertFromPairs({core::Variant("Codice"), core::Variant(agent),
                                                   core::Variant("RagioneSociale"), core::Variant("Agente")});
    engine.Close();
}

void BM_InitDatabase(benchmark::State& state) {
    QTemporaryDir dir;
    platform::SettingsStore::setRootDir(dir.filePath("config"));
    platform::setDataDirOverride(dir.filePath("data"));
    app::registerAllTableClasses();
    startup::SetDatabaseDefinition([] { return std::make_unique<schema::DB>(); });
    startup::RunContext& g = startup::runContext();
    g.rootDir = dir.filePath("work");
    QDir().mkpath(g.rootDir);
    g.codePostazione = 1;

    const QString archive = qEnvironmentVariable("ZELT_BENCH_ARCHIVE");
    if (archive.isEmpty()) {
        g.codeAgente = QStringLiteral("A1");
        makeDatabase(QDir(g.rootDir).filePath("ZeltOrder_A1"), g.codeAgente);
    } else {
        g.codeAgente = QStringLiteral("DEMO");
        if (!QFile::copy(archive, QDir(g.rootDir).filePath("ZeltOrder_DEMO"))) {
            state.SkipWithError("archive not readable");
            return;
        }
    }

    platform::ScriptedBoxes boxes;  // no box may wait for an answer
    Host host;
    for (auto _ : state) {
        if (!startup::InitDatabase(g.codeAgente, nullptr, false, host)) {
            state.SkipWithError("the database did not open");
            break;
        }
        startup::ReleaseEngine();
    }
}
BENCHMARK(BM_InitDatabase)->Unit(benchmark::kMillisecond);

}  // namespace
