// Random and mutated texts: the translator either raises AppError or gives a
// statement that SQLite prepares and runs; it never crashes.

#include "QueryFixture.h"

#include "core/AppError.h"

#include <gtest/gtest.h>

#include <random>

using namespace datalib::query;

namespace {

struct Seed {
    const char* table;
    const char* text;
};
const Seed kSeeds[] = {
    {"Ordini", "Not InviatoSede  And Completato"},
    {"Ordini", "NOT InviatoSede AND Completato AND Not NonModificabile"},
    {"Ordini", "Month(DataInserimento) = 3 AND Year(DataInserimento) = 2004"},
    {"Ordini", "DataInserimento >= #2004-03-05# AND DataInserimento < #2004-03-06 10:00:00#"},
    {"Ordini", "(Cliente='C001') AND (NOT InviatoSede)"},
    {"Ordini", "Left(Numero,4)='A001' AND Ordini.OID<>17"},
    {"RigheOrdini", "Categoria.Complementi=True AND Left(Articoli.Codice,2)<>'##'"},
    {"Ordini",
     "Clienti.RagioneSociale Like '%An''golo%' AND Ordini.Cliente=Clienti.Codice AND "
     "Articoli.Descrizione Like '*x?' AND Ordini.OID=RigheOrdini.OID_Ordini_Righe"},
    {"Clienti", "Comuni.Provincia='MI' AND Clienti.Città=Comuni.OID"},
    {"RigheOrdini", "QuantitàOrdine - QuantitàEvasa > 0 Or Approvato"},
    {"RigheOrdini", "IIF(Left(Codice,2)<>'##',Descrizione,DescrizioneAggiuntiva) = \"Nota\""},
    {"Articoli", "Codice In ('A', 'B', 3) And PrezzoBase Between 1 And 2.5 And Nz(Linea) Is Not Null"},
    {"Articoli", "Not (Mid(Codice, 2) = UCase(LCase(Trim(Right(Codice, 1))))) Or Len(Codice) * 2 / 3 >= -1"},
    {"Promozioni",
     "DataFinePromozione >= Date() Or DataInizioPromozione <= Now() Or Day(DataFinePromozione) = Null"},
    {"Categorie",
     "Descrizione<>'' AND Articoli.Linea='L2' AND Articoli.Categoria=Categorie.Codice AND NOT Disabilitato"},
};

const char* const kPieces[] = {
    " AND ",
    " OR ",
    " NOT ",
    "(",
    ")",
    "'",
    "\"",
    "#",
    ",",
    ".",
    "=",
    "<>",
    "<",
    ">=",
    "+",
    "-",
    "*",
    "/",
    " Like ",
    " Is ",
    " Null",
    " In ",
    " Between ",
    "True",
    "False",
    "Codice",
    "Articoli.",
    "Ordini.",
    "Tipo.",
    "Left(",
    "IIF(",
    "Year(",
    "Date()",
    "1",
    "2.5",
    "1e400",
    "0",
    "'x'",
    "#2004-03-05#",
    "#31/12/2004 10:00#",
    "à",
    "Città",
    ";",
    "[",
    "]",
    "?",
    "%",
    "_",
    "\\",
    " ",
    "DISTINCT ",
    " AS ",
    " DESC",
    "OID",
    "Promozione",
    "Categorie.",
    "RigheOrdini.",
    "QuantitàOrdine",
    "\t",
    "--",
    "/*",
};

QString mutate(QString s, std::mt19937& rng) {
    auto pick = [&](int n) { return int(rng() % unsigned(std::max(n, 1))); };
    const int steps = pick(3) == 0 ? 2 + pick(3) : 1;
    for (int k = 0; k < steps; ++k) {
        const int at = pick(int(s.size()) + 1);
        switch (pick(4)) {
            case 0:  // delete a run
                s.remove(at, 1 + pick(6));
                break;
            case 1:  // insert a piece
                s.insert(at, QString::fromUtf8(kPieces[pick(int(std::size(kPieces)))]));
                break;
            case 2:  // replace one character by any printable one
                if (at < s.size()) s[at] = QChar(32 + pick(95));
                break;
            default:  // repeat a run
                s.insert(at, s.mid(pick(int(s.size())), pick(12)));
                break;
        }
    }
    return s;
}

QString randomText(std::mt19937& rng) {
    QString s;
    const int n = int(rng() % 12);
    for (int i = 0; i < n; ++i) s += QString::fromUtf8(kPieces[rng() % std::size(kPieces)]);
    return s;
}

}  // namespace

