#include "orders/OrderEntry.h"

#include "core/AppError.h"
#include "core/ItalianText.h"
#include "core/Prompt.h"
#include "core/RaiseError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"

#include <QRegularExpression>
#include <cfenv>
#include <cmath>
#include <limits>
#include <vector>

namespace orders {

QString RowColumnList() {
    const QString prefix = QString::fromLatin1(kSpecialCodePrefix);
    return QStringLiteral("*,PosizioneRiga,Codice") + QStringLiteral(",IIF(Left(Codice,") +
           QString::number(prefix.size()) + QStringLiteral(")<>'") + prefix +
           QStringLiteral("',Descrizione,DescrizioneAggiuntiva) AS DescrizioneRiga") +
           QStringLiteral(",QuantitàOrdine,ImportoImponibile,ImportoSconto");
}

std::optional<std::int32_t> ParseQuantity(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([+-]?)(\\d*)(?:,(\\d*))?$"));
    const QString t = text.trimmed();
    const auto m = pattern.match(t);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty())) return std::nullopt;
    // Digits only from here: the C locale reads them with a point.
    QString plain = m.captured(2).isEmpty() ? QStringLiteral("0") : m.captured(2);
    if (!m.captured(3).isEmpty()) plain += QLatin1Char('.') + m.captured(3);
    bool ok = false;
    double value = plain.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    if (m.captured(1) == QLatin1String("-")) value = -value;
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double whole = std::nearbyint(value);
    std::fesetround(saved);
    if (whole < double(std::numeric_limits<std::int32_t>::min()) ||
        whole > double(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(whole);
}

UpdateAge ReadUpdateAge(const datalib::Database& db) {
    auto date = [&](const char* name) {
        const QString text = db.GetSysParam(QString::fromLatin1(name), QStringLiteral("01/01/2004"));
        const auto d = core::italian::parseDate(text.trimmed());
        if (!d)
            core::RaiseGenericError(QStringLiteral("VerifyDayFromLastAdjourn"),
                                    QStringLiteral("Data non valida in ") + QString::fromLatin1(name));
        return d->toQDate();
    };
    auto count = [&](const char* name, int def) {
        const QString text = db.GetSysParam(QString::fromLatin1(name), QString::number(def));
        bool ok = false;
        const int n = text.trimmed().toInt(&ok);
        if (!ok)
            core::RaiseGenericError(QStringLiteral("VerifyDayFromLastAdjourn"),
                                    QStringLiteral("Valore non valido in ") + QString::fromLatin1(name));
        return n;
    };
    UpdateAge age;
    age.elapsed = int(date("DataAggiornamentoDatabase").daysTo(date("DataUltimoAccesso")));
    age.notifyDays = count("GiorniNotificaAggiornamento", 10);
    age.obligationDays = count("ObbligoAggiornamento", 15);
    return age;
}

bool VerifyDayFromLastAdjourn(const datalib::Database& db) {
    UpdateAge age;
    try {
        age = ReadUpdateAge(db);
    } catch (const core::AppError&) {
        core::messageBox(QStringLiteral("Si è verificato un errore durante la verifica del grado di "
                                        "aggiornamento dei dati\r\rImpossibile inserire il nuovo ordine. "
                                        "Contattare la sede."),
                         core::kOkOnly | core::kCritical);
        return false;
    }
    if (age.elapsed < age.obligationDays) {
        if (age.elapsed >= age.notifyDays)
            core::messageBox(
                QStringLiteral("ATTENZIONE: E' necessario effettuare l'aggiornamento dei dati\r\r"
                               "Trascorsi ulteriori ") +
                    QString::number(age.obligationDays - age.elapsed) +
                    QStringLiteral(" giorni non sarà più possibile inserire nuovi ordini."),
                core::kOkOnly | core::kInformation);
        return true;
    }
    core::messageBox(QStringLiteral("Sono trascorsi più di ") + QString::number(age.obligationDays) +
                         QStringLiteral(" giorni dall'ultimo aggiornamento dei dati!\r\rNon è possibile "
                                        "inserire nuovi ordini prima di aver effettuato l'aggiornamento."),
                     core::kOkOnly | core::kInformation);
    return false;
}

QString OpeningNoteText(const QString& description, const QString& code, int maxLength) {
    const QString head = QStringLiteral(" * ");
    const QString tail = QStringLiteral(" - ") + code;
    const qsizetype room = std::max<qsizetype>(0, maxLength - head.size() - tail.size());
    return (head + description.left(room) + tail).left(maxLength);
}

namespace {

// The article with this code, additional code or description; nullptr when
// none (or no choice was made among several).
std::shared_ptr<datalib::DataSource> findArticle(datalib::Database& db, const QString& code,
                                                 ArticleEntryHost& host, bool& choiceClosed) {
    const QString literal = db.FormatStringForQuery(code);
    auto art = db.OpenDataSource(QStringLiteral("Articoli"), QStringLiteral("Articoli.Codice=") + literal);
    if (!art->DataEmpty()) {
        art->RowFirst();
        return art;
    }
    for (const char* column : {"CodiceAggiuntivo", "Descrizione"}) {
        art = db.OpenDataSource(
            QStringLiteral("Articoli"),
            QStringLiteral("Articoli.") + QLatin1String(column) + QLatin1Char('=') + literal);
        if (art->DataEmpty()) continue;
        art->RowFirst();
        if (art->RowCount() > 1 && host.PickArticle(art).isEmptyOrNull()) {
            choiceClosed = true;
            return nullptr;
        }
        return art;
    }
    return nullptr;
}

}  // namespace

core::Variant AddElementByCode(datalib::DataSource& rows, const QString& code, double quantity,
                               core::Currency price, const core::Variant& promotion, bool noPrompt,
                               ArticleEntryHost& host) {
    datalib::Database& db = *rows.Database();
    bool choiceClosed = false;
    auto art = findArticle(db, code, host, choiceClosed);
    if (choiceClosed) return {};
    if (!art) {
        const datalib::ColumnDef* col =
            db.tableDef(QStringLiteral("Articoli"))->findColumn(QStringLiteral("Codice"));
        const int length = col ? col->length : 16;
        const QString message = code.size() > length
                                    ? QStringLiteral("Il Codice non può essere più di ") +
                                          QString::number(length) + QStringLiteral(" caratteri.")
                                    : QStringLiteral("Articolo ") + code +
                                          QStringLiteral(
                                              " non trovato\r\rRicerca effettuata per CODICE, CODICE "
                                              "AGGIUNTIVO e DESCRIZIONE");
        if (!host.NotFound(code, message)) rows.Message(message);
        return {};
    }
    if (art->ColValueBool(QStringLiteral("Disabilitato"))) {
        core::messageBox(QStringLiteral("L'articolo selezionato è disabilitato."),
                         core::kOkOnly | core::kExclamation);
        return {};
    }
    if (quantity == 0) quantity = 1;
    const QString articleCode = art->ColValueStr(QStringLiteral("Codice"));
    const bool withPromotion = !promotion.isEmptyOrNull() && !promotion.toString().isEmpty();
    const bool prompt = !noPrompt && host.AskQuantityEachArticle();

    // A given price, or a promotion, always makes a row of its own: a row of
    // a promotion keeps its quantity locked and goes with its promotion.
    if (price == core::Currency() && !withPromotion) {
        const QString condition = QStringLiteral("Codice=") + db.FormatStringForQuery(articleCode) +
                                  QStringLiteral(" AND NOT Promozione");
        if (rows.FindFirst(condition)) {
            if (prompt) host.AskRowQuantity();
            const core::Variant key = rows.RowKey();
            rows.SetColValue(QStringLiteral("QuantitàOrdine"),
                             rows.ColValueNum(QStringLiteral("QuantitàOrdine")) + quantity);
            rows.Save();
            return key;
        }
    }

    std::vector<core::Variant> pairs{core::Variant(QStringLiteral("QuantitàOrdine")),
                                     core::Variant(quantity)};
    if (price != core::Currency()) {
        pairs.emplace_back(QStringLiteral("PrezzoVendita"));
        pairs.emplace_back(price);
    }
    if (withPromotion) {
        pairs.emplace_back(QStringLiteral("Promozione"));
        pairs.push_back(promotion);
    }
    pairs.emplace_back(QStringLiteral("Codice"));
    pairs.emplace_back(articleCode);
    const core::Variant key = rows.InsertFromPairs(pairs);
    if (prompt && rows.MoveToKey(key)) host.AskRowQuantity();
    return key;
}

}  // namespace orders
