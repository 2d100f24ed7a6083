#pragma once
// The progress windows of the exchange: frmUpdateProgress while receiving
// from head office, frmSendOrder while sending the orders. One design: the
// current operation, a bar and a stop button; the receive window adds the
// marks of what is being received. While shown, the window disables its
// owner; a stop is asked for, and a second confirmed stop only hides the
// window (the exchange closes it when it has stopped).

#include "exchange/Exchange.h"
#include "startup/ui/ProgressOwner.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace exchange {

class frmExchangeProgress : public QWidget, public ExchangeProgress {
  public:
    ~frmExchangeProgress() override;

    // The window's own members.
    void ShowMsg(const QString& message, QWidget* owner, int phase, long top = -1, long left = -1);
    void StartProgress(long maximum, bool showStop) override;
    bool Progress(long value = 0, bool stopButtonOnly = false) override;
    long MaxProgress() const;
    void EndProgress() override;
    bool Stopped() const override { return stopped_; }

    // The exchange's side: messages go over the owner given by the command.
    void ShowMsg(const QString& message, int phase) override { ShowMsg(message, defaultOwner_, phase); }
    void Unload() override;
    void setDefaultOwner(QWidget* owner) { defaultOwner_ = owner; }

    // The data library's progress sink.
    void OnProgress(long p_position, bool& p_continue) override { p_continue = Progress(p_position, false); }
    void OnStopped(bool& p_stopped) override { p_stopped = stopped_; }
    void OnStart(long p_total, bool p_offerStop) override { StartProgress(p_total, p_offerStop); }
    void OnEnd() override { EndProgress(); }
    // A slow step: the stop button and Esc are served meanwhile.
    void OnWaiting(bool& p_continue) override;

    // Controls, for the tests.
    QLabel* lblCurrentOperation() const { return lblCurrentOperation_; }
    QProgressBar* pbDownload() const { return pbDownload_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    QWidget* owner() const { return owner_.owner(); }
    int phase() const { return phase_; }

  protected:
    frmExchangeProgress(const QString& caption, bool withMarks);
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    virtual void showPhase(int) {}
    virtual void markDone(int) {}
    virtual void forget() = 0;  // the shared instance lets go of this window

    void AskStop();

    QLabel* lblCurrentOperation_ = nullptr;
    QProgressBar* pbDownload_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QWidget* marksHost_ = nullptr;
    startup::ProgressOwner owner_{this};
    QPointer<QWidget> defaultOwner_;
    bool stopped_ = false;
    // Events are let run at most every kEventsMs during a long run of steps.
    // The bar is moved then too: it paints itself at once when it moves.
    static constexpr int kEventsMs = 10;
    QElapsedTimer sinceEvents_;
    int position_ = 0;  // where the bar goes at the next events
    int phase_ = 0;
};

// The receive's window.
class frmUpdateProgress : public frmExchangeProgress {
  public:
    static frmUpdateProgress* instance();
    static bool IsLoaded();
    QLabel* imgAdjournSoftware() const { return imgAdjournSoftware_; }
    QLabel* imgAdjournData() const { return imgAdjournData_; }
    QLabel* imgAdjournSoftwareOK() const { return imgAdjournSoftwareOK_; }
    QLabel* imgAdjournDataOK() const { return imgAdjournDataOK_; }

  private:
    frmUpdateProgress();
    void showPhase(int phase) override;
    void markDone(int phase) override;
    void forget() override;
    QLabel* imgAdjournSoftware_ = nullptr;
    QLabel* imgAdjournData_ = nullptr;
    QLabel* imgAdjournSoftwareOK_ = nullptr;
    QLabel* imgAdjournDataOK_ = nullptr;
};

// The send's window.
class frmSendOrder : public frmExchangeProgress {
  public:
    static frmSendOrder* instance();
    static bool IsLoaded();

  private:
    frmSendOrder();
    void forget() override;
};

}  // namespace exchange
