#pragma once
// The per-user settings store, addressed by application, section and key.
// Each application name has one INI file of its own under the settings folder;
// values are text, read with a default.

#include <QString>

namespace platform {

// Application name under which the program keeps its settings.
inline const QString& appName() {
    static const QString name = QStringLiteral("Zelt Order");
    return name;
}

class SettingsStore {
  public:
    // The value stored under (application, section, key), or defaultValue when
    // there is none.
    static QString get(const QString& application, const QString& section, const QString& key,
                       const QString& defaultValue = QString());
    // Stores the value as text. False when the file could not be written.
    static bool save(const QString& application, const QString& section, const QString& key,
                     const QString& value);
    // Removes one key, or the whole section when key is empty.
    static bool remove(const QString& application, const QString& section, const QString& key = QString());

    // The INI file of an application.
    static QString fileFor(const QString& application);

    // The folder of the INI files: the per-user configuration folder, or the
    // folder set here (tests). An empty folder restores the default.
    static QString rootDir();
    static void setRootDir(const QString& dir);
};

}  // namespace platform
