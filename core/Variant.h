#pragma once
// The one value type of the program: script values, column values of the data
// library, parameters. Kinds, conversions and operators follow the classic
// rules of the scripting language's variant; text conversions are Italian
// (see ItalianText.h).

#include "core/Currency.h"
#include "core/Date.h"
#include "core/Object.h"

#include <QString>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <type_traits>
#include <vector>

namespace core {

// The language's VarType codes.
enum class VType : std::uint16_t {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Object = 9,
    Error = 10,
    Boolean = 11,
    Variant = 12,  // element kind of an array of variants
    Byte = 17,
    Array = 8192,  // or'ed with the element kind
};
constexpr VType operator|(VType a, VType b) noexcept { return VType(std::uint16_t(a) | std::uint16_t(b)); }
constexpr VType operator&(VType a, VType b) noexcept { return VType(std::uint16_t(a) & std::uint16_t(b)); }
// The element kind of an array's VarType (the VarType itself otherwise).
constexpr VType withoutArrayFlag(VType t) noexcept {
    return VType(std::uint16_t(t) & ~std::uint16_t(VType::Array));
}

class Variant;

class VariantArray;

class Variant {
  public:
    // Error value of an optional argument that the caller left out.
    static constexpr std::int32_t kMissingError = -2147352572;  // 0x80020004

    Variant() noexcept { u_.bits = 0; }  // Empty
    // The small kinds are written as the whole 8 bytes at once (the unused
    // ones 0): a copy reads all 8, and reading them right after a narrower
    // write would wait for that write to reach the cache.
    Variant(bool v) noexcept : type_(VType::Boolean) { u_.bits = v ? 1u : 0u; }
    Variant(std::uint8_t v) noexcept : type_(VType::Byte) { u_.bits = v; }
    Variant(std::int16_t v) noexcept : type_(VType::Integer) { u_.bits = std::uint16_t(v); }
    Variant(std::int32_t v) noexcept : type_(VType::Long) { u_.bits = std::uint32_t(v); }
    Variant(float v) noexcept : type_(VType::Single) { u_.bits = std::bit_cast<std::uint32_t>(v); }
    Variant(double v) noexcept : type_(VType::Double) { u_.d = v; }
    Variant(Currency v) noexcept : type_(VType::Currency) { u_.cy = v; }
    Variant(Date v) noexcept : type_(VType::Date) { u_.dt = v; }
    Variant(const QString& v) : type_(VType::String) { new (&u_.s) QString(v); }
    Variant(QString&& v) noexcept : type_(VType::String) { new (&u_.s) QString(std::move(v)); }
    Variant(const char* utf8) : Variant(QString::fromUtf8(utf8)) {}
    Variant(const char16_t* v) : Variant(QString::fromUtf16(v)) {}
    // An object, or Nothing when the pointer is empty.
    Variant(std::shared_ptr<Object> v) noexcept : type_(VType::Object) {
        new (&u_.o) std::shared_ptr<Object>(std::move(v));
    }
    template <class T>
    requires std::is_base_of_v<Object, T> Variant(std::shared_ptr<T> v)
    noexcept : Variant(std::shared_ptr<Object>(std::move(v))) {}
    Variant(VariantArray v);

    // Numbers, dates and flags are held in place and copied as plain bytes;
    // only texts, objects and arrays own something.
    Variant(const Variant& o) : type_(o.type_) {
        if (ownsData(type_))
            copyOwned(o);
        else
            u_.bits = o.u_.bits;
    }
    // A source that owns something (a text, an object, an array) is left
    // Empty. What it owns moves as its bytes: it is held by pointers to what
    // it shares, never to itself, so its bytes in a new place are the same value.
    Variant(Variant&& o) noexcept : type_(o.type_) {
        u_.bits = o.u_.bits;
        if (ownsData(type_)) takeOwned(o);
    }
    Variant& operator=(const Variant& o) {
        if (!ownsData(type_) && !ownsData(o.type_)) {
            type_ = o.type_;
            u_.bits = o.u_.bits;
        } else if (this != &o) {
            Variant copy(o);
            *this = std::move(copy);
        }
        return *this;
    }
    // The new value is in place before the old one goes (o may live inside
    // what this held).
    Variant& operator=(Variant&& o) noexcept {
        if (this == &o) return *this;
        if (!ownsData(type_)) {
            type_ = o.type_;
            u_.bits = o.u_.bits;
            if (ownsData(type_)) takeOwned(o);
            return *this;
        }
        const Variant old(std::move(*this));
        type_ = o.type_;
        u_.bits = o.u_.bits;
        if (ownsData(type_)) takeOwned(o);
        return *this;
    }
    ~Variant() {
        if (ownsData(type_)) releaseOwned();
    }

