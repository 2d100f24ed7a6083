// The preparation of an order to send: complement articles move into an
// order of their own, "##" rows never move, both orders keep their totals.

#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "datalib/DataSource.h"
#include "orders/OrderEntry.h"
#include "startup/RunContext.h"

#include <QFile>

#include <map>

using namespace exchangetest;

namespace {

QString firstCode(datalib::Database& db, const QString& filter) {
    auto a = db.OpenDataSource("Articoli", filter, "Codice");
    if (a->DataEmpty()) return {};
    a->RowFirst();
    return a->ColValueStr("Codice");
}

// The order's totals are those of its rows (the row rules ran on the moves).
void expectTotalsOfRows(datalib::DataSource& order) {
    auto rows = order.GetReference("Righe");
    EXPECT_NEAR(order.ColValueNum("ImportoMerce"), rows->CalculateColValue("ImportoImponibile").toDouble(),
                0.001);
    EXPECT_NEAR(order.ColValueNum("ImportoTotale"),
                order.ColValueNum("ImportoImponibile") + order.ColValueNum("ImportoImposta"), 0.001);
}

}  // namespace

TEST(Split, ComplementsMoveIntoAnOrderOfTheirOwnOnlyWhenMixed) {
    app::registerAllTableClasses();
    const QString previous = startup::runContext().codeAgente;
    startup::runContext().codeAgente = kAgent;
    QTemporaryDir dir;
    const QString file = dir.filePath("ZeltOrder_DEMO");
    QFile::copy(DemoArchive(), file);
    OpenFile local(file);
    auto& db = *local.db;
    const QString complement = firstCode(db, "Categoria.Complementi=True AND Left(Codice,2)<>'##'");
    const QString plain = firstCode(db, "NOT Categoria.Complementi AND Left(Codice,2)<>'##'");
    const QString special = firstCode(db, "Left(Codice,2)='##'");
    ASSERT_FALSE(complement.isEmpty());
    ASSERT_FALSE(plain.isEmpty());
    ASSERT_FALSE(special.isEmpty());

    struct Case {
        const char* name;
        QStringList articles;
        bool split;
        int movedRows;
    };
    const std::vector<Case> cases{
        {"mixed", {plain, complement, special, complement}, true, 2},
        {"complements only", {complement, complement}, false, 0},
        {"complements and notes", {complement, special}, false, 0},
        {"no complements", {plain, special}, false, 0},
    };
    auto customer = db.OpenDataSource("Clienti", "Agenti.Codice='DEMO'");
    customer->RowFirst();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString number = QStringLiteral("TEST%1").arg(++n, 6, 10, QChar('0'));
        db.BeginUpdate();
        db.OpenDataSource("Ordini")->InsertFromPairs({"Numero", number, "Agente", kAgent, "Cliente",
                                                      customer->ColValueStr("Codice"), "Completato", true,
                                                      "NonModificabile", false, "InviatoSede", false});
        db.EndUpdate();
        auto order = db.OpenDataSource("Ordini", "Numero='" + number + "'");
        order->RowFirst();
        for (const QString& code : c.articles)
            order->GetReference("Righe")->InsertFromPairs({"Codice", code, "QuantitàOrdine", 2.0,
                                                           "PrezzoVendita", 10.0, "ImportoImponibile", 20.0,
                                                           "ImportoIVA", 4.0});
        order->Requery();
        order->RowFirst();

        exchange::OrderSelection selection = QStringList{};
        const long ordersBefore = db.OpenDataSource("Ordini")->RowCount();
        EXPECT_EQ(exchange::SplitComplementsOrder(*order, &selection), c.split);
        order->Requery();
        order->RowFirst();
        EXPECT_TRUE(order->ColValueBool("NonModificabile"));
        EXPECT_EQ(order->GetReference("Righe")->RowCount(), c.articles.size() - c.movedRows);
        EXPECT_EQ(db.OpenDataSource("Ordini")->RowCount(), ordersBefore + (c.split ? 1 : 0));
        ASSERT_EQ(selection->size(), c.split ? 1 : 0);
        if (!c.split) continue;
        auto made = db.OpenDataSource("Ordini");
        ASSERT_TRUE(made->MoveToKey(selection->first().toDouble()));
        EXPECT_EQ(made->ColValueStr("Note"), "SOLO COMPLEMENTI DELL'ORDINE N. " + number);
        EXPECT_TRUE(made->ColValueBool("NonModificabile"));
        EXPECT_TRUE(made->ColValueBool("Completato"));
        EXPECT_EQ(made->GetReference("Righe", "Categoria.Complementi=True")->RowCount(), c.movedRows);
        expectTotalsOfRows(*order);
        expectTotalsOfRows(*made);

        // Already prepared: nothing more happens; with no selection nothing is added.
        exchange::OrderSelection none;
        EXPECT_FALSE(exchange::SplitComplementsOrder(*order, &none));
        EXPECT_FALSE(none.has_value());
    }
    startup::runContext().codeAgente = previous;
}

