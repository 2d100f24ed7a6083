// The built-in library and host objects as scripts use them: Italian
// conversions inside expressions, the dictionary with For Each, a bound host
// object with indexed properties, by-reference arguments and chained calls,
// and errors of host calls reported with their script line.

#include "HostObjectFixture.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/Prompt.h"
#include "script/ScriptControl.h"

using core::Variant;

namespace {

// Runs Function F() of the text and gives its result as text.
QString run(const QString& body, std::shared_ptr<core::Object> host = nullptr) {
    script::ScriptControl sc;
    sc.setLanguage(QStringLiteral("vbscript"));
    sc.AddCode(QStringLiteral("Function F(prn)\r\n") + body + QStringLiteral("\r\nEnd Function\r\n"));
    std::vector<Variant> args{host ? Variant(host) : Variant::nothing()};
    return sc.Run(QStringLiteral("F"), args).toString();
}

}  // namespace

TEST(ScriptLibrary, ItalianConversionsInExpressions) {
    core::FixedClock clock(2026, 8, 8, 9, 5, 0);
    struct {
        const char* body;
        const char* expected;
    } cases[] = {
        {"F = CStr(3.5)", "3,5"},
        {"F = \"Totale: \" & 1234.5", "Totale: 1234,5"},
        {"F = CDbl(\"1.234,5\") * 2", "2469"},
        {"F = FormatNumber(1234.5, 2)", "1.234,50"},
        {"F = CStr(DateSerial(2026, 8, 8))", "08/08/2026"},
        {"F = CStr(1 = 1) & \"/\" & CStr(1 = 2)", "Vero/Falso"},
        {"F = Date & \" \" & Time", "08/08/2026 09:05:00"},
        {"F = Hex(CLng(\"&H\" & Mid(\"A001R883FF\", 8)) + 1)", "400"},
        {"F = Right(\"000\" & Hex(5), 3)", "005"},
        {"F = Mid(\"1234567890ABCDEFGHILMNOPQRSTUVZ\", Right(CStr(Year(Date)), 2), 1)", "R"},
        {"F = UBound(Split(\"a;b;c\", \";\"))", "2"},
        {"F = Join(Array(1.5, \"x\", True), \"|\")", "1,5|x|Vero"},
        {"F = WeekdayName(Weekday(Date, vbMonday), False, vbMonday) & \" \" & MonthName(Month(Date))",
         "sabato agosto"},
        {"F = FormatDateTime(Date, vbLongDate)", "sabato 8 agosto 2026"},
        {"If IsNumeric(\"2,5\") Then F = CInt(\"2,5\")", "2"},
        {"F = Len(vbCrLf) & TypeName(vbCrLf)", "2String"},
    };
    for (const auto& c : cases) EXPECT_EQ(run(QString::fromUtf8(c.body)).toStdString(), c.expected) << c.body;
}

TEST(ScriptLibrary, CallsWithAndWithoutParentheses) {
    struct {
        const char* body;
        const char* expected;
    } cases[] = {
        {"Randomize\r\nRandomize 5\r\nF = (Rnd >= 0) And (Rnd() < 1)", "Vero"},
        {"F = String(3, \"x\") & Space(1) & Join(Filter(Array(\"ab\", \"cd\"), \"c\"))", "xxx cd"},
        {"F = Len(Time) & \" \" & Year(Now)", "8 2026"},
        {"F = InStr(1, \"Zelt\", \"E\", vbTextCompare) & LBound(Split(\"a\"))", "20"},
        {"F = Replace(\"a-b\", \"-\", vbTab) = \"a\" & Chr(9) & \"b\"", "Vero"},
    };
    core::FixedClock clock(2026, 8, 8, 9, 5, 0);
    for (const auto& c : cases) EXPECT_EQ(run(QString::fromUtf8(c.body)).toStdString(), c.expected) << c.body;
}

