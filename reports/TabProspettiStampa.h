#pragma once
// The report-layout table class, put into the schema's table-class registry.

namespace reports {

// Registers TabProspettiStampa.
void registerTableClasses();

}  // namespace reports
