#include "reports/ui/modCustomReport.h"

#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/ReadOnlyScript.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "reports/LayoutRow.h"
#include "reports/LayoutScript.h"
#include "reports/ReportLayoutRecord.h"
#include "reports/ReportLayouts.h"
#include "reports/ui/RowPicker.h"
#include "reports/ui/clsCustomReport.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "startup/ui/frmMessage.h"

#include <QApplication>
#include <new>

namespace reports {

namespace {

constexpr int kPreviewLimit = clsCustomReport::kPreviewLimit;

PreviewShower& previewShower() {
    static PreviewShower shower;
    return shower;
}

// One run: the state shared by its passes.
struct Run {
    QWidget* owner = nullptr;
    std::shared_ptr<datalib::DataSource> ds;
    std::shared_ptr<clsCustomReport> prn;
    QString referenceName;
    int runMode = 0;
    bool preview = false;
    int copies = 1;
    QString notesColumn;
    QString layoutName;  // as the refusals of a change by the layout name it
    RowSelection selection;
    startup::frmMessage* progress = nullptr;  // owned for the run
    bool ended = false;                       // a procedure, a run mode or the limit ended the run
    bool failed = false;                      // nothing may be delivered

    bool stopRequested() {
        if (!progress) return false;
        QCoreApplication::processEvents();
        return progress->Stopped();
    }

