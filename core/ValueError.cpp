#include "core/ValueError.h"

#include "core/AppError.h"

namespace core {

QString valueErrorSource() { return languageErrorSource(); }

QString valueErrorDescription(int number) {
    const QString* text = languageErrorText(number);
    return text ? *text : QStringLiteral("Errore %1").arg(number);
}

void raiseValueError(int number) {
    throw AppError(number, valueErrorSource(), valueErrorDescription(number));
}

}  // namespace core
