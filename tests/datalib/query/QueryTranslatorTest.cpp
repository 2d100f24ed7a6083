// The query language run on a small database laid out as the data library
// stores it: every text the program and head office use selects the right rows.

#include "QueryFixture.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/Variant.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace datalib::query;
using querytest::Db;
using querytest::Row;
using querytest::Schema;

namespace {

SqlValue t(const char* s) { return QString::fromUtf8(s); }
SqlValue n(qint64 v) { return v; }
SqlValue r(double v) { return v; }
const SqlValue null{};

class QueryTest : public ::testing::Test {
  protected:
    QueryTest() : db(schema) {
        for (const auto& [c, d, p] :
             {std::tuple{"MI1", "Milano", "MI"}, {"MB1", "Monza", "MB"}, {"RM1", "Roma", "RM"}})
            db.insert("Comuni", {{"Codice", t(c)}, {"Descrizione", t(d)}, {"Provincia", t(p)}});
        db.insert("Comuni", {{"Codice", t("XX1")}, {"Descrizione", t("Senza")}, {"Provincia", null}});
        db.insert("Comuni", {{"Codice", t("MI2")}, {"Descrizione", t("Sesto")}, {"Provincia", t("MI")}});
        db.insert("Comuni", {{"Codice", t("YY1")}, {"Descrizione", t("Vuoto")}, {"Provincia", t("")}});

        db.insert("TipiPagamento", {{"Codice", t("")}, {"Descrizione", t("")}});
        db.insert("TipiPagamento",
                  {{"Codice", t("RB")}, {"Descrizione", t("Ricevuta")}, {"Predefinito", n(1)}});
        db.insert("TipiPagamento", {{"Codice", t("BB")}, {"Descrizione", t("Bonifico")}});

        db.insert("Agenti", {{"Codice", t("A001")}, {"RagioneSociale", t("Rossi")}});
        db.insert("Agenti", {{"Codice", t("A002")}, {"RagioneSociale", t("Bianchi")}});
        db.insert(
            "PostazioniAgenti",
            {{"CodiceAgente", t("A001")}, {"Progressivo", n(0)}, {"OID_Agenti_PostazioniInstallate", n(1)}});
        db.insert(
            "PostazioniAgenti",
            {{"CodiceAgente", t("A001")}, {"Progressivo", n(1)}, {"OID_Agenti_PostazioniInstallate", n(1)}});
        db.insert(
            "PostazioniAgenti",
            {{"CodiceAgente", t("A002")}, {"Progressivo", n(0)}, {"OID_Agenti_PostazioniInstallate", n(2)}});
        db.insert("Listini", {{"Codice", t("BASE")}, {"Descrizione", t("Base")}});

        auto cliente = [&](const char* code, const char* name, SqlValue prov, int inactive, int confirmed,
                           const char* agent, qint64 town, const char* pay) {
            db.insert("Clienti", {{"Codice", t(code)},
                                  {"RagioneSociale", t(name)},
                                  {"Provincia", prov},
                                  {"Inattivo", n(inactive)},
                                  {"ConfermatoSede", n(confirmed)},
                                  {"Agente", t(agent)},
                                  {"Città", n(town)},
                                  {"TipoPagamentoAbituale", t(pay)}});
        };
        cliente("C001", "Bar dell'Angolo", t("MI"), 0, 1, "A001", 1, "RB");
        cliente("C002", "Trattoria Roma", t("RM"), 0, 0, "A001", 3, "BB");
        cliente("C003", "Pizzeria Monza", t("MB"), 1, 0, "A002", 2, "RB");
        cliente("C004", "Alimentari Sesto", null, 0, 1, "A002", 5, "");

        for (const auto& [c, d] : {std::pair{"", ""}, {"L1", "Bevande"}, {"L2", "Dolci"}})
            db.insert("Linee", {{"Codice", t(c)}, {"Descrizione", t(d)}});
        db.insert("Categorie", {{"Codice", t("")}, {"Descrizione", t("")}});
        db.insert("Categorie", {{"Codice", t("CAT1")}, {"Descrizione", t("Vini")}});
        db.insert("Categorie", {{"Codice", t("CAT2")}, {"Descrizione", t("Gadget")}, {"Complementi", n(1)}});
        db.insert("Categorie",
                  {{"Codice", t("CAT3")}, {"Descrizione", t("Vecchia")}, {"Disabilitato", n(1)}});
        db.insert("TipiProvvigione", {{"Codice", t("")}, {"Descrizione", t("")}});
        db.insert("TipiProvvigione", {{"Codice", t("T1")}, {"Descrizione", t("Standard")}});
        db.insert("TipiProvvigione",
                  {{"Codice", t("T2")}, {"Descrizione", t("Sospeso")}, {"Inattivo", n(1)}});

        auto articolo = [&](const char* code, const char* extra, const char* desc, double price, int disabled,
                            const char* cat, const char* line, const char* type) {
            db.insert("Articoli", {{"Codice", t(code)},
                                   {"CodiceAggiuntivo", t(extra)},
                                   {"Descrizione", t(desc)},
                                   {"PrezzoBase", r(price)},
                                   {"Disabilitato", n(disabled)},
                                   {"Categoria", t(cat)},
                                   {"Linea", t(line)},
                                   {"TipoProvvigione", t(type)}});
        };
        articolo("ART1", "X1", "Vino rosso", 10.0, 0, "CAT1", "L1", "T1");
        articolo("ART2", "X2", "Vino bianco", 8.5, 0, "CAT1", "L1", "T2");
        articolo("GAD1", "X3", "Portachiavi", 1.0, 0, "CAT2", "L2", "T1");
        articolo("##NOTA##", "", "Nota", 0.0, 0, "CAT2", "", "");
        articolo("OLD1", "", "Vecchio", 5.0, 1, "CAT3", "L2", "T1");

        auto promo = [&](const char* code, const char* desc, SqlValue from, SqlValue to) {
            db.insert("Promozioni", {{"Codice", t(code)},
                                     {"Descrizione", t(desc)},
                                     {"DataInizioPromozione", from},
                                     {"DataFinePromozione", to}});
        };
        promo("P1", "Estate", t("2026-06-01"), t("2026-09-30"));
        promo("P2", "Sempre", t("2026-01-01"), null);
        promo("P3", "Futura", t("2027-01-01"), null);
        promo("P4", "Scaduta", t("2025-01-01"), t("2025-12-31"));
        promo("", "", null, null);
        db.insert("PromozioniArticoli", {{"CodicePromozione", t("P1")},
                                         {"PercentualeSconto", r(10)},
                                         {"OID_Articoli", n(1)},
                                         {"OID_Promozioni_Elementi", n(1)}});
        db.insert("PromozioniArticoli", {{"CodicePromozione", t("P2")},
                                         {"PercentualeSconto", r(5)},
                                         {"OID_Articoli", n(3)},
                                         {"OID_Promozioni_Elementi", n(2)}});

        auto ordine = [&](const char* num, SqlValue ns, int appr, int ann, int compl_, int locked, int sent,
                          const char* date, const char* agent, const char* customer) {
            db.insert("Ordini", {{"Numero", t(num)},
                                 {"NumeroSede", ns},
                                 {"Approvato", n(appr)},
                                 {"Annullato", n(ann)},
                                 {"Completato", n(compl_)},
                                 {"NonModificabile", n(locked)},
                                 {"InviatoSede", n(sent)},
                                 {"DataInserimento", t(date)},
                                 {"DataModifica", t(date)},
                                 {"Agente", t(agent)},
                                 {"Cliente", t(customer)},
                                 {"Listino", t("BASE")}});
        };
        ordine("A001R11300", t("9"), 0, 0, 1, 0, 0, "2004-03-05 10:00:00", "A001", "C001");
        ordine("A001R11301", t("10"), 1, 0, 1, 1, 1, "2004-03-06 09:00:00", "A001", "C002");
        ordine("A001R11302", t("11"), 0, 1, 1, 0, 1, "2004-04-01 00:00:00", "A001", "C001");
        ordine("A002R11300", null, 0, 0, 0, 0, 0, "2004-03-31 23:59:59", "A002", "C003");
        ordine("A001R11303", t(""), 0, 0, 1, 1, 0, "2005-03-10 12:00:00", "A001", "C004");
        ordine("A001R11304", t("8"), 0, 0, 1, 1, 1, "2004-03-05 18:30:00", "A001", "C002");

        auto riga = [&](qint64 order, qint64 article, qint64 pos, double q, double done, const char* promo,
                        const char* note) {
            db.insert("RigheOrdini", {{"OID_Ordini_Righe", n(order)},
                                      {"OID_Articoli", n(article)},
                                      {"PosizioneRiga", n(pos)},
                                      {"QuantitàOrdine", r(q)},
                                      {"QuantitàEvasa", r(done)},
                                      {"Promozione", t(promo)},
                                      {"DescrizioneAggiuntiva", t(note)}});
        };
        riga(1, 1, 1, 5, 5, "", "");
        riga(1, 3, 2, 2, 0, "P1", "");
        riga(2, 2, 1, 1, 0, "", "");
        riga(2, 4, 2, 0, 0, "", "Consegna al mattino");
        riga(3, 1, 1, 3, 1, "", "");
        riga(4, 3, 1, 1, 1, "", "");

        db.insert("ProvvigioniAgenti",
                  {{"Agente", t("A001")}, {"Tipo", t("T1")}, {"PercentualeProvvigione", r(5)}});
        db.insert("ProvvigioniAgenti",
                  {{"Agente", t("A001")}, {"Tipo", t("T2")}, {"PercentualeProvvigione", r(7)}});
        db.insert("ProvvigioniAgenti",
                  {{"Agente", t("A002")}, {"Tipo", t("T1")}, {"PercentualeProvvigione", r(4)}});

        for (const auto& [tab, ref, name] : {std::tuple{"Clienti", "", "Elenco"},
                                             {"Clienti", "Agente", "Per agente"},
                                             {"Ordini", "", "Ordine"}})
            db.insert(
                "TabProspettiStampa",
                {{"NomeTabellaOrigine", t(tab)}, {"NomeReference", t(ref)}, {"NomeProspetto", t(name)}});
    }

