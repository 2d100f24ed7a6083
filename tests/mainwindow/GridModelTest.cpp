// The grid's model over a data source and the remembered grid layout.

#include "BrowserFixture.h"

#include "controls/DataGridModel.h"
#include "controls/ViewGridSettings.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/frmMain.h"

#include <QTreeWidget>

using namespace controls;
using namespace mainwindow;
using mwtest::BrowserTest;

TEST_F(BrowserTest, ModelShowsValuesTheItalianWay) {
    addArticle("VITE", "Vite zincata", 1234.5);
    auto ds = db->OpenDataSource("Articoli", "Codice = 'VITE'");
    DataGridModel model;
    model.setDataSource(ds);
    ASSERT_EQ(model.rowCount(), 1);
    for (int c = 0; c < model.columnCount(); ++c) EXPECT_FALSE(model.fieldOf(c).startsWith("OID")) << c;
    const auto cell = [&](const char* field, int role = Qt::DisplayRole) {
        return model.data(model.index(0, model.columnOf(field)), role);
    };
    EXPECT_EQ(cell("PrezzoBase").toString(), "1.234,50");
    EXPECT_EQ(cell("PrezzoBase", Qt::TextAlignmentRole).toInt(), int(Qt::AlignRight | Qt::AlignVCenter));
    EXPECT_EQ(cell("Descrizione").toString(), "Vite zincata");
    EXPECT_EQ(cell("Disabilitato", Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    EXPECT_TRUE(cell("DataInserimento").toString().contains(QRegularExpression("^\\d\\d/\\d\\d/\\d{4}")));
    EXPECT_EQ(model.bookmarkOf(0), ds->OID());
    EXPECT_EQ(model.headerData(model.columnOf("Codice"), Qt::Horizontal, Qt::DisplayRole).toString(),
              "Codice");

    // A value list shows its label; a "0000" format pads.
    datalib::ColumnDef level;
    level.type = datalib::coltype::Integer;
    level.valueList = "-1|Interrogazione|0|Solo Ordini|1|Amministrazione";
    EXPECT_EQ(DataGridModel::displayText(&level, core::Variant(1.0)), "Amministrazione");
    datalib::ColumnDef padded;
    padded.type = datalib::coltype::Integer;
    padded.format = "0000";
    EXPECT_EQ(DataGridModel::displayText(&padded, core::Variant(42.0)), "0042");

    // A field sequence picks the columns; the rows follow a new sort.
    model.setDataSource(db->OpenDataSource("Articoli"), "Descrizione, Codice");
    EXPECT_EQ(model.columnCount(), 2);
    EXPECT_EQ(model.fieldOf(0), "Descrizione");
    model.sort(1, Qt::DescendingOrder);
    EXPECT_EQ(model.dataSource()->SortOrder(), "Codice DESC");
    EXPECT_EQ(model.rowCount(), int(model.dataSource()->RowCount()));

    // A database closed under the grid is not read any more; the rows the
    // grid was told of stay until it is told otherwise.
    const int rows = model.rowCount();
    data->engine().Close();
    EXPECT_EQ(model.rowCount(), rows);
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DisplayRole).isValid());
    EXPECT_EQ(model.bookmarkOf(0), 0);
}

TEST_F(BrowserTest, GridSettingsKeepEachViewInItsSection) {
    const QString file = dir.filePath("zeltorder.INI");
    {
        ViewGridSettings articles(file, "Articoli");
        articles.SetColumnWidth("Descrizione", 3000);
        articles.SetDefaultSort("Codice");
        articles.SetFieldSequence("Codice,Descrizione");
        EXPECT_TRUE(articles.WriteFile());
        ViewGridSettings order(file, "Ordine");
        order.SetColumnWidth("Codice", 900);
        EXPECT_TRUE(order.WriteFile());
    }
    ViewGridSettings articles(file, "Articoli");
    EXPECT_EQ(articles.ColumnWidth("descrizione").value_or(0), 3000);
    EXPECT_FALSE(articles.ColumnWidth("Codice").has_value());
    EXPECT_EQ(articles.DefaultSort(), "Codice");
    EXPECT_EQ(articles.FieldSequence(), "Codice,Descrizione");
    EXPECT_FALSE(articles.IsChanged());
    articles.Reset();
    EXPECT_TRUE(articles.IsChanged());
    EXPECT_FALSE(articles.ColumnWidth("Descrizione").has_value());
    EXPECT_EQ(ViewGridSettings(file, "Ordine").ColumnWidth("Codice").value_or(0), 900);
}

TEST_F(BrowserTest, MainWindowGetsTheBrowsingPart) {
    frmMain main;
    MainBrowser* part = main.Browser();
    ASSERT_TRUE(part);
    part->SetDatabaseSource([this] { return db; });
    EXPECT_EQ(main.centralWidget(), part->Widgets().workArea);
    EXPECT_EQ(part->Widgets().imgMainBackground->parentWidget(), part->Widgets().workArea);
    main.ShowSignedIn();
    EXPECT_EQ(AllNodes(part->Widgets().tvTreeView).size(), 37);
    part->OnEvent(datalib::event::Ready, QString());
    EXPECT_EQ(main.sbStatusText()->text(), datalib::Application::EventText(datalib::event::Ready));
}
