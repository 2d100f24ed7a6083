// Receiving head office's data: filters, versions and parameters, a stop
// that keeps whole rows, and every way the archive or the server can fail.

#include "ExchangeTestSupport.h"

#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Engine.h"
#include "orders/OrderRules.h"
#include "schema/CustomerCodeScript.h"
#include "startup/ShowError.h"
#include "tools/headoffice/CuttingProxy.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

using namespace exchangetest;

namespace {

void addForeignAgent(datalib::Database& head) {
    head.OpenDataSource("Agenti")->InsertFromPairs({"Codice", "ALTRO", "RagioneSociale", "Altro agente"});
    head.OpenDataSource("Clienti")->InsertFromPairs(
        {"Codice", "ALT0001", "RagioneSociale", "Cliente di un altro agente", "Agente", "ALTRO"});
}

}  // namespace

TEST_F(HeadOfficeTest, FirstReceiveTakesTheAgentsRowsVersionsAndScripts) {
    editHeadOffice([](datalib::Database& head) {
        addForeignAgent(head);
        head.SetSysParam("VersioneUltimoAggiornamento", "7");
        head.SetSysParam("DataAggiornamentoDatabase", "01/12/2026");
        head.SetSysParamLong(schema::kCustomerCodeScriptParam,
                             "Function NewProgr(ds)\r\nNewProgr = \"X\"\r\nEnd Function");
    });
    openLocal(false);
    // Head office has no order-number script: its value is the built-in one,
    // which replaces a local script of another text.
    local->db->SetSysParamLong(orders::kOrderNumberScriptParam, "Function NewProgr(ds)\r\nEnd Function");
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, false, false));

    EXPECT_EQ(localCount("Agenti"), 1);
    EXPECT_EQ(localCount("Clienti", "Codice='ALT0001'"), 0);
    EXPECT_EQ(localCount("Clienti"), headCount("Clienti", "Agenti.Codice='DEMO'"));
    EXPECT_EQ(localCount("Articoli"), headCount("Articoli"));
    EXPECT_EQ(localCount("ListiniArticoli"), headCount("ListiniArticoli"));
    EXPECT_EQ(localCount("Ordini"), 12);
    EXPECT_EQ(localCount("RigheOrdini"), headCount("RigheOrdini"));
    auto& db = *local->db;
    EXPECT_EQ(db.GetSysParam("VersioneUltimoAggiornamento", ""), "7");
    EXPECT_EQ(db.GetSysParam("VersioneAggiornamento", ""), "7");
    EXPECT_EQ(db.GetSysParam("DataAggiornamentoDatabase", ""), "01/12/2026");
    EXPECT_EQ(db.GetSysParam("DataUltimoAccesso", ""), "01/12/2026");
    EXPECT_TRUE(db.GetSysParamLong(schema::kCustomerCodeScriptParam, "").contains("NewProgr = \"X\""));
    EXPECT_FALSE(orders::DefaultOrderNumberScript().isEmpty());
    EXPECT_EQ(db.GetSysParamLong(orders::kOrderNumberScriptParam, ""), orders::DefaultOrderNumberScript());

    EXPECT_EQ(progress.messages.first(), "Connessione al database remoto...");
    EXPECT_TRUE(progress.messages.contains("Ricezione dati Tabella 1 di 14 - " +
                                           db.Tables("Utenti")->PresentationName()));
    EXPECT_TRUE(progress.messages.contains("Aggiornamento parametri..."));
    EXPECT_EQ(boxes.lastText(), "AGGIORNAMENTO COMPLETATO.");
    EXPECT_TRUE(progress.unloaded);
}

