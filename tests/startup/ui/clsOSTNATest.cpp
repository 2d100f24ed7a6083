#include "startup/ui/clsOSTNA.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>

using startup::clsOSTNA;

namespace {

struct TrayAvailability {
    explicit TrayAvailability(bool available) { clsOSTNA::setAvailabilityOverride(available); }
    ~TrayAvailability() { clsOSTNA::setAvailabilityOverride(std::nullopt); }
};

TEST(TrayIcon, WithoutANotificationAreaNothingIsShownAndTheOwnerIsTold) {
    TrayAvailability none(false);
    QWidget owner;
    clsOSTNA tray;
    EXPECT_EQ(tray.IconStart(&owner, QIcon(), QStringLiteral("Zelt Order")), 0);
    EXPECT_FALSE(tray.IsShown());
    tray.IconStop();  // harmless
    EXPECT_FALSE(tray.IsShown());
}

TEST(TrayIcon, StartStopAndRestart) {
    TrayAvailability present(true);
    QWidget owner;
    clsOSTNA tray;
    EXPECT_NE(tray.IconStart(&owner, QIcon(), QStringLiteral("Zelt Order")), 0);
    EXPECT_TRUE(tray.IsShown());
    EXPECT_NE(tray.IconStart(&owner, QIcon(), QStringLiteral("Di nuovo")), 0);  // removed and added again
    EXPECT_TRUE(tray.IsShown());
    tray.IconStop();
    EXPECT_FALSE(tray.IsShown());
    tray.IconStop();
    EXPECT_FALSE(tray.IsShown());
}

TEST(TrayIcon, TipIsCutToSixtyThreeCharacters) {
    const QString tip64 = QString(64, QLatin1Char('x'));
    EXPECT_EQ(clsOSTNA::TipText(tip64), QString(63, QLatin1Char('x')));
    EXPECT_EQ(clsOSTNA::TipText(QStringLiteral("Zelt Order")), QStringLiteral("Zelt Order"));
}

TEST(TrayIcon, OnlyADoubleClickShowsTheWindowAndOnlyTheRightButtonAsksForTheMenu) {
    QWidget owner;
    owner.hide();
    clsOSTNA tray;
    tray.IconStart(&owner, QIcon(), QStringLiteral("Zelt Order"));
    QSignalSpy menu(&tray, &clsOSTNA::menuRequested);

    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick, QSystemTrayIcon::Unknown})
        tray.Relay(reason);
    EXPECT_FALSE(owner.isVisible());
    EXPECT_EQ(menu.count(), 0);

    tray.Relay(QSystemTrayIcon::Context);
    EXPECT_EQ(menu.count(), 1);
    EXPECT_FALSE(owner.isVisible());

    tray.Relay(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(owner.isVisible());

    owner.showMinimized();
    tray.Relay(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(owner.isMinimized());
}

TEST(TrayIcon, ContextMenuEntries) {
    QWidget owner;
    clsOSTNA tray;
    tray.IconStart(&owner, QIcon(), QStringLiteral("Zelt Order"));
    const auto actions = tray.mnuPopUp()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&Visualizza"));
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), QStringLiteral("&Chiudi"));

    QSignalSpy close(&tray, &clsOSTNA::closeRequested);
    tray.mnuVisualizza()->trigger();
    EXPECT_TRUE(owner.isVisible());
    EXPECT_EQ(close.count(), 0);
    tray.mnuChiudi()->trigger();
    EXPECT_EQ(close.count(), 1);
}

}  // namespace
