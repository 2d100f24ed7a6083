#include "carddevices/MagneticDevParam.h"
#include "platform/SettingsStore.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

using namespace carddevices;
using platform::SettingsStore;

namespace {

class MagneticDevParamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SettingsStore::setRootDir(dir_.path());
        magneticDevParams() = {4, 7, "x"};
    }
    void TearDown() override {
        SettingsStore::setRootDir(QString());
        magneticDevParams() = {};
    }
    static void put(const char* key, const QString& value) {
        SettingsStore::save("Zelt Order", "MagneticDevParam", key, value);
    }
    QTemporaryDir dir_;
};

TEST_F(MagneticDevParamTest, DefaultsWhenNothingIsStored) {
    LoadMagneticDevParam();
    EXPECT_EQ(magneticDevParams().type, 0);
    EXPECT_EQ(magneticDevParams().comPortNumber, 1);
    EXPECT_EQ(magneticDevParams().comPortParam, "9600,n,8,1");
}

TEST_F(MagneticDevParamTest, SaveThenLoad) {
    magneticDevParams() = {kDeviceKeyboardEmulation, 3, "4800,e,7,2"};
    ASSERT_TRUE(SaveMagneticDevParam());
    EXPECT_EQ(SettingsStore::get("Zelt Order", "MagneticDevParam", "Type"), "9999");
    EXPECT_EQ(SettingsStore::get("Zelt Order", "MagneticDevParam", "COMPortNumber"), "3");
    EXPECT_EQ(SettingsStore::get("Zelt Order", "MagneticDevParam", "COMPortParam"), "4800,e,7,2");
    magneticDevParams() = {};
    LoadMagneticDevParam();
    EXPECT_EQ(magneticDevParams().type, kDeviceKeyboardEmulation);
    EXPECT_EQ(magneticDevParams().comPortNumber, 3);
    EXPECT_EQ(magneticDevParams().comPortParam, "4800,e,7,2");
}

TEST_F(MagneticDevParamTest, NumbersTakeTheLeadingNumber) {
    const struct {
        const char* text;
        int type;
        int port;
    } cases[] = {
        {"2", 2, 2},   {" 1 ", 1, 1}, {"2abc", 2, 2}, {"abc", 0, 0},       {"", 0, 0},
        {"2.5", 2, 2}, {"3.5", 4, 4}, {"-1", -1, -1}, {"99999", 99999, 0}, {"1 2", 12, 12},
    };
    for (const auto& c : cases) {
        put("Type", c.text);
        put("COMPortNumber", c.text);
        LoadMagneticDevParam();
        EXPECT_EQ(magneticDevParams().type, c.type) << c.text;
        EXPECT_EQ(magneticDevParams().comPortNumber, c.port) << c.text;
    }
}

}  // namespace
