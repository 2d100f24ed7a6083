#pragma once
// A small page-like object bound with a member table, for the host-object
// tests in C++ and in scripts.

#include "core/ObjectBinding.h"

#include <gtest/gtest.h>

#include <QMap>
#include <QStringList>

namespace hostobjecttest {

using core::CallArgs;
using core::Variant;

class Page : public core::Object {
  public:
    QString name;
    QMap<QString, Variant> vars;
    QStringList calls;
    std::shared_ptr<Page> child;

    QString typeName() const override { return QStringLiteral("Page"); }

    std::vector<Variant> enumerate() override {
        std::vector<Variant> out;
        for (auto it = vars.cbegin(); it != vars.cend(); ++it) out.push_back(Variant(it.key()));
        return out;
    }

    Variant invoke(const QString& member, core::CallKind kind, std::span<Variant* const> args) override {
        using P = Page;
        static const core::MemberTable table =
            core::MemberTable::of<P>()
                // TxtOut nY, nX, text[, nWrapLen[, bMantainOriginalWrap]] -> width
                .method("TxtOut", 3, 5,
                        [](P& p, const CallArgs& a) {
                            const QString text = a.string(2);
                            p.calls << QStringList{Variant(a.number(0)).toString(),
                                                   Variant(a.number(1)).toString(), text,
                                                   Variant(a.number(3)).toString(),
                                                   Variant(a.flag(4)).toString()}
                                           .join(u'|');
                            return Variant(double(text.size()));
                        })
                // Measure text, width, height: the sizes come back by reference.
                .method("Measure", 3, 3,
                        [](P&, const CallArgs& a) {
                            a.setRef(1, Variant(std::int32_t(a.string(0).size())));
                            a.setRef(2, Variant(std::int32_t(1)));
                            return Variant();
                        })
                .property(
                    "Vars", [](P& p, const CallArgs& a) { return p.vars.value(a.string(0)); },
                    [](P& p, const CallArgs& a, const Variant& v) { p.vars.insert(a.string(0), v); }, 1, 1)
                .property(
                    "Nums", [](P& p, const CallArgs& a) { return p.vars.value(a.string(0), Variant(0)); }, {},
                    1, 1)
                .property("VarsCount",
                          [](P& p, const CallArgs&) { return Variant(std::int32_t(p.vars.size())); })
                .property(
                    "Name", [](P& p, const CallArgs&) { return Variant(p.name); },
                    [](P& p, const CallArgs&, const Variant& v) { p.name = v.toString(); })
                .property("Child",
                          [](P& p, const CallArgs&) {
                              if (!p.child) p.child = std::make_shared<Page>();
                              return Variant(p.child);
                          })
                .defaultMember("Name")
                .build();
        return table.invoke(*this, member, kind, args);
    }
};

}  // namespace hostobjecttest
