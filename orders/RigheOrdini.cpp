// The order rows: each row extends an article with the order's quantities,
// prices, discount, VAT and commission.

#include "orders/TableClasses.h"

#include "core/Currency.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "orders/ArticlePrices.h"
#include "orders/OrderRules.h"

namespace orders {

namespace {

using namespace schema;

class RigheOrdini : public TableClass {
  public:
    RigheOrdini() : TableClass("RigheOrdini") {}

    void DefineIdentity(TableIdentity& id) override { DefineArticleRowIdentity(id, 2.1); }

    void DefineStructure(ColumnCollection& c, KeyCollection& k, ReferenceCollection& r) override {
        c.Add("NumeroOrdine", coltype::Code, 32, 0, {}, 1, NA, NA, true, "Numero progressivo dell'ordine");
        c.Add("PosizioneRiga", coltype::Integer, 0, 0, {}, 0, NA, NA, true,
              "Posizione della riga nell'ordine");
        c.Add("QuantitàOrdine", coltype::Number, 0, 0, {}, NA, NA, NA, true,
              "Quantità di scarico dell'articolo");
        c.Add("QuantitàEvasa", coltype::Number, 0, 0, {}, 1, NA, NA, true, "Quantità evasa dell'articolo");
        c.Add("QuantitàFatturata", coltype::Number, 0, 0, {}, 1, NA, NA, true,
              "Quantità fatturata dell'articolo");
        c.Add("PrezzoVendita", coltype::Money, 0, 0, {}, NA, NA, NA, true,
              "Prezzo di vendita unitario dell'articolo (IVA esclusa)");
        c.Add("PercentualeSconto", coltype::Number, 0, 0, {}, 1, 1, NA, true, "Percentuale di sconto");
        c.Add("ImportoSconto", coltype::Money, 0, 0, {}, 15, 0, NA, true, "Importo relativo allo sconto");
        c.Add("ImportoImponibile", coltype::Money, 0, 0, {}, 15, NA, NA, true,
              "Importo imponibile della riga (Prezzo Unitario * Quantità)");
        c.Add("ImportoIVA", coltype::Money, 0, 0, {}, 15, NA, NA, true,
              "Importo IVA relativo al totale della riga");
        c.Add("ImportoTotale", coltype::Money, 0, 0, {}, 15, NA, NA, true,
              "Importo tale della riga (Imponibile + IVA)");
        c.Add("PercentualeProvvigione", coltype::Number, 0, 0, {}, 1, 1, NA, true,
              "Percentuale di provvigione");
        c.Add("ImportoProvvigione", coltype::Money, 0, 0, {}, 15, 0, NA, true,
              "Importo relativo alla provvigione");
        c.Add("DataConfermaConsegna", coltype::Date, 0, 0, {}, 1, NA, NA, false,
              "Data di consegna confermata dalla sede");
        c.Add("DataPrevistaConsegna", coltype::Date, 0, 0, {}, 1, NA, NA, false,
              "Eventuale data di prevista consegna");
        c.Add("DescrizioneAggiuntiva", coltype::Text, 64, 0, {}, 1, NA, 0, true,
              "Riferimento o Note relative alla riga");
        r.Add("Promozione", "Promozioni", false, false, "Codice", "Descrizione", NA, NA, NA,
              "Eventuale promozione correlata", -2, true);
        k.Add("NumeroOrdine", true, "InRigheOrd").AddColumn("PosizioneRiga");
    }

    void OnNewRow(DataSource& ds) override {
        Set(ds, "QuantitàOrdine", 1.0);
        Set(ds, "PercentualeSconto", 0.0);
        Set(ds, "PercentualeProvvigione", 0.0);
        Set(ds, "QuantitàEvasa", 0.0);
        Set(ds, "QuantitàFatturata", 0.0);
        Set(ds, "DescrizioneAggiuntiva", QString());
        SetRef(ds, "Promozione", QString());
        // Rows that head office's data bring keep their own number and position.
        if (DbState(ds) == StateApplyingUpdate) return;
        auto order = ds.Parent();
        if (!order || !order->RowValid()) return;
        Set(ds, "NumeroOrdine", order->ColValueStr(QStringLiteral("Numero")));
        // One above the largest position of the order's rows (0 when there are none).
        auto rows =
            ds.GetDataSource(ds.tableDef().name(), 0, ds.EqualityCondition(QStringLiteral("NumeroOrdine")));
        const core::Variant last = rows->CalculateColValue(QStringLiteral("PosizioneRiga"), datalib::odbcMax);
        Set(ds, "PosizioneRiga", (last.isEmptyOrNull() ? 0.0 : last.toDouble()) + 1);
    }

