#pragma once
// Small helpers used all over the program: the reversible scrambling of stored
// passwords, the lenient reading of a flag text, file paths of the work folder
// and of the agent's database and archive.

#include <QString>

namespace core {
class Variant;
}

namespace startup {

// Scrambles (unscramble false) or unscrambles a text. Works on the text's
// Windows-1252 bytes, so the result of a scramble may hold any byte as a
// character; the result has the text's length. A text that is empty or
// blanks only gives an empty text.
QString ScrambleString(const QString& text, bool unscramble);

// "FALSE", "FALSO", "NO" and "0", blanks trimmed and in any case, are false;
// anything else, the empty text included, is true.
bool StrToBoolean(const QString& value);
// The value's text as above; Null and Empty are true, as the empty text.
bool StrToBoolean(const core::Variant& value);

// The file name with its extension replaced by ext (when ext is given), behind
// the directory (when given) and a separator unless the directory ends in one.
QString BuildFilePath(const QString& dir, const QString& fileName, const QString& ext);

// The beginnings of the names of the agents' databases and of their order
// archives at head office, and the program's password file in the data
// folder.
inline constexpr QLatin1String kDatabaseFilePrefix("ZeltOrder_");
inline constexpr QLatin1String kAgentArchivePrefix("OrdiniAgente_");
inline constexpr QLatin1String kPasswordFileName("prtct1.sys");

// "ZeltOrder_" and the agent code (the configured one when agent is empty);
// unless nameOnly, the path of that file in the work folder.
QString GetDatabaseFileName(const QString& agent = QString(), bool nameOnly = false);

// "OrdiniAgente_" and the agent code; unless nameOnly, that name behind the
// head-office folder of the agents' archives (the database parameter
// IndirizzarioDBAgenti, passed by the caller). An empty folder raises the
// generic error with context "Archivi".
QString GetAgentArchivePath(const QString& agent, bool nameOnly, const QString& archivesAddress = QString());

// True while the agent's database is open: engine and Database are set and
// the Database reports the open state (5).
bool IsDatabaseOpen();

}  // namespace startup
