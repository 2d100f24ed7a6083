#include "datalib/DataSourceParts.h"

#include "datalib/Errors.h"

#include <sqlite3.h>
#include <cmath>

namespace datalib {

namespace {

int digits(const QString& s, int from, int count, bool& ok) {
    int v = 0;
    for (int i = from; i < from + count; ++i) {
        if (i >= s.size() || !s[i].isDigit()) {
            ok = false;
            return 0;
        }
        v = v * 10 + s[i].digitValue();
    }
    return v;
}

// A refused value as the message shows it.
QString shown(const core::Variant& v) {
    if (v.isString()) return v.stringValue().left(40);
    if (v.isNumber()) return QString::number(v.toDouble(), 'g', 6);
    return v.typeName();
}

core::AppError outOfRange(const QString& table, const ColumnDef& c, const core::Variant& v) {
    return errors::make(
        errors::InvalidValue,
        QStringLiteral("Il valore %1 non è ammesso nella colonna \"%2\" della tabella \"%3\": "
                       "è fuori dall'intervallo dei valori numerici consentiti.")
            .arg(shown(v), c.name, table));
}

}  // namespace

core::Variant wholeNumber(qint64 v) {
    if (v >= INT32_MIN && v <= INT32_MAX) return core::Variant(std::int32_t(v));
    return core::Variant(double(v));
}

core::Variant parseStoredDate(const QString& s) {
    bool ok = true;
    const int y = digits(s, 0, 4, ok), m = digits(s, 5, 2, ok), d = digits(s, 8, 2, ok);
    if (!ok || !core::Date::isValidDate(y, m, d)) return core::Variant::null();
    int hh = 0, mi = 0, ss = 0;
    if (s.size() >= 19) {
        hh = digits(s, 11, 2, ok);
        mi = digits(s, 14, 2, ok);
        ss = digits(s, 17, 2, ok);
        if (!ok) hh = mi = ss = 0;
    }
    return core::Variant(core::Date::fromParts(y, m, d, hh, mi, ss));
}

void RowLayout::build(const TableDef& table, const QStringList& columnNames, const ReferenceDef* parentRef) {
    cols_.clear();
    index_.clear();
    baseLink_ = parentLink_ = -1;
    const TableDef* def = &table;
    for (const QString& n : columnNames) {
        Column info;
        info.name = n;
        const TableDef* owner = nullptr;
        if (n.compare(QLatin1String("OID"), Qt::CaseInsensitive) == 0) {
            info.kind = Kind::OID;
        } else if (const ColumnDef* c = def->findColumn(n, &owner)) {
            info.col = c;
            info.kind = owner == def ? Kind::Own : Kind::Base;
        } else if (const ReferenceDef* r = def->findReference(n, &owner); r && !r->collection) {
            info.ref = r;
            info.kind = owner == def ? Kind::OwnRef : Kind::BaseRef;
        } else if (def->base && n.compare(def->baseLinkColumn(), Qt::CaseInsensitive) == 0) {
            info.kind = Kind::Link;
            baseLink_ = int(cols_.size());
        } else {
            bool link = false;
            for (const ReferenceDef* p : def->parents)
                if (n.compare(p->parentLinkColumn(), Qt::CaseInsensitive) == 0) link = true;
            info.kind = link ? Kind::Link : Kind::Expr;
            if (link && parentRef && n.compare(parentRef->parentLinkColumn(), Qt::CaseInsensitive) == 0)
                parentLink_ = int(cols_.size());
        }
        const QString key = n.toLower();
        if (!index_.contains(key)) index_.insert(key, int(cols_.size()));
        cols_.push_back(info);
    }
}

core::Variant RowLayout::fromStorage(const Column& info, Statement& st, int col) {
    const int t = st.columnType(col);
    if (t == SQLITE_NULL) {
        if (info.col && info.col->isBoolean()) return core::Variant(false);
        return core::Variant::null();
    }
    if (info.col) {
        switch (info.col->type) {
            case coltype::Boolean:
                return core::Variant(st.int64(col) != 0);
            case coltype::Integer:
                return t == SQLITE_INTEGER ? wholeNumber(st.int64(col)) : core::Variant(st.real(col));
            case coltype::Single:
                return core::Variant(float(st.real(col)));
            case coltype::Number:
                return core::Variant(st.real(col));
            case coltype::Money:
                try {
                    return core::Variant(core::Currency::fromDouble(st.real(col)));
                } catch (const core::AppError&) {
                    return core::Variant(st.real(col));
                }
            case coltype::Date:
            case coltype::DateTime:
                return parseStoredDate(st.text(col));
            default:
                return core::Variant(st.text(col));
        }
    }
    if (info.ref) {
        if (info.ref->byRowLink()) return wholeNumber(st.int64(col));
        return core::Variant(st.text(col));
    }
    switch (t) {
        case SQLITE_INTEGER:
            return wholeNumber(st.int64(col));
        case SQLITE_FLOAT:
            return core::Variant(st.real(col));
        default:
            return core::Variant(st.text(col));
    }
}

std::vector<core::Variant> RowLayout::readRow(Statement& st) const {
    std::vector<core::Variant> v;
    v.reserve(cols_.size());
    for (size_t i = 0; i < cols_.size(); ++i) v.push_back(fromStorage(cols_[i], st, int(i)));
    return v;
}

core::Variant RowLayout::normalise(const QString& table, const Column& info, const core::Variant& in) {
    const core::Variant v = in.isObject() ? in.resolved() : in;
    if (info.ref) {
        if (v.isEmptyOrNull())
            return info.ref->byRowLink() ? core::Variant::null() : core::Variant(QString());
        if (info.ref->byRowLink()) return wholeNumber(qint64(std::llround(v.toDouble())));
        return core::Variant(v.toString());
    }
    if (!info.col) return v;
    const ColumnDef& c = *info.col;
    if (c.isBoolean()) {
        if (v.isEmptyOrNull()) return core::Variant(false);
    } else if (v.isEmptyOrNull()) {
        return core::Variant::null();
    }
    try {
        switch (c.type) {
            case coltype::Boolean:
                return core::Variant(v.toBool());
            case coltype::Integer: {
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                const double d = v.toDouble();
                if (std::fabs(d) < 2147483647.0) return core::Variant(v.toLong());
                // A whole number is stored in 64 bits: what lies beyond (1e300,
                // an infinity) is refused, never wrapped.
                if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
                    throw outOfRange(table, c, v);
                return wholeNumber(qint64(std::nearbyint(d)));
            }
            case coltype::Single:
            case coltype::Number: {
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                const core::Variant n =
                    c.type == coltype::Single ? core::Variant(v.toSingle()) : core::Variant(v.toDouble());
                if (!std::isfinite(n.toDouble())) throw outOfRange(table, c, v);
                return n;
            }
            case coltype::Money:
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                return core::Variant(v.toCurrency());
            case coltype::Date:
            case coltype::DateTime: {
                if (v.isString() && v.stringValue().trimmed().isEmpty()) return core::Variant::null();
                core::Date d = v.toDate();
                if (c.type == coltype::Date) d = d.datePart();
                return core::Variant(d);
            }
            default: {
                const QString s = v.toString();
                if (c.length > 0 && s.size() > c.length)
                    throw errors::make(
                        errors::InvalidValue,
                        QStringLiteral("Il valore della colonna \"%1\" della tabella \"%2\" supera la "
                                       "lunghezza massima di %3 caratteri.")
                            .arg(c.name, table)
                            .arg(c.length));
                return core::Variant(s);
            }
        }
    } catch (const core::AppError& e) {
        if (errors::code(e) == errors::InvalidValue) throw;
        throw errors::make(
            errors::InvalidValue,
            QStringLiteral("Valore non valido per la colonna \"%1\" della tabella \"%2\": \"%3\".")
                .arg(c.name, table, shown(v)));
    }
}

SqlValue RowLayout::toStorage(const Column& info, const core::Variant& v) {
    if (info.col && info.col->isBoolean()) return qint64(v.isEmptyOrNull() ? 0 : (v.toBool() ? 1 : 0));
    if (v.isEmptyOrNull()) return {};
    if (info.ref) {
        if (info.ref->byRowLink()) return qint64(std::llround(v.toDouble()));
        return v.toString();
    }
    if (!info.col) return qint64(std::llround(v.toDouble()));  // OID and links
    switch (info.col->type) {
        case coltype::Integer:
            return qint64(std::llround(v.toDouble()));
        case coltype::Single:
        case coltype::Number:
            return v.toDouble();
        case coltype::Money:
            return v.toCurrency().toDouble();
        case coltype::Date:
            return query::storedDateText(v.toDate(), false);
        case coltype::DateTime:
            return query::storedDateText(v.toDate(), true);
        default:
            return v.toString();
    }
}

}  // namespace datalib