    SqlQuery translate(const QString& table, const QString& filter, const QString& sort = {},
                       const QString& columns = {}) const {
        return translateQuery(schema[table], schema.lookup(), filter, sort, columns);
    }

    // The OIDs of the rows selected, in the order of the query.
    std::vector<int> oids(const QString& table, const QString& filter, const QString& sort = {}) const {
        std::vector<int> out;
        for (const QStringList& row : db.run(translate(table, filter, sort))) out.push_back(row[0].toInt());
        return out;
    }

    std::vector<int> sortedOids(const QString& table, const QString& filter) const {
        auto v = oids(table, filter);
        std::sort(v.begin(), v.end());
        return v;
    }

    // One column of the rows selected, by its result name.
    QStringList values(const QString& table, const QString& filter, const QString& sort,
                       const QString& columns, const QString& column) const {
        const SqlQuery q = translate(table, filter, sort, columns);
        const auto index = q.columnNames.indexOf(column);
        EXPECT_GE(index, 0) << column.toStdString() << " in " << q.columnNames.join(",").toStdString();
        QStringList out;
        for (const QStringList& row : db.run(q)) out << row.value(index);
        return out;
    }

    Schema schema;
    Db db;
};

struct FilterCase {
    const char* table;
    const char* filter;
    std::vector<int> oids;
};

TEST_F(QueryTest, EveryFilterOfTheProgramSelectsItsRows) {
    const FilterCase cases[] = {
        // order views and the sending of orders
        {"Ordini", "Not InviatoSede  And Completato", {1, 5}},
        {"Ordini", "NOT InviatoSede AND Completato AND Not NonModificabile", {1}},
        {"Ordini", "NOT InviatoSede", {1, 4, 5}},
        {"Ordini", "InviatoSede AND Not Approvato AND Not Annullato", {6}},
        {"Ordini", "InviatoSede AND Approvato AND Not Annullato", {2}},
        {"Ordini", "Annullato", {3}},
        {"Clienti", "NOT ConfermatoSede", {2, 3}},
        {"RigheOrdini", "Approvato", {3, 4}},  // a column of the parent order
        {"RigheOrdini", "QuantitàOrdine - QuantitàEvasa > 0", {2, 3, 5}},
        {"Articoli", " Disabilitato = False ", {1, 2, 3, 4}},
        {"Categorie", "NOT Disabilitato", {1, 2, 3}},
        {"TipiPagamento", "Predefinito = True", {2}},
        {"TipiPagamento", "Predefinito", {2}},
        // periods
        {"Ordini", "Month(DataInserimento) = 3 AND Year(DataInserimento) = 2004", {1, 2, 4, 6}},
        {"Ordini", "DataInserimento >= #2004-03-05# AND DataInserimento < #2004-03-06#", {1, 6}},
        {"Ordini", "DataInserimento >= '05/03/2004' AND DataInserimento < '01/04/2004'", {1, 2, 4, 6}},
        {"Ordini", "(Cliente='C001') AND (NOT InviatoSede)", {1}},
        {"Ordini",
         "(Completato) AND (Month(DataInserimento) = 3 AND Year(DataInserimento) = 2004)",
         {1, 2, 6}},
        // numbering, codes and defaults
        {"Ordini", "Left(Numero,4)='A001' AND Ordini.OID<>1", {2, 3, 5, 6}},
        {"Clienti", "Left(Codice,3)= 'C00' AND Clienti.OID<>2", {1, 3, 4}},
        {"PostazioniAgenti", "CodiceAgente='A001'", {1, 2}},
        {"Agenti", "Codice='A002'", {2}},
        {"Clienti", "Codice = Null", {}},
        // references, base and parent tables
        {"RigheOrdini", "Categoria.Complementi=True AND Left(Articoli.Codice,2)<>'##'", {2, 6}},
        {"RigheOrdini", "Left(Articoli.Codice,2)<>'##'", {1, 2, 3, 5, 6}},
        {"RigheOrdini", "Articoli.Codice='ART1'", {1, 5}},
        {"PromozioniArticoli", "Articoli.Codice='GAD1'", {2}},
        {"Articoli", "Articoli.CodiceAggiuntivo='X2'", {2}},
        {"Articoli", "Articoli.Descrizione='Portachiavi'", {3}},
        {"RigheOrdini", "Promozione.Codice='P1'", {2}},
        {"Clienti", "Comuni.Provincia='MI' AND Clienti.Città=Comuni.OID", {1, 4}},
        {"Clienti",
         "TipiPagamento.Codice='RB' AND Clienti.TipoPagamentoAbituale=TipiPagamento.Codice",
         {1, 3}},
        {"Clienti", "Agenti.Codice='A002'", {3, 4}},
        {"Linee", "Descrizione <> '' AND NOT Disabilitato", {2, 3}},
        {"Categorie", "Descrizione<>'' AND Categorie.Complementi=False AND NOT Disabilitato", {2}},
        {"ProvvigioniAgenti", "Agente='A001' AND Tipo='T1' AND Not Tipo.Inattivo", {1}},
        {"ProvvigioniAgenti", "Agente='A001' AND Tipo='T2' AND Not Tipo.Inattivo", {}},
        {"TipiProvvigione", "Not Inattivo", {1, 2}},
        {"TabProspettiStampa", "NomeTabellaOrigine='Clienti' AND NomeReference<>''", {2}},
        {"Comuni", "Provincia", {1, 2, 3, 5}},  // "is set": not Null and not ""
        {"Ordini", "NumeroSede", {1, 2, 3, 6}},
        // names and keywords in any letter case, accents included
        {"RigheOrdini", "quantitàordine - QUANTITÀEVASA > 0 and not ordini.approvato", {2, 5}},
        {"Clienti", "comuni.PROVINCIA = 'MI' or città Is Null", {1, 4}},
        // the rest of the language
        {"Clienti", "RagioneSociale Like 'bar*'", {1}},
        {"Clienti", "RagioneSociale LIKE '%a_Mo%'", {}},  // "_" is a plain character
        {"Clienti", "RagioneSociale Like '?izzeria*'", {3}},
        {"Clienti", "Codice In ('C001', \"C003\")", {1, 3}},
        {"Clienti", "Codice Not In ('C001','C003') And Provincia Is Not Null", {2}},
        {"Ordini", "NumeroSede Is Null Or NumeroSede = Null", {4}},
        {"Ordini", "DataInserimento Between #05/03/2004# And #2004-03-06 09:00:00#", {1, 2, 6}},
        {"Articoli", "PrezzoBase * 2 >= 17 AND PrezzoBase / 2 < 5", {2}},
        {"Articoli",
         "UCase(Left(Descrizione, 4)) = 'VINO' AND Len(Trim(Codice)) = 4 AND LCase(Right(Codice,1)) = '1'",
         {1}},
        {"Articoli",
         "Mid(Codice, 2, 2) = 'RT' AND Nz(Linea, 'x') <> 'x' AND IIF(PrezzoBase > 9, 1, 0) = 1",
         {1}},
        {"Ordini", "Day(DataInserimento) = 31 and not (Month(DataInserimento) <> 3)", {4}},
        {"Promozioni",
         "DataInizioPromozione <= Date() AND (DataFinePromozione >= Now() OR DataFinePromozione Is Null) AND "
         "Codice <> ''",
         {1, 2}},
    };
    core::FixedClock clock(2026, 8, 8, 10, 0, 0);
    for (const FilterCase& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(sortedOids(c.table, c.filter), c.oids);
    }
}

TEST_F(QueryTest, ConditionsOnAnOrdersRowsSelectEachOrderOnce) {
    // The order search: customer, article and the joins, as the search window
    // writes them; an order whose two rows both match is listed once.
    const QString cond = QStringLiteral(
        "Clienti.RagioneSociale Like '%Angolo%' AND Ordini.Cliente=Clienti.Codice AND "
        "Articoli.Descrizione Like '%%' AND Ordini.OID=RigheOrdini.OID_Ordini_Righe AND "
        "RigheOrdini.OID_Ordini_Righe=Ordini.OID");
    EXPECT_EQ(oids("Ordini", cond, "DataInserimento"), (std::vector<int>{1, 3}));
    // Parts on the rows speak of the same row.
    EXPECT_EQ(sortedOids("Ordini", "Articoli.Codice='ART1' AND RigheOrdini.QuantitàOrdine > 4"),
              (std::vector<int>{1}));
    EXPECT_EQ(sortedOids("Ordini", "Articoli.Codice='ART1' OR Cliente='C004'"), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(sortedOids("Ordini", "NOT Articoli.Codice='ART1'"), (std::vector<int>{2, 4, 5, 6}));
    // The same condition on the order rows (the "per Cliente" sections).
    EXPECT_EQ(sortedOids("RigheOrdini", cond), (std::vector<int>{1, 2, 5}));
    // A category's articles, seen from the category: the line filter of the
    // category grid.
    EXPECT_EQ(values("Categorie",
                     "Descrizione<>'' AND Articoli.Linea='L2' AND Articoli.Categoria=Categorie.Codice AND "
                     "NOT Disabilitato",
                     "Descrizione", "DISTINCTROW OID, Descrizione", "Descrizione"),
              (QStringList{"Gadget"}));
}

TEST_F(QueryTest, SortsOrderTheRows) {
    EXPECT_EQ(oids("Ordini", "", "DataInserimento"), (std::vector<int>{1, 6, 2, 4, 3, 5}));
    EXPECT_EQ(oids("Ordini", "", "Numero DESC"), (std::vector<int>{4, 6, 5, 3, 2, 1}));
    EXPECT_EQ(oids("Articoli", "NOT Disabilitato", "Articoli.Descrizione"), (std::vector<int>{4, 3, 2, 1}));
    EXPECT_EQ(oids("RigheOrdini", "", "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga"),
              (std::vector<int>{5, 1, 2, 3, 4, 6}));
    EXPECT_EQ(oids("Clienti", "", "Provincia desc, RagioneSociale ASC"), (std::vector<int>{2, 1, 3, 4}));
    // Texts sort without regard to letter case.
    db.exec("UPDATE Clienti SET RagioneSociale = 'alfa' WHERE OID = 4");
    EXPECT_EQ(oids("Clienti", "", "RagioneSociale"), (std::vector<int>{4, 1, 3, 2}));
}

TEST_F(QueryTest, ColumnListsGiveTheirColumns) {
    const SqlQuery orders = translate(
        "Ordini", "", "", "*,Numero,NumeroSede,Cliente,DataInserimento,Listino,DataModifica,Agente");
    EXPECT_EQ(orders.columnNames.first(), "OID");
    EXPECT_EQ(orders.columnNames.count("Numero"), 1);  // named columns already in "*" are not repeated
    EXPECT_TRUE(orders.columnNames.contains("Listino"));

    EXPECT_EQ(values("RigheOrdini", "", "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga",
                     "*,Ordini.Cliente,Ordini.NumeroSede", "Cliente"),
              (QStringList{"C001", "C001", "C001", "C002", "C002", "C003"}));
    EXPECT_EQ(
        values("RigheOrdini", "", "PosizioneRiga", "*,Ordini.Cliente,Ordini.NumeroSede", "NumeroSede").size(),
        6);
    // The base table's columns are part of "*" on a based table.
    EXPECT_EQ(values("RigheOrdini", "Promozione.Codice='P1'", "", "", "Codice"), (QStringList{"GAD1"}));

    EXPECT_EQ(values("Comuni", "Provincia", "Provincia", "DISTINCT Provincia", "Provincia"),
              (QStringList{"MB", "MI", "RM"}));
    EXPECT_EQ(translate("Comuni", "", "", "DISTINCT Provincia").columnNames, (QStringList{"Provincia"}));
    EXPECT_EQ(values("Articoli", "NOT Disabilitato", "Articoli.Descrizione", "*,PrezzoBase", "PrezzoBase"),
              (QStringList{"0.0", "1.0", "8.5", "10.0"}));
    EXPECT_EQ(values("Linee", "", "", "Descrizione", "OID"),
              (QStringList{"1", "2", "3"}));  // identifier first

    const QString rowColumns = QStringLiteral(
        "*,PosizioneRiga,Codice,IIF(Left(Codice,2)<>'##',Descrizione,DescrizioneAggiuntiva) AS "
        "DescrizioneRiga,"
        "QuantitàOrdine,ImportoImponibile,ImportoSconto");
    EXPECT_EQ(values("RigheOrdini", "Ordini.OID = 2", "PosizioneRiga", rowColumns, "DescrizioneRiga"),
              (QStringList{"Vino bianco", "Consegna al mattino"}));
    // An alias can be sorted on.
    EXPECT_EQ(values("RigheOrdini", "Ordini.OID = 2", "DescrizioneRiga", rowColumns, "PosizioneRiga"),
              (QStringList{"2", "1"}));
}

TEST_F(QueryTest, BadTextsRaiseAClearErrorAndChangeNothing) {
    struct Bad {
        const char* kind;  // f filter, s sort, c columns
        const char* text;
        const char* message;
    };
    const Bad cases[] = {
        {"f", "(Codice='C001'", "posizione 15: manca ')'"},
        {"f", "Codice='C001')", "posizione 14: testo inatteso ')'"},
        {"f", "Pippo = 1", "posizione 1: campo sconosciuto 'Pippo'"},
        {"f", "Agenti.Pippo = 1", "campo sconosciuto 'Pippo' nella tabella Agenti"},
        {"f", "Nessuna.Codice = 1", "tabella o riferimento sconosciuto 'Nessuna'"},
        {"f", "Foo(Codice) = 1", "posizione 1: funzione sconosciuta 'Foo'"},
        {"f", "Left(Codice) = 'A'", "la funzione Left vuole 2 argomenti"},
        {"f", "Codice = 'C001", "posizione 10: testo tra virgolette non chiuso"},
        {"f", "'; DROP TABLE Clienti", "posizione 1: testo tra virgolette non chiuso"},
        {"f", "Codice = 'x'; DROP TABLE Clienti", "posizione 13: carattere non ammesso ';'"},
        {"f", "Codice = ", "il testo finisce prima del previsto"},
        {"f", "DataInserimento = #31/02/2004#", "non è una data valida"},
        {"f", "Codice = 'A' AND", "il testo finisce prima del previsto"},
        {"s", "Codice,", "il testo finisce prima del previsto"},
        {"s", "Codice DESCENDING", "testo inatteso 'DESCENDING'"},
        // SQLite would take a number as a result column's place.
        {"s", "False", "Ordinamento non valido alla posizione 1: si può ordinare soltanto per un campo"},
        {"s", "Codice, True DESC", "posizione 9: si può ordinare soltanto per un campo"},
        {"s", "2", "si può ordinare soltanto per un campo"},
        {"s", "Left(Codice,1)", "si può ordinare soltanto per un campo"},
        {"c", "DISTINCT", "manca l'elenco dei campi"},
        {"c", "Codice AS", "manca il nome della colonna dopo AS"},
    };
    for (const Bad& b : cases) {
        SCOPED_TRACE(b.text);
        const QString text = QString::fromUtf8(b.text);
        const QString table =
            QString::fromUtf8(b.kind) == "f" && text.contains("Data") ? "Ordini" : "Clienti";
        try {
            if (*b.kind == 'f')
                translate(table, text);
            else if (*b.kind == 's')
                translate(table, {}, text);
            else
                translate(table, {}, {}, text);
            ADD_FAILURE() << "no error";
        } catch (const core::AppError& e) {
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(b.message)))
                << e.description().toStdString();
        }
    }
    EXPECT_EQ(db.count("Clienti"), 4);
    // A column of many rows cannot be shown or sorted on.
    EXPECT_THROW(translate("Ordini", "", "Articoli.Descrizione"), core::AppError);
    EXPECT_THROW(translate("Ordini", "", "", "*,RigheOrdini.PosizioneRiga"), core::AppError);
}

