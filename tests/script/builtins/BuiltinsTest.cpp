// Tables of cases for each group of built-ins, called as the interpreter
// calls them, with the error numbers of bad arguments.

#include "BuiltinsTestSupport.h"

#include "core/Clock.h"
#include "core/Date.h"

#include <cstring>

using namespace builtinstest;

namespace {

Variant date(int y, int m, int d, int h = 0, int n = 0, int s = 0) {
    return Variant(core::Date::fromParts(y, m, d, h, n, s));
}

Variant array(std::vector<Variant> values) {
    return Variant(core::VariantArray::fromValues(std::move(values)));
}

}  // namespace

TEST(Builtins, LookUpInAnyCaseAndConstants) {
    ASSERT_NE(script::builtins::find(u"mid"), nullptr);
    EXPECT_EQ(script::builtins::find(u"MID"), script::builtins::find(u"Mid"));
    EXPECT_EQ(script::builtins::find(u"NoSuchFunction"), nullptr);
    // Not offered to scripts: no file, shell or evaluation functions.
    EXPECT_EQ(script::builtins::find(u"GetObject"), nullptr);
    EXPECT_EQ(script::builtins::find(u"Eval"), nullptr);

    struct {
        const char* name;
        const char* expected;
    } constants[] = {
        {"vbCrLf", "String:\r\n"},
        {"VBCR", "String:\r"},
        {"vbLf", "String:\n"},
        {"vbTab", "String:\t"},
        {"vbNullString", "String:"},
        {"vbTrue", "Long:-1"},
        {"vbYesNo", "Long:4"},
        {"vbInformation", "Long:64"},
        {"vbCritical", "Long:16"},
        {"vbOK", "Long:1"},
        {"vbNo", "Long:7"},
        {"vbTextCompare", "Long:1"},
        {"vbShortDate", "Long:2"},
        {"vbSunday", "Long:1"},
        {"vbUseSystemDayOfWeek", "Long:0"},
        {"vbRed", "Long:255"},
        {"vbObjectError", "Long:-2147221504"},
    };
    for (const auto& c : constants) {
        const Variant* v = script::builtins::findConstant(QString::fromLatin1(c.name));
        ASSERT_NE(v, nullptr) << c.name;
        EXPECT_EQ(show(*v).toStdString(), std::string(c.expected)) << c.name;
    }
    EXPECT_EQ(script::builtins::findConstant(u"vbSomething"), nullptr);
}

