#pragma once
// Where a window of its own (not a dialog, which the toolkit centres over
// its parent) appears: over the window that opened it, inside the screen.

class QWidget;

namespace platform {

// Moves `window` so that it stands centred over `owner`'s window, kept
// within the available area of the owner's screen. Nothing without an owner.
void PlaceOverOwner(QWidget& window, const QWidget* owner);

}  // namespace platform
