#include "platform/ui/GuardedApplication.h"

#include "core/AppError.h"

#include <QDebug>
#include <exception>

namespace platform {

namespace {

std::function<void()>& exceptionHandler() {
    static std::function<void()> handler;
    return handler;
}

void logCurrentException() {
    try {
        throw;
    } catch (const core::AppError& e) {
        qWarning().noquote() << "Errore non gestito:" << e.description();
    } catch (const std::exception& e) {
        qWarning().noquote() << "Errore non gestito:" << e.what();
    } catch (...) {
        qWarning().noquote() << "Errore non gestito";
    }
}

}  // namespace

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void GuardedApplication::setExceptionHandler(std::function<void()> handler) {
    exceptionHandler() = std::move(handler);
}

void GuardedApplication::handleCurrentException() noexcept {
    // The handler shows the error; an error of its own is only logged.
    try {
        if (exceptionHandler())
            exceptionHandler()();
        else
            logCurrentException();
    } catch (...) {
        qWarning().noquote() << "Errore non gestito durante la segnalazione di un errore";
    }
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        handleCurrentException();
        return false;
    }
}

}  // namespace platform
