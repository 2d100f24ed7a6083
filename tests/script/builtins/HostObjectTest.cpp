// A C++ object exposed through a member table: methods with optional
// trailing arguments, indexed properties, by-reference arguments, a default
// member, chained objects and For Each.

#include "HostObjectFixture.h"

#include "core/AppError.h"

using core::Variant;
using hostobjecttest::Page;

namespace {

Variant member(core::Object& o, const char* name, core::CallKind kind, std::vector<Variant*> refs) {
    return o.invoke(QString::fromLatin1(name), kind, refs);
}

long memberError(core::Object& o, const char* name, core::CallKind kind, std::vector<Variant> args) {
    std::vector<Variant*> refs;
    for (Variant& a : args) refs.push_back(&a);
    try {
        o.invoke(QString::fromLatin1(name), kind, refs);
    } catch (const core::AppError& e) {
        return e.number();
    }
    return 0;
}

}  // namespace

TEST(HostObject, MethodsTakeOptionalTrailingArguments) {
    auto page = std::make_shared<Page>();
    Variant y(std::int32_t(10)), x(2.5), text(QStringLiteral("Totale")), missing = Variant::missing(),
                                                                         keep(true);
    // prn.TxtOut 10, 2.5, "Totale"
    Variant width = member(*page, "txtout", core::CallKind::Method, {&y, &x, &text});
    EXPECT_EQ(width.toDouble(), 6.0);
    // prn.TxtOut 10, 2.5, "Totale", , True
    member(*page, "TxtOut", core::CallKind::Method, {&y, &x, &text, &missing, &keep});
    ASSERT_EQ(page->calls.size(), 2u);
    EXPECT_EQ(page->calls[0], "10|2,5|Totale|0|Falso");
    EXPECT_EQ(page->calls[1], "10|2,5|Totale|0|Vero");
}

TEST(HostObject, IndexedPropertiesAndDefaultMember) {
    auto page = std::make_shared<Page>();
    Variant key(QStringLiteral("Totale")), five(std::int32_t(5)), absent(QStringLiteral("Altro"));
    member(*page, "Vars", core::CallKind::PropertyLet, {&key, &five});  // prn.Vars("Totale") = 5
    EXPECT_EQ(member(*page, "VARS", core::CallKind::PropertyGet, {&key}).toLong(), 5);
    EXPECT_EQ(member(*page, "Nums", core::CallKind::PropertyGet, {&absent}).toLong(), 0);
    EXPECT_EQ(member(*page, "VarsCount", core::CallKind::PropertyGet, {}).toLong(), 1);

    Variant name(QStringLiteral("Etichetta"));
    member(*page, "", core::CallKind::PropertyLet, {&name});  // the default member
    EXPECT_EQ(Variant(std::static_pointer_cast<core::Object>(page)).toString(), "Etichetta");

    // For Each visits the variable names.
    const auto items = page->enumerate();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].toString(), "Totale");
}

TEST(HostObject, ByReferenceArgumentsComeBack) {
    auto page = std::make_shared<Page>();
    Variant text(QStringLiteral("abcd")), w, h;
    member(*page, "Measure", core::CallKind::Method, {&text, &w, &h});
    EXPECT_EQ(w.toLong(), 4);
    EXPECT_EQ(h.toLong(), 1);
}

TEST(HostObject, ChainedObjects) {
    auto page = std::make_shared<Page>();
    Variant child = member(*page, "Child", core::CallKind::PropertyGet, {});
    ASSERT_TRUE(child.isObject());
    Variant name(QStringLiteral("figlio"));
    member(*child.toObject(), "Name", core::CallKind::PropertyLet, {&name});
    EXPECT_EQ(page->child->name, "figlio");
}

TEST(HostObject, DispatchErrors) {
    auto page = std::make_shared<Page>();
    struct {
        const char* name;
        core::CallKind kind;
        std::vector<Variant> args;
        long error;
    } cases[] = {
        {"NoSuchMember", core::CallKind::Method, {}, 438},
        {"TxtOut", core::CallKind::Method, {Variant(1), Variant(2)}, 450},  // too few
        {"TxtOut", core::CallKind::Method, {1, 2, "a", 0, true, 9}, 450},   // too many
        {"VarsCount", core::CallKind::PropertyLet, {Variant(3)}, 450},      // read-only
        {"Vars", core::CallKind::PropertyGet, {}, 450},                     // index missing
        {"TxtOut", core::CallKind::PropertyLet, {1, 2, "a", 4}, 450},       // a method is not assignable
        {"TxtOut", core::CallKind::Method, {"a", 2, "b"}, 13},              // conversion of an argument
        {"Vars", core::CallKind::PropertyGet, {Variant::null()}, 94},
    };
    for (auto& c : cases) EXPECT_EQ(memberError(*page, c.name, c.kind, c.args), c.error) << c.name;
}
