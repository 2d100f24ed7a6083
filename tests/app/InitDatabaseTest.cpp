#include "StartupFixture.h"

#include "core/Clock.h"
#include "startup/Common.h"
#include "startup/ui/frmMessage.h"

#include <QFile>
#include <QPushButton>
#include <QTimer>

namespace {

using apptest::FakeHost;
using apptest::StartupEnv;

class InitDatabase : public StartupEnv {
  protected:
    bool init(FakeHost& host) {
        return startup::InitDatabase(startup::runContext().codeAgente, nullptr, false, host);
    }

    static long stationRows(datalib::Database& db, int station) {
        auto rows = db.OpenDataSource("PostazioniAgenti", "Progressivo = " + QString::number(station));
        return rows->RowCount();
    }
};

TEST_F(InitDatabase, FreshWorkFolderIsPreparedFromTheInstallationFolder) {
    const QString install = dir.filePath("install");
    makeArchive(install + "/ClientDBs/OrdiniAgente_A1", {"A1"});
    startup::runContext().codeAgente = "";
    FakeHost host;
    host.firstRun = startup::FirstRunValues{"A1", 3, install, "https://sede.example/"};
    platform::ScriptedBoxes boxes;
    boxes.answer(platform::kAnswerYes);  // take the archive from the installation folder

    ASSERT_TRUE(init(host)) << boxes.lastText().toStdString();
    EXPECT_TRUE(startup::IsDatabaseOpen());
    ASSERT_FALSE(boxes.shown().empty());
    EXPECT_TRUE(boxes.shown().front().text.startsWith(
        "L'archivio locale risulta vuoto quindi è necessario inizializzarlo... \r\r"
        "Vuoi acquisire i dati iniziali dal disco ("));
    EXPECT_EQ(startup::runContext().codeAgente, "A1");
    EXPECT_EQ(startup::runContext().codePostazione, 3);
    EXPECT_EQ(platform::SettingsStore::get(platform::appName(), "Configuration", "Code_Agente"), "A1");
    EXPECT_EQ(platform::SettingsStore::get(platform::appName(), "Configuration", "Code_Postazione"), "3");
    datalib::Database& db = *startup::runContext().database;
    EXPECT_EQ(db.GetSysParam("CodiceAgente", ""), "A1");
    EXPECT_EQ(db.GetSysParam("CodicePostazione", ""), "3");
    EXPECT_EQ(db.GetSysParam("OnLineServicesURL", ""), "https://sede.example/");
    EXPECT_EQ(stationRows(db, 3), 1);
    EXPECT_TRUE(QFile::exists(work("ZeltOrder_A1")));
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_A1.copia")));
    EXPECT_TRUE(QFile::exists(install + "/ClientDBs/OrdiniAgente_A1"));  // the source stays
}

TEST_F(InitDatabase, FailedCopyLeavesNoFileAndEndsTheStart) {
    startup::runContext().codeAgente = "";
    FakeHost host;
    host.firstRun = startup::FirstRunValues{"A1", 0, dir.filePath("install"), ""};
    platform::ScriptedBoxes boxes;
    boxes.answer(platform::kAnswerYes);

    EXPECT_FALSE(init(host));
    EXPECT_TRUE(host.ended);
    EXPECT_TRUE(boxes.lastText().startsWith("Copia da ")) << boxes.lastText().toStdString();
    EXPECT_TRUE(boxes.lastText().contains("OrdiniAgente_A1 non riuscita...\r\r"));
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_A1")));
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_A1.copia")));
    EXPECT_EQ(startup::runContext().codeAgente, "");
}

TEST_F(InitDatabase, DownloadFromHeadOfficeFillsTheNewAgentsFileAndRemovesItOnFailure) {
    startup::runContext().codeAgente = "";
    FakeHost host;
    host.firstRun = startup::FirstRunValues{"N7", 2, dir.filePath("install"), "https://sede.example/"};
    struct Reset {
        ~Reset() { startup::SetArchiveReceiver({}); }
    } reset;
    {
        // Head office cannot be reached.
        startup::SetArchiveReceiver([](QWidget*, const QString&) { return false; });
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerNo);   // not from the installation folder
        boxes.answer(platform::kAnswerYes);  // from head office
        EXPECT_FALSE(init(host));
        EXPECT_TRUE(host.ended);
        EXPECT_EQ(
            boxes.shown().at(1).text,
            "Vuoi scaricare l'archivio dalla Sede ?\r\rNOTA: Durante questa operazione sarà attivata la "
            "connessione ad Internet.");
        EXPECT_FALSE(QFile::exists(work("ZeltOrder_N7")));
        EXPECT_FALSE(QFile::exists(work("ZeltOrder_")));
    }
    {
        QString urlSeen;
        startup::SetArchiveReceiver([&](QWidget*, const QString& agent) {
            datalib::Database& db = *startup::runContext().database;
            urlSeen = db.GetSysParam("OnLineServicesURL", "");
            db.OpenDataSource("Agenti")->InsertFromPairs({core::Variant("Codice"), core::Variant(agent),
                                                          core::Variant("RagioneSociale"),
                                                          core::Variant("N")});
            return true;
        });
        host.ended = false;
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerNo);
        boxes.answer(platform::kAnswerYes);
        ASSERT_TRUE(init(host)) << boxes.lastText().toStdString();
        EXPECT_FALSE(host.ended);
        EXPECT_EQ(urlSeen, "https://sede.example/");
        EXPECT_EQ(startup::runContext().codeAgente, "N7");
        EXPECT_EQ(stationRows(*startup::runContext().database, 2), 1);
        EXPECT_TRUE(QFile::exists(work("ZeltOrder_N7")));
        EXPECT_FALSE(QFile::exists(work("ZeltOrder_")));
    }
}

