// The table structures of the order, promotion, kit and layout tables, and
// their migrations from older structure versions.

#include "SchemaTestDb.h"

#include "datalib/DataSet.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using schematest::kNoRefusal;
using schematest::refusal;
using schematest::SchemaTestDb;

namespace {

// Runs statements on the closed file, as an older program would have left it.
void runOnFile(const QString& file, const char* sql) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(file.toUtf8().constData(), &handle), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(handle, sql, nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(handle);
}

bool tableExists(const QString& file, const char* table) {
    sqlite3* handle = nullptr;
    sqlite3_open(file.toUtf8().constData(), &handle);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(handle, "SELECT count(*) FROM sqlite_master WHERE type='table' AND name=?1", -1, &st,
                       nullptr);
    sqlite3_bind_text(st, 1, table, -1, SQLITE_STATIC);
    sqlite3_step(st);
    const bool exists = sqlite3_column_int(st, 0) > 0;
    sqlite3_finalize(st);
    sqlite3_close(handle);
    return exists;
}

}  // namespace

TEST(OrderTables, StructuresAsDeclared) {
    SchemaTestDb t;
    auto rows = t.db().Tables("RigheOrdini");
    ASSERT_TRUE(rows->BaseDataSet());
    EXPECT_EQ(rows->BaseDataSet()->Name(), "Articoli");
    EXPECT_TRUE(rows->ColExist("PrezzoBase"));  // from the base table
    EXPECT_TRUE(rows->ColExist("QuantitàOrdine"));
    ASSERT_TRUE(rows->ParentDataSet());
    EXPECT_EQ(rows->ParentDataSet()->Name(), "Ordini");
    EXPECT_EQ(t.db().Tables("KitArticoli")->ParentDataSet()->Name(), "Kit");
    EXPECT_EQ(t.db().Tables("PromozioniArticoli")->ParentDataSet()->Name(), "Promozioni");
    EXPECT_EQ(t.db().Tables("PostazioniAgenti")->ParentDataSet()->Name(), "Agenti");
    EXPECT_EQ(t.db().Tables("Ordini")->PresentationName(), "Ordini");

    // A kit has many components and a promotion many elements.
    t.insert("Articoli", {{"Codice", "A1"}, {"Descrizione", "Vite"}});
    t.insert("Articoli", {{"Codice", "A2"}, {"Descrizione", "Dado"}});
    t.insert("Kit", {{"Codice", "K1"}, {"Descrizione", "Kit"}});
    auto kit = t.row("Kit", "Codice = 'K1'")->GetReference("Elementi");
    EXPECT_EQ(refusal([&] {
                  kit->InsertFromPairs({"Codice", "A1", "CodiceKit", "K1", "QuantitàIndicata", 2});
                  kit->InsertFromPairs({"Codice", "A2", "CodiceKit", "K1", "QuantitàIndicata", 1});
              }),
              kNoRefusal);
    EXPECT_EQ(t.count("KitArticoli", "CodiceKit = 'K1'"), 2);

    // One position per order number.
    t.insert("RigheOrdini", {{"NumeroOrdine", "A001R88300"}, {"PosizioneRiga", 1}, {"Codice", "A1"}});
    EXPECT_NE(
        refusal([&] {
            t.insert("RigheOrdini", {{"NumeroOrdine", "A001R88300"}, {"PosizioneRiga", 1}, {"Codice", "A2"}});
        }),
        kNoRefusal);
    EXPECT_EQ(t.row("RigheOrdini", "NumeroOrdine = 'A001R88300'")->ColValueStr("Descrizione"), "Vite");
}

TEST(OrderTables, OrdersOfAnOlderStructureBecomeCompletedAndLocked) {
    SchemaTestDb t;
    // Stored as an older program left them: rows written as they come.
    t.db().BeginUpdate();
    t.insert("Ordini", {{"Numero", "A001R88300"}, {"Completato", false}});
    t.insert("Ordini", {{"Numero", "A001R88301"}, {"Completato", false}});
    t.db().EndUpdate();
    t.reopen();  // same version: nothing happens
    EXPECT_EQ(t.count("Ordini", "Completato"), 0);

    t.close();
    runOnFile(t.file(), "UPDATE _Catalogo SET Versione = 4.1 WHERE Tabella = 'Ordini'");
    t.reopen();
    EXPECT_EQ(t.count("Ordini", "Completato AND NonModificabile"), 2);
}

TEST(LayoutTables, DefaultsAndKeys) {
    SchemaTestDb t;
    t.insert("TabStampaEtichette", {{"NomeTabellaOrigine", "Clienti"}});
    auto label = t.row("TabStampaEtichette", "NomeTabellaOrigine = 'Clienti'");
    EXPECT_TRUE(label->ColValueBool("AbilitaPosizionamento"));
    EXPECT_FALSE(label->ColValueBool("OrientamentoOrizzontale"));
    EXPECT_FALSE(label->ColValueBool("RichiediSelezioneStampante"));
    EXPECT_EQ(label->ColValueNum("NumeroCopie"), 1);
    EXPECT_NE(refusal([&] {
                  t.insert("TabStampaEtichette", {{"NomeTabellaOrigine", "Clienti"}});
              }),
              kNoRefusal);

    t.insert("TabProspettiStampa",
             {{"NomeTabellaOrigine", "Ordini"}, {"NomeProspetto", "Conferma d'ordine"}});
    auto report = t.row("TabProspettiStampa", "NomeTabellaOrigine = 'Ordini'");
    EXPECT_EQ(report->ColValueNum("NumeroColonne"), 1);
    EXPECT_EQ(report->ColValueStr("NomeReference"), "");
    EXPECT_EQ(report->ColValueNum("AltezzaModulo"), 0);
    EXPECT_NE(refusal([&] {
                  t.insert("TabProspettiStampa",
                           {{"NomeTabellaOrigine", "Ordini"}, {"NomeProspetto", "Conferma d'ordine"}});
              }),
              kNoRefusal);
    EXPECT_EQ(refusal([&] {
                  t.insert("TabProspettiStampa", {{"NomeTabellaOrigine", "Ordini"},
                                                  {"NomeReference", "Righe"},
                                                  {"NomeProspetto", "Conferma d'ordine"}});
              }),
              kNoRefusal);
}

TEST(LayoutTables, TheFormerReportTableIsDroppedOnlyAfterItsRowsMoved) {
    SchemaTestDb t;
    t.close();
    // A former layout table whose rows cannot be copied as they stand.
    runOnFile(t.file(),
              "CREATE TABLE ImpostazioniProspettiStampa (Nome TEXT); "
              "INSERT INTO ImpostazioniProspettiStampa VALUES ('Vecchio prospetto'); "
              "UPDATE _Catalogo SET Versione = 1.2 WHERE Tabella = 'TabProspettiStampa'");
    t.reopen();
    t.close();
    EXPECT_TRUE(tableExists(t.file(), "ImpostazioniProspettiStampa"));
}
