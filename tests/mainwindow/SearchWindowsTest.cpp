// The customer and order search windows, played through their real widgets
// on a small agent database: the conditions they write, the checks that keep
// the window open, and the quick-help list with its real 150 ms timer.

#include "CommandsFixture.h"

#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "core/Clock.h"
#include "datalib/DataSet.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/QuickHelpList.h"
#include "mainwindow/SearchWindow.h"
#include "mainwindow/frmSearch_Clienti.h"
#include "mainwindow/frmSearch_Ordini.h"
#include "startup/RunContext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include <functional>

namespace mwtest {

using mainwindow::frmSearch_Clienti;
using mainwindow::frmSearch_Ordini;

class SearchTest : public CommandsTest {
  protected:
    void SetUp() override {
        CommandsTest::SetUp();
        startup::runContext().database = db;
        addAgent("A1");
        const auto town = [&](const char* name, const char* province) {
            return db->OpenDataSource("Comuni")->InsertFromPairs(
                {v("Descrizione"), v(name), v("Provincia"), v(province)});
        };
        const core::Variant milano = town("Milano", "MI");
        const core::Variant monza = town("Monza", "MB");
        town("Senza provincia", "");
        insert("TipiPagamento", {v("Codice"), v("RB"), v("Descrizione"), v("Ricevuta bancaria")});
        insert("TipiPagamento", {v("Codice"), v("RD"), v("Descrizione"), v("Rimessa diretta")});
        customer("C1", "Rossi Mario", milano, "RB");
        customer("C2", "D'Angelo Srl", monza, "RD");
        customer("C3", "Sconto 50% Spa", milano, "RD");
        customer("C10", "Bianchi C1 Snc", monza, "RB");
        insert("Clienti", {v("Codice"), v("C4"), v("RagioneSociale"), v("Rossi Inattivo"), v("Agente"),
                           v("A1"), v("Inattivo"), core::Variant(true)});
    }
    void TearDown() override {
        startup::runContext().database.reset();
        CommandsTest::TearDown();
    }
    void customer(const char* code, const char* name, const core::Variant& town, const char* payment) {
        std::vector<core::Variant> pairs{v("Codice"), v(code),     v("RagioneSociale"),
                                         v(name),     v("Agente"), v("A1")};
        if (!town.isEmpty()) pairs.insert(pairs.end(), {v("Città"), town});
        if (*payment) pairs.insert(pairs.end(), {v("TipoPagamentoAbituale"), v(payment)});
        insert("Clienti", pairs);
    }
    std::unique_ptr<datalib::SelectionCriteria> selectionOf(const char* table) {
        return std::make_unique<datalib::SelectionCriteria>(db, db->Tables(table)->definition());
    }
    // The codes of the table's rows that the selection picks, in code order.
    QStringList picked(const char* table, const datalib::SelectionCriteria& s,
                       const char* column = "Codice") {
        QStringList out;
        auto ds = db->OpenDataSource(table, s.CombinedText(), column);
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) out << ds->ColValueStr(column);
        return out;
    }
    // Shows a search window; `play` fills it and presses its buttons.
    template <class Window>
    bool search(datalib::SelectionCriteria& selection, const std::function<void(Window&)>& play) {
        controls::setSearchDialogHook([&](QDialog& d) {
            auto* w = qobject_cast<Window*>(&d);
            EXPECT_NE(w, nullptr);
            w->show();
            w->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(w));
            play(*w);
            return d.result() == QDialog::Accepted;
        });
        bool confirmed = true;
        Window::ShowSelection(&window, selection, confirmed);
        controls::setSearchDialogHook({});
        return confirmed;
    }
    void addOrder(const char* customer, const core::Variant& when, const char* numeroSede,
                  std::initializer_list<const char*> articles = {}) {
        db->BeginUpdate();
        auto orders = db->OpenDataSource("Ordini", "OID = 0");
        const core::Variant key =
            orders->InsertFromPairs({v("Cliente"), v(customer), v("Agente"), v("A1"), v("DataInserimento"),
                                     when, v("NumeroSede"), v(numeroSede)});
        orders = db->OpenDataSource("Ordini", QStringLiteral("OID = ") + key.toString());
        orders->RowFirst();
        auto rows = orders->GetReference(QStringLiteral("Righe"));
        for (const char* article : articles) rows->InsertFromPairs({v("Codice"), v(article)});
        db->EndUpdate();
    }
    static core::Variant at(int y, int m, int d, int h = 0, int min = 0) {
        return core::Variant(core::Date::fromParts(y, m, d, h, min, 0));
    }
};

