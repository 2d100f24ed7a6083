#include "orders/ArticlePrices.h"

#include "core/Currency.h"
#include "core/Prompt.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "startup/RunContext.h"

namespace orders {

using datalib::DataSource;

namespace {

// The database's rounding of an amount, taken to a currency value first.
core::Currency rounded(const datalib::Database& db, double amount, float step) {
    return db.Round(core::Currency::fromDouble(amount), 0, step);
}

// The order the row belongs to, standing on its row; nullptr when none.
std::shared_ptr<DataSource> orderOf(DataSource& row) {
    auto order = row.RelatedDataSource(QStringLiteral("Ordini"));
    if (!order || order->DataEmpty() || !order->RowValid()) return nullptr;
    return order;
}

// The first row of a table that meets the condition, or nullptr.
std::shared_ptr<DataSource> firstRow(datalib::Database& db, const QString& table, const QString& condition) {
    auto rows = db.Tables(table)->OpenDataSource(condition);
    if (rows->DataEmpty()) return nullptr;
    rows->RowFirst();
    return rows;
}

}  // namespace

double GetArticleSalePrice(DataSource& row) {
    double price = row.ColValueNum(QStringLiteral("PrezzoBase"));
    if (!row.RefEmpty(QStringLiteral("Promozione"))) {
        auto promotion = row.GetReference(QStringLiteral("Promozione"));
        if (!promotion->DataEmpty()) {
            promotion->RowFirst();
            auto elements = promotion->GetReference(
                QStringLiteral("Elementi"),
                QStringLiteral("Articoli.Codice=") + row.ColQueryString(QStringLiteral("Codice")));
            if (!elements->DataEmpty()) {
                elements->RowFirst();
                const double discount = elements->ColValueNum(QStringLiteral("PercentualeSconto"));
                const double elementPrice = elements->ColValueNum(QStringLiteral("PrezzoVendita"));
                row.SetColValue(QStringLiteral("PercentualeSconto"), discount);
                if (elementPrice != 0) price = elementPrice;
                if (discount != 0 || elementPrice != 0) return price;
                core::messageBox(QStringLiteral("La promozione non è valida perchè l'articolo <") +
                                     row.ColValueStr(QStringLiteral("Codice")) + QStringLiteral(" - ") +
                                     row.ColValueStr(QStringLiteral("Descrizione")) +
                                     QStringLiteral("> non è configurato correttamente"),
                                 core::kOkOnly);
            }
        }
    }
    auto order = orderOf(row);
    if (!order || order->RefEmpty(QStringLiteral("Listino"))) return price;
    datalib::Database& db = *row.Database();
    auto prices = db.Tables(QStringLiteral("ListiniArticoli"));
    const QString condition =
        prices->BuildFieldCondition(QStringLiteral("Listino"), order->RefKey(QStringLiteral("Listino")), 0) +
        QStringLiteral(" AND ") + prices->BuildFieldCondition(QStringLiteral("Articolo"), row.BaseKey(), 0);
    if (auto found = firstRow(db, QStringLiteral("ListiniArticoli"), condition))
        price = found->ColValueNum(QStringLiteral("PrezzoVendita"));
    return price;
}

double GetAgentCommissionPercent(DataSource& row) {
    auto order = orderOf(row);
    if (!order || order->RefEmpty(QStringLiteral("Agente"))) return 0;
    datalib::Database& db = *row.Database();
    auto rates = db.Tables(QStringLiteral("ProvvigioniAgenti"));
    // An article without commission type matches only the rates whose type is
    // equally empty.
    const QString condition =
        rates->BuildFieldCondition(QStringLiteral("Agente"), order->RefKey(QStringLiteral("Agente")), 0) +
        QStringLiteral(" AND ") +
        rates->BuildFieldCondition(QStringLiteral("Tipo"), row.RefKey(QStringLiteral("TipoProvvigione")), 0) +
        QStringLiteral(" AND Not Tipo.Inattivo");
    auto found = firstRow(db, QStringLiteral("ProvvigioniAgenti"), condition);
    return found ? found->ColValueNum(QStringLiteral("PercentualeProvvigione")) : 0.0;
}

void ApplyReferencedPercentage(DataSource& row, const QString& baseColumn, const QString& targetColumn,
                               const QString& referenceName) {
    double percentage = 0;
    if (!row.RefEmpty(referenceName)) {
        auto referenced = row.GetReference(referenceName);
        if (!referenced->DataEmpty()) {
            referenced->RowFirst();
            percentage = referenced->ColValueNum(QStringLiteral("Percentuale"));
        }
    }
    const double base = row.ColValueNum(baseColumn);
    row.SetColValue(targetColumn, rounded(*row.Database(), percentage / 100 * base, 0.1f));
}

double GetDefaultVatAmount(datalib::Database& db, double amount) {
    const QString code = startup::runContext().defaultCodiceIva;
    auto vat =
        firstRow(db, QStringLiteral("CodiciIva"), QStringLiteral("Codice=") + db.FormatStringForQuery(code));
    if (!vat) {
        core::messageBox(QStringLiteral("E' necessario impostare l'IVA predefinita nei parametri generali"),
                         core::kCritical);
        return 0;
    }
    return rounded(db, vat->ColValueNum(QStringLiteral("Percentuale")) / 100 * amount, 0.1f).toDouble();
}

}  // namespace orders
