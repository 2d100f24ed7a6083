// Statements, procedures, arguments, classes and error handling.

#include "ScriptHelpers.h"

#include <gtest/gtest.h>

using scripttest::describe;
using scripttest::errorOf;
using scripttest::runBody;
using scripttest::runScript;

namespace {

struct Case {
    const char* name;
    const char* script;    // defines Function Main
    const char* expected;  // TypeName:text of Main's result
};

void checkScripts(std::initializer_list<Case> cases, const char* prefix = "") {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            EXPECT_EQ(describe(runScript(QString::fromUtf8(prefix) + QString::fromUtf8(c.script))),
                      QString::fromUtf8(c.expected));
        } catch (const core::AppError& e) {
            ADD_FAILURE() << "error " << e.number() << " line " << e.line() << ": "
                          << e.description().toStdString();
        }
    }
}

TEST(ScriptArguments, ByRefByValAndParentheses) {
    const char* procs =
        "Sub Inc(x)\n x = x + 1\nEnd Sub\n"
        "Sub IncV(ByVal x)\n x = x + 1\nEnd Sub\n"
        "Function Twice(ByRef x)\n x = x * 2 : Twice = x\nEnd Function\n";
    struct {
        const char* body;
        const char* expected;
    } cases[] = {
        {"Inc a", "Integer:2"},    // ByRef is the default
        {"Inc (a)", "Integer:1"},  // a parenthesised argument goes by value
        {"Inc(a)", "Integer:1"},
        {"Call Inc(a)", "Integer:2"},
        {"Call Inc((a))", "Integer:1"},
        {"IncV a", "Integer:1"},
        {"b = Twice(a)", "Integer:2"},
        {"b = Twice((a))", "Integer:1"},
        {"b = Twice(a + 0)", "Integer:1"},
        {"Inc a : Inc a : Inc a", "Integer:4"},
        {"Inc (Abs(a)) + 1", "Integer:1"},  // the argument is the value "(Abs(a)) + 1"
    };
    // Array elements go by reference too: a sort helper swapping two elements.
    EXPECT_EQ(describe(runScript(
                  "Sub Swap(x, y)\n t = x : x = y : y = t\nEnd Sub\n"
                  "Sub IncV(ByVal x)\n x = x + 1\nEnd Sub\n"
                  "Function Main()\n Dim a(2)\n a(0) = 3 : a(1) = 1 : a(2) = 2\n"
                  " For i = 0 To 1\n For j = 0 To 1 - i\n If a(j) > a(j + 1) Then Swap a(j), a(j + 1)\n"
                  " Next\n Next\n IncV a(0)\n IncV (a(1))\n Main = Join(a, \",\")\nEnd Function")),
              "String:1,2,3");
    // A variable given ByVal is copied once every argument is evaluated: a
    // later argument that changes it (a property running code) is seen.
    EXPECT_EQ(describe(runScript(
                  "Dim a\nClass K\nProperty Get Bump()\n a = a + 10 : Bump = 0\nEnd Property\nEnd Class\n"
                  "Function Pair(ByVal x, y)\n x = x + 1 : Pair = x\nEnd Function\n"
                  "Function Main()\n Set o = New K\n a = 1\n Main = Pair(a, o.Bump) & \",\" & a\n"
                  "End Function")),
              "String:12,11");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        const QString text = QString::fromUtf8(procs) + "Function Main()\nDim a, b\na = 1\n" +
                             QString::fromUtf8(c.body) + "\nMain = a\nEnd Function\n";
        EXPECT_EQ(describe(runScript(text)), QString::fromUtf8(c.expected));
    }
}

// A built-in's argument that is a variable keeps the value it had when it
// was evaluated, though a later argument changes the variable: a local given
// by reference, a script-level variable changed by a property.
TEST(ScriptProcedures, BuiltinArgumentsKeepTheirValueWhenALaterOneChangesThem) {
    checkScripts({
        {"a local",
         "Function Chg(x)\n x = \"xyz\" : Chg = 2\nEnd Function\n"
         "Function Main()\n Dim s\n s = \"abcdef\"\n Main = Mid(s, Chg(s)) & \",\" & s\nEnd Function",
         "String:bcdef,xyz"},
        {"a script-level variable",
         "Dim g\nClass K\nProperty Get Bump()\n g = \"xyz\" : Bump = 2\nEnd Property\nEnd Class\n"
         "Function Main()\n Set o = New K\n g = \"abcdef\"\n Main = Mid(g, o.Bump, 3) & \",\" & g\nEnd "
         "Function",
         "String:bcd,xyz"},
    });
}

