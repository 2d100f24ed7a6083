#include "reports/LayoutScript.h"

#include "core/AppError.h"
#include "core/LanguageErrors.h"
#include "core/Prompt.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "script/ScriptControl.h"

#include <QStringList>
#include <new>

namespace reports {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString lines(std::initializer_list<const char*> list) {
    QString out;
    for (const char* l : list) out += QString::fromUtf8(l) + kCrLf;
    return out;
}

QString ruler() { return QStringLiteral("' ") + QString(71, QLatin1Char('=')) + kCrLf; }

QString tableCaption(const core::Variant& ds) {
    try {
        if (auto source = std::dynamic_pointer_cast<datalib::DataSource>(ds.toObject()))
            if (auto table = source->Table()) return table->PresentationName();
    } catch (const core::AppError&) {
    }
    return QString();
}

void showLayoutError(const QString& text) { core::messageBox(text, core::kOkOnly | core::kCritical); }

}  // namespace

QString LayoutErrorText(const QString& prefix, const QString& description, long number, int line,
                        int column) {
    QString text = prefix + QStringLiteral("\r\r") + description + QStringLiteral("\r");
    if (number != 0)
        text += QStringLiteral("\rLinea VB: ") + QString::number(line) + QStringLiteral(", colonna ") +
                QString::number(column);
    return text;
}

LayoutScript::LayoutScript() : control_(std::make_unique<script::ScriptControl>()) {
    control_->setLanguage(QStringLiteral("vbscript"));
    control_->setTimeout(kLayoutTimeoutMs);
}

LayoutScript::~LayoutScript() = default;

void LayoutScript::setPoll(std::function<bool()> poll) {
    poll_ = std::move(poll);
    control_->setPollCallback([this] {
        if (poll_ && poll_()) control_->Cancel();
    });
}

bool LayoutScript::fail(const QString& prefix, const QString& description) {
    failed_ = true;
    showLayoutError(LayoutErrorText(prefix, description, 0, 0, 0));
    return false;
}

bool LayoutScript::run(const QString& procedure, std::span<core::Variant* const> args, unsigned objectArgs,
                       const QString& prefix) {
    if (failed_) return false;
    try {
        const core::Variant result = control_->Run(procedure, args);
        for (size_t i = 0; i < args.size(); ++i)
            if ((objectArgs >> i) & 1u) {
                const core::Variant& v = *args[i];
                if (!v.isObject() || v.isNothing())
                    throw core::AppError(core::kErrObjectRequired, QStringLiteral("Zelt Order"),
                                         QStringLiteral("Oggetto richiesto: il parametro ") +
                                             QString::number(i + 1) + QStringLiteral(" di ") + procedure +
                                             QStringLiteral(" non contiene più un oggetto"));
            }
        return result.isTrue();
    } catch (const core::AppError& e) {
        failed_ = true;
        if (e.cancelled()) {
            stopped_ = true;  // the user confirmed the stop: no further message
            return false;
        }
        const auto& err = control_->Error();
        showLayoutError(LayoutErrorText(prefix, e.description(), err.Number, err.Line, err.Column));
        return false;
    } catch (const std::bad_alloc&) {
        failed_ = true;
        showLayoutError(LayoutErrorText(prefix, QStringLiteral("Memoria esaurita"), 0, 0, 0));
        return false;
    } catch (const std::exception& e) {
        failed_ = true;
        showLayoutError(LayoutErrorText(prefix, QString::fromUtf8(e.what()), 0, 0, 0));
        return false;
    }
}

// ---- reports

namespace {

LayoutPage* pageOf(const core::Variant& prn) {
    try {
        return dynamic_cast<LayoutPage*>(prn.toObject().get());
    } catch (const core::AppError&) {
        return nullptr;
    }
}

std::unique_ptr<LayoutScript> compile(const QString& text) {
    auto script = std::make_unique<LayoutScript>();
    try {
        script->control().AddCode(text);
    } catch (const core::AppError& e) {
        const auto& err = script->control().Error();
        showLayoutError(LayoutErrorText(QStringLiteral("Errore di inizializzazione del codice di stampa: "),
                                        e.description(), err.Number, err.Line, err.Column));
        return nullptr;
    }
    return script;
}

// Runs a report procedure on the page object that prn holds: with absolute
// coordinates, or on the next detail row. A prn that holds no page object is
// the procedure's failure.
enum class RowState { Absolute, NextRow };

bool runOnPage(core::Variant& prn, LayoutScript& script, RowState state, const QString& procedure,
               std::span<core::Variant* const> args, unsigned objectArgs, const QString& prefix) {
    LayoutPage* page = pageOf(prn);
    if (!page) return script.fail(prefix, QStringLiteral("Oggetto di stampa non valido"));
    page->setRowPrinting(state == RowState::NextRow);
    if (state == RowState::NextRow) page->NewReportRow();
    return script.run(procedure, args, objectArgs, prefix);
}

}  // namespace

