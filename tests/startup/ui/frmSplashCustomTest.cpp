#include "startup/modGlobal.h"
#include "startup/ui/frmSplashCustom.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>

using startup::frmSplashCustom;

namespace {

struct VersionGuard {
    QString saved = QCoreApplication::applicationVersion();
    ~VersionGuard() { QCoreApplication::setApplicationVersion(saved); }
};

TEST(Splash, VersionShowsMajorMinorAndRevision) {
    VersionGuard guard;
    const std::pair<const char*, const char*> cases[] = {
        {"1.5.0.14", "Version 1.5.14"},  // the build field is left out
        {"2.1.3", "Version 2.1.3"},
        {"3", "Version 3.0.0"},
    };
    for (const auto& [version, text] : cases) {
        QCoreApplication::setApplicationVersion(QLatin1String(version));
        EXPECT_EQ(startup::ProgramVersionText(), QLatin1String(text));
    }
    QCoreApplication::setApplicationVersion(QStringLiteral("1.5.0.14"));
    frmSplashCustom splash;
    EXPECT_EQ(splash.lblVersion()->text(), QStringLiteral("Version 1.5.14"));
}

TEST(Splash, PictureAndApplicationName) {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("start.png"));
    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(good));
    const QString broken = dir.filePath(QStringLiteral("rotta.jpg"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("non un'immagine");
    file.close();

    frmSplashCustom splash;
    const qint64 designTime = splash.LogoPicture().cacheKey();
    // An empty register name: the software name, " - " and nothing more.
    splash.strApplicationName = QStringLiteral("Zelt Order - ");
    splash.strBackgroungImagePath = QStringLiteral("   ");
    splash.SetControl();
    EXPECT_EQ(splash.lblProductName()->text(), QStringLiteral("Zelt Order - "));
    EXPECT_EQ(splash.LogoPicture().cacheKey(), designTime);

    splash.strBackgroungImagePath = good;
    splash.SetControl();
    EXPECT_EQ(splash.LogoPicture().size(), QSize(64, 32));
    const qint64 loaded = splash.LogoPicture().cacheKey();

    // A file that is no picture (or is missing) leaves the picture shown.
    for (const QString& path : {broken, dir.filePath(QStringLiteral("manca.png"))}) {
        splash.strBackgroungImagePath = path;
        splash.SetControl();
        EXPECT_EQ(splash.LogoPicture().cacheKey(), loaded);
    }
}

TEST(Splash, StaysOnScreenAndKeepsTheEventsRunning) {
    frmSplashCustom splash;
    splash.show();
    bool served = false;
    QTimer::singleShot(10, [&served] { served = true; });
    QElapsedTimer clock;
    clock.start();
    splash.KeepOnScreen(150);
    EXPECT_GE(clock.elapsed(), 150);
    EXPECT_TRUE(served);
    EXPECT_TRUE(splash.isVisible());
}

}  // namespace