// ---- Customer search ------------------------------------------------------------------------

TEST_F(SearchTest, CustomerSearchWritesCodeNameProvinceAndPayment) {
    struct Case {
        const char* typed;
        const char* province;
        const char* payment;  // description shown in the combo
        const char* codes;    // customers picked, in code order
    } const cases[] = {
        {"", "", "", "C1,C10,C2,C3,C4"},         // nothing: every customer
        {"C1", "", "", "C1"},                    // an existing code: that one only
        {"C", "", "", "C10,C3"},                 // part of a code: the names are searched
        {"rossi", "", "", "C1,C4"},              // anywhere in the name, any case
        {"D'Angelo", "", "", "C2"},              // apostrophe is a plain character
        {"50%", "", "", "C3"},                   // so is "%"
        {"", "MI", "", "C1,C3"},                 // province through the town
        {"", "", "Rimessa diretta", "C2,C3"},    // usual payment type
        {"", "MB", "Ricevuta bancaria", "C10"},  // both, AND-ed
        {"C1", "MB", "", ""},                    // code and province disagree
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed + std::string(" / ") + c.province + " / " + c.payment);
        auto selection = selectionOf("Clienti");
        const bool confirmed = search<frmSearch_Clienti>(*selection, [&](frmSearch_Clienti& w) {
            w.txtSel_Cliente()->setText(QString::fromUtf8(c.typed));
            w.cboSel_Provincia()->setCurrentText(QString::fromUtf8(c.province));
            w.cboSel_Pagamento()->setCurrentIndex(
                w.cboSel_Pagamento()->findText(QString::fromUtf8(c.payment)));
            w.cmdOk()->click();
        });
        ASSERT_TRUE(confirmed);
        EXPECT_EQ(picked("Clienti", *selection).join(','), QString::fromUtf8(c.codes));
    }
}

TEST_F(SearchTest, CustomerSearchListsAndConditionTexts) {
    auto selection = selectionOf("Clienti");
    search<frmSearch_Clienti>(*selection, [&](frmSearch_Clienti& w) {
        // Each province once, in order, after the empty choice; payment types by description.
        QStringList provinces;
        for (int i = 0; i < w.cboSel_Provincia()->count(); ++i)
            provinces << w.cboSel_Provincia()->itemText(i);
        EXPECT_EQ(provinces, (QStringList{"", "MB", "MI"}));
        EXPECT_EQ(w.cboSel_Pagamento()->itemText(1), "Ricevuta bancaria");
        EXPECT_EQ(w.cboSel_Pagamento()->itemData(1).toString(), "RB");
        w.cboSel_Provincia()->setCurrentText("MI");
        w.cmdOk()->click();
    });
    EXPECT_TRUE(selection->Criteria().empty());
    EXPECT_EQ(selection->ConditionText(), "Comuni.Provincia='MI' AND Clienti.Città=Comuni.OID");

    selection->AddFieldCriterion("Codice", 0, core::Variant(QStringLiteral("C1")));
    search<frmSearch_Clienti>(*selection, [&](frmSearch_Clienti& w) {
        w.cboSel_Pagamento()->setCurrentIndex(2);
        w.cmdOk()->click();
    });
    EXPECT_TRUE(selection->Criteria().empty());  // reset by OK
    EXPECT_EQ(selection->ConditionText(),
              "TipiPagamento.Codice='RD' AND Clienti.TipoPagamentoAbituale=TipiPagamento.Codice");

    // Cancel, and the close box, after a confirmed search: not confirmed.
    EXPECT_FALSE(
        search<frmSearch_Clienti>(*selection, [](frmSearch_Clienti& w) { w.ctlMubCommand1()->click(); }));
    EXPECT_FALSE(search<frmSearch_Clienti>(*selection, [](frmSearch_Clienti& w) { w.close(); }));
}

