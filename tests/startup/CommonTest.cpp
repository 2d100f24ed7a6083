#include "core/AppError.h"
#include "core/Cp1252.h"
#include "core/Variant.h"
#include "startup/Common.h"
#include "startup/RunContext.h"

#include <gtest/gtest.h>

using namespace startup;

namespace {

QByteArray bytesOf(const QString& s) { return core::cp1252::encode(s); }

TEST(ScrambleStringTest, ExamplesComeOutExactly) {
    EXPECT_EQ(bytesOf(ScrambleString("abc", false)), QByteArray("\x30\x31\x31"));
    EXPECT_EQ(ScrambleString("abc", false), "011");
    EXPECT_EQ(bytesOf(ScrambleString("abcd", false)), QByteArray("\xB0\x31\xB1\x32"));
    EXPECT_EQ(ScrambleString("abcd", false), QString::fromUtf8("°1±2"));
}

TEST(ScrambleStringTest, RoundTripForEveryLengthAndByte) {
    // Texts of length 1 to 9, including accented letters and characters whose
    // scrambled bytes fall on the code page's undefined codes.
    const QString samples[] = {
        "a", "ab", "Pwd", "pass", "12345", "àèìòù€", "Zelt Order", "x y z!#", "!;0123456",
    };
    for (const QString& s : samples) {
        const QString scrambled = ScrambleString(s, false);
        EXPECT_EQ(scrambled.size(), s.size()) << s.toStdString();
        EXPECT_EQ(ScrambleString(scrambled, true), s) << s.toStdString();
    }
    // Every byte value, in texts of odd and even length.
    for (int len : {255, 256}) {
        QByteArray all;
        for (int i = 0; i < len; ++i) all += static_cast<char>((i + 1) & 0xFF);
        const QString text = core::cp1252::decode(all);
        EXPECT_EQ(ScrambleString(ScrambleString(text, false), true), text) << len;
    }
}

TEST(ScrambleStringTest, BlanksOnlyGiveEmpty) {
    EXPECT_EQ(ScrambleString("", false), "");
    EXPECT_EQ(ScrambleString("   ", false), "");
    EXPECT_EQ(ScrambleString("   ", true), "");
    // Characters outside the code page become '?' before scrambling.
    EXPECT_EQ(ScrambleString(ScrambleString(QString::fromUtf8("a\u4e2d"), false), true), "a?");
}

TEST(StrToBooleanTest, LenientFlags) {
    const struct {
        const char* text;
        bool expected;
    } cases[] = {
        {"FALSE", false}, {"false", false}, {"  falso  ", false}, {"No", false},
        {" 0 ", false},   {"False.", true}, {"", true},           {"True", true},
        {"-1", true},     {"00", true},     {"si", true},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToBoolean(QString(c.text)), c.expected) << c.text;
}

TEST(StrToBooleanTest, Variants) {
    EXPECT_FALSE(StrToBoolean(core::Variant(false)));  // "Falso"
    EXPECT_TRUE(StrToBoolean(core::Variant(true)));
    EXPECT_FALSE(StrToBoolean(core::Variant(std::int16_t(0))));
    EXPECT_TRUE(StrToBoolean(core::Variant()));
    EXPECT_TRUE(StrToBoolean(core::Variant::null()));
}

TEST(BuildFilePathTest, Examples) {
    EXPECT_EQ(BuildFilePath("/dati", "Archivio.old.mdb", "NEW"), "/dati/Archivio.NEW");
    EXPECT_EQ(BuildFilePath("/dati/", "Archivio.old.mdb", "NEW"), "/dati/Archivio.NEW");
    EXPECT_EQ(BuildFilePath("C:\\Dati\\", "Archivio", ""), "C:\\Dati\\Archivio");
    EXPECT_EQ(BuildFilePath("", "Archivio.mdb", ""), "Archivio.mdb");
    EXPECT_EQ(BuildFilePath("", "Archivio", "NEW"), "Archivio.NEW");
}

TEST(DatabaseFileNameTest, FromAgentAndWorkFolder) {
    RunContext saved = runContext();
    runContext().rootDir = "/home/agente/Ordini";
    runContext().codeAgente = "A01";
    EXPECT_EQ(GetDatabaseFileName(), "/home/agente/Ordini/ZeltOrder_A01");
    EXPECT_EQ(GetDatabaseFileName("B02", true), "ZeltOrder_B02");
    EXPECT_EQ(GetDatabaseFileName("B02"), "/home/agente/Ordini/ZeltOrder_B02");
    runContext() = saved;
}

TEST(AgentArchivePathTest, NameAddressAndMissingAddress) {
    EXPECT_EQ(GetAgentArchivePath("A01", true), "OrdiniAgente_A01");
    EXPECT_EQ(GetAgentArchivePath("A01", false, "https://sede.example/archivi/"),
              "https://sede.example/archivi/OrdiniAgente_A01");
    try {
        GetAgentArchivePath("A01", false, "");
        FAIL() << "no error raised";
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.number(), -2147188749L);
        EXPECT_EQ(e.description(),
                  "CODICE: 32755\r\rCONTESTO: Archivi\rL'indirizzo di destinazione per gli "
                  "archivi deli agenti non è stato configurato");
    }
}

}  // namespace
