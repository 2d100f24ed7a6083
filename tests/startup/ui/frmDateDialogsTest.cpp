#include "startup/ui/frmDateSetting.h"
#include "startup/ui/frmFromDateToDate.h"

#include "core/Clock.h"
#include "platform/ui/MessageBox.h"
#include "startup/ui/modZeltFormUtility.h"

#include <gtest/gtest.h>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

using namespace startup;

namespace {

// Clicks the cell of a day of the month the calendar shows.
void clickDay(QCalendarWidget* calendar, int day) {
    auto* view = calendar->findChild<QTableView*>();
    ASSERT_NE(view, nullptr);
    const QAbstractItemModel* model = view->model();
    for (int row = 1; row < model->rowCount(); ++row)
        for (int column = 0; column < model->columnCount(); ++column) {
            const QModelIndex index = model->index(row, column);
            if (model->data(index).toInt() != day) continue;
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
            return;
        }
    FAIL() << "day " << day << " not shown";
}

const QDate kToday(2026, 3, 15);

TEST(DateSetting, ConfirmCancelAndToday) {
    core::FixedClock clock(2026, 3, 15);
    frmDateSetting dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Impostazione della data"));

    // No initial date: today; the button confirms the day shown.
    dialog.Prepare(QDate(), -1, -1);
    dialog.show();
    EXPECT_EQ(dialog.calTimeSetting()->selectedDate(), kToday);
    QTest::mouseClick(dialog.cmdSetting(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Result(), kToday);

    // Enter (or a double click) on a day confirms that day.
    dialog.Prepare(QDate(2024, 2, 29), -1, -1);
    dialog.show();
    EXPECT_EQ(dialog.calTimeSetting()->selectedDate(), QDate(2024, 2, 29));
    auto* view = dialog.calTimeSetting()->findChild<QTableView*>();
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(dialog.Result(), QDate(2024, 3, 1));

    // Esc cancels: an empty result.
    dialog.Prepare(QDate(2024, 2, 29), -1, -1);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.Result().isValid());
}

TEST(DateSetting, ModalCallReturnsTheChosenDate) {
    frmDateSetting dialog;
    QTimer::singleShot(0, &dialog, [&dialog] {
        clickDay(dialog.calTimeSetting(), 20);
        QTest::mouseClick(dialog.cmdSetting(), Qt::LeftButton);
    });
    EXPECT_EQ(dialog.SetDate(QDate(2025, 7, 1)), QDate(2025, 7, 20));

    QTimer::singleShot(0, &dialog, [&dialog] { QTest::keyClick(&dialog, Qt::Key_Escape); });
    EXPECT_FALSE(dialog.SetDate(QDate(2025, 7, 1)).isValid());
}

TEST(DateSetting, PlacedByTwipsOrCentred) {
    frmDateSetting dialog;
    dialog.Prepare(QDate(), PixelsToTwips(100, &dialog), -1);
    const QRect desk = dialog.screen()->geometry();
    EXPECT_EQ(dialog.y(), 100);
    EXPECT_NEAR(dialog.x(), desk.x() + (desk.width() - dialog.frameGeometry().width()) / 2.0, 1);
    dialog.Prepare(QDate(), -1, PixelsToTwips(40, &dialog));
    EXPECT_EQ(dialog.x(), 40);
}

class Period : public ::testing::Test {
  protected:
    core::FixedClock clock_{2026, 3, 15};
    frmFromDateToDate dialog_;
};

TEST_F(Period, StartsOnTodayForMissingDates) {
    EXPECT_EQ(dialog_.windowTitle(), QStringLiteral("Selezione Periodo"));
    dialog_.Prepare(QDate(), QDate(2026, 4, 30), -1, -1);
    EXPECT_EQ(dialog_.txtFromDate()->text(), QStringLiteral("15/03/2026"));
    EXPECT_EQ(dialog_.calFromData()->selectedDate(), kToday);
    EXPECT_EQ(dialog_.txtToDate()->text(), QStringLiteral("30/04/2026"));
    EXPECT_EQ(dialog_.calToData()->selectedDate(), QDate(2026, 4, 30));
}

TEST_F(Period, CalendarsAndBoxesFollowEachOther) {
    dialog_.Prepare(QDate(2026, 3, 1), QDate(2026, 3, 31), -1, -1);
    dialog_.show();
    dialog_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog_));
    clickDay(dialog_.calToData(), 20);
    EXPECT_EQ(dialog_.txtToDate()->text(), QStringLiteral("20/03/2026"));

    // A valid date typed in a box moves its calendar when the box is left.
    dialog_.txtFromDate()->setFocus();
    dialog_.txtFromDate()->selectAll();
    QTest::keyClicks(dialog_.txtFromDate(), QStringLiteral("5/2/2026"));
    QTest::keyClick(dialog_.txtFromDate(), Qt::Key_Tab);
    EXPECT_EQ(dialog_.calFromData()->selectedDate(), QDate(2026, 2, 5));
    // A text that is no date changes nothing.
    dialog_.txtFromDate()->setFocus();
    dialog_.txtFromDate()->setText(QStringLiteral("31/02/2026"));
    QTest::keyClick(dialog_.txtFromDate(), Qt::Key_Tab);
    EXPECT_EQ(dialog_.calFromData()->selectedDate(), QDate(2026, 2, 5));
}