// ---- Order search ---------------------------------------------------------------------------

TEST_F(SearchTest, OrderSearchDefaultsToThisYearUpToTheEndOfTheMonth) {
    core::Clock::setFixed(QDateTime(QDate(2026, 2, 10), QTime(9, 0)));
    addOrder("C1", at(2025, 12, 31, 23, 0), "");
    addOrder("C1", at(2026, 1, 1), "");
    addOrder("C1", at(2026, 2, 28, 18, 30), "");  // the last day, late in the day
    addOrder("C1", at(2026, 3, 1), "");
    auto selection = selectionOf("Ordini");
    ASSERT_TRUE(search<frmSearch_Ordini>(*selection, [](frmSearch_Ordini& w) {
        EXPECT_EQ(w.txtFromDate_Ordine()->text(), "01/01/2026");
        EXPECT_EQ(w.txtToDate_Ordine()->text(), "28/02/2026");
        w.cmdOk()->click();
    }));
    core::Clock::setFixed(std::nullopt);
    ASSERT_EQ(selection->Criteria().size(), 1u);
    EXPECT_EQ(selection->Criteria()[0].column, "DataInserimento");
    EXPECT_EQ(selection->Criteria()[0].code, 6);
    EXPECT_TRUE(selection->ConditionText().isEmpty());
    EXPECT_EQ(picked("Ordini", *selection, "DataInserimento").size(), 2);
}

TEST_F(SearchTest, OrderSearchDateAndNumberRanges) {
    addOrder("C1", at(2026, 3, 4, 23, 59), "9");
    addOrder("C1", at(2026, 3, 5, 0, 0), "10");
    addOrder("C1", at(2026, 3, 5, 18, 30), "11");
    addOrder("C1", at(2026, 3, 6), "A");
    addOrder("C1", at(2026, 3, 7), "99999999999");
    struct Case {
        const char* from;
        const char* to;
        const char* fromNum;
        const char* toNum;
        const char* sede;  // NumeroSede of the orders picked, by date
    } const cases[] = {
        {"05/03/2026", "05/03/2026", "", "", "10,11"},        // one whole day, its evening included
        {"05/03/2026", "", "", "", "10,11"},                  // the from-date alone: that day
        {"", "05/03/2026", "", "", "9,10,11,A,99999999999"},  // the to-date alone: ignored
        {"", "", "9", "10", "9,10"},                          // numbers, not texts
        {"", "", "9", "", "9"},                               // a lone from-number
        {"", "", "", "9", "9,10,11,A,99999999999"},           // a lone to-number: ignored
        {"", "", "10", "99999999999", "10,11,99999999999"},   // past 32 bits, still numbers
        {"", "", "A", "B", "A"},                              // texts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + "-" + c.to + " / " + c.fromNum + "-" + c.toNum);
        auto selection = selectionOf("Ordini");
        ASSERT_TRUE(search<frmSearch_Ordini>(*selection, [&](frmSearch_Ordini& w) {
            w.txtFromDate_Ordine()->setText(QString::fromUtf8(c.from));
            w.txtToDate_Ordine()->setText(QString::fromUtf8(c.to));
            w.txtFromNum_Ordine()->setText(QString::fromUtf8(c.fromNum));
            w.txtToNum_Ordine()->setText(QString::fromUtf8(c.toNum));
            w.cmdOk()->click();
        }));
        EXPECT_EQ(picked("Ordini", *selection, "DataInserimento").size(),
                  QString::fromUtf8(c.sede).split(',').size());
        QStringList sede;
        auto ds = db->OpenDataSource("Ordini", selection->CombinedText(), "DataInserimento");
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) sede << ds->ColValueStr("NumeroSede");
        EXPECT_EQ(sede.join(','), QString::fromUtf8(c.sede));
    }
}

