#pragma once
// A main window's browsing part over a fresh agent database in a temporary
// folder: every table class of the program (the two layout tables by small
// stand-ins with their captions), settings and data folder of their own.

#include "controls/SearchDialogs.h"
#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "labels/TabStampaEtichette.h"
#include "mainwindow/MainBrowser.h"
#include "orders/TableClasses.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "schema/TableClassRegistry.h"
#include "startup/RunContext.h"
#include "support/AgentDatabase.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace mwtest {

// A layout table as the report and label folders define it, reduced to what
// the main window reads: its caption.
class LayoutTableStandIn : public datalib::itfDefTable, public datalib::itfSetData {
  public:
    LayoutTableStandIn(QString name, QString caption)
        : name_(std::move(name)), caption_(std::move(caption)) {}
    QString TableName() const override { return name_; }
    void DefineIdentity(datalib::TableIdentity& id) override { id.SetCaption(caption_); }
    void DefineStructure(datalib::ColumnCollection& c, datalib::KeyCollection&,
                         datalib::ReferenceCollection&) override {
        c.Add("NomeTabellaOrigine", datalib::coltype::Code, 64);
    }
    void DefineDefaultData(datalib::itfSetData*& sink) override { sink = this; }

  private:
    QString name_, caption_;
};

inline void registerTables() {
    static const bool done = [] {
        schema::registerTableClasses();
        orders::registerTableClasses();
        labels::registerTableClasses();
        schema::RegisterTableClass(QStringLiteral("TabProspettiStampa"), [] {
            return std::shared_ptr<datalib::itfDefTable>(std::make_shared<LayoutTableStandIn>(
                QStringLiteral("TabProspettiStampa"), QStringLiteral("Impostazioni Prospetti Stampa")));
        });
        return true;
    }();
    (void)done;
}

class BrowserTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::SettingsStore::setRootDir(dir.filePath("config"));
        platform::setDataDirOverride(dir.filePath("data"));
        registerTables();
        data = std::make_unique<testsupport::AgentDatabase>();
        db = data->dbPtr();
        window.resize(1000, 700);
        status = new QLabel(&window);
        window.statusBar()->addWidget(status, 1);
        browser = new mainwindow::MainBrowser(&window, [this](const QString& t) { status->setText(t); });
        browser->SetDatabaseSource([this] { return db; });
        browser->SetShowContextMenus(false);
        // A window that asks (a search window before a list) is closed unless a test plays it.
        controls::setSearchDialogHook([](QDialog&) { return false; });
        startup::runContext().database = db;  // the search windows' look-ups
    }
    void TearDown() override {
        controls::setSearchDialogHook({});
        startup::runContext().database.reset();
        browser->ReleaseView();
        db.reset();
        data.reset();
        platform::SettingsStore::setRootDir(QString());
        platform::setDataDirOverride(QString());
    }

    void show() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void addArticle(const QString& code, const QString& description, double price) {
        db->OpenDataSource("Articoli")
            ->InsertFromPairs({core::Variant(QStringLiteral("Codice")), core::Variant(code),
                               core::Variant(QStringLiteral("Descrizione")), core::Variant(description),
                               core::Variant(QStringLiteral("PrezzoBase")), core::Variant(price)});
    }

    QTemporaryDir dir;
    std::unique_ptr<testsupport::AgentDatabase> data;  // questions answered Yes
    std::shared_ptr<datalib::Database> db;
    QMainWindow window;
    QLabel* status = nullptr;
    mainwindow::MainBrowser* browser = nullptr;
};

}  // namespace mwtest