TEST_F(Period, InvalidDatesAreRefusedAndTheDialogStaysOpen) {
    platform::ScriptedBoxes boxes;
    dialog_.Prepare(QDate(2026, 3, 1), QDate(2026, 3, 31), -1, -1);
    dialog_.show();
    dialog_.txtFromDate()->setText(QStringLiteral("32/01/2026"));
    QTest::mouseClick(dialog_.cmdSet(), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("La data di inizio periodo non è valida."));
    EXPECT_EQ(boxes.shown()[0].style, platform::kCritical);
    EXPECT_TRUE(dialog_.isVisible());

    dialog_.txtFromDate()->setText(QStringLiteral("01/01/2026"));
    dialog_.txtToDate()->setText(QStringLiteral("fine mese"));
    QTest::mouseClick(dialog_.cmdSet(), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, QStringLiteral("La data di fine periodo non è valida."));
    EXPECT_FALSE(dialog_.Confirmed());
    EXPECT_TRUE(dialog_.isVisible());

    // A period that ends before it starts, typed: refused, the end date
    // selected for typing again; the same day at both ends is a period.
    dialog_.txtToDate()->setFocus();
    dialog_.txtToDate()->selectAll();
    QTest::keyClicks(dialog_.txtToDate(), QStringLiteral("31/12/2025"));
    QTest::keyClick(dialog_.txtToDate(), Qt::Key_Return);
    ASSERT_EQ(boxes.shown().size(), 3u);
    EXPECT_EQ(boxes.shown()[2].text,
              QStringLiteral(
                  "Il periodo impostato non è corretto: la data di fine periodo precede quella di inizio."));
    EXPECT_EQ(boxes.shown()[2].style, platform::kCritical);
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_FALSE(dialog_.Confirmed());
    EXPECT_EQ(dialog_.txtToDate()->selectedText(), QStringLiteral("31/12/2025"));
    QTest::keyClicks(dialog_.txtToDate(), QStringLiteral("01/01/2026"));
    QTest::keyClick(dialog_.txtToDate(), Qt::Key_Return);
    EXPECT_EQ(boxes.shown().size(), 3u);
    EXPECT_TRUE(dialog_.Confirmed());
}

TEST_F(Period, ModalCallWritesBackOnlyOnConfirm) {
    QDate from(2026, 3, 1);
    QDate to(2026, 3, 31);
    QTimer::singleShot(0, &dialog_, [this] {
        dialog_.txtFromDate()->setText(QStringLiteral("2/4/26"));
        dialog_.txtToDate()->setText(QStringLiteral("10/04/2026"));
        QTest::mouseClick(dialog_.cmdSet(), Qt::LeftButton);
    });
    EXPECT_TRUE(dialog_.SetDate(from, to));
    EXPECT_EQ(from, QDate(2026, 4, 2));
    EXPECT_EQ(to, QDate(2026, 4, 10));

    QTimer::singleShot(0, &dialog_, [this] {
        dialog_.txtFromDate()->setText(QStringLiteral("01/01/2020"));
        QTest::keyClick(&dialog_, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog_.SetDate(from, to));
    EXPECT_EQ(from, QDate(2026, 4, 2));
    EXPECT_EQ(to, QDate(2026, 4, 10));
}

}  // namespace
