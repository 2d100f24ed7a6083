#include "controls/KeyStrings.h"

#include <QKeyEvent>

namespace controls {

int VirtualKeyCode(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    if (keypad) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return 96 + (key - Qt::Key_0);
        switch (key) {
            case Qt::Key_Asterisk:
                return 106;
            case Qt::Key_Plus:
                return 107;
            case Qt::Key_Minus:
                return 109;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                return 110;
            case Qt::Key_Slash:
                return 111;
            case Qt::Key_Enter:
                return 13;
            default:
                break;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 65 + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return 48 + (key - Qt::Key_0);
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Tab:
            return 9;
        case Qt::Key_Space:
            return 32;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Period:
            return 190;
        case Qt::Key_Comma:
            return 188;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_Shift:
            return 16;
        case Qt::Key_Control:
            return 17;
        case Qt::Key_Alt:
            return 18;
        case Qt::Key_CapsLock:
            return 20;
        default:
            break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    return 0;
}

int ShiftState(const QKeyEvent& event) {
    int state = 0;
    if (event.modifiers() & Qt::ShiftModifier) state |= kShiftMask;
    if (event.modifiers() & Qt::ControlModifier) state |= kCtrlMask;
    if (event.modifiers() & Qt::AltModifier) state |= kAltMask;
    return state;
}

bool KeyCodeToKeyString(int keyCode, QString& keyText, bool shiftDown, bool capsLock) {
    bool found = true;
    if (keyCode >= 65 && keyCode <= 90)
        keyText = QChar('A' + (keyCode - 65));
    else if (keyCode >= 48 && keyCode <= 57)
        keyText = QChar('0' + (keyCode - 48));
    else if (keyCode >= 106 && keyCode <= 111)
        keyText = QChar('*' + (keyCode - 106));
    else if (keyCode == 32)
        keyText = QStringLiteral(" ");
    else if (keyCode == 190)
        keyText = QStringLiteral(".");
    else if (keyCode == 188)
        keyText = QStringLiteral(",");
    else if (keyCode == 27)
        keyText = QStringLiteral("{ESC}");
    else if (keyCode == 8)
        keyText = QStringLiteral("{BACKSPACE}");
    else
        found = false;
    keyText = (shiftDown != capsLock) ? keyText.toUpper() : keyText.toLower();
    return found;
}

bool KeyCodeToKeyString(const QKeyEvent& event, QString& keyText) {
    const bool shift = event.modifiers() & Qt::ShiftModifier;
    const QString typed = event.text();
    bool caps = false;
    if (typed.size() == 1 && typed.at(0).isLetter()) caps = typed.at(0).isUpper() != shift;
    return KeyCodeToKeyString(VirtualKeyCode(event), keyText, shift, caps);
}

}  // namespace controls
