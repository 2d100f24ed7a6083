// Kinds of document: a code table with the protected empty code.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class TipiDocumento : public CodeTableClass {
  public:
    TipiDocumento() : CodeTableClass("TipiDocumento", "Codice", "Descrizione", true) {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        AddCodeAndDescription(c, coltype::Text, 64);
        AddCodeKeys(k);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newTipiDocumento() { return std::make_shared<TipiDocumento>(); }

}  // namespace schema
