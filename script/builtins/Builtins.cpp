#include "script/builtins/Builtins.h"

namespace script::builtins {

const Info* find(QStringView) { return nullptr; }

const core::Variant* findConstant(QStringView) { return nullptr; }

}  // namespace script::builtins
