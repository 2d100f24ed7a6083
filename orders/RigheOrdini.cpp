// The order rows: each row extends an article with the order's quantities,
// prices, discount, VAT and commission.

#include "orders/TableClasses.h"

namespace orders {

namespace {

using namespace schema;

class RigheOrdini : public TableClass {
public:
    RigheOrdini() : TableClass("RigheOrdini") {}

    void DefineIdentity(TableIdentity& id) override
    {
        DefineArticleRowIdentity(id, 2.1);
    }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override
    {
        c.Add("NumeroOrdine", coltype::Code, 32, 0, {}, 1, NA, NA, true, "Numero progressivo dell'ordine");
        c.Add("PosizioneRiga", coltype::Integer, 0, 0, {}, 0, NA, NA, true, "Posizione della riga nell'ordine");
        c.Add("QuantitàOrdine", coltype::Number, 0, 0, {}, NA, NA, NA, true, "Quantità di scarico dell'articolo");
        c.Add("QuantitàEvasa", coltype::Number, 0, 0, {}, 1, NA, NA, true, "Quantità evasa dell'articolo");
        c.Add("QuantitàFatturata", coltype::Number, 0, 0, {}, 1, NA, NA, true, "Quantità fatturata dell'articolo");
        c.Add("PrezzoVendita", coltype::Money, 0, 0, {}, NA, NA, NA, true,
              "Prezzo di vendita unitario dell'articolo (IVA esclusa)");
        c.Add("PercentualeSconto", coltype::Number, 0, 0, {}, 1, 1, NA, true, "Percentuale di sconto");
        c.Add("ImportoSconto", coltype::Money, 0, 0, {}, 15, 0, NA, true, "Importo relativo allo sconto");
        c.Add("ImportoImponibile", coltype::Money, 0, 0, {}, 15, NA, NA, true,
              "Importo imponibile della riga (Prezzo Unitario * Quantità)");
        c.Add("ImportoIVA", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo IVA relativo al totale della riga");
        c.Add("ImportoTotale", coltype::Money, 0, 0, {}, 15, NA, NA, true, "Importo tale della riga (Imponibile + IVA)");
        c.Add("PercentualeProvvigione", coltype::Number, 0, 0, {}, 1, 1, NA, true, "Percentuale di provvigione");
        c.Add("ImportoProvvigione", coltype::Money, 0, 0, {}, 15, 0, NA, true, "Importo relativo alla provvigione");
        c.Add("DataConfermaConsegna", coltype::Date, 0, 0, {}, 1, NA, NA, false,
              "Data di consegna confermata dalla sede");
        c.Add("DataPrevistaConsegna", coltype::Date, 0, 0, {}, 1, NA, NA, false, "Eventuale data di prevista consegna");
        c.Add("DescrizioneAggiuntiva", coltype::Text, 64, 0, {}, 1, NA, 0, true, "Riferimento o Note relative alla riga");
        r.Add("Promozione", "Promozioni", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Eventuale promozione correlata", -2, true);
        k.Add("NumeroOrdine", true, "InRigheOrd").AddColumn("PosizioneRiga");
    }
};

}  // namespace

std::shared_ptr<datalib::itfDefTable> newRigheOrdini() { return std::make_shared<RigheOrdini>(); }

}  // namespace orders
