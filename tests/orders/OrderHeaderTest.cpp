// The order header: defaults, the totals kept row by row and with expenses,
// the lock of sent orders, the customer's defaults, the destinations, the
// whole-promotion delete and rows moved to another order.

#include "OrdersFixture.h"

#include "datalib/DataSet.h"
#include "orders/OrderRules.h"
#include "startup/RunContext.h"

using namespace orderstest;

namespace {
const QString kLocked = "L'ordine non è modificabile perchè risulta già inviato o completato.";
const QString kNotDeletable = "L'ordine non è eliminabile perchè risulta già inviato o non modificabile.";
const QString kPromoQuantity =
    "Non è consentito modificare la quantità per un articolo appartenente ad una promozione";
const QString kPromoQuestion =
    "L'elemento fa parte di una promozione\r\rVuoi eliminare tutta la promozione ?";
const QString kExchangeOnly =
    "Il campo InviatoSede è impostato soltanto dallo scambio dati con la sede: modifica non consentita.";

// Marks the order sent as the exchange does: written with the table classes silent.
void markSent(datalib::DataSource& order) {
    auto db = order.Database();
    db->BeginUpdate();
    order.SetColValue("InviatoSede", true);
    order.Save();
    db->EndUpdate();
}
}  // namespace

TEST_F(OrdersTest, ANewOrderHasItsDefaults) {
    t->db().SetSysParam("VersioneAggiornamento", "7");
    auto order = newOrder("C2");
    EXPECT_EQ(totalsOf(*order), Totals{});
    for (const char* flag : {"NonModificabile", "InviatoSede", "AcquisitoSede", "Approvato", "Evaso",
                             "Fatturato", "Annullato", "Completato"})
        EXPECT_FALSE(order->ColValueBool(flag)) << flag;  // Completato: cleared by the insert
    EXPECT_EQ(order->ColValueStr("Riferimento"), "");
    EXPECT_EQ(order->ColValueStr("NumeroSede"), "");
    EXPECT_EQ(order->RefKey("Agente").toString(), "A001");
    EXPECT_EQ(order->ColValueNum("VersioneAggiornamento"), 7);
    EXPECT_EQ(order->ColValue("DataInserimento").toDate(), core::Clock::now());

    // Without the insert's own value the order is born completed.
    auto plain = orderByKey(t->insert("Ordini", {{"Cliente", "C2"}}));
    EXPECT_TRUE(plain->ColValueBool("Completato"));
}

TEST_F(OrdersTest, RowsAndExpensesKeepTheTotals) {
    auto order = newOrder("C2");
    const core::Variant key = order->RowKey();
    auto row = addRow(*order, {"Codice", "ART1", "QuantitàOrdine", 3.0, "PercentualeSconto", 10.0,
                               "PercentualeProvvigione", 0.0});
    row->SetColValue("ImportoProvvigione", cents(2));
    row->Save();
    Totals expected{cents(27), cents(27), cents(5.4), cents(3), cents(2), cents(32.4), cents(0)};
    EXPECT_EQ(storedTotals(key), expected);

    order = orderByKey(key);
    order->SetColValue("ImportoSpese", cents(10));
    order->Save();
    expected.imponibile = cents(37);
    expected.imposta = cents(7.4);
    expected.totale = cents(44.4);
    expected.spese = cents(10);
    EXPECT_EQ(storedTotals(key), expected);

    order = orderByKey(key);
    order->SetColValue("ImportoSpese", cents(0));
    order->Save();
    row = order->GetReference("Righe");
    row->RowFirst();
    row->DeleteRow();
    EXPECT_EQ(storedTotals(key), Totals{});
}

