#pragma once
// Reads a file that a layout or a received document names. Only a regular
// file is read, and only up to a size: a FIFO would block the program for
// ever, a device such as /dev/zero would never end, a folder has nothing to
// read. The check is made on the opened file itself, so that the name
// cannot be swapped for something else between the check and the read.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace platform {

// What a picture or a document read for a layout may weigh at most (64 MB).
inline constexpr qint64 kMaxReadFileBytes = qint64(64) * 1024 * 1024;

enum class ReadRefusal {
    Missing,     // no such file, or it cannot be opened
    NotRegular,  // a FIFO, a device, a socket or a folder
    TooLarge,    // more than the limit
    Reserved,    // one of the program's own files (see ReadFence)
};

// What a reader must never open for a caller that reads on someone else's
// behalf (a layout received from head office names its pictures and pages):
// the program's own files. Looked at on the opened file, where it really
// lies once every link is followed.
struct ReadFence {
    QStringList folders;           // nothing inside these folders, at any depth
    QStringList files;             // these files, under any name (the same file)
    QStringList namePrefixes;      // no file whose name starts so (any case)
    bool refuseDatabases = false;  // no database, journal or log of SQLite
};

struct ReadResult {
    std::optional<QByteArray> data;  // the contents, when read
    ReadRefusal refusal = ReadRefusal::Missing;
    // The reason in Italian ("... non è un file", "... supera i 64 MB").
    QString reason(const QString& shownName) const;
};

// Opens without waiting (a FIFO opens at once and is refused) and reads at
// most maxBytes; with a fence, refuses what lies behind it.
ReadResult readRegularFile(const QString& path, qint64 maxBytes = kMaxReadFileBytes,
                           const ReadFence* fence = nullptr);

}  // namespace platform
