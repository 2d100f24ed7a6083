#pragma once
// Turns a script text into a Module. Syntax errors are thrown as
// core::AppError with the language's compile error number, line and column.

#include "script/Ast.h"

namespace script {

std::unique_ptr<Module> parse(const QString& text);

}  // namespace script
