// Conversion, test, arithmetic and array functions of the language.

#include "core/Clock.h"
#include "script/builtins/Groups.h"

#include <QTime>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace script::builtins {

using core::Currency;
using core::Variant;
using core::VariantArray;
using core::VType;

namespace {

// ---- Conversions -------------------------------------------------------------

// Every C* conversion refuses Null (error 94), including the kinds whose
// Variant conversion would keep it.
const Variant& notNull(const Variant& v) {
    if (v.isNull()) raiseError(core::kErrInvalidNull);
    return v;
}

Variant fnCBool(Args a) { return Variant(notNull(a[0]).toBool()); }
Variant fnCByte(Args a) { return Variant(notNull(a[0]).toByte()); }
Variant fnCInt(Args a) { return Variant(notNull(a[0]).toInteger()); }
Variant fnCLng(Args a) { return Variant(notNull(a[0]).toLong()); }
Variant fnCSng(Args a) { return Variant(notNull(a[0]).toSingle()); }
Variant fnCDbl(Args a) { return Variant(notNull(a[0]).toDouble()); }
Variant fnCCur(Args a) { return Variant(notNull(a[0]).toCurrency()); }
Variant fnCDate(Args a) { return Variant(notNull(a[0]).toDate()); }
// A whole number's text is made with room for a pad or a label to be
// joined to it ("0000" & CStr(n), "Pag. " & CStr(n)) in place.
Variant fnCStr(Args a) {
    constexpr qsizetype kJoinRoom = 8;
    switch (a[0].kind()) {
        case VType::Byte:
            return Variant(core::wholeNumberText(a[0].byteValue(), kJoinRoom));
        case VType::Integer:
            return Variant(core::wholeNumberText(a[0].integerValue(), kJoinRoom));
        case VType::Long:
            return Variant(core::wholeNumberText(a[0].longValue(), kJoinRoom));
        default:
            return Variant(notNull(a[0]).toString());
    }
}

// ---- Int, Fix, Round, Abs, Sgn -------------------------------------------------

// The value that Int, Fix, Round and Abs work on: numbers keep their kind,
// Empty is an Integer 0, Boolean an Integer, text a Double.
Variant numericOperand(const Variant& v) {
    const Variant r = v.resolved();
    switch (r.kind()) {
        case VType::Empty:
            return Variant(std::int16_t(0));
        case VType::Boolean:
            return Variant(std::int16_t(r.boolValue() ? -1 : 0));
        case VType::Byte:
        case VType::Integer:
        case VType::Long:
        case VType::Single:
        case VType::Double:
        case VType::Currency:
        case VType::Date:
            return r;
        default:
            return Variant(r.toDouble());
    }
}

// Applies a rounding of doubles to a value of any numeric kind, keeping it.
template <class F>
Variant applyRounding(const Variant& v, F round) {
    const Variant n = numericOperand(v);
    switch (n.kind()) {
        case VType::Byte:
        case VType::Integer:
        case VType::Long:
            return n;
        case VType::Single:
            return Variant(float(round(double(n.singleValue()))));
        case VType::Currency:
            return Variant(Currency::fromDouble(round(n.currencyValue().toDouble())));
        case VType::Date:
            return Variant(core::Date::fromSerial(round(n.dateValue().serial())));
        default:
            return Variant(round(n.doubleValue()));
    }
}

Variant fnInt(Args a) {
    if (a[0].isNull()) return Variant::null();
    return applyRounding(a[0], [](double x) { return std::floor(x); });
}

Variant fnFix(Args a) {
    if (a[0].isNull()) return Variant::null();
    return applyRounding(a[0], [](double x) { return std::trunc(x); });
}

// Halves to even at the given number of decimals, decided on the value as it
// prints with 15 significant digits, so that 2.675 counts as written and not
// as the 2.67499... that a double holds.
double roundHalfEven(double x, int decimals) {
    if (!std::isfinite(x) || x == 0) return x;
    char text[64];
    std::snprintf(text, sizeof text, "%.14e", std::fabs(x));  // d.dddddddddddddde+xx
    std::string digits;
    const char* p = text;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    const int exponent = std::atoi(p + 1);
    const int keep = exponent + 1 + decimals;  // significant digits that stay
    if (keep >= int(digits.size())) return x;
    if (keep < 0) return std::signbit(x) ? -0.0 : 0.0;
    std::string kept = keep > 0 ? digits.substr(0, std::size_t(keep)) : std::string("0");
    const char next = digits[std::size_t(keep)];
    const bool restNonZero = digits.find_first_not_of('0', std::size_t(keep) + 1) != std::string::npos;
    const bool lastOdd = (kept.back() - '0') % 2 != 0;
    const bool up = next > '5' || (next == '5' && (restNonZero || lastOdd));
    double r = std::strtod((kept + "e" + std::to_string(exponent + 1 - keep)).c_str(), nullptr);
    if (up) r += std::pow(10.0, exponent + 1 - keep);
    // Print the sum once more so that the result is the double nearest the decimal value.
    std::snprintf(text, sizeof text, "%.*f", decimals > 15 ? 15 : decimals, r);
    r = std::strtod(text, nullptr);
    return std::signbit(x) ? -r : r;
}

Variant fnRound(Args a) {
    const std::int32_t decimals = wholeArg(a, 1, 0);
    if (decimals < 0) raiseError(core::kErrInvalidCall);
    if (a[0].isNull()) return Variant::null();
    return applyRounding(a[0],
                         [decimals](double x) { return roundHalfEven(x, decimals > 22 ? 22 : decimals); });
}

Variant fnAbs(Args a) {
    if (a[0].isNull()) return Variant::null();
    const Variant n = numericOperand(a[0]);
    switch (n.kind()) {
        case VType::Byte:
            return n;
        case VType::Integer:
            if (n.integerValue() == INT16_MIN) return Variant(std::int32_t(32768));
            return Variant(std::int16_t(n.integerValue() < 0 ? -n.integerValue() : n.integerValue()));
        case VType::Long:
            if (n.longValue() == INT32_MIN) return Variant(2147483648.0);
            return Variant(std::int32_t(n.longValue() < 0 ? -n.longValue() : n.longValue()));
        case VType::Single:
            return Variant(std::fabs(n.singleValue()));
        case VType::Currency:
            return Variant(n.currencyValue() < Currency() ? -n.currencyValue() : n.currencyValue());
        case VType::Date:
            return Variant(std::fabs(n.dateValue().serial()));
        default:
            return Variant(std::fabs(n.doubleValue()));
    }
}

Variant fnSgn(Args a) {
    if (a[0].isNull()) return Variant::null();
    const double x = numericOperand(a[0]).toDouble();
    return Variant(std::int16_t(x > 0 ? 1 : x < 0 ? -1 : 0));
}

// ---- Mathematics -----------------------------------------------------------------

double mathArg(const Variant& v) { return numericOperand(v).toDouble(); }

template <double (*F)(double)>
Variant plainMath(Args a) {
    if (a[0].isNull()) return Variant::null();
    return Variant(F(mathArg(a[0])));
}

double sqrtChecked(double x) {
    if (x < 0) raiseError(core::kErrInvalidCall);
    return std::sqrt(x);
}

double expChecked(double x) {
    const double r = std::exp(x);
    if (!std::isfinite(r)) raiseError(core::kErrOverflow);
    return r;
}

double logChecked(double x) {
    if (x <= 0) raiseError(core::kErrInvalidCall);
    return std::log(x);
}

double tanChecked(double x) { return std::tan(x); }
double sinPlain(double x) { return std::sin(x); }
double cosPlain(double x) { return std::cos(x); }
double atanPlain(double x) { return std::atan(x); }

// Rnd and Randomize: the language's 24-bit generator, so that a seeded
// sequence repeats as it did.
std::uint32_t& rndSeed() {
    static std::uint32_t seed = 0x50000;
    return seed;
}

float rndValue() { return float(double(rndSeed()) / 16777216.0); }

void rndStep() { rndSeed() = (rndSeed() * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu; }

Variant fnRnd(Args a) {
    if (given(a, 0)) {
        const float n = a[0].toSingle();
        if (n == 0) return Variant(rndValue());
        if (n < 0) {
            std::uint32_t bits = 0;
            std::memcpy(&bits, &n, sizeof bits);
            rndSeed() = ((bits & 0xFFFFFFu) + (bits >> 24)) & 0xFFFFFFu;
        }
    }
    rndStep();
    return Variant(rndValue());
}

Variant fnRandomize(Args a) {
    double n = 0;
    if (given(a, 0)) {
        n = a[0].toDouble();
    } else {
        const QTime t = core::Clock::nowDateTime().time();
        n = t.msecsSinceStartOfDay() / 1000.0;
    }
    std::uint64_t bits = 0;
    std::memcpy(&bits, &n, sizeof bits);
    std::uint32_t high = std::uint32_t(bits >> 32);
    high = ((high & 0xFFFFu) ^ (high >> 16)) << 8;
    rndSeed() = (rndSeed() & 0xFF0000FFu) | (high & 0xFFFF00u);
    return Variant();
}

// ---- Hex and Oct ---------------------------------------------------------------------

// Integers and Bytes print as 16-bit values, everything else as a Long.
Variant radixText(const Variant& v, int base) {
    if (v.isNull()) return Variant::null();
    const Variant r = v.resolved();
    QString s;
    if (r.kind() == VType::Integer || r.kind() == VType::Byte || r.kind() == VType::Empty ||
        r.kind() == VType::Boolean) {
        s = QString::number(std::uint16_t(r.toInteger()), base);
    } else {
        s = QString::number(std::uint32_t(r.toLong()), base);
    }
    return Variant(s.toUpper());
}

Variant fnHex(Args a) { return radixText(a[0], 16); }
Variant fnOct(Args a) { return radixText(a[0], 8); }

// ---- Tests and types -----------------------------------------------------------------

Variant fnIsNumeric(Args a) { return Variant(core::isNumeric(a[0])); }
Variant fnIsDate(Args a) { return Variant(core::isDate(a[0])); }
Variant fnIsEmpty(Args a) { return Variant(a[0].isEmpty()); }
Variant fnIsNull(Args a) { return Variant(a[0].isNull()); }
Variant fnIsObject(Args a) { return Variant(a[0].isObject()); }
Variant fnIsArray(Args a) { return Variant(a[0].isArray()); }
Variant fnVarType(Args a) { return Variant(std::int16_t(a[0].type())); }
Variant fnTypeName(Args a) { return Variant(a[0].typeName()); }

// RGB(red, green, blue): components above 255 count as 255.
Variant fnRGB(Args a) {
    std::int32_t c[3];
    for (std::size_t i = 0; i < 3; ++i) {
        c[i] = a[i].toLong();
        if (c[i] < 0) raiseError(core::kErrInvalidCall);
        if (c[i] > 255) c[i] = 255;
    }
    return Variant(std::int32_t(c[0] + c[1] * 256 + c[2] * 65536));
}

// ---- Arrays --------------------------------------------------------------------------

Variant fnArray(Args a) {
    std::vector<Variant> values;
    values.reserve(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) values.push_back(a.take(i));
    return Variant(VariantArray::fromValues(std::move(values)));
}

const VariantArray& arrayArg(const Variant& v) {
    if (!v.isArray()) raiseError(core::kErrTypeMismatch);
    return v.arrayValue();
}

Variant fnLBound(Args a) {
    const VariantArray& array = arrayArg(a[0]);
    return Variant(array.lowerBound(wholeArg(a, 1, 1)));
}

Variant fnUBound(Args a) {
    const VariantArray& array = arrayArg(a[0]);
    return Variant(array.upperBound(wholeArg(a, 1, 1)));
}

const Info kFunctions[] = {
    {"CBool", 1, 1, fnCBool},
    {"CByte", 1, 1, fnCByte},
    {"CInt", 1, 1, fnCInt},
    {"CLng", 1, 1, fnCLng},
    {"CSng", 1, 1, fnCSng},
    {"CDbl", 1, 1, fnCDbl},
    {"CCur", 1, 1, fnCCur},
    {"CDate", 1, 1, fnCDate},
    {"CStr", 1, 1, fnCStr},
    {"Int", 1, 1, fnInt},
    {"Fix", 1, 1, fnFix},
    {"Round", 1, 2, fnRound},
    {"Abs", 1, 1, fnAbs},
    {"Sgn", 1, 1, fnSgn},
    {"Sqr", 1, 1, plainMath<sqrtChecked>},
    {"Exp", 1, 1, plainMath<expChecked>},
    {"Log", 1, 1, plainMath<logChecked>},
    {"Sin", 1, 1, plainMath<sinPlain>},
    {"Cos", 1, 1, plainMath<cosPlain>},
    {"Tan", 1, 1, plainMath<tanChecked>},
    {"Atn", 1, 1, plainMath<atanPlain>},
    {"Rnd", 0, 1, fnRnd},
    {"Randomize", 0, 1, fnRandomize},
    {"Hex", 1, 1, fnHex},
    {"Oct", 1, 1, fnOct},
    {"IsNumeric", 1, 1, fnIsNumeric},
    {"IsDate", 1, 1, fnIsDate},
    {"IsEmpty", 1, 1, fnIsEmpty},
    {"IsNull", 1, 1, fnIsNull},
    {"IsObject", 1, 1, fnIsObject},
    {"IsArray", 1, 1, fnIsArray},
    {"VarType", 1, 1, fnVarType},
    {"TypeName", 1, 1, fnTypeName},
    {"RGB", 3, 3, fnRGB},
    {"Array", 0, INT_MAX, fnArray},
    {"LBound", 1, 2, fnLBound},
    {"UBound", 1, 2, fnUBound},
};

}  // namespace

std::span<const Info> conversionFunctions() { return kFunctions; }

}  // namespace script::builtins