TEST_F(QueryTest, FieldConditionsSelectTheirRowsAndKeepTypedTextPlain) {
    const auto& ordini = schema["Ordini"];
    const auto& clienti = schema["Clienti"];
    // The typed value is a plain character, whatever it holds.
    EXPECT_EQ(sortedOids("Clienti", BuildFieldCondition(clienti, "RagioneSociale", QStringLiteral("dell'A"),
                                                        MatchContains)),
              (std::vector<int>{1}));
    for (const char* hostile : {"x'; DROP TABLE Clienti; --", "%", "*", "_", "[", "?", "\"", "#"}) {
        SCOPED_TRACE(hostile);
        for (int code : {MatchEqual, MatchBeginsWith, MatchContains})
            EXPECT_TRUE(oids("Clienti",
                             BuildFieldCondition(clienti, "RagioneSociale", QString::fromUtf8(hostile), code))
                            .empty());
    }
    EXPECT_EQ(db.count("Clienti"), 4);
    EXPECT_EQ(sortedOids("Clienti", BuildFieldCondition(clienti, "RagioneSociale", QStringLiteral("pizz"),
                                                        MatchBeginsWith)),
              (std::vector<int>{3}));
    EXPECT_EQ(
        sortedOids("Clienti", BuildFieldCondition(clienti, "Codice", QStringLiteral("C002"), MatchEqual)),
        (std::vector<int>{2}));

    // Dates typed in the search window; the last day of a range is included
    // on a date-and-time column, and a single day selects the whole day.
    EXPECT_EQ(
        sortedOids("Ordini", BuildFieldCondition(ordini, "DataInserimento", QStringLiteral("05/03/2004"),
                                                 MatchRange, QStringLiteral("06/03/2004"))),
        (std::vector<int>{1, 2, 6}));
    EXPECT_EQ(sortedOids("Ordini", BuildFieldCondition(ordini, "DataInserimento",
                                                       QStringLiteral("05/03/2004"), MatchEqual)),
              (std::vector<int>{1, 6}));
    EXPECT_EQ(sortedOids("Ordini", BuildFieldCondition(ordini, "DataInserimento",
                                                       core::Variant(core::Date::fromParts(2004, 3, 31)),
                                                       MatchLessEqual)),
              (std::vector<int>{1, 2, 4, 6}));
    // The current value of a date and time: exactly that moment.
    EXPECT_EQ(
        sortedOids("Ordini", EqualityCondition(ordini, "DataInserimento",
                                               core::Variant(core::Date::fromParts(2004, 3, 5, 18, 30, 0)))),
        (std::vector<int>{6}));
    // Head-office numbers as numbers: "9" to "10" takes both.
    EXPECT_EQ(sortedOids("Ordini", BuildFieldCondition(ordini, "NumeroSede", QStringLiteral("9"), MatchRange,
                                                       QStringLiteral("10"))),
              (std::vector<int>{1, 2}));
    EXPECT_EQ(sortedOids("Ordini", BuildFieldCondition(ordini, "NumeroSede", QStringLiteral("8"), MatchRange,
                                                       QStringLiteral("9"))),
              (std::vector<int>{1, 6}));
    // Null and the empty code.
    EXPECT_EQ(
        sortedOids("Ordini", BuildFieldCondition(ordini, "NumeroSede", core::Variant::null(), MatchEqual)),
        (std::vector<int>{4}));
    EXPECT_EQ(sortedOids("Ordini", BuildFieldCondition(ordini, "NumeroSede", QString(), MatchEqual)),
              (std::vector<int>{4, 5}));
    EXPECT_TRUE(oids("Clienti", EqualityCondition(clienti, "Codice", core::Variant::null())).empty());
    // Amounts typed or shown the Italian way.
    EXPECT_EQ(sortedOids("Articoli", BuildFieldCondition(schema["Articoli"], "PrezzoBase",
                                                         QStringLiteral("8,50"), MatchEqual)),
              (std::vector<int>{2}));
    EXPECT_EQ(sortedOids("Ordini", BuildFieldCondition(ordini, "NumeroSede", core::Variant(), MatchNotEqual)),
              (std::vector<int>{1, 2, 3, 6}));
    EXPECT_EQ(sortedOids("Clienti", EqualityCondition(clienti, "TipoPagamentoAbituale", QString())),
              (std::vector<int>{4}));
    EXPECT_EQ(
        sortedOids("Ordini", BuildFieldCondition(ordini, "Completato", QStringLiteral("Falso"), MatchEqual)),
        (std::vector<int>{4}));

    // The promotion list of the order window: A AND (B OR C) AND D.
    const auto& promo = schema["Promozioni"];
    const core::Variant today(core::Date::fromParts(2026, 8, 8));
    const QString list = BuildFieldCondition(promo, "DataInizioPromozione", today, MatchLessEqual) +
                         " AND (" +
                         BuildFieldCondition(promo, "DataFinePromozione", today, MatchGreaterEqual) + " OR " +
                         BuildFieldCondition(promo, "DataFinePromozione", core::Variant::null(), MatchEqual) +
                         ") AND " + BuildFieldCondition(promo, "Codice", QString(), MatchNotEqual);
    EXPECT_EQ(sortedOids("Promozioni", list), (std::vector<int>{1, 2}));

    // Row and join conditions.
    EXPECT_EQ(
        sortedOids("Ordini", "Left(Numero,4)='A001' AND " + RowOIDQueryString(ordini, 1, MatchNotEqual)),
        (std::vector<int>{2, 3, 5, 6}));
    EXPECT_EQ(sortedOids("Ordini", RowOIDQueryString(ordini, 4, MatchEqual)), (std::vector<int>{4}));
    EXPECT_EQ(sortedOids("Clienti", "Comuni.Provincia=" + QueryLiteral(QStringLiteral("MI")) + " AND " +
                                        JoinCondition(clienti, *clienti.references.find("Città"))),
              (std::vector<int>{1, 4}));
    EXPECT_EQ(JoinCondition(clienti, *clienti.references.find("TipoPagamentoAbituale")),
              "Clienti.TipoPagamentoAbituale=TipiPagamento.Codice");
    EXPECT_EQ(sortedOids("Ordini", "Articoli.Codice='GAD1' AND " +
                                       JoinCondition(ordini, *ordini.references.find("Righe"))),
              (std::vector<int>{1, 4}));

    EXPECT_THROW(BuildFieldCondition(ordini, "Pippo", 1, MatchEqual), core::AppError);
    EXPECT_THROW(BuildFieldCondition(ordini, "DataInserimento", QStringLiteral("ieri"), MatchEqual),
                 core::AppError);
    EXPECT_THROW(BuildFieldCondition(ordini, "Numero", QStringLiteral("A"), 99), core::AppError);
}

