#include "script/builtins/Dictionary.h"

#include "core/ObjectBinding.h"
#include "script/Errors.h"

namespace script::builtins {

using core::CallArgs;
using core::Variant;

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
            return u'd' + QString::number(k.dateValue().serial(), 'g', 17);
        case core::VType::Object:
            return u'o' + QString::number(quintptr(k.objectValue().get()), 16);
        case core::VType::Array:
        case core::VType::Error:
            raiseError(core::kErrTypeMismatch);
        default:
            return u'n' + QString::number(k.toDouble(), 'g', 17);
    }
}

qsizetype Dictionary::indexOf(const Variant& key) const { return index_.value(hashKey(key), -1); }

void Dictionary::reindex() {
    index_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) index_.insert(hashKey(entries_[i].key), qsizetype(i));
}

void Dictionary::add(const Variant& key, const Variant& item) {
    const QString h = hashKey(key);
    if (index_.contains(h)) raiseError(core::kErrKeyExists);
    index_.insert(h, qsizetype(entries_.size()));
    entries_.push_back({key.isObject() ? key : key.resolved(), item});
}

bool Dictionary::exists(const Variant& key) const { return indexOf(key) >= 0; }

Variant Dictionary::item(const Variant& key) {
    const qsizetype i = indexOf(key);
    if (i >= 0) return entries_[std::size_t(i)].item;
    add(key, Variant());
    return Variant();
}

void Dictionary::setItem(const Variant& key, const Variant& item) {
    const qsizetype i = indexOf(key);
    if (i >= 0)
        entries_[std::size_t(i)].item = item;
    else
        add(key, item);
}

void Dictionary::renameKey(const Variant& key, const Variant& newKey) {
    const qsizetype i = indexOf(key);
    if (i < 0) raiseError(core::kErrElementNotFound);
    if (exists(newKey)) raiseError(core::kErrKeyExists);
    index_.remove(hashKey(key));
    entries_[std::size_t(i)].key = newKey.isObject() ? newKey : newKey.resolved();
    index_.insert(hashKey(newKey), i);
}

void Dictionary::remove(const Variant& key) {
    const qsizetype i = indexOf(key);
    if (i < 0) raiseError(core::kErrElementNotFound);
    entries_.erase(entries_.begin() + i);
    reindex();
}

void Dictionary::removeAll() {
    // The items go once the dictionary is empty: what their end does sees it so.
    std::vector<Entry> gone = std::move(entries_);
    entries_.clear();
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
