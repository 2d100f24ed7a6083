// Promotions and kits: stamps of the headers, the elements' quantity and
// header code, and the sale price of a promotion element.

#include "OrdersFixture.h"

using namespace orderstest;

TEST_F(OrdersTest, HeadersAreStampedAndAPromotionStartsToday) {
    t->db().SetSysParam("VersioneAggiornamento", "4");
    t->insert("Promozioni", {{"Codice", "PR2"}, {"Descrizione", "Estate"}});
    auto promotion = t->row("Promozioni", "Codice = 'PR2'");
    EXPECT_EQ(promotion->ColValue("DataInizioPromozione").toDate(), core::Clock::today());
    EXPECT_TRUE(promotion->ColEmpty("DataFinePromozione"));
    EXPECT_FALSE(promotion->ColValueBool("Disabilitato"));
    EXPECT_EQ(promotion->ColValueNum("VersioneAggiornamento"), 4);
    // Listed on its first day.
    EXPECT_EQ(t->count("Promozioni", "DataInizioPromozione <= #2026-08-08#"), 3);

    t->insert("Kit", {{"Codice", "K1"}, {"Descrizione", "Kit"}});
    auto kit = t->row("Kit", "Codice = 'K1'");
    EXPECT_EQ(kit->ColValue("DataInserimento").toDate(), core::Clock::now());
    clock.set(QDateTime(QDate(2026, 8, 9), QTime(8, 0)));
    t->db().SetSysParam("VersioneAggiornamento", "5");
    kit->SetColValue("Descrizione", "Kit grande");
    kit->Save();
    kit = t->row("Kit", "Codice = 'K1'");
    EXPECT_EQ(kit->ColValue("DataModifica").toDate(), core::Clock::now());
    EXPECT_EQ(kit->ColValueNum("VersioneAggiornamento"), 5);
    EXPECT_EQ(refusal([&] { kit->DeleteRow(); }), kNoRefusal);
}

TEST_F(OrdersTest, ElementsTakeQuantityOneAndTheirHeadersCode) {
    t->insert("Kit", {{"Codice", "K1"}, {"Descrizione", "Kit"}});
    auto components = t->row("Kit", "Codice = 'K1'")->GetReference("Elementi");
    components->InsertFromPairs({"Codice", "ART1"});
    components->RowFirst();
    EXPECT_EQ(components->ColValueStr("CodiceKit"), "K1");
    EXPECT_EQ(components->ColValueNum("QuantitàIndicata"), 1);

    // Without a header the code stays empty; while data are applied it is not copied.
    t->insert("KitArticoli", {{"Codice", "ART2"}});
    EXPECT_EQ(t->row("KitArticoli", "Articoli.Codice = 'ART2'")->ColValueStr("CodiceKit"), "");
    t->db().BeginUpdate();
    t->row("Promozioni", "Codice = 'PR1'")->GetReference("Elementi")->InsertFromPairs({"Codice", "ART3"});
    t->db().EndUpdate();
    auto element = t->row("PromozioniArticoli", "Articoli.Codice = 'ART3'");
    EXPECT_EQ(element->ColValueStr("CodicePromozione"), "");
    EXPECT_EQ(element->ColValueNum("QuantitàPromozione"), 1);
}

// An element with a discount is priced from the article's base price less
// the discount: its own price is cleared so that the row is not discounted
// twice. A percentage of 0 leaves a fixed price alone.
TEST_F(OrdersTest, APromotionElementsPriceFollowsItsDiscount) {
    auto element = t->row("PromozioniArticoli", "Articoli.Codice = 'ART2'");
    EXPECT_EQ(money(*element, "PrezzoVendita"), cents(8));
    element->SetColValue("PercentualeSconto", 0.0);
    element->SetColValue("QuantitàPromozione", 3);
    element->Save();
    EXPECT_EQ(money(*element, "PrezzoVendita"), cents(8));

    element->SetColValue("PercentualeSconto", 25.0);
    element->Save();
    EXPECT_EQ(money(*element, "PrezzoVendita"), cents(0));

    // A row of the promotion: the base price less 25 %, once.
    auto order = newOrder("C2");
    auto row = addRow(*order, {"Codice", "ART2", "Promozione", "PR1"});
    EXPECT_EQ(money(*row, "PrezzoVendita"), cents(20));
    EXPECT_EQ(row->ColValueNum("PercentualeSconto"), 25);
    EXPECT_EQ(money(*row, "ImportoImponibile"), cents(15));

    // The fixed price set afterwards stands until the percentage changes again.
    element = t->row("PromozioniArticoli", "Articoli.Codice = 'ART2'");
    element->SetColValue("PrezzoVendita", cents(9));
    element->Save();
    EXPECT_EQ(money(*element, "PrezzoVendita"), cents(9));
}
