// The script engine on the loops that layouts run once per printed row, and
// on three programs measured beside Debian's CPython in the same run: a
// numeric loop, text built and cut, recursive calls. Their counters give the
// time of one step (a turn of the loop, a call) of both.

#include "core/Variant.h"
#include "script/ScriptControl.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QProcess>
#include <ctime>

namespace {

// The processor time of the calling thread, in seconds.
double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// The seconds of one step of a Python program on /usr/bin/python3: the best
// of three runs of main(), in processor time (the machine may be busy),
// timed inside the interpreter; 0 without Python.
double cpythonPerStep(const char* program, double steps) {
    if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) return 0;
    QProcess p;
    const QString code =
        QString::fromUtf8(program) +
        QStringLiteral(
            "\nimport timeit\n"
            "import time\n"
            "print(min(timeit.repeat(main, timer=time.process_time, number=1, repeat=3)))\n");
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-I"), QStringLiteral("-c"), code});
    if (!p.waitForFinished(120000) || p.exitCode() != 0) return 0;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble() / steps;
}

// A program run as Main() on each iteration, with the nanoseconds of one of
// its steps (processor time, as for CPython), of one step of the same work
// in CPython, and how many times faster than CPython the engine is.
void runProgram(benchmark::State& state, const char* text, const char* python, double steps) {
    script::ScriptControl sc;
    sc.AddCode(QString::fromUtf8(text));
    const double start = threadSeconds();
    for (auto _ : state) benchmark::DoNotOptimize(sc.Run(QStringLiteral("Main")));
    const double ours = (threadSeconds() - start) * 1e9 / (double(state.iterations()) * steps);
    const double cpython = cpythonPerStep(python, steps) * 1e9;
    state.counters["ns_per_step"] = ours;
    state.counters["cpython_ns_per_step"] = cpython;
    state.counters["vs_cpython"] = ours > 0 ? cpython / ours : 0;
}

// For i = 1 To 3000000: s = s + i: Next
void BM_ProgramNumericLoop(benchmark::State& state) {
    runProgram(state,
               "Function Main()\n Dim s, i\n s = 0\n For i = 1 To 3000000: s = s + i: Next\n Main = s\nEnd "
               "Function\n",
               "def main():\n    s = 0\n    for i in range(1, 3000001): s = s + i\n    return s\n", 3e6);
}
BENCHMARK(BM_ProgramNumericLoop)->Unit(benchmark::kMillisecond);

// 300 000 times s = Right("0000" & CStr(i), 5): t = t + Len(Mid(s, 2, 3))
void BM_ProgramTextBuiltAndCut(benchmark::State& state) {
    runProgram(
        state,
        "Function Main()\n Dim s, t, i\n t = 0\n For i = 1 To 300000: s = Right(\"0000\" & CStr(i), 5): "
        "t = t + Len(Mid(s, 2, 3)): Next\n Main = t\nEnd Function\n",
        "def main():\n    t = 0\n    for i in range(1, 300001):\n"
        "        s = ('0000' + str(i))[-5:]; t = t + len(s[1:4])\n    return t\n",
        3e5);
}
BENCHMARK(BM_ProgramTextBuiltAndCut)->Unit(benchmark::kMillisecond);

// A recursive Fib(27): 635 621 calls.
void BM_ProgramRecursiveCalls(benchmark::State& state) {
    runProgram(
        state,
        "Function Fib(n)\n If n < 2 Then\n  Fib = n\n Else\n  Fib = Fib(n - 1) + Fib(n - 2)\n End If\n"
        "End Function\nFunction Main()\n Main = Fib(27)\nEnd Function\n",
        "def fib(n):\n    if n < 2:\n        return n\n    else:\n        return fib(n - 1) + fib(n - 2)\n"
        "def main():\n    return fib(27)\n",
        635621);
}
BENCHMARK(BM_ProgramRecursiveCalls)->Unit(benchmark::kMillisecond);

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
