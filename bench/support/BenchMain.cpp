#include "BenchMain.h"

#include "platform/ui/Desktop.h"

#include <benchmark/benchmark.h>
#include <QApplication>

#include <vector>

namespace benchsupport {

namespace {
std::vector<std::function<void()>>& releases() {
    static std::vector<std::function<void()>> r;
    return r;
}
}  // namespace

void atShutdown(std::function<void()> release) { releases().push_back(std::move(release)); }

}  // namespace benchsupport

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    platform::installDesktopServices();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    for (auto it = benchsupport::releases().rbegin(); it != benchsupport::releases().rend(); ++it) (*it)();
    benchmark::Shutdown();
    return 0;
}
