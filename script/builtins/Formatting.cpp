// FormatNumber, FormatCurrency, FormatPercent and FormatDateTime with the
// settings of an Italian installation: two decimals, decimal comma, dot for
// thousands, euro sign in front.

#include "core/ItalianText.h"
#include "script/builtins/Groups.h"

namespace script::builtins {

using core::Variant;

namespace {

constexpr int kDefaultDecimals = 2;

struct NumberStyle {
    int decimals = kDefaultDecimals;
    bool leadingDigit = true;
    bool parentheses = false;
    bool group = true;
};

// The optional arguments from position `first` on: decimals, leading digit,
// parentheses for negatives, grouping (-1 and -2 meaning the defaults).
NumberStyle styleArgs(Args a, std::size_t first) {
    NumberStyle style;
    const std::int32_t decimals = wholeArg(a, first, -1);
    if (decimals < -1 || decimals > 255) raiseError(core::kErrInvalidCall);
    if (decimals >= 0) style.decimals = decimals > 15 ? 15 : decimals;
    style.leadingDigit = tristateArg(a, first + 1, true);
    style.parentheses = tristateArg(a, first + 2, false);
    style.group = tristateArg(a, first + 3, true);
    return style;
}

// The value to format: numbers and numeric text (Italian), Empty as 0.
double formatOperand(const Variant& v) {
    if (v.isNull()) raiseError(core::kErrInvalidNull);
    return v.toDouble();
}

QString formatted(double value, const NumberStyle& style, const QString& prefix, const QString& suffix) {
    QString digits = core::italian::formatFixed(value, style.decimals, style.group);
    bool negative = digits.startsWith(u'-');
    if (negative) digits.remove(0, 1);
    // "-0,00" after rounding prints without its sign.
    if (negative && digits.count(u'0') + digits.count(u',') + digits.count(u'.') == digits.size())
        negative = false;
    if (!style.leadingDigit && digits.startsWith(QStringLiteral("0,"))) digits.remove(0, 1);
    const QString body = prefix + digits + suffix;
    if (!negative) return body;
    return style.parentheses ? u'(' + body + u')' : u'-' + body;
}

Variant fnFormatNumber(Args a) {
    return Variant(formatted(formatOperand(a[0]), styleArgs(a, 1), QString(), QString()));
}

Variant fnFormatCurrency(Args a) {
    return Variant(formatted(formatOperand(a[0]), styleArgs(a, 1), QStringLiteral("€ "), QString()));
}

Variant fnFormatPercent(Args a) {
    return Variant(formatted(formatOperand(a[0]) * 100.0, styleArgs(a, 1), QString(), QStringLiteral("%")));
}

// vbGeneralDate 0, vbLongDate 1, vbShortDate 2, vbLongTime 3, vbShortTime 4.
Variant fnFormatDateTime(Args a) {
    const std::int32_t format = wholeArg(a, 1, 0);
    if (format < 0 || format > 4) raiseError(core::kErrInvalidCall);
    if (a[0].isNull()) raiseError(core::kErrInvalidNull);
    const core::Date d = a[0].toDate();
    switch (format) {
        case 1:
            return Variant(longDateText(d));
        case 2:
            return Variant(core::italian::formatDateOnly(d));
        case 3:
            return Variant(core::italian::formatTimeOnly(d));
        case 4:
            return Variant(core::italian::formatTimeOnly(d).left(5));
        default:
            return Variant(core::italian::formatDate(d));
    }
}

const Info kFunctions[] = {
    {"FormatNumber", 1, 5, fnFormatNumber},
    {"FormatCurrency", 1, 5, fnFormatCurrency},
    {"FormatPercent", 1, 5, fnFormatPercent},
    {"FormatDateTime", 1, 2, fnFormatDateTime},
};

}  // namespace

std::span<const Info> formatFunctions() { return kFunctions; }

}  // namespace script::builtins