TEST_F(HeadOfficeTest, IncrementalAndCompleteReceiveKeepLocalRowsAndFlags) {
    for (const bool all : {false, true}) {
        SCOPED_TRACE(all ? "receive all" : "incremental");
        startAfresh();
        // Local work head office does not know yet, and an order sent from here.
        local->db->BeginUpdate();
        local->db->OpenDataSource("Clienti")->InsertFromPairs(
            {"Codice", "LOC0001", "RagioneSociale", "Cliente nuovo", "Agente", "DEMO"});
        auto sent = local->db->OpenDataSource("Ordini", "NOT InviatoSede");
        sent->RowFirst();
        const QString number = sent->ColValueStr("Numero");
        sent->SetColValue("InviatoSede", true);
        sent->Save();
        local->db->EndUpdate();

        auto articles = local->db->OpenDataSource("Articoli", "Left(Codice,2)<>'##'", "Codice");
        articles->RowFirst();
        const QString newer = articles->ColValueStr("Codice");
        articles->RowNext();
        const QString older = articles->ColValueStr("Codice");
        editHeadOffice([&](datalib::Database& head) {
            head.SetSysParam("VersioneUltimoAggiornamento", "2");
            for (const auto& [code, version] : {std::pair{newer, 2.0}, std::pair{older, 1.0}}) {
                auto a = head.OpenDataSource("Articoli", "Codice='" + code + "'");
                a->RowFirst();
                a->SetColValue("Descrizione", "Cambiato dalla sede");
                a->SetColValue("VersioneAggiornamento", version);
                a->Save();
            }
            auto o = head.OpenDataSource("Ordini", "Numero='" + number + "'");
            o->RowFirst();
            o->SetColValue("VersioneAggiornamento", 2.0);
            o->Save();
        });

        ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, all, false));
        EXPECT_EQ(localCount("Articoli", "Codice='" + newer + "' AND Descrizione='Cambiato dalla sede'"), 1);
        EXPECT_EQ(localCount("Articoli", "Codice='" + older + "' AND Descrizione='Cambiato dalla sede'"),
                  all ? 1 : 0);
        EXPECT_EQ(localCount("Clienti", "Codice='LOC0001'"), 1);
        EXPECT_EQ(localCount("Ordini", "Numero='" + number + "' AND InviatoSede"), 1);
        EXPECT_EQ(local->db->GetSysParam("VersioneUltimoAggiornamento", ""), "2");
    }
}

namespace {

// The indexes of the agent's file, each with its definition.
QStringList indexesOf(datalib::Database& db) {
    QStringList out;
    datalib::Statement st = db.conn().prepare(
        "SELECT name || ' ' || sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL ORDER BY "
        "name");
    while (st.step()) out << st.text(0);
    return out;
}

}  // namespace

TEST_F(HeadOfficeTest, StopMidReceiveKeepsWholeRowsAndTheVersion) {
    // A receive that is not stopped, for comparison. A table filled from
    // empty is written without its plain indexes: they are all there again.
    openLocal(false);
    const QStringList declared = indexesOf(*local->db);
    ASSERT_GT(declared.size(), 40);
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, false, false));
    EXPECT_EQ(indexesOf(*local->db), declared);
    const QStringList orders = dump(*local->db, "Ordini", "Numero");
    const QStringList rows = dump(*local->db, "RigheOrdini", "NumeroOrdine,PosizioneRiga");
    const QStringList customers = dump(*local->db, "Clienti", "Codice");
    closeLocal();
    QFile::remove(localFile);

    openLocal(false);
    RecordingProgress stopping;
    int inOrders = 0;
    stopping.onStep = [&](long) {
        if (!stopping.messages.isEmpty() &&
            stopping.messages.last().startsWith("Ricezione dati Tabella 12 di 14") && ++inOrders == 5)
            stopping.stopped = true;
    };
    EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, stopping, false, false));
    EXPECT_EQ(boxes.lastText(), "AGGIORNAMENTO INTERROTTO.");
    EXPECT_TRUE(stopping.unloaded);
    // The loop left at once: no later table was started.
    EXPECT_FALSE(stopping.messages.last().startsWith("Ricezione dati Tabella 13"));
    EXPECT_EQ(localCount("Ordini"), 5);
    auto got = local->db->OpenDataSource("Ordini");
    OpenFile head(server.filePath(kArchive));
    for (got->RowFirst(); !got->Eof(); got->RowNext()) {
        auto theirs = head.db->OpenDataSource("Ordini", "Numero='" + got->ColValueStr("Numero") + "'");
        theirs->RowFirst();
        EXPECT_EQ(got->GetReference("Righe")->RowCount(), theirs->GetReference("Righe")->RowCount());
    }
    EXPECT_EQ(local->db->GetSysParam("VersioneUltimoAggiornamento", "0"), "0");
    EXPECT_FALSE(local->db->InTransaction());
    // The commits of the file wait for the disk again (those of the receive did not).
    auto synchronous = [&] { return std::get<qint64>(local->db->conn().scalar("PRAGMA synchronous")); };
    EXPECT_EQ(synchronous(), 2);
    // The stop was served before the orders' indexes were made again: they
    // are, as soon as events run.
    EXPECT_NE(indexesOf(*local->db), declared);
    QCoreApplication::processEvents();
    EXPECT_EQ(indexesOf(*local->db), declared);

    RecordingProgress again;
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, again, false, false));
    EXPECT_EQ(dump(*local->db, "Ordini", "Numero"), orders);
    EXPECT_EQ(dump(*local->db, "RigheOrdini", "NumeroOrdine,PosizioneRiga"), rows);
    EXPECT_EQ(dump(*local->db, "Clienti", "Codice"), customers);
    EXPECT_EQ(synchronous(), 2);
    EXPECT_EQ(indexesOf(*local->db), declared);
}

