#include "core/ObjectBinding.h"

#include "core/ValueError.h"

namespace core {

void raiseMemberNotFound() { raiseValueError(kErrMemberNotFound); }

void raiseWrongArguments() { raiseValueError(kErrWrongArguments); }

// ---- CallArgs ----------------------------------------------------------------

bool CallArgs::given(int i) const {
    return i >= 0 && i < count() && args_[std::size_t(i)] && !args_[std::size_t(i)]->isMissing();
}

const Variant& CallArgs::operator[](int i) const {
    static const Variant empty;
    return given(i) ? *args_[std::size_t(i)] : empty;
}

Variant CallArgs::value(int i, const Variant& fallback) const {
    return given(i) ? *args_[std::size_t(i)] : fallback;
}

QString CallArgs::string(int i, const QString& fallback) const {
    return given(i) ? (*this)[i].toString() : fallback;
}

double CallArgs::number(int i, double fallback) const { return given(i) ? (*this)[i].toDouble() : fallback; }

std::int32_t CallArgs::whole(int i, std::int32_t fallback) const {
    return given(i) ? (*this)[i].toLong() : fallback;
}

bool CallArgs::flag(int i, bool fallback) const { return given(i) ? (*this)[i].toBool() : fallback; }

std::shared_ptr<Object> CallArgs::object(int i) const {
    auto o = (*this)[i].toObject();
    if (!o) raiseValueError(kErrObjectNotSet);
    return o;
}

void CallArgs::setRef(int i, Variant value) const {
    if (i >= 0 && i < count() && args_[std::size_t(i)]) *args_[std::size_t(i)] = std::move(value);
}

// ---- MemberTable -------------------------------------------------------------

void MemberTable::add(Entry entry) {
    const QString key = entry.name.toLower();
    if (!entries_.contains(key)) {
        names_.append(entry.name);
    } else {
        // A second entry of the same name (in any case) takes the place of the first.
        spelled_.remove(entries_.value(key).name);
    }
    spelled_.insert(entry.name, entry);
    entries_.insert(key, std::move(entry));
}

const MemberTable::Entry* MemberTable::find(QStringView name) const {
    const auto it = entries_.constFind(name.toString().toLower());
    return it == entries_.constEnd() ? nullptr : &it.value();
}

const MemberTable::Entry* MemberTable::find(const QString& name) const {
    const auto it = spelled_.constFind(name);
    return it != spelled_.constEnd() ? &it.value() : find(QStringView(name));
}

bool MemberTable::has(QStringView name) const { return find(name) != nullptr; }

Variant MemberTable::invoke(Object& self, const QString& name, CallKind kind,
                            std::span<Variant* const> args) const {
    const Entry* entry = find(name.isEmpty() ? defaultMember_ : name);
    if (!entry) raiseMemberNotFound();

    if (kind == CallKind::PropertyLet || kind == CallKind::PropertySet) {
        if (args.empty() || !entry->isProperty || !entry->put) raiseWrongArguments();
        const auto index = args.first(args.size() - 1);
        if (int(index.size()) < entry->minArgs || int(index.size()) > entry->maxArgs) raiseWrongArguments();
        entry->put(self, CallArgs(index), *args.back());
        return Variant();
    }

    if (!entry->call || int(args.size()) < entry->minArgs || int(args.size()) > entry->maxArgs)
        raiseWrongArguments();
    return entry->call(self, CallArgs(args));
}

}  // namespace core
