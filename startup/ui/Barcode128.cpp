#include "startup/ui/Barcode128.h"

#include "core/RunCheck.h"
#include "platform/ui/PageSurface.h"
#include "startup/Code128.h"

namespace startup {

float DrawBarPattern(platform::PageSurface& surface, const QString& pattern, float top, float left,
                     float barHeight, float moduleWidth) {
    float done = 0;
    bool bar = true;
    for (const QChar digit : pattern) {
        const float width = float(digit.digitValue()) * moduleWidth;
        if (width > 0)
            surface.filledBox(QPointF(left + done, top), QPointF(left + done + width, top + barHeight),
                              bar ? Qt::black : Qt::white);
        done += width;
        bar = !bar;
    }
    return done;
}

float DrawBarcode128(platform::PageSurface& surface, const QString& text, float top, float left,
                     float barHeight, float moduleWidth) {
    const QString encoded = EncodeCode128(text);
    float width =
        DrawBarPattern(surface, QString::fromLatin1(kCode128StartB), top, left, barHeight, moduleWidth);
    for (const QChar c : encoded) {
        // A long code stops with the run (its stop or its time-out).
        core::checkRun();
        width += DrawBarPattern(surface, Code128Pattern(Code128Value(c)), top, left + width, barHeight,
                                moduleWidth);
    }
    width +=
        DrawBarPattern(surface, QString::fromLatin1(kCode128Stop), top, left + width, barHeight, moduleWidth);
    return width;
}

}  // namespace startup
