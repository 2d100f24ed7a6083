#include "core/ItalianText.h"

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/RunCheck.h"
#include "core/ValueError.h"

#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

namespace core::italian {

namespace {

__extension__ typedef __int128 Wide;

// printf into a std::string (the "C" locale is the only one this program sets
// for numbers; printf's own decimal point is replaced below anyway).
std::string printed(const char* format, int precision, double value) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, format, precision, value);
    return std::string(buffer, n > 0 ? std::size_t(n) : 0);
}

QString withDecimalComma(const std::string& s) {
    QString out = QString::fromLatin1(s.data(), qsizetype(s.size()));
    out.replace(QLatin1Char('.'), QLatin1Char(','));
    return out;
}

QString formatGeneral(double value, int significant) {
    if (value == 0) return QStringLiteral("0");
    if (!std::isfinite(value))
        return std::isnan(value) ? QStringLiteral("NaN")
                                 : (value > 0 ? QStringLiteral("+Inf") : QStringLiteral("-Inf"));
    return withDecimalComma(printed("%.*G", significant, value));
}

// A number read from text, before it becomes a double or a currency value:
// value = digits x 10^exponent, or a whole number from &H / &O text.
struct Parsed {
    bool negative = false;
    std::string digits;  // without leading zeros; empty for zero
    long exponent = 0;
    bool whole = false;  // &H / &O text: the value is in `integer`
    std::int64_t integer = 0;
};

bool isBlank(QChar c) { return c.isSpace(); }

QStringView trimmed(QStringView t) {
    while (!t.isEmpty() && isBlank(t.front())) t = t.mid(1);
    while (!t.isEmpty() && isBlank(t.back())) t.chop(1);
    return t;
}

