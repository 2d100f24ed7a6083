#include "startup/Code128.h"

#include <array>

namespace startup {

namespace {

// Values 95 to 106 are written with these characters.
constexpr char16_t kControlChars[] =
    u"\u00EE\u00EC\u00C4\u00C5\u00C9\u00E6\u00C6\u00F4\u00F6\u00F2\u00FB\u00F9";

// Bar/space widths of the 107 symbols, bar first.
constexpr std::array<const char*, kCode128Symbols> kPatterns = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213",  "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122",  "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221",  "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313",  "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321",  "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121",  "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421",  "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114",  "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212",  "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311",  "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};

}  // namespace

int Code128Value(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 32 && u <= 126) return u - 32;
    for (int i = 0; i < 12; ++i)
        if (kControlChars[i] == u) return 95 + i;
    return -1;
}

QChar Code128Char(int value) {
    if (value >= 0 && value <= 94) return QChar(char16_t(value + 32));
    if (value >= 95 && value < kCode128Symbols) return QChar(kControlChars[value - 95]);
    return QChar();
}

QString Code128Pattern(int value) {
    if (value < 0 || value >= kCode128Symbols) return QString();
    return QString::fromLatin1(kPatterns[size_t(value)]);
}

QString EncodeCode128(const QString& text) {
    QString out;
    out.reserve(text.size() + 1);
    // Kept modulo 103 at every step: the same check symbol, and no overflow
    // however long the text is.
    long sum = 104;
    long position = 0;
    for (const QChar c : text) {
        const int value = Code128Value(c);
        if (value < 0) continue;
        out.append(c);
        ++position;
        sum = (sum + value * (position % 103)) % 103;
    }
    out.append(Code128Char(int(sum % 103)));
    return out;
}

}  // namespace startup
