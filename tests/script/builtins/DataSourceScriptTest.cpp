// Scripts against a real data source of the data library: the default order
// numbering script with a fixed clock, the members that layouts use, and
// parts of texts written into the file.

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/Prompt.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Interfaces.h"
#include "script/ScriptControl.h"
#include "support/AgentDatabase.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

using core::Variant;
using datalib::DataSource;

namespace {

// Agents and their orders, with no rules of their own.
class Table : public datalib::itfDefTable, public datalib::itfSetData {
  public:
    using Structure = std::function<void(datalib::ColumnCollection&, datalib::KeyCollection&,
                                         datalib::ReferenceCollection&)>;
    Table(QString name, Structure structure) : name_(std::move(name)), structure_(std::move(structure)) {}
    QString TableName() const override { return name_; }
    void DefineIdentity(datalib::TableIdentity& id) override { id.SetVersion(1.0); }
    void DefineStructure(datalib::ColumnCollection& c, datalib::KeyCollection& k,
                         datalib::ReferenceCollection& r) override {
        structure_(c, k, r);
    }
    void DefineDefaultData(datalib::itfSetData*& sink) override { sink = this; }

  private:
    QString name_;
    Structure structure_;
};

class Definition : public datalib::itfDefDatabase {
  public:
    void Define(datalib::TableRegistry& reg) override {
        using namespace datalib;
        reg.RegisterTable(std::make_shared<Table>(
            QStringLiteral("Agenti"), [](ColumnCollection& c, KeyCollection& k, ReferenceCollection&) {
                c.Add(QStringLiteral("Codice"), coltype::Code, 16);
                c.Add(QStringLiteral("RagioneSociale"), coltype::Text, 127);
                k.Add(QStringLiteral("Codice"), true);
            }));
        reg.RegisterTable(std::make_shared<Table>(
            QStringLiteral("Ordini"), [](ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) {
                c.Add(QStringLiteral("Numero"), coltype::Code, 16);
                c.Add(QStringLiteral("DataOrdine"), coltype::Date);
                c.Add(QStringLiteral("TotaleDocumento"), coltype::Money);
                r.Add(QStringLiteral("Agente"), QStringLiteral("Agenti"), false, false,
                      QStringLiteral("Codice"), QStringLiteral("RagioneSociale"));
                k.Add(QStringLiteral("Numero"), false, QStringLiteral("InxOrdini"));
            }));
    }
};

struct Fixture {
    QTemporaryDir dir;
    Definition def;
    testsupport::AgentDatabase data;
    std::shared_ptr<datalib::Database> db;

    Fixture() : data(options(dir, def)), db(data.dbPtr()) {
        auto agents = db->OpenDataSource(QStringLiteral("Agenti"));
        agents->InsertFromPairs({"Codice", "A001", "RagioneSociale", "Rossi Mario"});
        agents->InsertFromPairs({"Codice", "B002", "RagioneSociale", "Bianchi Anna"});
    }
    static testsupport::AgentDatabase::Options options(const QTemporaryDir& dir, Definition& def) {
        testsupport::AgentDatabase::Options o;
        o.file = dir.filePath(QStringLiteral("ZeltOrder_A001"));
        o.definition = &def;
        o.application = QStringLiteral("zelt");
        return o;
    }

    void storeOrder(const QString& number, const QString& agent) {
        db->OpenDataSource(QStringLiteral("Ordini"))->InsertFromPairs({"Numero", number, "Agente", agent});
    }