    static Variant empty() noexcept { return Variant(); }
    static Variant null() noexcept;
    static Variant nothing() noexcept { return Variant(std::shared_ptr<Object>()); }
    static Variant error(std::int32_t number) noexcept;
    static Variant missing() noexcept { return error(kMissingError); }
    // Named makers for call sites where an overload would be unclear.
    static Variant fromBool(bool v) noexcept { return Variant(v); }
    static Variant fromByte(std::uint8_t v) noexcept { return Variant(v); }
    static Variant fromInteger(std::int16_t v) noexcept { return Variant(v); }
    static Variant fromLong(std::int32_t v) noexcept { return Variant(v); }
    static Variant fromSingle(float v) noexcept { return Variant(v); }
    static Variant fromDouble(double v) noexcept { return Variant(v); }
    static Variant fromCurrency(Currency v) noexcept { return Variant(v); }
    static Variant fromDate(Date v) noexcept { return Variant(v); }
    static Variant fromString(QString v) noexcept { return Variant(std::move(v)); }
    // A whole number in the narrowest of Integer, Long and Double that holds
    // it, as the language types a numeric literal.
    static Variant fromWhole(double v) noexcept;

    // The VarType: for arrays VType::Array | element kind.
    VType type() const noexcept;
    // The kind of the value itself (Array for every array).
    VType kind() const noexcept { return type_; }

    bool isEmpty() const noexcept { return type_ == VType::Empty; }
    bool isNull() const noexcept { return type_ == VType::Null; }
    bool isEmptyOrNull() const noexcept { return isEmpty() || isNull(); }
    bool isString() const noexcept { return type_ == VType::String; }
    bool isObject() const noexcept { return type_ == VType::Object; }
    bool isNothing() const noexcept;  // Object kind without an object
    bool isArray() const noexcept { return type_ == VType::Array; }
    bool isError() const noexcept { return type_ == VType::Error; }
    bool isMissing() const noexcept { return type_ == VType::Error && u_.err == kMissingError; }
    // Byte, Integer, Long, Single, Double, Currency (not Boolean, not Date).
    bool isNumber() const noexcept;

    // Raw access to the stored value; the kind must match (another kind
    // gives 0, an empty text or no object, never another kind's bytes).
    bool boolValue() const noexcept { return type_ == VType::Boolean && u_.b; }
    std::uint8_t byteValue() const noexcept { return type_ == VType::Byte ? u_.by : 0; }
    std::int16_t integerValue() const noexcept { return type_ == VType::Integer ? u_.i16 : 0; }
    std::int32_t longValue() const noexcept { return type_ == VType::Long ? u_.i32 : 0; }
    float singleValue() const noexcept { return type_ == VType::Single ? u_.f : 0.0f; }
    double doubleValue() const noexcept { return type_ == VType::Double ? u_.d : 0.0; }
    Currency currencyValue() const noexcept { return type_ == VType::Currency ? u_.cy : Currency(); }
    Date dateValue() const noexcept { return type_ == VType::Date ? u_.dt : Date(); }
    const QString& stringValue() const noexcept { return type_ == VType::String ? u_.s : noText(); }
    const std::shared_ptr<Object>& objectValue() const noexcept {
        return type_ == VType::Object ? u_.o : noObject();
    }
    std::int32_t errorValue() const noexcept { return type_ == VType::Error ? u_.err : 0; }
    // The text held, for changing it in place; nullptr when the value is no text.
    QString* textForWrite() noexcept { return type_ == VType::String ? &u_.s : nullptr; }
    const VariantArray& arrayValue() const noexcept;
    // The array for changing it: a shared copy is detached first, so that
    // copies of a Variant never see each other's changes.
    VariantArray& arrayForWrite();

    // Conversions with the language's rules: Empty is 0, "" or False; Null
    // raises 94 ("Uso non valido di Null"); text is read as Italian; whole
    // conversions round halves to even; out of range raises 6; what cannot
    // convert raises 13. An object converts through its default member.
    bool toBool() const;
    std::uint8_t toByte() const;
    std::int16_t toInteger() const;
    std::int32_t toLong() const;
    float toSingle() const;
    double toDouble() const;
    Currency toCurrency() const;
    Date toDate() const;
    QString toString() const;
    // The object held; Nothing gives an empty pointer. Not an object: AppError 424.
    std::shared_ptr<Object> toObject() const;

