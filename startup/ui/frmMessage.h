#pragma once
// The window through which long operations tell the operator what they are
// doing: a message line, an animated hourglass and, on request, a progress bar
// with a counter and a stop button. It is modeless: the caller keeps running
// and polls Progress or Stopped. While it is up its owner window is disabled,
// so that the owner's commands cannot be started again while Progress lets the
// event loop run.
//
// There is one shared instance (instance()); the caller that started a long
// operation unloads it when done (Unload()).

#include "datalib/Interfaces.h"
#include "startup/ui/ProgressOwner.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace startup {

class frmMessage : public QWidget, public datalib::itfProgress {
    Q_OBJECT
  public:
    frmMessage();
    ~frmMessage() override;

    // The shared window, loaded on first use.
    static frmMessage* instance();
    // True while the shared window is loaded.
    static bool IsLoaded();
    // Unloads the shared window: its owner gets its enabled state and the
    // focus back. Nothing happens when it is not loaded.
    static void Unload();

    // Shows or updates the message. The owner (may be none) is disabled while
    // the window is up; top and left are twips, -1 keeps the coordinate, and
    // only act when the window becomes visible.
    void ShowMsg(const QString& text, QWidget* parent = nullptr, long top = -1, long left = -1);
    // Starts a progress display of total steps (0 counts as 1).
    void StartProgress(long total, bool enableStop);
    // Advances the bar (position 0: one step), lets the event loop run and
    // answers true to go on, false once the operator confirmed a stop. With
    // noCount only a hidden stop button is shown.
    bool Progress(long position = 0, bool noCount = false);
    // The bar's maximum while it is shown, else 0.
    long MaxProgress() const;
    // Hides the bar, its frame and the stop button.
    void EndProgress();
    // True once the operator confirmed a stop.
    bool Stopped() const { return stopped_; }

    // The data library's progress sink.
    void OnProgress(long p_position, bool& p_continue) override;
    void OnStopped(bool& p_stopped) override;
    void OnStart(long p_total, bool p_offerStop) override;
    void OnEnd() override;
    // A slow step: the stop button is served meanwhile.
    void OnWaiting(bool& p_continue) override;

    // The counter text for a value and maximum: "37 / 120", or the percentage
    // "42 / 100%" above 9999 steps.
    static QString CounterText(long value, long maximum);

    // The window that is disabled while the message shows (none: nullptr).
    QWidget* owner() const { return owner_.owner(); }

    // Controls, for the tests.
    QLabel* lblMessage() const { return lblMessage_; }
    QLabel* lblCount() const { return lblCount_; }
    QProgressBar* pbNotify() const { return pbNotify_; }
    QFrame* shpNotify() const { return shpNotify_; }
    QPushButton* cmdStop() const { return cmdStop_; }
    QLabel* imgHourglass() const { return imgHourglass_; }
    int HourglassFrame() const { return frame_; }
    int HourglassFrameCount() const { return static_cast<int>(imgMsg_.size()); }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void AskStop();
    void TickHourglass();
    void unloadWindow();

    QLabel* lblMessage_ = nullptr;
    QLabel* lblCount_ = nullptr;
    QProgressBar* pbNotify_ = nullptr;
    QFrame* shpNotify_ = nullptr;
    QPushButton* cmdStop_ = nullptr;
    QLabel* imgHourglass_ = nullptr;
    QTimer* tmHourglass_ = nullptr;
    std::vector<QPixmap> imgMsg_;

    ProgressOwner owner_{this};
    bool stopped_ = false;
    bool unloaded_ = false;
    int busy_ = 0;  // depth of our own handlers on the stack
    int frame_ = 0;
};

}  // namespace startup
