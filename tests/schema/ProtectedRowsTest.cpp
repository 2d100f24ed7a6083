// The protected rows of the code tables refuse change and delete with the
// exact texts, while the other rows of the same tables accept both; saving a
// row without changes keeps its stamps.

#include "SchemaTestDb.h"

#include "core/Clock.h"

#include <gtest/gtest.h>

using schematest::kNoRefusal;
using schematest::refusal;
using schematest::SchemaTestDb;

namespace {

const QString kNoChange = "Non è possibile modificare questo elemento";
const QString kNoDelete = "Non è possibile eliminare questo elemento";

struct Protected {
    const char* table;
    const char* protectedRow;  // filter of the protected row
    const char* column;        // a column to change
    // pairs of a new ordinary row of the table
    std::initializer_list<std::pair<const char*, core::Variant>> newRow;
};

}  // namespace

TEST(ProtectedRows, RefuseChangeAndDeleteWhileOtherRowsAccept) {
    SchemaTestDb t;
    const Protected cases[] = {
        {"Linee", "Codice = ''", "Descrizione", {{"Codice", "L1"}, {"Descrizione", "Linea"}}},
        {"Categorie", "Codice = ''", "Descrizione", {{"Codice", "C1"}, {"Descrizione", "Categoria"}}},
        {"TipiProvvigione", "Codice = ''", "Descrizione", {{"Codice", "P1"}, {"Descrizione", "Tipo"}}},
        {"TipiDocumento", "Codice = ''", "Descrizione", {{"Codice", "D1"}, {"Descrizione", "Tipo"}}},
        {"TipiPagamento", "Codice = ''", "Descrizione", {{"Codice", "RB"}, {"Descrizione", "Ri.Ba."}}},
        {"TipiPorto", "Codice = ''", "Descrizione", {{"Codice", "F"}, {"Descrizione", "Franco"}}},
        {"ZoneGeografiche", "Codice = ''", "Descrizione", {{"Codice", "N"}, {"Descrizione", "Nord"}}},
        {"Vettori", "Codice = ''", "RagioneSociale", {{"Codice", "V1"}, {"RagioneSociale", "Trasporti"}}},
        {"Kit", "Codice = ''", "Descrizione", {{"Codice", "K1"}, {"Descrizione", "Kit"}}},
        {"Promozioni", "Codice = ''", "Descrizione", {{"Codice", "PR1"}, {"Descrizione", "Promo"}}},
        {"Banche", "Nome = ''", "Agenzia", {{"Codice", "B1"}, {"Nome", "Banca"}, {"Agenzia", "Centro"}}},
        {"Comuni", "Descrizione = ''", "CAP", {{"Descrizione", "Como"}, {"CAP", "22100"}}},
        {"Nazioni", "Descrizione = 'Italia'", "Descrizione", {{"Descrizione", "Francia"}}},
    };
    for (const Protected& c : cases) {
        SCOPED_TRACE(c.table);
        auto row = t.row(c.table, c.protectedRow);
        EXPECT_EQ(refusal([&] { row->SetColValue(c.column, "cambiato"); }), kNoChange);
        row = t.row(c.table, c.protectedRow);
        EXPECT_EQ(refusal([&] { row->DeleteRow(); }), kNoDelete);
        EXPECT_EQ(t.count(c.table, c.protectedRow), 1);

        const core::Variant key = t.insert(c.table, c.newRow);
        auto other = t.open(c.table);
        ASSERT_TRUE(other->MoveToKey(key));
        EXPECT_EQ(refusal([&] {
                      other->SetColValue(c.column, "cambiato");
                      other->Save();
                  }),
                  kNoRefusal);
        EXPECT_EQ(refusal([&] { other->DeleteRow(); }), kNoRefusal);
    }
}

TEST(ProtectedRows, VatCodesAndCurrenciesProtectNothing) {
    SchemaTestDb t;
    auto fuoriCampo = t.row("CodiciIva", "Codice = ''");
    EXPECT_EQ(refusal([&] {
                  fuoriCampo->SetColValue("Descrizione", "Esente");
                  fuoriCampo->Save();
                  fuoriCampo->DeleteRow();
              }),
              kNoRefusal);
    auto dollaro = t.row("Valute", "Descrizione = 'Dollaro'");
    EXPECT_EQ(refusal([&] { dollaro->DeleteRow(); }), kNoRefusal);
}

TEST(ProtectedRows, EveryBankWithoutNameIsProtectedOnceStored) {
    SchemaTestDb t;
    // A new bank can be filled in while its name is still empty...
    const core::Variant key = t.insert("Banche", {{"Codice", "B2"}, {"Agenzia", "Filiale 2"}});
    // ...but once stored it is protected like the default one.
    auto bank = t.open("Banche");
    ASSERT_TRUE(bank->MoveToKey(key));
    EXPECT_EQ(refusal([&] { bank->SetColValue("Agenzia", "Filiale 3"); }), kNoChange);
    EXPECT_EQ(refusal([&] { bank->DeleteRow(); }), kNoDelete);
}

TEST(ProtectedRows, AStoredTownCannotLoseItsDescription) {
    SchemaTestDb t;
    auto milano = t.row("Comuni", "Descrizione = 'Milano'");
    EXPECT_EQ(refusal([&] {
                  milano->SetColValue("Descrizione", "");
                  milano->Save();
              }),
              kNoChange);
    EXPECT_EQ(t.count("Comuni", "Descrizione = 'Milano'"), 1);
    // A new town may be stored without a description.
    EXPECT_EQ(refusal([&] { t.insert("Comuni", {{"CAP", "00100"}}); }), kNoRefusal);
}

TEST(AuditStamps, SavingAnUnchangedRowKeepsTheStamps) {
    SchemaTestDb t;
    core::FixedClock clock(2026, 3, 9, 10, 0, 0);
    t.db().SetSysParam("VersioneAggiornamento", "7");
    const core::Variant key = t.insert("Listini", {{"Codice", "L01"}, {"Descrizione", "Ingrosso"}});
    auto list = t.open("Listini");
    ASSERT_TRUE(list->MoveToKey(key));
    const core::Variant inserted = list->ColValue("DataInserimento");
    EXPECT_EQ(inserted.toString(), list->ColValue("DataModifica").toString());
    EXPECT_EQ(list->ColValueNum("VersioneAggiornamento"), 7);
    EXPECT_FALSE(list->ColValueBool("Disabilitato"));

    clock.set(QDateTime(QDate(2026, 3, 10), QTime(11, 30, 0)));
    t.db().SetSysParam("VersioneAggiornamento", "8");
    list->SetColValue("Descrizione", "Ingrosso");  // the same value
    list->Save();
    list = t.open("Listini");
    ASSERT_TRUE(list->MoveToKey(key));
    EXPECT_EQ(list->ColValue("DataModifica").toString(), inserted.toString());
    EXPECT_EQ(list->ColValueNum("VersioneAggiornamento"), 7);

    list->SetColValue("Descrizione", "Ingrosso 2026");
    list->Save();
    list = t.open("Listini");
    ASSERT_TRUE(list->MoveToKey(key));
    EXPECT_EQ(list->ColValue("DataModifica").toDate(), core::Date::fromParts(2026, 3, 10, 11, 30, 0));
    EXPECT_EQ(list->ColValue("DataInserimento").toString(), inserted.toString());
    EXPECT_EQ(list->ColValueNum("VersioneAggiornamento"), 8);
}
