// The quick search and the command button over a small table of their own.

#include "ItemsDb.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/SearchDialogs.h"
#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Engine.h"
#include "platform/ui/MessageBox.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using namespace controls;

namespace {

class ShortSearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        items = std::make_unique<controlstest::ItemsDb>();
        db = items->dbPtr();
        auto ds = db->OpenDataSource("Articoli");
        const struct {
            const char* code;
            const char* text;
            double price;
            bool off;
        } rows[] = {{"A1", "Vite", 1.5, false},
                    {"A2", "Bullone", 2, false},
                    {"A3", "Vite lunga", 3, false},
                    {"A4", "Dado", 2, false},
                    {"A5", "Vite corta", 4, true}};
        for (const auto& r : rows)
            ds->InsertFromPairs({core::Variant(QStringLiteral("Codice")), core::Variant(QString(r.code)),
                                 core::Variant(QStringLiteral("Descrizione")), core::Variant(QString(r.text)),
                                 core::Variant(QStringLiteral("Prezzo")), core::Variant(r.price),
                                 core::Variant(QStringLiteral("Disabilitato")), core::Variant(r.off)});
        view = db->OpenDataSource("Articoli", "NOT Disabilitato", "Codice");
        search.Bind(view);
    }
    void TearDown() override {
        setSearchDialogHook({});
        std::shared_ptr<datalib::DataSource> none;
        search.Bind(none);
        view.reset();
        db.reset();
        items.reset();
    }
    QStringList codes() {
        QStringList out;
        for (long i = 0; i < view->RowCount(); ++i)
            out << view->ValueAt(i, view->ColumnIndex("Codice")).toString();
        return out;
    }

    std::unique_ptr<controlstest::ItemsDb> items;
    std::shared_ptr<datalib::Database> db;
    std::shared_ptr<datalib::DataSource> view;
    MubShortSearch search;
};

}  // namespace

TEST_F(ShortSearchTest, FindsTheNextRowInTheGridsOrder) {
    EXPECT_EQ(search.SearchFields(),
              (QStringList{"Codice", "Descrizione", "Prezzo", "Disabilitato", "Stato"}));
    search.SetSearchField("descrizione");
    EXPECT_EQ(search.SearchField(), "Descrizione");
    search.SetSearchText("vite");
    QSignalSpy found(&search, &MubShortSearch::RowFound);
    ASSERT_TRUE(search.SearchFirst());
    EXPECT_EQ(view->ColValueStr("Codice"), "A1");
    ASSERT_TRUE(search.SearchNext(true));
    EXPECT_EQ(view->ColValueStr("Codice"), "A3");  // A5 is filtered out by the view
    EXPECT_FALSE(search.SearchNext(false));
    EXPECT_EQ(view->ColValueStr("Codice"), "A3");
    ASSERT_TRUE(search.SearchNext(true));  // round again
    EXPECT_EQ(view->ColValueStr("Codice"), "A1");
    EXPECT_EQ(found.count(), 3);
    search.SetSearchText("Zzz");
    EXPECT_FALSE(search.SearchNext(true));
}

// A search that finds nothing leaves the current row and says so (the
// control beeps); typing on after the first letter that misses says it once.
TEST_F(ShortSearchTest, ASearchThatFindsNothingSaysSo) {
    QSignalSpy missed(&search, &MubShortSearch::NothingFound);
    search.SetSearchField("Descrizione");
    search.SetSearchText("Dado");
    ASSERT_TRUE(search.SearchFirst());
    EXPECT_EQ(missed.count(), 0);

    search.SetSearchText(QString());
    QTest::keyClicks(search.textBox(), "Vx");
    EXPECT_TRUE(QTest::qWaitFor([&] { return missed.count() == 1; })) << missed.count();
    EXPECT_EQ(view->ColValueStr("Codice"), "A4");
    QTest::keyClicks(search.textBox(), "yz");
    QTest::qWait(400);
    EXPECT_EQ(missed.count(), 1);
    for (int i = 0; i < 3; ++i) QTest::keyClick(search.textBox(), Qt::Key_Backspace);  // "V" finds again
    QTest::qWait(400);
    EXPECT_EQ(view->ColValueStr("Codice"), "A1");
    QTest::keyClicks(search.textBox(), "q");
    EXPECT_TRUE(QTest::qWaitFor([&] { return missed.count() == 2; })) << missed.count();

    search.SetSearchText("Zzz");
    EXPECT_FALSE(search.SearchFirst());
    EXPECT_FALSE(search.SearchNext(true));
    EXPECT_EQ(missed.count(), 4);
    EXPECT_EQ(view->ColValueStr("Codice"), "A1");
}

