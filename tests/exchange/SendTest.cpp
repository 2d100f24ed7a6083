// Sending orders: each chosen order reaches head office once and is marked
// sent only when head office holds it, whatever breaks in between.

#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/RemoteConnector.h"
#include "platform/Paths.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "tools/headoffice/CuttingProxy.h"

#include "core/Date.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <csignal>

using namespace exchangetest;

namespace {

// The orders of `numbers` that are not marked sent here.
QStringList stillUnsent(datalib::Database& db, const QStringList& numbers) {
    QStringList out;
    for (const QString& n : numbers)
        if (db.OpenDataSource("Ordini", "Numero='" + n + "' AND NOT InviatoSede")->RowCount() == 1) out << n;
    return out;
}

QByteArray sha(const QByteArray& bytes) { return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1); }

struct SeamReset {
    ~SeamReset() { datalib::RemoteConnector::seamHook() = nullptr; }
};

}  // namespace

using SendTest = HeadOfficeTest;

TEST_F(SendTest, SendsTheChosenOrdersOnceAndMarksThemSent) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    ASSERT_EQ(waiting.size(), 4);

    // An empty choice sends nothing and uploads nothing.
    exchange::OrderSelection none = QStringList{};
    const QByteArray before = headBytes();
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, none));
    EXPECT_EQ(headBytes(), before);
    EXPECT_EQ(UnsentOrders(*local->db), waiting);

    // One chosen order: only that one is prepared and sent.
    auto first = local->db->OpenDataSource("Ordini", "Numero='" + waiting[0] + "'");
    first->RowFirst();
    exchange::OrderSelection one = QStringList{QString::number(first->OID())};
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, one));
    EXPECT_EQ(UnsentOrders(*local->db), waiting.mid(1));
    EXPECT_EQ(localCount("Ordini", "NonModificabile AND NOT InviatoSede"), 0);
    expectAtHeadOfficeOnce({waiting[0]});

    // No choice at all: every completed unsent order.
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all));
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    expectAtHeadOfficeOnce(waiting);
    EXPECT_EQ(boxes.lastText(), "INVIO COMPLETATO.");
    EXPECT_TRUE(progress.messages.contains("Esportazione Tabella 1 di 1 - " +
                                           local->db->Tables("Ordini")->PresentationName()));
    EXPECT_EQ(progress.phases.front(), 2);
}

TEST_F(SendTest, APutCutMidBodyLeavesEveryOrderUnsentAndARetrySendsEachOnce) {
    headoffice::CuttingProxy proxy(server.port());
    url = proxy.route(server.baseUrl()).toString();
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    const QByteArray before = sha(headBytes());
    // Every try of the upload is cut (the network layer tries a PUT twice).
    proxy.armCut("PUT", 100000, -1);
    exchange::OrderSelection all;
    EXPECT_FALSE(exchange::SendOrders(context(), &transfer, progress, false, all));
    EXPECT_GE(proxy.cuts(), 1);
    proxy.disarm();
    EXPECT_TRUE(boxes.shown().front().text.contains("interrotto durante l'invio"))
        << boxes.lastText().toStdString();
    EXPECT_EQ(stillUnsent(*local->db, waiting), waiting);
    EXPECT_EQ(sha(headBytes()), before);

    RecordingProgress retry;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, retry, false, all));
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    expectAtHeadOfficeOnce(waiting);
}

TEST_F(SendTest, AHeadOfficeChangeBeforeTheUploadIsKeptAndTheSendRedone) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    SeamReset reset;
    int uploads = 0;
    datalib::RemoteConnector::seamHook() = [&](const char* seam) {
        if (QByteArray(seam) != "uploading" || ++uploads != 1) return;
        editHeadOffice([](datalib::Database& head) {
            head.OpenDataSource("Articoli")
                ->InsertFromPairs({"Codice", "SEDE0001", "Descrizione", "Nuovo della sede"});
        });
    };
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all));
    EXPECT_EQ(uploads, 2);
    EXPECT_EQ(headCount("Articoli", "Codice='SEDE0001'"), 1);
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    expectAtHeadOfficeOnce(waiting);
}

