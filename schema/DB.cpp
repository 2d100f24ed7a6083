#include "schema/DB.h"

#include "core/AppError.h"
#include "datalib/Definitions.h"
#include "schema/TableClassRegistry.h"

namespace schema {

const QStringList& DB::TableNames() {
    // Neither alphabetical nor by references: the detail tables come just
    // before their header tables. Stored files rely on this order.
    static const QStringList names = {
        "TabStampaEtichette",
        "TabProspettiStampa",
        "Nazioni",
        "Comuni",
        "Banche",
        "TipiPagamento",
        "Valute",
        "Linee",
        "Categorie",
        "CodiciIva",
        "TipiPorto",
        "ZoneGeografiche",
        "TipiProvvigione",
        "PostazioniAgenti",
        "TipiDocumento",
        "Documenti",
        "Articoli",
        "KitArticoli",
        "Kit",
        "PromozioniArticoli",
        "Promozioni",
        "Listini",
        "Agenti",
        "Clienti",
        "SediClienti",
        "Fornitori",
        "Vettori",
        "Utenti",
        "ObiettiviAgenti",
        "ObiettiviClienti",
        "ProvvigioniAgenti",
        "ListiniArticoli",
        "RigheOrdini",
        "Ordini",
    };
    return names;
}

void DB::Define(datalib::TableRegistry& p_obj) {
    for (const QString& table : TableNames()) {
        TableClassFactory factory = FindTableClass(table);
        if (!factory)
            throw core::AppError(core::kObjectErrorBase + 1001, QStringLiteral("Zelt Order"),
                                 QStringLiteral("La tabella %1 non ha una classe di definizione registrata: "
                                                "il database non può essere definito.")
                                     .arg(table));
        p_obj.RegisterTable(factory());
    }
}

}  // namespace schema
