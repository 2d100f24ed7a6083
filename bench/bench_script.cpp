// The script engine on the loops that layouts run once per printed row.

#include "core/Variant.h"
#include "script/ScriptControl.h"

#include <benchmark/benchmark.h>

namespace {

void runLoop(benchmark::State& state, const char* text) {
    script::ScriptControl sc;
    sc.AddCode(QString::fromUtf8(text));
    for (auto _ : state) benchmark::DoNotOptimize(sc.Run(QStringLiteral("Main")));
}

// One million turns of a counted loop adding to a variable.
void BM_ForLoopSum(benchmark::State& state) {
    runLoop(
        state,
        "Function Main()\n Dim s, i\n For i = 1 To 1000000 : s = s + i : Next\n Main = s\nEnd Function\n");
}
BENCHMARK(BM_ForLoopSum)->Unit(benchmark::kMillisecond);

// The same loop written at script level, where the names are globals.
void BM_ForLoopSumGlobals(benchmark::State& state) {
    runLoop(state,
            "Dim s, i\nFunction Main()\n s = 0\n For i = 1 To 1000000 : s = s + i : Next\n Main = s\nEnd "
            "Function\n");
}
BENCHMARK(BM_ForLoopSumGlobals)->Unit(benchmark::kMillisecond);

// Ten thousand concatenations onto one text.
void BM_StringConcat(benchmark::State& state) {
    runLoop(state,
            "Function Main()\n Dim s, i\n For i = 1 To 10000 : s = s & \"x\" & i : Next\n Main = Len(s)\nEnd "
            "Function\n");
}
BENCHMARK(BM_StringConcat)->Unit(benchmark::kMillisecond);

// One hundred thousand calls of a small function with a built-in inside.
void BM_FunctionCalls(benchmark::State& state) {
    runLoop(state,
            "Function Pad(n)\n Pad = Right(\"000\" & n, 3)\nEnd Function\n"
            "Function Main()\n For i = 1 To 100000 : s = Pad(i) : Next\n Main = s\nEnd Function\n");
}
BENCHMARK(BM_FunctionCalls)->Unit(benchmark::kMillisecond);

// Compiling a layout of about 150 lines, as the label preview does for every label.
void BM_CompileLayout(benchmark::State& state) {
    QString text;
    for (int i = 0; i < 10; ++i) {
        text += QStringLiteral(
                    "Function Row%1(dsRow, prn, nRow)\r\n"
                    "  ' una riga del prospetto\r\n"
                    "  Dim s, i\r\n"
                    "  If dsRow.ColValue(\"Quantita\") > 0 Then\r\n"
                    "    s = Left(dsRow.ColValueStr(\"Descrizione\"), 40) & \" - \" & nRow\r\n"
                    "    prn.TxtOut 10, 0, s\r\n"
                    "  Else\r\n"
                    "    For i = 1 To 3 : prn.Vars(\"T\" & i) = prn.Vars(\"T\" & i) + 1 : Next\r\n"
                    "  End If\r\n"
                    "  Select Case nRow Mod 3\r\n"
                    "    Case 0, 1 : prn.SetFont 9, False, False, \"Arial\", False\r\n"
                    "    Case Else : prn.SetFont 10, True, False, \"Arial\", False\r\n"
                    "  End Select\r\n"
                    "  Row%1 = True\r\n"
                    "End Function\r\n")
                    .arg(i);
    }
    for (auto _ : state) {
        script::ScriptControl sc;
        sc.AddCode(text);
        benchmark::DoNotOptimize(sc.HasProcedure(QStringLiteral("Row9")));
    }
}
BENCHMARK(BM_CompileLayout)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
