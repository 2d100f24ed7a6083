// The search behind InStr, InStrRev, Replace, Split and Filter finds what
// Qt's search finds, forwards and backwards, binary and as a text compare,
// also where it goes its own linear way (long needles in long texts).

#include "script/builtins/TextSearch.h"

#include <gtest/gtest.h>
#include <QRandomGenerator>
#include <QString>

using script::builtins::TextFinder;

namespace {

// A text of letters that repeat often (so that partial matches abound), in
// both cases, with a few accented ones and a character outside the first
// plane, and needles cut from it or changed at one end.
QString randomText(QRandomGenerator& g, qsizetype length) {
    static const QString letters = QStringLiteral("aabAB\u00e0\u00c0") + QString::fromUcs4(U"\U00010400");
    QString s;
    while (s.size() < length) s += letters[qsizetype(g.bounded(quint32(letters.size())))];
    return s;
}

TEST(TextSearch, FindsWhatQtFindsOnLongTextsAndNeedles) {
    QRandomGenerator g(20260808);
    for (int round = 0; round < 40; ++round) {
        const QString text = randomText(g, 600000 + qsizetype(g.bounded(1000)));
        const qsizetype length = 9 + qsizetype(g.bounded(40));
        const qsizetype at = qsizetype(g.bounded(quint32(text.size() - length)));
        QString needle = text.mid(at, length);
        if (round % 3 == 1) needle[0] = u'x';           // found nowhere
        if (round % 3 == 2) needle = needle.toUpper();  // found by a text compare
        if (QChar(needle.back()).isHighSurrogate()) needle.chop(1);
        for (const bool textCompare : {false, true}) {
            SCOPED_TRACE(testing::Message() << "round " << round << (textCompare ? " text" : " binary"));
            const Qt::CaseSensitivity cs = textCompare ? Qt::CaseInsensitive : Qt::CaseSensitive;
            const TextFinder find(needle, textCompare);
            for (const qsizetype from : {qsizetype(0), at, at + 1, text.size() / 2, text.size() - length}) {
                EXPECT_EQ(find.indexIn(text, from), QStringView(text).indexOf(needle, from, cs)) << from;
                EXPECT_EQ(find.lastIndexIn(text, from), QStringView(text).lastIndexOf(needle, from, cs))
                    << from;
            }
        }
    }
}

TEST(TextSearch, EdgesOfTheText) {
    const QString text = QString(100000, u'a') + QStringLiteral("bcdefghijk");
    const QString needle = QStringLiteral("abcdefghijk");
    for (const bool textCompare : {false, true}) {
        const TextFinder find(needle, textCompare);
        EXPECT_EQ(find.indexIn(text, 0), 99999);
        EXPECT_EQ(find.indexIn(text, 99999), 99999);
        EXPECT_EQ(find.indexIn(text, 100000), -1);
        EXPECT_EQ(find.lastIndexIn(text, text.size()), 99999);
        EXPECT_EQ(find.lastIndexIn(text, 99998), -1);
        EXPECT_EQ(find.lastIndexIn(text, -1), -1);
    }
    const TextFinder empty(QStringView(), false);
    EXPECT_EQ(empty.indexIn(text, 5), 5);
    EXPECT_EQ(empty.lastIndexIn(text, 7), 7);
}

}  // namespace