std::optional<Parsed> parseRadix(QStringView t) {
    // t starts after '&'.
    int base = 8;
    if (!t.isEmpty() && (t.front() == QLatin1Char('H') || t.front() == QLatin1Char('h'))) {
        base = 16;
        t = t.mid(1);
    } else if (!t.isEmpty() && (t.front() == QLatin1Char('O') || t.front() == QLatin1Char('o'))) {
        t = t.mid(1);
    }
    if (t.isEmpty()) return std::nullopt;
    std::uint64_t v = 0;
    for (QChar c : t) {
        const int d = c.isDigit() ? c.digitValue()
                      : (base == 16 && c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
                          ? c.toLower().unicode() - 'a' + 10
                          : -1;
        if (d < 0 || d >= base) return std::nullopt;
        v = v * std::uint64_t(base) + std::uint64_t(d);
        if (v > 0xFFFFFFFFull) raiseValueError(kErrOverflow);
    }
    Parsed p;
    p.whole = true;
    // Up to four hex digits the value is a 16-bit Integer, beyond a 32-bit Long.
    p.integer = v <= 0xFFFF ? std::int64_t(std::int16_t(std::uint16_t(v)))
                            : std::int64_t(std::int32_t(std::uint32_t(v)));
    return p;
}

std::optional<Parsed> parse(QStringView text) {
    QStringView t = trimmed(text);
    if (t.isEmpty()) return std::nullopt;
    if (t.front() == QLatin1Char('&')) return parseRadix(t.mid(1));

    Parsed p;
    const QChar euro(0x20AC);
    if (t.front() == QLatin1Char('(') && t.back() == QLatin1Char(')')) {
        p.negative = true;
        t = trimmed(t.mid(1, t.size() - 2));
    }
    if (!t.isEmpty() && t.front() == euro) t = trimmed(t.mid(1));
    if (!t.isEmpty() && (t.front() == QLatin1Char('-') || t.front() == QLatin1Char('+'))) {
        if (p.negative) return std::nullopt;
        p.negative = t.front() == QLatin1Char('-');
        t = trimmed(t.mid(1));
    }
    if (!t.isEmpty() && t.front() == euro) t = trimmed(t.mid(1));
    if (!t.isEmpty() && t.back() == euro) t = trimmed(t.left(t.size() - 1));
    if (t.isEmpty()) return std::nullopt;

    std::string whole, fraction;
    bool seenComma = false, seenDigit = false;
    long exponent = 0;
    qsizetype i = 0;
    for (; i < t.size(); ++i) {
        // A text of millions of digits stops with the run.
        if ((i & 0xFFFF) == 0xFFFF) checkRun();
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            (seenComma ? fraction : whole).push_back(char(c.unicode()));
            seenDigit = true;
        } else if (c == QLatin1Char('.') && !seenComma && seenDigit) {
            // thousands separator: anywhere in the whole part
        } else if (c == QLatin1Char(',') && !seenComma) {
            seenComma = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return std::nullopt;
    if (i < t.size()) {
        const QChar e = t[i].toUpper();
        if (e != QLatin1Char('E') && e != QLatin1Char('D')) return std::nullopt;
        ++i;
        bool negExp = false;
        if (i < t.size() && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) {
            negExp = t[i] == QLatin1Char('-');
            ++i;
        }
        if (i >= t.size()) return std::nullopt;
        for (; i < t.size(); ++i) {
            if ((i & 0xFFFF) == 0xFFFF) checkRun();
            if (t[i] < QLatin1Char('0') || t[i] > QLatin1Char('9')) return std::nullopt;
            if (exponent < 100000) exponent = exponent * 10 + t[i].digitValue();
        }
        if (negExp) exponent = -exponent;
    }
    std::string digits = whole + fraction;
    exponent -= long(fraction.size());
    const auto first = digits.find_first_not_of('0');
    digits = first == std::string::npos ? std::string() : digits.substr(first);
    while (!digits.empty() && digits.back() == '0') {
        digits.pop_back();
        ++exponent;
    }
    p.digits = std::move(digits);
    p.exponent = p.digits.empty() ? 0 : exponent;
    return p;
}

double toDouble(const Parsed& p) {
    if (p.whole) return double(p.integer);
    if (p.digits.empty()) return 0.0;
    const std::string s = p.digits + "e" + std::to_string(p.exponent);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        // Too small is zero; too large cannot be held.
        if (p.exponent + long(p.digits.size()) > 0) raiseValueError(kErrOverflow);
        v = 0;
    }
    if (!std::isfinite(v)) raiseValueError(kErrOverflow);
    return p.negative ? -v : v;
}

// Decimal digits of a double as the language shows it (15 significant),
// for rounding in decimal: value = 0.digits x 10^point.
void decimalDigits(double value, std::string& digits, int& point) {
    const std::string s = printed("%.*e", 14, std::fabs(value));  // d.dddddddddddddde+XX
    const auto e = s.find('e');
    digits = s.substr(0, 1) + s.substr(2, e - 2);
    point = std::stoi(s.substr(e + 1)) + 1;
}

struct DateFields {
    int year = 0, month = 0, day = 0;
    bool present = false;
};

int expandYear(const QString& text) {
    const int y = text.toInt();
    if (text.size() <= 2) return y < 30 ? 2000 + y : 1900 + y;
    return y;
}

std::optional<DateFields> parseDatePart(const QString& text) {
    static const QRegularExpression three(QStringLiteral("^(\\d{1,4})([/\\-.])(\\d{1,2})\\2(\\d{1,4})$"));
    static const QRegularExpression two(QStringLiteral("^(\\d{1,2})[/\\-](\\d{1,4})$"));
    DateFields f;
    f.present = true;
    if (const auto m = three.match(text); m.hasMatch()) {
        if (m.captured(1).size() >= 3) {  // year first
            f.year = m.captured(1).toInt();
            f.month = m.captured(3).toInt();
            f.day = m.captured(4).toInt();
            if (m.captured(4).size() > 2) return std::nullopt;
        } else {
            f.day = m.captured(1).toInt();
            f.month = m.captured(3).toInt();
            f.year = expandYear(m.captured(4));
        }
    } else if (const auto m2 = two.match(text); m2.hasMatch()) {
        const QString second = m2.captured(2);
        if (second.size() >= 3 || second.toInt() > 12) {  // month and year
            f.day = 1;
            f.month = m2.captured(1).toInt();
            f.year = expandYear(second);
        } else {  // day and month of this year
            f.day = m2.captured(1).toInt();
            f.month = second.toInt();
            f.year = Clock::today().year();
        }
    } else {
        return std::nullopt;
    }
    if (!Date::isValidDate(f.year, f.month, f.day)) return std::nullopt;
    return f;
}

bool parseTimePart(const QString& text, int& seconds) {
    static const QRegularExpression time(QStringLiteral("^(\\d{1,2})([:.])(\\d{1,2})(?:\\2(\\d{1,2}))?$"));
    const auto m = time.match(text);
    if (!m.hasMatch()) return false;
    const int h = m.captured(1).toInt(), mi = m.captured(3).toInt(),
              s = m.captured(4).isEmpty() ? 0 : m.captured(4).toInt();
    if (h > 23 || mi > 59 || s > 59) return false;
    seconds = h * 3600 + mi * 60 + s;
    return true;
}

// "8 agosto 2026", "sabato 8 agosto 2026 10:30", "8-ago-26", "8 ago": the
// long and abbreviated dates that an Italian installation prints and reads.
std::optional<Date> parseNamedMonth(const QString& t) {
    static const QRegularExpression named(
        QStringLiteral("^(?:\\p{L}+,?\\s+)?(\\d{1,2})[\\s\\-/]+(\\p{L}+)\\.?(?:[\\s\\-/]+(\\d{2,4}))?"
                       "(?:\\s+(\\S+))?$"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = named.match(t);
    if (!m.hasMatch()) return std::nullopt;
    const QString word = m.captured(2).toLower();
    int month = 0;
    for (int i = 1; i <= 12 && month == 0; ++i) {
        const QString name = monthName(i);
        if (word == name || (word.size() == 3 && name.startsWith(word))) month = i;
    }
    if (month == 0) return std::nullopt;
    const int day = m.captured(1).toInt();
    const int year = m.captured(3).isEmpty()     ? Clock::today().year()
                     : m.captured(3).size() == 3 ? -1
                                                 : expandYear(m.captured(3));
    if (!Date::isValidDate(year, month, day)) return std::nullopt;
    int seconds = 0;
    if (!m.captured(4).isEmpty() && !parseTimePart(m.captured(4), seconds)) return std::nullopt;
    return Date::fromParts(year, month, day, 0, 0, seconds);
}

}  // namespace

QString formatDouble(double value) { return formatGeneral(value, 15); }

QString formatSingle(float value) { return formatGeneral(double(value), 7); }

QString formatCurrency(Currency value) {
    const std::int64_t raw = value.raw();
    const std::uint64_t magnitude = raw < 0 ? std::uint64_t(0) - std::uint64_t(raw) : std::uint64_t(raw);
    QString out = QString::number(magnitude / 10000);
    if (raw < 0) out.prepend(QLatin1Char('-'));
    std::uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
        QString digits = QString::number(fraction).rightJustified(4, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
        out += QLatin1Char(',') + digits;
    }
    return out;
}

namespace {
enum DateShape { DateAndTime = 3, DateOnly = 1, TimeOnly = 2 };

QString formatDateShape(const Date::Parts& p, int shape) {
    char buffer[32];
    int n = 0;
    if (shape & DateOnly) n = std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d", p.day, p.month, p.year);
    if (shape == DateAndTime) buffer[n++] = ' ';
    if (shape & TimeOnly)
        n += std::snprintf(buffer + n, sizeof buffer - std::size_t(n), "%02d:%02d:%02d", p.hour, p.minute,
                           p.second);
    return QString::fromLatin1(buffer, n);
}
}  // namespace

QString formatDateOnly(Date value) { return formatDateShape(value.parts(), DateOnly); }

QString formatTimeOnly(Date value) { return formatDateShape(value.parts(), TimeOnly); }

QString formatDate(Date value) {
    const Date::Parts p = value.parts();
    const bool hasTime = p.hour != 0 || p.minute != 0 || p.second != 0;
    const bool hasDate = !(p.year == 1899 && p.month == 12 && p.day == 30);
    return formatDateShape(p, !hasDate ? TimeOnly : hasTime ? DateAndTime : DateOnly);
}

QString formatBool(bool value) { return value ? QStringLiteral("Vero") : QStringLiteral("Falso"); }

QString formatFixed(double value, int decimals, bool groupThousands) {
    decimals = std::clamp(decimals, 0, 15);
    if (!std::isfinite(value)) return formatDouble(value);
    std::string digits;
    int point = 0;
    if (value != 0) decimalDigits(value, digits, point);
    const long keep = long(point) + decimals;
    if (keep < 0) {
        digits.clear();
    } else {
        const bool roundUp = std::size_t(keep) < digits.size() && digits[std::size_t(keep)] >= '5';
        digits.resize(std::size_t(keep), '0');
        if (roundUp) {
            long i = keep - 1;
            for (; i >= 0; --i) {
                if (digits[std::size_t(i)] == '9') {
                    digits[std::size_t(i)] = '0';
                } else {
                    ++digits[std::size_t(i)];
                    break;
                }
            }
            if (i < 0) {
                digits.insert(digits.begin(), '1');
                ++point;
            }
        }
    }
    std::string whole, fraction;
    if (point > 0) {
        whole = digits.substr(0, std::min<std::size_t>(digits.size(), std::size_t(point)));
        whole.resize(std::size_t(point), '0');
        fraction = digits.size() > std::size_t(point) ? digits.substr(std::size_t(point)) : std::string();
    } else {
        fraction = std::string(std::size_t(-point), '0') + digits;
    }
    fraction.resize(std::size_t(decimals), '0');
    const auto firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? std::string("0") : whole.substr(firstNonZero);
    const bool zero = whole == "0" && fraction.find_first_not_of('0') == std::string::npos;

    QString out;
    if (value < 0 && !zero) out += QLatin1Char('-');
    if (groupThousands) {
        for (std::size_t i = 0; i < whole.size(); ++i) {
            if (i > 0 && (whole.size() - i) % 3 == 0) out += QLatin1Char('.');
            out += QLatin1Char(whole[i]);
        }
    } else {
        out += QString::fromLatin1(whole.data(), qsizetype(whole.size()));
    }
    if (decimals > 0)
        out += QLatin1Char(',') + QString::fromLatin1(fraction.data(), qsizetype(fraction.size()));
    return out;
}

std::optional<double> parseNumber(QStringView text) {
    const auto p = parse(text);
    if (!p) return std::nullopt;
    return toDouble(*p);
}

std::optional<Currency> parseCurrency(QStringView text) {
    const auto p = parse(text);
    if (!p) return std::nullopt;
    if (p->whole) return Currency::fromInt(p->integer);
    if (p->digits.empty()) return Currency();
    // raw = digits x 10^(exponent + 4)
    const long shift = p->exponent + 4;
    if (long(p->digits.size()) + shift > 20) raiseValueError(kErrOverflow);
    Wide raw = 0;
    if (shift >= 0) {
        for (char c : p->digits) raw = raw * 10 + (c - '0');
        for (long i = 0; i < shift; ++i) raw *= 10;
    } else {
        const long kept = long(p->digits.size()) + shift;  // digits before the cut
        for (long i = 0; i < kept; ++i) raw = raw * 10 + (p->digits[std::size_t(i)] - '0');
        if (kept >= 0) {
            // Halves to even, as CCur rounds.
            const char next = p->digits[std::size_t(kept)];
            const bool restNonZero =
                p->digits.find_first_not_of('0', std::size_t(kept) + 1) != std::string::npos;
            if (next > '5' || (next == '5' && (restNonZero || raw % 2 != 0))) ++raw;
        }
    }
    if (p->negative) raw = -raw;
    if (raw > Wide(INT64_MAX) || raw < Wide(INT64_MIN)) raiseValueError(kErrOverflow);
    return Currency::fromRaw(std::int64_t(raw));
}

std::optional<Date> parseDate(QStringView text) {
    const QString t = trimmed(text).toString();
    if (t.isEmpty()) return std::nullopt;
    int seconds = 0;
    if (const auto named = parseNamedMonth(t)) return named;
    const qsizetype space = t.indexOf(QLatin1Char(' '));
    if (space < 0) {
        // A time alone: with colons, or "h.m" (two parts with a dot).
        static const QRegularExpression dottedTwo(QStringLiteral("^\\d{1,2}\\.\\d{1,2}$"));
        if ((t.contains(QLatin1Char(':')) || dottedTwo.match(t).hasMatch()) && parseTimePart(t, seconds))
            return Date(seconds / 86400.0);
        const auto d = parseDatePart(t);
        if (!d) return std::nullopt;
        return Date::fromParts(d->year, d->month, d->day);
    }
    const auto d = parseDatePart(t.left(space));
    if (!d || !parseTimePart(t.mid(space + 1).trimmed(), seconds)) return std::nullopt;
    return Date::fromParts(d->year, d->month, d->day, 0, 0, seconds);
}

std::optional<bool> parseBoolWord(QStringView text) {
    const QStringView t = trimmed(text);
    // "#TRUE#" and "#FALSE#" are how the language writes the flags in text.
    if (t.compare(QLatin1String("Vero"), Qt::CaseInsensitive) == 0 ||
        t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
        t.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("Falso"), Qt::CaseInsensitive) == 0 ||
        t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0 ||
        t.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

bool isNumericText(QStringView text) {
    try {
        return parseNumber(text).has_value();
    } catch (const AppError& e) {
        // A number too large to hold is no number; a stopped run stays stopped.
        if (e.number() != kErrOverflow) throw;
        return false;
    }
}

bool isDateText(QStringView text) { return parseDate(text).has_value(); }

QString monthName(int month, bool abbreviate) {
    static const char16_t* const kNames[12] = {u"gennaio",   u"febbraio", u"marzo",    u"aprile",
                                               u"maggio",    u"giugno",   u"luglio",   u"agosto",
                                               u"settembre", u"ottobre",  u"novembre", u"dicembre"};
    static const char16_t* const kShort[12] = {u"gen", u"feb", u"mar", u"apr", u"mag", u"giu",
                                               u"lug", u"ago", u"set", u"ott", u"nov", u"dic"};
    if (month < 1 || month > 12) return {};
    return QString::fromUtf16(abbreviate ? kShort[month - 1] : kNames[month - 1]);
}

QString dayName(int weekday, bool abbreviate) {
    static const char16_t* const kNames[7] = {u"domenica", u"lunedì",  u"martedì", u"mercoledì",
                                              u"giovedì",  u"venerdì", u"sabato"};
    static const char16_t* const kShort[7] = {u"dom", u"lun", u"mar", u"mer", u"gio", u"ven", u"sab"};
    if (weekday < 1 || weekday > 7) return {};
    return QString::fromUtf16(abbreviate ? kShort[weekday - 1] : kNames[weekday - 1]);
}

}  // namespace core::italian