// After every step of a day's editing, refused steps included, the header
// equals the totals made afresh from the rows.
TEST_F(OrdersTest, TheHeaderAlwaysEqualsTheRecalculation) {
    auto order = newOrder("C1");
    const core::Variant key = order->RowKey();
    auto check = [&](const char* step) { EXPECT_EQ(storedTotals(key), recalculated(key)) << step; };
    auto rowAt = [&](int position) {
        auto rows = orderByKey(key)->GetReference("Righe");
        EXPECT_TRUE(rows->FindFirst(QStringLiteral("PosizioneRiga = %1").arg(position)));
        return rows;
    };

    addRow(*order, {"Codice", "ART1", "QuantitàOrdine", 3.0});
    check("riga 1");
    addRow(*order, {"Codice", "ART2", "QuantitàOrdine", 7.0});
    check("riga 2 da listino");
    addRow(*order, {"Codice", "ART1", "QuantitàOrdine", 2.0, "Promozione", "PR1"});
    check("riga 3 in promozione");
    addRow(*order, {"Codice", "ART4", "QuantitàOrdine", 1.5, "PercentualeSconto", 12.5});
    check("riga 4");

    auto row = rowAt(2);
    row->SetColValue("QuantitàOrdine", 11.0);
    row->Save();
    check("quantità");
    row = rowAt(4);
    row->SetColValue("PrezzoVendita", cents(0.3333));
    row->Save();
    check("prezzo");

    order = orderByKey(key);
    order->SetColValue("ImportoSpese", cents(12.35));
    order->Save();
    check("spese");

    // Refused: the quantity of a promotion row. Nothing moves.
    Totals before = storedTotals(key);
    row = rowAt(3);
    const core::Currency rowBefore = money(*row, "ImportoImponibile");
    EXPECT_EQ(refusal([&] {
                  row->SetColValue("QuantitàOrdine", 9.0);
                  row->Save();
              }),
              kPromoQuantity);
    EXPECT_EQ(storedTotals(key), before);
    EXPECT_EQ(money(*rowAt(3), "ImportoImponibile"), rowBefore);
    EXPECT_EQ(rowAt(3)->ColValueNum("QuantitàOrdine"), 2);
    check("quantità in promozione rifiutata");

    row = rowAt(1);
    row->DeleteRow();
    check("riga eliminata");

    // The order is sent: expenses and rows can no longer change.
    order = orderByKey(key);
    markSent(*order);
    before = storedTotals(key);
    order = orderByKey(key);
    EXPECT_EQ(refusal([&] { order->SetColValue("ImportoSpese", cents(99)); }), kLocked);
    EXPECT_EQ(refusal([&] { addRow(*order, {"Codice", "ART3"}); }), kLocked);
    row = rowAt(2);
    EXPECT_EQ(refusal([&] {
                  row->SetColValue("QuantitàOrdine", 1.0);
                  row->Save();
              }),
              kLocked);
    EXPECT_EQ(storedTotals(key), before);
    EXPECT_EQ(rowAt(2)->ColValueNum("QuantitàOrdine"), 11);
    check("ordine inviato");
    // Each refusal was shown once.
    EXPECT_EQ(t->sink().messages.count(kLocked), 3);
}

TEST_F(OrdersTest, SentOrLockedOrdersRefuseChangeAndDeleteInAgentMode) {
    for (const char* flag : {"InviatoSede", "NonModificabile"}) {
        SCOPED_TRACE(flag);
        auto order = newOrder("C2");
        if (QByteArray(flag) == "InviatoSede") {
            // Only the exchange marks it sent.
            EXPECT_EQ(refusal([&] {
                          order->SetColValue(flag, true);
                          order->Save();
                      }),
                      kExchangeOnly);
            EXPECT_FALSE(orderByKey(order->RowKey())->ColValueBool(flag));
            markSent(*order);
        } else {
            order->SetColValue(flag, true);
            order->Save();
        }
        EXPECT_EQ(refusal([&] { order->SetColValue("Note", "cambiata"); }), kLocked);
        EXPECT_EQ(order->ColValueStr("Note"), "");
        EXPECT_EQ(refusal([&] { order->DeleteRow(); }), kNotDeletable);
    }
    // On head office's copy the same orders can change and go.
    build(QString());
    auto order = newOrder("C2");
    order->SetColValue("InviatoSede", true);
    order->Save();
    EXPECT_EQ(refusal([&] {
                  order->SetColValue("Note", "cambiata");
                  order->Save();
              }),
              kNoRefusal);
    EXPECT_EQ(refusal([&] { order->DeleteRow(); }), kNoRefusal);
    EXPECT_EQ(t->count("Ordini"), 0);
}

