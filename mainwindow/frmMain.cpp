#include "mainwindow/frmMain.h"

#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/MainCommands.h"
#include "mainwindow/MainWindowUi.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowPlacement.h"
#include "startup/Common.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/modGlobal.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/UserLogin.h"
#include "startup/ui/clsOSTNA.h"
#include "startup/ui/frmFirstRun.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/frmOptions.h"
#include "startup/ui/frmSplashCustom.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>

#include <cmath>

namespace mainwindow {

namespace {

const char* const kFontName = "Humnst777 BT";

frmMain::OptionsWindow& optionsWindow() {
    static frmMain::OptionsWindow window;
    return window;
}

bool& automaticActivation() {
    static bool on = true;
    return on;
}

QString settingsSection() { return QLatin1String(startup::kSettingsSection); }

// A number of the placement: written by older copies with a decimal comma,
// by ours with a dot.
double readSetting(const char* key, double defaultValue) {
    QString text =
        platform::SettingsStore::get(platform::appName(), settingsSection(), QLatin1String(key)).trimmed();
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : defaultValue;
}

void writeSetting(const char* key, double value) {
    platform::SettingsStore::save(platform::appName(), settingsSection(), QLatin1String(key),
                                  QString::number(static_cast<float>(value)));
}

QString exeName() { return QFileInfo(QCoreApplication::applicationFilePath()).fileName(); }

}  // namespace

void frmMain::SetOptionsWindow(OptionsWindow window) { optionsWindow() = std::move(window); }

void frmMain::SetAutomaticActivation(bool on) { automaticActivation() = on; }

frmMain::frmMain() {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    if (windowIcon().isNull()) setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));

    auto* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    // The operator's own commands, before the end of the program.
    mnuChangeUser_ = mnuFile->addAction(QStringLiteral("Cambia &utente..."));
    mnuChangeUser_->setObjectName(QStringLiteral("mnuChangeUser"));
    platform::connectGuarded(mnuChangeUser_, &QAction::triggered, this, &frmMain::mnuChangeUser_Click);
    mnuChangePwd_ = mnuFile->addAction(QStringLiteral("Cambia pass&word..."));
    mnuChangePwd_->setObjectName(QStringLiteral("mnuChangePwd"));
    platform::connectGuarded(mnuChangePwd_, &QAction::triggered, this, &frmMain::mnuChangePwd_Click);
    mnuFile->addSeparator();
    mnuFileClose_ = mnuFile->addAction(QStringLiteral("&Chiudi"));
    mnuFileClose_->setObjectName(QStringLiteral("mnuFileClose"));
    platform::connectGuarded(mnuFileClose_, &QAction::triggered, this, [this] { close(); });

    statusText_ = new QLabel(this);
    statusText_->setObjectName(QStringLiteral("sbStatusText"));
    statusBar()->setObjectName(QStringLiteral("sbStatusBar"));
    statusBar()->addWidget(statusText_, 1);

    browser_ = BuildMainWindowUi(*this);

    startup::MainWindowLink& link = startup::mainWindowLink();
    link.window = this;
    link.database = [] { return startup::runContext().database; };
    link.engine = [] { return startup::runContext().engine.get(); };
    link.setAppTitle = [this](bool shortForm) { SetAppTitle(shortForm); };
    link.releaseDatabase = [this] { ReleaseDatabase(); };
    link.saveConfiguration = [] { startup::SaveConfiguration(); };
    link.databasePassword = [] { return startup::DatabasePassword(); };
    link.endProgram = [this] { endProgram(); };

    tray_ = new startup::clsOSTNA(this);
    // The tray menu's "&Chiudi" ends the program like the menu command.
    connect(tray_, &startup::clsOSTNA::closeRequested, this, [this] { close(); });

    Form_Load();
}

frmMain::~frmMain() {
    if (!unloaded_) Form_Unload();
    startup::MainWindowLink& link = startup::mainWindowLink();
    if (link.window == this) link = startup::MainWindowLink();
}