TEST_F(HeadOfficeTest, BadArchivesAndServersAreToldAndChangeNothing) {
    const QByteArray demo = server.fileBytes(kArchive);
    QTemporaryDir other;
    const QString otherPassword = other.filePath("altra");
    {
        datalib::Engine e;
        e.Create(3, otherPassword, QString(), "un'altra password");
    }
    QFile f(otherPassword);
    f.open(QIODevice::ReadOnly);
    const QByteArray foreign = f.readAll();
    f.close();

    headoffice::CuttingProxy proxy(server.port());
    struct Case {
        const char* name;
        std::function<void()> arrange;
        QString expected;
    };
    const std::vector<Case> cases{
        {"damaged", [&] { server.putBytes(kArchive, demo.left(demo.size() / 3)); }, "danneggiato"},
        {"web page", [&] { server.putBytes(kArchive, "<html><body>Manutenzione</body></html>"); },
         "pagina web"},
        {"missing", [&] { QFile::remove(server.filePath(kArchive)); }, "errore 404"},
        {"other password", [&] { server.putBytes(kArchive, foreign); }, "password diversa"},
        {"cut in transit",
         [&] {
             url = proxy.route(server.baseUrl()).toString();
             proxy.armCut("GET", demo.size() / 2);
         },
         "interrotto durante il trasferimento"},
        {"credentials",
         [&] {
             server.start({"agente", "giusta"});
             server.putBytes(kArchive, demo);
             QUrl u = server.baseUrl(false);
             u.setUserName("agente");
             u.setPassword("segreto");
             url = u.toString();
         },
         "errore 401"},
        {"server down", [&] { server.stop(); }, "non risponde"},
    };
    openLocal(true);
    const QStringList before = dump(*local->db, "Clienti", "Codice");
    const QString version = local->db->GetSysParam("VersioneAggiornamento", "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!server.running()) server.start();
        server.putBytes(kArchive, demo);
        url = server.baseUrl().toString();
        c.arrange();
        boxes.clear();
        RecordingProgress p;
        EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, p, false, false));
        ASSERT_FALSE(boxes.shown().empty());
        EXPECT_TRUE(boxes.shown().front().text.contains(c.expected))
            << boxes.shown().front().text.toStdString();
        EXPECT_FALSE(boxes.shown().front().text.contains("segreto"));
        EXPECT_TRUE(p.unloaded);
        EXPECT_EQ(dump(*local->db, "Clienti", "Codice"), before);
        EXPECT_EQ(local->db->GetSysParam("VersioneAggiornamento", ""), version);
    }
    EXPECT_EQ(proxy.cuts(), 1);
}

TEST_F(HeadOfficeTest, AnOpenOrderBlocksReceiveAndSend) {
    openLocal(true);
    // The order window holds its order in a transaction of the agent's database.
    local->db->BeginTrans();
    const QByteArray before = headBytes();
    exchange::OrderSelection all;
    EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, progress, false, false));
    EXPECT_FALSE(exchange::SendOrders(context(), &transfer, progress, false, all));
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_TRUE(boxes.lastText().startsWith("C'è un ordine aperto"));
    EXPECT_TRUE(progress.messages.isEmpty());
    EXPECT_EQ(headBytes(), before);
    local->db->Rollback();
}