std::unique_ptr<LayoutScript> CreateReportScript(core::Variant& prn, const QString& given, bool noteRows) {
    QString text = given;
    if (text.isEmpty())
        if (LayoutPage* page = pageOf(prn)) text = page->VBScript();
    if (noteRows && !text.contains(QLatin1String("PrintNoteRow("))) text += DefaultReportNoteRowText();
    return compile(text);
}

bool RunPrintDataInit(core::Variant& dsRow, core::Variant& prn, LayoutScript& script) {
    const QString prefix = QStringLiteral("Errore nel codice di inizializzazione dati <") +
                           tableCaption(dsRow) + QStringLiteral(">: ");
    LayoutPage* page = pageOf(prn);
    if (!page) return script.fail(prefix, QStringLiteral("Oggetto di stampa non valido"));
    if (!page->VBScript().contains(QLatin1String("PrintDataInit("))) return true;
    core::Variant* args[] = {&dsRow, &prn};
    return runOnPage(prn, script, RowState::Absolute, QStringLiteral("PrintDataInit"), args, 0b11, prefix);
}

bool RunPrintReportRow(core::Variant& dsRow, core::Variant& prn, LayoutScript& script, std::int32_t nRow) {
    core::Variant row(nRow);
    core::Variant* args[] = {&dsRow, &prn, &row};
    return runOnPage(prn, script, RowState::NextRow, QStringLiteral("PrintReportRow"), args, 0b011,
                     QStringLiteral("Errore nel codice di stampa per il (") + QString::number(nRow) +
                         QStringLiteral(") record: "));
}

bool RunPrintReportMask(core::Variant& ds, core::Variant& prn, LayoutScript& script, bool bTotal) {
    core::Variant total(bTotal);
    core::Variant* args[] = {&ds, &prn, &total};
    return runOnPage(prn, script, RowState::Absolute, QStringLiteral("PrintReportMask"), args, 0b011,
                     QStringLiteral("Errore nel codice di stampa della maschera: "));
}

bool RunPrintNoteRow(core::Variant& sNoteRow, core::Variant& ds, core::Variant& prn, LayoutScript& script,
                     std::int32_t nRow) {
    core::Variant row(nRow);
    core::Variant* args[] = {&sNoteRow, &ds, &prn, &row};
    return runOnPage(prn, script, RowState::NextRow, QStringLiteral("PrintNoteRow"), args, 0b0110,
                     QStringLiteral("Errore nel codice di stampa (") + QString::number(nRow) +
                         QStringLiteral(") riga Note: "));
}

// ---- labels

std::unique_ptr<LayoutScript> CreateLabelScript(const QString& text) { return compile(text); }

bool RunLabelScript(core::Variant& ds, core::Variant& prn, LayoutScript& script) {
    core::Variant* args[] = {&ds, &prn};
    return script.run(QStringLiteral("PrintLabel"), args, 0b11,
                      QStringLiteral("Errore nel codice di stampa etichetta: "));
}

bool RunLabelScriptCode(core::Variant& ds, core::Variant& prn, const QString& code, bool* failed) {
    auto script = compile(code);
    if (!script) {
        if (failed) *failed = true;
        return false;
    }
    const bool ok = RunLabelScript(ds, prn, *script);
    if (failed) *failed = script->failed();
    return ok;
}

// ---- default texts

QString DefaultReportMaskText() {
    return ruler() +
           lines({"' Composizione del codice per la stampa della maschera relativa al modulo.",
                  "' La procedura viene eseguita alla fine di ogni pagina: durante l'elaborazione",
                  "' delle righe la fine pagina viene rilevata ogni volta che si raggiunge",
                  "' l'ultima riga dell'area di stampa.",
                  "Function PrintReportMask(ds, prn, bTotal)",
                  "' prn.Vars([NomeVar]), prn.Nums([NomeVar]), prn.Strs([NomeVar]): variabili di stampa",
                  "' prn.VarsCount: numero di variabili; prn.ResetVars: azzera le variabili",
                  "' prn.IgnoreNextNewRow: ignora il prossimo avanzamento di riga",
                  "' prn.NewRow: avanza alla riga successiva",
                  "' prn.RowY: posizione verticale della riga corrente",
                  "' prn.CurY: posizione verticale corrente",
                  "' prn.RowDim: altezza predefinita della riga",
                  "' prn.RowDimText: altezza occupata dal testo nella riga corrente",
                  "' prn.RowDimCur: altezza della riga corrente (modificabile)",
                  "' prn.Preview: True se l'uscita non è la stampante",
                  "' prn.ReportModuleCount: numero di pagina (prima pagina = 0)",
                  "' N.B.: Le posizioni sono relative al modulo corrente",
                  "' Impostare False per annullare la stampa",
                  "PrintReportMask = True",
                  "End Function"}) +
           kCrLf;
}

