// The sale price of one article in one price list.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class ListiniArticoli : public TableClass {
  public:
    ListiniArticoli() : TableClass("ListiniArticoli") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.4);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("PrezzoVendita", coltype::Money, 0, 0, {}, NA, NA, NA, true,
              "Prezzo di vendita dell'articolo per questo listino (IVA esclusa)");
        AddAuditColumns(c);
        r.Add("Articolo", "Articoli", false, false, "Codice", "Descrizione");
        r.Add("Listino", "Listini", false, false, "Codice", "Descrizione");
        k.Add("Articolo", true, "InxListiniArt").AddReference("Listino");
        AddAuditKeys(k);
    }

    void OnNewRow(DataSource& ds) override { StampNewRow(ds); }
    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newListiniArticoli() { return std::make_shared<ListiniArticoli>(); }

}  // namespace schema
