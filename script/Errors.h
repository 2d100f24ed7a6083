#pragma once
// Run-time and compile errors of the script engine: the language's numbers
// with Italian descriptions, raised as core::AppError.

#include "core/LanguageErrors.h"
#include "core/RunCheck.h"

#include <QString>

namespace script {

// Source word of every error that the engine raises.
inline const QString& errorSource() { return core::languageErrorSource(); }

// Number of the error that ends a script stopped by its time limit or by
// the user (the cancelled() flag of the error tells the stop).
inline constexpr long kErrScriptAborted = core::kErrRunStopped;

// Italian description of a language error number; a generic text when the
// number is not one of the language's own.
QString errorDescription(int number);

// Throws core::AppError(number, errorSource(), errorDescription(number)).
[[noreturn]] void raiseError(int number);
// Same, with a description of the caller's.
[[noreturn]] void raiseError(int number, const QString& description);

}  // namespace script
