#include "platform/ui/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace platform {

void PlaceOverOwner(QWidget& window, const QWidget* owner) {
    if (!owner) return;
    const QWidget* over = owner->window();
    QRect place(QPoint(0, 0), window.frameGeometry().size());
    place.moveCenter(over->frameGeometry().center());
    if (const QScreen* screen = over->screen()) {
        const QRect area = screen->availableGeometry();
        const int lastLeft = std::max(area.left(), area.left() + area.width() - place.width());
        const int lastTop = std::max(area.top(), area.top() + area.height() - place.height());
        place.moveTopLeft(QPoint(std::clamp(place.left(), area.left(), lastLeft),
                                 std::clamp(place.top(), area.top(), lastTop)));
    }
    window.move(place.topLeft());
}

}  // namespace platform
