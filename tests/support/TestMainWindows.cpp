#include "platform/ui/Desktop.h"
#include "platform/ui/GuardedApplication.h"

#include <gtest/gtest.h>
#include <QApplication>

int main(int argc, char** argv) {
    // Windows are tested headless unless the caller picked a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // The program's own application object, with its guard of the events.
    platform::GuardedApplication app(argc, argv);
    platform::installDesktopServices();
    return RUN_ALL_TESTS();
}
