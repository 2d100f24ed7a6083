#pragma once
// What the layout editors' script assistant decides from the script text and
// the caret alone: which data variable the caret's procedure uses, which menu
// or dialog a word just typed opens, and the text each menu choice inserts.
// Positions are characters before the caret.

#include <QList>
#include <QString>

#include <functional>

namespace datalib {
class TableDef;
}

namespace reports {

// One run-time menu item: the text shown and the text it inserts (or the name it stands for).
struct MenuEntry {
    QString caption;
    QString tag;
    bool operator==(const MenuEntry&) const = default;
};

// The output instructions of the editors' "prn." menu, in menu order: caption
// and the text inserted.
const QList<MenuEntry>& OutputInstructionItems();
// The data instructions of the data menu; sub-headings have an empty tag. The
// report editor marks the reference item's access key, the label editor not.
QList<MenuEntry> DataInstructionItems(bool referenceAccessKey);

// The fields of a table and of the tables it is based on: "* " + description
// (the name when there is none), tag the field name.
QList<MenuEntry> FieldMenuEntries(const datalib::TableDef& table);
// Its references likewise, with the given caption prefix ("> " or "* ");
// collectionsOnly keeps the rows references (the data references of a layout).
QList<MenuEntry> ReferenceMenuEntries(const datalib::TableDef& table, const QString& prefix,
                                      bool collectionsOnly = false);

// The data variable ("ds", "dsRow" or "") for a caret in a report script:
// "" at or past the end of the text; the procedure at the caret is found by
// the procedures that follow it in the default script's order.
QString ReportScriptDataVarName(const QString& text, int caret, bool noteRows);

// The rule an editor plugs in for its own scripts (the label editor has its own).
using DataVarRule = std::function<QString(const QString& text, int caret)>;

enum class ScriptTrigger { None, OutputMenu, DataMenu, ReferenceMenu, FieldMenu, FontDialog, ColorDialog };

// What the text just typed before the caret asks for, checked in this order:
// "prn.", dataVar + "." or a reference call's `").`, "REFERENCE(", "VALUE(",
// "SETFONT " and "COLOR " (the last two only at a blank or the end after the caret).
ScriptTrigger DetectScriptTrigger(const QString& text, int caret, const QString& dataVar);

// The font arguments of SetFont: size (with "." whatever the locale), bold,
// italic, the quoted name and underline.
QString FontInsertText(double size, bool bold, bool italic, const QString& name, bool underline);
// "= &H" + the colour (red in the low byte) in hex, with the Long suffix so
// that four digits stay positive.
QString ColorInsertText(unsigned value);

// A data call at the caret, by the character before it: nothing at 0 or a
// blank gives dataVar + "." + call + "(" + "\"arg\")" + tail; after "(" only
// the argument, after "." the call without the variable.
QString DataCallInsert(const QString& text, int caret, const QString& dataVar, const QString& call,
                       const QString& arg, const QString& tail = {});

// An instruction item's text at the caret: with prefix unless the caret is at
// 0 or right after a ".".
QString InstructionInsert(const QString& text, int caret, const QString& prefix, const QString& tag);

// The If section for one data reference, and where the caret goes in it.
QString IfSectionInsert(const QString& reference, int* caretOffset = nullptr);

// The line display: "line / count" (line zero-based), empty for a negative line.
QString ScriptLineDisplay(int caretLine, int lineCount);

}  // namespace reports
