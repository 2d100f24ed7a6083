#include "script/StackLimit.h"

#include <pthread.h>
#include <cstddef>

namespace script {

namespace {
constexpr std::size_t kStackReserve = 256 * 1024;
}  // namespace

// Asking costs a read of the whole memory map on the main thread, so each
// thread asks once and keeps the answer: its stack stays where it is.
const char* stackLimit() {
    struct Limit {
        const char* address = nullptr;
        Limit() {
            pthread_attr_t attr;
            if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
            void* addr = nullptr;
            std::size_t size = 0;
            const int rc = pthread_attr_getstack(&attr, &addr, &size);
            pthread_attr_destroy(&attr);
            if (rc == 0 && size > kStackReserve) address = static_cast<const char*>(addr) + kStackReserve;
        }
    };
    thread_local const Limit limit;
    return limit.address;
}

}  // namespace script
