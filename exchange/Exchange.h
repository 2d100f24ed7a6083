#pragma once
// The exchange with head office: receiving its data into the agent's
// database, sending the completed orders (complement articles split off
// into orders of their own), and the connection to head office's copy of the
// agent's database that both work on.
//
// These routines run on the user-interface thread; they report through an
// ExchangeProgress (the progress windows) and ask through the prompt.

#include "datalib/Interfaces.h"
#include "datalib/RemoteConnector.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace platform {
class Transfer;
}
namespace datalib {
class Database;
class DataSource;
class Engine;
}  // namespace datalib

namespace exchange {

// The tables received from head office, in the order they are copied.
inline constexpr const char* kExchangeTables =
    "Utenti,TabProspettiStampa,TabStampaEtichette,Fornitori,Listini,Articoli,Kit,Promozioni,Agenti,"
    "ListiniArticoli,Clienti,Ordini,ProvvigioniAgenti,ObiettiviAgenti";

// What the exchange needs of a progress window: the message with its phase,
// the bar and the stop flag, and the data library's progress sink.
class ExchangeProgress : public datalib::itfProgress {
  public:
    virtual void ShowMsg(const QString& message, int phase) = 0;
    virtual void StartProgress(long maximum, bool showStop) = 0;
    // One step (value 0) or a position; false once the operator stopped.
    virtual bool Progress(long value = 0, bool stopButtonOnly = false) = 0;
    virtual void EndProgress() = 0;
    virtual bool Stopped() const = 0;
    // Closes the window (also when it is already closed).
    virtual void Unload() = 0;
};

// The local side of an exchange: the agent's open database and the run's
// values. Defaults: the run context's database, agent and address.
struct ExchangeContext {
    std::shared_ptr<datalib::Database> local;
    QString agent;
    QString configuredUrl;  // the fallback when OnLineServicesURL is empty
    QString password;       // of the agent's databases
    datalib::RemoteConnector::Settings settings;
    // Time-out of one transfer, in milliseconds.
    int transferTimeoutMs = 60000;
    static ExchangeContext ofRun();
};

// True while an order is being written or edited: its transaction is open
// on the agent's database, and its rollback would undo an exchange. The
// program adds the test of the order window (open); the transaction is
// always looked at.
using OrderOpenTest = std::function<bool()>;
void SetOrderOpenTest(OrderOpenTest test);
bool IsOrderOpen(const ExchangeContext& ctx);
// Refuses, with a message, while an order is open; true when refused.
bool RefuseWhileOrderOpen(const ExchangeContext& ctx);

// An open connection to head office's copy of the agent's database.
struct RemoteDatabase {
    std::unique_ptr<datalib::RemoteConnector> connector;  // null on the local-file path
    std::unique_ptr<datalib::Engine> engine;              // the local-file path's own engine
    std::shared_ptr<datalib::Database> db;
    ~RemoteDatabase();
    void close();
};

// Opens head office's copy (with a transfer) or, without one, the agent's
// local file a second time. Returns null when the address is not configured
// or the operator declined to go on with a changed structure (the progress
// window is then unloaded and the operator told). Failures raise the
// generic error with the connector's description.
std::unique_ptr<RemoteDatabase> ConnectRemoteDatabase(const ExchangeContext& ctx, const QString& tables,
                                                      bool forSending, platform::Transfer* transfer,
                                                      ExchangeProgress& progress);

// Receives head office's data (every row when receiveAll, else the rows
// changed since the last receive); true when complete. keepWindow leaves
// the progress window open with a final message.
bool ReceiveUpdates(const ExchangeContext& ctx, platform::Transfer* transfer, ExchangeProgress& progress,
                    bool receiveAll, bool keepWindow);

// The keys (as text) of the orders the operator chose; none: all orders.
using OrderSelection = std::optional<QStringList>;

// Sends the completed unsent orders of the selection; true when done.
bool SendOrders(const ExchangeContext& ctx, platform::Transfer* transfer, ExchangeProgress& progress,
                bool keepWindow, OrderSelection& selection);

// Prepares the order `order` stands on: moves its complement articles into
// a new order (added to the selection when there is one) and locks both.
// True when a complement order was made.
bool SplitComplementsOrder(datalib::DataSource& order, OrderSelection* selection);

// The orders that the send offers: completed and not sent, by entry date.
std::shared_ptr<datalib::DataSource> OrdersToSend(datalib::Database& local);

}  // namespace exchange
