// Storage half of the data library: files, passwords, definitions, schema
// upgrades, parameters, transactions, repair and structure compare.

#include "TestSchema.h"
#include "datalib/DataSet.h"
#include "datalib/Errors.h"
#include "datalib/SelectionCriteria.h"

#include "datalib/Connection.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using namespace datalib;
using namespace dltest;

namespace {

long rowsOf(Database& db, const QString& table) { return db.OpenDataSource(table)->RowCount(); }

// Runs statements on a closed file with SQLite alone, as a hostile tool would.
void rawExec(const QString& file, const QString& sql) {
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    char* msg = nullptr;
    EXPECT_EQ(sqlite3_exec(h, sql.toUtf8().constData(), nullptr, nullptr, &msg), SQLITE_OK) << msg;
    sqlite3_free(msg);
    sqlite3_close(h);
}

// A query that never ends by itself.
const QString kEndless =
    QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT count(*) FROM n");

QString rawScalar(const QString& file, const QString& sql) {
    sqlite3* h = nullptr;
    sqlite3_open_v2(file.toUtf8().constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(h, sql.toUtf8().constData(), -1, &st, nullptr);
    QString out;
    if (st && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(h);
    return out;
}

}  // namespace

TEST(Database, CreatesTablesFromDefinitionsAndKeepsDeclaredValues) {
    Fixture f;
    f.open();
    Database& db = *f.db;
    EXPECT_EQ(db.State(), Database::StateOpen);
    EXPECT_EQ(db.TableCount(), 4);
    EXPECT_EQ(db.Tables(0)->Name(), QStringLiteral("Categorie"));
    EXPECT_EQ(db.Tables(QStringLiteral("righeordini"))->Name(), QStringLiteral("RigheOrdini"));
    EXPECT_EQ(db.Tables(QStringLiteral("Articoli"))->PresentationName(), QStringLiteral("Articoli"));
    EXPECT_EQ(db.Tables(QStringLiteral("Categorie"))->PresentationName(),
              QStringLiteral("Categorie articoli"));
    EXPECT_EQ(errorCode([&] { db.Tables(QStringLiteral("Clienti")); }), errors::UnknownTable);
    EXPECT_EQ(errorCode([&] { db.Tables(4); }), errors::UnknownTable);

    const TableDef& cat = db.Tables(QStringLiteral("Categorie"))->definition();
    const ColumnDef* livello = cat.columns.find(QStringLiteral("LIVELLO"));
    ASSERT_NE(livello, nullptr);
    EXPECT_EQ(livello->format, QStringLiteral("0000"));
    ASSERT_EQ(livello->valuePairs().size(), 3u);
    EXPECT_EQ(livello->valuePairs()[2].second, QStringLiteral("Amministrazione"));
    EXPECT_EQ(cat.columns.find(QStringLiteral("Descrizione"))->group, QStringLiteral("Generale"));
    const TableDef& ord = db.Tables(QStringLiteral("Ordini"))->definition();
    EXPECT_TRUE(ord.references.find(QStringLiteral("Righe"))->collection);
    EXPECT_EQ(ord.keys.columnList(), QStringLiteral("Numero,Righe"));
    EXPECT_EQ(db.Tables(QStringLiteral("RigheOrdini"))->definition().base->name(),
              QStringLiteral("Articoli"));
    EXPECT_EQ(db.Tables(QStringLiteral("RigheOrdini"))->ParentDataSet()->Name(), QStringLiteral("Ordini"));

    // The physical mapping: flags NOT NULL DEFAULT 0, links, prefixed index names.
    const QString file = f.path();
    EXPECT_EQ(rawScalar(file,
                        "SELECT \"notnull\" || ':' || dflt_value FROM pragma_table_info('Categorie') "
                        "WHERE name='Complementi'"),
              QStringLiteral("1:0"));
    EXPECT_EQ(
        rawScalar(file, "SELECT type FROM pragma_table_info('RigheOrdini') WHERE name='OID_Ordini_Righe'"),
        QStringLiteral("INTEGER"));
    EXPECT_EQ(rawScalar(file, "SELECT type FROM pragma_table_info('RigheOrdini') WHERE name='OID_Articoli'"),
              QStringLiteral("INTEGER"));
    EXPECT_EQ(
        rawScalar(file,
                  "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='Categorie_inxDescr'"),
        QStringLiteral("1"));
    EXPECT_EQ(rawScalar(file, "PRAGMA journal_mode"), QStringLiteral("wal"));
}

TEST(Database, DefaultRowsComeOnceAndUnknownNamesAreIgnored) {
    Fixture f;
    f.open();
    EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Categorie")), 1);
    EXPECT_TRUE(f.log.events.contains(QStringLiteral("Categorie.OnUpdatedTableStruct(1,0,true)")));
    f.log.clear();
    f.open();
    EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Categorie")), 1);
    EXPECT_TRUE(f.log.events.filter(QStringLiteral("OnUpdatedTableStruct")).isEmpty());
}

TEST(Database, HigherVersionAddsColumnsAndKeepsRows) {
    Fixture f;
    f.open(1.0);
    f.db->OpenDataSource(QStringLiteral("Articoli"))
        ->InsertFromPairs(
            {QStringLiteral("Codice"), QStringLiteral("A1"), QStringLiteral("PrezzoBase"), 12.5});
    EXPECT_FALSE(f.db->OpenDataSource(QStringLiteral("Articoli"))->ColExist(QStringLiteral("Note")));
    f.log.clear();
    f.open(2.0);
    EXPECT_EQ(f.log.events.filter(QStringLiteral("OnUpdatedTableStruct")),
              QStringList{QStringLiteral("Articoli.OnUpdatedTableStruct(2,1,false)")});
    auto ds = f.db->OpenDataSource(QStringLiteral("Articoli"));
    ASSERT_EQ(ds->RowCount(), 1);
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A1"));
    EXPECT_EQ(ds->ColValue(QStringLiteral("PrezzoBase")).toCurrency(), core::Currency::fromDouble(12.5));
    EXPECT_TRUE(ds->ColExist(QStringLiteral("Note")));
    EXPECT_TRUE(ds->ColValue(QStringLiteral("Note")).isNull());
    // Back to the older code: nothing is dropped, no hook.
    f.log.clear();
    f.open(1.0);
    EXPECT_TRUE(f.log.events.filter(QStringLiteral("OnUpdatedTableStruct")).isEmpty());
    EXPECT_EQ(f.db->storedVersion(QStringLiteral("Articoli")), 2.0);
}

TEST(Database, SystemParametersShortLongAndDefaults) {
    Fixture f;
    f.open();
    Database& db = *f.db;
    EXPECT_EQ(errorCode([&] { db.GetSysParam(QStringLiteral("CodiceAgente")); }), errors::UnknownParameter);
    EXPECT_EQ(db.GetSysParam(QStringLiteral("DataUltimoAccesso"), QStringLiteral("01/01/2004")),
              QStringLiteral("01/01/2004"));
    db.SetSysParam(QStringLiteral("CodiceAgente"), QStringLiteral("A001"));
    db.SetSysParam(QStringLiteral("codiceagente"), QStringLiteral("A002"));
    EXPECT_EQ(db.GetSysParam(QStringLiteral("CODICEAGENTE")), QStringLiteral("A002"));
    EXPECT_EQ(db.GetSysParamLong(QStringLiteral("ScriptVBProgressivoOrdine"), QStringLiteral("default")),
              QStringLiteral("default"));
    db.SetSysParamLong(QStringLiteral("ScriptVBProgressivoOrdine"), QStringLiteral("NewProgr = 1\r\n"),
                       QStringLiteral("v2"));
    EXPECT_EQ(db.GetSysParamLong(QStringLiteral("ScriptVBProgressivoOrdine"), {}),
              QStringLiteral("NewProgr = 1\r\n"));
    EXPECT_EQ(db.GetSysParam(QStringLiteral("ScriptVBProgressivoOrdine")), QStringLiteral("v2"));
    // The parameter table is a browseable data set.
    auto params = db.Tables(db.SysParamTableName())->OpenDataSource({}, QStringLiteral("Nome"));
    EXPECT_EQ(params->RowCount(), 2);
    EXPECT_EQ(params->ColValueStr(QStringLiteral("Nome")), QStringLiteral("CodiceAgente"));
    f.open();
    EXPECT_EQ(f.db->GetSysParam(QStringLiteral("CodiceAgente")), QStringLiteral("A002"));
}

TEST(Database, NestedTransactionsAreSavepoints) {
    Fixture f;
    f.open();
    auto add = [&](const char* code) {
        f.db->OpenDataSource(QStringLiteral("Articoli"))->InsertFromPairs({QStringLiteral("Codice"), code});
    };
    f.engine.BeginTrans();
    add("A");
    f.engine.BeginTrans();
    add("B");
    EXPECT_EQ(f.engine.TransactionLevel(), 2);
    f.engine.Rollback();
    f.engine.BeginTrans();
    add("C");
    f.engine.CommitTrans();
    f.engine.CommitTrans();
    EXPECT_FALSE(f.engine.InTransaction());
    auto ds = f.db->OpenDataSource(QStringLiteral("Articoli"), {}, QStringLiteral("Codice"));
    ASSERT_EQ(ds->RowCount(), 2);
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("A"));
    ds->RowNext();
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), QStringLiteral("C"));

    f.db->BeginTrans();
    add("D");
    f.db->Rollback();
    EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Articoli")), 2);
    EXPECT_EQ(errorCode([&] { f.engine.CommitTrans(); }), errors::Transaction);
    // A committed row is in the file for any other reader.
    EXPECT_EQ(rawScalar(f.path(), "SELECT group_concat(Codice) FROM Articoli"), QStringLiteral("A,C"));
}

