#include "core/Prompt.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/RunContext.h"
#include "startup/modGlobal.h"

#include <gtest/gtest.h>
#include <QTemporaryDir>

namespace {

class Configuration : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        platform::SettingsStore::setRootDir(dir.filePath("config"));
        platform::setDataDirOverride(dir.filePath("data"));
        saved = startup::runContext();
    }
    void TearDown() override {
        startup::runContext() = saved;
        platform::SettingsStore::setRootDir(QString());
        platform::setDataDirOverride(QString());
        core::setSoftwareName(QString());
    }
    static QString stored(const char* key) {
        return platform::SettingsStore::get(platform::appName(), "Configuration", key, "<none>");
    }
    static void store(const char* key, const QString& value) {
        platform::SettingsStore::save(platform::appName(), "Configuration", key, value);
    }

    QTemporaryDir dir;
    startup::RunContext saved;
};

TEST_F(Configuration, EmptyStoreGivesTheDefaults) {
    startup::RunContext& g = startup::runContext();
    g.codeAgente = "X";
    g.codePostazione = 7;
    g.defaultCodiceIva = "Z";
    g.valoreArrotondamento = 3;
    g.arrotondaInEccesso = 0;
    startup::ReadConfiguration();
    EXPECT_EQ(g.rootDir, platform::dataDir());
    EXPECT_EQ(g.codeAgente, "");
    EXPECT_EQ(g.codePostazione, 0);
    EXPECT_EQ(g.defaultCodiceIva, "IVA20");
    EXPECT_EQ(g.valoreArrotondamento, 0.0);
    EXPECT_EQ(g.arrotondaInEccesso, -1.0);
}

TEST_F(Configuration, RoundUpFlagIsReadLenientlyAndWrittenAsMinusOneOrZero) {
    struct Case {
        const char* text;
        double expected;
        const char* written;
    };
    for (const Case c : {Case{"No", 0, "0"}, Case{"Falso", 0, "0"}, Case{"FALSE", 0, "0"},
                         Case{" 0 ", 0, "0"}, Case{"no", 0, "0"}, Case{"True", -1, "-1"},
                         Case{"-1", -1, "-1"}, Case{"", -1, "-1"}, Case{"False.", -1, "-1"}}) {
        store("ArrotondaInEccesso", c.text);
        startup::ReadConfiguration();
        EXPECT_EQ(startup::runContext().arrotondaInEccesso, c.expected) << c.text;
        ASSERT_TRUE(startup::SaveConfiguration());
        EXPECT_EQ(stored("ArrotondaInEccesso"), c.written) << c.text;
    }
}

TEST_F(Configuration, SavedValuesReadBack) {
    startup::RunContext& g = startup::runContext();
    g.rootDir = dir.filePath("work");
    g.codeAgente = "A01";
    g.codePostazione = 12;
    g.defaultCodiceIva = "IVA22";
    g.valoreArrotondamento = 0.5;
    g.arrotondaInEccesso = 0;
    ASSERT_TRUE(startup::SaveConfiguration());
    EXPECT_EQ(stored("Code_Postazione"), "12");
    EXPECT_EQ(stored("ValoreArrotondamento"), "0,5");

    g = startup::RunContext();
    startup::ReadConfiguration();
    EXPECT_EQ(g.rootDir, dir.filePath("work"));
    EXPECT_EQ(g.codeAgente, "A01");
    EXPECT_EQ(g.codePostazione, 12);
    EXPECT_EQ(g.defaultCodiceIva, "IVA22");
    EXPECT_EQ(g.valoreArrotondamento, 0.5);
    EXPECT_EQ(g.arrotondaInEccesso, 0.0);
}

TEST_F(Configuration, WorkstationOutsideOneHexDigitCountsAsZero) {
    for (const char* text : {"16", "-1", "abc", "3.5"}) {
        store("Code_Postazione", text);
        startup::ReadConfiguration();
        EXPECT_EQ(startup::runContext().codePostazione, 0) << text;
    }
    store("Code_Postazione", " 15 ");
    startup::ReadConfiguration();
    EXPECT_EQ(startup::runContext().codePostazione, 15);
}

TEST_F(Configuration, CaptionShortAndLongForm) {
    core::setSoftwareName("Zelt Order");
    startup::runContext().codeAgente = "";
    EXPECT_EQ(startup::AppTitleText(true), "Zelt Order");
    startup::runContext().codeAgente = "DEMO";
    EXPECT_EQ(startup::AppTitleText(true), "Zelt Order  (Codice Agente DEMO)");
    const QString full = startup::AppTitleText(false, "5/3/2026");
    EXPECT_TRUE(
        full.startsWith("Zelt Order  (Codice Agente DEMO) - Dati aggiornati al 05/03/2026"
                        " - Versione software: "))
        << full.toStdString();
    // A text that is no date is shown as it is.
    EXPECT_TRUE(startup::AppTitleText(false, "mai").contains(" - Dati aggiornati al mai - "));
}

}  // namespace
