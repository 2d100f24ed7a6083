#pragma once
// What the sign-in, options and branding windows need of the main window and
// of the open database: the main window sets these at start; until then (and
// in the tests) the defaults below serve.
// The signed-in operator is part of the run context (startup/RunContext.h).

#include "startup/RunContext.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

namespace datalib {
class Database;
class Engine;
}  // namespace datalib

namespace startup {

// The access level of the administrator, the only one the windows test.
inline constexpr int kAdministratorLevel = 1;

struct MainWindowLink {
    // The main window (owner of the windows it opens); may be none.
    QPointer<QWidget> window;
    // The open database and its engine; null while none is open.
    // Default: the run's runContext().database and runContext().engine.
    std::function<std::shared_ptr<datalib::Database>()> database;
    std::function<datalib::Engine*()> engine;
    // The main window's caption, short or long form.
    std::function<void(bool shortForm)> setAppTitle;
    // Releases the database (the main window reopens it on its next
    // activation). Default: ReleaseEngine().
    std::function<void()> releaseDatabase;
    // Writes the run's configuration to the settings store. Default:
    // SaveConfiguration().
    std::function<void()> saveConfiguration;
    // The password the agent's database is opened with at start. Default:
    // DatabasePassword().
    std::function<QString()> databasePassword;
    // Closes the other windows of the program (not the main window, not
    // `except`) through their own close path, last opened first. False as
    // soon as one refuses. Default: every visible top-level window.
    std::function<bool(QWidget* except)> closeOtherWindows;
    // Ends the program: closes every window, the main window last; stops
    // when one refuses. Default: closes the windows and quits the event loop.
    std::function<void()> endProgram;
    // Brings the window of the open order to the front, for the refusals
    // that name it. Default: nothing.
    std::function<void()> showOpenOrder;
};

MainWindowLink& mainWindowLink();

// The open database (state open), or null.
std::shared_ptr<datalib::Database> OpenDatabase();
// The signed-in operator's access level: the open database's; while none is
// open, that of the operator who signed in last, 0 before any sign-in.
int CurrentAccessLevel();

// The calls above with their defaults.
datalib::Engine* CurrentEngine();
QString StartupDatabasePassword();
void SaveConfigurationOfRun();
bool CloseOtherWindows(QWidget* except);
void ReleaseDatabaseOfMainWindow();
void EndProgram();

}  // namespace startup
