#include "core/AppError.h"
#include "core/Clock.h"
#include "core/ItalianText.h"

#include <gtest/gtest.h>

#include <cmath>

namespace it = core::italian;
using core::Currency;
using core::Date;

namespace {

TEST(ItalianText, DoublesPrintAsTheLanguagePrintsThem) {
    struct Case {
        double in;
        const char* out;
    };
    const Case cases[] = {
        {0.1 + 0.2, "0,3"},
        {3.5, "3,5"},
        {-2, "-2"},
        {0, "0"},
        {-0.0, "0"},
        {1e20, "1E+20"},
        {1e15, "1E+15"},
        {123456789012345, "123456789012345"},
        {1.5e-7, "1,5E-07"},
        {0.0001, "0,0001"},
        {0.00001, "1E-05"},
        {1.0 / 3, "0,333333333333333"},
        {2.0 / 3, "0,666666666666667"},
        {1234567.891, "1234567,891"},
    };
    for (const Case& c : cases) EXPECT_EQ(it::formatDouble(c.in), QString::fromUtf8(c.out)) << c.in;
    EXPECT_EQ(it::formatSingle(0.1f), QStringLiteral("0,1"));
    EXPECT_EQ(it::formatSingle(1.0f / 3), QStringLiteral("0,3333333"));
}

TEST(ItalianText, CurrencyDatesAndFlagsPrint) {
    EXPECT_EQ(it::formatCurrency(Currency::fromDouble(1.5)), QStringLiteral("1,5"));
    EXPECT_EQ(it::formatCurrency(Currency::fromRaw(-1)), QStringLiteral("-0,0001"));
    EXPECT_EQ(it::formatCurrency(Currency::fromInt(12)), QStringLiteral("12"));
    EXPECT_EQ(it::formatCurrency(Currency::min()), QStringLiteral("-922337203685477,5808"));

    EXPECT_EQ(it::formatDate(Date::fromParts(2026, 8, 8)), QStringLiteral("08/08/2026"));
    EXPECT_EQ(it::formatDate(Date::fromParts(2026, 8, 8, 7, 5, 3)), QStringLiteral("08/08/2026 07:05:03"));
    EXPECT_EQ(it::formatDate(Date::timeSerial(13, 45, 0)), QStringLiteral("13:45:00"));
    EXPECT_EQ(it::formatDate(Date()), QStringLiteral("00:00:00"));
    EXPECT_EQ(it::formatDate(Date(-1.25)), QStringLiteral("29/12/1899 06:00:00"));
    EXPECT_EQ(it::formatDateOnly(Date::fromParts(2026, 8, 8, 7, 5, 3)), QStringLiteral("08/08/2026"));
    EXPECT_EQ(it::formatTimeOnly(Date::fromParts(2026, 8, 8)), QStringLiteral("00:00:00"));

    EXPECT_EQ(it::formatBool(true), QStringLiteral("Vero"));
    EXPECT_EQ(it::formatBool(false), QStringLiteral("Falso"));
}

TEST(ItalianText, FixedDecimalsRoundHalvesAwayFromZero) {
    struct Case {
        double in;
        int decimals;
        bool group;
        const char* out;
    };
    const Case cases[] = {
        {1234.5, 2, true, "1.234,50"},  {1234.5, 2, false, "1234,50"},
        {2.675, 2, false, "2,68"},      {-2.675, 2, false, "-2,68"},
        {0.5, 0, false, "1"},           {-0.001, 2, false, "0,00"},
        {999.995, 2, true, "1.000,00"}, {1234567.891, 0, true, "1.234.568"},
        {0.05, 1, false, "0,1"},        {0.001234, 4, false, "0,0012"},
        {0, 3, false, "0,000"},         {1e-20, 2, false, "0,00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(it::formatFixed(c.in, c.decimals, c.group), QString::fromUtf8(c.out)) << c.in;
}

TEST(ItalianText, NumbersParseLeniently) {
    struct Case {
        const char* in;
        std::optional<double> out;
    };
    const Case cases[] = {
        {"3,5", 3.5},
        {"  -3,5  ", -3.5},
        {"+7", 7.0},
        {"1.234,5", 1234.5},
        {"1.5", 15.0},
        {"1.234.567", 1234567.0},
        {",5", 0.5},
        {"5,", 5.0},
        {"1E3", 1000.0},
        {"1,5e-2", 0.015},
        {"2D2", 200.0},
        {"(5)", -5.0},
        {"€ 12,50", 12.5},
        {"12,50 €", 12.5},
        {"-€ 3", -3.0},
        {"&H1F", 31.0},
        {"&hff", 255.0},
        {"&HFFFF", -1.0},
        {"&H10000", 65536.0},
        {"&HFFFFFFFF", -1.0},
        {"&O17", 15.0},
        {"&17", 15.0},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"1,2,3", std::nullopt},
        {"1E", std::nullopt},
        {"&H", std::nullopt},
        {"&O8", std::nullopt},
        {"1 2", std::nullopt},
        {"-", std::nullopt},
        {".5", std::nullopt},
        {"5,3.2", std::nullopt},
        {"--5", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto r = it::parseNumber(QString::fromUtf8(c.in));
        EXPECT_EQ(r, c.out) << c.in;
        EXPECT_EQ(it::isNumericText(QString::fromUtf8(c.in)), c.out.has_value()) << c.in;
    }
    EXPECT_THROW(it::parseNumber(u"1E400"), core::AppError);
    EXPECT_FALSE(it::isNumericText(u"1E400"));
    EXPECT_EQ(it::parseNumber(u"1E-400"), 0.0);
}

TEST(ItalianText, CurrencyParsesWithoutLosingDigits) {
    EXPECT_EQ(it::parseCurrency(u"922337203685477,5807")->raw(), INT64_MAX);
    EXPECT_EQ(it::parseCurrency(u"-922337203685477,5808")->raw(), INT64_MIN);
    EXPECT_EQ(it::parseCurrency(u"1.234,56789")->raw(), 12345679);
    EXPECT_EQ(it::parseCurrency(u"0,00005")->raw(), 0);
    EXPECT_EQ(it::parseCurrency(u"0,00015")->raw(), 2);
    EXPECT_EQ(it::parseCurrency(u"0,000051")->raw(), 1);
    EXPECT_EQ(it::parseCurrency(u"1,5E2")->raw(), 1500000);
    EXPECT_EQ(it::parseCurrency(u"&HFFFF")->raw(), -10000);
    EXPECT_FALSE(it::parseCurrency(u"x").has_value());
    EXPECT_THROW(it::parseCurrency(u"922337203685478"), core::AppError);
}

TEST(ItalianText, DatesParseDayFirst) {
    core::FixedClock clock(2026, 8, 8);
    struct Case {
        const char* in;
        std::optional<Date> out;
    };
    const Case cases[] = {
        {"08/08/2026", Date::fromParts(2026, 8, 8)},
        {"8/8/26", Date::fromParts(2026, 8, 8)},
        {"31-12-1999", Date::fromParts(1999, 12, 31)},
        {"1.3.2024", Date::fromParts(2024, 3, 1)},
        {"1/3/45", Date::fromParts(1945, 3, 1)},
        {"2024-03-15", Date::fromParts(2024, 3, 15)},
        {"15/3", Date::fromParts(2026, 3, 15)},
        {"3/2024", Date::fromParts(2024, 3, 1)},
        {" 08/08/2026 14:30:05 ", Date::fromParts(2026, 8, 8, 14, 30, 5)},
        {"08/08/2026 14.30", Date::fromParts(2026, 8, 8, 14, 30, 0)},
        {"14:30", Date::timeSerial(14, 30, 0)},
        {"14:30:15", Date::timeSerial(14, 30, 15)},
        {"12.30", Date::timeSerial(12, 30, 0)},
        {"29/02/2023", std::nullopt},
        {"32/01/2024", std::nullopt},
        {"01/13/2024", std::nullopt},
        {"24:00", std::nullopt},
        {"08/08/2026 25:00", std::nullopt},
        {"abc", std::nullopt},
        {"", std::nullopt},
        {"45000", std::nullopt},
        {"8 agosto 2026", Date::fromParts(2026, 8, 8)},
        {"sabato 8 agosto 2026 10:30", Date::fromParts(2026, 8, 8, 10, 30, 0)},
        {"8-ago-26", Date::fromParts(2026, 8, 8)},
        {"1 Marzo", Date::fromParts(2026, 3, 1)},
        {"31 febbraio 2026", std::nullopt},
        {"8 agostino 2026", std::nullopt},
        {"8 agosto 2026 dopo", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(it::parseDate(QString::fromUtf8(c.in)), c.out) << c.in;
        EXPECT_EQ(it::isDateText(QString::fromUtf8(c.in)), c.out.has_value()) << c.in;
    }
}

TEST(ItalianText, FlagWords) {
    EXPECT_EQ(it::parseBoolWord(u" vero "), true);
    EXPECT_EQ(it::parseBoolWord(u"FALSO"), false);
    EXPECT_EQ(it::parseBoolWord(u"True"), true);
    EXPECT_EQ(it::parseBoolWord(u"false"), false);
    EXPECT_EQ(it::parseBoolWord(u"si"), std::nullopt);
}

}  // namespace
