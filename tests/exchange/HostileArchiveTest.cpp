// Archives made hostile from real ones: an exported archive imported into the
// current view, and head office's copy received or sent to. Each refusal is a
// clear message, quick, and leaves the agent's database, its orders and its
// flags as they were, sound, with nothing left in the temporary folder.

#include "ExchangeTestSupport.h"

#include "core/AppError.h"
#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "exchange/ArchiveFile.h"
#include "startup/modDatabase.h"

#include <QDir>
#include <QElapsedTimer>

using namespace exchangetest;

namespace {

const QString kEndless =
    QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n) SELECT count(*) FROM n");

// The temporary folder of the test alone, given back at the end.
struct PrivateTemp {
    PrivateTemp() : previous(qgetenv("TMPDIR")) { qputenv("TMPDIR", dir.path().toUtf8()); }
    ~PrivateTemp() {
        if (previous.isEmpty())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", previous);
    }
    QStringList left() const { return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    QTemporaryDir dir;
    QByteArray previous;
};

}  // namespace

class HostileArchiveTest : public HeadOfficeTest {
  protected:
    // What must not change: the orders with their rows and flags, the customers.
    QStringList state() {
        return dump(*local->db, "Ordini", "Numero") + dump(*local->db, "RigheOrdini", "NumeroOrdine") +
               dump(*local->db, "Clienti", "Codice");
    }
    QString integrity() {
        const datalib::SqlValue v = local->db->conn().scalar(QStringLiteral("PRAGMA integrity_check"));
        return std::holds_alternative<QString>(v) ? std::get<QString>(v) : QString();
    }
    // A real archive of the table, as the save command writes it.
    QString exported(const QString& table) {
        const QString file = dir.filePath(table + QStringLiteral(".mdb"));
        QFile::remove(file);
        auto view = local->db->OpenDataSource(table);
        EXPECT_TRUE(exchange::ExportView(*view, file, nullptr));
        return file;
    }
    // The import command's work: the archive opened, its rows copied. The
    // error's text, or empty when the rows came in.
    QString import(const QString& table, const QString& file) {
        try {
            exchange::ImportArchive archive(file, *local->db, startup::DatabasePassword());
            if (!archive.HasTable(table)) return QStringLiteral("senza tabella");
            auto rows = archive.Rows(table);
            if (rows->DataEmpty()) return QStringLiteral("vuota");
            auto target = local->db->OpenDataSource(table);
            return exchange::ImportRows(*local->db, *rows, *target, &progress) ? QString()
                                                                               : QStringLiteral("fermata");
        } catch (const core::AppError& e) {
            return e.description();
        }
    }
};

TEST_F(HostileArchiveTest, AnImportedArchiveCannotHangNorChangeWhatItRefuses) {
    openLocal(true);
    struct Case {
        const char* name;
        const char* table;
        QString hostile;   // run on the exported archive
        QString expected;  // in the outcome; empty: imported
    };
    const Case cases[] = {
        {"hash rounds", "Clienti", "UPDATE _Accesso SET Iterazioni = 2147483647",
         "non è un archivio esportato valido"},
        {"4 MB salt", "Clienti", "UPDATE _Accesso SET Sale = zeroblob(4194304)",
         "non è un archivio esportato valido"},
        {"endless triggers", "Clienti",
         "CREATE TRIGGER a AFTER INSERT ON _Catalogo BEGIN " + kEndless +
             "; END; CREATE TRIGGER b AFTER UPDATE ON Clienti BEGIN " + kEndless + "; END;",
         ""},
        {"a view for the table", "Clienti", "DROP TABLE Clienti; CREATE VIEW Clienti AS " + kEndless,
         "senza tabella"},
        {"1e300 in a whole number", "Ordini", "UPDATE RigheOrdini SET PosizioneRiga = 1e300 WHERE OID = 1",
         "\"PosizioneRiga\" della tabella \"RigheOrdini\""},
        {"infinity in a whole number", "Ordini", "UPDATE RigheOrdini SET PosizioneRiga = 9e999 WHERE OID = 1",
         "\"PosizioneRiga\" della tabella \"RigheOrdini\""},
    };
    const QStringList before = state();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = exported(QString::fromLatin1(c.table));
        RawExec(file, c.hostile);
        PrivateTemp temp;
        QElapsedTimer clock;
        clock.start();
        const QString outcome = import(QString::fromLatin1(c.table), file);
        EXPECT_LT(clock.elapsed(), 15000);
        if (c.expected.isEmpty())
            EXPECT_TRUE(outcome.isEmpty()) << outcome.toStdString();
        else
            EXPECT_TRUE(outcome.contains(c.expected)) << outcome.toStdString();
        // The same rows in again, or nothing: the database is as it was.
        EXPECT_EQ(state(), before);
        EXPECT_FALSE(local->db->InTransaction());
        EXPECT_EQ(integrity(), QStringLiteral("ok"));
        EXPECT_EQ(temp.left(), QStringList());
    }
}

