// Further sites of a customer (branches, delivery addresses).

#include "schema/TableClasses.h"

namespace schema {

namespace {

class SediClienti : public TableClass {
  public:
    SediClienti() : TableClass("SediClienti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.5);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Indirizzo", coltype::Code, 127);
        c.Add("Identificativo", coltype::Code, 32, 0, {}, NA, NA, NA, true,
              "Eventuale Nome o Codice identificativo della Sede");
        c.Add("PartitaIva", coltype::Code, 16);
        c.Add("Telefono", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Numeri di telefono della sede");
        c.Add("Fax", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Numeri di fax della sede");
        c.Add("EMail", coltype::EMail, 255, 0, {}, NA, NA, NA, true, "Indirizzo di posta elettronica");
        c.Add("Inattivo", coltype::Boolean, 0, 0, {}, NA, NA, NA, true, "Indica se la sede risulta attiva");
        r.Add("Cliente", "Clienti", false, false, "Codice", "RagioneSociale", NA, NA, NA,
              "Cliente relativo alla Sede");
        r.Add("Città", "Comuni", false, false, {}, "Descrizione,CAP,Provincia,Nazione");
        k.Add("Identificativo", false);
        k.Add("Cliente", true, "InxSede").AddColumn("Identificativo");
        k.SetColumnList("Cliente,Indirizzo,Città");
    }

    void OnNewRow(DataSource& ds) override {
        for (const char* column : {"Identificativo", "PartitaIva", "Telefono", "Fax", "EMail"})
            Set(ds, column, QString());
        Set(ds, "Inattivo", false);
    }

    void OnBeforeUpdateField(DataSource& ds, const QString&) override {
        // The table has no ConfermatoSede of its own: the name reads as Null
        // here, which leaves every change allowed.
        if (!IsNewRow(ds) && Flag(ds, "ConfermatoSede")) Refuse(ds, msg::NoChange);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newSediClienti() { return std::make_shared<SediClienti>(); }

}  // namespace schema
