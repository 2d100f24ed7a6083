// Print jobs on a private print server (a CUPS scheduler of the test's own,
// tools/printserver): the printers listed, where a job goes when its
// printer is not installed, and that no drawn document is thrown away as a
// success.

#include "platform/ui/Printers.h"
#include "tools/printserver/PrintServer.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <memory>
#include <optional>

using platform::Printers;
using platform::PrintJob;

namespace {

class PrintJobTest : public ::testing::Test {
  protected:
    printserver::PrintServer server;
    QTemporaryDir dir;
    int pdfQuestions = 0;
    std::optional<QString> pdfAnswer;  // what the PDF file question answers

    void SetUp() override {
        // No cupsd, no test: the fixture fails here.
        ASSERT_NO_THROW({
            server.start();
            server.useForThisProcess();
            server.addQueue(QStringLiteral("Ufficio"));
        });
        Printers::setPdfFileAsker([this] {
            ++pdfQuestions;
            return pdfAnswer;
        });
        Printers::setCurrent(Printers::pdfPrinterName());
    }
    void TearDown() override { Printers::setPdfFileAsker({}); }

    static void draw(PrintJob& job, const QString& text) {
        job.setScaleMillimetres();
        job.currentX = 20;
        job.currentY = 20;
        job.print(text);
    }
};

TEST_F(PrintJobTest, ThePrivateQueueIsListedBesideThePdfPrinter) {
    const QStringList names = Printers::installed();
    EXPECT_TRUE(names.contains(QStringLiteral("Ufficio"))) << names.join(',').toStdString();
    EXPECT_EQ(names.last(), QStringLiteral("Stampa su file PDF"));
    EXPECT_TRUE(Printers::isInstalled(QStringLiteral("Ufficio")));
    EXPECT_FALSE(Printers::isInstalled(QString()));
    const QSizeF a4 = Printers::paperSizeMm(QStringLiteral("Ufficio"), false);
    EXPECT_NEAR(a4.width(), 210, 0.5);
    EXPECT_NEAR(a4.height(), 297, 0.5);
}

TEST_F(PrintJobTest, ThePrinterDialogOffersThePrivateQueue) {
    QPrinter printer(QPrinterInfo::printerInfo(QStringLiteral("Ufficio")));
    QPrintDialog dialog(&printer);
    dialog.show();
    QStringList offered;
    for (const QComboBox* box : dialog.findChildren<QComboBox*>(QStringLiteral("printers")))
        for (int i = 0; i < box->count(); ++i) offered << box->itemText(i);
    EXPECT_TRUE(offered.contains(QStringLiteral("Ufficio"))) << offered.join(',').toStdString();
    dialog.reject();
}

TEST_F(PrintJobTest, APrinterThatIsNotInstalledPrintsOnTheCurrentOne) {
    ASSERT_TRUE(Printers::setCurrent(QStringLiteral("Ufficio")));
    for (const QString& name : {QString(), QStringLiteral("HP LaserJet 4 di sede")}) {
        auto job = Printers::openJob(nullptr, name, QString(), QStringLiteral("Prova"));
        ASSERT_TRUE(job);
        EXPECT_EQ(job->deviceName(), QStringLiteral("Ufficio"));
        draw(*job, QStringLiteral("Stampata"));
        QString error;
        EXPECT_TRUE(job->finish(&error)) << error.toStdString();
        EXPECT_TRUE(job->delivered());
    }
    ASSERT_EQ(server.waitForJobs(QStringLiteral("Ufficio")), 2);
    EXPECT_EQ(server.completedJobTitles(QStringLiteral("Ufficio")),
              QStringList({QStringLiteral("Prova"), QStringLiteral("Prova")}));
    EXPECT_EQ(pdfQuestions, 0);
}

TEST_F(PrintJobTest, ThePdfPrinterAsksForItsFileAndNeverDropsADrawnDocument) {
    // The current printer is the PDF printer: opening the job asks where the file goes.
    pdfAnswer = dir.filePath(QStringLiteral("prova.pdf"));
    auto job = Printers::openJob(nullptr, QStringLiteral("Non installata"));
    ASSERT_TRUE(job);
    EXPECT_EQ(pdfQuestions, 1);
    draw(*job, QStringLiteral("Stampata"));
    EXPECT_TRUE(job->finish());
    EXPECT_TRUE(QFile::exists(*pdfAnswer));

    // A cancelled question opens no job.
    pdfAnswer.reset();
    EXPECT_FALSE(Printers::openJob(nullptr, QString()));

    // A PDF job without a file cannot deliver its pages: it says so, twice if asked twice.
    PrintJob bare(QString(), QString(), QStringLiteral("Prova"));
    draw(bare, QStringLiteral("Persa"));
    QString error;
    EXPECT_FALSE(bare.finish(&error));
    EXPECT_EQ(error,
              QStringLiteral("Nessun file indicato per la stampa su file PDF: il documento non è stato "
                             "salvato."));
    EXPECT_FALSE(bare.delivered());
    error.clear();
    EXPECT_FALSE(bare.finish(&error));
    EXPECT_FALSE(error.isEmpty());

    // Nothing drawn: nothing delivered, and nothing to tell.
    PrintJob empty(QStringLiteral("Ufficio"));
    EXPECT_TRUE(empty.finish());
    EXPECT_FALSE(empty.delivered());
    EXPECT_EQ(server.waitForJobs(QStringLiteral("Ufficio")), 0);
}

TEST_F(PrintJobTest, AJobTheServerDoesNotTakeIsToldInItalian) {
    struct Case {
        const char* what;
        void (*before)(printserver::PrintServer&);
        const char* message;
    } const cases[] = {
        {"rifiuta", [](printserver::PrintServer& s) { s.rejectJobs(QStringLiteral("Ufficio")); },
         "La stampante \"Ufficio\" non accetta stampe: la stampa non è stata inviata."},
        {"rimossa", [](printserver::PrintServer& s) { s.removeQueue(QStringLiteral("Ufficio")); },
         "La stampante \"Ufficio\" non è più installata: la stampa non è stata inviata."},
        {"fermo", [](printserver::PrintServer& s) { s.stop(); },
         "Il servizio di stampa non risponde: la stampa non è stata inviata alla stampante \"Ufficio\"."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The job is opened while the queue is there, and delivered after the change.
        PrintJob job(QStringLiteral("Ufficio"), QString(), QStringLiteral("Prova"));
        ASSERT_EQ(job.deviceName(), QStringLiteral("Ufficio"));
        draw(job, QStringLiteral("Stampata"));
        c.before(server);
        QString error;
        EXPECT_FALSE(job.finish(&error));
        EXPECT_EQ(error.toStdString(), std::string(c.message));
        EXPECT_FALSE(job.delivered());
        if (server.running()) {
            if (Printers::isInstalled(QStringLiteral("Ufficio")))
                server.acceptJobs(QStringLiteral("Ufficio"));
            else
                server.addQueue(QStringLiteral("Ufficio"));
        }
    }
}

}  // namespace
