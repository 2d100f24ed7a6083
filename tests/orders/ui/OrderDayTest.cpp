// A day of orders through the real window: cancelling after the main view
// read the order again never ends the program, an error no window trapped is
// shown while the program goes on, no box, typed value or scan is lost; the
// quick list, the code box, the cancel's progress, the grid's check mark,
// the rows grid's first columns and widths and the totals as an agent needs them.

#include "OrderWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewGridSettings.h"
#include "core/RaiseError.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <functional>
#include <utility>

using namespace ordertest;
using orders::ui::frmOrder;

namespace {

// Every cell of a grid as it paints it: texts and check marks.
void readEveryCell(controls::DataGrid& grid) {
    QAbstractItemModel* model = grid.model();
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            for (int role : {int(Qt::DisplayRole), int(Qt::CheckStateRole), int(Qt::ToolTipRole)})
                model->data(model->index(r, c), role);
    grid.grab();
}

// The library's notices as the main window shows them, naming itself as the
// boxes' window.
struct MainWindowSink : datalib::itfNotifyEvent {
    explicit MainWindowSink(QWidget* w) : main(w) {}
    QWidget* main;
    void OnEvent(int&, int, QString&) override {}
    void OnInternalMessage(int, QString& message) override {
        platform::messageBox(message, platform::kOkOnly | platform::kExclamation, QString(), main);
    }
    void OnQueryMessage(int, int, QString& question, bool& answer) override {
        answer = platform::messageBox(question, platform::kOkCancel, QString(), main) != platform::kAnswerOk;
    }
};

// Answers the real boxes as the agent does: the default button, noting each
// box's text and window.
struct BoxAnswerer {
    BoxAnswerer() {
        poll.setInterval(5);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            texts << box->text();
            parents << box->parentWidget();
            box->defaultButton()->click();
        });
        poll.start();
    }
    QTimer poll;
    QStringList texts;
    QList<QWidget*> parents;
};

}  // namespace

// The main window's view of the orders, read again while the order is open
// (as "Rileggi Dati" or a second "Nuovo Ordine" do), still shows the order's
// row once it is cancelled: the row is gone and its flags read as unticked.
TEST_F(OrderWindowTest, CancelAfterTheViewReadTheOrderAgainKeepsTheProgramUp) {
    enum Case { WholePromotionDeleted, RowsLeft, SecondNewOrder };
    for (Case c : {WholePromotionDeleted, RowsLeft, SecondNewOrder}) {
        SCOPED_TRACE(int(c));
        frmOrder* w = startOrder();
        ASSERT_NE(w, nullptr);
        activate(w);
        if (c == SecondNewOrder) {
            w->AddElementByCode(QStringLiteral("ART1"));
            EXPECT_EQ(frmOrder::NewOrder(&owner), w);
        } else {
            boxes->answer(core::kAnswerYes);
            player->quantities = {QStringLiteral("1")};
            w->cmdAddPromoKit_Click();
            ASSERT_EQ(w->Rows()->RowCount(), 5);
            if (c == RowsLeft) w->AddElementByCode(QStringLiteral("ART4"));
        }
        controls::DataGrid view;
        view.Bind(data->db().OpenDataSource(QStringLiteral("Ordini")), nullptr);
        view.show();
        ASSERT_EQ(view.model()->rowCount(), 1);
        const int completed = view.gridModel()->columnOf(QStringLiteral("Completato"));
        ASSERT_GE(completed, 0);
        activate(w);

        if (c != SecondNewOrder) {
            // F10 on a row of the promotion; "tutta la promozione ?" Yes.
            w->Widgets().dgRighe->setFocus();
            w->Widgets().dgRighe->setCurrentIndex(w->Widgets().dgRighe->model()->index(2, 0));
            QTest::keyClick(w->Widgets().dgRighe, Qt::Key_F10);
            EXPECT_EQ(w->Rows()->RowCount(), c == RowsLeft ? 1 : 0);
        }
        if (c != WholePromotionDeleted) {
            boxes->answer(core::kAnswerYes);  // "VUOI ANNULLARE L'INTERO ORDINE ?"
            boxes->answer(core::kAnswerNo);   // "Continuare con un nuovo ordine ?"
        }
        QTest::mouseClick(w->Widgets().cmdCancel, Qt::LeftButton);
        QApplication::processEvents();
        EXPECT_EQ(frmOrder::Instance(), nullptr);
        EXPECT_FALSE(data->engine().InTransaction());
        EXPECT_EQ(count("Ordini"), 0);

        EXPECT_NO_THROW(readEveryCell(view));
        EXPECT_EQ(view.model()->data(view.model()->index(0, completed), Qt::CheckStateRole).toInt(),
                  int(Qt::Unchecked));
    }
}

