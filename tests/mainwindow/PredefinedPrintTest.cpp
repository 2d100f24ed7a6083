// The predefined reports of the view: the group chosen by table and tree
// node, print to a PDF read back with poppler, preview and export through
// the report runner, the browser offered when the table has no layout, and
// the print chooser.

#include "CommandsFixture.h"

#include "../reports/ui/PdfProbe.h"

#include "controls/DataGrid.h"
#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PredefinedReports.h"
#include "mainwindow/frmSearch_Clienti.h"
#include "platform/Paths.h"
#include "platform/Shell.h"
#include "platform/ui/Printers.h"
#include "reports/ReportLayoutRecord.h"
#include "reports/TabProspettiStampa.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "reports/ui/modCustomReport.h"
#include "startup/RunContext.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace mwtest {

using mainwindow::PredefinedReportGroup;
using mainwindow::PrintPredefinedReport;

class PrintTest : public CommandsTest {
  protected:
    void SetUp() override {
        registerTables();
        reports::registerTableClasses();  // the real layout table
        CommandsTest::SetUp();
        startup::runContext().database = db;
        mainwindow::WirePrintCommands(*commands);
        commands->UpdateWiredCommands();
        platform::Printers::setPdfFileAsker([this] { return std::optional<QString>(pdf()); });
        platform::Printers::setPrinterChooser([this](const QString&, int copies) {
            return std::optional<platform::Printers::Choice>(
                platform::Printers::Choice{platform::Printers::pdfPrinterName(), pdf(), copies});
        });
        // Two layouts or more: the pick list offers their names; the first is chosen.
        controls::setSearchDialogHook([this](QDialog& d) {
            auto* list = qobject_cast<controls::PickListDialog*>(&d);
            if (!list) return false;
            QStringList names;
            const QAbstractItemModel* model = list->grid()->model();
            for (int row = 0; row < model->rowCount(); ++row) names << model->index(row, 0).data().toString();
            offered << names.join(',');
            list->ChooseRow(0);
            return true;
        });
        reports::setPreviewShower([this](reports::frmCustomReportPreview& preview, QWidget*) {
            preview.RefreshView();
            previewPages << preview.PageCount();
            return QString();
        });
        platform::setOpenHandler([this](const QUrl& url) {
            opened << url;
            return true;
        });
        quiet = std::make_unique<platform::ScriptedBoxes>();
        addAgent("A1");
        addCustomer("C1", "Alfa", "A1");
        addCustomer("C2", "Beta", "A1");
    }
    void TearDown() override {
        for (const auto& box : quiet->shown()) ADD_FAILURE() << "unexpected box: " << qPrintable(box.text);
        quiet.reset();
        platform::setOpenHandler({});
        reports::setPreviewShower({});
        controls::setSearchDialogHook({});
        platform::Printers::setPrinterChooser({});
        platform::Printers::setPdfFileAsker({});
        startup::runContext().database.reset();
        CommandsTest::TearDown();
    }
    QString pdf() const { return dir.filePath(QStringLiteral("stampa.pdf")); }
    // A layout printing "<tag><code>" for each row.
    void addLayout(const char* table, const char* name, const char* group, const char* tag) {
        const QString script = QStringLiteral(
                                   "Function PrintReportMask(ds, prn, bTotal)\r\n"
                                   "  PrintReportMask = True\r\n"
                                   "End Function\r\n"
                                   "Function PrintReportRow(dsRow, prn, nRow)\r\n"
                                   "  prn.TxtOut 0, 10, \"%1\" & dsRow.ColValue(\"Codice\")\r\n"
                                   "  PrintReportRow = True\r\n"
                                   "End Function\r\n")
                                   .arg(QString::fromUtf8(tag));
        reports::ReportLayoutRecord layout;
        layout.sourceTable = QString::fromUtf8(table);
        layout.name = QString::fromUtf8(name);
        layout.group = QString::fromUtf8(group);
        layout.printer = platform::Printers::pdfPrinterName();
        layout.columns = core::Variant(1);
        layout.height = layout.width = layout.top = layout.left = layout.bottomImageBorder =
            core::Variant(0.0);
        layout.rowsTop = core::Variant(20.0);
        layout.rowsBottom = core::Variant(280.0);
        layout.rowsDim = core::Variant(6.0);
        layout.script = script;
        layout.insertInto(*db);
    }
    std::shared_ptr<datalib::DataSource> rowsOf(const char* table) {
        auto ds = db->OpenDataSource(table, QString(), "Codice");
        ds->RowFirst();
        return ds;
    }

