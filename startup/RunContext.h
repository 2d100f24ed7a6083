#pragma once
// The run context: who works (agent, workstation, signed-in operator), where
// (the work folder), on what (the open agent database) and the configuration
// values of the run. They are read from the settings store at start and from
// the database once it is open. The engine owns the one instance; the windows
// read and set it, the rules read it. The software name, title of every
// message, lives with the prompt (core::softwareName).

#include "core/Variant.h"

#include <QDate>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace datalib {
class Database;
class Engine;
}  // namespace datalib

namespace startup {

// The operator signed in (name and the OID of the Utenti row); empty before
// the first sign-in. The access level is that of the last sign-in: it holds
// while the database is released (a repair, a new work folder) until the
// next sign-in.
struct SignedOperator {
    QString name;
    core::Variant oid;
    std::optional<int> accessLevel;
};

struct RunContext {
    QString rootDir;                  // work folder; default the data folder
    QString codeAgente;               // agent code; empty on head office's own copy
    std::int16_t codePostazione = 0;  // workstation number, 0 to 15
    QString defaultCodiceIva = QStringLiteral("IVA20");
    double valoreArrotondamento = 0;
    double arrotondaInEccesso = -1;  // -1 true, 0 false
    QString registerName;
    QString startImagePath;
    QString logoImagePath;
    QString backgroungImagePath;
    QString onLineServicesURL;
    QString baseDescription = QStringLiteral("BASE");
    QString fontName;  // common font of the windows
    std::int16_t fontSizeDelta = 0;
    bool optionsOpen = false;  // the options window is loaded
    QDate today;               // set by the main window's load
    // The open agent database: the engine first, then the Database over it.
    // Both are set by InitDatabase and cleared by ReleaseDatabase.
    std::shared_ptr<datalib::Engine> engine;
    std::shared_ptr<datalib::Database> database;
    // Address that the error window sends error reports to.
    QString supportAddress = QStringLiteral("assistenza@zeltorder.example");
    SignedOperator signedOperator;
    // The order window holds an order, and the engine transaction it keeps
    // open until the order is confirmed or cancelled.
    bool orderOpen = false;
};

// The one instance of the run. The work folder starts as the data folder.
RunContext& runContext();
// The signed-in operator of the run (runContext().signedOperator).
SignedOperator& signedOperator();
// True while the order window holds an order in its open transaction: what
// would write the agent's database as a whole (receiving, sending, importing)
// waits until it is closed. Only the order window sets it.
bool IsOrderOpen();
void SetOrderOpen(bool open);

}  // namespace startup
