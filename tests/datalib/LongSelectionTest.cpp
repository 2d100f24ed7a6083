// A selection longer than the keys read with the query: the rest is read as
// far as each member needs it, and a change made meanwhile neither doubles
// nor adds rows to a keyset that was still being read.

#include "TestSchema.h"
#include "datalib/DataSet.h"
#include "datalib/DataSourceParts.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace datalib;
using namespace dltest;
using core::Variant;

namespace {

constexpr int kRows = 1500;
const QString kArt = QStringLiteral("Articoli");
const QString kDescr = QStringLiteral("Descrizione");

struct LongTable : Fixture {
    LongTable() {
        open();
        auto art = db->OpenDataSource(kArt);
        db->BeginTrans();
        // Descriptions in an order unlike the keys'.
        for (int i = 0; i < kRows; ++i)
            art->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("A%1").arg(i, 5, 10, QChar(u'0')),
                                  kDescr, QStringLiteral("D%1").arg((i * 7919) % kRows, 5, 10, QChar(u'0'))});
        db->CommitTrans();
    }
    // The keys of a selection as a data source read at once gives them.
    std::vector<qint64> keysOf(const QString& filter, const QString& sort) {
        auto ds = db->OpenDataSource(kArt, filter, sort);
        std::vector<qint64> keys;
        const int oid = ds->ColumnIndex(QStringLiteral("OID"));
        for (long i = 0, n = ds->RowCount(); i < n; ++i)
            keys.push_back(qint64(ds->ValueAt(i, oid).toDouble()));
        return keys;
    }
};

long positionOf(const std::vector<qint64>& keys, qint64 oid) {
    return long(std::find(keys.begin(), keys.end(), oid) - keys.begin());
}

}  // namespace

TEST(LongSelection, KeysAreReadAsFarAsNeeded) {
    LongTable t;
    const std::vector<qint64> all = t.keysOf({}, QStringLiteral("Descrizione DESC"));
    ASSERT_EQ(all.size(), size_t(kRows));

    auto ds = t.db->OpenDataSource(kArt, {}, QStringLiteral("Descrizione DESC"));
    EXPECT_LT(ds->RowsRead(), kRows);
    EXPECT_FALSE(ds->AllRowsRead());
    EXPECT_FALSE(ds->Bof());
    EXPECT_FALSE(ds->Eof());

    // A far key, a position past the rows read, a condition met late.
    ASSERT_TRUE(ds->MoveToBookmark(Variant(double(all[1200]))));
    EXPECT_EQ(ds->Position(), 1200);
    EXPECT_EQ(ds->Bookmark().toDouble(), double(all[1200]));
    ds->MoveTo(1400);
    EXPECT_EQ(ds->OID(), all[1400]);
    ds->MoveTo(kRows + 10);
    EXPECT_TRUE(ds->Eof());
    EXPECT_FALSE(ds->RowValid());
    ASSERT_TRUE(ds->FindFirst(QStringLiteral("Descrizione = 'D00000'")));
    EXPECT_EQ(ds->Position(), kRows - 1);

    // Walking every row and counting them.
    auto walk = t.db->OpenDataSource(kArt, {}, QStringLiteral("Descrizione DESC"));
    std::vector<qint64> seen;
    for (walk->RowFirst(); !walk->Eof(); walk->RowNext()) seen.push_back(walk->OID());
    EXPECT_EQ(seen, all);
    auto counted = t.db->OpenDataSource(kArt, {}, QStringLiteral("Descrizione DESC"));
    EXPECT_EQ(counted->RowCount(), kRows);
    EXPECT_TRUE(counted->AllRowsRead());
    counted->RowLast();
    EXPECT_EQ(counted->OID(), all.back());
}

TEST(LongSelection, AChangeMeanwhileNeitherDoublesNorAddsRows) {
    LongTable t;
    const std::vector<qint64> all = t.keysOf({}, QStringLiteral("Descrizione"));
    auto ds = t.db->OpenDataSource(kArt, {}, QStringLiteral("Descrizione"));
    ASSERT_FALSE(ds->AllRowsRead());

    // The last row in the order moves to the front, and a new row comes.
    auto other = t.db->OpenDataSource(kArt, QStringLiteral("OID = %1").arg(all.back()));
    other->SetColValue(kDescr, QStringLiteral("A primo"));
    other->Save();
    auto adder = t.db->OpenDataSource(kArt, QStringLiteral("OID = 0"));
    adder->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("NUOVO"), kDescr, QStringLiteral("B")});

    // The keyset is the selection as it was read: same rows, same order.
    std::vector<qint64> seen;
    for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) seen.push_back(ds->OID());
    EXPECT_EQ(seen, all);
    ds->RowLast();
    EXPECT_EQ(ds->ColValueStr(kDescr), QStringLiteral("A primo"));  // values are read fresh

    // Rows added here join at the end; an undone operation takes them away.
    auto mine = t.db->OpenDataSource(kArt, {}, QStringLiteral("Descrizione"));
    ASSERT_FALSE(mine->AllRowsRead());
    mine->InsertFromPairs({QStringLiteral("Codice"), QStringLiteral("MIO"), kDescr, QStringLiteral("C")});
    EXPECT_EQ(mine->RowCount(), kRows + 2);
    EXPECT_EQ(mine->Position(), kRows + 1);
    EXPECT_EQ(mine->ColValueStr(QStringLiteral("Codice")), QStringLiteral("MIO"));
}

