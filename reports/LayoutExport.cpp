#include "reports/LayoutExport.h"

#include "core/Cp1252.h"
#include "core/Prompt.h"
#include "platform/Paths.h"
#include "platform/SafeFile.h"
#include "startup/Common.h"

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
        while (end < n && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n')) ++end;
        const QString line = text.mid(start, end - start);
        start = end + 1;  // past CR or LF
        if (end + 1 < n && text[end] == QLatin1Char('\r') && text[end + 1] == QLatin1Char('\n')) ++start;

        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (line.startsWith(QLatin1String("'#")) && eq >= 2) {
            const QString key = line.mid(2, eq - 2);
            if (knownKeys.contains(key)) file.settings.append({key, line.mid(eq + 1)});
            continue;
        }
        file.script += line + QStringLiteral("\r\n");
    }
    return file;
}

std::optional<LayoutExport> ReadLayoutExport(const QString& path, const QStringList& knownKeys,
                                             QString* error) {
    // As every file the program reads for a layout: a regular file of a
    // bounded size, so that a FIFO, a device or a huge file is refused at once.
    const platform::ReadResult read = platform::readRegularFile(path);
    if (!read.data) {
        if (error) *error = read.reason(path);
        return std::nullopt;
    }
    return ParseLayoutExport(core::cp1252::decode(*read.data), knownKeys);
}

bool ExportLayoutFile(const QString& path, const QList<LayoutSetting>& settings, const QString& script) {
    if (QFile::exists(path) &&
        core::messageBox(QStringLiteral("Il file esiste già...\r\rVuoi sostituirlo ?"),
                         core::kYesNo | core::kExclamation | core::kDefaultButton2) != core::kAnswerYes)
        return false;
    QString error;
    if (WriteLayoutExport(path, settings, script, &error)) return true;
    core::messageBox(error, core::kOkOnly);
    return false;
}

std::optional<LayoutExport> ImportLayoutFile(const QString& path, const QStringList& knownKeys) {
    QString error;
    auto file = ReadLayoutExport(path, knownKeys, &error);
    if (!file) core::messageBox(error, core::kOkOnly);
    return file;
}

std::optional<QString> LayoutSettingValue(const LayoutExport& file, const QString& key) {
    for (auto it = file.settings.crbegin(); it != file.settings.crend(); ++it)
        if (it->first == key) return it->second;
    return std::nullopt;
}

const QStringList& ReportExportKeys() {
    static const QStringList keys{QStringLiteral("ReportName"),
                                  QStringLiteral("ReportGroup"),
                                  QStringLiteral("BackImageFile"),
                                  QStringLiteral("BottomImageBorder"),
                                  QStringLiteral("Columns"),
                                  QStringLiteral("ReportHeight"),
                                  QStringLiteral("ReportWidth"),
                                  QStringLiteral("ReportTop"),
                                  QStringLiteral("ReportLeft"),
                                  QStringLiteral("ReportRowsDim"),
                                  QStringLiteral("ReportRowsTop"),
                                  QStringLiteral("ReportRowsBottom"),
                                  QStringLiteral("HorizontalOrientation")};
    return keys;
}

QList<LayoutSetting> ReportExportSettings(const ReportLayoutBoxes& b) {
    const QStringList& k = ReportExportKeys();
    return {{k[0], b.name},
            {k[1], b.group},
            {k[2], b.backImage},
            {k[3], b.bottomImageBorder},
            {k[4], b.columns},
            {k[5], b.height},
            {k[6], b.width},
            {k[7], b.top},
            {k[8], b.left},
            {k[9], b.rowsDim},
            {k[10], b.rowsTop},
            {k[11], b.rowsBottom},
            {k[12], b.horizontal ? QStringLiteral("1") : QStringLiteral("0")}};
}

void ApplyReportImport(const LayoutExport& file, ReportLayoutBoxes& b,
                       const std::function<void(int position)>& selectGroupAt,
                       const std::function<void(const QString& name)>& selectGroupNamed) {
    QString* const sizes[] = {&b.bottomImageBorder, &b.columns, &b.height,    &b.width, &b.top, &b.left,
                              &b.rowsDim,           &b.rowsTop, &b.rowsBottom};
    const QStringList& k = ReportExportKeys();
    for (const auto& [key, value] : file.settings) {
        const qsizetype i = k.indexOf(key);
        if (i == 0) {
            if (b.name.isEmpty()) b.name = value;
        } else if (i == 1) {
            bool numeric = false;
            const int position = value.trimmed().toInt(&numeric);
            if (numeric) {
                if (selectGroupAt) selectGroupAt(position);
            } else if (selectGroupNamed) {
                selectGroupNamed(value);
            }
        } else if (i == 2) {
            QString trimmed = value;
            while (!trimmed.isEmpty() && trimmed.back() == QLatin1Char(' ')) trimmed.chop(1);
            if (!trimmed.isEmpty() && b.backImage.isEmpty()) b.backImage = value;
        } else if (i >= 3 && i <= 11) {
            *sizes[i - 3] = value;
        } else if (i == 12) {
            b.horizontal = startup::StrToBoolean(value);
        }
    }
}

}  // namespace reports
