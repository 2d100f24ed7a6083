#include "platform/Paths.h"
#include "platform/Shell.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>

using namespace platform;

namespace {

TEST(ShellTest, TargetsWithASchemeAreLinksOthersAreFiles) {
    EXPECT_EQ(urlForTarget("mailto:a@b.it?subject=Application%20Error").scheme(), "mailto");
    EXPECT_EQ(urlForTarget("https://example.org/x").scheme(), "https");
    EXPECT_TRUE(urlForTarget("/tmp/Error.htm").isLocalFile());
    EXPECT_TRUE(urlForTarget("C:/dati/Error.htm").isLocalFile());  // a drive letter is no scheme
    // An encoded link keeps its encoding as given.
    EXPECT_EQ(urlForTarget("mailto:x@y.it?body=a%26b").toEncoded(), "mailto:x@y.it?body=a%26b");
}

TEST(ShellTest, OpenGoesThroughTheSeam) {
    QUrl seen;
    setOpenHandler([&](const QUrl& u) {
        seen = u;
        return true;
    });
    EXPECT_TRUE(openDocument("/tmp/TableData.htm"));
    EXPECT_EQ(seen, QUrl::fromLocalFile("/tmp/TableData.htm"));
    EXPECT_FALSE(openDocument(""));
    setOpenHandler(nullptr);
}

TEST(PathsTest, DataFolderOverrideAndAtomicWrite) {
    QTemporaryDir dir;
    setDataDirOverride(dir.filePath("data"));
    EXPECT_EQ(dataFile("LastError.txt"), dir.filePath("data/LastError.txt"));
    QString error;
    ASSERT_TRUE(writeFileAtomically(dataFile("x.txt"), "one", &error)) << error.toStdString();
    ASSERT_TRUE(writeFileAtomically(dataFile("x.txt"), "two", &error));
    QFile f(dataFile("x.txt"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "two");
    EXPECT_FALSE(writeFileAtomically(dir.filePath("no/such/folder/x.txt"), "z", &error));
    EXPECT_TRUE(error.startsWith("Impossibile scrivere il file")) << error.toStdString();
    setDataDirOverride(QString());
}

}  // namespace
