#include "startup/ui/ProgressOwner.h"

#include "platform/ui/MessageBox.h"

namespace startup {

void ProgressOwner::take(QWidget* parent) {
    QWidget* owner = parent ? parent->window() : nullptr;
    if (owner == window_) owner = nullptr;
    if (owner == owner_) return;
    release();
    owner_ = owner;
    if (owner_) ownerWasEnabled_ = owner_->isEnabled();
}

void ProgressOwner::disable() {
    if (!owner_ || !window_->isVisible()) return;
    owner_->setEnabled(false);
    owner_->update();
}

void ProgressOwner::drop() {
    if (owner_) owner_->setEnabled(true);
    owner_ = nullptr;
}

void ProgressOwner::release() {
    if (!owner_) return;
    QWidget* previous = owner_;
    owner_ = nullptr;
    previous->setEnabled(ownerWasEnabled_);
    if (!previous->isEnabled() || !previous->isVisible()) return;
    QWidget* back = activeBefore_;
    if (!back || back == window_ || !back->isVisible() || !back->isEnabled()) back = previous;
    back->raise();
    back->activateWindow();
}

bool ProgressOwner::askStop(bool& stopped) {
    if (asking_) return true;
    QPointer<QWidget> window(window_);
    asking_ = true;
    const int answer = platform::messageBox(
        QStringLiteral("Confermi l'interruzione ?"),
        platform::kYesNo | platform::kQuestion | platform::kDefaultButton1, QString(), window_);
    if (!window) return false;
    asking_ = false;
    if (answer != platform::kAnswerYes) return true;
    if (!stopped) {
        stopped = true;
        return true;
    }
    release();
    window_->hide();
    return true;
}

}  // namespace startup
