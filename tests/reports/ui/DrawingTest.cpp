// The drawing members of the page objects, printed into a PDF and read back:
// text wrapping and alignment, turned text, font sizes, boxes, lines,
// pictures and Code 128 barcodes.

#include "PdfProbe.h"
#include "ReportFixture.h"

#include "core/AppError.h"
#include "core/Prompt.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PageSurface.h"
#include "reports/ui/PageDrawing.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "script/ScriptControl.h"
#include "startup/Code128.h"
#include "startup/ui/frmObjectView.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <map>

using namespace reporttest;
using namespace reports;

TEST_F(PdfTest, TextFitsOnOneLineOrWrapsAtBlanks) {
    auto prn = pdfReport(pdf());
    platform::PageSurface& s = *prn->OutputSurface();
    s.setFontSize(10);
    const float oneLine = TxtOut(*prn, 10, 20, QStringLiteral("Breve testo"));
    EXPECT_NEAR(oneLine, s.textWidth(QStringLiteral("Breve testo")), 0.001);
    // Wrapped at 40 mm: every line fits and starts at the origin.
    const float widest =
        TxtOut(*prn, 50, 20, QStringLiteral("uno due tre quattro cinque sei sette otto nove dieci"), 40);
    EXPECT_LE(widest, 40.0f);
    EXPECT_GT(widest, 20.0f);
    // A word longer than the wrap width is cut; no character is lost.
    TxtOut(*prn, 100, 20, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 15);
    // A wrap width below one character still ends: one character a line.
    const float narrow = TxtOut(*prn, 150, 20, QStringLiteral("WWW"), 0.5f);
    EXPECT_GT(narrow, 0.5f);
    // An empty text prints nothing and returns 0.
    EXPECT_EQ(TxtOut(*prn, 200, 20, QString()), 0.0f);
    prn->EndReports();

    const auto words = pdfprobe::words(pdf());
    EXPECT_NEAR(pdfprobe::find(words, "Breve").box.left(), 20, 0.5);
    const auto uno = pdfprobe::find(words, "uno");
    const auto dieci = pdfprobe::find(words, "dieci");
    EXPECT_NEAR(uno.box.left(), 20, 0.5);
    EXPECT_GT(dieci.box.top(), uno.box.top() + 5);  // on a later line
    // Every line starts at the origin.
    std::map<int, double> lineStarts;
    for (const auto& w : words)
        if (w.box.top() > 48 && w.box.top() < 95) {
            const int line = int(std::lround(w.box.top() * 10));
            lineStarts[line] =
                lineStarts.count(line) ? std::min(lineStarts[line], w.box.left()) : w.box.left();
        }
    EXPECT_GE(lineStarts.size(), 2u);
    for (const auto& [line, left] : lineStarts) EXPECT_NEAR(left, 20, 0.5) << line;
    for (const auto& w : words) {
        if (w.box.top() > 48 && w.box.top() < 95) {
            EXPECT_LE(w.box.right(), 60.5) << w.text.toStdString();
        }
    }
    QString cut;
    for (const auto& w : words)
        if (w.box.top() > 98 && w.box.top() < 148) cut += w.text;
    EXPECT_EQ(cut, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    QString narrowText;
    int narrowLines = 0;
    for (const auto& w : words)
        if (w.box.top() > 148 && w.box.top() < 198) {
            narrowText += w.text;
            ++narrowLines;
        }
    EXPECT_EQ(narrowText, QStringLiteral("WWW"));
    EXPECT_EQ(narrowLines, 3);
}

TEST_F(PdfTest, KeptBreaksAndTheRowTextHeight) {
    auto prn = pdfReport(pdf());
    platform::PageSurface& s = *prn->OutputSurface();
    s.setFontSize(10);
    const double line = s.textHeight();
    prn->setRowPrinting(true);
    prn->setIgnoreNextNewRow(true);
    prn->NewReportRow();
    // One line followed by a break: one line, its width.
    const float w = TxtOut(*prn, 2, 0, QStringLiteral("Riga\r\n"), 0, true);
    EXPECT_NEAR(w, s.textWidth(QStringLiteral("Riga")), 0.001);
    EXPECT_NEAR(prn->RowDimText(), 2 + line, 0.001);
    // Several breaks in a row make one line change; without keeping them they are blanks.
    TxtOut(*prn, 20, 0, QStringLiteral("alfa\r\n\r\n\r\nbeta\ngamma"), 0, true);
    TxtOut(*prn, 60, 0, QStringLiteral("delta\r\nepsilon"), 0, false);
    prn->EndReports();
    const auto words = pdfprobe::words(pdf());
    const auto alfa = pdfprobe::find(words, "alfa");
    const auto beta = pdfprobe::find(words, "beta");
    const auto gamma = pdfprobe::find(words, "gamma");
    EXPECT_NEAR(beta.box.top() - alfa.box.top(), line, 0.3);
    EXPECT_NEAR(gamma.box.top() - beta.box.top(), line, 0.3);
    EXPECT_NEAR(pdfprobe::find(words, "epsilon").box.top(), pdfprobe::find(words, "delta").box.top(), 0.2);
}

TEST_F(PdfTest, RightAlignedAndTurnedText) {
    auto prn = pdfReport(pdf());
    platform::PageSurface& s = *prn->OutputSurface();
    s.setFontSize(12);
    const float w = TxtOutR(*prn, 20, 100, QStringLiteral("Destra"));
    EXPECT_NEAR(w, s.textWidth(QStringLiteral("Destra")), 0.001);
    // Wider than nEndX: starts left of the origin.
    TxtOutR(*prn, 40, 5, QStringLiteral("Lunghissimo"));
    const double h = s.textHeight();
    const float v = TxtOutV(*prn, 100, 50, QStringLiteral("Verticale"), true, false);
    EXPECT_NEAR(v, s.textWidth(QStringLiteral("Verticale")), 0.001);
    TxtOutV(*prn, 200, 80, QStringLiteral("Giù"), false, true);
    prn->EndReports();
    const auto words = pdfprobe::words(pdf());
    EXPECT_NEAR(pdfprobe::find(words, "Destra").box.right(), 100, 0.6);
    EXPECT_LT(pdfprobe::find(words, "Lunghissimo").box.left(), 5);
    // The turned block: one text height wide, one text width high.
    const auto turned = pdfprobe::find(words, "Verticale");
    EXPECT_NEAR(turned.box.left(), 50, 1.0);
    EXPECT_LE(turned.box.width(), h + 0.5);
    EXPECT_NEAR(turned.box.height(), v, 1.5);
    // Base to the last character: the block ends one text height below nY.
    const auto down = pdfprobe::find(words, "Giù");
    EXPECT_NEAR(down.box.bottom(), 200 + h, 1.0);
}

TEST_F(PdfTest, FontSizesArePointsOnPaper) {
    auto prn = pdfReport(pdf());
    SetFont(*prn, 10, false, false, QStringLiteral("DejaVu Sans"));
    TxtOut(*prn, 10, 10, QStringLiteral("Dieci"));
    SetFont(*prn, 20, true, false, QString());
    TxtOut(*prn, 30, 10, QStringLiteral("Venti"));
    EXPECT_TRUE(prn->OutputSurface()->font().bold());
    EXPECT_EQ(prn->OutputSurface()->font().family(), QStringLiteral("DejaVu Sans"));
    prn->EndReports();
    const auto words = pdfprobe::words(pdf());
    const double ten = pdfprobe::find(words, "Dieci").box.height();
    const double twenty = pdfprobe::find(words, "Venti").box.height();
    EXPECT_NEAR(twenty / ten, 2.0, 0.1);
    EXPECT_NEAR(ten, 10 * 25.4 / 72 * 1.16, 0.6);  // a 10-point line is about 4 mm
}

TEST(PreviewFont, AReducedPreviewShrinksTheFont) {
    // A surface whose physical height is half its logical height.
    platform::ImageSurface half(QSizeF(105, 148.5));
    half.setScale(210, 297);
    struct Host : DrawingHost {
        platform::PageSurface& s;
        explicit Host(platform::PageSurface& surface) : s(surface) {}
        platform::PageSurface& drawingSurface() override { return s; }
        QPointF drawingOrigin() const override { return {}; }
        std::uint32_t drawingColor() const override { return 0; }
        void sizeObjectHost(QWidget&) override {}
        QString drawingContext() const override { return QStringLiteral("test"); }
    } host(half);
    SetFont(host, 10, false, false, QString());
    EXPECT_DOUBLE_EQ(half.font().pointSizeF(), 5.0);
}

TEST_F(PdfTest, BoxesLinesAndCircles) {
    auto prn = pdfReport(pdf());
    BoxOut(*prn, 10, 10, 30, 40, false);
    BoxOut(*prn, 50, 10, 30, 40, true);
    LineOut(*prn, 100, 10, 100, 60);
    CircleOut(*prn, 150, 50, 20, false);
    EXPECT_FALSE(prn->OutputSurface()->fillSolid);  // transparent again
    prn->EndReports();
    const QImage page = pdfprobe::render(pdf(), 1, 200);
    const int dpi = 200;
    // The outline, not the inside.
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 10, 25));
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 50, 25));
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 30, 10));
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 30, 40));
    EXPECT_FALSE(pdfprobe::darkAt(page, dpi, 30, 25));
    // Filled.
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 30, 65));
    // A horizontal line covers both end points.
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 10, 100));
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 59.95, 100));
    EXPECT_FALSE(pdfprobe::darkAt(page, dpi, 61, 100));
    // The circle's edge, not its centre.
    EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 70, 150));
    EXPECT_FALSE(pdfprobe::darkAt(page, dpi, 50, 150));
}

