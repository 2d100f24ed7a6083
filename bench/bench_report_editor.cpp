// The layout editor's script work on a 5 000-line script: one keystroke
// (typing triggers, data variable, line display) and the export file both ways.

#include "BenchMain.h"
#include "ScaleArchive.h"

#include "app/AllTableClasses.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "reports/LayoutExport.h"
#include "reports/LayoutScript.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "reports/ui/frmCustomReportSetting.h"
#include "schema/DB.h"
#include "startup/modDatabase.h"
#include "tools/demodb/DemoArchive.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
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
    for (const QString& key : reports::ReportExportKeys()) settings.append({key, QStringLiteral("10,5")});
    for (auto _ : state) {
        reports::WriteLayoutExport(path, settings, script);
        benchmark::DoNotOptimize(reports::ReadLayoutExport(path, reports::ReportExportKeys()));
    }
}
BENCHMARK(BM_ExportImport)->Unit(benchmark::kMillisecond);

// The field menu of the order rows, with the fields and references of their base chain.
void BM_FieldMenuOfOrderRows(benchmark::State& state) {
    static QTemporaryDir dir;
    static datalib::Engine engine;
    static std::shared_ptr<datalib::Database> db;
    if (!db) {
        app::registerAllTableClasses();
        demodb::DemoOptions options;
        options.file = dir.filePath(QStringLiteral("ZeltOrder_DEMO"));
        demodb::BuildDemoArchive(options, [](const QString&) {});
        engine.Open(3, options.file, QString(), startup::DatabasePassword());
        schema::DB definition;
        db = datalib::Application::OpenDatabase(engine, definition, QStringLiteral("bench"), nullptr);
        benchsupport::atShutdown([] {
            db.reset();
            engine.Close();
        });
    }
    const datalib::TableDef* rows = db->tableDef(QStringLiteral("RigheOrdini"));
    if (!rows) {
        state.SkipWithError("RigheOrdini is not defined");
        return;
    }
    for (auto _ : state) {
        QMenu fields, refs;
        for (const auto& e : reports::FieldMenuEntries(*rows)) fields.addAction(e.caption)->setData(e.tag);
        for (const auto& e : reports::ReferenceMenuEntries(*rows, QStringLiteral("> ")))
            refs.addAction(e.caption)->setData(e.tag);
        benchmark::DoNotOptimize(fields.actions().size() + refs.actions().size());
    }
}
BENCHMARK(BM_FieldMenuOfOrderRows)->Unit(benchmark::kMillisecond);

// The editor opened from "Ordini.Righe" on the large archive (ZELT_SCALE_ARCHIVE,
// default demo-scale/ZeltOrder_DEMO): set-up, source list, printers, the
// first activation that chooses the source and loads its profile.
void BM_OpenEditor(benchmark::State& state) {
    static benchsupport::ScaleArchive archive;
    std::shared_ptr<datalib::Database>& db = archive.db;
    if (!db) {
        if (!archive.open(false, QStringLiteral("bench"))) {
            state.SkipWithError("archive missing: zelt-demodb --scale demo-scale");
            return;
        }
        benchsupport::atShutdown([] { archive.close(); });
    }
    QWidget owner;
    for (auto _ : state) {
        reports::frmCustomReportSetting::EditSetting(&owner, db, nullptr, QStringLiteral("Ordini.Righe"),
                                                     false, true, QStringLiteral("PropostaOrdine"));
        QCoreApplication::processEvents();  // the first activation chooses the only source
        auto* window = reports::frmCustomReportSetting::instance();
        benchmark::DoNotOptimize(window->Widgets().cbReportName->count());
        state.PauseTiming();
        delete window;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenEditor)->Unit(benchmark::kMillisecond);

}  // namespace
