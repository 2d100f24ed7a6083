// Towns with postcode and province; every town belongs to a nation.

#include "schema/TableClasses.h"

namespace schema {

namespace {

class Comuni : public TableClass {
  public:
    Comuni() : TableClass("Comuni") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetCaption("Comuni / Città");
        id.SetVersion(1.1);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Descrizione", coltype::Code, 64, 0, {}, NA, NA, NA, true, "Descrizione del Comune");
        c.Add("CAP", coltype::Code, 8, 0, {}, NA, NA, NA, true, "Codice Avviamento Postale");
        c.Add("Provincia", coltype::Code, 32, 0, {}, NA, NA, NA, true,
              "Provincia di appartenenza del Comune");
        r.Add("Nazione", "Nazioni", false, false, {}, "Descrizione");
        k.Add("Descrizione", false);
        k.Add("CAP", false);
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) override {
        if (!created) return;
        // The statistical codes are not columns of the table: the library
        // ignores names it does not know.
        InsertRow(ds, {{"Descrizione", ""},
                       {"CAP", ""},
                       {"Provincia", ""},
                       {"CodiceIstatComune", ""},
                       {"CodiceIstatProvincia", ""},
                       {"Nazione", RowLinkKey(ds, "Nazioni", "Descrizione", "Italia")}});
        InsertRow(ds, {{"Descrizione", "Milano"},
                       {"CAP", "20121"},
                       {"Provincia", "MI"},
                       {"CodiceIstatComune", "015146"},
                       {"CodiceIstatProvincia", "015"},
                       {"Nazione", RowLinkKey(ds, "Nazioni", "Descrizione", "Italia")}});
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "CAP", QString());
        Set(ds, "Provincia", QString());
        SetRef(ds, "Nazione", RowLinkKey(ds, "Nazioni", "Descrizione", "Italia"));
    }

    void OnUpdateRow(DataSource& ds) override {
        if (Str(ds, "Descrizione").isEmpty() && !IsNewRow(ds)) Refuse(ds, msg::NoChange);
    }

    void OnDeleteRow(DataSource& ds) override { ProtectEmptyRowDelete(ds, "Descrizione"); }

    void OnBeforeUpdateField(DataSource& ds, const QString&) override {
        ProtectEmptyRowChange(ds, "Descrizione", true);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newComuni() { return std::make_shared<Comuni>(); }

}  // namespace schema
