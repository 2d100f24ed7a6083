// Card drivers: a synchronous read and write on the device simulator that
// answers at once, and the track-1 coding of the longest text a raw track
// takes. Every command pauses 0.2 s after it is sent and every answer ends
// after 0.2 s of quiet: the "overhead_ms" counter is the time beyond those
// 0.4 s per operation.

#include "carddevices/CardDeviceSimulator.h"

#include "carddevices/MagneticDevParam.h"
#include "carddevices/clsMSR206HL.h"
#include "carddevices/modMagneticDev.h"
#include "platform/SettingsStore.h"

#include <benchmark/benchmark.h>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>

using namespace carddevices;

namespace {

constexpr double kDeviceDelaysMs = 400;

// The simulator and a session on it, for one model.
struct Bench {
    explicit Bench(int type) {
        platform::SettingsStore::setRootDir(dir.path());
        platform::SettingsStore::save("Zelt Order", "MagneticDevParam", "COM1", sim.slaveName());
        magneticDevParams() = {type, 1, "9600,n,8,1"};
        CreateMagneticDevice(false);
        device = CurrentMagneticDevice();
        device->NewSession(nullptr);
    }
    ~Bench() {
        device.reset();
        CreateMagneticDevice(true);
        platform::SettingsStore::setRootDir(QString());
    }
    QTemporaryDir dir;
    cardsim::CardDeviceSimulator sim;
    std::shared_ptr<itfMagneticCard> device;
};

template <class Op>
void runTimed(benchmark::State& state, Op op) {
    double overhead = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        op();
        overhead += double(t.nsecsElapsed()) / 1e6 - kDeviceDelaysMs;
    }
    state.counters["overhead_ms"] = benchmark::Counter(overhead, benchmark::Counter::kAvgIterations);
}

void BM_SyncRead(benchmark::State& state) {
    Bench b(int(state.range(0)));
    b.device->WriteData("AB1234", "X", false, 1);
    QString d, d2;
    runTimed(state, [&] { b.device->ReadData(1, false, d, d2); });
    if (d != "AB1234") state.SkipWithError("wrong card text");
}

void BM_SyncWrite(benchmark::State& state) {
    Bench b(int(state.range(0)));
    runTimed(state, [&] { b.device->WriteData("AB1234", "X", false, 1); });
}

void BM_Track1Codec246(benchmark::State& state) {
    QString text = QStringLiteral("%");
    for (int i = 0; i < 246; ++i) text += QChar(0x20 + (i * 7) % 64);
    text += QLatin1Char('?');
    for (auto _ : state) {
        QString coded = clsMSR206HL::AsciiToHexForTrack1(text);
        // A device returns each byte with its bit order reversed.
        for (QChar& c : coded) c = QChar(cardsim::reverseBits(static_cast<unsigned char>(c.unicode())));
        benchmark::DoNotOptimize(clsMSR206HL::HexToAsciiFromTrack1(coded));
    }
}

}  // namespace

// Argument: the model (0 MSR 106, 1 MSR 206 HL).
BENCHMARK(BM_SyncRead)
    ->Arg(kDeviceMsr106)
    ->Arg(kDeviceMsr206HighCoercivity)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(BM_SyncWrite)
    ->Arg(kDeviceMsr106)
    ->Arg(kDeviceMsr206HighCoercivity)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(BM_Track1Codec246)->Unit(benchmark::kMicrosecond);
