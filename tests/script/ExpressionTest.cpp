// Literals, operators with their precedence, Null and Empty, comparisons.

#include "ScriptHelpers.h"

#include <gtest/gtest.h>

using scripttest::describe;
using scripttest::evalExpr;
using scripttest::runBody;

namespace {

struct Case {
    const char* expr;
    const char* expected;  // TypeName:text
};

void checkTable(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expr);
        try {
            EXPECT_EQ(describe(evalExpr(QString::fromUtf8(c.expr))), QString::fromUtf8(c.expected));
        } catch (const core::AppError& e) {
            ADD_FAILURE() << "error " << e.number() << ": " << e.description().toStdString();
        }
    }
}

TEST(ScriptLiterals, TypesBySizeAndForm) {
    checkTable({
        {"32767", "Integer:32767"},
        {"32768", "Long:32768"},
        {"2147483647", "Long:2147483647"},
        {"2147483648", "Double:2147483648"},
        {"&HFF", "Integer:255"},
        {"&HFFFF", "Integer:-1"},
        {"&HFFFF&", "Long:65535"},
        {"&H10000", "Long:65536"},
        {"&hffffffff", "Long:-1"},
        {"&O17", "Integer:15"},
        {"1.5", "Double:1,5"},
        {".5", "Double:0,5"},
        {"1e3", "Double:1000"},
        {"2.5E-3", "Double:0,0025"},
        {"\"a\"\"b\"", "String:a\"b"},
        {"\"\"", "String:"},
        {"#8/9/2026#", "Date:09/08/2026"},
        {"#2026-08-09 13:05#", "Date:09/08/2026 13:05:00"},
        {"#1:30 PM#", "Date:13:30:00"},
        {"True", "Boolean:Vero"},
        {"FALSE", "Boolean:Falso"},
        {"Empty", "Empty:"},
        {"Null", "Null:"},
    });
}

TEST(ScriptOperators, PrecedenceAndAssociativity) {
    checkTable({
        {"-3^2", "Double:9"},
        {"2^3^2", "Double:64"},
        {"2^-1", "Double:0,5"},
        {"2+3*4", "Integer:14"},
        {"(2+3)*4", "Integer:20"},
        {"10\\3*2", "Integer:1"},
        {"7\\2", "Integer:3"},
        {"10 Mod 3 + 1", "Integer:2"},
        {"7 Mod 2 * 3", "Integer:1"},
        {"1 + 2 & 3", "String:33"},
        {"\"a\" + \"b\"", "String:ab"},
        {"\"3\" + 4", "Double:7"},
        {"1 / 4", "Double:0,25"},
        {"32767 + 1", "Long:32768"},
        {"Not 1 = 2", "Boolean:Vero"},
        {"Not 0", "Integer:-1"},
        {"1 < 2 And 2 < 3", "Boolean:Vero"},
        {"True Or False And False", "Boolean:Vero"},
        {"5 Xor 3", "Integer:6"},
        {"True Eqv False", "Boolean:Falso"},
        {"False Imp False", "Boolean:Vero"},
        {"1 = 1 = True", "Boolean:Vero"},
        {"3 - 2 - 1", "Integer:0"},
        {"- - 2", "Integer:2"},
    });
}

TEST(ScriptOperators, NullAndEmptyRules) {
    checkTable({
        {"Null And False", "Boolean:Falso"},
        {"False And Null", "Boolean:Falso"},
        {"Null Or True", "Boolean:Vero"},
        {"Null And True", "Null:"},
        {"Null + 1", "Null:"},
        {"Null = Null", "Null:"},
        {"\"x\" & Null", "String:x"},
        {"Empty + 1", "Integer:1"},
        {"Empty & \"a\"", "String:a"},
        {"Empty = 0", "Boolean:Vero"},
        {"Empty = \"\"", "Boolean:Vero"},
        {"IsEmpty(neverDeclared)", "Boolean:Vero"},
        {"neverDeclared + 2", "Integer:2"},
    });
}

TEST(ScriptOperators, TextAgainstNumber) {
    // A literal number makes the text side a number; two variables compare
    // a number below any text.
    checkTable({
        {"\"10\" < 9", "Boolean:Falso"},
        {"\"abc\" < \"abd\"", "Boolean:Vero"},
        {"\"a\" < \"B\"", "Boolean:Falso"},
    });
    EXPECT_EQ(describe(runBody("Dim a, b\r\na = \"10\" : b = 9\r\nT = b < a")), "Boolean:Vero");
    EXPECT_EQ(describe(runBody("Dim a : a = \"A001R88300\"\r\nT = \"A001R8C301\" >= a")), "Boolean:Vero");
}

