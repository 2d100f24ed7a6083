// The database definition: 34 tables in their fixed order, their default
// rows, and reopening that adds nothing.

#include "SchemaTestDb.h"

#include "app/AllTableClasses.h"
#include "datalib/DataSet.h"
#include "schema/DB.h"
#include "schema/TableClassRegistry.h"

#include <gtest/gtest.h>

using schematest::SchemaTestDb;

namespace {

// Default rows of each table of a new database (tables not listed have none).
const std::vector<std::pair<QString, long>> kDefaultRows = {
    {"Nazioni", 1},         {"Comuni", 2},
    {"Banche", 1},          {"TipiPagamento", 1},
    {"Valute", 2},          {"Linee", 1},
    {"Categorie", 1},       {"CodiciIva", 4},
    {"TipiPorto", 1},       {"ZoneGeografiche", 1},
    {"TipiProvvigione", 1}, {"TipiDocumento", 1},
    {"Articoli", 4},        {"Kit", 1},
    {"Promozioni", 1},      {"Vettori", 1},
    {"Utenti", 2},
};

long expectedRows(const QString& table) {
    for (const auto& [name, rows] : kDefaultRows)
        if (name == table) return rows;
    return 0;
}

QStringList column(SchemaTestDb& t, const QString& table, const QString& name) {
    QStringList values;
    auto ds = t.open(table);
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) values << ds->ColValueStr(name);
    return values;
}

}  // namespace

TEST(Definition, ThirtyFourTablesInTheFixedOrderWithTheirDefaultRows) {
    SchemaTestDb t;
    const QStringList& names = schema::DB::TableNames();
    ASSERT_EQ(names.size(), 34);
    ASSERT_EQ(t.db().TableCount(), 34);
    for (int i = 0; i < 34; ++i) {
        EXPECT_EQ(t.db().Tables(i)->Name(), names[i]) << i;
        EXPECT_EQ(t.count(names[i]), expectedRows(names[i])) << names[i].toStdString();
    }

    EXPECT_EQ(column(t, "Articoli", "Codice"),
              QStringList({"##NOTA##", "##RIFER##", "##DESCR##", "##SERV##"}));
    EXPECT_EQ(column(t, "CodiciIva", "Codice"), QStringList({"", "IVA20", "IVA10", "IVA04"}));
    EXPECT_EQ(column(t, "CodiciIva", "Descrizione"),
              QStringList({"Fuori campo IVA", "IVA al 20%", "IVA al 10%", "IVA al 4%"}));
    EXPECT_EQ(column(t, "Valute", "Simbolo"), QStringList({"€", "$"}));
    EXPECT_EQ(column(t, "Utenti", "Nome"), QStringList({"Amministratore", "Operatore"}));
    EXPECT_EQ(column(t, "Utenti", "LivelloAccesso"), QStringList({"1", "0"}));
    EXPECT_EQ(column(t, "Nazioni", "Descrizione"), QStringList({"Italia"}));
    EXPECT_EQ(column(t, "Comuni", "Descrizione"), QStringList({"", "Milano"}));
    // Both towns belong to Italia.
    auto italia = t.row("Nazioni", "Descrizione = 'Italia'");
    auto towns = t.open("Comuni");
    for (towns->RowFirst(); !towns->Eof(); towns->RowNext())
        EXPECT_EQ(towns->RefKey("Nazione").toString(), italia->RowKey().toString());

    // The captions some classes give.
    EXPECT_EQ(t.db().Tables("Articoli")->PresentationName(), "Articoli");
    EXPECT_EQ(t.db().Tables("Comuni")->PresentationName(), "Comuni / Città");
    EXPECT_EQ(t.db().Tables("TabStampaEtichette")->PresentationName(), "Impostazioni Stampa Etichette");
}

TEST(Definition, ReopeningAddsNoRow) {
    SchemaTestDb t;
    t.reopen();
    t.reopen();
    for (const QString& table : schema::DB::TableNames())
        EXPECT_EQ(t.count(table), expectedRows(table)) << table.toStdString();
}

TEST(Definition, ATableWithoutClassStopsTheDefinitionNamingIt) {
    struct Recorder : datalib::TableRegistry {
        QStringList names;
        void RegisterTable(std::shared_ptr<datalib::itfDefTable> table) override {
            names << table->TableName();
        }
    } recorder;

    app::registerAllTableClasses();
    schema::RegisterTableClass("Clienti", nullptr);
    schema::DB definition;
    try {
        definition.Define(recorder);
        ADD_FAILURE() << "Define went through";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.description().contains("Clienti")) << e.description().toStdString();
    }
    app::registerAllTableClasses();
    EXPECT_EQ(recorder.names, schema::DB::TableNames().mid(0, 23));

    // Each definition gets new table-class objects, in order.
    recorder.names.clear();
    definition.Define(recorder);
    EXPECT_EQ(recorder.names, schema::DB::TableNames());
}
