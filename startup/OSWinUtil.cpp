#include "startup/OSWinUtil.h"

#include "core/Cp1252.h"
#include "core/ItalianText.h"
#include "core/Object.h"
#include "core/Variant.h"
#include "platform/Paths.h"
#include "platform/Shell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace startup {

bool FileExists(const QString& path, int attributeMask) {
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.exists()) return false;
    if ((attributeMask & 0xFF) == 0) return true;
    int attributes = info.isDir() ? kAttrDirectory : kAttrArchive;
    if (!info.isWritable()) attributes |= kAttrReadOnly;
    if (info.isHidden()) attributes |= kAttrHidden;
    return (attributes & attributeMask & 0xFF) != 0;
}

bool ShellOpenDocument(const QString& target, const QString& verb) {
    if (verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0) return false;
    return platform::openDocument(target);
}

namespace {

// INI files may come from Windows (ANSI) or from here (UTF-8).
QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError()) return text;
    return core::cp1252::decode(bytes);
}

QString unquoted(QString value) {
    value = value.trimmed();
    if (value.size() >= 2 && ((value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"'))) ||
                              (value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))))
        return value.mid(1, value.size() - 2);
    return value;
}

}  // namespace

QString ReadIniString(const QString& iniFile, const QString& section, const QString& key,
                      const QString& defaultValue) {
    QFile file(iniFile);
    if (!file.open(QIODevice::ReadOnly)) return defaultValue;
    QString text = decodeText(file.readAll());
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    bool inSection = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            const qsizetype close = line.indexOf(QLatin1Char(']'));
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inSection = name.compare(section.trimmed(), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        if (line.left(eq).trimmed().compare(key.trimmed(), Qt::CaseInsensitive) == 0)
            return unquoted(line.mid(eq + 1));
    }
    return defaultValue;
}

QString GetDefaultPrinterName() { return platform::defaultPrinterName(); }

core::Date FirstDayOfMonth(core::Date date) {
    const core::Date::Parts p = date.parts();
    return core::Date::fromParts(p.year, p.month, 1);
}

core::Date LastDayOfMonth(core::Date date) {
    const core::Date::Parts p = date.parts();
    // Day 0 of the next month is the last day of this one.
    return core::Date::fromParts(p.year, p.month + 1, 0);
}

QString GetAbsolutePath(const QString& path) {
    if (path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1Char('\\')) ||
        (path.size() >= 2 && path.at(1) == QLatin1Char(':')))
        return path;
    const QString inData = QDir(platform::dataDir()).filePath(path);
    if (QFileInfo::exists(inData)) return inData;
    return QDir(platform::assetsDir()).filePath(path);
}

}  // namespace startup
