// The browsing part of the main window through its real widgets.

#include "BrowserFixture.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/ViewGridSettings.h"
#include "core/ItalianText.h"
#include "datalib/DataSet.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/RelationMenus.h"
#include "mainwindow/SectionButtons.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeWidget>

#include <set>

using namespace controls;
using namespace mainwindow;
using mwtest::BrowserTest;

namespace {

QStringList childTexts(QTreeWidgetItem* node) {
    QStringList out;
    for (int i = 0; i < node->childCount(); ++i) out << node->child(i)->text(0);
    return out;
}

}  // namespace

TEST_F(BrowserTest, TreeFollowsTheAccessLevel) {
    db->SetAccessLevel(0);
    browser->SetTreeViewNodes();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    EXPECT_EQ(AllNodes(tree).size(), 37);
    EXPECT_EQ(childTexts(NodeAt(tree, 35)), (QStringList{db->Tables("Linee")->PresentationName(),
                                                         db->Tables("Categorie")->PresentationName()}));
    EXPECT_EQ(tree->currentItem(), NodeAt(tree, 1));  // nothing selected before: the first node
    EXPECT_TRUE(NodeAt(tree, 1)->isExpanded());
    EXPECT_FALSE(NodeAt(tree, 4)->isExpanded());
    EXPECT_EQ(NodeAt(tree, 14)->text(0), "Ordini");
    EXPECT_EQ(NodeKey(NodeAt(tree, 14)), "");
    EXPECT_EQ(NodeKey(NodeAt(tree, 2)), "Ordini");

    db->SetAccessLevel(1);
    {
        // Only the tree's own selection: this list section would open its search window.
        const QSignalBlocker quiet(tree);
        tree->setCurrentItem(NodeAt(tree, 30));
    }
    browser->SetTreeViewNodes();
    const auto nodes = AllNodes(tree);
    ASSERT_EQ(nodes.size(), 52);
    EXPECT_EQ(tree->currentItem(), NodeAt(tree, 30));  // restored by position
    EXPECT_EQ(NodeAt(tree, 42)->text(0), "Codici Iva");
    EXPECT_EQ(NodeAt(tree, 40)->text(0), "Comuni / Città");
    EXPECT_EQ(NodeAt(tree, 50)->text(0), "Impostazioni Stampa Etichette");
    EXPECT_EQ(NodeAt(tree, 52)->text(0), "Parametri Database");
    EXPECT_EQ(NodeKey(NodeAt(tree, 52)), db->SysParamTableName());
    EXPECT_EQ(NodeAt(tree, 52)->parent(), NodeAt(tree, 35));

    tree->setCurrentItem(NodeAt(tree, 45));  // gone for level 0: the tree keeps a selection of its own
    db->SetAccessLevel(0);
    browser->SetTreeViewNodes();
    EXPECT_EQ(AllNodes(tree).size(), 37);
}

