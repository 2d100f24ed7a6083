#pragma once
// Shared main() of the benchmarks that need a Qt application (offscreen
// unless a platform is chosen). A benchmark that keeps widgets or data alive
// across runs registers their release here: it runs before the application goes.

#include <functional>

namespace benchsupport {

void atShutdown(std::function<void()> release);

}  // namespace benchsupport
