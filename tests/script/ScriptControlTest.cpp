// The script control: Run with by-reference arguments, host objects, the
// time-out and the stop flag, and the numbering scripts against a fake data
// source.

#include "ScriptHelpers.h"

#include "core/Clock.h"
#include "core/ObjectBinding.h"
#include "script/Errors.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QThread>

using core::CallArgs;
using core::MemberTable;
using core::Variant;
using scripttest::describe;

namespace {

// A page-like object: indexed property, method with a by-reference argument,
// a default member, a collection and a chained child.
class FakePage : public core::Object {
  public:
    QMap<QString, Variant> vars;
    QStringList printed;
    int depth = 0;

    QString typeName() const override { return QStringLiteral("FakePage"); }
    Variant invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) override {
        static const auto table =
            MemberTable::of<FakePage>()
                .property(
                    "Vars", [](FakePage& p, const CallArgs& a) { return p.vars.value(a.string(0)); },
                    [](FakePage& p, const CallArgs& a, const Variant& v) { p.vars[a.string(0)] = v; }, 1, 1)
                .method("TxtOut", 3, 4,
                        [](FakePage& p, const CallArgs& a) {
                            p.printed << a.string(2);
                            return Variant();
                        })
                .method("Swap", 1, 1,
                        [](FakePage&, const CallArgs& a) {
                            a.setRef(0, Variant(std::int16_t(99)));
                            return Variant();
                        })
                .property("Title", [](FakePage&, const CallArgs&) { return Variant("Pagina"); })
                .property("Name", [](FakePage& p, const CallArgs&) { return Variant(p.depth); })
                .property("Child",
                          [](FakePage& p, const CallArgs&) {
                              auto c = std::make_shared<FakePage>();
                              c->depth = p.depth + 1;
                              return Variant(c);
                          })
                .property("Items",
                          [](FakePage& p, const CallArgs&) {
                              auto c = std::make_shared<FakePage>();
                              c->depth = -1;
                              return Variant(c);
                          })
                .defaultMember("Title")
                .build();
        return table.invoke(*this, name, kind, args);
    }
    std::vector<Variant> enumerate() override {
        if (depth != -1) return core::Object::enumerate();
        return {Variant("a"), Variant("b"), Variant("c")};
    }
};

TEST(ScriptControl, RunPassesTheCallersVariablesByReference) {
    script::ScriptControl sc;
    sc.setLanguage("VBScript");
    sc.AddCode(
        "Function PrintReportRow(dsRow, prn, nRow)\r\n"
        "  nRow = nRow + 1\r\n"
        "  Set prn = dsRow\r\n"
        "  PrintReportRow = True\r\n"
        "End Function\r\n"
        "Function Keep(ByVal v)\r\n  v = 0\r\nEnd Function\r\n");
    auto a = std::make_shared<FakePage>();
    auto b = std::make_shared<FakePage>();
    std::vector<Variant> args{Variant(a), Variant(b), Variant(std::int32_t(4))};
    EXPECT_TRUE(sc.Run("printreportrow", args).toBool());
    EXPECT_EQ(describe(args[2]), "Long:5");
    EXPECT_EQ(args[1].objectValue().get(), a.get());  // the script replaced prn
    std::vector<Variant> one{Variant(std::int16_t(7))};
    EXPECT_TRUE(sc.Run("Keep", one).isEmpty());  // never assigned: Empty, which means False
    EXPECT_EQ(describe(one[0]), "Integer:7");
    EXPECT_EQ(sc.Error().Number, 0);

    try {
        sc.Run("Missing");
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.number(), 35);
        EXPECT_EQ(sc.Error().Number, 35);
    }
    EXPECT_THROW(sc.Run("Keep"), core::AppError);  // wrong number of arguments
    EXPECT_EQ(sc.Error().Number, 450);

    sc.Reset();
    EXPECT_FALSE(sc.HasProcedure("Keep"));
    EXPECT_THROW(sc.setLanguage("JScript"), core::AppError);
}