TEST_F(OrderWindowTest, AnErrorNoWindowTrappedIsShownAndTheOrderGoesOn) {
    startup::InstallErrorWindow();
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(QStringLiteral("ART1"));
    // A handler of the program that traps nothing, connected as the
    // program connects its handlers.
    QPushButton raising(QStringLiteral("Prova"), w);
    platform::connectGuarded(&raising, &QPushButton::clicked, [] {
        core::RaiseGenericError(QStringLiteral("Prova"), QStringLiteral("Errore di prova"));
    });
    raising.show();
    boxes->clear();
    QTest::mouseClick(&raising, Qt::LeftButton);
    ASSERT_EQ(boxes->shown().size(), 1u);
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("Errore di prova")))
        << boxes->lastText().toStdString();
    // The window, its order and the transaction are as they were.
    EXPECT_EQ(frmOrder::Instance(), w);
    EXPECT_TRUE(data->engine().InTransaction());
    EXPECT_EQ(w->Rows()->RowCount(), 1);
    // A refusal already shown is not shown again.
    QObject::disconnect(&raising, nullptr, nullptr, nullptr);
    platform::connectGuarded(&raising, &QPushButton::clicked, [] {
        throw core::AppError(1, QStringLiteral("Prova"), QStringLiteral("Rifiuto"), true);
    });
    boxes->clear();
    QTest::mouseClick(&raising, Qt::LeftButton);
    EXPECT_TRUE(boxes->shown().empty());
    platform::GuardedApplication::setExceptionHandler({});
}

// A box of the data library or of the table classes raised while the order
// window is active belongs to the order window, which is in front again after
// the answer.
TEST_F(OrderWindowTest, TheLibrarysBoxesBelongToTheOrderWindowAndLeaveItInFront) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(QStringLiteral("ART1"));
    MainWindowSink mainSink(&owner);
    data->db().setNotifySink(&mainSink);
    boxes.reset();  // the real boxes
    struct Case {
        QString code, message;
    } cases[] = {{QStringLiteral("ZZZ"), QStringLiteral("Articolo ZZZ non trovato")},
                 {QString(40, QLatin1Char('X')), QStringLiteral("Il Codice non può essere più di ")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code.toStdString());
        activate(w);
        BoxAnswerer answerer;
        w->Widgets().txtCode_Articolo->setFocus();
        QTest::keyClicks(w->Widgets().txtCode_Articolo, c.code);
        QTest::keyClick(w->Widgets().txtCode_Articolo, Qt::Key_Return);
        // Typed as fast as a reader: the code is looked up once the keys stop.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !answerer.texts.isEmpty(); }));
        EXPECT_TRUE(answerer.texts.first().startsWith(c.message)) << answerer.texts.first().toStdString();
        EXPECT_EQ(answerer.parents.first(), w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        EXPECT_EQ(QApplication::activeWindow(), w);
        EXPECT_EQ(w->Rows()->RowCount(), 1);
    }
    boxes = std::make_unique<core::ScriptedBoxes>();
    data->db().setNotifySink(&data->sink);
}