    // A new order of the agent, not yet saved, as the order table numbers it.
    std::shared_ptr<DataSource> newOrder(const QString& agent) {
        auto ds = db->OpenDataSource(QStringLiteral("Ordini"));
        ds->AddNew();
        ds->SetReference(QStringLiteral("Agente"), agent);
        return ds;
    }
};

// The program's default text, wrapped as the order table wraps it.
const char* kDefaultOrderScript =
    "' Numero d'ordine: agente, anno, mese e giorno, postazione e contatore esadecimale\r\n"
    "Const CONV_TABLE_NUMBERS = \"1234567890ABCDEFGHILMNOPQRSTUVZ\"\r\n"
    "' Costanti della libreria dati\r\n"
    "Const odbcMax = 2\r\n"
    "Const omcMatchNotEqual = 1\r\n"
    "Const oqoSimple = 0\r\n"
    "Dim objAgente, sAgente, sPostazione, nPostazione, sNumero, sMax, dOggi\r\n"
    "NewProgr = \"\"\r\n"
    "If objDS.Database.State <> odbsCheckUpdating Then\r\n"
    "    Set objAgente = objDS.GetReference(\"Agente\")\r\n"
    "    If objAgente.DataEmpty Then Exit Function\r\n"
    "    sAgente = Left(objAgente.ColValueStr(\"Codice\"), 4)\r\n"
    "    sPostazione = objAgente.GetSysParam(\"CodicePostazione\")\r\n"
    "    If sPostazione = \"\" Then\r\n"
    "        MsgBox \"Postazione Corrente non impostata per l'Agente: \" & sAgente, vbExclamation\r\n"
    "        Exit Function\r\n"
    "    End If\r\n"
    "    nPostazione = CInt(sPostazione)\r\n"
    "    If nPostazione > 15 Then\r\n"
    "        MsgBox \"Progressivo Postazione Corrente oltre il max (15) supportato\", vbExclamation\r\n"
    "        Exit Function\r\n"
    "    End If\r\n"
    "    dOggi = Date\r\n"
    "    sNumero = sAgente & Mid(CONV_TABLE_NUMBERS, Right(Year(dOggi), 2), 1) & _\r\n"
    "        Mid(CONV_TABLE_NUMBERS, Month(dOggi), 1) & Mid(CONV_TABLE_NUMBERS, Day(dOggi), 1) & _\r\n"
    "        Hex(nPostazione) & \"00\"\r\n"
    "    sMax = objDS.GetDataSource(objDS.Table.Name, oqoSimple, \"Left(Numero,4)=\" & _\r\n"
    "        objDS.Database.FormatStringForQuery(sAgente) & \" AND \" & _\r\n"
    "        objDS.RowOIDQueryString(, , omcMatchNotEqual)).CalculateColValue(\"Numero\", odbcMax)\r\n"
    "    If sMax >= sNumero Then\r\n"
    "        sNumero = Left(sMax, 7) & Right(\"000\" & Hex(CLng(\"&H\" & Mid(sMax, 8)) + 1), 3)\r\n"
    "    End If\r\n"
    "    NewProgr = sNumero\r\n"
    "End If";

QString numberFor(const std::shared_ptr<DataSource>& order) {
    script::ScriptControl sc;
    sc.setLanguage(QStringLiteral("vbscript"));
    sc.AddCode(QStringLiteral("Function NewProgr(objDS)\r\n") + QString::fromUtf8(kDefaultOrderScript) +
               QStringLiteral("\r\nEnd Function\r\n"));
    std::vector<Variant> args{Variant(order)};
    return sc.Run(QStringLiteral("NewProgr"), args).toString();
}

}  // namespace

TEST(DataSourceScript, DefaultOrderNumbering) {
    struct {
        int day;
        QStringList storedA001;
        const char* expected;
    } cases[] = {
        {8, {}, "A001R88300"},
        {8, {"A001R88300"}, "A001R88301"},
        {8, {"A001R88300", "A001R883FF"}, "A001R88400"},  // the counter runs into the workstation digit
        {8, {"A001R88300", "A001R8C301"}, "A001R8C302"},  // a later date's number sorts above today's
        {10, {"A001R89305"}, "A001R89306"},               // day 10 is "0", which sorts below the 9th
    };
    for (const auto& c : cases) {
        core::FixedClock clock(2026, 8, c.day, 10, 30);
        Fixture f;
        f.db->SetSysParam(QStringLiteral("CodicePostazione"), QStringLiteral("3"));
        f.storeOrder(QStringLiteral("B002R8CFFF"),
                     QStringLiteral("B002"));  // another agent's numbers do not count
        for (const QString& n : c.storedA001) f.storeOrder(n, QStringLiteral("A001"));
        EXPECT_EQ(numberFor(f.newOrder(QStringLiteral("A001"))).toStdString(), c.expected)
            << c.storedA001.join(u',').toStdString();
    }
}

TEST(DataSourceScript, NumberThatIsNotHexadecimalFails) {
    core::FixedClock clock(2026, 8, 8);
    Fixture f;
    f.db->SetSysParam(QStringLiteral("CodicePostazione"), QStringLiteral("3"));
    f.storeOrder(QStringLiteral("A001R8C3ZZ"), QStringLiteral("A001"));
    try {
        numberFor(f.newOrder(QStringLiteral("A001")));
        FAIL() << "CLng of a text that is not hexadecimal must fail";
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.number(), 13);
        EXPECT_EQ(e.line() - 1, 31);  // the collision rule's line in the stored text
    }
}

TEST(DataSourceScript, WorkstationMessagesGiveNoNumber) {
    core::FixedClock clock(2026, 8, 8);
    core::ScriptedBoxes boxes;
    Fixture f;
    EXPECT_EQ(numberFor(f.newOrder(QStringLiteral("A001"))), QString());
    EXPECT_EQ(boxes.lastText(), "Postazione Corrente non impostata per l'Agente: A001");
    f.db->SetSysParam(QStringLiteral("CodicePostazione"), QStringLiteral("16"));
    EXPECT_EQ(numberFor(f.newOrder(QStringLiteral("A001"))), QString());
    EXPECT_EQ(boxes.lastText(), "Progressivo Postazione Corrente oltre il max (15) supportato");
    EXPECT_EQ(boxes.shown().size(), 2u);
}

