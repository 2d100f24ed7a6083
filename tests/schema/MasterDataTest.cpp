// Rules of the master-data tables other than the customers: users, articles,
// agents and workstations, documents, suppliers, towns, goals and rates.

#include "SchemaTestDb.h"

#include "core/Clock.h"
#include "core/Prompt.h"
#include "startup/RunContext.h"

#include <gtest/gtest.h>

using schematest::kNoRefusal;
using schematest::refusal;
using schematest::SchemaTestDb;

TEST(Utenti, TheAdministratorKeepsNameLevelAndRow) {
    SchemaTestDb t;
    auto admin = [&] { return t.row("Utenti", "Nome = 'Amministratore'"); };
    auto a = admin();
    EXPECT_EQ(refusal([&] { a->SetColValue("Nome", "Capo"); }),
              "Non è possibile modificare l'utente Amministratore");
    a = admin();
    EXPECT_EQ(refusal([&] { a->SetColValue("LivelloAccesso", 0); }),
              "Non è possibile modificare l'utente Amministratore");
    a = admin();
    EXPECT_EQ(refusal([&] { a->DeleteRow(); }), "Non è possibile eliminare l'utente Amministratore");
    a = admin();
    EXPECT_EQ(refusal([&] {
                  a->SetColValue("Password", "segreta");
                  a->Save();
              }),
              kNoRefusal);
    EXPECT_TRUE(t.sink().questions.isEmpty());

    // The same word in lower case is an ordinary user.
    t.insert("Utenti", {{"Nome", "amministratore"}, {"Password", "x"}});
    auto lower = t.row("Utenti", "Nome = 'amministratore'");
    EXPECT_EQ(refusal([&] { lower->DeleteRow(); }), kNoRefusal);
}

TEST(Utenti, AnAdministratorWithoutPasswordIsQuestioned) {
    SchemaTestDb t;
    t.sink().answers = {true, false};
    EXPECT_EQ(refusal([&] { t.insert("Utenti", {{"Nome", "Capo"}, {"LivelloAccesso", 1}}); }), kNoRefusal);
    ASSERT_EQ(t.sink().questions.size(), 1);
    EXPECT_EQ(
        t.sink().questions[0],
        "ATTENZIONE: Password non impostata.\r\rGli utenti abilitati all'amministrazione devono avere una "
        "password di sicurezza.\r\rContinuare senza ?");
    // Answering No keeps the user from being stored.
    EXPECT_NE(refusal([&] { t.insert("Utenti", {{"Nome", "Vice"}, {"LivelloAccesso", 1}}); }), kNoRefusal);
    EXPECT_EQ(t.count("Utenti", "Nome = 'Vice'"), 0);
    EXPECT_EQ(t.row("Utenti", "Nome = 'Operatore'")->ColValueNum("LivelloAccesso"), 0);
}

TEST(Articoli, ReservedArticlesKeepTheirCode) {
    SchemaTestDb t;
    auto serv = t.row("Articoli", "Codice = '##SERV##'");
    EXPECT_EQ(refusal([&] { serv->DeleteRow(); }), "Non è possibile eliminare questo elemento");

    // Another column may change; the code stays, also after that first edit.
    serv = t.row("Articoli", "Codice = '##SERV##'");
    EXPECT_EQ(refusal([&] { serv->SetColValue("Descrizione", "SERVIZI VARI"); }), kNoRefusal);
    EXPECT_EQ(refusal([&] { serv->SetColValue("Codice", "SERV"); }),
              "Non è possibile modificare questo elemento");
    EXPECT_EQ(t.sink().questions.size(), 1);  // the question comes first, Yes or not
    serv->Save();
    EXPECT_EQ(t.row("Articoli", "Codice = '##SERV##'")->ColValueStr("Descrizione"), "SERVIZI VARI");

    // Only the two-character prefix counts.
    t.insert("Articoli", {{"Codice", "#X1"}, {"Descrizione", "Cancelletto"}});
    auto single = t.row("Articoli", "Codice = '#X1'");
    EXPECT_EQ(refusal([&] { single->DeleteRow(); }), kNoRefusal);
}

