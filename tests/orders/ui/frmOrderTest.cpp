// The order window through its real widgets: starting an order and its
// checks, every way an article enters, quantity keys, promotions and kits,
// confirming, cancelling, closing, editing a sent order, related orders.

#include "OrderWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "startup/ui/frmMessage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWindow>
#include <cstdio>

using namespace ordertest;
using orders::ui::frmOrder;

namespace ordertest {

orders::ui::frmOrder* OrderWindowTest::startOrder(const char* customer) {
    if (customer)
        pickNext(QStringLiteral("Codice"), QString::fromLatin1(customer));
    else
        player->dialog = [](QDialog&) { return false; };
    frmOrder* w = frmOrder::NewOrder(&owner);
    QPointer<frmOrder> guard(w);
    w->Form_Activate();
    QApplication::processEvents();
    if (!guard && customer) {
        // Why the order did not start, for the test's output.
        for (const auto& shown : boxes->shown()) std::fprintf(stderr, "box: %s\n", qPrintable(shown.text));
        for (const QString& m : data->sink.messages) std::fprintf(stderr, "notice: %s\n", qPrintable(m));
    }
    return guard.data();
}

}  // namespace ordertest

namespace {

// ---- Starting an order -------------------------------------------------------------

TEST_F(OrderWindowTest, AgentChecksRefuseAndLeaveNothing) {
    startup::runContext().codeAgente.clear();
    EXPECT_EQ(startOrder(), nullptr);
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Codice dell'Agente non impostato."));

    startup::runContext().codeAgente = QStringLiteral("ZZ99");
    EXPECT_EQ(startOrder(), nullptr);
    EXPECT_TRUE(boxes->lastText().startsWith(QStringLiteral("Codice dell'Agente impostato non è valido")));
    EXPECT_EQ(frmOrder::Instance(), nullptr);
    EXPECT_EQ(count("Ordini"), 0);
    EXPECT_FALSE(data->engine().InTransaction());
}

TEST_F(OrderWindowTest, DataAgeWarnsFromTheTenthDayAndRefusesFromTheFifteenth) {
    struct Case {
        int days;
        const char* message;  // nullptr: no box
        bool started;
    } cases[] = {
        {9, nullptr, true},
        {10, "Trascorsi ulteriori 5 giorni", true},
        {14, "Trascorsi ulteriori 1 giorni", true},
        {15, "Sono trascorsi più di 15 giorni", false},
        {40, "Sono trascorsi più di 15 giorni", false},
    };
    const core::Date last = core::Clock::today();
    data->db().SetSysParam(QStringLiteral("DataUltimoAccesso"), core::italian::formatDateOnly(last));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.days);
        boxes->clear();
        data->db().SetSysParam(QStringLiteral("DataAggiornamentoDatabase"),
                               core::italian::formatDateOnly(core::Date(last.serial() - c.days)));
        frmOrder* w = startOrder();
        EXPECT_EQ(w != nullptr, c.started);
        if (c.message) {
            ASSERT_FALSE(boxes->shown().empty());
            EXPECT_TRUE(boxes->shown().front().text.contains(QString::fromUtf8(c.message)))
                << boxes->shown().front().text.toStdString();
        } else {
            EXPECT_TRUE(boxes->shown().empty());
        }
        EXPECT_EQ(data->engine().InTransaction(), c.started);
        if (w) {
            EXPECT_EQ(count("Ordini"), 1);
            w->cmdCancel_Click();  // no rows: closes, nothing left
        }
        EXPECT_EQ(frmOrder::Instance(), nullptr);
        EXPECT_EQ(count("Ordini"), 0);
        EXPECT_FALSE(data->engine().InTransaction());
    }
}

TEST_F(OrderWindowTest, CancelledCustomerChoiceLeavesNoWindowRowOrTransaction) {
    EXPECT_EQ(startOrder(nullptr), nullptr);
    EXPECT_EQ(frmOrder::Instance(), nullptr);
    EXPECT_EQ(count("Ordini"), 0);
    EXPECT_FALSE(data->engine().InTransaction());
    EXPECT_FALSE(startup::IsOrderOpen());
    EXPECT_FALSE(startup::frmMessage::IsLoaded() && startup::frmMessage::instance()->isVisible());
}

