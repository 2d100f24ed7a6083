#include "StartupFixture.h"

#include "controls/DataGrid.h"
#include "datalib/DataSet.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/frmMain.h"
#include "platform/ui/WindowPlacement.h"
#include "startup/Common.h"
#include "startup/ui/SignInFixture.h"
#include "startup/ui/clsOSTNA.h"
#include "startup/ui/frmPassword.h"
#include "startup/ui/frmSelectOper.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

using apptest::StartupEnv;
using mainwindow::frmMain;

QString setting(const char* key) {
    return platform::SettingsStore::get(platform::appName(), "Settings", key, "<none>");
}
void setSetting(const char* key, const QString& value) {
    platform::SettingsStore::save(platform::appName(), "Settings", key, value);
}

// A window that refuses to close, as an order being written may.
class Stubborn : public QWidget {
  protected:
    void closeEvent(QCloseEvent* e) override { e->ignore(); }
};

class MainWindow : public StartupEnv {
  protected:
    void SetUp() override {
        StartupEnv::SetUp();
        startup::clsOSTNA::setAvailabilityOverride(false);
        frmMain::SetAutomaticActivation(false);
    }
    void TearDown() override {
        startup::clsOSTNA::setAvailabilityOverride(std::nullopt);
        frmMain::SetOptionsWindow({});
        frmMain::SetAutomaticActivation(true);
        StartupEnv::TearDown();
    }
};

TEST_F(MainWindow, PlacementDefaultsOnAnEmptyStore) {
    const frmMain::Placement p = frmMain::ReadPlacement();
    EXPECT_EQ(p.left, 1000);
    EXPECT_EQ(p.top, 1000);
    EXPECT_EQ(p.width, 6500);
    EXPECT_EQ(p.height, 6500);
    EXPECT_EQ(p.state, 2);
    EXPECT_EQ(p.split, 3500);
    frmMain window;
    EXPECT_TRUE(window.windowState() & Qt::WindowMaximized);
    const int tpp = startup::TwipsPerPixel(&window);
    EXPECT_EQ(window.normalGeometry().width(), 6500 / tpp);
}

TEST_F(MainWindow, PlacementIsSavedAndRestoredMinimisedStateIncluded) {
    setSetting("MainLeft", "1500");
    setSetting("MainTop", "3000,0");  // written by a copy with the decimal comma
    setSetting("MainWidth", "9000.0");
    setSetting("MainHeight", "7500");
    setSetting("MainState", "0");
    {
        frmMain window;
        const int tpp = startup::TwipsPerPixel(&window);
        EXPECT_FALSE(window.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized));
        EXPECT_EQ(window.geometry(), QRect(1500 / tpp, 3000 / tpp, 9000 / tpp, 7500 / tpp));

        window.show();
        window.setGeometry(20, 30, 700, 500);
        window.showMinimized();
        window.SavePlacement();
    }
    EXPECT_EQ(setting("MainState"), "1");
    const frmMain::Placement p = frmMain::ReadPlacement();
    frmMain probe;
    const int tpp = startup::TwipsPerPixel(&probe);
    EXPECT_EQ(p.left, 20 * tpp);
    EXPECT_EQ(p.top, 30 * tpp);
    EXPECT_EQ(p.width, 700 * tpp);
    EXPECT_EQ(p.height, 500 * tpp);
    EXPECT_EQ(p.state, 1);
    EXPECT_TRUE(probe.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(probe.normalGeometry(), QRect(20, 30, 700, 500));
}

// A main window whose stored placement no screen can show (negative or huge
// sizes, off every screen) opens on the screen at a size it can be painted
// at, and saves that placement back.
TEST_F(MainWindow, AbsurdStoredPlacementOpensOnTheScreen) {
    struct Case {
        const char *left, *top, *width, *height;
    } const cases[] = {{"-90000", "-90000", "-6500", "-6500"},
                       {"1e12", "1e12", "1e12", "1e12"},
                       {"-3e8", "4e8", "9000", "7500"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        setSetting("MainLeft", c.left);
        setSetting("MainTop", c.top);
        setSetting("MainWidth", c.width);
        setSetting("MainHeight", c.height);
        setSetting("MainState", "0");
        QRect shown;
        {
            frmMain window;
            const QRect free = window.screen()->availableGeometry();
            shown = window.geometry();
            EXPECT_TRUE(free.contains(shown))
                << shown.x() << "," << shown.y() << " " << shown.width() << "x" << shown.height();
            EXPECT_GE(shown.width(), std::min(platform::kMinimumPlacementWidth, free.width()));
            EXPECT_GE(shown.height(), std::min(platform::kMinimumPlacementHeight, free.height()));
            window.SavePlacement();
        }
        frmMain again;
        EXPECT_EQ(again.geometry(), shown);
    }
}

TEST_F(MainWindow, CloseBoxMinimisesWithoutATrayAndHidesWithOne) {
    frmMain window;
    window.showNormal();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_FALSE(window.Tray()->IsShown());  // no notification area here
    EXPECT_FALSE(window.Form_QueryUnload(frmMain::UnloadMode::ControlMenu));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isMinimized());

    startup::clsOSTNA::setAvailabilityOverride(true);
    frmMain withTray;
    withTray.showNormal();
    ASSERT_TRUE(withTray.Tray()->IsShown());
    EXPECT_FALSE(withTray.Form_QueryUnload(frmMain::UnloadMode::ControlMenu));
    EXPECT_FALSE(withTray.isVisible());
}

