// The operators head office sends: a password changed at this workstation
// survives a receive until head office changes that operator's password,
// and a receive never leaves the workstation without an administrator.

#include "ExchangeTestSupport.h"

#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "startup/Common.h"

using namespace exchangetest;

namespace {

QString scrambled(const QString& plain) { return startup::ScrambleString(plain, false); }

// Name, level and password of every operator, by name.
QStringList operators(datalib::Database& db) {
    QStringList out;
    auto ds = db.OpenDataSource("Utenti", {}, "Nome");
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext())
        out << ds->ColValueStr("Nome") + "|" + ds->ColValueStr("LivelloAccesso") + "|" +
                   ds->ColValueStr("Password");
    return out;
}

void setOperator(datalib::Database& db, const QString& name, const QString& password, int level = -2) {
    auto ds = db.OpenDataSource("Utenti", "Nome='" + name + "'");
    if (ds->DataEmpty()) {
        ds->InsertFromPairs(
            {"Nome", name, "Password", scrambled(password), "LivelloAccesso", level == -2 ? 0 : level});
        return;
    }
    ds->RowFirst();
    ds->SetColValue("Password", scrambled(password));
    if (level != -2) ds->SetColValue("LivelloAccesso", level);
    ds->Save();
}

QString passwordOf(datalib::Database& db, const QString& name) {
    auto ds = db.OpenDataSource("Utenti", "Nome='" + name + "'");
    if (ds->DataEmpty()) return QStringLiteral("(nessuno)");
    ds->RowFirst();
    return startup::ScrambleString(ds->ColValueStr("Password"), true);
}

}  // namespace

class OperatorsReceiveTest : public HeadOfficeTest {
  protected:
    void SetUp() override {
        HeadOfficeTest::SetUp();
        openLocal(true);
    }
    // The agent changes a password here, as "Cambia password..." stores it.
    void changeHere(const QString& name, const QString& password) { setOperator(*local->db, name, password); }
    void changeAtHeadOffice(const QString& name, const QString& password, int level = -2) {
        editHeadOffice([&](datalib::Database& head) { setOperator(head, name, password, level); });
    }
    bool receive(bool all = false) {
        boxes.clear();
        RecordingProgress p;
        return exchange::ReceiveUpdates(context(), &transfer, p, all, false);
    }
};

// Each step changes one side, then receives; the password the operator
// has here afterwards.
TEST_F(OperatorsReceiveTest, APasswordChangedHereStaysUntilHeadOfficeChangesIt) {
    struct Step {
        const char* name;
        const char* here;        // changed here first (nullptr: not)
        const char* headOffice;  // changed at head office first (nullptr: not)
        bool all;                // receive everything
        const char* after;
    };
    const Step steps[] = {
        {"changed here, head office without a password", "Prova1", nullptr, false, "Prova1"},
        {"received again", nullptr, nullptr, false, "Prova1"},
        {"received everything", nullptr, nullptr, true, "Prova1"},
        {"reset at head office", nullptr, "Sede1", false, "Sede1"},
        {"changed here again", "Prova2", nullptr, false, "Prova2"},
        {"changed on both sides: head office's", "Prova3", "Sede2", false, "Sede2"},
        {"cleared at head office", nullptr, "", true, ""},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        if (s.here) changeHere("Operatore", s.here);
        if (s.headOffice) changeAtHeadOffice("Operatore", s.headOffice);
        ASSERT_TRUE(receive(s.all)) << boxes.lastText().toStdString();
        EXPECT_EQ(passwordOf(*local->db, "Operatore"), s.after);
        EXPECT_EQ(boxes.shown().size(), 1u) << boxes.lastText().toStdString();
    }
    // An operator new here comes with head office's password; one whose
    // password head office never changed keeps the one changed here.
    changeAtHeadOffice("Magazzino", "Sede3");
    changeHere("Amministratore", "Locale1");
    ASSERT_TRUE(receive());
    EXPECT_EQ(passwordOf(*local->db, "Magazzino"), "Sede3");
    EXPECT_EQ(passwordOf(*local->db, "Amministratore"), "Locale1");
}

// Head office may change the operators as it likes but one way: a change
// that would leave no operator of the administrators' level is refused
// whole (however many operators it brings), the agent is told, the rest of
// the receive goes on, and nothing of that change counts as received.
TEST_F(OperatorsReceiveTest, AReceiveNeverLeavesTheWorkstationWithoutAnAdministrator) {
    changeHere("Amministratore", "Admin1");
    const QStringList before = operators(*local->db);
    struct Case {
        const char* name;
        QString sql;
    };
    const Case cases[] = {
        {"every operator demoted, among 6000 new ones",
         "UPDATE Utenti SET LivelloAccesso = 0; WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
         "FROM n WHERE x < 6000) INSERT INTO Utenti (Nome, Password, LivelloAccesso) SELECT 'U' || x, '', 0 "
         "FROM n"},
        {"the administrator demoted, its password replaced",
         "UPDATE Utenti SET LivelloAccesso = 0, Password = '" + scrambled("Sede9") +
             "' WHERE Nome = 'Amministratore'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.putFile(kArchive, DemoArchive());
        RawExec(server.filePath(kArchive), c.sql);
        editHeadOffice([](datalib::Database& head) {
            head.OpenDataSource("Clienti")->InsertFromPairs(
                {"Codice", "NUOVO01", "RagioneSociale", "Cliente nuovo della sede", "Agente", "DEMO"});
        });
        ASSERT_TRUE(receive(true));
        EXPECT_EQ(operators(*local->db), before);
        EXPECT_EQ(localCount("Clienti", "Codice='NUOVO01'"), 1);
        ASSERT_EQ(boxes.shown().size(), 2u);
        EXPECT_EQ(boxes.shown()[0].text,
                  "Gli utenti inviati dalla sede non comprendono nessun utente di livello Amministrazione: "
                  "non sono stati ricevuti e gli utenti di questa postazione sono rimasti come erano.\r\r"
                  "Contattare la sede.");
        EXPECT_EQ(boxes.lastText(), "AGGIORNAMENTO COMPLETATO.");
    }
    // Head office mends it, keeping the administrator's new password: that
    // is a change of head office's, which reaches the agent.
    RawExec(server.filePath(kArchive), "UPDATE Utenti SET LivelloAccesso = 1 WHERE Nome = 'Amministratore'");
    ASSERT_TRUE(receive());
    EXPECT_EQ(boxes.shown().size(), 1u) << boxes.lastText().toStdString();
    EXPECT_EQ(passwordOf(*local->db, "Amministratore"), "Sede9");
    // Another operator of that level may take the administrator's place.
    changeAtHeadOffice("Capo", "Capo1", 1);
    changeAtHeadOffice("Amministratore", "Sede9", 0);
    ASSERT_TRUE(receive());
    EXPECT_EQ(boxes.shown().size(), 1u) << boxes.lastText().toStdString();
    EXPECT_EQ(localCount("Utenti", "LivelloAccesso=1"), 1);
    EXPECT_EQ(localCount("Utenti", "Nome='Capo' AND LivelloAccesso=1"), 1);
}