// A full disk makes SQLite undo the whole transaction by itself: the levels
// are let go of as their holders unwind, a commit of one raises, and the
// database is usable again at once.
TEST(Database, ATransactionSQLiteUndidAfterAFullDiskEnds) {
    Fixture f;
    f.open();
    const SqlValue pages = f.db->conn().scalar(QStringLiteral("PRAGMA page_count"));
    ASSERT_TRUE(std::holds_alternative<qint64>(pages));
    f.db->conn().exec(QStringLiteral("PRAGMA max_page_count = %1").arg(std::get<qint64>(pages) + 2));
    auto fill = [&] {
        auto ds = f.db->OpenDataSource(QStringLiteral("Articoli"));
        for (int i = 0; i < 5000; ++i)
            ds->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("P%1").arg(i),
                                 QStringLiteral("Descrizione"), QString(60, QLatin1Char('x'))});
    };
    for (const bool commitOuter : {false, true}) {
        SCOPED_TRACE(commitOuter ? "outer commit" : "outer rollback");
        f.db->BeginTrans();
        f.db->BeginTrans();
        EXPECT_EQ(errorCode(fill), errors::DiskFull);
        f.db->Rollback();
        EXPECT_TRUE(f.db->InTransaction());
        if (commitOuter)
            EXPECT_EQ(errorCode([&] { f.db->CommitTrans(); }), errors::Transaction);
        else
            f.db->Rollback();
        EXPECT_FALSE(f.db->InTransaction());
        EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Articoli")), 0);
    }
    // Room again: the next transaction writes and commits.
    f.db->conn().exec(QStringLiteral("PRAGMA max_page_count = 1000000"));
    f.db->BeginTrans();
    f.db->OpenDataSource(QStringLiteral("Articoli"))->InsertFromPairs({QStringLiteral("Codice"), "A"});
    f.db->CommitTrans();
    EXPECT_EQ(rawScalar(f.path(), "SELECT group_concat(Codice) FROM Articoli"), QStringLiteral("A"));
}

