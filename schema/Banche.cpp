// Banks; every bank whose Nome is empty is protected.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class Banche : public CodeTableClass {
  public:
    Banche() : CodeTableClass("Banche", "Nome", {}, true) {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.4);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Codice", coltype::Code, 16);
        c.Add("Nome", coltype::Code, 64);
        c.Add("Agenzia", coltype::Code, 64);
        c.Add("Indirizzo", coltype::Code, 127);
        c.Add("ABI", coltype::Code, 16);
        c.Add("CAB", coltype::Code, 16);
        c.Add("NumeroConto", coltype::Code, 16);
        c.Add("CIN", coltype::Code, 16);
        c.Add("CodiceSwift", coltype::Code, 32, 0, {}, NA, NA, NA, true, "Coordinate internazionali");
        c.Add("Telefono", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Numeri di telefono della Banca");
        c.Add("Note", coltype::Code, 128);
        r.Add("Città", "Comuni", false, false, {}, "Descrizione,CAP,Provincia,Nazione");
        k.Add("Codice", true);
        k.Add("Nome", false, "NomeAgenzia").AddColumn("Agenzia");
        k.SetColumnList("Nome,Agenzia,Indirizzo,Città");
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) override {
        if (!created) return;
        InsertRow(ds, {{"Codice", ""},
                       {"Nome", ""},
                       {"Agenzia", ""},
                       {"ABI", ""},
                       {"CAB", ""},
                       {"Città", RowLinkKey(ds, "Comuni", "Descrizione", "")}});
    }

    void OnNewRow(DataSource& ds) override {
        for (const char* column :
             {"Indirizzo", "ABI", "CAB", "NumeroConto", "CIN", "CodiceSwift", "Telefono", "Note"})
            Set(ds, column, QString());
        SetRef(ds, "Città", RowLinkKey(ds, "Comuni", "Descrizione", ""));
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newBanche() { return std::make_shared<Banche>(); }

}  // namespace schema