TEST_F(PdfTest, PicturesAreOnTheModuleOriginEvenInARow) {
    const QString picture = dir.filePath("logo.png");
    QImage black(96, 96, QImage::Format_RGB32);  // one inch at 96 dpi
    black.fill(Qt::black);
    black.setDotsPerMeterX(3780);
    black.setDotsPerMeterY(3780);
    ASSERT_TRUE(black.save(picture));
    auto prn = pdfReport(pdf());  // rows from 40
    prn->setRowPrinting(true);
    prn->setIgnoreNextNewRow(true);
    prn->NewReportRow();
    prn->NewReportRow();
    ImageOut(*prn, picture, 0, 0);                     // own size, at the module's corner
    ImageOut(*prn, picture, 100, 100, 10, 50, true);   // stretched
    ImageOut(*prn, picture, 200, 100, 10, 10, false);  // cut to the box
    TxtOut(*prn, 0, 0, QStringLiteral("Riga"));        // text at the row
    platform::ScriptedBoxes boxes;
    ImageOut(*prn, QStringLiteral("manca.png"), 0, 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.lastText(), QStringLiteral("Impossibile accedere al file dell'immagine:\rmanca.png"));
    prn->EndReports();
    const QImage page = pdfprobe::render(pdf(), 1, 100);
    EXPECT_TRUE(pdfprobe::darkAt(page, 100, 1, 1));
    EXPECT_TRUE(pdfprobe::darkAt(page, 100, 25, 25));
    EXPECT_FALSE(pdfprobe::darkAt(page, 100, 26.5, 26.5));
    EXPECT_TRUE(pdfprobe::darkAt(page, 100, 148, 105));
    EXPECT_FALSE(pdfprobe::darkAt(page, 100, 152, 105));
    EXPECT_TRUE(pdfprobe::darkAt(page, 100, 109, 209));
    EXPECT_FALSE(pdfprobe::darkAt(page, 100, 111, 209));
    EXPECT_NEAR(pdfprobe::find(pdfprobe::words(pdf()), "Riga").box.top(), 46, 1.0);
}