// A bulk write (a receive): its commits do not wait for the disk and the log
// is not copied meanwhile; at its end the log is in the file and commits wait
// for the disk again, also when it ends inside a transaction (then at the
// end of that) or nested in another one.
TEST(Database, ABulkWriteDefersTheDiskOnlyWhileItLasts) {
    Fixture f;
    f.open();
    auto pragma = [&](const char* name) {
        const SqlValue v = f.db->conn().scalar(QStringLiteral("PRAGMA %1").arg(QLatin1String(name)));
        return std::holds_alternative<qint64>(v) ? std::get<qint64>(v) : -1;
    };
    auto add = [&](const QString& code) {
        f.db->OpenDataSource(QStringLiteral("Articoli"))->InsertFromPairs({QStringLiteral("Codice"), code});
    };
    const qint64 full = pragma("synchronous");
    ASSERT_EQ(full, 2);
    f.db->BeginBulkWrite();
    f.db->BeginBulkWrite();
    EXPECT_EQ(pragma("synchronous"), 1);
    EXPECT_EQ(pragma("wal_autocheckpoint"), 0);
    for (int t = 0; t < 3; ++t) {
        f.db->BeginTrans();
        for (int i = 0; i < 200; ++i) add(QStringLiteral("B%1-%2").arg(t).arg(i));
        f.db->CommitTrans();
    }
    f.db->EndBulkWrite();
    EXPECT_EQ(pragma("synchronous"), 1);  // the outer one still lasts
    f.db->BeginTrans();
    f.db->EndBulkWrite();
    EXPECT_EQ(pragma("synchronous"), 1);  // inside a transaction SQLite keeps it
    add(QStringLiteral("last"));
    f.db->CommitTrans();
    EXPECT_EQ(pragma("synchronous"), full);
    EXPECT_EQ(pragma("wal_autocheckpoint"), 1000);
    // The log the run grew is copied into the file and emptied.
    EXPECT_EQ(QFileInfo(f.path() + QStringLiteral("-wal")).size(), 0);
    // Every row committed is there for another reader.
    EXPECT_EQ(rawScalar(f.path(), "SELECT count(*) FROM Articoli WHERE Codice LIKE 'B%' OR Codice = 'last'"),
              QStringLiteral("601"));
    // One that was stopped ends at once: the log it leaves is the next commits' to copy.
    f.db->BeginBulkWrite();
    f.db->BeginTrans();
    for (int i = 0; i < 200; ++i) add(QStringLiteral("S%1").arg(i));
    f.db->CommitTrans();
    f.db->EndBulkWrite(false);
    EXPECT_EQ(pragma("synchronous"), full);
    EXPECT_EQ(pragma("wal_autocheckpoint"), 1000);
    EXPECT_GT(QFileInfo(f.path() + QStringLiteral("-wal")).size(), 0);
    // Inside the program's transaction a bulk write changes nothing.
    f.db->BeginTrans();
    f.db->BeginBulkWrite();
    EXPECT_EQ(pragma("synchronous"), full);
    f.db->EndBulkWrite();
    f.db->Rollback();
    EXPECT_EQ(pragma("synchronous"), full);
}

