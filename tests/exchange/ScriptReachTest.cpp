// Hostile scripts against the exchange. A layout or numbering script holds
// data sources of the agent's database: it may not mark an order as sent
// (the next send would leave it out). Each script runs in a child process, so
// that an abort fails the test and not the run.

#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "core/AppError.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/SqlValue.h"
#include "platform/SettingsStore.h"
#include "script/ScriptControl.h"
#include "startup/RunContext.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

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
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ScriptReachChild.Run")});
    Outcome out;
    if (!child.waitForFinished(120000)) return out;
    out.ran = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    for (const QString& line : QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("result\t"))) out.result = line.mid(7);
        if (line.startsWith(QLatin1String("box\t"))) out.boxes << line.mid(4);
    }
    return out;
}

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
    ASSERT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all)) << boxes.lastText().toStdString();
    EXPECT_TRUE(unsent(*local->db).isEmpty());
    OpenFile head(server.filePath(kArchive));
    for (const QString& n : waiting)
        EXPECT_EQ(head.db->OpenDataSource("Ordini", "Numero='" + n + "' AND InviatoSede")->RowCount(), 1) << n.toStdString();
}
