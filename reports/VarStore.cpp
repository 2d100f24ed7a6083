#include "reports/VarStore.h"

namespace reports {

const core::Variant* VarStore::find(const core::Variant& key) const {
    try {
        if (key.isNumber()) {
            const double pos = key.toDouble();
            if (pos >= 1 && pos <= double(entries_.size())) return &entries_[size_t(pos) - 1].second;
            return nullptr;
        }
        const QString name = key.toString();
        for (const auto& [k, v] : entries_)
            if (k.compare(name, Qt::CaseInsensitive) == 0) return &v;
    } catch (...) {
        // A key that is no text and no number addresses nothing.
    }
    return nullptr;
}

core::Variant VarStore::Vars(const core::Variant& key) const {
    const core::Variant* v = find(key);
    return v ? *v : core::Variant();
}

core::Variant VarStore::Nums(const core::Variant& key) const {
    const core::Variant* v = find(key);
    return v ? *v : core::Variant(std::int16_t(0));
}

core::Variant VarStore::Strs(const core::Variant& key) const {
    const core::Variant* v = find(key);
    return v ? *v : core::Variant(QString());
}

void VarStore::Let(const core::Variant& key, const core::Variant& value) {
    const QString name = key.toString();
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->first.compare(name, Qt::CaseInsensitive) == 0) {
            entries_.erase(it);
            break;
        }
    entries_.emplace_back(name, value);
}

}  // namespace reports