namespace {

// Order entry without a window: no choices, no questions.
struct NoQuestions : orders::ArticleEntryHost {
    core::Variant PickArticle(const std::shared_ptr<datalib::DataSource>&) override { return {}; }
    bool AskQuantityEachArticle() const override { return false; }
    void AskRowQuantity() override {}
};

const char* const kRowAmounts[] = {"Codice",
                                   "QuantitàOrdine",
                                   "PrezzoVendita",
                                   "PercentualeSconto",
                                   "ImportoSconto",
                                   "ImportoImponibile",
                                   "ImportoIVA",
                                   "ImportoTotale",
                                   "PercentualeProvvigione",
                                   "ImportoProvvigione",
                                   "DescrizioneAggiuntiva"};
const char* const kHeaderTotals[] = {"ImportoMerce",  "ImportoImponibile",  "ImportoImposta",
                                     "ImportoSconti", "ImportoProvvigioni", "ImportoTotale"};

// The rows of an order with every value that makes their amounts.
QStringList rowAmounts(datalib::DataSource& order, const QString& filter = {}) {
    QStringList out;
    auto rows = order.GetReference("Righe", filter);
    for (rows->RowFirst(); !rows->Eof(); rows->RowNext()) {
        QStringList values;
        for (const char* c : kRowAmounts) values << rows->ColValueStr(c);
        out << values.join('|');
    }
    out.sort();
    return out;
}

double sumOf(datalib::DataSource& order, const char* column) {
    return order.GetReference("Righe")->CalculateColValue(column).toDouble();
}

// The header's totals are the sums of its rows (the expenses and their VAT
// on top, `expensesVat` given).
void expectHeaderOfRows(datalib::DataSource& order, double expensesVat) {
    const double spese = order.ColValueNum("ImportoSpese");
    EXPECT_NEAR(order.ColValueNum("ImportoMerce"), sumOf(order, "ImportoImponibile"), 1e-6);
    EXPECT_NEAR(order.ColValueNum("ImportoImponibile"), sumOf(order, "ImportoImponibile") + spese, 1e-6);
    EXPECT_NEAR(order.ColValueNum("ImportoImposta"), sumOf(order, "ImportoIVA") + expensesVat, 1e-6);
    EXPECT_NEAR(order.ColValueNum("ImportoSconti"), sumOf(order, "ImportoSconto"), 1e-6);
    EXPECT_NEAR(order.ColValueNum("ImportoProvvigioni"), sumOf(order, "ImportoProvvigione"), 1e-6);
    EXPECT_NEAR(order.ColValueNum("ImportoTotale"),
                order.ColValueNum("ImportoImponibile") + order.ColValueNum("ImportoImposta"), 1e-6);
}

}  // namespace