QString DefaultReportRowText() {
    return ruler() +
           lines(
               {"' Composizione del codice per la stampa di una riga.",
                "Function PrintReportRow(dsRow, prn, nRow)",
                "' prn.Vars([NomeVar]), prn.Nums([NomeVar]), prn.Strs([NomeVar]): variabili di stampa",
                "' prn.VarsCount: numero di variabili; prn.ResetVars: azzera le variabili",
                "' prn.ReportModuleCount: numero di pagina (prima pagina = 0)",
                "' prn.DataReferenceName: nome identificativo dei dati in elaborazione, da considerare",
                "'    quando la scelta della fonte dati è \"< [ tutti i riferimenti ] >\"",
                "' prn.IgnoreNextNewRow = True: annulla il prossimo avanzamento di riga",
                "' prn.NextReportModule: dichiara completo il modulo corrente (stampa prima la maschera se "
                "necessario)",
                "' prn.RowEnd: passa all'ultima riga del modulo",
                "' N.B.: Le posizioni sono relative alla riga corrente nell'area riservata (vedi parametri)",
                "' prn.RowPrinting = False: coordinate assolute", "' Impostare False per annullare la stampa",
                "PrintReportRow = True", "End Function"}) +
           kCrLf;
}

QString DefaultReportDataInitText() {
    return ruler() +
           lines({"' Composizione del codice per l'inizializzazione dei dati da stampare",
                  "Function PrintDataInit(dsRow, prn)",
                  "' prn.Vars([NomeVar]), prn.Nums([NomeVar]), prn.Strs([NomeVar]): variabili di stampa",
                  "' prn.VarsCount: numero di variabili; prn.ResetVars: azzera le variabili",
                  "' dsRow.SortOrder: nomi dei campi di ordinamento, separati da virgola",
                  "' dsRow.Filter: filtro sui dati desiderati",
                  "' prn.DataReferenceName: nome identificativo dei dati in elaborazione",
                  "' Impostare False per annullare la stampa", "PrintDataInit = True", "End Function"}) +
           kCrLf;
}

QString DefaultReportNoteRowText() {
    return ruler() +
           lines(
               {"' Composizione del codice per la stampa di una nota ",
                "Function PrintNoteRow(sNoteRow, ds, prn, nRow)",
                "' prn.Vars([NomeVar]), prn.Nums([NomeVar]), prn.Strs([NomeVar]): variabili di stampa",
                "' prn.VarsCount: numero di variabili; prn.ResetVars: azzera le variabili",
                "' prn.ReportModuleCount: numero di pagina (prima pagina = 0)",
                "' N.B.: Le posizioni sono relative alla riga corrente nell'area riservata (vedi parametri)",
                "' Impostare False per annullare la stampa", "PrintNoteRow = True", "End Function"}) +
           kCrLf;
}

QString DefaultReportText(bool noteRows) {
    QString text = DefaultReportMaskText() + DefaultReportRowText() + DefaultReportDataInitText();
    if (noteRows) text += DefaultReportNoteRowText();
    return text;
}

QString DefaultLabelText() {
    QString text =
        ruler() +
        lines({"' Composizione del codice per la stampa dell'etichetta", "Function PrintLabel(ds, prn)",
               "' prn.Vars([NomeVar]), prn.Nums([NomeVar]), prn.Strs([NomeVar]): variabili di stampa",
               "' prn.VarsCount: numero di variabili; prn.ResetVars: azzera le variabili",
               "' prn.CopyCount: numero della copia corrente",
               "prn.SetFont 13, True, False, \"MS San Serif\"",
               "' prn.TxtOut 0, 0, ds.FormattedColValue(\"[NomeCampo]\")",
               "' Impostare False per annullare la stampa",
               "' Impostare prn.IgnoreLabel per ignorare l'etichetta corrente", "PrintLabel = True"});
    return text + QStringLiteral("End Function");
}

}  // namespace reports
