#include "datalib/FileAccess.h"

#include "datalib/Errors.h"

#include <QDir>
#include <QFileInfo>

namespace datalib {

namespace {
// The mode's write bits count even for the administrator, who could write
// anyway: a protected file or folder is one the agent meant to protect.
bool writable(const QFileInfo& info) {
    const auto anyWrite = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    return (info.permissions() & anyWrite) && info.isWritable();
}
}  // namespace

void RefuseReadOnlyFile(const QString& path) {
    const QFileInfo file(path);
    if (!writable(file))
        throw errors::make(
            errors::ReadOnly,
            QStringLiteral("Il database \"%1\" è in sola lettura: per lavorare il programma deve "
                           "poterlo modificare. Togliere la protezione da scrittura al file e "
                           "riprovare.")
                .arg(QDir::toNativeSeparators(path)));
    const QFileInfo folder(file.absolutePath());
    if (!writable(folder))
        throw errors::make(
            errors::ReadOnly,
            QStringLiteral("La cartella \"%1\" del database è in sola lettura: il programma vi deve "
                           "scrivere i file di appoggio del database. Togliere la protezione da "
                           "scrittura alla cartella e riprovare.")
                .arg(QDir::toNativeSeparators(folder.absoluteFilePath())));
}

}  // namespace datalib
