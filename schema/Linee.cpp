// Product lines: a code table with the protected empty code.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class Linee : public CodeTableClass {
  public:
    Linee() : CodeTableClass("Linee", "Codice", "Descrizione", true) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.6);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        AddCodeAndDescription(c, coltype::Code, 64);
        c.Add("Disabilitato", coltype::Boolean, 0, 0, {}, NA, NA, NA, true, "Identifica le Linee inattive");
        AddCodeKeys(k);
    }

    void OnNewRow(DataSource& ds) override { Set(ds, "Disabilitato", false); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newLinee() { return std::make_shared<Linee>(); }

}  // namespace schema
