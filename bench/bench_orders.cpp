// The order rules on the large demo archive (made by `zelt-demodb --scale`,
// read from ZELT_SCALE_ARCHIVE, default demo-scale/ZeltOrder_DEMO under the
// current folder; the benchmark works on a copy): in an order of 200 rows
// with a price list and a promotion, one row's quantity changed and saved,
// one row's article changed and saved (promotion, price list and base price
// looked up, discount, VAT, commission and order totals), and one row
// inserted from name/value pairs.

#include "BenchMain.h"
#include "app/AllTableClasses.h"
#include "core/Prompt.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "schema/DB.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"

#include <benchmark/benchmark.h>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

struct NullSink : datalib::itfNotifyEvent {
    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString&) override {}
    void OnQueryMessage(int, int, QString&, bool& answer) override { answer = false; }
};

constexpr int kRows = 200;
const QString kPromotion = QStringLiteral("PRIM26");

struct Fixture {
    QTemporaryDir dir;
    NullSink sink;
    core::ScriptedBoxes boxes;
    datalib::Engine engine;
    std::shared_ptr<datalib::Database> db;
    std::shared_ptr<datalib::DataSource> order;
    std::shared_ptr<datalib::DataSource> rows;
    QStringList articles;        // ordinary articles, priced from the price list
    QStringList elements;        // articles of the promotion
    core::Variant promotionRow;  // a row of the order in the promotion
    bool ok = false;

    Fixture() {
        QString source = qEnvironmentVariable("ZELT_SCALE_ARCHIVE");
        if (source.isEmpty()) source = QStringLiteral("demo-scale/ZeltOrder_DEMO");
        if (!QFile::exists(source)) {
            std::fprintf(stderr, "Archivio %s mancante: zelt-demodb --scale demo-scale\n",
                         qPrintable(source));
            return;
        }
        const QString file = dir.filePath(QStringLiteral("ZeltOrder_DEMO"));
        if (!QFile::copy(source, file)) return;
        app::registerAllTableClasses();
        startup::runContext().codeAgente = QStringLiteral("DEMO");
        engine.Open(3, file, QString(), startup::DatabasePassword());
        schema::DB definition;
        db = datalib::Application::OpenDatabase(engine, definition, QStringLiteral("zeltorder"), &sink);

        auto elementRows = db->OpenDataSource(QStringLiteral("PromozioniArticoli"),
                                              QStringLiteral("CodicePromozione = '") + kPromotion + u'\'');
        for (elementRows->RowFirst(); !elementRows->Eof(); elementRows->RowNext())
            elements << elementRows->ColValueStr(QStringLiteral("Codice"));
        auto some = db->OpenDataSource(QStringLiteral("Articoli"), QStringLiteral("Codice Like 'IDR%'"));
        for (some->RowFirst(); !some->Eof() && articles.size() < kRows + 50; some->RowNext())
            if (!elements.contains(some->ColValueStr(QStringLiteral("Codice"))))
                articles << some->ColValueStr(QStringLiteral("Codice"));
        if (elements.isEmpty() || articles.size() < kRows) return;

        // A customer with a price list, and an order of 200 rows for it.
        auto customers =
            db->OpenDataSource(QStringLiteral("Clienti"), QStringLiteral("ListinoPredefinito <> ''"));
        customers->RowFirst();
        auto orders = db->OpenDataSource(QStringLiteral("Ordini"));
        const core::Variant key =
            orders->InsertFromPairs({QStringLiteral("Cliente"), customers->ColValue(QStringLiteral("Codice")),
                                     QStringLiteral("Completato"), false});
        order = db->OpenDataSource(QStringLiteral("Ordini"));
        order->MoveToKey(key);
        rows = order->GetReference(QStringLiteral("Righe"));
        for (int i = 0; i < kRows - 1; ++i)
            rows->InsertFromPairs(
                {QStringLiteral("Codice"), articles[i], QStringLiteral("QuantitàOrdine"), double(i % 7 + 1)});
        promotionRow =
            rows->InsertFromPairs({QStringLiteral("Codice"), elements[0], QStringLiteral("QuantitàOrdine"),
                                   2.0, QStringLiteral("Promozione"), kPromotion});
        ok = rows->RowCount() == kRows;
    }
    ~Fixture() {
        rows.reset();
        order.reset();
        db.reset();
        engine.Close();
    }
};

Fixture& fixture() { return benchsupport::sharedFixture<Fixture>(); }

void BM_RowQuantityChangedAndSaved(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    f.rows->RowFirst();
    f.rows->MoveTo(kRows / 2);
    double quantity = 1;
    for (auto _ : state) {
        f.rows->SetColValue(QStringLiteral("QuantitàOrdine"), quantity);
        f.rows->Save();
        quantity = quantity >= 9 ? 1 : quantity + 1;
    }
}
BENCHMARK(BM_RowQuantityChangedAndSaved)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_RowArticleChangedAndSaved(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    f.rows->MoveToKey(f.promotionRow);
    // In turn: another element of the promotion, an article priced from the
    // price list, the first element again.
    const QStringList cycle = {f.elements.value(1, f.elements[0]), f.articles.last(), f.elements[0]};
    int i = 0;
    for (auto _ : state) {
        f.rows->SetColValue(QStringLiteral("Codice"), cycle[i % cycle.size()]);
        f.rows->Save();
        ++i;
    }
}
BENCHMARK(BM_RowArticleChangedAndSaved)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_RowInsertedFromPairs(benchmark::State& state) {
    Fixture& f = fixture();
    if (!f.ok) return state.SkipWithError("archivio mancante");
    int i = 0;
    for (auto _ : state) {
        f.rows->InsertFromPairs({QStringLiteral("Codice"), f.articles[kRows + i % 40],
                                 QStringLiteral("QuantitàOrdine"), 3.0, QStringLiteral("PercentualeSconto"),
                                 5.0});
        ++i;
    }
}
BENCHMARK(BM_RowInsertedFromPairs)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
