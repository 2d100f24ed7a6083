#pragma once
// Text to number, date and flag and back, the Italian way whatever the locale
// of this machine: decimal comma, dot for thousands, dd/mm/yyyy, hh:mm:ss,
// "Vero"/"Falso". Variant and the script built-ins both convert through here.

#include "core/Currency.h"
#include "core/Date.h"

#include <QString>
#include <QStringView>
#include <optional>

namespace core::italian {

// ---- Output ---------------------------------------------------------------

// A double as the language prints it: up to 15 significant digits, decimal
// comma, no thousands separator, exponent form from 1E+15 up and below 1E-04
// ("0,3" for 0.1+0.2, "1E+20", "1,5E-07", "-2").
QString formatDouble(double value);
// A single: up to 7 significant digits, otherwise as formatDouble.
QString formatSingle(float value);
// Up to four decimals, trailing zeros dropped ("1,5", "-0,0001", "12").
QString formatCurrency(Currency value);
// "dd/mm/yyyy", "hh:mm:ss" or "dd/mm/yyyy hh:mm:ss": a date with no time
// prints as the date only, a time on 30/12/1899 as the time only.
QString formatDate(Date value);
QString formatDateOnly(Date value);  // always "dd/mm/yyyy"
QString formatTimeOnly(Date value);  // always "hh:mm:ss"
// "Vero" / "Falso".
QString formatBool(bool value);
// Italian month name of month 1..12 ("agosto", or "ago" abbreviated).
QString monthName(int month, bool abbreviate = false);
// Italian day name, 1 = Sunday .. 7 = Saturday as the language numbers the
// days ("sabato", or "sab" abbreviated).
QString dayName(int weekday, bool abbreviate = false);
// Fixed decimals (0 to 15), halves away from zero, decimal comma, optional dot
// grouping of thousands: formatFixed(1234.5, 2, true) is "1.234,50". A leading
// zero is written for values between -1 and 1.
QString formatFixed(double value, int decimals, bool groupThousands);

// ---- Input ----------------------------------------------------------------

// A number as the language's CDbl reads text: blanks around, an optional sign
// (or parentheses for a negative), an optional "€", digits with dots as
// thousands separators anywhere in the whole part, one decimal comma, an
// optional exponent (E or D); or "&H1F" hexadecimal and "&O17" / "&17" octal,
// which give the signed 16-bit value when they fit in four hex digits and the
// signed 32-bit value otherwise ("&HFFFF" is -1, "&H10000" is 65536).
// std::nullopt when the text is not a number; AppError 6 when it is one too
// large for a double (or &H text beyond 32 bits).
std::optional<double> parseNumber(QStringView text);
// The same reading straight to a currency value (no detour through a double
// for plain decimal text); std::nullopt when not a number; out of range
// raises AppError 6.
std::optional<Currency> parseCurrency(QStringView text);
// A date and/or time: "d/m/yyyy", "d-m-yy", "d.m.yyyy", "yyyy-mm-dd", "d/m"
// (this year, from the Clock), "8 agosto 2026", "sabato 8 agosto 2026",
// "8-ago-26", each followed by an optional time "h:m[:s]" (or "h.m.s"); or a
// time alone. Two-digit years: 00-29 are 2000-2029, 30-99
// 1930-1999. Days, months and times must exist (no carrying over).
// std::nullopt otherwise.
std::optional<Date> parseDate(QStringView text);
// "Vero"/"Falso"/"True"/"False" in any case, blanks around.
std::optional<bool> parseBoolWord(QStringView text);

bool isNumericText(QStringView text);
bool isDateText(QStringView text);

}  // namespace core::italian