TEST(ScriptProcedures, RecursionNestingAndLateDefinitions) {
    checkScripts({
        {"factorial",
         "Function Fact(n)\n If n <= 1 Then Fact = 1 Else Fact = n * Fact(n - 1)\nEnd Function\n"
         "Function Main()\n Main = Fact(12)\nEnd Function",
         "Long:479001600"},
        {"fibonacci",
         "Function Main()\n Main = Fib(15)\nEnd Function\n"
         "Function Fib(n)\n If n < 2 Then\n  Fib = n\n Else\n  Fib = Fib(n-1) + Fib(n-2)\n End If\nEnd "
         "Function",
         "Integer:610"},
        {"function name read inside is its result",
         "Function Main()\n Main = 5\n Main = Main + 1\nEnd Function", "Integer:6"},
        {"script-level variables and implicit locals",
         "Dim g\ng = 10\nSub Bump()\n g = g + 1\n loc = 7\nEnd Sub\n"
         "Function Main()\n Bump : Bump\n Main = g & \"/\" & loc\nEnd Function",
         "String:12/"},
        {"exit function and exit sub",
         "Sub S(ByRef v)\n v = 1\n Exit Sub\n v = 2\nEnd Sub\n"
         "Function Main()\n Dim x\n S x\n Main = x\n Exit Function\n Main = 99\nEnd Function",
         "Integer:1"},
        {"constants, script level and local",
         "Const A = 2, B = \"x\"\nConst C = -A * 3\n"
         "Function Main()\n Const D = 1\n Main = C + D & B\nEnd Function",
         "String:-5x"},
        {"arrays, ReDim Preserve, Erase, UBound",
         "Function Main()\n Dim a(2), b()\n a(0) = 1 : a(2) = 3\n ReDim b(1)\n b(1) = 5\n"
         " ReDim Preserve b(3)\n b(3) = 7\n Dim m(1, 2)\n m(1, 2) = 9\n"
         " Main = a(0) + a(2) + b(1) + b(3) + m(1, 2) & \":\" & UBound(b)\nEnd Function",
         "String:25:3"},
        {"line continuation, colons and comments",
         "Function Main() ' comment\n Dim s : s = \"a\" & _\n   \"b\"\n Rem another comment\n Main = s\nEnd "
         "Function",
         "String:ab"},
        {"names in any letter case", "FUNCTION main()\n DIM Abc\n aBC = 3\n MAIN = abc\nend function",
         "Integer:3"},
    });
}

