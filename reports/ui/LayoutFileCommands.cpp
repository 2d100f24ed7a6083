#include "reports/ui/LayoutFileCommands.h"

#include "platform/Paths.h"
#include "platform/ui/Desktop.h"

namespace reports {

namespace {

const QString kFilter = QStringLiteral("VB Script (*.vbs)");

}  // namespace

bool ExportLayoutCommand(QWidget* parent, const QString& defaultFileName,
                         const QList<LayoutSetting>& settings, const QString& script) {
    const QString path = platform::saveFileName(parent, QStringLiteral("Esporta"),
                                                platform::dataFile(defaultFileName), kFilter);
    if (path.isEmpty()) return false;
    return ExportLayoutFile(path, settings, script);
}

std::optional<LayoutExport> ImportLayoutCommand(QWidget* parent, const QString& defaultFileName,
                                                const QStringList& knownKeys) {
    const QString path = platform::openFileName(parent, QStringLiteral("Importa"),
                                                platform::dataFile(defaultFileName), kFilter);
    if (path.isEmpty()) return std::nullopt;
    return ImportLayoutFile(path, knownKeys);
}

}  // namespace reports
