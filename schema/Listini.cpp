// Price lists.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class Listini : public TableClass {
  public:
    Listini() : TableClass("Listini") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.6);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("Codice", coltype::Code, 16);
        c.Add("Descrizione", coltype::Code, 64, 0, {}, NA, NA, NA, true, "Descrizione del Listino");
        c.Add("Disabilitato", coltype::Boolean, 0, 0, {}, NA, NA, NA, true, "Identifica i listini inattivi");
        c.Add("Note", coltype::Code, 255);
        AddAuditColumns(c);
        k.Add("Codice", true);
        k.Add("Descrizione", false);
        AddAuditKeys(k);
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "Disabilitato", false);
        Set(ds, "Note", QString());
        StampNewRow(ds);
    }

    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newListini() { return std::make_shared<Listini>(); }

}  // namespace schema
