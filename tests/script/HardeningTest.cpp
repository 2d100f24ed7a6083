// Script texts that must end in a result or in the language's error, never in
// a crash: they run in a child process (ChildCases.h). Also the conversions
// at their bounds, regular expressions and classes that refer to themselves.

#include "ChildCases.h"
#include "ScriptHelpers.h"

#include "core/Object.h"
#include "core/Prompt.h"
#include "core/ValueError.h"
#include "script/Errors.h"
#include "script/builtins/Dictionary.h"

#include <gtest/gtest.h>
#include <QThread>

using scripttest::describe;
using scripttest::evalExpr;

namespace {

using scripttest::Case;
using scripttest::checkInChild;
using scripttest::repeated;

TEST(ScriptHardening, NoTextCrashesTheEngine) {
    checkInChild({
        {"20 000 additions on one line", repeated("x = 1", " + 1", 19999) + "\nWScript.Echo x", "ok:20000"},
        {"20 000 joins on one line", repeated("x = \"a\"", " & \"a\"", 19999) + "\nWScript.Echo Len(x)",
         "ok:20000"},
        {"1 000 000 additions", repeated("x = 1", "+1", 999999) + "\nWScript.Echo x", "ok:1000000"},
        {"a long mixed run", repeated("x = 0", " + 2 * 3 - 1", 20000) + "\nWScript.Echo x", "ok:100000"},
        {"a long run of comparisons", repeated("x = 1", " = 1", 20000) + "\nWScript.Echo x", "ok:Falso"},
        {"a long run in a constant", repeated("Const C = 1", " + 1", 19999) + "\nWScript.Echo C", "ok:20000"},
        {"50 000 Not", "x = 1\nx = " + repeated("", "Not ", 50000) + "True", "error:28@2"},
        {"200 000 unary minus", "x = " + repeated("", "-", 200000) + "1", "error:28@1"},
        {"200 000 unary plus", "x = " + repeated("", "+", 200000) + "1\nWScript.Echo x", "ok:1"},
        {"100 000 parentheses", "x = " + repeated("", "(", 100000) + "1" + repeated("", ")", 100000),
         "error:28@1"},
        {"a chain of 100 000 members",
         "Set d = CreateObject(\"Scripting.Dictionary\")\nx = d" + repeated("", ".Item(1)", 100000),
         "error:28@2"},
        {"a chain of 100 000 indexes", "Dim a(1)\nx = a" + repeated("", "(1)", 100000), "error:28@2"},
        {"Dim at the largest bound", "Dim a(2147483647)", "error:7@1"},
        {"ReDim at the largest bound", "Dim a()\nReDim a(2147483647)", "error:7@2"},
        {"ReDim past the largest bound", "ReDim a(2147483648)", "error:6@1"},
        {"a class field at the largest bound", "Class K\nPublic f(2147483647)\nEnd Class", "error:7@2"},
    });
}

// Recursion without an end stops with "out of stack space" before the
// thread's stack runs out: on the main thread, where the call depth limit
// comes first, and on a thread whose small stack the engine must watch
// itself. Each thread's limit is found once and kept: the second and the
// third case on a thread run with what the first found.
TEST(ScriptHardening, EndlessRecursionEndsInError28OnEveryThread) {
    const std::vector<Case> cases = {
        {"a function calling itself", "Function F(n)\nF = F(n + 1)\nEnd Function\nx = F(1)", "error:28@2"},
        {"a function calling itself inside built-ins' arguments",
         "Function F(n)\nF = Len(Mid(CStr(F(n + 1)), 1, 2)) & \"x\"\nEnd Function\nx = F(1)", "error:28@2"},
        {"a sub calling itself by reference", "Sub S(ByRef n)\nn = n + 1\nS n\nEnd Sub\nx = 0\nS x",
         "error:28@3"},
        {"two functions calling each other",
         "Function A(n)\nA = B(n) + 1\nEnd Function\nFunction B(n)\nB = A(n) + 1\nEnd Function\n"
         "WScript.Echo A(1)",
         "error:28"},
        {"a method of a class calling itself",
         "Class K\nFunction M(n)\nM = Me.M(n + 1)\nEnd Function\nEnd Class\nSet obj = New K\nx = obj.M(1)",
         "error:28@3"},
        {"Class_Initialize making another instance",
         "Class K\nPrivate o\nPrivate Sub Class_Initialize()\nSet o = New K\nEnd Sub\nEnd Class\n"
         "Set obj = New K",
         "error:28@4"},
        {"the engine still runs afterwards",
         "Function F(n)\nIf n = 0 Then\nF = 0\nElse\nF = F(n - 1) + 1\nEnd If\nEnd Function\n"
         "WScript.Echo F(50)",
         "ok:50"},
        {"deep nesting in one expression",
         "x = " + repeated("", "(", 100000) + "1" + repeated("", ")", 100000), "error:28@1"},
    };
    {
        SCOPED_TRACE("main thread");
        checkInChild(cases);
    }
    for (const int stackKb : {768, 2048}) {
        SCOPED_TRACE(QStringLiteral("a thread with %1 KB of stack").arg(stackKb).toStdString());
        checkInChild(cases, {stackKb});
    }
}

TEST(ScriptHardening, LanguageConformance) {
    checkInChild({
        // Parsing.
        {"a number too small to hold is 0", "WScript.Echo 1e-400, 2E-500 * 3", "ok:0 0"},
        {"& before a name that starts with h", "hi = \"y\"\nWScript.Echo \"x\" &hi", "ok:xy"},
        {"=>, =< and ><", "WScript.Echo 3 => 2, 2 =< 3, 1 >< 2, 2 >< 2", "ok:Vero Vero Vero Falso"},
        {"a Function inside an If block",
         "If False Then\nFunction F()\nF = 5\nEnd Function\nEnd If\nWScript.Echo F()", "ok:5"},
        {"a Sub inside a loop", "For i = 1 To 2\nSub S(v)\nWScript.Echo v\nEnd Sub\nNext\nS 3", "ok:3"},
        {"End on the line of the last statement",
         "Function G()\nG = 7 End Function\nSub S()\nWScript.Echo G() End Sub\nClass K\nPublic v End "
         "Class\nS",
         "ok:7"},
        {"End Property on the line of the last statement",
         "Class K\nProperty Get P()\nP = 4 End Property\nEnd Class\nSet obj = New K\nWScript.Echo obj.P",
         "ok:4"},
        {"Property as a variable name", "Property = 3\nWScript.Echo Property + 1", "ok:4"},
        {"indexing an expression in parentheses", "x = Array(10, 20)\ny = (x)(1)\nWScript.Echo y", "ok:20"},
        {"Call of a name in parentheses", "Sub F(v)\nWScript.Echo \"f\" & v\nEnd Sub\nx = 4\nCall (F)(x)",
         "ok:f4"},
        {"a second procedure of the same name",
         "Function H()\nH = 1\nEnd Function\nFunction H()\nH = 2\nEnd Function\nWScript.Echo H()", "ok:2"},
        // Running.
        {"texts against flag literals", "WScript.Echo \"true\" <> True, \"\" = True, \"-1\" = True",
         "ok:Vero Falso Vero"},
        {"Select Case with a text case before the number",
         "Select Case 3\nCase \"test\"\nWScript.Echo \"test\"\nCase 3\nWScript.Echo \"tre\"\nEnd Select",
         "ok:tre"},
        {"CBool of the written flags", "WScript.Echo CBool(\"#TRUE#\"), CBool(\"#FALSE#\")", "ok:Vero Falso"},
        {"For from a text", "n = 0\nFor i = \"1\" To 2\nn = n + 1\nNext\nWScript.Echo n", "ok:2"},
        {"For to a text", "n = 0\nFor i = 1 To \"2\"\nn = n + 1\nNext\nWScript.Echo n", "ok:2"},
        {"For by a text step", "n = 0\nFor i = 10 To 1 Step \"-3\"\nn = n + 1\nNext\nWScript.Echo n", "ok:4"},
        {"ReDim declares under Option Explicit",
         "Option Explicit\nReDim u(3)\nu(3) = 5\nWScript.Echo UBound(u), u(3)", "ok:3 5"},
        {"ReDim declares a local under Option Explicit",
         "Option Explicit\nSub S\nReDim w(1)\nw(1) = 2\nWScript.Echo w(1)\nEnd Sub\nS", "ok:2"},
        {"ReDim in a procedure keeps the script's array",
         "Dim g()\nSub S\nReDim g(2)\nEnd Sub\nS\nWScript.Echo UBound(g)", "ok:2"},
        {"&-suffixed hex literals", "WScript.Echo VarType(&h10&), VarType(&hFFFF&), &hFFFF&, VarType(&hFFFF)",
         "ok:2 3 65535 2"},
        {"&-suffixed hex literals that fit 16 bits as 32-bit values",
         "WScript.Echo VarType(&hFFFFFFFF&), &hFFFFFFFF&, VarType(&hFFFFFFFE &), &hFFFFFFFE &, "
         "VarType(&hFFFF8000&), VarType(&hFFFF7FFF&), &h7FFFFFFF&",
         "ok:2 -1 2 -2 2 3 2147483647"},
        {"a hex literal joined after a blank", "x = &h10 & \"a\"\ny = &hA & _\n\"b\"\nWScript.Echo x, y",
         "ok:16a 10b"},
        {"ReDim of a fixed array before the conversion", "Dim a(2)\nReDim a(\"x\")", "error:10@2"},
    });
}

TEST(ScriptHardening, ConversionsAtTheirBounds) {
    struct Row {
        const char* expr;
        const char* expected;  // TypeName:text, or the error number
    };
    const Row rows[] = {
        {"CByte(255)", "Byte:255"},
        {"CByte(256)", "6"},
        {"CByte(300)", "6"},
        {"CByte(-1)", "6"},
        {"CByte(0)", "Byte:0"},
        {"CByte(255.5)", "6"},
        {"CByte(CLng(-1))", "6"},
        {"CInt(32767)", "Integer:32767"},
        {"CInt(32768)", "6"},
        {"CInt(-32768)", "Integer:-32768"},
        {"CInt(-32769)", "6"},
        {"CInt(32767.5)", "6"},
        {"CLng(2147483647)", "Long:2147483647"},
        {"CLng(2147483648)", "6"},
        {"CLng(-2147483648)", "Long:-2147483648"},
        {"CLng(-2147483649)", "6"},
        {"CCur(\"922337203685477,5807\")", "Currency:922337203685477,5807"},
        {"CCur(922337203685478)", "6"},
        {"CCur(-922337203685478)", "6"},
        {"CSng(3.4E+38) > 0", "Boolean:Vero"},
        {"CSng(3.5E+38)", "6"},
        {"CSng(-3.5E+38)", "6"},
        {"Array(1, 2)(2147483648)", "6"},
        {"Array(1, 2)(2)", "9"},
        {"Mid(\"abc\", 2147483648)", "6"},
        {"Mid(\"abc\", 2, 2147483648)", "6"},
        {"Left(\"abc\", 2147483648)", "6"},
        {"Left(\"abc\", -1)", "5"},
        {"String(2147483648, \"a\")", "6"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.expr);
        QString got;
        try {
            got = describe(evalExpr(QString::fromUtf8(r.expr)));
        } catch (const core::AppError& e) {
            got = QString::number(e.number());
        }
        EXPECT_EQ(got.toStdString(), r.expected);
    }
    // Assignments to array elements convert their index the same way.
    EXPECT_EQ(scripttest::errorOf("Sub Main\nDim a(2)\na(2147483648) = 1\nEnd Sub").number(), 6);
    EXPECT_EQ(scripttest::errorOf("Sub Main\nDim a(2)\na(-1) = 1\nEnd Sub").number(), 9);
}

TEST(ScriptHardening, RegExp) {
    struct Row {
        const char* body;  // statements setting T
        const char* expected;
    };
    const Row rows[] = {
        {"Set r = New RegExp\nr.Pattern = \"^A\\d+$\"\nT = r.Test(\"A123\") & r.Test(\"a123\") & "
         "r.Test(\"A12x\")",
         "String:VeroFalsoFalso"},
        {"Set r = New RegExp\nr.Pattern = \"^a\\d+$\"\nr.IgnoreCase = True\nT = r.Test(\"A123\")",
         "Boolean:Vero"},
        {"Set r = New RegExp\nr.Pattern = \"(\\w+)@(\\w+)\"\nT = r.Replace(\"x@y, u@v\", \"$2 at $1\")",
         "String:y at x, u@v"},
        {"Set r = New RegExp\nr.Pattern = \"(\\w+)@(\\w+)\"\nr.Global = True\nT = r.Replace(\"x@y, u@v\", "
         "\"[$&]$$\")",
         "String:[x@y]$, [u@v]$"},
        {"Set r = New RegExp\nr.Pattern = \"o\"\nT = r.Replace(\"foo\", \"0\")", "String:f0o"},
        {"Set r = New RegExp\nr.Pattern = \"(\\d)(x)?\"\nr.Global = True\nSet ms = r.Execute(\"a1b2x\")\n"
         "T = ms.Count\nFor Each m In ms\nT = T & \";\" & m.FirstIndex & \",\" & m.Length & \",\" & m.Value "
         "& "
         "\",\" & m.SubMatches.Count & \",\" & m.SubMatches(0) & \",\" & IsEmpty(m.SubMatches(1))\nNext",
         "String:2;1,1,1,2,1,Vero;3,2,2x,2,2,Falso"},
        {"Set r = New RegExp\nr.Pattern = \"\\d\"\nSet ms = r.Execute(\"1 2 3\")\nT = ms.Count & ms(0)",
         "String:11"},
        {"Set r = New RegExp\nr.Pattern = \"^b\"\nr.MultiLine = True\nr.Global = True\nT = "
         "r.Execute(\"a\" & vbLf & \"b\").Count",
         "Long:1"},
        {"Set r = New RegExp\nr.Pattern = \"^b\"\nT = r.Execute(\"a\" & vbLf & \"b\").Count", "Long:0"},
        {"Set r = New RegExp\nr.Pattern = \"\\u0041\"\nT = r.Test(\"xAx\")", "Boolean:Vero"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.body);
        try {
            EXPECT_EQ(describe(scripttest::runBody(QString::fromUtf8(r.body))).toStdString(), r.expected);
        } catch (const core::AppError& e) {
            ADD_FAILURE() << "error " << e.number() << ": " << e.description().toStdString();
        }
    }
    // A pattern the language refuses, with the script's line.
    const auto e =
        scripttest::errorOf("Sub Main\nSet r = New RegExp\nr.Pattern = \"(a\"\nx = r.Test(\"a\")\nEnd Sub");
    EXPECT_EQ(e.number(), 5017);
    EXPECT_EQ(e.line(), 4);
    // A class of the script's own named RegExp comes first.
    EXPECT_EQ(describe(scripttest::runScript("Class RegExp\nPublic Pattern\nEnd Class\nFunction Main()\nMain "
                                             "= TypeName(New RegExp)\nEnd Function")),
              "String:RegExp");
}

// No text grows past the longest one a value holds: error 7 at once, not
// gigabytes; a text of exactly that length is still made.
TEST(ScriptHardening, TextsStopAtTheirLongestLength) {
    const QString longest = QString::number(core::kMaxTextLength);
    const QString half = QString::number(core::kMaxTextLength / 2 + 1);
    checkInChild({
        {"Space of the largest count", "x = Space(&H7FFFFFFF)", "error:7@1"},
        {"String of the largest count", "x = String(2147483647, \"x\")", "error:7@1"},
        {"Space of the longest text", "x = Space(" + longest + ")\nWScript.Echo Len(x)", "ok:" + longest},
        {"one character more with &", "x = Space(" + longest + ")\nx = x & \"a\"", "error:7@2"},
        {"one character more with +", "x = Space(" + longest + ")\ny = x + \"a\"", "error:7@2"},
        {"a text doubled for ever", "s = \"x\"\nDo\ns = s & s\nLoop", "error:7@3"},
        {"a text doubled through another", "s = \"x\"\nDo\nt = s\ns = t & s\nLoop", "error:7@4"},
        {"Replace growing a text", "s = Space(" + half + ")\ns = Replace(s, \" \", \"ab\")", "error:7@2"},
        {"Join of long parts", "a = Array(Space(" + half + "), Space(" + half + "))\nx = Join(a, \"\")",
         "error:7@2"},
        {"a regular expression's replacement copying the text",
         "Set r = New RegExp\nr.Pattern = \"a\"\nx = r.Replace(Space(" + half + ") & \"a\", \"$`$`\")",
         "error:7@3"},
        {"the engine goes on afterwards",
         "On Error Resume Next\nx = Space(&H7FFFFFFF)\nWScript.Echo Err.Number, Err.Description",
         "ok:7 Memoria esaurita"},
    });
}

// Class_Terminate runs once the statement that let go of the instance is
// done, never inside the change that dropped it: each case below changed,
// from the terminate, the very variable, array or dictionary being changed.
TEST(ScriptHardening, TerminateRunsAfterTheStatement) {
    const QString cls = QStringLiteral("Class C\nSub Class_Terminate\n%1\nEnd Sub\nEnd Class\n");
    auto withTerminate = [&](const char* terminate, const char* body) {
        return QStringLiteral("Dim o, a, d, n, keep\n") + cls.arg(QString::fromUtf8(terminate)) +
               QString::fromUtf8(body);
    };
    const char* dict = "Set d = CreateObject(\"Scripting.Dictionary\")\n";
    checkInChild({
        {"the variable being assigned", withTerminate("o = 5", "Set o = New C\no = \"x\"\nWScript.Echo o"),
         "ok:5"},
        {"Erase of the array that ReDim makes again",
         withTerminate("ReDim a(5)", "ReDim a(2)\nSet a(1) = New C\nErase a\nWScript.Echo UBound(a)"),
         "ok:5"},
        {"ReDim of the array that Erase empties",
         withTerminate("Erase a",
                       "ReDim a(3)\nSet a(2) = New C\nReDim a(0)\nOn Error Resume Next\nx = UBound(a)\n"
                       "WScript.Echo Err.Number"),
         "ok:9"},
        {"Remove from the dictionary that RemoveAll empties",
         withTerminate("d.RemoveAll",
                       (std::string(dict) + "d.Add 1, \"a\"\nd.Add 2, New C\nd.Add 3, \"c\"\nd.Remove 2\n"
                                            "WScript.Echo d.Count")
                           .c_str()),
         "ok:0"},
        {"an item set while the terminate adds one",
         withTerminate("d.Add \"k2\", 3",
                       (std::string(dict) + "Set d(\"k\") = New C\nd(\"k\") = 1\nWScript.Echo d(\"k\"), "
                                            "d(\"k2\"), d.Count")
                           .c_str()),
         "ok:1 3 2"},
        {"an element set while the terminate replaces the array",
         withTerminate("a = Array(\"t\", \"u\")",
                       "a = Array(New C, \"b\")\na(0) = \"q\"\nWScript.Echo Join(a)"),
         "ok:t u"},
        {"a terminate that keeps Me runs once",
         withTerminate("n = n + 1\nSet keep = Me",
                       "Set keep = New C\nSet keep = Nothing\nSet keep = Nothing\nWScript.Echo n"),
         "ok:1"},
        {"a terminate that makes and drops an instance of its class ends",
         withTerminate("n = n + 1\nDim x\nSet x = New C", "Set o = New C\nSet o = Nothing\nWScript.Echo n"),
         "ok:5000"},
        {"an error in a terminate goes nowhere",
         withTerminate("n = 1 / 0", "Set o = New C\nSet o = Nothing\nWScript.Echo \"on\""), "ok:on"},
    });
}

// Dictionaries that hold one another go with the engine; one the program
// still holds keeps what it holds.
TEST(ScriptHardening, DictionaryCyclesGoWithTheControl) {
    std::weak_ptr<core::Object> cycle;
    std::shared_ptr<core::Object> kept;
    {
        script::ScriptControl sc;
        sc.AddCode(QStringLiteral(
            "Function Make()\nSet d = CreateObject(\"Scripting.Dictionary\")\nSet e = "
            "CreateObject(\"Scripting.Dictionary\")\nSet d(d) = d\nSet d(\"e\") = e\ne(\"d\") = Array(d)\n"
            "Set Make = d\nEnd Function\n"));
        cycle = sc.Run(QStringLiteral("Make")).objectValue();
        EXPECT_FALSE(cycle.expired()) << "the dictionary holds itself";
        kept = sc.Run(QStringLiteral("Make")).objectValue();
    }
    EXPECT_TRUE(cycle.expired());
    auto* d = dynamic_cast<script::builtins::Dictionary*>(kept.get());
    ASSERT_TRUE(d);
    EXPECT_EQ(d->count(), 2) << "what the program holds stays whole";
    d->removeAll();
}

TEST(ScriptHardening, SelfReferenceDoesNotOutliveTheControl) {
    const QString text = QStringLiteral(
        "Class Node\nPublic o\nPrivate Sub Class_Terminate()\nLog.Add Log.Count, \"t\"\nEnd Sub\nEnd Class\n"
        "Function Make()\nDim a\nSet a = New Node\nSet a.o = a\nSet Make = a\nEnd Function\n"
        "Sub Plain()\nDim b\nSet b = New Node\nSet b = Nothing\nEnd Sub\n");
    auto log = std::make_shared<script::builtins::Dictionary>();
    for (const bool byReset : {false, true}) {
        SCOPED_TRACE(byReset ? "Reset" : "destruction");
        log->removeAll();
        std::weak_ptr<core::Object> kept;
        {
            script::ScriptControl sc;
            sc.AddObject(QStringLiteral("Log"), log);
            sc.AddCode(text);
            sc.Run(QStringLiteral("Plain"));
            EXPECT_EQ(log->count(), 1);  // ended at Set b = Nothing
            core::Variant v = sc.Run(QStringLiteral("Make"));
            kept = v.objectValue();
            v = core::Variant();
            EXPECT_FALSE(kept.expired()) << "the instance holds itself";
            if (byReset) {
                sc.Reset();
                EXPECT_TRUE(kept.expired());
            }
        }
        EXPECT_TRUE(kept.expired());
        EXPECT_EQ(log->count(), 1) << "no Class_Terminate runs twice, none after the engine is gone";
    }
}

}  // namespace

namespace {

// A user who takes his time over every message.
class SlowUser : public core::Prompt {
  public:
    int message(const QString&, int, const QString&) override {
        QThread::msleep(250);
        return core::kAnswerOk;
    }
    std::optional<QString> input(const QString&, const QString&, const QString&) override {
        QThread::msleep(250);
        return QStringLiteral("x");
    }
};

TEST(ScriptHardening, TimeInMessagesIsTheUsers) {
    SlowUser user;
    core::Prompt* previous = core::installPrompt(&user);
    script::ScriptControl sc;
    sc.setTimeout(200);
    sc.AddCode(
        QStringLiteral("Function Ask()\nMsgBox \"a\"\nAsk = InputBox(\"b\")\nMsgBox \"c\"\nEnd Function\n"
                       "Sub Endless()\nDo : Loop\nEnd Sub"));
    EXPECT_EQ(describe(sc.Run(QStringLiteral("Ask"))).toStdString(), "String:x");
    core::installPrompt(previous);
    try {
        sc.Run(QStringLiteral("Endless"));
        ADD_FAILURE() << "the endless loop was not stopped";
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.number(), script::kErrScriptAborted);
        EXPECT_FALSE(e.cancelled());
    }
}

}  // namespace
