// An agent's sales goal per month. Its DataModifica stays at the insertion.

#include "schema/TableClasses.h"

namespace schema {

void AddGoalColumns(ColumnCollection& c) {
    c.Add("Anno", coltype::Integer, 4, 0, "0000", NA, NA, NA, true, "Anno di riferimento per l'obiettivo");
    c.Add("Mese", coltype::Integer, 0, 0, {}, NA, NA, NA, true, "Mese di riferimento per l'obiettivo",
          "MONTH");
    c.Add("Importo", coltype::Money, 0, 0, {}, NA, NA, NA, true, "Importo dell'obiettivo");
}

namespace {

class ObiettiviAgenti : public TableClass {
  public:
    ObiettiviAgenti() : TableClass("ObiettiviAgenti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.2);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        AddGoalColumns(c);
        AddAuditColumns(c);
        r.Add("Agente", "Agenti", false, false, "Codice", "RagioneSociale");
        k.Add("Anno", true, "InxObbAgenti").AddColumn("Mese").AddReference("Agente");
        AddAuditKeys(k);
        k.SetColumnList("Agente");
    }

    void OnNewRow(DataSource& ds) override { StampNewRow(ds); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newObiettiviAgenti() { return std::make_shared<ObiettiviAgenti>(); }

}  // namespace schema
