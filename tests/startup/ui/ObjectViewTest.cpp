// The object print host and the window subclassing through real widgets.

#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "startup/ui/clsSubclassWnd.h"
#include "startup/ui/frmObjectView.h"

#include "controls/MubCommand.h"
#include "core/AppError.h"
#include "core/ObjectBinding.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QWheelEvent>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>

using startup::frmObjectView;

namespace {

// A viewer class of the tests: records the calls of its print method.
struct Recorder : core::Object {
    std::vector<std::vector<core::Variant>> calls;
    QString file;
    QString typeName() const override { return QStringLiteral("Recorder"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override {
        if (name == QLatin1String("file") && kind == core::CallKind::PropertyLet) {
            file = args.back()->toString();
            return {};
        }
        if (name != QLatin1String("PrintMethod"))
            throw core::AppError(438, QStringLiteral("Recorder"),
                                 QStringLiteral("Proprietà o metodo non supportati"));
        std::vector<core::Variant> values;
        for (auto* a : args) values.push_back(*a);
        calls.push_back(values);
        return {};
    }
};

std::shared_ptr<Recorder> lastRecorder;

void registerRecorder() {
    frmObjectView::registerClass(QStringLiteral("Test.Recorder"), [](QWidget* parent) {
        lastRecorder = std::make_shared<Recorder>();
        return frmObjectView::Hosted{lastRecorder, new QLabel(parent)};
    });
}

}  // namespace

TEST(ObjectView, PrintMethodTexts) {
    struct Case {
        const char* text;
        const char* name;
        std::vector<core::Variant> args;
    } cases[] = {
        {"PrintMethod", "PrintMethod", {}},
        {"PrintMethod(1,x)", "PrintMethod", {1.0, QStringLiteral("x")}},
        {"ExecWB 6, 1", "ExecWB", {6.0, 1.0}},
        // The first blank wins over an earlier parenthesis.
        {"PrintMethod(1, 2)", "PrintMethod(1,", {2.0}},
        // A parenthesised argument after a blank keeps its opening parenthesis.
        {"PrintMethod (\"a\")", "PrintMethod", {QStringLiteral("(\"a\"")}},
        {"PrintMethod()", "PrintMethod", {}},
    };
    for (const Case& c : cases) {
        const auto call = startup::ParsePrintMethod(QString::fromUtf8(c.text));
        EXPECT_EQ(call.name, QString::fromUtf8(c.name)) << c.text;
        ASSERT_EQ(call.args.size(), c.args.size()) << c.text;
        for (size_t i = 0; i < c.args.size(); ++i) EXPECT_TRUE(call.args[i].identical(c.args[i])) << c.text;
    }
}

TEST(ObjectView, CreatesOnlyRegisteredClassesAndPrintsAtOnce) {
    registerRecorder();
    platform::ScriptedBoxes boxes;
    frmObjectView& view = frmObjectView::instance();
    try {
        view.SetObject(QStringLiteral("AcroPDF.PDF"), QStringLiteral("CustomObject"), QStringLiteral("Print"),
                       false, QStringLiteral("clsCustomReport"));
        FAIL() << "created";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("AcroPDF.PDF")));
        EXPECT_TRUE(e.description().contains(QStringLiteral("CONTESTO: clsCustomReport")));
    }
    auto object = view.SetObject(QStringLiteral("Test.Recorder"), QStringLiteral("CustomObject"),
                                 QStringLiteral("PrintMethod 2, copia"), false);
    ASSERT_TRUE(object);
    EXPECT_EQ(view.hostedWidget()->objectName(), QStringLiteral("CustomObject"));
    view.showModal();  // prints at its first activation, then closes
    ASSERT_EQ(lastRecorder->calls.size(), 1u);
    EXPECT_DOUBLE_EQ(lastRecorder->calls[0][0].toDouble(), 2.0);
    EXPECT_EQ(lastRecorder->calls[0][1].toString(), QStringLiteral("copia"));
    EXPECT_FALSE(view.isVisible());
    EXPECT_TRUE(boxes.shown().empty());

