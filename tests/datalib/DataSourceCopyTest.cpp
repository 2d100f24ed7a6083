// The copy of rows between two database files: rows linked by row
// identifier, a source of an older structure, and the fill of a table that
// holds next to nothing.

#include "TestSchema.h"
#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/Errors.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

using namespace datalib;
using namespace dltest;

TEST(DataSource, CopiesFollowRowLinksWithoutDoublingTheLinkedRows) {
    // Towns have no unique key and are linked by row; customers point at them.
    auto addTables = [](Fixture& f) {
        auto comuni = std::make_shared<TestTable>(QStringLiteral("Comuni"), f.log);
        comuni->structure = [](ColumnCollection& c, KeyCollection& k, ReferenceCollection&) {
            c.Add(QStringLiteral("Descrizione"), coltype::Code, 64);
            c.Add(QStringLiteral("CAP"), coltype::Code, 8);
            k.Add(QStringLiteral("Descrizione"), false);
        };
        auto clienti = std::make_shared<TestTable>(QStringLiteral("Clienti"), f.log);
        clienti->structure = [](ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) {
            c.Add(QStringLiteral("Codice"), coltype::Code, 16);
            r.Add(QStringLiteral("Città"), QStringLiteral("Comuni"), false, false, {},
                  QStringLiteral("Descrizione,CAP"));
            k.Add(QStringLiteral("Codice"), true);
        };
        f.def = std::make_unique<TestDb>(f.log);
        f.def->extra = [comuni, clienti](TableRegistry& reg) {
            reg.RegisterTable(comuni);
            reg.RegisterTable(clienti);
        };
        f.engine.Create(3, f.path(), {}, QStringLiteral("pw"));
        f.engine.Open(3, f.path(), {}, QStringLiteral("pw"));
        f.db = Application::OpenDatabase(f.engine, *f.def, {}, &f.sink);
    };
    Fixture local, remote;
    addTables(local);
    addTables(remote);
    auto towns = local.db->OpenDataSource(QStringLiteral("Comuni"));
    towns->InsertFromPairs({QStringLiteral("Descrizione"), QStringLiteral("Milano"), QStringLiteral("CAP"),
                            QStringLiteral("20100")});
    towns->InsertFromPairs({QStringLiteral("Descrizione"), QStringLiteral("Roma"), QStringLiteral("CAP"),
                            QStringLiteral("00100")});
    auto cli = local.db->OpenDataSource(QStringLiteral("Clienti"));
    cli->InsertFromPairs(
        {QStringLiteral("Codice"), QStringLiteral("C1"), QStringLiteral("Città"), QStringLiteral("Roma")});
    EXPECT_EQ(cli->GetReference(QStringLiteral("Città"))->ColValueStr(QStringLiteral("CAP")),
              QStringLiteral("00100"));
    EXPECT_EQ(errorCode([&] { cli->SetReference(QStringLiteral("Città"), QStringLiteral("Atlantide")); }),
              errors::UnknownReference);

    auto dest = remote.db->OpenDataSource(QStringLiteral("Clienti"));
    cli->CopyRowTo(*dest);
    cli->CopyRowTo(*dest);
    EXPECT_EQ(remote.db->OpenDataSource(QStringLiteral("Clienti"))->RowCount(), 1);
    EXPECT_EQ(remote.db->OpenDataSource(QStringLiteral("Comuni"))->RowCount(), 1);
    auto copied = remote.db->OpenDataSource(QStringLiteral("Clienti"));
    EXPECT_EQ(copied->GetReference(QStringLiteral("Città"))->ColValueStr(QStringLiteral("Descrizione")),
              QStringLiteral("Roma"));
}

