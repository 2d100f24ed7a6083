// The component articles of a kit.

#include "orders/TableClasses.h"

#include "datalib/DataSource.h"

namespace orders {

namespace {

using namespace schema;

class KitArticoli : public TableClass {
  public:
    KitArticoli() : TableClass("KitArticoli") {}

    void DefineIdentity(TableIdentity& id) override { DefineArticleRowIdentity(id, 1.3); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("CodiceKit", coltype::Code, 16, 0, {}, 15);
        c.Add("PrezzoVendita", coltype::Money, 0, 0, {}, NA, NA, NA, true,
              "Prezzo di vendita impostato per l'articolo (IVA esclusa)");
        c.Add("QuantitàIndicata", coltype::Integer, 0, 0, {}, NA, NA, NA, true,
              "Quantità indicata per la composizione");
        // A kit has many components: the index on the kit's code is not unique.
        k.Add("CodiceKit", false, "inxKitArt").Complete();
    }

    void OnNewRow(DataSource& ds) override { StartElementRow(ds, "QuantitàIndicata", "CodiceKit"); }
};

}  // namespace

void DefineArticleRowIdentity(schema::TableIdentity& id, double version) {
    id.SetBaseTable("Articoli");
    id.SetSecondOption(0);
    id.SetFirstOption(1);
    id.SetVersion(version);
}

void StartElementRow(DataSource& ds, const char* quantityColumn, const char* headerCodeColumn) {
    TableClass::Set(ds, quantityColumn, 1);
    if (TableClass::DbState(ds) == TableClass::StateApplyingUpdate) return;
    auto header = ds.Parent();
    if (header && header->RowValid())
        TableClass::Set(ds, headerCodeColumn, header->ColValueStr(QStringLiteral("Codice")));
}

std::shared_ptr<datalib::itfDefTable> newKitArticoli() { return std::make_shared<KitArticoli>(); }

}  // namespace orders
