// The report preview window through its real widgets: the page store (16
// pages in memory, the rest in files), paging, zoom and scroll bars, the
// clipboard and printing the shown page.

#include "PdfProbe.h"

#include "core/AppError.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PageSurface.h"
#include "platform/ui/Printers.h"
#include "reports/ui/frmCustomReportPreview.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

using reports::frmCustomReportPreview;

namespace {

// Adds n pages, page k showing a black square 6 k millimetres from the left.
void addPages(frmCustomReportPreview& preview, int n) {
    for (int k = 1; k <= n; ++k) {
        platform::ImageSurface& page = preview.PageAdd();
        page.filledBox(QPointF(k * 6, 10), QPointF(k * 6 + 5, 15), Qt::black);
    }
}

bool markOf(const QImage& page, int k) {
    const double px = 96 / 25.4;
    return qGray(page.pixel(int((k * 6 + 2.5) * px), int(12 * px))) < 128;
}

}  // namespace

TEST(Preview, PagesBeyondSixteenLiveInFilesUntilCleared) {
    frmCustomReportPreview preview;
    addPages(preview, 18);
    preview.RefreshView();  // stores the last page
    EXPECT_EQ(preview.PageCount(), 18);
    const QStringList files = QDir(preview.pageFolder()).entryList({"TmpPreview_*.*"}, QDir::Files);
    EXPECT_EQ(files, QStringList({"TmpPreview_17.bmp", "TmpPreview_18.bmp"}));
    EXPECT_TRUE(markOf(preview.pageImage(17), 17));
    EXPECT_TRUE(markOf(preview.pageImage(3), 3));
    EXPECT_FALSE(markOf(preview.pageImage(3), 4));
    preview.PageClear();
    EXPECT_EQ(preview.PageCount(), 0);
    EXPECT_TRUE(QDir(preview.pageFolder()).entryList({"TmpPreview_*.*"}, QDir::Files).isEmpty());
    // The files are in a folder of the window's own, never the program's.
    EXPECT_NE(QDir(preview.pageFolder()).absolutePath(),
              QDir(QCoreApplication::applicationDirPath()).absolutePath());
}

// Page 17 cannot be written, on a full disk (the page file leads to
// /dev/full) or with its folder gone: it is not counted, the next page is
// refused with the reason, and the preview says it once.
TEST(Preview, APageThatCannotBeStoredStopsThePagesWithTheReason) {
    struct Case {
        const char* what;
        std::function<void(const frmCustomReportPreview&)> breakStore;
    } const cases[] = {
        {"disco pieno",
         [](const frmCustomReportPreview& p) {
             ASSERT_TRUE(QFile::link("/dev/full", p.GetTempPageFileName(17)));
         }},
        {"cartella rimossa",
         [](const frmCustomReportPreview& p) { QDir(p.pageFolder()).removeRecursively(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        frmCustomReportPreview preview;
        addPages(preview, 17);  // 16 stored, the 17th drawn
        c.breakStore(preview);
        for (int attempt = 0; attempt < 2; ++attempt) {
            try {
                preview.PageAdd();
                ADD_FAILURE() << "page 17 taken as stored";
            } catch (const core::AppError& e) {
                EXPECT_EQ(e.number(), 75);
                EXPECT_TRUE(e.description().startsWith("Impossibile salvare la pagina 17 dell'anteprima"))
                    << e.description().toStdString();
                EXPECT_TRUE(e.description().contains("Il disco è pieno o la cartella non è scrivibile"));
            }
            EXPECT_EQ(preview.PageCount(), 16);
        }
        const QFileInfo file(preview.GetTempPageFileName(17));
        EXPECT_FALSE(file.exists() || file.isSymLink());  // no half-written page left
        platform::ScriptedBoxes boxes;
        preview.show();
        QApplication::processEvents();
        preview.RefreshView();
        EXPECT_TRUE(boxes.shown().empty());  // told once, by the run that drew it
        EXPECT_EQ(preview.Widgets().lblTotPage->text(), "di 16");
        preview.close();
    }
}

TEST(Preview, EveryActivationShowsThePagesAndThePageBoxSelectsItsNumber) {
    frmCustomReportPreview preview;
    addPages(preview, 3);
    preview.show();
    QApplication::setActiveWindow(&preview);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&preview));
    EXPECT_EQ(preview.Widgets().lblTotPage->text(), QStringLiteral("di 3"));
    // Pages added while another window is active are shown when the preview is active again.
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    addPages(preview, 2);
    QApplication::setActiveWindow(&preview);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&preview));
    EXPECT_EQ(preview.PageCount(), 5);
    EXPECT_EQ(preview.Widgets().lblTotPage->text(), QStringLiteral("di 5"));
    // Entering the page box selects its number: typing replaces it.
    preview.Widgets().txtPage->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(preview.Widgets().txtPage->selectedText(), QStringLiteral("1"));
    QTest::keyClicks(preview.Widgets().txtPage, "4");
    QTest::keyClick(preview.Widgets().txtPage, Qt::Key_Return);
    EXPECT_EQ(preview.PageIndex(), 4);
    preview.close();
}

