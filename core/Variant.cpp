#include "core/Variant.h"

#include "core/AppError.h"

namespace core {

namespace {
[[noreturn]] void notYet() {
    throw AppError(51, QStringLiteral("core"), QStringLiteral("Operazione non ancora disponibile"));
}
}  // namespace

Variant::Variant(VariantArray v)
    : type_(VType::Array), data_(std::in_place_type<ArrayPtr>, std::make_shared<VariantArray>(std::move(v))) {}
Variant Variant::null() noexcept { return Variant(VType::Null, Data(std::in_place_type<NullTag>)); }
Variant Variant::error(std::int32_t number) noexcept {
    return Variant(VType::Error, Data(std::in_place_type<ErrorCode>, ErrorCode{number}));
}
Variant Variant::fromWhole(double) noexcept { return Variant(); }
VType Variant::type() const noexcept { return type_; }
bool Variant::isNothing() const noexcept { return false; }
bool Variant::isMissing() const noexcept { return false; }
bool Variant::isNumber() const noexcept { return false; }
const VariantArray& Variant::arrayValue() const noexcept { return *std::get<ArrayPtr>(data_); }
VariantArray& Variant::arrayForWrite() { notYet(); }
bool Variant::toBool() const { notYet(); }
std::uint8_t Variant::toByte() const { notYet(); }
std::int16_t Variant::toInteger() const { notYet(); }
std::int32_t Variant::toLong() const { notYet(); }
float Variant::toSingle() const { notYet(); }
double Variant::toDouble() const { notYet(); }
Currency Variant::toCurrency() const { notYet(); }
Date Variant::toDate() const { notYet(); }
QString Variant::toString() const { notYet(); }
std::shared_ptr<Object> Variant::toObject() const { notYet(); }
Variant Variant::convertedTo(VType) const { notYet(); }
bool Variant::isTrue() const { notYet(); }
Variant Variant::resolved() const { notYet(); }
QString Variant::typeName() const { notYet(); }
bool Variant::identical(const Variant&) const { notYet(); }

VariantArray::VariantArray(std::vector<ArrayBound> bounds, VType elementType)
    : bounds_(std::move(bounds)), elementType_(elementType) {}
VariantArray VariantArray::fromValues(std::vector<Variant>) { notYet(); }
std::int32_t VariantArray::lowerBound(int) const { notYet(); }
std::int32_t VariantArray::upperBound(int) const { notYet(); }
const Variant& VariantArray::at(std::span<const std::int32_t>) const { notYet(); }
Variant& VariantArray::at(std::span<const std::int32_t>) { notYet(); }
const Variant& VariantArray::at(std::int32_t) const { notYet(); }
Variant& VariantArray::at(std::int32_t) { notYet(); }
void VariantArray::redim(std::vector<ArrayBound>, bool) { notYet(); }
void VariantArray::erase() { notYet(); }

bool isNumeric(const Variant&) { notYet(); }
bool isDate(const Variant&) { notYet(); }
Variant add(const Variant&, const Variant&) { notYet(); }
Variant sub(const Variant&, const Variant&) { notYet(); }
Variant mul(const Variant&, const Variant&) { notYet(); }
Variant div(const Variant&, const Variant&) { notYet(); }
Variant intDiv(const Variant&, const Variant&) { notYet(); }
Variant mod(const Variant&, const Variant&) { notYet(); }
Variant pow(const Variant&, const Variant&) { notYet(); }
Variant neg(const Variant&) { notYet(); }
Variant concat(const Variant&, const Variant&) { notYet(); }
std::optional<int> compare(const Variant&, const Variant&, const CompareOptions&) { notYet(); }
Variant eq(const Variant&, const Variant&, const CompareOptions&) { notYet(); }
Variant ne(const Variant&, const Variant&, const CompareOptions&) { notYet(); }
Variant lt(const Variant&, const Variant&, const CompareOptions&) { notYet(); }
Variant gt(const Variant&, const Variant&, const CompareOptions&) { notYet(); }
Variant le(const Variant&, const Variant&, const CompareOptions&) { notYet(); }
Variant ge(const Variant&, const Variant&, const CompareOptions&) { notYet(); }
Variant opNot(const Variant&) { notYet(); }
Variant opAnd(const Variant&, const Variant&) { notYet(); }
Variant opOr(const Variant&, const Variant&) { notYet(); }
Variant opXor(const Variant&, const Variant&) { notYet(); }
Variant opEqv(const Variant&, const Variant&) { notYet(); }
Variant opImp(const Variant&, const Variant&) { notYet(); }
bool sameObject(const Variant&, const Variant&) { notYet(); }

}  // namespace core
