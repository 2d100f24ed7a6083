#pragma once
// Errors of the query language: an Italian message naming what is wrong and
// where, raised as a data library error.

#include "core/AppError.h"

#include <QString>

namespace datalib::query {

// Which kind of text was being read, for the message.
enum class TextKind { Filter, Sort, Columns, Statement, Value };

// The error for a fault at a 1-based position of a text.
core::AppError queryError(TextKind kind, const QString& text, int pos, const QString& what);
// The error for a text longer than the language takes (the text is not
// repeated in the message).
core::AppError tooLongError(TextKind kind, int length, int limit);
// The error for a fault that has no position (a value handed to the builder).
core::AppError valueError(const QString& what);

}  // namespace datalib::query
