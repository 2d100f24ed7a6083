// The order rows: defaults and positions, the amount chain, the prices from
// promotion, price list or base price, and the commission percentage.

#include "OrdersFixture.h"

using namespace orderstest;

namespace {

struct ChainCase {
    const char* article;
    double quantity;
    double price;
    double discount;
    double sconto, imponibile, iva, totale, provvigione;
};

}  // namespace

// Discount and commission to the cent, halves away from zero; VAT to the cent.
TEST_F(OrdersTest, TheAmountChainOfARow) {
    const ChainCase cases[] = {
        {"ART1", 3, 10.00, 10, 3.00, 27.00, 5.40, 32.40, 1.35},    // 20 % VAT, 5 % commission
        {"ART3", 3, 10.00, 10, 3.00, 27.00, 0.00, 27.00, 0.00},    // no VAT code, no commission type
        {"ART4", 1, 12.34, 10, 1.23, 11.11, 2.22, 13.33, 0.56},    // 1.234 -> 1.23, 0.5555 -> 0.56
        {"ART1", 1, 1.25, 10, 0.13, 1.12, 0.22, 1.34, 0.06},       // 0.125 -> 0.13
        {"ART2", 2, 7.50, 0, 0.00, 15.00, 1.50, 16.50, 0.00},      // inactive commission type
        {"ART1", 3, 0.3333, 0, 0.00, 0.9999, 0.20, 1.1999, 0.05},  // taxable amount and total unrounded
    };
    for (const ChainCase& c : cases) {
        SCOPED_TRACE(c.article);
        auto order = newOrder("C2");
        auto row = addRow(*order, {"Codice", c.article, "QuantitàOrdine", c.quantity, "PrezzoVendita",
                                   cents(c.price), "PercentualeSconto", c.discount});
        EXPECT_EQ(money(*row, "ImportoSconto"), cents(c.sconto));
        EXPECT_EQ(money(*row, "ImportoImponibile"), cents(c.imponibile));
        EXPECT_EQ(money(*row, "ImportoIVA"), cents(c.iva));
        EXPECT_EQ(money(*row, "ImportoTotale"), cents(c.totale));
        EXPECT_EQ(money(*row, "ImportoProvvigione"), cents(c.provvigione));
    }
}

TEST_F(OrdersTest, QuantityChangeRunsTheChainAndHandEditsRecomputeNothing) {
    auto order = newOrder("C2");
    auto row = addRow(*order, {"Codice", "ART1", "QuantitàOrdine", 3.0, "PercentualeSconto", 10.0});
    EXPECT_EQ(money(*row, "PrezzoVendita"), cents(10));
    row->SetColValue("QuantitàOrdine", 5.0);
    row->Save();
    EXPECT_EQ(money(*row, "ImportoSconto"), cents(5));
    EXPECT_EQ(money(*row, "ImportoImponibile"), cents(45));
    EXPECT_EQ(money(*row, "ImportoIVA"), cents(9));
    EXPECT_EQ(money(*row, "ImportoTotale"), cents(54));

    // Hand-made amounts stay as typed.
    row->SetColValue("ImportoSconto", cents(1));
    row->SetColValue("ImportoProvvigione", cents(7));
    row->Save();
    EXPECT_EQ(money(*row, "ImportoImponibile"), cents(45));
    EXPECT_EQ(money(*row, "ImportoProvvigione"), cents(7));
    EXPECT_EQ(storedTotals(order->RowKey()), recalculated(order->RowKey()));
}

TEST_F(OrdersTest, NewRowsTakeDefaultsNumberAndTheNextPosition) {
    auto order = newOrder("C2");
    const QString number = order->ColValueStr("Numero");
    auto rows = order->GetReference("Righe");
    for (const char* code : {"ART1", "ART3", "ART4"}) rows->InsertFromPairs({"Codice", code});
    rows->RowFirst();
    EXPECT_EQ(rows->ColValueStr("NumeroOrdine"), number);
    EXPECT_EQ(rows->ColValueNum("QuantitàOrdine"), 1);
    EXPECT_EQ(rows->ColValueNum("QuantitàEvasa"), 0);
    EXPECT_EQ(rows->ColValueNum("PercentualeSconto"), 0);
    EXPECT_TRUE(rows->RefEmpty("Promozione"));

    // After deleting row 2 of three the next row gets 4, not 2.
    rows = order->GetReference("Righe");
    ASSERT_TRUE(rows->FindFirst("PosizioneRiga = 2"));
    rows->DeleteRow();
    auto added = addRow(*order, {"Codice", "ART5"});
    EXPECT_EQ(added->ColValueNum("PosizioneRiga"), 4);

    // Rows without sort order come by position.
    rows = order->GetReference("Righe");
    EXPECT_EQ(rows->SortOrder(), "PosizioneRiga");
    QStringList positions;
    for (rows->RowFirst(); !rows->Eof(); rows->RowNext()) positions << rows->ColValueStr("PosizioneRiga");
    EXPECT_EQ(positions, QStringList({"1", "3", "4"}));
}

