// Article categories; a category may hold complementary articles.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class Categorie : public CodeTableClass {
  public:
    Categorie() : CodeTableClass("Categorie", "Codice", "Descrizione", true) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.7);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        AddCodeAndDescription(c, coltype::Code, 64);
        c.Add("Complementi", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Identifica le categorie per gli articoli complementari");
        c.Add("Disabilitato", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Identifica le Categorie inattive");
        AddCodeKeys(k);
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "Complementi", false);
        Set(ds, "Disabilitato", false);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newCategorie() { return std::make_shared<Categorie>(); }

}  // namespace schema
