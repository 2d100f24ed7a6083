#pragma once
// The one object that scripts may create: "Scripting.Dictionary", a keyed
// list in insertion order. It holds kMaxEntries entries at most (error 7,
// "Memoria esaurita", as an array past its largest size), and memory that
// runs out while it grows is error 7 too.

#include "core/Object.h"
#include "core/Variant.h"

#include <QHash>
#include <QString>
#include <list>
#include <unordered_map>
#include <vector>

namespace script::builtins {

class Dictionary : public core::Object {
  public:
    // Some 200 bytes an entry: a couple of hundred megabytes in all.
    static constexpr std::size_t kMaxEntries = std::size_t(1) << 20;

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
    struct Entry {
        core::Variant key;
        core::Variant item;
    };
    using Entries = std::list<Entry>;
    // The entry of the key; nullptr when absent.
    Entry* find(const core::Variant& key) const;
    std::vector<core::Variant> column(bool keys) const;  // the keys or the items, in order

    struct KeyHash {
        std::size_t operator()(const QString& key) const noexcept { return qHash(key); }
    };
    // In the order they were added; removing one moves none of the others.
    Entries entries_;
    // Each key's entry. Its insertion throws when memory runs out (QHash's
    // of this Qt cannot: it ends the program).
    std::unordered_map<QString, Entries::iterator, KeyHash> index_;
    int compareMode_ = 0;
};

}  // namespace script::builtins
