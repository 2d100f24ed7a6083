#pragma once
// The layout export file shared by the report and the label editors: a ".vbs"
// text whose setting lines "'#Key=value" (comments to VBScript) come first and
// the layout's script after them. Windows-1252, setting lines ending CR LF,
// the script written as it stands with no line end added.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

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
// the file) when it cannot be read.
std::optional<LayoutExport> ReadLayoutExport(const QString& path, const QStringList& knownKeys,
                                             QString* error = nullptr);

// The value of the last setting with this key, when the file has one.
std::optional<QString> LayoutSettingValue(const LayoutExport& file, const QString& key);

// The report layout's keys, in the order they are written.
const QStringList& ReportExportKeys();

}  // namespace reports
