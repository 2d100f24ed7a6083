#include "BenchMain.h"

#include "platform/ui/Desktop.h"

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QFile>

#include <vector>

namespace benchsupport {

namespace {
std::vector<std::function<void()>>& releases() {
    static std::vector<std::function<void()>> r;
    return r;
}
}  // namespace

void atShutdown(std::function<void()> release) { releases().push_back(std::move(release)); }

double residentKb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').front().toDouble();
    return 0;
}

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
