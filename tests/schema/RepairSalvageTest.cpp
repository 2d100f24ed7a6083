// The repair of a damaged archive: table pages of the articles are
// overwritten in a copy of the demo archive; the plain copy fails, the repair
// copies what can be read table by table, checks the result and swaps it in,
// keeping the damaged original byte for byte as the backup.

#include "core/AppError.h"
#include "core/Clock.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Errors.h"
#include "schema/DB.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QFile>
#include <QMap>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>

namespace {

// Plain SQLite reads of the file, outside the data library.
struct RawDb {
    sqlite3* db = nullptr;
    explicit RawDb(const QString& file) {
        sqlite3_open_v2(file.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~RawDb() { sqlite3_close_v2(db); }
    // The values of the first column, or nullopt when reading failed.
    std::optional<std::vector<qint64>> column(const char* sql) const {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) return std::nullopt;
        std::vector<qint64> out;
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) out.push_back(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE) return std::nullopt;
        return out;
    }
    QString text(const char* sql) const {
        sqlite3_stmt* st = nullptr;
        QString out;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
            out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return out;
    }
    QMap<QString, qint64> rowCounts() const {
        QMap<QString, qint64> counts;
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite_%'",
                           -1, &st, nullptr);
        QStringList names;
        while (sqlite3_step(st) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        for (const QString& n : names) {
            const auto c = column(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(n).toUtf8().constData());
            counts.insert(n, c ? (*c)[0] : -1);
        }
        return counts;
    }
};

QByteArray readAll(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

TEST(RepairSalvage, DamagedTablePagesKeepEveryReadableRow) {
    QTemporaryDir dir;
    core::FixedClock clock(2026, 3, 16, 9, 0, 0);
    demodb::DemoOptions options;
    options.file = dir.filePath("ZeltOrder_DEMO");
    demodb::BuildDemoArchive(options, [](const QString&) {});
    const QString file = options.file;

    // Where the articles' rows lie: the leaf pages in key order, each holding
    // the next ncell row identifiers.
    QMap<QString, qint64> before;
    std::vector<std::vector<qint64>> leafRows;
    std::vector<qint64> leafPages;
    int pageSize = 0;
    {
        RawDb raw(file);
        before = raw.rowCounts();
        const auto size = raw.column("PRAGMA page_size");
        ASSERT_TRUE(size);
        pageSize = int(size->front());
        const auto ids = raw.column("SELECT rowid FROM Articoli ORDER BY rowid");
        const auto pages =
            raw.column("SELECT pageno FROM dbstat WHERE name='Articoli' AND pagetype='leaf' ORDER BY path");
        const auto cells =
            raw.column("SELECT ncell FROM dbstat WHERE name='Articoli' AND pagetype='leaf' ORDER BY path");
        ASSERT_TRUE(ids && pages && cells) << "the SQLite library needs its page statistics (dbstat)";
        std::size_t next = 0;
        for (std::size_t i = 0; i < pages->size(); ++i) {
            leafPages.push_back((*pages)[i]);
            leafRows.emplace_back(ids->begin() + qsizetype(next),
                                  ids->begin() + qsizetype(next + (*cells)[i]));
            next += std::size_t((*cells)[i]);
        }
        ASSERT_EQ(next, ids->size());
        ASSERT_GE(leafPages.size(), 10u);
    }

    // A few hundred bytes flipped in four leaf pages of the articles, each
    // page's header among them so that the page cannot be read.
    const std::vector<std::size_t> damaged = {2, leafPages.size() / 3, leafPages.size() / 2,
                                              leafPages.size() - 1};
    {
        QByteArray bytes = readAll(file);
        QRandomGenerator gen(15);
        for (std::size_t leaf : damaged) {
            const qint64 start = (leafPages[leaf] - 1) * pageSize;
            bytes[start] = char(bytes[start] ^ 0x5A);
            for (int i = 0; i < 80; ++i) {
                const qint64 at = start + gen.bounded(pageSize);
                bytes[at] = char(bytes[at] ^ char(1 + gen.bounded(255)));
            }
        }
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    const QByteArray damagedBytes = readAll(file);

    // Today: the archive opens, but its articles cannot be read.
    {
        datalib::Engine engine;
        engine.Open(3, file, QString(), startup::DatabasePassword());
        schema::DB definition;
        auto db = datalib::Application::OpenDatabase(engine, definition, "zeltorder", nullptr);
        try {
            auto ds = db->OpenDataSource("Articoli");
            for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) ds->ColValueStr("Descrizione");
            ADD_FAILURE() << "the damaged pages were read";
        } catch (const core::AppError& e) {
            EXPECT_EQ(datalib::errors::code(e), datalib::errors::CorruptFile);
            EXPECT_TRUE(e.description().contains("danneggiato")) << e.description().toStdString();
        }
        engine.Close();
    }

    const datalib::RepairReport report = datalib::Engine::Repair(file, startup::DatabasePassword());
    EXPECT_TRUE(report.salvaged);
    EXPECT_EQ(readAll(report.backup), damagedBytes) << "the original is kept byte for byte";

    RawDb raw(file);
    EXPECT_EQ(raw.text("PRAGMA integrity_check"), "ok");
    const QMap<QString, qint64> after = raw.rowCounts();
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key() == "Articoli") continue;
        EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
    }
    QSet<qint64> kept;
    const auto keptIds = raw.column("SELECT rowid FROM Articoli");
    ASSERT_TRUE(keptIds);
    for (qint64 id : *keptIds) kept.insert(id);
    // Every row that the damaged file still gives when asked for it alone
    // is kept; the rows on the damaged pages are not all there.
    qint64 readable = 0;
    {
        RawDb damagedCopy(report.backup);
        for (const auto& rows : leafRows)
            for (qint64 id : rows) {
                const auto one =
                    damagedCopy.column(QStringLiteral("SELECT rowid, * FROM Articoli WHERE rowid = %1")
                                           .arg(id)
                                           .toUtf8()
                                           .constData());
                if (!one) continue;
                ++readable;
                EXPECT_TRUE(kept.contains(id)) << "readable row " << id << " was lost";
            }
    }
    qint64 onDamagedPages = 0, total = 0;
    for (std::size_t leaf = 0; leaf < leafRows.size(); ++leaf) {
        total += qint64(leafRows[leaf].size());
        if (std::find(damaged.begin(), damaged.end(), leaf) != damaged.end())
            onDamagedPages += qint64(leafRows[leaf].size());
    }
    EXPECT_EQ(kept.size(), readable);
    EXPECT_LT(kept.size(), total);
    EXPECT_GE(kept.size(), total - onDamagedPages - qint64(damaged.size()));

    // The report: every table, the articles with what was saved and lost.
    bool sawArticles = false;
    for (const datalib::SalvagedTable& t : report.tables) {
        if (t.name == "Articoli") {
            sawArticles = true;
            EXPECT_EQ(t.saved, kept.size());
            EXPECT_EQ(t.unreadable, total - kept.size()) << "counted by the table's indexes";
        } else {
            EXPECT_EQ(t.unreadable, 0) << t.name.toStdString();
            EXPECT_EQ(t.saved, before.value(t.name)) << t.name.toStdString();
        }
    }
    EXPECT_TRUE(sawArticles);

    // The repaired archive opens and reads through the data library.
    datalib::Engine engine;
    engine.Open(3, file, QString(), startup::DatabasePassword());
    schema::DB definition;
    auto db = datalib::Application::OpenDatabase(engine, definition, "zeltorder", nullptr);
    EXPECT_EQ(db->OpenDataSource("Articoli")->RowCount(), kept.size());
}

}  // namespace
