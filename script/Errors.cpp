#include "script/Errors.h"

#include "core/AppError.h"

namespace script {

QString errorDescription(int number) {
    const QString* text = core::languageErrorText(number);
    return text ? *text : QStringLiteral("Errore definito dall'applicazione o dall'oggetto");
}

void raiseError(int number) { throw core::AppError(number, errorSource(), errorDescription(number)); }

void raiseError(int number, const QString& description) {
    throw core::AppError(number, errorSource(), description);
}

}  // namespace script
