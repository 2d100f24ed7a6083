// The operators of the scripting language on values: arithmetic with the
// promotion of kinds (Byte, Integer, Long, Single, Double, Currency, Date)
// and its overflows, the text join &, comparisons in the binary or text
// mode, the logical and bitwise And, Or, Xor, Eqv, Imp, Not, and Is.

#include "core/Variant.h"

#include "core/ItalianText.h"
#include "core/ValueError.h"
#include "core/WholeNumbers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstring>

namespace core {

namespace {

// The value an operator works on: objects stand for their default member.
// `holder` keeps a resolved value alive; plain values are not copied.
const Variant& operand(const Variant& v, Variant& holder) {
    if (!v.isObject()) return v;
    holder = v.resolved();
    return holder;
}

}  // namespace

// ---- Arithmetic ----------------------------------------------------------------

namespace {

// Rank of a kind in the arithmetic promotion.
enum class Num { Byte, Integer, Long, Single, Double, Currency, Date };

Num numKind(const Variant& v) {
    switch (v.kind()) {
        case VType::Byte:
            return Num::Byte;
        case VType::Empty:
        case VType::Boolean:
        case VType::Integer:
            return Num::Integer;
        case VType::Long:
            return Num::Long;
        case VType::Single:
            return Num::Single;
        case VType::Double:
        case VType::String:
            return Num::Double;
        case VType::Currency:
            return Num::Currency;
        case VType::Date:
            return Num::Date;
        default:
            mismatch();
    }
}

// The kind two operands are computed in.
Num promote(const Variant& a, const Variant& b) {
    const Num x = numKind(a), y = numKind(b);
    if (x == Num::Date || y == Num::Date) return Num::Date;
    if (x == Num::Currency || y == Num::Currency) return Num::Currency;
    if (x == Num::Double || y == Num::Double) return Num::Double;
    if (x == Num::Single || y == Num::Single)
        return (x == Num::Long || y == Num::Long) ? Num::Double : Num::Single;
    if (x == Num::Long || y == Num::Long) return Num::Long;
    if (x == Num::Byte && y == Num::Byte) return Num::Byte;
    return Num::Integer;
}

// A whole result in the narrowest kind from `from` up that holds it
// (Byte, then Integer, then Long, then Double).
Variant wholeFrom(Num from, std::int64_t r) {
    if (from == Num::Byte && r >= 0 && r <= 255) return Variant(std::uint8_t(r));
    if (from <= Num::Integer && r >= -32768 && r <= 32767) return Variant(std::int16_t(r));
    if (r >= INT32_MIN && r <= INT32_MAX) return Variant(std::int32_t(r));
    return Variant(double(r));
}

Variant finiteDouble(double r) {
    if (!std::isfinite(r)) overflow();
    return Variant(r);
}

Variant singleOrDouble(double r) {
    if (!std::isfinite(r)) overflow();
    if (std::fabs(r) <= double(FLT_MAX)) return Variant(float(r));
    return Variant(r);
}

Variant dateResult(double serial) { return Variant(Date::fromSerial(serial)); }

enum class Arith { Add, Sub, Mul };

// + of a text and a text (or Empty): the two joined, within the longest
// text. Apart from the numbers' way through arithmetic, which stays short.
[[gnu::noinline]] Variant addTexts(const Variant& a, const Variant& b) {
    if (!b.isString()) return Variant(a.stringValue());
    checkTextLength(a.stringValue().size() + b.stringValue().size());
    return Variant(a.stringValue() + b.stringValue());
}

Variant arithmetic(Arith op, const Variant& a0, const Variant& b0) {
    Variant ha, hb;
    const Variant& a = operand(a0, ha);
    const Variant& b = operand(b0, hb);
    if (a.isNull() || b.isNull()) return Variant::null();
    if (op == Arith::Add && a.isString() && (b.isString() || b.isEmpty())) return addTexts(a, b);
    if (op == Arith::Add && b.isString() && a.isEmpty()) return b;

    Num kind = promote(a, b);
    if (kind == Num::Date && op == Arith::Mul) kind = Num::Double;
    switch (kind) {
        case Num::Byte:
        case Num::Integer:
        case Num::Long: {
            const std::int64_t x = toWhole(a, -2147483648.0, 2147483647.0);
            const std::int64_t y = toWhole(b, -2147483648.0, 2147483647.0);
            const std::int64_t r = op == Arith::Add ? x + y : op == Arith::Sub ? x - y : x * y;
            return wholeFrom(kind, r);
        }
        case Num::Single: {
            const double x = a.toDouble(), y = b.toDouble();
            return singleOrDouble(op == Arith::Add ? x + y : op == Arith::Sub ? x - y : x * y);
        }
        case Num::Double: {
            const double x = a.toDouble(), y = b.toDouble();
            return finiteDouble(op == Arith::Add ? x + y : op == Arith::Sub ? x - y : x * y);
        }
        case Num::Currency: {
            const Currency x = a.toCurrency(), y = b.toCurrency();
            return Variant(op == Arith::Add ? x + y : op == Arith::Sub ? x - y : x * y);
        }
        case Num::Date: {
            const double x = a.toDouble(), y = b.toDouble();
            if (op == Arith::Sub && a.kind() == VType::Date && b.kind() == VType::Date)
                return finiteDouble(x - y);
            return dateResult(op == Arith::Add ? x + y : x - y);
        }
    }
    mismatch();
}

bool atMostInteger(Num n) { return n == Num::Byte || n == Num::Integer; }

}  // namespace

Variant add(const Variant& a, const Variant& b) { return arithmetic(Arith::Add, a, b); }

Variant sub(const Variant& a, const Variant& b) { return arithmetic(Arith::Sub, a, b); }

Variant mul(const Variant& a, const Variant& b) { return arithmetic(Arith::Mul, a, b); }

Variant div(const Variant& a0, const Variant& b0) {
    Variant ha, hb;
    const Variant& a = operand(a0, ha);
    const Variant& b = operand(b0, hb);
    if (a.isNull() || b.isNull()) return Variant::null();
    const Num x = numKind(a), y = numKind(b);
    const double n = a.toDouble(), d = b.toDouble();
    if (d == 0) raiseValueError(n == 0 ? kErrOverflow : kErrDivisionByZero);
    const double r = n / d;
    const bool single = (x == Num::Single || y == Num::Single) && (x == Num::Single || atMostInteger(x)) &&
                        (y == Num::Single || atMostInteger(y));
    return single ? singleOrDouble(r) : finiteDouble(r);
}

namespace {
Variant wholeDivision(const Variant& a0, const Variant& b0, bool remainder) {
    Variant ha, hb;
    const Variant& a = operand(a0, ha);
    const Variant& b = operand(b0, hb);
    if (a.isNull() || b.isNull()) return Variant::null();
    const Num x = numKind(a), y = numKind(b);
    const Num kind = (x == Num::Byte && y == Num::Byte)       ? Num::Byte
                     : (atMostInteger(x) && atMostInteger(y)) ? Num::Integer
                                                              : Num::Long;
    const std::int64_t n = toWhole(a, -2147483648.0, 2147483647.0);
    const std::int64_t d = toWhole(b, -2147483648.0, 2147483647.0);
    if (d == 0) raiseValueError(kErrDivisionByZero);
    const std::int64_t r = remainder ? n % d : n / d;
    if (r > INT32_MAX) overflow();
    return wholeFrom(kind, r);
}
}  // namespace

Variant intDiv(const Variant& a, const Variant& b) { return wholeDivision(a, b, false); }

Variant mod(const Variant& a, const Variant& b) { return wholeDivision(a, b, true); }

Variant pow(const Variant& a0, const Variant& b0) {
    Variant ha, hb;
    const Variant& a = operand(a0, ha);
    const Variant& b = operand(b0, hb);
    if (a.isNull() || b.isNull()) return Variant::null();
    numKind(a);
    numKind(b);
    const double x = a.toDouble(), y = b.toDouble();
    if ((x == 0 && y < 0) || (x < 0 && y != std::trunc(y))) raiseValueError(kErrInvalidCall);
    return finiteDouble(std::pow(x, y));
}

Variant neg(const Variant& a0) {
    Variant ha;
    const Variant& a = operand(a0, ha);
    switch (a.kind()) {
        case VType::Null:
            return Variant::null();
        case VType::Empty:
            return Variant(std::int16_t(0));
        case VType::Boolean:
        case VType::Byte:
        case VType::Integer:
            return wholeFrom(Num::Integer, -toWhole(a, -32768.0, 32767.0));
        case VType::Long:
            return wholeFrom(Num::Long, -std::int64_t(a.longValue()));
        case VType::Single:
            return Variant(-a.singleValue());
        case VType::Double:
            return Variant(-a.doubleValue());
        case VType::Currency:
            return Variant(-a.currencyValue());
        case VType::Date:
            return dateResult(-a.dateValue().serial());
        case VType::String:
            return finiteDouble(-a.toDouble());
        default:
            mismatch();
    }
}

namespace {

// The text of a value as & joins it, without copying a text held (the copy
// of a shared text costs an atomic count): the held text itself, Null as
// nothing, a whole number's digits written into `digits`, or the conversion
// kept in holder.
QStringView joinedText(const Variant& v, QString& holder, char16_t (&digits)[11]) {
    switch (v.kind()) {
        case VType::String:
            return v.stringValue();
        case VType::Null:
            return {};
        case VType::Byte:
            return wholeDigits(v.byteValue(), digits);
        case VType::Integer:
            return wholeDigits(v.integerValue(), digits);
        case VType::Long:
            return wholeDigits(v.longValue(), digits);
        default:
            holder = v.toString();
            return holder;
    }
}

}  // namespace

Variant concat(const Variant& a0, const Variant& b0) {
    Variant ha, hb;
    const Variant& a = operand(a0, ha);
    const Variant& b = operand(b0, hb);
    if (a.isNull() && b.isNull()) return Variant::null();
    QString ta, tb;
    char16_t da[11], db[11];
    const QStringView x = joinedText(a, ta, da);
    const QStringView y = joinedText(b, tb, db);
    // One side alone: its text shared, not copied.
    if (y.isEmpty() && a.isString()) return Variant(a.stringValue());
    if (x.isEmpty() && b.isString()) return Variant(b.stringValue());
    checkTextLength(x.size() + y.size());
    QString s(x.size() + y.size(), Qt::Uninitialized);  // made once, at its size
    QChar* out = s.data();
    std::copy(x.begin(), x.end(), out);
    std::copy(y.begin(), y.end(), out + x.size());
    return Variant(std::move(s));
}

Variant concatTakingLeft(Variant&& a, const Variant& b0) {
    QString* x = a.textForWrite();
    if (!x || !x->isDetached() || b0.isObject()) return concat(a, b0);
    QString tb;
    char16_t db[11];
    const QStringView y = joinedText(b0, tb, db);
    checkTextLength(x->size() + y.size());
    x->append(y);  // in its room, or the room grows as appends make it
    return std::move(a);
}

Variant concatTakingRight(const Variant& a0, Variant&& b) {
    QString* y = b.textForWrite();
    if (!y || !y->isDetached() || a0.isObject()) return concat(a0, b);
    QString ta;
    char16_t da[11];
    const QStringView x = joinedText(a0, ta, da);
    QString::DataPointer& d = y->data_ptr();
    const qsizetype n = d.size;
    if (d.freeSpaceAtBegin() >= x.size()) {
        // Into the room before its start: its characters stay where they are.
        checkTextLength(n + x.size());
        d.ptr -= x.size();
        d.size = n + x.size();
        std::copy_n(x.utf16(), x.size(), d.ptr);
        return std::move(b);
    }
    if (d.freeSpaceAtEnd() < x.size()) return concat(a0, b);  // no room: a new text at its size
    checkTextLength(n + x.size());
    y->resize(n + x.size());  // within its room
    QChar* p = y->data();
    std::memmove(static_cast<void*>(p + x.size()), static_cast<const void*>(p),
                 std::size_t(n) * sizeof(QChar));
    std::copy(x.begin(), x.end(), p);
    return std::move(b);
}

// ---- Comparison ------------------------------------------------------------------

namespace {

int compareText(const QString& x, const QString& y, CompareMode mode) {
    const int c = QString::compare(x, y, mode == CompareMode::Text ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

int compareNumbers(const Variant& a, const Variant& b) {
    if (a.kind() == VType::Currency && b.kind() == VType::Currency)
        return a.currencyValue() < b.currencyValue() ? -1 : a.currencyValue() == b.currencyValue() ? 0 : 1;
    const double x = a.toDouble(), y = b.toDouble();
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

std::optional<int> compare(const Variant& a0, const Variant& b0, const CompareOptions& options) {
    Variant ha, hb;
    const Variant& a = operand(a0, ha);
    const Variant& b = operand(b0, hb);
    if (a.isNull() || b.isNull()) return std::nullopt;
    if (a.isArray() || b.isArray() || a.isError() || b.isError()) mismatch();
    const bool sa = a.isString(), sb = b.isString();
    if (sa && sb) return compareText(a.stringValue(), b.stringValue(), options.mode);
    if (sa && b.isEmpty()) return compareText(a.stringValue(), QString(), options.mode);
    if (sb && a.isEmpty()) return compareText(QString(), b.stringValue(), options.mode);
    if (!sa && !sb) return compareNumbers(a, b);
    // A number against a text.
    const Variant& number = sa ? b : a;
    const Variant& text = sa ? a : b;
    const bool numberLiteral = sa ? options.rightLiteral : options.leftLiteral;
    const bool textLiteral = sa ? options.leftLiteral : options.rightLiteral;
    int r;
    if (numberLiteral) {
        // A text that holds no number differs from the number ("" = True is
        // False), and sorts after it as between two variables.
        const auto parsed = italian::parseNumber(text.stringValue());
        r = parsed ? compareNumbers(number, Variant(*parsed)) : -1;
    } else if (textLiteral)
        r = compareText(number.toString(), text.stringValue(), options.mode);
    else
        r = -1;  // a number is less than a text
    return sa ? -r : r;
}

namespace {
template <class Test>
Variant comparison(const Variant& a, const Variant& b, const CompareOptions& options, Test test) {
    const auto c = compare(a, b, options);
    return c ? Variant(bool(test(*c))) : Variant::null();
}
}  // namespace

Variant eq(const Variant& a, const Variant& b, const CompareOptions& options) {
    return comparison(a, b, options, [](int c) { return c == 0; });
}

Variant ne(const Variant& a, const Variant& b, const CompareOptions& options) {
    return comparison(a, b, options, [](int c) { return c != 0; });
}

Variant lt(const Variant& a, const Variant& b, const CompareOptions& options) {
    return comparison(a, b, options, [](int c) { return c < 0; });
}

Variant gt(const Variant& a, const Variant& b, const CompareOptions& options) {
    return comparison(a, b, options, [](int c) { return c > 0; });
}

Variant le(const Variant& a, const Variant& b, const CompareOptions& options) {
    return comparison(a, b, options, [](int c) { return c <= 0; });
}

Variant ge(const Variant& a, const Variant& b, const CompareOptions& options) {
    return comparison(a, b, options, [](int c) { return c >= 0; });
}

// ---- Logical ----------------------------------------------------------------------

namespace {

enum class Bits { Boolean, Byte, Integer, Long };

struct Operand {
    bool null = false;
    Bits kind = Bits::Integer;
    std::int64_t value = 0;
};

Operand bitsOf(const Variant& v0) {
    Variant h;
    const Variant& v = operand(v0, h);
    Operand o;
    switch (v.kind()) {
        case VType::Null:
            o.null = true;
            return o;
        case VType::Empty:
            o.kind = Bits::Integer;
            return o;
        case VType::Boolean:
            o.kind = Bits::Boolean;
            o.value = v.boolValue() ? -1 : 0;
            return o;
        case VType::Byte:
            o.kind = Bits::Byte;
            o.value = v.byteValue();
            return o;
        case VType::Integer:
            o.kind = Bits::Integer;
            o.value = v.integerValue();
            return o;
        case VType::String:
            if (const auto b = italian::parseBoolWord(v.stringValue())) {
                o.kind = Bits::Boolean;
                o.value = *b ? -1 : 0;
                return o;
            }
            [[fallthrough]];
        default:
            o.kind = Bits::Long;
            o.value = v.toLong();
            return o;
    }
}

Bits widest(const Operand& a, const Operand& b) {
    if (a.null) return b.kind;
    if (b.null || a.kind == b.kind) return a.kind;
    if (a.kind == Bits::Long || b.kind == Bits::Long) return Bits::Long;
    return Bits::Integer;  // Boolean, Byte and Integer mixed
}

std::int64_t allOnes(Bits kind) { return kind == Bits::Byte ? 0xFF : -1; }

Variant bitsResult(Bits kind, std::int64_t r) {
    switch (kind) {
        case Bits::Boolean:
            return Variant(r != 0);
        case Bits::Byte:
            return Variant(std::uint8_t(r & 0xFF));
        case Bits::Integer:
            return Variant(std::int16_t(r));
        case Bits::Long:
            return Variant(std::int32_t(r));
    }
    return Variant();
}

enum class Logic { And, Or, Xor, Eqv, Imp };

Variant logical(Logic op, const Variant& a0, const Variant& b0) {
    const Operand a = bitsOf(a0), b = bitsOf(b0);
    if (a.null && b.null) return Variant::null();
    const Bits kind = widest(a, b);
    const std::int64_t ones = allOnes(kind);
    if (a.null || b.null) {
        // The result is known only where the missing bits cannot change it.
        const std::int64_t known = (a.null ? b.value : a.value) & ones;
        switch (op) {
            case Logic::And:
                if (known == 0) return bitsResult(kind, 0);
                break;
            case Logic::Or:
                if (known == ones) return bitsResult(kind, ones);
                break;
            case Logic::Imp:
                // Null Imp all-ones, and 0 Imp Null, are all-ones.
                if ((a.null && known == ones) || (b.null && known == 0)) return bitsResult(kind, ones);
                break;
            default:
                break;
        }
        return Variant::null();
    }
    const std::int64_t x = a.value & ones, y = b.value & ones;
    std::int64_t r = 0;
    switch (op) {
        case Logic::And:
            r = x & y;
            break;
        case Logic::Or:
            r = x | y;
            break;
        case Logic::Xor:
            r = x ^ y;
            break;
        case Logic::Eqv:
            r = ~(x ^ y);
            break;
        case Logic::Imp:
            r = ~x | y;
            break;
    }
    return bitsResult(kind, r & ones);
}

}  // namespace

Variant opNot(const Variant& a0) {
    const Operand a = bitsOf(a0);
    if (a.null) return Variant::null();
    const std::int64_t ones = allOnes(a.kind);
    return bitsResult(a.kind, ~a.value & ones);
}

Variant opAnd(const Variant& a, const Variant& b) { return logical(Logic::And, a, b); }

Variant opOr(const Variant& a, const Variant& b) { return logical(Logic::Or, a, b); }

Variant opXor(const Variant& a, const Variant& b) { return logical(Logic::Xor, a, b); }

Variant opEqv(const Variant& a, const Variant& b) { return logical(Logic::Eqv, a, b); }

Variant opImp(const Variant& a, const Variant& b) { return logical(Logic::Imp, a, b); }

bool sameObject(const Variant& a, const Variant& b) {
    if (!a.isObject() || !b.isObject()) raiseValueError(kErrObjectRequired);
    return a.objectValue() == b.objectValue();
}

}  // namespace core