    // One pass over the data; false when the run ends here.
    bool pass(int copy, int rowOfSelection, int selectedRows);
    bool moduleEnd(core::Variant& dsVar, core::Variant& prnVar, LayoutScript& script);
    bool limitsReached(int nRow);
    void endAtThePreviewLimit();
};

bool Run::moduleEnd(core::Variant& dsVar, core::Variant& prnVar, LayoutScript& script) {
    if (!prn->LastRow()) return true;
    const core::Variant mark = ds->Bookmark();
    core::Variant maskDs(ds);
    if (!RunPrintReportMask(maskDs, prnVar, script, false)) return false;
    ds->MoveToBookmark(mark);
    prn->NextReport();
    (void)dsVar;
    return true;
}

// True when the rows loop must be left (the run mode) or the run ended (the preview limit).
void Run::endAtThePreviewLimit() {
    platform::messageBox(QStringLiteral("Il numero massimo di pagine per l'anteprima è ") +
                             QString::number(kPreviewLimit) +
                             QStringLiteral("\r\rAnteprima di stampa interrotta..."),
                         platform::kOkOnly, QString(), owner);
    ended = true;
}

bool Run::limitsReached(int nRow) {
    if (preview && prn->ReportCount() >= kPreviewLimit) {
        endAtThePreviewLimit();
        return true;
    }
    if (runMode >= 1 && nRow >= runMode) return true;
    if (runMode == kRunTest && prn->ReportModuleCount() >= 1) return true;
    return false;
}

bool Run::pass(int copy, int rowOfSelection, int selectedRows) {
    (void)copy;
    (void)rowOfSelection;
    (void)selectedRows;
    // Note lines.
    QStringList notes;
    if (!notesColumn.isEmpty()) {
        QString text = ds->ColValueStr(notesColumn);
        if (!text.trimmed().isEmpty()) {
            text.remove(QLatin1Char('\n'));
            notes = text.split(QLatin1Char('\r'));
        }
    }
    // Data references.
    std::vector<std::pair<QString, std::shared_ptr<datalib::DataSource>>> refs;
    const bool walkSelection = referenceName.isEmpty() && selection.has_value();
    if (referenceName.isEmpty()) {
        refs.emplace_back(ds->tableDef().name(), ds);
    } else if (referenceName.compare(kAllReferences, Qt::CaseInsensitive) != 0) {
        refs.emplace_back(referenceName, ds->GetReference(referenceName));
    } else {
        for (const QString& name : RowsReferences(ds->tableDef())) {
            auto rows = ds->GetReference(name);
            if (rows && !rows->DataEmpty()) refs.emplace_back(name, rows);
        }
    }
    if (progress) {
        long total = 0;
        for (const auto& r : refs)
            total += walkSelection ? long(selection->size()) : (r.second ? r.second->RowCount(true) : 0);
        progress->StartProgress(total + notes.size(), true);
    }

    core::Variant prnVar(std::static_pointer_cast<core::Object>(prn));
    prn->Vars().ResetVars();
    std::unique_ptr<LayoutScript> script = CreateReportScript(prnVar, QString(), !notes.isEmpty());
    if (!script) {
        failed = true;
        return false;
    }
    script->setPoll([this] { return stopRequested(); });
    // A procedure ended the run: by a failure (nothing is delivered) or by False.
    const auto scriptFailed = [&] {
        if (prn->PreviewLimitReached())
            endAtThePreviewLimit();  // one call went past the preview's modules
        else if (script->failed())
            failed = true;
        else
            ended = true;
        return false;
    };

    std::int32_t nRow = 0;
    bool leaveRows = false;
    for (auto& [name, rowsDs] : refs) {
        if (leaveRows || ended) break;
        prn->SetDataReferenceName(referenceName.isEmpty() ? QString() : name);
        core::Variant dsRow(std::static_pointer_cast<core::Object>(rowsDs));
        if (!RunPrintDataInit(dsRow, prnVar, *script)) return scriptFailed();
        auto rows = std::dynamic_pointer_cast<datalib::DataSource>(dsRow.toObject());
        size_t selected = 0;
        if (walkSelection) {
            if (selection->empty()) continue;
            rows->MoveToBookmark((*selection)[0]);
        } else if (rows) {
            rows->RowFirst();
        }
        while (rows && !rows->Eof() && rows->RowValid()) {
            if (progress && !progress->Progress()) {
                failed = true;
                return false;
            }
            if (stopRequested()) {
                failed = true;
                return false;
            }
            ++nRow;
            if (!RunPrintReportRow(dsRow, prnVar, *script, nRow)) return scriptFailed();
            if (!moduleEnd(dsRow, prnVar, *script)) return scriptFailed();
            if (limitsReached(nRow)) {
                leaveRows = true;
                break;
            }
            rows = std::dynamic_pointer_cast<datalib::DataSource>(dsRow.toObject());
            if (walkSelection) {
                if (++selected >= selection->size()) break;
                rows->MoveToBookmark((*selection)[selected]);
            } else {
                rows->RowNext();
            }
        }
    }
    if (ended) return false;
    if (!leaveRows) {
        core::Variant dsVar(std::static_pointer_cast<core::Object>(ds));
        for (const QString& line : notes) {
            if (progress && !progress->Progress()) {
                failed = true;
                return false;
            }
            ++nRow;
            core::Variant text(line);
            if (!RunPrintNoteRow(text, dsVar, prnVar, *script, nRow)) return scriptFailed();
            if (!moduleEnd(dsVar, prnVar, *script)) return scriptFailed();
            if (limitsReached(nRow)) {
                if (ended) return false;
                break;
            }
        }
    }
    // End of the pass: the totals mask.
    if (!prn->LastRow() && !(runMode == kRunTest && prn->ReportModuleCount() != 0)) {
        if (ds->Eof() && !ds->DataEmpty()) ds->RowLast();
        core::Variant dsVar(std::static_pointer_cast<core::Object>(ds));
        if (!RunPrintReportMask(dsVar, prnVar, *script, true)) return scriptFailed();
        prn->NextReport();
    }
    return runMode != kRunTest;
}

// The passes of a run (step 7), on the page object's current output.
void runPasses(Run& run) {
    // The layout reads the data; it changes none of it.
    const datalib::ReadOnlyScript readOnly(
        run.layoutName.isEmpty()
            ? QStringLiteral("Il codice di stampa del prospetto")
            : QStringLiteral("Il codice di stampa del prospetto \"%1\"").arg(run.layoutName));
    const bool perRow = !run.referenceName.isEmpty() && run.selection.has_value();
    const int passes = perRow ? int(run.selection->size()) : 1;
    for (int p = 0; p < passes; ++p) {
        if (perRow && !run.ds->MoveToBookmark((*run.selection)[size_t(p)])) continue;
        run.prn->InitializeVars();
        run.prn->setIgnoreNextNewRow(true);
        for (int copy = 1; copy <= run.copies; ++copy) {
            if (run.progress && passes > 1) {
                QString text = QStringLiteral("Elaborazione in corso...  (") + QString::number(p + 1);
                if (run.copies >= 2)
                    text += QStringLiteral("/") + QString::number(passes) + QStringLiteral(")  -  Copia ") +
                            QString::number(copy) + QStringLiteral("/") + QString::number(run.copies);
                else
                    text += QStringLiteral(" / ") + QString::number(passes) + QStringLiteral(")");
                run.progress->ShowMsg(text, run.owner);
            }
            if (!run.pass(copy, p + 1, passes)) return;
        }
    }
}

// Ends the printer's document: delivered after a sound run, thrown away after a failure.
bool endDocument(Run& run, const std::shared_ptr<platform::PrintJob>& job) {
    if (!job) return true;
    if (run.failed) {
        job->abort();
        return true;
    }
    QString error;
    if (!job->finish(&error)) {
        platform::messageBox(QStringLiteral("Si e' verificato un errore durante la stampa:\r\r") + error,
                             platform::kOkOnly | platform::kCritical, QString(), run.owner);
        run.failed = true;
        return false;
    }
    return true;
}

}  // namespace

void setPreviewShower(PreviewShower shower) { previewShower() = std::move(shower); }

RunOutcome RunCustomReport(QWidget* owner, std::shared_ptr<datalib::DataSource>& ds,
                           std::shared_ptr<clsCustomReport> prn, const QString& referenceName,
                           const QString& reportName, int runMode, bool preview, int copies,
                           const QString& notesColumn, const RowSelection& selection,
                           const QString& groupName) {
    if (!ds) return RunOutcome::Failed;
    // 1. Something to print.
    if (!selection) {
        if (!referenceName.isEmpty() && (ds->Bof() || ds->Eof())) {
            platform::messageBox(QStringLiteral("Devi selezionare l'elemento da stampare"),
                                 platform::kInformation, QString(), owner);
            return RunOutcome::Failed;
        }
        if (referenceName.isEmpty() && ds->DataEmpty()) {
            platform::messageBox(QStringLiteral("Nessun elemento da stampare"), platform::kInformation,
                                 QString(), owner);
            return RunOutcome::Failed;
        }
    }
    auto db = ds->Database();
    // The library's option is on for the run and put back however it ends.
    struct OptionForTheRun {
        std::shared_ptr<datalib::Database> db;
        bool saved = false;
        explicit OptionForTheRun(std::shared_ptr<datalib::Database> d) : db(std::move(d)) {
            if (db) {
                saved = db->Option();
                db->SetOption(true);
            }
        }
        ~OptionForTheRun() {
            if (db) db->SetOption(saved);
        }
    } option(db);
    Run run;
    run.owner = owner;
    run.ds = ds;
    run.runMode = runMode;
    run.preview = preview;
    run.copies = std::max(1, copies);
    run.notesColumn = notesColumn;
    run.selection = selection;
    std::unique_ptr<frmCustomReportPreview> previewWindow;
    std::shared_ptr<platform::PrintJob> job;
    QString jobTitle = reportName;  // the job's name at the printer: the layout's
    bool ownsProgress = false;
    // Any other failure: nothing is delivered, the run's state is put back.
    const auto failed = [&](const QString& description, bool quiet) {
        // Nothing here may fail in turn: out of memory, the message itself
        // may not be shown, but the run still ends and nothing is delivered.
        if (job) job->abort();
        if (prn && prn->printJob()) prn->printJob()->abort();
        try {
            if (ownsProgress) startup::frmMessage::Unload();
            if (!quiet)
                platform::messageBox(
                    QStringLiteral("Si e' verificato un errore durante la stampa:\r\r") + description,
                    platform::kOkOnly | platform::kCritical, QString(), owner);
        } catch (...) {
        }
        return RunOutcome::Failed;
    };
    try {
        if (!prn) {
            // 2. The layout.
            const QString table = ds->tableDef().name();
            using Record = ReportLayoutRecord;
            QString condition = Record::kSourceColumn + QLatin1Char('=') + db->FormatStringForQuery(table);
            if (referenceName == QLatin1String("*"))
                condition += QStringLiteral(" AND ") + Record::kReferenceColumn + QStringLiteral("<>''");
            else if (!referenceName.isEmpty())
                condition += QStringLiteral(" AND ") + Record::kReferenceColumn + QLatin1Char('=') +
                             db->FormatStringForQuery(referenceName);
            if (!reportName.isEmpty())
                condition += QStringLiteral(" AND ") + Record::kNameColumn + QLatin1Char('=') +
                             db->FormatStringForQuery(reportName);
            if (!groupName.isEmpty())
                condition += QStringLiteral(" AND ") + Record::kGroupColumn + QLatin1Char('=') +
                             db->FormatStringForQuery(groupName);
            auto layouts = db->OpenDataSource(Record::kTableName, condition, Record::kNameColumn);
            if (!layouts || layouts->DataEmpty()) {
                QString data = ds->tableDef().caption();
                if (referenceName == QLatin1String("*") || referenceName == kAllReferences) {
                    data += QStringLiteral(".") + referenceName;
                } else if (!referenceName.isEmpty()) {
                    const datalib::ReferenceDef* ref = ds->tableDef().findReference(referenceName);
                    data += QStringLiteral(".") +
                            (ref && !ref->description.isEmpty() ? ref->description : referenceName);
                }
                platform::messageBox(
                    QStringLiteral("Report non trovato/i\r\rConfigurare almeno un Report per i dati <") +
                        data + QStringLiteral(">..."),
                    platform::kInformation, QString(), owner);
                return RunOutcome::Failed;
            }
            layouts->RowFirst();
            // Several layouts: the one chosen in the pick list, listed by name
            // (two of one name differ by their data and group).
            if (layouts->RowCount(true) > 1 &&
                !PickDataRow(
                    owner, *layouts, QString(),
                    QStringList{Record::kNameColumn, Record::kReferenceColumn, Record::kGroupColumn}.join(
                        QLatin1Char(','))))
                return RunOutcome::Failed;
            const Record layout = Record::readFrom(*layouts);
            jobTitle = layout.name;
            // 3. The printer.
            clsCustomReport::Device device;
            if (!preview) {
                QString printer = layout.printer;
                QString pdf;
                if (layout.askPrinter || printer.isEmpty()) {
                    const auto choice = platform::Printers::choosePrinter(
                        owner, QStringLiteral("Selezione stampante"), run.copies);
                    if (!choice) {
                        return RunOutcome::Failed;
                    }
                    printer = choice->printer;
                    pdf = choice->pdfFile;
                    run.copies = std::max(1, choice->copies);
                }
                job = platform::Printers::openJob(owner, printer, pdf, jobTitle);
                if (!job) return RunOutcome::Failed;
                device.printer = job;
            } else {
                previewWindow = std::make_unique<frmCustomReportPreview>(owner);
                device.preview = previewWindow.get();
            }
            // 4. The page object.
            prn = std::make_shared<clsCustomReport>();
            prn->SetParameter(
                device, LayoutSize(layout.height), LayoutSize(layout.width), LayoutSize(layout.top),
                LayoutSize(layout.left), std::int16_t(LayoutSize(layout.columns)), LayoutSize(layout.rowsDim),
                LayoutSize(layout.rowsTop), LayoutSize(layout.rowsBottom), layout.backImage,
                LayoutSize(layout.bottomImageBorder), layout.script, layout.horizontal, layout.group);
            run.referenceName = layout.reference;
        } else {
            run.referenceName = referenceName;
            job = prn->printJob();
        }
        run.prn = prn;
        run.layoutName = jobTitle;
        // 5. Progress.
        if (owner && !startup::frmMessage::IsLoaded() && owner == QApplication::activeWindow()) {
            run.progress = startup::frmMessage::instance();
            run.progress->ShowMsg(QStringLiteral("Elaborazione in corso..."), owner);
            ownsProgress = true;
        }
        // 6. Area marks: only the editor's preview.
        prn->setMarkOutputAreas(preview && runMode == kRunTest);
        // 7. The passes.
        runPasses(run);
        if (ownsProgress) {
            startup::frmMessage::Unload();
            run.progress = nullptr;
            ownsProgress = false;
        }
        // 9. The end.
        frmCustomReportPreview* shownPreview = prn->OutputDevice();
        if (!prn->Preview()) {
            endDocument(run, job);
            prn->EndReports();
        } else if (shownPreview) {
            if (prn->SheetIsEmpty()) shownPreview->CancelAddingPage();
            prn->EndReports();
            const QString printer =
                previewShower() ? previewShower()(*shownPreview, owner) : shownPreview->ShowPreview(owner);
            if (!printer.isEmpty()) {
                const auto choice = shownPreview->printChoice();
                auto all = platform::Printers::openJob(owner, printer, choice ? choice->pdfFile : QString(),
                                                       jobTitle);
                if (!all) return RunOutcome::Failed;
                prn->ChangePrinter(all);
                run.preview = false;
                run.ended = false;
                run.copies = choice ? std::max(1, choice->copies) : run.copies;
                runPasses(run);
                endDocument(run, all);
                prn->EndReports();
            }
        }
    } catch (const core::AppError& e) {
        return failed(e.description(), e.cancelled());
    } catch (const std::bad_alloc&) {
        // What the run held (its script, the page in progress) went as the
        // error left it; the document goes unwritten.
        return failed(QStringLiteral("Memoria esaurita"), false);
    } catch (const std::exception& e) {
        return failed(QString::fromUtf8(e.what()), false);
    }
    if (run.failed) return RunOutcome::Failed;
    return run.ended ? RunOutcome::Ended : RunOutcome::Completed;
}

bool PrintCustomReport(QWidget* owner, std::shared_ptr<datalib::DataSource>& ds,
                       std::shared_ptr<clsCustomReport> prn, const QString& referenceName,
                       const QString& reportName, int runMode, bool preview, int copies,
                       const QString& notesColumn, const RowSelection& selection, const QString& groupName) {
    return RunCustomReport(owner, ds, std::move(prn), referenceName, reportName, runMode, preview, copies,
                           notesColumn, selection, groupName) == RunOutcome::Completed;
}

}  // namespace reports
