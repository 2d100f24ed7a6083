// The report editor's file commands: the layout as it stands exported to a
// ".vbs" file, and one imported into the boxes.

#include "reports/ui/frmCustomReportSetting.h"

#include "reports/LayoutExport.h"
#include "reports/ui/LayoutFileCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace reports {

ReportLayoutBoxes frmCustomReportSetting::boxesShown() const {
    ReportLayoutBoxes boxes;
    boxes.name = w_.cbReportName->currentText();
    boxes.group = w_.cboReportGroup->currentText();
    boxes.backImage = w_.txtBackImage->text();
    for (const SizeBox& s : sizeBoxes()) boxes.*s.exported = s.box->text();
    boxes.horizontal = w_.chkHorizontal->isChecked();
    return boxes;
}

void frmCustomReportSetting::cmdSave_Click() {
    ExportLayoutCommand(this, QStringLiteral("ReportPrint.vbs"), ReportExportSettings(boxesShown()),
                        scriptText());
}

void frmCustomReportSetting::cmdLoad_Click() {
    const auto file = ImportLayoutCommand(this, QStringLiteral("ReportPrint.vbs"), ReportExportKeys());
    if (!file) return;
    // The whole file was read: only now do the boxes change.
    ReportLayoutBoxes boxes = boxesShown();
    ApplyReportImport(
        *file, boxes,
        [this](int position) {
            if (position >= 0 && position < w_.cboReportGroup->count())
                w_.cboReportGroup->setCurrentIndex(position);
        },
        [this](const QString& name) { SelectReportGroup(name); });
    if (w_.cbReportName->currentText().isEmpty()) w_.cbReportName->setEditText(boxes.name);
    w_.txtBackImage->setText(boxes.backImage);
    for (const SizeBox& s : sizeBoxes()) s.box->setText(boxes.*s.exported);
    w_.chkHorizontal->setChecked(boxes.horizontal);
    setScriptText(file->script);
}

}  // namespace reports
