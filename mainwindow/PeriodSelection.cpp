#include "mainwindow/PeriodSelection.h"

#include "core/Date.h"
#include "core/ItalianText.h"
#include "core/Variant.h"
#include "datalib/Database.h"

namespace mainwindow {

namespace {

// "05 mar 2004"
QString dayMonthYear(const QDate& d) {
    return QStringLiteral("%1 %2 %3")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(core::italian::monthName(d.month(), true))
        .arg(d.year());
}

QString numeric(const QDate& d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

QString dateLiteral(const QDate& d, const datalib::Database& db) {
    return db.FormatStringForQuery(core::Variant(core::Date::fromQDate(d)));
}

}  // namespace

PeriodState& periodState() {
    static PeriodState state;
    return state;
}

void ResetPeriodState() {
    periodState() = PeriodState();
    periodState().dtSelDate = QDate::currentDate();
}

PeriodTexts PeriodCaptions(const PeriodState& s, const QString& column) {
    PeriodTexts t;
    if (s.bSelMonth) {
        t.caption = QStringLiteral("Filtro Periodo < %1 %2 >")
                        .arg(core::italian::monthName(s.dtSelDate.month()))
                        .arg(s.dtSelDate.year());
        t.toolTip = QStringLiteral("Dati del mese ") + s.dtSelDate.toString(QStringLiteral("MM/yyyy")) +
                    QStringLiteral(" relativi a ") + column;
        t.menuCaption = QStringLiteral("Solo in data ") + t.caption;
    } else if (s.bSelDate) {
        t.caption = QStringLiteral("Filtro Periodo < ") + dayMonthYear(s.dtSelDate) + QStringLiteral(" >");
        t.toolTip = QStringLiteral("Dati del giorno ") + numeric(s.dtSelDate) +
                    QStringLiteral(" relativi a ") + column;
        t.menuCaption = QStringLiteral("Solo in data ") + t.caption;
    } else if (s.none()) {
        t.caption = QStringLiteral("< tutto il periodo >");
        t.toolTip = QStringLiteral("Nessuna selezione per ") + column;
        t.menuCaption = QStringLiteral("Seleziona per ") + column;
    } else {
        t.caption = QStringLiteral("< ") + dayMonthYear(s.dtSelFrom) + QStringLiteral(" - ") +
                    dayMonthYear(s.dtSelTo) + QStringLiteral(" >");
        t.toolTip = QStringLiteral("Dati del periodo < ") + numeric(s.dtSelFrom) + QStringLiteral(" - ") +
                    numeric(s.dtSelTo) + QStringLiteral(" > relativi a ") + column;
        t.menuCaption = QStringLiteral("Solo in data ") + t.caption;
    }
    return t;
}

QString PeriodCondition(const PeriodState& s, const QString& f, const datalib::Database& db) {
    if (f.isEmpty()) return {};
    if (s.bSelMonth)
        return QStringLiteral("Month(%1) = %2 AND Year(%1) = %3")
            .arg(f)
            .arg(s.dtSelDate.month())
            .arg(s.dtSelDate.year());
    const auto range = [&](const QDate& from, const QDate& to) {
        return QStringLiteral("%1 >= %2 AND %1 < %3")
            .arg(f, dateLiteral(from, db), dateLiteral(to.addDays(1), db));
    };
    if (s.bSelDate && s.dtSelDate.isValid()) return range(s.dtSelDate, s.dtSelDate);
    if (s.bSelPeriod && s.dtSelFrom.isValid() && s.dtSelTo.isValid()) return range(s.dtSelFrom, s.dtSelTo);
    return {};
}

}  // namespace mainwindow
