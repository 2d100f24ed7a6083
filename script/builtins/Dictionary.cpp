#include "script/builtins/Dictionary.h"

#include "core/ObjectBinding.h"
#include "script/Errors.h"

#include <bit>

namespace script::builtins {

using core::CallArgs;
using core::Variant;

namespace {
// The bits of a number or an address as four characters of a key.
QString bitsKey(char16_t kind, std::uint64_t bits) {
    const char16_t text[5] = {kind, char16_t(bits), char16_t(bits >> 16), char16_t(bits >> 32),
                              char16_t(bits >> 48)};
    return QString(reinterpret_cast<const QChar*>(text), 5);
}
}  // namespace

// Keys of different kinds stay apart ("1" is not 1); numbers of any kind
// with the same value are one key; objects are keys by identity.
QString Dictionary::hashKey(const Variant& key) const {
    const Variant k = key.isObject() ? key : key.resolved();
    switch (k.kind()) {
        case core::VType::Empty:
            return QStringLiteral("e");
        case core::VType::Null:
            return QStringLiteral("z");
        case core::VType::String:
            return u's' + (compareMode_ == 0 ? k.stringValue() : k.stringValue().toLower());
        case core::VType::Date:
            return bitsKey(u'd', std::bit_cast<std::uint64_t>(k.dateValue().serial()));
        case core::VType::Object:
            return bitsKey(u'o', quintptr(k.objectValue().get()));
        case core::VType::Array:
        case core::VType::Error:
            raiseError(core::kErrTypeMismatch);
        default:
            return bitsKey(u'n', std::bit_cast<std::uint64_t>(k.toDouble()));
    }
}

Dictionary::Entry* Dictionary::find(const Variant& key) const {
    const auto it = index_.find(hashKey(key));
    return it == index_.end() ? nullptr : &*it->second;
}

void Dictionary::add(const Variant& key, const Variant& item) {
    QString h = hashKey(key);
    if (index_.find(h) != index_.end()) raiseError(core::kErrKeyExists);
    if (entries_.size() >= kMaxEntries) raiseError(core::kErrOutOfMemory);
    entries_.push_back({key.isObject() ? key : key.resolved(), item});
    try {
        index_.emplace(std::move(h), std::prev(entries_.end()));
    } catch (...) {
        entries_.pop_back();
        throw;
    }
}

bool Dictionary::exists(const Variant& key) const { return find(key) != nullptr; }

Variant Dictionary::item(const Variant& key) {
    if (const Entry* e = find(key)) return e->item;
    add(key, Variant());
    return Variant();
}

void Dictionary::setItem(const Variant& key, const Variant& item) {
    if (Entry* e = find(key))
        e->item = item;
    else
        add(key, item);
}

void Dictionary::renameKey(const Variant& key, const Variant& newKey) {
    const auto it = index_.find(hashKey(key));
    if (it == index_.end()) raiseError(core::kErrElementNotFound);
    if (exists(newKey)) raiseError(core::kErrKeyExists);
    const Variant stored = newKey.isObject() ? newKey : newKey.resolved();
    const Entries::iterator entry = it->second;
    index_.emplace(hashKey(newKey), entry);
    index_.erase(it);
    entry->key = stored;
}

void Dictionary::remove(const Variant& key) {
    const auto it = index_.find(hashKey(key));
    if (it == index_.end()) raiseError(core::kErrElementNotFound);
    // The item goes once the dictionary no longer has it.
    Entries gone;
    gone.splice(gone.end(), entries_, it->second);
    index_.erase(it);
}

void Dictionary::removeAll() {
    // The items go once the dictionary is empty: what their end does sees it so.
    Entries gone;
    gone.swap(entries_);
    index_.clear();
}

std::vector<Variant> Dictionary::column(bool keys) const {
    std::vector<Variant> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_) out.push_back(keys ? e.key : e.item);
    return out;
}

Variant Dictionary::keys() const { return Variant(core::VariantArray::fromValues(column(true))); }

Variant Dictionary::items() const { return Variant(core::VariantArray::fromValues(column(false))); }

void Dictionary::setCompareMode(int mode) {
    if (mode < 0 || mode > 2 || !entries_.empty()) raiseError(core::kErrInvalidCall);
    compareMode_ = mode == 0 ? 0 : 1;
}

std::vector<Variant> Dictionary::enumerate() { return column(true); }

Variant Dictionary::invoke(const QString& name, core::CallKind kind, std::span<Variant* const> args) {
    using D = Dictionary;
    static const core::MemberTable table =
        core::MemberTable::of<D>()
            .method("Add", 2, 2,
                    [](D& d, const CallArgs& a) {
                        d.add(a[0], a[1]);
                        return Variant();
                    })
            .method("Exists", 1, 1, [](D& d, const CallArgs& a) { return Variant(d.exists(a[0])); })
            .property(
                "Item", [](D& d, const CallArgs& a) { return d.item(a[0]); },
                [](D& d, const CallArgs& a, const Variant& v) { d.setItem(a[0], v); }, 1, 1)
            .property(
                "Key", {}, [](D& d, const CallArgs& a, const Variant& v) { d.renameKey(a[0], v); }, 1, 1)
            .method("Keys", 0, 0, [](D& d, const CallArgs&) { return d.keys(); })
            .method("Items", 0, 0, [](D& d, const CallArgs&) { return d.items(); })
            .property("Count", &D::count)
            .method("Remove", 1, 1,
                    [](D& d, const CallArgs& a) {
                        d.remove(a[0]);
                        return Variant();
                    })
            .method("RemoveAll", 0, 0,
                    [](D& d, const CallArgs&) {
                        d.removeAll();
                        return Variant();
                    })
            .property("CompareMode", &D::compareMode, &D::setCompareMode)
            .defaultMember("Item")
            .build();
    return table.invoke(*this, name, kind, args);
}

}  // namespace script::builtins
