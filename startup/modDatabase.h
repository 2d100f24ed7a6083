#pragma once
// The agent's database of the run: its password, the program's definition,
// the checks of agent and workstation, the date of last access, and closing
// it. Opening it at start, with its windows, is startup/ui/InitDatabase.h.

#include <QString>

#include <functional>
#include <memory>

namespace datalib {
class itfDefDatabase;
}  // namespace datalib

namespace startup {

// Folder of the first archives inside the installation folder.
inline constexpr const char* kInstallArchiveFolder = "ClientDBs";

// The password of the agent databases (the same for creating and opening).
QString DatabasePassword();

// The program's database definition: set once at start by the program,
// which knows every table class. InitDatabase creates a new one per open.
using DefinitionFactory = std::function<std::unique_ptr<datalib::itfDefDatabase>()>;
void SetDatabaseDefinition(DefinitionFactory factory);
// A new definition from the factory set; null while none is set.
std::unique_ptr<datalib::itfDefDatabase> NewDatabaseDefinition();

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
