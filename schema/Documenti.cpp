// Documents identified by number, reference year and kind.

#include "schema/TableClasses.h"

#include "core/Clock.h"

namespace schema {

namespace {

class Documenti : public TableClass {
  public:
    Documenti() : TableClass("Documenti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(1.4);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Numero", coltype::Code, 32, 0, {}, NA, NA, NA, true, "Numero del documento");
        c.Add("Data", coltype::Date, 0, 0, {}, NA, NA, NA, true, "Data del documento");
        c.Add("AnnoRiferimento", coltype::Integer, 0, 0, "0000", 15, NA, NA, true,
              "Anno di riferimento del documento");
        c.Add("Note", coltype::Text, 127, 0, {}, NA, NA, NA, true, "Note o informazioni aggiuntive");
        r.Add("TipoDocumento", "TipiDocumento", false, false, "Codice", "Descrizione");
        k.Add("Numero", true, "inxDocumenti").AddColumn("AnnoRiferimento").AddReference("TipoDocumento");
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "Data", core::Clock::today());
        Set(ds, "Note", QString());
    }

    void OnUpdateField(DataSource& ds, const QString& column) override {
        if (column.compare(QLatin1String("Data"), Qt::CaseInsensitive) != 0) return;
        core::Variant date = Value(ds, "Data");
        if (date.isEmptyOrNull()) return;
        Set(ds, "AnnoRiferimento", static_cast<std::int32_t>(date.toDate().year()));
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newDocumenti() { return std::make_shared<Documenti>(); }

}  // namespace schema
