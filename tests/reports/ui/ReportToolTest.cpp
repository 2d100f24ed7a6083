// zelt-report on a copy of the demo archive: the demo order proposal of an
// order into a PDF (text, barcode of the order number), a run limited to a
// number of rows, and a failing layout that leaves no PDF and tells why.

#include "RunnerFixture.h"

#include "core/Cp1252.h"
#include "reports/ReportLayouts.h"

#include <QProcess>

using namespace reporttest;

namespace {

struct ToolRun {
    int exitCode = -1;
    QString err;
};

ToolRun runTool(const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    p.start(QStringLiteral(ZELT_REPORT_TOOL), args);
    EXPECT_TRUE(p.waitForFinished(60000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

// An export file: the settings lines, then the script; LF line ends when asked.
QString writeLayout(const QString& path, const QString& script, double rowsTop, double rowsBottom, bool lf) {
    QString text =
        QStringLiteral(
            "'#ReportName=Prova\r\n'#ReportGroup=\r\n'#BackImageFile=\r\n'#BottomImageBorder=0\r\n"
            "'#Columns=1\r\n'#ReportHeight=0\r\n'#ReportWidth=0\r\n'#ReportTop=0\r\n"
            "'#ReportLeft=0\r\n'#ReportRowsDim=6\r\n'#ReportRowsTop=%1\r\n"
            "'#ReportRowsBottom=%2\r\n'#HorizontalOrientation=0\r\n")
            .arg(QString::number(rowsTop).replace('.', ','), QString::number(rowsBottom).replace('.', ',')) +
        script;
    if (lf) text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(core::cp1252::encode(text));
    return path;
}

}  // namespace

class ReportToolTest : public RunnerTest {};

TEST_F(ReportToolTest, TheDemoOrderProposalIntoAPdf) {
    // The demo archive's own layout (the fixture's copy has none left), exported with LF line ends.
    QTemporaryDir demo;
    const QString archive = demo.filePath("ZeltOrder_DEMO");
    ASSERT_TRUE(QFile::copy(demoArchive(), archive));
    {
        testsupport::AgentDatabase demoData(printtest::demoCopy(archive));
        auto demoDb = demoData.dbPtr();
        auto l = demoDb->OpenDataSource("TabProspettiStampa", "NomeProspetto='PropostaOrdine'");
        ASSERT_FALSE(l->DataEmpty());
        l->RowFirst();
        writeLayout(dir.filePath("proposta.vbs"), l->ColValueStr("IstruzioniStampa"), 95, 250, true);
        auto orders = demoDb->OpenDataSource("Ordini", QString(), "Numero");
        orders->RowFirst();
        const QString number = orders->ColValueStr("Numero");
        const long rows = orders->GetReference("Righe")->RowCount(true);
        EXPECT_TRUE(reports::ExistsReportForData(*orders));
        l.reset();
        orders.reset();
        demoDb.reset();
        demoData.close();

        const ToolRun r =
            runTool({"--db", archive, "--table", "Ordini", "--filter", "Numero='" + number + "'",
                     "--reference", "Righe", "--layout", dir.filePath("proposta.vbs"), "--pdf", pdf()});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(pdfprobe::pageCount(pdf()), 1);
        EXPECT_NEAR(pdfprobe::pageSizeMm(pdf()).width(), 210, 0.5);
        const auto w = words();
        EXPECT_FALSE(pdfprobe::find(w, "Proposta").text.isEmpty());
        EXPECT_FALSE(pdfprobe::find(w, number).text.isEmpty());
        EXPECT_FALSE(pdfprobe::find(w, "Totale").text.isEmpty());
        int rowWords = 0;
        for (const auto& word : w)
            if (word.box.top() > 95 && word.box.top() < 250 && word.box.left() < 20) ++rowWords;
        EXPECT_EQ(rowWords, rows);
        // The order number as a barcode, 12 mm high at (140, 12) with modules of 0.3 mm.
        const int dpi = 254;
        const QImage page = pdfprobe::render(pdf(), 1, dpi);
        const auto runs = pdfprobe::runs(page, dpi, 18, 139);
        EXPECT_EQ(pdfprobe::decodeCode128(runs, 0.3 * pdfprobe::pxPerMm(dpi)),
                  pdfprobe::code128Symbols(number));
    }
}

TEST_F(ReportToolTest, RowsLimitAndAFailingLayout) {
    const QString archive = dir.filePath("ZeltOrder_DEMO");
    db.reset();
    data->close();
    const QString good = writeLayout(dir.filePath("righe.vbs"), rowsLayout("Codice"), 20, 280, false);
    ToolRun r =
        runTool({"--db", archive, "--table", "Clienti", "--layout", good, "--rows", "2", "--pdf", pdf()});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    int rowWords = 0;
    for (const auto& w : words())
        if (w.text.startsWith("R")) ++rowWords;
    EXPECT_EQ(rowWords, 2);

    const QString bad =
        writeLayout(dir.filePath("errore.vbs"),
                    rowsLayout("Codice", "  If nRow = 3 Then prn.Inesistente\r\n"), 20, 280, false);
    r = runTool({"--db", archive, "--table", "Clienti", "--layout", bad, "--pdf", pdf()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Errore nel codice di stampa per il (3) record: \n\n")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Linea VB: 8")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(pdf()));
}
