// Hostile scripts against the exchange. A layout or numbering script holds
// data sources of the agent's database: it may not mark an order as sent
// (the next send would leave it out), read the head-office login or send
// the exchange to another host. Each script runs in a child process, so
// that an abort fails the test and not the run.

#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "core/AppError.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/SqlValue.h"
#include "platform/SettingsStore.h"
#include "script/ScriptControl.h"
#include "startup/HeadOfficeLogin.h"
#include "startup/RunContext.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <cstdio>

using namespace exchangetest;

namespace {

constexpr const char* kChildDb = "ZELT_REACH_DB";
constexpr const char* kChildScript = "ZELT_REACH_SCRIPT";
constexpr const char* kChildSettings = "ZELT_REACH_SETTINGS";

// What the child reports: the script's result (or "error:" and the error)
// and the messages it showed.
struct Outcome {
    bool ran = false;
    QString result;
    QStringList boxes;
};

QString oneLine(QString text) {
    text.replace(QLatin1Char('\r'), QLatin1Char('|'));
    text.replace(QLatin1Char('\n'), QLatin1Char('|'));
    return text;
}

// Runs the script's Main(ds) in a child process on the agent's database
// file, ds standing on the first order waiting to be sent.
Outcome runHostile(const QString& dbFile, const QString& settingsDir, const QString& script) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hostile.vbs"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(script.toUtf8());
    f.close();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildDb), dbFile);
    env.insert(QString::fromLatin1(kChildScript), path);
    env.insert(QString::fromLatin1(kChildSettings), settingsDir);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=ScriptReachChild.Run")});
    Outcome out;
    if (!child.waitForFinished(120000)) return out;
    out.ran = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    for (const QString& line : QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("result\t"))) out.result = line.mid(7);
        if (line.startsWith(QLatin1String("box\t"))) out.boxes << line.mid(4);
    }
    return out;
}

// A host that is not head office: it records every request it gets.
class OtherHost {
  public:
    OtherHost() {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    requests_ += s->readAll();
                    s->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    s->disconnectFromHost();
                });
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()); }
    const QByteArray& requests() const { return requests_; }

  private:
    QTcpServer server_;
    QByteArray requests_;
};

QStringList unsent(datalib::Database& db) {
    QStringList out;
    auto ds = db.OpenDataSource("Ordini", "NOT InviatoSede AND Completato", "Numero");
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << ds->ColValueStr("Numero");
    return out;
}

QString integrity(datalib::Database& db) {
    const datalib::SqlValue v = db.conn().scalar(QStringLiteral("PRAGMA integrity_check"));
    return std::holds_alternative<QString>(v) ? std::get<QString>(v) : QString();
}

}  // namespace

// The child's side: only does something when started by runHostile.
TEST(ScriptReachChild, Run) {
    const QString dbFile = qEnvironmentVariable(kChildDb);
    if (dbFile.isEmpty()) return;
    app::registerAllTableClasses();
    startup::runContext().codeAgente = QLatin1String(kAgent);
    platform::SettingsStore::setRootDir(qEnvironmentVariable(kChildSettings));
    core::ScriptedBoxes boxes;
    QFile f(qEnvironmentVariable(kChildScript));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString result;
    {
        OpenFile file(dbFile);
        auto ds = file.db->OpenDataSource("Ordini", "NOT InviatoSede AND Completato", "Numero");
        ds->RowFirst();
        script::ScriptControl sc;
        sc.setTimeout(60000);
        try {
            sc.AddCode(QString::fromUtf8(f.readAll()));
            std::vector<core::Variant> args{core::Variant(std::static_pointer_cast<core::Object>(ds))};
            result = sc.Run(QStringLiteral("Main"), args).toString();
        } catch (const core::AppError& e) {
            result = QStringLiteral("error:") + e.description();
        }
    }
    std::printf("result\t%s\n", oneLine(result).toUtf8().constData());
    for (const auto& box : boxes.shown()) std::printf("box\t%s\n", oneLine(box.text).toUtf8().constData());
    std::fflush(stdout);
}

class ScriptReachTest : public HeadOfficeTest {
  protected:
    QString settingsDir() const { return platform::SettingsStore::rootDir(); }
};

TEST_F(ScriptReachTest, NoScriptSetsTheExchangeFlagsAndTheNextSendSendsEveryOrder) {
    openLocal(true);
    const QStringList waiting = unsent(*local->db);
    ASSERT_FALSE(waiting.isEmpty());
    const QStringList customers = dump(*local->db, "Clienti", "Codice");
    closeLocal();

    // Every way a script has to a flag, each attempt's error noted.
    const Outcome out = runHostile(localFile, settingsDir(), QStringLiteral(R"(
Function Note(n)
    Note = n & ":" & Err.Description & ";"
    Err.Clear
End Function
Function Main(ds)
    Dim log, o, c
    On Error Resume Next
    ds.ColValue("InviatoSede") = True
    ds.Save
    log = log & Note(1)
    ds.CancelUpdate
    Err.Clear
    ds.SetColValue "AcquisitoSede", True
    log = log & Note(2)
    ds.CancelUpdate
    Err.Clear
    Set o = ds.Database.OpenDataSource("Ordini", "NOT InviatoSede")
    o.RowLast
    o.ColValue("InviatoSede") = 1
    o.Save
    log = log & Note(3)
    Err.Clear
    Set c = ds.Database.OpenDataSource("Clienti", "NOT ConfermatoSede AND Codice<>''")
    c.RowFirst
    c.ColValue("ConfermatoSede") = True
    c.Save
    log = log & Note(4)
    Err.Clear
    Set c = ds.GetDataSource("Articoli", 0, "Codice<>''")
    c.RowFirst
    c.ColValue("AcquisitoSede") = True
    c.Save
    log = log & Note(5)
    Main = log
End Function
)"));
    ASSERT_TRUE(out.ran) << "the child crashed";
    for (int i = 1; i <= 5; ++i) {
        SCOPED_TRACE(i);
        const QString note = out.result.section(QLatin1Char(';'), i - 1, i - 1);
        EXPECT_TRUE(note.startsWith(QString::number(i) + QLatin1Char(':'))) << out.result.toStdString();
        EXPECT_TRUE(note.contains("impostato soltanto dallo scambio dati con la sede")) << note.toStdString();
    }

    openLocal(true);
    EXPECT_EQ(unsent(*local->db), waiting);
    EXPECT_EQ(dump(*local->db, "Clienti", "Codice"), customers);
    EXPECT_EQ(integrity(*local->db), "ok");
    exchange::OrderSelection all;
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all))
        << boxes.lastText().toStdString();
    EXPECT_TRUE(unsent(*local->db).isEmpty());
    OpenFile head(server.filePath(kArchive));
    for (const QString& n : waiting)
        EXPECT_EQ(head.db->OpenDataSource("Ordini", "Numero='" + n + "' AND InviatoSede")->RowCount(), 1)
            << n.toStdString();
}

