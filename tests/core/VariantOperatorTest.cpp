#include "core/AppError.h"
#include "core/Variant.h"
#include "tests/core/Values.h"

#include <gtest/gtest.h>

using core::Currency;
using core::Date;
using core::Variant;
using core::VType;
using namespace coretest;

namespace {

const Variant N = Variant::null();
const Variant E;
const Variant T(true);
const Variant F(false);

using Binary = Variant (*)(const Variant&, const Variant&);

struct Case {
    const char* what;
    Binary op;
    Variant a, b;
    Variant expected;  // ignored when error is set
    int error = 0;
};

Variant eqBinary(const Variant& a, const Variant& b) { return core::eq(a, b); }
Variant ltBinary(const Variant& a, const Variant& b) { return core::lt(a, b); }
Variant gtBinary(const Variant& a, const Variant& b) { return core::gt(a, b); }

void run(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        try {
            const Variant r = c.op(c.a, c.b);
            EXPECT_EQ(c.error, 0) << c.what << ": no error raised";
            EXPECT_TRUE(r.identical(c.expected))
                << c.what << ": got " << r.typeName().toStdString() << " "
                << (r.isNull() || r.isArray() ? "" : r.toString().toStdString()) << ", expected "
                << c.expected.typeName().toStdString();
        } catch (const core::AppError& e) {
            EXPECT_EQ(e.number(), c.error) << c.what;
        }
    }
}

TEST(VariantOperators, ArithmeticPromotesAsTheLanguage) {
    run({
        {"Integer+Integer", core::add, I(1), I(2), I(3)},
        {"Integer overflow to Long", core::add, I(32767), I(1), L(32768)},
        {"Integer*Integer to Long", core::mul, I(300), I(300), L(90000)},
        {"Long overflow to Double", core::add, L(2147483647), L(1), Variant(2147483648.0)},
        {"Long-Long to Double", core::sub, L(-2147483647), L(2), Variant(-2147483649.0)},
        {"Byte+Byte", core::add, B(100), B(100), B(200)},
        {"Byte overflow to Integer", core::add, B(200), B(100), I(300)},
        {"Byte-Byte below zero", core::sub, B(1), B(2), I(-1)},
        {"Byte+Integer", core::add, B(1), I(1), I(2)},
        {"Boolean+Boolean", core::add, T, T, I(-2)},
        {"Empty+Empty", core::add, E, E, I(0)},
        {"Empty+Long", core::add, E, L(5), L(5)},
        {"Long+Double", core::add, L(1), Variant(0.5), Variant(1.5)},
        {"Single+Integer", core::add, Variant(1.5f), I(1), Variant(2.5f)},
        {"Single+Long", core::add, Variant(1.5f), L(1), Variant(2.5)},
        {"Currency+Double", core::add, C(1.5), Variant(0.25), C(1.75)},
        {"Currency*Currency", core::mul, C(10.25), C(0.3333), C(3.4163)},
        {"Currency overflow", core::mul, Variant(Currency::max()), I(2), E, 6},
        {"String+String", core::add, S("ab"), S("cd"), S("abcd")},
        {"String+Empty", core::add, S("ab"), E, S("ab")},
        {"String+number", core::add, S("1,5"), I(1), Variant(2.5)},
        {"number+String", core::add, L(1), S("2"), Variant(3.0)},
        {"String-String", core::sub, S("5"), S("2"), Variant(3.0)},
        {"String+bad", core::add, S("abc"), I(1), E, 13},
        {"Date+number", core::add, Variant(Date(10.0)), I(1), Variant(Date(11.0))},
        {"number+Date", core::add, Variant(0.5), Variant(Date(10.0)), Variant(Date(10.5))},
        {"Date-number", core::sub, Variant(Date(10.0)), Variant(0.25), Variant(Date(9.75))},
        {"Date-Date", core::sub, Variant(Date(10.0)), Variant(Date(7.5)), Variant(2.5)},
        {"Date out of range", core::add, Variant(Date(2958465.0)), I(1), E, 6},
        {"Double overflow", core::mul, Variant(1e308), I(10), E, 6},
        {"Null+number", core::add, N, I(1), N},
        {"number-Null", core::sub, I(1), N, N},
        {"Null*Empty", core::mul, N, E, N},
        {"String+Null", core::add, S("a"), N, N},
        {"Error operand", core::add, Variant::missing(), I(1), E, 13},
        {"Array operand", core::add, Variant(core::VariantArray::fromValues({})), I(1), E, 13},
    });
}

