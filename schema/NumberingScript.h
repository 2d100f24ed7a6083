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

// Reads the body (a failed read counts as a failed run), wraps it as
// "Function NewProgr(objDS)" ... "End Function", runs it with
// the data source and returns the function's value. A refusal of the data
// library (a cancelled AppError) passes through unchanged; any other error
// raises the generic error with the context, its text being failureText, two
// CRs, the error's description, a CR and, for an error of the script itself,
// a CR and "Linea VB: " with the line in the body.
core::Variant RunNumberingScript(datalib::DataSource& ds, const std::function<QString()>& body,
                                 const QString& context, const QString& failureText);

}  // namespace schema