// An archive that lacks columns (an older one, or a damaged one of the same
// version): the structure question is asked; answered Yes, the receive
// keeps the local values of what the archive lacks and takes the rest;
// answered No, nothing is received. Without a key column nothing can be
// received, and the agent is told which.
TEST_F(HeadOfficeTest, ColumnsTheArchiveLacksKeepTheirLocalValues) {
    struct Case {
        const char* name;
        QString structure;  // run on head office's archive
        int answer;
        QString refusal;  // in the message; empty: received
    };
    const QString dropDetails =
        "ALTER TABLE Articoli DROP COLUMN Dettagli; ALTER TABLE Clienti DROP COLUMN Telefono;";
    const Case cases[] = {
        {"same version", dropDetails, core::kAnswerYes, {}},
        {"older archive",
         dropDetails + "UPDATE _Catalogo SET Versione = 2.3 WHERE Tabella = 'Articoli';",
         core::kAnswerYes,
         {}},
        {"answered No", dropDetails, core::kAnswerNo, {}},
        {"no key", "DROP INDEX Articoli_Codice; ALTER TABLE Articoli DROP COLUMN Codice;", core::kAnswerYes,
         "non ha la colonna \"Codice\" della tabella \"Articoli\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        closeLocal();
        QFile::remove(localFile);
        QFile::copy(DemoArchive(), localFile);
        RawExec(localFile,
                "UPDATE Articoli SET Dettagli = 'Dettagli di ' || Codice; "
                "UPDATE Clienti SET Telefono = 'Tel. ' || Codice;");
        openLocal(true);
        const QStringList details = dump(*local->db, "Articoli", "Codice");
        const QStringList customers = dump(*local->db, "Clienti", "Codice");
        // Head office changed a price meanwhile.
        server.putFile(kArchive, DemoArchive());
        QString code;
        editHeadOffice([&](datalib::Database& head) {
            auto a = head.OpenDataSource("Articoli", "Left(Codice,2)<>'##'", "Codice");
            a->RowFirst();
            code = a->ColValueStr("Codice");
            a->SetColValue("PrezzoBase", 1234.5);
            a->Save();
        });
        RawExec(server.filePath(kArchive), c.structure);

        boxes.clear();
        boxes.answer(c.answer);
        RecordingProgress p;
        const bool received = exchange::ReceiveUpdates(context(), &transfer, p, true, false);
        ASSERT_FALSE(boxes.shown().empty());
        EXPECT_TRUE(boxes.shown().front().text.contains("La struttura dei dati ha subito dei cambiamenti"))
            << boxes.shown().front().text.toStdString();
        const long changed = localCount("Articoli", "Codice='" + code + "' AND PrezzoBase=1234.5");
        if (c.answer == core::kAnswerNo || !c.refusal.isEmpty()) {
            EXPECT_FALSE(received);
            EXPECT_EQ(changed, 0);
            EXPECT_EQ(dump(*local->db, "Articoli", "Codice"), details);
            if (!c.refusal.isEmpty()) {
                EXPECT_TRUE(boxes.lastText().contains(c.refusal)) << boxes.lastText().toStdString();
            }
            continue;
        }
        EXPECT_TRUE(received) << boxes.lastText().toStdString();
        EXPECT_EQ(changed, 1);
        // Every description and telephone as it was here.
        auto articles = local->db->OpenDataSource("Articoli");
        long kept = 0;
        for (articles->RowFirst(); !articles->Eof(); articles->RowNext())
            kept += articles->ColValueStr("Dettagli") == "Dettagli di " + articles->ColValueStr("Codice");
        EXPECT_EQ(kept, articles->RowCount());
        EXPECT_EQ(dump(*local->db, "Clienti", "Codice"), customers);
    }
}

// Receiving everything again keeps the row identifiers of the order, kit
// and promotion rows that did not change; a changed row keeps its own, a
// row head office removed goes, and a column of them the archive lacks
// keeps its local values.
TEST_F(HeadOfficeTest, AReceiveKeepsTheRowIdsOfTheChildRows) {
    auto oids = [&](const QString& table) {
        QStringList out;
        auto ds = local->db->OpenDataSource(table);
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << QString::number(ds->OID());
        out.sort();
        return out;
    };
    const QStringList tables{"RigheOrdini", "KitArticoli", "PromozioniArticoli"};
    openLocal(false);
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, true, false));
    QHash<QString, QStringList> first;
    for (const QString& t : tables) {
        first[t] = oids(t);
        ASSERT_FALSE(first[t].isEmpty()) << t.toStdString();
    }
    const QStringList rows = dump(*local->db, "RigheOrdini", "NumeroOrdine,PosizioneRiga");

    RecordingProgress again;
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, again, true, false));
    for (const QString& t : tables) EXPECT_EQ(oids(t), first[t]) << t.toStdString();
    EXPECT_EQ(dump(*local->db, "RigheOrdini", "NumeroOrdine,PosizioneRiga"), rows);

    // Head office changes a quantity and removes a kit's element; its
    // archive lacks the order rows' delivered quantity.
    QString number;
    editHeadOffice([&](datalib::Database& head) {
        auto row = head.OpenDataSource("RigheOrdini", "PosizioneRiga=1", "NumeroOrdine");
        row->RowFirst();
        number = row->ColValueStr("NumeroOrdine");
        row->SetColValue("QuantitàOrdine", 7.0);
        row->Save();
        auto element = head.OpenDataSource("KitArticoli");
        element->RowFirst();
        element->DeleteRow();
    });
    RawExec(server.filePath(kArchive), "ALTER TABLE RigheOrdini DROP COLUMN QuantitàEvasa;");
    local->db->conn().exec("UPDATE RigheOrdini SET QuantitàEvasa = 3");
    boxes.answer(core::kAnswerYes);  // the structure question
    RecordingProgress third;
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, third, true, false))
        << boxes.lastText().toStdString();
    EXPECT_EQ(oids("RigheOrdini"), first["RigheOrdini"]);
    EXPECT_EQ(oids("PromozioniArticoli"), first["PromozioniArticoli"]);
    const QStringList elements = oids("KitArticoli");
    EXPECT_EQ(elements.size(), first["KitArticoli"].size() - 1);
    for (const QString& e : elements) EXPECT_TRUE(first["KitArticoli"].contains(e)) << e.toStdString();
    EXPECT_EQ(
        localCount("RigheOrdini", "NumeroOrdine='" + number + "' AND PosizioneRiga=1 AND QuantitàOrdine=7"),
        1);
    EXPECT_EQ(localCount("RigheOrdini", "QuantitàEvasa=3"), localCount("RigheOrdini"));
}