TEST_F(BrowserTest, NodeClickLoadsItsTableOnce) {
    addArticle("VITE", "Vite zincata", 1.5);
    addArticle("DADO", "Dado M6", 0.25);
    browser->SetTreeViewNodes();
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Articoli"));
    auto ds = browser->CurrentDataSource();
    ASSERT_TRUE(ds);
    EXPECT_EQ(ds->Table()->Name(), "Articoli");
    EXPECT_TRUE(browser->Widgets().dgView->isVisible());
    EXPECT_TRUE(browser->Widgets().MubShortSearch->isVisible());
    EXPECT_EQ(browser->Widgets().dgView->model()->rowCount(), ds->RowCount());
    EXPECT_EQ(browser->Widgets().lblTitle[1]->text(), " " + NodeByKey(tree, "Articoli")->text(0));
    EXPECT_EQ(status->text(), " Sezione: <" + NodeByKey(tree, "Articoli")->text(0) + ">");
    EXPECT_TRUE(ds->BaseFilter().contains("Disabilitato = False"));

    // Several rows selected: their OIDs are the bookmarks; the current row follows the grid.
    DataGrid* grid = browser->Widgets().dgView;
    grid->setCurrentIndex(grid->model()->index(2, 0));
    EXPECT_EQ(ds->Position(), 2);
    EXPECT_EQ(grid->Bookmark(), ds->OID());
    const qint64 third = ds->OID();
    grid->selectionModel()->select(grid->model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    ds->MoveTo(0);
    const std::vector<qint64> marks = grid->SelectedBookmarks();
    EXPECT_EQ(std::set<qint64>(marks.begin(), marks.end()), (std::set<qint64>{ds->OID(), third}));

    // The node already shown: nothing reloads; a double click does.
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Articoli"));
    EXPECT_EQ(browser->CurrentDataSource(), ds);
    emit tree->itemDoubleClicked(NodeByKey(tree, "Articoli"), 0);
    EXPECT_NE(browser->CurrentDataSource(), ds);

    // A rebuilt tree frees the nodes: the node at the place of the one shown
    // is another node, and its click loads its view.
    const auto shown = browser->CurrentDataSource();
    browser->SetTreeViewNodes();
    EXPECT_NE(browser->LastShownNode(), NodeId(NodeByKey(tree, "Articoli")));
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Articoli"));
    EXPECT_NE(browser->CurrentDataSource(), shown);

    // A section: empty state, no grid.
    browser->tvTreeView_NodeClick(NodeAt(tree, 4));
    EXPECT_FALSE(browser->CurrentDataSource());
    EXPECT_FALSE(browser->Widgets().dgView->isVisible());
    EXPECT_FALSE(browser->Widgets().MubShortSearch->isVisible());
}

TEST_F(BrowserTest, ViewOfAnUnknownTableFailsWithItsMessage) {
    browser->SetTreeViewNodes();
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    NodeAt(tree, 2)->setData(0, Qt::UserRole, "TabellaInesistente");
    platform::ScriptedBoxes boxes;
    browser->tvTreeView_NodeClick(NodeAt(tree, 2));
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_TRUE(boxes.shown().front().text.startsWith("Visualizzazione dati fallita: "));
    // Not busy any more: the next node loads.
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Clienti"));
    EXPECT_TRUE(browser->CurrentDataSource());
}

TEST_F(BrowserTest, SectionButtonsAndTheirClick) {
    browser->SetTreeViewNodes();
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    tree->setCurrentItem(NodeAt(tree, 1));
    browser->RefreshDetailView();
    SectionButtons* buttons = browser->Widgets().acmdSectionItem;
    ASSERT_EQ(buttons->Count(), 4);  // template, title, two buttons
    EXPECT_EQ(buttons->Item(1)->text(), "VOCI PRINCIPALI PER LA SEZIONE GESTIONE ORDINI :");
    EXPECT_EQ(buttons->Item(2)->text(), "Ordini");
    EXPECT_EQ(buttons->Item(2)->Tag(), "Ordini");
    EXPECT_EQ(buttons->Item(3)->Tag(), "Ordini da Inviare");
    EXPECT_FALSE(browser->Widgets().cmdHideTree->isEnabled());

    tree->setCurrentItem(NodeAt(tree, 13));
    browser->RefreshDetailView();
    ASSERT_EQ(buttons->Count(), 4);
    EXPECT_EQ(buttons->Item(2)->Tag(), "14");
    EXPECT_EQ(buttons->Item(3)->Tag(), "29");

    // A real click on the button that the rebuild removes: handled after the
    // click, the button deleted afterwards; the view built once.
    int views = 0;  // each build of the view clears the relation menus once
    QObject::connect(browser, &mainwindow::MainBrowser::buildRelationMenus, browser,
                     [&views](datalib::DataSource*, bool clearOnly) { views += clearOnly ? 1 : 0; });
    const auto builds = [&views] { return views; };
    QPointer<controls::MubCommand> clicked = buttons->Item(2);
    QTest::mouseClick(clicked, Qt::LeftButton);
    ASSERT_TRUE(clicked);
    QTest::qWait(20);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(clicked);
    EXPECT_EQ(builds(), 1);
    EXPECT_EQ(tree->currentItem(), NodeAt(tree, 14));
    ASSERT_EQ(buttons->Count(), 5);
    EXPECT_EQ(buttons->Item(2)->text(), "Lista Ordini");
    EXPECT_EQ(buttons->Item(4)->text(), "Stampe Ordine");

    // A table's button: its view once, and a click on its node then loads nothing.
    tree->setCurrentItem(NodeAt(tree, 1));
    browser->RefreshDetailView();
    views = 0;
    QTest::mouseClick(buttons->Item(3), Qt::LeftButton);
    QTest::qWait(20);
    EXPECT_EQ(builds(), 1);
    EXPECT_EQ(tree->currentItem(), NodeByKey(tree, "Ordini da Inviare"));
    ASSERT_TRUE(browser->CurrentDataSource());
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Ordini da Inviare"));
    EXPECT_EQ(builds(), 1);

    // A table node: no buttons, the hide button enabled again.
    tree->setCurrentItem(NodeByKey(tree, "Clienti"));
    browser->RefreshDetailView();
    EXPECT_EQ(buttons->Count(), 1);
    EXPECT_TRUE(browser->Widgets().cmdHideTree->isEnabled());

    // "Tabelle": 2 buttons below the administrator, 17 for him.
    tree->setCurrentItem(NodeAt(tree, 35));
    browser->RefreshDetailView();
    EXPECT_EQ(buttons->Count(), 4);
    db->SetAccessLevel(1);
    browser->SetTreeViewNodes();
    tree->setCurrentItem(NodeAt(tree, 35));
    browser->RefreshDetailView();
    EXPECT_EQ(buttons->Count(), 19);
}

// A section button's caption wider than the button goes on a second line
// under the picture instead of being cut.
TEST_F(BrowserTest, ALongCaptionOfASectionButtonGoesOnASecondLine) {
    browser->SetTreeViewNodes();
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    tree->setCurrentItem(NodeAt(tree, 19));  // "Situazione Spedito"
    browser->RefreshDetailView();
    SectionButtons* buttons = browser->Widgets().acmdSectionItem;
    // The height the caption's text takes: the rows where the (black) text lies.
    const auto textRows = [](controls::MubCommand* button) {
        const QImage shown = button->grab().toImage();
        int first = -1, last = -1;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const QColor c = shown.pixelColor(x, y);
                if (c.red() < 60 && c.green() < 60 && c.blue() < 60) {
                    if (first < 0) first = y;
                    last = y;
                    break;
                }
            }
        return first < 0 ? 0 : last - first + 1;
    };
    struct Case {
        const char* caption;
        bool twoLines;
    } const cases[] = {{"Articoli Da Spedire (per Cliente)", true}, {"Annullati", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        controls::MubCommand* button = nullptr;
        for (int i = 2; i <= buttons->Count() - 1; ++i)
            if (buttons->Item(i)->text() == QString::fromUtf8(c.caption)) button = buttons->Item(i);
        ASSERT_TRUE(button);
        ASSERT_EQ(button->fontMetrics().horizontalAdvance(button->text()) > button->width() - 8, c.twoLines);
        const int line = button->fontMetrics().height();
        if (c.twoLines)
            EXPECT_GT(textRows(button), line * 3 / 2);
        else
            EXPECT_LE(textRows(button), line);
    }
}

TEST_F(BrowserTest, ManyButtonsWrapIntoColumns) {
    db->SetAccessLevel(1);
    browser->SetTreeViewNodes();
    window.resize(1000, 420);
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    tree->setCurrentItem(NodeAt(tree, 35));
    browser->RefreshDetailView();
    SectionButtons* buttons = browser->Widgets().acmdSectionItem;
    ASSERT_EQ(buttons->Count(), 19);
    const int firstTop = buttons->Item(2)->y();
    int columns = 1;
    for (int i = 3; i < buttons->Count(); ++i)
        if (buttons->Item(i)->x() > buttons->Item(i - 1)->x()) {
            ++columns;
            EXPECT_EQ(buttons->Item(i)->y(), firstTop);
            EXPECT_NEAR(buttons->Item(i)->x() - buttons->Item(i - 1)->x(), 2620 / 15, 1);
        }
    EXPECT_GT(columns, 1);
}

TEST_F(BrowserTest, HideSectionAndSplitter) {
    browser->SetTreeViewNodes();
    show();
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Clienti"));  // no section buttons
    browser->ArrangeMainWindow(3000);
    EXPECT_EQ(browser->Widgets().tvTreeView->width(), 200);
    browser->mnuHideSection_Click();  // checked: hides
    EXPECT_FALSE(browser->Widgets().mnuHideSection->isChecked());
    EXPECT_EQ(browser->splitterState().hideCaption, "4");
    EXPECT_FALSE(browser->Widgets().tvTreeView->isVisible());
    QTest::mouseClick(browser->Widgets().cmdHideTree, Qt::LeftButton);  // shows again
    EXPECT_TRUE(browser->Widgets().mnuHideSection->isChecked());
    EXPECT_EQ(browser->Widgets().tvTreeView->width(), 200);

    // A drag released at 700 twips puts the splitter at 1500.
    QWidget* handle = browser->Widgets().imgSplitter;
    QTest::mousePress(handle, Qt::LeftButton, {}, QPoint(2, 10));
    EXPECT_TRUE(browser->Widgets().picSplitter->isVisible());
    QMouseEvent move(QEvent::MouseMove, QPointF(700 / 15 - handle->x(), 10), QPointF(), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(handle, &move);
    QTest::mouseRelease(handle, Qt::LeftButton, {}, QPoint(2, 10));
    EXPECT_FALSE(browser->Widgets().picSplitter->isVisible());
    EXPECT_EQ(browser->Widgets().tvTreeView->width(), 100);
}

TEST_F(BrowserTest, GridKeysReachTheirCommands) {
    addArticle("VITE", "Vite zincata", 1.5);
    browser->SetTreeViewNodes();
    show();
    QStringList called;
    QObject::connect(browser, &MainBrowser::viewEditData,
                     [&](bool force) { called << (force ? "edit!" : "edit"); });
    QObject::connect(browser, &MainBrowser::fileNew, [&] { called << "new"; });
    QObject::connect(browser, &MainBrowser::fileDelete, [&] { called << "delete"; });
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Articoli"));
    DataGrid* grid = browser->Widgets().dgView;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Insert);
    QTest::keyClick(grid, Qt::Key_Plus, Qt::KeypadModifier);
    QTest::keyClick(grid, Qt::Key_Delete);
    QTest::keyClick(grid, Qt::Key_Delete, Qt::ShiftModifier);  // with Shift: not a command
    QTest::keyClick(grid, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(called, (QStringList{"edit", "new", "new", "delete"}));

    // The tree hands the same keys to the grid.
    called.clear();
    browser->Widgets().tvTreeView->setFocus();
    QTest::keyClick(browser->Widgets().tvTreeView, Qt::Key_Insert);
    EXPECT_EQ(called, QStringList{"new"});

    // Enter in the quick search does not open the row.
    called.clear();
    browser->Widgets().MubShortSearch->textBox()->setFocus();
    QTest::keyClick(browser->Widgets().MubShortSearch->textBox(), Qt::Key_Return);
    EXPECT_TRUE(called.isEmpty());
    EXPECT_EQ(window.focusWidget(), grid);  // the quick search handed the input back
}

TEST_F(BrowserTest, TypingOnTheGridSearches) {
    addArticle("A1", "Bullone", 1);
    addArticle("A2", "Rondella", 2);
    addArticle("A3", "Vite", 3);
    browser->SetTreeViewNodes();
    show();
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Articoli"));
    controls::MubShortSearch* search = browser->Widgets().MubShortSearch;
    search->SetSearchField("Descrizione");
    DataGrid* grid = browser->Widgets().dgView;
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_R, Qt::NoModifier);
    EXPECT_EQ(window.focusWidget(), search->textBox());  // the next keys go there
    QTest::keyClick(search->textBox(), Qt::Key_O, Qt::NoModifier);
    EXPECT_EQ(search->SearchText(), "ro");
    QTest::qWait(400);  // the search after typing
    EXPECT_EQ(browser->CurrentDataSource()->ColValueStr("Descrizione"), "Rondella");
    EXPECT_EQ(grid->currentIndex().row(), browser->CurrentDataSource()->Position());

    // A header click with a search text typed keeps the field and sorts by it.
    const int codice = grid->gridModel()->columnOf("Codice");
    emit grid->headerClicked(codice);
    EXPECT_EQ(search->SearchField(), "Descrizione");
    EXPECT_EQ(browser->CurrentDataSource()->SortOrder(), "Descrizione");
    search->SetSearchText(QString());
    emit grid->headerClicked(codice);
    EXPECT_EQ(search->SearchField(), "Codice");
    EXPECT_EQ(browser->CurrentDataSource()->SortOrder(), "Codice");
}

// The grid keeps the sorted or searched column in view: a header clicked
// far to the right sorts without the grid going back to its first column,
// and a search finds its row with the field it searched in view. Another
// view starts its quick search afresh; the same view read again keeps it.
TEST_F(BrowserTest, SortAndSearchKeepTheirColumnInView) {
    for (int i = 1; i <= 40; ++i)
        db->OpenDataSource("Clienti")->InsertFromPairs(
            {core::Variant(QStringLiteral("Codice")),
             core::Variant(QStringLiteral("K%1").arg(i, 2, 10, QLatin1Char('0'))),
             core::Variant(QStringLiteral("RagioneSociale")),
             core::Variant(QStringLiteral("Cliente %1").arg(41 - i)),
             core::Variant(QStringLiteral("Telefono")), core::Variant(QStringLiteral("0%1").arg(100 + i))});
    addArticle("A1", "Vite", 1);
    browser->SetTreeViewNodes();
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Clienti"));
    DataGrid* grid = browser->Widgets().dgView;
    DataGridModel* model = grid->gridModel();
    QHeaderView* header = grid->horizontalHeader();
    controls::MubShortSearch* search = browser->Widgets().MubShortSearch;
    const auto inView = [&](const char* field) {
        const int x = header->sectionViewportPosition(model->columnOf(field));
        return x >= 0 && x + header->sectionSize(model->columnOf(field)) <= grid->viewport()->width() + 1;
    };
    const auto settle = [] {
        for (int i = 0; i < 5; ++i) QTest::qWait(20);
    };
    grid->setFocus();
    grid->setCurrentIndex(model->index(0, 0));
    // Far to the right: the last columns in view, the first ones not.
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    settle();
    const int telephone = model->columnOf("Telefono");
    ASSERT_GE(telephone, 0);
    QString right;
    for (int c = model->columnCount() - 1; c >= 0 && right.isEmpty(); --c)
        if (header->sectionViewportPosition(c) >= 0 &&
            header->sectionViewportPosition(c) + header->sectionSize(c) <= grid->viewport()->width())
            right = model->fieldOf(c);
    ASSERT_FALSE(right.isEmpty());
    ASSERT_FALSE(inView("Codice"));
    ASSERT_FALSE(inView("RagioneSociale"));

    // The header of a column on the right, clicked: sorted, still in view.
    const int column = model->columnOf(right);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    settle();
    EXPECT_EQ(browser->CurrentDataSource()->SortOrder(), right);
    EXPECT_TRUE(inView(qPrintable(right))) << right.toStdString();

    // A search in the company names, typed: the row found, its field brought
    // into view.
    search->SetSearchField("RagioneSociale");
    QTest::mouseClick(search->textBox(), Qt::LeftButton);
    QTest::keyClicks(search->textBox(), "Cliente 7");
    QTest::qWait(400);
    EXPECT_EQ(browser->CurrentDataSource()->ColValueStr("Codice"), "K34");
    EXPECT_EQ(model->index(grid->currentIndex().row(), model->columnOf("Codice")).data().toString(), "K34");
    EXPECT_TRUE(inView("RagioneSociale"));

    // The same view read again (Esc) keeps the search; another view starts afresh.
    QTest::keyClick(grid, Qt::Key_Escape);
    EXPECT_EQ(search->SearchField(), "RagioneSociale");
    EXPECT_EQ(search->SearchText(), "Cliente 7");
    search->SetSearchField("DataInserimento");  // a field of the articles too
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Articoli"));
    EXPECT_EQ(search->SearchField(), search->SearchFields().value(0));
    EXPECT_TRUE(search->SearchText().isEmpty());
}

TEST_F(BrowserTest, TotalsMenuCountsAndSums) {
    addArticle("A1", "Uno", 1234.5);
    addArticle("A2", "Due", 0.25);
    browser->SetTreeViewNodes();
    show();
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Articoli"));
    const QList<QAction*> items = browser->mnuTotalItems();
    ASSERT_EQ(items.size(), 2);  // the heading and PrezzoBase
    EXPECT_FALSE(items[0]->isEnabled());
    EXPECT_EQ(items[1]->text(), "PrezzoBase");
    const long rows = browser->CurrentDataSource()->RowCount();
    const double sum = browser->CurrentDataSource()->CalculateColValue("PrezzoBase").toDouble();

    platform::ScriptedBoxes boxes;
    browser->mnuTotalItems_Click(1);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Totale < Prezzo Base >\r\r" + core::italian::formatFixed(sum, 2, true));
    EXPECT_GE(sum, 1234.75 - 0.001);
    browser->mnuTotalCount_Click();
    EXPECT_EQ(boxes.shown()[1].text, QString::number(rows) + " Elementi.");
    EXPECT_EQ(boxes.shown()[1].style, platform::kOkOnly);

    // Rows read again: the money columns are not added twice.
    browser->CurrentDataSource()->Requery();
    EXPECT_EQ(browser->mnuTotalItems().size(), 2);
    // A view without money columns keeps only the heading.
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Linee"));
    EXPECT_EQ(browser->mnuTotalItems().size(), 1);
}

TEST_F(BrowserTest, LibraryNoticesAndQuestions) {
    browser->OnEvent(datalib::event::Ready, QString());
    EXPECT_EQ(status->text(), datalib::Application::EventText(datalib::event::Ready));
    browser->OnEvent(datalib::event::Copying, "Clienti");
    EXPECT_EQ(status->text(), datalib::Application::EventText(datalib::event::Copying) + " <Clienti>...");

    platform::ScriptedBoxes boxes;
    bool answer = false;
    boxes.answer(platform::kAnswerOk);
    browser->OnQueryMessage(1, "Confermi ?", answer);
    EXPECT_FALSE(answer);  // OK
    EXPECT_EQ(boxes.shown()[0].style, platform::kOkCancel | platform::kQuestion | platform::kDefaultButton1);
    answer = true;
    boxes.answer(platform::kAnswerCancel);
    browser->OnQueryMessage(3, "Sovrascrivo ?", answer);
    EXPECT_TRUE(answer);  // Cancel
    EXPECT_EQ(boxes.shown()[1].style,
              platform::kOkCancel | platform::kExclamation | platform::kDefaultButton2);
    answer = true;  // Cancel proposed, Enter takes it
    browser->OnQueryMessage(1, "Elimino ?", answer);
    EXPECT_TRUE(answer);

    browser->OnInternalMessage("Attenzione");
    EXPECT_EQ(boxes.shown()[3].style, platform::kOkOnly | platform::kExclamation);
}

TEST_F(BrowserTest, WindowKeysAndContextMenus) {
    addArticle("A1", "Uno", 1);
    browser->SetTreeViewNodes();
    show();
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Articoli"));
    DataGrid* grid = browser->Widgets().dgView;
    grid->setFocus();
    platform::ScriptedBoxes boxes;
    QTest::keyClick(grid, Qt::Key_R, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.startsWith("ATTENZIONE! - Questa operazione scrive le carte"));
    EXPECT_EQ(boxes.shown()[0].title, "Zelt Order");
    EXPECT_TRUE(browser->Widgets().MubShortSearch->SearchText().isEmpty());

    auto before = browser->CurrentDataSource();
    QTest::keyClick(grid, Qt::Key_Escape);  // the view is rebuilt
    EXPECT_NE(browser->CurrentDataSource(), before);
}

namespace {

// A real right click (through the window, as the display delivers it) at a
// point of `widget`; the menu that pops up is recorded by its name and
// `choose` (an action's name, searched in its submenus too) is clicked in
// it, or the menu is closed with Esc when empty.
QString rightClick(QWidget* widget, const QPoint& at, const QString& choose = QString()) {
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        shown = menu->objectName();
        QAction* target = choose.isEmpty() ? nullptr : menu->findChild<QAction*>(choose);
        if (target && menu->actions().contains(target))
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(target).center());
        else
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    QWidget* top = widget->window();
    QTest::mouseClick(top->windowHandle(), Qt::RightButton, {}, widget->mapTo(top, at));
    return shown;
}

}  // namespace

