#pragma once
// Errors shown over a window: the message and question of ShowError belong to
// the given window, and Yes opens the details window (frmShowException) there.

#include "core/AppError.h"
#include "startup/ShowError.h"

#include <QString>

class QWidget;

namespace startup {

// Makes frmShowException the details window of ShowError, and ShowError the
// handler of the errors no window trapped (the program's start).
void InstallErrorWindow();

void ShowError(const core::AppError& error, const QString& message, QWidget* parent);
// Shows the exception being handled over the window; call it inside a catch block.
void ShowError(const QString& message, QWidget* parent);

}  // namespace startup
