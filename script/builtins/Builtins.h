#pragma once
// The built-in functions and constants of the script language, looked up by
// name when a procedure is compiled.

#include <QStringView>
#include <span>

namespace core {
class Variant;
}

namespace script::builtins {

// Arguments arrive by value, in order; an omitted optional argument is simply
// absent (args.size() is smaller). Errors are raised with script::raiseError.
using Fn = core::Variant (*)(std::span<const core::Variant> args);

struct Info {
    const char* name;
    int minArgs;
    int maxArgs;
    Fn fn;
};

// The built-in function of that name in any letter case; nullptr if none.
const Info* find(QStringView name);

// The language constant of that name (vbCrLf, vbYesNo ...) in any letter
// case; nullptr if none.
const core::Variant* findConstant(QStringView name);

}  // namespace script::builtins
