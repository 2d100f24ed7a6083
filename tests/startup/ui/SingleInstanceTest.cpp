#include "startup/ui/SingleInstance.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUuid>

#include <sys/stat.h>
#include <unistd.h>

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
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith("ZeltOrder-"));
    EXPECT_EQ(a, startup::SingleInstance::DefaultName());
    EXPECT_TRUE(startup::SingleInstance::AlreadyRunningText().startsWith(
        "L'applicazione e' stata gia' avviata\r\rControlla la barra dei menu' per la riattivazione "
        "premendo doppio click sull'icona corrispondente..."));
}

// The user's runtime folder for one test; the former one comes back after.
class RuntimeFolder {
  public:
    RuntimeFolder() : former_(qgetenv("XDG_RUNTIME_DIR")) {
        ::chmod(QFile::encodeName(dir_.path()).constData(), 0700);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir_.path()));
    }
    ~RuntimeFolder() { qputenv("XDG_RUNTIME_DIR", former_); }
    QString path(const QString& name = QString()) const {
        return name.isEmpty() ? dir_.path() : dir_.filePath(name);
    }

  private:
    QByteArray former_;
    QTemporaryDir dir_;
};

mode_t modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return 0;
    return st.st_mode;
}

// The socket lies in a folder of the user's alone (mode 700) under the
// runtime folder, so that another account listening on the name the program
// used to take in the shared temporary folder stops nothing; a folder found
// there with rights for others is made private, and one that is a link or
// belongs to someone else is not used.
TEST(SingleInstance, TheSocketLiesWhereOnlyTheUserCanReachIt) {
    struct Case {
        const char* what;
        std::function<void(const RuntimeFolder&)> prepare;
        bool inRuntimeFolder;
    };
    const std::vector<Case> cases{
        {"nothing there yet", [](const RuntimeFolder&) {}, true},
        {"a folder open to everybody",
         [](const RuntimeFolder& r) {
             ASSERT_EQ(::mkdir(QFile::encodeName(r.path("zelt-order")), 0777), 0);
             ::chmod(QFile::encodeName(r.path("zelt-order")).constData(), 0777);
         },
         true},
        {"a link to another folder",
         [](const RuntimeFolder& r) {
             ASSERT_EQ(::mkdir(QFile::encodeName(r.path("altrove")), 0700), 0);
             ASSERT_EQ(::symlink("altrove", QFile::encodeName(r.path("zelt-order")).constData()), 0);
         },
         false},
        {"a file in its place",
         [](const RuntimeFolder& r) {
             QFile f(r.path("zelt-order"));
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RuntimeFolder runtime;
        c.prepare(runtime);
        // Someone listening on the name of the shared temporary folder.
        const QString leaf = QFileInfo(startup::SingleInstance::DefaultName()).fileName();
        QLocalServer squatter;
        QLocalServer::removeServer(leaf);
        ASSERT_TRUE(squatter.listen(leaf));

        const QString name = startup::SingleInstance::DefaultName();
        ASSERT_FALSE(name.isEmpty());
        const QString folder = QFileInfo(name).path();
        EXPECT_EQ(folder == runtime.path("zelt-order"), c.inRuntimeFolder) << folder.toStdString();
        const mode_t mode = modeOf(folder);
        EXPECT_TRUE(S_ISDIR(mode));
        EXPECT_EQ(mode & 0777, 0700u);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(folder).constData(), &st), 0);
        EXPECT_EQ(st.st_uid, ::getuid());

        startup::SingleInstance instance(name);
        EXPECT_TRUE(instance.Claim());
        EXPECT_TRUE(instance.IsPrimary());
        startup::SingleInstance second(name);
        EXPECT_FALSE(second.Claim());
    }
}

}  // namespace
