#include "orders/ui/KeyClock.h"

#include <QElapsedTimer>
#include <QKeyEvent>

namespace orders::ui {

namespace {

// The time of a key: the window system's own stamp when it gives one (it
// does not grow while the program is busy and keys wait in the queue), else
// the time the key is handled.
qint64 timeOf(const QKeyEvent& key) {
    static QElapsedTimer clock;
    if (!clock.isValid()) clock.start();
    return key.timestamp() != 0 ? qint64(key.timestamp()) : clock.elapsed();
}

bool isModifier(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock;
}

}  // namespace

void KeyClock::press(const QKeyEvent& key) {
    if (key.isAutoRepeat() || isModifier(key.key())) return;
    // A reader never types a shortcut (Ctrl+A, Alt+...): one ends any run,
    // and the key after it is typed by hand.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        quickRun_ = 0;
        last_ = -1;
        return;
    }
    const qint64 now = timeOf(key);
    const qint64 gap = last_ < 0 ? kBurstGapMs + 1 : now - last_;
    quickRun_ = gap >= 0 && gap <= kBurstGapMs ? quickRun_ + 1 : 0;
    last_ = now;
}

KeyClock& keyClock() {
    static KeyClock clock;
    return clock;
}

}  // namespace orders::ui
