// Promotions: a header with its validity dates, its element articles
// (Elementi) and the protected empty row.

#include "orders/TableClasses.h"

#include "core/Clock.h"

namespace orders {

namespace {

using namespace schema;

class Promozioni : public CodeTableClass {
  public:
    Promozioni() : CodeTableClass("Promozioni", "Codice", "Descrizione", false) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetFirstOption(1);
        id.SetVersion(1.4);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Codice", coltype::Code, 16);
        c.Add("Descrizione", coltype::Text, 127, 0, {}, NA, NA, NA, true, "Descrizione della Promozione");
        c.Add("DataInizioPromozione", coltype::Date, 0, 0, {}, 1, NA, NA, true,
              "Data di inizio validità della promozione");
        c.Add("DataFinePromozione", coltype::Date, 0, 0, {}, 1, NA, NA, false,
              "Eventuale data di fine validità della promozione");
        c.Add("Disabilitato", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Identifica le promozioni inattive");
        AddAuditColumns(c);
        r.Add("Elementi", "PromozioniArticoli", true, true, "Codice",
              "Descrizione,QuantitàPromozione,PercentualeSconto,PrezzoVendita", NA, NA, NA, {}, -2, true);
        AddHeaderKeys(k);
    }

    void OnNewRow(DataSource& ds) override {
        // A new promotion starts now (the date column keeps the day) and has no end.
        const core::Date now = core::Clock::now();
        Set(ds, "DataInizioPromozione", now);
        Set(ds, "Disabilitato", false);
        Set(ds, "DataInserimento", now);
        Set(ds, "DataModifica", now);
        Set(ds, "VersioneAggiornamento", CurrentUpdateVersion(ds));
    }

    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newPromozioni() { return std::make_shared<Promozioni>(); }

}  // namespace orders
