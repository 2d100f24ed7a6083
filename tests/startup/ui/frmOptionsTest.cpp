// The options window through its real widgets on a temporary agent database.

#include "startup/ui/frmOptions.h"

#include "datalib/Engine.h"

#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/UserLogin.h"
#include "startup/ui/frmSelectDir.h"

#include <gtest/gtest.h>
#include <QCloseEvent>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "SignInFixture.h"

using namespace signintest;
using startup::frmOptions;

namespace {

// Another window of the program; it may refuse to close, as an order window
// whose operator answers Cancel to its own question does.
class OtherWindow : public QWidget {
  public:
    bool refuse = false;
    int asked = 0;

  protected:
    void closeEvent(QCloseEvent* e) override {
        ++asked;
        if (refuse)
            e->ignore();
        else
            e->accept();
    }
};

QByteArray digest(const QString& file) {
    QFile f(file);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QString setting(const QString& key) {
    return platform::SettingsStore::get(platform::appName(), QStringLiteral("Configuration"), key);
}

class OptionsWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        f.open();
        main.resize(300, 200);
        main.show();
        startup::mainWindowLink().window = &main;
        startup::mainWindowLink().endProgram = [this] { ++endings; };
        window = std::make_unique<frmOptions>(&main);
        window->show();
    }
    void TearDown() override {
        window.reset();
        frmOptions::setRepairCheck({});
    }
    startup::RunContext& g() { return startup::runContext(); }
    bool confirmedAndClosed() const { return window->blnConfirmed() && !window->isVisible(); }
    void repair(int answer = platform::kAnswerOk) {
        boxes.answer(answer);
        window->cmdRepairDataBase()->click();
    }

    SignInDb f;
    QWidget main;
    platform::ScriptedBoxes boxes;
    std::unique_ptr<frmOptions> window;
    int endings = 0;
};

TEST_F(OptionsWindow, ShowsTheConfigurationAndMarksItselfOpen) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Impostazioni"));
    EXPECT_EQ(QDir::fromNativeSeparators(window->txtWorkDir()->text()), g().rootDir);
    EXPECT_EQ(window->txtCode_Agente()->text(), QStringLiteral("A01"));
    EXPECT_EQ(window->txtCode_Postazione()->text(), QStringLiteral("0"));
    EXPECT_TRUE(g().optionsOpen);
    window.reset();
    EXPECT_FALSE(g().optionsOpen);
}

TEST_F(OptionsWindow, WorkstationIsOneHexadecimalDigit) {
    for (const char* bad : {"16", "-1", "abc", "3.5", "F", "255"}) {
        boxes.clear();
        window->txtCode_Postazione()->setText(QString::fromLatin1(bad));
        window->cmdConfirm()->click();
        ASSERT_EQ(boxes.shown().size(), 1u) << bad;
        EXPECT_EQ(boxes.lastText(), QStringLiteral("La postazione deve essere un numero intero da 0 a 15."))
            << bad;
        EXPECT_TRUE(window->isVisible()) << bad;
        EXPECT_EQ(g().codePostazione, 0) << bad;
    }
    EXPECT_TRUE(setting(QStringLiteral("Code_Postazione")).isEmpty());

    boxes.clear();
    window->txtCode_Postazione()->setText(QStringLiteral("15"));
    window->cmdConfirm()->click();
    EXPECT_TRUE(confirmedAndClosed());
    EXPECT_TRUE(boxes.shown().empty());  // folder and agent unchanged: no question
    EXPECT_EQ(g().codePostazione, 15);
    EXPECT_EQ(setting(QStringLiteral("Code_Postazione")), QStringLiteral("15"));
    EXPECT_EQ(f.releases, 0);  // nothing released
    EXPECT_FALSE(g().optionsOpen);
}

TEST_F(OptionsWindow, EmptyAgentOrWorkstationSavesNothing) {
    window->txtCode_Agente()->clear();
    window->cmdConfirm()->click();
    EXPECT_EQ(boxes.lastText(),
              QStringLiteral("Specificare il codice dell'Agente e il numero della postazione."));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(setting(QStringLiteral("Code_Agente")).isEmpty());
}