TEST_F(MainWindow, ClosingByCodeStopsWhenAnotherWindowRefuses) {
    frmMain window;
    window.show();
    Stubborn order;
    order.setWindowTitle("Ordine");
    order.show();
    platform::ScriptedBoxes boxes;
    QSignalSpy unloaded(&window, &frmMain::unloaded);
    EXPECT_FALSE(window.close());
    EXPECT_EQ(boxes.lastText(),
              "Impossibile chiudere l'applicazione...\r\rLa finestra \"Ordine\" non può essere chiusa.");
    EXPECT_TRUE(window.isVisible());
    // The window that stayed open is in front, to be finished.
    EXPECT_TRUE(QTest::qWaitForWindowActive(&order));
    EXPECT_EQ(unloaded.count(), 0);

    order.hide();
    QWidget other;
    other.show();
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_NE(setting("MainState"), "<none>");
}

TEST_F(MainWindow, FirstActivationOpensTheDatabaseAndTitlesTheWindow) {
    makeArchive(work("ZeltOrder_DEMO"), {"DEMO"});
    startup::runContext().codeAgente = "DEMO";
    startup::runContext().codePostazione = 1;
    platform::ScriptedBoxes boxes;
    frmMain window;
    QSignalSpy done(&window, &frmMain::firstActivationDone);
    window.Form_Activate();  // the splash stays its three seconds
    EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();
    ASSERT_TRUE(window.IsInitialised());
    ASSERT_EQ(done.count(), 1);
    EXPECT_TRUE(done.at(0).at(0).toBool());
    EXPECT_TRUE(startup::IsDatabaseOpen());
    EXPECT_TRUE(window.windowTitle().startsWith(
        "Zelt Order  (Codice Agente DEMO) - Dati aggiornati al 01/01/2004 - Versione software: "))
        << window.windowTitle().toStdString();
    // A second activation does not open it again.
    const auto db = startup::runContext().database;
    window.Form_Activate();
    EXPECT_EQ(startup::runContext().database, db);

    EXPECT_TRUE(window.close());
    EXPECT_FALSE(startup::IsDatabaseOpen());
    EXPECT_EQ(startup::runContext().engine, nullptr);
}

TEST_F(MainWindow, BrandingOfTheDatabaseNamesTheProgram) {
    makeArchive(work("ZeltOrder_DEMO"), {"DEMO"});
    inspect(work("ZeltOrder_DEMO"), [](datalib::Database& db) {
        db.SetSysParam("SoftwareName", "   ");
        db.SetSysParam("StartImagePath", "/nessuna/immagine.jpg");
        db.SetSysParam("LogoImagePath", "/nessuno/logo.jpg");
    });
    startup::runContext().codeAgente = "DEMO";
    platform::ScriptedBoxes boxes;
    frmMain window;
    window.showMinimized();
    window.Form_Activate();
    ASSERT_TRUE(window.IsInitialised()) << boxes.lastText().toStdString();
    EXPECT_EQ(platform::softwareName(), "Zelt Order");
    EXPECT_TRUE(window.windowTitle().startsWith("Zelt Order  (Codice Agente DEMO)"));
    EXPECT_EQ(startup::runContext().startImagePath, "");
    EXPECT_EQ(startup::runContext().logoImagePath, "");
    EXPECT_FALSE(window.isMinimized());

    inspect(work("ZeltOrder_DEMO"), [](datalib::Database&) {});  // readable while open
    startup::ReleaseEngine();
    // The logo of the database is the toolbar's logo, as high as the toolbar.
    QLabel* logo = window.findChild<QLabel*>("ingToolbarLogo");
    ASSERT_NE(logo, nullptr);
    const QImage stock = logo->pixmap().toImage();
    QImage picture(120, 240, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString logoFile = work("logo.png");
    ASSERT_TRUE(picture.save(logoFile));
    inspect(work("ZeltOrder_DEMO"), [&](datalib::Database& db) {
        db.SetSysParam("SoftwareName", "Ordini Rossi");
        db.SetSysParam("LogoImagePath", logoFile);
    });
    window.Form_Activate();
    EXPECT_EQ(platform::softwareName(), "Ordini Rossi");
    EXPECT_TRUE(window.windowTitle().startsWith("Ordini Rossi  (Codice Agente DEMO)"));
    const QImage shown = logo->pixmap().toImage();
    EXPECT_NE(shown, stock);
    EXPECT_LE(shown.height(), 64);
    EXPECT_EQ(shown.width() * 2, shown.height());
    EXPECT_EQ(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)), QColor(Qt::red));
}

