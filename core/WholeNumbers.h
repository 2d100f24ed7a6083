#pragma once
// Whole numbers from values, as both the conversions (CByte, CInt, CLng) and
// the operators (\, Mod, the logical ones) take them: halves go to the even
// number and a number outside the range raises an overflow; the two errors
// the conversions raise. Private to the value's files.

#include "core/ValueError.h"
#include "core/Variant.h"

#include <cmath>
#include <cstdint>

namespace core {

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
