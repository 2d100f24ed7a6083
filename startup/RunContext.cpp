#include "startup/Globals.h"

#include "platform/Paths.h"

namespace startup {

Globals& globals() {
    static Globals g = [] {
        Globals init;
        init.rootDir = platform::dataDir();
        return init;
    }();
    return g;
}

}  // namespace startup
