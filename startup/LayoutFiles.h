#pragma once
// What a layout may read. Layouts come from head office (or from whoever
// answers its address) and name the pictures, the background and the HTML
// pages they print; they may read regular files of at most 64 MB, and none
// of the program's own: its configuration folder (the head-office login),
// the password file, the agent's databases and every copy of them (any
// database of SQLite, whatever its name), and the work folders of the
// exchange and of an archive's import.

#include "platform/SafeFile.h"

#include <QString>

namespace startup {

// The files a layout's reader refuses, as they lie now.
platform::ReadFence layoutReadFence();

// Reads a file a layout names: a regular file, at most 64 MB, behind the
// fence above.
platform::ReadResult readLayoutFile(const QString& path);

// The run-time error a refusal reaches the script as: 53 for a missing file,
// 70 (permission denied) for one of the program's own, 75 otherwise.
long layoutReadError(platform::ReadRefusal refusal);

}  // namespace startup
