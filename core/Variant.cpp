// The value itself: its kinds, how it holds texts, objects and arrays, the
// conversions between kinds (texts read and written the Italian way), the
// default member of an object (resolved), sameness (identical), IsNumeric
// and IsDate. Arrays are in VariantArray.cpp, the operators in
// VariantOperators.cpp.

#include "core/Variant.h"

#include "core/AppError.h"
#include "core/ItalianText.h"
#include "core/ValueError.h"
#include "core/WholeNumbers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <type_traits>

namespace core {

namespace {

// The value read from text, or a type mismatch.
template <class T>
T orMismatch(const std::optional<T>& v) {
    if (!v) mismatch();
    return *v;
}

double textToDouble(const QString& s) { return orMismatch(italian::parseNumber(s)); }

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

QString wholeNumberText(std::int32_t v, qsizetype room) {
    char16_t digits[11];
    const QStringView text = wholeDigits(v, digits);
    if (room <= 0) return text.toString();
    // One block at its final size, the digits in its middle: a text joined
    // before them or after them is written into the room on its side.
    auto [header, block] = QTypedArrayData<char16_t>::allocate(room + text.size() + room);
    if (!header) throw std::bad_alloc();
    char16_t* const start = block + room;
    std::copy_n(text.utf16(), text.size(), start);
    start[text.size()] = u'\0';
    return QString(QString::DataPointer(header, start, text.size()));
}

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

namespace {

// Letting go of the last reference to an object or an array ends it, and
// with it what it holds: a chain of a hundred thousand instances, arrays or
// dictionaries that hold one another would end one inside the other, as
// deep as the chain, until the thread's stack ran out. The first such end on
// a thread runs the whole chain instead, one link at a time: the links let
// go of meanwhile wait in a list and end after, in the order the recursion
// would have ended them (depth first, each one's own in their order).
// The links waiting, on memory of their own that lives only while a chain
// ends: nothing of it is left to the end of the thread (a thread's own
// data with a destructor must register it, which can fail when memory ran
// out and then ends the program).
struct ChainRelease {
    bool running;
    std::size_t size;
    std::size_t capacity;
    std::shared_ptr<const void>* links;

    // False when there is no memory for one more.
    bool push(std::shared_ptr<const void>&& link) noexcept {
        if (size == capacity) {
            const std::size_t grown = capacity == 0 ? 256 : capacity * 2;
            auto* more = static_cast<std::shared_ptr<const void>*>(
                std::malloc(grown * sizeof(std::shared_ptr<const void>)));
            if (!more) return false;
            for (std::size_t i = 0; i < size; ++i) {
                new (&more[i]) std::shared_ptr<const void>(std::move(links[i]));
                links[i].~shared_ptr();
            }
            std::free(links);
            links = more;
            capacity = grown;
        }
        new (&links[size++]) std::shared_ptr<const void>(std::move(link));
        return true;
    }
};
static_assert(std::is_trivially_destructible_v<ChainRelease>);
thread_local ChainRelease chain{false, 0, 0, nullptr};

template <class T>
void releaseShared(std::shared_ptr<T>& held) noexcept {
    // Not the last reference (or Nothing): nothing ends here.
    if (held.use_count() != 1) {
        held.~shared_ptr();
        return;
    }
    ChainRelease& c = chain;
    if (c.running) {
        std::shared_ptr<const void> link(std::move(held));
        held.~shared_ptr();
        // No memory for one more: this one ends here, as it would have.
        if (!c.push(std::move(link))) link.reset();
        return;
    }
    c.running = true;
    held.~shared_ptr();
    std::reverse(c.links, c.links + c.size);
    while (c.size > 0) {
        std::shared_ptr<const void> next = std::move(c.links[c.size - 1]);
        c.links[--c.size].~shared_ptr();
        const std::size_t before = c.size;
        next.reset();
        // What it held came in its order: the first of them goes next.
        std::reverse(c.links + before, c.links + c.size);
    }
    std::free(c.links);
    c.links = nullptr;
    c.capacity = 0;
    c.running = false;
}

}  // namespace

void Variant::releaseOwned() noexcept {
    switch (type_) {
        case VType::String:
            u_.s.~QString();
            break;
        case VType::Object:
            releaseShared(u_.o);
            break;
        default:
            releaseShared(u_.a);
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
    if (p.use_count() > 1) p = std::make_shared<VariantArray>(p->detached());
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
            return wholeNumberText(byteValue());
        case VType::Integer:
            return wholeNumberText(integerValue());
        case VType::Long:
            return wholeNumberText(longValue());
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
    if (type_ != VType::Array) return identicalValue(other);
    // Arrays inside arrays are walked with a list of the open ones, not by
    // recursion: they may nest deeper than the thread's stack goes.
    struct Open {
        const VariantArray* a;
        const VariantArray* b;
        std::size_t next;
    };
    std::vector<Open> open;
    const auto enter = [&open](const Variant& x, const Variant& y) {
        const VariantArray& a = x.arrayValue();
        const VariantArray& b = y.arrayValue();
        if (&a == &b) return true;  // one array, shared
        if (a.bounds() != b.bounds() || a.elementType() != b.elementType()) return false;
        open.push_back({&a, &b, 0});
        return true;
    };
    if (!enter(*this, other)) return false;
    while (!open.empty()) {
        Open& o = open.back();
        if (o.next == o.a->size()) {
            open.pop_back();
            continue;
        }
        const Variant& x = o.a->elements()[o.next];
        const Variant& y = o.b->elements()[o.next];
        ++o.next;
        if (x.type_ != y.type_) return false;
        if (!(x.type_ == VType::Array ? enter(x, y) : x.identicalValue(y))) return false;
    }
    return true;
}

bool Variant::identicalValue(const Variant& other) const {
    switch (type_) {
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

}  // namespace core
