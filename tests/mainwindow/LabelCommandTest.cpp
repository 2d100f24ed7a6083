// "Stampa &Etichette" on two selected customers prints their labels through
// the label runner into a PDF.

#include "CommandsFixture.h"

#include "../reports/ui/PdfProbe.h"

#include "labels/LabelLayoutRecord.h"
#include "mainwindow/MainWindowUi.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"

namespace mwtest {

TEST_F(CommandsTest, PrintLabelsOnTwoSelectedCustomers) {
    addAgent("AG1");
    addCustomer("C1", "Alfa", "AG1");
    addCustomer("C2", "Beta", "AG1");
    addCustomer("C3", "Gamma", "AG1");
    labels::LabelLayoutRecord layout;
    layout.sourceTable = QStringLiteral("Clienti");
    layout.columns = core::Variant(3);
    layout.height = core::Variant(37.0);
    layout.width = core::Variant(70.0);
    layout.copies = core::Variant(1);
    layout.script = QStringLiteral(
        "Function PrintLabel(ds, prn)\r\n  prn.TxtOut 5, 2, \"L\" & ds.ColValue(\"RagioneSociale\")\r\n"
        "  PrintLabel = True\r\nEnd Function\r\n");
    layout.insertInto(*db);
    const QString pdf = dir.filePath(QStringLiteral("etichette.pdf"));
    platform::Printers::setPrinterChooser([&](const QString&, int copies) {
        return std::optional<platform::Printers::Choice>(
            platform::Printers::Choice{platform::Printers::pdfPrinterName(), pdf, copies});
    });
    mainwindow::WireLabelCommand(*commands);
    commands->UpdateWiredCommands();
    show();
    openView("Clienti");
    controls::DataGrid* grid = browser->Widgets().dgView;
    const auto rowOf = [&](const char* code) {
        auto ds = browser->CurrentDataSource();
        for (ds->RowFirst(); !ds->Eof(); ds->RowNext())
            if (ds->ColValueStr("Codice") == QLatin1String(code)) return int(ds->Position());
        return -1;
    };
    grid->clearSelection();
    for (const char* code : {"C1", "C3"})
        grid->selectionModel()->select(grid->model()->index(rowOf(code), 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    grid->selectionModel()->setCurrentIndex(grid->model()->index(rowOf("C1"), 0),
                                            QItemSelectionModel::NoUpdate);
    platform::ScriptedBoxes boxes;
    boxes.input(QStringLiteral("1"));  // one position already used
    ASSERT_TRUE(commands->Menu("mnuPrintLabel")->isEnabled());
    commands->Menu("mnuPrintLabel")->trigger();
    platform::Printers::setPrinterChooser({});
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].title, QStringLiteral("Conferma Stampa Etichette"));
    ASSERT_EQ(pdfprobe::pageCount(pdf), 1);
    const auto words = pdfprobe::words(pdf);
    EXPECT_NEAR(pdfprobe::find(words, "LAlfa").box.left(), 72, 0.5);
    EXPECT_NEAR(pdfprobe::find(words, "LGamma").box.left(), 142, 0.5);
    EXPECT_TRUE(pdfprobe::find(words, "LBeta").text.isEmpty());
}

}  // namespace mwtest