TEST(Builtins, Strings) {
    runCases({
        {"Len", {S("abc")}, "Long:3"},
        {"Len", {N()}, "Null"},
        {"Len", {D(12.5)}, "Long:4"},  // "12,5"
        {"Left", {S("abcdef"), L(2)}, "String:ab"},
        {"Left", {S("ab"), L(5)}, "String:ab"},
        {"Right", {S("abcdef"), L(2)}, "String:ef"},
        {"Mid", {S("abcdef"), L(2), L(3)}, "String:bcd"},
        {"Mid", {S("abcdef"), L(2)}, "String:bcdef"},
        {"Mid", {S("abc"), L(5), L(1)}, "String:"},
        {"Mid", {N(), L(1)}, "Null"},
        {"Mid", {S("A001R88300"), L(8)}, "String:300"},
        {"InStr", {S("abcabc"), S("c")}, "Long:3"},
        {"InStr", {L(4), S("abcabc"), S("c")}, "Long:6"},
        {"InStr", {L(1), S("ABC"), S("b"), L(1)}, "Long:2"},
        {"InStr", {L(1), S("ABC"), S("b"), L(0)}, "Long:0"},
        {"InStr", {S("abc"), S("")}, "Long:1"},
        {"InStr", {S(""), S("a")}, "Long:0"},
        {"InStr", {N(), S("a")}, "Null"},
        {"InStrRev", {S("abcabc"), S("c")}, "Long:6"},
        {"InStrRev", {S("abcabc"), S("c"), L(5)}, "Long:3"},
        {"InStrRev", {S("abcabc"), S("x")}, "Long:0"},
        {"LCase", {S("AbC")}, "String:abc"},
        {"UCase", {S("àbc")}, "String:ÀBC"},
        {"Trim", {S("  a b  ")}, "String:a b"},
        {"Trim", {S("\ta ")}, "String:\ta"},  // blanks only
        {"LTrim", {S("  a  ")}, "String:a  "},
        {"RTrim", {S("  a  ")}, "String:  a"},
        {"Space", {L(3)}, "String:   "},
        {"String", {L(3), S("xy")}, "String:xxx"},
        {"String", {L(2), L(65)}, "String:AA"},
        {"Replace", {S("a.b.c"), S("."), S(",")}, "String:a,b,c"},
        {"Replace", {S("aXbxc"), S("x"), S("-"), L(1), L(-1), L(1)}, "String:a-b-c"},
        {"Replace", {S("abcabc"), S("b"), S(""), L(3)}, "String:cac"},  // begins at start
        {"Replace", {S("aaa"), S("a"), S("b"), L(1), L(2)}, "String:bba"},
        {"Split", {S("a,b,,c"), S(",")}, "String()(a|b||c)"},
        {"Split", {S("a b c"), M(), L(2)}, "String()(a|b c)"},
        {"Split", {S("")}, "String()()"},
        {"Join", {array({S("a"), L(1), D(2.5)}), S("-")}, "String:a-1-2,5"},
        {"Join", {array({S("a"), S("b")})}, "String:a b"},
        {"StrComp", {S("a"), S("B")}, "Integer:1"},
        {"StrComp", {S("a"), S("B"), L(1)}, "Integer:-1"},
        {"StrComp", {S("x"), S("X"), L(1)}, "Integer:0"},
        {"StrComp", {N(), S("X")}, "Null"},
        {"StrReverse", {S("abc")}, "String:cba"},
        {"Asc", {S("A")}, "Integer:65"},
        {"Asc", {S("€")}, "Integer:128"},
        {"Asc", {S("è")}, "Integer:232"},
        {"AscW", {S("€")}, "Integer:8364"},
        {"Chr", {L(128)}, "String:€"},
        {"Chr", {L(65)}, "String:A"},
        {"ChrW", {L(8364)}, "String:€"},
        {"Filter", {array({S("rosso"), S("verde"), S("rosa")}), S("ros")}, "String()(rosso|rosa)"},
        {"Filter", {array({S("rosso"), S("verde"), S("rosa")}), S("ROS"), B(false), L(1)}, "String()(verde)"},
    });
    runErrorCases({
        {"Mid", {S("abc"), L(0), L(1)}, 5},
        {"Mid", {S("abc"), L(1), L(-1)}, 5},
        {"Left", {S("abc"), L(-1)}, 5},
        {"Left", {S("abc"), N()}, 94},
        {"Space", {L(-1)}, 5},
        {"String", {L(2), S("")}, 5},
        {"Asc", {S("")}, 5},
        {"Chr", {L(256)}, 5},
        {"InStr", {L(0), S("a"), S("a")}, 5},
        {"InStr", {S("a"), S("a"), L(2)}, 13},  // three arguments: the first is the start
        {"StrComp", {S("a"), S("b"), L(2)}, 5},
        {"InStrRev", {S("abc"), S("b"), L(0)}, 5},
        {"Replace", {N(), S("a"), S("b")}, 94},
        {"Replace", {S("abc"), S("a"), S("b"), L(0)}, 5},
        {"Split", {S("a"), S(","), L(-2)}, 5},
        {"Join", {S("a")}, 13},
        {"Filter", {S("a"), S("a")}, 13},
        {"StrReverse", {N()}, 94},
    });
}

// A text of the call's own is cut in place, unless what it keeps is a small
// part of it: then the part is copied and the long text goes.
TEST(Builtins, CutsOfTextsTheCallOwns) {
    const QString longText = QString(100000, u'a') + QStringLiteral("bcd");
    for (const char* name : {"Left", "Right"}) {
        SCOPED_TRACE(name);
        const Variant cut = call(name, {Variant(longText), L(2)});
        EXPECT_EQ(cut.stringValue(),
                  std::strcmp(name, "Left") == 0 ? QStringLiteral("aa") : QStringLiteral("cd"));
        EXPECT_LT(cut.stringValue().capacity(), 1000);
    }
    const Variant middle = call("Mid", {Variant(longText), L(100001), L(2)});
    EXPECT_EQ(middle.stringValue(), QStringLiteral("bc"));
    EXPECT_LT(middle.stringValue().capacity(), 1000);
    const Variant most = call("Mid", {Variant(longText), L(3)});
    EXPECT_EQ(most.stringValue().size(), longText.size() - 2);
}

