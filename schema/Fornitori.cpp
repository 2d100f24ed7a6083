// Suppliers; at most one of them is the default supplier.

#include "schema/TableClasses.h"

#include "core/Clock.h"
#include "datalib/DataSource.h"

namespace schema {

namespace {

class Fornitori : public TableClass {
  public:
    Fornitori() : TableClass("Fornitori") {}

    void DefineIdentity(TableIdentity& id) override { id.SetFirstOption(1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("RagioneSociale", coltype::Code, 64);
        c.Add("Indirizzo", coltype::Code, 127);
        c.Add("PartitaIVA", coltype::Code, 11);
        c.Add("Telefono", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Nemeri di telefono del Fornitore");
        c.Add("Fax", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Nemeri di fax del Fornitore");
        c.Add("EMail", coltype::EMail, 255);
        c.Add("SitoInternet", coltype::WebText, 0);
        c.Add("Contatto", coltype::Code, 127);
        c.Add("DataAttivazione", coltype::Date, 0);
        c.Add("Predefinito", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "E' ammesso un solo fornitore predefinito per l'applicazione");
        c.Add("Note", coltype::Code, 254);
        r.Add("Città", "Comuni", false, false, {}, "Descrizione,CAP,Provincia,Nazione", NA, NA, NA,
              "Comune/Città della sede o di residenza");
        k.Add("RagioneSociale", true);
    }

    void OnNewRow(DataSource& ds) override {
        for (const char* column :
             {"Indirizzo", "PartitaIVA", "Telefono", "Fax", "EMail", "SitoInternet", "Contatto"})
            Set(ds, column, QString());
        Set(ds, "Note", QString());
        Set(ds, "DataAttivazione", core::Clock::today());
        Set(ds, "Predefinito", false);
        SetRef(ds, "Città", RowLinkKey(ds, "Comuni", "Descrizione", ""));
    }

    void OnDeleteRow(DataSource& ds) override {
        if (Flag(ds, "Predefinito")) Refuse(ds, "Il fornitore predefinito non può essere cancellato.");
    }

    void OnUpdateField(DataSource& ds, const QString& column) override {
        if (column.compare(QLatin1String("Predefinito"), Qt::CaseInsensitive) != 0 ||
            !Flag(ds, "Predefinito"))
            return;
        QString current = DefaultSupplierOtherThanCurrent(ds);
        if (current.isNull()) return;
        ShowMessage(QStringLiteral("Esiste già il fornitore predefinito.\r"
                                   "Per impostare il fornitore attuale come predefinito si deve prima "
                                   "modificare il precedente.\r\rIl fornitore predefinito è ") +
                    current);
        Set(ds, "Predefinito", false);
    }

  private:
    // RagioneSociale of another stored supplier marked as the default one;
    // a null text when there is none.
    static QString DefaultSupplierOtherThanCurrent(DataSource& ds);
};

QString Fornitori::DefaultSupplierOtherThanCurrent(DataSource& ds) {
    QString condition = QStringLiteral("Predefinito = True");
    if (ds.OID() != 0) condition += QStringLiteral(" AND ") + ds.RowOIDQueryString(1);
    auto others = ds.GetDataSource(ds.tableDef().name(), 0, condition);
    if (others->DataEmpty()) return QString();
    others->RowFirst();
    return others->ColValueStr("RagioneSociale");
}

}  // namespace

std::shared_ptr<datalib::itfDefTable> newFornitori() { return std::make_shared<Fornitori>(); }

}  // namespace schema
