// The company's sales agents; each owns its installed workstations.

#include "schema/TableClasses.h"

#include "datalib/DataSource.h"

namespace schema {

namespace {

class Agenti : public TableClass {
  public:
    Agenti() : TableClass("Agenti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(3.5);
        id.SetFirstOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Codice", coltype::Text, 16, 0, {}, NA, NA, NA, true, "Codice dell'Agente");
        c.Add("RagioneSociale", coltype::Code, 127);
        c.Add("VersioneSoftware", coltype::Number, 0, 0, {}, NA, NA, NA, true,
              "Versione del Software installato");
        c.Add("Provvigione", coltype::Number, 0, 0, {}, NA, NA, NA, true, "Provvigione assegnata all'Agente");
        c.Add("Sospeso", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Indica che le attività dell'Agente sono sospese (Aggiornamenti, erc.)");
        c.Add("Indirizzo", coltype::Code, 127);
        c.Add("PartitaIva", coltype::Code, 16);
        c.Add("Telefono", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Numeri di telefono del Cliente");
        c.Add("Fax", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Numeri di fax del Cliente");
        c.Add("EMail", coltype::EMail, 255, 0, {}, NA, NA, NA, true, "Indirizzo di posta elettronica");
        c.Add("SitoInternet", coltype::EMail, 255, 0, {}, NA, NA, NA, true,
              "Indirizzo del dominio o sito internet");
        AddAuditColumns(c);
        r.Add("Città", "Comuni", false, false, {}, "Descrizione,CAP,Provincia,Nazione", NA, NA, NA,
              "Comune/Città della sede o di residenza");
        r.Add("BancaDiAppoggio", "Banche", false, false, "Nome", "Agenzia", NA, NA, NA,
              "Banca di appoggio abituale");
        r.Add("TipoPagamentoAbituale", "TipiPagamento", false, false, "Descrizione", {}, NA, NA, NA,
              "Tipo di pagamento abituale");
        r.Add("PostazioniInstallate", "PostazioniAgenti", true, true, "Progressivo",
              "Descrizione,DataAttivazione,Disabilitato");
        k.Add("Codice", true);
        k.Add("RagioneSociale", false);
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "Provvigione", 0.0);
        Set(ds, "VersioneSoftware", 0.0);
        Set(ds, "Sospeso", false);
        for (const char* column : {"Indirizzo", "Telefono", "Fax", "EMail", "SitoInternet", "PartitaIva"})
            Set(ds, column, QString());
        SetRef(ds, "Città", RowLinkKey(ds, "Comuni", "Descrizione", ""));
        SetRef(ds, "BancaDiAppoggio", QString());
        SetRef(ds, "TipoPagamentoAbituale", QString());
        StampNewRow(ds);
    }

    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }

    void OnSelect(DataSource& ds) override {
        // The list offered to choose an agent shows code and name first.
        if (ds.ForChoice() && ds.ColumnList().isEmpty()) ds.SetColumnList("*,Codice,RagioneSociale");
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newAgenti() { return std::make_shared<Agenti>(); }

}  // namespace schema
