// The expressions of the query language: literals in the type the other
// side asks (a text against a date column is a date), arithmetic,
// comparisons, Like, In, Between and the functions the scripts use.

#include "datalib/query/Translator.h"

#include "core/Clock.h"

#include <cmath>

namespace datalib::query {

namespace {

// Reads the text of a date literal: "yyyy-MM-dd[ HH:mm[:ss]]" (also with
// "T" before the time) or the Italian "dd/mm/yyyy[ hh:mm[:ss]]" (also with
// "." in the time).
std::optional<core::Date> readDate(const QString& text) {
    const QString t = text.trimmed();
    int split = int(t.indexOf(u' '));
    if (split < 0) split = int(t.indexOf(u'T'));
    const QStringView datePart = QStringView(t).left(split < 0 ? t.size() : split);
    const QStringView timePart = split < 0 ? QStringView() : QStringView(t).mid(split + 1).trimmed();
    auto numbers = [](QStringView part, QChar sep, int maxParts) -> std::vector<int> {
        std::vector<int> out;
        for (QStringView piece : part.split(sep)) {
            bool ok = false;
            const int v = piece.toInt(&ok);
            if (!ok || piece.isEmpty() || piece.size() > 4 || int(out.size()) == maxParts) return {};
            out.push_back(v);
        }
        return out;
    };
    int y = 0, m = 0, d = 0;
    if (datePart.contains(u'-')) {
        const auto v = numbers(datePart, u'-', 3);
        if (v.size() != 3) return std::nullopt;
        y = v[0], m = v[1], d = v[2];
    } else {
        const auto v = numbers(datePart, u'/', 3);
        if (v.size() != 3) return std::nullopt;
        d = v[0], m = v[1], y = v[2];
    }
    if (!core::Date::isValidDate(y, m, d)) return std::nullopt;
    int hh = 0, mm = 0, ss = 0;
    if (!timePart.isEmpty()) {
        const auto v = numbers(timePart, timePart.contains(u':') ? u':' : u'.', 3);
        if (v.size() < 2 || v[0] > 23 || v[1] > 59 || (v.size() == 3 && v[2] > 59)) return std::nullopt;
        hh = v[0], mm = v[1], ss = v.size() == 3 ? v[2] : 0;
    }
    return core::Date::fromParts(y, m, d, hh, mm, ss);
}

}  // namespace

Expr Translator::literal(const Node& n, VType want) {
    Expr e;
    switch (n.kind) {
        case Node::Kind::Null:
            e.sql = QStringLiteral("NULL");
            e.type = VType::Null;
            return e;
        case Node::Kind::Bool:
            e.sql = n.number != 0 ? QStringLiteral("1") : QStringLiteral("0");
            e.type = VType::Bool;
            return e;
        case Node::Kind::Number: {
            e.type = VType::Number;
            if (want == VType::Bool) {
                e.sql = n.number != 0 ? QStringLiteral("1") : QStringLiteral("0");
                return e;
            }
            const double v = n.number;
            if (v == std::floor(v) && std::fabs(v) < 9.0e15)
                e.sql = bind(qint64(v));
            else
                e.sql = bind(v);
            return e;
        }
        case Node::Kind::String:
            if (want == VType::Date || want == VType::DateTime) {
                const auto d = readDate(n.text);
                if (!d) fail(n.pos, QStringLiteral("'%1' non è una data valida").arg(n.text));
                e.sql = bind(storedDateText(*d, want == VType::DateTime));
                e.type = want;
                return e;
            }
            e.sql = bind(n.text);
            e.type = VType::Text;
            return e;
        case Node::Kind::Date: {
            const auto d = readDate(n.text);
            if (!d) fail(n.pos, QStringLiteral("#%1# non è una data valida").arg(n.text));
            const bool withTime = want == VType::DateTime || (want != VType::Date && d->hasTime());
            e.sql = bind(storedDateText(want == VType::Date ? d->datePart() : *d, withTime));
            e.type = withTime ? VType::DateTime : VType::Date;
            return e;
        }
        default:
            break;
    }
    return e;
}

bool Translator::isLiteral(const Node& n) {
    return n.kind == Node::Kind::Null || n.kind == Node::Kind::Bool || n.kind == Node::Kind::Number ||
           n.kind == Node::Kind::String || n.kind == Node::Kind::Date;
}

Expr Translator::value(const Node& n, VType want) {
    if (isLiteral(n)) return literal(n, want);
    switch (n.kind) {
        case Node::Kind::Name:
            return name(n);
        case Node::Kind::Negate: {
            Expr a = value(*n.args[0], VType::Number);
            return {QStringLiteral("(-%1)").arg(a.sql), VType::Number, false, -1};
        }
        case Node::Kind::Arith: {
            Expr a = value(*n.args[0]);
            Expr b = value(*n.args[1], a.type == VType::Number ? VType::Number : VType::Unknown);
            if (n.text == u"/")
                return {QStringLiteral("(CAST(%1 AS REAL) / %2)").arg(a.sql, b.sql), VType::Number, false,
                        -1};
            return {QStringLiteral("(%1 %2 %3)").arg(a.sql, n.text, b.sql), VType::Number, false, -1};
        }
        case Node::Kind::Call:
            return call(n);
        default: {
            Expr e;
            e.sql = condition(n);
            e.type = VType::Bool;
            e.condition = true;
            return e;
        }
    }
}

std::pair<Expr, Expr> Translator::pair(const Node& l, const Node& r) {
    if (isLiteral(l) && !isLiteral(r)) {
        Expr b = value(r);
        Expr a = value(l, b.type);
        return {a, b};
    }
    Expr a = value(l);
    Expr b = value(r, a.type);
    return {a, b};
}

QString Translator::truth(const Expr& e) {
    if (e.condition) return e.sql;
    if (e.type == VType::Bool) return QStringLiteral("(%1 <> 0)").arg(e.sql);
    if (e.isColumn() || e.type == VType::Text || e.type == VType::Date || e.type == VType::DateTime)
        return QStringLiteral("(%1 IS NOT NULL AND %1 <> '')").arg(e.sql);
    return QStringLiteral("(%1 <> 0)").arg(e.sql);
}

QString Translator::condition(const Node& n) {
    switch (n.kind) {
        case Node::Kind::And:
        case Node::Kind::Or:
            return QStringLiteral("(%1 %2 %3)")
                .arg(condition(*n.args[0]),
                     n.kind == Node::Kind::And ? QStringLiteral("AND") : QStringLiteral("OR"),
                     condition(*n.args[1]));
        case Node::Kind::Not:
            return QStringLiteral("(NOT %1)").arg(condition(*n.args[0]));
        case Node::Kind::Compare: {
            const Node& l = *n.args[0];
            const Node& r = *n.args[1];
            const bool lNull = l.kind == Node::Kind::Null;
            const bool rNull = r.kind == Node::Kind::Null;
            if (lNull || rNull) {
                if (lNull && rNull) return n.text == u"=" ? QStringLiteral("1") : QStringLiteral("0");
                const Expr other = value(lNull ? r : l);
                if (n.text == u"=") return QStringLiteral("(%1 IS NULL)").arg(other.sql);
                if (n.text == u"<>") return QStringLiteral("(%1 IS NOT NULL)").arg(other.sql);
                return QStringLiteral("0");
            }
            auto [a, b] = pair(l, r);
            return QStringLiteral("(%1 %2 %3)").arg(a.sql, n.text, b.sql);
        }
        case Node::Kind::Like: {
            Expr a = value(*n.args[0]);
            const Node& p = *n.args[1];
            QString like;
            if (p.kind == Node::Kind::String || p.kind == Node::Kind::Number)
                like = QStringLiteral("%1 LIKE %2 ESCAPE '\\'").arg(a.sql, bind(likePattern(p.text)));
            else
                like = QStringLiteral("%1 LIKE replace(replace(%2, '*', '%'), '?', '_')")
                           .arg(a.sql, value(p).sql);
            return n.negated ? QStringLiteral("(NOT (%1))").arg(like) : QStringLiteral("(%1)").arg(like);
        }
        case Node::Kind::IsNull: {
            Expr a = value(*n.args[0]);
            return QStringLiteral("(%1 IS %2NULL)")
                .arg(a.sql, n.negated ? QStringLiteral("NOT ") : QString());
        }
        case Node::Kind::In: {
            Expr a = value(*n.args[0]);
            QStringList items;
            for (size_t i = 1; i < n.args.size(); ++i) items << value(*n.args[i], a.type).sql;
            return QStringLiteral("(%1 %2IN (%3))")
                .arg(a.sql, n.negated ? QStringLiteral("NOT ") : QString(), items.join(QStringLiteral(", ")));
        }
        case Node::Kind::Between: {
            Expr a = value(*n.args[0]);
            Expr lo = value(*n.args[1], a.type);
            Expr hi = value(*n.args[2], a.type);
            return QStringLiteral("(%1 %2BETWEEN %3 AND %4)")
                .arg(a.sql, n.negated ? QStringLiteral("NOT ") : QString(), lo.sql, hi.sql);
        }
        case Node::Kind::Null:
            return QStringLiteral("0");
        default:
            return truth(value(n, VType::Bool));
    }
}

QString Translator::likePattern(const QString& p) {
    QString out;
    auto literalChar = [&out](QChar c) {
        if (c == u'%' || c == u'_' || c == u'\\') out += u'\\';
        out += c;
    };
    for (int i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'*' || c == u'%')
            out += u'%';
        else if (c == u'?')
            out += u'_';
        else if (c == u'[' && i + 2 < p.size() && p[i + 2] == u']') {
            literalChar(p[i + 1]);
            i += 2;
        } else
            literalChar(c);
    }
    return out;
}