// A local beside a whole-number literal, a local copied into another, a
// call of a script-level name and a condition over a local each have a
// short way; whatever the values, the result is the general way's.
TEST(ScriptProcedures, ShortWaysGiveTheGeneralResults) {
    checkScripts({
        {"Integer + Integer widens to Long", "Function Main()\n n = 32767\n Main = n + 1\nEnd Function",
         "Long:32768"},
        {"Integer * Integer widens to Long", "Function Main()\n n = 20000\n Main = n * 2\nEnd Function",
         "Long:40000"},
        {"Integer - Long stays Long", "Function Main()\n n = 1\n Main = n - 40000\nEnd Function",
         "Long:-39999"},
        {"Long + Integer widens to Double", "Function Main()\n n = 2147483647\n Main = n + 1\nEnd Function",
         "Double:2147483648"},
        {"a Double local", "Function Main()\n n = 1.5\n Main = n + 1\nEnd Function", "Double:2,5"},
        {"a text local against a number",
         "Function Main()\n n = \"10\"\n Main = (n < 9) & (n + 1)\nEnd Function", "String:Falso11"},
        {"an Empty local", "Function Main()\n Main = (n < 1) & (n + 1)\nEnd Function", "String:Vero1"},
        {"a Null local: its comparison counts as False",
         "Function Main()\n n = Null\n If n < 2 Then Main = \"si\" Else Main = \"no\"\nEnd Function",
         "String:no"},
        {"a Long local under a loop's condition",
         "Function Main()\n n = 100000\n Do While n > 99990\n n = n - 3\n Loop\n Main = n\nEnd Function",
         "Long:99988"},
        {"an Integer local under ElseIf and Until",
         "Function Main()\n Do\n i = i + 1\n Loop Until i >= 4\n"
         " If i = 3 Then\n Main = 3\n ElseIf i <> 4 Then\n Main = 0\n Else\n Main = i\n End If\nEnd Function",
         "Integer:4"},
        {"a local holding an object copied by its default member",
         "Class K\n Public Default Property Get V()\n  V = 7\n End Property\nEnd Class\n"
         "Function Main()\n Dim o, x\n Set o = New K\n x = o\n Main = x\nEnd Function",
         "Integer:7"},
        {"a script-level array indexed as a call",
         "Dim a(2)\nFunction Main()\n a(1) = 5\n Main = a(1) + a(1)\nEnd Function", "Integer:10"},
        {"a function returning an object, under an operator",
         "Class K\n Public Default Property Get V()\n  V = 7\n End Property\nEnd Class\n"
         "Function Make()\n Set Make = New K\nEnd Function\n"
         "Function Main()\n Main = 1 + Make()\nEnd Function",
         "Integer:8"},
        {"two calls under a comparison, a join and a sum",
         "Function A()\n A = \"10\"\nEnd Function\nFunction B()\n B = 9\nEnd Function\n"
         "Function Main()\n Main = (A() < B()) & \",\" & (A() & B()) & \",\" & ((\"10\") < (9)) & \",\" & "
         "TypeName((A()) + (B()))\nEnd Function",
         "String:Falso,109,Falso,Double"},
        {"a ByRef parameter changed by the callee",
         "Function Down(n)\n n = n - 1\n Down = n\nEnd Function\n"
         "Function Main()\n Dim k\n k = 5\n Main = Down(k) + Down(k) & \",\" & k\nEnd Function",
         "String:7,3"},
    });
    EXPECT_EQ(
        errorOf("Function F(x)\n F = x\nEnd Function\nFunction Main()\n Main = F(1, 2) + 1\nEnd Function")
            .number(),
        450);
}

TEST(ScriptStatements, LoopsAndExit) {
    checkScripts({
        {"for with step",
         "Function Main()\n For i = 10 To 1 Step -3\n s = s & i & \",\"\n Next\n Main = s & i\nEnd Function",
         "String:10,7,4,1,-2"},
        {"for not entered",
         "Function Main()\n n = 0\n For i = 5 To 1\n n = n + 1\n Next\n Main = n\nEnd Function", "Integer:0"},
        {"counter grows past Integer",
         "Function Main()\n For i = 32766 To 32767\n Next\n Main = TypeName(i) & i\nEnd Function",
         "String:Long32768"},
        {"body changing the counter",
         "Function Main()\n For i = 1 To 10\n i = i + 4 : n = n + 1\n Next\n Main = n & \"/\" & i\nEnd "
         "Function",
         "String:2/11"},
        {"text built up in a loop",
         "Function Main()\n s = \"a\"\n For i = 1 To 3\n s = s & i & Null & Left(\"xy\", 1)\n Next\n s = s & "
         "s\n"
         " Main = s\nEnd Function",
         "String:a1x2x3xa1x2x3x"},
        {"for fractional step",
         "Function Main()\n For x = 0 To 1 Step 0.25\n n = n + 1\n Next\n Main = n\nEnd Function",
         "Integer:5"},
        {"for each over an array",
         "Function Main()\n For Each v In Array(1, 2, 3)\n s = s + v\n Next\n Main = s\nEnd Function",
         "Integer:6"},
        {"do while", "Function Main()\n Do While i < 5\n i = i + 1\n Loop\n Main = i\nEnd Function",
         "Integer:5"},
        {"do until", "Function Main()\n Do Until i >= 3\n i = i + 1\n Loop\n Main = i\nEnd Function",
         "Integer:3"},
        {"loop while runs once",
         "Function Main()\n Do\n i = i + 1\n Loop While False\n Main = i\nEnd Function", "Integer:1"},
        {"loop until", "Function Main()\n Do\n i = i + 2\n Loop Until i > 5\n Main = i\nEnd Function",
         "Integer:6"},
        {"while wend", "Function Main()\n While i < 4\n i = i + 1\n Wend\n Main = i\nEnd Function",
         "Integer:4"},
        {"exit do",
         "Function Main()\n Do\n i = i + 1\n If i = 7 Then Exit Do\n Loop\n Main = i\nEnd Function",
         "Integer:7"},
        {"exit for leaves the inner loop only",
         "Function Main()\n For i = 1 To 3\n For j = 1 To 10\n If j = 2 Then Exit For\n n = n + 1\n Next\n "
         "Next\n Main = n\nEnd Function",
         "Integer:3"},
        {"exit do from inside a for",
         "Function Main()\n Do\n For i = 1 To 5\n If i = 3 Then Exit Do\n Next\n Loop\n Main = i\nEnd "
         "Function",
         "Integer:3"},
        {"exit function from a loop",
         "Function Main()\n For i = 1 To 100\n If i = 4 Then\n Main = i\n Exit Function\n End If\n Next\n "
         "Main = -1\nEnd Function",
         "Integer:4"},
    });
}