// A later activation shows the rows as they are; after the database was
// released (a new folder or agent confirmed, a repair) the next activation
// opens it again, signs in and builds the tree for the operator's level with
// the view of the node that was selected.
TEST_F(MainWindow, LaterActivationsAndAReopening) {
    makeArchive(work("ZeltOrder_DEMO"), {"DEMO"});
    startup::runContext().codeAgente = "DEMO";
    platform::ScriptedBoxes boxes;
    frmMain window;
    window.show();
    window.Form_Activate();
    ASSERT_TRUE(window.IsInitialised()) << boxes.lastText().toStdString();
    mainwindow::MainBrowser* browser = window.Browser();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    EXPECT_EQ(mainwindow::AllNodes(tree).size(), 37);
    browser->ShowNode(mainwindow::NodeByKey(tree, "Agenti"));
    ASSERT_TRUE(browser->CurrentDataSource());
    const int agents = browser->Widgets().dgView->model()->rowCount();

    // Written elsewhere, shown at the next activation.
    startup::runContext().database->OpenDataSource("Agenti")->InsertFromPairs(
        {core::Variant("Codice"), core::Variant("ALTRO"), core::Variant("RagioneSociale"),
         core::Variant("Altro agente")});
    window.Form_Activate();
    EXPECT_EQ(browser->Widgets().dgView->model()->rowCount(), agents + 1);

    // Released, the operator made administrator meanwhile: reopened, the
    // tree is the administrator's and the view stands on the same node.
    window.ReleaseDatabase();
    EXPECT_FALSE(browser->CurrentDataSource());
    inspect(work("ZeltOrder_DEMO"), [](datalib::Database& db) {
        db.BeginUpdate();  // as head office's data would bring it
        auto op = db.OpenDataSource("Utenti", "Nome = 'Operatore'");
        op->RowFirst();
        op->SetColValue("LivelloAccesso", core::Variant(1));
        op->Save();
        db.EndUpdate();
    });
    window.Form_Activate();
    EXPECT_TRUE(boxes.shown().empty()) << boxes.lastText().toStdString();
    EXPECT_EQ(mainwindow::AllNodes(tree).size(), 52);
    EXPECT_EQ(mainwindow::NodeKey(tree->currentItem()), "Agenti");
    ASSERT_TRUE(browser->CurrentDataSource());
    EXPECT_EQ(browser->CurrentDataSource()->Table()->Name(), "Agenti");
    EXPECT_EQ(browser->Widgets().dgView->model()->rowCount(), agents + 1);
    EXPECT_TRUE(window.Commands()->Menu("mnuOrderPrintSetting")->isVisible());
}

// "Cambia &utente..." signs the administrator in: the tree gets nodes 38 to 52
// and the print-settings menus show; "Cambia pass&word..." changes his
// password; a cancelled change of operator ends the program.
TEST_F(MainWindow, ChangeOfOperatorAndOfPasswordFromTheFileMenu) {
    makeArchive(work("ZeltOrder_DEMO"), {"DEMO"});
    startup::runContext().codeAgente = "DEMO";
    platform::ScriptedBoxes boxes;
    frmMain window;
    window.show();
    window.Form_Activate();
    ASSERT_TRUE(window.IsInitialised()) << boxes.lastText().toStdString();
    QTreeWidget* tree = window.Browser()->Widgets().tvTreeView;
    EXPECT_EQ(mainwindow::AllNodes(tree).size(), 37);
    EXPECT_FALSE(window.Commands()->Menu("mnuOrderPrintSetting")->isVisible());
    auto* changeUser = window.findChild<QAction*>("mnuChangeUser");
    auto* changePwd = window.findChild<QAction*>("mnuChangePwd");
    ASSERT_TRUE(changeUser && changePwd);
    auto* file = window.findChild<QMenu*>("mnuFile");
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->actions().contains(changeUser));
    EXPECT_EQ(changeUser->text(), "Cambia &utente...");
    EXPECT_EQ(changePwd->text(), "Cambia pass&word...");

    signintest::whenModal<startup::frmSelectOper>([](startup::frmSelectOper* w) {
        ASSERT_NE(w, nullptr);
        w->CmbOperatore()->setCurrentIndex(w->CmbOperatore()->findText("Amministratore"));
        signintest::whenModal<startup::frmPassword>([](startup::frmPassword* p) {
            ASSERT_NE(p, nullptr);
            p->cmdConfirm()->click();  // no password yet
        });
        w->cmdConfirm()->click();
    });
    changeUser->trigger();
    EXPECT_EQ(startup::signedOperator().name, "Amministratore");
    EXPECT_EQ(mainwindow::AllNodes(tree).size(), 52);
    for (const char* menu : {"mnuOrderPrintSetting", "mnuListOrderPrintSetting", "mnuStatisticPrintSetting",
                             "mnuRowOrderPrintSetting"})
        EXPECT_TRUE(window.Commands()->Menu(menu)->isVisible()) << menu;
    EXPECT_TRUE(window.windowTitle().contains(" - Dati aggiornati al "));

    signintest::whenModal<startup::frmPassword>([](startup::frmPassword* p) {
        ASSERT_NE(p, nullptr);
        p->txtNewPwd()->setText("Sede1");
        p->txtConfirmNewPwd()->setText("Sede1");
        p->cmdConfirm()->click();
    });
    changePwd->trigger();
    auto admin = startup::runContext().database->OpenDataSource("Utenti", "Nome = 'Amministratore'");
    admin->RowFirst();
    EXPECT_EQ(admin->ColValueStr("Password"), startup::ScrambleString("Sede1", false));

    QSignalSpy unloaded(&window, &frmMain::unloaded);
    signintest::whenModal<startup::frmSelectOper>([](startup::frmSelectOper* w) {
        ASSERT_NE(w, nullptr);
        w->cmdCancel()->click();
    });
    changeUser->trigger();
    EXPECT_EQ(unloaded.count(), 1);
}

