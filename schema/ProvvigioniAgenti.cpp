// An agent's commission percentage per kind of commission.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class ProvvigioniAgenti : public TableClass {
  public:
    ProvvigioniAgenti() : TableClass("ProvvigioniAgenti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.5);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("PercentualeProvvigione", coltype::Number, 0);
        AddAuditColumns(c);
        r.Add("Tipo", "TipiProvvigione", false, false, "Codice", "Descrizione,Inattivo");
        r.Add("Agente", "Agenti", false, false, "Codice", "RagioneSociale");
        k.Add("Tipo", true, "InxProvvAgenti").AddReference("Agente");
        AddAuditKeys(k);
    }

    void OnNewRow(DataSource& ds) override { StampNewRow(ds); }
    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newProvvigioniAgenti() { return std::make_shared<ProvvigioniAgenti>(); }

}  // namespace schema
