// The preparation of an order to send: complement articles move into an
// order of their own, "##" rows never move, both orders keep their totals.

#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "datalib/DataSource.h"
#include "startup/RunContext.h"

#include <QFile>

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