Expr Translator::call(const Node& n) {
    const QString f = n.text.toUpper();
    const int argc = int(n.args.size());
    auto need = [&](int lo, int hi) {
        if (argc < lo || argc > hi) {
            if (lo == hi)
                fail(n.pos, QStringLiteral("la funzione %1 vuole %2 argomenti").arg(n.text).arg(lo));
            fail(n.pos,
                 QStringLiteral("la funzione %1 vuole da %2 a %3 argomenti").arg(n.text).arg(lo).arg(hi));
        }
    };
    auto arg = [&](int i, VType want = VType::Unknown) { return value(*n.args[size_t(i)], want); };
    Expr e;
    if (f == u"LEFT") {
        need(2, 2);
        e = {QStringLiteral("substr(%1, 1, max(%2, 0))").arg(arg(0).sql, arg(1, VType::Number).sql),
             VType::Text};
    } else if (f == u"RIGHT") {
        need(2, 2);
        const QString s = arg(0).sql;
        const QString k = arg(1, VType::Number).sql;
        e = {QStringLiteral("(CASE WHEN %2 > 0 THEN substr(%1, -(%2)) ELSE substr(%1, 1, 0) END)").arg(s, k),
             VType::Text};
    } else if (f == u"MID") {
        need(2, 3);
        if (argc == 2)
            e = {QStringLiteral("substr(%1, %2)").arg(arg(0).sql, arg(1, VType::Number).sql), VType::Text};
        else
            e = {QStringLiteral("substr(%1, %2, max(%3, 0))")
                     .arg(arg(0).sql, arg(1, VType::Number).sql, arg(2, VType::Number).sql),
                 VType::Text};
    } else if (f == u"LEN") {
        need(1, 1);
        e = {QStringLiteral("length(%1)").arg(arg(0).sql), VType::Number};
    } else if (f == u"UCASE" || f == u"LCASE" || f == u"TRIM") {
        need(1, 1);
        const char* fn = f == u"UCASE" ? "upper" : f == u"LCASE" ? "lower" : "trim";
        e = {QStringLiteral("%1(%2)").arg(QLatin1String(fn), arg(0).sql), VType::Text};
    } else if (f == u"YEAR" || f == u"MONTH" || f == u"DAY") {
        need(1, 1);
        const char* part = f == u"YEAR" ? "%Y" : f == u"MONTH" ? "%m" : "%d";
        e = {QStringLiteral("CAST(strftime('%1', %2) AS INTEGER)")
                 .arg(QLatin1String(part), arg(0, VType::DateTime).sql),
             VType::Number};
    } else if (f == u"IIF") {
        need(3, 3);
        const QString c = condition(*n.args[0]);
        Expr a = arg(1);
        Expr b = arg(2, a.type);
        e = {QStringLiteral("(CASE WHEN %1 THEN %2 ELSE %3 END)").arg(c, a.sql, b.sql), a.type};
    } else if (f == u"NZ") {
        need(1, 2);
        Expr a = arg(0);
        const QString d = argc == 2
                              ? arg(1, a.type).sql
                              : (a.type == VType::Number || a.type == VType::Bool ? QStringLiteral("0")
                                                                                  : QStringLiteral("''"));
        e = {QStringLiteral("coalesce(%1, %2)").arg(a.sql, d), a.type};
    } else if (f == u"ISDIGITS") {
        // A text made of decimal digits only (the number-like codes).
        need(1, 1);
        const QString t = arg(0, VType::Text).sql;
        e = {QStringLiteral("(%1 <> '' AND %1 NOT GLOB '*[^0-9]*')").arg(t), VType::Bool};
    } else if (f == u"DATE") {
        need(0, 0);
        e = {bind(storedDateText(core::Clock::today(), false)), VType::Date};
    } else if (f == u"NOW") {
        need(0, 0);
        e = {bind(storedDateText(core::Clock::now(), true)), VType::DateTime};
    } else {
        fail(n.pos, QStringLiteral("funzione sconosciuta '%1'").arg(n.text));
    }
    return e;
}

}  // namespace datalib::query
