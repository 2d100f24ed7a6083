#pragma once
// The export and import commands of the layout editors: the file dialog
// (filter "VB Script|*.vbs", the editor's default file in the per-user data
// folder), then the layout export file. A cancelled dialog ends the command
// silently.

#include "reports/LayoutExport.h"

#include <optional>

class QWidget;

namespace reports {

// True when the file was written.
bool ExportLayoutCommand(QWidget* parent, const QString& defaultFileName,
                         const QList<LayoutSetting>& settings, const QString& script);

// The file read whole, or nothing (cancelled, or its failure shown).
std::optional<LayoutExport> ImportLayoutCommand(QWidget* parent, const QString& defaultFileName,
                                                const QStringList& knownKeys);

}  // namespace reports
