#pragma once
// Showing an error to the operator: a message with the error's text and the
// question "Visualizzare dettagli ?"; Yes opens the details window, which the
// windows install at start (startup/ui/ErrorWindow.h).

#include "core/AppError.h"

#include <QString>
#include <functional>

namespace startup {

// The code text of the details window: the application number for errors of
// the object-error range ("32755 (7FF3)"), else the number itself ("5 (5)").
QString ErrorCodeText(long number);
// The details text: "CODICE: ", the number and its hexadecimal form, a CR and
// the description.
QString ErrorDetailsText(long number, const QString& description);
// The text of the box ShowError shows (without the question).
QString ErrorBoxText(const core::AppError& error, const QString& message);

// Shows the error with the message (the error's description when the message
// is empty). Errors the program raised itself (generic number 32755, and the
// data library's 124) always show their own description.
void ShowError(const core::AppError& error, const QString& message = QString());
// Shows the exception being handled; call it inside a catch block. Outside
// one there is no error to show: it is the no-error form below.
void ShowError(const QString& message = QString());
// The no-error form, for a message that is no error (a table class's notice
// of a clash): the message alone with OK and the exclamation icon, no
// details to ask for.
void ShowErrorMessage(const QString& message);

// The details window: it receives the code text and the details text.
using ErrorDetailsViewer = std::function<void(const QString& code, const QString& details)>;
void SetErrorDetailsViewer(ErrorDetailsViewer viewer);

// The error that a non-AppError exception stands for (also the one being
// handled, when called inside a catch block without an argument).
core::AppError CurrentError();

}  // namespace startup
