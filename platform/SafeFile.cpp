#include "platform/SafeFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace platform {

QString ReadResult::reason(const QString& shownName) const {
    switch (refusal) {
        case ReadRefusal::NotRegular:
            return QStringLiteral("Impossibile leggere ") + shownName +
                   QStringLiteral(": non è un file (una cartella, un dispositivo o una coda)");
        case ReadRefusal::TooLarge:
            return QStringLiteral("Impossibile leggere ") + shownName +
                   QStringLiteral(": il file supera i %1 MB").arg(kMaxReadFileBytes / (1024 * 1024));
        case ReadRefusal::Missing:
            break;
    }
    return QStringLiteral("File non trovato: ") + shownName;
}

ReadResult readRegularFile(const QString& path, qint64 maxBytes) {
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
