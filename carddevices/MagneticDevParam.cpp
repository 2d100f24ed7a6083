#include "carddevices/MagneticDevParam.h"

#include "platform/SettingsStore.h"

#include <cmath>
#include <limits>

namespace carddevices {

namespace {

const QString kSection = QStringLiteral("MagneticDevParam");

// Halves to even, as whole-number conversions round; 0 when out of range.
template <class Int>
Int toWhole(double value) {
    const double r = std::nearbyint(value);
    if (!std::isfinite(r) || r < std::numeric_limits<Int>::min() || r > std::numeric_limits<Int>::max())
        return 0;
    return static_cast<Int>(r);
}

}  // namespace

MagneticDevParams& magneticDevParams() {
    static MagneticDevParams params;
    return params;
}

double LeadingNumber(const QString& text) {
    QString digits;
    bool seenDigit = false, seenPoint = false;
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
            c == QLatin1Char('\r'))
            continue;
        if ((c == QLatin1Char('-') || c == QLatin1Char('+')) && digits.isEmpty()) {
            digits += c;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            digits += c;
            seenDigit = true;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return 0;
    bool ok = false;
    const double v = digits.toDouble(&ok);
    return ok ? v : 0;
}

void LoadMagneticDevParam() {
    using platform::SettingsStore;
    MagneticDevParams& p = magneticDevParams();
    const QString& app = platform::appName();
    p.type = toWhole<std::int32_t>(
        LeadingNumber(SettingsStore::get(app, kSection, QStringLiteral("Type"), QStringLiteral("0"))));
    p.comPortNumber = toWhole<std::int16_t>(LeadingNumber(
        SettingsStore::get(app, kSection, QStringLiteral("COMPortNumber"), QStringLiteral("1"))));
    p.comPortParam =
        SettingsStore::get(app, kSection, QStringLiteral("COMPortParam"), QStringLiteral("9600,n,8,1"));
}

bool SaveMagneticDevParam() {
    using platform::SettingsStore;
    const MagneticDevParams& p = magneticDevParams();
    const QString& app = platform::appName();
    bool ok = SettingsStore::save(app, kSection, QStringLiteral("Type"), QString::number(p.type));
    ok = SettingsStore::save(app, kSection, QStringLiteral("COMPortNumber"),
                             QString::number(p.comPortNumber)) &&
         ok;
    ok = SettingsStore::save(app, kSection, QStringLiteral("COMPortParam"), p.comPortParam) && ok;
    return ok;
}

}  // namespace carddevices
