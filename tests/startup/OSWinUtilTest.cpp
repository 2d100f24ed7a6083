#include "core/Object.h"
#include "core/Variant.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "startup/OSWinUtil.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace startup;

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

TEST(FileExistsTest, FilesFoldersAndMasks) {
    QTemporaryDir dir;
    const QString file = dir.filePath("a.txt");
    writeFile(file, "x");
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(FileExists(dir.path()));
    EXPECT_TRUE(FileExists(dir.path(), kAttrDirectory));
    EXPECT_FALSE(FileExists(dir.path(), kAttrArchive));
    EXPECT_FALSE(FileExists(file, kAttrDirectory));
    EXPECT_TRUE(FileExists(file, kAttrArchive));
    EXPECT_FALSE(FileExists(dir.filePath("missing")));
    EXPECT_FALSE(FileExists(""));
}

TEST(ReadIniStringTest, SectionsKeysAndDefaults) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("Win.ini");
    writeFile(ini,
              "; comment\r\n[windows]\r\ndevice = HP LaserJet,winspool,Ne00: \r\n"
              "[Other]\r\ndevice=no\r\nquoted=\"a b\"\r\nansi=caf\xE8\r\n");
    EXPECT_EQ(ReadIniString(ini, "WINDOWS", "Device", ""), "HP LaserJet,winspool,Ne00:");
    EXPECT_EQ(ReadIniString(ini, "Other", "quoted", ""), "a b");
    EXPECT_EQ(ReadIniString(ini, "Other", "ansi", ""), QString::fromUtf8("cafè"));
    EXPECT_EQ(ReadIniString(ini, "Other", "missing", "def"), "def");
    EXPECT_EQ(ReadIniString(ini, "Nothing", "device", ""), "");
    EXPECT_EQ(ReadIniString(dir.filePath("none.ini"), "windows", "device", "x"), "x");
}

TEST(MonthBoundsTest, FirstAndLastDay) {
    using core::Date;
    const struct {
        int y, m, d, firstDay, lastDay;
    } cases[] = {
        {2004, 2, 1, 1, 29},  {2004, 2, 15, 1, 29},  {2004, 2, 29, 1, 29}, {2003, 2, 10, 1, 28},
        {2024, 1, 31, 1, 31}, {2024, 12, 31, 1, 31}, {2024, 4, 30, 1, 30},
    };
    for (const auto& c : cases) {
        const Date date = Date::fromParts(c.y, c.m, c.d, 15, 30);
        EXPECT_EQ(FirstDayOfMonth(date), Date::fromParts(c.y, c.m, c.firstDay)) << c.y << c.m << c.d;
        EXPECT_EQ(LastDayOfMonth(date), Date::fromParts(c.y, c.m, c.lastDay)) << c.y << c.m << c.d;
    }
}

TEST(GetAbsolutePathTest, AbsoluteKeptRelativeResolved) {
    QTemporaryDir data, assets;
    platform::setDataDirOverride(data.path());
    platform::setAssetsDirOverride(assets.path());
    EXPECT_EQ(GetAbsolutePath("C:\\img\\logo.jpg"), "C:\\img\\logo.jpg");
    EXPECT_EQ(GetAbsolutePath("\\\\server\\share\\logo.jpg"), "\\\\server\\share\\logo.jpg");
    EXPECT_EQ(GetAbsolutePath("/usr/share/logo.jpg"), "/usr/share/logo.jpg");
    // Relative: from the assets unless the data folder holds the file.
    EXPECT_EQ(GetAbsolutePath("img/logo.jpg"), QDir(assets.path()).filePath("img/logo.jpg"));
    writeFile(data.filePath("logo.jpg"), "x");
    EXPECT_EQ(GetAbsolutePath("logo.jpg"), data.filePath("logo.jpg"));
    platform::setDataDirOverride(QString());
    platform::setAssetsDirOverride(QString());
}

TEST(ShellOpenDocumentTest, OnlyTheOpenVerb) {
    QUrl seen;
    platform::setOpenHandler([&](const QUrl& u) {
        seen = u;
        return true;
    });
    EXPECT_TRUE(ShellOpenDocument("https://example.org/", "open"));
    EXPECT_EQ(seen, QUrl("https://example.org/"));
    EXPECT_FALSE(ShellOpenDocument("https://example.org/", "print"));
    platform::setOpenHandler(nullptr);
}

class Clienti : public core::Object {
  public:
    QString typeName() const override { return "Clienti"; }
    core::Variant invoke(const QString&, core::CallKind, std::span<core::Variant* const>) override {
        return {};
    }
};

core::AppError caught(const std::function<void()>& raise) {
    try {
        raise();
    } catch (const core::AppError& e) {
        return e;
    }
    return core::AppError(0, "", "not raised");
}

TEST(RaiseAppErrorTest, ExactTexts) {
    const core::AppError generic = caught([] { RaiseGenericError("Archivi", "Indirizzo non configurato"); });
    EXPECT_EQ(generic.number(), -2147188749L);  // 0x80047FF3
    EXPECT_EQ(generic.source(), "Zelt Order");
    EXPECT_EQ(generic.description(), "CODICE: 32755\r\rCONTESTO: Archivi\rIndirizzo non configurato");

    // No message: the description ends with the context.
    EXPECT_EQ(caught([] { RaiseAppError("zeltorder", 17, ""); }).description(),
              "CODICE: 17\r\rCONTESTO: zeltorder");
    EXPECT_EQ(caught([] { RaiseAppError("x", 17, ""); }).number(), core::kObjectErrorBase + 17);

    // Objects are named by their type; plain values by their text.
    const Clienti table;
    EXPECT_EQ(caught([&] { RaiseGenericError(table, "m"); }).description(),
              "CODICE: 32755\r\rCONTESTO: Clienti\rm");
    const core::Variant object(std::shared_ptr<core::Object>(std::make_shared<Clienti>()));
    EXPECT_EQ(caught([&] { RaiseGenericError(object, ""); }).description(),
              "CODICE: 32755\r\rCONTESTO: Clienti");
    EXPECT_EQ(caught([] { RaiseGenericError(42, ""); }).description(), "CODICE: 32755\r\rCONTESTO: 42");
    EXPECT_EQ(caught([] { RaiseGenericError(core::Variant(QString("Ordini")), ""); }).description(),
              "CODICE: 32755\r\rCONTESTO: Ordini");
}

}  // namespace