    // The value converted to the given kind (Boolean, Byte, Integer, Long,
    // Single, Double, Currency, Date, String) as the to...() functions do,
    // Null raising 94; to Empty, Null or Variant the value is returned as is.
    Variant convertedTo(VType kind) const;

    // The value of an If or While condition: Null counts as False.
    bool isTrue() const;

    // A non-object as is; an object's default member (AppError 438 from the
    // object when it has none, 91 for Nothing).
    Variant resolved() const;

    // TypeName: "Empty", "Null", "Integer", ..., "Nothing", the object's own
    // type name, "Variant()" for arrays of variants ("Integer()" and so on).
    QString typeName() const;

    // Same kind and same value (strings compared exactly, objects by identity,
    // arrays element by element); for tests and containers, not the language's =.
    bool identical(const Variant& other) const;

  private:
    using ArrayPtr = std::shared_ptr<VariantArray>;
    static constexpr bool ownsData(VType t) noexcept {
        return t == VType::String || t == VType::Object || t == VType::Array;
    }
    // identical() of two values of one kind that is no array.
    bool identicalValue(const Variant& other) const;
    void copyOwned(const Variant& o);
    void releaseOwned() noexcept;
    // After the first 8 bytes: the rest of what o owns, o left Empty.
    void takeOwned(Variant& o) noexcept {
        std::memcpy(static_cast<void*>(&u_), static_cast<const void*>(&o.u_), sizeof u_);
        o.type_ = VType::Empty;
        o.u_.bits = 0;
    }
    static const QString& noText() noexcept;
    static const std::shared_ptr<Object>& noObject() noexcept;

    union Data {
        std::uint64_t bits;  // what a copy of a kind that owns nothing takes
        bool b;
        std::uint8_t by;
        std::int16_t i16;
        std::int32_t i32;
        float f;
        double d;
        Currency cy;
        Date dt;
        std::int32_t err;
        QString s;
        std::shared_ptr<Object> o;
        ArrayPtr a;
        Data() noexcept {}  // each constructor of Variant writes `bits` or a whole member
        ~Data() {}
    };
    static_assert(sizeof(Currency) == sizeof(std::uint64_t) && sizeof(Date) == sizeof(std::uint64_t));
    // The small kinds are written through `bits` (see the constructors).
    static_assert(std::endian::native == std::endian::little);

    VType type_ = VType::Empty;
    Data u_;
};

// One dimension of an array: lower bound and number of elements (0 for an
// array dimensioned as (-1), which the language's Array() makes empty).
struct ArrayBound {
    std::int32_t lower = 0;
    std::int32_t count = 0;
    std::int32_t upper() const noexcept { return lower + count - 1; }
    bool operator==(const ArrayBound&) const = default;
};

// A multi-dimensional array. Elements are stored with the first index varying
// fastest, which is also the order For Each visits them in.
class VariantArray {
  public:
    VariantArray() = default;  // no dimensions yet: `Dim a()`
    explicit VariantArray(std::vector<ArrayBound> bounds, VType elementType = VType::Variant);
    // A one-dimensional array from 0, as Array(...) and Split(...) make.
    static VariantArray fromValues(std::vector<Variant> values);

    VType elementType() const noexcept { return elementType_; }
    int dimensions() const noexcept { return int(bounds_.size()); }
    const std::vector<ArrayBound>& bounds() const noexcept { return bounds_; }
    // Bounds of a dimension counted from 1; AppError 9 when there is no such dimension.
    std::int32_t lowerBound(int dimension = 1) const;
    std::int32_t upperBound(int dimension = 1) const;
    std::size_t size() const noexcept { return elements_.size(); }

    // The element at the given indices (one per dimension); AppError 9 when
    // the count or an index is out of range.
    const Variant& at(std::span<const std::int32_t> indices) const;
    Variant& at(std::span<const std::int32_t> indices);
    const Variant& at(std::int32_t index) const;
    Variant& at(std::int32_t index);

    const std::vector<Variant>& elements() const noexcept { return elements_; }
    std::vector<Variant>& elements() noexcept { return elements_; }

    // ReDim: new bounds; with preserve only the last dimension may change
    // (AppError 9 otherwise) and the elements that still fit are kept. A fixed
    // array refuses with AppError 10.
    void redim(std::vector<ArrayBound> bounds, bool preserve);
    // Erase: a dynamic array loses its dimensions, a fixed one gets its
    // elements reset.
    void erase();