TEST_F(ShortSearchTest, FiltersAndSortsOverTheViewsOwn) {
    search.SetSearchField("Descrizione");
    search.SetSearchText("Vi");
    ASSERT_TRUE(search.Filter());
    EXPECT_EQ(codes(), (QStringList{"A1", "A3"}));
    search.SetSearchField("Prezzo");
    search.SetSearchText("3");
    ASSERT_TRUE(search.Filter());  // a number field compares equal, both filters hold
    EXPECT_EQ(codes(), QStringList{"A3"});

    platform::ScriptedBoxes boxes;
    search.SetSearchText("tre");
    EXPECT_FALSE(search.Filter());  // not a number: a message, nothing changes
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(codes(), QStringList{"A3"});

    search.CancelFieldFilter();  // the price filter goes
    EXPECT_EQ(codes(), (QStringList{"A1", "A3"}));
    search.CancelFilter();
    EXPECT_EQ(view->Filter(), "NOT Disabilitato");
    EXPECT_EQ(codes(), (QStringList{"A1", "A2", "A3", "A4"}));

    search.SetSearchField("Descrizione");
    search.SortBySearchField(false);
    EXPECT_EQ(codes(), (QStringList{"A3", "A1", "A4", "A2"}));
    search.CancelSort();
    EXPECT_EQ(view->SortOrder(), "Codice");
}

TEST_F(ShortSearchTest, ComplexFilterAndCombinedSortDialogs) {
    setSearchDialogHook([](QDialog& d) {
        auto* filter = qobject_cast<ComplexFilterDialog*>(&d);
        if (!filter) return false;
        filter->SetCondition(0, "Prezzo", 2, "2");       // >= 2
        filter->SetCondition(1, "Descrizione", 5, "E");  // contiene, any letter case
        return true;
    });
    ASSERT_TRUE(search.ComplexFilter());
    EXPECT_EQ(codes(), (QStringList{"A2", "A3"}));

    platform::ScriptedBoxes boxes;
    setSearchDialogHook([](QDialog& d) {
        qobject_cast<ComplexFilterDialog*>(&d)->SetCondition(0, "Prezzo", 5, "2");  // contiene on a number
        return true;
    });
    EXPECT_FALSE(search.ComplexFilter());
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(codes(), (QStringList{"A2", "A3"}));

    QString stored;
    QObject::connect(&search, &MubShortSearch::QueryDefaultSort, [](QString& c, bool& handled) {
        c = "Prezzo DESC,Codice";
        handled = true;
    });
    QObject::connect(&search, &MubShortSearch::DefaultSortChanged, [&](const QString& c, bool& handled) {
        stored = c;
        handled = true;
    });
    setSearchDialogHook([](QDialog& d) {
        auto* sort = qobject_cast<CombinedSortDialog*>(&d);
        emit sort->defaultRequested();
        EXPECT_EQ(sort->Criterion(), "Prezzo DESC,Codice");
        sort->SetLevel(1, "Descrizione", false);
        emit sort->storeDefaultRequested();
        return true;
    });
    ASSERT_TRUE(search.CombinedSort());
    EXPECT_EQ(stored, "Prezzo DESC,Descrizione");
    EXPECT_EQ(view->SortOrder(), "Prezzo DESC,Descrizione");
    EXPECT_EQ(codes(), (QStringList{"A3", "A2"}));
}

TEST_F(ShortSearchTest, EnterAndArrowDownHandTheInputBack) {
    QSignalSpy back(&search, &MubShortSearch::InputReturned);
    search.SetSearchField("Descrizione");
    QTest::keyClicks(search.textBox(), "Dad");
    QTest::keyClick(search.textBox(), Qt::Key_Return);
    ASSERT_EQ(back.count(), 1);
    EXPECT_EQ(view->ColValueStr("Codice"), "A4");  // typed text found before handing back
    QTest::keyClick(search.textBox(), Qt::Key_Down);
    EXPECT_EQ(back.count(), 2);
}

TEST(MubCommand, ClicksByMouseAndEnterOnlyWhenEnabled) {
    MubCommand button("&Conferma");
    button.SetTag("x");
    EXPECT_EQ(button.Tag(), "x");
    EXPECT_EQ(button.Caption(), "&Conferma");
    QSignalSpy clicked(&button, &QPushButton::clicked);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::qWait(200);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 2);
    button.setEnabled(false);
    QTest::keyClick(&button, Qt::Key_Return);
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::qWait(200);
    EXPECT_EQ(clicked.count(), 2);
}
