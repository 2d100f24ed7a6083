#include "platform/Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {

namespace {

QString& dataOverride() {
    static QString dir;
    return dir;
}

QString& assetsOverride() {
    static QString dir;
    return dir;
}

}  // namespace

QString dataDir() {
    QString dir = dataOverride();
    if (dir.isEmpty())
        dir = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
              QStringLiteral("/Zelt Order");
    QDir().mkpath(dir);
    return dir;
}

QString assetsDir() {
    if (!assetsOverride().isEmpty()) return assetsOverride();
    // Installed layout: <prefix>/bin/zeltorder and <prefix>/share/zeltorder.
    const QString appDir = QCoreApplication::applicationDirPath();
    const QString installed = QDir(appDir).absoluteFilePath(QStringLiteral("../share/zeltorder"));
    if (QFileInfo(installed).isDir()) return QDir::cleanPath(installed);
    return appDir;
}

QString dataFile(const QString& name) { return QDir(dataDir()).filePath(name); }

void setDataDirOverride(const QString& dir) { dataOverride() = dir; }

void setAssetsDirOverride(const QString& dir) { assetsOverride() = dir; }

bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error) {
    QSaveFile file(path);
    const auto fail = [&](const QString& what) {
        if (error)
            *error = QStringLiteral("Impossibile scrivere il file \"%1\": %2")
                         .arg(QDir::toNativeSeparators(path), what);
        return false;
    };
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    if (file.write(data) != data.size()) {
        const QString why = file.errorString();
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

}  // namespace platform
