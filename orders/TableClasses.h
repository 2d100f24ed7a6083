#pragma once
// Factories of the order-subsystem table classes, put into the schema's
// table-class registry by registerTableClasses().

#include "core/Currency.h"
#include "schema/TableClass.h"

#include <memory>

namespace orders {

std::shared_ptr<datalib::itfDefTable> newOrdini();
std::shared_ptr<datalib::itfDefTable> newRigheOrdini();
std::shared_ptr<datalib::itfDefTable> newKit();
std::shared_ptr<datalib::itfDefTable> newKitArticoli();
std::shared_ptr<datalib::itfDefTable> newPromozioni();
std::shared_ptr<datalib::itfDefTable> newPromozioniArticoli();

// Identity of the tables whose rows extend an article (order rows, kit and
// promotion elements).
void DefineArticleRowIdentity(schema::TableIdentity& id, double version);

// Defaults of a new kit component or promotion element: quantity 1 and,
// under its header, the header's code.
void StartElementRow(datalib::DataSource& ds, const char* quantityColumn, const char* headerCodeColumn);

// An amount column of the row as a currency value; empty reads as 0.
core::Currency Amount(datalib::DataSource& ds, const char* column);

// The five keys of the kit and promotion headers.
void AddHeaderKeys(schema::KeyCollection& k);

// Registers Ordini, RigheOrdini, Kit, KitArticoli, Promozioni, PromozioniArticoli.
void registerTableClasses();

}  // namespace orders
