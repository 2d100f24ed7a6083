#pragma once
// The one rounding of money amounts: to the cent, halves away from zero.
// Every amount the program rounds (prices, discounts, VAT, commissions,
// totals) goes through here.

#include "core/Currency.h"

namespace core {

// 2.345 -> 2.35, -2.345 -> -2.35, 2.344 -> 2.34.
Currency roundMoney(Currency amount);

// A double is first taken to four decimals as a currency value would hold it,
// so that 2.675 (stored in binary as 2.67499...) rounds to 2.68 as written.
// Out of the currency range: AppError 6.
Currency roundMoney(double amount);

// Same rounding to a number of decimals from 0 to 4 (2 is roundMoney).
Currency roundHalfAwayFromZero(Currency amount, int decimals);

}  // namespace core
