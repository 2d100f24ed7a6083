#include "TestSupport.h"

#include <QDir>

namespace testsupport {

QString sourceDir() {
    const QByteArray env = qgetenv("ZELT_SOURCE_DIR");
    if (!env.isEmpty()) return QString::fromLocal8Bit(env);
    return QStringLiteral(ZELT_SOURCE_DIR_DEFAULT);
}

QString fixturePath(const QString& relative) {
    return QDir(sourceDir()).filePath(QStringLiteral("tests/fixtures/") + relative);
}

}  // namespace testsupport