// A field whose text does not convert stops Conferma and the row editor's
// Save: the warning names the text, the field has the focus again and keeps
// it, and nothing is written.
TEST_F(OrderWindowTest, AValueThatDoesNotConvertStopsConfirmAndSave) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(QStringLiteral("ART1"));
    activate(w);

    // The order's header: a date that does not exist.
    auto* date =
        qobject_cast<QLineEdit*>(w->Widgets().DataPanel->Editor(QStringLiteral("DataRichiestaConsegna")));
    ASSERT_NE(date, nullptr);
    date->setFocus();
    QTest::keyClicks(date, QStringLiteral("31/02/2024"));
    boxes->clear();
    QTest::mouseClick(w->Widgets().cmdConfirm, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_FALSE(boxes->shown().empty());
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("31/02/2024"))) << boxes->lastText().toStdString();
    for (const auto& shown : boxes->shown())
        EXPECT_FALSE(shown.text.startsWith(QStringLiteral("ORDINE CONFERMATO"))) << shown.text.toStdString();
    EXPECT_EQ(frmOrder::Instance(), w);
    EXPECT_FALSE(w->Order()->ColValueBool(QStringLiteral("Completato")));
    EXPECT_TRUE(data->engine().InTransaction());
    EXPECT_EQ(date->text(), QStringLiteral("31/02/2024"));
    EXPECT_EQ(QApplication::focusWidget(), date);
    EXPECT_TRUE(w->Widgets().cmdConfirm->isEnabled());

    // Mended, the order is confirmed with its date.
    date->setText(QStringLiteral("28/02/2024"));
    boxes->answer(core::kAnswerNo);  // "Inserire un altro ordine ?"
    w->cmdConfirm_Click();
    EXPECT_TRUE(boxes->lastText().startsWith(QStringLiteral("ORDINE CONFERMATO")));
    auto order = data->db().OpenDataSource(QStringLiteral("Ordini"));
    order->RowFirst();
    EXPECT_EQ(order->FormattedColValue(QStringLiteral("DataRichiestaConsegna")),
              QStringLiteral("28/02/2024"));

    // The row editor: letters in the quantity.
    w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(QStringLiteral("ART1"), 3);
    w->Refresh_Articoli();
    bool saved = true;
    QLineEdit* quantity = nullptr;
    player->dialog = [&](QDialog& d) {
        auto* editor = qobject_cast<controls::RowEditor*>(&d);
        if (!editor) return false;
        quantity = qobject_cast<QLineEdit*>(editor->panel()->Editor(QStringLiteral("QuantitàOrdine")));
        if (!quantity) return false;
        quantity->setText(QStringLiteral("tre"));
        saved = editor->Save();
        EXPECT_EQ(editor->focusWidget(), quantity);
        EXPECT_EQ(quantity->text(), QStringLiteral("tre"));
        return false;
    };
    boxes->clear();
    w->Widgets().dgRighe->setCurrentIndex(w->Widgets().dgRighe->model()->index(0, 0));
    w->cmdEditRow_Click();
    ASSERT_NE(quantity, nullptr);
    EXPECT_FALSE(saved);
    EXPECT_TRUE(boxes->lastText().contains(QStringLiteral("tre"))) << boxes->lastText().toStdString();
    w->Rows()->RowFirst();
    EXPECT_EQ(w->Rows()->ColValueNum(QStringLiteral("QuantitàOrdine")), 3.0);
}

namespace {

// Adds articles as a promotion's elements are added: no prompt.
void addRows(frmOrder& w, std::initializer_list<const char*> codes) {
    for (const char* code : codes) w.AddElementByCode(QString::fromLatin1(code), 0, {}, {}, true);
    w.Refresh_Articoli();
}

QPoint cellCentre(controls::DataGrid& grid, int row, int column) {
    return grid.visualRect(grid.model()->index(row, column)).center();
}

}  // namespace

