// The report editor's layout fields: the script as stored, the size boxes with
// the stored and exported fields they show, a layout shown in the boxes, the
// report group, the default script, the printer's page set-up and the
// background picture.

#include "reports/ui/frmCustomReportSetting.h"

#include "reports/ui/frmCustomReportSettingShared.h"

#include "platform/ui/Desktop.h"
#include "reports/LayoutScript.h"
#include "reports/ReportLayoutRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>

namespace reports {

QString frmCustomReportSetting::scriptText() const {
    QString text = w_.txtVBScript->toPlainText();
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void frmCustomReportSetting::setScriptText(const QString& script) {
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    w_.txtVBScript->setPlainText(text);  // caret at 0: no trigger fires
    setModified();
}

std::vector<frmCustomReportSetting::SizeBox> frmCustomReportSetting::sizeBoxes() const {
    using R = ReportLayoutRecord;
    using B = ReportLayoutBoxes;
    return {{w_.txtColumns, &R::columns, &B::columns},
            {w_.txtReportHeight, &R::height, &B::height},
            {w_.txtReportWidth, &R::width, &B::width},
            {w_.txtReportTop, &R::top, &B::top},
            {w_.txtReportLeft, &R::left, &B::left},
            {w_.txtReportRowsDim, &R::rowsDim, &B::rowsDim},
            {w_.txtReportRowsTop, &R::rowsTop, &B::rowsTop},
            {w_.txtReportRowsBottom, &R::rowsBottom, &B::rowsBottom},
            {w_.txtBottomImageBorder, &R::bottomImageBorder, &B::bottomImageBorder}};
}

void frmCustomReportSetting::showLayout(const ReportLayoutRecord& layout, bool isNew) {
    for (const SizeBox& s : sizeBoxes()) s.box->setText(detail::numberText(layout.*s.stored));
    w_.txtBackImage->setText(layout.backImage);
    w_.chkHorizontal->setChecked(layout.horizontal);
    setScriptText(layout.script);
    w_.chkPrinterSelection->setChecked(layout.askPrinter);
    if (isNew) {
        if (w_.cboPrinter->count() > 0) {
            w_.cboPrinter->setCurrentIndex(-1);
            w_.cboPrinter->setEditText(QString());
        }
        if (w_.cboReportGroup->count() > 0) w_.cboReportGroup->setCurrentIndex(0);
        return;
    }
    // A stored printer that is not installed stays as the box's text, so
    // saving the profile keeps it.
    const int at = w_.cboPrinter->findText(layout.printer, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) {
        w_.cboPrinter->setCurrentIndex(at);
    } else if (!layout.printer.isEmpty()) {
        w_.cboPrinter->setCurrentIndex(-1);
        w_.cboPrinter->setEditText(layout.printer);
    }
    SelectReportGroup(layout.group);
}

void frmCustomReportSetting::SelectReportGroup(const QString& name) {
    const auto trimEnd = [](const QString& s) {
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
        return s.left(n);
    };
    if (!w_.cboReportGroup->isEnabled()) {
        w_.cboReportGroup->clear();
        if (!trimEnd(name).isEmpty()) {
            w_.cboReportGroup->addItem(name);
            w_.cboReportGroup->setCurrentIndex(0);
        }
        return;
    }
    w_.cboReportGroup->setCurrentIndex(0);
    const QString wanted = trimEnd(name).toUpper();
    for (int i = 0; i < w_.cboReportGroup->count(); ++i)
        if (trimEnd(w_.cboReportGroup->itemText(i)).toUpper() == wanted) {
            w_.cboReportGroup->setCurrentIndex(i);
            break;
        }
}

void frmCustomReportSetting::cmdDefault_Click() {
    setScriptText(DefaultReportText(noteRows_));
    w_.txtReportTop->setText(QStringLiteral("5"));
    w_.txtReportLeft->setText(QStringLiteral("5"));
}

void frmCustomReportSetting::cmdPrnSetting_Click() {
    QPrinter printer;
    const QPrinterInfo info = QPrinterInfo::printerInfo(w_.cboPrinter->currentText());
    if (!info.isNull()) printer.setPrinterName(info.printerName());
    QPageSetupDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Impostazione stampanti"));
    dialog.exec();  // nothing is read back
}

void frmCustomReportSetting::cmdSelBackImage_Click() {
    const QString file = platform::openFileName(this, QStringLiteral("Img. Sfondo"), w_.txtBackImage->text(),
                                                QStringLiteral("Immagine (*.*)"));
    if (!file.isEmpty()) w_.txtBackImage->setText(file);
}

}  // namespace reports
