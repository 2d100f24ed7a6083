#pragma once
// The VBScript that gives a new customer its code. Head office may replace it
// with the database parameter "ScriptVBProgressivoCliente"; this is the
// built-in text used while the parameter is missing. It is the body of
// Function NewProgr(objDS), objDS being the customers' data source on the
// new row.

#include <QString>

namespace schema {

QString DefaultCustomerCodeScript();

// Name of the database parameter holding the script.
inline constexpr const char* kCustomerCodeScriptParam = "ScriptVBProgressivoCliente";

}  // namespace schema
