#include "datalib/query/QueryError.h"

#include "datalib/Errors.h"

namespace datalib::query {

namespace {
QString kindWord(TextKind kind) {
    switch (kind) {
        case TextKind::Filter:
            return QStringLiteral("Condizione di selezione non valida");
        case TextKind::Sort:
            return QStringLiteral("Ordinamento non valido");
        case TextKind::Columns:
            return QStringLiteral("Elenco dei campi non valido");
        case TextKind::Statement:
            return QStringLiteral("Istruzione non valida");
        case TextKind::Value:
            break;
    }
    return QStringLiteral("Valore non valido");
}
}  // namespace

core::AppError queryError(TextKind kind, const QString& text, int pos, const QString& what) {
    QString message = QStringLiteral("%1 alla posizione %2: %3.").arg(kindWord(kind)).arg(pos).arg(what);
    if (!text.isEmpty()) message += QStringLiteral("\nTesto: ") + text;
    return errors::make(errors::InvalidValue, message);
}

core::AppError tooLongError(TextKind kind, int length, int limit) {
    return errors::make(
        errors::InvalidValue,
        QStringLiteral("%1: il testo è di %2 caratteri, oltre il limite di %3 caratteri (64 KB).")
            .arg(kindWord(kind))
            .arg(length)
            .arg(limit));
}

core::AppError valueError(const QString& what) { return errors::make(errors::InvalidValue, what); }

}  // namespace datalib::query
