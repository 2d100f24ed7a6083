#pragma once
// Code 128, code set B: the symbol table and the encoding of a text into its
// symbols with the check symbol. Drawing the bars is the windows' side
// (startup/ui/Barcode128.h).

#include <QString>

namespace startup {

// Number of symbol values (0 to 106; 106 is the stop symbol).
inline constexpr int kCode128Symbols = 107;
// Start B and stop as bar/space widths.
inline constexpr const char* kCode128StartB = "211214";
inline constexpr const char* kCode128Stop = "2331112";

// The symbol value of a character (0 to 94: blank to tilde; 95 to 106: the
// characters that stand for the control symbols), or -1 when code set B has
// no symbol for it. Upper and lower case are different symbols.
int Code128Value(QChar c);
// The character that stands for a symbol value.
QChar Code128Char(int value);
// The bar/space widths of a symbol value in modules, bar first: six digits,
// seven for the stop symbol.
QString Code128Pattern(int value);

// The accepted characters of the text followed by the check character. The
// check sum is start B plus each value times its position, modulo 103.
QString EncodeCode128(const QString& text);

}  // namespace startup
