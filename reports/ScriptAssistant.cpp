#include "reports/ScriptAssistant.h"

#include "datalib/Definitions.h"

namespace reports {

namespace {

// The k characters before the caret, or nothing when there are fewer.
QString before(const QString& text, int caret, int k) {
    if (caret < k || caret > text.size()) return {};
    return text.mid(caret - k, k);
}

bool blankAfter(const QString& text, int caret) {
    return caret >= text.size() || text[caret].unicode() <= u' ';
}

QString quoted(const QString& s) { return QLatin1Char('"') + s + QLatin1Char('"'); }

}  // namespace

const QList<MenuEntry>& OutputInstructionItems() {
    static const QList<MenuEntry> items = {
        {QStringLiteral(" - Stampa Testo"),
         QStringLiteral("TxtOut nY, nX, \"testo\", nWrapLen, bMantainOriginalWrap")},
        {QStringLiteral(" - Stampa Testo a Destra"), QStringLiteral("TxtOutR nY, nEndX, \"testo\"")},
        {QStringLiteral(" - Stampa Testo Verticale"),
         QStringLiteral("TxtOutV nY, nX, \"testo\", bDownToUp, bBaseToLastChar")},
        {QStringLiteral(" - Stampa Riquadro"), QStringLiteral("BoxOut nY, nX, nDimY, nDimX, bFill")},
        {QStringLiteral(" - Stampa Cerchio"), QStringLiteral("CircleOut nY, nX, nRadius, bFill")},
        {QStringLiteral(" - Stampa Linea"), QStringLiteral("LineOut nY, nX, nToY, nToX")},
        {QStringLiteral(" - Stampa Immagine"),
         QStringLiteral("ImageOut sFile, nY, nX, nDimY, nDimX, bStretch")},
        {QStringLiteral(" - Stampa Barcode 128b"), QStringLiteral("Barcode128bOut nY, nX, 10, 0.25, sCode")},
        {QStringLiteral(" - Imposta Font"), QStringLiteral("SetFont ")},
        {QStringLiteral(" - Imposta Color"), QStringLiteral("Color ")},
        {QStringLiteral(" - Stampa oggetto Esterno"),
         QStringLiteral("PrintObject sClassProgrID, \"file=\" & sFile, \"PrintMethod\"")},
        {QStringLiteral(" - Stampa Internet Browser"),
         QStringLiteral("PrintObject \"Shell.Explorer\", \"navigate \" & sFile, \"ExecWB 6, 1\"")},
    };
    return items;
}

QList<MenuEntry> DataInstructionItems(bool referenceAccessKey) {
    return {
        {QStringLiteral(" * Contenuto Campo ()"), QStringLiteral("ColValue(")},
        {QStringLiteral(" * Contenuto Campo Formattato ()"), QStringLiteral("FormattedColValue(")},
        {referenceAccessKey ? QStringLiteral(" > Dati &Referenziati ()")
                            : QStringLiteral(" > Dati Referenziati ()"),
         QStringLiteral("GetReference(")},
        {QStringLiteral("Posizionamento record:"), QString()},
        {QStringLiteral("   Record Successivo"), QStringLiteral("RowNext")},
        {QStringLiteral("   Record Precedente"), QStringLiteral("RowPrevious")},
        {QStringLiteral("   Record Primo"), QStringLiteral("RowFirst")},
        {QStringLiteral("   Record Ultimo"), QStringLiteral("RowLast")},
        {QStringLiteral("Informazioni sui dati:"), QString()},
        {QStringLiteral(" = Test Dati Vuoti"), QStringLiteral("DataEmpty")},
        {QString::fromUtf8(" = Test Validità Record Corrente"), QStringLiteral("RowInvalid")},
        {QStringLiteral(" = Numero Record"), QStringLiteral("RowCount(True)")},
    };
}

QList<MenuEntry> FieldMenuEntries(const datalib::TableDef& table) {
    QList<MenuEntry> entries;
    for (const datalib::TableDef* t = &table; t; t = t->base)
        for (int i = 0; i < t->columns.Count(); ++i) {
            const datalib::ColumnDef& c = t->columns.Item(i);
            entries.append(
                {QStringLiteral("* ") + (c.description.isEmpty() ? c.name : c.description), c.name});
        }
    return entries;
}

QList<MenuEntry> ReferenceMenuEntries(const datalib::TableDef& table, const QString& prefix,
                                      bool collectionsOnly) {
    QList<MenuEntry> entries;
    for (const datalib::TableDef* t = &table; t; t = t->base)
        for (int i = 0; i < t->references.Count(); ++i) {
            const datalib::ReferenceDef& r = t->references.Item(i);
            if (!collectionsOnly || r.collection)
                entries.append({prefix + (r.description.isEmpty() ? r.name : r.description), r.name});
        }
    return entries;
}

QString ReportScriptDataVarName(const QString& text, int caret, bool noteRows) {
    if (caret < 0 || caret >= text.size()) return {};
    const QStringView rest = QStringView(text).mid(caret + 1);
    if (rest.contains(QLatin1String("Function PrintReportRow"))) return QStringLiteral("ds");
    if (rest.contains(QLatin1String("Function PrintNoteRow"))) return QStringLiteral("dsRow");
    return noteRows ? QStringLiteral("ds") : QStringLiteral("dsRow");
}

ScriptTrigger DetectScriptTrigger(const QString& text, int caret, const QString& dataVar) {
    if (before(text, caret, 4).toUpper() == QLatin1String("PRN.")) return ScriptTrigger::OutputMenu;
    const int vn = int(dataVar.size()) + 1;
    if ((caret >= vn && before(text, caret, vn).toUpper() == dataVar.toUpper() + QLatin1Char('.')) ||
        before(text, caret, 3) == QLatin1String("\")."))
        return ScriptTrigger::DataMenu;
    if (before(text, caret, 10).toUpper() == QLatin1String("REFERENCE(")) return ScriptTrigger::ReferenceMenu;
    if (before(text, caret, 6).toUpper() == QLatin1String("VALUE(")) return ScriptTrigger::FieldMenu;
    if (before(text, caret, 8).toUpper() == QLatin1String("SETFONT ") && blankAfter(text, caret))
        return ScriptTrigger::FontDialog;
    if (before(text, caret, 6).toUpper() == QLatin1String("COLOR ") && blankAfter(text, caret))
        return ScriptTrigger::ColorDialog;
    return ScriptTrigger::None;
}

QString FontInsertText(double size, bool bold, bool italic, const QString& name, bool underline) {
    const auto b = [](bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); };
    return QString::number(float(size), 'g', 7) + QStringLiteral(", ") + b(bold) + QStringLiteral(", ") +
           b(italic) + QStringLiteral(", ") + quoted(name) + QStringLiteral(", ") + b(underline);
}

