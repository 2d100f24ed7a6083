#include "labels/ui/modLabelPrint.h"

#include "core/AppError.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/ReadOnlyScript.h"
#include "labels/LabelLayoutRecord.h"
#include "labels/ui/frmLabelPreview.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "reports/LayoutRow.h"
#include "reports/LayoutScript.h"
#include "reports/ui/RowPicker.h"
#include "startup/ui/frmMessage.h"

#include <QApplication>
#include <QInputDialog>
#include <new>

namespace labels {

namespace {

std::shared_ptr<clsLabelPrint>& kept() {
    static std::shared_ptr<clsLabelPrint> page;
    return page;
}

LabelPreviewShower& previewShower() {
    static LabelPreviewShower shower;
    return shower;
}

void beep() { QApplication::beep(); }

// Ends a document and tells when the printer refused it.
void finishDocument(clsLabelPrint& prn, QWidget* owner) {
    prn.ForceEndDocument();
    if (!prn.deliveryError().isEmpty())
        platform::messageBox(
            QStringLiteral("Si e' verificato un errore durante la stampa:\r\r") + prn.deliveryError(),
            platform::kOkOnly | platform::kCritical, QString(), owner);
}

}  // namespace

std::shared_ptr<clsLabelPrint> KeptLabelPage() { return kept(); }

void setLabelPreviewShower(LabelPreviewShower shower) { previewShower() = std::move(shower); }

std::int16_t PrintLabels(QWidget* owner, std::shared_ptr<datalib::DataSource>& ds,
                         const LabelSelection& selection, bool selectionOnly, const QString& tableName,
                         std::int16_t skip, bool endDocument, frmLabelPreview* previewWindow) {
    if (!ds) return 0;
    // Whatever way the call ends, a call that ends the document ends it.
    struct Release {
        bool on;
        QWidget* owner;
        ~Release() {
            if (on && kept()) {
                finishDocument(*kept(), owner);
                kept().reset();
            }
        }
    } release{endDocument, owner};
    bool ownsProgress = false;
    try {
        // 1. Something to print.
        if (skip == -1 && endDocument && (ds->Bof() || ds->Eof())) {
            platform::messageBox(
                QStringLiteral("Devi selezionare elementi validi per la stampa delle etichette"),
                platform::kInformation, QString(), owner);
            return 0;
        }
        // 3. The layout.
        auto db = ds->Database();
        const QString ownTable = ds->tableDef().name();
        const QString table = tableName.isEmpty() ? ownTable : tableName;
        const bool otherTable = table.compare(ownTable, Qt::CaseInsensitive) != 0;
        auto stored =
            db->OpenDataSource(LabelLayoutRecord::kTableName, LabelLayoutRecord::sourceFilter(*db, table));
        if (!stored || stored->DataEmpty()) {
            const datalib::TableDef* def = otherTable ? db->tableDef(table) : &ds->tableDef();
            platform::messageBox(
                QStringLiteral("Nessuna stampa etichette è stata configurata per questi dati (") +
                    (def ? def->caption() : table) + QStringLiteral(")"),
                platform::kInformation, QString(), owner);
            return 0;
        }
        stored->RowFirst();
        const LabelLayoutRecord layout = LabelLayoutRecord::readFrom(*stored);
        const float height = reports::LayoutSize(layout.height);
        const float width = reports::LayoutSize(layout.width);
        const float top = reports::LayoutSize(layout.top);
        const float left = reports::LayoutSize(layout.left);
        const auto columns = std::int16_t(reports::LayoutSize(layout.columns));
        const bool horizontal = layout.horizontal;
        const QString text = layout.script;
        // 4. A preview.
        if (previewWindow) {
            PreviewLabels(LabelDevice{previewWindow, QString()}, ds, height, width, top, left, columns,
                          horizontal, text, false);
            return 0;
        }
        // 2, 5, 6. A new page object on the printer, unless the kept one
        // still has its document open: then the labels go on on its sheet.
        if (!kept() || kept()->DocumentEnded()) {
            kept().reset();
            QString printer = layout.printer;
            QString pdf;
            if (layout.askPrinter || printer.isEmpty()) {
                const auto choice =
                    platform::Printers::choosePrinter(owner, QStringLiteral("Selezione stampante"), 1);
                if (!choice) return 0;
                printer = choice->printer;
                pdf = choice->pdfFile;
            }
            auto job = platform::Printers::openJob(owner, printer, pdf, QStringLiteral("Etichette"));
            if (!job) return 0;
            auto prn = std::make_shared<clsLabelPrint>();
            prn->SetParameter(clsLabelPrint::Device{job, nullptr}, height, width, top, left, columns,
                              endDocument, horizontal);
            kept() = prn;
        }
        std::shared_ptr<clsLabelPrint> prn = kept();
        // 7. Progress.
        startup::frmMessage* progress = nullptr;
        if (owner && !startup::frmMessage::IsLoaded()) {
            progress = startup::frmMessage::instance();
            progress->ShowMsg(QStringLiteral("Stampa etichette in corso..."), owner);
            ownsProgress = true;
        }
        const auto closeProgress = [&] {
            if (ownsProgress) {
                startup::frmMessage::Unload();
                ownsProgress = false;
            }
        };
        // 8. Positions to skip.
        long toSkip = skip;
        if (skip == -1) {
            toSkip = 0;
            if (layout.enableAlignment && !(columns <= 1 && height == 0)) {
                const auto answer = core::inputBox(
                    QStringLiteral(
                        "POSIZIONARE LA CARTA PER LA STAMPA...\r\rPer saltare alcune etichette già "
                        "stampate impostare la quantità di quelle già stampate, altrimenti confermare <0>"),
                    QStringLiteral("Conferma Stampa Etichette"), QStringLiteral("0"));
                bool ok = false;
                const long value = answer ? answer->trimmed().toLong(&ok) : 0;
                if (!ok || value > 9999) {
                    beep();
                    closeProgress();
                    return prn->PageLabelCount();
                }
                toSkip = std::max(0L, value);
            }
        }
        // 9. The script: it reads the data, it changes none of it.
        const datalib::ReadOnlyScript readOnly(
            QStringLiteral("Il codice di stampa delle etichette di \"%1\"").arg(table));
        std::unique_ptr<reports::LayoutScript> script = reports::CreateLabelScript(text);
        if (!script) {
            closeProgress();
            return prn->PageLabelCount();
        }
        bool stopped = false;
        const auto stopAsked = [&] {
            if (!progress) return false;
            QCoreApplication::processEvents();
            return progress->Stopped();
        };
        script->setPoll(stopAsked);
        const auto step = [&] {
            if (progress && !progress->Progress()) stopped = true;
            return !stopped;
        };
        // 10. The rows.
        const bool walkSelection = selectionOnly && selection && !selection->empty();
        long rows = 1;
        if (!selectionOnly) {
            rows = ds->RowCount(true);
            ds->RowFirst();
        } else if (walkSelection) {
            rows = long(selection->size());
        }
        if (progress) progress->StartProgress(rows + toSkip, true);
        // 11. The labels.
        for (; toSkip > 0 && !stopped; --toSkip) {
            prn->NextLabel();
            step();
        }
        const int copies = std::max(1, int(reports::LayoutSize(layout.copies)));
        bool ended = false;
        for (long row = 0; row < rows && !stopped && !ended; ++row) {
            if (walkSelection) {
                if (!ds->MoveToBookmark((*selection)[size_t(row)]) || !ds->RowValid()) {
                    step();
                    continue;  // a row gone since it was selected
                }
            } else if (!selectionOnly) {
                if (row > 0) ds->RowNext();
                if (ds->Eof()) break;
            }
            std::shared_ptr<datalib::DataSource> rowDs = ds;
            if (otherTable) {
                rowDs = ds->RelatedDataSource(table);
                if (!rowDs) {
                    platform::messageBox(QStringLiteral("Nessun dato della tabella ") + table +
                                             QStringLiteral(" collegato alla riga da stampare"),
                                         platform::kInformation, QString(), owner);
                    break;
                }
            }
            prn->setCopyCount(1);
            while (prn->CopyCount() <= copies) {
                if (!step()) break;
                core::Variant dsVar(std::static_pointer_cast<core::Object>(rowDs));
                core::Variant prnVar(std::static_pointer_cast<core::Object>(prn));
                if (!reports::RunLabelScript(dsVar, prnVar, *script)) {
                    ended = true;
                    break;
                }
                prn->NextLabel();
                prn->NextCopy();
            }
        }
        // 12. The end.
        const std::int16_t count = prn->PageLabelCount();
        script.reset();
        closeProgress();
        if (endDocument) beep();
        return count;
    } catch (const core::AppError& e) {
        if (ownsProgress) startup::frmMessage::Unload();
        if (!e.cancelled()) platform::messageBox(e.description(), platform::kOkOnly, QString(), owner);
        return 0;
    } catch (const std::bad_alloc&) {
        // The job, released with the page object, goes unwritten.
        if (ownsProgress) startup::frmMessage::Unload();
        platform::messageBox(QStringLiteral("Memoria esaurita"), platform::kOkOnly | platform::kCritical,
                             QString(), owner);
        return 0;
    }
}

bool PreviewLabels(const LabelDevice& device, std::shared_ptr<datalib::DataSource>& ds, float labelHeight,
                   float labelWidth, float topMargin, float leftMargin, std::int32_t columns, bool horizontal,
                   const QString& script, bool pick) {
    if (!ds) return false;
    try {
        if (platform::Printers::installed().isEmpty()) return false;
        core::Variant mark;
        if (!ds->RowValid() || ds->Bof() || ds->Eof() || pick) {
            const auto chosen = reports::PickDataRow(QApplication::activeWindow(), *ds);
            if (!chosen) return false;
            mark = *chosen;
        } else {
            mark = ds->Bookmark();
        }
        if (!ds->MoveToBookmark(mark)) return false;
        clsLabelPrint::Device target;
        if (device.window) {
            target.preview = device.window;
        } else {
            target.printer = platform::Printers::openJob(QApplication::activeWindow(), device.printer,
                                                         QString(), QStringLiteral("Etichette"));
            if (!target.printer) return false;
        }
        const datalib::ReadOnlyScript readOnly(
            QStringLiteral("Il codice di stampa delle etichette di \"%1\"").arg(ds->tableDef().name()));
        auto prn = std::make_shared<clsLabelPrint>();
        prn->SetParameter(target, labelHeight, labelWidth, topMargin, leftMargin,
                          std::int16_t(std::clamp(columns, -32768, 32767)), true, horizontal);
        for (int column = 1; column <= prn->Columns(); ++column) {
            core::Variant dsVar(std::static_pointer_cast<core::Object>(ds));
            core::Variant prnVar(std::static_pointer_cast<core::Object>(prn));
            if (!reports::RunLabelScriptCode(dsVar, prnVar, script)) break;
            prn->NextLabel();
        }
        finishDocument(*prn, QApplication::activeWindow());
        prn.reset();
        if (device.window) {
            device.window->RefreshView();
            if (previewShower())
                previewShower()(*device.window);
            else
                device.window->exec();
        }
        return true;
    } catch (const core::AppError& e) {
        if (!e.cancelled())
            platform::messageBox(e.description(), platform::kOkOnly, QString(), QApplication::activeWindow());
        return false;
    } catch (const std::bad_alloc&) {
        platform::messageBox(QStringLiteral("Memoria esaurita"), platform::kOkOnly | platform::kCritical,
                             QString(), QApplication::activeWindow());
        return false;
    }
}

}  // namespace labels
