#pragma once
// The layout export file shared by the report and the label editors: a ".vbs"
// text whose setting lines "'#Key=value" (comments to VBScript) come first and
// the layout's script after them. Windows-1252, setting lines ending CR LF,
// the script written as it stands with no line end added.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace reports {

using LayoutSetting = QPair<QString, QString>;  // key, value as the box shows it

struct LayoutExport {
    QList<LayoutSetting> settings;  // the known settings, in file order
    QString script;                 // every other line, each followed by CR LF
};

// The file's bytes: each setting line, then the script.
QByteArray LayoutExportBytes(const QList<LayoutSetting>& settings, const QString& script);

// Writes the whole file at once; on failure the old file stays and *error
// holds an Italian description.
bool WriteLayoutExport(const QString& path, const QList<LayoutSetting>& settings, const QString& script,
                       QString* error = nullptr);

// Splits an export text. A line ends at CR LF, CR or LF. A line starting with
// "'#" that holds "=" is a setting: key up to the first "=", value after it,
// both as they stand, keys matched exactly; settings whose key is not in
// knownKeys are dropped. Settings count anywhere in the text.
LayoutExport ParseLayoutExport(const QString& text, const QStringList& knownKeys);

// Reads the whole file before anything is parsed; nothing (and *error names
// the file and why) when it cannot be read, is not a regular file (a FIFO, a
// device, a folder) or weighs more than platform::kMaxReadFileBytes.
std::optional<LayoutExport> ReadLayoutExport(const QString& path, const QStringList& knownKeys,
                                             QString* error = nullptr);

// The export command after its save dialog: an existing file is replaced only
// when the user says Yes ("Vuoi sostituirlo ?", No by default); a failure is
// shown in a plain box. True when the file was written.
bool ExportLayoutFile(const QString& path, const QList<LayoutSetting>& settings, const QString& script);

// The import command after its open dialog: the file read whole, or its
// failure shown in a plain box and nothing.
std::optional<LayoutExport> ImportLayoutFile(const QString& path, const QStringList& knownKeys);

// The value of the last setting with this key, when the file has one.
std::optional<QString> LayoutSettingValue(const LayoutExport& file, const QString& key);

// The report layout's keys, in the order they are written.
const QStringList& ReportExportKeys();

// The report editor's boxes as they show their values (numbers as typed).
struct ReportLayoutBoxes {
    QString name, group, backImage, bottomImageBorder, columns, height, width, top, left, rowsDim, rowsTop,
        rowsBottom;
    bool horizontal = false;
};

// The export file's settings of a report layout, in order.
QList<LayoutSetting> ReportExportSettings(const ReportLayoutBoxes& boxes);

// Applies the settings of an imported file in file order: the name only into
// an empty name box, the background image only into an empty box and only
// when the value is not blank, the sizes as they stand, the orientation by
// StrToBoolean. A numeric group is a position in the group list (0 = the
// empty entry), any other group value a group name; the window selects it.
void ApplyReportImport(const LayoutExport& file, ReportLayoutBoxes& boxes,
                       const std::function<void(int position)>& selectGroupAt,
                       const std::function<void(const QString& name)>& selectGroupNamed);

}  // namespace reports
