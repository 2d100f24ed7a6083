#pragma once
// The one object that scripts may create: "Scripting.Dictionary", a keyed
// list in insertion order.

#include "core/Object.h"
#include "core/Variant.h"

#include <QHash>
#include <vector>

namespace script::builtins {

class Dictionary : public core::Object {
  public:
    QString typeName() const override { return QStringLiteral("Dictionary"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;
    // For Each visits the keys.
    std::vector<core::Variant> enumerate() override;

    // The members, for C++ callers as for scripts.
    void add(const core::Variant& key, const core::Variant& item);  // 457 when the key exists
    bool exists(const core::Variant& key) const;
    // Reading an absent key adds it with an Empty item, as the language does.
    core::Variant item(const core::Variant& key);
    void setItem(const core::Variant& key, const core::Variant& item);
    void renameKey(const core::Variant& key,
                   const core::Variant& newKey);  // 32811 when absent, 457 when taken
    void remove(const core::Variant& key);        // 32811 when absent
    void removeAll();
    int count() const { return int(entries_.size()); }
    core::Variant keys() const;   // array from 0
    core::Variant items() const;  // array from 0
    // 0 binary (the default), 1 text: keys that differ only in letter case
    // are the same key. Error 5 once the dictionary holds items.
    int compareMode() const { return compareMode_; }
    void setCompareMode(int mode);
    // Every key and item in order (the engine looks for what holds what).
    template <class Fn>
    void forEachValue(Fn&& fn) const {
        for (const Entry& e : entries_) {
            fn(e.key);
            fn(e.item);
        }
    }

  private:
    QString hashKey(const core::Variant& key) const;
    qsizetype indexOf(const core::Variant& key) const;
    void reindex();
    std::vector<core::Variant> column(bool keys) const;  // the keys or the items, in order

    struct Entry {
        core::Variant key;
        core::Variant item;
    };
    std::vector<Entry> entries_;
    QHash<QString, qsizetype> index_;
    int compareMode_ = 0;
};

}  // namespace script::builtins
