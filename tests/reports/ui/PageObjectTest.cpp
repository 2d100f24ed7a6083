// The report page object: geometry, rows, modules, sheets, the variable
// store, the area marks and the background, printed into a PDF and read back.

#include "PdfProbe.h"
#include "ReportFixture.h"

#include "core/AppError.h"
#include "platform/ui/PageSurface.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "script/ScriptControl.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>

using namespace reporttest;
using reports::clsCustomReport;

TEST_F(PdfTest, DefaultSizesComeFromTheSheet) {
    Geometry g;
    g.top = 5;
    g.left = 5;
    g.rowsBottom = 0;
    auto prn = pdfReport(pdf(), g);
    EXPECT_NEAR(prn->ReportHeight(), 297 - 10, 0.01);
    EXPECT_NEAR(prn->ReportWidth(), 210 - 10, 0.01);
    EXPECT_NEAR(prn->ReportRowsBottom(), 297, 0.01);

    g.columns = 2;
    auto two = pdfReport(dir.filePath("two.pdf"), g);
    EXPECT_NEAR(two->ReportWidth(), (210 - 10) / 2.0, 0.01);
}

TEST_F(PdfTest, LandscapeLayoutTurnsTheSheet) {
    Geometry g;
    g.landscape = true;
    auto prn = pdfReport(pdf(), g);
    reports::TxtOut(*prn, 0, 0, QStringLiteral("x"));
    prn->EndReports();
    const QSizeF size = pdfprobe::pageSizeMm(pdf());
    EXPECT_NEAR(size.width(), 297, 0.5);
    EXPECT_NEAR(size.height(), 210, 0.5);
    EXPECT_NEAR(prn->ReportWidth(), 297, 0.01);
}

TEST(PreviewGeometry, APreviewPageIsTheModuleGrid) {
    reports::frmCustomReportPreview preview;
    auto prn = std::make_shared<clsCustomReport>();
    clsCustomReport::Device device;
    device.preview = &preview;
    prn->SetParameter(device, 0, 0, 5, 5, 1, 6, 40, 0, QString(), 0, QString(), false, QString());
    // No margin subtraction in preview; the picture holds top + module height.
    EXPECT_NEAR(prn->ReportHeight(), 297, 0.01);
    EXPECT_NEAR(prn->OutputSurface()->scaleHeight(), 302, 0.01);
    EXPECT_NEAR(prn->OutputSurface()->scaleWidth(), 215, 0.01);

    auto wide = std::make_shared<clsCustomReport>();
    wide->SetParameter(device, 0, 0, 0, 0, 1, 6, 40, 200, QString(), 0, QString(), true, QString());
    EXPECT_GT(wide->OutputSurface()->scaleWidth(), wide->OutputSurface()->scaleHeight());
}

TEST_F(PdfTest, ModulesFillColumnsThenRowsThenSheets) {
    Geometry g;
    g.columns = 3;
    g.height = 140;
    g.width = 60;
    auto prn = pdfReport(pdf(), g);
    struct Step {
        float x, y;
        int count;
    } expected[] = {{0, 0, 0}, {60, 0, 1}, {120, 0, 2}, {0, 140, 3}, {60, 140, 4}, {120, 140, 5}, {0, 0, 6}};
    for (const Step& s : expected) {
        EXPECT_FLOAT_EQ(prn->CurX(), s.x);
        EXPECT_FLOAT_EQ(prn->CurY(), s.y);
        EXPECT_EQ(prn->ReportModuleCount(), s.count);
        EXPECT_EQ(prn->ReportCount(), s.count);
        reports::TxtOut(*prn, 1, 1, QStringLiteral("M%1").arg(s.count));
        prn->NextReportModule();
    }
    prn->EndReports();
    // The seventh module opens a second sheet; the new sheet that follows the
    // last module is never printed.
    EXPECT_EQ(pdfprobe::pageCount(pdf()), 2);
    const auto words = pdfprobe::words(pdf());
    EXPECT_EQ(pdfprobe::find(words, "M6").page, 2);
    EXPECT_NEAR(pdfprobe::find(words, "M4").box.left(), 61, 0.6);
}

