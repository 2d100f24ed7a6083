#pragma once
// Whether a database file can be used as the program uses it: read and
// written, with its log files beside it.

#include <QString>

namespace datalib {

// Raises the library's ReadOnly error, with its own Italian message, when the
// file or its folder is write-protected (no write permission in its mode, or
// none for this user). SQLite would otherwise open the file for reading only
// and leave its "-wal" and "-shm" files behind.
void RefuseReadOnlyFile(const QString& path);

}  // namespace datalib
