#pragma once
// Where the program keeps its files. The per-user data folder takes the place
// of the program folder for every file the program writes (error reports,
// exported tables, grid layouts, preview pages, the password file) and is the
// default work folder. Read-only assets installed with the program (branding
// images) come from the assets folder.

#include <QByteArray>
#include <QString>

namespace platform {

// The per-user data folder ("Zelt Order" under the user's data location),
// created when missing.
QString dataDir();
// The read-only assets folder of the installation.
QString assetsDir();
// A file name inside the data folder.
QString dataFile(const QString& name);

// Tests point these at folders of their own; an empty text restores the default.
void setDataDirOverride(const QString& dir);
void setAssetsDirOverride(const QString& dir);

// Writes the whole file at once: the old content stays until the new one is
// complete. On failure returns false and puts an Italian description in *error.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

}  // namespace platform
