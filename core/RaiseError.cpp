#include "core/RaiseError.h"

#include "core/ItalianText.h"
#include "core/Object.h"
#include "core/Variant.h"

namespace core {

ErrorContext::ErrorContext(double number) : text_(italian::formatDouble(number)) {}

ErrorContext::ErrorContext(const Variant& value) {
    if (value.isObject() || value.isArray())
        text_ = value.typeName();
    else if (!value.isNull())
        text_ = value.toString();
}

ErrorContext::ErrorContext(const std::shared_ptr<Object>& object)
    : text_(object ? object->typeName() : QStringLiteral("Nothing")) {}

void RaiseAppError(const ErrorContext& context, long number, const QString& message) {
    QString description = QStringLiteral("CODICE: ") + QString::number(number) +
                          QStringLiteral("\r\rCONTESTO: ") + context.text();
    if (!message.isEmpty()) description += QLatin1Char('\r') + message;
    throw AppError(kObjectErrorBase + number, QStringLiteral("Zelt Order"), description);
}

void RaiseGenericError(const ErrorContext& context, const QString& message) {
    RaiseAppError(context, kGenericErrorNumber, message);
}

}  // namespace core