TEST(ScriptOperators, RuntimeErrorsOfOperators) {
    struct ErrCase {
        const char* expr;
        long number;
    } cases[] = {{"1/0", 11}, {"1 \\ 0", 11}, {"\"a\" * 2", 13}, {"32767 * 100000 * 100000", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expr);
        long got = 0;
        try {
            evalExpr(QString::fromUtf8(c.expr));
        } catch (const core::AppError& e) {
            got = e.number();
        }
        EXPECT_EQ(got, c.number);
    }
}

// A text made for one call (a join's or a built-in's result) is cut or
// joined in place; a text that a variable also holds never is.
TEST(ScriptTexts, CutsAndJoinsInPlaceLeaveEveryOtherHolderAlone) {
    struct BodyCase {
        const char* body;
        const char* expected;
    } cases[] = {
        {"Dim s : s = \"abcdef\" : T = Right(s, 3) & \"|\" & s", "String:def|abcdef"},
        {"Dim s : s = \"abc\" : T = Mid(s & \"\", 2) & \"|\" & s", "String:bc|abc"},
        {"Dim s : s = \"abc\" : T = Left(\"\" & s, 1) & \"|\" & s", "String:a|abc"},
        {"Dim s : s = \"ab\" : T = s & \"c\" & \"d\" & \"|\" & s", "String:abcd|ab"},
        {"Dim s : s = CStr(7) : T = \"00\" & s & \"|\" & s", "String:007|7"},
        {"Dim s, t : s = CStr(42) : t = s : T = Right(\"0\" & t, 1) & \"|\" & s", "String:2|42"},
        {"T = Right(\"0000\" & CStr(12), 5)", "String:00012"},
        {"T = Right(\"0000\" & CStr(-5), 3)", "String:0-5"},
        {"T = \"0000\" & CStr(123456789)", "String:0000123456789"},
        {"T = \"un testo più lungo della stanza \" & CStr(5)", "String:un testo più lungo della stanza 5"},
        {"T = Mid(\"abc\" & CStr(1), 2, 2)", "String:bc"},
        {"T = Mid(\"abc\" & CStr(1), 9)", "String:"},
        {"T = Left(CStr(123) & \"\", 2)", "String:12"},
        {"T = Left(CStr(123), 0)", "String:"},
        {"T = Right(String(200, \"a\") & \"bc\", 2)", "String:bc"},
        {"T = Len(Mid(String(5, \"x\") & 1, 2, 3))", "Long:3"},
        {"T = 1 & 2 & CInt(3) & CByte(4) & -5", "String:1234-5"},
        {"T = \"a\" & Null & \"b\"", "String:ab"},
        {"T = Null & Null & \"c\"", "String:c"},
        {"T = Right(Null & Null, 2)", "Null:"},
        {"T = Left(Null, 2) & Mid(Null, 1)", "Null:"},
        {"T = CStr(32767) & CStr(-2147483647 - 1)", "String:32767-2147483648"},
        // A whole number's text has room on both sides: what is joined
        // before it or after it is written there, and a cut moves its ends.
        {"T = \"12345678\" & CStr(9)", "String:123456789"},
        {"T = \"123456789\" & CStr(0)", "String:1234567890"},
        {"T = \"a\" & (\"bc\" & CStr(1))", "String:abc1"},
        {"T = \"<\" & Right(\"0000\" & CStr(12), 3) & \">\"", "String:<012>"},
        {"T = \"x\" & Mid(\"ab\" & CStr(1234), 2, 3) & \"y\"", "String:xb12y"},
        {"T = CStr(5) & \"abc\" & CStr(6)", "String:5abc6"},
        {"Dim s : s = \"00\" & CStr(7) : s = s & \"8\" : T = \"<\" & s & \"|\" & Len(s)", "String:<0078|4"},
        // A part of a variable's text shares its characters: a change to
        // either one copies it first, and the part is read by its size (the
        // characters after it are not the end of the text).
        {"Dim s, p : s = \"abc\" & \"def\" : p = Mid(s, 2, 3) : s = s & \"gh\" : T = p & \"|\" & s",
         "String:bcd|abcdefgh"},
        {"Dim s, p : s = \"abc\" & \"def\" : p = Left(s, 2) : p = p & \"X\" : T = p & \"|\" & s",
         "String:abX|abcdef"},
        {"Dim s, p : s = \"abc\" & \"def\" : p = Mid(s, 3, 2) : T = Left(\"<\" & p, 2) & \">\" & s",
         "String:<c>abcdef"},
        {"Dim s, p : s = \"abc\" & \"def\" : p = Mid(s, 3, 2) : s = Empty : T = \"<\" & p & p & \">\"",
         "String:<cdcd>"},
        {"Dim s, p : s = \"abc\" & \"def\" : p = Right(s, 4) : s = Left(s, 1) & \"Z\" : T = p & s",
         "String:cdefaZ"},
        {"Dim s : s = \"x1234,5y\" & \"\" : T = CDbl(Mid(s, 2, 6)) + 1", "Double:1235,5"},
        {"Dim s : s = \"a12b\" & \"\" : T = CLng(Mid(s, 2, 2)) & Len(Mid(s, 2, 2))", "String:122"},
        {"Dim s : s = \"abcdef\" & \"\" : T = (Mid(s, 2, 2) = \"bc\") And (Left(s, 3) < \"abd\")",
         "Boolean:Vero"},
        {"Dim s : s = \"abcabc\" & \"\" : T = InStr(Mid(s, 2, 3), \"a\") & UCase(Mid(s, 2, 2)) & "
         "StrReverse(Left(s, 3)) & Replace(Mid(s, 1, 4), \"a\", \"-\") & Split(Mid(s, 2, 4), \"a\")(1)",
         "String:3BCcba-bc-b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        try {
            EXPECT_EQ(describe(runBody(QString::fromUtf8(c.body))), QString::fromUtf8(c.expected));
        } catch (const core::AppError& e) {
            ADD_FAILURE() << "error " << e.number() << ": " << e.description().toStdString();
        }
    }
    struct ErrorCase {
        const char* body;
        long number;
    } errors[] = {
        {"T = Right(\"a\" & CStr(1), -1)", 5},
        {"T = Mid(\"a\" & CStr(1), 0)", 5},
        {"T = Mid(\"a\" & CStr(1), 1, -1)", 5},
        {"T = Left(CStr(1) & \"x\", Null)", 94},
        {"T = Left(CStr(1) & \"x\", \"due\")", 13},
        {"T = CStr(Null)", 94},
        {"T = Array(1) & \"x\"", 13},
    };
    for (const auto& c : errors) {
        SCOPED_TRACE(c.body);
        long got = 0;
        try {
            runBody(QString::fromUtf8(c.body));
        } catch (const core::AppError& e) {
            got = e.number();
        }
        EXPECT_EQ(got, c.number);
    }
}

