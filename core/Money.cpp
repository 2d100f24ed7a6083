#include "core/Money.h"

#include "core/ValueError.h"

namespace core {

Currency roundHalfAwayFromZero(Currency amount, int decimals) {
    if (decimals < 0 || decimals > 4) raiseValueError(kErrInvalidCall);
    std::int64_t step = 1;
    for (int i = decimals; i < 4; ++i) step *= 10;
    if (step == 1) return amount;
    const std::int64_t raw = amount.raw();
    std::int64_t q = raw / step;
    const std::int64_t r = raw % step;
    if (r * 2 >= step)
        ++q;
    else if (r * 2 <= -step)
        --q;
    __extension__ typedef __int128 Wide;
    const Wide result = Wide(q) * step;
    if (result > Wide(INT64_MAX) || result < Wide(INT64_MIN)) raiseValueError(kErrOverflow);
    return Currency::fromRaw(std::int64_t(result));
}

Currency roundMoney(Currency amount) { return roundHalfAwayFromZero(amount, 2); }

Currency roundMoney(double amount) { return roundMoney(Currency::fromDouble(amount)); }

}  // namespace core
