#include "reports/LayoutExport.h"
#include "reports/ReportLayouts.h"

#include "core/Cp1252.h"
#include "core/Prompt.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstdlib>

using namespace reports;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

const QList<LayoutSetting> kSettings{
    {"ReportName", "Bolla è"},     {"ReportGroup", ""},     {"BackImageFile", ""},
    {"BottomImageBorder", "0"},    {"Columns", "1"},        {"ReportHeight", "297"},
    {"ReportWidth", "210"},        {"ReportTop", "10,5"},   {"ReportLeft", "0"},
    {"ReportRowsDim", "5"},        {"ReportRowsTop", "80"}, {"ReportRowsBottom", "250"},
    {"HorizontalOrientation", "0"}};

}  // namespace

TEST(LayoutExport, WritesWindows1252WithCrLfSettingsAndTheScriptAsItStands) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ReportPrint.vbs");
    const QString script = QStringLiteral("Sub PrintReportRow()\r\n  prn.TxtOut 0, 0, \"€\"\r\nEnd Sub");
    QString error;
    ASSERT_TRUE(WriteLayoutExport(path, kSettings, script, &error)) << error.toStdString();
    const QByteArray bytes = readAll(path);
    EXPECT_TRUE(bytes.startsWith("'#ReportName=Bolla \xE8\r\n'#ReportGroup=\r\n'#BackImageFile=\r\n"));
    EXPECT_TRUE(bytes.contains("'#ReportTop=10,5\r\n"));
    EXPECT_TRUE(bytes.contains("'#HorizontalOrientation=0\r\nSub PrintReportRow()\r\n"));
    EXPECT_TRUE(bytes.contains("\"\x80\""));  // the euro sign in the code page
    EXPECT_TRUE(bytes.endsWith("End Sub"));   // no line end added

    // Round trip: the settings in order; the last script line gains CR LF.
    const auto back = ReadLayoutExport(path, ReportExportKeys(), &error);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->settings, kSettings);
    EXPECT_EQ(back->script, script + "\r\n");
    const auto layout = ReadLayoutFile(path);
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->reportName, "Bolla è");
    EXPECT_EQ(layout->reportTop, "10,5");
    EXPECT_FALSE(layout->horizontalOrientation);
}

TEST(LayoutExport, AFailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ReportPrint.vbs");
    ASSERT_TRUE(WriteLayoutExport(path, {}, "old"));
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QString error;
    const bool written = WriteLayoutExport(path, kSettings, "new", &error);
    QFile::setPermissions(dir.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (!written) {  // root writes anyway; then at least the new text is whole
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readAll(path), "old");
    } else {
        EXPECT_TRUE(readAll(path).endsWith("new"));
    }
    // A folder that does not exist: no file, a message.
    EXPECT_FALSE(WriteLayoutExport(dir.filePath("nessuna/ReportPrint.vbs"), kSettings, "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(LayoutExport, ImportRules) {
    struct Case {
        const char* name;
        QString text;
        QList<LayoutSetting> settings;
        QString script;
    };
    const QList<Case> cases{
        {"settings anywhere, unknown keys dropped, '# without = stays",
         "a\r\n'#Columns=2\r\n'#Ignoto=1\r\n'#senza uguale\r\nb",
         {{"Columns", "2"}},
         "a\r\n'#senza uguale\r\nb\r\n"},
        {"keys case-sensitive, values untrimmed",
         "'#columns=3\r\n'#ReportTop= 7 \r\n",
         {{"ReportTop", " 7 "}},
         ""},
        {"value after the first =", "'#ReportName=a=b\r\n", {{"ReportName", "a=b"}}, ""},
        {"lone CR and lone LF end lines", "x\ry\nz\r\n\r\nw", {}, "x\r\ny\r\nz\r\n\r\nw\r\n"},
        {"LF-only file", "'#Columns=4\nSub A()\nEnd Sub\n", {{"Columns", "4"}}, "Sub A()\r\nEnd Sub\r\n"},
        {"only settings empty the script",
         "'#Columns=1\r\n'#ReportLeft=2",
         {{"Columns", "1"}, {"ReportLeft", "2"}},
         ""},
        {"empty file", "", {}, ""},
        {"empty key is a setting and vanishes", "'#=x\r\nk", {}, "k\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LayoutExport f = ParseLayoutExport(c.text, ReportExportKeys());
        EXPECT_EQ(f.settings, c.settings);
        EXPECT_EQ(f.script, c.script);
    }
    const LayoutExport twice = ParseLayoutExport("'#Columns=1\r\n'#Columns=2\r\n", ReportExportKeys());
    EXPECT_EQ(LayoutSettingValue(twice, "Columns"), QString("2"));
    EXPECT_FALSE(LayoutSettingValue(twice, "ReportTop"));
}

TEST(LayoutExport, AnUnreadableFileNamesItself) {
    QString error;
    EXPECT_FALSE(ReadLayoutExport("/nonexistent/Prova.vbs", ReportExportKeys(), &error));
    EXPECT_TRUE(error.contains("/nonexistent/Prova.vbs"));
}

// The import reads only a regular file of at most 64 MB, as every other
// reader of the program: a FIFO (which would block for ever), /dev/zero
// (which never ends) and a file of 300 MB are refused at once with a message
// naming them. In a child process, so that a hang (ended by its alarm) or
// running out of memory fails the test and not the run.
TEST(LayoutExport, OnlyARegularFileOfBoundedSizeIsImported) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("coda.vbs");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath("enorme.vbs");
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(300) * 1024 * 1024));  // sparse: nothing written
    }
    struct Case {
        QString path;
        const char* reason;
    };
    const std::vector<Case> cases{{fifo, "non è un file"},
                                  {QStringLiteral("/dev/zero"), "non è un file"},
                                  {dir.path(), "non è un file"},
                                  {huge, "supera i 64 MB"}};
    const auto importAll = [&] {
        ::alarm(10);
        bool ok = true;
        for (const Case& c : cases) {
            core::ScriptedBoxes boxes;
            QElapsedTimer t;
            t.start();
            const auto file = ImportLayoutFile(c.path, ReportExportKeys());
            const QString shown = boxes.lastText();
            if (file || !shown.contains(c.path) || !shown.contains(QString::fromUtf8(c.reason)) ||
                t.elapsed() > 1000) {
                std::fprintf(stderr, "%s: read %d, %lld ms, message \"%s\"\n", qPrintable(c.path),
                             int(bool(file)), t.elapsed(), qPrintable(shown));
                ok = false;
            }
        }
        std::exit(ok ? 0 : 1);
    };
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(importAll(), ::testing::ExitedWithCode(0), "");
}