TEST(Preview, PagingControlsFollowThePageCount) {
    struct Case {
        int pages;
        bool pageBox, firstLast;
    } cases[] = {{1, false, false}, {2, true, false}, {3, true, true}};
    for (const Case& c : cases) {
        frmCustomReportPreview preview;
        addPages(preview, c.pages);
        preview.show();
        QApplication::processEvents();
        EXPECT_EQ(preview.Widgets().lblTotPage->text(), QStringLiteral("di %1").arg(c.pages));
        EXPECT_EQ(preview.PageIndex(), 1);
        EXPECT_EQ(preview.Widgets().txtPage->isEnabled(), c.pageBox) << c.pages;
        EXPECT_EQ(preview.Widgets().udPageSeek->isEnabled(), c.pageBox) << c.pages;
        EXPECT_EQ(preview.Widgets().cmdFirst->isEnabled(), c.firstLast) << c.pages;
        EXPECT_EQ(preview.Widgets().cmdLast->isEnabled(), c.firstLast) << c.pages;
        preview.close();
    }
}

TEST(Preview, TypedPagesAreClamped) {
    frmCustomReportPreview preview;
    addPages(preview, 5);
    preview.show();
    QApplication::processEvents();
    preview.Widgets().txtPage->setText("99");
    preview.ShowTypedPage();
    EXPECT_EQ(preview.PageIndex(), 5);
    EXPECT_EQ(preview.Widgets().txtPage->text(), QStringLiteral("5"));
    preview.Widgets().txtPage->setText("0");
    preview.ShowTypedPage();
    EXPECT_EQ(preview.PageIndex(), 1);
    QTest::keyClick(&preview, Qt::Key_PageDown);
    EXPECT_EQ(preview.PageIndex(), 2);
    QTest::mouseClick(preview.Widgets().cmdLast, Qt::LeftButton);
    EXPECT_EQ(preview.PageIndex(), 5);
    QTest::mouseClick(preview.Widgets().cmdFirst, Qt::LeftButton);
    EXPECT_EQ(preview.PageIndex(), 1);
    // Esc closes; with no printer chosen ShowPreview gives "".
    QTimer::singleShot(0, &preview, [&] { QTest::keyClick(&preview, Qt::Key_Escape); });
    EXPECT_EQ(preview.ShowPreview(nullptr), QString());
}

// The page spinner: up is the next page, down the previous one, within the pages.
TEST(Preview, TheSpinnersUpArrowGoesToTheNextPage) {
    frmCustomReportPreview preview;
    addPages(preview, 3);
    preview.show();
    QApplication::processEvents();
    const auto* spinner = preview.Widgets().udPageSeek;
    struct Step {
        QToolButton* arrow;
        int page;
    } const steps[] = {{spinner->upButton(), 2},   {spinner->upButton(), 3},   {spinner->upButton(), 3},
                       {spinner->downButton(), 2}, {spinner->downButton(), 1}, {spinner->downButton(), 1}};
    for (const Step& s : steps) {
        QTest::mouseClick(s.arrow, Qt::LeftButton);
        EXPECT_EQ(preview.PageIndex(), s.page);
        EXPECT_EQ(preview.Widgets().txtPage->text(), QString::number(s.page));
    }
    // A page typed into the box is where the arrows go on from.
    preview.Widgets().txtPage->setText("3");
    preview.ShowTypedPage();
    QTest::mouseClick(spinner->downButton(), Qt::LeftButton);
    EXPECT_EQ(preview.PageIndex(), 2);
    EXPECT_TRUE(markOf(preview.pageImage(preview.PageIndex()), 2));
    preview.close();
}

