#pragma once
// The variable store of the page objects (prn.Vars, prn.Nums, prn.Strs,
// prn.VarsCount, prn.ResetVars): values kept between the calls of a layout's
// procedures, in the order they were last written. Keys are texts in any
// letter case; a number read as key is a position from 1.

#include "core/ObjectBinding.h"
#include "core/Variant.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace reports {

class VarStore {
  public:
    // The value, or Empty when absent.
    core::Variant Vars(const core::Variant& key) const;
    // The value, or the Integer 0 when absent.
    core::Variant Nums(const core::Variant& key) const;
    // The value, or "" when absent.
    core::Variant Strs(const core::Variant& key) const;
    // Writes under a text key (a number is written as its text), moving the
    // variable to the end of the order.
    void Let(const core::Variant& key, const core::Variant& value);
    int VarsCount() const { return int(entries_.size()); }
    void ResetVars() { entries_.clear(); }

  private:
    const core::Variant* find(const core::Variant& key) const;
    std::vector<std::pair<QString, core::Variant>> entries_;
};

// Adds Vars, Nums, Strs, VarsCount and ResetVars to a page object's member
// table; T::Vars() gives its store.
template <class T>
void addVarStoreMembers(core::MemberTable::Builder<T>& b) {
    using core::CallArgs;
    using core::Variant;
    b.property(
        "Vars", [](T& s, const CallArgs& a) { return s.Vars().Vars(a[0]); },
        [](T& s, const CallArgs& a, const Variant& v) { s.Vars().Let(a[0], v); }, 1, 1);
    b.property(
        "Nums", [](T& s, const CallArgs& a) { return s.Vars().Nums(a[0]); },
        [](T& s, const CallArgs& a, const Variant& v) { s.Vars().Let(a[0], v); }, 1, 1);
    b.property(
        "Strs", [](T& s, const CallArgs& a) { return s.Vars().Strs(a[0]); },
        [](T& s, const CallArgs& a, const Variant& v) { s.Vars().Let(a[0], v); }, 1, 1);
    b.property("VarsCount",
               [](T& s, const CallArgs&) { return Variant(std::int16_t(s.Vars().VarsCount())); });
    b.method("ResetVars", 0, 0, [](T& s, const CallArgs&) {
        s.Vars().ResetVars();
        return Variant();
    });
}

}  // namespace reports
