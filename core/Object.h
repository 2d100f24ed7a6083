#pragma once
// Base of every object that a Variant can hold and a script can reach by name:
// data sources, the page objects, dictionaries, instances of script classes.

#include <QString>
#include <memory>
#include <span>
#include <vector>

namespace core {

class Variant;

enum class CallKind {
    Method,       // obj.Name args   / Call obj.Name(args)
    PropertyGet,  // x = obj.Name(args)
    PropertyLet,  // obj.Name(args) = value
    PropertySet,  // Set obj.Name(args) = object
};

class Object : public std::enable_shared_from_this<Object> {
  public:
    virtual ~Object() = default;

    // The name that TypeName() gives for the object.
    virtual QString typeName() const = 0;

    // Calls a member by name in any letter case; an empty name is the default
    // member. args point at the caller's values in order: a by-reference
    // argument is written back through its pointer (an expression passes a
    // temporary). For PropertyLet and PropertySet the value to assign is the
    // last element of args. A member the object does not have throws
    // AppError 438; a wrong number of arguments throws AppError 450.
    // Method and PropertyGet are interchangeable for callers: an object treats
    // both alike unless it has reason not to.
    virtual Variant invoke(const QString& name, CallKind kind, std::span<Variant* const> args) = 0;

    // For Each over the object: its items in order. Objects that are not
    // collections throw AppError 451.
    virtual std::vector<Variant> enumerate();
};

}  // namespace core
