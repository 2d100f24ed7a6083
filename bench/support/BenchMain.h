#pragma once
// Shared main() of the benchmarks that need a Qt application (offscreen
// unless a platform is chosen). A benchmark that keeps widgets or data alive
// across runs registers their release here: it runs before the application goes.

#include <functional>
#include <memory>

namespace benchsupport {

void atShutdown(std::function<void()> release);

// The process's resident memory in kB (VmRSS), 0 when it cannot be read.
double residentKb();

// The one fixture of type F of the run: made on first use, released at shutdown.
template <class F>
F& sharedFixture() {
    static std::unique_ptr<F> fixture;
    if (!fixture) {
        fixture = std::make_unique<F>();
        atShutdown([] { fixture.reset(); });
    }
    return *fixture;
}

}  // namespace benchsupport
