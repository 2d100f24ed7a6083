#pragma once
// The program's application object: every event goes through one guard, so
// that an exception raised by our code while an event is handled never
// reaches the event loop. The guard hands it to the installed handler (the
// program shows it with ShowError) and the program goes on; the event counts
// as not handled.

#include <QApplication>

#include <functional>

namespace platform {

class GuardedApplication : public QApplication {
    Q_OBJECT
  public:
    GuardedApplication(int& argc, char** argv);

    // Called inside the catch block (std::current_exception() is the error).
    // With none installed the error is written to the log.
    static void setExceptionHandler(std::function<void()> handler);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace platform