TEST_F(InitDatabase, CopyGoesThroughATemporaryNameAndIsRemovedOnStopOrFailure) {
    const QString source = dir.filePath("big");
    {
        QFile f(source);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(3 * 1024 * 1024 + 17, 'x'));
    }
    // Complete copy.
    QString why;
    ASSERT_TRUE(startup::CopyInstallationArchive(source, work("ZeltOrder_B"), &why)) << why.toStdString();
    EXPECT_EQ(QFileInfo(work("ZeltOrder_B")).size(), 3 * 1024 * 1024 + 17);
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_B.copia")));

    // Stopped by the operator half-way: nothing stays.
    platform::ScriptedBoxes boxes;  // "Confermi l'interruzione ?" answered with its default, Yes
    startup::frmMessage::instance()->ShowMsg("Copia", nullptr);
    QTimer::singleShot(0, [] { startup::frmMessage::instance()->cmdStop()->click(); });
    EXPECT_FALSE(startup::CopyInstallationArchive(source, work("ZeltOrder_C"), &why));
    startup::frmMessage::Unload();
    EXPECT_EQ(why, "Copia interrotta dall'operatore.");
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_C")));
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_C.copia")));

    // The last step fails (the name is taken by a folder): the copy goes.
    QDir().mkpath(work("ZeltOrder_D"));
    EXPECT_FALSE(startup::CopyInstallationArchive(source, work("ZeltOrder_D"), &why));
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_D.copia")));
}

TEST_F(InitDatabase, DatabaseOfAnotherAgentAsksWithBothCodes) {
    makeArchive(work("ZeltOrder_A1"), {"A1", "B2"}, "B2");
    startup::runContext().codeAgente = "A1";
    FakeHost host;
    {
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerNo);
        EXPECT_FALSE(init(host));
        ASSERT_EQ(boxes.shown().size(), 2u);
        EXPECT_EQ(boxes.shown()[0].text,
                  "Il codice dell'Agente impostato nel database (B2) non corrisponde a quello "
                  "configurato (A1), continuare ?");
        EXPECT_EQ(boxes.shown()[0].style,
                  platform::kYesNo | platform::kExclamation | platform::kDefaultButton2);
        EXPECT_TRUE(boxes.shown()[1].text.startsWith("Inizializzazione database fallita: \r\r"));
        EXPECT_TRUE(boxes.shown()[1].text.endsWith("Operazione annullata."));
        EXPECT_FALSE(startup::IsDatabaseOpen());
    }
    inspect(work("ZeltOrder_A1"),
            [](datalib::Database& db) { EXPECT_EQ(db.GetSysParam("CodiceAgente", ""), "B2"); });
    {
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerYes);
        ASSERT_TRUE(init(host));
        EXPECT_EQ(startup::runContext().database->GetSysParam("CodiceAgente", ""), "A1");
    }
}