TEST_F(SendTest, AHeldLockIsWaitedOutAndThenRefused) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    // Someone else holds the archive for a long time.
    const platform::Transfer::Reply lock = transfer.custom(
        QUrl(url + kArchive), "LOCK",
        "<?xml version=\"1.0\"?><D:lockinfo xmlns:D=\"DAV:\"><D:lockscope><D:exclusive/></D:lockscope>"
        "<D:locktype><D:write/></D:locktype></D:lockinfo>",
        {{"Timeout", "Second-600"}});
    ASSERT_TRUE(lock.ok()) << lock.status;
    const QByteArray before = headBytes();
    exchange::ExchangeContext ctx = context();
    ctx.settings.lockTimeoutSeconds = 1;
    exchange::OrderSelection all;
    EXPECT_FALSE(exchange::SendOrders(ctx, &transfer, progress, false, all));
    EXPECT_TRUE(boxes.shown().front().text.contains("in uso presso la sede"))
        << boxes.lastText().toStdString();
    EXPECT_EQ(stillUnsent(*local->db, waiting), waiting);
    EXPECT_EQ(headBytes(), before);
}

// Run by the tests below in a process of its own, which dies at the seam
// ZELT_TEST_DIE_AT of the send: by default right after head office
// acknowledged the upload (before anything local is written).
TEST(SendChild, SendsThenDiesAfterTheAcknowledgement) {
    const QByteArray headUrl = qgetenv("ZELT_TEST_HEAD_URL");
    if (headUrl.isEmpty()) return;  // only as the child of the test below
    app::registerAllTableClasses();
    startup::runContext().codeAgente = kAgent;
    platform::setDataDirOverride(QString::fromLocal8Bit(qgetenv("ZELT_TEST_DATA_DIR")));
    OpenFile db(QString::fromLocal8Bit(qgetenv("ZELT_TEST_LOCAL_DB")));
    exchange::ExchangeContext ctx;
    ctx.local = db.db;
    ctx.agent = kAgent;
    ctx.configuredUrl = QString::fromUtf8(headUrl);
    ctx.password = startup::DatabasePassword();
    ctx.settings.lockTimeoutSeconds = 3;
    core::ScriptedBoxes boxes;
    platform::Transfer transfer;
    RecordingProgress progress;
    const QByteArray dieAt = qEnvironmentVariableIsSet("ZELT_TEST_DIE_AT") ? qgetenv("ZELT_TEST_DIE_AT")
                                                                           : QByteArray("acknowledged");
    datalib::RemoteConnector::seamHook() = [dieAt](const char* seam) {
        if (QByteArray(seam) == dieAt) ::raise(SIGKILL);
    };
    exchange::OrderSelection all;
    exchange::SendOrders(ctx, &transfer, progress, false, all);
}

namespace {
// The send of the agent's database in a child process that dies at `seam`.
void sendAndDieAt(const QString& url, const QString& localFile, const QString& dataDir, const char* seam) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ZELT_TEST_HEAD_URL", url);
    env.insert("ZELT_TEST_LOCAL_DB", localFile);
    env.insert("ZELT_TEST_DATA_DIR", dataDir);
    env.insert("ZELT_TEST_DIE_AT", seam);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=SendChild.SendsThenDiesAfterTheAcknowledgement"});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << child.readAll().toStdString();
}
}  // namespace

