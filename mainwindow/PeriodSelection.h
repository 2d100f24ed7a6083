#pragma once
// The period that limits every data view with a date column: all data, one
// day, one month or a range of days. The state lasts for the run (each start
// shows all data); the period commands change it, the view building reads it.

#include <QDate>
#include <QString>

namespace datalib {
class Database;
}

namespace mainwindow {

struct PeriodState {
    bool bSelDate = false;    // the reference day only
    bool bSelMonth = false;   // the month of the reference date
    bool bSelPeriod = false;  // from dtSelFrom to dtSelTo, both included
    QDate dtSelDate;          // the reference date
    QDate dtSelFrom;          // null while never set
    QDate dtSelTo;
    bool none() const { return !bSelDate && !bSelMonth && !bSelPeriod; }
};

// The state of the run (the main window's load resets it: today, all data).
PeriodState& periodState();
void ResetPeriodState();

// What SetPeriodSelectionCaption writes: the caption and tooltip of the
// period button and the caption of the period menu.
struct PeriodTexts {
    QString caption;
    QString toolTip;
    QString menuCaption;
};
PeriodTexts PeriodCaptions(const PeriodState& state, const QString& columnCaption);

// The condition the view adds on its date column for the period; empty for
// all data, a range with an end not set, or no date column. The day and the
// range end before the day after (so a whole last day is in).
QString PeriodCondition(const PeriodState& state, const QString& dateColumn, const datalib::Database& db);

}  // namespace mainwindow
