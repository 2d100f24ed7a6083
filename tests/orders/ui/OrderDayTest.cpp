// A day of orders through the real window: cancelling after the main view
// read the order again never ends the program, and an error no window trapped
// is shown while the program goes on.

#include "OrderWindowFixture.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "core/RaiseError.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/ui/ErrorWindow.h"

#include <QPushButton>

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
            w->dgRighe()->setFocus();
            w->dgRighe()->setCurrentIndex(w->dgRighe()->model()->index(2, 0));
            QTest::keyClick(w->dgRighe(), Qt::Key_F10);
            EXPECT_EQ(w->Rows()->RowCount(), c == RowsLeft ? 1 : 0);
        }
        if (c != WholePromotionDeleted) {
            boxes->answer(core::kAnswerYes);  // "VUOI ANNULLARE L'INTERO ORDINE ?"
            boxes->answer(core::kAnswerNo);   // "Continuare con un nuovo ordine ?"
        }
        QTest::mouseClick(w->cmdCancel(), Qt::LeftButton);
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
    QPushButton raising(QStringLiteral("Prova"), w);
    QObject::connect(&raising, &QPushButton::clicked, [] {
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
    QObject::connect(&raising, &QPushButton::clicked, [] {
        throw core::AppError(1, QStringLiteral("Prova"), QStringLiteral("Rifiuto"), true);
    });
    boxes->clear();
    QTest::mouseClick(&raising, Qt::LeftButton);
    EXPECT_TRUE(boxes->shown().empty());
    platform::GuardedApplication::setExceptionHandler({});
}
