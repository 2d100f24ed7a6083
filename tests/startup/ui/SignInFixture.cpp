#include "SignInFixture.h"

#include "datalib/Definitions.h"
#include "datalib/Interfaces.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "startup/ui/MainWindowLink.h"

#include <QDir>

namespace signintest {

namespace {

// The operators' table as the program defines it, with its two standard users.
class Utenti : public datalib::itfDefTable, public datalib::itfSetData {
  public:
    QString TableName() const override { return QStringLiteral("Utenti"); }
    void DefineIdentity(datalib::TableIdentity& id) override { id.SetFirstOption(1); }
    void DefineStructure(datalib::ColumnCollection& c, datalib::KeyCollection& k,
                         datalib::ReferenceCollection&) override {
        c.Add(QStringLiteral("Nome"), datalib::coltype::Code, 64);
        c.Add(QStringLiteral("Password"), datalib::coltype::Code, 32);
        c.Add(QStringLiteral("LivelloAccesso"), datalib::coltype::Integer, 0, 0, {}, 1, -100, -100, true, {},
              QStringLiteral("-1|Interrogazione|0|Solo Ordini|1|Amministrazione"));
        k.Add(QStringLiteral("Nome"), true);
    }
    void DefineDefaultData(datalib::itfSetData*& sink) override { sink = this; }
    void OnUpdatedTableStruct(datalib::DataSource& ds, double, double, bool& created) override {
        if (!created) return;
        ds.InsertFromPairs(
            {QStringLiteral("Nome"), QStringLiteral("Amministratore"), QStringLiteral("LivelloAccesso"), 1});
        ds.InsertFromPairs({QStringLiteral("Nome"), QStringLiteral("Operatore")});
    }
    void OnNewRow(datalib::DataSource& ds) override {
        ds.SetColValue(QStringLiteral("Password"), QString());
        ds.SetColValue(QStringLiteral("LivelloAccesso"), 0);
    }
};

class Definition : public datalib::itfDefDatabase {
  public:
    void Define(datalib::TableRegistry& registry) override {
        registry.RegisterTable(std::make_shared<Utenti>());
    }
};

Definition& usersDefinition() {
    static Definition definition;
    return definition;
}

}  // namespace

SignInDb::SignInDb() {
    platform::setDataDirOverride(dir.filePath(QStringLiteral("data")));
    platform::SettingsStore::setRootDir(dir.filePath(QStringLiteral("settings")));
    QDir().mkpath(dir.filePath(QStringLiteral("work")));
    startup::RunContext& g = startup::runContext();
    g.rootDir = dir.filePath(QStringLiteral("work"));
    g.codeAgente = QStringLiteral("A01");
    g.codePostazione = 0;
    g.optionsOpen = false;
    file = dir.filePath(QStringLiteral("work/ZeltOrder_A01"));
    startup::signedOperator() = {};

    startup::MainWindowLink& link = startup::mainWindowLink();
    link = {};
    link.database = [this] { return db; };
    link.engine = [this] { return engine; };
    link.releaseDatabase = [this] {
        ++releases;
        release();
    };
    link.databasePassword = [] { return kDbPassword; };
    // The program's definition, as a repair opens the repaired file with it.
    startup::SetDatabaseDefinition([this] {
        ++definitionsMade;
        return std::make_unique<Definition>();
    });
}

SignInDb::~SignInDb() {
    release();
    startup::mainWindowLink() = {};
    startup::signedOperator() = {};
    startup::SetDatabaseDefinition({});
    platform::setDataDirOverride(QString());
    platform::SettingsStore::setRootDir(QString());
}

void SignInDb::open() {
    data.reset();
    testsupport::AgentDatabase::Options o;
    o.file = file;
    o.create = !QFile::exists(file);
    o.password = kDbPassword;
    o.definition = &usersDefinition();
    o.withSink = false;
    data = std::make_unique<testsupport::AgentDatabase>(o);
    engine = &data->engine();
    db = data->dbPtr();
}

void SignInDb::release() {
    if (db) db->Close();
    db.reset();
    data.reset();
    engine = nullptr;
}

void SignInDb::setUserValue(const QString& user, const QString& column, const core::Variant& value) {
    auto ds = db->OpenDataSource(QStringLiteral("Utenti"),
                                 QStringLiteral("Nome=") + db->FormatStringForQuery(user));
    ds->RowFirst();
    ds->SetColValue(column, value);
    ds->Save();
}

core::Variant SignInDb::userValue(const QString& user, const QString& column) {
    auto ds = db->OpenDataSource(QStringLiteral("Utenti"),
                                 QStringLiteral("Nome=") + db->FormatStringForQuery(user));
    ds->RowFirst();
    return ds->ColValue(column);
}

void SignInDb::addUser(const QString& name, const core::Variant& level) {
    auto ds = db->OpenDataSource(QStringLiteral("Utenti"));
    ds->InsertFromPairs({QStringLiteral("Nome"), name, QStringLiteral("LivelloAccesso"), level});
}

void SignInDb::deleteAllUsers() {
    auto ds = db->OpenDataSource(QStringLiteral("Utenti"));
    ds->DeleteAll();
}

}  // namespace signintest
