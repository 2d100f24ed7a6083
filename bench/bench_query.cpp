// The query language: parse-and-translate of the texts the program uses, and
// filtered opens on a 100 000-row table whose filter follows references.

#include "tests/datalib/query/QueryFixture.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace datalib::query;

namespace {

struct Example {
    const char* table;
    const char* filter;
    const char* sort;
    const char* columns;
};

const Example kExamples[] = {
    {"Ordini", "Not InviatoSede  And Completato", "DataInserimento", ""},
    {"Ordini", "NOT InviatoSede AND Completato AND Not NonModificabile", "", ""},
    {"Ordini", "Month(DataInserimento) = 3 AND Year(DataInserimento) = 2004", "DataInserimento",
     "*,Numero,NumeroSede,Cliente,DataInserimento,Listino,DataModifica,Agente"},
    {"Ordini", "DataInserimento >= #2004-03-05# AND DataInserimento < #2004-03-06#", "Numero DESC", ""},
    {"Articoli", " Disabilitato = False ", "Articoli.Descrizione", "*,PrezzoBase"},
    {"RigheOrdini", "Categoria.Complementi=True AND Left(Articoli.Codice,2)<>'##'",
     "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga", "*,Ordini.Cliente,Ordini.NumeroSede"},
    {"RigheOrdini", "Approvato", "PosizioneRiga",
     "*,PosizioneRiga,Codice,IIF(Left(Codice,2)<>'##',Descrizione,DescrizioneAggiuntiva) AS DescrizioneRiga,"
     "QuantitàOrdine,ImportoImponibile,ImportoSconto"},
    {"Clienti", "Comuni.Provincia='MI' AND Clienti.Città=Comuni.OID", "RagioneSociale", ""},
    {"Ordini",
     "Clienti.RagioneSociale Like '%Angolo%' AND Ordini.Cliente=Clienti.Codice AND Articoli.Descrizione Like "
     "'%vino%' AND Ordini.OID=RigheOrdini.OID_Ordini_Righe AND RigheOrdini.OID_Ordini_Righe=Ordini.OID",
     "DataInserimento", ""},
    {"Categorie",
     "Descrizione<>'' AND Articoli.Linea='L2' AND Articoli.Categoria=Categorie.Codice AND NOT Disabilitato",
     "Descrizione", "DISTINCTROW OID, Descrizione"},
    {"Comuni", "Provincia", "Provincia", "DISTINCT Provincia"},
};

const querytest::Schema& schema() {
    static const querytest::Schema s;
    return s;
}

void BM_TranslateExample(benchmark::State& state) {
    const Example& e = kExamples[state.range(0)];
    const auto lookup = schema().lookup();
    const auto& table = schema()[e.table];
    for (auto _ : state) {
        SqlQuery q = translateQuery(table, lookup, QString::fromUtf8(e.filter), QString::fromUtf8(e.sort),
                                    QString::fromUtf8(e.columns));
        benchmark::DoNotOptimize(q);
    }
    state.SetLabel(std::string(e.table) + ": " + std::string(e.filter).substr(0, 40));
}
BENCHMARK(BM_TranslateExample)->DenseRange(0, int(std::size(kExamples)) - 1)->Unit(benchmark::kMicrosecond);

// 100 000 order rows over 1 000 orders, 2 000 articles and 20 categories.
struct BigDb {
    querytest::Db db{schema()};
    BigDb() {
        db.exec("BEGIN");
        for (int c = 0; c < 20; ++c)
            db.insert("Categorie", {{"Codice", QStringLiteral("CAT%1").arg(c)},
                                    {"Descrizione", QStringLiteral("Cat %1").arg(c)},
                                    {"Complementi", qint64(c % 5 == 0)}});
        for (int a = 0; a < 2000; ++a)
            db.insert("Articoli",
                      {{"Codice", a % 100 == 0 ? QStringLiteral("##%1").arg(a)
                                               : QStringLiteral("ART%1").arg(a, 5, 10, QChar('0'))},
                       {"Descrizione", QStringLiteral("Articolo %1").arg(a)},
                       {"Categoria", QStringLiteral("CAT%1").arg(a % 20)}});
        for (int o = 0; o < 1000; ++o)
            db.insert("Ordini", {{"Numero", QStringLiteral("A001%1").arg(o, 6, 10, QChar('0'))},
                                 {"Cliente", QStringLiteral("C%1").arg(o % 50)},
                                 {"DataInserimento",
                                  QStringLiteral("2004-03-%1 10:00:00").arg(1 + o % 28, 2, 10, QChar('0'))}});
        for (int r = 0; r < 100000; ++r)
            db.insert("RigheOrdini", {{"OID_Ordini_Righe", qint64(1 + r % 1000)},
                                      {"OID_Articoli", qint64(1 + (r * 7) % 2000)},
                                      {"PosizioneRiga", qint64(r / 1000)},
                                      {"QuantitàOrdine", 1.0 + r % 5}});
        db.exec("COMMIT");
        db.exec("ANALYZE");
    }
};

BigDb& big() {
    static BigDb b;
    return b;
}

// Translate, run and read every selected row's identifier, as a data source
// does when it opens.
void openAndCount(benchmark::State& state, const char* table, const char* filter, const char* sort) {
    BigDb& b = big();
    const auto lookup = schema().lookup();
    std::size_t rows = 0;
    for (auto _ : state) {
        const SqlQuery q =
            translateQuery(schema()[table], lookup, QString::fromUtf8(filter), QString::fromUtf8(sort));
        sqlite3_stmt* st = b.db.prepare(q.keysetSql());
        datalib::bindSqlValues(st, q.params);
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) ++rows;
        sqlite3_finalize(st);
    }
    state.counters["rows"] = double(rows);
}

// Two levels: the order row's base article, then the article's category.
void BM_OpenRowsByCategory(benchmark::State& state) {
    openAndCount(state, "RigheOrdini", "Categoria.Complementi=True AND Left(Articoli.Codice,2)<>'##'", "");
}
BENCHMARK(BM_OpenRowsByCategory)->Unit(benchmark::kMillisecond);

// The same with the sort of the "per Cliente" sections (through the parent order).
void BM_OpenRowsByCategorySorted(benchmark::State& state) {
    openAndCount(state, "RigheOrdini", "Categoria.Complementi=True AND Left(Articoli.Codice,2)<>'##'",
                 "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga");
}
BENCHMARK(BM_OpenRowsByCategorySorted)->Unit(benchmark::kMillisecond);

// Orders through their rows (semi-join) and the rows' articles.
void BM_OpenOrdersByArticle(benchmark::State& state) {
    openAndCount(state, "Ordini", "Articoli.Codice='ART00007' AND Not InviatoSede", "DataInserimento");
}
BENCHMARK(BM_OpenOrdersByArticle)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
