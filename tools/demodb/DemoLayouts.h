#pragma once
// The report layouts of the demo archive: the order list, the order
// proposal (rows, note rows and the order number as a barcode) and the
// customer list by name.

namespace datalib {
class Database;
}

namespace demodb {

// Adds the layouts to TabProspettiStampa; returns how many.
int AddDemoReportLayouts(datalib::Database& db);
// Adds the customers' address label to TabStampaEtichette; returns how many.
int AddDemoLabelLayouts(datalib::Database& db);

}  // namespace demodb