TEST(ScriptStatements, IfAndSelectCase) {
    checkScripts({
        {"elseif chain",
         "Function Main()\n x = 5\n If x < 3 Then\n Main = \"a\"\n ElseIf x < 6 Then\n Main = \"b\"\n Else\n "
         "Main = \"c\"\n End If\nEnd Function",
         "String:b"},
        {"one-line if with else and colons",
         "Function Main()\n If 1 > 2 Then a = 1 : b = 2 Else a = 3 : b = 4\n Main = a & b\nEnd Function",
         "String:34"},
        {"null condition is false", "Function Main()\n If Null Then Main = 1 Else Main = 2\nEnd Function",
         "Integer:2"},
        {"select with lists",
         "Function Main()\n For Each v In Array(1, 4, 9, 2)\n Select Case v\n Case 1, 2\n s = s & \"a\"\n"
         " Case 3, 4, 5\n s = s & \"b\"\n Case Else\n s = s & \"d\"\n End Select\n Next\n"
         " Select Case \"x\" & s\n Case \"x\", \"xabda\" : s = s & \"!\"\n End Select\n"
         " Main = s\nEnd Function",
         "String:abda!"},
        {"select without a match",
         "Function Main()\n Main = \"none\"\n Select Case 7\n Case 1\n Main = \"one\"\n End Select\nEnd "
         "Function",
         "String:none"},
    });
}

TEST(ScriptClasses, PropertiesMethodsAndLifetime) {
    const char* cls =
        "Dim terminated\n"
        "Class Counter\n"
        " Private m_n\n"
        " Public Name\n"
        " Private Sub Class_Initialize()\n  m_n = 10\n End Sub\n"
        " Private Sub Class_Terminate()\n  terminated = terminated + 1\n End Sub\n"
        " Public Default Property Get Value()\n  Value = m_n\n End Property\n"
        " Public Property Let Value(v)\n  m_n = v\n End Property\n"
        " Public Function Add(n)\n  m_n = m_n + n\n  Set Add = Me\n End Function\n"
        " Public Property Get Twice()\n  Twice = Me.Value * 2\n End Property\n"
        "End Class\n"
        "Class Holder\n"
        " Private m_o, m_items(3)\n"
        " Public Property Set Inner(o)\n  Set m_o = o\n End Property\n"
        " Public Property Get Inner()\n  Set Inner = m_o\n End Property\n"
        " Public Property Get Item(i)\n  Item = m_items(i)\n End Property\n"
        " Public Property Let Item(i, v)\n  m_items(i) = v\n End Property\n"
        "End Class\n";
    checkScripts(
        {
            {"initialize and default property",
             "Function Main()\n Set c = New Counter\n Main = c + 1\nEnd Function", "Integer:11"},
            {"property let and chained method",
             "Function Main()\n Dim c\n Set c = New Counter\n c.Value = 3\n c.Add(2).Add 5\n Main = c.Value "
             "& \"/\" & c.Twice\nEnd Function",
             "String:10/20"},
            {"public field and with",
             "Function Main()\n Dim c\n Set c = New Counter\n With c\n .Name = \"n\"\n .Value = 1\n End "
             "With\n Main = c.Name & c.Value\nEnd Function",
             "String:n1"},
            {"terminate when the last reference goes",
             "Function Main()\n Dim c\n Set c = New Counter\n Set c = Nothing\n Main = terminated\nEnd "
             "Function",
             "Integer:1"},
            {"property set and indexed properties",
             "Function Main()\n Set h = New Holder\n Set h.Inner = New Counter\n h.Inner.Value = 7\n"
             " h.Item(2) = \"x\"\n Main = h.Inner.Value & h.Item(2) & IsEmpty(h.Item(1))\nEnd Function",
             "String:7xVero"},
            {"is and nothing",
             "Function Main()\n Dim a, b\n Set a = New Counter\n Set b = a\n Main = (a Is b) & (b Is "
             "Nothing) & TypeName(a)\nEnd Function",
             "String:VeroFalsoCounter"},
        },
        cls);
    for (const char* c : {"Function Main()\n Set c = New Counter\n Main = c.m_n\nEnd Function",
                          "Function Main()\n Set c = New Counter\n c.Nope 1\nEnd Function"}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(errorOf(QString::fromUtf8(cls) + QString::fromUtf8(c)).number(), 438);
    }
    // A class used before its Class block, in a later text.
    script::ScriptControl sc;
    sc.AddCode("Function Main()\n Set o = New Later\n Main = o.X\nEnd Function");
    sc.AddCode("Class Later\n Public X\n Sub Class_Initialize : X = 42 : End Sub\nEnd Class");
    EXPECT_EQ(describe(sc.Run("Main")), "Integer:42");
}

