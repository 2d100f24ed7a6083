// The sections of the tree as views: table, filters, order, columns and
// criteria; the stored selections asked for before the data; the order
// chooser and the return of list sections to their heading; the commands on
// the current column and the grid layout; the error exit that keeps the view.

#include "CommandsFixture.h"

#include "controls/DataGridModel.h"
#include "controls/FieldSequence.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/SelectionDialog.h"
#include "controls/ViewGridSettings.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/PredefinedReports.h"
#include "mainwindow/frmSearch_Clienti.h"
#include "mainwindow/frmSearch_Ordini.h"
#include "startup/RunContext.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

using namespace mainwindow;
using mwtest::CommandsTest;

namespace {

const char* const kOrderColumns = "*,Numero,NumeroSede,Cliente,DataInserimento,Listino,DataModifica,Agente";

core::Variant at(int y, int m, int d, int h = 0) {
    return core::Variant(core::Date::fromParts(y, m, d, h, 0, 0));
}

// Plays the operator: each dialog goes to the function given for its kind;
// a dialog without one is cancelled.
struct Operator {
    std::function<bool(controls::SelectionDialog&)> selection;
    std::function<bool(controls::PickListDialog&)> pickList;
    std::function<bool(frmPrinterFunctions&)> printChooser;
    std::function<bool(QDialog&)> other;
    QStringList seen;
    Operator() {
        controls::setSearchDialogHook([this](QDialog& d) {
            seen << d.objectName();
            if (auto* s = qobject_cast<controls::SelectionDialog*>(&d)) return selection && selection(*s);
            if (auto* p = qobject_cast<controls::PickListDialog*>(&d)) return pickList && pickList(*p);
            if (auto* c = qobject_cast<frmPrinterFunctions*>(&d)) return printChooser && printChooser(*c);
            return other && other(d);
        });
    }
    ~Operator() { controls::setSearchDialogHook({}); }
};

class SectionViews : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        startup::runContext().database = db;  // the search windows' look-ups
        addAgent("A1");
        // Head office's data as they arrive (the agent's rules do not run).
        db->BeginUpdate();
        insert("Clienti", {v("Codice"), v("C1"), v("RagioneSociale"), v("Rossi Srl"), v("Agente"), v("A1"),
                           v("Provincia"), v("MI"), v("ConfermatoSede"), core::Variant(true)});
        insert("Clienti", {v("Codice"), v("C2"), v("RagioneSociale"), v("D'Angelo 50%"), v("Agente"), v("A1"),
                           v("Provincia"), v("TO"), v("ConfermatoSede"), core::Variant(false)});
        const auto order = [&](const char* number, const core::Variant& when, bool sent, bool approved) {
            insert("Ordini",
                   {v("Numero"), v(number), v("Cliente"), v("C1"), v("Agente"), v("A1"), v("DataInserimento"),
                    when, v("InviatoSede"), core::Variant(sent), v("Approvato"), core::Variant(approved)});
        };
        order("N1", at(2004, 3, 5, 23), false, false);
        order("N2", at(2004, 3, 6), true, true);
        order("N3", at(2004, 4, 1), false, false);
        db->EndUpdate();
        addArticle("A1", "Vite", 1234.5);
        addArticle("A2", "Bullone", 2.0);
        addArticle("A3", "Dado", 1234.5);
        commands->printPredefinedReport = [this](const std::shared_ptr<datalib::DataSource>& ds, int mode,
                                                 const QString& key, const QString&) {
            printed << QStringLiteral("%1:%2:%3").arg(ds->tableDef().name()).arg(mode).arg(key);
            return true;
        };
        commands->UpdateWiredCommands();
    }
    void TearDown() override {
        periodState() = PeriodState();
        startup::runContext().database.reset();
        CommandsTest::TearDown();
    }
    QString title() const { return browser->Widgets().lblTitle[1]->text(); }
    QString currentKey() const { return NodeKey(browser->Widgets().tvTreeView->currentItem()); }
    QString currentText() const {
        auto* n = browser->Widgets().tvTreeView->currentItem();
        return n ? n->text(0) : QString();
    }
    // The codes of the view's rows, in order (not the tables' own rows: the
    // empty code, the special articles "##...##").
    QStringList codes(const QString& column = QStringLiteral("Codice")) const {
        QStringList out;
        auto ds = browser->CurrentDataSource();
        for (long i = 0; i < ds->RowCount(); ++i) {
            const QString code = ds->ValueAt(i, ds->ColumnIndex(column)).toString();
            if (!code.isEmpty() && !code.startsWith(QLatin1String("##"))) out << code;
        }
        return out;
    }
    int rowOf(const QString& code, const QString& column = QStringLiteral("Codice")) const {
        auto ds = browser->CurrentDataSource();
        for (long i = 0; i < ds->RowCount(); ++i)
            if (ds->ValueAt(i, ds->ColumnIndex(column)).toString() == code) return int(i);
        return -1;
    }
    // Selects a node and lets the tree's click handler build the view.
    void click(const QString& key) {
        QTreeWidget* tree = browser->Widgets().tvTreeView;
        if (!tree->topLevelItemCount()) browser->SetTreeViewNodes();
        QTreeWidgetItem* node = NodeByKey(tree, key);
        ASSERT_TRUE(node) << key.toStdString();
        if (tree->currentItem() == node)
            browser->tvTreeView_NodeClick(node);
        else
            tree->setCurrentItem(node);  // the tree's signal builds the view
    }

    qsizetype relationItems() const {
        return commands->Relations()->Items("mnuRefItem").size() +
               commands->Relations()->Items("mnuContItem").size() +
               commands->Relations()->Items("mnuReferencedItem").size();
    }

    QStringList printed;
};

}  // namespace

