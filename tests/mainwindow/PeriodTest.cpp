// The period menu of the main window: captions, cancels and the rows a
// period keeps, through the real commands and data library.

#include "CommandsFixture.h"

#include "controls/MubCommand.h"
#include "core/Clock.h"
#include "startup/ui/frmFromDateToDate.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <functional>

using namespace mainwindow;
using mwtest::CommandsTest;

namespace {

core::Variant at(int y, int m, int d, int h = 0, int min = 0) {
    return core::Variant(core::Date::fromParts(y, m, d, h, min, 0));
}

}  // namespace

TEST(PeriodCaptions, TheFourCases) {
    PeriodState s;
    s.dtSelDate = QDate(2004, 3, 5);
    s.dtSelFrom = QDate(2004, 3, 1);
    s.dtSelTo = QDate(2004, 3, 31);
    struct Case {
        bool date, month, period;
        const char* caption;
        const char* tip;
        const char* menu;
    } const cases[] = {
        {false, false, false, "< tutto il periodo >", "Nessuna selezione per Data Inserimento",
         "Seleziona per Data Inserimento"},
        {true, false, false, "Filtro Periodo < 05 mar 2004 >",
         "Dati del giorno 05/03/2004 relativi a Data Inserimento",
         "Solo in data Filtro Periodo < 05 mar 2004 >"},
        {false, true, false, "Filtro Periodo < marzo 2004 >",
         "Dati del mese 03/2004 relativi a Data Inserimento", "Solo in data Filtro Periodo < marzo 2004 >"},
        {false, false, true, "< 01 mar 2004 - 31 mar 2004 >",
         "Dati del periodo < 01/03/2004 - 31/03/2004 > relativi a Data Inserimento",
         "Solo in data < 01 mar 2004 - 31 mar 2004 >"},
    };
    for (const Case& c : cases) {
        s.bSelDate = c.date;
        s.bSelMonth = c.month;
        s.bSelPeriod = c.period;
        const PeriodTexts t = PeriodCaptions(s, "Data Inserimento");
        EXPECT_EQ(t.caption, QString::fromUtf8(c.caption));
        EXPECT_EQ(t.toolTip, QString::fromUtf8(c.tip));
        EXPECT_EQ(t.menuCaption, QString::fromUtf8(c.menu));
    }
    s.bSelDate = s.bSelMonth = s.bSelPeriod = false;
    EXPECT_EQ(PeriodCaptions(s, QString()).menuCaption, "Seleziona per ");
}

TEST_F(CommandsTest, PeriodsNarrowTheOrdersAndCancelsChangeNothing) {
    addAgent("A1");
    addCustomer("C1", "Rossi", "A1");
    // Orders written at 00:00 of 1 March, 23:59 of 31 March and on 1 April,
    // stored as head office's data are (the order rules do not run).
    db->BeginUpdate();
    for (const core::Variant& when : {at(2004, 3, 1), at(2004, 3, 31, 23, 59), at(2004, 4, 1)})
        insert("Ordini", {v("Cliente"), v("C1"), v("Agente"), v("A1"), v("DataInserimento"), when});
    db->EndUpdate();
    openView("Ordini");
    show();
    ASSERT_EQ(browser->CurrentDataSource()->RowCount(), 3);
    EXPECT_EQ(browser->Widgets().cmdDateSel->text(), "< tutto il periodo >");

    // A range over March keeps the order at 23:59 of its last day.
    MainCommands::SetRangeDialog([](QDate& from, QDate& to) {
        from = QDate(2004, 3, 1);
        to = QDate(2004, 3, 31);
        return true;
    });
    commands->mnuSelPeriod_Click();
    EXPECT_EQ(browser->CurrentDataSource()->RowCount(), 2);
    EXPECT_TRUE(commands->Menu("mnuSelPeriod")->isChecked());
    EXPECT_FALSE(commands->Menu("mnuSelAll")->isChecked());
    EXPECT_EQ(browser->Widgets().cmdDateSel->text(), "< 01 mar 2004 - 31 mar 2004 >");

    // Cancelling the range dialog, now that dates are set, keeps everything.
    auto shown = browser->CurrentDataSource();
    MainCommands::SetRangeDialog([](QDate& from, QDate& to) {
        from = QDate(2004, 4, 1);  // what a dialog may have touched before its cancel
        to = QDate(2004, 4, 30);
        return false;
    });
    commands->mnuSelPeriod_Click();
    EXPECT_EQ(browser->CurrentDataSource(), shown);  // no rebuild
    EXPECT_EQ(periodState().dtSelFrom, QDate(2004, 3, 1));
    EXPECT_TRUE(periodState().bSelPeriod);

    // The day: 31 March keeps the 23:59 order only.
    MainCommands::SetDateDialog([](const QDate&) { return QDate(2004, 3, 31); });
    commands->mnuSelDate_Click();
    EXPECT_EQ(browser->CurrentDataSource()->RowCount(), 1);
    EXPECT_EQ(browser->Widgets().cmdDateSel->text(), "Filtro Periodo < 31 mar 2004 >");

    // A cancelled date dialog keeps the day.
    shown = browser->CurrentDataSource();
    MainCommands::SetDateDialog([](const QDate&) { return QDate(); });
    commands->mnuSelMonth_Click();
    EXPECT_EQ(browser->CurrentDataSource(), shown);
    EXPECT_TRUE(periodState().bSelDate);
    EXPECT_FALSE(periodState().bSelMonth);

    // The month of any of its days.
    MainCommands::SetDateDialog([](const QDate&) { return QDate(2004, 4, 17); });
    commands->mnuSelMonth_Click();
    EXPECT_EQ(browser->CurrentDataSource()->RowCount(), 1);
    EXPECT_EQ(browser->Widgets().cmdDateSel->text(), "Filtro Periodo < aprile 2004 >");

    // All data again; a second "Tutti" rebuilds nothing.
    commands->mnuSelAll_Click();
    EXPECT_EQ(browser->CurrentDataSource()->RowCount(), 3);
    shown = browser->CurrentDataSource();
    commands->mnuSelAll_Click();
    EXPECT_EQ(browser->CurrentDataSource(), shown);
    EXPECT_TRUE(commands->Menu("mnuSelAll")->isChecked());
}

