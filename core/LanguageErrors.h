#pragma once
// The script language's errors: the numbers that the script engine, the
// value types and the objects handed to scripts raise, and the Italian
// description of each. Every error of the language is raised with the same
// source word, "VBScript".
//
// A number marked "caller's text" is raised only with a description of its
// caller's; it has no description of its own, so Err.Raise of it gives the
// generic one.

#include <QString>

namespace core {

inline constexpr int kErrReturnWithoutGoSub = 3;
inline constexpr int kErrInvalidCall = 5;
inline constexpr int kErrOverflow = 6;
inline constexpr int kErrOutOfMemory = 7;
inline constexpr int kErrSubscript = 9;
inline constexpr int kErrFixedArray = 10;
inline constexpr int kErrDivisionByZero = 11;
inline constexpr int kErrTypeMismatch = 13;
inline constexpr int kErrOutOfStringSpace = 14;
inline constexpr int kErrCannotPerform = 17;
inline constexpr int kErrOutOfStack = 28;
inline constexpr int kErrUndefinedProcedure = 35;
inline constexpr int kErrDllLoad = 48;
inline constexpr int kErrInternal = 51;
inline constexpr int kErrFileNotFound = 53;      // caller's text
inline constexpr int kErrPermissionDenied = 70;  // caller's text
inline constexpr int kErrFileAccess = 75;        // caller's text
inline constexpr int kErrObjectNotSet = 91;
inline constexpr int kErrForNotInitialized = 92;
inline constexpr int kErrInvalidNull = 94;
inline constexpr int kErrObjectRequired = 424;
inline constexpr int kErrCannotCreate = 429;
inline constexpr int kErrMemberNotFound = 438;
inline constexpr int kErrAutomation = 440;
inline constexpr int kErrActionNotSupported = 445;
inline constexpr int kErrNamedArgsNotSupported = 446;
inline constexpr int kErrLocaleNotSupported = 447;
inline constexpr int kErrNamedArgNotFound = 448;
inline constexpr int kErrArgumentNotOptional = 449;
inline constexpr int kErrWrongArguments = 450;
inline constexpr int kErrNotCollection = 451;
inline constexpr int kErrKeyExists = 457;
inline constexpr int kErrUnsupportedType = 458;
inline constexpr int kErrServerUnavailable = 462;
inline constexpr int kErrInvalidPicture = 481;  // caller's text
inline constexpr int kErrPrinter = 482;         // caller's text
inline constexpr int kErrUndefinedVariable = 500;
inline constexpr int kErrIllegalAssignment = 501;
inline constexpr int kErrNotSafeForScripting = 502;
inline constexpr int kErrNotSafeForInit = 503;
inline constexpr int kErrNotSafeForCreation = 504;
inline constexpr int kErrInvalidReference = 505;
inline constexpr int kErrUndefinedClass = 506;
inline constexpr int kErrException = 507;
inline constexpr int kErrRegExpSyntax = 5017;
inline constexpr int kErrElementNotFound = 32811;
// The compile errors are numbered from 1001 ("Memoria esaurita") to 1058;
// the parser and the lexer raise them by number.

// The source word of every error of the language.
const QString& languageErrorSource();

// The language's description of an error number; nullptr for a number that
// has none of its own.
const QString* languageErrorText(int number);

}  // namespace core
