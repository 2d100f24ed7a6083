#include "SchemaTestDb.h"

#include "app/AllTableClasses.h"
#include "datalib/Errors.h"
#include "schema/DB.h"
#include "startup/RunContext.h"

namespace schematest {

namespace {
const char* const kPassword = "prova";
}

SchemaTestDb::SchemaTestDb(const QString& agentCode) {
    app::registerAllTableClasses();
    previousAgent_ = startup::runContext().codeAgente;
    startup::runContext().codeAgente = agentCode;
    file_ = dir_.filePath(QStringLiteral("ZeltOrder_TEST"));
    engine_ = std::make_unique<datalib::Engine>();
    engine_->Create(3, file_, QString(), kPassword);
    reopen();
}

SchemaTestDb::~SchemaTestDb() {
    close();
    startup::runContext().codeAgente = previousAgent_;
}

void SchemaTestDb::close() {
    db_.reset();
    if (engine_) engine_->Close();
}

void SchemaTestDb::reopen() {
    close();
    engine_->Open(3, file_, QString(), kPassword);
    schema::DB definition;
    db_ = datalib::Application::OpenDatabase(*engine_, definition, QStringLiteral("zeltorder"), &sink_);
}

std::shared_ptr<datalib::DataSource> SchemaTestDb::open(const QString& table, const QString& filter,
                                                        const QString& sort) {
    return db_->OpenDataSource(table, filter, sort);
}

long SchemaTestDb::count(const QString& table, const QString& filter) {
    return open(table, filter)->RowCount();
}

std::shared_ptr<datalib::DataSource> SchemaTestDb::row(const QString& table, const QString& filter) {
    auto ds = open(table, filter);
    if (ds->DataEmpty())
        throw core::AppError(1, QStringLiteral("test"),
                             QStringLiteral("nessuna riga ") + table + ": " + filter);
    ds->RowFirst();
    return ds;
}

core::Variant SchemaTestDb::insert(const QString& table,
                                   std::initializer_list<std::pair<const char*, core::Variant>> pairs) {
    std::vector<core::Variant> flat;
    for (const auto& [name, value] : pairs) {
        flat.emplace_back(QString::fromUtf8(name));
        flat.push_back(value);
    }
    return open(table)->InsertFromPairs(flat);
}

QString refusal(const std::function<void()>& operation) {
    try {
        operation();
    } catch (const core::AppError& e) {
        if (e.cancelled()) return e.description();
        return QStringLiteral("<errore> ") + e.description();
    }
    return kNoRefusal;
}

}  // namespace schematest
