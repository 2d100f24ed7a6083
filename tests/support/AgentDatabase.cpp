#include "AgentDatabase.h"

#include "core/AppError.h"
#include "schema/DB.h"

#include <vector>

namespace testsupport {

void RecordingSink::OnQueryMessage(int, int, QString& question, bool& answer) {
    questions << question;
    bool yes = yesWhenEmpty;
    if (!answers.empty()) {
        yes = answers.front();
        answers.pop_front();
    }
    // The library reads false as Yes.
    answer = !yes;
}

AgentDatabase::AgentDatabase() : AgentDatabase(Options{}) {}

AgentDatabase::AgentDatabase(Options options) : options_(std::move(options)) {
    file_ = options_.file.isEmpty() ? dir_.filePath(QStringLiteral("ZeltOrder_TEST")) : options_.file;
    engine_ = std::make_shared<datalib::Engine>();
    if (options_.create) engine_->Create(3, file_, QString(), options_.password);
    reopen();
}

AgentDatabase::~AgentDatabase() { close(); }

void AgentDatabase::close() {
    db_.reset();
    engine_->Close();
}

void AgentDatabase::reopen() {
    close();
    engine_->Open(3, file_, QString(), options_.password);
    datalib::itfNotifyEvent* sink = options_.withSink ? &sink_ : nullptr;
    if (options_.definition) {
        db_ = datalib::Application::OpenDatabase(*engine_, *options_.definition, options_.application, sink);
    } else {
        schema::DB definition;
        db_ = datalib::Application::OpenDatabase(*engine_, definition, options_.application, sink);
    }
}

std::shared_ptr<datalib::DataSource> AgentDatabase::open(const QString& table, const QString& filter,
                                                         const QString& sort) {
    return db_->OpenDataSource(table, filter, sort);
}

long AgentDatabase::count(const QString& table, const QString& filter) {
    return open(table, filter)->RowCount();
}

std::shared_ptr<datalib::DataSource> AgentDatabase::row(const QString& table, const QString& filter) {
    auto ds = open(table, filter);
    if (ds->DataEmpty())
        throw core::AppError(1, QStringLiteral("test"),
                             QStringLiteral("nessuna riga ") + table + ": " + filter);
    ds->RowFirst();
    return ds;
}

core::Variant AgentDatabase::insert(const QString& table,
                                    std::initializer_list<std::pair<const char*, core::Variant>> pairs) {
    std::vector<core::Variant> flat;
    for (const auto& [name, value] : pairs) {
        flat.emplace_back(QString::fromUtf8(name));
        flat.push_back(value);
    }
    return open(table)->InsertFromPairs(flat);
}

}  // namespace testsupport
