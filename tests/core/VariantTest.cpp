#include "core/AppError.h"
#include "core/Variant.h"
#include "tests/core/Values.h"

#include <gtest/gtest.h>

#include <functional>

using core::Currency;
using core::Date;
using core::Variant;
using core::VType;
using namespace coretest;

namespace {

// An object whose default member gives a fixed value.
class Box : public core::Object {
  public:
    explicit Box(Variant v) : value(std::move(v)) {}
    QString typeName() const override { return QStringLiteral("Box"); }
    Variant invoke(const QString& name, core::CallKind, std::span<Variant* const>) override {
        if (!name.isEmpty()) throw core::AppError(438, QStringLiteral("Box"), QStringLiteral("no member"));
        return value;
    }
    Variant value;
};

TEST(Variant, KindsTypeNamesAndCopies) {
    struct Case {
        Variant v;
        VType type;
        const char* name;
    };
    const Case cases[] = {
        {Variant(), VType::Empty, "Empty"},
        {Variant::null(), VType::Null, "Null"},
        {Variant(true), VType::Boolean, "Boolean"},
        {B(7), VType::Byte, "Byte"},
        {I(7), VType::Integer, "Integer"},
        {Variant(7), VType::Long, "Long"},
        {Variant(1.5f), VType::Single, "Single"},
        {Variant(1.5), VType::Double, "Double"},
        {C(1.5), VType::Currency, "Currency"},
        {Variant(Date(1.0)), VType::Date, "Date"},
        {Variant("x"), VType::String, "String"},
        {Variant::nothing(), VType::Object, "Nothing"},
        {Variant(std::make_shared<Box>(Variant(1))), VType::Object, "Box"},
        {Variant::missing(), VType::Error, "Error"},
        {Variant(core::VariantArray::fromValues({I(1)})), VType::Array | VType::Variant, "Variant()"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.v.type(), c.type) << c.name;
        EXPECT_EQ(c.v.typeName(), QString::fromUtf8(c.name));
        const Variant copy = c.v;
        EXPECT_TRUE(copy.identical(c.v)) << c.name;
    }
    EXPECT_EQ(int(VType::Array | VType::Variant), 8204);
    EXPECT_TRUE(Variant::missing().isMissing());
    EXPECT_TRUE(Variant::nothing().isNothing());
    EXPECT_TRUE(Variant::fromWhole(32767).identical(I(32767)));
    EXPECT_TRUE(Variant::fromWhole(32768).identical(L(32768)));
    EXPECT_TRUE(Variant::fromWhole(3e9).identical(Variant(3e9)));
    EXPECT_TRUE(Variant::fromWhole(1.5).identical(Variant(1.5)));
}

TEST(Variant, WholeConversionsRoundHalvesToEvenAndCheckRange) {
    struct Case {
        Variant in;
        int integer;  // expected CInt, or the error number when err is set
        bool err;
    };
    const Case cases[] = {
        {Variant(2.5), 2, false},
        {Variant(3.5), 4, false},
        {Variant(-2.5), -2, false},
        {Variant(0.5), 0, false},
        {Variant(1.5), 2, false},
        {S("2,5"), 2, false},
        {S("3,5"), 4, false},
        {C(2.5), 2, false},
        {C(-3.5), -4, false},
        {Variant(true), -1, false},
        {Variant(), 0, false},
        {S("&HFFFF"), -1, false},
        {Variant(32767.4), 32767, false},
        {Variant(40000), 6, true},
        {Variant(32767.5), 6, true},
        {Variant(-32768.6), 6, true},
        {S("abc"), 13, true},
        {Variant::null(), 94, true},
        {Variant::missing(), 13, true},
        {Variant(Date(2.5)), 2, false},
    };
    for (const Case& c : cases) {
        if (c.err)
            EXPECT_EQ(errorOf([&] { c.in.toInteger(); }), c.integer) << c.in.typeName().toStdString();
        else
            EXPECT_EQ(c.in.toInteger(), c.integer) << c.in.typeName().toStdString();
    }
    EXPECT_EQ(Variant(2147483647.4).toLong(), 2147483647);
    EXPECT_EQ(errorOf([] { Variant(2147483647.5).toLong(); }), 6);
    EXPECT_EQ(Variant(254.5).toByte(), 254);
    EXPECT_EQ(errorOf([] { Variant(-1).toByte(); }), 6);
    EXPECT_EQ(errorOf([] { Variant(255.5).toByte(); }), 6);
    EXPECT_EQ(errorOf([] { Variant(1e39).toSingle(); }), 6);
}

TEST(Variant, TextFlagDateAndCurrencyConversions) {
    EXPECT_EQ(Variant(3.5).toString(), QStringLiteral("3,5"));
    EXPECT_EQ(Variant(0.1 + 0.2).toString(), QStringLiteral("0,3"));
    EXPECT_EQ(Variant(true).toString(), QStringLiteral("Vero"));
    EXPECT_EQ(Variant(false).toString(), QStringLiteral("Falso"));
    EXPECT_EQ(Variant(Date::fromParts(2026, 8, 8)).toString(), QStringLiteral("08/08/2026"));
    EXPECT_EQ(C(1234.5).toString(), QStringLiteral("1234,5"));
    EXPECT_EQ(Variant().toString(), QString());
    EXPECT_EQ(I(-5).toString(), QStringLiteral("-5"));
    EXPECT_EQ(errorOf([] { Variant::null().toString(); }), 94);
    EXPECT_EQ(errorOf([] { Variant(core::VariantArray::fromValues({})).toString(); }), 13);

    EXPECT_TRUE(S("Vero").toBool());
    EXPECT_FALSE(S("falso").toBool());
    EXPECT_TRUE(S("True").toBool());
    EXPECT_TRUE(S("2").toBool());
    EXPECT_FALSE(S("0").toBool());
    EXPECT_FALSE(Variant().toBool());
    EXPECT_TRUE(Variant(0.1).toBool());
    EXPECT_EQ(errorOf([] { S("forse").toBool(); }), 13);
    EXPECT_EQ(errorOf([] { Variant::null().toBool(); }), 94);
    EXPECT_FALSE(Variant::null().isTrue());

    EXPECT_EQ(S("08/08/2026").toDate(), Date::fromParts(2026, 8, 8));
    EXPECT_EQ(Variant(46242).toDate(), Date::fromParts(2026, 8, 8));
    EXPECT_EQ(Variant(true).toDate(), Date(-1.0));
    EXPECT_EQ(errorOf([] { S("31/02/2026").toDate(); }), 13);
    EXPECT_EQ(errorOf([] { Variant(1e10).toDate(); }), 6);

    EXPECT_EQ(S("1.234,56").toCurrency(), Currency::fromRaw(12345600));
    EXPECT_EQ(Variant(2.675).toCurrency(), Currency::fromRaw(26750));
    EXPECT_EQ(S("1.234,5").toDouble(), 1234.5);
    EXPECT_EQ(Variant(Date(1.5)).toDouble(), 1.5);
    EXPECT_EQ(errorOf([] { Variant(3).toObject(); }), 424);

    EXPECT_TRUE(Variant(7).convertedTo(VType::Integer).identical(I(7)));
    EXPECT_TRUE(S("3,5").convertedTo(VType::Double).identical(Variant(3.5)));
    EXPECT_TRUE(Variant::null().convertedTo(VType::Variant).isNull());
    EXPECT_EQ(errorOf([] { Variant::null().convertedTo(VType::Long); }), 94);
}

TEST(Variant, ObjectsConvertThroughTheirDefaultMember) {
    const Variant box(std::make_shared<Box>(S("12,5")));
    EXPECT_EQ(box.toDouble(), 12.5);
    EXPECT_EQ(box.toString(), QStringLiteral("12,5"));
    EXPECT_TRUE(core::add(box, I(1)).identical(Variant(13.5)));
    EXPECT_TRUE(core::isNumeric(box));
    EXPECT_EQ(errorOf([] { Variant::nothing().toString(); }), 91);
    EXPECT_TRUE(core::sameObject(box, box));
    EXPECT_FALSE(core::sameObject(box, Variant::nothing()));
    EXPECT_EQ(errorOf([&] { core::sameObject(box, I(1)); }), 424);
}

TEST(Variant, IsNumericAndIsDate) {
    EXPECT_TRUE(core::isNumeric(Variant()));
    EXPECT_TRUE(core::isNumeric(Variant(true)));
    EXPECT_TRUE(core::isNumeric(S(" 1.234,5 ")));
    EXPECT_FALSE(core::isNumeric(S("12a")));
    EXPECT_FALSE(core::isNumeric(Variant::null()));
    EXPECT_FALSE(core::isNumeric(Variant(Date(1.0))));
    EXPECT_TRUE(core::isDate(Variant(Date(1.0))));
    EXPECT_TRUE(core::isDate(S("01/02/2024")));
    EXPECT_FALSE(core::isDate(S("30/02/2024")));
    EXPECT_FALSE(core::isDate(Variant(5)));
}

TEST(VariantArray, BoundsElementsAndCopyOnWrite) {
    core::VariantArray a({{1, 3}, {0, 2}});  // (1 To 3, 0 To 1)
    EXPECT_EQ(a.dimensions(), 2);
    EXPECT_EQ(a.lowerBound(1), 1);
    EXPECT_EQ(a.upperBound(2), 1);
    const std::int32_t idx[] = {2, 1};
    a.at(idx) = S("x");
    EXPECT_EQ(a.elements()[4].toString(), QStringLiteral("x"));  // first index varies fastest
    EXPECT_EQ(errorOf([&] { a.lowerBound(3); }), 9);
    const std::int32_t bad[] = {4, 0};
    EXPECT_EQ(errorOf([&] { a.at(bad); }), 9);
    EXPECT_EQ(errorOf([&] { a.at(1); }), 9);

    Variant v1(a);
    Variant v2 = v1;
    v2.arrayForWrite().at(idx) = I(5);
    EXPECT_EQ(v1.arrayValue().at(idx).toString(), QStringLiteral("x"));
    EXPECT_EQ(v2.arrayValue().at(idx).toInteger(), 5);

    // Preserve keeps the elements and may change only the last dimension.
    v2.arrayForWrite().redim({{1, 3}, {0, 3}}, true);
    EXPECT_EQ(v2.arrayValue().at(idx).toInteger(), 5);
    EXPECT_EQ(v2.arrayValue().size(), 9u);
    EXPECT_EQ(errorOf([&] { v2.arrayForWrite().redim({{1, 4}, {0, 3}}, true); }), 9);
    v2.arrayForWrite().redim({{0, 2}}, false);
    EXPECT_TRUE(v2.arrayValue().at(1).isEmpty());

    core::VariantArray fixed({{0, 2}}, VType::Integer);
    fixed.setFixed(true);
    EXPECT_TRUE(fixed.at(0).identical(I(0)));
    EXPECT_EQ(errorOf([&] { fixed.redim({{0, 5}}, false); }), 10);
    fixed.at(1) = I(3);
    fixed.erase();
    EXPECT_TRUE(fixed.at(1).identical(I(0)));

    core::VariantArray empty = core::VariantArray::fromValues({});
    EXPECT_EQ(empty.upperBound(), -1);
    core::VariantArray none;
    EXPECT_EQ(errorOf([&] { none.upperBound(); }), 9);
    EXPECT_EQ(errorOf([] { core::VariantArray({{0, 1 << 20}, {0, 1 << 20}}); }), 7);
}

}  // namespace