TEST(ScriptControl, HostObjectsByNameAndAsArguments) {
    script::ScriptControl sc;
    auto page = std::make_shared<FakePage>();
    sc.AddObject("prn", page);
    sc.AddCode(
        "Function Main(n)\n"
        "  prn.Vars(\"Totale\") = 5\n"
        "  prn.Vars(\"Totale\") = prn.Vars(\"Totale\") + 1\n"
        "  prn.TxtOut 0, 0, \"Ciao\"\n"
        "  Call prn.TxtOut(1, 1, \"Due\")\n"
        "  prn.Swap n\n"
        "  For Each it In prn.Items : s = s & it : Next\n"
        "  With prn.Child\n    d = .Child.Name\n  End With\n"
        "  Main = prn.Vars(\"Totale\") & \"|\" & prn & \"|\" & s & \"|\" & d\n"
        "End Function\n");
    std::vector<Variant> args{Variant(std::int16_t(1))};
    EXPECT_EQ(describe(sc.Run("Main", args)), "String:6|Pagina|abc|2");
    EXPECT_EQ(describe(args[0]), "Integer:99");
    EXPECT_EQ(page->printed, QStringList({"Ciao", "Due"}));

    // A missing member and a bad argument count surface with the script line.
    sc.AddCode("Sub Bad()\n  x = 1\n  prn.NoSuchMember\nEnd Sub\nSub Bad2()\n  prn.TxtOut 1\nEnd Sub\n");
    try {
        sc.Run("Bad");
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.number(), 438);
        EXPECT_EQ(sc.Error().Line, 3);
    }
    EXPECT_THROW(sc.Run("Bad2"), core::AppError);
    EXPECT_EQ(sc.Error().Number, 450);
    EXPECT_EQ(sc.Error().Line, 6);
}

// A page object whose method calls back into the script that is running it,
// as a report page calls the mask procedure when a module ends.
class CallbackPage : public core::Object {
  public:
    script::ScriptControl* sc = nullptr;
    QString typeName() const override { return QStringLiteral("CallbackPage"); }
    Variant invoke(const QString& name, core::CallKind, std::span<Variant* const> args) override {
        if (name.compare("Reset", Qt::CaseInsensitive) == 0) {
            sc->Reset();
            return Variant();
        }
        if (name.compare("NextReportModule", Qt::CaseInsensitive) != 0) core::raiseMemberNotFound();
        std::vector<Variant> maskArgs{Variant(std::int16_t(1))};
        return sc->Run("PrintReportMask", maskArgs);
    }
};

TEST(ScriptControl, HostCallsBackIntoTheRunningScript) {
    script::ScriptControl sc;
    auto page = std::make_shared<CallbackPage>();
    page->sc = &sc;
    sc.AddCode(
        "Dim masks\n"
        "Function PrintReportMask(n)\n masks = masks + n\n PrintReportMask = True\nEnd Function\n"
        "Function PrintReportRow(prn)\n For i = 1 To 3\n prn.NextReportModule\n Next\n"
        " PrintReportRow = masks\nEnd Function\n");
    std::vector<Variant> args{Variant(page)};
    EXPECT_EQ(describe(sc.Run("PrintReportRow", args)), "Integer:3");
    // Resetting the control from inside its own call is refused.
    sc.AddCode("Sub Reset(prn)\n prn.Reset\nEnd Sub");
    EXPECT_THROW(sc.Run("Reset", args), core::AppError);
    EXPECT_EQ(sc.Error().Number, 5);
    EXPECT_TRUE(sc.HasProcedure("PrintReportMask"));
}

TEST(ScriptControl, ScriptObjectsOutliveTheControl) {
    std::shared_ptr<core::Object> kept;
    {
        script::ScriptControl sc;
        sc.AddCode(
            "Class K\n Public V\n Sub Class_Terminate\n V = 0\n End Sub\nEnd Class\n"
            "Function Make()\n Set Make = New K\n Make.V = 3\nEnd Function");
        const Variant made = sc.Run("Make");
        kept = made.objectValue();
        Variant* none = nullptr;
        EXPECT_EQ(
            describe(kept->invoke("v", core::CallKind::PropertyGet, std::span<Variant* const>(&none, 0))),
            "Integer:3");
    }
    EXPECT_EQ(kept->typeName(), "K");
    try {
        kept->invoke("V", core::CallKind::PropertyGet, {});
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_NE(e.number(), 0);
    }
    kept.reset();  // no terminate runs once the engine is gone
}

TEST(ScriptControl, TerminateOutsideACallStillHasTheTimeout) {
    script::ScriptControl sc;
    sc.setTimeout(100);
    sc.AddCode(
        "Dim count\nClass Stuck\n Sub Class_Terminate\n count = count + 1\n Do : Loop\n End Sub\nEnd Class\n"
        "Function Make()\n Set Make = New Stuck\nEnd Function\nFunction Terminated()\n Terminated = "
        "count\nEnd Function");
    Variant made = sc.Run("Make");
    QElapsedTimer t;
    t.start();
    made = Variant();  // the last reference goes outside any call
    EXPECT_LT(t.elapsed(), 3000);
    EXPECT_EQ(describe(sc.Run("Terminated")), "Integer:1");
}

