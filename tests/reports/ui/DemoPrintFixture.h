#pragma once
// The demo agent archive copied into a temporary folder and open, one layout
// table emptied for the test's own layouts, the prompt answered by the test,
// and the printer dialog and the PDF file question answered with the test's
// PDF file. The report and the label runners' tests build on it.

#include "app/AllTableClasses.h"
#include "controls/DataGrid.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "core/Prompt.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/ui/Printers.h"
#include "startup/modDatabase.h"
#include "support/AgentDatabase.h"
#include "tools/demodb/DemoArchive.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

namespace printtest {

// Plays the operator in the pick lists of the rows to print (the runner's
// layouts, the editors' test rows): `pick` chooses in the real dialog and
// answers whether it was confirmed; with no `pick` the list is closed.
struct PickListPlayer {
    std::function<bool(controls::PickListDialog&)> pick;
    int shown = 0;
    PickListPlayer() {
        controls::setSearchDialogHook([this](QDialog& d) {
            auto* list = qobject_cast<controls::PickListDialog*>(&d);
            if (!list) return false;
            ++shown;
            return pick && pick(*list);
        });
    }
    ~PickListPlayer() { controls::setSearchDialogHook({}); }
    PickListPlayer(const PickListPlayer&) = delete;
    PickListPlayer& operator=(const PickListPlayer&) = delete;

    // The texts of a column of the list as the grid shows them.
    static QStringList column(controls::PickListDialog& list, int column) {
        QStringList texts;
        const QAbstractItemModel* model = list.grid()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, column).data().toString();
        return texts;
    }
};

// A copy of the demo archive opened as the program opens it, with no sink.
inline testsupport::AgentDatabase::Options demoCopy(const QString& file) {
    testsupport::AgentDatabase::Options copy;
    copy.file = file;
    copy.create = false;
    copy.password = startup::DatabasePassword();
    copy.application = QStringLiteral("test");
    copy.withSink = false;
    return copy;
}

// Builds the demo archive once per test program; each test copies it.
inline QString demoArchive() {
    static QTemporaryDir dir;
    static const QString file = [] {
        const QString f = dir.filePath(QStringLiteral("ZeltOrder_DEMO"));
        demodb::DemoOptions options;
        options.file = f;
        demodb::BuildDemoArchive(options, [](const QString&) {});
        return f;
    }();
    return file;
}

class DemoPrintTest : public ::testing::Test {
  protected:
    // layoutTable: the layout table the tests fill themselves; pdfName: the
    // PDF file in the test's folder that every print goes to.
    DemoPrintTest(QString layoutTable, QString pdfName)
        : layoutTable_(std::move(layoutTable)), pdfName_(std::move(pdfName)) {}

    QTemporaryDir dir;
    std::unique_ptr<testsupport::AgentDatabase> data;
    std::shared_ptr<datalib::Database> db;
    std::unique_ptr<core::ScriptedBoxes> boxes;
    int chooserCalls = 0;  // printer dialogs shown

    void SetUp() override {
        platform::SettingsStore::setRootDir(dir.filePath("config"));
        platform::setDataDirOverride(dir.filePath("data"));
        app::registerAllTableClasses();
        const QString file = dir.filePath("ZeltOrder_DEMO");
        ASSERT_TRUE(QFile::copy(demoArchive(), file));
        data = std::make_unique<testsupport::AgentDatabase>(demoCopy(file));
        db = data->dbPtr();
        db->OpenDataSource(layoutTable_)->DeleteAll();
        boxes = std::make_unique<core::ScriptedBoxes>();
        platform::Printers::setPdfFileAsker([this] { return std::optional<QString>(pdf()); });
        platform::Printers::setPrinterChooser([this](const QString&, int copies) {
            ++chooserCalls;
            return std::optional<platform::Printers::Choice>(
                platform::Printers::Choice{platform::Printers::pdfPrinterName(), pdf(), copies});
        });
    }

    void TearDown() override {
        platform::Printers::setPrinterChooser({});
        platform::Printers::setPdfFileAsker({});
        boxes.reset();
        db.reset();
        data.reset();
        platform::setDataDirOverride(QString());
    }

    QString pdf() const { return dir.filePath(pdfName_); }

  private:
    QString layoutTable_;
    QString pdfName_;
};

}  // namespace printtest
