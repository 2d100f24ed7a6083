#pragma once
// Where a window appears: a window of its own (not a dialog, which the
// toolkit centres over its parent) over the window that opened it, and a
// remembered placement on a screen that can show it; both inside the
// screen's free area.

#include <QRect>
#include <QSize>

class QWidget;

namespace platform {

// Moves `window` so that it stands centred over `owner`'s window, kept
// within the available area of the owner's screen. Nothing without an owner.
void PlaceOverOwner(QWidget& window, const QWidget* owner);

// A stored placement (pixels) as it can be shown: on the available screen it
// covers most (the window's own screen when it covers none), no larger than
// that screen's free area and no smaller than kMinimumPlacement (a width or
// height that is not positive takes the fallback's), and moved so that the
// whole window lies on that screen.
QRect PlacementOnScreen(const QRect& stored, const QSize& fallbackSize, const QWidget* window = nullptr);
inline constexpr int kMinimumPlacementWidth = 200;
inline constexpr int kMinimumPlacementHeight = 150;

// `place` moved (not resized) into `area`; one larger than the area keeps
// its top-left corner inside it.
QRect MovedInto(QRect place, const QRect& area);

}  // namespace platform