TEST_F(OrderWindowTest, NewOrderIsStampedNumberedAndCaptioned) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(startup::IsOrderOpen());
    auto& order = *w->Order();
    EXPECT_FALSE(order.ColEmpty(QStringLiteral("DataInserimento")));  // not erased by the new-row call
    EXPECT_FALSE(order.ColEmpty(QStringLiteral("Numero")));
    EXPECT_EQ(order.ColValueStr(QStringLiteral("Cliente")), QStringLiteral("C1"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral(" ORDINE  -  Agente: Mario Rossi  (A001)"));
    EXPECT_TRUE(w->Widgets().lblRelate_Ordini->isHidden());

    // A further order in the same window: the caption is not appended to.
    w->AddElementByCode(QStringLiteral("ART1"));
    pickNext(QStringLiteral("Codice"), QStringLiteral("C2"));
    boxes->answer(core::kAnswerYes);  // "Inserire un altro ordine ?"
    w->cmdConfirm_Click();
    ASSERT_EQ(frmOrder::Instance(), w);
    EXPECT_EQ(w->Order()->ColValueStr(QStringLiteral("Cliente")), QStringLiteral("C2"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral(" ORDINE  -  Agente: Mario Rossi  (A001)"));
    EXPECT_EQ(count("Ordini"), 2);
}

// "Selezione Cliente" as the agent uses it: the real dialog, each key typed
// where the focus is. A code typed and Enter give that customer; a text
// that only begins codes moves to the first and waits for a second Enter;
// an unknown code is told and the list stays; Enter or OK on a row nobody
// reached choose nothing.
TEST_F(OrderWindowTest, TheCustomerTypedInTheChoiceIsTheOrdersCustomer) {
    auto typeHere = [](const QString& text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    };
    struct Case {
        const char* what;
        std::function<void(controls::PickListDialog&)> agent;
        const char* customer;  // nullptr: no order
        const char* told;      // the box shown, or nullptr
    } cases[] = {
        {"code and Enter", [&](controls::PickListDialog&) { typeHere(QStringLiteral("C2")); }, "C2", nullptr},
        {"lower case code", [&](controls::PickListDialog&) { typeHere(QStringLiteral("c2")); }, nullptr,
         nullptr},
        {"beginning, Enter twice",
         [&](controls::PickListDialog&) {
             typeHere(QStringLiteral("C"));
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
         },
         "C1", nullptr},
        {"unknown code", [&](controls::PickListDialog&) { typeHere(QStringLiteral("C9")); }, nullptr,
         "Nessun elemento trovato per \"C9\" nel campo Codice."},
        {"nothing reached",
         [&](controls::PickListDialog& d) {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
             d.grid()->setFocus();
             QTest::keyClick(d.grid(), Qt::Key_Return);
             for (QPushButton* b : d.findChildren<QPushButton*>())
                 if (b->text() == QStringLiteral("OK")) QTest::mouseClick(b, Qt::LeftButton);
         },
         nullptr, nullptr},
        {"typed in the grid",
         [&](controls::PickListDialog& d) {
             d.grid()->setFocus();
             typeHere(QStringLiteral("C2"));
         },
         "C2", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        boxes->clear();
        QString focusAtOpen;
        player->dialog = [&](QDialog& d) {
            auto* pick = qobject_cast<controls::PickListDialog*>(&d);
            if (!pick) return false;
            QTimer::singleShot(0, pick, [&, pick] {
                const bool focused = QTest::qWaitFor([pick] {
                    return QApplication::focusWidget() && pick->isAncestorOf(QApplication::focusWidget());
                });
                if (!focused) return pick->reject();
                focusAtOpen = QApplication::focusWidget()->objectName();
                c.agent(*pick);
                if (pick->isVisible()) pick->reject();
            });
            return pick->exec() == QDialog::Accepted;
        };
        frmOrder* w = frmOrder::NewOrder(&owner);
        QPointer<frmOrder> guard(w);
        w->Form_Activate();
        QApplication::processEvents();
        EXPECT_EQ(focusAtOpen, QStringLiteral("txtSearch"));
        if (c.told) {
            ASSERT_FALSE(boxes->shown().empty());
            EXPECT_EQ(boxes->shown().front().text, QString::fromUtf8(c.told));
        } else {
            EXPECT_TRUE(boxes->shown().empty()) << boxes->lastText().toStdString();
        }
        if (!c.customer) {
            EXPECT_TRUE(guard.isNull());
            EXPECT_EQ(count("Ordini"), 0);
            continue;
        }
        ASSERT_FALSE(guard.isNull());
        EXPECT_EQ(w->Order()->ColValueStr(QStringLiteral("Cliente")), QString::fromLatin1(c.customer));
        w->cmdCancel_Click();  // no rows: closes, nothing left
        QApplication::processEvents();
    }
}

// ---- Article entry -------------------------------------------------------------------

TEST_F(OrderWindowTest, ScannerBurstAddsOnceAndEmptiesTheBox) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    activate(w);
    // A reader's code is added once its burst ends (see the scan tests).
    w->Widgets().chkRequest_Quantita->setChecked(false);
    auto* box = w->Widgets().txtCode_Articolo;
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("ABC"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), QString());
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ABCx1"));

    // A line feed ends the code as well; the same article adds to its row.
    QTest::keyClicks(box, QStringLiteral("ABC"));
    QTest::keyClick(box, Qt::Key_J, Qt::NoModifier);  // no line break yet
    box->clear();
    QTest::keyClicks(box, QStringLiteral("ABC"));
    QKeyEvent lf(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\n"));
    QApplication::sendEvent(box, &lf);
    EXPECT_EQ(box->text(), QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return rowCodes(*w->Rows()) == QStringLiteral("ABCx2"); }))
        << rowCodes(*w->Rows()).toStdString();

    // "+" and "-" change the current row and never reach the text.
    QTest::keyClick(box, Qt::Key_Plus, Qt::NoModifier, -1);
    QTest::keyClicks(box, QStringLiteral("+"));
    EXPECT_EQ(box->text(), QString());
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ABCx4"));
    QTest::keyClicks(box, QStringLiteral("---"));
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ABCx1"));  // 1 stays 1
    EXPECT_EQ(box->text(), QString());

    // Enter on the empty box confirms.
    boxes->answer(core::kAnswerNo);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(boxes->lastText().startsWith(QStringLiteral("ORDINE CONFERMATO.")));
    QApplication::processEvents();
    EXPECT_EQ(frmOrder::Instance(), nullptr);
    EXPECT_EQ(count("Ordini", QStringLiteral("Completato")), 1);
}