    void OnSetParent(DataSource& ds, const QString&) override {
        Set(ds, "PercentualeProvvigione", GetAgentCommissionPercent(ds));
    }

    // The amount chain: each column a step sets comes back here, so that a
    // quantity, price or discount change runs through discount, taxable
    // amount, VAT, total and commission.
    void OnUpdateField(DataSource& ds, const QString& column) override {
        const bool quantity = column == QStringLiteral("QuantitàOrdine");
        if (quantity && inPromotion(ds)) {
            Refuse(ds,
                   "Non è consentito modificare la quantità per un articolo appartenente ad una promozione");
            return;
        }
        if (column == QStringLiteral("PrezzoBase")) {
            // Another article: its commission type may differ too.
            Set(ds, "PercentualeProvvigione", GetAgentCommissionPercent(ds));
            Set(ds, "PrezzoVendita", GetArticleSalePrice(ds));
        }
        const bool taxable = column == QStringLiteral("ImportoImponibile");
        if (quantity || column == QStringLiteral("PercentualeSconto") ||
            column == QStringLiteral("PrezzoVendita")) {
            const double gross = Num(ds, "QuantitàOrdine") * Num(ds, "PrezzoVendita");
            Set(ds, "ImportoSconto", rounded(ds, Num(ds, "PercentualeSconto") / 100 * gross));
            const double grossNow = Num(ds, "QuantitàOrdine") * Num(ds, "PrezzoVendita");
            Set(ds, "ImportoImponibile", core::Currency::fromDouble(grossNow) - Amount(ds, "ImportoSconto"));
        }
        if (taxable)
            ApplyReferencedPercentage(ds, QStringLiteral("ImportoImponibile"), QStringLiteral("ImportoIVA"),
                                      QStringLiteral("IVA"));
        if (taxable || column == QStringLiteral("ImportoIVA"))
            Set(ds, "ImportoTotale", Amount(ds, "ImportoImponibile") + Amount(ds, "ImportoIVA"));
        if (taxable || column == QStringLiteral("PercentualeProvvigione"))
            Set(ds, "ImportoProvvigione",
                rounded(ds, Num(ds, "PercentualeProvvigione") / 100 * Num(ds, "ImportoImponibile")));
    }

    void OnUpdateReference(DataSource& ds, DataSource*, const QString& name, datalib::RefChange,
                           int) override {
        if (name == QStringLiteral("Promozione")) Set(ds, "PrezzoVendita", GetArticleSalePrice(ds));
    }

    // Deleting an element of a promotion deletes the whole promotion from
    // the order (Yes) or nothing (No). No question while someone holds the
    // order's "LockPromo": a whole promotion or order is going already.
    void OnDeleteRow(DataSource& ds) override {
        if (!inPromotion(ds)) return;
        auto order = ds.RelatedDataSource(QStringLiteral("Ordini"));
        if (!order) return;
        datalib::NamedLock lock(*order, kLockPromo);
        if (!lock.obtained()) return;
        if (!order->Confirm(
                QStringLiteral(
                    "L'elemento fa parte di una promozione\r\rVuoi eliminare tutta la promozione ?"),
                1, true, true)) {
            RefuseSilently(*order);
            return;
        }
        auto promotion = ds.GetReference(QStringLiteral("Promozione"));
        promotion->RowFirst();
        auto rows = order->GetReference(
            QStringLiteral("Righe"),
            QStringLiteral("Promozione.Codice=") + promotion->ColQueryString(QStringLiteral("Codice")));
        rows->DeleteAll();
    }

    void OnSelect(DataSource& ds) override {
        if (ds.SortOrder().isEmpty()) ds.SetSortOrder(QStringLiteral("PosizioneRiga"));
    }

  private:
    // The row belongs to a promotion that exists with a code.
    static bool inPromotion(DataSource& ds) {
        if (ds.RefEmpty(QStringLiteral("Promozione"))) return false;
        auto promotion = ds.GetReference(QStringLiteral("Promozione"));
        if (promotion->DataEmpty()) return false;
        promotion->RowFirst();
        return !promotion->ColValueStr(QStringLiteral("Codice")).isEmpty();
    }

    // Discount and commission amounts: the database's rounding of the amount.
    static core::Currency rounded(DataSource& ds, double amount) {
        return ds.Database()->Round(core::Currency::fromDouble(amount), 0, 1.0f);
    }
};

}  // namespace

core::Currency Amount(DataSource& ds, const char* column) {
    const core::Variant v = ds.ColValue(QString::fromUtf8(column));
    return v.isEmptyOrNull() ? core::Currency() : v.toCurrency();
}

std::shared_ptr<datalib::itfDefTable> newRigheOrdini() { return std::make_shared<RigheOrdini>(); }

}  // namespace orders