TEST_F(SearchTest, OrderSearchRefusalsKeepTheWindowAndEveryEntry) {
    struct Case {
        const char* from;
        const char* to;
        const char* fromNum;
        const char* toNum;
        const char* message;
        const char* focus;  // the box that gets the focus ("" : it stays)
    } const cases[] = {
        {"31/02/2026", "xx", "", "", "La data non è valida", "txtFromDate_Ordine"},  // from first
        {"01/03/2026", "ieri", "", "", "La data non è valida", "txtToDate_Ordine"},
        {"10/03/2026", "09/03/2026", "", "", "Il periodo impostato non è corretto", "txtFromDate_Ordine"},
        {"", "", "10", "9", "Il campo 'Da Numero' deve contenere un valore minore del campo 'A Numero'", ""},
        {"", "", "99999999999", "4294967296",
         "Il campo 'Da Numero' deve contenere un valore minore del campo 'A Numero'", ""},
        {"", "", "B", "A", "Il campo 'Da Numero' deve contenere un valore minore del campo 'A Numero'",
         "txtFromNum_Ordine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        platform::ScriptedBoxes boxes;
        auto selection = selectionOf("Ordini");
        const bool confirmed = search<frmSearch_Ordini>(*selection, [&](frmSearch_Ordini& w) {
            w.txtSel_Cliente()->setText("D'Angelo");
            w.txtFromDate_Ordine()->setText(QString::fromUtf8(c.from));
            w.txtToDate_Ordine()->setText(QString::fromUtf8(c.to));
            w.txtFromNum_Ordine()->setText(QString::fromUtf8(c.fromNum));
            w.txtToNum_Ordine()->setText(QString::fromUtf8(c.toNum));
            w.txtSel_Articolo()->setFocus();
            w.cmdOk()->click();
            EXPECT_TRUE(w.isVisible());
            EXPECT_EQ(w.txtSel_Cliente()->text(), "D'Angelo");
            EXPECT_EQ(w.txtFromNum_Ordine()->text(), QString::fromUtf8(c.fromNum));
            EXPECT_EQ(w.txtToDate_Ordine()->text(), QString::fromUtf8(c.to));
            const QString focus = QString::fromUtf8(c.focus);
            EXPECT_EQ(w.focusWidget()->objectName(),
                      focus.isEmpty() ? QStringLiteral("txtSel_Articolo") : focus);
            w.ctlMubCommand1()->click();
        });
        EXPECT_FALSE(confirmed);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, QString::fromUtf8(c.message));
        EXPECT_TRUE(selection->IsEmpty());
    }
}

TEST_F(SearchTest, OrderSearchByCustomerAndArticleSelectsEachOrderOnce) {
    for (const char* code : {"ART1", "ART2", "ART10"})
        addArticle(code, QStringLiteral("Vite %1").arg(code), 1.0);
    addArticle("ART3", "Bullone d'acciaio", 1.0);
    addOrder("C1", at(2026, 3, 1), "1", {"ART1", "ART1", "ART2"});  // two rows of ART1
    addOrder("C2", at(2026, 3, 2), "2", {"ART1"});
    addOrder("C1", at(2026, 3, 3), "3", {"ART10", "ART3"});
    addOrder("C3", at(2026, 3, 4), "4", {});
    struct Case {
        const char* customer;
        const char* article;
        const char* sede;
    } const cases[] = {
        {"", "ART1", "1,2"},     // a code: exact, each order once although two rows match
        {"", "vite", "1,2,3"},   // a description, anywhere, any case
        {"C1", "", "1,3"},       // a customer's code
        {"rossi", "ART1", "1"},  // both, neither lost
        {"D'Angelo", "", "2"},  {"", "d'acciaio", "3"}, {"Sconto 50%", "", "4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.customer) + " / " + c.article);
        auto selection = selectionOf("Ordini");
        ASSERT_TRUE(search<frmSearch_Ordini>(*selection, [&](frmSearch_Ordini& w) {
            w.txtSel_Cliente()->setText(QString::fromUtf8(c.customer));
            w.txtSel_Articolo()->setText(QString::fromUtf8(c.article));
            w.txtFromDate_Ordine()->clear();
            w.cmdOk()->click();
        }));
        EXPECT_TRUE(selection->Criteria().empty());
        QStringList sede;
        auto ds = db->OpenDataSource("Ordini", selection->CombinedText(), "NumeroSede");
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext()) sede << ds->ColValueStr("NumeroSede");
        EXPECT_EQ(sede.join(','), QString::fromUtf8(c.sede));
    }
}