TEST(Builtins, ConversionsAreItalian) {
    runCases({
        {"CStr", {D(3.5)}, "String:3,5"},
        {"CStr", {B(true)}, "String:Vero"},
        {"CStr", {date(2026, 8, 8)}, "String:08/08/2026"},
        {"CStr", {Variant()}, "String:"},
        {"CDbl", {S("1.234,5")}, "Double:1234,5"},
        {"CDbl", {S("  -2,25 ")}, "Double:-2,25"},
        {"CLng", {S("&H1F")}, "Long:31"},
        {"CLng", {S("&HFFFF")}, "Long:-1"},
        {"CLng",
         {S("&H"
            "3FF")},
         "Long:1023"},
        {"CInt", {D(2.5)}, "Integer:2"},
        {"CInt", {D(3.5)}, "Integer:4"},
        {"CInt", {S("12")}, "Integer:12"},
        {"CByte", {D(254.5)}, "Byte:254"},
        {"CBool", {S("Vero")}, "Boolean:Vero"},
        {"CBool", {S("false")}, "Boolean:Falso"},
        {"CBool", {L(0)}, "Boolean:Falso"},
        {"CBool", {D(0.1)}, "Boolean:Vero"},
        {"CCur", {S("1.234,56789")}, "Currency:1234,5679"},
        {"CSng", {S("0,5")}, "Single:0,5"},
        {"CDate", {S("8/8/2026")}, "Date:08/08/2026"},
        {"CDate", {S("08/08/2026 14:05")}, "Date:08/08/2026 14:05:00"},
        {"CDate", {L(1)}, "Date:31/12/1899"},
    });
    runErrorCases({
        {"CInt", {L(40000)}, 6},
        {"CByte", {L(-1)}, 6},
        {"CLng", {S("abc")}, 13},
        {"CDbl", {S("1,2,3")}, 13},
        {"CDate", {S("31/02/2026")}, 13},
        {"CStr", {N()}, 94},
        {"CBool", {N()}, 94},
        {"CLng", {N()}, 94},
        {"CBool", {S("forse")}, 13},
    });
}

TEST(Builtins, ArithmeticAndTests) {
    runCases({
        {"Int", {D(-2.5)}, "Double:-3"},
        {"Fix", {D(-2.5)}, "Double:-2"},
        {"Int", {S("3,7")}, "Double:3"},
        {"Int", {L(7)}, "Long:7"},
        {"Int", {N()}, "Null"},
        {"Round", {D(2.5)}, "Double:2"},
        {"Round", {D(3.5)}, "Double:4"},
        {"Round", {D(-1.5)}, "Double:-2"},
        {"Round", {D(2.675), L(2)}, "Double:2,68"},
        {"Round", {D(0.125), L(2)}, "Double:0,12"},
        {"Round", {D(0.135), L(2)}, "Double:0,14"},
        {"Round", {D(1234.5678), L(2)}, "Double:1234,57"},
        {"Round", {Variant(core::Currency::fromDouble(2.345)), L(2)}, "Currency:2,34"},
        {"Round", {I(5)}, "Integer:5"},
        {"Abs", {I(-3)}, "Integer:3"},
        {"Abs", {D(-2.5)}, "Double:2,5"},
        {"Sgn", {D(-0.5)}, "Integer:-1"},
        {"Sgn", {Variant()}, "Integer:0"},
        {"Sqr", {L(16)}, "Double:4"},
        {"Exp", {L(0)}, "Double:1"},
        {"Log", {L(1)}, "Double:0"},
        {"Atn", {L(0)}, "Double:0"},
        {"Hex", {L(255)}, "String:FF"},
        {"Hex", {I(-1)}, "String:FFFF"},
        {"Hex", {L(-1)}, "String:FFFFFFFF"},
        {"Hex", {L(4096)}, "String:1000"},
        {"Hex", {D(10.5)}, "String:A"},  // rounded to even
        {"Hex", {N()}, "Null"},
        {"Oct", {L(8)}, "String:10"},
        {"IsNumeric", {S("1.234,5")}, "Boolean:Vero"},
        {"IsNumeric", {S("abc")}, "Boolean:Falso"},
        {"IsNumeric", {Variant()}, "Boolean:Vero"},
        {"IsNumeric", {N()}, "Boolean:Falso"},
        {"IsDate", {S("31/12/2026")}, "Boolean:Vero"},
        {"IsDate", {S("31/02/2026")}, "Boolean:Falso"},
        {"IsEmpty", {Variant()}, "Boolean:Vero"},
        {"IsEmpty", {S("")}, "Boolean:Falso"},
        {"IsNull", {N()}, "Boolean:Vero"},
        {"IsObject", {Variant::nothing()}, "Boolean:Vero"},
        {"IsObject", {L(1)}, "Boolean:Falso"},
        {"IsArray", {array({})}, "Boolean:Vero"},
        {"VarType", {L(1)}, "Integer:3"},
        {"VarType", {S("a")}, "Integer:8"},
        {"VarType", {array({})}, "Integer:8204"},
        {"TypeName", {D(1)}, "String:Double"},
        {"TypeName", {Variant::nothing()}, "String:Nothing"},
        {"TypeName", {array({})}, "String:Variant()"},
        {"Array", {}, "Variant()()"},
        {"Array", {L(1), S("a")}, "Variant()(1|a)"},
        {"UBound", {array({})}, "Long:-1"},
        {"UBound", {array({L(1), L(2)})}, "Long:1"},
        {"LBound", {array({L(1), L(2)})}, "Long:0"},
        {"RGB", {L(255), L(0), L(0)}, "Long:255"},
        {"RGB", {L(0), L(0), L(300)}, "Long:16711680"},
    });
    runErrorCases({
        {"Sqr", {L(-1)}, 5},
        {"Log", {L(0)}, 5},
        {"Exp", {L(1000)}, 6},
        {"Round", {D(1.5), L(-1)}, 5},
        {"Abs", {S("x")}, 13},
        {"UBound", {L(5)}, 13},
        {"UBound", {array({L(1)}), L(2)}, 9},
        {"LBound", {array({L(1)}), L(0)}, 9},
        {"Hex", {D(1e10)}, 6},
        {"RGB", {L(-1), L(0), L(0)}, 5},
    });
}

