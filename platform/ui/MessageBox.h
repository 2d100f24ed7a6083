#pragma once
// The message boxes of the windows: the engine's prompt (core/Prompt.h) shown
// as modal boxes, and the calls windows use to show one over themselves.
// Every box is titled with the software name unless the caller gives a title;
// texts may break lines with CR, CR LF or LF. A scripted prompt of the tests
// answers these boxes too.

#include "core/Prompt.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <optional>

namespace platform {

using core::displayText;
using core::kAbortRetryIgnore;
using core::kAnswerAbort;
using core::kAnswerCancel;
using core::kAnswerIgnore;
using core::kAnswerNo;
using core::kAnswerOk;
using core::kAnswerRetry;
using core::kAnswerYes;
using core::kCritical;
using core::kDefaultButton1;
using core::kDefaultButton2;
using core::kDefaultButton3;
using core::kExclamation;
using core::kInformation;
using core::kOkCancel;
using core::kOkOnly;
using core::kQuestion;
using core::kRetryCancel;
using core::kYesNo;
using core::kYesNoCancel;
using core::ScriptedBoxes;
using core::setSoftwareName;
using core::softwareName;

// A box belongs to the window the user works in: the modal window when one
// is up, else the active window; after the answer that window is active again.
// While a BoxOwner lives, its window is the owner where no window is active
// or where it stands over the active one (shown and not yet activated).
class BoxOwner {
  public:
    explicit BoxOwner(QWidget* owner);
    ~BoxOwner();
    BoxOwner(const BoxOwner&) = delete;
    BoxOwner& operator=(const BoxOwner&) = delete;
    // The window a box shown now belongs to (as above).
    static QWidget* current();

  private:
    QPointer<QWidget> saved_;
};

// Makes the message boxes the engine's prompt (the program's start).
void installMessageBoxes();

// Shows a modal box over the parent's window (the active window when none)
// and returns the answer (one of kAnswer*). An empty title means the software
// name. Closing the box with Esc or its close button gives Cancel when the box
// has a Cancel button, else No for Yes/No boxes, else OK.
int messageBox(const QString& text, int style = kOkOnly, const QString& title = QString(),
               QWidget* parent = nullptr);

// Asks for one line of text. Returns the text, or nothing when cancelled.
std::optional<QString> inputBox(const QString& prompt, const QString& title = QString(),
                                const QString& defaultText = QString(), QWidget* parent = nullptr);

}  // namespace platform
