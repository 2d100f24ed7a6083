#pragma once
// The tables of built-in functions, one per group, that Builtins.cpp merges,
// and the small argument helpers the groups share.

#include "core/Variant.h"
#include "script/Errors.h"
#include "script/builtins/Builtins.h"

#include <span>

namespace script::builtins {

std::span<const Info> stringFunctions();
std::span<const Info> conversionFunctions();
std::span<const Info> dateFunctions();
std::span<const Info> formatFunctions();
std::span<const Info> interactionFunctions();

// The Italian long date: "sabato 8 agosto 2026".
QString longDateText(const core::Date& d);

// True when argument i was passed and is not a left-out optional one.
inline bool given(Args a, std::size_t i) { return i < a.size() && !a[i].isMissing(); }

// A whole-number argument as CLng takes it (Null: error 94), the Integer
// and Long of counters and literals read straight.
inline std::int32_t wholeArg(const core::Variant& v) {
    if (v.kind() == core::VType::Integer) return v.integerValue();
    if (v.kind() == core::VType::Long) return v.longValue();
    return v.toLong();
}

// A whole-number argument, or the fallback when not given (Null: error 94).
inline std::int32_t wholeArg(Args a, std::size_t i, std::int32_t fallback) {
    return given(a, i) ? wholeArg(a[i]) : fallback;
}

// A Boolean argument that the language also accepts as the tristate
// constants (vbTrue -1, vbFalse 0, vbUseDefault -2): the fallback for -2.
inline bool tristateArg(Args a, std::size_t i, bool fallback) {
    if (!given(a, i)) return fallback;
    const std::int32_t v = a[i].toLong();
    return v == -2 ? fallback : v != 0;
}

// vbBinaryCompare (0) or vbTextCompare (1); anything else is error 5.
inline bool textCompareArg(Args a, std::size_t i) {
    const std::int32_t mode = wholeArg(a, i, 0);
    if (mode != 0 && mode != 1) raiseError(core::kErrInvalidCall);
    return mode == 1;
}

}  // namespace script::builtins
