#include "carddevices/modMagneticDev.h"

#include "carddevices/MagneticDevParam.h"
#include "carddevices/clsMSR106.h"
#include "carddevices/clsMSR206HL.h"
#include "platform/SerialPort.h"

#include <algorithm>

namespace carddevices {

std::shared_ptr<itfMagneticCard>& CurrentMagneticDevice() {
    static std::shared_ptr<itfMagneticCard> device;
    return device;
}

bool CreateMagneticDevice(bool bReleaseOnly) {
    CurrentMagneticDevice().reset();
    if (bReleaseOnly) return true;
    const MagneticDevParams& p = magneticDevParams();
    std::shared_ptr<itfMagneticCard> device;
    switch (p.type) {
        case kDeviceMsr106:
            device = clsMSR106::Create();
            device->SetParameters(core::VariantArray::fromValues(
                {core::Variant(p.comPortNumber), core::Variant(p.comPortParam)}));
            break;
        case kDeviceMsr206HighCoercivity:
        case kDeviceMsr206LowCoercivity:
            device = clsMSR206HL::Create();
            device->SetParameters(
                core::VariantArray::fromValues({core::Variant(p.comPortNumber), core::Variant(p.comPortParam),
                                                core::Variant(p.type == kDeviceMsr206LowCoercivity)}));
            break;
        case kDeviceKeyboardEmulation:
            return true;
        default:
            return false;
    }
    CurrentMagneticDevice() = std::move(device);
    return true;
}

void FlushCommInput(platform::SerialPort& port) {
    while (port.InBufferCount() > 0) port.ReadAll();
}

QString ExtractCardCode(const QString& strText, const QString& strPrefix, bool bReverse) {
    QString text = strText;
    if (text.isEmpty()) return QString();
    if (text.front() == QLatin1Char('%') || text.front() == QLatin1Char(';')) text.remove(0, 1);
    if (text.isEmpty()) return QString();
    if (text.back() == QLatin1Char('_') || text.back() == QLatin1Char('?')) text.chop(1);
    if (bReverse) std::reverse(text.begin(), text.end());
    if (strPrefix.isEmpty()) return text;
    if (!text.startsWith(strPrefix, Qt::CaseInsensitive)) return QString();
    return text.mid(strPrefix.size());
}

}  // namespace carddevices
