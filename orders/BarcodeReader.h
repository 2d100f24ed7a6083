#pragma once
// What a keyboard-wedge scanner typed into the article code box, reduced to
// the bare code: the text before the first line break, passed through the
// optional barcode filter (a VBScript function BarCodeFilter(code) that gives
// back the code to use).

#include <QString>

namespace orders {

// Longest time a filter script may run before it is stopped (milliseconds).
inline constexpr int kBarCodeFilterTimeoutMs = 2000;

// The text before the first carriage return or line feed, through the
// filter; the empty text while the scanner has not finished (no line break).
QString CleanBarcodeInput(const QString& text);

// The code through the filter script: the given one (compiled for this call
// only), or else the program's own (empty: the code is returned as it is).
// A script that fails is reported in a critical box and gives the empty text.
QString ApplyBarCodeFilter(const QString& code, const QString& script = QString());

// The program's own filter script; none is configured, so it stays empty
// unless set here. Setting it drops the compiled one.
void SetBarCodeFilterScript(const QString& text);
const QString& BarCodeFilterScript();

}  // namespace orders