TEST(ScriptErrors, ResumeNextInsideAndAcrossProcedures) {
    checkScripts({
        {"resume next and err",
         "Function Main()\n On Error Resume Next\n x = 1 / 0\n Main = Err.Number & \" \" & Err.Description & "
         "\" \" & x\nEnd Function",
         "String:11 Divisione per zero "},
        {"error in a callee reaches the caller's handler",
         "Sub Fails()\n x = 1\n y = \"a\" * 2\n x = 2\nEnd Sub\n"
         "Function Main()\n On Error Resume Next\n Fails\n Main = Err.Number & \"-\" & \"after\"\nEnd "
         "Function",
         "String:13-after"},
        {"a callee's own handler keeps the error inside",
         "Function Safe()\n On Error Resume Next\n Safe = 1 / 0\n Safe = \"ok\"\nEnd Function\n"
         "Function Main()\n Main = Safe()\nEnd Function",
         "String:ok"},
        {"err.raise with own number and description",
         "Function Main()\n On Error Resume Next\n Err.Raise 1001, \"Mio\", \"Qualcosa non va\"\n"
         " Main = Err.Number & \"|\" & Err.Source & \"|\" & Err.Description\nEnd Function",
         "String:1001|Mio|Qualcosa non va"},
        {"err.clear and on error goto 0 clear the error",
         "Function Main()\n On Error Resume Next\n x = 1/0\n a = Err.Number\n Err.Clear\n b = Err.Number\n"
         " x = 1/0\n On Error GoTo 0\n Main = a & b & Err.Number\nEnd Function",
         "String:1100"},
        {"err alone is its number",
         "Function Main()\n On Error Resume Next\n Err.Raise 5\n If Err Then Main = Err.Description\nEnd "
         "Function",
         "String:Chiamata di routine o argomento non valido"},
    });
    // Without a handler the error leaves with its number; after On Error GoTo 0 too.
    EXPECT_EQ(
        errorOf("Function Main()\n On Error Resume Next\n On Error GoTo 0\n x = 1/0\nEnd Function").number(),
        11);
    EXPECT_EQ(errorOf("Function Main()\n Err.Raise 9\nEnd Function").description(),
              "Indice non incluso nell'intervallo");
}

