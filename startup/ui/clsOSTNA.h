#pragma once
// The program's icon in the desktop's notification area. A double click on it
// shows the owner window again; the context menu offers "&Visualizza" and
// "&Chiudi". Many Linux desktops (and headless or virtual displays) have no
// notification area: then nothing is shown and IconStart says so, so that the
// owner minimises its window instead of hiding it where nobody could reach it.

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <optional>

class QAction;
class QMenu;
class QWidget;

namespace startup {

class clsOSTNA : public QObject {
    Q_OBJECT
  public:
    explicit clsOSTNA(QObject* parent = nullptr);
    ~clsOSTNA() override;  // removes the icon

    // Longest tip the icon shows; longer texts are cut.
    static constexpr int kMaxTipLength = 63;

    // Puts the icon in the notification area with the owner's window as the
    // window to show again. Returns non-zero when the icon is shown, 0 when
    // the desktop has no notification area (nothing is shown then). An icon
    // already shown is removed and added again.
    int IconStart(QWidget* owner, const QIcon& icon, const QString& tip);
    // Removes the icon when shown; otherwise does nothing.
    void IconStop();
    void ChangeIcon(const QIcon& icon);
    void ChangeTip(const QString& tip);

    // True while the icon is in the notification area: only then may the
    // owner hide its window.
    bool IsShown() const { return shown_; }
    // Whether the desktop offers a notification area at all.
    static bool IsAvailable();

    // What the icon reports, as the relay reads it: the context-menu request
    // (right button), a plain click (left button) and a double click.
    static bool IsRightButton(QSystemTrayIcon::ActivationReason reason);
    static bool IsLeftButton(QSystemTrayIcon::ActivationReason reason);
    static bool IsDoubleClick(QSystemTrayIcon::ActivationReason reason);

    // The tip as shown: the first 63 characters of the text.
    static QString TipText(const QString& text);

    // The relay: a double click shows the owner window; a right-button
    // request reports menuRequested (the desktop opens the context menu
    // attached to the icon); anything else is ignored.
    void Relay(QSystemTrayIcon::ActivationReason reason);

    // The context menu and its two entries. "&Visualizza" shows the owner
    // window; "&Chiudi" only emits closeRequested: closing belongs to the owner.
    QMenu* mnuPopUp() const { return menu_; }
    QAction* mnuVisualizza() const { return actShow_; }
    QAction* mnuChiudi() const { return actClose_; }

    // Test seam: the tray's availability as the desktop reports it is replaced
    // by the given value while set (std::nullopt restores it).
    static void setAvailabilityOverride(std::optional<bool> available);

  signals:
    void closeRequested();
    void menuRequested();

  private:
    void showOwner();

    QPointer<QWidget> owner_;
    QSystemTrayIcon* icon_ = nullptr;
    QMenu* menu_ = nullptr;
    QAction* actShow_ = nullptr;
    QAction* actClose_ = nullptr;
    QIcon picture_;
    QString tip_;
    bool shown_ = false;
};

}  // namespace startup
