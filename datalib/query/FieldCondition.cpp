// The library's condition builders: conditions on one column, on one row and
// along one reference, written as texts of the query language.

#include "datalib/query/QueryError.h"
#include "datalib/query/QueryTranslator.h"

#include <QDateTime>
#include <cmath>

namespace datalib::query {

namespace {

QString dateLiteral(const core::Date& d, bool withTime) { return u'#' + storedDateText(d, withTime) + u'#'; }

QString numberLiteral(double v) {
    if (v == std::floor(v) && std::fabs(v) < 9.0e15) return QString::number(qint64(v));
    QString s = QString::number(v, 'g', 15);
    if (s.toDouble() != v) s = QString::number(v, 'g', 17);
    return s;
}

QString stringLiteral(const QString& s) {
    QString out = s;
    out.replace(u'\'', QStringLiteral("''"));
    return u'\'' + out + u'\'';
}

// A typed text read as the operator meant it: Italian numbers and dates, and
// also the query-literal forms.
struct Column {
    QString qualified;  // "Table.Column"
    int type = coltype::Text;
    bool keyedText = false;  // a text column or a reference holding a code
};

Column findColumn(const TableDef& table, const QString& name) {
    Column c;
    const TableDef* owner = nullptr;
    if (name.compare(QStringLiteral("OID"), Qt::CaseInsensitive) == 0) {
        c.qualified = table.name() + QStringLiteral(".OID");
        c.type = coltype::Integer;
        return c;
    }
    if (const ColumnDef* def = table.findColumn(name, &owner)) {
        c.qualified = owner->name() + u'.' + def->name;
        c.type = def->type;
        c.keyedText = def->isText();
        return c;
    }
    if (const ReferenceDef* ref = table.findReference(name, &owner); ref && !ref->collection) {
        c.qualified = owner->name() + u'.' + ref->name;
        c.type = ref->keyColumn.isEmpty() ? coltype::Integer : coltype::Code;
        c.keyedText = !ref->keyColumn.isEmpty();
        return c;
    }
    throw valueError(QStringLiteral("Il campo '%1' non esiste nella tabella %2").arg(name, table.name()));
}

bool isBlank(const core::Variant& v) {
    return v.isEmptyOrNull() || (v.isString() && v.stringValue().isEmpty());
}

core::Date toDate(const core::Variant& v, const QString& column) {
    try {
        if (v.kind() == core::VType::Date) return v.dateValue();
        if (v.isString()) {
            const QString t = v.stringValue().trimmed();
            for (const char* f : {"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"}) {
                const QDateTime dt = QDateTime::fromString(t, QLatin1String(f));
                if (dt.isValid()) return core::Date::fromQDateTime(dt);
            }
        }
        return v.toDate();
    } catch (const core::AppError&) {
    }
    throw valueError(
        QStringLiteral("Il valore '%1' non è una data valida per il campo %2").arg(v.toString(), column));
}

double toNumber(const core::Variant& v, const QString& column) {
    try {
        return v.toDouble();  // a text as the operator reads it: "1.234,5"
    } catch (const core::AppError&) {
    }
    if (v.isString()) {
        bool ok = false;
        const double d = v.stringValue().trimmed().toDouble(&ok);  // "1.5e3" as a program writes it
        if (ok) return d;
    }
    throw valueError(
        QStringLiteral("Il valore '%1' non è un numero valido per il campo %2").arg(v.toString(), column));
}

bool toFlag(const core::Variant& v) {
    if (v.isString()) {
        const QString t = v.stringValue().trimmed().toUpper();
        return !(t == u"FALSE" || t == u"FALSO" || t == u"NO" || t == u"0" || t.isEmpty());
    }
    return v.toBool();
}

// The literal of a value for a column of the given type.
QString literalFor(const Column& c, const core::Variant& v) {
    if (v.isEmptyOrNull()) return QStringLiteral("Null");
    switch (c.type) {
        case coltype::Boolean:
            return toFlag(v) ? QStringLiteral("True") : QStringLiteral("False");
        case coltype::Date:
            return dateLiteral(toDate(v, c.qualified), false);
        case coltype::DateTime: {
            const core::Date d = toDate(v, c.qualified);
            return dateLiteral(d, d.hasTime());
        }
        case coltype::Integer:
        case coltype::Single:
        case coltype::Number:
        case coltype::Money:
            return numberLiteral(toNumber(v, c.qualified));
        default:
            return stringLiteral(v.toString());
    }
}

// The typed text as a Like pattern: its own wildcard characters stay literal.
QString likeText(const QString& typed) {
    QString out;
    for (QChar ch : typed) {
        if (ch == u'*' || ch == u'%' || ch == u'?' || ch == u'[' || ch == u'_' || ch == u'#')
            out += u'[' + QString(ch) + u']';
        else
            out += ch;
    }
    return out;
}

bool wholeNumberText(const core::Variant& v, QString* digits) {
    if (v.isEmptyOrNull()) return false;
    QString t = v.toString().trimmed();
    if (t.isEmpty()) return false;
    for (QChar ch : t)
        if (!ch.isDigit()) return false;
    while (t.size() > 1 && t.startsWith(u'0')) t.remove(0, 1);
    *digits = t;
    return true;
}

core::Date nextDay(const core::Date& d) { return core::Date(d.datePart().serial() + 1.0); }

}  // namespace

QString QueryLiteral(const core::Variant& value) {
    switch (value.kind()) {
        case core::VType::Empty:
        case core::VType::Null:
            return QStringLiteral("Null");
        case core::VType::Boolean:
            return value.boolValue() ? QStringLiteral("True") : QStringLiteral("False");
        case core::VType::Byte:
        case core::VType::Integer:
        case core::VType::Long:
        case core::VType::Single:
        case core::VType::Double:
            return numberLiteral(value.toDouble());
        case core::VType::Currency: {
            const qint64 raw = value.currencyValue().raw();
            QString s = QString::number(std::llabs(raw) / 10000);
            const qint64 frac = std::llabs(raw) % 10000;
            if (frac) {
                QString digits = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
                while (digits.endsWith(u'0')) digits.chop(1);
                s += u'.' + digits;
            }
            return raw < 0 ? u'-' + s : s;
        }
        case core::VType::Date:
            return dateLiteral(value.dateValue(), value.dateValue().hasTime());
        default:
            return stringLiteral(value.toString());
    }
}

QString BuildFieldCondition(const TableDef& table, const QString& column, const core::Variant& value,
                            int code, const core::Variant& value2, const QString& wildcard) {
    const Column c = findColumn(table, column);
    const QString& f = c.qualified;
    const bool dayWide = c.type == coltype::DateTime;
    switch (code) {
        case MatchEqual:
        case MatchNotEqual: {
            const bool eq = code == MatchEqual;
            if (isBlank(value)) {
                // An empty code stands for "no choice": never set, or set to the
                // protected empty row. Null itself is only Null (a key column
                // compared with Null matches no row).
                if (c.keyedText && !value.isNull())
                    return eq ? QStringLiteral("(%1 Is Null Or %1 = '')").arg(f)
                              : QStringLiteral("(%1 Is Not Null And %1 <> '')").arg(f);
                return QStringLiteral("%1 Is %2Null").arg(f, eq ? QString() : QStringLiteral("Not "));
            }
            if (dayWide) {
                const core::Date d = toDate(value, f);
                if (!d.hasTime()) {
                    const QString day = QStringLiteral("%1 >= %2 And %1 < %3")
                                            .arg(f, dateLiteral(d, false), dateLiteral(nextDay(d), false));
                    return eq ? QStringLiteral("(%1)").arg(day) : QStringLiteral("Not (%1)").arg(day);
                }
            }
            return f + (eq ? QStringLiteral("=") : QStringLiteral("<>")) + literalFor(c, value);
        }
        case MatchGreaterEqual:
            return f + QStringLiteral(">=") + literalFor(c, value);
        case MatchLessEqual:
            if (dayWide && !isBlank(value) && !toDate(value, f).hasTime())
                return f + QStringLiteral("<") + dateLiteral(nextDay(toDate(value, f)), false);
            return f + QStringLiteral("<=") + literalFor(c, value);
        case MatchRange: {
            if (isBlank(value2)) return BuildFieldCondition(table, column, value, MatchGreaterEqual);
            QString lo;
            QString hi;
            if (c.keyedText && wholeNumberText(value, &lo) && wholeNumberText(value2, &hi)) {
                // Two whole numbers on a text column ("9" to "10") compare as
                // numbers: by length first, then digit by digit; texts that
                // are not numbers are outside the range.
                return QStringLiteral(
                           "IsDigits(%1) And (Len(%1) > %2 Or (Len(%1) = %2 And %1 >= %3)) And (Len(%1) < %4 "
                           "Or "
                           "(Len(%1) = %4 And %1 <= %5))")
                    .arg(f)
                    .arg(lo.size())
                    .arg(stringLiteral(lo))
                    .arg(hi.size())
                    .arg(stringLiteral(hi));
            }
            return QStringLiteral("%1 And %2")
                .arg(BuildFieldCondition(table, column, value, MatchGreaterEqual),
                     BuildFieldCondition(table, column, value2, MatchLessEqual));
        }
        case MatchBeginsWith:
        case MatchContains: {
            const QString any = wildcard == u"*" ? QStringLiteral("*") : QStringLiteral("%");
            const QString typed = likeText(value.isEmptyOrNull() ? QString() : value.toString());
            const QString pattern = code == MatchBeginsWith ? typed + any : any + typed + any;
            return f + QStringLiteral(" Like ") + stringLiteral(pattern);
        }
        default:
            break;
    }
    throw valueError(QStringLiteral("Codice di confronto %1 non previsto per il campo %2").arg(code).arg(f));
}

QString EqualityCondition(const TableDef& table, const QString& column, const core::Variant& value) {
    return BuildFieldCondition(table, column, value, MatchEqual);
}

QString RowOIDQueryString(const TableDef& table, qint64 oid, int code) {
    if (code != MatchEqual && code != MatchNotEqual)
        throw valueError(QStringLiteral("Codice di confronto %1 non previsto per la riga").arg(code));
    return table.name() + QStringLiteral(".OID") +
           (code == MatchEqual ? QStringLiteral("=") : QStringLiteral("<>")) + QString::number(oid);
}

QString JoinCondition(const TableDef& table, const ReferenceDef& reference) {
    const QString& owner = reference.ownerTable.isEmpty() ? table.name() : reference.ownerTable;
    if (reference.collection)
        return owner + QStringLiteral(".OID=") + reference.table + u'.' + reference.parentLinkColumn();
    return owner + u'.' + reference.name + u'=' + reference.table + u'.' +
           (reference.keyColumn.isEmpty() ? QStringLiteral("OID") : reference.keyColumn);
}

}  // namespace datalib::query