TEST(DataSourceScript, FailingBuiltinReportsTheScriptLine) {
    core::FixedClock clock(2100, 1, 1);
    Fixture f;
    f.db->SetSysParam(QStringLiteral("CodicePostazione"), QStringLiteral("3"));
    script::ScriptControl sc;
    sc.setLanguage(QStringLiteral("vbscript"));
    sc.AddCode(QStringLiteral("Function NewProgr(objDS)\r\n") + QString::fromUtf8(kDefaultOrderScript) +
               QStringLiteral("\r\nEnd Function\r\n"));
    std::vector<Variant> args{Variant(f.newOrder(QStringLiteral("A001")))};
    try {
        sc.Run(QStringLiteral("NewProgr"), args);
        FAIL() << "Mid with index 0 must fail";
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.number(), 5);
        EXPECT_EQ(sc.Error().Line - 1, 24);  // the line of Mid(CONV_TABLE_NUMBERS, ...) in the stored text
    }
}

TEST(DataSourceScript, LayoutMembers) {
    core::FixedClock clock(2026, 8, 8);
    Fixture f;
    for (const char* n : {"A001R88302", "A001R88300", "A001R88301"})
        f.storeOrder(QString::fromLatin1(n), QStringLiteral("A001"));
    f.storeOrder(QStringLiteral("B002R88300"), QStringLiteral("B002"));
    auto ds = f.db->OpenDataSource(QStringLiteral("Ordini"));
    script::ScriptControl sc;
    sc.setLanguage(QStringLiteral("vbscript"));
    sc.AddCode(
        QStringLiteral("Function PrintDataInit(dsRow, prn)\r\n"
                       "  dsRow.SortOrder = \"Numero\"\r\n"
                       "  dsRow.Filter = \"Left(Numero,4)='A001'\"\r\n"
                       "  PrintDataInit = True\r\n"
                       "End Function\r\n"
                       "Function Elenco(ds)\r\n"
                       "  Dim s\r\n"
                       "  ds.RowFirst\r\n"
                       "  s = ds.GetReference(\"Agente\").ColValueStr(\"RagioneSociale\") & \":\"\r\n"
                       "  Do While Not ds.RowInvalid\r\n"
                       "    s = s & \" \" & ds.ColValue(\"Numero\")\r\n"
                       "    ds.RowNext\r\n"
                       "  Loop\r\n"
                       "  ds.RowLast\r\n"
                       "  Elenco = s & \" | \" & ds.RowCount(True) & \" \" & ds.ColValue(\"Numero\") & \" \" "
                       "& ds.Table.Name & _\r\n"
                       "    \" \" & ds.DataEmpty & \" \" & ds.SortOrder\r\n"
                       "End Function\r\n"));
    std::vector<Variant> args{Variant(ds), Variant::nothing()};
    EXPECT_TRUE(sc.Run(QStringLiteral("PrintDataInit"), args).toBool());
    std::vector<Variant> one{Variant(ds)};
    EXPECT_EQ(sc.Run(QStringLiteral("Elenco"), one).toString().toStdString(),
              "Rossi Mario: A001R88300 A001R88301 A001R88302 | 3 A001R88302 Ordini Falso Numero");

    // A column the data source does not have, and a reference it does not have.
    sc.AddCode(QStringLiteral(
        "Function Errata(ds)\r\nErrata = ds.GetReference(\"Cliente\").DataEmpty\r\nEnd Function\r\n"));
    EXPECT_THROW(sc.Run(QStringLiteral("Errata"), one), core::AppError);
    EXPECT_EQ(sc.Error().Line, 2);
}

// Parts of a text that share its characters (Left, Mid) are written into the
// file and looked for by their own characters, not by the rest of the text
// they were cut from.
TEST(DataSourceScript, PartsOfATextAreStoredAndFoundAsThemselves) {
    Fixture f;
    auto ds = f.db->OpenDataSource(QStringLiteral("Agenti"));
    script::ScriptControl sc;
    sc.setLanguage(QStringLiteral("vbscript"));
    sc.AddCode(
        QStringLiteral("Function Scrivi(ds)\r\n"
                       "  Dim s : s = \"C003\" & \"Verdi Luca e figli\"\r\n"
                       "  ds.AddNew\r\n"
                       "  ds.SetColValue \"Codice\", Left(s, 4)\r\n"
                       "  ds.SetColValue \"RagioneSociale\", Mid(s, 5, 10)\r\n"
                       "  ds.Save\r\n"
                       "  Scrivi = ds.GetDataSource(\"Agenti\", 0, \"Codice=\" & "
                       "ds.Database.FormatStringForQuery(Left(s, 4))).ColValueStr(\"RagioneSociale\")\r\n"
                       "End Function\r\n"));
    std::vector<Variant> args{Variant(ds)};
    EXPECT_EQ(sc.Run(QStringLiteral("Scrivi"), args).toString(), QStringLiteral("Verdi Luca"));
    auto stored = f.db->OpenDataSource(QStringLiteral("Agenti"), QStringLiteral("Codice='C003'"));
    ASSERT_FALSE(stored->DataEmpty());
    EXPECT_EQ(stored->ColValueStr(QStringLiteral("Codice")), QStringLiteral("C003"));
    EXPECT_EQ(stored->ColValueStr(QStringLiteral("RagioneSociale")), QStringLiteral("Verdi Luca"));
}