TEST_F(ScriptReachTest, NoScriptReadsTheLoginOrRedirectsTheExchange) {
    const QString user = QStringLiteral("utente-di-sede");
    const QString password = QStringLiteral("parola-segreta");
    server.start({user, password});
    server.putFile(QLatin1String(kArchive), DemoArchive());
    OtherHost other;
    openLocal(true);
    // A database of an earlier version: the login inside the address.
    local->db->SetSysParam("OnLineServicesURL", server.baseUrl(true).toString());
    url.clear();
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, false, false))
        << boxes.lastText().toStdString();
    // The first exchange moved it out; the address stays, the login is the agent's.
    const QString address = server.baseUrl(false).toString();
    EXPECT_EQ(local->db->GetSysParam("OnLineServicesURL"), address);
    const startup::HeadOfficeLogin login = startup::ReadHeadOfficeLogin(QLatin1String(kAgent));
    EXPECT_EQ(login.user, user);
    EXPECT_EQ(login.password, password);
    EXPECT_EQ(login.origin, startup::OriginOf(server.baseUrl(false)));
    closeLocal();

    // Everything a script reads of the parameters, then every way to change one.
    const Outcome out = runHostile(localFile, settingsDir(),
                                   QStringLiteral(R"(
Function Note(n)
    Note = n & ":" & Err.Description & ";"
    Err.Clear
End Function
Function Main(ds)
    Dim seen, log, p
    On Error Resume Next
    seen = ds.GetSysParam("OnLineServicesURL", "") & ds.Database.GetSysParam("OnLineServicesURL")
    Set p = ds.Database.OpenDataSource("ParametriSistema")
    p.RowFirst
    Do While Not p.Eof
        seen = seen & p.ColValueStr("Nome") & "=" & p.ColValueStr("Valore") & p.ColValueStr("Testo")
        p.RowNext
    Loop
    Err.Clear
    Set p = ds.Database.OpenDataSource("ParametriSistema", "Nome='OnLineServicesURL'")
    p.RowFirst
    p.ColValue("Valore") = "OTHER"
    p.Save
    log = log & Note(1)
    p.CancelUpdate
    p.DeleteRow
    log = log & Note(2)
    Set p = ds.GetDataSource("ParametriSistema", 0, "Nome='VersioneUltimoAggiornamento'")
    p.RowFirst
    p.SetColValue "Valore", "999999"
    log = log & Note(3)
    p.AddNew
    log = log & Note(4)
    Main = log & "#" & seen
End Function
)")
                                       .replace("OTHER", other.url()));
    ASSERT_TRUE(out.ran) << "the child crashed";
    const QString notes = out.result.section(QLatin1Char('#'), 0, 0);
    const QString seen = out.result.section(QLatin1Char('#'), 1);
    EXPECT_TRUE(seen.contains(address)) << seen.toStdString();
    EXPECT_FALSE(out.result.contains(password));
    EXPECT_FALSE(out.result.contains(user));
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(notes.section(QLatin1Char(';'), i - 1, i - 1)
                        .contains("I parametri di sistema non sono modificabili da uno script"))
            << notes.toStdString();
    }

    openLocal(true);
    EXPECT_EQ(local->db->GetSysParam("OnLineServicesURL"), address);
    EXPECT_EQ(integrity(*local->db), "ok");
    ASSERT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, false, false))
        << boxes.lastText().toStdString();
    EXPECT_TRUE(other.requests().isEmpty());

    // A host changed behind the program's back (a file edited outside it):
    // the exchange says so and sends the login nowhere.
    local->db->SetSysParam("OnLineServicesURL", other.url());
    boxes.clear();
    RecordingProgress p;
    EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, p, false, false));
    EXPECT_TRUE(boxes.lastText().contains(other.url())) << boxes.lastText().toStdString();
    EXPECT_TRUE(boxes.lastText().contains("Impostazioni Client")) << boxes.lastText().toStdString();
    EXPECT_TRUE(p.unloaded);
    EXPECT_TRUE(other.requests().isEmpty());

    // The transfer itself sends the login to its own host alone.
    transfer.setLogin({login.origin, user, password});
    transfer.head(QUrl(other.url() + QLatin1String(kArchive)));
    EXPECT_FALSE(other.requests().isEmpty());
    EXPECT_FALSE(other.requests().toLower().contains("authorization")) << other.requests().toStdString();
    EXPECT_EQ(transfer.head(QUrl(address + QLatin1String(kArchive))).status, 200);
}