// The quick list goes once the agent leaves the code box or the list; the
// arrows then move in the grid, also before the list's timer has run.
TEST_F(OrderWindowTest, TheQuickListGoesWhenTheFocusLeavesAndTheGridKeepsItsArrows) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    addRows(*w, {"ART1", "ART2", "ART3"});
    activate(w);
    QListWidget* list = w->Widgets().lstHelp_ArticoliLib;
    controls::DataGrid* grid = w->Widgets().dgRighe;
    for (bool fromList : {false, true}) {
        SCOPED_TRACE(fromList);
        w->Widgets().txtCode_Articolo->setFocus();
        QTest::keyClicks(w->Widgets().txtCode_Articolo, QStringLiteral("Ma"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }));
        if (fromList) {
            list->setFocus();
            QTest::qWait(200);  // the tick puts the focus back into the box; the list stays
            EXPECT_TRUE(list->isVisible());
            list->setFocus();
        }
        const int listRow = list->currentRow();
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(*grid, 2, 1));
        ASSERT_EQ(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_Up);
        EXPECT_EQ(grid->currentIndex().row(), 1);
        EXPECT_EQ(list->currentRow(), listRow);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !list->isVisible(); }));
        QTest::keyClick(grid, Qt::Key_Up);
        EXPECT_EQ(grid->currentIndex().row(), 0);
        QTest::keyClick(grid, Qt::Key_Down);
        EXPECT_EQ(grid->currentIndex().row(), 1);
        w->Widgets().txtCode_Articolo->clear();
    }
    w->cmdCancel_Click();
}

// Whenever the code box gets the focus its whole text is selected, so the
// next code typed replaces it; the window coming back to front leaves the
// text as it stands (a reader may be half-way through a code).
TEST_F(OrderWindowTest, TheCodeBoxSelectsItsWholeTextWheneverItGetsTheFocus) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    addRows(*w, {"ART1"});
    activate(w);
    QLineEdit* box = w->Widgets().txtCode_Articolo;
    controls::DataGrid* grid = w->Widgets().dgRighe;
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("ART"));
    EXPECT_EQ(box->selectedText(), QString());

    const std::function<void()> ways[] = {
        [&] { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2)); },
        [&] { box->setFocus(Qt::TabFocusReason); },
        [&] { box->setFocus(); },
    };
    for (size_t i = 0; i < std::size(ways); ++i) {
        SCOPED_TRACE(i);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(*grid, 0, 1));
        ASSERT_EQ(QApplication::focusWidget(), grid);
        ways[i]();
        ASSERT_EQ(QApplication::focusWidget(), box);
        EXPECT_EQ(box->selectedText(), QStringLiteral("ART"));
    }
    // A click in the box that has the focus places the cursor as usual.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
    EXPECT_EQ(box->selectedText(), QString());
    // "##" is selected for the code that follows.
    w->Widgets().cmdSpecialCode->click();
    EXPECT_EQ(box->selectedText(), QStringLiteral("##"));
    QTest::keyClicks(box, QStringLiteral("AB"));
    activate(&owner);
    activate(w);
    EXPECT_EQ(QApplication::focusWidget(), box);
    EXPECT_EQ(box->selectedText(), QString());
    EXPECT_EQ(box->text(), QStringLiteral("AB"));
    box->clear();
    w->cmdCancel_Click();
}

