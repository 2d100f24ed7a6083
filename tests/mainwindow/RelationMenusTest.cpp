// The relation menus of the main window through the real menus, data library
// and browse windows.

#include "CommandsFixture.h"

#include "controls/MubShortSearch.h"
#include "datalib/Relations.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

using namespace mainwindow;
using mwtest::CommandsTest;

namespace {

QStringList captions(const QList<QAction*>& items) {
    QStringList out;
    for (QAction* a : items)
        if (a->isVisible()) out << a->text();
    return out;
}

QStringList tags(const QList<QAction*>& items) {
    QStringList out;
    for (int i = 1; i < items.size(); ++i) out << items[i]->data().toString();
    return out;
}

}  // namespace

TEST(GetSameWording, FollowsTheLastLetterAndThePlural) {
    struct Case {
        const char* noun;
        bool plural;
        const char* wording;
    } const cases[] = {
        {"Clienti", false, " con stessi "},
        {"Clienti", true, " con stessi "},
        {"Lunedì", false, " con stessi "},
        {"Categoria", true, " con stessa "},
        {"Città", false, " con stessa "},
        {"Agente", true, " con stesse "},
        {"Agente", false, " con stesso "},
        {"Listino", true, " con stesso "},
        {"", true, " con stesso "},
        {"IVA", false, " con stessa "},
        {"Tipo Porto", false, " con stesso "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetSameWording(QString::fromUtf8(c.noun), c.plural), QString::fromUtf8(c.wording))
            << c.noun;
}

TEST_F(CommandsTest, PlaceholdersStandAloneWhereATableHasNoRelationOfAKind) {
    RelationMenus* menus = commands->Relations();
    openView("Utenti");  // no relations at all
    for (const char* array : {"mnuReferencedItem", "mnuRefItem", "mnuContItem"}) {
        const auto items = menus->Items(QLatin1String(array));
        ASSERT_EQ(items.size(), 1) << array;
        EXPECT_TRUE(items[0]->isVisible());
    }
    EXPECT_EQ(menus->Items("mnuReferencedItem")[0]->text(), "< Associati >");
    EXPECT_EQ(menus->Items("mnuRefItem")[0]->text(), "< Riferimenti >");
    EXPECT_EQ(menus->Items("mnuContItem")[0]->text(), "< Contenitori >");

    openView("Clienti");  // references, associated tables, no container
    EXPECT_FALSE(menus->Items("mnuRefItem")[0]->isVisible());
    EXPECT_TRUE(captions(menus->Items("mnuRefItem")).contains("Clienti con stesso Agente"));
    EXPECT_TRUE(captions(menus->Items("mnuRefItem")).contains("Clienti con stesso Tipo Pagamento Abituale"));
    EXPECT_TRUE(
        captions(menus->Items("mnuReferencedItem")).contains(db->Tables("Ordini")->PresentationName()));
    EXPECT_TRUE(
        captions(menus->Items("mnuReferencedItem")).contains(db->Tables("SediClienti")->PresentationName()));
    EXPECT_EQ(captions(menus->Items("mnuContItem")), QStringList{"< Contenitori >"});

    // A view without rows of its own shows nothing new: clearing leaves the placeholders.
    menus->BuildRelationMenus(nullptr, true);
    EXPECT_EQ(menus->Items("mnuRefItem").size(), 1);
}

TEST_F(CommandsTest, EntryNumbersRunOverTwoLevelsAndSkipExcludedRelations) {
    RelationMenus* menus = commands->Relations();
    auto rowsOfOrders = db->OpenDataSource("RigheOrdini");
    menus->BuildRelationMenus(rowsOfOrders.get(), false);
    const auto levels = datalib::DescribeRelations(*db, db->Tables("RigheOrdini")->definition(), {});
    ASSERT_EQ(levels.size(), 2u);  // the rows, then the order holding them
    EXPECT_EQ(levels[1].table->name(), "Ordini");

    // References: level 1's come first, numbered from 1; the order's follow
    // them, and its excluded "Destinazione" keeps its number unused.
    const int first = int(levels[0].references.size());
    QStringList expected;
    int destination = 0;
    for (int i = 0; i < first; ++i) expected << QString::number(i + 1);
    for (size_t i = 0; i < levels[1].references.size(); ++i) {
        if (levels[1].references[i].reference == "Destinazione") {
            EXPECT_TRUE(levels[1].references[i].excluded);
            destination = first + int(i) + 1;
            continue;
        }
        expected << QString::number(first + int(i) + 1);
    }
    ASSERT_GT(destination, 0);
    EXPECT_EQ(tags(menus->Items("mnuRefItem")), expected);
    EXPECT_TRUE(captions(menus->Items("mnuRefItem")).contains("Ordini con stesso Cliente"));

    // Containers: the order; associated: the order's rows ("Documenti" is excluded).
    EXPECT_EQ(captions(menus->Items("mnuContItem")), QStringList{db->Tables("Ordini")->PresentationName()});
    EXPECT_EQ(tags(menus->Items("mnuReferencedItem")), QStringList{"1"});
    EXPECT_EQ(captions(menus->Items("mnuReferencedItem")),
              QStringList{db->Tables("RigheOrdini")->PresentationName()});
}

TEST_F(CommandsTest, AChosenEntryRunsDeferredAndOpensTheRows) {
    addAgent("A1");
    addAgent("A2");
    addCustomer("C1", "Rossi", "A1");
    addCustomer("C2", "Bianchi", "A2");
    addCustomer("C3", "Verdi", "A1");
    openView("Clienti");
    show();
    auto ds = browser->CurrentDataSource();
    ASSERT_EQ(ds->RowCount(), 3 + rows("Clienti", "Codice = ''"));
    ASSERT_TRUE(ds->FindFirst("Codice = 'C3'"));
    browser->Widgets().dgView->FollowDataSource();

    QAction* sameAgent = nullptr;
    for (QAction* a : commands->Relations()->Items("mnuRefItem"))
        if (a->text() == "Clienti con stesso Agente") sameAgent = a;
    ASSERT_TRUE(sameAgent);
    // Without a valid current row (past the last one) nothing is deferred.
    ds->RowLast();
    ds->RowNext();
    ASSERT_FALSE(ds->RowValid());
    sameAgent->trigger();
    EXPECT_FALSE(browser->Widgets().tmFunc->isActive());
    EXPECT_EQ(browser->Widgets().tmFunc->property("Tag").toString(), "");

    ASSERT_TRUE(ds->FindFirst("Codice = 'C3'"));
    sameAgent->trigger();
    // Deferred: nothing is open until the timer runs.
    EXPECT_TRUE(browseWindows().isEmpty());
    EXPECT_EQ(browser->Widgets().tmFunc->property("Tag").toString(),
              "mnuRefItem(" + sameAgent->data().toString() + ")");
    EXPECT_TRUE(QTest::qWaitFor([&] { return browseWindows().size() == 1; })) << browseWindows().size();
    EXPECT_EQ(browseWindows().first()->windowTitle(), "Clienti con stesso Agente");
    auto opened = browseWindows().first()->dataSource();
    EXPECT_EQ(opened->RowCount(), 2);
    QStringList codes;
    for (opened->RowFirst(); !opened->Eof(); opened->RowNext()) codes << opened->ColValueStr("Codice");
    codes.sort();
    EXPECT_EQ(codes, (QStringList{"C1", "C3"}));
    EXPECT_EQ(browser->Widgets().tmFunc->property("Tag").toString(), "");
}

TEST_F(CommandsTest, ANewRowCannotBeUsedForARelation) {
    addAgent("A1");
    openView("Agenti");
    auto ds = browser->CurrentDataSource();
    ds->AddNew();
    platform::ScriptedBoxes boxes;
    commands->Relations()->OpenReferencedItem(ds, 1);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.lastText(), "Operazione non abilitata in questa fase");
    EXPECT_EQ(boxes.shown()[0].style, platform::kOkOnly | platform::kInformation);
    EXPECT_TRUE(browseWindows().isEmpty());
    ds->CancelUpdate();
}
