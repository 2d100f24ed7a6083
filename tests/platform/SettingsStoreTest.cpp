#include "platform/SettingsStore.h"

#include "platform/PrivateFiles.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

using platform::SettingsStore;

namespace {

int modeOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return -1;
    return int(st.st_mode & 0777);
}

// The usual umask for the length of a test.
struct Umask {
    explicit Umask(mode_t m) : old(::umask(m)) {}
    ~Umask() { ::umask(old); }
    mode_t old;
};

class SettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { SettingsStore::setRootDir(dir_.path()); }
    void TearDown() override { SettingsStore::setRootDir(QString()); }
    QTemporaryDir dir_;
};

TEST_F(SettingsStoreTest, MissingKeysGiveTheDefault) {
    EXPECT_EQ(SettingsStore::get("Zelt Order", "Configuration", "Code_Agente", "X"), "X");
    EXPECT_TRUE(SettingsStore::get("Zelt Order", "Configuration", "Code_Agente").isEmpty());
}

TEST_F(SettingsStoreTest, ValuesRoundTripAsText) {
    // Commas, accents, an empty value and a section named after a window.
    const struct {
        const char* section;
        const char* key;
        QString value;
    } cases[] = {
        {"MagneticDevParam", "COMPortParam", "9600,n,8,1"},
        {"Ordine", "ChiediQuantità", "Vero"},
        {"SettingsfrmOrder", "Left", "1234,5"},
        {"Configuration", "RootDir", "/home/agente/Zelt Order"},
        {"Configuration", "Code_Agente", ""},
    };
    for (const auto& c : cases) ASSERT_TRUE(SettingsStore::save("Zelt Order", c.section, c.key, c.value));
    for (const auto& c : cases)
        EXPECT_EQ(SettingsStore::get("Zelt Order", c.section, c.key, "default"), c.value)
            << c.section << "/" << c.key;
    EXPECT_TRUE(QFile::exists(dir_.filePath("Zelt Order.ini")));
}

TEST_F(SettingsStoreTest, ApplicationsAndSectionsAreSeparate) {
    SettingsStore::save("Zelt Order", "Settings", "MainSplit", "3500");
    SettingsStore::save("Other", "Settings", "MainSplit", "100");
    SettingsStore::save("Zelt Order", "SettingsfrmOrder", "MainSplit", "7");
    EXPECT_EQ(SettingsStore::get("Zelt Order", "Settings", "MainSplit"), "3500");
    EXPECT_EQ(SettingsStore::get("Other", "Settings", "MainSplit"), "100");
    EXPECT_EQ(SettingsStore::get("Zelt Order", "SettingsfrmOrder", "MainSplit"), "7");
}

TEST_F(SettingsStoreTest, RemoveKeyOrSection) {
    SettingsStore::save("Zelt Order", "S", "A", "1");
    SettingsStore::save("Zelt Order", "S", "B", "2");
    EXPECT_TRUE(SettingsStore::remove("Zelt Order", "S", "A"));
    EXPECT_EQ(SettingsStore::get("Zelt Order", "S", "A", "none"), "none");
    EXPECT_EQ(SettingsStore::get("Zelt Order", "S", "B"), "2");
    EXPECT_TRUE(SettingsStore::remove("Zelt Order", "S"));
    EXPECT_EQ(SettingsStore::get("Zelt Order", "S", "B", "none"), "none");
}

TEST_F(SettingsStoreTest, HandWrittenFileIsRead) {
    QFile f(dir_.filePath("Zelt Order.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[MagneticDevParam]\nCOMPortParam=4800,e,7,2\nType=1\n");
    f.close();
    EXPECT_EQ(SettingsStore::get("Zelt Order", "MagneticDevParam", "COMPortParam"), "4800,e,7,2");
    EXPECT_EQ(SettingsStore::get("Zelt Order", "MagneticDevParam", "Type"), "1");
}

TEST_F(SettingsStoreTest, UnwritableFolderIsReported) {
    QFile blocker(dir_.filePath("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // a file where the folder should be
    blocker.close();
    SettingsStore::setRootDir(dir_.filePath("blocked"));
    EXPECT_FALSE(SettingsStore::save("Zelt Order", "S", "K", "V"));
}

// The settings hold the head-office login: folder and file are the user's
// alone, also the folders created on the way and a file left readable by an
// earlier version.
TEST_F(SettingsStoreTest, FolderAndFileAreTheUsersAlone) {
    const Umask usual(022);
    const QString root = dir_.filePath("config/Zelt Order");
    SettingsStore::setRootDir(root);
    ASSERT_TRUE(SettingsStore::save("Zelt Order", "S", "K", "V"));
    EXPECT_EQ(modeOf(dir_.filePath("config")), 0700);
    EXPECT_EQ(modeOf(root), 0700);
    EXPECT_EQ(modeOf(SettingsStore::fileFor("Zelt Order")), 0600);

    const QString other = SettingsStore::fileFor("Altro");
    QFile f(other);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[S]\nK=1\n");
    f.close();
    ::chmod(QFile::encodeName(other).constData(), 0644);
    ASSERT_TRUE(SettingsStore::save("Altro", "S", "K", "2"));
    EXPECT_EQ(modeOf(other), 0600);
    EXPECT_EQ(SettingsStore::get("Altro", "S", "K"), "2");
}

// A database of an earlier version and its companions lose the rights of
// group and others; a file of another kind is left alone.
TEST_F(SettingsStoreTest, AnOlderDatabaseAndItsCompanionsBecomePrivate) {
    const QString db = dir_.filePath("ZeltOrder_A01");
    for (const char* suffix : {"", "-wal", "-shm"}) {
        QFile f(db + QLatin1String(suffix));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        ::chmod(QFile::encodeName(db + QLatin1String(suffix)).constData(), 0664);
    }
    platform::makeDatabasePrivate(db);
    for (const char* suffix : {"", "-wal", "-shm"})
        EXPECT_EQ(modeOf(db + QLatin1String(suffix)), 0600) << suffix;
    EXPECT_FALSE(QFile::exists(db + "-journal"));
}

}  // namespace
