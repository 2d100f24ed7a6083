#pragma once
// Opening the agent's database at start: finding or preparing the file,
// opening it through the data library with the program's definition under
// the splash or the message window; and the first archive of a new
// installation, copied from the installation folder.

#include "startup/modDatabase.h"

#include <QString>
#include <functional>

class QWidget;

namespace datalib {
class itfNotifyEvent;
}  // namespace datalib

namespace startup {

class frmSplashCustom;

// What a new installation is told in its first-run window.
struct FirstRunValues {
    QString agent;          // agent code
    int workstation = 0;    // 0 to 15
    QString installFolder;  // holds "ClientDBs"
    QString onLineServicesURL;
};

// What InitDatabase needs of the main window.
class DatabaseHost {
  public:
    virtual ~DatabaseHost() = default;
    // Parent of the message window and of the boxes.
    virtual QWidget* hostWindow() = 0;
    // Notification sink handed to the data library.
    virtual datalib::itfNotifyEvent* notifySink() = 0;
    // The main window's ReleaseDatabase: detaches its views, then the engine.
    virtual void releaseDatabase() = 0;
    // Shows the options window modally; true when the operator confirmed it.
    virtual bool showOptionsModal() = 0;
    // Asks the first-run values of a new installation; false when cancelled.
    virtual bool askFirstRunValues(FirstRunValues& values) = 0;
    // Ends the program (the archive could not be prepared).
    virtual void endProgram() = 0;
};

// Receives every table from head office into the open database (the
// exchange provides it); true on success. While none is set, a new
// installation can only copy its archive from the installation folder.
using ArchiveReceiver = std::function<bool(QWidget* parent, const QString& agent)>;
void SetArchiveReceiver(ArchiveReceiver receiver);

// Opens the database file of strAgent (see the steps in the source). At start
// strAgent is the configured agent code itself: a new installation sets it. With a
// splash window the splash shows the branding and stays at least 3 seconds;
// without one the message window shows "Inizializzazione del database...".
// Unless bNoChecks, the database's agent and workstation are checked and the
// workstation registered. On failure the error is shown ("Inizializzazione
// database fallita: "), nothing stays open and the result is false.
bool InitDatabase(QString& strAgent, frmSplashCustom* objSplash, bool bNoChecks, DatabaseHost& host);

// Prepares the first archive of a new installation from the values of the
// first-run window: copies it from the installation folder when the agent's
// file is missing (through a temporary name, so that a failed copy leaves
// nothing behind), or else downloads it from head office when the exchange
// offers it (a failed download removes the file). True when the agent's file
// exists at the end.
bool PrepareLocalArchive(QWidget* frmParent, const FirstRunValues& values, DatabaseHost& host);

// Copies the installation archive of the agent to its database file in the
// work folder: to a temporary name first, renamed when complete, removed on
// failure or stop. Progress and stop through the message window when shown.
// On failure returns false with the reason in *error.
bool CopyInstallationArchive(const QString& source, const QString& target, QString* error);

}  // namespace startup
