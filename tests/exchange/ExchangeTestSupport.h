#pragma once
// The exchange's tests: a private head-office server (Apache with WebDAV)
// serving the demo agent's archive, the agent's own database, scripted
// answers to the messages and a progress recorder that can stop.

#include "core/Prompt.h"
#include "datalib/Database.h"
#include "exchange/Exchange.h"
#include "platform/Transfer.h"
#include "support/AgentDatabase.h"
#include "tools/headoffice/CuttingProxy.h"
#include "tools/headoffice/HeadOfficeServer.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace exchangetest {

inline constexpr const char* kAgent = "DEMO";
inline constexpr const char* kArchive = "OrdiniAgente_DEMO";

// Records what the exchange shows; stops after a given number of steps.
struct RecordingProgress : exchange::ExchangeProgress {
    QStringList messages;
    std::vector<int> phases;
    long steps = 0;
    long stopAtStep = -1;  // the operator stops at this step
    bool stopped = false;
    bool unloaded = false;
    int starts = 0;
    int ends = 0;
    std::function<void(long step)> onStep;

    void ShowMsg(const QString& message, int phase) override {
        messages << message;
        phases.push_back(phase);
    }
    void StartProgress(long, bool) override { ++starts; }
    bool Progress(long = 0, bool stopButtonOnly = false) override {
        if (stopButtonOnly) return !stopped;
        ++steps;
        if (onStep) onStep(steps);
        if (stopAtStep >= 0 && steps >= stopAtStep) stopped = true;
        return !stopped;
    }
    void EndProgress() override { ++ends; }
    bool Stopped() const override { return stopped; }
    void Unload() override { unloaded = true; }
    void OnProgress(long p, bool& goOn) override { goOn = Progress(p); }
    void OnStopped(bool& s) override { s = stopped; }
    void OnStart(long t, bool s) override { StartProgress(t, s); }
    void OnEnd() override { EndProgress(); }
};

// The demo agent's archive as head office delivers it (built once).
QString DemoArchive();

// Runs statements on a closed database file with SQLite alone.
void RawExec(const QString& file, const QString& sql);

// The numbers of the orders waiting to be sent (completed, not sent), and
// of those marked sent, in order.
QStringList UnsentOrders(datalib::Database& db);
QStringList SentOrders(datalib::Database& db);
// The codes of a table's rows, in order.
QStringList Codes(datalib::Database& db, const QString& table, const QString& filter);

// An order as the agent sees it: number, customer, entry date, sent flag,
// total and its rows; empty when there is none of that number.
QString OrderState(datalib::Database& db, const QString& number);
// An order written and confirmed at a workstation, numbered by its rules:
// its number.
QString WriteOrder(datalib::Database& db, const QString& customer, const QString& article, double qty);

// A workstation's send in a process of its own (the test
// SecondWorkstation.Sends of this binary): every waiting order of the
// database `file` goes to head office at `url`.
class SendingWorkstation {
  public:
    SendingWorkstation(const QString& url, const QString& file);
    // Waits for it; fails the test unless it sent and said so.
    void finish();

  private:
    QProcess child_;
};

// Opens a database file of the program (the agent's password).
struct OpenFile {
    explicit OpenFile(const QString& file, bool create = false);
    ~OpenFile();
    testsupport::AgentDatabase data;
    std::shared_ptr<datalib::Database> db;
};

class HeadOfficeTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // The agent's database: a copy of the demo archive, or a new empty one.
    void openLocal(bool demoCopy = true);
    void closeLocal();
    // Both again as they start: the agent's database and head office's
    // archive copies of the demo archive.
    void startAfresh();
    exchange::ExchangeContext context() const;
    // The context of another workstation's database.
    exchange::ExchangeContext contextOf(datalib::Database& db) const;
    // Head office publishes its copy: every order in the next update version.
    void publish();
    // Head office's archive changed in place, as head office would.
    void editHeadOffice(const std::function<void(datalib::Database&)>& edit);
    long headCount(const QString& table, const QString& filter = {});
    long localCount(const QString& table, const QString& filter = {});
    QByteArray headBytes() const { return server.fileBytes(QLatin1String(kArchive)); }
    // What the exchange left in its working folder.
    QStringList leftInWorkFolder() const;
    // The rows of a table as text, for comparing two databases.
    static QStringList dump(datalib::Database& db, const QString& table, const QString& sort);
    // Each of the numbers once at head office, marked sent there, with the
    // rows it has in `db` (the agent's database when none is given).
    void expectAtHeadOfficeOnce(const QStringList& numbers, datalib::Database* db = nullptr);
    // The files of the agent's folder at head office beside the archive.
    QStringList besideTheArchive() const;
    // Makes a file at head office last changed `seconds` ago.
    void ageAtHeadOffice(const QString& name, int seconds);
    // Lets the event loop run for `ms` (requests sent without waiting go).
    static void runEvents(int ms);

    headoffice::HeadOfficeServer server;
    QTemporaryDir dir;
    QString dataDir;  // the program's data folder for the test
    QString localFile;
    std::unique_ptr<OpenFile> local;
    core::ScriptedBoxes boxes;
    platform::Transfer transfer;
    RecordingProgress progress;
    QString previousAgent;
    QString previousSettings;
    QString url;  // head office's address
};

// Head office reached through the cutting proxy, which plays the network
// and its intermediaries.
class ProxiedHeadOfficeTest : public HeadOfficeTest {
  protected:
    void SetUp() override;
    void TearDown() override;
    // A new proxy in front of head office (rules of the old one gone).
    void newProxy();
    std::unique_ptr<headoffice::CuttingProxy> proxy;
};

}  // namespace exchangetest
