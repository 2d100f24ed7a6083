#pragma once
// The variable store of the page objects (prn.Vars, prn.Nums, prn.Strs,
// prn.VarsCount, prn.ResetVars): values kept between the calls of a layout's
// procedures, in the order they were last written. Keys are texts in any
// letter case; a number read as key is a position from 1.

#include "core/Variant.h"

#include <QString>
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

}  // namespace reports
