#pragma once
// The one current card device of the run, the factory that creates it for
// the configured model, and two helpers the drivers and the card window share.

#include "carddevices/itfMagneticCard.h"

#include <QString>

#include <memory>

namespace platform {
class SerialPort;
}

namespace carddevices {

// The current device; none for keyboard emulation or an unknown model.
// Callers that use it take a copy of the pointer for the length of the call.
std::shared_ptr<itfMagneticCard>& CurrentMagneticDevice();

// Drops the current device and, unless bReleaseOnly, creates the one of the
// configured model with the configured port (see MagneticDevParam.h). False
// for an unknown model (no device); a port parameter the device refuses is
// raised (and no device is left).
bool CreateMagneticDevice(bool bReleaseOnly);

// Reads and throws away whatever the port has received.
void FlushCommInput(platform::SerialPort& port);

// The code of a card text: one start sentinel ("%" or ";") and one end
// sentinel ("_" or "?") removed, the order reversed when asked, then the
// text after strPrefix (compared regardless of case); "" when the text does
// not begin with the prefix. An empty prefix keeps the whole text.
QString ExtractCardCode(const QString& strText, const QString& strPrefix, bool bReverse);

}  // namespace carddevices