// Texts are bound as UTF-8 exactly as Qt encodes them: empty, plain ASCII
// short and longer than the room kept on the stack, accented, outside the
// first plane, and a lone half of a pair.
TEST(Database, TextsAreStoredInUtf8WhateverTheirLength) {
    Fixture f;
    f.open();
    Connection& c = f.db->conn();
    c.exec(QStringLiteral("CREATE TEMP TABLE t(x TEXT)"));
    const QString texts[] = {QString(),
                             QStringLiteral("Città"),
                             QString::fromUtf8("€ 12,50 — perché"),
                             QString::fromUtf8("\xF0\x9F\x98\x80 x"),
                             QString(5000, QLatin1Char('x')),
                             QString(5000, QChar(0xE9)),
                             QString(QChar(0xD800)) + QStringLiteral("a")};
    for (const QString& text : texts) {
        c.prepare(QStringLiteral("DELETE FROM t")).run();
        c.prepare(QStringLiteral("INSERT INTO t VALUES (?1)")).bind(1, SqlValue(text)).run();
        Statement st = c.prepare(QStringLiteral("SELECT x, length(CAST(x AS BLOB)) FROM t"));
        ASSERT_TRUE(st.step());
        EXPECT_EQ(st.text(0), QString::fromUtf8(text.toUtf8()));
        EXPECT_EQ(st.int64(1), text.toUtf8().size());
    }
    // Bound with others of a row: each keeps its own, an empty one is no NULL.
    c.prepare(QStringLiteral("DELETE FROM t")).run();
    const std::vector<SqlValue> row{QStringLiteral("uno"), QString(), QStringLiteral("perché"), qint64(4),
                                    QStringLiteral("cinque")};
    c.prepare(QStringLiteral("INSERT INTO t VALUES (?1), (?2), (?3), (?4), (?5)")).bind(row).run();
    EXPECT_EQ(std::get<QString>(c.scalar(QStringLiteral("SELECT group_concat(quote(x), ',') FROM t"))),
              QStringLiteral("'uno','','perché','4','cinque'"));
}

