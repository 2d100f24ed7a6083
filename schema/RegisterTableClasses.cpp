#include "schema/TableClassRegistry.h"
#include "schema/TableClasses.h"

namespace schema {

void registerTableClasses() {
    RegisterTableClass("Nazioni", newNazioni);
    RegisterTableClass("Comuni", newComuni);
    RegisterTableClass("Banche", newBanche);
    RegisterTableClass("TipiPagamento", newTipiPagamento);
    RegisterTableClass("Valute", newValute);
    RegisterTableClass("Linee", newLinee);
    RegisterTableClass("Categorie", newCategorie);
    RegisterTableClass("CodiciIva", newCodiciIva);
    RegisterTableClass("TipiPorto", newTipiPorto);
    RegisterTableClass("ZoneGeografiche", newZoneGeografiche);
    RegisterTableClass("TipiProvvigione", newTipiProvvigione);
    RegisterTableClass("PostazioniAgenti", newPostazioniAgenti);
    RegisterTableClass("TipiDocumento", newTipiDocumento);
    RegisterTableClass("Documenti", newDocumenti);
    RegisterTableClass("Articoli", newArticoli);
    RegisterTableClass("Listini", newListini);
    RegisterTableClass("Agenti", newAgenti);
    RegisterTableClass("Clienti", newClienti);
    RegisterTableClass("SediClienti", newSediClienti);
    RegisterTableClass("Fornitori", newFornitori);
    RegisterTableClass("Vettori", newVettori);
    RegisterTableClass("Utenti", newUtenti);
    RegisterTableClass("ObiettiviAgenti", newObiettiviAgenti);
    RegisterTableClass("ObiettiviClienti", newObiettiviClienti);
    RegisterTableClass("ProvvigioniAgenti", newProvvigioniAgenti);
    RegisterTableClass("ListiniArticoli", newListiniArticoli);
}

}  // namespace schema
