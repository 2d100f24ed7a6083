#include "core/Variant.h"

#include "core/AppError.h"
#include "core/ItalianText.h"
#include "core/ValueError.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

namespace core {

namespace {

constexpr std::size_t kMaxArrayElements = 64u * 1024u * 1024u;

[[noreturn]] void mismatch() { raiseValueError(kErrTypeMismatch); }
[[noreturn]] void overflow() { raiseValueError(kErrOverflow); }

// The value an operator works on: objects stand for their default member.
// `holder` keeps a resolved value alive; plain values are not copied.
const Variant& operand(const Variant& v, Variant& holder) {
    if (!v.isObject()) return v;
    holder = v.resolved();
    return holder;
}

// The value read from text, or a type mismatch.
template <class T>
T orMismatch(const std::optional<T>& v) {
    if (!v) mismatch();
    return *v;
}

double textToDouble(const QString& s) { return orMismatch(italian::parseNumber(s)); }

// Whole number from a double, halves to even, checked against [lo, hi].
std::int64_t roundedWhole(double d, double lo, double hi) {
    if (std::isnan(d)) overflow();
    const double r = std::nearbyint(d);
    if (r < lo || r > hi) overflow();
    return std::int64_t(r);
}

// Whole number from a currency value, halves to even.
std::int64_t roundedWhole(Currency c) {
    const std::int64_t raw = c.raw();
    std::int64_t q = raw / Currency::kScale;
    const std::int64_t r = raw % Currency::kScale;
    const std::int64_t twice = (r < 0 ? -r : r) * 2;
    if (twice > Currency::kScale || (twice == Currency::kScale && q % 2 != 0)) q += raw < 0 ? -1 : 1;
    return q;
}

std::int64_t toWhole(const Variant& v, double lo, double hi) {
    switch (v.kind()) {
        case VType::Empty:
            return 0;
        case VType::Boolean:
            return v.boolValue() ? -1 : 0;
        case VType::Byte:
            return v.byteValue();
        case VType::Integer: {
            const std::int16_t i = v.integerValue();
            if (i < lo || i > hi) overflow();
            return i;
        }
        case VType::Long: {
            const std::int32_t l = v.longValue();
            if (l < lo || l > hi) overflow();
            return l;
        }
        case VType::Currency: {
            const std::int64_t w = roundedWhole(v.currencyValue());
            if (double(w) < lo || double(w) > hi) overflow();
            return w;
        }
        default:
            return roundedWhole(v.toDouble(), lo, hi);
    }
}

Variant defaultOf(VType kind) {
    switch (kind) {
        case VType::Boolean:
            return Variant(false);
        case VType::Byte:
            return Variant(std::uint8_t(0));
        case VType::Integer:
            return Variant(std::int16_t(0));
        case VType::Long:
            return Variant(std::int32_t(0));
        case VType::Single:
            return Variant(0.0f);
        case VType::Double:
            return Variant(0.0);
        case VType::Currency:
            return Variant(Currency());
        case VType::Date:
            return Variant(Date());
        case VType::String:
            return Variant(QString());
        case VType::Object:
            return Variant::nothing();
        default:
            return Variant();
    }
}

QString kindName(VType kind) {
    switch (kind) {
        case VType::Empty:
            return QStringLiteral("Empty");
        case VType::Null:
            return QStringLiteral("Null");
        case VType::Integer:
            return QStringLiteral("Integer");
        case VType::Long:
            return QStringLiteral("Long");
        case VType::Single:
            return QStringLiteral("Single");
        case VType::Double:
            return QStringLiteral("Double");
        case VType::Currency:
            return QStringLiteral("Currency");
        case VType::Date:
            return QStringLiteral("Date");
        case VType::String:
            return QStringLiteral("String");
        case VType::Object:
            return QStringLiteral("Object");
        case VType::Error:
            return QStringLiteral("Error");
        case VType::Boolean:
            return QStringLiteral("Boolean");
        case VType::Variant:
            return QStringLiteral("Variant");
        case VType::Byte:
            return QStringLiteral("Byte");
        default:
            return QStringLiteral("Unknown");
    }
}

}  // namespace

// ---- Variant ----------------------------------------------------------------

Variant::Variant(VariantArray v) : type_(VType::Array) {
    new (&u_.a) ArrayPtr(std::make_shared<VariantArray>(std::move(v)));
}

void Variant::copyOwned(const Variant& o) {
    switch (type_) {
        case VType::String:
            new (&u_.s) QString(o.u_.s);
            break;
        case VType::Object:
            new (&u_.o) std::shared_ptr<Object>(o.u_.o);
            break;
        default:
            new (&u_.a) ArrayPtr(o.u_.a);
            break;
    }
}

void Variant::releaseOwned() noexcept {
    switch (type_) {
        case VType::String:
            u_.s.~QString();
            break;
        case VType::Object:
            u_.o.~shared_ptr();
            break;
        default:
            u_.a.~ArrayPtr();
            break;
    }
    type_ = VType::Empty;
    u_.bits = 0;
}

const QString& Variant::noText() noexcept {
    static const QString none;
    return none;
}

const std::shared_ptr<Object>& Variant::noObject() noexcept {
    static const std::shared_ptr<Object> none;
    return none;
}

Variant Variant::null() noexcept {
    Variant v;
    v.type_ = VType::Null;
    return v;
}

Variant Variant::error(std::int32_t number) noexcept {
    Variant v;
    v.type_ = VType::Error;
    v.u_.bits = std::uint32_t(number);
    return v;
}

Variant Variant::fromWhole(double v) noexcept {
    if (v == std::trunc(v)) {
        if (v >= -32768.0 && v <= 32767.0) return Variant(std::int16_t(v));
        if (v >= -2147483648.0 && v <= 2147483647.0) return Variant(std::int32_t(v));
    }
    return Variant(v);
}

VType Variant::type() const noexcept {
    if (type_ == VType::Array) return VType::Array | u_.a->elementType();
    return type_;
}

bool Variant::isNothing() const noexcept { return type_ == VType::Object && !objectValue(); }

bool Variant::isMissing() const noexcept { return type_ == VType::Error && errorValue() == kMissingError; }

bool Variant::isNumber() const noexcept {
    switch (type_) {
        case VType::Byte:
        case VType::Integer:
        case VType::Long:
        case VType::Single:
        case VType::Double:
        case VType::Currency:
            return true;
        default:
            return false;
    }
}

const VariantArray& Variant::arrayValue() const noexcept {
    static const VariantArray none;
    return type_ == VType::Array ? *u_.a : none;
}

VariantArray& Variant::arrayForWrite() {
    if (type_ != VType::Array) mismatch();
    ArrayPtr& p = u_.a;
    if (p.use_count() > 1) p = std::make_shared<VariantArray>(*p);
    return *p;
}

bool Variant::toBool() const {
    switch (type_) {
        case VType::Empty:
            return false;
        case VType::Null:
            raiseValueError(kErrInvalidNull);
        case VType::Boolean:
            return boolValue();
        case VType::Byte:
            return byteValue() != 0;
        case VType::Integer:
            return integerValue() != 0;
        case VType::Long:
            return longValue() != 0;
        case VType::Single:
            return singleValue() != 0;
        case VType::Double:
            return doubleValue() != 0;
        case VType::Currency:
            return !currencyValue().isZero();
        case VType::Date:
            return dateValue().serial() != 0;
        case VType::String: {
            if (const auto b = italian::parseBoolWord(stringValue())) return *b;
            return textToDouble(stringValue()) != 0;
        }
        case VType::Object:
            return resolved().toBool();
        default:
            mismatch();
    }
}

std::uint8_t Variant::toByte() const { return std::uint8_t(toWhole(*this, 0, 255)); }

std::int16_t Variant::toInteger() const { return std::int16_t(toWhole(*this, -32768.0, 32767.0)); }

std::int32_t Variant::toLong() const { return std::int32_t(toWhole(*this, -2147483648.0, 2147483647.0)); }

float Variant::toSingle() const {
    if (type_ == VType::Single) return singleValue();
    const double d = toDouble();
    if (std::fabs(d) > double(FLT_MAX)) overflow();
    return float(d);
}

double Variant::toDouble() const {
    switch (type_) {
        case VType::Empty:
            return 0;
        case VType::Null:
            raiseValueError(kErrInvalidNull);
        case VType::Boolean:
            return boolValue() ? -1 : 0;
        case VType::Byte:
            return byteValue();
        case VType::Integer:
            return integerValue();
        case VType::Long:
            return longValue();
        case VType::Single:
            return singleValue();
        case VType::Double:
            return doubleValue();
        case VType::Currency:
            return currencyValue().toDouble();
        case VType::Date:
            return dateValue().serial();
        case VType::String:
            return textToDouble(stringValue());
        case VType::Object:
            return resolved().toDouble();
        default:
            mismatch();
    }
}

Currency Variant::toCurrency() const {
    switch (type_) {
        case VType::Empty:
            return Currency();
        case VType::Boolean:
            return Currency::fromInt(boolValue() ? -1 : 0);
        case VType::Byte:
            return Currency::fromInt(byteValue());
        case VType::Integer:
            return Currency::fromInt(integerValue());
        case VType::Long:
            return Currency::fromInt(longValue());
        case VType::Currency:
            return currencyValue();
        case VType::String:
            return orMismatch(italian::parseCurrency(stringValue()));
        case VType::Object:
            return resolved().toCurrency();
        default:
            return Currency::fromDouble(toDouble());
    }
}

Date Variant::toDate() const {
    switch (type_) {
        case VType::Date:
            return dateValue();
        case VType::String:
            return orMismatch(italian::parseDate(stringValue()));
        case VType::Object:
            return resolved().toDate();
        default:
            return Date::fromSerial(toDouble());
    }
}

QString Variant::toString() const {
    switch (type_) {
        case VType::Empty:
            return QString();
        case VType::Null:
            raiseValueError(kErrInvalidNull);
        case VType::Boolean:
            return italian::formatBool(boolValue());
        case VType::Byte:
            return QString::number(byteValue());
        case VType::Integer:
            return QString::number(integerValue());
        case VType::Long:
            return QString::number(longValue());
        case VType::Single:
            return italian::formatSingle(singleValue());
        case VType::Double:
            return italian::formatDouble(doubleValue());
        case VType::Currency:
            return italian::formatCurrency(currencyValue());
        case VType::Date:
            return italian::formatDate(dateValue());
        case VType::String:
            return stringValue();
        case VType::Object:
            return resolved().toString();
        default:
            mismatch();
    }
}

std::shared_ptr<Object> Variant::toObject() const {
    if (type_ != VType::Object) raiseValueError(kErrObjectRequired);
    return objectValue();
}

Variant Variant::convertedTo(VType kind) const {
    switch (kind) {
        case VType::Boolean:
            return Variant(toBool());
        case VType::Byte:
            return Variant(toByte());
        case VType::Integer:
            return Variant(toInteger());
        case VType::Long:
            return Variant(toLong());
        case VType::Single:
            return Variant(toSingle());
        case VType::Double:
            return Variant(toDouble());
        case VType::Currency:
            return Variant(toCurrency());
        case VType::Date:
            return Variant(toDate());
        case VType::String:
            return Variant(toString());
        case VType::Object:
            return Variant(toObject());
        case VType::Empty:
        case VType::Null:
        case VType::Variant:
            return *this;
        default:
            mismatch();
    }
}

bool Variant::isTrue() const { return type_ == VType::Null ? false : toBool(); }

Variant Variant::resolved() const {
    if (type_ != VType::Object) return *this;
    Variant v = *this;
    // A default member may itself hand back an object with a default member.
    for (int depth = 0; v.isObject() && depth < 8; ++depth) {
        const std::shared_ptr<Object> obj = v.objectValue();
        if (!obj) raiseValueError(kErrObjectNotSet);
        v = obj->invoke(QString(), CallKind::PropertyGet, {});
    }
    if (v.isObject()) mismatch();
    return v;
}

QString Variant::typeName() const {
    switch (type_) {
        case VType::Object: {
            const auto& obj = objectValue();
            return obj ? obj->typeName() : QStringLiteral("Nothing");
        }
        case VType::Array:
            return kindName(arrayValue().elementType()) + QStringLiteral("()");
        default:
            return kindName(type_);
    }
}

bool Variant::identical(const Variant& other) const {
    if (type_ != other.type_) return false;
    switch (type_) {
        case VType::Array: {
            const VariantArray& a = arrayValue();
            const VariantArray& b = other.arrayValue();
            if (a.bounds() != b.bounds() || a.elementType() != b.elementType()) return false;
            for (std::size_t i = 0; i < a.size(); ++i)
                if (!a.elements()[i].identical(b.elements()[i])) return false;
            return true;
        }
        case VType::Error:
            return errorValue() == other.errorValue();
        case VType::Object:
            return objectValue() == other.objectValue();
        case VType::String:
            return stringValue() == other.stringValue();
        case VType::Empty:
        case VType::Null:
            return true;
        case VType::Boolean:
            return boolValue() == other.boolValue();
        case VType::Byte:
            return byteValue() == other.byteValue();
        case VType::Integer:
            return integerValue() == other.integerValue();
        case VType::Long:
            return longValue() == other.longValue();
        case VType::Single:
            return singleValue() == other.singleValue();
        case VType::Double:
            return doubleValue() == other.doubleValue();
        case VType::Currency:
            return currencyValue() == other.currencyValue();
        case VType::Date:
            return dateValue() == other.dateValue();
        default:
            return false;
    }
}

// ---- VariantArray -------------------------------------------------------------

namespace {
std::size_t elementCount(const std::vector<ArrayBound>& bounds) {
    std::size_t total = bounds.empty() ? 0 : 1;
    for (const ArrayBound& b : bounds) {
        if (b.count < 0) raiseValueError(kErrSubscript);
        if (b.count != 0 && total > kMaxArrayElements / std::size_t(b.count))
            raiseValueError(kErrOutOfMemory);
        total *= std::size_t(b.count);
    }
    if (total > kMaxArrayElements) raiseValueError(kErrOutOfMemory);
    return total;
}
}  // namespace

VariantArray::VariantArray(std::vector<ArrayBound> bounds, VType elementType)
    : bounds_(std::move(bounds)), elementType_(elementType) {
    elements_.assign(elementCount(bounds_), defaultOf(elementType_));
}

VariantArray VariantArray::fromValues(std::vector<Variant> values) {
    VariantArray a;
    a.bounds_ = {ArrayBound{0, std::int32_t(values.size())}};
    a.elements_ = std::move(values);
    return a;
}

std::int32_t VariantArray::lowerBound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raiseValueError(kErrSubscript);
    return bounds_[std::size_t(dimension - 1)].lower;
}