TEST_F(PdfTest, BarcodesReadBackAsTheirSymbols) {
    const QString texts[] = {
        QStringLiteral("abc"), QString(), QStringLiteral("ORD-2024/0001"),
        QStringLiteral("Zelt Order 128 ~ tutto maiuscolo e minuscolo, con cifre 0123456789")};
    auto prn = pdfReport(pdf());
    float y = 10;
    std::vector<float> widths;
    for (const QString& t : texts) {
        widths.push_back(Barcode128bOut(*prn, y, 5, 10, 0.25f, t));
        TxtOut(*prn, y + 12, 5, QStringLiteral("x"));  // text placed where the barcode starts
        y += 30;
    }
    prn->EndReports();
    EXPECT_FLOAT_EQ(widths[0], 68 * 0.25f);
    EXPECT_FLOAT_EQ(widths[1], 35 * 0.25f);
    const int dpi = 508;  // 5 pixels a module
    const QImage page = pdfprobe::render(pdf(), 1, dpi);
    y = 10;
    for (const QString& t : texts) {
        const auto runs = pdfprobe::runs(page, dpi, y + 5, 0);
        EXPECT_EQ(pdfprobe::decodeCode128(runs, 0.25 * pdfprobe::pxPerMm(dpi)), pdfprobe::code128Symbols(t))
            << t.toStdString();
        EXPECT_FALSE(pdfprobe::darkAt(page, dpi, 6, y - 0.3));  // the top edge at nY
        EXPECT_TRUE(pdfprobe::darkAt(page, dpi, 5.1, y + 0.3));
        y += 30;
    }
}