TEST(LayoutExport, ReportImportIntoTheBoxes) {
    ReportLayoutBoxes exported{"Bolla", "",  "sfondo.png", "1",  "2", "148,5", "210",
                               "5",     "7", "4,5",        "60", "0", true};
    const LayoutExport file = ParseLayoutExport(
        QString::fromLatin1(LayoutExportBytes(ReportExportSettings(exported), "Sub A()\r\nEnd Sub")),
        ReportExportKeys());

    // Into empty boxes everything comes back; an empty group value is not a number.
    ReportLayoutBoxes empty;
    QStringList groups;
    ApplyReportImport(
        file, empty, [&](int at) { groups << QString::number(at); },
        [&](const QString& n) { groups << "name:" + n; });
    EXPECT_EQ(empty.name, "Bolla");
    EXPECT_EQ(empty.backImage, "sfondo.png");
    EXPECT_EQ(empty.height, "148,5");
    EXPECT_EQ(empty.rowsDim, "4,5");
    EXPECT_TRUE(empty.horizontal);
    EXPECT_EQ(groups, QStringList{"name:"});

    // Name and background already set are kept; blank image ignored; a numeric group is a position.
    ReportLayoutBoxes set;
    set.name = "Mia";
    set.backImage = "mia.png";
    set.horizontal = true;
    groups.clear();
    ApplyReportImport(
        ParseLayoutExport("'#ReportName=Altro\r\n'#BackImageFile=x.png\r\n'#ReportGroup=2\r\n"
                          "'#HorizontalOrientation=falso\r\n",
                          ReportExportKeys()),
        set, [&](int at) { groups << QString::number(at); }, [&](const QString& n) { groups << n; });
    EXPECT_EQ(set.name, "Mia");
    EXPECT_EQ(set.backImage, "mia.png");
    EXPECT_FALSE(set.horizontal);
    EXPECT_EQ(groups, QStringList{"2"});

    ReportLayoutBoxes blank;
    ApplyReportImport(
        ParseLayoutExport("'#BackImageFile=   \r\n'#HorizontalOrientation=\r\n", ReportExportKeys()), blank,
        {}, {});
    EXPECT_TRUE(blank.backImage.isEmpty());
    EXPECT_TRUE(blank.horizontal);  // an empty value sets the orientation
}

TEST(LayoutExport, ExportAsksBeforeReplacingAndImportReportsItsFailure) {
    core::ScriptedBoxes boxes;
    QTemporaryDir dir;
    const QString path = dir.filePath("ReportPrint.vbs");
    EXPECT_TRUE(ExportLayoutFile(path, kSettings, "uno"));
    EXPECT_TRUE(boxes.shown().empty());  // a new file: no question

    boxes.answer(core::kAnswerNo);
    EXPECT_FALSE(ExportLayoutFile(path, kSettings, "due"));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.endsWith("Vuoi sostituirlo ?"));
    EXPECT_EQ(boxes.shown()[0].style, core::kYesNo | core::kExclamation | core::kDefaultButton2);
    EXPECT_TRUE(readAll(path).endsWith("uno"));

    boxes.answer(core::kAnswerYes);
    EXPECT_TRUE(ExportLayoutFile(path, kSettings, "tre"));
    EXPECT_TRUE(readAll(path).endsWith("tre"));

    boxes.clear();
    EXPECT_FALSE(ImportLayoutFile(dir.filePath("manca.vbs"), ReportExportKeys()));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains("manca.vbs"));
    EXPECT_EQ(boxes.shown()[0].style, core::kOkOnly);
}