TEST_F(PdfTest, RowsAdvanceUntilTheAreaIsFull) {
    auto prn = pdfReport(pdf());  // rows area 40..240, rows of 6
    prn->setIgnoreNextNewRow(true);
    prn->setRowPrinting(true);
    prn->NewReportRow();  // the first row stays the first
    EXPECT_FLOAT_EQ(prn->CurY(), 40);
    EXPECT_FALSE(prn->IgnoreNextNewRow());
    int rows = 1;
    while (!prn->LastRow()) {
        prn->NewReportRow();
        ++rows;
    }
    // 40 + offset + 6 + 6 >= 240 first when offset = 198 (row 34).
    EXPECT_EQ(rows, 33);
    EXPECT_FLOAT_EQ(prn->RowY(), 0);
    prn->setRowPrinting(false);
    EXPECT_FLOAT_EQ(prn->RowY(), 40 + 32 * 6);
    prn->setRowPrinting(true);
    prn->NewReportRow();  // the area is full: next module, first row
    EXPECT_EQ(prn->ReportModuleCount(), 1);
    EXPECT_FLOAT_EQ(prn->CurY(), 40);
    EXPECT_FALSE(prn->IgnoreNextNewRow());

    // RowEnd moves to the last row that fits.
    prn->RowEnd();
    EXPECT_TRUE(prn->LastRow());
    EXPECT_EQ(prn->ReportModuleCount(), 1);
}

// prn.RowEnd ends within one call: a rows area so far down that the row
// height is lost in the sum is an error at once, and a rows area of
// millions of rows stops at the script's time-out.
TEST_F(PdfTest, RowEndEndsOnARowThatCannotMoveAndAtTheTimeOut) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::alarm(20);
            bool ok = true;
            const auto rowEnd = [&](const Geometry& g, int timeoutMs, const QString& expected) {
                auto prn = pdfReport(dir.filePath("rowend.pdf"), g);
                script::ScriptControl sc;
                sc.setTimeout(timeoutMs);
                sc.AddCode(QStringLiteral("Sub Rows(prn)\r\n  prn.RowEnd\r\nEnd Sub\r\n"));
                std::vector<core::Variant> args{core::Variant(std::static_pointer_cast<core::Object>(prn))};
                QElapsedTimer t;
                t.start();
                try {
                    sc.Run(QStringLiteral("Rows"), args);
                    std::fprintf(stderr, "RowEnd ran to its end\n");
                    ok = false;
                } catch (const core::AppError& e) {
                    if (!e.description().contains(expected)) {
                        std::fprintf(stderr, "RowEnd: %s\n", qPrintable(e.description()));
                        ok = false;
                    }
                }
                if (t.elapsed() > timeoutMs + 1000) {
                    std::fprintf(stderr, "RowEnd took %lld ms\n", static_cast<long long>(t.elapsed()));
                    ok = false;
                }
                prn->EndReports();
            };
            Geometry far;
            far.rowDim = 1;
            far.rowsTop = 1e8f;
            far.rowsBottom = 2e8f;
            rowEnd(far, 300, QStringLiteral("prn.RowEnd: la riga corrente non avanza: righe di 1 mm"));
            Geometry deep;
            deep.rowDim = 0.1f;
            deep.rowsTop = 0;
            deep.rowsBottom = 1e7f;
            rowEnd(deep, 300, QStringLiteral("Tempo massimo di esecuzione dello script superato"));
            std::exit(ok ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(PdfTest, RowHeightsAndTheirLimit) {
    auto prn = pdfReport(pdf());
    prn->setRowDimCur(6);  // equal is accepted
    EXPECT_FLOAT_EQ(prn->RowDimCur(), 6);
    try {
        prn->setRowDimCur(6.1f);
        FAIL() << "no error";
    } catch (const core::AppError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral(
            "La nuova dimensione della riga corrente (6,1) non può superare quella predefinita (6)")))
            << e.description().toStdString();
    }
    EXPECT_FLOAT_EQ(prn->RowDimCur(), 6);
    prn->setRowDimCur(3);
    prn->setRowPrinting(true);
    prn->NewReportRow();
    EXPECT_FLOAT_EQ(prn->CurY(), 43);  // the row advanced by the current height
    EXPECT_FLOAT_EQ(prn->RowDimCur(), 6);
}