TEST(VariantOperators, DivisionPowerAndNegation) {
    run({
        {"Integer/Integer", core::div, I(7), I(2), Variant(3.5)},
        {"Single/Integer", core::div, Variant(1.0f), I(4), Variant(0.25f)},
        {"Single/Long", core::div, Variant(1.0f), L(4), Variant(0.25)},
        {"Currency/Currency", core::div, C(1), C(4), Variant(0.25)},
        {"x/0", core::div, I(1), I(0), E, 11},
        {"0/0", core::div, I(0), E, E, 6},
        {"Null/0", core::div, N, I(0), N},
        {"intDiv rounds operands", core::intDiv, Variant(5.5), I(2), L(3)},
        {"intDiv Integer", core::intDiv, I(7), I(2), I(3)},
        {"intDiv negative truncates", core::intDiv, I(-7), I(2), I(-3)},
        {"intDiv Byte", core::intDiv, B(9), B(2), B(4)},
        {"intDiv by zero", core::intDiv, I(7), Variant(0.4), E, 11},
        {"intDiv overflow", core::intDiv, Variant(3e9), I(2), E, 6},
        {"Mod sign of dividend", core::mod, I(-7), I(3), I(-1)},
        {"Mod Long", core::mod, L(100000), I(7), L(100000 % 7)},
        {"Mod rounds", core::mod, Variant(7.5), I(3), L(2)},
        {"Mod by zero", core::mod, I(1), E, E, 11},
        {"Mod Null", core::mod, I(1), N, N},
        {"pow", core::pow, I(2), I(10), Variant(1024.0)},
        {"pow fraction", core::pow, I(4), Variant(0.5), Variant(2.0)},
        {"pow negative base, fraction", core::pow, I(-8), Variant(1.0 / 3), E, 5},
        {"pow zero to negative", core::pow, I(0), I(-1), E, 5},
        {"pow overflow", core::pow, I(10), I(400), E, 6},
        {"pow Null", core::pow, N, I(2), N},
    });
    struct Neg {
        Variant in, out;
        int error = 0;
    };
    const Neg negs[] = {
        {I(5), I(-5)},
        {I(-32768), L(32768)},
        {L(-2147483647 - 1), Variant(2147483648.0)},
        {E, I(0)},
        {T, I(1)},
        {B(3), I(-3)},
        {S("2,5"), Variant(-2.5)},
        {N, N},
        {C(1.5), C(-1.5)},
        {Variant(Currency::min()), E, 6},
        {Variant(Date(2.0)), Variant(Date(-2.0))},
        {Variant::missing(), E, 13},
    };
    for (const Neg& n : negs) {
        try {
            EXPECT_TRUE(core::neg(n.in).identical(n.out)) << n.in.typeName().toStdString();
            EXPECT_EQ(n.error, 0);
        } catch (const core::AppError& e) {
            EXPECT_EQ(e.number(), n.error);
        }
    }
}

TEST(VariantOperators, ConcatenationTreatsNullAndEmptyAsNothing) {
    run({
        {"texts", core::concat, S("a"), S("b"), S("ab")},
        {"numbers as Italian text", core::concat, Variant(3.5), I(2), S("3,52")},
        {"Boolean", core::concat, S("x="), T, S("x=Vero")},
        {"Date", core::concat, Variant(Date::fromParts(2026, 8, 8)), E, S("08/08/2026")},
        {"Null left", core::concat, N, S("b"), S("b")},
        {"Null right", core::concat, I(1), N, S("1")},
        {"both Null", core::concat, N, N, N},
        {"Empty", core::concat, E, E, S("")},
        {"array", core::concat, Variant(core::VariantArray::fromValues({})), S("b"), E, 13},
    });
}