TEST(Database, RefusesWrongPasswordMissingAndForeignFiles) {
    Fixture f;
    f.open();
    f.close();
    Engine e;
    EXPECT_EQ(errorCode([&] { e.Open(3, f.path(), {}, QStringLiteral("wrong")); }), errors::WrongPassword);
    EXPECT_FALSE(e.IsOpen());
    EXPECT_EQ(errorCode([&] { e.Open(3, f.dir.filePath(QStringLiteral("none")), {}, QStringLiteral("pw")); }),
              errors::FileNotFound);
    EXPECT_EQ(errorCode([&] { e.Create(3, f.path(), {}, QStringLiteral("pw")); }), errors::FileExists);

    const QString junk = f.dir.filePath(QStringLiteral("junk"));
    QFile j(junk);
    ASSERT_TRUE(j.open(QIODevice::WriteOnly));
    j.write(QByteArray(4096, 'x'));
    j.close();
    EXPECT_EQ(errorCode([&] { e.Open(3, junk, {}, QStringLiteral("pw")); }), errors::CorruptFile);

    // A create that fails leaves nothing behind.
    const QString bad = f.dir.filePath(QStringLiteral("missing-folder/db"));
    EXPECT_NE(errorCode([&] { e.Create(3, bad, {}, QStringLiteral("pw")); }), 0);
    EXPECT_FALSE(QFile::exists(bad));
}

TEST(Database, PasswordProtectionOutsideWhatTheProgramWritesIsRefusedAtOnce) {
    // Each opening reads the same protection: a file at start, a received or
    // imported copy (Engine::Open), and the repair.
    const char* hostile[] = {
        "UPDATE _Accesso SET Iterazioni = 2147483647",
        "UPDATE _Accesso SET Iterazioni = 0",
        "UPDATE _Accesso SET Iterazioni = 'molte'",
        "UPDATE _Accesso SET Sale = zeroblob(4194304)",
        "UPDATE _Accesso SET Sale = x''",
        "UPDATE _Accesso SET Impronta = zeroblob(1048576)",
    };
    for (const char* sql : hostile) {
        SCOPED_TRACE(sql);
        Fixture f;
        f.open();
        f.close();
        rawExec(f.path(), QString::fromLatin1(sql));
        QElapsedTimer clock;
        clock.start();
        Engine e;
        try {
            e.Open(3, f.path(), {}, QStringLiteral("pw"));
            ADD_FAILURE() << "opened";
        } catch (const core::AppError& err) {
            EXPECT_EQ(errors::code(err), errors::CorruptFile);
            EXPECT_TRUE(err.description().contains(QStringLiteral("protezione con password")))
                << err.description().toStdString();
        }
        EXPECT_EQ(errorCode([&] { Engine::Repair(f.path(), QStringLiteral("pw")); }), errors::CorruptFile);
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_FALSE(QFile::exists(f.path() + QStringLiteral(".NEW")));
    }
}

