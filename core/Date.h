#pragma once
// Dates as the scripts know them: a double counting days since 30 December
// 1899, the time of day as the fraction. Before that day the whole part counts
// back and the fraction still adds time: -1.25 is 29/12/1899 06:00.

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <compare>

namespace core {

class Date {
  public:
    // Limits of the type: 01/01/100 00:00:00 and 31/12/9999 23:59:59.
    static constexpr double kMinSerial = -657434.0;
    static constexpr double kMaxSerial = 2958465.99998843;  // 23:59:59

    constexpr Date() noexcept = default;  // 30/12/1899 00:00:00
    constexpr explicit Date(double serial) noexcept : serial_(serial) {}

    // The serial as it stands; AppError 6 when outside the type's range or not finite.
    static Date fromSerial(double serial);
    static bool isValidSerial(double serial) noexcept;

    // From parts taken literally (year 5 is the year 5, not 2005). A month or day
    // outside its range carries over as the language's DateSerial does
    // (month 13 is January of the next year, day 0 the last day of the month
    // before); hours, minutes and seconds carry over likewise.
    // AppError 5 when the result lies outside the years 100 to 9999.
    static Date fromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
    // True for an existing calendar day in the years 100 to 9999 (no carrying).
    static bool isValidDate(int year, int month, int day) noexcept;

    // The language's DateSerial and TimeSerial: years 0 to 29 are 2000 to 2029,
    // 30 to 99 are 1930 to 1999; then as fromParts.
    static Date dateSerial(int year, int month, int day);
    static Date timeSerial(int hour, int minute, int second);

    // Invalid QDate or QDateTime: AppError 5. Seconds are kept, milliseconds
    // dropped.
    static Date fromQDate(const QDate& date);
    static Date fromQDateTime(const QDateTime& dateTime);

    constexpr double serial() const noexcept { return serial_; }

    // Parts, with the time rounded to the nearest second.
    struct Parts {
        int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    };
    Parts parts() const;
    int year() const { return parts().year; }
    int month() const { return parts().month; }
    int day() const { return parts().day; }
    int hour() const { return parts().hour; }
    int minute() const { return parts().minute; }
    int second() const { return parts().second; }
    // 1 = Sunday ... 7 = Saturday, as the language's Weekday with its default.
    int weekday() const;

    QDate toQDate() const;
    QTime toQTime() const;
    QDateTime toQDateTime() const;  // local time

    // Whole days only (the time dropped) and the time of day only (date 0).
    Date datePart() const;
    Date timePart() const;
    // A time of day other than midnight, and a date other than 30/12/1899.
    bool hasTime() const;
    bool hasDate() const;

    constexpr auto operator<=>(const Date&) const noexcept = default;
    constexpr bool operator==(const Date&) const noexcept = default;

  private:
    double serial_ = 0.0;
};

}  // namespace core
