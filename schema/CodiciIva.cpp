// VAT codes with their percentage; default rows, none of them protected.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class CodiciIva : public TableClass {
  public:
    CodiciIva() : TableClass("CodiciIva") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetCaption("Codici Iva");
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("Codice", coltype::Code, 16);
        c.Add("Descrizione", coltype::Code, 255);
        c.Add("Percentuale", coltype::Number, 0);
        k.Add("Codice", true);
        k.Add("Descrizione", false);
        k.Add("Percentuale", false);
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) override {
        if (!created) return;
        InsertRow(ds, {{"Codice", ""}, {"Descrizione", "Fuori campo IVA"}, {"Percentuale", 0.0}});
        InsertRow(ds, {{"Codice", "IVA20"}, {"Descrizione", "IVA al 20%"}, {"Percentuale", 20.0}});
        InsertRow(ds, {{"Codice", "IVA10"}, {"Descrizione", "IVA al 10%"}, {"Percentuale", 10.0}});
        InsertRow(ds, {{"Codice", "IVA04"}, {"Descrizione", "IVA al 4%"}, {"Percentuale", 4.0}});
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newCodiciIva() { return std::make_shared<CodiciIva>(); }

}  // namespace schema
