#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

namespace testsupport {

QString sourceDir() {
    const QByteArray env = qgetenv("ZELT_SOURCE_DIR");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    return QStringLiteral(ZELT_SOURCE_DIR_DEFAULT);
}

void waitForTimer(const QTimer& timer, int limitMs) {
    // A timer still running at the limit fails the test: the checks after the
    // wait would otherwise look at a state its action never made.
    if (!QTest::qWaitFor([&timer] { return !timer.isActive(); }, limitMs))
        ADD_FAILURE() << "the timer has not fired within " << limitMs << " ms";
    QCoreApplication::processEvents();
}

}  // namespace testsupport