TEST_F(MainWindow, TrayMenuCloseEndsTheProgram) {
    frmMain window;
    window.show();
    QSignalSpy unloaded(&window, &frmMain::unloaded);
    window.Tray()->mnuChiudi()->trigger();
    EXPECT_EQ(unloaded.count(), 1);
}

TEST_F(MainWindow, CloseAskedWhileTheDatabaseOpensWaitsForIt) {
    makeArchive(work("ZeltOrder_DEMO"), {"DEMO"});
    startup::runContext().codeAgente = "DEMO";
    platform::ScriptedBoxes boxes;
    frmMain window;
    window.show();
    QSignalSpy unloaded(&window, &frmMain::unloaded);
    bool closedAtOnce = true;
    // The tray's "Chiudi" chosen while the splash is up.
    QTimer::singleShot(200, &window, [&] { closedAtOnce = window.close(); });
    window.Form_Activate();
    EXPECT_FALSE(closedAtOnce);
    EXPECT_TRUE(window.IsInitialised());
    EXPECT_EQ(unloaded.count(), 0);
    EXPECT_TRUE(unloaded.wait(2000));
    EXPECT_FALSE(startup::IsDatabaseOpen());
}

TEST_F(MainWindow, FailedActivationAsksToChangeTheSettings) {
    startup::runContext().codeAgente = "A1";  // no database file for it
    int optionsShown = 0;
    frmMain::SetOptionsWindow([&](QWidget*, bool modal) {
        ++optionsShown;
        return !modal && false;
    });
    frmMain window;
    window.show();
    QSignalSpy unloaded(&window, &frmMain::unloaded);
    {
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerYes);
        window.Form_Activate();
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_TRUE(
            boxes.lastText().endsWith("Database non inizializzato...\r\rVuoi cambiare le impostazioni ?"))
            << boxes.lastText().toStdString();
        EXPECT_EQ(optionsShown, 2);  // modal from the start, then modeless after Yes
        EXPECT_FALSE(window.IsInitialised());
        EXPECT_EQ(unloaded.count(), 0);
    }
    {
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerNo);
        window.Form_Activate();
        EXPECT_EQ(unloaded.count(), 1);
    }
}

TEST_F(MainWindow, NotificationsOfTheDataLibrary) {
    frmMain window;
    int code = datalib::event::Checking;
    QString text = "Clienti";
    window.OnEvent(code, 0, text);
    EXPECT_EQ(window.sbStatusText()->text(), mainwindow::EventStatusText(code, text));

    platform::ScriptedBoxes boxes;
    QString message = "Attenzione";
    window.OnInternalMessage(0, message);
    EXPECT_EQ(boxes.shown().back().style, platform::kOkOnly | platform::kExclamation);

    QString question = "Eliminare la riga ?";
    for (const auto& [given, proposeCancel, expected] :
         {std::tuple{platform::kAnswerOk, true, false}, std::tuple{platform::kAnswerCancel, false, true}}) {
        boxes.answer(given);
        bool answer = proposeCancel;
        window.OnQueryMessage(0, 1, question, answer);
        EXPECT_EQ(answer, expected);
    }
    EXPECT_EQ(boxes.shown()[1].style, platform::kOkCancel | platform::kQuestion | platform::kDefaultButton2);
}

}  // namespace
