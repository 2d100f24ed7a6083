#include "startup/ui/clsSubclassWnd.h"

#include <QEvent>
#include <QWheelEvent>

#include <algorithm>

namespace startup {

clsSubclassWnd::~clsSubclassWnd() { TerminateSubclassing(); }

void clsSubclassWnd::Define(QWidget* window, const std::vector<int>& messages) {
    messages_ = messages;
    window_ = window;
    if (window) window->installEventFilter(this);
}

void clsSubclassWnd::TerminateSubclassing() {
    if (window_) window_->removeEventFilter(this);
    window_.clear();
}

std::optional<qint64> clsSubclassWnd::ProcessWM(int uMsg, qint64 wParam, qint64 lParam) {
    if (std::find(messages_.begin(), messages_.end(), uMsg) == messages_.end()) return std::nullopt;
    qint64 result = 0;
    bool handled = false;
    if (OnWindowsMessage) OnWindowsMessage(uMsg, wParam, lParam, result, handled);
    if (handled) return result;
    return std::nullopt;
}

bool clsSubclassWnd::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const qint64 wParam = qint64(wheel->angleDelta().y()) * 65536;
        const QPoint at = wheel->globalPosition().toPoint();
        const qint64 lParam = (qint64(at.y() & 0xFFFF) << 16) | qint64(at.x() & 0xFFFF);
        if (ProcessWM(kMouseWheel, wParam, lParam)) return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace startup