TEST(ScriptLibrary, DictionaryWithForEach) {
    const char* body =
        "Dim d, k, s\r\n"
        "Set d = CreateObject(\"Scripting.Dictionary\")\r\n"
        "d.Add \"uno\", 1\r\n"
        "d(\"due\") = 2\r\n"
        "d.Item(\"tre\") = 3\r\n"
        "d(\"uno\") = d(\"uno\") + 10\r\n"
        "For Each k In d\r\n"
        "  s = s & k & \"=\" & d(k) & \";\"\r\n"
        "Next\r\n"
        "Set d(\"altro\") = CreateObject(\"Scripting.Dictionary\")\r\n"
        "d(\"altro\").Add \"x\", 1\r\n"
        "F = s & d.Count & \" \" & d.Exists(\"due\") & \" \" & d.Keys()(2) & \" \" & TypeName(d(\"altro\")) "
        "& d(\"altro\").Count";
    EXPECT_EQ(run(QString::fromUtf8(body)).toStdString(), "uno=11;due=2;tre=3;4 Vero tre Dictionary1");
}

TEST(ScriptLibrary, CreateObjectRefusesEverythingElse) {
    for (const char* progId : {"Scripting.FileSystemObject", "WScript.Shell", "MSXML2.ServerXMLHTTP"}) {
        try {
            run(QStringLiteral("Set o = CreateObject(\"%1\")").arg(QString::fromLatin1(progId)));
            ADD_FAILURE() << progId;
        } catch (const core::AppError& e) {
            EXPECT_EQ(e.number(), 429) << progId;
        }
    }
}

TEST(ScriptLibrary, MsgBoxAnsweredThroughTheSeam) {
    core::ScriptedBoxes boxes;
    boxes.answer(core::kAnswerYes);
    EXPECT_EQ(run(QStringLiteral("If MsgBox(\"Stampare ?\", vbYesNo + vbQuestion) = vbYes Then F = \"si\"")),
              "si");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].style, 36);
    EXPECT_EQ(boxes.shown()[0].title, core::softwareName());
}

TEST(ScriptLibrary, HostObjectMembers) {
    auto page = std::make_shared<hostobjecttest::Page>();
    const char* body =
        "Dim w, h, k, n\r\n"
        "prn.Vars(\"Totale\") = 5\r\n"
        "prn.Vars(\"Totale\") = prn.Vars(\"Totale\") + 2.5\r\n"
        "prn.TxtOut 10, 0, \"Riga\"\r\n"
        "Call prn.TxtOut(12, 0, \"Nota\", , True)\r\n"
        "prn.Measure \"abcd\", w, h\r\n"
        "prn.Child.Name = \"figlio\"\r\n"
        "prn.Name = \"pagina\"\r\n"
        "For Each k In prn\r\n"
        "  n = n & k\r\n"
        "Next\r\n"
        "F = prn.Vars(\"Totale\") & \"|\" & w & \"x\" & h & \"|\" & prn.Child.Name & \"|\" & prn & \"|\" & n "
        "& \"|\" & prn.Nums(\"x\")";
    EXPECT_EQ(run(QString::fromUtf8(body), page).toStdString(), "7,5|4x1|figlio|pagina|Totale|0");
    ASSERT_EQ(page->calls.size(), 2);
    EXPECT_EQ(page->calls[1].toStdString(), "12|0|Nota|0|Vero");
}

TEST(ScriptLibrary, HostErrorsCarryTheScriptLine) {
    auto page = std::make_shared<hostobjecttest::Page>();
    struct {
        const char* body;
        long error;
        int line;  // within the function text: the wrapper's first line is 1
    } cases[] = {
        {"Dim a\r\nprn.NoSuchMember 1", 438, 3},
        {"Dim a\r\na = 1\r\nprn.TxtOut 1, 2", 450, 4},
        {"prn.TxtOut \"x\", 2, \"a\"", 13, 2},
        {"prn.VarsCount = 3", 450, 2},
    };
    for (const auto& c : cases) {
        script::ScriptControl sc;
        sc.setLanguage(QStringLiteral("vbscript"));
        sc.AddCode(QStringLiteral("Function F(prn)\r\n") + QString::fromUtf8(c.body) +
                   QStringLiteral("\r\nEnd Function\r\n"));
        std::vector<Variant> args{Variant(page)};
        try {
            sc.Run(QStringLiteral("F"), args);
            ADD_FAILURE() << c.body;
        } catch (const core::AppError& e) {
            EXPECT_EQ(e.number(), c.error) << c.body;
            EXPECT_EQ(sc.Error().Line, c.line) << c.body;
        }
    }
}
