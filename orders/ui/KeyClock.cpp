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

}  // namespace

bool KeyClock::IsModifier(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock;
}

bool KeyClock::IsEnter(const QKeyEvent& key) {
    const QString text = key.text();
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter || text == QStringLiteral("\r") ||
           text == QStringLiteral("\n");
}

void KeyClock::press(const QKeyEvent& key) {
    if (key.isAutoRepeat() || IsModifier(key.key())) return;
    scanEnded_ = false;
    // A reader never types a shortcut (Ctrl+A, Alt+...): one ends any run,
    // and the key after it is typed by hand.
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        quickRun_ = 0;
        runChars_ = 0;
        scanRun_ = false;
        afterScan_ = false;
        last_ = -1;
        return;
    }
    const qint64 now = timeOf(key);
    const qint64 gap = last_ < 0 ? kBurstGapMs + 1 : now - last_;
    last_ = now;
    const bool quick = gap >= 0 && gap <= kBurstGapMs;
    if (quick) {
        ++quickRun_;
    } else {
        // The first key of a run, typed by hand or the first of a reader's.
        quickRun_ = 0;
        runChars_ = 0;
        scanRun_ = false;
    }
    afterScan_ = quick && scanRun_;
    if (IsEnter(key)) {
        scanEnded_ = quick && runChars_ >= kScanMinChars;
        if (scanEnded_) scanRun_ = true;
        runChars_ = 0;
        return;
    }
    const QString text = key.text();
    if (!text.isEmpty() && text.at(0).isPrint()) ++runChars_;
}

KeyClock& keyClock() {
    static KeyClock clock;
    return clock;
}

}  // namespace orders::ui
