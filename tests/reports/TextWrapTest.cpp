// The lines of TxtOut: the wrap search against the halving search as the
// layouts have always had it, measured in characters of made-up widths, and
// the work a very long text takes.

#include "reports/TextWrap.h"

#include <gtest/gtest.h>
#include <QStringList>

#include <cmath>

namespace {

// Widths of 1, 2 and 3 units by character (a blank is 1).
double madeUpWidth(QStringView s) {
    double w = 0;
    for (const QChar c : s) w += c == u' ' ? 1 : 1 + c.unicode() % 3;
    return w;
}

long halfEven(long n) { return long(std::nearbyint(double(n) / 2.0)); }

// The search as it stood: each step measures the prefix from the start of
// what is left, and what is printed is cut off the front of the text.
QStringList reference(QString text, double wrap, bool keepBreaks) {
    const QChar cr = u'\r';
    if (keepBreaks) {
        text.replace(u'\n', cr);
        text.replace(QStringLiteral("\r\r"), QString(cr));
    } else {
        text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        text.replace(cr, u' ');
        text.replace(u'\n', u' ');
    }
    QStringList lines;
    while (!text.isEmpty()) {
        long len = long(text.size());
        bool endsAtBreak = false;
        if (keepBreaks && text.indexOf(cr) >= 0) {
            len = long(text.indexOf(cr));
            endsAtBreak = true;
        }
        QString line;
        qsizetype next = 0;
        double w = madeUpWidth(text.left(len));
        if (wrap > 0 && w > wrap) {
            long step = halfEven(len);
            while (step > 0 && w != wrap) {
                if (w < wrap) {
                    len += step;
                } else {
                    len -= step;
                    step = halfEven(step);
                }
                len = std::clamp<long>(len, 1, long(text.size()));
                w = madeUpWidth(text.left(len));
            }
            const qsizetype blank = text.left(len).lastIndexOf(u' ');
            line = blank >= 0 ? text.left(blank) : text.left(len);
            next = blank >= 0 ? blank + 1 : len;
        } else {
            line = endsAtBreak ? text.left(len) : text;
            next = endsAtBreak ? len : text.size();
        }
        lines << line;
        text.remove(0, next);
        qsizetype skip = 0;
        while (skip < text.size() && text.at(skip) == cr) ++skip;
        while (skip < text.size() && text.at(skip) == u' ') ++skip;
        text.remove(0, skip);
    }
    return lines;
}

QStringList wrapped(const QString& text, double wrap, bool keepBreaks, long* measured = nullptr) {
    QStringList lines;
    reports::wrapLines(
        text, wrap, keepBreaks,
        [measured](QStringView s) {
            if (measured) *measured += long(s.size());
            return madeUpWidth(s);
        },
        [&](QStringView line) { lines << line.toString(); });
    return lines;
}

TEST(TextWrap, TheSameLinesAsTheHalvingSearch) {
    const QString words =
        QStringLiteral("uno due tre quattro cinque sei sette otto nove dieci undici dodici");
    const QString breaks =
        QStringLiteral("alfa beta\r\n\r\ngamma delta epsilon\rzeta\n\neta theta iota kappa");
    const QString oneWord = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJ");
    const QString mixed =
        QStringLiteral("  a bb ccc dddd eeeee ffffff ggggggg hhhhhhhh iiiiiiiii  ") + oneWord;
    for (const QString& text : {words, breaks, oneWord, mixed, QString(), QStringLiteral("\r\nx")}) {
        for (const double wrap : {0.0, -1.0, 0.5, 1.0, 2.0, 3.0, 5.0, 7.0, 12.0, 17.0, 40.0, 1000.0}) {
            for (const bool keep : {false, true}) {
                SCOPED_TRACE(QStringLiteral("%1 / %2 / %3").arg(text).arg(wrap).arg(keep).toStdString());
                EXPECT_EQ(wrapped(text, wrap, keep), reference(text, wrap, keep));
            }
        }
    }
}

// 60 000 characters cut at a width narrower than any of them: a few
// characters a line (where the halving search ends), each line found by
// measuring about its own length, not the rest of the text.
TEST(TextWrap, ALongTextCostsInProportionToItsLines) {
    QString text;
    for (int i = 0; i < 60000; ++i) text += QChar(u'a' + i % 26);
    EXPECT_EQ(wrapped(text.left(3000), 0.01, false), reference(text.left(3000), 0.01, false));
    long measured = 0;
    const QStringList lines = wrapped(text, 0.01, false, &measured);
    EXPECT_GE(lines.size(), 10000);
    EXPECT_EQ(lines.join(QString()), text);
    EXPECT_LT(measured, 10L * 60000) << "characters measured";
    // Words of 10 characters at a width of about 30: whole words a line.
    QString prose;
    for (int i = 0; i < 6000; ++i) prose += QStringLiteral("abcdefghi ");
    measured = 0;
    const QStringList proseLines = wrapped(prose, 45.0, true, &measured);
    EXPECT_EQ(proseLines, reference(prose, 45.0, true));
    EXPECT_LT(measured, 200L * prose.size());
}

}  // namespace
