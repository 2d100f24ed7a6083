#pragma once
// The program's application object: every event goes through one guard, so
// that an exception raised by our code while an event is handled never
// reaches the event loop. The guard hands it to the installed handler (the
// program shows it with ShowError) and the program goes on; the event counts
// as not handled.
//
// Qt's widgets, drawing, network and serial libraries are built without
// exceptions: an exception that passes through their frames on its way to
// the guard skips every destructor there (the copies of a mouse event, the
// guards of a button that is being clicked: their memory is lost and the
// event is left half delivered). So a handler of the program connected to a
// signal of a Qt object is connected through connectGuarded(), which stops
// the exception at the handler's own edge and hands it to the same handler:
//
//     platform::connectGuarded(w_.cmdConfirm, &QPushButton::clicked, this, &frmOrder::cmdConfirm_Click);
//     platform::connectGuarded(timer, &QTimer::timeout, this, [this] { refresh(); });
//
// The signal then goes on to its other receivers, as after any handler.

#include <QApplication>

#include <concepts>
#include <functional>
#include <type_traits>
#include <utility>

namespace platform {

class GuardedApplication : public QApplication {
    Q_OBJECT
  public:
    GuardedApplication(int& argc, char** argv);

    // Called inside the catch block (std::current_exception() is the error).
    // With none installed the error is written to the log.
    static void setExceptionHandler(std::function<void()> handler);
    // Hands the exception being handled (called inside a catch block) to the
    // installed handler; an error of the handler itself is only logged.
    static void handleCurrentException() noexcept;

    bool notify(QObject* receiver, QEvent* event) override;
};

// A handler that runs f with the arguments it is given, and hands whatever
// f raises to GuardedApplication::handleCurrentException(). It takes as
// many of a signal's arguments as f does (Qt offers it the signal's
// arguments, then fewer, until f can take them).
template <class F>
auto guarded(F f) {
    return [f = std::move(f)](auto&&... args) requires std::invocable<const F&, decltype(args)...> {
        try {
            std::invoke(f, std::forward<decltype(args)>(args)...);
        } catch (...) {
            GuardedApplication::handleCurrentException();
        }
    };
}

// QObject::connect of a handler through guarded(): a member function of the
// receiver, or a function object run in the receiver's context (or, without
// a receiver, in the sender's).
template <class Sender, class Signal, class Receiver, class Handler>
requires std::derived_from<Receiver, QObject> QMetaObject::Connection connectGuarded(
    const Sender* sender, Signal signal, Receiver* receiver, Handler handler,
    Qt::ConnectionType type = Qt::AutoConnection) {
    if constexpr (std::is_member_function_pointer_v<Handler>) {
        auto call = [ receiver, handler ](
            auto&&... args) requires std::invocable<Handler, Receiver*, decltype(args)...> {
            std::invoke(handler, receiver, std::forward<decltype(args)>(args)...);
        };
        return QObject::connect(sender, signal, receiver, guarded(std::move(call)), type);
    } else {
        return QObject::connect(sender, signal, receiver, guarded(std::move(handler)), type);
    }
}

template <class Sender, class Signal, class Handler>
requires(!std::is_member_function_pointer_v<Handler>) QMetaObject::Connection
    connectGuarded(const Sender* sender, Signal signal, Handler handler) {
    return QObject::connect(sender, signal, sender, guarded(std::move(handler)));
}

}  // namespace platform
