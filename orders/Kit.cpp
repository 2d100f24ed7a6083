// Kits: a header with its component articles (Elementi) and the protected
// empty row.

#include "orders/TableClasses.h"

#include "core/Clock.h"

namespace orders {

namespace {

using namespace schema;

class Kit : public CodeTableClass {
  public:
    Kit() : CodeTableClass("Kit", "Codice", "Descrizione", false) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetFirstOption(1);
        id.SetVersion(1.4);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Codice", coltype::Code, 16);
        c.Add("Descrizione", coltype::Text, 127, 0, {}, NA, NA, NA, true, "Descrizione del Kit");
        c.Add("Disabilitato", coltype::Boolean, 0, 0, {}, NA, NA, NA, true, "Identifica i Kit inattivi");
        AddAuditColumns(c);
        r.Add("Elementi", "KitArticoli", true, true, "Codice", "Descrizione,QuantitàIndicata,PrezzoVendita",
              NA, NA, NA, {}, -2, true);
        AddHeaderKeys(k);
    }

    void OnNewRow(DataSource& ds) override {
        const core::Date now = core::Clock::now();
        Set(ds, "DataInserimento", now);
        Set(ds, "DataModifica", now);
        Set(ds, "Disabilitato", false);
        Set(ds, "VersioneAggiornamento", CurrentUpdateVersion(ds));
    }

    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }
};

}  // namespace

void AddHeaderKeys(schema::KeyCollection& k) {
    k.Add("Codice", true);
    k.Add("Descrizione", false);
    k.Add("DataInserimento", false);
    k.Add("DataModifica", false);
    k.Add("VersioneAggiornamento", false);
}

std::shared_ptr<datalib::itfDefTable> newKit() { return std::make_shared<Kit>(); }

}  // namespace orders