namespace {
// Stopper.Pass: lets the script's time run out, without looking at it.
class Stopper : public core::Object {
  public:
    QString typeName() const override { return QStringLiteral("Stopper"); }
    Variant invoke(const QString&, core::CallKind, std::span<Variant* const>) override {
        QThread::msleep(30);
        return Variant();
    }
};
}  // namespace

// The time-out found as a deferred Class_Terminate starts (the run's 64th
// step, the terminate's call: the call of Main, 62 turns of the loop) is
// raised at the statement that let go of the instance, or at the end of the
// procedure whose end did.
TEST(ScriptControl, ATimeOutInADeferredTerminateNamesTheStatementsLine) {
    script::ScriptControl sc;
    sc.setTimeout(5);
    sc.AddObject(QStringLiteral("Stopper"), std::make_shared<Stopper>());
    sc.AddCode(
        "Class C\n Sub Class_Terminate\n  x = 1\n End Sub\nEnd Class\n"
        "Sub Dropped()\n Dim o\n Set o = New C\n Stopper.Pass\n For i = 1 To 62 : Next\n Set o = Nothing\n"
        "End Sub\n"
        "Sub LeftAtTheEnd()\n Dim o\n Set o = New C\n Stopper.Pass\n For i = 1 To 62 : Next\nEnd Sub\n");
    for (const auto& [proc, line] : {std::pair{"Dropped", 11}, std::pair{"LeftAtTheEnd", 17}}) {
        SCOPED_TRACE(proc);
        try {
            sc.Run(proc);
            ADD_FAILURE() << "not stopped";
        } catch (const core::AppError& e) {
            EXPECT_EQ(e.number(), script::kErrScriptAborted);
            EXPECT_EQ(e.line(), line);
            EXPECT_EQ(sc.Error().Line, line);
        }
    }
}

TEST(ScriptControl, TimeoutStopsAnEndlessLoop) {
    script::ScriptControl sc;
    sc.setTimeout(200);
    // Resume Next does not swallow the stop.
    sc.AddCode(
        "Sub Forever()\n  On Error Resume Next\n  Do\n    x = x + 1\n  Loop\nEnd Sub\n"
        "Sub Recurse()\n  Recurse2\nEnd Sub\nSub Recurse2()\n  While True : Wend\nEnd Sub\n"
        // Calls without a loop, each straight into the function's frame.
        "Function Fib(n)\n  If n < 2 Then\n    Fib = n\n  Else\n    Fib = Fib(n - 1) + Fib(n - 2)\n  End If\n"
        "End Function\nSub Calls()\n  x = Fib(60)\nEnd Sub\n");
    for (const char* proc : {"Forever", "Recurse", "Calls"}) {
        SCOPED_TRACE(proc);
        QElapsedTimer t;
        t.start();
        try {
            sc.Run(proc);
            FAIL();
        } catch (const core::AppError& e) {
            EXPECT_NE(e.number(), 0);
            EXPECT_FALSE(e.cancelled());
            EXPECT_GT(e.line(), 0);
        }
        EXPECT_GE(t.elapsed(), 190);
        EXPECT_LT(t.elapsed(), 3000);
    }
    // The control is usable again afterwards.
    sc.AddCode("Function Ok()\n Ok = 1\nEnd Function");
    EXPECT_EQ(describe(sc.Run("Ok")), "Integer:1");
}

TEST(ScriptControl, StopFlagAndPollCallback) {
    script::ScriptControl sc;
    std::atomic<bool> stop{false};
    int polls = 0;
    sc.setCancelFlag(&stop);
    sc.setPollCallback([&] {
        if (++polls == 2) stop = true;
    });
    sc.AddCode("Sub Forever()\n For i = 1 To 2 Step 0\n Next\nEnd Sub");
    try {
        sc.Run("Forever");
        FAIL();
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.cancelled());
    }
    EXPECT_EQ(polls, 2);
}

// ---- the numbering scripts against a fake data source ----

class FakeObject : public core::Object {
  public:
    explicit FakeObject(QString type) : type_(std::move(type)) {}
    QString typeName() const override { return type_; }
    Variant invoke(const QString& name, core::CallKind, std::span<Variant* const> args) override {
        auto it = members.find(name.toLower());
        if (it == members.end()) core::raiseMemberNotFound();
        return it->second(CallArgs(args));
    }
    std::map<QString, std::function<Variant(const CallArgs&)>> members;

  private:
    QString type_;
};