TEST(Articoli, ChangingAStoredCodeAsksFirst) {
    SchemaTestDb t;
    t.sink().questions.clear();
    // Typing the code of a new article asks nothing, also with "##".
    t.insert("Articoli", {{"Codice", "##NUOVO"}, {"Descrizione", "Nuovo"}});
    t.insert("Articoli", {{"Codice", "A1"}, {"Descrizione", "Vite"}});
    EXPECT_TRUE(t.sink().questions.isEmpty());

    t.sink().answers = {false};
    auto a = t.row("Articoli", "Codice = 'A1'");
    EXPECT_NE(refusal([&] { a->SetColValue("Codice", "A2"); }), kNoRefusal);
    EXPECT_EQ(t.sink().questions.value(0),
              "La variazione del Codice interno potrebbe causare problemi nell'identificazione di eventuali "
              "movimentazioni già effettuate per questo Articolo, continuare ?");
    EXPECT_EQ(t.count("Articoli", "Codice = 'A1'"), 1);

    a = t.row("Articoli", "Codice = 'A1'");
    EXPECT_EQ(refusal([&] {
                  a->SetColValue("Codice", "A2");
                  a->Save();
              }),
              kNoRefusal);
    EXPECT_EQ(t.count("Articoli", "Codice = 'A2'"), 1);
}

TEST(Articoli, DefaultsOfANewArticle) {
    SchemaTestDb t;
    const QString previous = startup::runContext().defaultCodiceIva;
    t.insert("Articoli", {{"Codice", "A1"}, {"Descrizione", "Vite"}});
    startup::runContext().defaultCodiceIva = "IVA10";
    t.insert("Articoli", {{"Codice", "A2"}, {"Descrizione", "Dado"}});
    startup::runContext().defaultCodiceIva = previous;

    auto a1 = t.row("Articoli", "Codice = 'A1'");
    EXPECT_EQ(a1->RefKey("IVA").toString(), "IVA20");
    EXPECT_EQ(a1->RefKey("TipoProvvigione").toString(), "");
    EXPECT_EQ(a1->ColValueNum("Disponibilità"), 0);
    EXPECT_FALSE(a1->ColValueBool("InviatoSede"));
    EXPECT_EQ(t.row("Articoli", "Codice = 'A2'")->RefKey("IVA").toString(), "IVA10");
}

TEST(Agenti, WorkstationsAreCreatedOnlyUnderTheirAgent) {
    SchemaTestDb t;
    core::FixedClock clock(2026, 4, 1, 9, 0, 0);
    EXPECT_EQ(refusal([&] {
                  t.insert("PostazioniAgenti", {{"Descrizione", "Sola"}});
              }),
              "Puoi inserire la postazione solo all'interno dell'Agente");

    // An agent code with a quote is quoted in the look-up of its workstations.
    t.insert("Agenti", {{"Codice", "O'B1"}, {"RagioneSociale", "Agente O'Brien"}});
    t.insert("Agenti", {{"Codice", "Z9"}, {"RagioneSociale", "Altro"}});
    auto agent = t.row("Agenti", "Codice = 'O''B1'");
    EXPECT_EQ(agent->ColValueNum("Provvigione"), 0);
    EXPECT_FALSE(agent->ColValueBool("Sospeso"));
    EXPECT_EQ(agent->RefKey("BancaDiAppoggio").toString(), "");

    auto stations = agent->GetReference("PostazioniInstallate");
    stations->InsertFromPairs({"Descrizione", "Ufficio"});
    stations->InsertFromPairs({"Descrizione", "Portatile"});
    auto other = t.row("Agenti", "Codice = 'Z9'")->GetReference("PostazioniInstallate");
    other->InsertFromPairs({"Descrizione", "Unica"});

    auto s = t.row("PostazioniAgenti", "Descrizione = 'Portatile'");
    EXPECT_EQ(s->ColValueStr("CodiceAgente"), "O'B1");
    EXPECT_EQ(s->ColValueNum("Progressivo"), 1);
    EXPECT_EQ(s->ColValue("DataAttivazione").toDate(), core::Date::fromParts(2026, 4, 1));
    EXPECT_FALSE(s->ColValueBool("Disabilitato"));
    EXPECT_EQ(t.row("PostazioniAgenti", "Descrizione = 'Ufficio'")->ColValueNum("Progressivo"), 0);
    EXPECT_EQ(t.row("PostazioniAgenti", "Descrizione = 'Unica'")->ColValueNum("Progressivo"), 0);

    // Two workstations of one agent cannot share a number.
    auto portatile = t.row("PostazioniAgenti", "Descrizione = 'Portatile'");
    EXPECT_NE(refusal([&] {
                  portatile->SetColValue("Progressivo", 0);
                  portatile->Save();
              }),
              kNoRefusal);
}

