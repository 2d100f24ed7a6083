#pragma once
// The report layouts of the demo archive, one for every predefined report and
// statistic of the main window's tree (their texts in DemoLayoutScripts.h),
// and its label layout.

namespace datalib {
class Database;
}

namespace demodb {

// Adds the layouts to TabProspettiStampa; returns how many.
int AddDemoReportLayouts(datalib::Database& db);
// Adds the customers' address label to TabStampaEtichette; returns how many.
int AddDemoLabelLayouts(datalib::Database& db);

}  // namespace demodb
