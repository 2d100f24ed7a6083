#include "core/AppError.h"
#include "core/Clock.h"
#include "core/Currency.h"
#include "core/Date.h"
#include "core/Money.h"
#include "tests/core/Values.h"

#include <gtest/gtest.h>

using core::AppError;
using core::Currency;
using core::Date;
using coretest::errorOf;

namespace {

TEST(Currency, FromDoubleRoundsHalvesToEvenAtTheFourthDecimal) {
    struct Case {
        double in;
        std::int64_t raw;
    };
    const Case cases[] = {
        {1.5, 15000}, {-1.5, -15000}, {2.675, 26750},         {0.00005, 0},      {0.00015, 2},
        {0.00025, 2}, {-0.00015, -2}, {1234.56789, 12345679}, {0.1 + 0.2, 3000}, {1e14, 1000000000000000000},
    };
    for (const Case& c : cases) EXPECT_EQ(Currency::fromDouble(c.in).raw(), c.raw) << c.in;
}

TEST(Currency, ArithmeticAndOverflow) {
    const Currency a = Currency::fromDouble(10.25), b = Currency::fromDouble(0.3333);
    EXPECT_EQ((a + b).raw(), 105833);
    EXPECT_EQ((a - b).raw(), 99167);
    EXPECT_EQ((a * b).raw(), 34163);                                        // 3.41633 rounded to 3.4163
    EXPECT_EQ((Currency::fromRaw(5) * Currency::fromRaw(5000)).raw(), 2);   // 0.00025 -> 0.0002
    EXPECT_EQ((Currency::fromRaw(15) * Currency::fromRaw(1000)).raw(), 2);  // 0.00015 -> 0.0002
    EXPECT_DOUBLE_EQ(a / Currency::fromInt(2), 5.125);
    EXPECT_EQ(a * 3, Currency::fromDouble(30.75));
    EXPECT_LT(b, a);

    EXPECT_EQ(errorOf([] { (void)(Currency::max() + Currency::fromRaw(1)); }), 6);
    EXPECT_EQ(errorOf([] { (void)(Currency::min() - Currency::fromRaw(1)); }), 6);
    EXPECT_EQ(errorOf([] { (void)-Currency::min(); }), 6);
    EXPECT_EQ(errorOf([] { (void)(Currency::fromInt(1000000000) * Currency::fromInt(1000000000)); }), 6);
    EXPECT_EQ(errorOf([] { (void)Currency::fromDouble(1e20); }), 6);
    EXPECT_EQ(errorOf([] { (void)Currency::fromDouble(std::nan("")); }), 6);
    EXPECT_EQ(errorOf([] { (void)(Currency::fromInt(1) / Currency()); }), 11);
    EXPECT_EQ(errorOf([] { (void)(Currency() / Currency()); }), 6);
}

TEST(Money, RoundsToTheCentHalvesAwayFromZero) {
    struct Case {
        double in;
        std::int64_t cents;
    };
    const Case cases[] = {
        {2.345, 235}, {-2.345, -235}, {2.344, 234}, {2.355, 236}, {2.365, 237}, {2.675, 268},
        {1.005, 101}, {0.005, 1},     {-0.005, -1}, {0.0049, 0},  {100, 10000}, {19.999, 2000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(core::roundMoney(c.in).raw(), c.cents * 100) << c.in;
        EXPECT_EQ(core::roundMoney(Currency::fromDouble(c.in)).raw(), c.cents * 100) << c.in;
    }
    EXPECT_EQ(core::roundHalfAwayFromZero(Currency::fromDouble(2.5), 0).raw(), 30000);
    EXPECT_EQ(core::roundHalfAwayFromZero(Currency::fromDouble(-0.45), 1).raw(), -5000);
    EXPECT_EQ(core::roundHalfAwayFromZero(Currency::fromRaw(12345), 4).raw(), 12345);
    EXPECT_EQ(core::roundMoney(Currency::max()).raw(), INT64_MAX - 7);
}

TEST(Date, PartsRoundTripIncludingNegativeSerials) {
    struct Case {
        int y, m, d, h, mi, s;
        double serial;
    };
    const Case cases[] = {
        {1899, 12, 30, 0, 0, 0, 0.0},     {1899, 12, 31, 0, 0, 0, 1.0},
        {1899, 12, 29, 6, 0, 0, -1.25},   {1899, 12, 30, 12, 0, 0, 0.5},
        {1900, 1, 1, 0, 0, 0, 2.0},       {1900, 3, 1, 0, 0, 0, 61.0},
        {2026, 8, 8, 0, 0, 0, 46242.0},   {2000, 2, 29, 18, 0, 0, 36585.75},
        {100, 1, 1, 0, 0, 0, -657434.0},  {9999, 12, 31, 0, 0, 0, 2958465.0},
        {1800, 1, 1, 12, 0, 0, -36522.5},
    };
    for (const Case& c : cases) {
        const Date d = Date::fromParts(c.y, c.m, c.d, c.h, c.mi, c.s);
        EXPECT_DOUBLE_EQ(d.serial(), c.serial) << c.y << "-" << c.m << "-" << c.d;
        const Date::Parts p = Date(c.serial).parts();
        EXPECT_EQ(std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second),
                  std::tie(c.y, c.m, c.d, c.h, c.mi, c.s))
            << c.serial;
    }
}

TEST(Date, CarriesOverflowingPartsAndChecksRange) {
    EXPECT_EQ(Date::fromParts(2024, 13, 1), Date::fromParts(2025, 1, 1));
    EXPECT_EQ(Date::fromParts(2024, 3, 0), Date::fromParts(2024, 2, 29));
    EXPECT_EQ(Date::fromParts(2024, 0, 15), Date::fromParts(2023, 12, 15));
    EXPECT_EQ(Date::fromParts(2024, -11, 1), Date::fromParts(2023, 1, 1));
    EXPECT_EQ(Date::fromParts(2024, 1, 1, 25, 0, 0), Date::fromParts(2024, 1, 2, 1, 0, 0));
    EXPECT_EQ(Date::dateSerial(26, 8, 8), Date::fromParts(2026, 8, 8));
    EXPECT_EQ(Date::dateSerial(45, 1, 1), Date::fromParts(1945, 1, 1));
    EXPECT_DOUBLE_EQ(Date::timeSerial(-6, 0, 0).serial(), -1.75);  // 29/12/1899 18:00
    EXPECT_EQ(errorOf([] { Date::fromParts(99, 12, 31); }), 5);
    EXPECT_EQ(errorOf([] { Date::fromParts(10000, 1, 1); }), 5);
    EXPECT_EQ(errorOf([] { Date::fromSerial(3e6); }), 6);
    EXPECT_FALSE(Date::isValidDate(2023, 2, 29));
    EXPECT_TRUE(Date::isValidDate(2000, 2, 29));
    EXPECT_FALSE(Date::isValidDate(1900, 2, 29));
}

TEST(Date, QtConversionsPartsAndWeekday) {
    const QDateTime qt(QDate(2026, 8, 8), QTime(14, 5, 9));
    const Date d = Date::fromQDateTime(qt);
    EXPECT_EQ(d.toQDateTime(), qt);
    EXPECT_EQ(d.toQDate(), QDate(2026, 8, 8));
    EXPECT_EQ(d.toQTime(), QTime(14, 5, 9));
    EXPECT_EQ(d.datePart(), Date(46242.0));
    EXPECT_EQ(d.timePart().toQTime(), QTime(14, 5, 9));
    EXPECT_TRUE(d.hasDate() && d.hasTime());
    EXPECT_FALSE(Date(46242.0).hasTime());
    EXPECT_FALSE(Date(0.25).hasDate());
    EXPECT_EQ(d.weekday(), 7);  // a Saturday
    EXPECT_EQ(Date(1.0).weekday(), 1);
    EXPECT_EQ(Date(-1.0).weekday(), 6);
    // 23:59:59.9 rounds into the next day.
    EXPECT_EQ(Date(1.0 - 0.1 / 86400).toQDateTime(), QDateTime(QDate(1899, 12, 31), QTime(0, 0)));
    EXPECT_EQ(errorOf([] { Date::fromQDate(QDate()); }), 5);
}

TEST(Clock, FixedTimeIsRestoredByTheGuard) {
    const auto before = core::Clock::fixed();
    {
        core::FixedClock fixed(2026, 8, 8, 10, 30, 0);
        EXPECT_EQ(core::Clock::today(), Date::fromParts(2026, 8, 8));
        EXPECT_EQ(core::Clock::now(), Date::fromParts(2026, 8, 8, 10, 30, 0));
        EXPECT_EQ(core::Clock::time(), Date::timeSerial(10, 30, 0));
        {
            core::FixedClock inner(2030, 1, 1);
            EXPECT_EQ(core::Clock::today().year(), 2030);
        }
        EXPECT_EQ(core::Clock::today().year(), 2026);
        fixed.set(QDateTime(QDate(2027, 2, 3), QTime(0, 0)));
        EXPECT_EQ(core::Clock::today(), Date::fromParts(2027, 2, 3));
    }
    EXPECT_EQ(core::Clock::fixed(), before);
    EXPECT_LE(std::abs(core::Clock::nowDateTime().secsTo(QDateTime::currentDateTime())), 5);
}

}  // namespace