TEST_F(OrderWindowTest, LookUpByCodeAdditionalCodeAndDescriptionWithTheirRefusals) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->AddElementByCode(QStringLiteral("8002")).isEmptyOrNull());
    EXPECT_FALSE(w->AddElementByCode(QStringLiteral("Manico di ricambio")).isEmptyOrNull());
    EXPECT_FALSE(w->AddElementByCode(QStringLiteral("L'ART")).isEmptyOrNull());  // apostrophe as a value
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART2x1 ART3x1 L'ARTx1"));

    // Two articles share an additional code: the choice closed adds nothing, says nothing.
    player->dialog = [](QDialog&) { return false; };
    const auto shown = boxes->shown().size();
    const auto told = data->sink.messages.size();
    EXPECT_TRUE(w->AddElementByCode(QStringLiteral("DUPL")).isEmptyOrNull());
    EXPECT_EQ(boxes->shown().size(), shown);
    EXPECT_EQ(data->sink.messages.size(), told);
    pickNext(QStringLiteral("Codice"), QStringLiteral("DUP2"));
    EXPECT_FALSE(w->AddElementByCode(QStringLiteral("DUPL")).isEmptyOrNull());

    EXPECT_TRUE(w->AddElementByCode(QStringLiteral("NOPE'1")).isEmptyOrNull());
    EXPECT_EQ(
        data->sink.messages.last(),
        QStringLiteral(
            "Articolo NOPE'1 non trovato\r\rRicerca effettuata per CODICE, CODICE AGGIUNTIVO e DESCRIZIONE"));
    // Longer than the articles' code column.
    EXPECT_TRUE(w->AddElementByCode(QString(33, QLatin1Char('X'))).isEmptyOrNull());
    EXPECT_EQ(data->sink.messages.last(), QStringLiteral("Il Codice non può essere più di 32 caratteri."));
    EXPECT_TRUE(w->AddElementByCode(QStringLiteral("8009")).isEmptyOrNull());
    EXPECT_EQ(boxes->lastText(), QStringLiteral("L'articolo selezionato è disabilitato."));
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART2x1 ART3x1 L'ARTx1 DUP2x1"));
}

TEST_F(OrderWindowTest, QuantityPromptKeysAndFunctionKeys) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    activate(w);
    // Asked for every article unless the agent said otherwise; the choice is kept at once.
    ASSERT_TRUE(w->Widgets().chkRequest_Quantita->isChecked());
    w->Widgets().chkRequest_Quantita->click();
    EXPECT_EQ(platform::SettingsStore::get(platform::appName(), "Ordine", "ChiediQuantità"),
              QStringLiteral("False"));
    w->Widgets().chkRequest_Quantita->click();
    EXPECT_EQ(platform::SettingsStore::get(platform::appName(), "Ordine", "ChiediQuantità"),
              QStringLiteral("True"));
    player->quantities = {QStringLiteral("4")};
    w->Widgets().txtCode_Articolo->setText(QStringLiteral("ART1"));
    QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_F2);
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x4"));
    // Again: the prompt shows the old quantity and the new one is added after it.
    player->quantities = {QStringLiteral("6")};
    w->Widgets().txtCode_Articolo->setText(QStringLiteral("ART1"));
    w->cmdAddRow_Click();
    EXPECT_EQ(player->promptInitialValues.last(), QStringLiteral("4"));
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x7"));
    w->Widgets().chkRequest_Quantita->click();

    // F5 on the row: a bad value is refused and the prompt stays; below 1 is refused.
    player->quantities = {QStringLiteral("1.5")};
    QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_F5);
    EXPECT_EQ(boxes->lastText(), QStringLiteral("Valore incorretto.\r\rInserire un valore numerico."));
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x7"));
    player->quantities = {QStringLiteral("-4")};
    QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_F5);
    EXPECT_EQ(boxes->lastText(),
              QStringLiteral("Il valore impostato non è valido\r\rImpostare quantità positive"));
    player->quantities = {QStringLiteral("2,5")};
    QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_F5);
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x2"));

    // F10 deletes the current row.
    QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_F10);
    EXPECT_TRUE(w->Rows()->DataEmpty());
    QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_Plus,
                    Qt::NoModifier);  // no row: a beep, nothing else
    EXPECT_TRUE(w->Rows()->DataEmpty());
}