    // Six arguments: nothing is called and the failure is told.
    view.SetObject(QStringLiteral("Test.Recorder"), QStringLiteral("CustomObject"),
                   QStringLiteral("PrintMethod 1,2,3,4,5,6"), false);
    view.showModal();
    EXPECT_TRUE(lastRecorder->calls.empty());
    EXPECT_TRUE(boxes.lastText().startsWith(QStringLiteral("Stampa fallita, l'errore è: ")));
    EXPECT_TRUE(boxes.lastText().endsWith(QStringLiteral("\r\rMetodo: PrintMethod 1,2,3,4,5,6")));

    // No print method: the print button is hidden and the exit button takes the row.
    view.SetObject(QStringLiteral("Test.Recorder"), QStringLiteral("CustomObject"), QString(), true);
    view.resize(400, 300);
    view.AdjustObjectSize();
    EXPECT_FALSE(view.cmdPrint()->isVisibleTo(&view));
    EXPECT_EQ(view.cmdExit()->width(), view.width());
}

TEST(ObjectView, TheHtmlViewerPrintsTheFile) {
    QTemporaryDir dir;
    const QString html = dir.filePath("pagina.html");
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><h1>Listino</h1><p>Prezzi validi</p></body></html>");
    f.close();
    const QString pdf = dir.filePath("html.pdf");
    platform::Printers::setCurrent(platform::Printers::pdfPrinterName());
    platform::Printers::setPdfFileAsker([&] { return std::optional<QString>(pdf); });
    frmObjectView& view = frmObjectView::instance();
    auto object = view.SetObject(QStringLiteral("Shell.Explorer"), QStringLiteral("CustomObject"),
                                 QStringLiteral("ExecWB 6, 1"), false);
    core::Variant file(html);
    core::Variant* args[] = {&file};
    object->invoke(QStringLiteral("navigate"), core::CallKind::Method, args);
    view.showModal();
    platform::Printers::setPdfFileAsker({});
    ASSERT_TRUE(QFile::exists(pdf));
    QProcess text;
    text.start("pdftotext", {pdf, "-"});
    ASSERT_TRUE(text.waitForFinished());
    EXPECT_TRUE(QString::fromUtf8(text.readAllStandardOutput()).contains("Listino"));
}