    std::unique_ptr<platform::ScriptedBoxes> quiet;  // no box unless a test expects it
    QStringList offered;
    QList<int> previewPages;
    QList<QUrl> opened;
};

TEST_F(PrintTest, GroupTable) {
    struct Case {
        const char* table;
        const char* key;
        const char* group;
    } const cases[] = {
        {"Clienti", "Analisi Crescita", "AnalisiCrescita"},
        {"Clienti", "Clienti per Provincia", "ListaPerProvincia"},
        {"Clienti", "Consuntivo Clienti", "ConsuntivoClienti"},
        {"Clienti", "Clienti per Rag.Soc.", "ListaPerRagSoc"},
        {"Clienti", "Clienti", "ListaPerRagSoc"},
        {"Ordini", "Emessi", "Lista"},
        {"Ordini", "Annullati", "Lista"},
        {"Ordini", "Confermati", "Lista"},
        {"Ordini", "Non Confermati", "Lista"},
        {"Ordini", "Non Spediti", "Lista"},
        {"Ordini", "Elenco", "Lista"},
        {"Ordini", "Elenco con Riferimenti", "ListaConRiferimenti"},
        {"Ordini", "Proposta d'Ordine", "PropostaOrdine"},
        {"Ordini", "Ordini da Inviare", "PropostaOrdine"},
        {"Ordini", "elenco", "PropostaOrdine"},  // keys compare exactly
        {"RigheOrdini", "Articoli Da Spedire (per Cliente)", "ArticoliDaSpedire"},
        {"RigheOrdini", "Dettagli (per Cliente)", "DettaglioOrdini"},
        {"RigheOrdini", "Spediti (per Cliente)", "OrdiniSpediti"},
        {"RigheOrdini", "RigheOrdini", ""},
        {"Articoli", "Elenco", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PredefinedReportGroup(QString::fromUtf8(c.table), QString::fromUtf8(c.key)),
                  QString::fromUtf8(c.group))
            << c.table << " / " << c.key;
}

TEST_F(PrintTest, PrintPreviewAndExportRunTheNodesGroup) {
    addLayout("Clienti", "Per ragione sociale", "ListaPerRagSoc", "RS-");
    addLayout("Clienti", "Per provincia", "ListaPerProvincia", "PR-");
    auto customers = rowsOf("Clienti");

    PrintPredefinedReport(customers, mainwindow::kPrintReport, QStringLiteral("Clienti per Provincia"));
    ASSERT_EQ(pdfprobe::pageCount(pdf()), 1);
    auto words = pdfprobe::words(pdf());
    EXPECT_FALSE(pdfprobe::find(words, "PR-C1").text.isEmpty());
    EXPECT_FALSE(pdfprobe::find(words, "PR-C2").text.isEmpty());
    EXPECT_TRUE(pdfprobe::find(words, "RS-C1").text.isEmpty());
    EXPECT_TRUE(previewPages.isEmpty());
    EXPECT_EQ(offered, QStringList{});  // one layout in the group: no pick list
    QFile::remove(pdf());

    // Preview and export both preview, and print nothing.
    PrintPredefinedReport(customers, mainwindow::kPreviewReport, QStringLiteral("Clienti per Rag.Soc."));
    PrintPredefinedReport(customers, mainwindow::kExportReport, QStringLiteral("Clienti per Rag.Soc."));
    EXPECT_EQ(previewPages, (QList<int>{1, 1}));
    EXPECT_FALSE(QFile::exists(pdf()));

    // The main window's commands hand the view and the selected node's key.
    openView("Clienti");
    show();
    commands->Menu("mnuPrint")->trigger();
    words = pdfprobe::words(pdf());
    EXPECT_FALSE(pdfprobe::find(words, "RS-C1").text.isEmpty());
    EXPECT_TRUE(pdfprobe::find(words, "PR-C1").text.isEmpty());
}

TEST_F(PrintTest, WithoutAGroupEveryLayoutOfTheTableIsOffered) {
    addLayout("Clienti", "Prima", "ListaPerRagSoc", "A-");
    addLayout("Articoli", "Listino", "", "L-");
    addLayout("Articoli", "Giacenze", "Altro", "G-");
    addArticle("ART1", "Vite", 1.0);
    PrintPredefinedReport(rowsOf("Articoli"), mainwindow::kPrintReport, QStringLiteral("Elenco"));
    EXPECT_EQ(offered, QStringList{"Giacenze,Listino"});
    EXPECT_FALSE(pdfprobe::find(pdfprobe::words(pdf()), "G-ART1").text.isEmpty());
}

TEST_F(PrintTest, ATableWithoutLayoutsOffersTheBrowser) {
    for (int mode : {mainwindow::kPrintReport, mainwindow::kPreviewReport}) {
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerNo);
        PrintPredefinedReport(rowsOf("Clienti"), mode, QStringLiteral("Clienti"));
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(
            boxes.shown()[0].text,
            "Nessuna stampa predefinita su questi dati\r\rVisualizzare/Stampare da Internet Browser ?\r\r"
            "(Dati : Clienti )");
        EXPECT_EQ(boxes.shown()[0].style, platform::kYesNo | platform::kQuestion | platform::kDefaultButton2);
    }
    EXPECT_TRUE(opened.isEmpty());
    EXPECT_TRUE(previewPages.isEmpty());

    platform::ScriptedBoxes boxes;
    boxes.answer(platform::kAnswerYes);  // the browser
    boxes.answer(platform::kAnswerNo);   // the field sequence as it is
    PrintPredefinedReport(rowsOf("Clienti"), mainwindow::kPrintReport, QStringLiteral("Clienti"));
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened[0].toLocalFile().endsWith("TableData.htm"));
    QFile html(opened[0].toLocalFile());
    ASSERT_TRUE(html.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(html.readAll());
    EXPECT_TRUE(page.contains("Alfa"));
    EXPECT_TRUE(page.contains("Beta"));
}

