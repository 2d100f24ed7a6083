#pragma once
// The rules of order entry that need no window: whether new orders may be
// written (the age of the data), the quantity the agent types, the look-up
// of an article by code, additional code or description, and adding it to
// the rows of the order being written (a new row, or more of a row it has).

#include "core/Currency.h"
#include "core/Variant.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace datalib {
class Database;
class DataSource;
}  // namespace datalib

namespace orders {

// Article codes that begin with this are note and service rows.
inline constexpr const char* kSpecialCodePrefix = "##";
// The article of the note rows that frame a promotion.
inline constexpr const char* kNoteCode = "##NOTA##";

// The column list of the order's rows: a special row shows its
// DescrizioneAggiuntiva as DescrizioneRiga, any other row its Descrizione.
QString RowColumnList();

// The quantity typed by the agent: an optional sign, digits and at most one
// decimal comma, rounded to a whole number (halves to even: "2,5" is 2).
// Nothing for any other text ("1.5", "abc") and for values past 32 bits.
std::optional<std::int32_t> ParseQuantity(const QString& text);

// How old the data are: days from the last update (DataAggiornamentoDatabase)
// to the last start (DataUltimoAccesso), and the two limits.
struct UpdateAge {
    int elapsed = 0;
    int notifyDays = 10;      // GiorniNotificaAggiornamento
    int obligationDays = 15;  // ObbligoAggiornamento
};
// Reads the four parameters; raises when they cannot be read.
UpdateAge ReadUpdateAge(const datalib::Database& db);
// True when new orders may be written; warns from notifyDays on and refuses
// from obligationDays on, with its own messages.
bool VerifyDayFromLastAdjourn(const datalib::Database& db);

// The first note of a promotion: " * " description " - " code, the
// description cut so that the whole fits the note's length.
QString OpeningNoteText(const QString& description, const QString& code, int maxLength = 64);

// What article entry asks of the window.
class ArticleEntryHost {
  public:
    virtual ~ArticleEntryHost() = default;
    // Several articles match: the agent picks one (the data source is left on
    // it). Empty when the choice was closed without one.
    virtual core::Variant PickArticle(const std::shared_ptr<datalib::DataSource>& articles) = 0;
    // True when the quantity is asked for every article entered.
    virtual bool AskQuantityEachArticle() const = 0;
    // Asks the quantity of the rows' current row and stores it.
    virtual void AskRowQuantity() = 0;
    // No article has the code; the message says so. True when the window
    // keeps it to name it later with others (the codes of a reader's burst);
    // false: the message is shown now.
    virtual bool NotFound(const QString& code, const QString& message) { return false; }
};

// Adds an article to the order's rows. The code is looked up as Codice, then
// CodiceAggiuntivo, then Descrizione (a choice is offered when several share
// one of the last two). Quantity 0 counts as 1; a price 0 lets the row table
// price the row. Without a price or a promotion, the quantity goes to the
// first row of that article without a promotion, when there is one; a row
// of a promotion is always a row of its own. Returns the key of the row that
// received the article, or Empty (not found, disabled, no choice; messages
// shown). Refusals of the table classes raise, already shown.
core::Variant AddElementByCode(datalib::DataSource& rows, const QString& code, double quantity,
                               core::Currency price, const core::Variant& promotion, bool noPrompt,
                               ArticleEntryHost& host);

}  // namespace orders