// "Annullamento in corso..." shows the rows going on its bar; a stop
// confirmed there leaves the order whole and open.
TEST_F(OrderWindowTest, CancellingShowsTheDeleteOnTheProgressBarAndAStopKeepsTheOrder) {
    for (bool stop : {true, false}) {
        SCOPED_TRACE(stop);
        frmOrder* w = frmOrder::Instance() ? frmOrder::Instance() : startOrder();
        ASSERT_NE(w, nullptr);
        if (w->Rows()->DataEmpty()) addRows(*w, {"ART1", "ART2", "ART3"});
        ASSERT_EQ(w->Rows()->RowCount(), 3);
        long maximum = 0, last = 0;
        QString message;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!startup::frmMessage::IsLoaded()) return;
            auto* msg = startup::frmMessage::instance();
            if (!msg->pbNotify()->isVisible()) return;
            message = msg->lblMessage()->text();
            maximum = msg->pbNotify()->maximum();
            last = std::max<long>(last, msg->pbNotify()->value());
            if (stop && !msg->Stopped()) msg->cmdStop()->click();
        });
        watch.start();
        boxes->answer(core::kAnswerYes);  // "VUOI ANNULLARE L'INTERO ORDINE ?"
        if (stop)
            boxes->answer(core::kAnswerYes);  // "Confermi l'interruzione ?"
        else
            boxes->answer(core::kAnswerNo);  // "Continuare con un nuovo ordine ?"
        QTest::mouseClick(w->Widgets().cmdCancel, Qt::LeftButton);
        watch.stop();
        EXPECT_EQ(message, QStringLiteral("Annullamento in corso..."));
        EXPECT_EQ(maximum, 4);  // three rows and the order
        if (stop) {
            EXPECT_EQ(last, 1);
            ASSERT_EQ(frmOrder::Instance(), w);
            EXPECT_TRUE(w->HasOpenOrder());
            EXPECT_EQ(w->Rows()->RowCount(), 3);
            EXPECT_EQ(count("RigheOrdini"), 3);
            EXPECT_TRUE(data->engine().InTransaction());
            EXPECT_TRUE(w->isEnabled());
        } else {
            EXPECT_EQ(last, 4);
            EXPECT_EQ(frmOrder::Instance(), nullptr);
            EXPECT_EQ(count("Ordini"), 0);
            EXPECT_EQ(count("RigheOrdini"), 0);
            EXPECT_FALSE(data->engine().InTransaction());
        }
    }
}

// The check mark of "Imposta sequenza campi..." says whether a sequence is
// stored, whatever the command did.
TEST_F(OrderWindowTest, TheSequenceCheckMarkAlwaysTellsWhetherASequenceIsStored) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    addRows(*w, {"ART1"});
    QAction* mark = w->Widgets().mnuGridSetting->mnuGridFldSequence();
    auto* settings = w->GridSettings();
    for (bool stored : {false, true}) {
        SCOPED_TRACE(stored);
        settings->SetFieldSequence(stored ? QStringLiteral("Codice,QuantitàOrdine") : QString());
        w->Refresh_Articoli();
        w->Widgets().mnuGridSetting->ShowStoredSequence();
        ASSERT_EQ(mark->isChecked(), stored);
        // The dialog cancelled.
        player->dialog = [](QDialog&) { return false; };
        mark->trigger();
        EXPECT_EQ(mark->isChecked(), stored);
        // The restore question answered No.
        boxes->answer(core::kAnswerNo);
        w->Widgets().mnuGridSetting->mnuGridCancel()->trigger();
        EXPECT_EQ(mark->isChecked(), stored);
        // The grid hidden: the command does nothing.
        w->Widgets().dgRighe->hide();
        mark->trigger();
        EXPECT_EQ(mark->isChecked(), stored);
        w->Widgets().dgRighe->show();
        // Every field for now: the sequence stays stored.
        w->Widgets().mnuGridSetting->mnuGridFldAll()->trigger();
        EXPECT_EQ(mark->isChecked(), stored);
    }
}

