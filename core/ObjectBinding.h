#pragma once
// Exposes the members of a C++ class to scripts by name. A class that derives
// from core::Object builds one MemberTable (usually a function-local static)
// and forwards its invoke() to it:
//
//     Variant Page::invoke(const QString& name, CallKind kind, std::span<Variant* const> args) {
//         static const auto table = MemberTable::of<Page>()
//             .method("TxtOut", 3, 5, [](Page& p, const CallArgs& a) { ... })
//             .property("CurX", &Page::CurX)
//             .property("Color", &Page::Color, &Page::setColor)
//             .property("Vars", [](Page& p, const CallArgs& a) { ... },
//                       [](Page& p, const CallArgs& a, const Variant& v) { ... }, 1, 1)
//             .build();
//         return table.invoke(*this, name, kind, args);
//     }
//
// Names are matched in any letter case. Methods take between minArgs and
// maxArgs arguments (trailing optional ones may be left out); properties may
// be indexed (`prn.Vars("Totale") = 5`). A by-reference argument is written
// back with CallArgs::setRef. Errors: a member the object does not have is
// 438, a wrong number of arguments or an assignment to a read-only property
// is 450.

#include "core/Object.h"
#include "core/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <span>
#include <type_traits>

namespace core {

// The arguments of one member call, as Object::invoke receives them (for a
// property assignment, without the assigned value).
class CallArgs {
  public:
    explicit CallArgs(std::span<Variant* const> args) : args_(args) {}

    int count() const noexcept { return int(args_.size()); }
    // True when argument i was passed and is not a left-out optional one.
    bool given(int i) const;
    // Argument i as passed (Empty when not given).
    const Variant& operator[](int i) const;
    // Argument i, or the fallback when not given.
    Variant value(int i, const Variant& fallback = Variant()) const;
    // Converted with the language's rules (errors 13, 6, 94 as the conversion
    // raises them); the fallback when not given.
    QString string(int i, const QString& fallback = QString()) const;
    double number(int i, double fallback = 0) const;
    std::int32_t whole(int i, std::int32_t fallback = 0) const;
    bool flag(int i, bool fallback = false) const;
    // The object passed as argument i: 424 when it is not an object, 91 when
    // it is Nothing.
    std::shared_ptr<Object> object(int i) const;
    // Writes a by-reference argument back to the caller's variable (nothing
    // happens when the argument was not given).
    void setRef(int i, Variant value) const;

  private:
    std::span<Variant* const> args_;
};

class MemberTable {
  public:
    using Call = std::function<Variant(Object& self, const CallArgs& args)>;
    using Put = std::function<void(Object& self, const CallArgs& index, const Variant& value)>;

    // Builder for the members of class T (a core::Object).
    template <class T>
    class Builder;
    template <class T>
    static Builder<T> of();

    // Calls the member `name` (empty: the default member) on self.
    Variant invoke(Object& self, const QString& name, CallKind kind, std::span<Variant* const> args) const;
    bool has(QStringView name) const;
    // The members' names as registered, in registration order.
    QStringList names() const { return names_; }

  private:
    struct Entry {
        QString name;
        bool isProperty = false;
        int minArgs = 0;  // methods: arguments; properties: index arguments
        int maxArgs = 0;
        Call call;  // method body, or property get (may be empty: write-only)
        Put put;    // property let/set (empty: read-only)
    };
    void add(Entry entry);
    const Entry* find(QStringView name) const;
    // The same, first by the name as the member spells it (scripts mostly
    // write it so), which spares making the name's lower case.
    const Entry* find(const QString& name) const;

    QHash<QString, Entry> entries_;  // by lower-case name
    QHash<QString, Entry> spelled_;  // the same entries by the name as given to add()
    QStringList names_;
    QString defaultMember_;
};

template <class T>
class MemberTable::Builder {
  public:
    using Method = std::function<Variant(T& self, const CallArgs& args)>;
    using Setter = std::function<void(T& self, const CallArgs& index, const Variant& value)>;

