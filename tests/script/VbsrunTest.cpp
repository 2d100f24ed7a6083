// The vbsrun tool: WScript.Echo on standard output, a script error on
// standard error with exit code 1.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Result {
    int exitCode = -1;
    QString out, err;
};

Result runTool(const QString& text, QStringList options = {}) {
    const QString tool = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/vbsrun/vbsrun");
    Result r;
    if (!QFileInfo(tool).isExecutable()) return r;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.vbs"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    f.close();
    QProcess p;
    p.start(tool, options << path);
    p.waitForFinished(20000);
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(Vbsrun, EchoesAndReportsErrors) {
    const Result ok = runTool("Dim x\nx = 2.5\nWScript.Echo \"Totale:\", x * 2, True, #8/8/2026#\n");
    if (ok.exitCode == -1) GTEST_SKIP() << "vbsrun is not built";
    EXPECT_EQ(ok.exitCode, 0);
    EXPECT_EQ(ok.out, "Totale: 5 Vero 08/08/2026\n");
    const Result bad = runTool("WScript.Echo 1\n\nx = 1 / 0\n");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "1\n");
    EXPECT_EQ(bad.err, "Errore 11 alla linea 3: Divisione per zero\n");
}

TEST(Vbsrun, TimeoutAndHelp) {
    const Result endless = runTool("WScript.Echo 1\nDo : Loop\n", {"--timeout", "200"});
    if (endless.exitCode == -1) GTEST_SKIP() << "vbsrun is not built";
    EXPECT_EQ(endless.exitCode, 1);
    EXPECT_EQ(endless.out, "1\n");
    EXPECT_TRUE(endless.err.contains("Tempo massimo di esecuzione dello script superato"))
        << endless.err.toStdString();
    const Result help = runTool("", {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("--timeout MS"));
    const Result bad = runTool("", {"--timeout", "x"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_TRUE(bad.err.contains("--timeout"));
}

}  // namespace