// ---- Quick help -----------------------------------------------------------------------------

TEST_F(SearchTest, QuickHelpFollowsTheTypingWithItsTimer) {
    for (int i = 0; i < 16; ++i)
        customer(qPrintable(QStringLiteral("R%1").arg(i, 2, 10, QLatin1Char('0'))),
                 qPrintable(QStringLiteral("Rossetti %1").arg(i, 2, 10, QLatin1Char('0'))), core::Variant(),
                 "");
    auto selection = selectionOf("Ordini");
    search<frmSearch_Ordini>(*selection, [&](frmSearch_Ordini& w) {
        mainwindow::QuickHelpList* help = w.QuickHelp();
        QListWidget* list = help->lstHelp_Field();
        QLineEdit* box = w.txtSel_Cliente();
        box->setFocus();
        QTest::keyClicks(box, "Ross");
        EXPECT_TRUE(help->tmtHelp_Field()->isActive());
        EXPECT_FALSE(list->isVisible());  // nothing read before the tick
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
        EXPECT_FALSE(help->tmtHelp_Field()->isActive());
        ASSERT_EQ(list->count(), 16);  // 15 names and the mark of a cut list
        EXPECT_EQ(list->item(15)->text(), " ... ");
        EXPECT_EQ(list->item(0)->text(), "Rossetti 00");
        for (int i = 0; i < list->count(); ++i) EXPECT_NE(list->item(i)->text(), "Rossi Inattivo");
        EXPECT_EQ(list->geometry().top(), box->mapTo(&w, QPoint(0, box->height())).y());

        // Down chooses the first entry: its code in the box, the untyped rest selected.
        QTest::keyClick(box, Qt::Key_Down);
        EXPECT_EQ(box->text(), "Rossetti 00");
        EXPECT_EQ(box->selectedText(), "etti 00");
        QTest::keyClick(box, Qt::Key_Down);
        EXPECT_EQ(box->text(), "Rossetti 01");
        QTest::keyClick(box, Qt::Key_Up);
        QTest::keyClick(box, Qt::Key_Up);  // not above the first
        EXPECT_EQ(list->currentRow(), 0);
        QTest::qWait(300);
        EXPECT_TRUE(list->isVisible());  // the chosen entry keeps the list

        // Clicking " ... " copies nothing; a double click hides the list.
        list->setCurrentRow(15);
        emit list->itemClicked(list->item(15));
        EXPECT_EQ(box->text(), "Rossetti 00");
        emit list->itemDoubleClicked(list->item(1));
        EXPECT_FALSE(list->isVisible());

        // No name begins with a code: the codes, with their names.
        box->clear();
        box->setFocus();
        QTest::keyClicks(box, "C1");
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
        EXPECT_FALSE(help->tmtHelp_Field()->isActive());
        QStringList entries;
        for (int i = 0; i < list->count(); ++i) entries << list->item(i)->text();
        EXPECT_EQ(entries, (QStringList{"C1 - Rossi Mario", "C10 - Bianchi C1 Snc"}));

        // The article box switches the source: descriptions of enabled articles.
        addArticle("V1", "Vite", 1.0);
        insert("Articoli", {v("Codice"), v("V2"), v("Descrizione"), v("Vite vecchia"), v("Disabilitato"),
                            core::Variant(true)});
        w.txtSel_Articolo()->setFocus();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }, 2000));  // leaving the box hides it
        QTest::keyClicks(w.txtSel_Articolo(), "Vi");
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->item(0)->text(), "Vite");
        w.ctlMubCommand1()->click();
    });
}

}  // namespace mwtest

