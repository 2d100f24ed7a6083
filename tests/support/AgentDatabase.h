#pragma once
// A temporary agent database for the tests: an engine, the database file, the
// database opened over it with a definition, and a notification sink that
// records. By default a new file "ZeltOrder_TEST" in a temporary folder of
// its own, with the program's definition (schema::DB) and password "prova";
// a test that needs the program's own password, a file it chose (a copy of
// the demo archive), a definition of its own or no sink says so in Options.
//
//   testsupport::AgentDatabase data;                       // a fresh agent database
//   data.insert("Clienti", {{"Codice", "C1"}});
//   EXPECT_EQ(data.count("Clienti"), 1);
//
// The table classes are registered by the test (app::registerAllTableClasses()
// or stand-ins of its own) before the database opens; the database touches
// nothing of the run context.

#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Interfaces.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <initializer_list>
#include <memory>
#include <utility>

namespace testsupport {

// Records the library's messages and questions and answers the questions from
// a queue; an empty queue answers `yesWhenEmpty`.
struct RecordingSink : datalib::itfNotifyEvent {
    QStringList messages;
    QStringList questions;
    std::deque<bool> answers;  // true = Yes
    bool yesWhenEmpty = true;

    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString& message) override { messages << message; }
    void OnQueryMessage(int, int, QString& question, bool& answer) override;
};

class AgentDatabase {
  public:
    struct Options {
        // The database file; empty: "ZeltOrder_TEST" in the database's own temporary folder.
        QString file;
        // Makes the file first; false opens one that is there (a copy of an archive).
        bool create = true;
        QString password = QStringLiteral("prova");
        // The definition the database opens with; null: the program's schema::DB.
        // It must live as long as the database may be opened again.
        datalib::itfDefDatabase* definition = nullptr;
        QString application = QStringLiteral("zeltorder");
        // The recording sink is handed to the library; false: no sink at all.
        bool withSink = true;
    };

    AgentDatabase();
    explicit AgentDatabase(Options options);
    ~AgentDatabase();
    AgentDatabase(const AgentDatabase&) = delete;
    AgentDatabase& operator=(const AgentDatabase&) = delete;

    datalib::Database& db() { return *db_; }
    const std::shared_ptr<datalib::Database>& dbPtr() const { return db_; }
    datalib::Engine& engine() { return *engine_; }
    const std::shared_ptr<datalib::Engine>& enginePtr() const { return engine_; }
    RecordingSink& sink() { return sink_; }
    const QString& file() const { return file_; }
    bool isOpen() const { return db_ != nullptr; }

    // Closes the database and the file (a transaction still open is rolled back).
    void close();
    // Closes and opens the file again with a new definition.
    void reopen();

    std::shared_ptr<datalib::DataSource> open(const QString& table, const QString& filter = {},
                                              const QString& sort = {});
    long count(const QString& table, const QString& filter = {});
    // A data source standing on the first row that meets the filter; a
    // filter that meets none raises an error naming it.
    std::shared_ptr<datalib::DataSource> row(const QString& table, const QString& filter);
    core::Variant insert(const QString& table,
                         std::initializer_list<std::pair<const char*, core::Variant>> pairs);

  private:
    QTemporaryDir dir_;
    Options options_;
    QString file_;
    RecordingSink sink_;
    std::shared_ptr<datalib::Engine> engine_;
    std::shared_ptr<datalib::Database> db_;
};

}  // namespace testsupport
