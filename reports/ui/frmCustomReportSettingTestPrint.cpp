// The report editor's test print and preview: the layout as it stands run on
// a row of the chosen source, to the printer or to the preview window.

#include "reports/ui/frmCustomReportSetting.h"

#include "reports/ui/frmCustomReportSettingShared.h"

#include "core/AppError.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "reports/ui/RowPicker.h"
#include "reports/ui/clsCustomReport.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "reports/ui/modCustomReport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <cstdint>
#include <iterator>
#include <memory>

namespace reports {

void frmCustomReportSetting::runLayout(bool preview) {
    // The boxes as numbers; a box without one is named and nothing runs.
    struct Box {
        QLineEdit* box;
        const char* caption;
    };
    const Box boxes[] = {{w_.txtReportHeight, "Altezza modulo (mm)"},
                         {w_.txtReportWidth, "Larghezza (mm)"},
                         {w_.txtReportTop, "Margine Verticale modulo (mm)"},
                         {w_.txtReportLeft, "Orizzontale (mm)"},
                         {w_.txtColumns, "Numero di moduli per riga"},
                         {w_.txtReportRowsDim, "Dimensione righe (mm)"},
                         {w_.txtReportRowsTop, "Margine Superiore area righe (mm)"},
                         {w_.txtReportRowsBottom, "Inferiore (mm)"},
                         {w_.txtBottomImageBorder, "Bordo Inferiore (mm)"}};
    float values[std::size(boxes)];
    for (size_t i = 0; i < std::size(boxes); ++i) {
        const auto n = detail::boxNumber(boxes[i].box->text());
        if (!n) {
            showFailure(QStringLiteral("Il valore di \"") + QString::fromUtf8(boxes[i].caption) +
                        QStringLiteral("\" non è un numero: \"") + boxes[i].box->text() +
                        QStringLiteral("\""));
            return;
        }
        values[i] = float(*n);
    }
    try {
        auto ds = db_->OpenDataSource(GetSelectedTableName());
        const QString reference = GetSelectedReferenceName();
        if (!reference.isEmpty()) {
            const auto chosen = PickDataRow(this, *ds);
            if (!chosen || !ds->MoveToBookmark(*chosen)) return;
        }
        clsCustomReport::Device device;
        std::unique_ptr<frmCustomReportPreview> previewWindow;
        if (preview) {
            previewWindow = std::make_unique<frmCustomReportPreview>(this);
            device.preview = previewWindow.get();
        } else {
            // A printer that is not installed (none chosen yet, or a stored one
            // missing here): the current printer, as the runner prints.
            device.printer = platform::Printers::openJob(this, w_.cboPrinter->currentText(), QString(),
                                                         w_.cbReportName->currentText());
            if (!device.printer) return;
        }
        auto prn = std::make_shared<clsCustomReport>();
        prn->SetParameter(device, values[0], values[1], values[2], values[3], std::int16_t(values[4]),
                          values[5], values[6], values[7], w_.txtBackImage->text(), values[8], scriptText(),
                          w_.chkHorizontal->isChecked(), w_.cboReportGroup->currentText());
        const RunOutcome outcome = RunCustomReport(this, ds, prn, reference, w_.cbReportName->currentText(),
                                                   kRunTest, preview, 1, QString(), std::nullopt, QString());
        // Said only of a page that went to the printer.
        if (!preview && outcome != RunOutcome::Failed) {
            if (device.printer->delivered())
                platform::messageBox(QStringLiteral("La pagina di test è stata stampata"),
                                     platform::kInformation, QString(), this);
            else
                platform::messageBox(QStringLiteral("La pagina di test è vuota: non è stato stampato nulla"),
                                     platform::kInformation, QString(), this);
        }
    } catch (const core::AppError& e) {
        showFailure(e.description());
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    }
    w_.txtVBScript->setFocus();
}

void frmCustomReportSetting::cmdTest_Click() { runLayout(false); }

void frmCustomReportSetting::cmdPreview_Click() { runLayout(true); }

}  // namespace reports
