#include "datalib/ReadOnlyScript.h"

namespace datalib {

namespace {
// Scripts run on the thread that calls them.
thread_local const ReadOnlyScript* innermost = nullptr;
}  // namespace

ReadOnlyScript::ReadOnlyScript(QString name) : name_(std::move(name)), outer_(innermost) { innermost = this; }

ReadOnlyScript::~ReadOnlyScript() { innermost = outer_; }

const QString* ReadOnlyScript::running() { return innermost ? &innermost->name_ : nullptr; }

}  // namespace datalib
