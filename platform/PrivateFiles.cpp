#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool makePrivatePath(const QString& dir) {
    if (dir.isEmpty()) return false;
    const QString path = QDir::cleanPath(QDir(dir).absolutePath());
    if (QFileInfo(path).isDir()) return true;
    // The missing folders, from the outermost one.
    QStringList missing;
    for (QString p = path; !p.isEmpty() && !QFileInfo::exists(p); p = QFileInfo(p).absolutePath()) {
        missing.prepend(p);
        if (QFileInfo(p).absolutePath() == p) break;
    }
    for (const QString& p : missing) {
        const QByteArray native = QFile::encodeName(p);
        if (::mkdir(native.constData(), 0700) != 0 && !QFileInfo(p).isDir()) return false;
    }
    return QFileInfo(path).isDir();
}

bool createPrivateFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return QFileInfo::exists(path);
}

void makePrivate(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0 || st.st_uid != ::geteuid()) return;
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return;
    const mode_t mode = st.st_mode & 07777;
    if ((mode & 077) != 0) ::chmod(native.constData(), mode & ~mode_t(077));
}

void makeDatabasePrivate(const QString& file) {
    makePrivate(file);
    for (const char* companion : {"-wal", "-shm", "-journal"}) makePrivate(file + QLatin1String(companion));
}

}  // namespace platform
