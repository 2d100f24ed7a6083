#pragma once
// The one way the program raises its own errors: a core::AppError whose
// description names the error's code and its context.

#include "core/AppError.h"

#include <QString>
#include <concepts>
#include <memory>

namespace core {

class Object;
class Variant;

// What an error's "CONTESTO: " names: a plain value as its text, an object by
// its type name.
class ErrorContext {
  public:
    ErrorContext(const QString& text) : text_(text) {}
    ErrorContext(const char* text) : text_(QString::fromUtf8(text)) {}
    template <std::integral I>
    requires(!std::same_as<I, bool> && !std::same_as<I, char>) ErrorContext(I number)
        : text_(QString::number(number)) {}
    ErrorContext(double number);
    ErrorContext(const Variant& value);
    ErrorContext(const std::shared_ptr<Object>& object);
    // Any object that names its type (table classes, page objects, core::Object).
    template <class T>
    requires requires(const T& t) {
        { t.typeName() } -> std::convertible_to<QString>;
    }
    ErrorContext(const T& object) : text_(object.typeName()) {}

    const QString& text() const { return text_; }

  private:
    QString text_;
};

// Number of the program's generic error.
inline constexpr long kGenericErrorNumber = 32755;

// Raises AppError: number the object-error base plus number, source
// "Zelt Order", description "CODICE: " number, two CRs, "CONTESTO: " context
// and, when the message is not empty, a CR and the message.
[[noreturn]] void RaiseAppError(const ErrorContext& context, long number, const QString& message);
// RaiseAppError with the generic number 32755.
[[noreturn]] void RaiseGenericError(const ErrorContext& context, const QString& message);

}  // namespace core