TEST_F(OrdersTest, TheCustomerGivesPriceListBankPaymentAndDiscount) {
    auto order = newOrder("C2");
    EXPECT_TRUE(order->RefEmpty("Listino"));
    order->SetReference("Cliente", "C1");
    order->Save();
    EXPECT_EQ(order->RefKey("Listino").toString(), "L1");
    EXPECT_EQ(order->RefKey("BancaDiAppoggio").toString(), "B1");
    EXPECT_EQ(order->RefKey("TipoPagamento").toString(), "RB");
    EXPECT_EQ(addRow(*order, {"Codice", "ART3"})->ColValueNum("PercentualeSconto"), 5);

    // With a row the customer stays.
    EXPECT_EQ(refusal([&] { order->SetReference("Cliente", "C2"); }),
              "Puoi cambiare il Cliente solo quando l'Ordine è vuoto.");
    EXPECT_EQ(order->RefKey("Cliente").toString(), "C1");

    // A customer without defaults empties them; without discount the row keeps 0.
    order = newOrder("C1");
    order->SetReference("Cliente", "C2");
    order->Save();
    EXPECT_TRUE(order->RefEmpty("Listino"));
    EXPECT_TRUE(order->RefEmpty("BancaDiAppoggio"));
    EXPECT_TRUE(order->RefEmpty("TipoPagamento"));
    EXPECT_EQ(addRow(*order, {"Codice", "ART3"})->ColValueNum("PercentualeSconto"), 0);
}

TEST_F(OrdersTest, DestinationsAreTheCustomersOwnSites) {
    t->insert("SediClienti", {{"Cliente", "C1"}, {"Identificativo", "MAG"}, {"Indirizzo", "Via Roma 1"}});
    t->insert("SediClienti", {{"Cliente", "C1"}, {"Identificativo", "NEG"}, {"Indirizzo", "Via Po 2"}});
    t->insert("SediClienti", {{"Cliente", "C2"}, {"Identificativo", "SEDE"}, {"Indirizzo", "Via Dante 3"}});
    auto order = t->open("Ordini");
    order->AddNew();
    EXPECT_EQ(refusal([&] { order->SelectReference("Destinazione"); }), "Devi prima selezionare il cliente");

    order = newOrder("C1");
    auto sites = order->SelectReference("Destinazione");
    QStringList offered;
    for (sites->RowFirst(); !sites->Eof(); sites->RowNext()) offered << sites->ColValueStr("Identificativo");
    offered.sort();
    EXPECT_EQ(offered, QStringList({"MAG", "NEG"}));
}

TEST_F(OrdersTest, ACustomerWithAnApostropheIsFoundAsTyped) {
    t->insert("Clienti",
              {{"Codice", "D'AMICO"}, {"RagioneSociale", "D'Amico"}, {"ListinoPredefinito", "L1"}});
    auto order = newOrder("D'AMICO");
    EXPECT_EQ(order->RefKey("Listino").toString(), "L1");
}

TEST_F(OrdersTest, HeadOfficeNumberFillsAnEmptyNumber) {
    build(QString());
    auto order = newOrder("C2");
    EXPECT_EQ(order->ColValueStr("Numero"), "");
    order->SetColValue("NumeroSede", "HQ-0042");
    order->Save();
    EXPECT_EQ(order->ColValueStr("Numero"), "HQ-0042");
    order->SetColValue("NumeroSede", "HQ-0043");
    order->Save();
    EXPECT_EQ(order->ColValueStr("Numero"), "HQ-0042");
}

TEST_F(OrdersTest, DeletingAPromotionElementDeletesTheWholePromotionOrNothing) {
    auto order = newOrder("C1");
    const core::Variant key = order->RowKey();
    addRow(*order, {"Codice", "ART1", "QuantitàOrdine", 2.0, "Promozione", "PR1"});
    addRow(*order, {"Codice", "ART3"});
    addRow(*order, {"Codice", "ART2", "QuantitàOrdine", 4.0, "Promozione", "PR1"});
    addRow(*order, {"Codice", "ART5", "Promozione", "PR1"});
    boxes.clear();

    // No: nothing goes, and the lock is free again.
    t->sink().answers = {false};
    auto rows = orderByKey(key)->GetReference("Righe");
    ASSERT_TRUE(rows->FindFirst("PosizioneRiga = 3"));
    EXPECT_EQ(refusal([&] { rows->DeleteRow(); }), "Operazione annullata.");
    EXPECT_EQ(t->sink().questions, QStringList({kPromoQuestion}));
    EXPECT_EQ(t->count("RigheOrdini"), 4);
    EXPECT_FALSE(orderByKey(key)->IsLocked(orders::kLockPromo));

    // Yes: asked once, every row of the promotion goes once.
    t->sink().questions.clear();
    t->sink().answers = {true};
    rows = orderByKey(key)->GetReference("Righe");
    ASSERT_TRUE(rows->FindFirst("PosizioneRiga = 3"));
    EXPECT_EQ(refusal([&] { rows->DeleteRow(); }), kNoRefusal);
    EXPECT_EQ(t->sink().questions.size(), 1);
    EXPECT_EQ(t->count("RigheOrdini"), 1);
    EXPECT_EQ(t->row("RigheOrdini", "PosizioneRiga = 2")->ColValueStr("Codice"), "ART3");
    EXPECT_FALSE(orderByKey(key)->IsLocked(orders::kLockPromo));
    EXPECT_EQ(storedTotals(key), recalculated(key));
}

