// Nations: one column, the protected nation "Italia".

#include "schema/TableClasses.h"

namespace schema {

namespace {

const char* const kItalia = "Italia";

class Nazioni : public TableClass {
  public:
    Nazioni() : TableClass("Nazioni") {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection&) override {
        c.Add("Descrizione", coltype::Code, 127, 0, {}, NA, NA, NA, true, "Descrizione della Nazione");
        k.Add("Descrizione", true);
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double, bool& created) override {
        if (created) InsertRow(ds, {{"Descrizione", kItalia}});
    }

    void OnDeleteRow(DataSource& ds) override {
        if (Str(ds, "Descrizione") == QLatin1String(kItalia)) Refuse(ds, msg::NoDelete);
    }

    void OnBeforeUpdateField(DataSource& ds, const QString&) override {
        if (Str(ds, "Descrizione") == QLatin1String(kItalia) && !IsNewRow(ds)) Refuse(ds, msg::NoChange);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newNazioni() { return std::make_shared<Nazioni>(); }

}  // namespace schema