TEST(DataSource, CopyFromAnOlderStructureKeepsTheNewRowDefaultsOfWhatItLacks) {
    // The archive's customers have no notes column yet; the target's table
    // class gives new rows their notes.
    auto addTable = [](Fixture& f, bool withNotes) {
        auto clienti = std::make_shared<TestTable>(QStringLiteral("Clienti"), f.log);
        clienti->structure = [withNotes](ColumnCollection& c, KeyCollection& k, ReferenceCollection&) {
            c.Add(QStringLiteral("Codice"), coltype::Code, 16);
            c.Add(QStringLiteral("Nome"), coltype::Code, 32);
            if (withNotes) c.Add(QStringLiteral("Note"), coltype::Code, 32);
            k.Add(QStringLiteral("Codice"), true);
        };
        clienti->behaviours[QStringLiteral("OnNewRow")] = [](DataSource& ds, const QString&, DataSource*) {
            if (ds.ColExist(QStringLiteral("Note")))
                ds.SetColValue(QStringLiteral("Note"), QStringLiteral("nuovo"));
            ds.SetColValue(QStringLiteral("Nome"), QStringLiteral("senza nome"));
        };
        f.def = std::make_unique<TestDb>(f.log);
        f.def->extra = [clienti](TableRegistry& reg) { reg.RegisterTable(clienti); };
        f.engine.Create(3, f.path(), {}, QStringLiteral("pw"));
        f.engine.Open(3, f.path(), {}, QStringLiteral("pw"));
        f.db = Application::OpenDatabase(f.engine, *f.def, {}, &f.sink);
    };
    Fixture archive, local;
    addTable(archive, false);
    addTable(local, true);
    auto theirs = archive.db->OpenDataSource(QStringLiteral("Clienti"));
    theirs->InsertFromPairs(
        {QStringLiteral("Codice"), QStringLiteral("C1"), QStringLiteral("Nome"), QStringLiteral("Alfa")});
    theirs->InsertFromPairs(
        {QStringLiteral("Codice"), QStringLiteral("C2"), QStringLiteral("Nome"), QStringLiteral("Beta")});
    auto ours = local.db->OpenDataSource(QStringLiteral("Clienti"));
    ours->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("C2"), QStringLiteral("Note"),
                           QStringLiteral("scritta qui")});
    EXPECT_EQ(theirs->CopyAllTo(*ours), 2);
    auto rows = local.db->OpenDataSource(QStringLiteral("Clienti"), {}, QStringLiteral("Codice"));
    ASSERT_EQ(rows->RowCount(), 2);
    // A new row: the archive's values over its table class's defaults.
    EXPECT_EQ(rows->ColValueStr(QStringLiteral("Nome")), QStringLiteral("Alfa"));
    EXPECT_EQ(rows->ColValueStr(QStringLiteral("Note")), QStringLiteral("nuovo"));
    // A row already here keeps what the archive does not bring.
    rows->RowNext();
    EXPECT_EQ(rows->ColValueStr(QStringLiteral("Nome")), QStringLiteral("Beta"));
    EXPECT_EQ(rows->ColValueStr(QStringLiteral("Note")), QStringLiteral("scritta qui"));
}

// A copy into a table that holds next to nothing writes its rows at once and
// leaves it to the unique index to tell a row stored already: the result is
// the one of looking each row up first, whatever the archive holds.
namespace {

// Customers by code, with a unique tax number and a plain key on the name;
// an archive's codes need not be unique: it may bring one twice, or none.
void addCustomers(Fixture& f, bool unique) {
    auto clienti = std::make_shared<TestTable>(QStringLiteral("Clienti"), f.log);
    clienti->structure = [unique](ColumnCollection& c, KeyCollection& k, ReferenceCollection&) {
        c.Add(QStringLiteral("Codice"), coltype::Code, 16);
        c.Add(QStringLiteral("Nome"), coltype::Code, 32);
        c.Add(QStringLiteral("PartitaIva"), coltype::Code, 16);
        c.Add(QStringLiteral("InviatoSede"), coltype::Boolean);
        k.Add(QStringLiteral("Codice"), unique);
        k.Add(QStringLiteral("PartitaIva"), unique);
        k.Add(QStringLiteral("Nome"), false);
    };
    f.def = std::make_unique<TestDb>(f.log);
    f.def->extra = [clienti](TableRegistry& reg) { reg.RegisterTable(clienti); };
    f.engine.Create(3, f.path(), {}, QStringLiteral("pw"));
    f.engine.Open(3, f.path(), {}, QStringLiteral("pw"));
    f.db = Application::OpenDatabase(f.engine, *f.def, {}, &f.sink);
}

QStringList indexesOf(Database& db) {
    QStringList out;
    Statement st =
        db.conn().prepare(QStringLiteral("SELECT name || ' ' || sql FROM sqlite_master WHERE type = 'index' "
                                         "AND sql IS NOT NULL ORDER BY name"));
    while (st.step()) out << st.text(0);
    return out;
}

// Commits what was copied so far at one row, as a receive does every 5 000.
struct CommitAt : itfProgress {
    CommitAt(Database& db, long at) : db(db), at(at) {}
    void OnProgress(long p, bool& goOn) override {
        goOn = true;
        if (p == at) {
            db.CommitTrans();
            db.BeginTrans();
        }
    }
    void OnStopped(bool& s) override { s = false; }
    void OnStart(long, bool) override {}
    void OnEnd() override {}
    Database& db;
    long at;
};

}  // namespace