// A data source of orders (or customers) whose agent is A001.
std::shared_ptr<FakeObject> fakeDataSource(const QString& table, const QString& column,
                                           const QStringList& stored, const QString& workstation) {
    auto db = std::make_shared<FakeObject>("Database");
    db->members["state"] = [](const CallArgs&) { return Variant(std::int32_t(1)); };
    db->members["formatstringforquery"] = [](const CallArgs& a) {
        return Variant("'" + a.string(0).replace("'", "''") + "'");
    };
    auto agent = std::make_shared<FakeObject>("DataSource");
    agent->members["dataempty"] = [](const CallArgs&) { return Variant(false); };
    agent->members["colvaluestr"] = [](const CallArgs&) { return Variant("A001"); };
    auto tbl = std::make_shared<FakeObject>("Table");
    tbl->members["name"] = [table](const CallArgs&) { return Variant(table); };
    auto ds = std::make_shared<FakeObject>("DataSource");
    ds->members["database"] = [db](const CallArgs&) { return Variant(db); };
    ds->members["table"] = [tbl](const CallArgs&) { return Variant(tbl); };
    ds->members["getreference"] = [agent](const CallArgs&) { return Variant(agent); };
    ds->members["getsysparam"] = [workstation](const CallArgs&) { return Variant(workstation); };
    ds->members["rowoidquerystring"] = [](const CallArgs& a) {
        return Variant(a.whole(2) == 1 ? "OID<>7" : "OID=7");
    };
    ds->members["getdatasource"] = [stored, column](const CallArgs& a) {
        // The filter starts "Left(<column>,n)= '<prefix>'".
        static const QRegularExpression re(R"(Left\((\w+),\s*(\d+)\)=\s*'([^']*)')");
        const auto m = re.match(a.string(2));
        EXPECT_TRUE(m.hasMatch()) << a.string(2).toStdString();
        EXPECT_EQ(m.captured(1), column);
        auto result = std::make_shared<FakeObject>("DataSource");
        QString max;
        for (const QString& s : stored)
            if (s.left(m.captured(2).toInt()) == m.captured(3) && s > max) max = s;
        result->members["calculatecolvalue"] = [max](const CallArgs& c) {
            EXPECT_EQ(c.whole(1), 2);
            return max.isEmpty() ? Variant::null() : Variant(max);
        };
        return Variant(result);
    };
    return ds;
}

const char* kOrderScript =
    "' Numero d'ordine: agente, data, postazione e contatore\r\n"
    "Const CONV_TABLE_NUMBERS = \"1234567890ABCDEFGHILMNOPQRSTUVZ\"\r\n"
    "Const odbcMax = 2, omcMatchNotEqual = 1, oqoSimple = 0\r\n"
    "Dim objAgente, sAgente, sPostazione, nPostazione, sNumero, sMax, dOggi\r\n"
    "NewProgr = \"\"\r\n"
    "If objDS.Database.State <> odbsCheckUpdating Then\r\n"
    "  Set objAgente = objDS.GetReference(\"Agente\")\r\n"
    "  If objAgente.DataEmpty Then Exit Function\r\n"
    "  sAgente = Left(objAgente.ColValueStr(\"Codice\"), 4)\r\n"
    "  sPostazione = objDS.GetSysParam(\"CodicePostazione\")\r\n"
    "  If sPostazione = \"\" Then Exit Function\r\n"
    "  nPostazione = CInt(sPostazione)\r\n"
    "  If nPostazione > 15 Then Exit Function\r\n"
    "  dOggi = Now\r\n"
    "  sNumero = sAgente & Mid(CONV_TABLE_NUMBERS, CInt(Right(CStr(Year(dOggi)), 2)), 1) _\r\n"
    "          & Mid(CONV_TABLE_NUMBERS, Month(dOggi), 1) & Mid(CONV_TABLE_NUMBERS, Day(dOggi), 1) _\r\n"
    "          & Hex(nPostazione) & \"00\"\r\n"
    "  sMax = objDS.GetDataSource(objDS.Table.Name, oqoSimple, \"Left(Numero,4)=\" & _\r\n"
    "         objDS.Database.FormatStringForQuery(sAgente) & \" AND \" & _\r\n"
    "         objDS.RowOIDQueryString(\"\", \"\", omcMatchNotEqual)"
    ").CalculateColValue(\"Numero\", odbcMax)\r\n"
    "  If sMax >= sNumero Then\r\n"
    "    sNumero = Left(sMax, 7) & Right(\"000\" & Hex(CLng(\"&H\" & Mid(sMax, 8)) + 1), 3)\r\n"
    "  End If\r\n"
    "  NewProgr = sNumero\r\n"
    "End If";

