#pragma once
// Reads PDFs back with poppler-utils (pdfinfo, pdftotext -bbox, pdftoppm):
// page count and size, words with their boxes in millimetres, and pages as
// black-and-white pictures. The tools must be installed: a missing tool fails
// the test.

#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <vector>

namespace pdfprobe {

struct Word {
    int page = 0;  // from 1
    QString text;
    QRectF box;  // millimetres from the page's top-left corner
};

// Pages of the PDF (0 when pdfinfo cannot read it).
int pageCount(const QString& pdf);
// The size of page 1 in millimetres.
QSizeF pageSizeMm(const QString& pdf);
// Every word with its box (ligatures unfolded).
std::vector<Word> words(const QString& pdf);
// The first word equal to text (page 0: any page); an empty box when none.
Word find(const std::vector<Word>& words, const QString& text, int page = 0);
// The text of the words of a page joined by blanks, in reading order.
QString pageText(const std::vector<Word>& words, int page);
// Page n rendered in grey without antialiasing at the resolution given.
QImage render(const QString& pdf, int page, int dpi = 300);
// Pixels per millimetre of a rendering.
inline double pxPerMm(int dpi) { return dpi / 25.4; }
// True when the pixel at (x, y) mm is dark.
bool darkAt(const QImage& page, int dpi, double xMm, double yMm);
// The bar/space widths, in pixels, along a row at y mm from x mm rightwards
// (starting at the first dark pixel, ending at the last dark pixel).
std::vector<int> runs(const QImage& page, int dpi, double yMm, double fromXMm = 0);

// The symbols of a Code 128 barcode read back from its bar/space widths, as
// "[104][65]...[106]"; an unknown pattern reads "?".
QString decodeCode128(const std::vector<int>& runs, double pxPerModule);
// The symbols a text must give: start B, the text's values, the check symbol, the stop.
QString code128Symbols(const QString& text);

}  // namespace pdfprobe
