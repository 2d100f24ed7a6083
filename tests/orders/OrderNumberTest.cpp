// Order numbers from the numbering script: the built-in text with its date
// characters, workstation and counter, its refusals, and a script that head
// office replaced.

#include "OrdersFixture.h"

#include "orders/OrderRules.h"
#include "schema/NumberingScript.h"

using namespace orderstest;

namespace {

// Stores orders with the given numbers as head office's data would bring them.
void storeNumbers(SchemaTestDb& t, std::initializer_list<const char*> numbers) {
    t.db().BeginUpdate();
    for (const char* n : numbers) t.insert("Ordini", {{"Numero", n}, {"Agente", "A001"}, {"Cliente", "C2"}});
    t.db().EndUpdate();
}

struct NumberCase {
    int year, month, day;
    std::initializer_list<const char*> stored;
    const char* number;
};

const QString kScriptError = "Errore di esecuzione Script (VB) per la generazione del progressivo Ordine: ";

}  // namespace

TEST_F(OrdersTest, NumbersFromAgentDateWorkstationAndCounter) {
    const NumberCase cases[] = {
        {2026, 8, 8, {}, "A001R88300"},
        {2026, 8, 8, {"A001R88300"}, "A001R88301"},
        {2026, 8, 8, {"A001R883FE"}, "A001R883FF"},
        {2026, 8, 8, {"A001R8C301"}, "A001R8C302"},  // a later number of the workstation is continued
        {2026, 8, 8, {"B001R88305"}, "A001R88300"},  // another agent's numbers do not count
        // Nor those of the agent's other workstations, which a receive brings:
        // their digit is never continued, whatever their counter or date.
        {2026, 8, 8, {"A001R88405", "A001R88201", "A001R8C4FF"}, "A001R88300"},
        {2026, 8, 8, {"A001R88305", "A001R88406", "A001R882FF"}, "A001R88306"},
        {2026, 8, 10, {"A001R89302"}, "A001R89303"},  // the 10th ("0") sorts below the 9th
        {2026, 10, 2, {"A001R92300"}, "A001R92301"},  // October ("0") sorts below September
        {2026, 12, 31, {}, "A001RBZ300"},
        {2000, 1, 1, {}, "A001Z11300"},  // the year index wraps: 2000 as 2031
        {2032, 1, 1, {}, "A001111300"},  // and 2032 as 2001
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(std::string(c.number));
        build("A001");
        clock.set(QDateTime(QDate(c.year, c.month, c.day), QTime(9, 0)));
        storeNumbers(*t, c.stored);
        EXPECT_EQ(newOrder("C2")->ColValueStr("Numero"), c.number);
    }
    // Orders of one day get different numbers.
    build("A001");
    clock.set(QDateTime(QDate(2026, 8, 8), QTime(9, 0)));
    EXPECT_EQ(newOrder("C2")->ColValueStr("Numero"), "A001R88300");
    EXPECT_EQ(newOrder("C2")->ColValueStr("Numero"), "A001R88301");
}

TEST_F(OrdersTest, NumberingRefusesWhatWouldGiveAWrongNumber) {
    struct Case {
        const char* name;
        const char* agent;
        const char* workstation;
        std::initializer_list<const char*> stored;
        const char* shown;
    };
    const Case cases[] = {
        {"workstation not set", "A001", "", {}, "Postazione Corrente non impostata per l'Agente: A001"},
        {"workstation 16", "A001", "16", {}, "Progressivo Postazione Corrente oltre il max (15) supportato"},
        {"agent code of three characters",
         "A01",
         "3",
         {},
         "Il codice dell'Agente A01 ha meno di 4 caratteri: impossibile assegnare il numero all'ordine."},
        // The 257th order of the day on the workstation: never the next
        // workstation's digit.
        {"counter past FF",
         "A001",
         "3",
         {"A001R883FF", "A001R88400"},
         "Raggiunto il numero massimo di ordini (256) della postazione 3 in un giorno: il numero "
         "A001R883FF e' gia' stato assegnato.\r\rImpossibile assegnare il numero all'ordine."},
        {"counter past FF on a later day",
         "A001",
         "10",
         {"A001R8CAFF"},
         "Raggiunto il numero massimo di ordini (256) della postazione 10 in un giorno: il numero "
         "A001R8CAFF e' gia' stato assegnato.\r\rImpossibile assegnare il numero all'ordine."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        build(c.agent);
        t->db().SetSysParam("CodicePostazione", c.workstation);
        storeNumbers(*t, c.stored);
        boxes.clear();
        EXPECT_NE(refusal([&] { newOrder("C2"); }), kNoRefusal);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, c.shown);
        EXPECT_EQ(t->count("Ordini"), long(c.stored.size()));
        EXPECT_TRUE(t->sink().messages.isEmpty());
    }
}

