// Shipping terms: a code table with the protected empty code.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class TipiPorto : public CodeTableClass {
  public:
    TipiPorto() : CodeTableClass("TipiPorto", "Codice", "Descrizione", true) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetCaption("Tipi di Porto");
        id.SetVersion(1.1);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        AddCodeAndDescription(c, coltype::Code, 64);
        AddCodeKeys(k);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newTipiPorto() { return std::make_shared<TipiPorto>(); }

}  // namespace schema