TEST_F(InitDatabase, EmptyAgentParameterIsTakenOverWithoutAQuestion) {
    makeArchive(work("ZeltOrder_A1"), {"A1"});
    startup::runContext().codeAgente = "A1";
    FakeHost host;
    platform::ScriptedBoxes boxes;
    ASSERT_TRUE(init(host));
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(startup::runContext().database->GetSysParam("CodiceAgente", ""), "A1");
}

TEST_F(InitDatabase, MissingAgentRowFailsAndWritesNothing) {
    makeArchive(work("ZeltOrder_A1"), {"B2"});
    startup::runContext().codeAgente = "A1";
    FakeHost host;
    platform::ScriptedBoxes boxes;
    EXPECT_FALSE(init(host));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.lastText().startsWith("Inizializzazione database fallita: \r\r"));
    EXPECT_TRUE(boxes.lastText().endsWith("I dati dell'Agente (A1) non sono presenti in archivio"));
    EXPECT_EQ(boxes.shown()[0].style, platform::kOkOnly | platform::kCritical);
    EXPECT_FALSE(startup::IsDatabaseOpen());
    EXPECT_EQ(startup::runContext().engine, nullptr);
    inspect(work("ZeltOrder_A1"), [](datalib::Database& db) {
        EXPECT_EQ(db.GetSysParam("CodiceAgente", ""), "");
        EXPECT_EQ(stationRows(db, 0), 0);
    });
}

TEST_F(InitDatabase, AgentCodeWithAnApostropheIsAPlainCharacter) {
    makeArchive(work("ZeltOrder_D'A"), {"D'A"});
    startup::runContext().codeAgente = "D'A";
    FakeHost host;
    platform::ScriptedBoxes boxes;
    EXPECT_TRUE(init(host)) << boxes.lastText().toStdString();
}

TEST_F(InitDatabase, WorkstationIsRegisteredOnce) {
    makeArchive(work("ZeltOrder_A1"), {"A1"});
    startup::runContext().codeAgente = "A1";
    startup::runContext().codePostazione = 3;
    FakeHost host;
    platform::ScriptedBoxes boxes;
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(init(host)) << boxes.lastText().toStdString();
        datalib::Database& db = *startup::runContext().database;
        EXPECT_EQ(stationRows(db, 3), 1) << "run " << run;
        auto row = db.OpenDataSource("PostazioniAgenti", "Progressivo = 3");
        row->RowFirst();
        EXPECT_EQ(row->ColValueStr("Descrizione"), "[ nuovo ]");
        EXPECT_EQ(db.GetSysParam("CodicePostazione", ""), "3");
        startup::ReleaseEngine();
    }
}

TEST_F(InitDatabase, LastAccessIsNeverMovedBack) {
    makeArchive(work("ZeltOrder_A1"), {"A1"});
    startup::runContext().codeAgente = "A1";
    FakeHost host;
    platform::ScriptedBoxes boxes;
    {
        core::FixedClock clock(2026, 5, 10, 23, 59, 30);
        ASSERT_TRUE(init(host));
        EXPECT_EQ(startup::runContext().database->GetSysParam("DataUltimoAccesso", ""), "10/05/2026");
        startup::ReleaseEngine();
    }
    {
        core::FixedClock clock(2026, 5, 1);
        ASSERT_TRUE(init(host));
        EXPECT_EQ(startup::runContext().database->GetSysParam("DataUltimoAccesso", ""), "10/05/2026");
        startup::ReleaseEngine();
    }
    {
        core::FixedClock clock(2026, 5, 11);
        ASSERT_TRUE(init(host));
        EXPECT_EQ(startup::runContext().database->GetSysParam("DataUltimoAccesso", ""), "11/05/2026");
    }
}

TEST_F(InitDatabase, ConfiguredAgentWithoutFileOffersTheOptionsAndFailsQuietlyWhenCancelled) {
    startup::runContext().codeAgente = "A1";
    FakeHost host;
    platform::ScriptedBoxes boxes;
    EXPECT_FALSE(init(host));
    EXPECT_EQ(host.optionsShown, 1);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_FALSE(QFile::exists(work("ZeltOrder_A1")));
}

}  // namespace