TEST_F(HostileArchiveTest, HeadOfficesCopyCannotHangTheReceiveOrTheSend) {
    openLocal(true);
    const QString head = server.filePath(kArchive);
    const QStringList before = state();
    {
        // A protection the program never writes: refused at once, nothing received.
        RawExec(head, "UPDATE _Accesso SET Iterazioni = 2147483647");
        PrivateTemp temp;
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, progress, true, false));
        EXPECT_LT(clock.elapsed(), 15000);
        ASSERT_FALSE(boxes.shown().empty());
        EXPECT_TRUE(boxes.shown().front().text.contains("danneggiato")) << boxes.lastText().toStdString();
        EXPECT_EQ(state(), before);
        EXPECT_EQ(integrity(), QStringLiteral("ok"));
        EXPECT_EQ(temp.left(), QStringList());
        EXPECT_EQ(leftInWorkFolder(), QStringList());
    }
    // Triggers that would never end on the send's first write: they are gone
    // before it, and the orders arrive.
    server.putFile(kArchive, DemoArchive());
    RawExec(head, "CREATE TRIGGER hang AFTER INSERT ON Ordini BEGIN " + kEndless +
                      "; END; CREATE TRIGGER hang2 AFTER UPDATE ON Ordini BEGIN " + kEndless + "; END;");
    const long waiting = localCount("Ordini", "NOT InviatoSede AND Completato");
    ASSERT_GT(waiting, 0);
    const long sentBefore = headCount("Ordini", "InviatoSede");
    boxes.clear();
    exchange::OrderSelection all;
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(exchange::SendOrders(context(), &transfer, progress, false, all));
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_EQ(localCount("Ordini", "NOT InviatoSede AND Completato"), 0);
    EXPECT_GE(headCount("Ordini", "InviatoSede"), sentBefore + waiting);
    EXPECT_EQ(integrity(), QStringLiteral("ok"));
}

// Definitions the program never makes, whose expressions SQLite evaluates
// inside one step (on the check of the file, on a write): refused by name
// before anything of the file is checked or written, for the import and for
// the receive alike, in well under the time a single step of them takes.
TEST_F(HostileArchiveTest, DefinitionsOfTheArchivesOwnAreRefusedBeforeAnyCheckOrWrite) {
    openLocal(true);
    // About half a second each time SQLite evaluates it.
    const QString costly = "length(replace(hex(zeroblob(20000000)), 0, 12)) > 0";
    const QString costlyValue = "substr(hex(zeroblob(20000000)), 1, 1)";
    // A definition's text rewritten in place, as only a file made by hand has it.
    auto rewritten = [](const QString& name, const QString& sql) {
        return "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = " + sql + " WHERE name = '" +
               name + "'; PRAGMA writable_schema = OFF;";
    };
    const QString withCheck = "substr(sql, 1, length(sql) - 1) || ', CHECK (" + costly + "))'";
    struct Case {
        const char* name;
        QString hostile;
        QString told;
    };
    const Case cases[] = {
        {"a CHECK constraint", rewritten("Clienti", withCheck), "nella tabella \"Clienti\" un vincolo CHECK"},
        {"a CHECK on the library's catalogue", rewritten("_Catalogo", withCheck),
         "nella tabella \"_Catalogo\" un vincolo CHECK"},
        {"a generated column", "ALTER TABLE Clienti ADD COLUMN Calcolata TEXT AS (" + costlyValue + ")",
         "nella tabella \"Clienti\" una colonna calcolata (\"Calcolata\")"},
        {"an index on an expression",
         "CREATE INDEX costoso ON Clienti (Codice); " +
             rewritten("costoso", "'CREATE INDEX costoso ON Clienti (" + costlyValue + " || Codice)'"),
         "nella tabella \"Clienti\" un indice su un'espressione (\"costoso\")"},
        {"a partial index",
         "CREATE INDEX parziale ON Clienti (Codice); " +
             rewritten("parziale", "'CREATE INDEX parziale ON Clienti (Codice) WHERE " + costly + "'"),
         "nella tabella \"Clienti\" un indice parziale (\"parziale\")"},
        {"a table of another form", "CREATE TABLE Extra (a TEXT UNIQUE)",
         "nella tabella \"Extra\" la colonna \"a\" definita come \"TEXT UNIQUE\""},
    };
    const QString head = server.filePath(kArchive);
    const QStringList before = state();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = exported("Clienti");
        RawExec(file, c.hostile);
        server.putFile(kArchive, DemoArchive());
        RawExec(head, c.hostile);
        PrivateTemp temp;
        QElapsedTimer clock;
        clock.start();
        const QString imported = import("Clienti", file);
        EXPECT_TRUE(imported.contains("L'archivio \"Clienti.mdb\" contiene " + c.told +
                                      ", che il programma non crea: l'archivio non è stato usato e non è "
                                      "stato cambiato nulla."))
            << imported.toStdString();
        boxes.clear();
        EXPECT_FALSE(exchange::ReceiveUpdates(context(), &transfer, progress, true, false));
        EXPECT_LT(clock.elapsed(), 5000);
        ASSERT_FALSE(boxes.shown().empty());
        EXPECT_TRUE(boxes.shown().front().text.contains("L'archivio \"" + QString(kArchive) + "\" contiene " +
                                                        c.told))
            << boxes.shown().front().text.toStdString();
        EXPECT_EQ(state(), before);
        EXPECT_FALSE(local->db->InTransaction());
        EXPECT_EQ(integrity(), QStringLiteral("ok"));
        EXPECT_EQ(temp.left(), QStringList());
        EXPECT_EQ(leftInWorkFolder(), QStringList());
    }
    // SQLite's statistics, which a maintenance of the file may leave, are
    // no definition of its own: they go, and the receive is done.
    server.putFile(kArchive, DemoArchive());
    RawExec(head, "ANALYZE");
    boxes.clear();
    EXPECT_TRUE(exchange::ReceiveUpdates(context(), &transfer, progress, true, false))
        << boxes.lastText().toStdString();
}