TEST_F(OrderWindowTest, QuickListFollowsTheTypingAndAClickFillsTheBox) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    activate(w);
    auto* box = w->Widgets().txtCode_Articolo;
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("Mazz"));
    QTest::qWait(250);  // a pause beyond the list's timer
    ASSERT_TRUE(w->Widgets().lstHelp_ArticoliLib->isVisible());
    ASSERT_EQ(w->Widgets().lstHelp_ArticoliLib->count(), 1);
    EXPECT_EQ(w->Widgets().lstHelp_ArticoliLib->item(0)->text(), QStringLiteral("Mazzetta"));
    // Nothing matches a description: the codes are listed.
    box->clear();
    QTest::keyClicks(box, QStringLiteral("DUP"));
    QTest::qWait(250);
    ASSERT_EQ(w->Widgets().lstHelp_ArticoliLib->count(), 2);
    EXPECT_EQ(w->Widgets().lstHelp_ArticoliLib->item(0)->text(),
              QStringLiteral("DUP1 - Chiave inglese piccola"));
    QListWidgetItem* second = w->Widgets().lstHelp_ArticoliLib->item(1);
    w->Widgets().lstHelp_ArticoliLib->setCurrentItem(second);
    QTest::mouseClick(w->Widgets().lstHelp_ArticoliLib->viewport(), Qt::LeftButton, {},
                      w->Widgets().lstHelp_ArticoliLib->visualItemRect(second).center());
    EXPECT_EQ(box->text(), QStringLiteral("DUP2"));
    EXPECT_EQ(box->selectedText(), QStringLiteral("2"));
    player->quantities = {QStringLiteral("1")};
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("DUP2x1"));
    EXPECT_FALSE(w->Widgets().lstHelp_ArticoliLib->isVisible());
}

TEST_F(OrderWindowTest, CategoryGridFiltersAndPicks) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    auto descriptions = [&] {
        QStringList out;
        auto& c = *w->Categories();
        for (c.RowFirst(); !c.Eof(); c.RowNext()) out << c.ColValueStr(QStringLiteral("Descrizione"));
        return out.join(QLatin1Char(','));
    };
    EXPECT_EQ(descriptions(), QStringLiteral("Accessori,Martelli"))
        << w->Categories()->Filter().toStdString();
    w->Widgets().cmbTipoCategoria->setCurrentText(QStringLiteral("COMPLEMENTI"));
    w->RefreshCategorie();
    EXPECT_EQ(descriptions(), QStringLiteral("Accessori"));
    w->Widgets().cmbTipoCategoria->setCurrentIndex(2);
    w->Widgets().cmbLinea->setCurrentText(QStringLiteral("Vernici"));
    w->RefreshCategorie();
    EXPECT_EQ(descriptions(), QStringLiteral("Accessori")) << w->Categories()->Filter().toStdString();
    w->Widgets().cmbLinea->setCurrentText(QStringLiteral("- QUALSIASI -"));
    w->RefreshCategorie();

    w->Categories()->RowLast();  // Martelli
    w->Widgets().dgCategorie->FollowDataSource();
    pickNext(QStringLiteral("Codice"), QStringLiteral("ART2"));
    w->PickCategoryArticle();
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART2x1"));

    // A double click on a category and Enter in the grid: one pick list each.
    activate(w);
    player->quantities = {QStringLiteral("1"), QStringLiteral("1")};
    int lists = 0;
    player->dialog = [&lists](QDialog& d) {
        ++lists;
        return ChooseIn(d, QStringLiteral("Codice"), QStringLiteral("ART1"));
    };
    controls::DataGrid* grid = w->Widgets().dgCategorie;
    const QPoint cell = grid->visualRect(grid->model()->index(1, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, cell);
    EXPECT_EQ(lists, 1);
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART2x1 ART1x1"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(lists, 2);
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART2x1 ART1x2"));
}

