#include "core/ValueError.h"

#include "core/AppError.h"

namespace core {

QString valueErrorSource() { return QStringLiteral("VBScript"); }

QString valueErrorDescription(int number) {
    switch (number) {
        case kErrInvalidCall:
            return QStringLiteral("Chiamata di routine o argomento non valido");
        case kErrOverflow:
            return QStringLiteral("Overflow");
        case kErrOutOfMemory:
            return QStringLiteral("Memoria esaurita");
        case kErrSubscript:
            return QStringLiteral("Indice non incluso nell'intervallo");
        case kErrFixedArray:
            return QStringLiteral("Matrice fissa o temporaneamente bloccata");
        case kErrDivisionByZero:
            return QStringLiteral("Divisione per zero");
        case kErrTypeMismatch:
            return QStringLiteral("Tipo non corrispondente");
        case kErrObjectNotSet:
            return QStringLiteral("Variabile oggetto non impostata");
        case kErrInvalidNull:
            return QStringLiteral("Uso non valido di Null");
        case kErrObjectRequired:
            return QStringLiteral("Necessario oggetto");
        case kErrNotCollection:
            return QStringLiteral("L'oggetto non è un insieme");
        default:
            return QStringLiteral("Errore %1").arg(number);
    }
}

void raiseValueError(int number) {
    throw AppError(number, valueErrorSource(), valueErrorDescription(number));
}

}  // namespace core
