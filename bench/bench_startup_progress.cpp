// Cost of one step of the progress window, as long loops pay it once per
// processed item: the bar, the counter text and one turn of the event loop.

#include "startup/ui/frmMessage.h"

#include <benchmark/benchmark.h>
#include <QApplication>

namespace {

void BM_ProgressStep(benchmark::State& state) {
    auto* window = startup::frmMessage::instance();
    window->ShowMsg(QStringLiteral("Elaborazione"));
    window->StartProgress(static_cast<long>(state.range(0)), true);
    long step = 0;
    for (auto _ : state) {
        if (++step > state.range(0)) {
            window->StartProgress(static_cast<long>(state.range(0)), true);
            step = 1;
        }
        benchmark::DoNotOptimize(window->Progress());
    }
    startup::frmMessage::Unload();
}
// A count ("37 / 120") and a percentage ("42 / 100%").
BENCHMARK(BM_ProgressStep)->Arg(120)->Arg(100000);

void BM_CounterText(benchmark::State& state) {
    long value = 0;
    for (auto _ : state) {
        value = (value + 7) % 100000;
        benchmark::DoNotOptimize(startup::frmMessage::CounterText(value, 100000));
    }
}
BENCHMARK(BM_CounterText);

}  // namespace