frmMain::Placement frmMain::ReadPlacement() {
    Placement p;
    p.left = readSetting("MainLeft", p.left);
    p.top = readSetting("MainTop", p.top);
    p.width = readSetting("MainWidth", p.width);
    p.height = readSetting("MainHeight", p.height);
    const int state = static_cast<int>(readSetting("MainState", p.state));
    p.state = (state >= 0 && state <= 2) ? state : 2;
    p.split = readSetting("MainSplit", p.split);
    return p;
}

void frmMain::Form_Load() {
    startup::RunContext& g = startup::runContext();
    g.fontName = QLatin1String(kFontName);
    startup::SetFormFont(this, g.fontName, g.fontSizeDelta);

    // What is stored (edited by hand, or saved on a screen that is gone) is
    // brought onto an available screen at a size that can be painted.
    const Placement p = ReadPlacement();
    const Placement designed;
    setGeometry(platform::PlacementOnScreen(
        QRect(startup::TwipsToPixels(p.left, this), startup::TwipsToPixels(p.top, this),
              startup::TwipsToPixels(p.width, this), startup::TwipsToPixels(p.height, this)),
        QSize(startup::TwipsToPixels(designed.width, this), startup::TwipsToPixels(designed.height, this)),
        this));
    Qt::WindowStates state = windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
    if (p.state == 1) state |= Qt::WindowMinimized;
    if (p.state == 2) state |= Qt::WindowMaximized;
    setWindowState(state);

    SetAppTitle(true);
    tray_->IconStart(this, windowIcon(), windowTitle());
    g.today = QDate::currentDate();
}

void frmMain::SetAppTitle(bool bShort) {
    QString updated;
    if (!bShort && startup::runContext().database) {
        try {
            updated = startup::runContext().database->GetSysParam(QStringLiteral("DataAggiornamentoDatabase"),
                                                                  QStringLiteral("01/01/2004"));
        } catch (const std::exception&) {
            updated = QStringLiteral("01/01/2004");
        }
    } else if (!bShort) {
        updated = QStringLiteral("01/01/2004");
    }
    setWindowTitle(startup::AppTitleText(bShort, updated));
    if (tray_ && tray_->IsShown()) tray_->ChangeTip(windowTitle());
}

void frmMain::SetStatusMsg(const QString& text) { statusText_->setText(text); }

void frmMain::ReleaseDatabase() {
    // The views of the data go first: nothing may stand on a closed database.
    if (browser_) browser_->ReleaseView();
    startup::ReleaseEngine();
}

// ---- Activation ----------------------------------------------------------------

bool frmMain::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) queueActivation();
    return QMainWindow::event(e);
}

void frmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // Some desktops (and virtual displays) never activate a window that
    // nobody clicked: the first showing starts the activation as well.
    queueActivation();
}

void frmMain::queueActivation() {
    if (activationQueued_ || !automaticActivation()) return;
    activationQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        activationQueued_ = false;
        Form_Activate();
    });
}

void frmMain::Form_Activate() {
    startup::RunContext& g = startup::runContext();
    if (busy_ || g.optionsOpen || closing_ || unloaded_) return;
    busy_ = true;
    // A close asked for while the activation ran (the splash lets the events
    // run) is carried out once it has returned.
    struct CloseWhenDone {
        frmMain* window;
        ~CloseWhenDone() {
            if (window->closeRequested_) {
                window->closeRequested_ = false;
                window->closeLater();
            }
        }
    } closeWhenDone{this};
    const bool first = !initialised_;
    try {
        if (!g.database && !g.engine) {
            initialised_ = false;
            bool opened = false;
            {
                startup::frmSplashCustom splash;
                opened = startup::InitDatabase(g.codeAgente, &splash, false, *this);
            }
            if (closing_) {
                busy_ = false;
                return;
            }
            if (!opened)
                startup::RaiseGenericError(exeName(), QStringLiteral("Database non inizializzato..."));

            ApplyBranding();
            repaint();
            if (isMinimized()) showNormal();

            if (!UserLogin(true, QStringLiteral("Operatore"), false)) {
                busy_ = false;
                close();
                return;
            }
            initialised_ = true;
            // The tree for the operator's level and its view: at the start
            // and again after every reopening (a new folder or agent, a repair).
            ShowSignedIn();
            SetStatusMsg(QStringLiteral("Pronto"));
            busy_ = false;
            if (first) emit firstActivationDone(true);
            return;
        }
        // Later activations: the view shows the rows as they are now.
        browser_->RefreshCurrentRows();
    } catch (...) {
        const core::AppError error = startup::CurrentError();
        const int answer =
            platform::messageBox(error.description() + QStringLiteral("\r\rVuoi cambiare le impostazioni ?"),
                                 platform::kYesNo | platform::kExclamation, QString(), this);
        busy_ = false;
        if (answer == platform::kAnswerYes) {
            showOptions();
            ReleaseDatabase();
        } else {
            close();
        }
        return;
    }
    busy_ = false;
}