TEST_F(OrderWindowTest, PromotionWithMultiplierAndKit) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    // Only the promotion valid today is offered.
    ASSERT_EQ(w->Widgets().cboSelPromoKit->count(), 1);
    EXPECT_EQ(w->Widgets().cboSelPromoKit->itemText(0), QStringLiteral("Promozione di primavera"));
    w->AddElementByCode(QStringLiteral("ART1"));  // an ordinary row of an article of the promotion

    boxes->answer(core::kAnswerYes);
    player->quantities = {QStringLiteral("2")};
    w->cmdAddPromoKit_Click();
    auto& rows = *w->Rows();
    EXPECT_EQ(rowCodes(rows), QStringLiteral("ART1x1 ##NOTA## ART1x4 ART2x2 ART3x6 ##NOTA##"));
    QStringList links, notes;
    for (rows.RowFirst(); !rows.Eof(); rows.RowNext()) {
        links << rows.ColValueStr(QStringLiteral("Promozione"));
        notes << rows.ColValueStr(QStringLiteral("DescrizioneAggiuntiva"));
    }
    EXPECT_EQ(links.join(QLatin1Char(',')), QStringLiteral(",PRIM,PRIM,PRIM,PRIM,PRIM"));
    EXPECT_EQ(notes[1], QStringLiteral(" * Promozione di primavera - PRIM"));
    EXPECT_EQ(notes[5], QStringLiteral(" * FINE PROMOZIONE"));
    rows.RowFirst();
    rows.MoveTo(3);
    EXPECT_EQ(rows.ColValue(QStringLiteral("PrezzoVendita")).toCurrency(), core::Currency::fromDouble(15.0));

    // The same promotion again makes rows of its own; the prompt cancelled counts once.
    boxes->answer(core::kAnswerYes);
    w->cmdAddPromoKit_Click();
    EXPECT_EQ(w->Rows()->RowCount(), 11);

    // A kit: its articles without link, at its prices, always new rows.
    w->Widgets().optKit->click();
    ASSERT_EQ(w->Widgets().cboSelPromoKit->count(), 1);
    boxes->answer(core::kAnswerYes);
    player->quantities = {QStringLiteral("3")};
    w->cmdAddPromoKit_Click();
    EXPECT_EQ(w->Rows()->RowCount(), 13);
    auto kitRows = data->db().OpenDataSource(QStringLiteral("RigheOrdini"),
                                             QStringLiteral("NOT Promozione AND PrezzoVendita=2.5"));
    ASSERT_EQ(kitRows->RowCount(), 1);
    kitRows->RowFirst();
    EXPECT_EQ(kitRows->ColValueNum(QStringLiteral("QuantitàOrdine")), 6.0);

    // Answering No adds nothing.
    boxes->answer(core::kAnswerNo);
    w->cmdAddPromoKit_Click();
    EXPECT_EQ(w->Rows()->RowCount(), 13);
}

TEST_F(OrderWindowTest, PromotionStopsAtADisabledElementButIsClosed) {
    {
        const QString agent = startup::runContext().codeAgente;
        startup::runContext().codeAgente.clear();
        auto a = data->db().OpenDataSource(QStringLiteral("Articoli"), QStringLiteral("Codice='ART2'"));
        a->RowFirst();
        a->SetColValue(QStringLiteral("Disabilitato"), true);
        a->Save();
        startup::runContext().codeAgente = agent;
    }
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    boxes->answer(core::kAnswerYes);
    w->cmdAddPromoKit_Click();
    EXPECT_EQ(rowCodes(*w->Rows()), QStringLiteral("##NOTA## ART1x2 ##NOTA##"));
    EXPECT_EQ(boxes->lastText(), QStringLiteral("L'articolo selezionato è disabilitato."));
}

// ---- Confirming, cancelling, closing ------------------------------------------------------

TEST_F(OrderWindowTest, ConfirmCommitsAndRemembersTheCustomer) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    w->cmdConfirm_Click();  // no rows
    EXPECT_TRUE(boxes->lastText().startsWith(QStringLiteral("ORDINE INCOMPLETO.")));
    EXPECT_EQ(frmOrder::Instance(), w);
    w->AddElementByCode(QStringLiteral("ART1"), 3);
    w->AddElementByCode(QStringLiteral("ART2"));
    boxes->answer(core::kAnswerNo);
    w->cmdConfirm_Click();
    QApplication::processEvents();
    EXPECT_EQ(frmOrder::Instance(), nullptr);
    EXPECT_FALSE(data->engine().InTransaction());
    EXPECT_FALSE(startup::IsOrderOpen());
    auto order = data->db().OpenDataSource(QStringLiteral("Ordini"));
    ASSERT_EQ(order->RowCount(), 1);
    order->RowFirst();
    EXPECT_TRUE(order->ColValueBool(QStringLiteral("Completato")));
    EXPECT_EQ(count("RigheOrdini"), 2);
    auto customer = data->db().OpenDataSource(QStringLiteral("Clienti"), QStringLiteral("Codice='C1'"));
    customer->RowFirst();
    EXPECT_EQ(platform::SettingsStore::get(platform::appName(), "Ordine", "ClienteDefault"),
              QString::number(customer->OID()));
}

