#include "startup/ui/frmAbout.h"
#include "startup/ui/frmInformative.h"

#include "platform/Shell.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

using namespace startup;

namespace {

TEST(About, TitleVersionAndDescription) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Informazioni"));
    about.strApplicationTitle = QStringLiteral("  ");
    about.show();
    EXPECT_EQ(about.lblTitle()->text(), QStringLiteral("Zelt Order"));
    EXPECT_TRUE(about.lblVersion()->text().startsWith(QStringLiteral("Version ")));
    EXPECT_EQ(about.lblDescription()->text(), frmAbout::ProgramDescription());
    EXPECT_EQ(about.cmdSysInfo()->toolTip(), QStringLiteral("Visualizza le informazioni di sistema"));
    QTest::mouseClick(about.cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());

    frmAbout named;
    named.strApplicationTitle = QStringLiteral("Zelt Order - Agenzia Nord");
    named.show();
    EXPECT_EQ(named.lblTitle()->text(), QStringLiteral("Zelt Order - Agenzia Nord"));
}

// The title the main window sets after making the window is shown whole:
// the window takes its size with it, and a title wider than the screen
// goes on more lines.
TEST(About, ATitleSetAfterTheWindowIsMadeIsShownWhole) {
    struct Case {
        const char* title;
        bool oneLine;
    } const cases[] = {
        {"Zelt Order - Archivio dimostrativo", true},
        {"Zelt Order - Rappresentanze di Ferramenta, Utensileria e Colori del Nord-Est", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        frmAbout about;
        about.strApplicationTitle = QString::fromUtf8(c.title);
        bool whole = false, oneLine = false, onScreen = false;
        QTimer::singleShot(0, &about, [&] {
            const QLabel* title = about.lblTitle();
            oneLine = !title->wordWrap();
            whole = oneLine ? title->contentsRect().width() >=
                                  title->fontMetrics().horizontalAdvance(title->text())
                            : title->height() >= title->heightForWidth(title->width());
            onScreen = about.screen()->availableGeometry().contains(about.frameGeometry());
            about.cmdOK()->click();
        });
        about.exec();
        EXPECT_EQ(about.lblTitle()->text(), QString::fromUtf8(c.title));
        EXPECT_TRUE(whole);
        EXPECT_EQ(oneLine, c.oneLine);
        EXPECT_TRUE(onScreen);
    }
}

TEST(About, WebSiteAndMakerContacts) {
    QList<QUrl> opened;
    platform::setOpenHandler([&opened](const QUrl& url) {
        opened << url;
        return true;
    });
    platform::ScriptedBoxes boxes;
    frmAbout about;
    about.show();
    QTest::mouseClick(about.lblWeb(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0].toString(), frmAbout::MakerWebSite());

    QTest::mouseClick(about.imgLogo(), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, frmAbout::MakerContacts());
    EXPECT_EQ(boxes.shown()[0].style, platform::kInformation);
    platform::setOpenHandler(nullptr);
}

TEST(About, SystemInformation) {
    platform::ScriptedBoxes boxes;
    frmAbout about;
    about.show();
    QTest::mouseClick(about.cmdSysInfo(), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("Sistema operativo: ")));
    EXPECT_TRUE(boxes.shown()[0].text.contains(QSysInfo::kernelType()));

    frmAbout::StartSysInfo(QString(), &about);
    ASSERT_EQ(boxes.shown().size(), 2u);
    EXPECT_EQ(boxes.shown()[1].text, QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(boxes.shown()[1].style, platform::kOkOnly);
}

TEST(About, TermsNoticeNamesTheRegisterName) {
    const QString saved = runContext().registerName;
    runContext().registerName = QStringLiteral("Agenzia Nord");
    frmAbout about;
    about.show();
    QString shownText;
    QString title;
    QTimer::singleShot(0, [&] {
        auto* notice = qobject_cast<frmInformative*>(QApplication::activeModalWidget());
        ASSERT_NE(notice, nullptr);
        title = notice->windowTitle();
        shownText = notice->lblResponsability()->text();
        QTest::keyClick(notice, Qt::Key_Escape);  // Esc closes the notice
    });
    QTest::mouseClick(about.cmdInformativa(), Qt::LeftButton);
    EXPECT_EQ(title, QStringLiteral("Informativa"));
    EXPECT_EQ(shownText.count(QStringLiteral("Agenzia Nord")), 3);
    runContext().registerName = saved;
}

TEST(Informative, ProductNameDefaultsToTheMaker) {
    frmInformative notice;
    notice.strProductName = QStringLiteral("   ");
    notice.show();
    EXPECT_EQ(notice.strProductName, frmInformative::MakerName());
    EXPECT_TRUE(notice.lblResponsability()->text().contains(frmInformative::MakerName()));
    for (QLabel* label : {notice.lblDescription(), notice.lblInformation1(), notice.lblInformation2()})
        EXPECT_FALSE(label->text().isEmpty());
}

TEST(Informative, PrintingAsksFirstAndNeedsAPrinter) {
    platform::ScriptedBoxes boxes;
    frmInformative notice;
    notice.show();

    platform::setChosenPrinterName(QString());
    if (platform::defaultPrinterName().isEmpty()) {
        QTest::mouseClick(notice.cmdPrint(), Qt::LeftButton);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("Nessuna stampante definita"));
        EXPECT_EQ(boxes.shown()[0].style, platform::kExclamation);
        boxes.clear();
    }

    platform::setChosenPrinterName(QStringLiteral("Ufficio"));
    boxes.answer(platform::kAnswerNo);
    QTest::mouseClick(notice.cmdPrint(), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, QStringLiteral("Stampa della videata in <Ufficio>\r\rConfermi ?"));
    EXPECT_EQ(boxes.shown()[0].style, platform::kYesNo | platform::kQuestion);
    platform::setChosenPrinterName(QString());
}

}  // namespace
