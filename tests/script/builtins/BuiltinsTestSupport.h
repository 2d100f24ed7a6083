#pragma once
// Calling built-ins by name as the interpreter does, and printing their
// results compactly for tables of cases.

#include "core/AppError.h"
#include "core/Variant.h"
#include "script/builtins/Builtins.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

namespace builtinstest {

using core::Variant;

inline Variant L(std::int32_t v) { return Variant(v); }
inline Variant I(std::int16_t v) { return Variant(v); }
inline Variant D(double v) { return Variant(v); }
inline Variant S(const char* v) { return Variant(QString::fromUtf8(v)); }
inline Variant B(bool v) { return Variant(v); }
inline Variant N() { return Variant::null(); }
inline Variant M() { return Variant::missing(); }

// Calls the built-in as the interpreter would: by name in any case, with the
// argument count checked against the table.
inline Variant call(const char* name, std::vector<Variant> args) {
    const auto* info = script::builtins::find(QString::fromLatin1(name));
    if (!info) {
        ADD_FAILURE() << "no built-in " << name;
        return Variant();
    }
    EXPECT_GE(int(args.size()), info->minArgs) << name;
    EXPECT_LE(int(args.size()), info->maxArgs) << name;
    // Every argument is the call's own value, as an expression's is.
    std::vector<Variant*> items;
    for (Variant& v : args) items.push_back(&v);
    return info->fn(script::builtins::Args(items.data(), items.size(), ~std::uint32_t(0)));
}

// The error number that the call raises (0 when it raises none).
inline long errorOf(const char* name, std::vector<Variant> args) {
    try {
        call(name, std::move(args));
    } catch (const core::AppError& e) {
        return e.number();
    }
    return 0;
}

// "TypeName:text", "Null", "Empty", or "TypeName(a|b|c)" for arrays.
inline QString show(const Variant& v) {
    if (v.isNull()) return QStringLiteral("Null");
    if (v.isEmpty()) return QStringLiteral("Empty");
    if (v.isArray()) {
        QStringList parts;
        for (const Variant& e : v.arrayValue().elements()) parts << e.toString();
        return v.typeName() + u'(' + parts.join(u'|') + u')';
    }
    if (v.isObject()) return v.typeName();
    return v.typeName() + u':' + v.toString();
}

struct Case {
    const char* name;
    std::vector<Variant> args;
    const char* expected;
};

struct ErrorCase {
    const char* name;
    std::vector<Variant> args;
    long error;
};

inline void runCases(const std::vector<Case>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        try {
            EXPECT_EQ(show(call(c.name, c.args)).toStdString(), std::string(c.expected))
                << c.name << " (case " << i << ")";
        } catch (const core::AppError& e) {
            ADD_FAILURE() << c.name << " (case " << i << ") raised " << e.number() << " expecting "
                          << c.expected;
        }
    }
}

inline void runErrorCases(const std::vector<ErrorCase>& cases) {
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(errorOf(cases[i].name, cases[i].args), cases[i].error)
            << cases[i].name << " (case " << i << ")";
}

}  // namespace builtinstest
