#include "startup/ui/SingleInstance.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QSignalSpy>
#include <QUuid>

namespace {

QString uniqueName() {
    return QStringLiteral("zelt-test-") + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

TEST(SingleInstance, SecondStartIsRefusedAndAsksTheFirstToShowItself) {
    const QString name = uniqueName();
    startup::SingleInstance first(name);
    ASSERT_TRUE(first.Claim());
    EXPECT_TRUE(first.IsPrimary());
    QSignalSpy shown(&first, &startup::SingleInstance::activationRequested);

    startup::SingleInstance second(name);
    EXPECT_FALSE(second.Claim());
    EXPECT_FALSE(second.IsPrimary());
    EXPECT_TRUE(shown.wait(2000));
}

TEST(SingleInstance, StaleSocketLeftByACrashIsTakenOver) {
    const QString name = uniqueName();
    // What a copy that was killed leaves: the socket path exists, nobody listens.
    const QString path = QDir(QDir::tempPath()).filePath(name);
    {
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    startup::SingleInstance instance(name);
    EXPECT_TRUE(instance.Claim());
    EXPECT_TRUE(instance.IsPrimary());
}

TEST(SingleInstance, EndedCopyFreesTheName) {
    const QString name = uniqueName();
    {
        startup::SingleInstance first(name);
        ASSERT_TRUE(first.Claim());
    }
    startup::SingleInstance again(name);
    EXPECT_TRUE(again.Claim());
}

TEST(SingleInstance, NameDependsOnTheUsersHome) {
    const QString a = startup::SingleInstance::DefaultName();
    EXPECT_TRUE(a.startsWith("ZeltOrder-"));
    EXPECT_EQ(a, startup::SingleInstance::DefaultName());
    EXPECT_TRUE(startup::SingleInstance::AlreadyRunningText().startsWith(
        "L'applicazione e' stata gia' avviata\r\rControlla la barra dei menu' per la riattivazione "
        "premendo doppio click sull'icona corrispondente..."));
}

}  // namespace