TEST_F(BrowserTest, RightClickOnACellOpensTheCurrentColumnMenuAndItsCommandsWork) {
    addArticle("A1", "Vite", 1);
    addArticle("A2", "Dado", 1);
    addArticle("A3", "Vite", 2);
    addArticle("A4", "Rondella", 1);
    RelationMenus relations(browser->Widgets().mnuAssociation, &window);  // as the window's commands add them
    browser->SetTreeViewNodes();
    show();
    browser->SetShowContextMenus(true);
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Articoli"));
    DataGrid* grid = browser->Widgets().dgView;
    DataGridModel* model = grid->gridModel();
    const int description = model->columnOf("Descrizione");
    const int code = model->columnOf("Codice");
    ASSERT_GE(description, 0);
    grid->scrollTo(model->index(0, description));
    const auto rowOf = [&](const QString& c) {
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, code).data().toString() == c) return r;
        return -1;
    };
    const auto cellAt = [&](const QString& c) {
        return grid->visualRect(model->index(rowOf(c), description)).center();
    };
    const auto codes = [&] {  // the articles of the test, without the table's own default rows
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, code).data().toString();
        out = out.filter(QRegularExpression("^A\\d$"));
        out.sort();
        return out;
    };

    // The cell under the pointer becomes the current one; its value filters.
    EXPECT_EQ(rightClick(grid->viewport(), cellAt("A3"), "mnuFieldFilter"), "mnuFieldFuncs");
    EXPECT_EQ(codes(), (QStringList{"A1", "A3"}));

    // The next row of the same value, from the current one.
    EXPECT_EQ(rightClick(grid->viewport(), cellAt("A1"), "mnuFieldSearchNext"), "mnuFieldFuncs");
    EXPECT_EQ(model->index(grid->currentIndex().row(), code).data().toString(), "A3");

    EXPECT_EQ(rightClick(grid->viewport(), cellAt("A1"), "mnuFieldFilterCancel"), "mnuFieldFuncs");
    EXPECT_EQ(codes(), (QStringList{"A1", "A2", "A3", "A4"}));

    EXPECT_EQ(rightClick(grid->viewport(), cellAt("A2"), "mnuFieldFilter"), "mnuFieldFuncs");
    EXPECT_EQ(codes(), (QStringList{"A2"}));
    EXPECT_EQ(rightClick(grid->viewport(), cellAt("A2"), "mnuFieldFilterCancelAll"), "mnuFieldFuncs");
    EXPECT_EQ(codes(), (QStringList{"A1", "A2", "A3", "A4"}));

    // The headers keep their own menus: sorting on the columns', the row's
    // related data on the row selector's (also under the cell menu).
    QHeaderView* columns = grid->horizontalHeader();
    EXPECT_EQ(rightClick(columns, QPoint(columns->sectionViewportPosition(description) + 5, 5)), "mnuOrder");
    QHeaderView* rows = grid->verticalHeader();
    const int a4 = rowOf("A4");
    EXPECT_EQ(rightClick(rows, QPoint(5, rows->sectionViewportPosition(a4) + 3)), "mnuAssociation");
    EXPECT_EQ(grid->currentIndex().row(), a4);
    EXPECT_TRUE(browser->Widgets().mnuFieldFuncs->actions().contains(
        browser->Widgets().mnuAssociation->menuAction()));
}

