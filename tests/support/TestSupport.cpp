#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTimer>

namespace testsupport {

QString sourceDir() {
    const QByteArray env = qgetenv("ZELT_SOURCE_DIR");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    return QStringLiteral(ZELT_SOURCE_DIR_DEFAULT);
}

QString fixturePath(const QString& relative) {
    return QDir(sourceDir()).filePath(QStringLiteral("tests/fixtures/") + relative);
}

void waitForTimer(const QTimer& timer, int limitMs) {
    QTest::qWaitFor([&timer] { return !timer.isActive(); }, limitMs);
    QCoreApplication::processEvents();
}

}  // namespace testsupport