TEST_F(QueryTest, LiteralsReadBackAsTheirValues) {
    struct Case {
        core::Variant value;
        const char* literal;
    };
    const Case cases[] = {
        {core::Variant(QStringLiteral("Bar dell'Angolo")), "'Bar dell''Angolo'"},
        {core::Variant(), "Null"},
        {core::Variant(true), "True"},
        {core::Variant(std::int32_t(-12)), "-12"},
        {core::Variant(2.5), "2.5"},
        {core::Variant(core::Currency::fromRaw(-123450)), "-12.345"},
        {core::Variant(core::Date::fromParts(2004, 3, 5)), "#2004-03-05#"},
        {core::Variant(core::Date::fromParts(2004, 3, 5, 14, 30, 0)), "#2004-03-05 14:30:00#"},
    };
    for (const Case& c : cases) EXPECT_EQ(QueryLiteral(c.value), QString::fromUtf8(c.literal));
    // The database's query formatting is what the translator reads.
    EXPECT_EQ(sortedOids("Clienti", "RagioneSociale=" + QueryLiteral(QStringLiteral("Bar dell'Angolo"))),
              (std::vector<int>{1}));
    EXPECT_EQ(sortedOids("Ordini",
                         "DataInserimento < " + QueryLiteral(core::Date::fromParts(2004, 3, 5, 18, 30, 0))),
              (std::vector<int>{1}));
}

