#pragma once
// The run's configuration: read from the settings store at start, written
// back by the options and by the first run; the branding kept in the agent's
// database; the caption of the main window.

#include <QString>

namespace datalib {
class Database;
}

namespace startup {

// Settings sections of the configuration and of the main window's placement.
inline constexpr const char* kConfigurationSection = "Configuration";
inline constexpr const char* kSettingsSection = "Settings";

// Fills the configuration values (runContext()) from the settings store. Every
// key has a default; nothing is reported. The card-device settings are read
// by the caller right after.
void ReadConfiguration();
// Writes the configuration values back and tells the data library where the
// documents folder is (the work folder's "Docs"). False when the settings
// could not be written.
bool SaveConfiguration();

// Reads the branding parameters of the open database into runContext() and the
// message-box title, with the defaults of the installation: the images that
// do not exist give empty paths, a blank software name gives "Zelt Order".
// Never fails: a parameter that cannot be read keeps its default.
void ReadBrandingParameters(datalib::Database& db);

// The main window's caption: the software name with the agent code, and in
// the long form the date of the last data update and the program version.
// dataAggiornamento is the database parameter DataAggiornamentoDatabase.
QString AppTitleText(bool bShort, const QString& dataAggiornamento = QString());

// "Version " and the program's major, minor and revision numbers (1.5.14 for
// the version 1.5.0.14), as the splash and the about window show it.
QString ProgramVersionText();
// The program's major, minor and revision numbers joined by ".".
QString ProgramVersionNumbers();

}  // namespace startup
