#pragma once
// Factories of the master-data table classes of this folder (one source each).

#include "schema/TableClass.h"

#include <memory>

namespace schema {

std::shared_ptr<datalib::itfDefTable> newNazioni();
std::shared_ptr<datalib::itfDefTable> newComuni();
std::shared_ptr<datalib::itfDefTable> newBanche();
std::shared_ptr<datalib::itfDefTable> newTipiPagamento();
std::shared_ptr<datalib::itfDefTable> newValute();
std::shared_ptr<datalib::itfDefTable> newLinee();
std::shared_ptr<datalib::itfDefTable> newCategorie();
std::shared_ptr<datalib::itfDefTable> newCodiciIva();
std::shared_ptr<datalib::itfDefTable> newTipiPorto();
std::shared_ptr<datalib::itfDefTable> newZoneGeografiche();
std::shared_ptr<datalib::itfDefTable> newTipiProvvigione();
std::shared_ptr<datalib::itfDefTable> newPostazioniAgenti();
std::shared_ptr<datalib::itfDefTable> newTipiDocumento();
std::shared_ptr<datalib::itfDefTable> newDocumenti();
std::shared_ptr<datalib::itfDefTable> newArticoli();
std::shared_ptr<datalib::itfDefTable> newListini();
std::shared_ptr<datalib::itfDefTable> newAgenti();
std::shared_ptr<datalib::itfDefTable> newClienti();
std::shared_ptr<datalib::itfDefTable> newSediClienti();
std::shared_ptr<datalib::itfDefTable> newFornitori();
std::shared_ptr<datalib::itfDefTable> newVettori();
std::shared_ptr<datalib::itfDefTable> newUtenti();
std::shared_ptr<datalib::itfDefTable> newObiettiviAgenti();
std::shared_ptr<datalib::itfDefTable> newObiettiviClienti();
std::shared_ptr<datalib::itfDefTable> newProvvigioniAgenti();
std::shared_ptr<datalib::itfDefTable> newListiniArticoli();

// Anno, Mese and Importo of the two goal tables.
void AddGoalColumns(ColumnCollection& c);

}  // namespace schema
