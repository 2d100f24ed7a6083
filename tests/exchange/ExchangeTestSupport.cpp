#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "orders/OrderEntry.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"

#include <sqlite3.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace exchangetest {

QString DemoArchive() {
    static QTemporaryDir dir;
    static QString file;
    if (file.isEmpty()) {
        app::registerAllTableClasses();
        demodb::DemoOptions options;
        options.file = dir.filePath(QStringLiteral("demo"));
        demodb::BuildDemoArchive(options, [](const QString&) {});
        file = options.file;
    }
    return file;
}

void RawExec(const QString& file, const QString& sql) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* msg = nullptr;
    EXPECT_EQ(sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, &msg), SQLITE_OK) << msg;
    sqlite3_free(msg);
    sqlite3_close(h);
}

namespace {
QStringList orderNumbers(datalib::Database& db, const QString& filter) {
    QStringList out;
    auto ds = db.OpenDataSource(QStringLiteral("Ordini"), filter, QStringLiteral("Numero"));
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << ds->ColValueStr(QStringLiteral("Numero"));
    return out;
}
}  // namespace

QStringList UnsentOrders(datalib::Database& db) {
    return orderNumbers(db, QStringLiteral("NOT InviatoSede AND Completato"));
}

QStringList SentOrders(datalib::Database& db) { return orderNumbers(db, QStringLiteral("InviatoSede")); }

QStringList Codes(datalib::Database& db, const QString& table, const QString& filter) {
    QStringList out;
    auto ds = db.OpenDataSource(table, filter, QStringLiteral("Codice"));
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << ds->ColValueStr(QStringLiteral("Codice"));
    return out;
}

QString OrderState(datalib::Database& db, const QString& number) {
    auto o = db.OpenDataSource(QStringLiteral("Ordini"), QStringLiteral("Numero='%1'").arg(number));
    if (o->DataEmpty()) return {};
    o->RowFirst();
    QStringList out{number, o->RefKey(QStringLiteral("Cliente")).toString(),
                    o->ColValue(QStringLiteral("DataInserimento")).toString(),
                    o->ColValueBool(QStringLiteral("InviatoSede")) ? QStringLiteral("inviato")
                                                                   : QStringLiteral("da inviare"),
                    o->ColValueStr(QStringLiteral("ImportoTotale"))};
    auto rows = o->GetReference(QStringLiteral("Righe"));
    for (rows->RowFirst(); !rows->Eof(); rows->RowNext())
        out << rows->ColValueStr(QStringLiteral("Codice")) + QLatin1Char('x') +
                   rows->ColValueStr(QStringLiteral("QuantitàOrdine"));
    return out.join(QLatin1Char('|'));
}

namespace {
struct NoQuestions : orders::ArticleEntryHost {
    core::Variant PickArticle(const std::shared_ptr<datalib::DataSource>&) override { return {}; }
    bool AskQuantityEachArticle() const override { return false; }
    void AskRowQuantity() override {}
};
}  // namespace

QString WriteOrder(datalib::Database& db, const QString& customer, const QString& article, double qty) {
    auto orders = db.OpenDataSource(QStringLiteral("Ordini"));
    const core::Variant key = orders->InsertFromPairs({"Cliente", customer});
    EXPECT_FALSE(key.isEmptyOrNull());
    auto order = db.OpenDataSource(QStringLiteral("Ordini"));
    EXPECT_TRUE(order->MoveToKey(key));
    NoQuestions host;
    auto rows = order->GetReference(QStringLiteral("Righe"));
    EXPECT_FALSE(orders::AddElementByCode(*rows, article, qty, {}, {}, true, host).isEmptyOrNull());
    order->MoveToKey(key);
    return order->ColValueStr(QStringLiteral("Numero"));
}

SendingWorkstation::SendingWorkstation(const QString& url, const QString& file) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZELT_TEST_SECOND_URL"), url);
    env.insert(QStringLiteral("ZELT_TEST_SECOND_DB"), file);
    child_.setProcessEnvironment(env);
    child_.setProcessChannelMode(QProcess::MergedChannels);
    child_.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=SecondWorkstation.Sends")});
}

void SendingWorkstation::finish() {
    ASSERT_TRUE(child_.waitForFinished(120000));
    const QByteArray out = child_.readAll();
    ASSERT_EQ(child_.exitCode(), 0) << out.toStdString();
    ASSERT_TRUE(out.contains("[  PASSED  ] 1 test")) << out.toStdString();
}

namespace {
testsupport::AgentDatabase::Options programFile(const QString& file, bool create) {
    testsupport::AgentDatabase::Options o;
    o.file = file;
    o.create = create;
    o.password = startup::DatabasePassword();
    o.withSink = false;
    return o;
}
}  // namespace

OpenFile::OpenFile(const QString& file, bool create) : data(programFile(file, create)), db(data.dbPtr()) {}

OpenFile::~OpenFile() { db.reset(); }

void HeadOfficeTest::SetUp() {
    app::registerAllTableClasses();
    previousAgent = startup::runContext().codeAgente;
    startup::runContext().codeAgente = QLatin1String(kAgent);
    // The agent's settings (the head-office login among them) are the test's own.
    previousSettings = platform::SettingsStore::rootDir();
    platform::SettingsStore::setRootDir(dir.filePath(QStringLiteral("settings")));
    // No Apache, no test: the fixture fails here.
    server.start();
    server.putFile(QLatin1String(kArchive), DemoArchive());
    url = server.baseUrl().toString();
    localFile = dir.filePath(QStringLiteral("ZeltOrder_DEMO"));
    dataDir = dir.filePath(QStringLiteral("dati"));
    platform::setDataDirOverride(dataDir);
}

