// Hostile scripts whose harm lies inside one call: a search, a regular
// expression, a dictionary or a release that outruns the time-out, the
// memory or the stack. Each runs in a child process (ChildCases.h) and must
// end within its time-out and one second more, with the language's error or
// its right result, and the engine must go on afterwards.

#include "ChildCases.h"

#include <gtest/gtest.h>

using scripttest::Case;
using scripttest::checkInChild;

namespace {

// Half a million short assignments: a script whose reading alone takes a second or more.
QString longScript() { return scripttest::repeated(QString(), QStringLiteral("x = 1 + 2\n"), 500000); }

// Chains of a hundred thousand links let go of at once: one link at a time,
// not one release inside the other down the thread's stack.
TEST(ScriptCallLimits, LongChainsAreLetGoOfWithoutRecursion) {
    const std::vector<Case> cases = {
        {"linked instances",
         "Class Node\nPublic nxt\nEnd Class\nDim head, n\nSet head = Nothing\nFor i = 1 To 100000\nSet n = "
         "New Node\n"
         "Set n.nxt = head\nSet head = n\nNext\nSet n = Nothing\nSet head = Nothing\nWScript.Echo \"gone\"",
         "ok:gone"},
        {"linked instances with a terminate, in the order they went",
         "Dim count, first\nClass Node\nPublic nxt, id\nSub Class_Terminate\ncount = count + 1\n"
         "If IsEmpty(first) Then first = id\nEnd Sub\nEnd Class\nDim head, n\nSet head = Nothing\nFor i = 1 "
         "To 100000\n"
         "Set n = New Node\nn.id = i\nSet n.nxt = head\nSet head = n\nNext\nSet n = Nothing\n"
         "Set head = Nothing\nWScript.Echo count, first",
         "ok:100000 100000"},
        {"nested arrays",
         "a = Array()\nFor i = 1 To 200000\na = Array(a, i)\nNext\na = Empty\nWScript.Echo \"gone\"",
         "ok:gone"},
        {"nested arrays compared after a call by reference",
         "Sub Touch(x)\nEnd Sub\nDim b(0)\nFor i = 1 To 200000\nb(0) = Array(b(0))\nNext\nTouch b(0)\n"
         "WScript.Echo UBound(b)",
         "ok:0"},
        {"dictionaries holding one another",
         "Dim d, e\nFor i = 1 To 100000\nSet e = CreateObject(\"Scripting.Dictionary\")\ne.Add \"n\", d\n"
         "Set d = e\nNext\nSet e = Nothing\nSet d = Nothing\nWScript.Echo \"gone\"",
         "ok:gone"},
        {"a ring of dictionaries left to the end of the engine",
         "Dim d, e, first\nSet first = CreateObject(\"Scripting.Dictionary\")\nSet d = first\n"
         "For i = 1 To 100000\nSet e = CreateObject(\"Scripting.Dictionary\")\ne.Add \"n\", d\nSet d = e\n"
         "Next\nfirst.Add \"n\", d\nWScript.Echo \"held\"",
         "ok:held"},
        {"instances, arrays and dictionaries mixed",
         "Class Node\nPublic nxt\nEnd Class\nDim head, n\nFor i = 1 To 60000\nSet n = New Node\n"
         "Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add 1, Array(head)\nSet n.nxt = d\nSet head = n\n"
         "Next\nSet n = Nothing\nSet d = Nothing\nSet head = Nothing\nWScript.Echo \"gone\"",
         "ok:gone"},
    };
    {
        SCOPED_TRACE("main thread");
        checkInChild(cases);
    }
    SCOPED_TRACE("a thread with 768 KB of stack");
    checkInChild(cases, {768});
}

// The language's error of a stopped run: its time-out.
const QString kTimedOut = QStringLiteral("error:-2147467260");

// A text of 2 M characters searched for a needle of 200 000 that differs at
// one end: the search takes time in proportion to the text, within the
// numbering scripts' 10 s, with the right answer.
TEST(ScriptCallLimits, SearchesTakeTimeInProportionToTheText) {
    const QString make = QStringLiteral(
        "t = String(2000000, \"a\")\nn = \"b\" & String(199999, \"a\")\nm = String(199999, \"a\") & \"b\"\n");
    const std::vector<Case> cases = {
        {"InStr", make + "WScript.Echo InStr(t, n), InStr(1, t, UCase(n), 1), InStr(1, t & n, n)",
         "ok:0 0 2000001", 10000},
        {"InStrRev", make + "WScript.Echo InStrRev(t, m), InStrRev(t, UCase(m), -1, 1), InStrRev(m & t, m)",
         "ok:0 0 1", 10000},
        {"Replace",
         make + "WScript.Echo Len(Replace(t, n, \"x\")), Len(Replace(t & n & t, n, \"x\", 1, -1, 1))",
         "ok:2000000 4000001", 10000},
        {"Split", make + "WScript.Echo UBound(Split(t, n)), UBound(Split(t & n & t, n))", "ok:0 1", 10000},
        {"Filter",
         make + "WScript.Echo UBound(Filter(Array(t, t, n & t), n)), UBound(Filter(Array(t), n, False, 1))",
         "ok:0 0", 10000},
    };
    checkInChild(cases);
}

// Calls that make or walk millions of elements, parts or characters stop
// with the run's time-out inside the call.
TEST(ScriptCallLimits, LongCallsStopAtTheTimeOut) {
    // What each case makes at the script level; Main then makes the long call.
    const auto main = [](const char* made, const char* call) {
        return QString::fromUtf8(made) + QStringLiteral("\nSub Main\n") + QString::fromUtf8(call) +
               QStringLiteral("\nEnd Sub");
    };
    const char* many = "ReDim a(10000000)";
    const char* commas = "s = String(10000000, \",\")";
    // The arrays a timed call makes. The sanitizer build marks the whole of
    // a block as it is made and let go of, in time that grows with the size
    // asked for and not with what is filled before the time-out: there the
    // calls ask for less.
#if defined(__SANITIZE_ADDRESS__)
    const char* made = "ReDim a(2000000)";
    const char* grown = "ReDim Preserve a(2000000)";
    const char* madeLarge = "ReDim a(1000000)";
    const char* grownLarge = "ReDim Preserve a(3000000)";
#else
    const char* made = "ReDim a(10000000)";
    const char* grown = "ReDim Preserve a(10000000)";
    const char* madeLarge = "ReDim a(10000000)";
    const char* grownLarge = "ReDim Preserve a(20000000)";
#endif
    checkInChild({
        {"Join", main(many, "x = Join(a, \"\")"), kTimedOut, 5},
        {"Filter", main(many, "x = Filter(a, \"z\")"), kTimedOut, 5},
        {"Split", main(commas, "x = Split(s, \",\")"), kTimedOut, 5},
        {"Replace", main(commas, "x = Replace(s, \",\", \";\")"), kTimedOut, 5},
        {"ReDim", main("", made), kTimedOut, 5},
        {"ReDim Preserve", main("ReDim a(1)", grown), kTimedOut, 5},
        {"ReDim Preserve of a large array", main(madeLarge, grownLarge), kTimedOut, 5},
        {"a copy of a large array", main(made, "b = a\nb(0) = 1"), kTimedOut, 5},
        {"Erase of a fixed array", main("Dim a(10000000)", "Erase a"), kTimedOut, 5},
        {"For Each over a large array", main(many, "For Each x In a\nNext"), kTimedOut, 5},
        {"a number of millions of digits", main("s = String(10000000, \"1\")", "x = IsNumeric(s)"), kTimedOut,
         5},
        {"a script of half a million statements", longScript(), kTimedOut, 5},
        {"the engine goes on afterwards", "ReDim a(3)\nWScript.Echo UBound(Split(\"a,b\", \",\"))", "ok:1",
         300},
    });
}

// A catastrophic pattern is an error, not False; Execute gathers a bounded
// number of matches, never a part of them silently.
TEST(ScriptCallLimits, RegularExpressionsEndInTheirAnswerOrAnError) {
    const QString re = QStringLiteral("Set r = New RegExp\nr.Global = True\n");
    checkInChild({
        {"a catastrophic pattern tested", re + "r.Pattern = \"(a*)*b|c\"\nx = r.Test(String(30, \"a\"))",
         "error:17@4", 10000},
        {"a catastrophic pattern after a match",
         re + "r.Pattern = \"(a*)*b|c\"\nSet m = r.Execute(\"c\" & String(30, \"a\"))", "error:17@4", 10000},
        {"a catastrophic pattern replaced",
         re + "r.Pattern = \"(a*)*b|c\"\nx = r.Replace(\"cc\" & String(30, \"a\"), \"x\")", "error:17@4",
         10000},
        {"an empty pattern on the longest text",
         re + "r.Pattern = \"\"\nSet m = r.Execute(String(33554432, \"a\"))", "error:7@4", 10000},
        {"a pattern that matches every character",
         re + "r.Pattern = \"(.)\"\nSet m = r.Execute(String(33554432, \"a\"))", "error:7@4", 10000},
        {"the matches of a plain text",
         re + "r.Pattern = \"a*?\"\nWScript.Echo r.Execute(\"aa\").Count, r.Replace(\"baaa\", \"-\"), "
              "r.Test(String(1000000, \"a\") & \"b\")",
         "ok:5 -b------- Vero", 10000},
    });
}

// A dictionary grows to its largest size and then refuses with error 7, and
// so it does when memory runs out first: never an abort of the program.
TEST(ScriptCallLimits, DictionariesStopAtTheirLargestSizeOrWhenMemoryRunsOut) {
    const QString fill = QStringLiteral(
        "Set d = CreateObject(\"Scripting.Dictionary\")\nOn Error Resume Next\ni = 0\nDo\nd.Add \"k\" & i, "
        "i\n"
        "If Err.Number <> 0 Then Exit Do\ni = i + 1\nLoop\n");
    checkInChild({
        {"filled to its largest size", fill + "WScript.Echo Err.Number, d.Count, d.Exists(\"k1048575\")",
         "ok:7 1048576 Vero"},
        {"emptied and filled again", fill + "d.RemoveAll\nd.Add 1, 2\nWScript.Echo d.Count, d(1)", "ok:1 2"},
    });
#if !defined(__SANITIZE_ADDRESS__)
    checkInChild(
        {
            // Each entry holds a text of a few KB, so that the memory limit
            // comes long before the largest size.
            {"memory runs out first",
             QString(fill).replace("d.Add \"k\" & i, i", "d.Add \"k\" & i, String(2000, \"x\")") +
                 "e = Err.Number\nn = d.Count\nSet d = Nothing\nWScript.Echo e, Err.Description, n < 1048576",
             "ok:7 Memoria esaurita Vero"},
            {"the engine goes on afterwards",
             "Set d = CreateObject(\"Scripting.Dictionary\")\nd.Add 1, 2\n"
             "WScript.Echo d.Count",
             "ok:1"},
        },
        {0, 300});
#endif
}

}  // namespace