TEST(Builtins, RndRepeatsASeededSequence) {
    const double first = call("Rnd", {L(-1)}).toDouble();
    EXPECT_NEAR(first, 0.224007, 1e-6);  // the sequence the language gives for the seed -1
    const double again = call("Rnd", {L(0)}).toDouble();
    EXPECT_EQ(first, again);  // 0 repeats the last number
    EXPECT_EQ(call("Rnd", {L(-1)}).toDouble(), first);
    for (int i = 0; i < 100; ++i) {
        const double r = call("Rnd", {}).toDouble();
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
    }
    EXPECT_TRUE(call("Randomize", {L(5)}).isEmpty());
}

TEST(Builtins, DatesFromTheFixedClock) {
    core::FixedClock clock(2026, 8, 8, 14, 30, 15);  // a Saturday
    runCases({
        {"Date", {}, "Date:08/08/2026"},
        {"Now", {}, "Date:08/08/2026 14:30:15"},
        {"Time", {}, "Date:14:30:15"},
        {"Year", {date(2026, 8, 8)}, "Integer:2026"},
        {"Month", {S("08/08/2026")}, "Integer:8"},
        {"Day", {date(2026, 8, 8)}, "Integer:8"},
        {"Hour", {date(2026, 8, 8, 14, 30, 15)}, "Integer:14"},
        {"Minute", {date(2026, 8, 8, 14, 30, 15)}, "Integer:30"},
        {"Second", {date(2026, 8, 8, 14, 30, 15)}, "Integer:15"},
        {"Year", {N()}, "Null"},
        {"Weekday", {date(2026, 8, 8)}, "Integer:7"},
        {"Weekday", {date(2026, 8, 8), L(2)}, "Integer:6"},
        {"Weekday", {date(2026, 8, 8), L(0)}, "Integer:6"},  // Italian weeks start on Monday
        {"WeekdayName", {L(1)}, "String:domenica"},
        {"WeekdayName", {L(1), B(true), L(2)}, "String:lun"},
        {"WeekdayName", {L(3)}, "String:martedì"},
        {"MonthName", {L(8)}, "String:agosto"},
        {"MonthName", {L(12), B(true)}, "String:dic"},
        {"DateSerial", {L(2026), L(8), L(8)}, "Date:08/08/2026"},
        {"DateSerial", {L(2026), L(13), L(1)}, "Date:01/01/2027"},
        {"DateSerial", {L(2026), L(3), L(0)}, "Date:28/02/2026"},
        {"DateSerial", {L(26), L(8), L(8)}, "Date:08/08/2026"},
        {"TimeSerial", {L(14), L(90), L(0)}, "Date:15:30:00"},
        {"DateValue", {S("08/08/2026 14:30")}, "Date:08/08/2026"},
        {"TimeValue", {S("14:30")}, "Date:14:30:00"},
        {"DateAdd", {S("m"), L(1), date(2026, 1, 31)}, "Date:28/02/2026"},
        {"DateAdd", {S("yyyy"), L(1), date(2024, 2, 29)}, "Date:28/02/2025"},
        {"DateAdd", {S("q"), L(-1), date(2026, 1, 15)}, "Date:15/10/2025"},
        {"DateAdd", {S("d"), L(-1), date(2026, 1, 1)}, "Date:31/12/2025"},
        {"DateAdd", {S("ww"), L(2), date(2026, 8, 8)}, "Date:22/08/2026"},
        {"DateAdd", {S("h"), L(36), date(2026, 8, 8)}, "Date:09/08/2026 12:00:00"},
        {"DateAdd", {S("n"), L(-1), date(2026, 8, 8)}, "Date:07/08/2026 23:59:00"},
        {"DateDiff", {S("d"), date(2026, 1, 1), date(2026, 8, 8)}, "Long:219"},
        {"DateDiff", {S("m"), date(2026, 1, 31), date(2026, 2, 1)}, "Long:1"},
        {"DateDiff", {S("yyyy"), date(2025, 12, 31), date(2026, 1, 1)}, "Long:1"},
        {"DateDiff", {S("w"), date(2026, 8, 1), date(2026, 8, 14)}, "Long:1"},
        {"DateDiff", {S("ww"), date(2026, 8, 8), date(2026, 8, 9)}, "Long:1"},  // Saturday to Sunday
        {"DateDiff", {S("h"), date(2026, 8, 8, 23, 59), date(2026, 8, 9, 0, 1)}, "Long:1"},
        {"DateDiff", {S("s"), date(2026, 8, 8), date(2026, 8, 7, 23, 59, 0)}, "Long:-60"},
        {"DatePart", {S("q"), date(2026, 8, 8)}, "Integer:3"},
        {"DatePart", {S("y"), date(2026, 8, 8)}, "Integer:220"},
        {"DatePart", {S("ww"), date(2026, 1, 1)}, "Integer:1"},
        {"DatePart", {S("ww"), date(2026, 1, 5), L(2), L(2)}, "Integer:2"},
        {"DatePart", {S("ww"), date(2027, 1, 1), L(2), L(2)}, "Integer:53"},
        {"DatePart", {S("w"), date(2026, 8, 8)}, "Integer:7"},
    });
    runErrorCases({
        {"DateAdd", {S("x"), L(1), date(2026, 8, 8)}, 5},
        {"DateAdd", {S("yyyy"), L(9000), date(2026, 8, 8)}, 5},
        {"DateDiff", {S("d"), S("ieri"), date(2026, 8, 8)}, 13},
        {"MonthName", {L(13)}, 5},
        {"WeekdayName", {L(0)}, 5},
        {"Weekday", {date(2026, 8, 8), L(8)}, 5},
        {"DateSerial", {L(10000), L(1), L(1)}, 5},
        {"Year", {S("domani")}, 13},
    });
}

