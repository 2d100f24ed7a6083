#pragma once
// Head office's numbering scripts: the VBScript body of a function
// NewProgr(objDS) kept in a database parameter, run on the data source of the
// new row to give its code or number (new customers, new orders).

#include "core/Variant.h"

#include <QString>
#include <functional>

namespace datalib {
class DataSource;
}

namespace schema {

// The lines that the built-in numbering scripts share: the table of the date
// characters (CONV_TABLE_NUMBERS) and the data library's constants they use.
QString NumberingScriptConstants();

// Script time a numbering script may take (time in message and input boxes
// not counted); then it is stopped and nothing is stored.
inline constexpr int kNumberingScriptTimeoutMs = 10000;

// Called about every 50 ms while a numbering script runs, with the
// milliseconds it has run: the program keeps its windows alive and offers a
// stop there; true stops the script. After a run during which it was called
// it is called once more with -1, so that what it showed can go. Empty: no
// stop but the time limit.
void setNumberingScriptPoll(std::function<bool(qint64 elapsedMs)> poll);
// The time limit in force (tests shorten it); 0 or less: kNumberingScriptTimeoutMs.
void setNumberingScriptTimeout(int ms);

// Reads the body (a failed read counts as a failed run), wraps it as
// "Function NewProgr(objDS)" ... "End Function", runs it with
// the data source and returns the function's value. A refusal of the data
// library (a cancelled AppError) passes through unchanged; any other error
// raises the generic error with the context, its text being failureText, two
// CRs, the error's description, a CR and, for an error of the script itself,
// a CR and "Linea VB: " with the line in the body. A script stopped by the
// time limit or by the user fails the same way, saying so.
// While it runs the data it reaches is read-only to it (datalib/ReadOnlyScript.h):
// a refusal names it by scriptName, the parameter that holds it.
core::Variant RunNumberingScript(datalib::DataSource& ds, const std::function<QString()>& body,
                                 const QString& context, const QString& failureText,
                                 const QString& scriptName);

}  // namespace schema
