#include "orders/TableClasses.h"
#include "schema/TableClassRegistry.h"

namespace orders {

void registerTableClasses() {
    schema::RegisterTableClass("Ordini", newOrdini);
    schema::RegisterTableClass("RigheOrdini", newRigheOrdini);
    schema::RegisterTableClass("Kit", newKit);
    schema::RegisterTableClass("KitArticoli", newKitArticoli);
    schema::RegisterTableClass("Promozioni", newPromozioni);
    schema::RegisterTableClass("PromozioniArticoli", newPromozioniArticoli);
}

}  // namespace orders
