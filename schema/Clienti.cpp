// Customers: defaults, the new customer's code by script, the lock on
// customers confirmed by head office and the tax-id checks. The code, the
// lock and the checks apply only on an agent's workstation (agent code set).

#include "schema/TableClasses.h"

#include "core/RaiseError.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "schema/CustomerCodeScript.h"
#include "schema/NumberingScript.h"
#include "schema/TaxIdChecks.h"
#include "startup/RunContext.h"

namespace schema {

namespace {

bool onAgentWorkstation() { return !startup::runContext().codeAgente.isEmpty(); }

class Clienti : public TableClass {
  public:
    Clienti() : TableClass("Clienti") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(3.6);
        id.SetFirstOption(0);
        id.SetSecondOption(0);
        id.SetThirdOption(1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Codice", coltype::Code, 16, 0, {}, 15, NA, 1, true, "Codice del cliente");
        c.Add("RagioneSociale", coltype::Code, 127);
        c.Add("Indirizzo", coltype::Code, 127);
        c.Add("PartitaIva", coltype::Code, 16);
        c.Add("CodiceFiscale", coltype::Code, 16);
        c.Add("Telefono", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Numeri di telefono del Cliente");
        c.Add("Fax", coltype::Code, 255, 0, {}, NA, NA, NA, true, "Numeri di fax del Cliente");
        c.Add("EMail", coltype::EMail, 255, 0, {}, NA, NA, NA, true, "Indirizzo di posta elettronica");
        c.Add("SitoInternet", coltype::EMail, 255, 0, {}, NA, NA, NA, true,
              "Indirizzo del dominio o sito internet");
        c.Add("PercentualeSconto", coltype::Number, 0, 0, {}, NA, NA, NA, true,
              "Sconto da applicare al cliente");
        c.Add("DescrizioneSconto", coltype::Text, 127, 0, {}, NA, NA, NA, true,
              "Eventuale descrizione dello sconto");
        c.Add("ConfermatoSede", coltype::Boolean, 0, 0, {}, 1, NA, 1, true,
              "Indica un cliente nuovo non ancora verificato e confermato da parte della sede.");
        c.Add("Segnalazioni", coltype::Text, 255, 0, {}, 1, NA, NA, true,
              "Eventuale messaggio di segnalazione in inserimento ordini");
        c.Add("Inattivo", coltype::Boolean, 0, 0, {}, NA, NA, NA, true,
              "Indica se il cliente risulta attivo");
        AddInviatoSede(c);
        AddAcquisitoSede(c);
        AddVersioneAggiornamento(c, 1);
        AddDataInserimento(c);
        AddDataModifica(c);
        r.Add("Agente", "Agenti", false, false, "Codice", "RagioneSociale", NA, NA, NA,
              "Agente assegnatario dell'Ordine");
        r.Add("Città", "Comuni", false, false, {}, "Descrizione,CAP,Provincia,Nazione", NA, NA, NA,
              "Comune/Città della sede o di residenza");
        r.Add("ListinoPredefinito", "Listini", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Listino predefinito per il cliente");
        r.Add("BancaDiAppoggio", "Banche", false, false, "Codice", "Nome,Agenzia", NA, NA, NA,
              "Banca di appoggio abituale");
        r.Add("TipoPagamentoAbituale", "TipiPagamento", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Tipo di pagamento abituale");
        r.Add("Valuta", "Valute", false, false, "Simbolo", "Descrizione,RapportoDiCambio", NA, 255, NA,
              "Valuta per i pagamenti del Cliente");
        k.Add("Codice", true);
        k.Add("RagioneSociale", false);
        // Customers listed by their town's province are sorted through the town.
        k.Add("Città", false);
        AddAuditKeys(k);
        k.SetColumnList(
            "Agente,Codice,RagioneSociale,Indirizzo,Città,ListinoPredefinito,BancaDiAppoggio,"
            "TipoPagamentoAbituale");
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "ConfermatoSede", false);
        for (const char* column : {"CodiceFiscale", "Fax", "EMail", "SitoInternet"})
            Set(ds, column, QString());
        Set(ds, "PercentualeSconto", 0.0);
        Set(ds, "DescrizioneSconto", QString());
        Set(ds, "Segnalazioni", QString());
        Set(ds, "Inattivo", false);
        SetRef(ds, "Città", RowLinkKey(ds, "Comuni", "Descrizione", ""));
        SetRef(ds, "BancaDiAppoggio", QString());
        SetRef(ds, "TipoPagamentoAbituale", QString());
        SetRef(ds, "Valuta", DefaultCurrencyKey(ds));
        SetRef(ds, "Agente", startup::runContext().codeAgente);
        StampNewRow(ds, true);
    }

    void OnUpdateReference(DataSource& ds, DataSource*, const QString& name, datalib::RefChange,
                           int) override {
        if (name.compare(QLatin1String("Agente"), Qt::CaseInsensitive) != 0) return;
        if (IsNewRow(ds) || Str(ds, "Codice").isEmpty())
            GenerateNewCustomerCode(ds);
        else
            Refuse(ds, "Non puoi modificare l'agente perchè il cliente è stato già inserito");
    }

    void OnBeforeUpdateField(DataSource& ds, const QString&) override {
        if (onAgentWorkstation() && !IsNewRow(ds) && Flag(ds, "ConfermatoSede")) Refuse(ds, msg::NoChange);
    }

    void OnDeleteRow(DataSource& ds) override {
        if (onAgentWorkstation() && Flag(ds, "ConfermatoSede"))
            Refuse(ds, "Non è possibile eliminare un cliente confermato dalla sede");
    }

    void OnUpdateField(DataSource& ds, const QString& column) override { ProtectExchangeFlags(ds, column); }

    void OnUpdateRow(DataSource& ds) override {
        if (onAgentWorkstation()) {
            const QString vat = Str(ds, "PartitaIVA");
            if (!vat.isEmpty() && !IsValidPartitaIva(vat)) {
                MarkColumn(ds, "PartitaIva");
                Refuse(ds, "La Partita IVA non è valida");
            }
            const QString taxCode = Str(ds, "CodiceFiscale");
            if (!taxCode.isEmpty() && !IsValidCodiceFiscale(taxCode)) {
                MarkColumn(ds, "CodiceFiscale");
                Refuse(ds, "La Codice Fiscale non è valido");
            }
        }
        StampChangedRow(ds);
    }

    void OnSelectReference(DataSource&, DataSource& refDS, const QString& name) override {
        // The choice list of the price lists offers only the active ones.
        if (name.compare(QLatin1String("ListinoPredefinito"), Qt::CaseInsensitive) != 0 &&
            name.compare(QLatin1String("Listino"), Qt::CaseInsensitive) != 0)
            return;
        const QString filter = refDS.Filter();
        refDS.SetFilter(filter.isEmpty()
                            ? QStringLiteral("NOT Disabilitato")
                            : QStringLiteral("(") + filter + QStringLiteral(") AND NOT Disabilitato"));
    }

  private:
    // Runs the numbering script and stores its result in Codice.
    static void GenerateNewCustomerCode(DataSource& ds);
    // The key (Simbolo) of the default currency: the first currency of the table.
    static core::Variant DefaultCurrencyKey(DataSource& ds);
};

void Clienti::GenerateNewCustomerCode(DataSource& ds) {
    if (!onAgentWorkstation() || DbState(ds) == StateApplyingUpdate) return;
    const auto text = [&ds] {
        return ds.Database()->GetSysParamLong(kCustomerCodeScriptParam, DefaultCustomerCodeScript());
    };
    Set(ds, "Codice",
        RunNumberingScript(ds, text, QStringLiteral("Clienti"),
                           QStringLiteral("Errore di esecuzione Script (VB) per la generazione "
                                          "del progressivo Cliente: "),
                           QString::fromLatin1(kCustomerCodeScriptParam)));
    if (Str(ds, "Codice").isEmpty()) RefuseSilently(ds);
}

core::Variant Clienti::DefaultCurrencyKey(DataSource& ds) {
    auto currencies = ds.Database()->OpenDataSource(QStringLiteral("Valute"));
    if (currencies->DataEmpty()) return QStringLiteral("€");
    currencies->RowFirst();
    return currencies->ColValue(QStringLiteral("Simbolo"));
}

}  // namespace

std::shared_ptr<datalib::itfDefTable> newClienti() { return std::make_shared<Clienti>(); }

}  // namespace schema