TEST_F(OrderWindowTest, CancelAndTheCloseBoxAskBeforeDroppingTheOrder) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(QStringLiteral("ART1"));
    boxes->answer(core::kAnswerNo);  // the close box: keep it
    EXPECT_FALSE(w->close());
    EXPECT_EQ(boxes->lastText(), QStringLiteral("VUOI ANNULLARE L'INTERO ORDINE ?"));
    EXPECT_EQ(frmOrder::Instance(), w);
    EXPECT_EQ(count("RigheOrdini"), 1);

    boxes->answer(core::kAnswerNo);  // the cancel button: keep it
    w->cmdCancel_Click();
    EXPECT_EQ(frmOrder::Instance(), w);
    boxes->answer(core::kAnswerYes);
    boxes->answer(core::kAnswerNo);  // "Continuare con un nuovo ordine ?"
    w->cmdCancel_Click();
    QApplication::processEvents();
    EXPECT_EQ(frmOrder::Instance(), nullptr);
    EXPECT_EQ(count("Ordini"), 0);
    EXPECT_EQ(count("RigheOrdini"), 0);
    EXPECT_FALSE(data->engine().InTransaction());

    // The close path of the options window asks the same.
    w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(QStringLiteral("ART1"));
    boxes->answer(core::kAnswerNo);
    EXPECT_FALSE(frmOrder::CloseOpenOrder());
    boxes->answer(core::kAnswerYes);
    EXPECT_TRUE(frmOrder::CloseOpenOrder());
    EXPECT_EQ(count("Ordini"), 0);
}

// ---- Existing orders ---------------------------------------------------------------------

// Writes and confirms an order of C1 with one row; returns its OID.
qint64 confirmedOrder(OrderWindowTest* t, frmOrder* w) {
    w->AddElementByCode(QStringLiteral("ART1"), 2);
    const qint64 oid = w->Order()->OID();
    w->cmdConfirm_Click();
    return oid;
}

// The order window belongs to the main window: the window manager keeps it
// above its owner, which stays usable (nothing modal); after a click on the
// main window, "Nuovo Ordine" and the edit of another order bring the open
// order to the front (the second with its refusal).
TEST_F(OrderWindowTest, TheOrderWindowIsOwnedByTheMainWindowAndComesToTheFront) {
    boxes->answer(core::kAnswerNo);
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    const qint64 confirmed = confirmedOrder(this, w);
    QApplication::processEvents();
    w = startOrder();
    ASSERT_NE(w, nullptr);
    ASSERT_NE(w->windowHandle(), nullptr);
    EXPECT_EQ(w->windowHandle()->transientParent(), owner.windowHandle());
    EXPECT_EQ(w->windowType(), Qt::Dialog);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(owner.isEnabled());

    auto view = data->db().OpenDataSource(QStringLiteral("Ordini"));
    ASSERT_TRUE(view->MoveToKey(core::Variant(double(confirmed))));
    const std::function<void()> commands[] = {
        [&] { EXPECT_EQ(frmOrder::NewOrder(&owner), w); },
        [&] {
            boxes->clear();
            EXPECT_EQ(frmOrder::Edit_Ordine(&owner, view), w);
            EXPECT_TRUE(boxes->lastText().startsWith(QStringLiteral("C'è già un ordine aperto")));
        },
    };
    for (const auto& command : commands) {
        activate(&owner);
        EXPECT_TRUE(w->isVisible());
        command();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        EXPECT_EQ(QApplication::activeWindow(), w);
    }
    w->cmdCancel_Click();
}

