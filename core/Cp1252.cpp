#include "core/Cp1252.h"

namespace core::cp1252 {

namespace {

// 0x80 to 0x9F; the undefined codes keep their own number.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

}  // namespace

char16_t toUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F) return kHigh[byte - 0x80];
    return byte;
}

unsigned char fromUnicode(char16_t ch) {
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<unsigned char>(ch);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == ch) return static_cast<unsigned char>(0x80 + i);
    return '?';
}

QString decode(const QByteArray& bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = QChar(toUnicode(static_cast<unsigned char>(bytes[i])));
    return out;
}

QByteArray encode(const QString& text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) out[i] = static_cast<char>(fromUnicode(text[i].unicode()));
    return out;
}

}  // namespace core::cp1252
