#pragma once
// Small helpers shared by the test folders.

#include <QString>
#include <QTemporaryDir>

class QTimer;

namespace testsupport {

// Root of the source tree.
QString sourceDir();

// Runs the event loop until a one-shot timer that may be running has fired
// and its action has run (at most limitMs), then handles what the action
// posted. Unlike a fixed pause it holds on a loaded machine; a timer still
// running at the limit fails the test.
void waitForTimer(const QTimer& timer, int limitMs = 5000);

}  // namespace testsupport