TEST(QueryFuzz, EveryTextIsRefusedOrRuns) {
    querytest::Schema schema;
    querytest::Db db(schema);
    db.insert("Ordini", {{"Numero", QStringLiteral("A001R11300")},
                         {"DataInserimento", QStringLiteral("2004-03-05 10:00:00")}});
    const char* const tables[] = {"Ordini", "RigheOrdini", "Clienti", "Articoli", "Categorie", "Promozioni"};
    std::mt19937 rng(20261209);
    int accepted = 0;
    int refused = 0;
    for (int i = 0; i < 6000; ++i) {
        const Seed& seed = kSeeds[rng() % std::size(kSeeds)];
        const bool random = i % 5 == 0;
        const QString table = QString::fromUtf8(random ? tables[rng() % std::size(tables)] : seed.table);
        QString filter = random ? randomText(rng) : mutate(QString::fromUtf8(seed.text), rng);
        QString sort;
        QString columns;
        if (i % 7 == 0) sort = mutate(QStringLiteral("OID DESC, Left(OID, 1), OID"), rng);
        if (i % 11 == 0)
            columns = mutate(QStringLiteral("DISTINCT *,IIF(Left(OID,2)<>'##',OID,'x') AS Riga"), rng);
        SCOPED_TRACE(
            ("table " + table + " filter [" + filter + "] sort [" + sort + "] columns [" + columns + "]")
                .toStdString());
        try {
            const SqlQuery q = translateQuery(schema[table], schema.lookup(), filter, sort, columns);
            db.run(q);  // throws std::runtime_error when SQLite refuses
            ++accepted;
        } catch (const core::AppError& e) {
            EXPECT_FALSE(e.description().isEmpty());
            ++refused;
        } catch (const std::exception& e) {
            ADD_FAILURE() << "SQLite refused the translation: " << e.what();
        }
    }
    // Both outcomes must have been exercised for the test to mean anything.
    EXPECT_GT(accepted, 250) << refused;
    EXPECT_GT(refused, 1000) << accepted;
    EXPECT_EQ(db.count("Ordini"), 1);
}

TEST(QueryFuzz, DeepOrLongTextsAreRefusedNotCrashed) {
    querytest::Schema schema;
    querytest::Db db(schema);
    const QString deep = QString(5000, u'(') + QStringLiteral("Approvato") + QString(5000, u')');
    EXPECT_THROW(translateQuery(schema["Ordini"], schema.lookup(), deep), core::AppError);
    QString chain = QStringLiteral("Approvato");
    for (int i = 0; i < 3000; ++i) chain += QStringLiteral(" OR NumeroSede = '%1'").arg(i);
    EXPECT_THROW(translateQuery(schema["Ordini"], schema.lookup(), chain), core::AppError);
    EXPECT_THROW(
        translateQuery(schema["Ordini"], schema.lookup(), QString(5000, u'-') + QStringLiteral("1 = 1")),
        core::AppError);
    // A long but reasonable filter still runs.
    QString wide = QStringLiteral("Approvato");
    for (int i = 0; i < 60; ++i) wide += QStringLiteral(" OR NumeroSede = '%1'").arg(i);
    EXPECT_NO_THROW(db.run(translateQuery(schema["Ordini"], schema.lookup(), wide)));
}

// What SQLite would work on for seconds, or refuse obscurely, is refused
// first with the limit named; just within the limits the texts run, and a
// typed text stays a value.
TEST(QueryFuzz, LimitsAreNamed) {
    querytest::Schema schema;
    querytest::Db db(schema);
    auto refusal = [&](const QString& filter, const QString& sort = {}) {
        try {
            translateQuery(schema["Ordini"], schema.lookup(), filter, sort);
        } catch (const core::AppError& e) {
            return e.description();
        }
        return QStringLiteral("accepted");
    };
    auto inList = [](int values) {
        QStringList v;
        for (int i = 0; i < values; ++i) v << QStringLiteral("'%1'").arg(i);
        return QStringLiteral("NumeroSede IN (%1)").arg(v.join(u','));
    };
    auto sortOf = [](int terms) {
        QStringList t;
        for (int i = 0; i < terms; ++i)
            t << (i % 2 ? QStringLiteral("NumeroSede DESC") : QStringLiteral("Approvato"));
        return t.join(u',');
    };
    const QString tooLong = QStringLiteral("NumeroSede = '") + QString(70000, u'x') + u'\'';
    const QString message = refusal(tooLong);
    EXPECT_TRUE(message.contains(QStringLiteral("oltre il limite di 65536 caratteri (64 KB)")))
        << message.toStdString();
    EXPECT_LT(message.size(), 300) << "the text itself is not repeated";
    EXPECT_TRUE(
        refusal({}, QString(70000, u' ') + QStringLiteral("Approvato")).startsWith("Ordinamento non valido"));
    EXPECT_TRUE(refusal(inList(1001)).contains(QStringLiteral("più di 1.000 valori nell'elenco di IN")));
    EXPECT_TRUE(refusal({}, sortOf(65)).contains(QStringLiteral("più di 64 campi nell'ordinamento")));

    EXPECT_NO_THROW(db.run(translateQuery(schema["Ordini"], schema.lookup(), inList(1000), sortOf(64))));
    const QString longValue = QStringLiteral("NumeroSede = '") + QString(60000, u'\'') + u'\'';
    EXPECT_NO_THROW(db.run(translateQuery(schema["Ordini"], schema.lookup(), longValue)));
}
