// Costs of what a layout does for every printed row: built-in calls, host
// member calls through a member table, and a data source's members reached
// from a script.

#include "core/ObjectBinding.h"
#include "core/Variant.h"
#include "script/ScriptControl.h"
#include "script/builtins/Builtins.h"

#include <benchmark/benchmark.h>

using core::CallArgs;
using core::Variant;

namespace {

class Page : public core::Object {
  public:
    double y = 0;
    QString typeName() const override { return QStringLiteral("Page"); }
    Variant invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) override {
        static const core::MemberTable table =
            core::MemberTable::of<Page>()
                .method("TxtOut", 3, 5,
                        [](Page& p, const CallArgs& a) {
                            p.y += a.number(0);
                            return Variant(double(a.string(2).size()));
                        })
                .property("RowDim", [](Page&, const CallArgs&) { return Variant(4.5); })
                .property("CurY", [](Page& p, const CallArgs&) { return Variant(p.y); })
                .property("ReportModuleCount",
                          [](Page&, const CallArgs&) { return Variant(std::int16_t(0)); })
                .property("Preview", [](Page&, const CallArgs&) { return Variant(false); })
                .build();
        return table.invoke(*this, name, kind, args);
    }
};

}  // namespace

// One built-in call as the interpreter makes it (table entry already found),
// on the script's variables.
static void BM_BuiltinMid(benchmark::State& state) {
    const auto* mid = script::builtins::find(u"Mid");
    std::vector<Variant> args{Variant(QStringLiteral("A001R88300")), Variant(std::int32_t(8)),
                              Variant(std::int32_t(3))};
    Variant* items[] = {&args[0], &args[1], &args[2]};
    for (auto _ : state) benchmark::DoNotOptimize(mid->fn(script::builtins::Args(items, 3, 0)));
}
BENCHMARK(BM_BuiltinMid);

static void BM_BuiltinFormatNumber(benchmark::State& state) {
    const auto* fmt = script::builtins::find(u"FormatNumber");
    std::vector<Variant> args{Variant(1234567.891), Variant(std::int32_t(2))};
    Variant* items[] = {&args[0], &args[1]};
    for (auto _ : state) benchmark::DoNotOptimize(fmt->fn(script::builtins::Args(items, 2, 0)));
}
BENCHMARK(BM_BuiltinFormatNumber);

// prn.TxtOut 10, 0, "Totale" through the member table.
static void BM_HostMethodCall(benchmark::State& state) {
    Page page;
    Variant y(std::int32_t(10)), x(std::int32_t(0)), text(QStringLiteral("Totale"));
    Variant* refs[] = {&y, &x, &text};
    const QString name = QStringLiteral("TxtOut");
    for (auto _ : state) benchmark::DoNotOptimize(page.invoke(name, core::CallKind::Method, refs));
}
BENCHMARK(BM_HostMethodCall);

// A layout-like row procedure run 1000 times from a script.
static void BM_ScriptRowLoop(benchmark::State& state) {
    auto page = std::make_shared<Page>();
    script::ScriptControl sc;
    sc.setLanguage(QStringLiteral("vbscript"));
    sc.AddCode(
        QStringLiteral("Function Rows(prn)\r\n"
                       "  Dim i, s\r\n"
                       "  For i = 1 To 1000\r\n"
                       "    s = Right(\"000\" & Hex(i), 3) & \" \" & FormatNumber(i * 1.5, 2) & \" \" & "
                       "UCase(Mid(\"articolo\", 1, 3))\r\n"
                       "    prn.TxtOut prn.RowDim, 0, s\r\n"
                       "  Next\r\n"
                       "  Rows = prn.CurY\r\n"
                       "End Function\r\n"));
    std::vector<Variant> args{Variant(page)};
    for (auto _ : state) benchmark::DoNotOptimize(sc.Run(QStringLiteral("Rows"), args));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_ScriptRowLoop)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
