// The engine without windows: the rules, the data library and the script
// engine on a fresh demo archive, with the user's answers scripted through
// the prompt. The executable links no window library at all.

#include "core/AppError.h"
#include "core/Clock.h"
#include "core/Prompt.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/FieldMatch.h"
#include "datalib/PromptSink.h"
#include "schema/DB.h"
#include "script/ScriptControl.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

namespace {

class EngineScenarios : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        clock_ = new core::FixedClock(2026, 3, 16, 9, 0, 0);
        demodb::DemoOptions options;
        options.file = dir_->filePath("ZeltOrder_DEMO");
        demodb::BuildDemoArchive(options, [](const QString&) {});
        engine_ = new datalib::Engine;
        engine_->Open(3, options.file, QString(), startup::DatabasePassword());
        definition_ = new schema::DB;
        // The library speaks through the prompt.
        sink_ = new datalib::PromptSink;
        db_ = new std::shared_ptr<datalib::Database>(
            datalib::Application::OpenDatabase(*engine_, *definition_, "zeltorder", sink_));
    }
    static void TearDownTestSuite() {
        delete db_;
        engine_->Close(0);
        delete engine_;
        delete definition_;
        delete sink_;
        delete clock_;
        delete dir_;
    }
    void SetUp() override {
        saved_ = startup::runContext();
        startup::runContext().codeAgente = QString::fromLatin1(demodb::kDemoAgent);
    }
    void TearDown() override { startup::runContext() = saved_; }

    datalib::Database& db() { return **db_; }

    static QTemporaryDir* dir_;
    static core::FixedClock* clock_;
    static datalib::Engine* engine_;
    static schema::DB* definition_;
    static std::shared_ptr<datalib::Database>* db_;
    static datalib::PromptSink* sink_;
    startup::RunContext saved_;
};

QTemporaryDir* EngineScenarios::dir_ = nullptr;
core::FixedClock* EngineScenarios::clock_ = nullptr;
datalib::Engine* EngineScenarios::engine_ = nullptr;
schema::DB* EngineScenarios::definition_ = nullptr;
std::shared_ptr<datalib::Database>* EngineScenarios::db_ = nullptr;
datalib::PromptSink* EngineScenarios::sink_ = nullptr;

}  // namespace

TEST(EngineLinks, NoWindowLibrary) {
    QProcess ldd;
    ldd.start(QStringLiteral("ldd"), {QCoreApplication::applicationFilePath()});
    ASSERT_TRUE(ldd.waitForFinished(30000));
    const QString libraries = QString::fromLocal8Bit(ldd.readAllStandardOutput());
    ASSERT_TRUE(libraries.contains(QLatin1String("libQt6Core"))) << libraries.toStdString();
    EXPECT_FALSE(libraries.contains(QLatin1String("libQt6Gui"))) << libraries.toStdString();
    EXPECT_FALSE(libraries.contains(QLatin1String("libQt6Widgets"))) << libraries.toStdString();
}

TEST_F(EngineScenarios, ACustomerIsSavedWithItsCodeFromTheNumberingScript) {
    core::ScriptedBoxes boxes;
    auto customers = db().OpenDataSource("Clienti");
    customers->AddNew();
    customers->SetColValue("RagioneSociale", "Ferramenta Rossi");
    customers->SetColValue("PartitaIva", "00743110157");
    EXPECT_TRUE(customers->Save());
    const core::Variant key = customers->RowKey();

    auto saved = db().OpenDataSource("Clienti");
    ASSERT_TRUE(saved->MoveToKey(key));
    EXPECT_TRUE(saved->ColValueStr("Codice").startsWith("NEWDEMO"))
        << saved->ColValueStr("Codice").toStdString();
    EXPECT_EQ(saved->ColValueStr("RagioneSociale"), "Ferramenta Rossi");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(EngineScenarios, AWrongPartitaIvaIsRefusedWithItsMessageThroughThePrompt) {
    core::ScriptedBoxes boxes;
    auto customers = db().OpenDataSource("Clienti");
    const long before = customers->RowCount();
    customers->AddNew();
    customers->SetColValue("RagioneSociale", "Cliente sbagliato");
    try {
        customers->SetColValue("PartitaIva", "12345678901");
        customers->Save();
        FAIL() << "saved";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.cancelled());
    }
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains("La Partita IVA non è valida"))
        << boxes.shown()[0].text.toStdString();
    customers->CancelUpdate();
    EXPECT_EQ(db().OpenDataSource("Clienti")->RowCount(), before);
}

TEST_F(EngineScenarios, AScriptMsgBoxIsAnsweredByThePrompt) {
    core::ScriptedBoxes boxes;
    boxes.answer(core::kAnswerNo);
    script::ScriptControl control;
    control.setLanguage(QStringLiteral("vbscript"));
    control.AddCode(
        QStringLiteral("Function Ask()\r\n"
                       "  If MsgBox(\"Continuare ?\", vbYesNo + vbQuestion, \"Prova\") = vbNo Then\r\n"
                       "    Ask = \"no\"\r\n"
                       "  Else\r\n"
                       "    Ask = \"si\"\r\n"
                       "  End If\r\n"
                       "End Function\r\n"));
    std::vector<core::Variant> none;
    EXPECT_EQ(control.Run(QStringLiteral("Ask"), none).toString(), "no");
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Continuare ?");
    EXPECT_EQ(boxes.shown()[0].title, "Prova");
    EXPECT_EQ(boxes.shown()[0].style, core::kYesNo + core::kQuestion);
}

TEST_F(EngineScenarios, AFilterWithATypedApostrophe) {
    core::ScriptedBoxes boxes;
    db().OpenDataSource("Clienti")->InsertFromPairs(
        {"RagioneSociale", "L'Angolo del Ferro", "PartitaIva", "00743110157"});
    auto customers = db().OpenDataSource("Clienti");
    customers->SetFilter(customers->Table()->BuildFieldCondition("RagioneSociale", core::Variant("L'Angolo"),
                                                                 datalib::MatchBeginsWith));
    ASSERT_EQ(customers->RowCount(), 1);
    customers->RowFirst();
    EXPECT_EQ(customers->ColValueStr("RagioneSociale"), "L'Angolo del Ferro");
    // Typed by hand in the query language, the apostrophe is doubled.
    customers->SetFilter("RagioneSociale = 'L''Angolo del Ferro'");
    EXPECT_EQ(customers->RowCount(), 1);
    EXPECT_TRUE(boxes.shown().empty());
}
