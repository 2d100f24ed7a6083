#include "SchemaTestDb.h"

#include "app/AllTableClasses.h"
#include "core/AppError.h"
#include "startup/RunContext.h"

namespace schematest {

AgentCodeScope::AgentCodeScope(const QString& agentCode) {
    app::registerAllTableClasses();
    previousAgent_ = startup::runContext().codeAgente;
    startup::runContext().codeAgente = agentCode;
}

AgentCodeScope::~AgentCodeScope() { startup::runContext().codeAgente = previousAgent_; }

SchemaTestDb::SchemaTestDb(const QString& agentCode) : AgentCodeScope(agentCode) {}

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
