// Payment types: a code table with the protected empty code.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class TipiPagamento : public CodeTableClass {
  public:
    TipiPagamento() : CodeTableClass("TipiPagamento", "Codice", "Descrizione", true) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.2);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        AddCodeAndDescription(c, coltype::Code, 64);
        AddCodeKeys(k);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newTipiPagamento() { return std::make_shared<TipiPagamento>(); }

}  // namespace schema
