#pragma once
// Errors raised by the value types and their conversions, with the language's
// numbers and Italian descriptions (the same the script engine gives).

#include "core/LanguageErrors.h"

#include <QString>

namespace core {

// The longest text a value may hold, 32 Mi characters (64 MB): a script
// that would build a longer one (Space, String, Replace, &) gets error 7 at
// once instead of eating the memory.
inline constexpr qsizetype kMaxTextLength = qsizetype(1) << 25;

// Source word of these errors: the same as the script engine's, since most of
// them surface while a script runs.
QString valueErrorSource();
// Italian description of one of the language's numbers (a generic text otherwise).
QString valueErrorDescription(int number);
// Throws core::AppError(number, valueErrorSource(), valueErrorDescription(number)).
[[noreturn]] void raiseValueError(int number);

// Error 7 when a text of that many characters would be longer than kMaxTextLength.
inline void checkTextLength(qsizetype length) {
    if (length > kMaxTextLength) raiseValueError(kErrOutOfMemory);
}

}  // namespace core