const char* kCustomerScript =
    "Dim sPref, sAgente, sCodice, sMax, d\r\n"
    "Const CONV_TABLE_NUMBERS = \"1234567890ABCDEFGHILMNOPQRSTUVZ\"\r\n"
    "Const odbcMax = 2, omcMatchNotEqual = 1, oqoSimple = 0\r\n"
    "NewProgr = \"\"\r\n"
    "If objDS.Database.State = odbsCheckUpdating Then Exit Function\r\n"
    "sPref = \"NEW\"\r\n"
    "If objDS.GetReference(\"Agente\").DataEmpty Then Exit Function\r\n"
    "sAgente = Left(objDS.GetReference(\"Agente\").ColValueStr(\"Codice\"), 4)\r\n"
    "d = Date\r\n"
    "sCodice = sPref & sAgente & Mid(CONV_TABLE_NUMBERS, CInt(Right(CStr(Year(d)), 2)), 1) & _\r\n"
    "  Mid(CONV_TABLE_NUMBERS, Month(d), 1) & Mid(CONV_TABLE_NUMBERS, Day(d), 1) & \"000\"\r\n"
    "sMax = objDS.GetDataSource(objDS.Table.Name, oqoSimple, \"Left(Codice,\" & Len(sPref & sAgente) & "
    "\")= \" & _\r\n"
    "  objDS.Database.FormatStringForQuery(sPref & sAgente) & \" AND \" & objDS.RowOIDQueryString(\"\", "
    "\"\", 1) _\r\n"
    "  ).CalculateColValue(\"Codice\", odbcMax)\r\n"
    "If sMax >= sCodice Then\r\n"
    "  sCodice = Left(sMax, Len(sPref & sAgente) + 3) & _\r\n"
    "    Right(\"000\" & Hex(CLng(\"&H\" & Mid(sMax, Len(sPref & sAgente) + 4)) + 1), 3)\r\n"
    "End If\r\n"
    "NewProgr = sCodice";

QString wrap(const char* body) {
    return QStringLiteral("Function NewProgr(objDS)\r\n") + QString::fromUtf8(body) +
           QStringLiteral("\r\nEnd Function\r\n");
}

Variant number(const char* script, const QString& table, const QString& column, const QStringList& stored,
               const QString& workstation = "3") {
    script::ScriptControl sc;
    sc.setLanguage("vbscript");
    sc.AddCode(wrap(script));
    std::vector<Variant> args{Variant(fakeDataSource(table, column, stored, workstation))};
    return sc.Run("NewProgr", args);
}

TEST(ScriptNumbering, OrderNumbers) {
    core::FixedClock clock(2026, 8, 8, 10, 30);
    struct {
        QStringList stored;
        const char* expected;
    } cases[] = {
        {{}, "A001R88300"},
        {{"A001R88300"}, "A001R88301"},
        {{"A001R88300", "A001R883FF", "B002R883FF"}, "A001R88400"},
        {{"A001R88300", "A001R8C301"}, "A001R8C302"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.join(",").toStdString());
        EXPECT_EQ(describe(number(kOrderScript, "Ordini", "Numero", c.stored)),
                  QStringLiteral("String:") + c.expected);
    }
    EXPECT_EQ(describe(number(kOrderScript, "Ordini", "Numero", {}, "")), "String:");
    EXPECT_EQ(describe(number(kOrderScript, "Ordini", "Numero", {}, "16")), "String:");
    // Characters after the seventh that are not hexadecimal make the script fail.
    EXPECT_THROW(number(kOrderScript, "Ordini", "Numero", {"A001R88ZZZ"}), core::AppError);
}

TEST(ScriptNumbering, CustomerCodes) {
    core::FixedClock clock(2004, 3, 15);
    struct {
        QStringList stored;
        const char* expected;
    } cases[] = {
        {{}, "NEWA00143E000"},
        {{"NEWA00143E000"}, "NEWA00143E001"},
        {{"NEWA00143E009"}, "NEWA00143E00A"},
        {{"NEWA00143E00F"}, "NEWA00143E010"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.join(",").toStdString());
        EXPECT_EQ(describe(number(kCustomerScript, "Clienti", "Codice", c.stored)),
                  QStringLiteral("String:") + c.expected);
    }
}

TEST(ScriptNumbering, SyntaxErrorLineWithinTheStoredText) {
    script::ScriptControl sc;
    try {
        sc.AddCode(wrap("Dim a\r\na = 1\r\nIf a Then Then\r\nNewProgr = a"));
        FAIL();
    } catch (const core::AppError&) {
        // The wrapper adds one line in front: line 3 of the stored text.
        EXPECT_EQ(sc.Error().Line - 1, 3);
    }
}

}  // namespace
