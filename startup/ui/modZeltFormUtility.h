#pragma once
// Small services every window uses: the common font, the remembered window
// placement, typing help for date boxes, writing pending edits of bound
// controls back to their data, and adding entries to a menu array.

#include <QString>

#include <memory>

namespace datalib {
class DataSet;
class DataSource;
}  // namespace datalib

class QAction;
class QLineEdit;
class QMenu;
class QWidget;

namespace startup {

// ---- Twips ----------------------------------------------------------------
// Placements and dialog positions are kept in twips: 1440 per inch, so 15 per
// pixel on a 96 DPI screen.
int TwipsPerPixel(const QWidget* window = nullptr);
double PixelsToTwips(int pixels, const QWidget* window = nullptr);
int TwipsToPixels(double twips, const QWidget* window = nullptr);

// ---- Common font ------------------------------------------------------------
// Applies the font name (when not empty) and adds the size change (when not 0)
// to the window and to every control that carries a font of its own. Controls
// in a fixed-pitch ("Courier") or symbol ("Webdings") font keep their family.
// Controls that expose a "FontNames" / "FontSizeSpin" property (data panels,
// the quick search) get the values through them instead.
void SetFormFont(QWidget* window, const QString& fontName, double sizeDelta);

// ---- Window placement --------------------------------------------------------
// Section "Settings" followed by the window's object name, keys "State",
// "Left", "Top", "Width", "Height" (twips) under the application "Zelt Order".
QString FormSettingsSection(const QWidget* window);
// Writes "State" (0 normal, 1 minimised, 2 maximised); in the normal state also
// the position and size. A minimised or maximised window keeps the last normal
// placement.
void SaveFormSettings(QWidget* window);
// Restores position and size (a window that never stored any is centred on its
// screen and keeps its size) and, unless skipState, the state. What is stored
// is brought onto an available screen first (platform::PlacementOnScreen).
void LoadFormSettings(QWidget* window, bool skipState = false);
// True once a placement was stored for the window.
bool HasFormSettings(const QWidget* window);

// Window state as stored: 0 normal, 1 minimised, 2 maximised.
int FormStateOf(const QWidget* window);

// ---- Date boxes ----------------------------------------------------------------
// Kind of box for FormatDateInput: a time-only box; any other value is a date
// with an optional time.
inline constexpr int kTimeOnlyInput = 18;

// Called on every change of a date box's text: appends "/" after the day and
// the month, "." after hours and minutes, drops a separator typed right after
// an automatic one, and a blank after a whole date. Deleting or editing inside
// the text never inserts anything.
void FormatDateInput(QLineEdit* box, int kind);
// Forgets the remembered text (shared by all date boxes).
void ResetDateInput();

// ---- Fields locked by the access level ----------------------------------------------
// A text box the signed-in operator may not change: read-only, drawn on the
// window's colour like a disabled box (its text can still be selected and
// copied), with a tooltip that says why. Unlocked, it looks as before.
void ShowLocked(QLineEdit* box, bool locked);

// ---- Bound controls --------------------------------------------------------------
// Writes pending edits of the window's data-bound controls to their data:
// controls with an invokable CommitEditingDataControls() (data panels) run it;
// controls with a non-empty "DataField" property that are the focus widget or
// have "DataChanged" set run their invokable CommitData() and then have
// "DataChanged" cleared. False when a panel holds a text that does not
// convert (its warning shown, the field focused, the text kept): the caller
// stops.
bool CommitEditingControls(QWidget* window);

// ---- Data sets and look-up lists ----------------------------------------------
// The table's data set of the open database. The library's own error reaches
// the caller for a table that is not defined; without an open database the
// program's generic error is raised.
std::shared_ptr<datalib::DataSet> GetDataSet(const QString& table);

// Most entries a look-up list shows; a further " ... " entry marks a cut list.
inline constexpr int kLookupListMax = 15;

// Adds to a list (a QListWidget or a QComboBox; it is never emptied here) the
// codes of the table that begin with the typed text, each as "code - description"
// (or the code alone without a description column); with nothing found and
// at least 4 characters typed, the codes that contain the text. The table's
// own filter and the extra filter always apply. The typed text is a value
// of the condition, never part of the query's text. True when rows were found.
bool FillLookupList(const QString& table, const QString& codeColumn, const QString& typed, QWidget* list,
                    const QString& descColumn = QString(), const QString& extraFilter = QString());

// The code of a look-up entry: the text before the first " - ", or the whole entry.
QString GetLookupCode(const QString& entry);

// ---- HTML export -------------------------------------------------------------------
// Name of the file the export writes in the data folder.
inline constexpr const char* kTableDataFile = "TableData.htm";

// Writes the rows of the data source as an HTML table to "TableData.htm" in
// the data folder, with progress and stop in the message window over the
// parent, and opens it in the browser. First offers to change the columns
// and their order (fields: names separated by ",", updated in place; empty
// means all). A stop ends it quietly; a failure is shown, and so is a page
// that no program of the desktop opened (with the file's path). False when
// the operator was told that the data could not be shown.
bool ExportBrowserToHtml(datalib::DataSource* data, QWidget* parent, QString& fields);

// ---- Menu arrays -------------------------------------------------------------------
// Appends an entry to a menu used as an array: its caption, the tag as the
// action's data, its index (the number of entries before it) as the "Index"
// property; enabled exactly when the tag is not empty.
QAction* AddMenuArrayItem(QMenu* menu, const QString& caption, const QString& tag);

}  // namespace startup
