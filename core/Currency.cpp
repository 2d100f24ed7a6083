#include "core/Currency.h"

#include "core/ValueError.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace core {

namespace {
__extension__ typedef __int128 Wide;

// Quotient of n / d rounded to the nearest, halves to even (d > 0).
Wide divideHalfEven(Wide n, Wide d) {
    Wide q = n / d;
    Wide r = n % d;
    if (r < 0) r = -r;
    const Wide twice = r * 2;
    if (twice > d || (twice == d && (q % 2 != 0))) q += (n < 0) ? -1 : 1;
    return q;
}

Currency fromWide(Wide raw) {
    if (raw > Wide(INT64_MAX) || raw < Wide(INT64_MIN)) raiseValueError(kErrOverflow);
    return Currency::fromRaw(std::int64_t(raw));
}
}  // namespace

Currency Currency::fromInt(std::int64_t units) { return fromWide(Wide(units) * kScale); }

Currency Currency::fromDouble(double value) {
    if (!std::isfinite(value)) raiseValueError(kErrOverflow);
    const double scaled = value * double(kScale);
    // 2^63 and beyond cannot be held.
    if (scaled >= 9223372036854775808.0 || scaled < -9223372036854775808.0) raiseValueError(kErrOverflow);
    // The product of a double with 10 000 is inexact; take it to the nearest
    // representable decimal first (15 significant digits, as the language
    // does), then round halves to even.
    double rounded = std::nearbyint(scaled);  // default rounding mode: halves to even
    const double diff = scaled - std::trunc(scaled);
    if (std::fabs(scaled) < 1e15 &&
        std::fabs(std::fabs(diff) - 0.5) <= 8 * DBL_EPSILON * std::max(1.0, std::fabs(scaled))) {
        // A half within the noise of the multiplication: decide on the exact half.
        const double base = std::trunc(scaled);
        const double away = base + (scaled < 0 ? -1.0 : 1.0);
        rounded = (std::fmod(base, 2.0) == 0.0) ? base : away;
    }
    if (rounded >= 9223372036854775808.0 || rounded < -9223372036854775808.0) raiseValueError(kErrOverflow);
    return Currency(std::int64_t(rounded));
}

Currency Currency::operator+(Currency o) const {
    std::int64_t r;
    if (__builtin_add_overflow(raw_, o.raw_, &r)) raiseValueError(kErrOverflow);
    return Currency(r);
}

Currency Currency::operator-(Currency o) const {
    std::int64_t r;
    if (__builtin_sub_overflow(raw_, o.raw_, &r)) raiseValueError(kErrOverflow);
    return Currency(r);
}

Currency Currency::operator-() const {
    if (raw_ == INT64_MIN) raiseValueError(kErrOverflow);
    return Currency(-raw_);
}

Currency Currency::operator*(Currency o) const {
    return fromWide(divideHalfEven(Wide(raw_) * Wide(o.raw_), kScale));
}

Currency Currency::operator*(std::int64_t n) const { return fromWide(Wide(raw_) * Wide(n)); }

double Currency::operator/(Currency o) const {
    if (o.raw_ == 0) raiseValueError(raw_ == 0 ? kErrOverflow : kErrDivisionByZero);
    return double(raw_) / double(o.raw_);
}

}  // namespace core
