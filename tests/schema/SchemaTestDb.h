#pragma once
// A fresh agent database defined by schema::DB in a temporary folder, for the
// tests of the table classes.

#include "core/AppError.h"
#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>

namespace schematest {

// The notification sink of the tests: records messages and questions and
// answers the questions from a queue (Yes when the queue is empty).
struct RecordingSink : datalib::itfNotifyEvent {
    QStringList messages;
    QStringList questions;
    std::deque<bool> answers;  // true = Yes

    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString& message) override { messages << message; }
    void OnQueryMessage(int, int, QString& question, bool& answer) override {
        questions << question;
        bool yes = true;
        if (!answers.empty()) {
            yes = answers.front();
            answers.pop_front();
        }
        answer = !yes;
    }
};

class SchemaTestDb {
  public:
    // agentCode: the configured agent code for the test (empty = head office).
    explicit SchemaTestDb(const QString& agentCode = QStringLiteral("A001"));
    ~SchemaTestDb();

    datalib::Database& db() { return *db_; }
    RecordingSink& sink() { return sink_; }
    std::shared_ptr<datalib::Database> dbPtr() { return db_; }
    QString file() const { return file_; }

    // Closes and opens the file again with a new definition.
    void reopen();
    void close();

    std::shared_ptr<datalib::DataSource> open(const QString& table, const QString& filter = {},
                                              const QString& sort = {});
    long count(const QString& table, const QString& filter = {});
    // A data source standing on the first row that meets the filter.
    std::shared_ptr<datalib::DataSource> row(const QString& table, const QString& filter);
    core::Variant insert(const QString& table,
                         std::initializer_list<std::pair<const char*, core::Variant>> pairs);

  private:
    QTemporaryDir dir_;
    QString file_;
    QString previousAgent_;
    RecordingSink sink_;
    std::unique_ptr<datalib::Engine> engine_;
    std::shared_ptr<datalib::Database> db_;
};

// Runs an operation that a table class must refuse; returns the refusal's
// message, or "<nessun rifiuto>" when the operation went through.
QString refusal(const std::function<void()>& operation);

inline const char* const kNoRefusal = "<nessun rifiuto>";

}  // namespace schematest
