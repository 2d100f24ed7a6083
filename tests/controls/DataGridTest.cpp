// The data grid over a selection longer than its first keys: it shows the
// first screen at once, the rest of the rows comes while the program is idle
// or when the grid needs it (its end, a row far down), and the grid's rows
// always match the data source's.

#include "ItemsDb.h"
#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/MubShortSearch.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Engine.h"
#include "support/ModelCheck.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

using namespace controls;

namespace {

constexpr int kRows = 3000;

class LongGridTest : public ::testing::Test {
  protected:
    void SetUp() override {
        items = std::make_unique<controlstest::ItemsDb>();
        db = items->dbPtr();
        auto ds = db->OpenDataSource("Articoli");
        db->BeginTrans();
        for (int i = 0; i < kRows; ++i)
            ds->InsertFromPairs(
                {core::Variant(QStringLiteral("Codice")),
                 core::Variant(QStringLiteral("A%1").arg(i, 5, 10, QChar(u'0'))),
                 core::Variant(QStringLiteral("Descrizione")),
                 core::Variant(QStringLiteral("D%1").arg((i * 7919) % kRows, 5, 10, QChar(u'0')))});
        db->CommitTrans();
        grid.resize(600, 400);
        grid.show();
    }
    void TearDown() override {
        grid.Bind(nullptr, nullptr);
        db.reset();
        items.reset();
    }
    // Runs the event loop until every key is read (or a few seconds pass).
    void idleUntilRead(const std::shared_ptr<datalib::DataSource>& ds) {
        QElapsedTimer clock;
        clock.start();
        while (!ds->AllRowsRead() && clock.elapsed() < 5000) QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    std::unique_ptr<controlstest::ItemsDb> items;
    std::shared_ptr<datalib::Database> db;
    DataGrid grid;
};

}  // namespace

TEST_F(LongGridTest, TheFirstScreenComesAtOnceAndTheRestWhileIdle) {
    auto ds = db->OpenDataSource("Articoli", {}, "Descrizione DESC");
    grid.Bind(ds, nullptr);
    DataGridModel* model = grid.gridModel();
    EXPECT_LT(model->rowCount(), kRows);
    EXPECT_GT(model->rowCount(), 30);
    EXPECT_EQ(model->index(0, 1).data().toString(), QStringLiteral("D02999"));

    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    idleUntilRead(ds);
    EXPECT_TRUE(ds->AllRowsRead());
    EXPECT_EQ(model->rowCount(), kRows);
    EXPECT_EQ(grid.verticalHeader()->count(), kRows);
    EXPECT_GE(inserted.count(), 1);
    EXPECT_EQ(model->index(kRows - 1, 1).data().toString(), QStringLiteral("D00000"));
}

TEST_F(LongGridTest, AFarRowOrTheEndReadsAsFarAsNeeded) {
    auto ds = db->OpenDataSource("Articoli", {}, "Descrizione");
    grid.Bind(ds, nullptr);
    ASSERT_FALSE(ds->AllRowsRead());

    // The data source moved far down: the grid follows it there.
    ASSERT_TRUE(ds->FindFirst("Descrizione = 'D02500'"));
    grid.FollowDataSource();
    EXPECT_EQ(grid.currentIndex().row(), 2500);
    EXPECT_EQ(grid.verticalHeader()->count(), grid.gridModel()->rowCount());
    EXPECT_EQ(grid.Bookmark(), ds->OID());

    // The grid's end asks for the rest.
    auto other = db->OpenDataSource("Articoli", {}, "Codice DESC");
    grid.Bind(other, nullptr);
    ASSERT_TRUE(grid.gridModel()->canFetchMore({}));
    grid.gridModel()->fetchMore({});
    EXPECT_TRUE(other->AllRowsRead());
    EXPECT_EQ(grid.verticalHeader()->count(), kRows);
    grid.scrollToBottom();
    EXPECT_EQ(grid.gridModel()->index(kRows - 1, 0).data().toString(), QStringLiteral("A00000"));
}

// Qt's model tester (fatal mode) and no warning of the item models over a
// selection read in steps: the first screen, the reading while idle, a sort
// command (the new order from its first row), a new order that keeps the
// current row far down, a filter and a quick search, an insert, an edit and a
// delete.
TEST_F(LongGridTest, TheModelStaysConsistentThroughEveryChange) {
    auto ds = db->OpenDataSource("Articoli", {}, "Codice");
    testsupport::ModelCheck check(grid.gridModel());
    grid.Bind(ds, nullptr);
    MubShortSearch search;
    search.Bind(ds);
    ASSERT_FALSE(ds->AllRowsRead());

    // The current row far down, then the sort command: the new order from its
    // first row, of which only the first screen's keys are read.
    ASSERT_TRUE(ds->FindFirst("Codice = 'A02500'"));
    grid.FollowDataSource();
    const qint64 far = ds->OID();
    search.SetSearchField(QStringLiteral("Descrizione"));
    search.SortBySearchField(true);
    EXPECT_FALSE(ds->AllRowsRead());
    EXPECT_EQ(ds->Position(), 0);
    EXPECT_EQ(grid.currentIndex().row(), 0);
    EXPECT_EQ(grid.Bookmark(), ds->OID());
    EXPECT_EQ(grid.gridModel()->index(0, 1).data().toString(), QStringLiteral("D00000"));
    idleUntilRead(ds);
    EXPECT_EQ(grid.gridModel()->rowCount(), kRows);
    EXPECT_EQ(grid.Bookmark(), ds->OID());
    // A new order set by the program keeps the current row, far down in it.
    ASSERT_TRUE(ds->MoveToKey(core::Variant(double(far))));
    grid.FollowDataSource();
    ds->SetSortOrder(QStringLiteral("Descrizione DESC"));
    EXPECT_EQ(ds->OID(), far);
    EXPECT_EQ(grid.Bookmark(), far);
    idleUntilRead(ds);
    search.SortBySearchField(false);
    idleUntilRead(ds);

    // A filter, the next row of a quick search, the filter cancelled.
    search.SetSearchField(QStringLiteral("Codice"));
    search.SetSearchText(QStringLiteral("A01"));
    ASSERT_TRUE(search.Filter(true));
    idleUntilRead(ds);
    EXPECT_EQ(grid.gridModel()->rowCount(), 1000);
    ASSERT_TRUE(search.SearchNext(true));
    grid.FollowDataSource();
    search.CancelFilter();
    idleUntilRead(ds);
    EXPECT_EQ(grid.gridModel()->rowCount(), kRows);

    // An insert shown at the end, an edit, a delete.
    ds->InsertFromPairs({core::Variant(QStringLiteral("Codice")), core::Variant(QStringLiteral("Z00001"))});
    ASSERT_TRUE(ds->FindFirst("Codice = 'Z00001'"));
    grid.FollowDataSource();
    EXPECT_EQ(grid.gridModel()->rowCount(), kRows + 1);
    ds->SetColValue(QStringLiteral("Descrizione"), core::Variant(QStringLiteral("Nuovo")));
    ds->Save();
    grid.viewport()->update();
    ds->DeleteRow();
    grid.gridModel()->showReadRows();
    EXPECT_EQ(grid.gridModel()->rowCount(), kRows);
    ds->Requery();
    QCoreApplication::processEvents();
    EXPECT_EQ(grid.gridModel()->rowCount(), int(ds->RowsRead()));

    EXPECT_TRUE(check.warnings().isEmpty()) << check.warnings().join(QLatin1Char('\n')).toStdString();
    grid.Bind(nullptr, nullptr);
}

// The quick search reads a cell back as it would be typed: a value list's
// stored value (not the label the grid shows), "Vero"/"Falso" for a check
// mark, an amount the Italian way; an empty cell gives an empty text.
TEST(DataGridModelTest, ACellAsTheQuickSearchReadsItBack) {
    controlstest::ItemsDb items;
    auto db = items.dbPtr();
    const auto v = [](auto x) { return core::Variant(x); };
    auto ds = db->OpenDataSource("Articoli", QString(), "Codice");
    ds->InsertFromPairs({v(QStringLiteral("Codice")), v(QStringLiteral("A1")), v(QStringLiteral("Prezzo")),
                         v(1234.5), v(QStringLiteral("Disabilitato")), v(true), v(QStringLiteral("Stato")),
                         v(QStringLiteral("S"))});
    ds->InsertFromPairs({v(QStringLiteral("Codice")), v(QStringLiteral("A2"))});
    ds->Requery();
    {
        DataGridModel model;
        model.setDataSource(ds);
        const auto cell = [&](int row, const char* field) {
            return model.index(row, model.columnOf(QString::fromLatin1(field)));
        };
        EXPECT_EQ(cell(0, "Stato").data().toString(), "Sospeso");
        const struct {
            int row;
            const char* field;
            const char* text;
        } cases[] = {{0, "Stato", "S"},  {0, "Disabilitato", "Vero"},  {0, "Prezzo", "1.234,50"},
                     {1, "Stato", ""},   {1, "Disabilitato", "Falso"}, {1, "Prezzo", ""},
                     {0, "Codice", "A1"}};
        for (const auto& c : cases)
            EXPECT_EQ(model.searchText(cell(c.row, c.field)).toStdString(), c.text)
                << c.row << " " << c.field;
    }
    ds.reset();
    db.reset();
    items.close();
}

// The widths come from the cells in view and a few rows about them, never
// from the whole selection: a long text far below leaves the column as it
// is until it is scrolled into view (the same table: the column grows).
TEST(DataGridWidthsTest, OnlyTheCellsAboutTheViewAreMeasured) {
    controlstest::ItemsDb items;
    auto db = items.dbPtr();
    const auto v = [](const QString& x) { return core::Variant(x); };
    auto ds = db->OpenDataSource("Articoli", QString(), "Codice");
    for (int i = 0; i < 300; ++i)
        ds->InsertFromPairs({v(QStringLiteral("Codice")),
                             v(QStringLiteral("B%1").arg(i, 3, 10, QLatin1Char('0'))),
                             v(QStringLiteral("Descrizione")),
                             v(i == 250 ? QString(60, QLatin1Char('W')) : QStringLiteral("Vite"))});
    ds->Requery();
    {
        DataGrid grid;
        grid.resize(900, 300);
        grid.show();
        grid.Bind(ds, nullptr);
        const int column = grid.gridModel()->columnOf(QStringLiteral("Descrizione"));
        EXPECT_LT(grid.columnWidth(column), grid.MaxContentWidth());
        ASSERT_TRUE(ds->FindFirst(QStringLiteral("Codice = 'B250'")));
        grid.FollowDataSource();
        grid.ApplyLayout(nullptr);
        EXPECT_EQ(grid.columnWidth(column), grid.MaxContentWidth());
    }
    ds.reset();
    db.reset();
    items.close();
}

// A column without a stored width is as wide as its caption and its cells,
// within a maximum; a stored width wins. A pick list opens as wide as its
// columns, with room to type in its search box.
TEST(DataGridWidthsTest, ColumnsFitCaptionAndCellsWithinAMaximumAndStoredWidthsWin) {
    QTemporaryDir dir;
    controlstest::ItemsDb items;
    auto db = items.dbPtr();
    const auto v = [](const QString& x) { return core::Variant(x); };
    const QString code = QStringLiteral("DEMORB0001");
    const QString longText(60, QLatin1Char('W'));
    auto ds = db->OpenDataSource("Articoli", QString(), "Codice");
    ds->InsertFromPairs(
        {v(QStringLiteral("Codice")), v(code), v(QStringLiteral("Descrizione")), v(longText)});
    ds->InsertFromPairs({v(QStringLiteral("Codice")), v(QStringLiteral("A2"))});
    ds->Requery();
    {
        DataGrid grid;
        grid.resize(900, 300);
        grid.show();
        grid.Bind(ds, nullptr);
        DataGridModel* model = grid.gridModel();
        const QFontMetrics metrics(grid.font());
        const auto width = [&](const char* field) {
            return grid.columnWidth(model->columnOf(QString::fromLatin1(field)));
        };
        EXPECT_GE(width("Codice"), metrics.horizontalAdvance(code));
        EXPECT_GE(width("Disabilitato"), metrics.horizontalAdvance(QStringLiteral("Disabilitato")));
        EXPECT_LT(width("Stato"), width("Disabilitato"));
        EXPECT_EQ(width("Descrizione"), grid.MaxContentWidth());
        EXPECT_LT(grid.MaxContentWidth(), metrics.horizontalAdvance(longText));
        // Never narrower than Qt's own fit to the cells: no text is cut.
        for (int c = 0; c < model->columnCount(); ++c) {
            const int width = grid.columnWidth(c);
            grid.resizeColumnToContents(c);
            EXPECT_GE(width, std::min(grid.columnWidth(c), grid.MaxContentWidth())) << c;
            grid.setColumnWidth(c, width);
        }

        // Bound while hidden on purpose, the grid measures its cells once shown.
        grid.hide();
        grid.ForgetContentWidths();
        grid.Bind(ds, nullptr);
        grid.show();
        EXPECT_GE(width("Codice"), metrics.horizontalAdvance(code));
        EXPECT_EQ(width("Descrizione"), grid.MaxContentWidth());

        ViewGridSettings settings(dir.filePath(QStringLiteral("griglia.INI")), QStringLiteral("Articoli"));
        settings.SetColumnWidth(QStringLiteral("Codice"), 1500);
        grid.Bind(ds, &settings);
        const int perPixel = int(std::lround(1440.0 / grid.screen()->logicalDotsPerInchX()));
        EXPECT_EQ(width("Codice"), int(std::lround(1500.0 / perPixel)));
    }
    {
        PickListDialog pick(ds, QStringLiteral("Selezione"), QString(), false, nullptr);
        pick.show();
        auto* search = pick.search()->findChild<QLineEdit*>(QStringLiteral("txtSearch"));
        ASSERT_NE(search, nullptr);
        EXPECT_GE(search->width(), search->fontMetrics().averageCharWidth() * 20);
        int columns = 0;
        for (int c = 0; c < pick.grid()->model()->columnCount(); ++c) columns += pick.grid()->columnWidth(c);
        EXPECT_GE(pick.width(), std::min(columns, pick.screen()->availableGeometry().width() * 9 / 10));
    }
    ds.reset();
    db.reset();
    items.close();
}
