#include "mainwindow/PredefinedReports.h"

#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "datalib/DataSource.h"
#include "mainwindow/MainCommands.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "reports/ReportLayouts.h"
#include "reports/ui/modCustomReport.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QStyle>

namespace mainwindow {

QString PredefinedReportGroup(const QString& table, const QString& nodeKey) {
    struct Row {
        const char* key;
        const char* group;
    };
    const auto find = [&nodeKey](std::initializer_list<Row> rows, const char* otherwise) {
        for (const Row& r : rows)
            if (nodeKey == QString::fromUtf8(r.key)) return QString::fromUtf8(r.group);
        return QString::fromUtf8(otherwise);
    };
    if (table == u"Clienti")
        return find({{"Analisi Crescita", "AnalisiCrescita"},
                     {"Clienti per Provincia", "ListaPerProvincia"},
                     {"Consuntivo Clienti", "ConsuntivoClienti"}},
                    "ListaPerRagSoc");
    if (table == u"Ordini")
        return find({{"Emessi", "Lista"},
                     {"Annullati", "Lista"},
                     {"Confermati", "Lista"},
                     {"Non Confermati", "Lista"},
                     {"Non Spediti", "Lista"},
                     {"Elenco", "Lista"},
                     {"Elenco con Riferimenti", "ListaConRiferimenti"}},
                    "PropostaOrdine");
    if (table == u"RigheOrdini")
        return find({{"Articoli Da Spedire (per Cliente)", "ArticoliDaSpedire"},
                     {"Dettagli (per Cliente)", "DettaglioOrdini"},
                     {"Spediti (per Cliente)", "OrdiniSpediti"}},
                    "");
    return {};
}

bool PrintPredefinedReport(const std::shared_ptr<datalib::DataSource>& ds, int mode, const QString& nodeKey,
                           const QString& /*title*/) {
    if (!ds) return true;
    auto data = ds;
    const QString table = data->tableDef().name();
    const QString group = PredefinedReportGroup(table, nodeKey);
    QWidget* owner = QApplication::activeWindow();
    if (reports::ExistsReportForData(*data)) {
        reports::PrintCustomReport(owner, data, nullptr, QString(), QString(), reports::kRunNormal,
                                   mode != kPrintReport, 1, QString(), std::nullopt, group);
        return true;
    }
    const int answer = platform::messageBox(
        QStringLiteral("Nessuna stampa predefinita su questi dati\r\r"
                       "Visualizzare/Stampare da Internet Browser ?\r\r"
                       "(Dati : ") +
            table + QStringLiteral(" )"),
        platform::kYesNo | platform::kQuestion | platform::kDefaultButton2, QString(), owner);
    if (answer != platform::kAnswerYes) return true;
    QString fields;
    return startup::ExportBrowserToHtml(data.get(), owner, fields);
}

void WirePrintCommands(MainCommands& commands) {
    commands.printPredefinedReport = [](const std::shared_ptr<datalib::DataSource>& ds, int mode,
                                        const QString& nodeKey, const QString& title) {
        return PrintPredefinedReport(ds, mode, nodeKey, title);
    };
}

// ---- The print chooser -----------------------------------------------------------------

frmPrinterFunctions::frmPrinterFunctions(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmPrinterFunctions"));
    setWindowTitle(QStringLiteral("Funzioni di stampa"));
    setModal(true);
    cmdPrint_ = new controls::MubCommand(QStringLiteral("STAMPA"), this);
    cmdPrint_->setObjectName(QStringLiteral("cmdPrint"));
    cmdPreview_ = new controls::MubCommand(QStringLiteral("ANTEPRIMA"), this);
    cmdPreview_->setObjectName(QStringLiteral("cmdPreview"));
    cmdExit_ = new controls::MubCommand(QString(), this);
    cmdExit_->setObjectName(QStringLiteral("cmdExit"));
    cmdExit_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    cmdExit_->setToolTip(QStringLiteral("Esci"));
    for (auto* b : {cmdPrint_, cmdPreview_}) b->setMinimumSize(120, 48);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(cmdPrint_);
    layout->addWidget(cmdPreview_);
    layout->addWidget(cmdExit_);
    platform::connectGuarded(cmdPrint_, &QPushButton::clicked, this, [this] { choose(true, false); });
    platform::connectGuarded(cmdPreview_, &QPushButton::clicked, this, [this] { choose(true, true); });
    platform::connectGuarded(cmdExit_, &QPushButton::clicked, this, [this] { choose(false, preview_); });
    const auto& rc = startup::runContext();
    startup::SetFormFont(this, rc.fontName, rc.fontSizeDelta);
}

void frmPrinterFunctions::choose(bool confirmed, bool preview) {
    confirmed_ = confirmed;
    preview_ = preview;
    if (confirmed)
        accept();
    else
        reject();
}

void frmPrinterFunctions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    cmdPreview_->setFocus();
}

bool frmPrinterFunctions::ShowSelection(QWidget* owner, bool& preview) {
    frmPrinterFunctions chooser(owner);
    chooser.confirmed_ = false;
    controls::runSearchDialog(chooser);
    if (!chooser.confirmed_) return false;
    preview = chooser.preview_;
    return true;
}

}  // namespace mainwindow
