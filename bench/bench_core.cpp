// Costs of the value type on the paths a layout script takes for every
// printed row: copying values, arithmetic, comparison and Italian text.

#include "core/ItalianText.h"
#include "core/Money.h"
#include "core/Variant.h"

#include <benchmark/benchmark.h>

using core::Variant;

static void BM_CopyDouble(benchmark::State& state) {
    const Variant v(3.25);
    for (auto _ : state) {
        Variant copy = v;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_CopyDouble);

static void BM_CopyString(benchmark::State& state) {
    const Variant v(QStringLiteral("RAGIONE SOCIALE CLIENTE"));
    for (auto _ : state) {
        Variant copy = v;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_CopyString);

static void BM_AddLong(benchmark::State& state) {
    Variant sum(std::int32_t(0));
    const Variant one(std::int32_t(1));
    for (auto _ : state) {
        sum = core::add(sum, one);
        if (sum.longValue() > 1000000) sum = Variant(std::int32_t(0));
    }
    benchmark::DoNotOptimize(sum);
}
BENCHMARK(BM_AddLong);

static void BM_MulCurrency(benchmark::State& state) {
    const Variant price(core::Currency::fromDouble(12.35));
    const Variant qty(std::int16_t(7));
    for (auto _ : state) benchmark::DoNotOptimize(core::roundMoney(core::mul(price, qty).currencyValue()));
}
BENCHMARK(BM_MulCurrency);

static void BM_CompareText(benchmark::State& state) {
    const Variant a(QStringLiteral("A001R88300")), b(QStringLiteral("A001R88301"));
    for (auto _ : state) benchmark::DoNotOptimize(core::ge(a, b));
}
BENCHMARK(BM_CompareText);

static void BM_ConcatNumber(benchmark::State& state) {
    const Variant label(QStringLiteral("Totale: ")), amount(1234.5);
    for (auto _ : state) benchmark::DoNotOptimize(core::concat(label, amount));
}
BENCHMARK(BM_ConcatNumber);

static void BM_DoubleToText(benchmark::State& state) {
    const Variant v(0.1 + 0.2);
    for (auto _ : state) benchmark::DoNotOptimize(v.toString());
}
BENCHMARK(BM_DoubleToText);

static void BM_DateToText(benchmark::State& state) {
    const Variant v(core::Date::fromParts(2026, 8, 8, 14, 30, 0));
    for (auto _ : state) benchmark::DoNotOptimize(v.toString());
}
BENCHMARK(BM_DateToText);

static void BM_ParseNumber(benchmark::State& state) {
    const QString text = QStringLiteral(" 1.234,56 ");
    for (auto _ : state) benchmark::DoNotOptimize(core::italian::parseNumber(text));
}
BENCHMARK(BM_ParseNumber);

static void BM_ParseDate(benchmark::State& state) {
    const QString text = QStringLiteral("08/08/2026 14:30:00");
    for (auto _ : state) benchmark::DoNotOptimize(core::italian::parseDate(text));
}
BENCHMARK(BM_ParseDate);

static void BM_FormatFixed(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(core::italian::formatFixed(1234567.891, 2, true));
}
BENCHMARK(BM_FormatFixed);

BENCHMARK_MAIN();