TEST(VariableStore, KeysInAnyCaseInWriteOrder) {
    auto prn = std::make_shared<clsCustomReport>();
    core::Variant self(std::static_pointer_cast<core::Object>(prn));
    auto let = [&](const char* name, core::Variant key, core::Variant value) {
        core::Variant* args[] = {&key, &value};
        prn->invoke(QString::fromLatin1(name), core::CallKind::PropertyLet, args);
    };
    auto get = [&](const char* name, core::Variant key) {
        core::Variant* args[] = {&key};
        return prn->invoke(QString::fromLatin1(name), core::CallKind::PropertyGet, args);
    };
    let("Vars", QStringLiteral("a"), std::int16_t(1));
    let("Vars", QStringLiteral("b"), QStringLiteral("x"));
    let("Vars", QStringLiteral("A"), std::int16_t(2));
    EXPECT_EQ(prn->Vars().VarsCount(), 2);
    EXPECT_EQ(get("Vars", std::int16_t(2)).toInteger(), 2);  // a moved last
    EXPECT_EQ(get("Vars", std::int16_t(1)).toString(), QStringLiteral("x"));
    EXPECT_TRUE(get("Vars", QStringLiteral("nessuna")).isEmpty());
    EXPECT_EQ(get("Nums", QStringLiteral("nessuna")).kind(), core::VType::Integer);
    EXPECT_EQ(get("Strs", QStringLiteral("nessuna")).toString(), QString());
    let("Nums", std::int16_t(7), 3.5);  // a numeric key in a write is a text key
    EXPECT_DOUBLE_EQ(get("Vars", QStringLiteral("7")).toDouble(), 3.5);
    prn->invoke(QStringLiteral("ResetVars"), core::CallKind::Method, {});
    EXPECT_EQ(prn->invoke(QStringLiteral("VarsCount"), core::CallKind::PropertyGet, {}).toInteger(), 0);
}

TEST_F(PdfTest, AreaMarksOutlineTheModuleAndTheRows) {
    Geometry g;
    g.top = 5;
    g.left = 5;
    g.height = 100;
    g.width = 100;
    g.rowsTop = 20;
    g.rowsBottom = 80;
    auto prn = pdfReport(pdf(), g);
    prn->setMarkOutputAreas(true);
    prn->NextReportModule();
    prn->EndReports();
    const QImage page = pdfprobe::render(pdf(), 1, 200);
    // Module (red): from (5.5, 6) to (104.5, 104.5); rows area (green, light
    // in grey) from y 25.5 to 84.5 over the module's sides.
    EXPECT_TRUE(pdfprobe::darkAt(page, 200, 5.5, 15));
    EXPECT_TRUE(pdfprobe::darkAt(page, 200, 50, 6));
    EXPECT_TRUE(pdfprobe::darkAt(page, 200, 104.5, 15));
    EXPECT_FALSE(pdfprobe::darkAt(page, 200, 50, 25.5));
    EXPECT_FALSE(pdfprobe::darkAt(page, 200, 50, 26.5));
    EXPECT_TRUE(pdfprobe::darkAt(page, 200, 50, 104.5));
    EXPECT_FALSE(pdfprobe::darkAt(page, 200, 50, 50));
    EXPECT_FALSE(pdfprobe::darkAt(page, 200, 3, 50));
}

