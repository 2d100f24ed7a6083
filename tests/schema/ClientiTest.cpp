// Customers: the new code by the numbering script with a fixed clock, the
// head-office lock, the refused agent change and the tax-id checks.

#include "SchemaTestDb.h"

#include "core/Clock.h"
#include "schema/CustomerCodeScript.h"
#include "schema/NumberingScript.h"

#include <gtest/gtest.h>

using schematest::kNoRefusal;
using schematest::refusal;
using schematest::SchemaTestDb;

namespace {

class Customers : public ::testing::Test {
  protected:
    void useAgent(const QString& code) {
        t = std::make_unique<SchemaTestDb>(code);
        if (!code.isEmpty()) t->insert("Agenti", {{"Codice", code}, {"RagioneSociale", "Agente di prova"}});
    }
    QString newCustomer(const QString& name = "Cliente", const QString& code = QString()) {
        core::Variant key = code.isNull()
                                ? t->insert("Clienti", {{"RagioneSociale", name}})
                                : t->insert("Clienti", {{"RagioneSociale", name}, {"Codice", code}});
        auto ds = t->open("Clienti");
        EXPECT_TRUE(ds->MoveToKey(key));
        return ds->ColValueStr("Codice");
    }
    std::unique_ptr<SchemaTestDb> t;
};

}  // namespace

TEST_F(Customers, CodesFollowTheDayAndCountInHexadecimal) {
    useAgent("A001");
    core::FixedClock clock(2004, 3, 15, 9, 0, 0);
    EXPECT_EQ(newCustomer(), "NEWA00143E000");
    EXPECT_EQ(newCustomer(), "NEWA00143E001");
    newCustomer("Seme", "NEWA00143E009");
    EXPECT_EQ(newCustomer(), "NEWA00143E00A");
    newCustomer("Seme", "NEWA00143E00F");
    EXPECT_EQ(newCustomer(), "NEWA00143E010");
    // Another agent's codes of the day do not count.
    newCustomer("Altro", "NEWB00143E0FF");
    EXPECT_EQ(newCustomer(), "NEWA00143E011");
}

TEST_F(Customers, DateSymbolsOfTheCode) {
    useAgent("A001");
    struct Case {
        int y, m, d;
        const char* code;
    };
    const Case cases[] = {
        {2004, 3, 10, "NEWA001430000"}, {2004, 3, 20, "NEWA00143L000"}, {2004, 3, 30, "NEWA00143V000"},
        {2004, 3, 31, "NEWA00143Z000"}, {2004, 10, 1, "NEWA001401000"}, {2004, 11, 1, "NEWA0014A1000"},
        {2004, 12, 1, "NEWA0014B1000"}, {2010, 1, 1, "NEWA001011000"},  {2026, 8, 8, "NEWA001R88000"},
        {2031, 1, 1, "NEWA001Z11000"},  {2032, 1, 2, "NEWA001112000"},  {2000, 1, 3, "NEWA001Z13000"},
    };
    for (const Case& c : cases) {
        core::FixedClock clock(c.y, c.m, c.d, 12, 0, 0);
        EXPECT_EQ(newCustomer(), c.code) << c.y << "-" << c.m << "-" << c.d;
    }
}

TEST_F(Customers, ShorterAgentCodesStillGiveDistinctCodes) {
    useAgent("A01");
    core::FixedClock clock(2004, 3, 15, 9, 0, 0);
    EXPECT_EQ(newCustomer(), "NEWA0143E000");
    EXPECT_EQ(newCustomer(), "NEWA0143E001");
    EXPECT_EQ(newCustomer(), "NEWA0143E002");
}

TEST_F(Customers, ANewDayStartsItsOwnCount) {
    useAgent("A001");
    {
        core::FixedClock clock(2004, 3, 9, 9, 0, 0);
        EXPECT_EQ(newCustomer(), "NEWA001439000");
        EXPECT_EQ(newCustomer(), "NEWA001439001");
    }
    core::FixedClock clock(2004, 3, 10, 9, 0, 0);
    EXPECT_EQ(newCustomer(), "NEWA001430000");
}

