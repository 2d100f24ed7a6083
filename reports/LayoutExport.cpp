#include "reports/LayoutExport.h"

#include "core/Cp1252.h"
#include "platform/Paths.h"

#include <QFile>

namespace reports {

QByteArray LayoutExportBytes(const QList<LayoutSetting>& settings, const QString& script) {
    QString text;
    for (const auto& [key, value] : settings)
        text += QStringLiteral("'#") + key + QLatin1Char('=') + value + QStringLiteral("\r\n");
    text += script;
    return core::cp1252::encode(text);
}

bool WriteLayoutExport(const QString& path, const QList<LayoutSetting>& settings, const QString& script,
                       QString* error) {
    return platform::writeFileAtomically(path, LayoutExportBytes(settings, script), error);
}

LayoutExport ParseLayoutExport(const QString& text, const QStringList& knownKeys) {
    LayoutExport file;
    const qsizetype n = text.size();
    qsizetype start = 0;
    while (start < n) {
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
            ++end;
        const QString line = text.mid(start, end - start);
        start = end + 1;  // past CR or LF
        if (end + 1 < n && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n'))
            ++start;

        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1String("'#")) && eq >= 2) {
            const QString key = line.mid(2, eq - 2);
            if (knownKeys.contains(key))
                file.settings.append({key, line.mid(eq + 1)});
            continue;
        }
        file.script += line + QStringLiteral("\r\n");
    }
    return file;
}

std::optional<LayoutExport> ReadLayoutExport(const QString& path, const QStringList& knownKeys, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("Impossibile leggere il file %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Impossibile leggere il file %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    return ParseLayoutExport(core::cp1252::decode(bytes), knownKeys);
}

std::optional<QString> LayoutSettingValue(const LayoutExport& file, const QString& key) {
    for (auto it = file.settings.crbegin(); it != file.settings.crend(); ++it)
        if (it->first == key)
            return it->second;
    return std::nullopt;
}

const QStringList& ReportExportKeys() {
    static const QStringList keys{
        QStringLiteral("ReportName"),       QStringLiteral("ReportGroup"),      QStringLiteral("BackImageFile"),
        QStringLiteral("BottomImageBorder"), QStringLiteral("Columns"),         QStringLiteral("ReportHeight"),
        QStringLiteral("ReportWidth"),      QStringLiteral("ReportTop"),        QStringLiteral("ReportLeft"),
        QStringLiteral("ReportRowsDim"),    QStringLiteral("ReportRowsTop"),    QStringLiteral("ReportRowsBottom"),
        QStringLiteral("HorizontalOrientation")};
    return keys;
}

}  // namespace reports