TEST_F(PdfTest, AnEmptyModuleStillGetsItsBackground) {
    const QString picture = dir.filePath("carta.png");
    QImage black(20, 20, QImage::Format_RGB32);
    black.fill(Qt::black);
    ASSERT_TRUE(black.save(picture));
    Geometry g;
    g.height = 100;
    g.width = 100;
    g.backImage = picture;
    g.bottomBorder = 20;
    auto prn = pdfReport(pdf(), g);
    EXPECT_TRUE(prn->ReportModuleIsEmpty());
    prn->NextReportModule();  // nothing drawn in module 0
    prn->EndReports();
    const QImage page = pdfprobe::render(pdf(), 1, 100);
    EXPECT_TRUE(pdfprobe::darkAt(page, 100, 50, 50));
    EXPECT_FALSE(pdfprobe::darkAt(page, 100, 50, 90));  // the bottom border stays free
}

TEST_F(PdfTest, ALayoutReadsTheBackgroundPicture) {
    // A function of the layout that tells what prn.BackImage is.
    const QString code = QStringLiteral(
        "Function Describe(prn)\r\n"
        "  If prn.BackImage Is Nothing Then\r\n"
        "    Describe = \"nessuna\"\r\n"
        "  Else\r\n"
        "    Describe = TypeName(prn.BackImage) & \" \" & prn.BackImage.Type & \" \" & _\r\n"
        "               prn.BackImage.Width & \"x\" & prn.BackImage.Height & \" \" & (prn.BackImage <> 0)\r\n"
        "  End If\r\n"
        "End Function\r\n");
    const auto describe = [&](const std::shared_ptr<reports::clsCustomReport>& prn) {
        script::ScriptControl control;
        control.AddCode(code);
        std::vector<core::Variant> args{core::Variant(std::static_pointer_cast<core::Object>(prn))};
        const core::Variant result = control.Run(QStringLiteral("Describe"), args);
        EXPECT_EQ(control.Error().Number, 0) << control.Error().Description.toStdString();
        return result.toString();
    };
    EXPECT_EQ(describe(pdfReport(pdf())), QStringLiteral("nessuna"));
    // 300 x 150 pixels at 150 dots an inch: 50.8 x 25.4 mm.
    QImage letterhead(300, 150, QImage::Format_RGB32);
    letterhead.fill(Qt::white);
    letterhead.setDotsPerMeterX(5906);
    letterhead.setDotsPerMeterY(5906);
    Geometry g;
    g.backImage = dir.filePath("carta.png");
    ASSERT_TRUE(letterhead.save(g.backImage));
    EXPECT_EQ(describe(pdfReport(pdf(), g)), QStringLiteral("Picture 1 5080x2540 Vero"));
}

TEST_F(PdfTest, AMissingBackgroundIsAnErrorOfTheSetUp) {
    Geometry g;
    g.backImage = dir.filePath("manca.png");
    EXPECT_THROW(pdfReport(pdf(), g), core::AppError);
}

TEST(PreviewSheets, ASheetWithDrawnModulesIsKeptWhenTheLastModuleIsEmpty) {
    // Two modules a sheet: the run ends right after module 0 closed, so the
    // module in progress (1) is empty but its sheet holds module 0.
    reports::frmCustomReportPreview preview;
    auto prn = std::make_shared<clsCustomReport>();
    clsCustomReport::Device device;
    device.preview = &preview;
    prn->SetParameter(device, 100, 100, 0, 0, 2, 6, 10, 90, QString(), 0, QString(), false, QString());
    reports::TxtOut(*prn, 5, 5, QStringLiteral("Modulo zero"));
    prn->NextReportModule();
    EXPECT_TRUE(prn->ReportModuleIsEmpty());
    EXPECT_FALSE(prn->SheetIsEmpty());
    // A full sheet, then a new one with nothing drawn: only that one is dropped.
    prn->NextReportModule();
    EXPECT_TRUE(prn->SheetIsEmpty());
    preview.CancelAddingPage();
    preview.RefreshView();
    EXPECT_EQ(preview.PageCount(), 1);
}
