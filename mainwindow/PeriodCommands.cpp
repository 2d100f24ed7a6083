// The period menu, with the dialogs the dates are asked in, and the filter
// commands.

#include "mainwindow/MainCommands.h"

#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "datalib/Relations.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/PeriodSelection.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/frmDateSetting.h"
#include "startup/ui/frmFromDateToDate.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>

#include <utility>

namespace mainwindow {

namespace {

std::function<QDate(const QDate&)>& dateDialog() {
    static std::function<QDate(const QDate&)> dialog;
    return dialog;
}

std::function<bool(QDate&, QDate&)>& rangeDialog() {
    static std::function<bool(QDate&, QDate&)> dialog;
    return dialog;
}

QDate askDate(const QDate& initial, QWidget* owner) {
    if (dateDialog()) return dateDialog()(initial);
    startup::frmDateSetting dialog(owner);
    return dialog.SetDate(initial, -1, -1);
}

bool askRange(QDate& from, QDate& to, QWidget* owner) {
    if (rangeDialog()) return rangeDialog()(from, to);
    startup::frmFromDateToDate dialog(owner);
    return dialog.SetDate(from, to, -1, -1);
}

}  // namespace

void MainCommands::SetDateDialog(std::function<QDate(const QDate&)> dialog) {
    dateDialog() = std::move(dialog);
}
void MainCommands::SetRangeDialog(std::function<bool(QDate&, QDate&)> dialog) {
    rangeDialog() = std::move(dialog);
}

// ---- Periods and filters ----------------------------------------------------------------------------

void MainCommands::SetPeriodSelectionCaption() {
    const PeriodState& s = periodState();
    Menu(QStringLiteral("mnuSelAll"))->setChecked(s.none());
    Menu(QStringLiteral("mnuSelDate"))->setChecked(s.bSelDate);
    Menu(QStringLiteral("mnuSelMonth"))->setChecked(s.bSelMonth);
    Menu(QStringLiteral("mnuSelPeriod"))->setChecked(s.bSelPeriod);
    const QString column = browser_->Widgets().cmdDateSel->property("Tag").toString();
    const PeriodTexts texts =
        PeriodCaptions(s, column.isEmpty() ? QString() : datalib::SplitAtCapitals(column));
    QPushButton* button = browser_->Widgets().cmdDateSel;
    button->setText(texts.caption);
    button->setToolTip(texts.toolTip);
    // The button grows and shrinks with its caption, the title beside it too.
    if (button->isVisible() && button->width() != browser_->DateSelWidth())
        browser_->ArrangeMainWindow(browser_->SplitterPosition());
    mnuSelection_->setTitle(texts.menuCaption);
    // The button of a view with a date column is always usable (the empty
    // state of a heading disables it, and nothing else enabled it again).
    const bool dated = !column.isEmpty();
    mnuSelection_->menuAction()->setVisible(dated);
    if (dated) browser_->Widgets().cmdDateSel->setEnabled(true);
}

void MainCommands::periodChanged() {
    SetPeriodSelectionCaption();
    startup::SaveConfigurationOfRun();
    browser_->RefreshDetailView();
}

void MainCommands::mnuSelAll_Click() {
    PeriodState& s = periodState();
    if (s.none()) {
        SetPeriodSelectionCaption();  // the click must not take the check away
        return;
    }
    s.bSelDate = s.bSelMonth = s.bSelPeriod = false;
    periodChanged();
}

void MainCommands::mnuSelDate_Click() { dayOrMonth(false); }

void MainCommands::mnuSelMonth_Click() { dayOrMonth(true); }

// The day and the month ask the same date; only the flag they set differs.
void MainCommands::dayOrMonth(bool month) {
    PeriodState& s = periodState();
    const QDate d = askDate(s.dtSelDate, window_);
    if (!d.isValid()) {
        SetPeriodSelectionCaption();
        return;
    }
    s.dtSelDate = d;
    s.bSelDate = !month;
    s.bSelMonth = month;
    s.bSelPeriod = false;
    periodChanged();
}

void MainCommands::mnuSelPeriod_Click() {
    PeriodState& s = periodState();
    QDate from = s.dtSelFrom;
    QDate to = s.dtSelTo;
    // Only a confirmed dialog changes the period, also once dates were set.
    if (!askRange(from, to, window_) || !from.isValid() || !to.isValid()) {
        SetPeriodSelectionCaption();
        return;
    }
    s.dtSelFrom = from;
    s.dtSelTo = to;
    s.bSelPeriod = true;
    s.bSelDate = s.bSelMonth = false;
    periodChanged();
}

void MainCommands::mnuFilterComplex_Click() {
    browser_->Widgets().tmFunc->setProperty("Tag", QStringLiteral("mnuFilterComplex"));
    browser_->Widgets().tmFunc->start();
}

void MainCommands::mnuFilterCancel_Click() { browser_->Widgets().MubShortSearch->CancelFilter(); }

}  // namespace mainwindow
