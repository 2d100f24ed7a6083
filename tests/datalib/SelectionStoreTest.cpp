// The base filter under every filter of a data source, and selections
// stored by name in the library's own table.

#include "TestSchema.h"
#include "core/AppError.h"
#include "core/Date.h"
#include "datalib/DataSet.h"
#include "datalib/SelectionCriteria.h"

#include <gtest/gtest.h>

using namespace datalib;
using namespace dltest;
using core::Variant;

namespace {

const QString kArt = QStringLiteral("Articoli");

struct Articles : Fixture {
    explicit Articles(double version = 1.0) {
        open(version);
        auto art = db->OpenDataSource(kArt);
        for (const auto& [code, description, disabled] : {std::tuple{"A1", "Vite", false},
                                                          {"A2", "Bullone", false},
                                                          {"B1", "Dado", true},
                                                          {"B2", "D'Angelo 50%", false}})
            art->InsertFromPairs({QStringLiteral("Codice"), QString::fromUtf8(code),
                                  QStringLiteral("Descrizione"), QString::fromUtf8(description),
                                  QStringLiteral("Disabilitato"), disabled, QStringLiteral("DataInserimento"),
                                  Variant::fromDate(core::Date::fromParts(2024, 3, 5, 23, 59))});
    }
    SelectionCriteria selection() { return SelectionCriteria(db, *db->tableDef(kArt)); }
};

QStringList codes(DataSource& ds) {
    QStringList out;
    for (ds.RowFirst(); !ds.Eof(); ds.RowNext()) out << ds.ColValueStr(QStringLiteral("Codice"));
    return out;
}

}  // namespace

TEST(BaseFilter, StaysUnderEveryFilterAndRefusesWhatItCannotRead) {
    Articles a;
    auto ds = a.db->Tables(kArt)->OpenDataSource(QStringLiteral("Codice <> 'A1'"), QStringLiteral("Codice"),
                                                 {}, QStringLiteral("NOT Disabilitato"));
    EXPECT_EQ(codes(*ds), (QStringList{"A2", "B2"}));
    ds->SetFilter(QString());
    EXPECT_EQ(codes(*ds), (QStringList{"A1", "A2", "B2"}));
    EXPECT_EQ(ds->EffectiveFilter(), QStringLiteral("NOT Disabilitato"));
    ds->SetFilter(QStringLiteral("Codice >= 'B'"));
    EXPECT_EQ(codes(*ds), (QStringList{"B2"}));
    EXPECT_EQ(ds->EffectiveFilter(), QStringLiteral("(NOT Disabilitato) AND (Codice >= 'B')"));

    // A base filter that cannot be read changes nothing.
    EXPECT_THROW(ds->SetBaseFilter(QStringLiteral("Colonna = 1")), core::AppError);
    EXPECT_EQ(ds->BaseFilter(), QStringLiteral("NOT Disabilitato"));
    EXPECT_EQ(codes(*ds), (QStringList{"B2"}));
    ds->SetBaseFilter(QString());
    EXPECT_EQ(codes(*ds), (QStringList{"B1", "B2"}));
}

TEST(StoredSelection, SavedLoadedAndDeletedByTableAndName) {
    Articles a;
    SelectionCriteria s = a.selection();
    EXPECT_FALSE(s.Exists(QStringLiteral("Viti")));  // no store yet
    EXPECT_FALSE(s.Load(QStringLiteral("Viti")));
    EXPECT_FALSE(s.Delete(QStringLiteral("Viti")));

    // Typed values come back with their kind; apostrophes and "%" stay characters.
    const Variant from = Variant::fromDate(core::Date::fromParts(2024, 3, 1));
    const Variant to = Variant::fromDate(core::Date::fromParts(2024, 3, 5));
    s.AddFieldCriterion(QStringLiteral("Descrizione"), 257, Variant(QStringLiteral("D'Angelo 50%")));
    s.AddFieldCriterion(QStringLiteral("DataInserimento"), 6, from, to);
    s.AddFieldCriterion(QStringLiteral("Disabilitato"), 0, Variant(false));
    s.SetConditionText(QStringLiteral("Codice <> 'A1'"));
    const QString text = s.CombinedText();
    s.Save(QStringLiteral("Viti"));
    EXPECT_EQ(s.Name(), QStringLiteral("Viti"));

    SelectionCriteria back = a.selection();
    ASSERT_TRUE(back.Exists(QStringLiteral("Viti")));
    ASSERT_TRUE(back.Load(QStringLiteral("Viti")));
    EXPECT_EQ(back.Name(), QStringLiteral("Viti"));
    EXPECT_EQ(back.CombinedText(), text);
    ASSERT_EQ(back.Criteria().size(), 3u);
    EXPECT_EQ(back.Criteria()[1].value2.type(), core::VType::Date);
    EXPECT_EQ(back.ConditionText(), QStringLiteral("Codice <> 'A1'"));
    EXPECT_EQ(codes(*a.db->OpenDataSource(kArt, back.CombinedText())), (QStringList{"B2"}));

    // Saving again replaces; another table keeps its own under the same name.
    back.ResetCriteria();
    back.Save(QStringLiteral("Viti"));
    SelectionCriteria again = a.selection();
    ASSERT_TRUE(again.Load(QStringLiteral("Viti")));
    EXPECT_TRUE(again.Criteria().empty());
    SelectionCriteria orders(a.db, *a.db->tableDef(QStringLiteral("Ordini")));
    EXPECT_FALSE(orders.Exists(QStringLiteral("Viti")));

    EXPECT_TRUE(again.Delete(QStringLiteral("Viti")));
    EXPECT_FALSE(again.Exists(QStringLiteral("Viti")));
}

// A column gone since the selection was stored: it loads as it was, building
// its text gives the library's message, and it can still be deleted.
TEST(StoredSelection, OnAColumnGoneLoadsAndFailsWhenBuilt) {
    Articles a(2.0);
    SelectionCriteria s = a.selection();
    s.AddFieldCriterion(QStringLiteral("Note"), 0, Variant(QStringLiteral("x")));
    s.Save(QStringLiteral("Con note"));
    a.close();
    a.open(1.0);
    SelectionCriteria back = a.selection();
    ASSERT_TRUE(back.Load(QStringLiteral("Con note")));
    try {
        back.CombinedText();
        FAIL() << "built a condition on a column that is gone";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("Note"))) << e.description().toStdString();
    }
    EXPECT_TRUE(back.Delete(QStringLiteral("Con note")));
}
