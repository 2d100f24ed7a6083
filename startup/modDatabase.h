#pragma once
// Opening and closing the agent's database: finding or preparing the file,
// opening it through the data library with the program's definition, the
// checks of agent and workstation, the date of last access; and the first
// archive of a new installation, copied from the installation folder.

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace datalib {
class itfDefDatabase;
class itfNotifyEvent;
}  // namespace datalib

namespace startup {

class frmSplashCustom;

// Folder of the first archives inside the installation folder.
inline constexpr const char* kInstallArchiveFolder = "ClientDBs";

// The password of the agent databases (the same for creating and opening).
QString DatabasePassword();

// The program's database definition: set once at start by the program,
// which knows every table class. InitDatabase creates a new one per open.
using DefinitionFactory = std::function<std::unique_ptr<datalib::itfDefDatabase>()>;
void SetDatabaseDefinition(DefinitionFactory factory);

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

// Closes the engine and forgets the database (the database part of the main
// window's ReleaseDatabase).
void ReleaseEngine();

// The checks of an open database against the configured agent and workstation:
// a database of another agent asks before it is taken over ("Operazione
// annullata." when refused), a missing Agenti row fails, and the workstation
// is registered under the agent once. Raises on failure.
void CheckAgentAndWorkstation(const QString& agent, int workstation);

// Stamps today as DataUltimoAccesso unless the stored date is later than
// today (a clock set back never moves it back).
void UpdateDataUltimoAccesso();

}  // namespace startup
