#include "core/ItalianText.h"

#include "core/AppError.h"

namespace core::italian {

namespace {
[[noreturn]] void notYet() {
    throw AppError(51, QStringLiteral("core"), QStringLiteral("Conversione non ancora disponibile"));
}
}  // namespace

QString formatDouble(double) { notYet(); }
QString formatSingle(float) { notYet(); }
QString formatCurrency(Currency) { notYet(); }
QString formatDate(Date) { notYet(); }
QString formatDateOnly(Date) { notYet(); }
QString formatTimeOnly(Date) { notYet(); }
QString formatBool(bool value) { return value ? QStringLiteral("Vero") : QStringLiteral("Falso"); }
QString formatFixed(double, int, bool) { notYet(); }
std::optional<double> parseNumber(QStringView) { notYet(); }
std::optional<Currency> parseCurrency(QStringView) { notYet(); }
std::optional<Date> parseDate(QStringView) { notYet(); }
std::optional<bool> parseBoolWord(QStringView) { notYet(); }
bool isNumericText(QStringView) { notYet(); }
bool isDateText(QStringView) { notYet(); }

}  // namespace core::italian