void frmMain::closeLater() {
    QTimer::singleShot(0, this, [this] { close(); });
}

void frmMain::ApplyBranding() {
    startup::RunContext& g = startup::runContext();
    // Nothing of the branding stops the start: a failing step is skipped.
    try {
        g.database->SetOption(true);
        startup::ReadBrandingParameters(*g.database);
        if (!g.backgroungImagePath.trimmed().isEmpty()) {
            QPixmap picture;
            if (picture.load(startup::GetAbsolutePath(g.backgroungImagePath)))
                browser_->Widgets().imgMainBackground->setPixmap(picture);
        }
        if (!g.logoImagePath.trimmed().isEmpty())
            if (MainCommands* commands = Commands())
                commands->SetToolbarLogo(startup::GetAbsolutePath(g.logoImagePath));
    } catch (...) {
    }
    setWindowTitle(platform::softwareName());
}

void frmMain::ShowSignedIn() {
    browser_->SetTreeViewNodes();
    browser_->RefreshDetailView();
    if (MainCommands* commands = Commands()) commands->UpdateWiredCommands();
}

void frmMain::mnuChangeUser_Click() {
    if (!startup::IsDatabaseOpen()) {
        QApplication::beep();
        return;
    }
    // Nobody is signed in once the choice was cancelled: the program ends.
    if (!UserLogin(true, QString(), false)) {
        close();
        return;
    }
    ShowSignedIn();
}

void frmMain::mnuChangePwd_Click() {
    if (!startup::IsDatabaseOpen()) {
        QApplication::beep();
        return;
    }
    UserLogin(false, QString(), true);
}

bool frmMain::UserLogin(bool bLogin, const QString& strUser, bool bChangePassword) {
    return startup::UserLogin(bLogin, strUser, bChangePassword);
}

bool frmMain::showOptionsModal() {
    if (optionsWindow()) return optionsWindow()(this, true);
    startup::frmOptions options(this);
    options.exec();
    return options.blnConfirmed();
}

void frmMain::showOptions() {
    if (optionsWindow()) {
        optionsWindow()(this, false);
        return;
    }
    auto* options = new startup::frmOptions(this);
    options->setAttribute(Qt::WA_DeleteOnClose);
    // The next activation after the window closed opens the database again.
    platform::connectGuarded(options, &QObject::destroyed, this, [this] { queueActivation(); });
    options->show();
}

bool frmMain::askFirstRunValues(startup::FirstRunValues& values) {
    if (values.installFolder.isEmpty()) values.installFolder = platform::assetsDir();
    return startup::frmFirstRun::Ask(this, values);
}

void frmMain::endProgram() {
    // Called while the activation runs: close once it has returned.
    closing_ = true;
    QTimer::singleShot(0, this, [this] {
        closing_ = false;
        busy_ = false;
        if (!close()) closing_ = false;
    });
}

// ---- Closing ---------------------------------------------------------------------