// Browsed sections and plain tables: what the data source is opened on.
TEST_F(SectionViews, BrowsedSectionsAndTablesOpenOnTheirOwnFilterOrderAndColumns) {
    struct Case {
        const char* key;
        const char* table;
        const char* base;
        const char* sort;
        const char* columns;
        const char* title;
        QStringList rows;
        bool periodButton;
    } const cases[] = {
        {"Nuovi / non confermati",
         "Clienti",
         "NOT ConfermatoSede",
         "",
         "",
         " Nuovi / non confermati",
         {"C2"},
         false},
        {"Ordini da Inviare",
         "Ordini",
         "NOT InviatoSede",
         "DataInserimento",
         kOrderColumns,
         " Ordini da Inviare",
         {"N1", "N3"},
         true},
        {"Ordini", "Ordini", "", "DataInserimento", kOrderColumns, " Ordini", {"N1", "N2", "N3"}, true},
        // Tables that hide their disabled rows.
        {"Articoli", "Articoli", " Disabilitato = False ", "", "", nullptr, {"A1", "A2", "A3"}, false},
        {"Categorie", "Categorie", " Disabilitato = False ", "", "", nullptr, {}, false},
        {"Clienti", "Clienti", "", "", "", nullptr, {"C1", "C2"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        openView(QString::fromUtf8(c.key));
        auto ds = browser->CurrentDataSource();
        ASSERT_TRUE(ds);
        EXPECT_EQ(ds->tableDef().name(), QString::fromUtf8(c.table));
        EXPECT_EQ(ds->BaseFilter(), QString::fromUtf8(c.base));
        EXPECT_EQ(ds->Filter(), QString());
        EXPECT_EQ(ds->SortOrder(), QString::fromUtf8(c.sort));
        EXPECT_EQ(ds->ColumnList(), QString::fromUtf8(c.columns));
        EXPECT_EQ(
            codes(c.table == std::string("Ordini") ? QStringLiteral("Numero") : QStringLiteral("Codice")),
            c.rows);
        if (c.title) {
            EXPECT_EQ(title(), QString::fromUtf8(c.title));
        }
        EXPECT_FALSE(browser->Widgets().dgView->isHidden());
        EXPECT_FALSE(browser->Widgets().MubShortSearch->isHidden());
        EXPECT_FALSE(browser->Widgets().cmdGridSetting->isHidden());
        EXPECT_EQ(!browser->Widgets().cmdDateSel->isHidden(), c.periodButton);
        EXPECT_TRUE(commands->Key("New")->isEnabled());
    }

    // The section's own condition stays under the quick search's filters.
    openView("Nuovi / non confermati");
    controls::MubShortSearch* search = browser->Widgets().MubShortSearch;
    search->SetSearchField("RagioneSociale");
    search->SetSearchText("Rossi");
    search->Filter(true);
    EXPECT_TRUE(codes().isEmpty());
    search->CancelFilter();
    EXPECT_EQ(codes(), QStringList{"C2"});
}

// The period joins the criteria of the order views; a range with an open end adds nothing.
TEST_F(SectionViews, PeriodVariantsOnTheOrdersToSend) {
    PeriodState& p = periodState();
    p = PeriodState();
    p.bSelDate = true;
    p.dtSelDate = QDate(2004, 3, 5);
    openView("Ordini da Inviare");
    auto ds = browser->CurrentDataSource();
    EXPECT_TRUE(ds->Filter().startsWith("DataInserimento >= ")) << ds->Filter().toStdString();
    EXPECT_EQ(codes("Numero"), QStringList{"N1"});  // 23:00 of the day included

    p = PeriodState();
    p.bSelMonth = true;
    p.dtSelDate = QDate(2004, 4, 20);
    openView("Ordini da Inviare");
    EXPECT_EQ(browser->CurrentDataSource()->Filter(),
              "Month(DataInserimento) = 4 AND Year(DataInserimento) = 2004");
    EXPECT_EQ(codes("Numero"), QStringList{"N3"});

    p = PeriodState();
    p.bSelPeriod = true;
    p.dtSelFrom = QDate(2004, 3, 1);
    openView("Ordini da Inviare");
    EXPECT_EQ(browser->CurrentDataSource()->Filter(), QString());
    EXPECT_EQ(codes("Numero"), (QStringList{"N1", "N3"}));

    // Tables without a date column get no period at all.
    p.dtSelTo = QDate(2004, 3, 31);
    openView("Clienti");
    EXPECT_EQ(browser->CurrentDataSource()->Filter(), QString());
}

// List sections behind a search window: the search narrows the section's own
// rows and drops the period; closed, nothing is loaded.
TEST_F(SectionViews, SearchSectionsNarrowTheirRowsAndDropThePeriod) {
    Operator op;
    platform::ScriptedBoxes boxes;
    PeriodState& p = periodState();
    p.bSelMonth = true;
    p.dtSelDate = QDate(2004, 3, 1);
    op.other = [](QDialog& d) {
        if (auto* w = qobject_cast<frmSearch_Ordini*>(&d)) {
            w->txtFromDate_Ordine()->setText("01/01/2004");
            w->txtToDate_Ordine()->setText("31/12/2004");
            w->cmdOk()->click();
        } else if (auto* c = qobject_cast<frmSearch_Clienti*>(&d)) {
            c->cmdOk()->click();
        }
        return d.result() == QDialog::Accepted;
    };
    struct Listed {
        QString table, base, filter, sort, columns;
        QStringList rows;
    } listed;
    op.printChooser = [&](frmPrinterFunctions&) {
        const auto ds = browser->CurrentDataSource();
        listed = {ds->tableDef().name(), ds->BaseFilter(), ds->Filter(),
                  ds->SortOrder(),       ds->ColumnList(), {}};
        const bool orders = listed.table == "Ordini";
        listed.rows = codes(orders ? QStringLiteral("Numero") : QStringLiteral("Codice"));
        return false;
    };

    struct Case {
        const char* key;
        const char* table;
        const char* base;
        const char* sort;
        const char* columns;
        QStringList rows;
    } const cases[] = {
        {"Elenco", "Ordini", "", "DataInserimento", kOrderColumns, {"N1", "N2", "N3"}},
        {"Non Spediti", "Ordini", "NOT InviatoSede", "DataInserimento", kOrderColumns, {"N1", "N3"}},
        {"Confermati",
         "Ordini",
         "InviatoSede AND Approvato AND Not Annullato",
         "DataInserimento",
         kOrderColumns,
         {"N2"}},
        {"Clienti per Provincia", "Clienti", "", "Comuni.Provincia", "", {"C1", "C2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        listed = {};
        boxes.clear();
        op.seen.clear();
        click(QString::fromUtf8(c.key));
        EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();
        EXPECT_EQ(listed.table, QString::fromUtf8(c.table));
        EXPECT_EQ(listed.base, QString::fromUtf8(c.base));
        EXPECT_EQ(listed.sort, QString::fromUtf8(c.sort));
        EXPECT_EQ(listed.columns, QString::fromUtf8(c.columns));
        EXPECT_FALSE(listed.filter.contains("Month(")) << listed.filter.toStdString();
        EXPECT_EQ(listed.rows, c.rows);
        EXPECT_TRUE(browser->Widgets().dgView->isHidden());
    }

    // The order rows' sections read their parent's columns (nothing to print here).
    boxes.clear();
    click("Dettagli (per Cliente)");
    EXPECT_EQ(boxes.lastText(), "Nessun dato corrispondente ai criteri impostati.");

    // Closed: the view on screen stays, and the tree and the status bar
    // name it again.
    openView("Ordini");
    const auto before = browser->CurrentDataSource();
    op.other = {};
    click("Annullati");
    EXPECT_EQ(browser->CurrentDataSource(), before);
    EXPECT_FALSE(browser->Widgets().dgView->isHidden());
    EXPECT_EQ(currentKey(), "Ordini");
    EXPECT_EQ(status->text(), " Sezione: <Ordini>");
}

// The order rows' list sections narrowed by a search: the conditions are
// written on the customers (and their towns and payment types), the orders and
// the articles, and must speak of each row's own order, customer and article,
// never of another table reached by the same name (the order's payment type,
// the agent's town).
TEST_F(SectionViews, OrderRowSectionsNarrowedByACustomerOrArticleSearch) {
    Operator op;
    platform::ScriptedBoxes boxes;
    const auto town = [&](const char* name, const char* province) {
        return db->OpenDataSource("Comuni")->InsertFromPairs(
            {v("Descrizione"), v(name), v("Provincia"), v(province)});
    };
    const core::Variant milano = town("Milano", "MI");
    const core::Variant torino = town("Torino", "TO");
    insert("TipiPagamento", {v("Codice"), v("RB"), v("Descrizione"), v("Ricevuta bancaria")});
    insert("TipiPagamento", {v("Codice"), v("RD"), v("Descrizione"), v("Rimessa diretta")});
    insert("Agenti", {v("Codice"), v("A2"), v("RagioneSociale"), v("Agente di Milano"), v("Città"), milano});
    db->BeginUpdate();
    insert("Clienti", {v("Codice"), v("C5"), v("RagioneSociale"), v("Verdi Spa"), v("Agente"), v("A2"),
                       v("Città"), milano, v("TipoPagamentoAbituale"), v("RB")});
    insert("Clienti", {v("Codice"), v("C6"), v("RagioneSociale"), v("Neri Snc"), v("Agente"), v("A2"),
                       v("Città"), torino, v("TipoPagamentoAbituale"), v("RD")});
    struct Row {
        const char* article;
        double ordered, shipped;
    };
    const auto order = [&](const char* sede, const char* customer, bool approved, const char* payment,
                           std::initializer_list<Row> rows) {
        auto orders = db->OpenDataSource("Ordini", "OID = 0");
        const core::Variant key = orders->InsertFromPairs(
            {v("Numero"), v(sede), v("NumeroSede"), v(sede), v("Cliente"), v(customer), v("Agente"), v("A2"),
             v("DataInserimento"), at(2004, 3, 5), v("InviatoSede"), core::Variant(approved), v("Approvato"),
             core::Variant(approved), v("TipoPagamento"), v(payment)});
        orders = db->OpenDataSource("Ordini", QStringLiteral("OID = ") + key.toString());
        orders->RowFirst();
        auto righe = orders->GetReference(QStringLiteral("Righe"));
        for (const Row& r : rows)
            righe->InsertFromPairs({v("Codice"), v(r.article), v("QuantitàOrdine"), core::Variant(r.ordered),
                                    v("QuantitàEvasa"), core::Variant(r.shipped)});
    };
    // The first order's payment type is not its customer's usual one.
    order("5", "C5", true, "RD", {{"A1", 5, 5}, {"A2", 3, 0}});
    order("6", "C6", true, "RD", {{"A1", 2, 0}, {"A3", 1, 1}});
    order("7", "C5", false, "RB", {{"A2", 1, 0}});
    db->EndUpdate();

    struct Case {
        const char* key;
        const char* customer;
        const char* article;
        const char* province;
        const char* payment;
        const char* rows;  // customer:article of each listed row, in the section's order
    } const cases[] = {
        // Order search: approved orders only.
        {"Dettagli (per Cliente)", "C5", "", "", "", "C5:A1,C5:A2"},
        {"Dettagli (per Cliente)", "Neri", "", "", "", "C6:A1,C6:A3"},
        {"Dettagli (per Cliente)", "", "A1", "", "", "C5:A1,C6:A1"},
        {"Dettagli (per Cliente)", "Verdi", "A2", "", "", "C5:A2"},
        // Order search: what is still to ship, of any order.
        {"Articoli Da Spedire (per Cliente)", "C5", "", "", "", "C5:A2,C5:A2"},
        {"Articoli Da Spedire (per Cliente)", "", "A1", "", "", "C6:A1"},
        // Customer search: the customer's own town and usual payment type.
        {"Spediti (per Cliente)", "C6", "", "", "", "C6:A1,C6:A3"},
        {"Spediti (per Cliente)", "", "", "TO", "", "C6:A1,C6:A3"},
        {"Spediti (per Cliente)", "", "", "MI", "", "C5:A1,C5:A2,C5:A2"},
        {"Spediti (per Cliente)", "", "", "", "RB", "C5:A1,C5:A2,C5:A2"},
        {"Spediti (per Cliente)", "", "", "TO", "RD", "C6:A1,C6:A3"},
        {"Spediti (per Cliente)", "Verdi", "", "TO", "", ""},
    };
    QString listed;
    op.printChooser = [&](frmPrinterFunctions&) {
        const auto ds = browser->CurrentDataSource();
        EXPECT_EQ(ds->tableDef().name(), "RigheOrdini");
        QStringList rows;
        for (long i = 0; i < ds->RowCount(); ++i)
            rows << ds->ValueAt(i, ds->ColumnIndex("Cliente")).toString() + u':' +
                        ds->ValueAt(i, ds->ColumnIndex("Codice")).toString();
        listed = rows.join(',');
        return false;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " / " + c.customer + " / " + c.article + " / " + c.province +
                     " / " + c.payment);
        op.other = [&](QDialog& d) {
            if (auto* w = qobject_cast<frmSearch_Ordini*>(&d)) {
                w->txtSel_Cliente()->setText(QString::fromUtf8(c.customer));
                w->txtSel_Articolo()->setText(QString::fromUtf8(c.article));
                w->txtFromDate_Ordine()->clear();
                w->cmdOk()->click();
            } else if (auto* s = qobject_cast<frmSearch_Clienti*>(&d)) {
                s->txtSel_Cliente()->setText(QString::fromUtf8(c.customer));
                s->cboSel_Provincia()->setCurrentText(QString::fromUtf8(c.province));
                s->cboSel_Pagamento()->setCurrentIndex(
                    s->cboSel_Pagamento()->findData(QString::fromUtf8(c.payment)));
                s->cmdOk()->click();
            } else {
                ADD_FAILURE() << d.objectName().toStdString();
            }
            return d.result() == QDialog::Accepted;
        };
        listed = QStringLiteral("(not listed)");
        boxes.clear();
        openView("Ordini");  // each case builds its section afresh
        click(QString::fromUtf8(c.key));
        if (*c.rows) {
            EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();
            EXPECT_EQ(listed, QString::fromUtf8(c.rows));
        } else {
            EXPECT_EQ(boxes.lastText(), "Nessun dato corrispondente ai criteri impostati.");
        }
    }
}

// "Selezioni predefinite": stored under the node's text, asked for before the
// data, with every outcome of the dialog.
TEST_F(SectionViews, StoredSelectionsEveryOutcome) {
    Operator op;
    platform::ScriptedBoxes boxes;
    openView("Clienti");
    ASSERT_EQ(codes(), (QStringList{"C1", "C2"}));

    // Stored: rows whose name contains the apostrophe, as plain characters.
    op.selection = [](controls::SelectionDialog& d) {
        d.rows()->SetRow(0, "RagioneSociale", 6, "D'Angelo");
        d.accept();
        return d.result() == QDialog::Accepted;
    };
    browser->mnuDataSelBeforeQuery_Click();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.lastText().startsWith("Selezioni predefinite impostate.\r\rN.B.: "));
    EXPECT_TRUE(browser->Widgets().mnuDataSelBeforeQuery->isChecked());
    EXPECT_EQ(codes(), (QStringList{"C1", "C2"}));  // takes effect at the next load

    // Confirmed as stored: the rows narrowed, the title says so.
    op.selection = [](controls::SelectionDialog&) { return true; };
    browser->RefreshDetailView();
    EXPECT_EQ(codes(), QStringList{"C2"});
    EXPECT_EQ(title(), " Dettagli:  [selezioni impostate]");
    EXPECT_TRUE(browser->Widgets().mnuDataSelBeforeQuery->isChecked());

    // Cancelled, then No: no rows at all.
    op.selection = {};
    boxes.clear();
    boxes.answer(platform::kAnswerNo);
    browser->RefreshDetailView();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Selezioni predefinite annullate...\r\rVuoi visualizzare tutti i dati?");
    EXPECT_TRUE(codes().isEmpty());
    EXPECT_EQ(title(), " Dettagli:  [nessun dato richiesto]");

    // Cancelled, then Yes: all the data.
    boxes.answer(platform::kAnswerYes);
    browser->RefreshDetailView();
    EXPECT_EQ(codes(), (QStringList{"C1", "C2"}));
    EXPECT_EQ(title(), " Clienti");

    // Confirmed empty: the selection is released, all the data.
    op.selection = [](controls::SelectionDialog& d) {
        d.rows()->SetRow(0, QString(), 0, QString());
        d.accept();
        return true;
    };
    browser->RefreshDetailView();
    EXPECT_EQ(codes(), (QStringList{"C1", "C2"}));
    EXPECT_EQ(browser->Selection(), nullptr);

    // Deleted: the message, then nothing asked any more; a second delete says nothing.
    boxes.clear();
    browser->mnuDataSelCancel_Click();
    EXPECT_EQ(boxes.lastText(), "Selezioni predefinite eliminate.");
    EXPECT_FALSE(browser->Widgets().mnuDataSelBeforeQuery->isChecked());
    op.seen.clear();
    browser->RefreshDetailView();
    EXPECT_TRUE(op.seen.isEmpty());
    boxes.clear();
    browser->mnuDataSelCancel_Click();
    EXPECT_TRUE(boxes.shown().empty());

    // Cancelling the dialog of the command stores nothing.
    op.selection = {};
    browser->mnuDataSelBeforeQuery_Click();
    EXPECT_FALSE(datalib::SelectionCriteria(db, browser->CurrentDataSource()->tableDef()).Exists("Clienti"));
}

// A stored selection that cannot be read any more (a column gone), and any
// other failure while the view is built: the message, the previous view whole.
TEST_F(SectionViews, AFailingViewKeepsThePreviousOneAndTheSelectionStaysStored) {
    Operator op;
    platform::ScriptedBoxes boxes;
    openView("Articoli");
    show();
    const auto before = browser->CurrentDataSource();
    const QString titleBefore = title();
    const int totals = int(browser->mnuTotalItems().size());
    ASSERT_GT(totals, 1);
    const qsizetype relations = relationItems();
    ASSERT_GT(relations, 3);  // more than the three placeholders

    datalib::SelectionCriteria stored(db, *db->tableDef("Clienti"));
    stored.SetConditionText("Colonna = 1");
    stored.Save("Clienti");
    op.selection = [](controls::SelectionDialog&) { return true; };
    openView("Clienti");

    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_TRUE(boxes.shown().back().text.startsWith("Visualizzazione dati fallita: \r\r"))
        << boxes.shown().back().text.toStdString();
    EXPECT_TRUE(boxes.shown().back().text.contains("Colonna"));
    EXPECT_EQ(browser->CurrentDataSource(), before);
    EXPECT_EQ(browser->Widgets().dgView->dataSource(), before);
    EXPECT_EQ(title(), titleBefore);
    EXPECT_EQ(int(browser->mnuTotalItems().size()), totals);
    EXPECT_EQ(relationItems(), relations);
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_TRUE(stored.Exists("Clienti"));

    // Not busy: the next view loads, and the selection can still be deleted.
    openView("Ordini");
    EXPECT_EQ(browser->CurrentDataSource()->tableDef().name(), "Ordini");
    op.selection = {};  // cancelled this time, and Yes: all the data
    boxes.answer(platform::kAnswerYes);
    click("Clienti");
    EXPECT_EQ(codes(), (QStringList{"C1", "C2"}));
    browser->mnuDataSelCancel_Click();
    EXPECT_FALSE(stored.Exists("Clienti"));
}

// The order-print sections: one order chosen, then the print chooser, then
// back to the heading; closed, nothing is loaded.
TEST_F(SectionViews, OrderChooserThenPrintChooserThenBackToTheHeading) {
    Operator op;
    openView("Ordini");
    const auto before = browser->CurrentDataSource();

    // Closed without a choice: no view, the tree names the view on screen.
    click("Proposta d'Ordine");
    EXPECT_EQ(op.seen, QStringList{"frmPickList"});
    EXPECT_EQ(browser->CurrentDataSource(), before);
    EXPECT_EQ(currentKey(), "Ordini");

    // Chosen: the order alone (the newest first), printed in preview.
    QStringList offered;
    std::shared_ptr<datalib::DataSource> printedDS;
    op.pickList = [&](controls::PickListDialog& d) {
        const auto orders = d.grid()->dataSource();
        for (long i = 0; i < orders->RowCount(); ++i) {
            d.ChooseRow(i);
            offered << orders->ColValueStr("Numero");
        }
        d.ChooseRow(1);
        return true;
    };
    op.printChooser = [&](frmPrinterFunctions& c) {
        printedDS = browser->CurrentDataSource();
        c.cmdPreview()->click();
        return c.Confirmed();
    };
    click("Proposta d'Ordine");
    EXPECT_EQ(offered, (QStringList{"N3", "N1"}));  // not approved, newest first
    ASSERT_TRUE(printedDS);
    EXPECT_EQ(printedDS->RowCount(), 1);
    EXPECT_EQ(printedDS->ColValueStr("Numero"), "N1");
    EXPECT_EQ(printed, QStringList{"Ordini:1:Proposta d'Ordine"});
    EXPECT_EQ(currentText(), "Stampe Ordine");
    EXPECT_TRUE(browser->Widgets().dgView->isHidden());  // the heading's empty state
    EXPECT_FALSE(commands->Key("New")->isEnabled());

    // The chooser left by its exit button prints nothing, and goes back all the same.
    printed.clear();
    op.printChooser = [](frmPrinterFunctions& c) {
        c.cmdExit()->click();
        return false;
    };
    click("Conferma d'Ordine");
    EXPECT_TRUE(printed.isEmpty());
    EXPECT_EQ(currentText(), "Stampe Ordine");
}

// A list section without rows: the message, then its heading.
TEST_F(SectionViews, AnEmptyListSectionSaysSoAndGoesBack) {
    Operator op;
    platform::ScriptedBoxes boxes;
    db->BeginUpdate();
    db->OpenDataSource("Clienti")->DeleteAll();
    db->EndUpdate();
    click("Analisi Crescita");
    EXPECT_EQ(boxes.lastText(), "Nessun dato corrispondente ai criteri impostati.");
    EXPECT_FALSE(op.seen.contains("frmPrinterFunctions"));
    EXPECT_EQ(currentText(), "Statistiche");
    EXPECT_TRUE(browser->Widgets().dgView->isHidden());

    // With rows: the chooser's print.
    insert("Clienti", {v("Codice"), v("C9"), v("RagioneSociale"), v("Bianchi")});
    op.printChooser = [](frmPrinterFunctions& c) {
        c.cmdPrint()->click();
        return c.Confirmed();
    };
    click("Analisi Crescita");
    EXPECT_EQ(printed, QStringList{"Clienti:0:Analisi Crescita"});
    EXPECT_EQ(currentText(), "Statistiche");

    // By the mouse: once the click is over, the heading is the one node
    // marked, not the list section clicked.
    printed.clear();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    QTreeWidgetItem* node = NodeByKey(tree, "Analisi Crescita");
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(printed, QStringList{"Clienti:0:Analisi Crescita"});
    EXPECT_EQ(currentText(), "Statistiche");
    ASSERT_EQ(tree->selectedItems().size(), 1);
    EXPECT_EQ(tree->selectedItems().front()->text(0), "Statistiche");
}

// The current column's functions read Italian amounts, dates and check marks
// back from the cell; without a current cell they do nothing.
TEST_F(SectionViews, CurrentColumnFilterFindAndCancel) {
    openView("Articoli");
    controls::DataGrid* grid = browser->Widgets().dgView;
    const int price = grid->gridModel()->columnOf("PrezzoBase");
    ASSERT_GE(price, 0);
    grid->setCurrentIndex(QModelIndex());
    browser->mnuFieldFilter_Click();  // no current cell
    EXPECT_EQ(codes().join(","), "A1,A2,A3");

    grid->setCurrentIndex(grid->model()->index(rowOf("A1"), price));
    ASSERT_EQ(grid->currentIndex().data().toString(), "1.234,50");
    browser->mnuFieldSearchNext_Click();
    EXPECT_EQ(browser->CurrentDataSource()->ColValueStr("Codice"), "A3");
    browser->mnuFieldFilter_Click();
    EXPECT_EQ(codes(), (QStringList{"A1", "A3"}));
    browser->mnuFieldFilterCancel_Click();
    EXPECT_EQ(codes().join(","), "A1,A2,A3") << browser->CurrentDataSource()->Filter().toStdString();

    // A date column of the orders.
    openView("Ordini");
    const int date = grid->gridModel()->columnOf("DataInserimento");
    ASSERT_GE(date, 0);
    grid->setCurrentIndex(grid->model()->index(rowOf("N2", "Numero"), date));
    browser->mnuFieldFilter_Click();
    EXPECT_EQ(codes("Numero"), QStringList{"N2"});
    browser->mnuFieldFilterCancelAll_Click();
    EXPECT_EQ(codes("Numero"), (QStringList{"N1", "N2", "N3"}));

    // A check mark filters on its value, ticked or not.
    const int approved = grid->gridModel()->columnOf("Approvato");
    ASSERT_GE(approved, 0);
    grid->setCurrentIndex(grid->model()->index(rowOf("N2", "Numero"), approved));
    browser->mnuFieldFilter_Click();
    EXPECT_EQ(codes("Numero"), QStringList{"N2"});
    browser->mnuFieldFilterCancelAll_Click();
    grid->setCurrentIndex(grid->model()->index(rowOf("N1", "Numero"), approved));
    browser->mnuFieldFilter_Click();
    EXPECT_EQ(codes("Numero"), (QStringList{"N1", "N3"}));
}

// The grid-settings button's menu on the main window's view.
TEST_F(SectionViews, GridLayoutCommands) {
    Operator op;
    platform::ScriptedBoxes boxes;
    openView("Clienti");
    controls::GridSettingsMenu* menu = browser->Widgets().mnuGridSetting;
    controls::DataGrid* grid = browser->Widgets().dgView;
    const int all = grid->model()->columnCount();

    // A sequence of two fields.
    op.other = [](QDialog& d) {
        auto* list = d.findChild<QListWidget*>("lstFields");
        for (int i = 0; i < list->count(); ++i) {
            const QString f = list->item(i)->text();
            list->item(i)->setCheckState(f == "Codice" || f == "RagioneSociale" ? Qt::Checked
                                                                                : Qt::Unchecked);
        }
        return true;
    };
    QAction* mark = menu->mnuGridFldSequence();
    const auto chooseTwo = std::move(op.other);
    // The dialog cancelled: the mark still says no sequence is stored.
    op.other = [](QDialog&) { return false; };
    mark->trigger();
    EXPECT_FALSE(mark->isChecked());
    op.other = chooseTwo;
    mark->trigger();
    EXPECT_EQ(grid->model()->columnCount(), 2);
    EXPECT_TRUE(mark->isChecked());
    op.other = [](QDialog&) { return false; };
    mark->trigger();
    EXPECT_TRUE(mark->isChecked());

    // Every field for now; the sequence stays stored and comes back with the view.
    menu->mnuGridFldAll()->trigger();
    EXPECT_EQ(grid->model()->columnCount(), all);
    EXPECT_EQ(browser->GridSettings()->FieldSequence(), "Codice,RagioneSociale");
    openView("Ordini");
    openView("Clienti");
    EXPECT_EQ(grid->model()->columnCount(), 2);
    EXPECT_TRUE(menu->mnuGridFldSequence()->isChecked());

    // Restore: No changes nothing, Yes forgets the sequence.
    boxes.answer(platform::kAnswerNo);
    menu->mnuGridCancel()->trigger();
    EXPECT_EQ(grid->model()->columnCount(), 2);
    boxes.answer(platform::kAnswerYes);
    menu->mnuGridCancel()->trigger();
    EXPECT_EQ(boxes.shown().back().text,
              "Vuoi ripristinare le impostazioni predefinite per la griglia corrente?");
    EXPECT_EQ(grid->model()->columnCount(), all);
    EXPECT_FALSE(menu->mnuGridFldSequence()->isChecked());
}

// "Selezioni predefinite" and the report settings: the administrator's, also on a heading.
TEST_F(SectionViews, AdministratorItemsFollowTheAccessLevel) {
    for (int level : {1, 0}) {
        SCOPED_TRACE(level);
        db->SetAccessLevel(level);
        browser->SetTreeViewNodes();
        browser->Widgets().tvTreeView->setCurrentItem(browser->Widgets().tvTreeView->topLevelItem(0));
        browser->RefreshDetailView();
        EXPECT_EQ(browser->Widgets().mnuDataSelection->menuAction()->isVisible(), level == 1);
        EXPECT_EQ(browser->Widgets().mnuDataSelection->isEnabled(), level == 1);
        EXPECT_EQ(commands->Menu("mnuOrderPrintSetting")->isVisible(), level == 1);
        EXPECT_FALSE(commands->Key("Print")->isEnabled());
    }
}
