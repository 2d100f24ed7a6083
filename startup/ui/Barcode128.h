#pragma once
// Draws Code 128 (code set B) barcodes as black bars on a millimetre surface.

#include <QString>

namespace platform {
class PageSurface;
}

namespace startup {

// Draws the pattern of bar/space widths (bar first) from (left, top): each
// bar a filled black rectangle of the bar height and digit × module width
// wide, each space white. Returns the width drawn.
float DrawBarPattern(platform::PageSurface& surface, const QString& pattern, float top, float left,
                     float barHeight, float moduleWidth);

// Draws the text as a Code 128 barcode with its top-left corner at (left,
// top): start B, the symbols of the text and the check symbol, the stop.
// Returns the width drawn (modules × module width). No quiet zone is drawn.
float DrawBarcode128(platform::PageSurface& surface, const QString& text, float top, float left,
                     float barHeight, float moduleWidth);

}  // namespace startup