void frmMain::closeEvent(QCloseEvent* e) {
    if (unloaded_) {
        e->accept();
        return;
    }
    const UnloadMode mode = e->spontaneous() ? UnloadMode::ControlMenu : UnloadMode::Code;
    if (mode == UnloadMode::Code && busy_) {
        // The database is being opened right now: nothing may be released
        // under it.
        closeRequested_ = true;
        e->ignore();
        return;
    }
    if (!Form_QueryUnload(mode)) {
        e->ignore();
        return;
    }
    e->accept();
    Form_Unload();
}

bool frmMain::Form_QueryUnload(UnloadMode mode) {
    if (mode == UnloadMode::ControlMenu) {
        // Hidden only where the tray icon can bring it back; otherwise it
        // would be out of reach while its single-instance guard blocks a
        // second start.
        if (tray_->IsShown())
            hide();
        else
            showMinimized();
        return false;
    }
    // The current view's grid layout is kept before anything closes.
    browser_->SaveGridSettings();
    QString refused;
    QPointer<QWidget> stayed;
    if (!CloseOtherWindows(&refused, &stayed)) {
        platform::messageBox(QStringLiteral("Impossibile chiudere l'applicazione...\r\r") + refused,
                             platform::kOkOnly | platform::kExclamation, QString(), this);
        // The window named (the open order, most often) is in front, where
        // the agent can finish or cancel it.
        if (stayed) {
            if (stayed->isMinimized()) stayed->showNormal();
            stayed->raise();
            stayed->activateWindow();
        }
        return false;
    }
    return true;
}

bool frmMain::CloseOtherWindows(QString* refused, QPointer<QWidget>* stayed) {
    if (startup::CloseOtherWindows(this)) return true;
    if (refused || stayed) {
        // Name the window that stayed open.
        const QWidgetList all = QApplication::topLevelWidgets();
        for (auto it = all.crbegin(); it != all.crend(); ++it) {
            QWidget* w = *it;
            if (w == this || !w->isVisible() || w->windowType() == Qt::Popup ||
                w->windowType() == Qt::ToolTip)
                continue;
            if (startup::frmMessage::IsLoaded() && w == startup::frmMessage::instance()) continue;
            if (refused)
                *refused = QStringLiteral("La finestra \"") + w->windowTitle() +
                           QStringLiteral("\" non può essere chiusa.");
            if (stayed) *stayed = w;
            break;
        }
    }
    return false;
}

void frmMain::SavePlacement() {
    const int state = startup::FormStateOf(this);
    writeSetting("MainState", state);
    // The normal placement, also of a minimised or maximised window.
    const QRect normal = (state == 0) ? geometry() : normalGeometry();
    if (normal.isValid()) {
        writeSetting("MainLeft", startup::PixelsToTwips(normal.x(), this));
        writeSetting("MainTop", startup::PixelsToTwips(normal.y(), this));
        writeSetting("MainWidth", startup::PixelsToTwips(normal.width(), this));
        writeSetting("MainHeight", startup::PixelsToTwips(normal.height(), this));
    }
    const double split = browser_->SplitterPosition();
    if (split > 0) writeSetting("MainSplit", split);
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    try {
        startup::frmMessage::instance()->ShowMsg(
            QStringLiteral("Chiusura di ") + platform::softwareName() + QStringLiteral(" ..."), this, -1, -1);
    } catch (...) {
    }
    SavePlacement();
    tray_->IconStop();
    CloseOtherWindows(nullptr);
    ReleaseDatabase();
    startup::frmMessage::Unload();
    emit unloaded();
}

// ---- Notifications of the data library ----------------------------------------------

MainCommands* frmMain::Commands() const { return findChild<MainCommands*>(); }

void frmMain::ViewEditData(bool force) {
    if (MainCommands* commands = Commands()) commands->ViewEditData(force);
}

void frmMain::OnEvent(int& p_code, int, QString& p_text) { browser_->OnEvent(p_code, p_text); }

void frmMain::OnInternalMessage(int, QString& p_message) { browser_->OnInternalMessage(p_message); }

void frmMain::OnQueryMessage(int, int p_kind, QString& p_question, bool& p_answer) {
    browser_->OnQueryMessage(p_kind, p_question, p_answer);
}

}  // namespace mainwindow
