#pragma once
// The look-ups that give the order rows their prices, percentages and VAT
// amounts. Nothing is cached: every call reads the master data afresh, so a
// changed price list, promotion, commission rate or VAT code applies to the
// next pricing.

#include <QString>

namespace datalib {
class DataSource;
class Database;
}  // namespace datalib

namespace orders {

// The unit sale price of the order row's article: a valid element of the
// row's promotion (its price when set, else the base price; its discount
// percentage is copied into the row), then the order's price list, then the
// article's base price. An element with neither discount nor price is
// reported and priced as if the row had no promotion.
double GetArticleSalePrice(datalib::DataSource& row);

// The commission percentage of the order's agent for the article's
// commission type; 0 without agent, without rate or for an inactive type.
double GetAgentCommissionPercent(datalib::DataSource& row);

// Sets targetColumn of the row to the percentage of the row referenced by
// referenceName (its column "Percentuale", 0 when the reference is empty)
// applied to baseColumn, rounded as VAT amounts are.
void ApplyReferencedPercentage(datalib::DataSource& row, const QString& baseColumn,
                               const QString& targetColumn, const QString& referenceName);

// The VAT on an amount at the configured default VAT code, rounded as VAT
// amounts are; when the code is missing from the VAT codes, a critical box
// says so (on every call) and the VAT is 0.
double GetDefaultVatAmount(datalib::Database& db, double amount);

}  // namespace orders