TEST_F(PdfTest, HostedObjectsPrintThroughTheObjectHost) {
    const QString html = dir.filePath("listino.html");
    QFile f(html);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><p>Listino estivo</p></body></html>");
    f.close();
    const QString htmlPdf = dir.filePath("listino.pdf");
    platform::Printers::setCurrent(platform::Printers::pdfPrinterName());
    platform::Printers::setPdfFileAsker([&] { return std::optional<QString>(htmlPdf); });
    Geometry g;
    g.height = 100;
    g.width = 50;
    auto prn = pdfReport(pdf(), g);
    // A load command that fails stops the layout with the object's error.
    try {
        PrintObject(*prn, QStringLiteral("Shell.Explorer"), QStringLiteral("navigate manca.html"),
                    QStringLiteral("ExecWB 6, 1"));
        FAIL() << "no error";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral(
            "Impostazione del file fallita mediante il medoto/proprietà:\rnavigate manca.html\r\rError: ")))
            << e.description().toStdString();
    }
    PrintObject(*prn, QStringLiteral("Shell.Explorer"), QStringLiteral("navigate ") + html,
                QStringLiteral("ExecWB 6, 1"));
    platform::Printers::setPdfFileAsker({});
    ASSERT_TRUE(QFile::exists(htmlPdf));
    EXPECT_FALSE(pdfprobe::find(pdfprobe::words(htmlPdf), "estivo").text.isEmpty());
    // The host was sized like the sheet: later modules have the sheet's size.
    EXPECT_NEAR(prn->ReportHeight(), 297, 0.01);
    EXPECT_NEAR(prn->ReportWidth(), 210, 0.01);
}