TEST_F(OrdersTest, RowsWrittenByTheLibraryKeepTheirOwnValues) {
    // While head office's data are applied only the new-row defaults run:
    // no number, no position, no pricing, no totals.
    auto order = newOrder("C1");
    const core::Variant key = order->RowKey();
    t->db().BeginUpdate();
    auto rows = order->GetReference("Righe");
    rows->InsertFromPairs({"Codice", "ART2", "PrezzoVendita", cents(1), "ImportoImponibile", cents(99)});
    t->db().EndUpdate();
    rows = order->GetReference("Righe");
    rows->RowFirst();
    EXPECT_EQ(rows->ColValueStr("NumeroOrdine"), "");
    EXPECT_TRUE(rows->ColEmpty("PosizioneRiga"));
    EXPECT_EQ(rows->ColValueNum("QuantitàOrdine"), 1);
    EXPECT_EQ(money(*rows, "PrezzoVendita"), cents(1));
    EXPECT_EQ(money(*rows, "ImportoImponibile"), cents(99));
    EXPECT_EQ(storedTotals(key).merce, cents(0));
}

namespace {

struct PriceCase {
    const char* name;
    const char* article;
    const char* customer;
    bool promotion;
    double price;     // unit sale price of the row
    double discount;  // the row's discount percentage
    bool message;     // the invalid-element message was shown
};

}  // namespace

TEST_F(OrdersTest, PricesFromPromotionPriceListOrBasePrice) {
    const PriceCase cases[] = {
        {"element with a discount", "ART1", "C1", true, 10, 15, false},
        {"element with a price", "ART2", "C1", true, 8, 0, false},
        {"element with neither: price list", "ART5", "C1", true, 5.5, 0, true},
        {"element with neither: base price", "ART5", "C2", true, 6, 0, true},
        {"article not in the promotion", "ART4", "C1", true, 12.34, 5, false},
        {"price list", "ART2", "C1", false, 18, 5, false},
        {"no price-list row", "ART1", "C1", false, 10, 5, false},
        {"no price list", "ART2", "C2", false, 20, 0, false},
    };
    for (const PriceCase& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        auto order = newOrder(c.customer);
        std::vector<core::Variant> pairs = {"Codice", c.article};
        if (c.promotion) pairs.insert(pairs.end(), {"Promozione", "PR1"});
        auto row = addRow(*order, pairs);
        EXPECT_EQ(money(*row, "PrezzoVendita"), cents(c.price));
        EXPECT_EQ(row->ColValueNum("PercentualeSconto"), c.discount);
        if (c.message) {
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text,
                      "La promozione non è valida perchè l'articolo <ART5 - Tassello> non è configurato "
                      "correttamente");
            EXPECT_EQ(boxes.shown()[0].style, core::kOkOnly);
        } else {
            EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();
        }
    }
}

TEST_F(OrdersTest, ANewPriceListPriceAppliesToTheNextPricing) {
    auto order = newOrder("C1");
    auto row = addRow(*order, {"Codice", "ART2"});
    EXPECT_EQ(money(*row, "PrezzoVendita"), cents(18));
    auto price = t->row("ListiniArticoli", "Articolo = 'ART2'");
    price->SetColValue("PrezzoVendita", cents(17));
    price->Save();
    row = addRow(*order, {"Codice", "ART2"});
    EXPECT_EQ(money(*row, "PrezzoVendita"), cents(17));
}

TEST_F(OrdersTest, CommissionFromTheAgentsRateForTheArticle) {
    auto order = newOrder("C2");
    EXPECT_EQ(addRow(*order, {"Codice", "ART1"})->ColValueNum("PercentualeProvvigione"), 5);
    EXPECT_EQ(addRow(*order, {"Codice", "ART2"})->ColValueNum("PercentualeProvvigione"), 0);  // type inactive
    EXPECT_EQ(addRow(*order, {"Codice", "ART3"})->ColValueNum("PercentualeProvvigione"), 0);  // no type

    // Another article in the row: its rate is looked up again.
    auto row = addRow(*order, {"Codice", "ART2"});
    row->SetColValue("Codice", "ART4");
    row->Save();
    EXPECT_EQ(row->ColValueNum("PercentualeProvvigione"), 5);
    EXPECT_EQ(money(*row, "PrezzoVendita"), cents(12.34));
    EXPECT_EQ(money(*row, "ImportoProvvigione"), cents(0.62));
    EXPECT_EQ(storedTotals(order->RowKey()), recalculated(order->RowKey()));
}

TEST_F(OrdersTest, AnOrderWithoutAgentGivesNoCommission) {
    build(QString());  // head office's own copy: no agent is set on new orders
    auto order = newOrder("C2");
    EXPECT_TRUE(order->RefEmpty("Agente"));
    EXPECT_EQ(order->ColValueStr("Numero"), "");
    EXPECT_EQ(addRow(*order, {"Codice", "ART1"})->ColValueNum("PercentualeProvvigione"), 0);
}