std::int32_t VariantArray::upperBound(int dimension) const {
    if (dimension < 1 || dimension > dimensions()) raiseValueError(kErrSubscript);
    return bounds_[std::size_t(dimension - 1)].upper();
}

std::size_t VariantArray::offsetOf(std::span<const std::int32_t> indices) const {
    if (indices.size() != bounds_.size() || bounds_.empty()) raiseValueError(kErrSubscript);
    std::size_t offset = 0, stride = 1;
    for (std::size_t d = 0; d < bounds_.size(); ++d) {
        const ArrayBound& b = bounds_[d];
        const std::int64_t i = std::int64_t(indices[d]) - b.lower;
        if (i < 0 || i >= b.count) raiseValueError(kErrSubscript);
        offset += std::size_t(i) * stride;
        stride *= std::size_t(b.count);
    }
    return offset;
}

const Variant& VariantArray::at(std::span<const std::int32_t> indices) const {
    return elements_[offsetOf(indices)];
}

Variant& VariantArray::at(std::span<const std::int32_t> indices) { return elements_[offsetOf(indices)]; }

const Variant& VariantArray::at(std::int32_t index) const {
    return elements_[offsetOf(std::span<const std::int32_t>(&index, 1))];
}

Variant& VariantArray::at(std::int32_t index) {
    return elements_[offsetOf(std::span<const std::int32_t>(&index, 1))];
}