TEST(ScriptErrors, LinesOfSyntaxAndRuntimeErrors) {
    // Syntax error on the third line of the text.
    try {
        script::ScriptControl sc;
        sc.AddCode("Function NewProgr(objDS)\r\nx = 1\r\nIf x = Then\r\nEnd Function\r\n");
        FAIL() << "no error";
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.line(), 3);
        EXPECT_EQ(e.number(), 1023);
        EXPECT_GT(e.column(), 1);
    }
    struct {
        const char* text;
        int line;
        long number;
    } compile[] = {
        {"Sub A()\n x = 1\n", 3, 1016},             // missing End Sub
        {"x = \"abc\n", 1, 1033},                   // unterminated string
        {"For i = 1 To 3\n y = i\n", 3, 1020},      // missing Next
        {"Sub A()\n Exit Do\nEnd Sub\n", 2, 1039},  // Exit Do outside a loop
        {"Dim a\nDim a\n", 2, 1041},                // name declared twice
        {"x = 1 +\n", 1, 1023},
        {"Foo(1, 2)\n", 1, 1044},
        {"x = 1\nConst A = 1 / 0\n", 2,
         11},  // a constant that cannot be computed  // parentheses around a Sub's arguments
        {"x = @\n", 1, 1032},
        {"x = ((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
         "((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((((("
         "((((((((((((((((((((1\n",
         1, 28},  // nesting beyond any real script
    };
    for (const auto& c : compile) {
        SCOPED_TRACE(c.text);
        script::ScriptControl sc;
        try {
            sc.AddCode(QString::fromUtf8(c.text));
            ADD_FAILURE() << "no error";
        } catch (const core::AppError& e) {
            EXPECT_EQ(e.number(), c.number);
            EXPECT_EQ(e.line(), c.line);
            EXPECT_EQ(sc.Error().Line, c.line);
            EXPECT_EQ(sc.Error().Number, c.number);
        }
    }
    // Run-time error on line 4, raised two calls deep: the line is where it happened.
    const auto e = errorOf(
        "Function Main()\n"
        " Main = Inner(0)\n"
        "End Function\n"
        "Function Inner(d)\n Inner = 10 / d\nEnd Function\n");
    EXPECT_EQ(e.number(), 11);
    EXPECT_EQ(e.line(), 5);
    EXPECT_EQ(e.description(), "Divisione per zero");
}

TEST(ScriptErrors, OptionExplicitAndUndefinedNames) {
    EXPECT_EQ(errorOf("Option Explicit\nFunction Main()\n Dim a\n a = b\nEnd Function").number(), 500);
    EXPECT_EQ(errorOf("Option Explicit\nFunction Main()\n c = 1\nEnd Function").number(), 500);
    EXPECT_EQ(describe(runScript("Option Explicit\nDim g\nFunction Main()\n g = 2\n Main = g\nEnd Function")),
              "Integer:2");
    EXPECT_EQ(errorOf("Function Main()\n NoSuchSub 1\nEnd Function").number(), 35);
    EXPECT_EQ(errorOf("Function Main()\n Dim a(2)\n Main = a(3)\nEnd Function").number(), 9);
    EXPECT_EQ(errorOf("Function Main()\n Dim o\n Main = o.Name\nEnd Function").number(), 424);
    EXPECT_EQ(errorOf("Function Main()\n Set o = Nothing\n Main = o.Name\nEnd Function").number(), 91);
    EXPECT_EQ(errorOf("Sub S(a)\nEnd Sub\nFunction Main()\n S 1, 2\nEnd Function").number(), 450);
    EXPECT_EQ(errorOf("Function Main()\n Main = Len(\"a\", \"b\")\nEnd Function").number(), 450);
    // A built-in given a count of arguments it does not take fails when the
    // call runs, on its line.
    const core::AppError wrongCount =
        errorOf("Function Main()\n If False Then Main = Left(\"a\")\n Main = Mid(\"abc\")\nEnd Function");
    EXPECT_EQ(wrongCount.number(), 450);
    EXPECT_EQ(wrongCount.line(), 3);
    EXPECT_EQ(errorOf("Function Main()\n Main = Deep(1)\nEnd Function\nFunction Deep(n)\n Deep = Deep(n + "
                      "1)\nEnd Function")
                  .number(),
              28);
}

TEST(ScriptStatements, BuiltinsShadowedByScriptNames) {
    EXPECT_EQ(describe(runScript("Function Left(s, n)\n Left = \"mine\"\nEnd Function\n"
                                 "Function Main()\n Main = Left(\"abc\", 1) & Len(\"abc\")\nEnd Function")),
              "String:mine3");
    EXPECT_EQ(describe(runBody("T = Left(\"abcdef\", 2) & Mid(\"abcdef\", 3, 2) & vbTab")), "String:abcd\t");
}

}  // namespace