    Builder& method(const char* name, int minArgs, int maxArgs, Method fn) {
        table_.add({QString::fromUtf8(name), false, minArgs, maxArgs, wrap(std::move(fn)), {}});
        return *this;
    }
    // A method without arguments or result: a member function of T.
    Builder& action(const char* name, void (T::*fn)()) {
        return method(name, 0, 0, [fn](T& self, const CallArgs&) {
            (self.*fn)();
            return Variant();
        });
    }
    // A property with index arguments from minIndex to maxIndex; no setter
    // makes it read-only.
    Builder& property(const char* name, Method get, Setter set = {}, int minIndex = 0, int maxIndex = 0) {
        Put put;
        if (set)
            put = [fn = std::move(set)](Object& o, const CallArgs& a, const Variant& v) {
                fn(static_cast<T&>(o), a, v);
            };
        table_.add({QString::fromUtf8(name), true, minIndex, maxIndex, wrap(std::move(get)), std::move(put)});
        return *this;
    }
    // A property read through a member function of T (or of a base), and
    // written through another one when given. The getter's result goes to
    // scripts as its value, an enumeration or another whole number that has
    // no value type of its own as a Long; an assigned value reaches the
    // setter converted to its parameter (a whole number through Long).
    template <class Get>
    requires std::is_member_function_pointer_v<Get> Builder& property(const char* name, Get get) {
        return property(name, getter(get));
    }
    template <class Get, class Set>
    requires(std::is_member_function_pointer_v<Get>&& std::is_member_function_pointer_v<Set>)
        Builder& property(const char* name, Get get, Set set) {
        return property(name, getter(get), setter(set));
    }
    // The member used when the object itself is read, called or indexed.
    Builder& defaultMember(const char* name) {
        table_.defaultMember_ = QString::fromUtf8(name).toLower();
        return *this;
    }
    MemberTable build() { return std::move(table_); }

  private:
    template <class Get>
    static Method getter(Get get) {
        return [get](T& self, const CallArgs&) { return toValue((self.*get)()); };
    }
    template <class C, class P>
    static Setter setter(void (C::*set)(P)) {
        return [set](T& self, const CallArgs&, const Variant& v) {
            (self.*set)(fromValue<std::remove_cvref_t<P>>(v));
        };
    }
    template <class R>
    static Variant toValue(R&& r) {
        using D = std::remove_cvref_t<R>;
        if constexpr (std::is_enum_v<D> || std::is_same_v<D, std::uint32_t> ||
                      std::is_same_v<D, std::int64_t> || std::is_same_v<D, std::uint64_t>)
            return Variant(std::int32_t(r));
        else
            return Variant(std::forward<R>(r));
    }
    template <class P>
    static P fromValue(const Variant& v) {
        if constexpr (std::is_same_v<P, Variant>)
            return v;
        else if constexpr (std::is_same_v<P, bool>)
            return v.toBool();
        else if constexpr (std::is_same_v<P, QString>)
            return v.toString();
        else if constexpr (std::is_same_v<P, float>)
            return v.toSingle();
        else if constexpr (std::is_same_v<P, double>)
            return v.toDouble();
        else {
            static_assert(std::is_integral_v<P>, "a setter of a whole number, a flag, a number or a text");
            return P(v.toLong());
        }
    }
    static Call wrap(Method fn) {
        if (!fn) return {};
        return [fn = std::move(fn)](Object& o, const CallArgs& a) { return fn(static_cast<T&>(o), a); };
    }
    MemberTable table_;
};

template <class T>
MemberTable::Builder<T> MemberTable::of() {
    static_assert(std::is_base_of_v<Object, T>);
    return Builder<T>();
}

// Raises the dispatch errors with their Italian descriptions.
[[noreturn]] void raiseMemberNotFound();  // 438
[[noreturn]] void raiseWrongArguments();  // 450

}  // namespace core
