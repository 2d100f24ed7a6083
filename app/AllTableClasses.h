#pragma once
// One call that puts every table class of the program (master data, orders,
// report and label layouts) into the schema's registry, before a database is
// defined with schema::DB. The program, the tools and the tests call it.

namespace app {

void registerAllTableClasses();

}  // namespace app
