// Kinds of commission: a code table with the protected empty code.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class TipiProvvigione : public CodeTableClass {
  public:
    TipiProvvigione() : CodeTableClass("TipiProvvigione", "Codice", "Descrizione", true) {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        AddCodeAndDescription(c, coltype::Text, 64);
        c.Add("Inattivo", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Indica se la categoria risulta attiva");
        AddCodeKeys(k);
    }

    void OnNewRow(DataSource& ds) override { Set(ds, "Inattivo", false); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newTipiProvvigione() { return std::make_shared<TipiProvvigione>(); }

}  // namespace schema