// "Filtra colonna con stesso valore..." and "Cerca valore successivo" on a
// cell: a number or a reference is that very value (town 3 is not town 30,
// price list "DET" is not "DETX"); a text column keeps its beginning.
TEST_F(BrowserTest, SameValueCommandsMatchWholeNumbersAndReferences) {
    const auto ins = [&](const char* table, std::vector<core::Variant> pairs) {
        return db->OpenDataSource(table)->InsertFromPairs(pairs);
    };
    const auto v = [](const char* t) { return core::Variant(QString::fromUtf8(t)); };
    // Two towns whose row identifiers are "k" and "k0".
    std::vector<core::Variant> towns;
    while (towns.size() < 40) towns.push_back(ins("Comuni", {v("Descrizione"), v("Paese")}));
    core::Variant town, town0;
    for (const core::Variant& t : towns)
        for (const core::Variant& u : towns)
            if (town.isEmpty() && u.toString() == t.toString() + "0") town = t, town0 = u;
    ASSERT_FALSE(town.isEmpty());
    ins("Listini", {v("Codice"), v("DET"), v("Descrizione"), v("Dettaglio")});
    ins("Listini", {v("Codice"), v("DETX"), v("Descrizione"), v("Dettaglio extra")});
    const auto customer = [&](const char* code, const char* name, const core::Variant& t, double discount,
                              const char* list) {
        ins("Clienti", {v("Codice"), v(code), v("RagioneSociale"), v(name), v("Città"), t,
                        v("PercentualeSconto"), core::Variant(discount), v("ListinoPredefinito"), v(list)});
    };
    customer("K1", "Rossi", town, 3, "DET");
    customer("K2", "Rossi Mario", town0, 30, "DETX");
    customer("K3", "Verdi", town, 3, "DET");

    browser->SetTreeViewNodes();
    show();
    browser->SetShowContextMenus(true);
    browser->tvTreeView_NodeClick(NodeByKey(browser->Widgets().tvTreeView, "Clienti"));
    DataGrid* grid = browser->Widgets().dgView;
    DataGridModel* model = grid->gridModel();
    const int code = model->columnOf("Codice");
    const auto rowOf = [&](const QString& c) {
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, code).data().toString() == c) return r;
        return -1;
    };
    const auto codes = [&] {
        QStringList out;
        for (int r = 0; r < model->rowCount(); ++r) out << model->index(r, code).data().toString();
        out = out.filter(QRegularExpression("^K\\d$"));
        out.sort();
        return out;
    };
    const auto cellOf = [&](const QString& c, int column) {
        const QModelIndex cell = model->index(rowOf(c), column);
        grid->scrollTo(cell);
        return grid->visualRect(cell).center();
    };

    const struct {
        const char* field;
        QStringList kept;  // filtering on K1's value
    } cases[] = {
        {"Città", {"K1", "K3"}},
        {"PercentualeSconto", {"K1", "K3"}},
        {"ListinoPredefinito", {"K1", "K3"}},
        {"RagioneSociale", {"K1", "K2"}},  // "Rossi" begins "Rossi Mario"
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        const int column = model->columnOf(c.field);
        ASSERT_GE(column, 0);
        EXPECT_EQ(rightClick(grid->viewport(), cellOf("K1", column), "mnuFieldFilter"), "mnuFieldFuncs");
        EXPECT_EQ(codes(), c.kept);
        EXPECT_EQ(rightClick(grid->viewport(), cellOf("K1", column), "mnuFieldFilterCancelAll"),
                  "mnuFieldFuncs");
        EXPECT_EQ(codes(), (QStringList{"K1", "K2", "K3"}));
    }

    // The next row of K1's town is K3, not K2 in town "k0".
    const int townColumn = model->columnOf("Città");
    EXPECT_EQ(rightClick(grid->viewport(), cellOf("K1", townColumn), "mnuFieldSearchNext"), "mnuFieldFuncs");
    EXPECT_EQ(model->index(grid->currentIndex().row(), code).data().toString(), "K3");
}