TEST_F(SendTest, KilledRightAfterTheAcknowledgementTheNextSendWaitsAndSendsEachOnce) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    closeLocal();
    sendAndDieAt(url, localFile, dataDir, "acknowledged");

    // Its copy of head office's archive is left behind, until the next exchange.
    EXPECT_TRUE(leftInWorkFolder().filter(kArchive).size() == 1)
        << leftInWorkFolder().join(' ').toStdString();
    openLocal(true);
    // Head office has them; here they still wait.
    EXPECT_EQ(stillUnsent(*local->db, waiting), waiting);
    expectAtHeadOfficeOnce(waiting);
    // Head office takes them in before the next send.
    const QStringList processed = {waiting[0], waiting[2]};
    editHeadOffice([&](datalib::Database& head) {
        for (const QString& n : processed) {
            auto o = head.OpenDataSource("Ordini", "Numero='" + n + "'");
            o->RowFirst();
            o->SetColValue("NumeroSede", "S-" + n);
            o->SetColValue("Approvato", true);
            o->SetColValue("AcquisitoSede", true);
            o->SetColValue("DataConfermaConsegna", core::Variant(core::Date::fromQDate(QDate(2027, 1, 15))));
            o->Save();
        }
    });
    const QByteArray held = headBytes();
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all))
        << boxes.lastText().toStdString();
    EXPECT_EQ(boxes.lastText(), "INVIO COMPLETATO.");
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    expectAtHeadOfficeOnce(waiting);
    EXPECT_EQ(leftInWorkFolder(), QStringList());
    // Only marked here: head office's work on them stands, its copy untouched.
    EXPECT_EQ(headBytes(), held);
    OpenFile head(server.filePath(kArchive));
    for (const QString& n : processed) {
        SCOPED_TRACE(n.toStdString());
        auto o = head.db->OpenDataSource("Ordini", "Numero='" + n + "'");
        o->RowFirst();
        EXPECT_EQ(o->ColValueStr("NumeroSede"), "S-" + n);
        EXPECT_TRUE(o->ColValueBool("Approvato"));
        EXPECT_TRUE(o->ColValueBool("AcquisitoSede"));
        EXPECT_EQ(o->ColValue("DataConfermaConsegna").toDate().toQDate(), QDate(2027, 1, 15));
    }
}

