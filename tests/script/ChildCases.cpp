#include "ChildCases.h"

#include "core/AppError.h"
#include "core/Object.h"
#include "core/Variant.h"
#include "script/ScriptControl.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <sys/resource.h>

#include <memory>

namespace scripttest {

namespace {

constexpr const char* kChildVariable = "ZELT_SCRIPT_CASES";
constexpr const char* kChildStackVariable = "ZELT_SCRIPT_STACK_KB";
constexpr const char* kChildMemoryVariable = "ZELT_SCRIPT_MEMORY_MB";
const QString kCaseSeparator = QStringLiteral("\n'----- next case -----\n");

// WScript.Echo as the command-line runner has it: its arguments on one line.
class Echo : public core::Object {
  public:
    QStringList lines;
    QString typeName() const override { return QStringLiteral("WScript"); }
    core::Variant invoke(const QString&, core::CallKind, std::span<core::Variant* const> args) override {
        QStringList parts;
        for (core::Variant* a : args) parts << (a->isMissing() ? QString() : a->resolved().toString());
        lines << parts.join(QLatin1Char(' '));
        return core::Variant();
    }
};

// The outcome, and the milliseconds the call with the time-out took: a
// text that defines Main is compiled (its statements outside procedures
// run) without a time-out, then Main runs with it; any other text is
// compiled with it.
QString outcomeOf(const QString& text, int timeoutMs, qint64& took) {
    script::ScriptControl sc;
    auto echo = std::make_shared<Echo>();
    sc.AddObject(QStringLiteral("WScript"), echo);
    QElapsedTimer clock;
    try {
        const bool main = text.contains(QLatin1String("Sub Main"));
        if (timeoutMs > 0 && !main) sc.setTimeout(timeoutMs);
        clock.start();
        sc.AddCode(text);
        if (main) {
            if (timeoutMs > 0) sc.setTimeout(timeoutMs);
            clock.start();
            sc.Run(QStringLiteral("Main"));
        }
    } catch (const core::AppError& e) {
        took = clock.elapsed();
        return QStringLiteral("error:%1@%2").arg(e.number()).arg(e.line());
    }
    took = clock.elapsed();
    return QStringLiteral("ok:") + echo->lines.join(QLatin1Char('|'));
}

// The address space the child may still take: what it holds now and megabytes more.
void limitMemory(int megabytes) {
#if !defined(__SANITIZE_ADDRESS__)
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:")) {
            const rlim_t now = rlim_t(line.mid(7).trimmed().split(' ').first().toULongLong()) * 1024;
            const rlimit limit{now + rlim_t(megabytes) * 1024 * 1024, now + rlim_t(megabytes) * 1024 * 1024};
            setrlimit(RLIMIT_AS, &limit);
        }
#else
    (void)megabytes;
#endif
}

}  // namespace

QString repeated(const QString& first, const QString& each, int count) {
    QString s = first;
    s.reserve(first.size() + each.size() * count);
    for (int i = 0; i < count; ++i) s += each;
    return s;
}

void checkInChild(const std::vector<Case>& cases, ChildOptions options) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList texts;
    for (const Case& c : cases) texts << QString::number(c.timeoutMs) + QLatin1Char('\n') + c.text;
    const QString path = dir.filePath(QStringLiteral("cases.vbs"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(texts.join(kCaseSeparator).toUtf8());
    f.close();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kChildVariable), path);
    if (options.threadStackKb > 0)
        env.insert(QString::fromLatin1(kChildStackVariable), QString::number(options.threadStackKb));
    if (options.memoryMb > 0)
        env.insert(QString::fromLatin1(kChildMemoryVariable), QString::number(options.memoryMb));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=ScriptChild.RunCases")});
    ASSERT_TRUE(child.waitForFinished(300000));
    const QStringList out = QString::fromUtf8(child.readAllStandardOutput()).split(QLatin1Char('\n'));
    QStringList outcomes;
    QList<qint64> took;
    for (const QString& line : out)
        if (line.startsWith(QLatin1String("outcome\t"))) {
            outcomes << line.section(QLatin1Char('\t'), 1, 1);
            took << line.section(QLatin1Char('\t'), 2, 2).toLongLong();
        }
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << "the child crashed";
    // A sanitizer's report (a leak at the end included) ends the child with an error.
    EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardError().right(4000).toStdString();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        ASSERT_LT(qsizetype(i), outcomes.size()) << "no outcome: the script crashed the engine";
        QString got = outcomes[qsizetype(i)];
        const QString& expected = cases[i].expected;
        if (expected.startsWith(QLatin1String("error:")) && !expected.contains(QLatin1Char('@')))
            got = got.section(QLatin1Char('@'), 0, 0);
        EXPECT_EQ(got.toStdString(), expected.toStdString());
        if (cases[i].timeoutMs > 0) {
            EXPECT_LE(took[qsizetype(i)], cases[i].timeoutMs + 1000) << "past its time-out";
        }
    }
}

}  // namespace scripttest

// The child's side: only does something when started by checkInChild.
TEST(ScriptChild, RunCases) {
    const QString path = qEnvironmentVariable(scripttest::kChildVariable);
    if (path.isEmpty()) return;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList texts = QString::fromUtf8(f.readAll()).split(scripttest::kCaseSeparator);
    const int memoryMb = qEnvironmentVariableIntValue(scripttest::kChildMemoryVariable);
    if (memoryMb > 0) scripttest::limitMemory(memoryMb);
    auto runAll = [&texts] {
        QTextStream out(stdout);
        for (const QString& entry : texts) {
            const qsizetype firstLine = entry.indexOf(QLatin1Char('\n'));
            const int timeoutMs = entry.left(firstLine).toInt();
            qint64 took = 0;
            const QString outcome = scripttest::outcomeOf(entry.mid(firstLine + 1), timeoutMs, took);
            out << "outcome\t" << QString(outcome).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\t'
                << took << '\n';
            out.flush();
        }
    };
    const int stackKb = qEnvironmentVariableIntValue(scripttest::kChildStackVariable);
    if (stackKb <= 0) return runAll();
    std::unique_ptr<QThread> thread(QThread::create(runAll));
    thread->setStackSize(uint(stackKb) * 1024u);
    thread->start();
    thread->wait();
}
