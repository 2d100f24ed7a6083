#pragma once
// The label-layout table class, put into the schema's table-class registry.

namespace labels {

// Registers TabStampaEtichette.
void registerTableClasses();

}  // namespace labels
