#pragma once
// Names and texts of the order rules that the order window and the exchange
// share with the order tables.

#include <QString>

namespace orders {

// The named lock on an order's row held by whatever deletes or moves the
// order's rows as a whole (the whole-promotion delete, the cancel of an
// order, the complement split of the send): while it is held, deleting a
// promotion row asks nothing. Take it only through datalib::NamedLock on the
// order's data source, so that it is released on every path.
inline constexpr const char* kLockPromo = "LockPromo";

// The database parameter holding head office's order-number script.
inline constexpr const char* kOrderNumberScriptParam = "ScriptVBProgressivoOrdine";

// The built-in order-number script, used while the parameter is missing: the
// body of Function NewProgr(objDS), objDS being the orders' data source on
// the order to number.
QString DefaultOrderNumberScript();

}  // namespace orders
