#pragma once
// Checks of the Italian VAT number (partita IVA) and the tax code of persons
// (codice fiscale), used when a customer is saved on an agent's workstation.

#include <QString>

namespace schema {

// True for an 11-digit partita IVA whose last digit is its check digit.
bool IsValidPartitaIva(const QString& code);

// True for a 16-character codice fiscale of a person (capital letters and
// digits in their places) whose last letter is its check letter.
bool IsValidCodiceFiscale(const QString& code);

}  // namespace schema
