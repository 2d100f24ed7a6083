#include "reports/TextWrap.h"

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

// A whole number of characters halved, halves to even (as the wrap search counts).
long halfEven(long n) { return long(std::nearbyint(double(n) / 2.0)); }

// The longest prefix, up to upTo characters, that fits in the wrap width,
// found by measuring prefixes of about the line's own length only (widths
// grow with the prefix): first doubling, then halving the range.
qsizetype longestFitting(const TextWidth& width, QStringView text, qsizetype upTo, double wrap) {
    const auto fits = [&](qsizetype n) { return width(text.left(n)) <= wrap; };
    // A short line, the usual one (a name, a code), mostly fits whole: one
    // measurement, the one that drawing it repeats.
    constexpr qsizetype kShortLine = 256;
    if (upTo <= kShortLine && fits(upTo)) return upTo;
    qsizetype good = 0;  // fits
    qsizetype probe = 1;
    while (probe < upTo && fits(probe)) {
        good = probe;
        probe *= 2;
    }
    if (probe >= upTo) {
        if (fits(upTo)) return upTo;
        probe = upTo;
    }
    qsizetype bad = probe;  // does not fit
    while (bad - good > 1) {
        const qsizetype mid = good + (bad - good) / 2;
        (fits(mid) ? good : bad) = mid;
    }
    return good;
}

}  // namespace

void wrapLines(const QString& input, double wrap, bool keepBreaks, const TextWidth& width,
               const LineSink& line) {
    const QChar cr = QLatin1Char('\r');
    QString text = input;
    if (keepBreaks) {
        text.replace(QLatin1Char('\n'), cr);
        text.replace(QStringLiteral("\r\r"), QString(cr));
    } else {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(cr, QLatin1Char(' '));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    }

    // The text is walked from pos on, never copied or searched again from
    // its start.
    qsizetype pos = 0;
    qsizetype nextBreak = keepBreaks ? text.indexOf(cr) : -1;
    while (pos < text.size()) {
        const QStringView rest = QStringView(text).mid(pos);
        const long size = long(rest.size());
        if (nextBreak >= 0 && nextBreak < pos) nextBreak = text.indexOf(cr, pos);
        long len = size;
        bool endsAtBreak = false;
        if (nextBreak >= 0) {
            len = long(nextBreak - pos);
            endsAtBreak = true;
        }
        QStringView shown;
        qsizetype next = 0;
        // A prefix longer than the longest that fits is known to be too wide
        // without measuring it.
        const qsizetype fitting = wrap > 0 ? longestFitting(width, rest, len, wrap) : len;
        if (fitting < len) {
            long step = halfEven(len);
            bool tooWide = true;
            double w = 0;
            while (step > 0 && (tooWide || w != wrap)) {
                if (!tooWide && w < wrap) {
                    len += step;
                } else {
                    len -= step;
                    step = halfEven(step);
                }
                // A line keeps at least one character, so that every line
                // consumes some text.
                len = std::clamp<long>(len, 1, size);
                tooWide = len > fitting;
                if (!tooWide) w = width(rest.left(len));
            }
            const qsizetype blank = rest.left(len).lastIndexOf(QLatin1Char(' '));
            if (blank >= 0) {
                shown = rest.left(blank);
                next = blank + 1;
            } else {
                shown = rest.left(len);
                next = len;
            }
        } else if (endsAtBreak) {
            shown = rest.left(len);
            next = len;
        } else {
            shown = rest;
            next = size;
        }
        line(shown);
        pos += next;
        while (pos < text.size() && text.at(pos) == cr) ++pos;
        while (pos < text.size() && text.at(pos) == QLatin1Char(' ')) ++pos;
    }
}

}  // namespace reports