// The viewer shows only HTML pages its layout can take, and every picture or
// style sheet of a page is read by the program or left out: a FIFO named by
// its full path, a device, an address on the network never reach Qt's own
// loaders. In a child process, so that a hang (ended by the alarm) or a
// crash in the layout fails the test and not the run.
TEST(ObjectView, TheHtmlViewerShowsOnlyWhatItCanReadAndLayOut) {
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& data) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return f.fileName();
    };
    const QString fifo = dir.filePath("coda");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QImage logo(40, 30, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(dir.filePath("logo.png")));
    const QString text = write("elenco.txt", "Listino");
    const QString deep = write("annidata.html", QByteArray("<table><tr><td>").repeated(4000) + "x");
    const QString page =
        write("pagina.htm", "<html><head><link rel=\"stylesheet\" href=\"" + QFile::encodeName(fifo) +
                                "\"></head><body><p>Listino</p>"
                                "<img src=\"" +
                                QFile::encodeName(fifo) +
                                "\"><img src=\"coda\"><img src=\"/dev/zero\">"
                                "<img src=\"http://127.0.0.1:9/x.png\"><img src=\"logo.png\">"
                                "<a href=\"file:///etc/passwd\">altro</a></body></html>");
    const QString pdf = dir.filePath("pagina.pdf");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(20);
            bool ok = true;
            platform::Printers::setCurrent(platform::Printers::pdfPrinterName());
            platform::Printers::setPdfFileAsker([&] { return std::optional<QString>(pdf); });
            frmObjectView& view = frmObjectView::instance();
            auto viewer = view.SetObject(QStringLiteral("Shell.Explorer"), QStringLiteral("CustomObject"),
                                         QStringLiteral("ExecWB 6, 1"), false);
            auto* browser = qobject_cast<QTextBrowser*>(view.hostedWidget());
            if (!browser || browser->openLinks() || browser->openExternalLinks()) {
                std::fprintf(stderr, "links are followed\n");
                ok = false;
            }
            auto call = [&](const char* member, core::Variant arg) {
                core::Variant* args[] = {&arg};
                viewer->invoke(QString::fromLatin1(member), core::CallKind::Method, args);
            };
            auto refused = [&](const QString& target, long number, const QString& reason) {
                try {
                    call("Navigate", target);
                    std::fprintf(stderr, "%s: shown\n", qPrintable(target));
                    ok = false;
                } catch (const core::AppError& e) {
                    if (e.number() != number || e.description() != reason) {
                        std::fprintf(stderr, "%s: %ld %s\n", qPrintable(target), e.number(),
                                     qPrintable(e.description()));
                        ok = false;
                    }
                }
            };
            refused(text, 5,
                    QStringLiteral("Il visualizzatore mostra solo pagine HTML (.htm, .html): ") + text);
            refused(deep, 17,
                    QStringLiteral("La pagina ") + deep +
                        QStringLiteral(" non viene mostrata: le sue tabelle sono annidate oltre 10 livelli"));
            // The page prints with its one readable picture; the rest is left out.
            call("Navigate", page);
            call("ExecWB", std::int32_t(6));
            QProcess images;
            images.start("pdfimages", {"-list", pdf});
            images.waitForFinished();
            const QStringList lines = QString::fromUtf8(images.readAllStandardOutput()).split('\n');
            const bool logoShown = std::any_of(lines.begin(), lines.end(), [](const QString& line) {
                return line.simplified().contains(QStringLiteral(" image 40 30 "));
            });
            if (!logoShown) {
                std::fprintf(stderr, "the picture was not printed:\n%s\n", qPrintable(lines.join('\n')));
                ok = false;
            }
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(SubclassWnd, ListedMessagesReachTheHandlerFirst) {
    QWidget window;
    struct Wheel : QObject {
        int seen = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Wheel) ++seen;
            return false;
        }
    } after;
    startup::clsSubclassWnd sub;
    sub.TerminateSubclassing();  // without Define: nothing happens
    int events = 0;
    bool answer = false;
    qint64 lastWParam = 0;
    sub.OnWindowsMessage = [&](int msg, qint64 wParam, qint64, qint64& result, bool& handled) {
        ++events;
        EXPECT_EQ(msg, 522);
        lastWParam = wParam;
        result = 7;
        handled = answer;
    };
    window.installEventFilter(&after);  // stands for the window's own handling
    sub.Define(&window, {522, 522});    // listed twice: one event
    auto wheel = [&] {
        QWheelEvent ev(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                       Qt::NoScrollPhase, false);
        QApplication::sendEvent(&window, &ev);
    };
    wheel();
    EXPECT_EQ(events, 1);
    EXPECT_EQ(lastWParam, -120 * 65536);  // towards the user: a negative distance
    EXPECT_EQ(after.seen, 1);             // not handled: the message goes on
    answer = true;
    wheel();
    EXPECT_EQ(events, 2);
    EXPECT_EQ(after.seen, 1);  // answered by the handler
    EXPECT_EQ(sub.ProcessWM(522, 0, 0), std::optional<qint64>(7));
    EXPECT_EQ(sub.ProcessWM(513, 0, 0), std::nullopt);
    sub.TerminateSubclassing();
    sub.TerminateSubclassing();  // twice: nothing happens
    wheel();
    EXPECT_EQ(events, 3);  // the direct ProcessWM of 522 was the third; none after the end
    EXPECT_EQ(after.seen, 2);
}