TEST(Documenti, TheYearFollowsTheDate) {
    SchemaTestDb t;
    core::FixedClock clock(2026, 2, 3, 9, 0, 0);
    t.insert("TipiDocumento", {{"Codice", "DDT"}, {"Descrizione", "Documento di trasporto"}});
    t.insert("Documenti",
             {{"Numero", "15"}, {"TipoDocumento", "DDT"}, {"Data", core::Date::fromParts(2025, 12, 30)}});
    auto d = t.row("Documenti", "Numero = '15'");
    EXPECT_EQ(d->ColValueNum("AnnoRiferimento"), 2025);
    d->SetColValue("Note", "Consegna parziale");
    d->Save();
    EXPECT_EQ(t.row("Documenti", "Numero = '15'")->ColValueNum("AnnoRiferimento"), 2025);
    d = t.row("Documenti", "Numero = '15'");
    d->SetColValue("Data", core::Date::fromParts(2026, 1, 2));
    d->Save();
    EXPECT_EQ(t.row("Documenti", "Numero = '15'")->ColValueNum("AnnoRiferimento"), 2026);

    // A number is unique per year and kind.
    EXPECT_NE(refusal([&] {
                  t.insert("Documenti", {{"Numero", "15"},
                                         {"TipoDocumento", "DDT"},
                                         {"Data", core::Date::fromParts(2026, 5, 1)}});
              }),
              kNoRefusal);
    EXPECT_EQ(refusal([&] {
                  t.insert("Documenti", {{"Numero", "15"},
                                         {"TipoDocumento", "DDT"},
                                         {"Data", core::Date::fromParts(2025, 5, 1)}});
              }),
              kNoRefusal);
    // A new document is dated today.
    t.insert("Documenti", {{"Numero", "16"}, {"TipoDocumento", "DDT"}});
    EXPECT_EQ(t.row("Documenti", "Numero = '16'")->ColValue("Data").toDate(),
              core::Date::fromParts(2026, 2, 3));
}