void VariantArray::redim(std::vector<ArrayBound> bounds, bool preserve) {
    if (fixed_) raiseValueError(kErrFixedArray);
    const std::size_t total = elementCount(bounds);
    if (!preserve || bounds_.empty()) {
        bounds_ = std::move(bounds);
        elements_.assign(total, defaultOf(elementType_));
        return;
    }
    if (bounds.size() != bounds_.size() || bounds.back().lower != bounds_.back().lower)
        raiseValueError(kErrSubscript);
    for (std::size_t d = 0; d + 1 < bounds.size(); ++d)
        if (bounds[d] != bounds_[d]) raiseValueError(kErrSubscript);
    // The last index varies slowest: keeping the first elements keeps every
    // element whose last index still exists.
    bounds_ = std::move(bounds);
    elements_.resize(total, defaultOf(elementType_));
}

void VariantArray::erase() {
    if (fixed_) {
        elements_.assign(elements_.size(), defaultOf(elementType_));
        return;
    }
    bounds_.clear();
    elements_.clear();
}

// ---- IsNumeric, IsDate --------------------------------------------------------

bool isNumeric(const Variant& v) {
    switch (v.kind()) {
        case VType::Empty:
        case VType::Boolean:
        case VType::Byte:
        case VType::Integer:
        case VType::Long:
        case VType::Single:
        case VType::Double:
        case VType::Currency:
            return true;
        case VType::String:
            return italian::isNumericText(v.stringValue());
        case VType::Object:
            try {
                return !v.isNothing() && isNumeric(v.resolved());
            } catch (const AppError&) {
                return false;
            }
        default:
            return false;
    }
}

