#include "platform/ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

QRect MovedInto(QRect place, const QRect& area) {
    const int lastLeft = std::max(area.left(), area.left() + area.width() - place.width());
    const int lastTop = std::max(area.top(), area.top() + area.height() - place.height());
    place.moveTopLeft(QPoint(std::clamp(place.left(), area.left(), lastLeft),
                             std::clamp(place.top(), area.top(), lastTop)));
    return place;
}

void PlaceOverOwner(QWidget& window, const QWidget* owner) {
    if (!owner) return;
    const QWidget* over = owner->window();
    QRect place(QPoint(0, 0), window.frameGeometry().size());
    place.moveCenter(over->frameGeometry().center());
    if (const QScreen* screen = over->screen()) place = MovedInto(place, screen->availableGeometry());
    window.move(place.topLeft());
}

QRect PlacementOnScreen(const QRect& stored, const QSize& fallbackSize, const QWidget* window) {
    // The screen that shows most of the placement, else the window's own.
    const QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(stored.normalized());
        const qint64 area = qint64(common.width()) * common.height();
        if (common.isValid() && area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    if (!best && window) best = window->screen();
    if (!best) best = QGuiApplication::primaryScreen();
    const QRect free = best ? best->availableGeometry() : QRect(0, 0, 1024, 768);
    const auto side = [](int value, int fallback, int least, int most) {
        if (value <= 0) value = fallback;
        return std::clamp(value, std::min(least, most), most);
    };
    const QSize size(side(stored.width(), fallbackSize.width(), kMinimumPlacementWidth, free.width()),
                     side(stored.height(), fallbackSize.height(), kMinimumPlacementHeight, free.height()));
    return MovedInto(QRect(stored.topLeft(), size), free);
}

}  // namespace platform