TEST(Builtins, FormattingAsAnItalianInstallation) {
    runCases({
        {"FormatNumber", {D(1234.5), L(2)}, "String:1.234,50"},
        {"FormatNumber", {D(1234.5)}, "String:1.234,50"},
        {"FormatNumber", {D(0.5), L(2), L(0)}, "String:,50"},
        {"FormatNumber", {D(-1234.5), L(0), M(), L(-1)}, "String:(1.235)"},
        {"FormatNumber", {D(1234.5), L(1), M(), M(), L(0)}, "String:1234,5"},
        {"FormatNumber", {S("1.234,5"), L(1)}, "String:1.234,5"},
        {"FormatNumber", {D(-0.001), L(2)}, "String:0,00"},
        {"FormatNumber", {D(2.675), L(2)}, "String:2,68"},
        {"FormatNumber", {Variant(), L(0)}, "String:0"},
        {"FormatCurrency", {D(1234.5)}, "String:€ 1.234,50"},
        {"FormatCurrency", {L(-3)}, "String:-€ 3,00"},
        {"FormatPercent", {D(0.125)}, "String:12,50%"},
        {"FormatPercent", {D(0.5), L(0)}, "String:50%"},
        {"FormatDateTime", {date(2026, 8, 8), L(1)}, "String:sabato 8 agosto 2026"},
        {"FormatDateTime", {date(2026, 8, 8), L(2)}, "String:08/08/2026"},
        {"FormatDateTime", {date(2026, 8, 8, 14, 30, 15)}, "String:08/08/2026 14:30:15"},
        {"FormatDateTime", {date(2026, 8, 8, 14, 30, 15), L(3)}, "String:14:30:15"},
        {"FormatDateTime", {date(2026, 8, 8, 14, 30, 15), L(4)}, "String:14:30"},
    });
    runErrorCases({
        {"FormatNumber", {S("abc")}, 13},
        {"FormatNumber", {N()}, 94},
        {"FormatNumber", {L(1), L(-3)}, 5},
        {"FormatDateTime", {date(2026, 8, 8), L(7)}, 5},
        {"FormatDateTime", {S("mai")}, 13},
    });
}
