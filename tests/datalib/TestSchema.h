#pragma once
// A small test-only database definition: a code table with a protected empty
// row and a value list, articles with a reference, orders with a collection
// of rows, and order rows based on the articles. Every table class records the
// hooks it receives; a test can give any hook a behaviour of its own.

#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Engine.h"
#include "datalib/Interfaces.h"

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>

namespace dltest {

using datalib::DataSource;

struct Log {
    QStringList events;
    void add(const QString& e) { events << e; }
    void clear() { events.clear(); }
};

// Behaviours by hook name ("OnUpdateField", ...); called after the event is logged.
using Behaviour = std::function<void(DataSource& ds, const QString& name, DataSource* other)>;

class TestTable : public datalib::itfDefTable, public datalib::itfSetData {
  public:
    TestTable(QString name, Log& log) : name_(std::move(name)), log_(log) {}

    QString TableName() const override { return name_; }
    void DefineIdentity(datalib::TableIdentity& id) override { identity(id); }
    void DefineStructure(datalib::ColumnCollection& c, datalib::KeyCollection& k,
                         datalib::ReferenceCollection& r) override {
        structure(c, k, r);
    }
    void DefineDefaultData(datalib::itfSetData*& sink) override { sink = this; }

    void OnUpdatedTableStruct(DataSource& ds, double cur, double prev, bool& created) override {
        log_.add(QStringLiteral("%1.OnUpdatedTableStruct(%2,%3,%4)")
                     .arg(name_)
                     .arg(cur)
                     .arg(prev)
                     .arg(created ? QStringLiteral("true") : QStringLiteral("false")));
        run(QStringLiteral("OnUpdatedTableStruct"), ds, created ? QStringLiteral("created") : QString(),
            nullptr);
    }
    void OnNewRow(DataSource& ds) override { ev(QStringLiteral("OnNewRow"), ds, {}, nullptr); }
    void OnUpdateRow(DataSource& ds) override { ev(QStringLiteral("OnUpdateRow"), ds, {}, nullptr); }
    void OnDeleteRow(DataSource& ds) override { ev(QStringLiteral("OnDeleteRow"), ds, {}, nullptr); }
    void OnUpdateField(DataSource& ds, const QString& c) override {
        ev(QStringLiteral("OnUpdateField"), ds, c, nullptr);
    }
    void OnBeforeUpdateField(DataSource& ds, const QString& c) override {
        ev(QStringLiteral("OnBeforeUpdateField"), ds, c, nullptr);
    }
    void OnUpdateReference(DataSource& ds, DataSource* ref, const QString& n, datalib::RefChange,
                           int) override {
        ev(QStringLiteral("OnUpdateReference"), ds, n, ref);
    }
    void OnBeforeUpdateReference(DataSource& ds, DataSource* ref, const QString& n, datalib::RefChange,
                                 int) override {
        ev(QStringLiteral("OnBeforeUpdateReference"), ds, n, ref);
    }
    void OnSelect(DataSource& ds) override { run(QStringLiteral("OnSelect"), ds, {}, nullptr); }
    void OnSelectReference(DataSource& ds, DataSource& ref, const QString& n) override {
        ev(QStringLiteral("OnSelectReference"), ds, n, &ref);
    }
    void OnNewReference(DataSource& ds, DataSource& row, const QString& n) override {
        ev(QStringLiteral("OnNewReference"), ds, n, &row);
    }
    void OnSetParent(DataSource& ds, const QString& parent) override {
        ev(QStringLiteral("OnSetParent"), ds, parent, nullptr);
    }

    std::function<void(datalib::TableIdentity&)> identity = [](datalib::TableIdentity&) {};
    std::function<void(datalib::ColumnCollection&, datalib::KeyCollection&, datalib::ReferenceCollection&)>
        structure;
    std::map<QString, Behaviour> behaviours;
    bool quiet = false;

  private:
    void ev(const QString& hook, DataSource& ds, const QString& arg, DataSource* other) {
        if (!quiet)
            log_.add(name_ + QLatin1Char('.') + hook +
                     (arg.isEmpty() ? QString() : QLatin1Char('(') + arg + QLatin1Char(')')));
        run(hook, ds, arg, other);
    }
    void run(const QString& hook, DataSource& ds, const QString& arg, DataSource* other) {
        auto it = behaviours.find(hook);
        if (it != behaviours.end()) it->second(ds, arg, other);
    }
    QString name_;
    Log& log_;
};

// The definition: Categorie, Articoli, RigheOrdini (on Articoli), Ordini.
// `articleVersion` 2 adds the column Note to Articoli.
class TestDb : public datalib::itfDefDatabase {
  public:
    explicit TestDb(Log& log, double articleVersion = 1.0);
    void Define(datalib::TableRegistry& reg) override;

    std::shared_ptr<TestTable> categorie, articoli, righe, ordini;
    std::function<void(datalib::TableRegistry&)> extra;  // registered after the four
};

// Records what the library shows; questions answer `answerYes`.
class Sink : public datalib::itfNotifyEvent {
  public:
    void OnEvent(int& code, int, QString& text) override {
        events << QStringLiteral("%1:%2").arg(code).arg(text);
    }
    void OnInternalMessage(int, QString& m) override { messages << m; }
    void OnQueryMessage(int, int, QString& q, bool& answer) override {
        questions << q;
        answer = !answerYes;
    }
    QStringList events, messages, questions;
    bool answerYes = true;
};

// Records the calls of a long operation; OnProgress answers "stop" once the
// position reaches `stopAt`.
struct RecordingProgress : datalib::itfProgress {
    void OnProgress(long p, bool& goOn) override {
        last = p;
        goOn = p < stopAt;
    }
    void OnStopped(bool& s) override { s = false; }
    void OnStart(long t, bool) override { total = t; }
    void OnEnd() override { ended = true; }
    long total = 0, last = 0, stopAt = 1000;
    bool ended = false;
};

// The library's error code raised by f, 0 when it raises nothing.
int errorCode(const std::function<void()>& f);

// A created (or reopened) test database in a temporary folder.
struct Fixture {
    QTemporaryDir dir;
    Log log;
    Sink sink;
    std::unique_ptr<TestDb> def;
    datalib::Engine engine;
    std::shared_ptr<datalib::Database> db;

    QString path() const { return dir.filePath(QStringLiteral("ZeltOrder_T")); }
    // Opens (creating the file the first time) with the given article version.
    void open(double articleVersion = 1.0, const QString& password = QStringLiteral("pw"));
    void close();
};

}  // namespace dltest