// A picture or a page that a layout names is read only when it is a regular
// file of a bounded size: a FIFO (which would block for ever) and /dev/zero
// (which never ends) get their error at once. In a child process, so that a
// hang (ended by an alarm) or a crash fails the test and not the run.
TEST_F(PdfTest, OnlyRegularFilesAreRead) {
    const QString fifo = dir.filePath("coda");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Pages by their names: the viewer opens only .htm and .html files.
    const QString fifoPage = dir.filePath("coda.html");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifoPage).constData(), 0600), 0);
    const QString zeroPage = dir.filePath("zero.html");
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(zeroPage).constData()), 0);
    const QString page = dir.filePath("pagina.html");
    QFile f(page);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<html><body><p>Listino</p><img src=\"coda\"><img src=\"/dev/zero\"></body></html>");
    f.close();
    const QString htmlPdf = dir.filePath("pagina.pdf");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(20);
            bool ok = true;
            auto refused = [&](const std::function<void()>& read, const char* what) {
                try {
                    read();
                    std::fprintf(stderr, "%s: no error\n", what);
                    ok = false;
                } catch (const core::AppError& e) {
                    if (e.number() != 75 || !e.description().contains(QStringLiteral("non è un file"))) {
                        std::fprintf(stderr, "%s: %ld %s\n", what, e.number(), qPrintable(e.description()));
                        ok = false;
                    }
                }
            };
            auto prn = pdfReport(pdf());
            refused([&] { ImageOut(*prn, fifo, 0, 0); }, "ImageOut of a FIFO");
            refused([&] { ImageOut(*prn, QStringLiteral("/dev/zero"), 0, 0); }, "ImageOut of /dev/zero");
            refused([&] { ImageOut(*prn, dir.path(), 0, 0); }, "ImageOut of a folder");
            prn->EndReports();
            std::shared_ptr<core::Object> viewer = startup::frmObjectView::instance().SetObject(
                QStringLiteral("Shell.Explorer"), QStringLiteral("CustomObject"),
                QStringLiteral("ExecWB 6, 1"), false, QStringLiteral("prova"));
            auto navigate = [&](const QString& target) {
                core::Variant v(target);
                core::Variant* args[] = {&v};
                viewer->invoke(QStringLiteral("Navigate"), core::CallKind::Method, args);
            };
            refused([&] { navigate(fifoPage); }, "Navigate to a FIFO");
            refused([&] { navigate(zeroPage); }, "Navigate to /dev/zero");
            // A page whose pictures are a FIFO and /dev/zero prints without them.
            platform::Printers::setCurrent(platform::Printers::pdfPrinterName());
            platform::Printers::setPdfFileAsker([&] { return std::optional<QString>(htmlPdf); });
            navigate(page);
            core::Variant print(std::int32_t(6));
            core::Variant* printArgs[] = {&print};
            viewer->invoke(QStringLiteral("ExecWB"), core::CallKind::Method, printArgs);
            if (!QFile::exists(htmlPdf)) {
                std::fprintf(stderr, "the page was not printed\n");
                ok = false;
            }
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// One drawing call that runs long (a text of millions of characters cut a
// character or so a line) stops at the script's time-out like a loop does.
TEST_F(PdfTest, ALongDrawingCallStopsAtTheTimeOut) {
    auto prn = pdfReport(pdf());
    script::ScriptControl sc;
    sc.setTimeout(300);
    sc.AddCode(
        QStringLiteral("Sub Draw(prn)\r\n  prn.TxtOut 0, 0, String(3000000, \"W\"), 0.01\r\nEnd Sub\r\n"));
    std::vector<core::Variant> args{core::Variant(std::static_pointer_cast<core::Object>(prn))};
    QElapsedTimer t;
    t.start();
    try {
        sc.Run(QStringLiteral("Draw"), args);
        FAIL() << "the call ran to its end";
    } catch (const core::AppError& e) {
        EXPECT_EQ(e.description(), QStringLiteral("Tempo massimo di esecuzione dello script superato"));
    }
    EXPECT_LT(t.elapsed(), 10000);
    prn->EndReports();
}

