#include "platform/SettingsStore.h"

#include "platform/PrivateFiles.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace platform {

namespace {

QString& rootOverride() {
    static QString dir;
    return dir;
}

// Slashes would make QSettings nest groups; keep section and key names flat.
QString flat(QString name) {
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.replace(QLatin1Char('\\'), QLatin1Char('_'));
    return name;
}

QString keyPath(const QString& section, const QString& key) {
    return flat(section) + QLatin1Char('/') + flat(key);
}

// File names may not hold path separators either.
QString fileNameOf(const QString& application) {
    QString name = flat(application.trimmed());
    if (name.isEmpty()) name = appName();
    return name + QStringLiteral(".ini");
}

}  // namespace

QString SettingsStore::rootDir() {
    if (!rootOverride().isEmpty()) return rootOverride();
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Zelt Order");
}

void SettingsStore::setRootDir(const QString& dir) { rootOverride() = dir; }

QString SettingsStore::fileFor(const QString& application) {
    return QDir(rootDir()).filePath(fileNameOf(application));
}

QString SettingsStore::get(const QString& application, const QString& section, const QString& key,
                           const QString& defaultValue) {
    QSettings s(fileFor(application), QSettings::IniFormat);
    const QVariant v = s.value(keyPath(section, key));
    if (!v.isValid()) return defaultValue;
    // A value written by hand without quotes ("9600,n,8,1") comes back as a list.
    if (v.userType() == QMetaType::QStringList) return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

bool SettingsStore::save(const QString& application, const QString& section, const QString& key,
                         const QString& value) {
    // The settings hold the agent's login: folder and files are the user's alone.
    makePrivatePath(rootDir());
    makePrivate(rootDir());
    const QString file = fileFor(application);
    createPrivateFile(file);
    makePrivate(file);
    QSettings s(file, QSettings::IniFormat);
    s.setValue(keyPath(section, key), value);
    s.sync();
    makePrivate(file);
    return s.status() == QSettings::NoError;
}

bool SettingsStore::remove(const QString& application, const QString& section, const QString& key) {
    QSettings s(fileFor(application), QSettings::IniFormat);
    s.remove(key.isEmpty() ? flat(section) : keyPath(section, key));
    s.sync();
    return s.status() == QSettings::NoError;
}

}  // namespace platform