// The period button is as wide as its caption, whichever period it names;
// the section's title beside it ends before it.
TEST_F(CommandsTest, ThePeriodButtonHoldsItsWholeCaption) {
    openView("Ordini");
    show();
    QPushButton* button = browser->Widgets().cmdDateSel;
    struct Case {
        const char* period;
        std::function<void()> choose;
    } const cases[] = {
        {"range",
         [&] {
             MainCommands::SetRangeDialog([](QDate& from, QDate& to) {
                 from = QDate(2026, 10, 28);
                 to = QDate(2026, 11, 30);
                 return true;
             });
             commands->mnuSelPeriod_Click();
         }},
        {"day",
         [&] {
             MainCommands::SetDateDialog([](const QDate&) { return QDate(2026, 11, 2); });
             commands->mnuSelDate_Click();
         }},
        {"all", [&] { commands->mnuSelAll_Click(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        c.choose();
        QApplication::processEvents();
        ASSERT_TRUE(button->isVisible());
        EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString();
        EXPECT_LE(browser->Widgets().lblTitle[1]->geometry().right(), button->geometry().left());
        EXPECT_LE(button->geometry().right(), browser->Widgets().workArea->width());
    }
    MainCommands::SetRangeDialog({});
    MainCommands::SetDateDialog({});
}

// "Imposta Periodo..." through the real "Selezione Periodo": a period that
// ends before it starts is refused with its message, the dialog stays, and
// leaving it changes neither the period nor the view.
TEST_F(CommandsTest, APeriodEndingBeforeItStartsIsRefused) {
    addAgent("A1");
    addCustomer("C1", "Rossi", "A1");
    db->BeginUpdate();
    insert("Ordini", {v("Cliente"), v("C1"), v("Agente"), v("A1"), v("DataInserimento"), at(2004, 3, 5)});
    db->EndUpdate();
    openView("Ordini");
    show();
    const auto shown = browser->CurrentDataSource();
    platform::ScriptedBoxes boxes;
    bool played = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<startup::frmFromDateToDate*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        for (QLineEdit* box : {d->txtFromDate(), d->txtToDate()}) box->clear();
        QTest::keyClicks(d->txtFromDate(), "31/03/2004");
        QTest::keyClicks(d->txtToDate(), "01/03/2004");
        QTest::mouseClick(d->cmdSet(), Qt::LeftButton);
        played = d->isVisible();
        QTest::keyClick(d, Qt::Key_Escape);
    });
    commands->mnuSelPeriod_Click();
    EXPECT_TRUE(played);  // still open after the refusal
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.lastText().startsWith("Il periodo impostato non è corretto"))
        << boxes.lastText().toStdString();
    EXPECT_FALSE(periodState().bSelPeriod);
    EXPECT_TRUE(commands->Menu("mnuSelAll")->isChecked());
    EXPECT_EQ(browser->CurrentDataSource(), shown);
    EXPECT_EQ(browser->Widgets().cmdDateSel->text(), "< tutto il periodo >");
    periodState() = PeriodState();
}