TEST(Fornitori, OnlyOneDefaultSupplier) {
    SchemaTestDb t;
    core::ScriptedBoxes boxes;
    core::FixedClock clock(2026, 2, 3, 9, 0, 0);
    t.insert("Fornitori", {{"RagioneSociale", "Alfa S.r.l."}, {"Predefinito", true}});
    t.insert("Fornitori", {{"RagioneSociale", "Beta S.p.A."}});
    auto beta = t.row("Fornitori", "RagioneSociale = 'Beta S.p.A.'");
    EXPECT_EQ(beta->ColValue("DataAttivazione").toDate(), core::Date::fromParts(2026, 2, 3));
    EXPECT_FALSE(beta->ColValueBool("Predefinito"));
    EXPECT_TRUE(boxes.shown().empty());

    beta->SetColValue("Predefinito", true);
    EXPECT_FALSE(beta->ColValueBool("Predefinito"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(
        boxes.lastText().startsWith("Esiste già il fornitore predefinito.\rPer impostare il fornitore "
                                    "attuale come predefinito si deve prima "
                                    "modificare il precedente.\r\rIl fornitore predefinito è Alfa S.r.l."))
        << boxes.lastText().toStdString();
    // A notice, not an error: no details to ask for.
    EXPECT_FALSE(boxes.lastText().contains("Visualizzare dettagli")) << boxes.lastText().toStdString();
    EXPECT_EQ(boxes.shown()[0].style, core::kOkOnly + core::kExclamation);

    // Setting the flag again on the default supplier itself is no clash.
    auto alfa = t.row("Fornitori", "RagioneSociale = 'Alfa S.r.l.'");
    alfa->SetColValue("Predefinito", true);
    EXPECT_TRUE(alfa->ColValueBool("Predefinito"));
    EXPECT_EQ(boxes.shown().size(), 1u);
    alfa->CancelUpdate();

    alfa = t.row("Fornitori", "RagioneSociale = 'Alfa S.r.l.'");
    EXPECT_EQ(refusal([&] { alfa->DeleteRow(); }), "Il fornitore predefinito non può essere cancellato.");
    beta = t.row("Fornitori", "RagioneSociale = 'Beta S.p.A.'");
    EXPECT_EQ(refusal([&] { beta->DeleteRow(); }), kNoRefusal);
}

TEST(Comuni, ANewTownIsInItaly) {
    SchemaTestDb t;
    t.insert("Nazioni", {{"Descrizione", "Francia"}});
    t.insert("Comuni", {{"Descrizione", "Como"}});
    auto como = t.row("Comuni", "Descrizione = 'Como'");
    EXPECT_EQ(como->ColValueStr("CAP"), "");
    EXPECT_EQ(como->GetReference("Nazione")->ColValueStr("Descrizione"), "Italia");
    // A nation added by the user can be changed and deleted.
    auto francia = t.row("Nazioni", "Descrizione = 'Francia'");
    EXPECT_EQ(refusal([&] {
                  francia->SetColValue("Descrizione", "France");
                  francia->Save();
                  francia->DeleteRow();
              }),
              kNoRefusal);
}

TEST(GoalsAndRates, OnePerAgentAndPeriodOrKind) {
    SchemaTestDb t;
    core::FixedClock clock(2026, 2, 3, 9, 0, 0);
    t.insert("Agenti", {{"Codice", "A001"}, {"RagioneSociale", "Uno"}});
    t.insert("TipiProvvigione", {{"Codice", "STD"}, {"Descrizione", "Standard"}});
    t.insert("ObiettiviAgenti", {{"Agente", "A001"}, {"Anno", 2026}, {"Mese", 1}, {"Importo", 1000.0}});
    EXPECT_NE(
        refusal([&] {
            t.insert("ObiettiviAgenti", {{"Agente", "A001"}, {"Anno", 2026}, {"Mese", 1}, {"Importo", 5.0}});
        }),
        kNoRefusal);
    EXPECT_EQ(
        refusal([&] {
            t.insert("ObiettiviAgenti", {{"Agente", "A001"}, {"Anno", 2026}, {"Mese", 2}, {"Importo", 5.0}});
        }),
        kNoRefusal);
    t.insert("ProvvigioniAgenti", {{"Agente", "A001"}, {"Tipo", "STD"}, {"PercentualeProvvigione", 5.0}});
    EXPECT_NE(refusal([&] {
                  t.insert("ProvvigioniAgenti",
                           {{"Agente", "A001"}, {"Tipo", "STD"}, {"PercentualeProvvigione", 3.0}});
              }),
              kNoRefusal);

    // A changed goal keeps its dates; a changed rate is stamped.
    clock.set(QDateTime(QDate(2026, 2, 4), QTime(10, 0)));
    auto goal = t.row("ObiettiviAgenti", "Mese = 1");
    goal->SetColValue("Importo", 2000.0);
    goal->Save();
    EXPECT_EQ(t.row("ObiettiviAgenti", "Mese = 1")->ColValue("DataModifica").toDate(),
              core::Date::fromParts(2026, 2, 3, 9, 0, 0));
    auto rate = t.row("ProvvigioniAgenti", "PercentualeProvvigione = 5");
    rate->SetColValue("PercentualeProvvigione", 6.0);
    rate->Save();
    EXPECT_EQ(t.row("ProvvigioniAgenti", "PercentualeProvvigione = 6")->ColValue("DataModifica").toDate(),
              core::Date::fromParts(2026, 2, 4, 10, 0, 0));
}

TEST(Agenti, TheChoiceListShowsCodeAndNameFirst) {
    SchemaTestDb t("");
    t.insert("Agenti", {{"Codice", "A001"}, {"RagioneSociale", "Uno"}});
    t.insert("Clienti", {{"Codice", "C1"}, {"RagioneSociale", "Rossi"}});
    auto offered = t.row("Clienti", "Codice = 'C1'")->SelectReference("Agente");
    EXPECT_EQ(offered->ColumnList(), "*,Codice,RagioneSociale");
    ASSERT_EQ(offered->RowCount(), 1);
    offered->RowFirst();
    EXPECT_EQ(offered->ColValueStr("RagioneSociale"), "Uno");
    // An ordinary data source on the agents keeps its column list.
    EXPECT_EQ(t.open("Agenti")->ColumnList(), "");
}
