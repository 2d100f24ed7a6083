// Geographic zones: the protected empty code refuses every change once
// stored, also while the row holds a change.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class ZoneGeografiche : public CodeTableClass {
  public:
    ZoneGeografiche() : CodeTableClass("ZoneGeografiche", "Codice", "Descrizione", false) {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        AddCodeAndDescription(c, coltype::Text, 32, "Descrizione della Zona Geografica");
        AddCodeKeys(k);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newZoneGeografiche() { return std::make_shared<ZoneGeografiche>(); }

}  // namespace schema
