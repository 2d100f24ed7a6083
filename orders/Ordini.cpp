// The order headers: one row per order that the agent writes for a customer.

#include "orders/TableClasses.h"

#include "datalib/DataSource.h"
#include "datalib/Database.h"

namespace orders {

namespace {

using namespace schema;

class Ordini : public TableClass {
public:
    Ordini() : TableClass("Ordini") {}

    void DefineIdentity(TableIdentity& id) override
    {
        id.SetVersion(4.2);
        id.SetCaption("Ordini");
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override
    {
        c.Add("Numero", coltype::Code, 16, 0, {}, 1, NA, NA, true, "Numero progressivo dell'ordine");
        c.Add("NumeroSede", coltype::Code, 16, 0, {}, 15, NA, NA, true, "Numero dell'ordine assegnato dalla sede");
        c.Add("Approvato", coltype::Boolean, 0, 0, {}, 1, NA, NA, true,
              "Indica se l'ordine è stato approvato dalla sede", {}, "Stato");
        c.Add("Evaso", coltype::Boolean, 0, 0, {}, 1, NA, NA, true, "Indica se l'ordine è stato evaso al cliente", {},
              "Stato");
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
        c.Add("ImportoSconti", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale degli sconti", {}, "Totali");
        c.Add("ImportoTotale", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale dell'ordine", {}, "Totali");
        c.Add("ImportoMerce", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale merce", {}, "Totali");
        c.Add("ImportoImponibile", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale imponibile", {},
              "Totali");
        c.Add("ImportoImposta", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale imposta (IVA)", {},
              "Totali");
        c.Add("ImportoProvvigioni", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo totale provvigioni", {},
              "Agente");
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
        r.Add("Zona", "ZoneGeografiche", false, false, "Codice", "Descrizione", 1, NA, NA, {}, -2, true, "Agente");
        r.Add("TipoPorto", "TipiPorto", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Definisce chi paga il trasporto", -2, true, "Spedizione");
        r.Add("BancaDiAppoggio", "Banche", false, false, "Codice", "Nome,Agenzia", NA, NA, NA,
              "Banca di appoggio abituale", -2, true, "Pagamento");
        r.Add("TipoPagamento", "TipiPagamento", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Tipo di pagamento abituale", -2, true, "Pagamento");
        r.Add("Righe", "RigheOrdini", true, true, "Codice",
              "Descrizione,QuantitàOrdine,ImportoTotale,ImportoSconto,ImportoProvvigione", NA, NA, NA, {}, -2, true,
              "Dettagli");
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

    void OnUpdatedTableStruct(DataSource& ds, double, double prev, bool& created) override
    {
        // Orders stored under an older structure become completed and locked.
        if (!created && prev < 4.2)
            ds.Database()->Execute(QStringLiteral("UPDATE Ordini SET Completato=True, NonModificabile=True"), -1);
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newOrdini() { return std::make_shared<Ordini>(); }

}  // namespace orders