// Two installations with one workstation code make the same numbers: an
// order head office holds under the number as another order (another
// customer, another day) is refused by name, and nothing of either is
// overwritten; the rest go, and the send ends saying which did not.
TEST_F(SendTest, AnOrderNumberHeldAtHeadOfficeAsAnotherOrderIsRefusedByName) {
    struct Case {
        const char* name;
        std::function<void(datalib::Database& head, datalib::DataSource& order)> clone;
    };
    const Case cases[] = {
        {"another customer",
         [](datalib::Database& head, datalib::DataSource& order) {
             auto customers =
                 head.OpenDataSource("Clienti", "Agenti.Codice='DEMO' AND Codice<>" +
                                                    head.FormatStringForQuery(order.RefKey("Cliente")));
             customers->RowFirst();
             ASSERT_FALSE(customers->Eof());
             order.SetColValue("Cliente", customers->ColValueStr("Codice"));
         }},
        {"another day",
         [](datalib::Database&, datalib::DataSource& order) {
             const QDate day = order.ColValue("DataInserimento").toDate().toQDate();
             order.SetColValue("DataInserimento", core::Variant(core::Date::fromQDate(day.addDays(-3))));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        startAfresh();
        const QStringList waiting = UnsentOrders(*local->db);
        ASSERT_GE(waiting.size(), 3);
        const QString clash = waiting[1];
        editHeadOffice([&](datalib::Database& head) {
            auto theirs = head.OpenDataSource("Ordini", "Numero='" + clash + "'");
            theirs->RowFirst();
            c.clone(head, *theirs);
            // The clone's order, sent from there.
            theirs->SetColValue("InviatoSede", true);
            theirs->Save();
        });
        auto orderState = [&] {
            OpenFile head(server.filePath(kArchive));
            const QRegularExpression own("(^|\\|)" + clash + "(\\||$)");
            return dump(*head.db, "Ordini", "Numero").filter(own) +
                   dump(*head.db, "RigheOrdini", "NumeroOrdine,PosizioneRiga").filter(own);
        };
        const QStringList theirs = orderState();
        ASSERT_EQ(theirs.size(), 1 + headCount("RigheOrdini", "NumeroOrdine='" + clash + "'"));
        boxes.clear();
        RecordingProgress p;
        exchange::OrderSelection all;
        EXPECT_FALSE(exchange::SendOrders(context(), &transfer, p, false, all));
        ASSERT_EQ(boxes.shown().size(), 1u);
        const QString refusal = boxes.lastText();
        EXPECT_TRUE(refusal.startsWith("INVIO NON COMPLETATO.")) << refusal.toStdString();
        EXPECT_TRUE(refusal.contains("N. " + clash)) << refusal.toStdString();
        EXPECT_TRUE(refusal.contains("ordine diverso")) << refusal.toStdString();
        EXPECT_TRUE(refusal.contains("Gli altri ordini scelti sono stati inviati")) << refusal.toStdString();
        EXPECT_TRUE(p.unloaded);
        // Refused: still waiting here; the clone's order at head office as it was.
        EXPECT_EQ(UnsentOrders(*local->db), QStringList{clash});
        EXPECT_EQ(orderState(), theirs);
        QStringList others = waiting;
        others.removeAll(clash);
        expectAtHeadOfficeOnce(others);
    }
}

// Head office acknowledged, but the flags cannot be written here: the lock
// goes at once, the agent is told that head office holds the orders, and
// the next send only marks them.
TEST_F(SendTest, FlagsThatCannotBeWrittenHereAreWrittenAtTheNextSend) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    local->db->conn().exec(
        "CREATE TEMP TRIGGER nomark BEFORE UPDATE OF InviatoSede ON Ordini "
        "WHEN NEW.InviatoSede IS NOT OLD.InviatoSede "
        "BEGIN SELECT RAISE(ABORT, 'disco pieno'); END");
    exchange::OrderSelection all;
    EXPECT_FALSE(exchange::SendOrders(context(), &transfer, progress, false, all));
    ASSERT_FALSE(boxes.shown().empty());
    const QString told = boxes.shown().front().text;
    EXPECT_TRUE(told.startsWith("Gli ordini sono stati ricevuti dalla sede")) << told.toStdString();
    EXPECT_TRUE(told.contains("Al prossimo invio saranno segnati")) << told.toStdString();
    EXPECT_EQ(stillUnsent(*local->db, waiting), waiting);
    expectAtHeadOfficeOnce(waiting);
    // Nobody waits for the lock.
    const platform::Transfer::Reply lock = transfer.custom(
        QUrl(url + kArchive), "LOCK",
        "<?xml version=\"1.0\"?><D:lockinfo xmlns:D=\"DAV:\"><D:lockscope><D:exclusive/></D:lockscope>"
        "<D:locktype><D:write/></D:locktype></D:lockinfo>",
        {{"Timeout", "Second-1"}});
    ASSERT_TRUE(lock.ok()) << lock.status;
    transfer.custom(QUrl(url + kArchive), "UNLOCK", {}, {{"Lock-Token", lock.header("Lock-Token")}});

    local->db->conn().exec("DROP TRIGGER nomark");
    const QByteArray held = headBytes();
    RecordingProgress again;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, again, false, all))
        << boxes.lastText().toStdString();
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    EXPECT_EQ(headBytes(), held);
    expectAtHeadOfficeOnce(waiting);
}

