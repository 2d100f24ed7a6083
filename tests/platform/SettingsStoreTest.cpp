#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

using platform::SettingsStore;

namespace {

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

}  // namespace