TEST_F(OrdersTest, RowsMovedToAnotherOrderUnderTheLockAskNothing) {
    auto order = newOrder("C1");
    const core::Variant key = order->RowKey();
    addRow(*order, {"Codice", "ART1", "QuantitàOrdine", 2.0, "Promozione", "PR1"});
    addRow(*order, {"Codice", "ART3", "QuantitàOrdine", 4.0});
    addRow(*order, {"Codice", "ART2"});
    order = orderByKey(key);
    order->SetColValue("ImportoSpese", cents(5));
    order->Save();

    // As the send splits an order: a copy without number, totals and rows,
    // then the rows moved under the lock.
    auto other = t->open("Ordini");
    const core::Variant otherKey = other->NewRowCopiedFrom(
        *order,
        "Righe,Numero,NumeroSede,ImportoTotale,ImportoMerce,ImportoSconti,ImportoSpese,ImportoImponibile,"
        "ImportoImposta,ImportoProvvigioni");
    other = orderByKey(otherKey);
    EXPECT_NE(other->ColValueStr("Numero"), order->ColValueStr("Numero"));
    {
        datalib::NamedLock lock(*order, orders::kLockPromo);
        ASSERT_TRUE(lock.obtained());
        auto moving = order->GetReference("Righe", "Articoli.Codice <> 'ART2'");
        auto target = other->GetReference("Righe");
        while (!moving->DataEmpty()) {
            moving->RowFirst();
            moving->MoveRowTo(*target, "NumeroOrdine,PosizioneRiga");
            moving = order->GetReference("Righe", "Articoli.Codice <> 'ART2'");
        }
    }
    EXPECT_TRUE(t->sink().questions.isEmpty());
    EXPECT_EQ(t->count("RigheOrdini",
                       "NumeroOrdine = " + t->db().FormatStringForQuery(other->ColValueStr("Numero"))),
              2);
    auto moved = orderByKey(otherKey)->GetReference("Righe");
    moved->RowLast();
    EXPECT_EQ(moved->ColValueNum("PosizioneRiga"), 2);
    EXPECT_EQ(storedTotals(key), recalculated(key));
    EXPECT_EQ(storedTotals(otherKey), recalculated(otherKey));
    EXPECT_NE(storedTotals(otherKey).merce, cents(0));
}

TEST_F(OrdersTest, AMissingDefaultVatCodeIsToldOnEveryCallAndGivesNoVat) {
    auto order = newOrder("C2");
    const core::Variant key = order->RowKey();
    const QString previous = startup::runContext().defaultCodiceIva;
    startup::runContext().defaultCodiceIva = "IVA99";
    boxes.clear();
    order->SetColValue("ImportoSpese", cents(10));
    order->Save();
    startup::runContext().defaultCodiceIva = previous;
    // Once for the expenses that go, once for those that come.
    ASSERT_EQ(boxes.shown().size(), 2u);
    for (const auto& shown : boxes.shown()) {
        EXPECT_EQ(shown.text, "E' necessario impostare l'IVA predefinita nei parametri generali");
        EXPECT_EQ(shown.style, core::kCritical);
    }
    const Totals totals = storedTotals(key);
    EXPECT_EQ(totals.imponibile, cents(10));
    EXPECT_EQ(totals.imposta, cents(0));
    EXPECT_EQ(totals.totale, cents(10));
}
