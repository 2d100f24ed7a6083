#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace platform {

QString ReadResult::reason(const QString& shownName) const {
    switch (refusal) {
        case ReadRefusal::NotRegular:
            return QStringLiteral("Impossibile leggere ") + shownName +
                   QStringLiteral(": non è un file (una cartella, un dispositivo o una coda)");
        case ReadRefusal::TooLarge:
            return QStringLiteral("Impossibile leggere ") + shownName +
                   QStringLiteral(": il file supera i %1 MB").arg(kMaxReadFileBytes / (1024 * 1024));
        case ReadRefusal::Reserved:
            return QStringLiteral("Impossibile leggere ") + shownName +
                   QStringLiteral(
                       ": è un file riservato al programma (configurazione, archivi o copie di "
                       "scambio)");
        case ReadRefusal::Missing:
            break;
    }
    return QStringLiteral("File non trovato: ") + shownName;
}

namespace {

// Where the opened file really lies: the kernel's own name of the open file,
// so that neither a link nor a rename after the opening hides it.
QString realPathOf(int fd, const QString& opened) {
    char buffer[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t n = ::readlink(link.constData(), buffer, sizeof buffer - 1);
    if (n > 0) return QFile::decodeName(QByteArray(buffer, n));
    return QFileInfo(opened).canonicalFilePath();
}

bool sameFile(const struct stat& opened, const QString& other) {
    struct stat st {};
    if (::stat(QFile::encodeName(other).constData(), &st) != 0) return false;
    return st.st_dev == opened.st_dev && st.st_ino == opened.st_ino;
}

bool insideFolder(const QString& real, const QString& folder) {
    QString root = QFileInfo(folder).canonicalFilePath();
    if (root.isEmpty()) root = QDir::cleanPath(QDir(folder).absolutePath());
    if (root.isEmpty()) return false;
    if (real == root) return true;
    if (!root.endsWith(QLatin1Char('/'))) root += QLatin1Char('/');
    return real.startsWith(root);
}

// The first bytes of a database of SQLite, of its rollback journal and of
// its write-ahead log.
bool looksLikeDatabase(int fd) {
    unsigned char head[16] = {};
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    if (n >= 16 && std::memcmp(head, "SQLite format 3", 16) == 0) return true;
    static const unsigned char journal[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};
    if (n >= 8 && std::memcmp(head, journal, 8) == 0) return true;
    return n >= 4 && head[0] == 0x37 && head[1] == 0x7f && head[2] == 0x06 && (head[3] & 0xfe) == 0x82;
}

bool behindFence(int fd, const struct stat& st, const QString& opened, const ReadFence& fence) {
    const QString real = realPathOf(fd, opened);
    for (const QString& folder : fence.folders)
        if (!folder.isEmpty() && (real.isEmpty() || insideFolder(real, folder))) return true;
    for (const QString& file : fence.files)
        if (!file.isEmpty() && sameFile(st, file)) return true;
    const QString name = QFileInfo(real.isEmpty() ? opened : real).fileName();
    for (const QString& prefix : fence.namePrefixes)
        if (!prefix.isEmpty() && name.startsWith(prefix, Qt::CaseInsensitive)) return true;
    return fence.refuseDatabases && looksLikeDatabase(fd);
}

}  // namespace

ReadResult readRegularFile(const QString& path, qint64 maxBytes, const ReadFence* fence) {
    ReadResult result;
    if (path.isEmpty()) return result;
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return result;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return result;
    if (!S_ISREG(st.st_mode)) {
        result.refusal = ReadRefusal::NotRegular;
        return result;
    }
    if (fence && behindFence(fd, st, path, *fence)) {
        result.refusal = ReadRefusal::Reserved;
        return result;
    }
    if (st.st_size > maxBytes) {
        result.refusal = ReadRefusal::TooLarge;
        return result;
    }
    // The file may grow while it is read: one byte past the limit says so.
    QByteArray data;
    data.resize(qsizetype(st.st_size) + 1);
    qsizetype filled = 0;
    for (;;) {
        if (filled == data.size()) {
            if (filled > maxBytes) {
                result.refusal = ReadRefusal::TooLarge;
                return result;
            }
            data.resize(std::min<qsizetype>(qsizetype(maxBytes) + 1, filled * 2 + 4096));
        }
        const ssize_t n = ::read(fd, data.data() + filled, std::size_t(data.size() - filled));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return result;
        if (n == 0) break;
        filled += n;
    }
    if (filled > maxBytes) {
        result.refusal = ReadRefusal::TooLarge;
        return result;
    }
    data.truncate(filled);
    result.data = std::move(data);
    return result;
}

}  // namespace platform
