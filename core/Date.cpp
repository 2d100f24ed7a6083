#include "core/Date.h"

#include "core/ValueError.h"

#include <cmath>
#include <cstdint>

namespace core {

namespace {

// Days from 1 January 1970 in the proleptic Gregorian calendar, and back.
std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

constexpr std::int64_t kEpochOffset = 25569;  // 30/12/1899 is 25569 days before 01/01/1970
constexpr double kSecondsPerDay = 86400.0;

// Day number (serial of the date) and seconds of the day, rounded to the second.
void split(double serial, std::int64_t& dayNumber, int& seconds) {
    const double whole = std::trunc(serial);
    const double fraction = std::fabs(serial - whole);
    dayNumber = std::int64_t(whole);
    long long s = std::llround(fraction * kSecondsPerDay);
    if (s >= 86400) {
        s -= 86400;
        ++dayNumber;
    }
    seconds = int(s);
}

// The classic serial of a point in time given on a straight line of days
// (-0.75 is 29/12/1899 06:00, which the type writes as -1.25).
double serialFromLinear(double linear) {
    if (linear >= 0) return linear;
    const double day = std::floor(linear);
    const double fraction = linear - day;
    return fraction == 0 ? day : day - fraction;
}

Date checkedFromLinear(double linear) {
    const double serial = serialFromLinear(linear);
    if (!Date::isValidSerial(serial)) raiseValueError(kErrInvalidCall);
    return Date(serial);
}

double linearDay(std::int64_t year, int month, int day) {
    // Carry months into years first, days after.
    std::int64_t m0 = month - 1;
    std::int64_t y = year + (m0 >= 0 ? m0 / 12 : -((11 - m0) / 12));
    m0 -= (y - year) * 12;
    return double(daysFromCivil(y, int(m0) + 1, 1) + kEpochOffset + (day - 1));
}

}  // namespace

bool Date::isValidSerial(double serial) noexcept {
    return std::isfinite(serial) && serial > -657435.0 && serial < 2958466.0;
}

Date Date::fromSerial(double serial) {
    if (!isValidSerial(serial)) raiseValueError(kErrOverflow);
    return Date(serial);
}

Date Date::fromParts(int year, int month, int day, int hour, int minute, int second) {
    const double seconds = double(hour) * 3600.0 + double(minute) * 60.0 + double(second);
    return checkedFromLinear(linearDay(year, month, day) + seconds / kSecondsPerDay);
}

bool Date::isValidDate(int year, int month, int day) noexcept {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

Date Date::dateSerial(int year, int month, int day) {
    if (year >= 0 && year <= 29)
        year += 2000;
    else if (year >= 30 && year <= 99)
        year += 1900;
    return fromParts(year, month, day);
}

Date Date::timeSerial(int hour, int minute, int second) {
    const double seconds = double(hour) * 3600.0 + double(minute) * 60.0 + double(second);
    return checkedFromLinear(seconds / kSecondsPerDay);
}

Date Date::fromQDate(const QDate& date) {
    if (!date.isValid()) raiseValueError(kErrInvalidCall);
    return fromParts(date.year(), date.month(), date.day());
}

Date Date::fromQDateTime(const QDateTime& dateTime) {
    if (!dateTime.isValid()) raiseValueError(kErrInvalidCall);
    const QDate d = dateTime.date();
    const QTime t = dateTime.time();
    return fromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

Date::Parts Date::parts() const {
    std::int64_t dayNumber;
    int seconds;
    split(serial_, dayNumber, seconds);
    Parts p;
    civilFromDays(dayNumber - kEpochOffset, p.year, p.month, p.day);
    p.hour = seconds / 3600;
    p.minute = seconds / 60 % 60;
    p.second = seconds % 60;
    return p;
}

int Date::weekday() const {
    std::int64_t dayNumber;
    int seconds;
    split(serial_, dayNumber, seconds);
    return int(((dayNumber + 6) % 7 + 7) % 7) + 1;
}

QDate Date::toQDate() const {
    const Parts p = parts();
    return QDate(p.year, p.month, p.day);
}

QTime Date::toQTime() const {
    const Parts p = parts();
    return QTime(p.hour, p.minute, p.second);
}

QDateTime Date::toQDateTime() const {
    const Parts p = parts();
    return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second));
}

Date Date::datePart() const {
    std::int64_t dayNumber;
    int seconds;
    split(serial_, dayNumber, seconds);
    return Date(double(dayNumber));
}

Date Date::timePart() const {
    std::int64_t dayNumber;
    int seconds;
    split(serial_, dayNumber, seconds);
    return Date(seconds / kSecondsPerDay);
}

bool Date::hasTime() const {
    std::int64_t dayNumber;
    int seconds;
    split(serial_, dayNumber, seconds);
    return seconds != 0;
}

bool Date::hasDate() const {
    std::int64_t dayNumber;
    int seconds;
    split(serial_, dayNumber, seconds);
    return dayNumber != 0;
}

}  // namespace core
