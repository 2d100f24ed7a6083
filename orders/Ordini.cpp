// The order headers: one row per order that the agent writes for a customer.

#include "orders/TableClasses.h"

#include "core/Currency.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "orders/ArticlePrices.h"
#include "orders/OrderRules.h"
#include "schema/NumberingScript.h"
#include "startup/RunContext.h"

namespace orders {

namespace {

using namespace schema;

class Ordini : public TableClass {
  public:
    Ordini() : TableClass("Ordini") {}

    void DefineIdentity(TableIdentity& id) override {
        id.SetVersion(4.2);
        id.SetCaption("Ordini");
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("Numero", coltype::Code, 16, 0, {}, 1, NA, NA, true, "Numero progressivo dell'ordine");
        c.Add("NumeroSede", coltype::Code, 16, 0, {}, 15, NA, NA, true,
              "Numero dell'ordine assegnato dalla sede");
        c.Add("Approvato", coltype::Boolean, 0, 0, {}, 1, NA, NA, true,
              "Indica se l'ordine è stato approvato dalla sede", {}, "Stato");
        c.Add("Evaso", coltype::Boolean, 0, 0, {}, 1, NA, NA, true,
              "Indica se l'ordine è stato evaso al cliente", {}, "Stato");
        c.Add("Fatturato", coltype::Boolean, 0, 0, {}, 1, NA, NA, true,
              "Indica se l'ordine è stato fatturato al cliente", {}, "Stato");
        c.Add("Annullato", coltype::Boolean, 0, 0, {}, 1, NA, NA, true,
              "Indica se l'ordine è stato annullato dalla sede", {}, "Stato");
        c.Add("Completato", coltype::Boolean, 0, 0, {}, 15, 1, NA, true,
              "Indica se l'ordine è stato completato e confermato dall'utente", {}, "Stato");
        c.Add("NonModificabile", coltype::Boolean, 0, 0, {}, 15, NA, NA, true,
              "Indica se l'ordine è ancora modificabile", {}, "Stato");
        c.Add("DataRichiestaConsegna", coltype::Date, 0, 0, {}, 0, NA, NA, false,
              "Data di richiesta richiesta limite della consegna", {}, "Date");
        c.Add("DataConfermaConsegna", coltype::Date, 0, 0, {}, 1, NA, NA, false,
              "Data di consegna confermata dalla sede", {}, "Date");
        c.Add("DataPrevistaConsegna", coltype::Date, 0, 0, {}, 1, NA, NA, false,
              "Data prevista consegna impostata dalla sede", {}, "Date");
        c.Add("ImportoSpese", coltype::Money, 0, 0, {}, NA, NA, NA, true,
              "Importo spese varie (Trasporto, Bancaraie, etc..)", {}, "Totali");
        c.Add("ImportoSconti", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale degli sconti", {},
              "Totali");
        c.Add("ImportoTotale", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale dell'ordine", {},
              "Totali");
        c.Add("ImportoMerce", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale merce", {},
              "Totali");
        c.Add("ImportoImponibile", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale imponibile",
              {}, "Totali");
        c.Add("ImportoImposta", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale imposta (IVA)",
              {}, "Totali");
        c.Add("ImportoProvvigioni", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale provvigioni",
              {}, "Agente");
        c.Add("Riferimento", coltype::Text, 32, 0, {}, NA, NA, NA, true, {}, {}, "Note");
        c.Add("Note", coltype::Text, 255, 0, {}, NA, NA, NA, true, {}, {}, "Note");
        AddInviatoSede(c, NA, "Stato");
        AddAcquisitoSede(c, 1, "Stato");
        AddVersioneAggiornamento(c, 15, "Stato");
        AddDataInserimento(c, "Note");
        AddDataModifica(c, "Note");

        r.Add("Agente", "Agenti", false, false, "Codice", "RagioneSociale", 1, NA, NA,
              "Agente assegnatario dell'Ordine", -2, true, "Agente");
        r.Add("Cliente", "Clienti", false, false, "Codice", "RagioneSociale,DescrizioneSconto", NA, NA, NA,
              "Cliente intestatario dell'Ordine", -2, true);
        r.Add("Listino", "Listini", false, false, "Codice", "Descrizione", 1, NA, NA,
              "Listino usato per l'impostazione dei prezzi di vendita", -2, true);
        r.Add("Zona", "ZoneGeografiche", false, false, "Codice", "Descrizione", 1, NA, NA, {}, -2, true,
              "Agente");
        r.Add("TipoPorto", "TipiPorto", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Definisce chi paga il trasporto", -2, true, "Spedizione");
        r.Add("BancaDiAppoggio", "Banche", false, false, "Codice", "Nome,Agenzia", NA, NA, NA,
              "Banca di appoggio abituale", -2, true, "Pagamento");
        r.Add("TipoPagamento", "TipiPagamento", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Tipo di pagamento abituale", -2, true, "Pagamento");
        r.Add("Righe", "RigheOrdini", true, true, "Codice",
              "Descrizione,QuantitàOrdine,ImportoTotale,ImportoSconto,ImportoProvvigione", NA, NA, NA, {}, -2,
              true, "Dettagli");
        r.Add("Destinazione", "SediClienti", false, false, "Identificativo", "Indirizzo,Città", NA, NA, NA,
              "Eventuale altra destinazione per la spedizione (possono essere anche multiple)", -2, false,
              "Spedizione");
        r.Add("Vettore", "Vettori", false, false, "Codice", "RagioneSociale", 1, NA, NA,
              "Vettore di spedizione (se previsto)", -2, true, "Spedizione");
        r.Add("Documenti", "Documenti", true, false, "Numero", "Data,TipoDocumento", NA, NA, NA,
              "Di riferiemnto per l' ordine", -2, false, "Dettagli");

        k.Add("DataInserimento", false);
        k.Add("DataModifica", false);
        k.Add("VersioneAggiornamento", false);
        k.Add("NumeroSede", false);
        k.Add("Numero", true, "InxOrdini").AddReference("Agente");
        k.SetColumnList("Agente,Cliente,Listino,Numero,NumeroSede,Righe");
    }

    void OnUpdatedTableStruct(DataSource& ds, double, double prev, bool& created) override {
        // Orders stored under an older structure become completed and locked.
        if (!created && prev < 4.2)
            ds.Database()->Execute(QStringLiteral("UPDATE Ordini SET Completato=True, NonModificabile=True"),
                                   -1);
    }

    void OnNewRow(DataSource& ds) override {
        for (const char* total : {"ImportoTotale", "ImportoMerce", "ImportoSpese", "ImportoSconti",
                                  "ImportoImponibile", "ImportoImposta", "ImportoProvvigioni"})
            Set(ds, total, core::Currency());
        Set(ds, "Approvato", false);
        Set(ds, "Evaso", false);
        Set(ds, "Riferimento", QString());
        Set(ds, "Note", QString());
        Set(ds, "Annullato", false);
        Set(ds, "Fatturato", false);
        Set(ds, "Completato", true);
        Set(ds, "NonModificabile", false);
        SetRef(ds, "TipoPorto", QString());
        SetRef(ds, "BancaDiAppoggio", QString());
        SetRef(ds, "TipoPagamento", QString());
        SetRef(ds, "Zona", QString());
        // Setting the agent numbers the order (OnUpdateReference).
        SetRef(ds, "Agente", agentCode());
        SetRef(ds, "Vettore", QString());
        StampNewRow(ds, true);
        Set(ds, "NumeroSede", QString());
    }

    void OnUpdateRow(DataSource& ds) override { StampChangedRow(ds); }

    void OnDeleteRow(DataSource& ds) override {
        if (agentMode() && sentOrLocked(ds))
            Refuse(ds, "L'ordine non è eliminabile perchè risulta già inviato o non modificabile.");
    }

    void OnBeforeUpdateField(DataSource& ds, const QString& column) override {
        // Only the first change of a sent or locked order is looked at: the
        // rest of the same edit follows it or goes with its refusal.
        if (agentMode() && !HoldsChanges(ds) && sentOrLocked(ds)) {
            Refuse(ds, "L'ordine non è modificabile perchè risulta già inviato o completato.");
            return;
        }
        if (column == QStringLiteral("ImportoSpese")) {
            const double expenses = Num(ds, "ImportoSpese");
            ds.SubColValue(QStringLiteral("ImportoImposta"), GetDefaultVatAmount(*ds.Database(), expenses));
            ds.SubColValue(QStringLiteral("ImportoImponibile"), expenses);
        }
    }

    void OnUpdateField(DataSource& ds, const QString& column) override {
        ProtectExchangeFlags(ds, column);
        if (column == QStringLiteral("ImportoSpese")) addExpenses(ds);
        if (column == QStringLiteral("ImportoImponibile") || column == QStringLiteral("ImportoImposta"))
            Set(ds, "ImportoTotale", Amount(ds, "ImportoImponibile") + Amount(ds, "ImportoImposta"));
        if (!agentMode() && column == QStringLiteral("NumeroSede") && Str(ds, "Numero").trimmed().isEmpty() &&
            !Str(ds, "NumeroSede").isEmpty())
            Set(ds, "Numero", Value(ds, "NumeroSede"));
    }

    void OnBeforeUpdateReference(DataSource& ds, DataSource* ref, const QString& name, datalib::RefChange,
                                 int) override {
        if (name == QStringLiteral("Righe")) {
            if (ref)
                addRowAmounts(ds, *ref, -1);
            else
                recalculate(ds);
        } else if (name == QStringLiteral("Cliente")) {
            if (!ds.GetReference(QStringLiteral("Righe"))->DataEmpty())
                Refuse(ds, "Puoi cambiare il Cliente solo quando l'Ordine è vuoto.");
        }
    }

    void OnUpdateReference(DataSource& ds, DataSource* ref, const QString& name, datalib::RefChange,
                           int) override {
        if (name == QStringLiteral("Righe")) {
            if (ref)
                addRowAmounts(ds, *ref, +1);
            else
                recalculate(ds);
        } else if (name == QStringLiteral("Agente")) {
            if (IsNewRow(ds) || Str(ds, "Numero").isEmpty())
                AssignOrderNumber(ds);
            else
                Refuse(ds, "Non puoi modificare l'agente perchè l'ordine è stato già inserito");
        } else if (name == QStringLiteral("Cliente")) {
            const bool customer = ref && !ref->DataEmpty() && ref->RowValid();
            auto key = [&](const char* reference) {
                return customer ? ref->RefKey(QString::fromUtf8(reference)) : core::Variant(QString());
            };
            SetRef(ds, "Listino", key("ListinoPredefinito"));
            SetRef(ds, "BancaDiAppoggio", key("BancaDiAppoggio"));
            SetRef(ds, "TipoPagamento", key("TipoPagamentoAbituale"));
        }
    }

    void OnNewReference(DataSource& ds, DataSource& row, const QString& name) override {
        if (name != QStringLiteral("Righe") || ds.RefEmpty(QStringLiteral("Cliente"))) return;
        auto customer = ds.GetReference(QStringLiteral("Cliente"));
        if (customer->DataEmpty()) return;
        customer->RowFirst();
        const double discount = customer->ColValueNum(QStringLiteral("PercentualeSconto"));
        if (discount != 0) Set(row, "PercentualeSconto", discount);
    }

    void OnSelectReference(DataSource& ds, DataSource& offered, const QString& name) override {
        if (name != QStringLiteral("Destinazione")) return;
        if (ds.RefEmpty(QStringLiteral("Cliente"))) {
            Refuse(ds, "Devi prima selezionare il cliente");
            return;
        }
        const QString own = offered.Table()->BuildFieldCondition(QStringLiteral("Cliente"),
                                                                 ds.RefKey(QStringLiteral("Cliente")), 0);
        const QString filter = offered.Filter();
        offered.SetFilter(filter.isEmpty() ? own
                                           : QStringLiteral("(") + filter + QStringLiteral(") AND ") + own);
    }

  private:
    // Numbers the order by head office's script (or the built-in one). An
    // empty result cancels the setting of the agent without a further message
    // (the script shows its own); a failing script raises the numbering error.
    static void AssignOrderNumber(DataSource& ds) {
        if (ds.RefEmpty(QStringLiteral("Agente"))) return;
        const core::Variant number = schema::RunNumberingScript(
            ds,
            [&] {
                return ds.Database()->GetSysParamLong(kOrderNumberScriptParam, DefaultOrderNumberScript());
            },
            ds.tableDef().name(),
            QStringLiteral("Errore di esecuzione Script (VB) per la generazione del progressivo Ordine: "),
            QString::fromLatin1(kOrderNumberScriptParam));
        Set(ds, "Numero", number);
        if (Str(ds, "Numero").isEmpty()) RefuseSilently(ds);
    }

    static QString agentCode() { return startup::runContext().codeAgente; }
    static bool agentMode() { return !agentCode().isEmpty(); }
    static bool sentOrLocked(DataSource& ds) {
        return Flag(ds, "InviatoSede") || Flag(ds, "NonModificabile");
    }

    // The expenses as they now stand, with their VAT at the default code.
    static void addExpenses(DataSource& ds) {
        const double expenses = Num(ds, "ImportoSpese");
        ds.AddColValue(QStringLiteral("ImportoImposta"), GetDefaultVatAmount(*ds.Database(), expenses));
        ds.AddColValue(QStringLiteral("ImportoImponibile"), expenses);
    }

    // Adds (sign +1) or subtracts (-1) a row's amounts to the order's totals.
    static void addRowAmounts(DataSource& ds, DataSource& row, int sign) {
        for (const RowTotal& t : kRowTotals) {
            ds.AddColValue(QString::fromUtf8(t.order), sign * row.ColValueNum(QString::fromUtf8(t.row)));
            if (ds.Database()->operationCancelled())
                return;  // a locked order: refused once, the rest is undone with it
        }
    }

    // The totals anew from all the rows, then the expenses.
    static void recalculate(DataSource& ds) {
        auto rows = ds.GetReference(QStringLiteral("Righe"));
        for (const RowTotal& t : kRowTotals)
            Set(ds, t.order, rows->CalculateColValue(QString::fromUtf8(t.row), datalib::odbcSum));
        addExpenses(ds);
    }

    // Each order total and the row amount it adds up, in the order they are kept.
    struct RowTotal {
        const char* order;
        const char* row;
    };
    static constexpr RowTotal kRowTotals[] = {{"ImportoImponibile", "ImportoImponibile"},
                                              {"ImportoImposta", "ImportoIVA"},
                                              {"ImportoMerce", "ImportoImponibile"},
                                              {"ImportoSconti", "ImportoSconto"},
                                              {"ImportoProvvigioni", "ImportoProvvigione"}};
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newOrdini() { return std::make_shared<Ordini>(); }

}  // namespace orders