TEST_F(Customers, TheDayEndsAtFFF) {
    useAgent("A001");
    core::FixedClock clock(2004, 3, 15, 9, 0, 0);
    newCustomer("Seme", "NEWA00143EFFF");
    const QString error = refusal([&] { newCustomer(); });
    EXPECT_TRUE(error.contains("Errore di esecuzione Script (VB) per la generazione del progressivo Cliente"))
        << error.toStdString();
    EXPECT_TRUE(error.contains("Raggiunto il numero massimo di nuovi clienti")) << error.toStdString();
    EXPECT_EQ(t->count("Clienti"), 1);
}

TEST_F(Customers, HeadOfficeReplacesTheScript) {
    useAgent("A001");
    t->db().SetSysParamLong(schema::kCustomerCodeScriptParam,
                            "NewProgr = \"C-\" & objDS.GetReference(\"Agente\").ColValueStr(\"Codice\")");
    EXPECT_EQ(newCustomer(), "C-A001");

    t->db().SetSysParamLong(schema::kCustomerCodeScriptParam, "Dim a\r\na = 1 / 0\r\nNewProgr = \"X\"");
    const QString error = refusal([&] { newCustomer("Secondo"); });
    EXPECT_TRUE(
        error.contains("Errore di esecuzione Script (VB) per la generazione del progressivo Cliente: "))
        << error.toStdString();
    EXPECT_TRUE(error.contains("Linea VB: 2")) << error.toStdString();

    // An empty result cancels the new customer without a message.
    t->db().SetSysParamLong(schema::kCustomerCodeScriptParam, "NewProgr = \"\"");
    EXPECT_NE(refusal([&] { newCustomer("Terzo"); }), kNoRefusal);
    EXPECT_EQ(t->count("Clienti"), 1);
}

TEST_F(Customers, DefaultsOfANewCustomer) {
    useAgent("A001");
    core::FixedClock clock(2026, 5, 4, 8, 30, 0);
    newCustomer();
    auto c = t->row("Clienti", "RagioneSociale = 'Cliente'");
    EXPECT_EQ(c->RefKey("Agente").toString(), "A001");
    EXPECT_EQ(c->RefKey("Valuta").toString(), "€");
    EXPECT_EQ(c->RefKey("BancaDiAppoggio").toString(), "");
    EXPECT_FALSE(c->ColValueBool("ConfermatoSede"));
    EXPECT_FALSE(c->ColValueBool("InviatoSede"));
    EXPECT_FALSE(c->ColValueBool("Inattivo"));
    EXPECT_EQ(c->ColValueNum("PercentualeSconto"), 0);
    EXPECT_EQ(c->ColValue("DataInserimento").toDate(), core::Date::fromParts(2026, 5, 4, 8, 30, 0));
    EXPECT_EQ(c->GetReference("Città")->ColValueStr("Descrizione"), "");
}

TEST_F(Customers, HeadOfficeConfirmationLocksTheCustomerOnTheWorkstation) {
    useAgent("A001");
    t->insert("Clienti", {{"RagioneSociale", "Confermato"}, {"Codice", "C1"}, {"ConfermatoSede", true}});
    auto c = t->row("Clienti", "Codice = 'C1'");
    EXPECT_EQ(refusal([&] { c->SetColValue("Telefono", "02 1234"); }),
              "Non è possibile modificare questo elemento");
    c = t->row("Clienti", "Codice = 'C1'");
    EXPECT_EQ(refusal([&] { c->DeleteRow(); }), "Non è possibile eliminare un cliente confermato dalla sede");

    // The site of a confirmed customer stays editable (the table has no flag of its own).
    const core::Variant site = t->insert("SediClienti", {{"Cliente", "C1"}, {"Identificativo", "Magazzino"}});
    auto s = t->open("SediClienti");
    ASSERT_TRUE(s->MoveToKey(site));
    EXPECT_EQ(refusal([&] {
                  s->SetColValue("Indirizzo", "Via Roma 1");
                  s->Save();
              }),
              kNoRefusal);
}

