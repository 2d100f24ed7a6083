// A write-protected archive (the file, or its folder) is refused at open with
// its own message, and no log file of SQLite is left beside it.

#include "core/AppError.h"
#include "datalib/Engine.h"
#include "datalib/Errors.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using datalib::Engine;

QString openError(const QString& file) {
    Engine engine;
    try {
        engine.Open(3, file, QString(), QStringLiteral("pw"));
    } catch (const core::AppError& e) {
        EXPECT_EQ(datalib::errors::code(e), datalib::errors::ReadOnly);
        return e.description();
    }
    return QStringLiteral("opened");
}

TEST(ReadOnlyArchive, IsRefusedWithItsOwnMessageAndLeavesNoLog) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("archivio"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString file = folder + QStringLiteral("/ZeltOrder_A001");
    Engine().Create(3, file, QString(), QStringLiteral("pw"));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    auto noLogs = [&] {
        return !QFile::exists(file + QStringLiteral("-wal")) && !QFile::exists(file + QStringLiteral("-shm"));
    };

    // Mode 444 (also for the administrator, who could write anyway).
    ASSERT_TRUE(QFile::setPermissions(file, readOnly));
    const QString fileMessage = openError(file);
    EXPECT_TRUE(fileMessage.contains(QStringLiteral("è in sola lettura"))) << fileMessage.toStdString();
    EXPECT_TRUE(fileMessage.contains(QDir::toNativeSeparators(file))) << fileMessage.toStdString();
    EXPECT_TRUE(noLogs());
    EXPECT_THROW(Engine::Repair(file, QStringLiteral("pw")), core::AppError);
    EXPECT_TRUE(noLogs());

    // A read-only folder.
    ASSERT_TRUE(QFile::setPermissions(file, readOnly | QFileDevice::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(
        folder, readOnly | QFileDevice::ExeOwner | QFileDevice::ExeGroup | QFileDevice::ExeOther));
    const QString folderMessage = openError(file);
    QFile::setPermissions(folder, readOnly | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(folderMessage.startsWith(QStringLiteral("La cartella"))) << folderMessage.toStdString();
    EXPECT_TRUE(folderMessage.contains(QStringLiteral("è in sola lettura")));
    EXPECT_TRUE(noLogs());

    // Writable again, it opens.
    Engine engine;
    EXPECT_NO_THROW(engine.Open(3, file, QString(), QStringLiteral("pw")));
}

}  // namespace
