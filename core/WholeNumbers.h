#pragma once
// Whole numbers from values, as both the conversions (CByte, CInt, CLng) and
// the operators (\, Mod, the logical ones) take them: halves go to the even
// number and a number outside the range raises an overflow; the two errors
// the conversions raise. Private to the value's files.

#include "core/ValueError.h"
#include "core/Variant.h"

#include <QStringView>
#include <cmath>
#include <cstdint>

namespace core {

// The decimal text of a whole number, its sign included, written at the end
// of `room` (the eleven characters hold every Long): a view of it.
inline QStringView wholeDigits(std::int32_t v, char16_t (&room)[11]) {
    char16_t* const end = room + 11;
    char16_t* p = end;
    std::uint32_t u = v < 0 ? 0u - std::uint32_t(v) : std::uint32_t(v);
    while (u >= 100) {  // two digits a turn
        const std::uint32_t two = u % 100;
        u /= 100;
        *--p = char16_t(u'0' + two % 10);
        *--p = char16_t(u'0' + two / 10);
    }
    if (u >= 10) {
        *--p = char16_t(u'0' + u % 10);
        u /= 10;
    }
    *--p = char16_t(u'0' + u);
    if (v < 0) *--p = u'-';
    return QStringView(p, end - p);
}

[[noreturn]] inline void mismatch() { raiseValueError(kErrTypeMismatch); }
[[noreturn]] inline void overflow() { raiseValueError(kErrOverflow); }

// Whole number from a double, halves to even, checked against [lo, hi].
inline std::int64_t roundedWhole(double d, double lo, double hi) {
    if (std::isnan(d)) overflow();
    const double r = std::nearbyint(d);
    if (r < lo || r > hi) overflow();
    return std::int64_t(r);
}

// Whole number from a currency value, halves to even.
inline std::int64_t roundedWhole(Currency c) {
    const std::int64_t raw = c.raw();
    std::int64_t q = raw / Currency::kScale;
    const std::int64_t r = raw % Currency::kScale;
    const std::int64_t twice = (r < 0 ? -r : r) * 2;
    if (twice > Currency::kScale || (twice == Currency::kScale && q % 2 != 0)) q += raw < 0 ? -1 : 1;
    return q;
}

// A value as a whole number within [lo, hi] (Empty is 0, True is -1).
inline std::int64_t toWhole(const Variant& v, double lo, double hi) {
    switch (v.kind()) {
        case VType::Empty:
            return 0;
        case VType::Boolean:
            return v.boolValue() ? -1 : 0;
        case VType::Byte:
            return v.byteValue();
        case VType::Integer: {
            const std::int16_t i = v.integerValue();
            if (i < lo || i > hi) overflow();
            return i;
        }
        case VType::Long: {
            const std::int32_t l = v.longValue();
            if (l < lo || l > hi) overflow();
            return l;
        }
        case VType::Currency: {
            const std::int64_t w = roundedWhole(v.currencyValue());
            if (double(w) < lo || double(w) > hi) overflow();
            return w;
        }
        default:
            return roundedWhole(v.toDouble(), lo, hi);
    }
}

}  // namespace core
