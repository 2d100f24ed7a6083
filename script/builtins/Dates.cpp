// Date and time functions of the language, with Italian day and month names.

#include "core/Clock.h"
#include "core/ItalianText.h"
#include "script/builtins/Groups.h"

#include <QDate>
#include <cmath>

namespace script::builtins {

using core::Date;
using core::Variant;

namespace {

// An Italian installation starts the week on Monday and counts the first week
// of the year as the first one with four days (vbUseSystem... = 0).
constexpr int kSystemFirstDay = 2;
constexpr int kSystemFirstWeek = 2;

int firstDayArg(Args a, std::size_t i) {
    const std::int32_t first = wholeArg(a, i, 1);
    if (first < 0 || first > 7) raiseError(core::kErrInvalidCall);
    return first == 0 ? kSystemFirstDay : first;
}

int firstWeekArg(Args a, std::size_t i) {
    const std::int32_t first = wholeArg(a, i, 1);
    if (first < 0 || first > 3) raiseError(core::kErrInvalidCall);
    return first == 0 ? kSystemFirstWeek : first;
}

// Position of a day in a week that starts on firstDay (1 = Sunday): 1 to 7.
int weekdayFrom(const QDate& d, int firstDay) {
    const int sunday1 = d.dayOfWeek() % 7 + 1;  // Qt: Monday 1 ... Sunday 7
    return (sunday1 - firstDay + 7) % 7 + 1;
}

// Week of the year by the language's rules (vbFirstJan1, vbFirstFourDays,
// vbFirstFullWeek). A day before the first week belongs to the last week of
// the year before.
int weekOfYear(const QDate& d, int firstDay, int firstWeek) {
    const QDate jan1(d.year(), 1, 1);
    const int offset = weekdayFrom(jan1, firstDay) - 1;  // days of the week before 1 January
    QDate week1 = jan1.addDays(-offset);
    if ((firstWeek == 2 && offset > 3) || (firstWeek == 3 && offset > 0)) week1 = week1.addDays(7);
    if (d < week1) return weekOfYear(QDate(d.year() - 1, 12, 31), firstDay, firstWeek);
    return int(week1.daysTo(d) / 7) + 1;
}

Variant datePartValue(const Variant& v, int (Date::*part)() const) {
    if (v.isNull()) return Variant::null();
    return Variant(std::int16_t((v.toDate().*part)()));
}

Variant fnDate(Args) { return Variant(core::Clock::today()); }
Variant fnTime(Args) { return Variant(core::Clock::time()); }
Variant fnNow(Args) { return Variant(core::Clock::now()); }
Variant fnYear(Args a) { return datePartValue(a[0], &Date::year); }
Variant fnMonth(Args a) { return datePartValue(a[0], &Date::month); }
Variant fnDay(Args a) { return datePartValue(a[0], &Date::day); }
Variant fnHour(Args a) { return datePartValue(a[0], &Date::hour); }
Variant fnMinute(Args a) { return datePartValue(a[0], &Date::minute); }
Variant fnSecond(Args a) { return datePartValue(a[0], &Date::second); }

Variant fnWeekday(Args a) {
    const int first = firstDayArg(a, 1);
    if (a[0].isNull()) return Variant::null();
    return Variant(std::int16_t(weekdayFrom(a[0].toDate().toQDate(), first)));
}

Variant fnWeekdayName(Args a) {
    const std::int32_t n = a[0].toLong();
    const bool abbreviate = given(a, 1) && a[1].toBool();
    const int first = firstDayArg(a, 2);
    if (n < 1 || n > 7) raiseError(core::kErrInvalidCall);
    const int day = (n - 1 + first - 1) % 7;  // 0 = Sunday
    return Variant(core::italian::dayName(day + 1, abbreviate));
}

Variant fnMonthName(Args a) {
    const std::int32_t n = a[0].toLong();
    const bool abbreviate = given(a, 1) && a[1].toBool();
    if (n < 1 || n > 12) raiseError(core::kErrInvalidCall);
    return Variant(core::italian::monthName(n, abbreviate));
}

Variant fnDateSerial(Args a) {
    return Variant(Date::dateSerial(a[0].toInteger(), a[1].toInteger(), a[2].toInteger()));
}

Variant fnTimeSerial(Args a) {
    return Variant(Date::timeSerial(a[0].toInteger(), a[1].toInteger(), a[2].toInteger()));
}

Variant fnDateValue(Args a) {
    if (a[0].isNull()) return Variant::null();
    return Variant(a[0].toDate().datePart());
}

Variant fnTimeValue(Args a) {
    if (a[0].isNull()) return Variant::null();
    return Variant(a[0].toDate().timePart());
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval intervalArg(const Variant& v) {
    const QString s = v.toString().toLower();
    if (s == u"yyyy") return Interval::Year;
    if (s == u"q") return Interval::Quarter;
    if (s == u"m") return Interval::Month;
    if (s == u"y") return Interval::DayOfYear;
    if (s == u"d") return Interval::Day;
    if (s == u"w") return Interval::Weekday;
    if (s == u"ww") return Interval::Week;
    if (s == u"h") return Interval::Hour;
    if (s == u"n") return Interval::Minute;
    if (s == u"s") return Interval::Second;
    raiseError(core::kErrInvalidCall);
}

// Months added with the day kept, or cut to the last day of the new month.
Date addMonths(const Date& d, std::int64_t months) {
    const Date::Parts p = d.parts();
    const std::int64_t total = std::int64_t(p.year) * 12 + (p.month - 1) + months;
    const std::int64_t year = total >= 0 ? total / 12 : (total - 11) / 12;
    const int month = int(total - year * 12) + 1;
    if (year < 100 || year > 9999) raiseError(core::kErrInvalidCall);
    const int lastDay = QDate(int(year), month, 1).daysInMonth();
    return Date::fromParts(int(year), month, p.day < lastDay ? p.day : lastDay, p.hour, p.minute, p.second);
}

Variant fnDateAdd(Args a) {
    const Interval interval = intervalArg(a[0]);
    if (a[2].isNull()) return Variant::null();
    const double amount = a[1].toDouble();
    if (!std::isfinite(amount) || std::fabs(amount) > 1e9) raiseError(core::kErrInvalidCall);
    const auto n = std::int64_t(amount < 0 ? std::ceil(amount) : std::floor(amount));
    const Date d = a[2].toDate();
    const Date::Parts p = d.parts();
    auto shifted = [&](std::int64_t days, std::int64_t seconds) {
        const QDateTime base(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second), Qt::UTC);
        const QDateTime moved = base.addDays(days).addSecs(seconds);
        const QDate md = moved.date();
        if (!md.isValid() || md.year() < 100 || md.year() > 9999) raiseError(core::kErrInvalidCall);
        const QTime mt = moved.time();
        return Date::fromParts(md.year(), md.month(), md.day(), mt.hour(), mt.minute(), mt.second());
    };
    switch (interval) {
        case Interval::Year:
            return Variant(addMonths(d, n * 12));
        case Interval::Quarter:
            return Variant(addMonths(d, n * 3));
        case Interval::Month:
            return Variant(addMonths(d, n));
        case Interval::DayOfYear:
        case Interval::Day:
        case Interval::Weekday:
            return Variant(shifted(n, 0));
        case Interval::Week:
            return Variant(shifted(n * 7, 0));
        case Interval::Hour:
            return Variant(shifted(0, n * 3600));
        case Interval::Minute:
            return Variant(shifted(0, n * 60));
        case Interval::Second:
            return Variant(shifted(0, n));
    }
    return Variant();
}

// Seconds from 1 January of the year 1 to the date's second, for the
// differences by hour, minute and second.
std::int64_t absoluteSeconds(const Date& d) {
    const Date::Parts p = d.parts();
    const std::int64_t days = QDate(p.year, p.month, p.day).toJulianDay();
    return days * 86400 + p.hour * 3600 + p.minute * 60 + p.second;
}

Variant fnDateDiff(Args a) {
    const Interval interval = intervalArg(a[0]);
    const int firstDay = firstDayArg(a, 3);
    firstWeekArg(a, 4);
    if (a[1].isNull() || a[2].isNull()) return Variant::null();
    const Date d1 = a[1].toDate();
    const Date d2 = a[2].toDate();
    const Date::Parts p1 = d1.parts();
    const Date::Parts p2 = d2.parts();
    const QDate q1(p1.year, p1.month, p1.day);
    const QDate q2(p2.year, p2.month, p2.day);
    std::int64_t r = 0;
    switch (interval) {
        case Interval::Year:
            r = p2.year - p1.year;
            break;
        case Interval::Quarter:
            r = (p2.year * 4 + (p2.month - 1) / 3) - (p1.year * 4 + (p1.month - 1) / 3);
            break;
        case Interval::Month:
            r = (p2.year * 12 + p2.month) - (p1.year * 12 + p1.month);
            break;
        case Interval::DayOfYear:
        case Interval::Day:
            r = q1.daysTo(q2);
            break;
        case Interval::Weekday:
            r = q1.daysTo(q2) / 7;
            break;
        case Interval::Week: {
            // Week starts crossed: the weeks' first days compared.
            const QDate s1 = q1.addDays(1 - weekdayFrom(q1, firstDay));
            const QDate s2 = q2.addDays(1 - weekdayFrom(q2, firstDay));
            r = s1.daysTo(s2) / 7;
            break;
        }
        case Interval::Hour:
            r = absoluteSeconds(d2) / 3600 - absoluteSeconds(d1) / 3600;
            break;
        case Interval::Minute:
            r = absoluteSeconds(d2) / 60 - absoluteSeconds(d1) / 60;
            break;
        case Interval::Second:
            r = absoluteSeconds(d2) - absoluteSeconds(d1);
            break;
    }
    if (r > INT32_MAX || r < INT32_MIN) raiseError(core::kErrOverflow);
    return Variant(std::int32_t(r));
}

Variant fnDatePart(Args a) {
    const Interval interval = intervalArg(a[0]);
    const int firstDay = firstDayArg(a, 2);
    const int firstWeek = firstWeekArg(a, 3);
    if (a[1].isNull()) return Variant::null();
    const Date d = a[1].toDate();
    const Date::Parts p = d.parts();
    const QDate q(p.year, p.month, p.day);
    int r = 0;
    switch (interval) {
        case Interval::Year:
            r = p.year;
            break;
        case Interval::Quarter:
            r = (p.month - 1) / 3 + 1;
            break;
        case Interval::Month:
            r = p.month;
            break;
        case Interval::DayOfYear:
            r = q.dayOfYear();
            break;
        case Interval::Day:
            r = p.day;
            break;
        case Interval::Weekday:
            r = weekdayFrom(q, firstDay);
            break;
        case Interval::Week:
            r = weekOfYear(q, firstDay, firstWeek);
            break;
        case Interval::Hour:
            r = p.hour;
            break;
        case Interval::Minute:
            r = p.minute;
            break;
        case Interval::Second:
            r = p.second;
            break;
    }
    return Variant(std::int16_t(r));
}

const Info kFunctions[] = {
    {"Date", 0, 0, fnDate},
    {"Time", 0, 0, fnTime},
    {"Now", 0, 0, fnNow},
    {"Year", 1, 1, fnYear},
    {"Month", 1, 1, fnMonth},
    {"Day", 1, 1, fnDay},
    {"Hour", 1, 1, fnHour},
    {"Minute", 1, 1, fnMinute},
    {"Second", 1, 1, fnSecond},
    {"Weekday", 1, 2, fnWeekday},
    {"WeekdayName", 1, 3, fnWeekdayName},
    {"MonthName", 1, 2, fnMonthName},
    {"DateSerial", 3, 3, fnDateSerial},
    {"TimeSerial", 3, 3, fnTimeSerial},
    {"DateValue", 1, 1, fnDateValue},
    {"TimeValue", 1, 1, fnTimeValue},
    {"DateAdd", 3, 3, fnDateAdd},
    {"DateDiff", 3, 5, fnDateDiff},
    {"DatePart", 2, 4, fnDatePart},
};

}  // namespace

QString longDateText(const core::Date& d) {
    const Date::Parts p = d.parts();
    const QDate q(p.year, p.month, p.day);
    return QStringLiteral("%1 %2 %3 %4")
        .arg(core::italian::dayName(q.dayOfWeek() % 7 + 1))
        .arg(p.day)
        .arg(core::italian::monthName(p.month))
        .arg(p.year);
}

std::span<const Info> dateFunctions() { return kFunctions; }

}  // namespace script::builtins