QString ColorInsertText(unsigned value) {
    return QStringLiteral("= &H") + QString::number(value, 16).toUpper() + QLatin1Char('&');
}

QString DataCallInsert(const QString& text, int caret, const QString& dataVar, const QString& call,
                       const QString& arg, const QString& tail) {
    const QString q = quoted(arg) + QLatin1Char(')') + tail;
    const QChar prev = caret > 0 && caret <= text.size() ? text[caret - 1] : QChar();
    if (prev == QLatin1Char('(')) return q;
    if (prev == QLatin1Char('.')) return call + QLatin1Char('(') + q;
    return dataVar + QLatin1Char('.') + call + QLatin1Char('(') + q;
}

QString InstructionInsert(const QString& text, int caret, const QString& prefix, const QString& tag) {
    if (caret <= 0 || (caret <= text.size() && text[caret - 1] == QLatin1Char('.'))) return tag;
    return prefix + tag;
}

QString IfSectionInsert(const QString& reference, int* caretOffset) {
    const QString head =
        QStringLiteral("\r\nIf prn.DataReferenceName=") + quoted(reference) + QStringLiteral(" Then\r\n  ");
    if (caretOffset) *caretOffset = int(head.size());
    return head + QStringLiteral("\r\nEnd If\r\n");
}

QString ScriptLineDisplay(int caretLine, int lineCount) {
    if (caretLine < 0) return {};
    return QString::number(caretLine + 1) + QStringLiteral(" / ") + QString::number(lineCount);
}

}  // namespace reports
