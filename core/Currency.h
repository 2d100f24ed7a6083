#pragma once
// Money and other fixed-point amounts: a 64-bit integer counting ten-thousandths,
// the range and precision of the scripting language's currency type.

#include <QtGlobal>
#include <compare>
#include <cstdint>

namespace core {

class Currency {
  public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() noexcept = default;

    // From the raw count of ten-thousandths.
    static constexpr Currency fromRaw(std::int64_t raw) noexcept { return Currency(raw); }
    // From a whole number of units; overflow (AppError 6) out of range.
    static Currency fromInt(std::int64_t units);
    // From a double, rounded to four decimals with halves to even as the
    // language's CCur does; not finite or out of range raises AppError 6.
    static Currency fromDouble(double value);
    static constexpr Currency max() noexcept { return Currency(INT64_MAX); }
    static constexpr Currency min() noexcept { return Currency(INT64_MIN); }

    constexpr std::int64_t raw() const noexcept { return raw_; }
    double toDouble() const noexcept { return double(raw_) / double(kScale); }
    constexpr bool isZero() const noexcept { return raw_ == 0; }

    // Arithmetic raises AppError 6 on overflow.
    Currency operator+(Currency o) const;
    Currency operator-(Currency o) const;
    Currency operator-() const;
    // Product rounded to four decimals, halves to even.
    Currency operator*(Currency o) const;
    Currency operator*(std::int64_t n) const;
    // Quotient as a double; division by zero raises AppError 11.
    double operator/(Currency o) const;
    Currency& operator+=(Currency o) { return *this = *this + o; }
    Currency& operator-=(Currency o) { return *this = *this - o; }

    constexpr auto operator<=>(const Currency&) const noexcept = default;
    constexpr bool operator==(const Currency&) const noexcept = default;

  private:
    constexpr explicit Currency(std::int64_t raw) noexcept : raw_(raw) {}
    std::int64_t raw_ = 0;
};

}  // namespace core
