#include "startup/ui/ErrorWindow.h"

#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/ui/frmShowException.h"

namespace startup {

void InstallErrorWindow() {
    SetErrorDetailsViewer([](const QString& code, const QString& details) {
        frmShowException window(platform::BoxOwner::current());
        window.SetException(code, details);
        window.exec();
    });
    // An error that no window trapped is shown over the active window, and
    // the program goes on; a refusal was shown when it was raised.
    platform::GuardedApplication::setExceptionHandler([] {
        const core::AppError error = CurrentError();
        if (error.cancelled()) return;
        ShowError(error, QString(), nullptr);
    });
}

void ShowError(const core::AppError& error, const QString& message, QWidget* parent) {
    platform::BoxOwner owner(parent);
    ShowError(error, message);
}

void ShowError(const QString& message, QWidget* parent) {
    platform::BoxOwner owner(parent);
    ShowError(message);
}

}  // namespace startup
