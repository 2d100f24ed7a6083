#pragma once
// Settings of the magnetic-card device: model, serial port and port settings,
// kept in the settings store under section "MagneticDevParam".

#include <QString>
#include <cstdint>

namespace carddevices {

// Device models.
inline constexpr std::int32_t kDeviceMsr106 = 0;
inline constexpr std::int32_t kDeviceMsr206HighCoercivity = 1;
inline constexpr std::int32_t kDeviceMsr206LowCoercivity = 2;
inline constexpr std::int32_t kDeviceKeyboardEmulation = 9999;

struct MagneticDevParams {
    std::int32_t type = kDeviceMsr106;
    std::int16_t comPortNumber = 1;  // 0 means none
    QString comPortParam = QStringLiteral("9600,n,8,1");
};

// The values of the run.
MagneticDevParams& magneticDevParams();

// Reads the settings into magneticDevParams(). Missing keys take their
// defaults ("0", "1", "9600,n,8,1"); a number is read from the leading number
// of the text, 0 when there is none or when it does not fit the type.
void LoadMagneticDevParam();
// Writes magneticDevParams() back. False when the settings could not be written.
bool SaveMagneticDevParam();

// The leading number of a text as the settings are read: blanks ignored, an
// optional sign, digits with an optional "." and fraction; 0 when none.
double LeadingNumber(const QString& text);

}  // namespace carddevices