TEST(DataSource, CopyIntoANearlyEmptyTableUpdatesTheRowsItHoldsAsALookUpWould) {
    struct Row {
        Row(core::Variant c, QString n, QString v = {}, bool s = false)
            : code(std::move(c)), name(std::move(n)), vat(std::move(v)), sent(s) {}
        core::Variant code;
        QString name, vat;
        bool sent;
    };
    auto insert = [](DataSource& ds, const Row& r) {
        ds.InsertFromPairs({QStringLiteral("Codice"), r.code, QStringLiteral("Nome"), r.name,
                            QStringLiteral("PartitaIva"),
                            r.vat.isEmpty() ? core::Variant::null() : core::Variant(r.vat),
                            QStringLiteral("InviatoSede"), r.sent});
    };
    const core::Variant none = core::Variant::null();
    std::vector<Row> many;
    for (int i = 0; i < 150; ++i)
        many.push_back({QStringLiteral("M%1").arg(i % 3), QStringLiteral("giro %1").arg(i)});
    struct Case {
        const char* name;
        std::vector<Row> stored, received;
        QStringList expected;  // code|name|sent, by code
        int error = 0;
    };
    const std::vector<Case> cases{
        {"a code brought twice",
         {},
         {{"C1", "Alfa"}, {"C2", "Beta"}, {"C1", "Gamma"}},
         {"C1|Gamma|0", "C2|Beta|0"}},
        {"no code, twice", {}, {{none, "Alfa"}, {none, "Beta"}}, {"|Beta|0"}},
        {"a row held here keeps its sent flag",
         {{"C1", "Vecchio", "", true}},
         {{"C1", "Alfa"}, {"C2", "Beta"}},
         {"C1|Alfa|1", "C2|Beta|0"}},
        {"more rows refused than a nearly empty table holds",
         {},
         many,
         {"M0|giro 147|0", "M1|giro 148|0", "M2|giro 149|0"}},
        {"another unique key taken",
         {},
         {{"C1", "Alfa", "IT1"}, {"C2", "Beta", "IT1"}},
         {"C1|Alfa|0"},
         errors::DuplicateKey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture archive, local;
        addCustomers(archive, false);
        addCustomers(local, true);
        auto theirs = archive.db->OpenDataSource(QStringLiteral("Clienti"));
        for (const Row& r : c.received) insert(*theirs, r);
        auto ours = local.db->OpenDataSource(QStringLiteral("Clienti"));
        for (const Row& r : c.stored) insert(*ours, r);
        EXPECT_EQ(errorCode([&] { theirs->CopyAllTo(*ours); }), c.error);
        QStringList got;
        auto rows = local.db->OpenDataSource(QStringLiteral("Clienti"), {}, QStringLiteral("Codice"));
        for (rows->RowFirst(); !rows->Eof(); rows->RowNext())
            got << rows->ColValueStr(QStringLiteral("Codice")) + '|' +
                       rows->ColValueStr(QStringLiteral("Nome")) + '|' +
                       (rows->ColValueBool(QStringLiteral("InviatoSede")) ? '1' : '0');
        EXPECT_EQ(got.join(QStringLiteral(", ")).toStdString(),
                  c.expected.join(QStringLiteral(", ")).toStdString());
    }
}

// Inside a receive a table filled from empty is written without its plain
// indexes. A fill that fails after some of its rows were committed has them
// made again as soon as events run after its bracket, also when they were
// made at its end and undone with the rest (its last commit failed); one
// that fails before its first commit took their drop back with it.
TEST(DataSource, AFillThatFailsHasItsIndexesBackOnceEventsRun) {
    struct Case {
        long commitAt;
        bool whole;  // the fill ends; its transaction is undone after it
    };
    for (const Case& c : {Case{50, false}, Case{0, false}, Case{50, true}}) {
        SCOPED_TRACE(testing::Message() << c.commitAt << (c.whole ? " whole" : ""));
        Fixture archive, local;
        addCustomers(archive, false);
        addCustomers(local, true);
        auto theirs = archive.db->OpenDataSource(QStringLiteral("Clienti"));
        for (int i = 0; i < 100; ++i)
            theirs->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("C%1").arg(i),
                                     QStringLiteral("Nome"), QStringLiteral("Cliente %1").arg(i),
                                     QStringLiteral("PartitaIva"), QStringLiteral("IT%1").arg(i)});
        // The last one has the tax number of the first.
        if (!c.whole)
            theirs->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("C100"),
                                     QStringLiteral("PartitaIva"), QStringLiteral("IT0")});
        const QStringList declared = indexesOf(*local.db);
        ASSERT_EQ(declared.filter(QStringLiteral("Clienti_Nome")).size(), 2);  // and its twin without case

        local.db->BeginBulkWrite();
        local.db->BeginTrans();
        CommitAt sink(*local.db, c.commitAt);
        auto ours = local.db->OpenDataSource(QStringLiteral("Clienti"));
        EXPECT_EQ(errorCode([&] { theirs->CopyAllTo(*ours, &sink); }), c.whole ? 0 : errors::DuplicateKey);
        local.db->Rollback();
        local.db->EndBulkWrite(false);
        EXPECT_EQ(local.db->OpenDataSource(QStringLiteral("Clienti"))->RowCount(), c.commitAt);
        if (c.commitAt > 0) {
            EXPECT_NE(indexesOf(*local.db), declared);
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(indexesOf(*local.db), declared);
    }
}
