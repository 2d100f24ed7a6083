#pragma once
// A program set up as at start, in a temporary folder: settings, data and
// work folder of its own, every table class registered, and agent databases
// made to order.

#include "app/AllTableClasses.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/ui/InitDatabase.h"
#include "support/AgentDatabase.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

namespace apptest {

// A main window stand-in for InitDatabase.
class FakeHost : public startup::DatabaseHost {
  public:
    QWidget* hostWindow() override { return nullptr; }
    datalib::itfNotifyEvent* notifySink() override { return nullptr; }
    void releaseDatabase() override { startup::ReleaseEngine(); }
    bool showOptionsModal() override {
        ++optionsShown;
        return confirmOptions;
    }
    bool askFirstRunValues(startup::FirstRunValues& values) override {
        ++firstRunAsked;
        if (!firstRun) return false;
        values = *firstRun;
        return true;
    }
    void endProgram() override { ended = true; }

    int optionsShown = 0;
    bool confirmOptions = false;
    int firstRunAsked = 0;
    std::optional<startup::FirstRunValues> firstRun;
    bool ended = false;
};

class StartupEnv : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        saved = startup::runContext();
        platform::SettingsStore::setRootDir(dir.filePath("config"));
        platform::setDataDirOverride(dir.filePath("data"));
        startup::runContext().rootDir = dir.filePath("work");
        QDir().mkpath(startup::runContext().rootDir);
        static const bool registered = [] {
            app::registerAllTableClasses();
            return true;
        }();
        (void)registered;
        startup::SetDatabaseDefinition([] { return std::make_unique<schema::DB>(); });
    }
    void TearDown() override {
        startup::ReleaseEngine();
        startup::runContext() = saved;
        platform::SettingsStore::setRootDir(QString());
        platform::setDataDirOverride(QString());
        platform::setSoftwareName(QString());
    }

    QString work(const QString& name) const { return QDir(startup::runContext().rootDir).filePath(name); }

    // A database file of the program (its password) to make or to open.
    static testsupport::AgentDatabase::Options programFile(const QString& file, bool create) {
        testsupport::AgentDatabase::Options o;
        o.file = file;
        o.create = create;
        o.password = startup::DatabasePassword();
        o.application = QStringLiteral("test");
        o.withSink = false;
        return o;
    }

    // A database file with the given agent rows and, when not empty, the
    // parameter CodiceAgente.
    static void makeArchive(const QString& file, const QStringList& agents,
                            const QString& codiceAgente = {}) {
        QDir().mkpath(QFileInfo(file).absolutePath());
        testsupport::AgentDatabase data(programFile(file, true));
        for (const QString& agent : agents) {
            auto rows = data.db().OpenDataSource("Agenti");
            rows->InsertFromPairs({core::Variant("Codice"), core::Variant(agent),
                                   core::Variant("RagioneSociale"), core::Variant("Agente " + agent)});
        }
        if (!codiceAgente.isEmpty()) data.db().SetSysParam("CodiceAgente", codiceAgente);
    }

    // Opens a database file briefly and hands it to `look`.
    template <class F>
    static void inspect(const QString& file, F look) {
        testsupport::AgentDatabase data(programFile(file, false));
        look(data.db());
    }

    QTemporaryDir dir;
    startup::RunContext saved;
};

}  // namespace apptest
