#include "labels/AllTableClasses.h"

#include "labels/TabStampaEtichette.h"
#include "orders/TableClasses.h"
#include "reports/TabProspettiStampa.h"
#include "schema/TableClassRegistry.h"

namespace labels {

void registerAllTableClasses()
{
    schema::registerTableClasses();
    orders::registerTableClasses();
    reports::registerTableClasses();
    labels::registerTableClasses();
}

}  // namespace labels
