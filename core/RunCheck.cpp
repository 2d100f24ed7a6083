#include "core/RunCheck.h"

namespace core {

namespace {
// Scripts run on the thread that calls them: each thread has its own check.
thread_local RunCheck* current = nullptr;
}  // namespace

RunCheckScope::RunCheckScope(RunCheck* check) : previous_(current) { current = check; }

RunCheckScope::~RunCheckScope() { current = previous_; }

void checkRun() {
    if (current) current->check();
}

}  // namespace core
