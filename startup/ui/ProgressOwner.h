#pragma once
// What the progress windows share (the message window and the exchange's
// windows): while one is shown, the window it was shown over (its owner) is
// disabled, so that the owner's commands cannot be started again while the
// running operation lets the event loop run; when it goes, the owner gets its
// enabled state and the focus back. And the stop question.

#include <QPointer>
#include <QWidget>

namespace startup {

class ProgressOwner {
  public:
    // `window`: the progress window this object belongs to.
    explicit ProgressOwner(QWidget* window) : window_(window) {}
    ProgressOwner(const ProgressOwner&) = delete;
    ProgressOwner& operator=(const ProgressOwner&) = delete;

    // The owner of a message shown over `parent`: its top window (none for
    // none, or for the progress window itself). A different owner than
    // before gets the previous one released first.
    void take(QWidget* parent);
    QWidget* owner() const { return owner_; }
    // Disables the owner while the progress window is on the screen.
    void disable();
    // The window could not be shown over its owner: the owner stays usable.
    void drop();
    // The window that had the focus before the progress window came up.
    void rememberActive(QWidget* window) { activeBefore_ = window; }
    // Gives the owner back its enabled state; the focus goes to the window
    // remembered above when that is still usable, else to the owner.
    void release();

    // Asks "Confermi l'interruzione ?" over the progress window. A first
    // confirmed stop sets `stopped`; a second one only takes the window off
    // the screen and gives the owner back: the operation still running reads
    // the stop and its caller unloads the window. Returns false when the
    // window was deleted while the question was up (nothing here may be
    // touched then).
    bool askStop(bool& stopped);

  private:
    QWidget* window_;
    QPointer<QWidget> owner_;
    QPointer<QWidget> activeBefore_;
    bool ownerWasEnabled_ = true;
    bool asking_ = false;
};

}  // namespace startup