TEST_F(OptionsWindow, ChangedAgentIsAskedAndReleasesTheDatabase) {
    window->txtCode_Agente()->setText(QStringLiteral("B02"));
    boxes.answer(platform::kAnswerNo);
    window->cmdConfirm()->click();
    EXPECT_EQ(boxes.lastText(), QStringLiteral("Il codice dell'Agente e' cambiato.\r\rConfermi ?"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(g().codeAgente, QStringLiteral("A01"));
    EXPECT_EQ(f.releases, 0);

    boxes.answer(platform::kAnswerYes);
    window->cmdConfirm()->click();
    EXPECT_TRUE(confirmedAndClosed());
    EXPECT_EQ(g().codeAgente, QStringLiteral("B02"));
    EXPECT_EQ(setting(QStringLiteral("Code_Agente")), QStringLiteral("B02"));
    EXPECT_EQ(f.releases, 1);
}

TEST_F(OptionsWindow, AgentCodeInOtherLettersIsNoChange) {
    window->txtCode_Agente()->setText(QStringLiteral("a01"));
    window->cmdConfirm()->click();
    EXPECT_TRUE(confirmedAndClosed());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(g().codeAgente, QStringLiteral("A01"));
    EXPECT_EQ(f.releases, 0);
}

TEST_F(OptionsWindow, FirstAgentCodeIsNotAsked) {
    g().codeAgente.clear();
    window->SetParamConfiguration();
    window->txtCode_Agente()->setText(QStringLiteral("C03"));
    window->cmdConfirm()->click();
    EXPECT_TRUE(confirmedAndClosed());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(g().codeAgente, QStringLiteral("C03"));
}

TEST_F(OptionsWindow, NewWorkFolderWaitsForTheOtherWindowsToClose) {
    OtherWindow order;
    order.refuse = true;
    order.show();
    const QString oldDir = g().rootDir;
    const QString newDir = f.dir.filePath(QStringLiteral("altro"));
    window->txtWorkDir()->setText(newDir);

    boxes.answer(platform::kAnswerYes);
    window->cmdConfirm()->click();
    EXPECT_EQ(order.asked, 1);
    EXPECT_TRUE(order.isVisible());
    EXPECT_TRUE(boxes.lastText().startsWith(QStringLiteral("Le impostazioni non sono state modificate")));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(g().rootDir, oldDir);
    EXPECT_EQ(f.releases, 0);
    EXPECT_TRUE(f.db);

    order.refuse = false;
    boxes.answer(platform::kAnswerYes);
    window->cmdConfirm()->click();
    EXPECT_FALSE(order.isVisible());
    EXPECT_TRUE(confirmedAndClosed());
    EXPECT_EQ(g().rootDir, newDir);
    EXPECT_EQ(setting(QStringLiteral("RootDir")), newDir);
    EXPECT_EQ(f.releases, 1);
    EXPECT_TRUE(main.isVisible());  // the main window is not closed
}

TEST_F(OptionsWindow, RepairCompactsAndKeepsTheData) {
    f.addUser(QStringLiteral("Mario"), 0);
    repair();
    EXPECT_EQ(boxes.lastText(), QStringLiteral("Recupero completato"));
    EXPECT_EQ(f.definitionsMade, 1);  // the copy was opened with the program's definition
    EXPECT_TRUE(boxes.shown().front().text.startsWith(
        QStringLiteral("Questa funzione tenta il recupero del database...\r")));
    EXPECT_EQ(f.releases, 1);
    EXPECT_FALSE(QFile::exists(f.file + QStringLiteral(".NEW")));
    EXPECT_FALSE(QFile::exists(f.file + QStringLiteral(".BAK")));
    f.open();  // opens with the start-up password
    EXPECT_EQ(f.userValue(QStringLiteral("Mario"), QStringLiteral("LivelloAccesso")).toString(),
              QStringLiteral("0"));
}

TEST_F(OptionsWindow, FailedCheckLeavesTheOriginal) {
    f.addUser(QStringLiteral("Mario"), 0);
    f.release();
    const QByteArray before = digest(f.file);
    f.open();
    frmOptions::setRepairCheck([](const QString&) { return QStringLiteral("*** pagina 7 danneggiata"); });
    repair();
    const QString shown = boxes.lastText();
    EXPECT_NE(shown, QStringLiteral("Recupero completato"));
    EXPECT_TRUE(shown.contains(QStringLiteral("pagina 7 danneggiata"))) << shown.toStdString();
    EXPECT_EQ(digest(f.file), before);
    EXPECT_FALSE(QFile::exists(f.file + QStringLiteral(".NEW")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(OptionsWindow, RepairWithoutFileSaysSo) {
    window->txtWorkDir()->setText(f.dir.filePath(QStringLiteral("vuota")));
    repair();
    EXPECT_TRUE(boxes.lastText().startsWith(QStringLiteral("Nessun database da recuperare")))
        << boxes.lastText().toStdString();
    EXPECT_EQ(f.releases, 0);
}

TEST_F(OptionsWindow, RepairCancelledOrRefusedChangesNothing) {
    repair(platform::kAnswerCancel);
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(f.releases, 0);

    OtherWindow order;
    order.refuse = true;
    order.show();
    repair();
    EXPECT_TRUE(boxes.lastText().startsWith(QStringLiteral("Le impostazioni non sono state modificate")));
    EXPECT_EQ(f.releases, 0);
    EXPECT_TRUE(f.db);
}

TEST_F(OptionsWindow, BrowseNeedsTheAdministrator) {
    f.db->SetAccessLevel(0);
    window->cmdSelWorkDir()->click();
    EXPECT_EQ(boxes.lastText(), QStringLiteral("Utente non abilitato"));
    EXPECT_EQ(boxes.shown().back().style, platform::kOkOnly);

    boxes.clear();
    f.db->SetAccessLevel(1);
    const QString before = window->txtWorkDir()->text();
    bool shown = false;
    whenModal<startup::frmSelectDir>([&](startup::frmSelectDir* d) {
        shown = d != nullptr;
        if (d) d->cmdEsci()->click();
    });
    window->cmdSelWorkDir()->click();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(window->txtWorkDir()->text(), before);  // cancelled: unchanged
}

// The repair releases the database; the operator who signed in keeps his
// level for the browse all the same.
TEST_F(OptionsWindow, BrowseKeepsTheOperatorsLevelAfterARepair) {
    struct Case {
        const char* user;
        bool allowed;
    } const cases[] = {{"Operatore", false}, {"Amministratore", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        if (!f.db) f.open();
        bool login = true, change = false;
        ASSERT_TRUE(startup::UserLogin(login, QString::fromUtf8(c.user), change));
        repair();
        ASSERT_EQ(boxes.lastText(), QStringLiteral("Recupero completato"));
        ASSERT_FALSE(startup::OpenDatabase());  // released until the main window opens it again
        boxes.clear();
        bool shown = false, watched = false;
        whenModal<startup::frmSelectDir>([&](startup::frmSelectDir* d) {
            shown = d != nullptr;
            watched = true;
            if (d) d->cmdEsci()->click();
        });
        window->cmdSelWorkDir()->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return watched; }, 5000));
        EXPECT_EQ(shown, c.allowed);
        if (c.allowed)
            EXPECT_TRUE(boxes.shown().empty());
        else
            EXPECT_EQ(boxes.lastText(), QStringLiteral("Utente non abilitato"));
    }
}

TEST_F(OptionsWindow, CancelEndsTheProgramOnlyWithoutDatabaseFile) {
    window->cmdCancel()->click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->blnConfirmed());
    EXPECT_EQ(endings, 0);

    startup::runContext().codeAgente = QStringLiteral("Z99");  // no file for this agent
    window = std::make_unique<frmOptions>(&main);
    window->show();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(endings, 1);
}

}  // namespace

TEST(OptionsWindowSalvage, TellsPerTableWhatWasSavedAndWhereTheOriginalIs) {
    datalib::RepairReport report;
    report.salvaged = true;
    report.backup = QStringLiteral("/dati/ZeltOrder_A001.BAK");
    report.tables = {{QStringLiteral("Agenti"), 3, 0, false},
                     {QStringLiteral("Articoli"), 1950, 1054, false},
                     {QStringLiteral("Comuni"), 0, 0, true}};
    EXPECT_EQ(
        startup::frmOptions::SalvageSummary(report).toStdString(),
        "Recupero completato.\r\rIl database era danneggiato: sono state ricopiate le righe ancora "
        "leggibili.\r\rAgenti: 3 righe recuperate\rArticoli: 1.950 righe recuperate, 1.054 non leggibili\r"
        "Comuni: tabella illeggibile, nessuna riga recuperata\r\rIl database danneggiato è conservato come "
        "\"/dati/ZeltOrder_A001.BAK\".");
}
