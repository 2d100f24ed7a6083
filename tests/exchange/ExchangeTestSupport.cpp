#include "ExchangeTestSupport.h"

#include "app/AllTableClasses.h"
#include "datalib/DataSource.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"

#include <sqlite3.h>
#include <QDir>
#include <QFile>

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

exchange::ExchangeContext HeadOfficeTest::context() const {
    exchange::ExchangeContext ctx;
    ctx.local = local->db;
    ctx.agent = QLatin1String(kAgent);
    ctx.configuredUrl = url;
    ctx.password = startup::DatabasePassword();
    ctx.settings.lockTimeoutSeconds = 2;
    ctx.settings.lockRetryMs = 100;
    ctx.transferTimeoutMs = 10000;
    return ctx;
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