// A confirmed order opened for editing: Annulla and the close box put it
// back as it was confirmed, rows included, without a question (and keep what
// another window wrote meanwhile); Conferma keeps the change.
TEST_F(OrderWindowTest, EditingAConfirmedOrderUndoneByAnnullaKeptByConfermaAndASentOneIsReadOnly) {
    boxes->answer(core::kAnswerNo);
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    const qint64 oid = confirmedOrder(this, w);
    QApplication::processEvents();
    ASSERT_EQ(frmOrder::Instance(), nullptr);
    auto stored = [&] {
        auto o = data->db().OpenDataSource(QStringLiteral("Ordini"));
        o->MoveToKey(core::Variant(double(oid)));
        auto rows = o->GetReference(QStringLiteral("Righe"));
        return rowCodes(*rows) + QStringLiteral(" = ") +
               o->FormattedColValue(QStringLiteral("ImportoTotale")) + QStringLiteral(" ") +
               o->ColValueStr(QStringLiteral("Riferimento"));
    };
    const QString asConfirmed = stored();
    ASSERT_TRUE(asConfirmed.startsWith(QStringLiteral("ART1x2 = "))) << asConfirmed.toStdString();

    // The quantity prompt as the agent answers it: the keys typed where the focus is.
    controls::setSearchDialogHook([](QDialog& d) {
        auto* q = qobject_cast<orders::ui::frmSetQantity*>(&d);
        if (!q) return false;
        QTimer::singleShot(0, q, [q] {
            if (!QTest::qWaitFor([q] { return QApplication::focusWidget() == q->txtQuantity(); })) return;
            QTest::qWait(60);
            QTest::keyClicks(q->txtQuantity(), QStringLiteral("4"));
            QTest::qWait(60);
            QTest::keyClick(q->txtQuantity(), Qt::Key_Return);
        });
        return q->exec() == QDialog::Accepted;
    });
    enum End { Annulla, CloseBox, Conferma };
    for (End end : {Annulla, CloseBox, Conferma}) {
        SCOPED_TRACE(int(end));
        auto view = data->db().OpenDataSource(QStringLiteral("Ordini"));
        ASSERT_TRUE(view->MoveToKey(core::Variant(double(oid))));
        w = frmOrder::Edit_Ordine(&owner, view);
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral(" ORDINE - MODIFICA   -  Agente: ")));
        EXPECT_TRUE(w->Widgets().txtCode_Articolo->isEnabled());
        // A second order is not opened while this one is.
        EXPECT_EQ(frmOrder::Edit_Ordine(&owner, view), w);
        EXPECT_EQ(data->engine().TransactionLevel(), 1);
        activate(w);
        // F5, 4, Enter on the row; a further article; a header field.
        controls::DataGrid* grid = w->Widgets().dgRighe;
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                          grid->visualRect(grid->model()->index(0, 1)).center());
        QTest::keyClick(grid, Qt::Key_F5);
        w->Widgets().chkRequest_Quantita->setChecked(false);
        activate(w);
        w->Widgets().txtCode_Articolo->setFocus();
        // Typed by hand (keys 40 ms apart): added at its Enter.
        QTest::keyClicks(w->Widgets().txtCode_Articolo, QStringLiteral("ART2"), Qt::NoModifier, 40);
        QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_Return, Qt::NoModifier, 40);
        w->Widgets().chkRequest_Quantita->setChecked(true);
        auto* reference =
            qobject_cast<QLineEdit*>(w->Widgets().DataPanel->Editor(QStringLiteral("Riferimento")));
        ASSERT_NE(reference, nullptr);
        reference->setFocus();
        QTest::keyClicks(reference, QStringLiteral("Telefonata"));
        w->Widgets().txtCode_Articolo->setFocus();
        ASSERT_EQ(rowCodes(*w->Rows()), QStringLiteral("ART1x4 ART2x1"));
        // Meanwhile the main window changes a customer.
        auto customer = data->db().OpenDataSource(QStringLiteral("Clienti"), QStringLiteral("Codice='C2'"));
        customer->RowFirst();
        customer->SetColValue(QStringLiteral("RagioneSociale"), QStringLiteral("Orso %1").arg(int(end)));
        customer->Save();

        boxes->clear();
        if (end == Annulla) QTest::mouseClick(w->Widgets().cmdCancel, Qt::LeftButton);
        if (end == CloseBox) {
            EXPECT_TRUE(w->close());
        }
        if (end == Conferma) {
            boxes->answer(core::kAnswerNo);  // "Inserire un altro ordine ?"
            QTest::mouseClick(w->Widgets().cmdConfirm, Qt::LeftButton);
        }
        QApplication::processEvents();
        EXPECT_EQ(frmOrder::Instance(), nullptr);
        EXPECT_FALSE(data->engine().InTransaction());
        if (end == Conferma) {
            EXPECT_TRUE(stored().startsWith(QStringLiteral("ART1x4 ART2x1 = "))) << stored().toStdString();
            EXPECT_TRUE(stored().endsWith(QStringLiteral(" Telefonata"))) << stored().toStdString();
        } else {
            EXPECT_TRUE(boxes->shown().empty()) << boxes->lastText().toStdString();
            EXPECT_EQ(stored(), asConfirmed);
        }
        customer->Requery();
        EXPECT_EQ(customer->ColValueStr(QStringLiteral("RagioneSociale")),
                  QStringLiteral("Orso %1").arg(int(end)));
    }
    controls::setSearchDialogHook({});
    player = std::make_unique<DialogPlayer>();

    // Sent to head office: looked at, not changed.
    {
        const QString agent = startup::runContext().codeAgente;
        startup::runContext().codeAgente.clear();
        auto o = data->db().OpenDataSource(QStringLiteral("Ordini"));
        o->MoveToKey(core::Variant(double(oid)));
        o->SetColValue(QStringLiteral("InviatoSede"), true);
        o->Save();
        startup::runContext().codeAgente = agent;
    }
    auto view = data->db().OpenDataSource(QStringLiteral("Ordini"));
    view->MoveToKey(core::Variant(double(oid)));
    w = frmOrder::Edit_Ordine(&owner, view);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->Widgets().txtCode_Articolo->isEnabled());
    EXPECT_FALSE(w->Widgets().cmdAddRow->isEnabled());
    EXPECT_FALSE(w->Widgets().cmdDeleteRow->isEnabled());
    EXPECT_FALSE(w->Widgets().cmdSetQuantity->isEnabled());
    EXPECT_FALSE(w->Widgets().chkRequest_Quantita->isEnabled());
    EXPECT_TRUE(w->Widgets().cmdAddPromoKit->isHidden());
    w->cmdCancel_Click();
    EXPECT_EQ(count("RigheOrdini"), 2);
}

