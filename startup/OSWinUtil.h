#pragma once
// Operating-system helpers: files, the shell, INI files, the default printer,
// month boundaries, absolute paths; and the one way the program raises its
// own errors.

#include "core/AppError.h"
#include "core/Date.h"

#include <QString>
#include <concepts>
#include <memory>

namespace core {
class Object;
class Variant;
}  // namespace core

namespace startup {

// File attribute bits as the program tests them.
inline constexpr int kAttrReadOnly = 1;
inline constexpr int kAttrHidden = 2;
inline constexpr int kAttrDirectory = 16;
inline constexpr int kAttrArchive = 32;  // regular files carry it, folders do not

// True when the path exists and, with a mask, when its attributes share a bit
// with the mask. Never fails.
bool FileExists(const QString& path, int attributeMask = 0);

// Opens a file, document or link ("mailto:...", "http://...") with the
// desktop's program for it. True when the desktop accepted the request. Only
// the verb "open" is known.
bool ShellOpenDocument(const QString& target, const QString& verb = QStringLiteral("open"));

// The value of a key in an INI file (sections and keys in any case), or the
// default when the file, section or key is missing.
QString ReadIniString(const QString& iniFile, const QString& section, const QString& key,
                      const QString& defaultValue);

// The default printer's name; empty when there is none.
QString GetDefaultPrinterName();

// The first and the last day of the date's month, without time.
core::Date FirstDayOfMonth(core::Date date);
core::Date LastDayOfMonth(core::Date date);

// A path starting with "/" or "\" or with a drive ("C:") is returned as is.
// A relative path is taken from the data folder when the file is there, else
// from the installation's assets folder.
QString GetAbsolutePath(const QString& path);

// What an error's "CONTESTO: " names: a plain value as its text, an object by
// its type name.
class ErrorContext {
public:
    ErrorContext(const QString& text) : text_(text) {}
    ErrorContext(const char* text) : text_(QString::fromUtf8(text)) {}
    template <std::integral I>
        requires(!std::same_as<I, bool> && !std::same_as<I, char>)
    ErrorContext(I number) : text_(QString::number(number)) {}
    ErrorContext(double number);
    ErrorContext(const core::Variant& value);
    ErrorContext(const std::shared_ptr<core::Object>& object);
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

// Raises core::AppError: number the object-error base plus number, source
// "Zelt Order", description "CODICE: " number, two CRs, "CONTESTO: " context
// and, when the message is not empty, a CR and the message.
[[noreturn]] void RaiseAppError(const ErrorContext& context, long number, const QString& message);
// RaiseAppError with the generic number 32755.
[[noreturn]] void RaiseGenericError(const ErrorContext& context, const QString& message);

}  // namespace startup
