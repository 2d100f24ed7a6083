// Code 128 (code set B): the symbol table and the encoding with the check
// symbol, checked against the standard's rules and values.

#include "startup/Code128.h"

#include <gtest/gtest.h>
#include <QStringList>

using namespace startup;

namespace {

int modules(const QString& pattern) {
    int n = 0;
    for (QChar c : pattern) n += c.digitValue();
    return n;
}

}  // namespace

TEST(Code128, EverySymbolHasElevenModulesAndAnEvenBarWidth) {
    // The standard's rule for every symbol but the stop: three bars and three
    // spaces over 11 modules, the bars covering an even number of modules.
    for (int v = 0; v < 106; ++v) {
        const QString p = Code128Pattern(v);
        ASSERT_EQ(p.size(), 6) << v;
        EXPECT_EQ(modules(p), 11) << v;
        const int bars = p[0].digitValue() + p[2].digitValue() + p[4].digitValue();
        EXPECT_EQ(bars % 2, 0) << v;
    }
    EXPECT_EQ(Code128Pattern(106), QStringLiteral("2331112"));
    EXPECT_EQ(Code128Pattern(104), QString::fromLatin1(kCode128StartB));
    // The patterns are all different.
    QStringList all;
    for (int v = 0; v < kCode128Symbols; ++v) all << Code128Pattern(v);
    all.removeDuplicates();
    EXPECT_EQ(all.size(), kCode128Symbols);
}

TEST(Code128, KnownValuesOfTheStandardTable) {
    struct Case {
        QChar c;
        int value;
        const char* pattern;
    } cases[] = {
        {QLatin1Char(' '), 0, "212222"},  {QLatin1Char('0'), 16, "123122"}, {QLatin1Char('A'), 33, "111323"},
        {QLatin1Char('Z'), 58, "312311"}, {QLatin1Char('a'), 65, "121124"}, {QLatin1Char('z'), 90, "214121"},
        {QLatin1Char('~'), 94, "131141"}, {QChar(0x00C9), 99, "113141"},    {QChar(0x00F9), 106, "2331112"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Code128Value(c.c), c.value) << int(c.c.unicode());
        EXPECT_EQ(Code128Pattern(c.value), QString::fromLatin1(c.pattern)) << c.value;
        EXPECT_EQ(Code128Char(c.value), c.c);
    }
}

TEST(Code128, EncodingAddsTheCheckSymbol) {
    struct Case {
        QString text;
        QString encoded;
    } cases[] = {
        // 104 + 65 + 2*66 + 3*67 = 502 = 4*103 + 90 -> "z"
        {QStringLiteral("abc"), QStringLiteral("abcz")},
        // 104 mod 103 = 1 -> "!"
        {QString(), QStringLiteral("!")},
        // Characters outside code set B are dropped before the sum.
        {QStringLiteral("a\u00E9b\tc"), QStringLiteral("abc") + QChar(u'z')},
        // Upper and lower case are different symbols: 104 + 33 = 137 -> 34 "B".
        {QStringLiteral("A"), QStringLiteral("AB")},
        // A control character stands for its symbol: CODE C (99): 104 + 99 = 203 -> 100 (FNC 4).
        {QString(QChar(0x00C9)), QString(QChar(0x00C9)) + QChar(0x00E6)},
    };
    for (const Case& c : cases) EXPECT_EQ(EncodeCode128(c.text), c.encoded) << c.text.toStdString();
}

TEST(Code128, LongTextsNeverOverflow) {
    // 200 tildes: the weighted sum passes 32767 long before the end; the check
    // symbol is the sum modulo 103 all the same.
    const QString text(200, QLatin1Char('~'));
    long sum = 104;
    for (int i = 1; i <= 200; ++i) sum += 94L * i;
    const QString encoded = EncodeCode128(text);
    ASSERT_EQ(encoded.size(), 201);
    EXPECT_EQ(Code128Value(encoded.back()), int(sum % 103));
}
