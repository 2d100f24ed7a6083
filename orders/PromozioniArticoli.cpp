// The element articles of a promotion.

#include "orders/TableClasses.h"

#include "core/Currency.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"

namespace orders {

namespace {

using namespace schema;

class PromozioniArticoli : public TableClass {
  public:
    PromozioniArticoli() : TableClass("PromozioniArticoli") {}

    void DefineIdentity(TableIdentity& id) override { DefineArticleRowIdentity(id, 1.3); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("CodicePromozione", coltype::Code, 16, 0, {}, 15);
        c.Add("PercentualeSconto", coltype::Number, 0, 0, {}, NA, NA, NA, true, "Percentuale di sconto");
        c.Add("PrezzoVendita", coltype::Money, 0, 0, {}, NA, NA, NA, true,
              "Prezzo di vendita scontato per l'articolo (IVA esclusa)");
        c.Add("QuantitàPromozione", coltype::Integer, 0, 0, {}, NA, NA, NA, true,
              "Quantità necessaria per ogni promozione");
        // A promotion has many elements: the index on its code is not unique.
        k.Add("CodicePromozione", false, "inxKitArt").Complete();
    }

    void OnNewRow(DataSource& ds) override { StartElementRow(ds, "QuantitàPromozione", "CodicePromozione"); }

    // A discount percentage gives the element the article's base price less
    // that percentage: its own sale price is then cleared, so that the row
    // priced from it is not discounted twice. A percentage of 0 leaves a
    // fixed promotional price alone. Names compare exactly.
    void OnUpdateField(DataSource& ds, const QString& column) override {
        if (column != QStringLiteral("PercentualeSconto") && column != QStringLiteral("PrezzoBase")) return;
        if (Num(ds, "PercentualeSconto") == 0) return;
        Set(ds, "PrezzoVendita", ds.Database()->Round(core::Currency(), 0, 1.0f));
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newPromozioniArticoli() {
    return std::make_shared<PromozioniArticoli>();
}

}  // namespace orders
