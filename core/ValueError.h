#pragma once
// Errors raised by the value types and their conversions, with the language's
// numbers and Italian descriptions (the same the script engine gives).

#include <QString>

namespace core {

inline constexpr int kErrInvalidCall = 5;       // "Chiamata di routine o argomento non valido"
inline constexpr int kErrOverflow = 6;          // "Overflow"
inline constexpr int kErrOutOfMemory = 7;       // "Memoria esaurita"
inline constexpr int kErrSubscript = 9;         // "Indice non incluso nell'intervallo"
inline constexpr int kErrFixedArray = 10;       // "Matrice fissa o temporaneamente bloccata"
inline constexpr int kErrDivisionByZero = 11;   // "Divisione per zero"
inline constexpr int kErrTypeMismatch = 13;     // "Tipo non corrispondente"
inline constexpr int kErrObjectNotSet = 91;     // "Variabile oggetto non impostata"
inline constexpr int kErrInvalidNull = 94;      // "Uso non valido di Null"
inline constexpr int kErrObjectRequired = 424;  // "Necessario oggetto"
inline constexpr int kErrNotCollection = 451;   // "L'oggetto non è un insieme"

// The longest text a value may hold, 32 Mi characters (64 MB): a script
// that would build a longer one (Space, String, Replace, &) gets error 7 at
// once instead of eating the memory.
inline constexpr qsizetype kMaxTextLength = qsizetype(1) << 25;

// Source word of these errors: the same as the script engine's, since most of
// them surface while a script runs.
QString valueErrorSource();
// Italian description of one of the numbers above (a generic text otherwise).
QString valueErrorDescription(int number);
// Throws core::AppError(number, valueErrorSource(), valueErrorDescription(number)).
[[noreturn]] void raiseValueError(int number);

// Error 7 when a text of that many characters would be longer than kMaxTextLength.
inline void checkTextLength(qsizetype length) {
    if (length > kMaxTextLength) raiseValueError(kErrOutOfMemory);
}

}  // namespace core
