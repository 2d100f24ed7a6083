#pragma once
// Keys as the main window speaks of them: the classic virtual key codes (13
// Enter, 45 Insert, 46 Delete, 107 the keypad's plus, 65-90 the letters ...)
// and the text of a typed key in the keystroke syntax, where special keys are
// written in braces ("{ESC}", "{BACKSPACE}").

#include <QString>

class QKeyEvent;

namespace controls {

// Shift state bits of a key event: 1 Shift, 2 Ctrl, 4 Alt.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

// The virtual key code of a Qt key event (keypad keys get their own codes:
// 96-105 digits, 106 "*", 107 "+", 109 "-", 110 ".", 111 "/"); 0 for keys
// without one.
int VirtualKeyCode(const QKeyEvent& event);
// The shift state of a key event (kShiftMask | kCtrlMask | kAltMask).
int ShiftState(const QKeyEvent& event);

// The text of a key code: letters, main-block digits, the keypad operators
// and point, blank, "." (190), "," (188), "{ESC}" (27), "{BACKSPACE}" (8).
// True when the key has one, which is then in keyText; otherwise keyText is
// left as it was and the result is false. Either way keyText is then turned
// to upper case when exactly one of Shift and Caps Lock is on, else to lower
// case.
bool KeyCodeToKeyString(int keyCode, QString& keyText, bool shiftDown, bool capsLock);
// The same with the state of the keyboard at the key event: Shift from its
// modifiers, Caps Lock read from the case of the text that it typed.
bool KeyCodeToKeyString(const QKeyEvent& event, QString& keyText);

}  // namespace controls
