#include "datalib/Errors.h"

namespace datalib::errors {

QString source() { return QStringLiteral("Zelt Data"); }

int code(const core::AppError& e) {
    const long c = e.number() - kErrorBase;
    return (c > 0 && c < 1000) ? static_cast<int>(c) : 0;
}

bool isCancel(const core::AppError& e) { return e.cancelled() || code(e) == Cancelled; }

core::AppError make(Code code, const QString& description, bool cancelled) {
    return core::AppError(kErrorBase + code, source(), description, cancelled);
}

core::AppError definition(const QString& table, const QString& what) {
    return make(DefinitionRefused,
                QStringLiteral("Definizione della tabella \"%1\" non accettata: %2.").arg(table, what));
}

}  // namespace datalib::errors