TEST(Database, AFilesOwnTriggersAndViewsAreDroppedBeforeAnyWrite) {
    Fixture f;
    f.open();
    f.db->OpenDataSource(QStringLiteral("Articoli"))
        ->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A1")});
    f.close();
    // An endless trigger on the first write, one that would change the data,
    // and a view where the program expects a table.
    rawExec(f.path(), QStringLiteral("CREATE TRIGGER hang AFTER INSERT ON Articoli BEGIN ") + kEndless +
                          QStringLiteral("; END;"
                                         "CREATE TRIGGER wipe BEFORE UPDATE ON Articoli BEGIN DELETE FROM "
                                         "Articoli; END;"
                                         "CREATE TABLE Extra (x); CREATE VIEW Categorie2 AS ") +
                          kEndless);
    f.open();
    auto art = f.db->OpenDataSource(QStringLiteral("Articoli"));
    art->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A2")});
    art->RowFirst();
    art->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("Vite"));
    art->Save();
    EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Articoli")), 2);
    f.close();
    EXPECT_EQ(rawScalar(f.path(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type IN "
                                                 "('trigger','view')")),
              QStringLiteral("0"));
    EXPECT_EQ(rawScalar(f.path(), QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
}

// A file from outside opens when it holds what the program makes (its
// tables at any structure version, the library's own tables, SQLite's
// statistics, which go); any other definition is refused by name, and the
// file is left as it was.
TEST(Database, AFileFromOutsideHoldsOnlyWhatTheProgramMakes) {
    Fixture f;
    f.open(1.0);
    f.db->OpenDataSource(QStringLiteral("Articoli"))
        ->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A1")});
    SelectionCriteria viti(f.db, *f.db->tableDef(QStringLiteral("Articoli")));
    viti.SetConditionText(QStringLiteral("Codice <> 'A1'"));
    viti.Save(QStringLiteral("Viti"));
    f.open(2.0);  // a column added by the newer structure
    f.close();
    rawExec(f.path(), QStringLiteral("ANALYZE"));
    {
        Engine foreign;
        foreign.OpenForeign(f.path(), QStringLiteral("pw"), QStringLiteral("Archivio"));
    }
    EXPECT_EQ(rawScalar(f.path(), QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name LIKE "
                                                 "'sqlite_stat%'")),
              QStringLiteral("0"));

    rawExec(f.path(),
            QStringLiteral("CREATE TABLE \"Extra\" (\"OID\" INTEGER PRIMARY KEY, a TEXT CHECK (a <> '')); "
                           "CREATE TRIGGER t AFTER INSERT ON Articoli BEGIN SELECT 1; END;"));
    const QString before = rawScalar(f.path(), QStringLiteral("SELECT group_concat(sql) FROM sqlite_master"));
    try {
        Engine foreign;
        foreign.OpenForeign(f.path(), QStringLiteral("pw"), QStringLiteral("Archivio"));
        FAIL() << "a CHECK constraint was let in";
    } catch (const core::AppError& e) {
        EXPECT_EQ(errors::code(e), errors::ForeignSchema);
        EXPECT_EQ(e.description(),
                  QStringLiteral("L'archivio \"Archivio\" contiene nella tabella \"Extra\" un "
                                 "vincolo CHECK, che il programma non crea: l'archivio non è "
                                 "stato usato e non è stato cambiato nulla."));
    }
    EXPECT_EQ(rawScalar(f.path(), QStringLiteral("SELECT group_concat(sql) FROM sqlite_master")), before);
}

TEST(Database, ALongStatementMeetsItsTimeLimitAndServesTheStop) {
    Fixture f;
    f.open();
    Connection& conn = f.db->conn();
    conn.setStatementTimeLimit(300);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(errorCode([&] { conn.scalar(kEndless); }), errors::TimedOut);
    EXPECT_LT(clock.elapsed(), 3000);

    // A stop poll is asked a few times a second; meanwhile the connection
    // refuses other use, and a false answer interrupts the statement.
    conn.setStatementTimeLimit(0);
    int polls = 0, refused = 0;
    {
        StopPollScope scope(conn, [&] {
            ++polls;
            refused += errorCode([&] { conn.scalar(QStringLiteral("SELECT 1")); }) == errors::Busy;
            return polls < 3;
        });
        clock.restart();
        try {
            conn.scalar(kEndless);
            ADD_FAILURE() << "not stopped";
        } catch (const core::AppError& e) {
            EXPECT_EQ(errors::code(e), errors::Cancelled);
            EXPECT_TRUE(e.cancelled());
        }
    }
    EXPECT_EQ(polls, 3);
    EXPECT_EQ(refused, 3);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_FALSE(conn.stopPoll());
    // The connection goes on as before.
    EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Articoli")), 0);
}