// The browser offered for a list section whose table has no layout, and a
// desktop that does not open the page: the operator is told where the data
// are, and the section stays selected (a click runs it again); once the page
// opens, the window goes back to the heading as after any print.
TEST_F(PrintTest, ABrowserPageThatDoesNotOpenIsToldAndTheSectionStays) {
    show();
    QTreeWidget* tree = browser->Widgets().tvTreeView;
    browser->SetTreeViewNodes();
    int searches = 0;
    controls::setSearchDialogHook([&](QDialog& d) {
        d.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&d));
        QPushButton* button = nullptr;
        if (auto* search = qobject_cast<mainwindow::frmSearch_Clienti*>(&d)) {
            ++searches;
            button = search->cmdOk();
        } else if (auto* chooser = qobject_cast<mainwindow::frmPrinterFunctions*>(&d)) {
            button = chooser->cmdPrint();
        }
        if (!button) return false;
        QTest::mouseClick(button, Qt::LeftButton);
        return d.result() == QDialog::Accepted;
    });
    const auto clickNode = [&](const char* text) {
        QTreeWidgetItem* node = mainwindow::NodeByKey(tree, QString::fromUtf8(text));
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
        QCoreApplication::processEvents();
    };
    const QString page = QDir::toNativeSeparators(platform::dataFile(QStringLiteral("TableData.htm")));

    bool opens = false;
    platform::setOpenHandler([&](const QUrl& url) {
        opened << url;
        return opens;
    });
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        platform::ScriptedBoxes boxes;
        boxes.answer(platform::kAnswerYes);  // "Visualizzare/Stampare da Internet Browser ?"
        boxes.answer(platform::kAnswerNo);   // the field sequence as it is
        clickNode("Clienti per Rag.Soc.");
        EXPECT_EQ(searches, round);
        ASSERT_EQ(boxes.shown().size(), 3u);
        EXPECT_TRUE(boxes.shown()[0].text.startsWith("Nessuna stampa predefinita su questi dati"));
        EXPECT_TRUE(boxes.shown()[2].text.startsWith("Impossibile aprire la pagina nel browser Internet"))
            << boxes.shown()[2].text.toStdString();
        EXPECT_TRUE(boxes.shown()[2].text.endsWith("\r" + page)) << boxes.shown()[2].text.toStdString();
        EXPECT_TRUE(QFile::exists(page));
        ASSERT_NE(tree->currentItem(), nullptr);
        EXPECT_EQ(tree->currentItem()->text(0), "Clienti per Rag.Soc.");
        EXPECT_EQ(tree->selectedItems(), QList<QTreeWidgetItem*>{tree->currentItem()});
    }
    EXPECT_EQ(opened.size(), 2);

    opens = true;
    platform::ScriptedBoxes boxes;
    boxes.answer(platform::kAnswerYes);
    boxes.answer(platform::kAnswerNo);
    clickNode("Clienti per Rag.Soc.");
    EXPECT_EQ(searches, 3);
    EXPECT_EQ(boxes.shown().size(), 2u) << boxes.lastText().toStdString();
    EXPECT_EQ(opened.size(), 3);
    EXPECT_EQ(tree->currentItem()->text(0), "Anagrafiche");
    controls::setSearchDialogHook({});
}