// A built-in reads a variable argument where it lies only while nothing can
// change it: an argument after it that calls script code, or an object whose
// default member runs, sees the variable as it was when it was passed.
TEST(ScriptTexts, BuiltinArgumentsKeepTheValueTheyWerePassedWith) {
    const char* script =
        "Dim s\r\n"
        "Class Changer\r\n"
        "  Public Default Property Get Value()\r\n"
        "    s = \"zzzzzz\" : Value = 2\r\n"
        "  End Property\r\n"
        "End Class\r\n"
        "Function F()\r\n"
        "  s = \"zzzzzz\" : F = 2\r\n"
        "End Function\r\n"
        "Function ByCall()\r\n"
        "  s = \"abcd\" : ByCall = Mid(s, F()) & \"|\" & s\r\n"
        "End Function\r\n"
        "Function ByDefaultMember()\r\n"
        "  Dim o : Set o = New Changer\r\n"
        "  s = \"abcd\" : ByDefaultMember = Mid(s, o) & \"|\" & s\r\n"
        "End Function\r\n"
        "Function Shared()\r\n"
        "  s = \"abcd\" : Shared = Right(F2(), 2) & \"|\" & s\r\n"
        "End Function\r\n"
        "Function F2()\r\n"
        "  F2 = s\r\n"
        "End Function\r\n";
    EXPECT_EQ(describe(scripttest::runScript(QString::fromUtf8(script), QStringLiteral("ByCall"))),
              QStringLiteral("String:bcd|zzzzzz"));
    EXPECT_EQ(describe(scripttest::runScript(QString::fromUtf8(script), QStringLiteral("ByDefaultMember"))),
              QStringLiteral("String:bcd|zzzzzz"));
    EXPECT_EQ(describe(scripttest::runScript(QString::fromUtf8(script), QStringLiteral("Shared"))),
              QStringLiteral("String:cd|abcd"));
}

}  // namespace