// With no sequence stored the rows grid shows first what the agent works
// with, every column as wide as its caption and its contents; a stored
// sequence and stored widths win.
TEST_F(OrderWindowTest, TheRowsGridShowsFirstWhatTheAgentWorksWithAndReadsWhole) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    addRows(*w, {"ART1", "ART2"});
    controls::DataGrid* grid = w->Widgets().dgRighe;
    controls::DataGridModel* model = grid->gridModel();
    const QStringList first = {
        "PosizioneRiga",     "Codice",        "DescrizioneRiga",   "QuantitàOrdine", "PrezzoVendita",
        "PercentualeSconto", "ImportoSconto", "ImportoImponibile", "ImportoTotale",  "Promozione"};
    QStringList shown;
    for (int c = 0; c < model->columnCount(); ++c) shown << model->fieldOf(c);
    EXPECT_EQ(shown.mid(0, first.size()), first);
    EXPECT_TRUE(shown.contains(QStringLiteral("QuantitàEvasa")));
    EXPECT_EQ(shown.removeDuplicates(), 0);

    const QFontMetrics metrics(grid->font());
    const int description = model->columnOf(QStringLiteral("DescrizioneRiga"));
    EXPECT_GE(grid->columnWidth(description),
              metrics.horizontalAdvance(QStringLiteral("Martello da carpentiere")));
    for (int c = 0; c < model->columnCount(); ++c) {
        SCOPED_TRACE(model->fieldOf(c).toStdString());
        EXPECT_GE(grid->columnWidth(c), metrics.horizontalAdvance(model->fieldOf(c)));
        EXPECT_LE(grid->columnWidth(c), grid->MaxContentWidth());
    }

    // "Visualizza tutti i campi" shows every field; a stored sequence and a
    // stored width win.
    w->Widgets().mnuGridSetting->mnuGridFldAll()->trigger();
    EXPECT_EQ(model->columnCount(), shown.size());
    w->GridSettings()->SetFieldSequence(QStringLiteral("QuantitàOrdine,Codice"));
    w->GridSettings()->SetColumnWidth(QStringLiteral("Codice"), 3000);
    w->Refresh_Articoli();
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->fieldOf(0), QStringLiteral("QuantitàOrdine"));
    const int perPixel = int(std::lround(1440.0 / grid->screen()->logicalDotsPerInchX()));
    EXPECT_EQ(grid->columnWidth(1), int(std::lround(3000.0 / perPixel)));
    w->cmdCancel_Click();
}

// A column sized to its contents grows when a longer value comes into view:
// a long code among the first rows of a long order, read with the grid on
// its last rows, is whole once the agent scrolls up to it.
TEST_F(OrderWindowTest, TheRowsGridsCodeColumnGrowsForALongerCodeScrolledTo) {
    const QString longCode = QStringLiteral("UTE0000123456789");
    auto articles = data->db().OpenDataSource(QStringLiteral("Articoli"));
    const auto article = [&](const QString& code) {
        articles->InsertFromPairs({V("Codice"), core::Variant(code), V("Descrizione"),
                                   core::Variant(QStringLiteral("Articolo ") + code), V("PrezzoBase"),
                                   core::Variant(1.0)});
    };
    article(longCode);
    for (int i = 0; i < 80; ++i) article(QStringLiteral("B%1").arg(i, 2, 10, QLatin1Char('0')));
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    w->AddElementByCode(longCode, 0, {}, {}, true);
    for (int i = 0; i < 80; ++i)
        w->AddElementByCode(QStringLiteral("B%1").arg(i, 2, 10, QLatin1Char('0')), 0, {}, {}, true);
    w->Refresh_Articoli();
    activate(w);
    controls::DataGrid* grid = w->Widgets().dgRighe;
    const int codice = grid->gridModel()->columnOf(QStringLiteral("Codice"));
    const int needed = QFontMetrics(grid->font()).horizontalAdvance(longCode);
    ASSERT_LT(grid->columnWidth(codice), needed);  // the last rows hold short codes only
    grid->scrollToTop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return grid->columnWidth(codice) >= needed; }))
        << grid->columnWidth(codice) << " < " << needed;
    // Back on the last rows the column stays as wide.
    const int grown = grid->columnWidth(codice);
    grid->scrollToBottom();
    QTest::qWait(50);
    EXPECT_EQ(grid->columnWidth(codice), grown);
    w->cmdCancel_Click();
}