TEST(Preview, ZoomOptionsAndScrollBars) {
    frmCustomReportPreview preview;
    addPages(preview, 1);
    preview.resize(600, 500);
    preview.show();
    QApplication::processEvents();
    const QSize own = preview.pageImage(1).size();
    EXPECT_EQ(preview.Widgets().imgView->size(), own);  // no zoom: the picture's own size
    EXPECT_FALSE(preview.Widgets().optStretch200->isEnabled());
    preview.Widgets().chkStretch->click();
    EXPECT_TRUE(preview.Widgets().optStretch200->isEnabled());
    preview.Widgets().optStretch200->click();
    EXPECT_EQ(preview.Widgets().imgView->size(), own * 2);
    EXPECT_TRUE(preview.Widgets().vsImage->isVisible());
    EXPECT_TRUE(preview.Widgets().hsImage->isVisible());
    // Scrolling moves the picture by the bar's value.
    preview.Widgets().vsImage->setValue(100);
    EXPECT_EQ(preview.Widgets().imgView->y(), -100);
    QTest::keyClick(&preview, Qt::Key_Down);
    EXPECT_EQ(preview.Widgets().vsImage->value(), 100 + preview.Widgets().vsImage->singleStep());
    // The page fits the area: no bars, the picture centred.
    preview.Widgets().optStretchArea->click();
    EXPECT_FALSE(preview.Widgets().vsImage->isVisible());
    EXPECT_LE(preview.Widgets().imgView->height(), preview.Widgets().pnlCenter->height());
    preview.close();
}

TEST(Preview, AHiddenPartBeyond32767UnitsUsesARatio) {
    frmCustomReportPreview preview;
    addPages(preview, 1);
    preview.resize(400, 300);
    preview.show();
    QApplication::processEvents();
    preview.Widgets().chkStretch->click();
    preview.Widgets().optStretch300->click();  // about 3400 pixels high: below the limit
    EXPECT_DOUBLE_EQ(preview.VScrollRatio(), 1.0);
    // A tall picture whose hidden part passes 32767 pixels.
    platform::ImageSurface& tall = preview.PageAdd();
    tall.resize(QSizeF(210, 297 * 12));
    preview.RefreshView();
    preview.setPageIndex(2);
    EXPECT_EQ(preview.Widgets().vsImage->maximum(), 32767);
    EXPECT_GT(preview.VScrollRatio(), 1.0);
    preview.Widgets().vsImage->setValue(32767);
    EXPECT_NEAR(-preview.Widgets().imgView->y() + preview.Widgets().pnlCenter->height() -
                    preview.Widgets().hsImage->height(),
                preview.Widgets().imgView->height(), 2.0);
    preview.close();
}

TEST(Preview, ClipboardAndPrintingTheShownPage) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("pagina.pdf");
    platform::Printers::setPrinterChooser([&](const QString& title, int) {
        EXPECT_EQ(title, QStringLiteral("Selezione Stampante"));
        return std::optional<platform::Printers::Choice>(
            platform::Printers::Choice{platform::Printers::pdfPrinterName(), pdf, 1});
    });
    platform::ScriptedBoxes boxes;
    frmCustomReportPreview preview;
    addPages(preview, 2);
    preview.show();
    QApplication::processEvents();
    preview.Widgets().cmdClipBoardImage->click();
    EXPECT_EQ(boxes.lastText(), QStringLiteral("La pagina è stata copia negli appunti."));
    EXPECT_EQ(QApplication::clipboard()->image().size(), preview.pageImage(1).size());

    preview.Widgets().chkPrintCurrent->setChecked(true);
    preview.setPageIndex(2);
    preview.Widgets().chkPrintImage->click();
    EXPECT_TRUE(preview.isVisible());  // the window stays open
    ASSERT_TRUE(QFile::exists(pdf));
    EXPECT_EQ(pdfprobe::pageCount(pdf), 1);
    const QImage page = pdfprobe::render(pdf, 1, 100);
    EXPECT_TRUE(pdfprobe::darkAt(page, 100, 12 + 2.5, 12));  // page 2's mark, fitted to the sheet's width

    // Cancelling the printer dialog does nothing.
    platform::Printers::setPrinterChooser([](const QString&, int) { return std::nullopt; });
    QFile::remove(pdf);
    preview.Widgets().chkPrintImage->click();
    EXPECT_FALSE(QFile::exists(pdf));
    EXPECT_TRUE(preview.isVisible());
    platform::Printers::setPrinterChooser({});
    preview.close();
}
