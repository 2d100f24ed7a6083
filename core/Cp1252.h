#pragma once
// Windows-1252 ("ANSI") text, which the scrambled passwords and the layout
// export files use. The table is lossless: the five codes that the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control
// characters of the same number, so every byte survives a round trip.

#include <QByteArray>
#include <QString>

namespace core::cp1252 {

// The character of one byte.
char16_t toUnicode(unsigned char byte);
// The byte of one character; '?' for characters outside the code page.
unsigned char fromUnicode(char16_t ch);

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text);

}  // namespace core::cp1252
