#include "startup/Common.h"

#include "core/Cp1252.h"
#include "core/Variant.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"

namespace startup {

QString ScrambleString(const QString& text, bool unscramble) {
    if (text.trimmed().isEmpty()) return QString();
    const QByteArray in = core::cp1252::encode(text);
    QByteArray out(in.size(), Qt::Uninitialized);
    const bool odd = (in.size() % 2) != 0;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const unsigned c = static_cast<unsigned char>(in[i]);
        const bool oddPosition = (i % 2) == 0;  // positions count from 1
        unsigned r;
        if (!unscramble) {
            // Rotate right by one bit; on odd lengths flip the top bit at odd positions.
            r = (c >> 1) | ((c & 1u) << 7);
            if (odd && oddPosition) r ^= 0x80u;
        } else {
            unsigned top = c >> 7;
            if (odd && oddPosition) top ^= 1u;
            r = ((c & 0x7Fu) << 1) | top;
        }
        out[i] = static_cast<char>(r);
    }
    return core::cp1252::decode(out);
}

bool StrToBoolean(const QString& value) {
    const QString v = value.trimmed().toUpper();
    return !(v == QLatin1String("FALSE") || v == QLatin1String("FALSO") || v == QLatin1String("NO") ||
             v == QLatin1String("0"));
}

bool StrToBoolean(const core::Variant& value) {
    if (value.isEmptyOrNull()) return true;
    if (value.isObject() || value.isArray()) return true;
    return StrToBoolean(value.toString());
}

QString BuildFilePath(const QString& dir, const QString& fileName, const QString& ext) {
    QString path = fileName;
    if (!ext.isEmpty()) {
        const qsizetype dot = path.indexOf(QLatin1Char('.'));
        if (dot >= 0) path.truncate(dot);
        path += QLatin1Char('.') + ext;
    }
    if (!dir.isEmpty()) {
        if (!dir.endsWith(QLatin1Char('\\')) && !dir.endsWith(QLatin1Char('/')))
            path.prepend(QLatin1Char('/'));
        path.prepend(dir);
    }
    return path;
}

QString GetDatabaseFileName(const QString& agent, bool nameOnly) {
    const QString name = kDatabaseFilePrefix + (agent.isEmpty() ? runContext().codeAgente : agent);
    if (nameOnly) return name;
    return BuildFilePath(runContext().rootDir, name, QString());
}

QString GetAgentArchivePath(const QString& agent, bool nameOnly, const QString& archivesAddress) {
    const QString name = kAgentArchivePrefix + agent;
    if (nameOnly) return name;
    if (archivesAddress.isEmpty())
        RaiseGenericError(QStringLiteral("Archivi"),
                          QStringLiteral("L'indirizzo di destinazione per gli archivi deli "
                                         "agenti non è stato configurato"));
    return BuildFilePath(archivesAddress, name, QString());
}

bool IsDatabaseOpen() {
    const RunContext& g = runContext();
    if (!g.engine || !g.database) return false;
    return g.database->State() == datalib::Database::StateOpen;
}

}  // namespace startup