TEST(Database, RefusedDefinitionNamesTheTableAndStopsDefine) {
    struct Bad : TestTable {
        using TestTable::TestTable;
    };
    Fixture f;
    f.def = std::make_unique<TestDb>(f.log);
    f.engine.Create(3, f.path(), {}, QStringLiteral("pw"));
    f.engine.Open(3, f.path(), {}, QStringLiteral("pw"));
    int registeredAfter = 0;
    auto bad = std::make_shared<TestTable>(QStringLiteral("Listini"), f.log);
    bad->structure = [](ColumnCollection& c, KeyCollection&, ReferenceCollection&) {
        c.Add(QStringLiteral("Codice"), coltype::Code, 16);
        c.Add(QStringLiteral("codice"), coltype::Code, 16);
    };
    f.def->extra = [&](TableRegistry& reg) {
        reg.RegisterTable(bad);
        ++registeredAfter;
    };
    try {
        Application::OpenDatabase(f.engine, *f.def, {}, &f.sink);
        FAIL() << "expected a refusal";
    } catch (const core::AppError& e) {
        EXPECT_EQ(errors::code(e), errors::DefinitionRefused);
        EXPECT_TRUE(e.description().contains(QStringLiteral("Listini"))) << e.description().toStdString();
    }
    EXPECT_EQ(registeredAfter, 0);

    // A reference to a table nobody defines.
    bad->structure = [](ColumnCollection& c, KeyCollection&, ReferenceCollection& r) {
        c.Add(QStringLiteral("Codice"), coltype::Code, 16);
        r.Add(QStringLiteral("Valuta"), QStringLiteral("Valute"));
    };
    try {
        Application::OpenDatabase(f.engine, *f.def, {}, &f.sink);
        FAIL() << "expected a refusal";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("Valute")));
    }
}

TEST(Database, RepairSwapsOnlyAfterASoundCheck) {
    Fixture f;
    f.open();
    f.db->OpenDataSource(QStringLiteral("Articoli"))
        ->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A1")});
    f.close();
    QFile orig(f.path());
    ASSERT_TRUE(orig.open(QIODevice::ReadOnly));
    const QByteArray before = orig.readAll();
    orig.close();

    try {
        Engine::Repair(f.path(), QStringLiteral("pw"),
                       [](const QString&) { return QStringLiteral("page 3 damaged"); });
        FAIL() << "expected the failed check to raise";
    } catch (const core::AppError& e) {
        EXPECT_EQ(errors::code(e), errors::RepairFailed);
        EXPECT_TRUE(e.description().contains(QStringLiteral("non è stato modificato")));
    }
    ASSERT_TRUE(orig.open(QIODevice::ReadOnly));
    EXPECT_EQ(orig.readAll(), before);
    orig.close();
    EXPECT_FALSE(QFile::exists(f.path() + QStringLiteral(".NEW")));

    EXPECT_EQ(errorCode([&] { Engine::Repair(f.path(), QStringLiteral("bad")); }), errors::WrongPassword);
    Engine::Repair(f.path(), QStringLiteral("pw"));
    EXPECT_FALSE(QFile::exists(f.path() + QStringLiteral(".NEW")));
    EXPECT_FALSE(QFile::exists(f.path() + QStringLiteral(".BAK")));
    f.open();
    EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Articoli")), 1);
    EXPECT_EQ(
        errorCode([&] { Engine::Repair(f.dir.filePath(QStringLiteral("none")), QStringLiteral("pw")); }),
        errors::FileNotFound);
}

int modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
    return int(st.st_mode & 0777);
}