// "ORDINE - MODIFICA" lays its panels out as a new order does: the article
// column on the left as wide, the rows grid where it stands in a new order.
TEST_F(OrderWindowTest, AnOrderOpenedForEditingIsLaidOutAsANewOrder) {
    // Started as the main window starts it: shown, and the order begun once
    // the window is active.
    pickNext(QStringLiteral("Codice"), QStringLiteral("C1"));
    QPointer<frmOrder> started = frmOrder::NewOrder(&owner);
    started->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return started && started->HasOpenOrder(); }));
    frmOrder* w = started;
    w->AddElementByCode(QStringLiteral("ART1"), 0, {}, {}, true);
    w->Refresh_Articoli();
    activate(w);
    const auto layoutOf = [](frmOrder& order) {
        const orders::ui::OrderWidgets& c = order.Widgets();
        return QList<QRect>{c.txtCode_Articolo->geometry(), c.cboSelPromoKit->geometry(),
                            c.dgCategorie->geometry(), c.dgRighe->geometry()};
    };
    // The layout is read once it has settled: on a busy machine (the
    // sanitizer build) the window's last resize comes late.
    const auto settled = [&](frmOrder& order) {
        QList<QRect> last = layoutOf(order);
        (void)QTest::qWaitFor(
            [&] {
                QTest::qWait(100);
                const QList<QRect> now = layoutOf(order);
                return std::exchange(last, now) == now;
            },
            5000);
        return last;
    };
    const QList<QRect> asNew = settled(*w);
    const QSize size = w->size();
    const qint64 oid = w->Order()->OID();
    boxes->answer(core::kAnswerNo);
    w->cmdConfirm_Click();
    QApplication::processEvents();
    ASSERT_EQ(frmOrder::Instance(), nullptr);

    auto view = data->db().OpenDataSource(QStringLiteral("Ordini"));
    ASSERT_TRUE(view->MoveToKey(core::Variant(double(oid))));
    w = frmOrder::Edit_Ordine(&owner, view);
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(w->size(), size);
    activate(w);
    (void)QTest::qWaitFor([&] { return layoutOf(*w) == asNew; }, 5000);
    EXPECT_EQ(settled(*w), asNew);
    w->cmdCancel_Click();
}

// At 1366x768, maximised and at the window's default size, every total is in
// view, "Importo Totale" included.
TEST_F(OrderWindowTest, EveryTotalIsInViewAt1366x768) {
    frmOrder* w = startOrder();
    ASSERT_NE(w, nullptr);
    addRows(*w, {"ART1"});
    const QRect screen(0, 0, 1366, 768);
    const QSize defaultSize = frmOrder::DefaultSize(screen);
    EXPECT_LE(defaultSize.height() + 40, screen.height());
    // Maximised: the screen less the window manager's title and borders.
    for (const QSize size : {QSize(1366, 736), defaultSize}) {
        SCOPED_TRACE(size.height());
        w->resize(size);
        QApplication::processEvents();
        ASSERT_EQ(w->size(), size);
        controls::DataPanel* totals = w->Widgets().DataPanelTotal;
        ASSERT_TRUE(totals->Fields().contains(QStringLiteral("ImportoTotale")));
        for (const QString& field : totals->Fields()) {
            SCOPED_TRACE(field.toStdString());
            QWidget* editor = totals->Editor(field);
            ASSERT_TRUE(editor->isVisible());
            const QRect inWindow(editor->mapTo(w, QPoint(0, 0)), editor->size());
            EXPECT_TRUE(w->rect().contains(inWindow));
            // Not scrolled away in its panel.
            QWidget* viewport = editor->parentWidget();
            while (viewport && !qobject_cast<QAbstractScrollArea*>(viewport->parentWidget()))
                viewport = viewport->parentWidget();
            ASSERT_NE(viewport, nullptr);
            const QRect inView(editor->mapTo(viewport, QPoint(0, 0)), editor->size());
            EXPECT_TRUE(viewport->rect().contains(inView));
        }
    }
    w->cmdCancel_Click();
}