TEST_F(QueryTest, TheMigrationStatementCompletesAndLocksEveryOrder) {
    const SqlStatement st =
        translateStatement("UPDATE Ordini SET Completato=True, NonModificabile=True", schema.lookup());
    sqlite3_stmt* s = db.prepare(st.sql);
    ASSERT_EQ(datalib::bindSqlValues(s, st.params), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(s), SQLITE_DONE);
    sqlite3_finalize(s);
    EXPECT_EQ(sortedOids("Ordini", "Completato AND NonModificabile"), (std::vector<int>{1, 2, 3, 4, 5, 6}));

    const SqlStatement some = translateStatement(
        "update Ordini set NumeroSede = 'X' where Clienti.Codice = 'C002'", schema.lookup());
    s = db.prepare(some.sql);
    datalib::bindSqlValues(s, some.params);
    ASSERT_EQ(sqlite3_step(s), SQLITE_DONE);
    sqlite3_finalize(s);
    EXPECT_EQ(sortedOids("Ordini", "NumeroSede = 'X'"), (std::vector<int>{2, 6}));

    EXPECT_THROW(translateStatement("DELETE FROM Ordini", schema.lookup()), core::AppError);
    EXPECT_THROW(translateStatement("UPDATE Nessuna SET A=1", schema.lookup()), core::AppError);
    EXPECT_THROW(translateStatement("UPDATE Ordini SET Pippo=1", schema.lookup()), core::AppError);
}

TEST_F(QueryTest, CallerConditionsJoinTheFilter) {
    // A child data source adds its parent link to the filter it was given.
    SqlQuery q =
        translate("RigheOrdini", "QuantitàOrdine > 1 Or DescrizioneAggiuntiva = '?'", "PosizioneRiga");
    q.andWhere(QStringLiteral("\"t0\".\"OID_Ordini_Righe\" = ? AND '?' <> ?"),
               {qint64(1), QStringLiteral("x")});
    std::vector<int> got;
    for (const QStringList& row : db.run(q)) got.push_back(row[0].toInt());
    EXPECT_EQ(got, (std::vector<int>{1, 2}));

    sqlite3_stmt* s =
        db.prepare(translate("Ordini", "Articoli.Codice='ART1'", "", "DISTINCT Cliente").countSql());
    datalib::bindSqlValues(s, translate("Ordini", "Articoli.Codice='ART1'", "", "DISTINCT Cliente").params);
    ASSERT_EQ(sqlite3_step(s), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(s, 0), 1);
    sqlite3_finalize(s);
}

}  // namespace