// A send puts its upload in place by removing the archive and renaming the
// upload: a receive that asks in that instant tries once more.
TEST_F(HeadOfficeTest, AnArchiveMissingForAnInstantIsAskedForAgain) {
    const QByteArray demo = headBytes();
    QFile::remove(server.filePath(kArchive));
    openLocal(false);
    QTimer::singleShot(100, [&] { server.putBytes(kArchive, demo); });
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, true, false))
        << boxes.lastText().toStdString();
    EXPECT_EQ(localCount("Articoli"), headCount("Articoli"));
}

// A disk that fills up during the receive: the agent is told, by the
// database's name and never by the folders it lies in, and what had been
// received is whole.
TEST_F(HeadOfficeTest, AFullDiskIsToldByTheDatabasesNameNotItsFolders) {
    openLocal(false);
    const datalib::SqlValue pages = local->db->conn().scalar("PRAGMA page_count");
    ASSERT_TRUE(std::holds_alternative<qint64>(pages));
    // Room for a few pages more: the receive runs out of it.
    local->db->conn().exec(QStringLiteral("PRAGMA max_page_count = %1").arg(std::get<qint64>(pages) + 40));
    QString details;
    startup::SetErrorDetailsViewer([&](const QString&, const QString& text) { details = text; });
    boxes.answer(core::kAnswerYes);  // the details, please
    EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, progress, false, false));
    startup::SetErrorDetailsViewer(nullptr);
    ASSERT_FALSE(boxes.shown().empty());
    const QString told = boxes.shown().front().text + '\n' + details;
    EXPECT_TRUE(told.contains("Spazio su disco esaurito")) << told.toStdString();
    EXPECT_TRUE(told.contains("\"ZeltOrder_DEMO\"")) << told.toStdString();
    EXPECT_FALSE(told.contains(dir.path())) << told.toStdString();
    EXPECT_TRUE(progress.unloaded);
    EXPECT_FALSE(local->db->InTransaction());
    EXPECT_EQ(local->db->GetSysParam("VersioneUltimoAggiornamento", "0"), "0");
    // Every order received so far came whole, with its rows.
    OpenFile head(server.filePath(kArchive));
    auto got = local->db->OpenDataSource("Ordini");
    for (got->RowFirst(); !got->Eof(); got->RowNext()) {
        auto theirs = head.db->OpenDataSource("Ordini", "Numero='" + got->ColValueStr("Numero") + "'");
        theirs->RowFirst();
        EXPECT_EQ(got->GetReference("Righe")->RowCount(), theirs->GetReference("Righe")->RowCount());
    }
}