// A send killed between its upload and its move leaves the upload beside the
// archive: a later send of this workstation removes it once it is older than
// a transfer may last, and leaves the files of other workstations, of other
// agents, of earlier versions of the program and recent ones as they are.
TEST_F(SendTest, AnUploadLeftByAKilledSendGoesAtALaterSend) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    closeLocal();
    sendAndDieAt(url, localFile, dataDir, "uploaded");
    const QStringList left = besideTheArchive();
    ASSERT_EQ(left.size(), 1) << left.join(' ').toStdString();
    const QString killed = left.front();
    EXPECT_TRUE(killed.startsWith(QString(kArchive) + ".invio-0-")) << killed.toStdString();
    // Nothing else changed at head office.
    QFile demo(DemoArchive());
    ASSERT_TRUE(demo.open(QIODevice::ReadOnly));
    EXPECT_EQ(sha(headBytes()), sha(demo.readAll()));
    ageAtHeadOffice(killed, 3600);

    const QString id = "4f1b0c2e-0000-4000-8000-00000000000";
    const struct {
        QString name;
        int age;
    } others[] = {
        {QString(kArchive) + ".invio-1-" + id + "1", 3600},  // another workstation's
        {QString(kArchive) + ".invio-" + id + "2", 3600},    // an earlier version's, of nobody known
        {"OrdiniAgente_ALTRO.invio-0-" + id + "3", 3600},    // another agent's
        {QString(kArchive) + ".invio-0-" + id + "4", 2},     // this workstation's, but recent
    };
    QStringList kept;
    for (const auto& o : others) {
        server.putBytes(o.name, "altro");
        ageAtHeadOffice(o.name, o.age);
        kept << o.name;
    }
    kept.sort();
    openLocal(true);
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all))
        << boxes.lastText().toStdString();
    EXPECT_EQ(besideTheArchive(), kept);
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    expectAtHeadOfficeOnce(waiting);
}

// Head office received an order and then changed its rows (a quantity, a row
// taken away), while this workstation never heard that it was received: it
// is this order, so it is marked sent here, head office keeps its rows, and
// the agent is told that head office changed it.
TEST_F(SendTest, AnOrderHeadOfficeChangedAfterReceivingItIsMarkedSentAndKeepsItsRows) {
    openLocal(true);
    const QStringList waiting = UnsentOrders(*local->db);
    ASSERT_GE(waiting.size(), 3);
    const QStringList changed = {waiting[0], waiting[2]};
    editHeadOffice([&](datalib::Database& head) {
        for (const QString& n : changed) {
            auto theirs = head.OpenDataSource("Ordini", "Numero='" + n + "'");
            theirs->RowFirst();
            theirs->SetColValue("InviatoSede", true);
            theirs->Save();
            auto rows = theirs->GetReference("Righe");
            rows->RowFirst();
            ASSERT_FALSE(rows->Eof());
            if (n == changed[0]) {
                rows->SetColValue("QuantitàOrdine", rows->ColValueNum("QuantitàOrdine") + 5);
                rows->Save();
            } else {
                ASSERT_GE(rows->RowCount(), 2);
                rows->DeleteRow();
            }
        }
    });
    auto rowsAtHeadOffice = [&] {
        OpenFile head(server.filePath(kArchive));
        return dump(*head.db, "RigheOrdini", "NumeroOrdine,PosizioneRiga")
            .filter(QRegularExpression("(^|\\|)(" + changed.join('|') + ")(\\||$)"));
    };
    const QStringList theirs = rowsAtHeadOffice();
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all))
        << boxes.lastText().toStdString();
    ASSERT_EQ(boxes.shown().size(), 2u);
    const QString told = boxes.shown().front().text;
    for (const QString& n : changed) EXPECT_TRUE(told.contains("N. " + n)) << told.toStdString();
    EXPECT_TRUE(told.contains("modificati")) << told.toStdString();
    EXPECT_EQ(boxes.lastText(), "INVIO COMPLETATO.");
    EXPECT_TRUE(UnsentOrders(*local->db).isEmpty());
    EXPECT_EQ(rowsAtHeadOffice(), theirs);
    QStringList others = waiting;
    for (const QString& n : changed) others.removeAll(n);
    expectAtHeadOfficeOnce(others);
}
