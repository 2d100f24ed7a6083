// Carriers: a code table with audit stamps. The protected empty code refuses
// every change once stored, also while the row holds a change.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class Vettori : public CodeTableClass {
  public:
    Vettori() : CodeTableClass("Vettori", "Codice", "RagioneSociale", false) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.0);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("Codice", coltype::Code, 16);
        c.Add("RagioneSociale", coltype::Code, 127);
        AddAuditColumns(c);
        k.Add("Codice", true);
        k.Add("RagioneSociale", false);
        AddAuditKeys(k);
    }

    void OnNewRow(DataSource& ds) override { StampNewRow(ds); }
    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newVettori() { return std::make_shared<Vettori>(); }

}  // namespace schema
