#pragma once
// Errors of the data library: every failure is a core::AppError with a number
// (kErrorBase plus one of the codes below), the source "Zelt Data" and an
// Italian description.

#include "core/AppError.h"

#include <QString>

namespace datalib::errors {

inline constexpr long kErrorBase = core::kObjectErrorBase + 0x3000;

enum Code : int {
    FileNotFound = 101,
    WrongPassword = 102,
    CorruptFile = 103,
    DiskFull = 104,
    DefinitionRefused = 105,
    UnknownTable = 106,
    UnknownParameter = 107,
    Busy = 108,
    Storage = 109,  // any other failure of the storage
    UnknownColumn = 111,
    UnknownReference = 112,
    NoCurrentRow = 113,
    Transaction = 114,
    RepairFailed = 115,
    TooDeep = 116,
    InvalidValue = 117,
    FileExists = 118,
    NotAllowed = 119,
    DuplicateKey = 120,
    Cancelled = 124,      // a table class refused the operation
    ReadOnly = 125,       // the file or its folder cannot be written
    TimedOut = 126,       // a statement ran past its time limit
    ForeignSchema = 127,  // a file from outside holds definitions the program never makes
};

QString source();
// The code of a data library error, 0 for any other error.
int code(const core::AppError& e);
bool isCancel(const core::AppError& e);

core::AppError make(Code code, const QString& description, bool cancelled = false);
core::AppError definition(const QString& table, const QString& what);

}  // namespace datalib::errors
