// A customer's goal per month.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class ObiettiviClienti : public TableClass {
  public:
    ObiettiviClienti() : TableClass("ObiettiviClienti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.1);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        AddGoalColumns(c);
        r.Add("Cliente", "Clienti", false, false, "Codice", "RagioneSociale", NA, NA, NA,
              "Cliente intestatario dell'Ordine");
        k.Add("Anno", true, "InxObbClienti").AddColumn("Mese").AddReference("Cliente");
        k.SetColumnList("Cliente");
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newObiettiviClienti() { return std::make_shared<ObiettiviClienti>(); }

}  // namespace schema