bool isDate(const Variant& v) {
    switch (v.kind()) {
        case VType::Date:
            return true;
        case VType::String:
            return italian::isDateText(v.stringValue());
        default:
            return false;
    }
}

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
// The text of a value without copying a text held (the copy of a shared
// text costs an atomic count): the held one itself, or the conversion kept
// in holder.
const QString& textOf(const Variant& v, QString& holder) {
    if (v.isString()) return v.stringValue();
    holder = v.toString();
    return holder;
}
}  // namespace

Variant concat(const Variant& a0, const Variant& b0) {
    Variant ha, hb;
    const Variant& a = operand(a0, ha);
    const Variant& b = operand(b0, hb);
    if (a.isNull() && b.isNull()) return Variant::null();
    QString ha2, hb2;
    const QString& x = a.isNull() ? ha2 : textOf(a, ha2);
    const QString& y = b.isNull() ? hb2 : textOf(b, hb2);
    if (y.isEmpty()) return Variant(x);
    if (x.isEmpty()) return Variant(y);
    checkTextLength(x.size() + y.size());
    QString s(x.size() + y.size(), Qt::Uninitialized);  // made once, at its size
    QChar* out = s.data();
    std::copy(x.constBegin(), x.constEnd(), out);
    std::copy(y.constBegin(), y.constEnd(), out + x.size());
    return Variant(std::move(s));
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