namespace mwtest {

// The quick-help list of both search windows, played with real keys and
// clicks: it never covers the buttons; Esc and a click elsewhere close the
// list alone, and it stays closed until the operator types again; OK then
// searches the text as typed, not one of the names the list offered.
TEST_F(SearchTest, QuickHelpNeverHidesTheButtonsAndEscClosesItAlone) {
    for (int i = 0; i < 16; ++i)
        customer(qPrintable(QStringLiteral("R%1").arg(i, 2, 10, QLatin1Char('0'))),
                 qPrintable(QStringLiteral("Rossetti %1").arg(i, 2, 10, QLatin1Char('0'))), core::Variant(),
                 "");
    const core::Variant today(core::Clock::today());
    for (const char* c : {"C1", "C2", "C4", "R03"}) addOrder(c, today, "");

    // Plays either window through its customer box; the codes it picks.
    const auto play = [&](mainwindow::SearchWindow& w, QLineEdit* box) {
        mainwindow::QuickHelpList* help = w.QuickHelp();
        QListWidget* list = help->lstHelp_Field();
        auto* line = w.findChild<QWidget*>("lnButtons");
        ASSERT_NE(line, nullptr);
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClicks(box, "Ross");
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
        // Its eight rows under the box, above the line of the buttons.
        EXPECT_GE(list->height(), help->ListHeight(mainwindow::QuickHelpList::kShownRows));
        EXPECT_LT(list->geometry().bottom(), line->mapTo(&w, QPoint(0, 0)).y());
        for (QWidget* b : {static_cast<QWidget*>(w.cmdOk()), static_cast<QWidget*>(w.ctlMubCommand1())})
            EXPECT_FALSE(list->geometry().intersects(QRect(b->mapTo(&w, QPoint(0, 0)), b->size())));

        // Esc: the list closes, the window and the typed text stay.
        QTest::keyClick(box, Qt::Key_Escape);
        EXPECT_FALSE(list->isVisible());
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(box->text(), "Ross");
        QTest::qWait(300);
        EXPECT_FALSE(list->isVisible());
        // Typing brings it back; a click elsewhere in the window closes it.
        QTest::keyClick(box, Qt::Key_I);
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
        QTest::mouseClick(line, Qt::LeftButton);
        EXPECT_FALSE(list->isVisible());
        QTest::qWait(300);
        EXPECT_FALSE(list->isVisible());
        EXPECT_EQ(box->text(), "Rossi");
        // With the list open again, OK takes the text as typed.
        QTest::keyClick(box, Qt::Key_Backspace);
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, 2000));
        QTest::mouseClick(w.cmdOk(), Qt::LeftButton);
        EXPECT_FALSE(w.isVisible());
    };
    auto customers = selectionOf("Clienti");
    EXPECT_TRUE(
        search<frmSearch_Clienti>(*customers, [&](frmSearch_Clienti& w) { play(w, w.txtSel_Cliente()); }));
    const QStringList picked = this->picked("Clienti", *customers);
    EXPECT_EQ(picked.size(), 18) << picked.join(',').toStdString();  // every "Ross..." name, C4 inactive too
    EXPECT_TRUE(picked.contains("C1") && picked.contains("C4") && picked.contains("R15"));

    auto orders = selectionOf("Ordini");
    EXPECT_TRUE(search<frmSearch_Ordini>(*orders, [&](frmSearch_Ordini& w) { play(w, w.txtSel_Cliente()); }));
    EXPECT_EQ(this->picked("Ordini", *orders, "Cliente"), (QStringList{"C1", "C4", "R03"}));
}

TEST_F(SearchTest, AWindowThatCannotLoadTellsAndRaises) {
    // The province list cannot be read: the window shows why and the failure
    // reaches the caller, which ends the view with its own message.
    startup::runContext().database.reset();
    platform::ScriptedBoxes boxes;
    auto selection = selectionOf("Clienti");
    bool confirmed = true;
    bool shown = false;
    controls::setSearchDialogHook([&](QDialog&) { return shown = true; });
    EXPECT_THROW(frmSearch_Clienti::ShowSelection(&window, *selection, confirmed), std::exception);
    controls::setSearchDialogHook({});
    EXPECT_FALSE(shown);
    EXPECT_FALSE(confirmed);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains("Il database non è aperto"));
}

}  // namespace mwtest
