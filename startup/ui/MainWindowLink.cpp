#include "startup/ui/MainWindowLink.h"

#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "startup/RunContext.h"
#include "startup/modDatabase.h"
#include "startup/modGlobal.h"
#include "startup/ui/frmMessage.h"

#include <QApplication>
#include <QCoreApplication>

namespace startup {

MainWindowLink& mainWindowLink() {
    static MainWindowLink link;
    return link;
}

std::shared_ptr<datalib::Database> OpenDatabase() {
    const MainWindowLink& link = mainWindowLink();
    auto db = link.database ? link.database() : runContext().database;
    if (!db || db->State() != datalib::Database::StateOpen) return nullptr;
    return db;
}

datalib::Engine* CurrentEngine() {
    const MainWindowLink& link = mainWindowLink();
    return link.engine ? link.engine() : runContext().engine.get();
}

QString StartupDatabasePassword() {
    const MainWindowLink& link = mainWindowLink();
    return link.databasePassword ? link.databasePassword() : DatabasePassword();
}

void SaveConfigurationOfRun() {
    const MainWindowLink& link = mainWindowLink();
    if (link.saveConfiguration)
        link.saveConfiguration();
    else
        SaveConfiguration();
}

int CurrentAccessLevel() {
    if (auto db = OpenDatabase()) return db->AccessLevel();
    return signedOperator().accessLevel.value_or(0);
}

namespace {

// The windows that the program itself has open, last created first: visible
// top-level windows other than popups, tool tips and the message window.
QList<QWidget*> programWindows() {
    QList<QWidget*> result;
    const QWidgetList all = QApplication::topLevelWidgets();
    for (auto it = all.crbegin(); it != all.crend(); ++it) {
        QWidget* w = *it;
        if (!w->isVisible()) continue;
        const Qt::WindowType type = w->windowType();
        if (type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen || type == Qt::Desktop)
            continue;
        if (frmMessage::IsLoaded() && w == frmMessage::instance()) continue;
        result.append(w);
    }
    return result;
}

bool closeWindows(QWidget* except, bool mainToo) {
    QWidget* main = mainWindowLink().window;
    for (QWidget* w : programWindows()) {
        if (w == except || w == main) continue;
        if (except && except->isAncestorOf(w)) continue;
        if (!w->close()) return false;
    }
    if (mainToo && main && main->isVisible() && !main->close()) return false;
    return true;
}

}  // namespace

bool CloseOtherWindows(QWidget* except) {
    const MainWindowLink& link = mainWindowLink();
    if (link.closeOtherWindows) return link.closeOtherWindows(except);
    return closeWindows(except, false);
}

void ReleaseDatabaseOfMainWindow() {
    const MainWindowLink& link = mainWindowLink();
    if (link.releaseDatabase)
        link.releaseDatabase();
    else
        ReleaseEngine();
}

void EndProgram() {
    const MainWindowLink& link = mainWindowLink();
    if (link.endProgram) {
        link.endProgram();
        return;
    }
    if (closeWindows(nullptr, true)) QCoreApplication::quit();
}

}  // namespace startup
