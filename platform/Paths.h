#pragma once
// Where the program keeps its files. The per-user data folder takes the place
// of the program folder for every file the program writes (error reports,
// exported tables, grid layouts, preview pages, the password file) and is the
// default work folder. Read-only assets installed with the program (branding
// images) come from the assets folder.

#include <QByteArray>
#include <QString>

#include <memory>

class QLockFile;
class QTemporaryDir;

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

// The subfolders of the data folder that hold the work folders of the
// exchange with head office and of an archive's import.
inline constexpr QLatin1String kExchangeWorkFolders("Scambio");
inline constexpr QLatin1String kImportWorkFolders("Importazione");

// A private folder of the program's own for the working copies of one task
// (`purpose` names the subfolder of the data folder that holds them all),
// removed when the object ends. A lock file tells it is in use: a folder
// left by a program that ended without removing it (killed, power cut) is
// removed when the next one of the same purpose is made.
class WorkFolder {
  public:
    explicit WorkFolder(const QString& purpose);
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    bool isValid() const;
    QString path() const;
    QString filePath(const QString& name) const;

  private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QLockFile> lock_;
};

// Writes the whole file at once: the old content stays until the new one is
// complete. On failure returns false and puts an Italian description in *error.
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

}  // namespace platform