TEST(VariantOperators, ComparisonsFollowTheVariantRules) {
    run({
        {"numbers", ltBinary, I(1), Variant(1.5), T},
        {"Long vs Double equal", eqBinary, L(2), Variant(2.0), T},
        {"Currency vs Currency", ltBinary, C(0.0001), C(0.0002), T},
        {"Currency vs Double", eqBinary, C(1.5), Variant(1.5), T},
        {"Boolean is -1", ltBinary, T, I(0), T},
        {"texts binary", ltBinary, S("B"), S("a"), T},
        {"texts binary case", eqBinary, S("a"), S("A"), F},
        {"Empty vs 0", eqBinary, E, I(0), T},
        {"Empty vs text", eqBinary, E, S(""), T},
        {"Empty vs Empty", eqBinary, E, E, T},
        {"variant number below text", ltBinary, L(100), S("5"), T},
        {"variant text above number", gtBinary, S("1"), L(9), T},
        {"Null equal", eqBinary, N, N, N},
        {"Null vs number", ltBinary, N, I(1), N},
        {"Date vs Date", ltBinary, Variant(Date(1.0)), Variant(Date(2.0)), T},
        {"Date vs number", eqBinary, Variant(Date(2.0)), I(2), T},
        {"array", eqBinary, Variant(core::VariantArray::fromValues({})), I(1), E, 13},
    });
    // Text compare ignores case.
    const core::CompareOptions text{core::CompareMode::Text};
    EXPECT_EQ(core::compare(S("abc"), S("ABC"), text), 0);
    EXPECT_EQ(core::compare(S("abc"), S("ABD"), text), -1);
    EXPECT_EQ(core::compare(S("abc"), S("ABD")), 1);
    // A literal on one side makes the other side convert to its kind.
    core::CompareOptions numberLiteral;
    numberLiteral.rightLiteral = true;
    EXPECT_TRUE(core::eq(S("5"), L(5), numberLiteral).toBool());
    EXPECT_TRUE(core::lt(S("5"), L(10), numberLiteral).toBool());
    // A text that holds no number is not equal to it, and sorts after it.
    EXPECT_FALSE(core::eq(S("x"), L(5), numberLiteral).toBool());
    EXPECT_TRUE(core::gt(S("x"), L(5), numberLiteral).toBool());
    EXPECT_FALSE(core::eq(S(""), Variant(true), numberLiteral).toBool());
    core::CompareOptions textLiteral;
    textLiteral.rightLiteral = true;
    EXPECT_TRUE(core::eq(Variant(1.5), S("1,5"), textLiteral).toBool());
    EXPECT_TRUE(core::lt(L(10), S("9"), textLiteral).toBool());  // "10" < "9" as text
    EXPECT_FALSE(core::eq(L(5), S("5")).toBool());
    EXPECT_TRUE(core::ge(I(5), I(5)).toBool());
    EXPECT_TRUE(core::le(I(4), I(5)).toBool());
    EXPECT_TRUE(core::ne(I(4), I(5)).toBool());
    EXPECT_EQ(core::compare(N, I(1)), std::nullopt);
}

TEST(VariantOperators, LogicIsThreeValuedAndBitwiseOnNumbers) {
    run({
        {"T And F", core::opAnd, T, F, F},
        {"T Or F", core::opOr, T, F, T},
        {"T Xor T", core::opXor, T, T, F},
        {"F Eqv F", core::opEqv, F, F, T},
        {"T Imp F", core::opImp, T, F, F},
        {"F Imp F", core::opImp, F, F, T},
        {"F And Null", core::opAnd, F, N, F},
        {"Null And F", core::opAnd, N, F, F},
        {"T And Null", core::opAnd, T, N, N},
        {"T Or Null", core::opOr, T, N, T},
        {"Null Or F", core::opOr, N, F, N},
        {"Null Xor T", core::opXor, N, T, N},
        {"Null Eqv F", core::opEqv, N, F, N},
        {"T Imp Null", core::opImp, T, N, N},
        {"F Imp Null", core::opImp, F, N, T},
        {"Null Imp T", core::opImp, N, T, T},
        {"Null Imp F", core::opImp, N, F, N},
        {"Null And Null", core::opAnd, N, N, N},
        {"Integer bits", core::opAnd, I(12), I(10), I(8)},
        {"Integer Or", core::opOr, I(12), I(3), I(15)},
        {"Long bits", core::opXor, L(65536 + 5), I(1), L(65536 + 4)},
        {"Byte bits", core::opOr, B(0xF0), B(0x0F), B(0xFF)},
        {"Byte Eqv", core::opEqv, B(0xF0), B(0x0F), B(0)},
        {"Boolean And Integer", core::opAnd, T, I(6), I(6)},
        {"Double rounds to Long", core::opAnd, Variant(6.6), I(3), L(3)},
        {"0 And Null", core::opAnd, I(0), N, I(0)},
        {"5 And Null", core::opAnd, I(5), N, N},
        {"-1 Or Null", core::opOr, I(-1), N, I(-1)},
        {"text flag", core::opAnd, S("Vero"), T, T},
        {"text number", core::opOr, S("4"), I(1), L(5)},
        {"bad text", core::opAnd, S("x"), T, E, 13},
    });
    EXPECT_TRUE(core::opNot(T).identical(F));
    EXPECT_TRUE(core::opNot(N).isNull());
    EXPECT_TRUE(core::opNot(E).identical(I(-1)));
    EXPECT_TRUE(core::opNot(I(0)).identical(I(-1)));
    EXPECT_TRUE(core::opNot(B(0x0F)).identical(B(0xF0)));
    EXPECT_TRUE(core::opNot(L(0)).identical(L(-1)));
    EXPECT_TRUE(core::opNot(Variant(1.4)).identical(L(-2)));
}

}  // namespace
