// Geographic zones: the protected empty code refuses every change once
// stored, also while the row holds a change.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class ZoneGeografiche : public CodeTableClass {
public:
    ZoneGeografiche() : CodeTableClass("ZoneGeografiche", "Codice", "Descrizione", false) {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override
    {
        c.Add("Codice", coltype::Code, 16);
        c.Add("Descrizione", coltype::Text, 32, 0, {}, NA, NA, NA, true, "Descrizione della Zona Geografica");
        k.Add("Codice", true);
        k.Add("Descrizione", false);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newZoneGeografiche() { return std::make_shared<ZoneGeografiche>(); }

}  // namespace schema
