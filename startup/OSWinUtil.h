#pragma once
// Operating-system helpers: files, the shell, INI files, the default printer,
// month boundaries, absolute paths.

#include "core/Date.h"
#include "core/RaiseError.h"

#include <QString>

namespace startup {

// File attribute bits as the program tests them.
inline constexpr int kAttrReadOnly = 1;
inline constexpr int kAttrHidden = 2;
inline constexpr int kAttrDirectory = 16;
inline constexpr int kAttrArchive = 32;  // regular files carry it, folders do not

// True when the path exists and, with a mask, when its attributes share a bit
// with the mask. Never fails.
bool FileExists(const QString& path, int attributeMask = 0);

// Opens a file, document or link ("mailto:...", "http://...") with the
// desktop's program for it. True when the desktop accepted the request. Only
// the verb "open" is known.
bool ShellOpenDocument(const QString& target, const QString& verb = QStringLiteral("open"));

// The value of a key in an INI file (sections and keys in any case), or the
// default when the file, section or key is missing.
QString ReadIniString(const QString& iniFile, const QString& section, const QString& key,
                      const QString& defaultValue);

// The default printer's name; empty when there is none.
QString GetDefaultPrinterName();

// The first and the last day of the date's month, without time.
core::Date FirstDayOfMonth(core::Date date);
core::Date LastDayOfMonth(core::Date date);

// A path starting with "/" or "\" or with a drive ("C:") is returned as is.
// A relative path is taken from the data folder when the file is there, else
// from the installation's assets folder.
QString GetAbsolutePath(const QString& path);

// The program's own errors are raised from the engine's core.
using core::ErrorContext;
using core::kGenericErrorNumber;
using core::RaiseAppError;
using core::RaiseGenericError;

}  // namespace startup