TEST_F(Customers, HeadOfficeItselfSkipsCodeLockAndChecks) {
    useAgent("");
    EXPECT_EQ(newCustomer("Sede"), "");
    newCustomer("Confermato", "C1");
    auto c = t->row("Clienti", "Codice = 'C1'");
    c->SetColValue("ConfermatoSede", true);
    c->SetColValue("PartitaIva", "12345678901");
    c->SetColValue("CodiceFiscale", "rssmra80a01h501u");
    EXPECT_EQ(refusal([&] { c->Save(); }), kNoRefusal);
    c = t->row("Clienti", "Codice = 'C1'");
    EXPECT_EQ(refusal([&] {
                  c->SetColValue("Telefono", "02 1234");
                  c->Save();
              }),
              kNoRefusal);
}

TEST_F(Customers, TheAgentOfAStoredCustomerCannotChange) {
    useAgent("A001");
    t->insert("Agenti", {{"Codice", "B002"}, {"RagioneSociale", "Altro agente"}});
    newCustomer("Rossi", "C7");
    auto c = t->row("Clienti", "Codice = 'C7'");
    EXPECT_EQ(refusal([&] { c->SetReference("Agente", "B002"); }),
              "Non puoi modificare l'agente perchè il cliente è stato già inserito");
    EXPECT_EQ(t->row("Clienti", "Codice = 'C7'")->RefKey("Agente").toString(), "A001");
}

TEST_F(Customers, TaxIdsAreCheckedOnSave) {
    useAgent("A001");
    newCustomer("Bianchi", "C9");
    struct Case {
        const char* vat;
        const char* taxCode;
        const char* refusal;
    };
    const Case cases[] = {
        {"12345678903", "RSSMRA80A01H501U", kNoRefusal},
        {"", "", kNoRefusal},
        {"12345678901", "", "La Partita IVA non è valida"},
        {"1234567890", "", "La Partita IVA non è valida"},
        {"", "rssmra80a01h501u", "La Codice Fiscale non è valido"},
        {"12345678901", "RSSMRA80A01H501A", "La Partita IVA non è valida\rLa Codice Fiscale non è valido"},
    };
    for (const Case& k : cases) {
        auto c = t->row("Clienti", "Codice = 'C9'");
        EXPECT_EQ(refusal([&] {
                      c->SetColValue("PartitaIva", k.vat);
                      c->SetColValue("CodiceFiscale", k.taxCode);
                      c->Save();
                  }),
                  k.refusal)
            << k.vat << " " << k.taxCode;
    }
}

TEST_F(Customers, OnlyActivePriceListsAreOffered) {
    useAgent("");
    t->insert("Listini", {{"Codice", "ING"}, {"Descrizione", "Ingrosso"}});
    t->insert("Listini", {{"Codice", "VEC"}, {"Descrizione", "Vecchio"}, {"Disabilitato", true}});
    newCustomer("Rossi", "C1");
    auto c = t->row("Clienti", "Codice = 'C1'");
    auto offered = c->SelectReference("ListinoPredefinito");
    ASSERT_EQ(offered->RowCount(), 1);
    offered->RowFirst();
    EXPECT_EQ(offered->ColValueStr("Codice"), "ING");
}

TEST_F(Customers, AnEndlessScriptIsStoppedAndNothingIsStored) {
    useAgent("A001");
    t->db().SetSysParamLong(schema::kCustomerCodeScriptParam, "Do : Loop");
    const auto before = t->count("Clienti");
    schema::setNumberingScriptTimeout(300);
    const QString error = refusal([&] { newCustomer("Primo"); });
    schema::setNumberingScriptTimeout(0);
    EXPECT_TRUE(
        error.contains("Errore di esecuzione Script (VB) per la generazione del progressivo Cliente: "))
        << error.toStdString();
    EXPECT_TRUE(error.contains(
        "non è terminato entro 0.3 secondi ed è stato interrotto: non è stato registrato nulla"))
        << error.toStdString();
    EXPECT_EQ(t->count("Clienti"), before);

    // The operator's stop, offered while the script runs; told when it ends.
    std::vector<qint64> calls;
    schema::setNumberingScriptPoll([&](qint64 ms) {
        calls.push_back(ms);
        return ms >= 100;
    });
    const QString stopped = refusal([&] { newCustomer("Secondo"); });
    schema::setNumberingScriptPoll({});
    EXPECT_TRUE(
        stopped.contains("Lo script è stato interrotto dall'operatore: non è stato registrato nulla."))
        << stopped.toStdString();
    EXPECT_EQ(t->count("Clienti"), before);
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.back(), -1);
}