TEST(LongSelection, RequeryKeepsAFarRowAndFindsItsPlaceWhenAsked) {
    LongTable t;
    const std::vector<qint64> byCode = t.keysOf({}, QStringLiteral("Codice"));
    const std::vector<qint64> byDescr = t.keysOf({}, QStringLiteral("Descrizione DESC"));
    auto ds = t.db->OpenDataSource(kArt, {}, QStringLiteral("Codice"));
    ds->MoveTo(1300);
    const qint64 oid = ds->OID();
    const QString code = ds->ColValueStr(QStringLiteral("Codice"));

    ds->SetSortOrder(QStringLiteral("Descrizione DESC"));
    EXPECT_EQ(ds->OID(), oid);
    EXPECT_EQ(ds->ColValueStr(QStringLiteral("Codice")), code);
    EXPECT_FALSE(ds->Bof());
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->Position(), positionOf(byDescr, oid));
    ds->RowNext();
    EXPECT_EQ(ds->OID(), byDescr[size_t(positionOf(byDescr, oid)) + 1]);

    // A row the new filter leaves out: the first row becomes current.
    const qint64 left = ds->OID();
    ds->SetFilter(QStringLiteral("OID <> %1").arg(left));
    EXPECT_EQ(ds->Position(), 0);
    EXPECT_EQ(ds->OID(), byDescr[0] == left ? byDescr[1] : byDescr[0]);
    ds->SetFilter({});
    ds->SetSortOrder(QStringLiteral("Codice"));
    ds->MoveToKey(Variant(double(byCode[1450])));
    ds->Requery();
    EXPECT_EQ(ds->Position(), 1450);
}

TEST(LongSelection, RollbackAndCloseWithKeysStillToRead) {
    LongTable t;
    t.db->BeginTrans();
    auto ds = t.db->OpenDataSource(kArt, {}, QStringLiteral("Descrizione"));
    ASSERT_FALSE(ds->AllRowsRead());
    t.db->Rollback();
    EXPECT_EQ(ds->RowCount(), kRows);

    auto pending = t.db->OpenDataSource(kArt, {}, QStringLiteral("Codice DESC"));
    ASSERT_FALSE(pending->AllRowsRead());
    auto keep = pending;
    t.close();  // the rest is read before the file closes
    EXPECT_TRUE(keep->AllRowsRead());
    EXPECT_EQ(keep->RowCount(), kRows);
}

TEST(LongSelection, AFilterThatLeavesFewRowsIsReadSortedFromWhereTheIndexLeftOff) {
    LongTable t;
    const QString filter = QStringLiteral("Codice >= 'A00100'");
    for (const QString& sort : {QStringLiteral("Descrizione"), QStringLiteral("Descrizione DESC, Codice")}) {
        const std::vector<qint64> all = t.keysOf(filter, sort);
        ASSERT_EQ(all.size(), size_t(kRows - 100));
        for (qint64 limit : {qint64(0), qint64(60000)}) {
            KeysetCursor::setIndexTimeLimit(limit);
            auto ds = t.db->OpenDataSource(kArt, filter, sort);
            std::vector<qint64> seen;
            for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) seen.push_back(ds->OID());
            EXPECT_EQ(seen, all) << sort.toStdString() << " " << limit;
            // Read partly through the index, then all the rest at once.
            auto counted = t.db->OpenDataSource(kArt, filter, sort);
            counted->MoveTo(300);
            EXPECT_EQ(counted->RowCount(), long(all.size()));
            seen.clear();
            for (counted->RowFirst(); !counted->Eof(); counted->RowNext()) seen.push_back(counted->OID());
            EXPECT_EQ(seen, all) << sort.toStdString() << " " << limit << " counted";
        }
    }
    KeysetCursor::setIndexTimeLimit(30);
}
