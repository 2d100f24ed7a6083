#include "app/AllTableClasses.h"

#include "labels/TabStampaEtichette.h"
#include "orders/TableClasses.h"
#include "reports/TabProspettiStampa.h"
#include "schema/TableClassRegistry.h"

namespace app {

void registerAllTableClasses() {
    schema::registerTableClasses();
    orders::registerTableClasses();
    reports::registerTableClasses();
    labels::registerTableClasses();
}

}  // namespace app