TEST_F(OrdersTest, NumberingErrorsNameTheScriptAndItsLine) {
    struct Case {
        const char* name;
        const char* script;  // nullptr: the built-in one
        std::initializer_list<const char*> stored;
        const char* contains;
    };
    const Case cases[] = {
        {"highest number not hexadecimal", nullptr, {"A001R8C3XY"}, "Linea VB: "},
        {"syntax error in line 3", "Dim a\r\na = 1\r\na = (a +\r\nNewProgr = \"X\"\r\n", {}, "\rLinea VB: 3"},
        {"run-time error in line 2", "Dim a\r\na = 1 / 0\r\nNewProgr = a\r\n", {}, "\rLinea VB: 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        build("A001");
        storeNumbers(*t, c.stored);
        if (c.script) t->db().SetSysParamLong(orders::kOrderNumberScriptParam, c.script);
        QString error;
        try {
            newOrder("C2");
        } catch (const core::AppError& e) {
            EXPECT_FALSE(e.cancelled());
            error = e.description();
        }
        EXPECT_TRUE(error.contains(kScriptError)) << error.toStdString();
        EXPECT_TRUE(error.contains(c.contains)) << error.toStdString();
        EXPECT_TRUE(error.contains("CONTESTO: Ordini")) << error.toStdString();
        EXPECT_EQ(t->count("Ordini"), long(c.stored.size()));
    }
}

TEST_F(OrdersTest, AReplacedScriptNumbersAndAnEmptyResultCancelsSilently) {
    t->db().SetSysParamLong(orders::kOrderNumberScriptParam,
                            "NewProgr = \"Z\" & objDS.GetReference(\"Agente\").ColValueStr(\"Codice\")");
    EXPECT_EQ(newOrder("C2")->ColValueStr("Numero"), "ZA001");

    t->db().SetSysParamLong(orders::kOrderNumberScriptParam, "NewProgr = \"\"");
    EXPECT_NE(refusal([&] { newOrder("C2"); }), kNoRefusal);
    EXPECT_TRUE(t->sink().messages.isEmpty());
    EXPECT_EQ(t->count("Ordini"), 1);
}

TEST_F(OrdersTest, TheAgentOfANumberedOrderCannotChange) {
    t->insert("Agenti", {{"Codice", "B002"}, {"RagioneSociale", "Altro agente"}});
    auto order = newOrder("C2");
    EXPECT_EQ(refusal([&] { order->SetReference("Agente", "B002"); }),
              "Non puoi modificare l'agente perchè l'ordine è stato già inserito");
    EXPECT_EQ(order->RefKey("Agente").toString(), "A001");

    // Head office's copy: no agent, no number; setting one numbers the order.
    build(QString());
    t->insert("Agenti", {{"Codice", "B002"}, {"RagioneSociale", "Altro agente"}});
    order = newOrder("C2");
    EXPECT_EQ(order->ColValueStr("Numero"), "");
    order->SetReference("Agente", "B002");
    order->Save();
    EXPECT_EQ(order->ColValueStr("Numero"), "B002R88300");
}

TEST_F(OrdersTest, AScriptThatNeverEndsIsStoppedAndNumbersNothing) {
    t->db().SetSysParamLong(orders::kOrderNumberScriptParam, "Do : Loop");
    schema::setNumberingScriptTimeout(300);
    const QString error = refusal([&] { newOrder("C2"); });
    schema::setNumberingScriptTimeout(0);
    EXPECT_TRUE(error.contains(kScriptError)) << error.toStdString();
    EXPECT_TRUE(error.contains("non è terminato entro 0.3 secondi")) << error.toStdString();
    EXPECT_EQ(t->count("Ordini"), 0);
}

// A numbering script reads the data but changes none of it: neither the
// order it numbers (its change in progress is the agent's) nor the stored
// orders. Each attempt is refused with a message that names the script,
// and the numbering goes on.
TEST_F(OrdersTest, ANumberingScriptChangesNoData) {
    t->db().BeginUpdate();
    t->insert("Ordini",
              {{"Numero", "A001R88300"}, {"Agente", "A001"}, {"Cliente", "C2"}, {"Completato", true}});
    t->db().EndUpdate();
    t->db().SetSysParamLong(orders::kOrderNumberScriptParam, R"(Dim log, o
On Error Resume Next
Set o = objDS.Database.OpenDataSource("Ordini", "Numero='A001R88300'")
o.RowFirst
log = "letti:" & o.RowCount & "|"
o.ColValue("Completato") = False
log = log & Err.Description & "|" : Err.Clear
o.DeleteRow
log = log & Err.Description & "|" : Err.Clear
o.AddNew
log = log & Err.Description & "|" : Err.Clear
objDS.ColValue("Note") = "x"
log = log & Err.Description & "|" : Err.Clear
objDS.Save
log = log & Err.Description & "|" : Err.Clear
objDS.RowFirst
log = log & Err.Description & "|" : Err.Clear
objDS.CancelUpdate
log = log & Err.Description
MsgBox log
NewProgr = "N1")");
    boxes.clear();
    EXPECT_EQ(newOrder("C2")->ColValueStr("Numero"), "N1");
    ASSERT_EQ(boxes.shown().size(), 1u);
    const QStringList notes = boxes.shown()[0].text.split(QLatin1Char('|'));
    ASSERT_EQ(notes.size(), 8) << boxes.shown()[0].text.toStdString();
    EXPECT_EQ(notes[0], "letti:1");
    const QString refused =
        "Lo script di numerazione \"ScriptVBProgressivoOrdine\" può soltanto leggere i dati: ";
    const char* changes[] = {"la modifica dei valori",
                             "l'eliminazione",
                             "l'aggiunta di righe",
                             "la modifica dei valori",
                             "il salvataggio",
                             "il salvataggio",
                             "l'annullamento delle modifiche in corso"};
    for (int i = 1; i < 8; ++i)
        EXPECT_TRUE(notes[i].startsWith(refused + changes[i - 1])) << notes[i].toStdString();
    auto stored = t->db().OpenDataSource("Ordini", "Numero='A001R88300'");
    ASSERT_EQ(stored->RowCount(), 1);
    stored->RowFirst();
    EXPECT_TRUE(stored->ColValueBool("Completato"));
    EXPECT_EQ(t->count("Ordini"), 2);
}
