#include "startup/RunContext.h"

#include "platform/Paths.h"

namespace startup {

RunContext& runContext() {
    static RunContext g = [] {
        RunContext init;
        init.rootDir = platform::dataDir();
        return init;
    }();
    return g;
}

SignedOperator& signedOperator() { return runContext().signedOperator; }

bool IsOrderOpen() { return runContext().orderOpen; }

void SetOrderOpen(bool open) { runContext().orderOpen = open; }

}  // namespace startup