void HeadOfficeTest::TearDown() {
    closeLocal();
    server.stop();
    platform::setDataDirOverride(QString());
    startup::runContext().codeAgente = previousAgent;
    platform::SettingsStore::setRootDir(previousSettings);
}

QStringList HeadOfficeTest::leftInWorkFolder() const {
    QStringList out;
    const QString root = QDir(dataDir).filePath(QStringLiteral("Scambio"));
    for (const QString& folder : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        for (const QString& f : QDir(QDir(root).filePath(folder)).entryList(QDir::Files))
            out << folder + QLatin1Char('/') + f;
    return out;
}

void HeadOfficeTest::openLocal(bool demoCopy) {
    closeLocal();
    if (demoCopy && !QFile::exists(localFile)) QFile::copy(DemoArchive(), localFile);
    local = std::make_unique<OpenFile>(localFile, !QFile::exists(localFile));
}

void HeadOfficeTest::closeLocal() { local.reset(); }

void HeadOfficeTest::startAfresh() {
    closeLocal();
    QFile::remove(localFile);
    server.putFile(QLatin1String(kArchive), DemoArchive());
    openLocal(true);
}

void ProxiedHeadOfficeTest::SetUp() {
    HeadOfficeTest::SetUp();
    newProxy();
}

void ProxiedHeadOfficeTest::TearDown() {
    proxy.reset();
    HeadOfficeTest::TearDown();
}

void ProxiedHeadOfficeTest::newProxy() {
    proxy = std::make_unique<headoffice::CuttingProxy>(server.port());
    url = proxy->route(server.baseUrl()).toString();
}

exchange::ExchangeContext HeadOfficeTest::context() const { return contextOf(*local->db); }

exchange::ExchangeContext HeadOfficeTest::contextOf(datalib::Database& db) const {
    exchange::ExchangeContext ctx;
    ctx.local = std::static_pointer_cast<datalib::Database>(db.shared_from_this());
    ctx.agent = QLatin1String(kAgent);
    ctx.configuredUrl = url;
    ctx.password = startup::DatabasePassword();
    ctx.settings.lockTimeoutSeconds = 2;
    ctx.settings.lockRetryMs = 100;
    ctx.transferTimeoutMs = 10000;
    return ctx;
}

void HeadOfficeTest::publish() {
    editHeadOffice([](datalib::Database& head) {
        const int v = head.GetSysParam(QStringLiteral("VersioneUltimoAggiornamento"), "0").toInt() + 1;
        head.SetSysParam(QStringLiteral("VersioneUltimoAggiornamento"), QString::number(v));
        head.conn().exec(QStringLiteral("UPDATE Ordini SET VersioneAggiornamento = %1").arg(v));
    });
}

void HeadOfficeTest::editHeadOffice(const std::function<void(datalib::Database&)>& edit) {
    OpenFile head(server.filePath(QLatin1String(kArchive)));
    head.db->BeginUpdate();
    edit(*head.db);
    head.db->EndUpdate();
}

long HeadOfficeTest::headCount(const QString& table, const QString& filter) {
    OpenFile head(server.filePath(QLatin1String(kArchive)));
    return head.db->OpenDataSource(table, filter)->RowCount();
}

long HeadOfficeTest::localCount(const QString& table, const QString& filter) {
    return local->db->OpenDataSource(table, filter)->RowCount();
}

void HeadOfficeTest::expectAtHeadOfficeOnce(const QStringList& numbers, datalib::Database* db) {
    datalib::Database& mine = db ? *db : *local->db;
    OpenFile head(server.filePath(QLatin1String(kArchive)));
    for (const QString& n : numbers) {
        SCOPED_TRACE(n.toStdString());
        auto theirs = head.db->OpenDataSource(QStringLiteral("Ordini"), QStringLiteral("Numero='%1'").arg(n));
        ASSERT_EQ(theirs->RowCount(), 1);
        theirs->RowFirst();
        EXPECT_TRUE(theirs->ColValueBool(QStringLiteral("InviatoSede")));
        auto ours = mine.OpenDataSource(QStringLiteral("Ordini"), QStringLiteral("Numero='%1'").arg(n));
        ASSERT_EQ(ours->RowCount(), 1);
        ours->RowFirst();
        const long rows = ours->GetReference(QStringLiteral("Righe"))->RowCount();
        EXPECT_EQ(theirs->GetReference(QStringLiteral("Righe"))->RowCount(), rows);
        EXPECT_EQ(
            head.db->OpenDataSource(QStringLiteral("RigheOrdini"), QStringLiteral("NumeroOrdine='%1'").arg(n))
                ->RowCount(),
            rows);
    }
}

QStringList HeadOfficeTest::besideTheArchive() const {
    QStringList out = QDir(server.davPath()).entryList(QDir::Files);
    out.removeAll(QLatin1String(kArchive));
    return out;
}

void HeadOfficeTest::ageAtHeadOffice(const QString& name, int seconds) {
    QFile f(server.filePath(name));
    ASSERT_TRUE(f.open(QIODevice::ReadWrite)) << name.toStdString();
    ASSERT_TRUE(
        f.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime));
}

void HeadOfficeTest::runEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QStringList HeadOfficeTest::dump(datalib::Database& db, const QString& table, const QString& sort) {
    QStringList out;
    auto ds = db.OpenDataSource(table, {}, sort);
    const QStringList columns = ds->ColumnNames();
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) {
        QStringList values;
        for (const QString& c : columns)
            if (c != QLatin1String("OID") && !c.startsWith(QLatin1String("OID_"))) {
                const core::Variant v = ds->ColValue(c);
                values << (v.isEmptyOrNull() ? QString() : v.toString());
            }
        out << values.join(QLatin1Char('|'));
    }
    return out;
}

}  // namespace exchangetest