// A complement row keeps, in its own order, the price the agent typed, the
// kit's price and its discount, here and at head office; the two orders add
// up to the one the customer signed.
TEST_F(HeadOfficeTest, MovedComplementsKeepEveryAmountHereAndAtHeadOffice) {
    openLocal(true);
    auto& db = *local->db;
    const QString plain = firstCode(db, "NOT Categoria.Complementi AND Left(Codice,2)<>'##'");
    auto complements =
        db.OpenDataSource("Articoli", "Categoria.Complementi=True AND Left(Codice,2)<>'##'", "Codice");
    ASSERT_GE(complements->RowCount(), 3);
    QStringList comp;
    for (complements->RowFirst(); !complements->Eof() && comp.size() < 3; complements->RowNext())
        comp << complements->ColValueStr("Codice");

    auto customer = db.OpenDataSource("Clienti", "Agenti.Codice='DEMO'");
    customer->RowFirst();
    const QString number = QStringLiteral("TESTSPLIT1");
    db.BeginUpdate();
    db.OpenDataSource("Ordini")->InsertFromPairs({"Numero", number, "Agente", kAgent, "Cliente",
                                                  customer->ColValueStr("Codice"), "Completato", true,
                                                  "NonModificabile", false, "InviatoSede", false});
    db.EndUpdate();
    auto order = db.OpenDataSource("Ordini", "Numero='" + number + "'");
    order->RowFirst();
    NoQuestions host;
    auto rows = order->GetReference("Righe");
    orders::AddElementByCode(*rows, plain, 3, {}, {}, true, host);
    // A kit's element: the kit's price, not the list's.
    orders::AddElementByCode(*rows, comp[0], 2, core::Currency::fromDouble(25.68), {}, true, host);
    // A price the agent typed over the list's.
    ASSERT_FALSE(orders::AddElementByCode(*rows, comp[1], 1, {}, {}, true, host).isEmptyOrNull());
    rows->SetColValue("PrezzoVendita", core::Currency::fromDouble(250.0));
    rows->Save();
    EXPECT_EQ(order->GetReference("Righe", "PrezzoVendita=250")->RowCount(), 1);
    EXPECT_EQ(order->GetReference("Righe", "PrezzoVendita=25.68")->RowCount(), 1);
    // A discounted complement.
    ASSERT_FALSE(orders::AddElementByCode(*rows, comp[2], 4, {}, {}, true, host).isEmptyOrNull());
    rows->SetColValue("PercentualeSconto", 15.0);
    rows->Save();
    order = db.OpenDataSource("Ordini", "Numero='" + number + "'");
    order->RowFirst();
    order->SetColValue("ImportoSpese", core::Currency::fromDouble(10.0));
    order->Save();
    order = db.OpenDataSource("Ordini", "Numero='" + number + "'");
    order->RowFirst();

    const QStringList moving = rowAmounts(*order, "Categoria.Complementi=True");
    const QStringList staying = rowAmounts(*order, "NOT Categoria.Complementi");
    ASSERT_EQ(moving.size(), 3);
    std::map<std::string, double> signed_;
    for (const char* c : kHeaderTotals) signed_[c] = order->ColValueNum(c);
    const double expensesVat = order->ColValueNum("ImportoImposta") - sumOf(*order, "ImportoIVA");
    expectHeaderOfRows(*order, expensesVat);

    exchange::OrderSelection chosen = QStringList{QString::number(order->OID())};
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, chosen))
        << boxes.lastText().toStdString();
    ASSERT_EQ(chosen->size(), 2);

    OpenFile head(server.filePath(kArchive));
    for (datalib::Database* where : {local->db.get(), head.db.get()}) {
        SCOPED_TRACE(where == local->db.get() ? "here" : "at head office");
        auto source = where->OpenDataSource("Ordini", "Numero='" + number + "'");
        auto made = where->OpenDataSource("Ordini", "Note='SOLO COMPLEMENTI DELL''ORDINE N. " + number + "'");
        ASSERT_EQ(source->RowCount(), 1);
        ASSERT_EQ(made->RowCount(), 1);
        source->RowFirst();
        made->RowFirst();
        EXPECT_TRUE(source->ColValueBool("InviatoSede"));
        EXPECT_TRUE(made->ColValueBool("InviatoSede"));
        EXPECT_EQ(rowAmounts(*made), moving);
        EXPECT_EQ(rowAmounts(*source), staying);
        expectHeaderOfRows(*source, expensesVat);
        expectHeaderOfRows(*made, 0.0);
        for (const char* c : kHeaderTotals) {
            SCOPED_TRACE(c);
            EXPECT_NEAR(source->ColValueNum(c) + made->ColValueNum(c), signed_[c], 1e-6);
        }
    }
}
