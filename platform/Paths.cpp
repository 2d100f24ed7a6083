#include "platform/Paths.h"

#include "platform/PrivateFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTemporaryDir>

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
    makePrivatePath(dir);
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

namespace {

const QString kInUse = QStringLiteral("in-uso.lock");

// Removes the folders of `parent` that no living program holds.
void removeLeftovers(const QString& parent) {
    const QFileInfoList folders = QDir(parent).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& folder : folders) {
        const QString lockFile = QDir(folder.absoluteFilePath()).filePath(kInUse);
        // A folder just made, whose owner has not locked it yet.
        if (!QFileInfo::exists(lockFile) && folder.lastModified().secsTo(QDateTime::currentDateTime()) < 60)
            continue;
        QLockFile lock(lockFile);
        // Only a dead owner makes a lock stale, never its age.
        lock.setStaleLockTime(0);
        if (!lock.tryLock(0)) continue;
        lock.unlock();
        QDir(folder.absoluteFilePath()).removeRecursively();
    }
}

}  // namespace

WorkFolder::WorkFolder(const QString& purpose) {
    const QString parent = QDir(dataDir()).filePath(purpose);
    QDir().mkpath(parent);
    removeLeftovers(parent);
    dir_ = std::make_unique<QTemporaryDir>(QDir(parent).filePath(QStringLiteral("XXXXXX")));
    if (!dir_->isValid()) return;
    lock_ = std::make_unique<QLockFile>(dir_->filePath(kInUse));
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) lock_.reset();
}

WorkFolder::~WorkFolder() {
    if (lock_) lock_->unlock();
    lock_.reset();
    dir_.reset();
}

bool WorkFolder::isValid() const { return dir_ && dir_->isValid() && lock_; }

QString WorkFolder::path() const { return dir_ ? dir_->path() : QString(); }

QString WorkFolder::filePath(const QString& name) const { return dir_ ? dir_->filePath(name) : QString(); }

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
