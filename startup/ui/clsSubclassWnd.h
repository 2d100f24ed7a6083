#pragma once
// Lets a window see chosen messages of another widget before the widget
// handles them: an event filter that raises OnWindowsMessage for each
// listed message and lets the handler answer it (the widget then never sees
// it) or pass it on. Message numbers are the classic window-message numbers;
// 522 is the mouse wheel (wParam: the wheel distance × 65536, 120 a notch).

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace startup {

class clsSubclassWnd : public QObject {
  public:
    static constexpr int kMouseWheel = 522;

    // uMsg, wParam, lParam, result (0 on entry), handled (false on entry).
    using Handler =
        std::function<void(int uMsg, qint64 wParam, qint64 lParam, qint64& result, bool& handled)>;
    Handler OnWindowsMessage;

    ~clsSubclassWnd() override;  // ends the subclassing

    // Starts watching the widget for the listed messages.
    void Define(QWidget* window, const std::vector<int>& messages);
    // Stops watching (nothing happens when nothing is watched).
    void TerminateSubclassing();
    bool isSubclassing() const { return !window_.isNull(); }

    // Dispatches one message: the handler's result when it answered, else
    // nothing (the widget handles the message as usual).
    std::optional<qint64> ProcessWM(int uMsg, qint64 wParam, qint64 lParam);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPointer<QWidget> window_;
    std::vector<int> messages_;
};

}  // namespace startup