    // A copy of its own (the array of a variable written to while another
    // holds it too), made in steps that each ask whether the run must stop.
    VariantArray detached() const;

    // Arrays declared with their size (`Dim a(5)`) cannot be redimensioned.
    bool isFixed() const noexcept { return fixed_; }
    void setFixed(bool fixed) noexcept { fixed_ = fixed; }

  private:
    std::size_t offsetOf(std::span<const std::int32_t> indices) const;
    std::vector<ArrayBound> bounds_;
    std::vector<Variant> elements_;
    VType elementType_ = VType::Variant;
    bool fixed_ = false;
};

// The text of a whole number as toString() writes it (without the general
// way of QString::number), made with room for `room` more characters before
// it and as many after it: a join (&) then writes into that room instead of
// making a new text.
QString wholeNumberText(std::int32_t v, qsizetype room = 0);

// ---- Tests of the language's IsNumeric and IsDate ---------------------------
bool isNumeric(const Variant& v);
bool isDate(const Variant& v);

// ---- Operators --------------------------------------------------------------
// Null in gives Null out unless said otherwise. Errors: 13 type mismatch,
// 6 overflow, 11 division by zero, 94 invalid use of Null.

// + : numbers by the language's promotion (Byte, Integer, Long, Single,
// Double, Currency; Integer and Long overflow into the next wider kind);
// two strings concatenate; a string and a number add as Double; Date plus a
// number is a Date.
Variant add(const Variant& a, const Variant& b);
// - : as +; Date minus Date is a Double.
Variant sub(const Variant& a, const Variant& b);
Variant mul(const Variant& a, const Variant& b);
// / : Double (Single for Single with Byte, Integer or Single); x/0 raises 11,
// 0/0 raises 6.
Variant div(const Variant& a, const Variant& b);
// \ and Mod: operands rounded to whole numbers (Byte, Integer or Long).
Variant intDiv(const Variant& a, const Variant& b);
Variant mod(const Variant& a, const Variant& b);
// ^ : Double.
Variant pow(const Variant& a, const Variant& b);
// Unary minus.
Variant neg(const Variant& a);
// & : both sides as text; Null counts as "" unless both are Null.
Variant concat(const Variant& a, const Variant& b);
// & with one side the caller gives up (a value made for this join): when
// that side is a text nothing else holds, the other side's text is written
// into it, after its end (its room grows as appends make it) or, where it
// has the room, before its start; the result is the same as concat's.
Variant concatTakingLeft(Variant&& a, const Variant& b);
Variant concatTakingRight(const Variant& a, Variant&& b);

enum class CompareMode { Binary, Text };

struct CompareOptions {
    CompareMode mode = CompareMode::Binary;
    // A side that is a literal or a constant in the script: a number literal
    // makes the other side's text convert to a number, a text literal makes
    // the other side's number convert to text. Between two plain variants a
    // number is always less than a text.
    bool leftLiteral = false;
    bool rightLiteral = false;
};

// -1, 0 or 1; std::nullopt when either side is Null. Empty counts as 0 against
// a number and as "" against a text. Objects compare by their default member;
// arrays and errors raise 13.
std::optional<int> compare(const Variant& a, const Variant& b, const CompareOptions& options = {});

// Comparison operators: Boolean, or Null when either side is Null.
Variant eq(const Variant& a, const Variant& b, const CompareOptions& options = {});
Variant ne(const Variant& a, const Variant& b, const CompareOptions& options = {});
Variant lt(const Variant& a, const Variant& b, const CompareOptions& options = {});
Variant gt(const Variant& a, const Variant& b, const CompareOptions& options = {});
Variant le(const Variant& a, const Variant& b, const CompareOptions& options = {});
Variant ge(const Variant& a, const Variant& b, const CompareOptions& options = {});

// Logical operators: Boolean on Booleans, bitwise on numbers (Byte, Integer
// or Long), with three-valued logic for Null (False And Null is False,
// True Or Null is True, ...).
Variant opNot(const Variant& a);
Variant opAnd(const Variant& a, const Variant& b);
Variant opOr(const Variant& a, const Variant& b);
Variant opXor(const Variant& a, const Variant& b);
Variant opEqv(const Variant& a, const Variant& b);
Variant opImp(const Variant& a, const Variant& b);

// The language's Is: the same object (two Nothing are the same). Not objects: 424.
bool sameObject(const Variant& a, const Variant& b);

}  // namespace core
