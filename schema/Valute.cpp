// Currencies with their exchange rate, identified by their description.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class Valute : public TableClass {
  public:
    Valute() : TableClass("Valute") {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("Descrizione", coltype::Code, 128, 0, {}, NA, NA, NA, true, "Descrizione della valuta");
        c.Add("Simbolo", coltype::Text, 16, 0, {}, NA, NA, NA, true, "Simbolo della valuta");
        c.Add("RapportoDiCambio", coltype::Number, 0, 0, {}, NA, NA, NA, true,
              "Rapporto di cambio utilizzato per il calcolo del prezzo di listino nella valuta del cliente");
        k.Add("Descrizione", true);
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) override {
        if (!created) return;
        InsertRow(ds, {{"Descrizione", "Euro"}, {"Simbolo", "€"}, {"RapportoDiCambio", 1.0}});
        InsertRow(ds, {{"Descrizione", "Dollaro"}, {"Simbolo", "$"}, {"RapportoDiCambio", 1.0}});
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newValute() { return std::make_shared<Valute>(); }

}  // namespace schema