TEST_F(PrintTest, TheChooserTellsPrintOrPreview) {
    struct Case {
        const char* button;  // "" : the close box
        bool result;
        bool preview;  // the flag after the call (it starts True)
    } const cases[] = {
        {"cmdPrint", true, false},
        {"cmdPreview", true, true},
        {"cmdExit", false, true},
        {"", false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        controls::setSearchDialogHook([&](QDialog& d) {
            auto* chooser = qobject_cast<mainwindow::frmPrinterFunctions*>(&d);
            EXPECT_NE(chooser, nullptr);
            EXPECT_EQ(d.windowTitle(), "Funzioni di stampa");
            d.show();
            d.activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
            EXPECT_EQ(d.focusWidget(), chooser->cmdPreview());
            if (*c.button)
                d.findChild<controls::MubCommand*>(QString::fromUtf8(c.button))->click();
            else
                d.close();
            return d.result() == QDialog::Accepted;
        });
        bool preview = true;
        EXPECT_EQ(mainwindow::frmPrinterFunctions::ShowSelection(&window, preview), c.result);
        EXPECT_EQ(preview, c.preview);
    }
}

TEST_F(PrintTest, AListSectionGoesThroughTheChooserAndBackToItsHeading) {
    addLayout("Clienti", "Per ragione sociale", "ListaPerRagSoc", "RS-");
    show();
    struct Case {
        const char* typed;    // in the customer search
        const char* button;   // in the chooser; "" : it must not show
        const char* printed;  // on the PDF ("" : no PDF)
        int previews;
    } const cases[] = {
        {"Alfa", "cmdPreview", "", 1},
        {"C2", "cmdPrint", "RS-C2", 0},
        {"Alfa", "cmdExit", "", 0},
        {"nessuno", "", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed + std::string(" / ") + c.button);
        QFile::remove(pdf());
        previewPages.clear();
        int chooserShows = 0;
        controls::setSearchDialogHook([&](QDialog& d) {
            if (auto* search = qobject_cast<mainwindow::frmSearch_Clienti*>(&d)) {
                search->txtSel_Cliente()->setText(QString::fromUtf8(c.typed));
                search->cmdOk()->click();
            } else if (qobject_cast<mainwindow::frmPrinterFunctions*>(&d)) {
                ++chooserShows;
                d.findChild<controls::MubCommand*>(QString::fromUtf8(c.button))->click();
            }
            return d.result() == QDialog::Accepted;
        });
        platform::ScriptedBoxes boxes;
        openView("Clienti per Rag.Soc.");
        controls::setSearchDialogHook({});
        if (*c.button) {
            EXPECT_EQ(chooserShows, 1);
            EXPECT_TRUE(boxes.shown().empty());
        } else {
            EXPECT_EQ(chooserShows, 0);
            ASSERT_EQ(boxes.shown().size(), 1u);
            EXPECT_EQ(boxes.shown()[0].text, "Nessun dato corrispondente ai criteri impostati.");
        }
        EXPECT_EQ(previewPages.size(), c.previews);
        if (*c.printed) {
            const auto words = pdfprobe::words(pdf());
            EXPECT_FALSE(pdfprobe::find(words, c.printed).text.isEmpty());
            EXPECT_TRUE(pdfprobe::find(words, "RS-C1").text.isEmpty());
        } else {
            EXPECT_FALSE(QFile::exists(pdf()));
        }
        // Back on the heading above the list, which shows no rows.
        QTreeWidgetItem* current = browser->Widgets().tvTreeView->currentItem();
        ASSERT_NE(current, nullptr);
        EXPECT_EQ(current->text(0), "Anagrafiche");
        EXPECT_TRUE(mainwindow::NodeKey(current).isEmpty());
        EXPECT_FALSE(browser->Widgets().dgView->isVisible());
    }
}

}  // namespace mwtest