// The agent's database, its log and shared memory, and the repaired copy
// that replaces it are the user's alone, under the usual umask too.
TEST(Database, ItsFilesAndTheRepairedCopyAreTheUsersAlone) {
    const mode_t old = ::umask(022);
    Fixture f;
    f.open();
    f.db->OpenDataSource(QStringLiteral("Articoli"))
        ->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A1")});
    for (const char* suffix : {"", "-wal", "-shm"}) {
        ASSERT_TRUE(QFile::exists(f.path() + QLatin1String(suffix))) << suffix;
        EXPECT_EQ(modeOf(f.path() + QLatin1String(suffix)), 0600) << suffix;
    }
    f.close();
    Engine::Repair(f.path(), QStringLiteral("pw"));
    EXPECT_EQ(modeOf(f.path()), 0600);
    f.open();
    EXPECT_EQ(rowsOf(*f.db, QStringLiteral("Articoli")), 1);
    EXPECT_EQ(modeOf(f.path() + QStringLiteral("-wal")), 0600);
    ::umask(old);
}

TEST(Database, StructureCompareFindsAChangedTable) {
    Fixture local;
    local.open(2.0);
    // The archive was written by an older program: Articoli at version 1.
    Fixture remote;
    remote.open(1.0);
    remote.close();
    Engine e;
    e.Open(3, remote.path(), {}, QStringLiteral("pw"));
    auto archive = local.db->Attach(e);
    EXPECT_TRUE(local.db->CompareStructure(*archive));
    EXPECT_TRUE(archive->OpenDataSource(QStringLiteral("Articoli"))->ColExist(QStringLiteral("Note")));
    archive.reset();
    e.Close();

    Engine same;
    same.Open(3, remote.path(), {}, QStringLiteral("pw"));
    auto again = local.db->Attach(same);
    EXPECT_FALSE(local.db->CompareStructure(*again));
}

TEST(Database, RoundingQueryLiteralsAndTheDirectStatement) {
    Fixture f;
    f.open();
    Database& db = *f.db;
    EXPECT_EQ(db.Round(core::Currency::fromDouble(2.345), 0, 0.1f), core::Currency::fromDouble(2.35));
    EXPECT_EQ(db.Round(core::Currency::fromDouble(-2.345), 0, 1.0f), core::Currency::fromDouble(-2.35));
    EXPECT_EQ(db.FormatStringForQuery(QStringLiteral("L'Aquila")), QStringLiteral("'L''Aquila'"));

    auto ord = db.OpenDataSource(QStringLiteral("Ordini"));
    ord->InsertFromPairs({QStringLiteral("Numero"), QStringLiteral("N1")});
    ord->InsertFromPairs({QStringLiteral("Numero"), QStringLiteral("N2")});
    f.engine.Execute(QStringLiteral("UPDATE Ordini SET Completato=True, NonModificabile=True"), -1);
    auto check =
        db.OpenDataSource(QStringLiteral("Ordini"), QStringLiteral("Completato AND NonModificabile"));
    EXPECT_EQ(check->RowCount(), 2);
    EXPECT_NE(errorCode([&] { db.Execute(QStringLiteral("DELETE FROM Ordini")); }), 0);
    EXPECT_EQ(rowsOf(db, QStringLiteral("Ordini")), 2);
}

TEST(Database, TableCheckReportsProgressAndCanStop) {
    using Progress = RecordingProgress;
    Progress p;
    Fixture f;
    f.open();
    f.db->CheckTables(&p);
    EXPECT_EQ(p.total, 4);
    EXPECT_EQ(p.last, 4);
    EXPECT_TRUE(p.ended);
    Progress q;
    q.stopAt = 2;
    f.db->CheckTables(&q);
    EXPECT_EQ(q.last, 2);
}

TEST(Database, ClosingWhileARowIsReadLeavesNoDanglingStatement) {
    Fixture f;
    f.open();
    auto ds = f.db->OpenDataSource(QStringLiteral("Categorie"));
    f.def->categorie->behaviours[QStringLiteral("OnBeforeUpdateField")] =
        [&](DataSource&, const QString&, DataSource*) { f.engine.Close(); };
    errorCode([&] { ds->SetColValue(QStringLiteral("Descrizione"), QStringLiteral("x")); });
    EXPECT_FALSE(f.engine.IsOpen());
    EXPECT_EQ(f.db->State(), Database::StateClosed);
    EXPECT_EQ(errorCode([&] { ds->Save(); }), errors::Storage);
    EXPECT_EQ(errorCode([&] { ds->Requery(); }), errors::Storage);
}
