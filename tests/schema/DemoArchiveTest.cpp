// The demo archive: built through the definition, it opens as the agent
// "DEMO" expects it and its data pass the program's own rules.

#include "SchemaTestDb.h"

#include "core/Clock.h"
#include "schema/DB.h"
#include "schema/TaxIdChecks.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "startup/modGlobal.h"
#include "tools/demodb/DemoArchive.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

TEST(DemoArchive, OpensForTheDemoAgentWithValidData) {
    QTemporaryDir dir;
    core::FixedClock clock(2026, 3, 16, 9, 0, 0);
    demodb::DemoOptions options;
    options.file = dir.filePath("ZeltOrder_DEMO");
    const demodb::DemoSummary s = demodb::BuildDemoArchive(options, [](const QString&) {});
    EXPECT_EQ(s.articles, 2000);
    EXPECT_EQ(s.customers, 300);

    datalib::Engine engine;
    engine.Open(3, options.file, QString(), startup::DatabasePassword());
    schema::DB definition;
    auto db = datalib::Application::OpenDatabase(engine, definition, "zeltorder", nullptr);
    EXPECT_EQ(db->GetSysParam("CodiceAgente", ""), "DEMO");
    EXPECT_EQ(db->GetSysParam("CodicePostazione", ""), "1");
    EXPECT_EQ(db->OpenDataSource("Articoli")->RowCount(), 2004);
    EXPECT_EQ(db->OpenDataSource("ListiniArticoli")->RowCount(), 4000);

    auto agent = db->OpenDataSource("Agenti", "Codice = 'DEMO'");
    ASSERT_FALSE(agent->DataEmpty());
    agent->RowFirst();
    EXPECT_EQ(agent->GetReference("PostazioniInstallate", "Progressivo = 1")->RowCount(), 1);

    auto customers = db->OpenDataSource("Clienti");
    for (customers->RowFirst(); !customers->Eof(); customers->RowNext()) {
        EXPECT_TRUE(schema::IsValidPartitaIva(customers->ColValueStr("PartitaIva")))
            << customers->ColValueStr("Codice").toStdString();
        EXPECT_TRUE(schema::IsValidCodiceFiscale(customers->ColValueStr("CodiceFiscale")))
            << customers->ColValueStr("CodiceFiscale").toStdString();
        EXPECT_EQ(customers->RefKey("Agente").toString(), "DEMO");
    }

    // Promotions and kits valid today, each with its elements.
    auto promotions = db->OpenDataSource("Promozioni", "Codice <> ''");
    EXPECT_EQ(promotions->RowCount(), 3);
    for (promotions->RowFirst(); !promotions->Eof(); promotions->RowNext()) {
        EXPECT_LE(promotions->ColValue("DataInizioPromozione").toDate(), core::Clock::today());
        EXPECT_GE(promotions->GetReference("Elementi")->RowCount(), 2);
    }

    // Every order's totals are those of its rows.
    auto orders = db->OpenDataSource("Ordini");
    EXPECT_EQ(orders->RowCount(), 12);
    for (orders->RowFirst(); !orders->Eof(); orders->RowNext()) {
        auto rows = orders->GetReference("Righe");
        EXPECT_GE(rows->RowCount(), 2);
        EXPECT_NEAR(orders->ColValueNum("ImportoMerce"),
                    rows->CalculateColValue("ImportoImponibile").toDouble(), 0.001);
        EXPECT_NEAR(orders->ColValueNum("ImportoTotale"),
                    orders->ColValueNum("ImportoImponibile") + orders->ColValueNum("ImportoImposta"), 0.001);
        EXPECT_TRUE(orders->ColValueStr("Numero").startsWith("DEMO"));
    }

    // Its pictures (the branding's and the layouts' backgrounds) are files that exist, or none.
    startup::ReadBrandingParameters(*db);
    const auto& run = startup::runContext();
    for (const QString& picture : {run.startImagePath, run.logoImagePath, run.backgroungImagePath})
        EXPECT_TRUE(picture.isEmpty() || startup::FileExists(startup::GetAbsolutePath(picture)))
            << picture.toStdString();
    auto layouts = db->OpenDataSource("TabProspettiStampa");
    EXPECT_EQ(layouts->RowCount(), 10);  // one for every predefined report of the tree
    for (layouts->RowFirst(); !layouts->Eof(); layouts->RowNext())
        EXPECT_EQ(layouts->ColValueStr("ImmagineSfondo"), "");

    // The agent's workstation can add a customer: its code comes from the stored script.
    const QString previous = startup::runContext().codeAgente;
    startup::runContext().codeAgente = "DEMO";
    const core::Variant key =
        db->OpenDataSource("Clienti")->InsertFromPairs({"RagioneSociale", "Nuovo cliente"});
    startup::runContext().codeAgente = previous;
    auto added = db->OpenDataSource("Clienti");
    ASSERT_TRUE(added->MoveToKey(key));
    EXPECT_EQ(added->ColValueStr("Codice"), "NEWDEMOR3F000");
}
