#pragma once
// A fresh agent database defined by schema::DB in a temporary folder, for the
// tests of the table classes: every table class of the program registered and
// the configured agent code set for the test's life.

#include "core/AppError.h"
#include "support/AgentDatabase.h"

#include <QString>
#include <functional>

namespace schematest {

using RecordingSink = testsupport::RecordingSink;

// Registers the table classes and sets the agent code before the database
// opens, and puts the agent code back once it is closed.
class AgentCodeScope {
  protected:
    explicit AgentCodeScope(const QString& agentCode);
    ~AgentCodeScope();

  private:
    QString previousAgent_;
};

class SchemaTestDb : private AgentCodeScope, public testsupport::AgentDatabase {
  public:
    // agentCode: the configured agent code for the test (empty = head office).
    explicit SchemaTestDb(const QString& agentCode = QStringLiteral("A001"));
};

// Runs an operation that a table class must refuse; returns the refusal's
// message, or "<nessun rifiuto>" when the operation went through.
QString refusal(const std::function<void()>& operation);

inline const char* const kNoRefusal = "<nessun rifiuto>";

}  // namespace schematest