// The barcode of a code of millions of characters, or of a symbol wider than
// the page, is refused at once; a turned or right-aligned text of millions of
// characters, or one line of them, stops at the script's time-out. Each ends
// within its time-out and a second.
TEST_F(PdfTest, HugeBarcodesAndTextsEndWithinTheTimeOut) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(60);
            bool ok = true;
            const auto call = [&](const char* line, const QString& expected) {
                auto prn = pdfReport(dir.filePath("huge.pdf"));
                script::ScriptControl sc;
                sc.setTimeout(300);
                sc.AddCode(QStringLiteral("Sub Draw(prn)\r\n  s = String(6000000, \"W\")\r\n  ") +
                           QString::fromUtf8(line) + QStringLiteral("\r\nEnd Sub\r\n"));
                std::vector<core::Variant> args{core::Variant(std::static_pointer_cast<core::Object>(prn))};
                QElapsedTimer t;
                t.start();
                try {
                    sc.Run(QStringLiteral("Draw"), args);
                    std::fprintf(stderr, "%s: no error\n", line);
                    ok = false;
                } catch (const core::AppError& e) {
                    if (!e.description().contains(expected)) {
                        std::fprintf(stderr, "%s: %s\n", line, qPrintable(e.description()));
                        ok = false;
                    }
                }
                if (t.elapsed() > 1300) {
                    std::fprintf(stderr, "%s: %lld ms\n", line, static_cast<long long>(t.elapsed()));
                    ok = false;
                }
                prn->EndReports();
            };
            const QString timeOut = QStringLiteral("Tempo massimo di esecuzione dello script superato");
            call("prn.Barcode128bOut 10, 5, 10, 0.25, s",
                 QStringLiteral(
                     "Barcode128bOut: il codice è troppo lungo (6000000 caratteri, al massimo 1000)."));
            call("prn.Barcode128bOut 10, 5, 10, 0.25, Left(s, 1000)",
                 QStringLiteral(
                     "Barcode128bOut: il codice a barre è largo 2758,75 mm, più della pagina (210"));
            call("prn.Barcode128bOut 10, 5, 10, -2, Left(s, 10)",
                 QStringLiteral("Barcode128bOut: il codice a barre è largo 290 mm"));
            call("prn.TxtOutR 10, 100, s", timeOut);
            call("prn.TxtOutV 10, 100, s, True, False", timeOut);
            call("prn.TxtOutV 10, 100, s, False, True", timeOut);
            call("prn.TxtOut 10, 5, s", timeOut);
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A page printed through the HTML viewer ends within the layout's time-out
// and a second: a page of hundreds of sheets stops between two sheets, one
// of more than a thousand is not printed at all, one nested too deep is
// refused before its layout. The program then prints the next page as ever.
TEST_F(PdfTest, HostedPagesEndWithinTheTimeOut) {
    auto write = [&](const QString& name, const QString& html) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(html.toUtf8());
        return f.fileName();
    };
    const QString margins = write(
        "margini.html", QStringLiteral("<p style=\"page-break-before: always\">Listino</p>").repeated(990));
    const QString sheets = write(
        "fogli.html", QStringLiteral("<p style=\"page-break-before: always\">Listino</p>").repeated(1100));
    const QString deep = write("annidata.html", QStringLiteral("<table><tr><td>").repeated(1000) + "x");
    const QString plain = write("listino.html", QStringLiteral("<p>Listino estivo</p>"));
    const QString htmlPdf = dir.filePath("pagina.pdf");
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(60);
            bool ok = true;
            core::ScriptedBoxes boxes;
            platform::Printers::setCurrent(platform::Printers::pdfPrinterName());
            platform::Printers::setPdfFileAsker([&] { return std::optional<QString>(htmlPdf); });
            const auto call = [&](const QString& page, const QString& expected, int timeoutMs = 300) {
                boxes.clear();
                auto prn = pdfReport(dir.filePath("report.pdf"));
                script::ScriptControl sc;
                sc.setTimeout(300);
                sc.AddCode(
                    QStringLiteral("Sub Draw(prn, page)\r\n  prn.PrintObject \"Shell.Explorer\", "
                                   "\"navigate \" & page, \"ExecWB 6, 1\"\r\nEnd Sub\r\n"));
                std::vector<core::Variant> args;
                args.emplace_back(std::static_pointer_cast<core::Object>(prn));
                args.emplace_back(page);
                QElapsedTimer t;
                t.start();
                QString told;
                try {
                    sc.Run(QStringLiteral("Draw"), args);
                    told = boxes.lastText();
                } catch (const core::AppError& e) {
                    told = e.description();
                }
                if (!told.contains(expected)) {
                    std::fprintf(stderr, "%s: %s\n", qPrintable(page), qPrintable(told));
                    ok = false;
                }
                if (t.elapsed() > 1300) {
                    std::fprintf(stderr, "%s: %lld ms\n", qPrintable(page),
                                 static_cast<long long>(t.elapsed()));
                    ok = false;
                }
                prn->EndReports();
            };
            call(margins, QStringLiteral("Tempo massimo di esecuzione dello script superato"), 100);
            if (QFile::exists(htmlPdf)) {
                std::fprintf(stderr, "a page stopped halfway was delivered\n");
                ok = false;
            }
            call(sheets, QStringLiteral("Stampa fallita, l'errore è: La pagina ") + sheets +
                             QStringLiteral(" occupa più di 1000 fogli: non viene stampata"));
            call(deep,
                 QStringLiteral("La pagina ") + deep +
                     QStringLiteral(" non viene mostrata: le sue tabelle sono annidate oltre 10 livelli"));
            call(plain, QString());
            if (pdfprobe::find(pdfprobe::words(htmlPdf), "estivo").text.isEmpty()) {
                std::fprintf(stderr, "the plain page was not printed\n");
                ok = false;
            }
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// While the agent reads a page the layout shows for preview, the layout's
// time-out does not run: the run goes on after the window is closed.
TEST_F(PdfTest, APreviewedPageIsTheAgentsTimeNotTheLayouts) {
    QFile f(dir.filePath("listino.html"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<p>Listino estivo</p>");
    f.close();
    // Shows the page as a layout on a preview surface does.
    struct Previewer : core::Object {
        QString page;
        QString typeName() const override { return QStringLiteral("Previewer"); }
        core::Variant invoke(const QString&, core::CallKind, std::span<core::Variant* const>) override {
            startup::frmObjectView& view = startup::frmObjectView::instance();
            auto viewer = view.SetObject(QStringLiteral("Shell.Explorer"), QStringLiteral("CustomObject"),
                                         QStringLiteral("ExecWB 6, 1"), true);
            core::Variant file(page);
            core::Variant* args[] = {&file};
            viewer->invoke(QStringLiteral("Navigate"), core::CallKind::Method, args);
            QTimer::singleShot(700, &view, [&view] { view.close(); });
            view.showModal();
            return {};
        }
    };
    auto previewer = std::make_shared<Previewer>();
    previewer->page = f.fileName();
    script::ScriptControl sc;
    sc.setTimeout(300);
    sc.AddCode(QStringLiteral("Sub Show(p)\r\n  p.Show\r\n  x = 1\r\nEnd Sub\r\n"));
    std::vector<core::Variant> args{core::Variant(std::static_pointer_cast<core::Object>(previewer))};
    EXPECT_NO_THROW(sc.Run(QStringLiteral("Show"), args));
}

// A text longer than one piece of drawing is measured whole: its pieces add
// up to the text's width, as a right-aligned or turned text returns it.
TEST_F(PdfTest, ALongTextIsMeasuredWhole) {
    auto prn = pdfReport(pdf());
    platform::PageSurface& s = *prn->OutputSurface();
    const double one = s.textWidth(QStringLiteral("W"));
    const QString text(10000, QLatin1Char('W'));
    EXPECT_NEAR(TxtOutR(*prn, 20, 100, text), 10000 * one, 10000 * one * 1e-3);
    EXPECT_NEAR(TxtOutV(*prn, 50, 50, text, true, false), 10000 * one, 10000 * one * 1e-3);
    // A barcode that fits the page is drawn and gives its width.
    EXPECT_FLOAT_EQ(Barcode128bOut(*prn, 100, 5, 10, 0.25f, QStringLiteral("ABC")), (5 * 11 + 13) * 0.25f);
    prn->EndReports();
}