TEST_F(OrderWindowTest, RelatedOrdersAreThoseWrittenTogether) {
    boxes->answer(core::kAnswerNo);
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    const qint64 first = confirmedOrder(this, w);
    QApplication::processEvents();
    // A second order of the same customer stamped at the same moment, as the
    // sending splits them.
    {
        auto o = data->db().OpenDataSource(QStringLiteral("Ordini"));
        o->MoveToKey(core::Variant(double(first)));
        const core::Variant stamp = o->ColValue(QStringLiteral("DataInserimento"));
        const QString agent = startup::runContext().codeAgente;
        startup::runContext().codeAgente.clear();
        auto copy = data->db().OpenDataSource(QStringLiteral("Ordini"));
        const core::Variant key = copy->InsertFromPairs({V("Cliente"), V("C1"), V("Agente"), V("A001")});
        copy->MoveToKey(key);
        copy->SetColValue(QStringLiteral("DataInserimento"), stamp);
        copy->Save();
        startup::runContext().codeAgente = agent;
    }
    auto view = data->db().OpenDataSource(QStringLiteral("Ordini"));
    view->MoveToKey(core::Variant(double(first)));
    w = frmOrder::Edit_Ordine(&owner, view);
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(w->Widgets().cboRelate_Ordini->isHidden());
    ASSERT_EQ(w->Widgets().cboRelate_Ordini->count(), 2);
    const QString other =
        w->Widgets().cboRelate_Ordini->itemText(1) == w->Order()->ColValueStr(QStringLiteral("Numero"))
            ? w->Widgets().cboRelate_Ordini->itemText(0)
            : w->Widgets().cboRelate_Ordini->itemText(1);
    w->Widgets().cboRelate_Ordini->setCurrentText(other);
    emit w->Widgets().cboRelate_Ordini->activated(w->Widgets().cboRelate_Ordini->currentIndex());
    EXPECT_EQ(w->Order()->ColValueStr(QStringLiteral("Numero")), other);
    w->cmdCancel_Click();
}

}  // namespace

namespace {

TEST_F(OrderWindowTest, GridMenuShowsAllFieldsWithoutForgettingTheSequence) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(QStringLiteral("ART1"));
    auto* settings = w->GridSettings();
    settings->SetFieldSequence(QStringLiteral("Codice,QuantitàOrdine"));
    w->Refresh_Articoli();
    EXPECT_EQ(w->Widgets().dgRighe->gridModel()->columnCount(), 2);
    w->Widgets().mnuGridSetting->mnuGridFldAll()->trigger();
    EXPECT_GT(w->Widgets().dgRighe->gridModel()->columnCount(), 2);
    EXPECT_EQ(settings->FieldSequence(), QStringLiteral("Codice,QuantitàOrdine"));
    boxes->answer(core::kAnswerNo);
    w->Widgets().mnuGridSetting->mnuGridCancel()->trigger();
    EXPECT_EQ(settings->FieldSequence(), QStringLiteral("Codice,QuantitàOrdine"));
    boxes->answer(core::kAnswerYes);
    w->Widgets().mnuGridSetting->mnuGridCancel()->trigger();
    EXPECT_EQ(settings->FieldSequence(), QString());
    EXPECT_FALSE(w->Widgets().mnuGridSetting->mnuGridFldSequence()->isChecked());
}

}  // namespace
