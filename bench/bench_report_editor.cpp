// The layout editor's script work on a 5 000-line script: one keystroke
// (typing triggers, data variable, line display) and the export file both ways.

#include "reports/LayoutExport.h"
#include "reports/LayoutScript.h"
#include "reports/ui/ScriptEditorAssistant.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

QString bigScript() {
    QString text = reports::DefaultReportText(true);
    for (int i = 0; text.count(QStringLiteral("\r\n")) < 5000; ++i)
        text.replace(QStringLiteral("Function PrintReportRow"),
                     QStringLiteral("  prn.TxtOut 10, 20, dsRow.ColValue(\"Codice\") ' riga %1\r\n").arg(i) +
                         QStringLiteral("Function PrintReportRow"));
    return text;
}

void BM_Keystroke(benchmark::State& state) {
    QWidget window;
    auto* box = new QPlainTextEdit(&window);
    auto* label = new QLabel(&window);
    reports::ScriptEditorAssistant assistant(box, label, nullptr, [](const QString& t, int p) {
        return reports::ReportScriptDataVarName(t, p, true);
    });
    box->setPlainText(bigScript());
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(int(box->toPlainText().indexOf(QStringLiteral("Function PrintReportMask"))) + 30);
    box->setTextCursor(cursor);
    for (auto _ : state) {
        QTest::keyClick(box, Qt::Key_A);  // the change runs the triggers and the line display
        QTest::keyClick(box, Qt::Key_Backspace);
    }
    state.SetLabel("two keystrokes per iteration");
}
BENCHMARK(BM_Keystroke)->Unit(benchmark::kMillisecond);

void BM_ExportImport(benchmark::State& state) {
    const QString script = bigScript();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ReportPrint.vbs"));
    QList<reports::LayoutSetting> settings;
    for (const QString& key : reports::ReportExportKeys())
        settings.append({key, QStringLiteral("10,5")});
    for (auto _ : state) {
        reports::WriteLayoutExport(path, settings, script);
        benchmark::DoNotOptimize(reports::ReadLayoutExport(path, reports::ReportExportKeys()));
    }
}
BENCHMARK(BM_ExportImport)->Unit(benchmark::kMillisecond);

}  // namespace