TEST_F(BrowserTest, ColumnWidthsAndDefaultSortAreRemembered) {
    addArticle("A1", "Uno", 1);
    browser->SetTreeViewNodes();
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Articoli"));
    DataGrid* grid = browser->Widgets().dgView;
    const int col = grid->gridModel()->columnOf("Descrizione");
    grid->horizontalHeader()->resizeSection(col, 300);
    platform::ScriptedBoxes boxes;
    bool handled = false;
    emit browser->Widgets().MubShortSearch->DefaultSortChanged("Descrizione DESC", handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(boxes.lastText(),
              "Il criterio di ordinamento predefinito è stato memorizzato.\rCRITERIO: Descrizione DESC");
    // Another table writes the file; coming back reads it.
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Clienti"));
    ViewGridSettings stored(ViewGridSettings::DefaultFileName(), "Articoli");
    EXPECT_EQ(stored.ColumnWidth("Descrizione").value_or(0), 4500);
    EXPECT_EQ(stored.DefaultSort(), "Descrizione DESC");
    browser->tvTreeView_NodeClick(NodeByKey(tree, "Articoli"));
    EXPECT_EQ(browser->Widgets().dgView->columnWidth(col), 300);
    QString criterion;
    emit browser->Widgets().MubShortSearch->QueryDefaultSort(criterion, handled);
    EXPECT_EQ(criterion, "Descrizione DESC");
    emit browser->Widgets().MubShortSearch->DefaultSortChanged(QString(), handled);
    EXPECT_EQ(boxes.lastText(), "Il criterio di ordinamento predefinito è stato annullato.");
}

// The background picture of a heading lies under the title band, never over
// it: the band keeps its own colour where the picture would have been.
TEST_F(BrowserTest, TheBackgroundPictureLiesBelowTheTitleBand) {
    QPixmap picture(600, 500);
    picture.fill(Qt::red);
    const BrowserWidgets& w = browser->Widgets();
    w.imgMainBackground->setPixmap(picture);
    browser->SetTreeViewNodes();
    QTreeWidget* tree = w.tvTreeView;
    tree->setCurrentItem(tree->topLevelItem(0));  // a heading: no grid, the picture
    show();
    browser->RefreshDetailView();
    QApplication::processEvents();
    ASSERT_TRUE(w.imgMainBackground->isVisible());
    EXPECT_GE(w.imgMainBackground->y(), w.picTitles->geometry().bottom());
    const QImage shown = w.workArea->grab().toImage();
    const QPoint inBand(w.imgMainBackground->x() + 20, w.lblTitle[1]->geometry().center().y());
    ASSERT_TRUE(w.lblTitle[1]->geometry().contains(inBand));
    EXPECT_NE(QColor(shown.pixel(inBand)), QColor(Qt::red));
    const QPoint inPicture = w.imgMainBackground->geometry().bottomRight() - QPoint(20, 20);
    EXPECT_EQ(QColor(shown.pixel(inPicture)), QColor(Qt::red));
}
