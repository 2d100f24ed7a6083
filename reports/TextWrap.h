#pragma once
// The lines that TxtOut prints: a text cut to a wrap width, at blanks where
// it can, keeping or dropping its own line breaks. Written apart from the
// drawing so that the search can be seen and tried on its own.
//
//   wrapLines(text, 40, false, widthOnPaper, [&](QStringView line) { print(line); });

#include <QString>
#include <QStringView>

#include <functional>

namespace reports {

// The width of a text in the units of the wrap width.
using TextWidth = std::function<double(QStringView)>;
using LineSink = std::function<void(QStringView)>;

// Hands each line to `line`, in order. The text is first normalised: with
// keepBreaks a LF becomes a CR and a CR CR pair one CR (one break a line);
// without, every CR LF, CR and LF becomes a blank. A wrap width of 0 or less
// cuts nothing. A line too wide is shortened by the halving search (step half
// the length, halves to even; longer while narrower, shorter while wider),
// then cut at its last blank, or after its last character when it has none;
// a line keeps at least one character. The breaks and the blanks that follow
// a line are skipped. The work is in proportion to the lines, not to the
// rest of the text at each line.
void wrapLines(const QString& text, double wrapWidth, bool keepBreaks, const TextWidth& width,
               const LineSink& line);

}  // namespace reports
