#pragma once
// The demo archive fixture with report layouts added by the tests; the layout
// pick list and the preview window answered by the test.

#include "DemoPrintFixture.h"
#include "PdfProbe.h"

#include "platform/ui/MessageBox.h"
#include "reports/ReportLayoutRecord.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "reports/ui/modCustomReport.h"

// Texts shown as text in the failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace reporttest {

using printtest::demoArchive;

class RunnerTest : public printtest::DemoPrintTest {
  protected:
    RunnerTest() : DemoPrintTest(QStringLiteral("TabProspettiStampa"), QStringLiteral("report.pdf")) {}

    printtest::PickListPlayer picker;
    int pickerCalls = 0;
    QStringList pickerNames;
    int previewShows = 0;
    int previewPages = 0;
    QString printAllFrom;  // the preview asks to print everything on this printer

    void SetUp() override {
        DemoPrintTest::SetUp();
        // Two layouts or more: the last one is chosen in the pick list.
        picker.pick = [this](controls::PickListDialog& list) {
            ++pickerCalls;
            pickerNames = printtest::PickListPlayer::column(list, 0);
            list.ChooseRow(list.grid()->dataSource()->RowCount() - 1);
            return true;
        };
        reports::setPreviewShower([this](reports::frmCustomReportPreview& preview, QWidget*) {
            ++previewShows;
            preview.RefreshView();
            previewPages = preview.PageCount();
            return printAllFrom;
        });
    }

    void TearDown() override {
        reports::setPreviewShower({});
        DemoPrintTest::TearDown();
    }

    void addLayout(const QString& table, const QString& reference, const QString& name, const QString& script,
                   double rowsTop = 20, double rowsBottom = 280, double rowDim = 6, double height = 0) {
        reports::ReportLayoutRecord layout;
        layout.sourceTable = table;
        layout.reference = reference;
        layout.name = name;
        layout.printer = platform::Printers::pdfPrinterName();
        layout.columns = core::Variant(1);
        layout.height = core::Variant(height);
        layout.width = layout.top = layout.left = layout.bottomImageBorder = core::Variant(0.0);
        layout.rowsTop = core::Variant(rowsTop);
        layout.rowsBottom = core::Variant(rowsBottom);
        layout.rowsDim = core::Variant(rowDim);
        layout.script = script;
        layout.insertInto(*db);
    }

    std::shared_ptr<datalib::DataSource> open(const QString& table, const QString& filter = QString(),
                                              const QString& sort = QString()) {
        auto ds = db->OpenDataSource(table, filter, sort);
        ds->RowFirst();
        return ds;
    }

    reports::RunOutcome run(std::shared_ptr<datalib::DataSource> ds, const QString& reference = QString(),
                            int runMode = 0, bool preview = false, int copies = 1,
                            const QString& notes = QString(),
                            const reports::RowSelection& selection = std::nullopt,
                            const QString& report = QString()) {
        return reports::RunCustomReport(nullptr, ds, nullptr, reference, report, runMode, preview, copies,
                                        notes, selection);
    }

    std::vector<pdfprobe::Word> words() { return pdfprobe::words(pdf()); }
};

// A layout whose rows print a column of the row, with a mask that prints
// "Pagina" and "Totale" at the end.
inline QString rowsLayout(const QString& column, const QString& extraRow = QString()) {
    return QStringLiteral(
               "Function PrintReportMask(ds, prn, bTotal)\r\n"
               "  prn.TxtOut 5, 10, \"Pagina\" & prn.ReportModuleCount\r\n"
               "  If bTotal Then prn.TxtOut 285, 10, \"Totale\"\r\n"
               "  PrintReportMask = True\r\n"
               "End Function\r\n"
               "Function PrintReportRow(dsRow, prn, nRow)\r\n"
               "  prn.TxtOut 0, 10, \"R\" & nRow & \"=\" & dsRow.ColValue(\"%1\")\r\n"
               "%2"
               "  PrintReportRow = True\r\n"
               "End Function\r\n")
        .arg(column, extraRow);
}

}  // namespace reporttest
