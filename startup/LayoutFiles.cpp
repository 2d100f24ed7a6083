#include "startup/LayoutFiles.h"

#include "core/LanguageErrors.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "startup/Common.h"

#include <QDir>

namespace startup {

platform::ReadFence layoutReadFence() {
    platform::ReadFence fence;
    const QDir data(platform::dataDir());
    fence.folders = {platform::SettingsStore::rootDir(), data.filePath(platform::kExchangeWorkFolders),
                     data.filePath(platform::kImportWorkFolders)};
    fence.files = {platform::dataFile(kPasswordFileName), GetDatabaseFileName()};
    // The agent databases and the agents' order archives by their names, any
    // other copy by what it holds.
    fence.namePrefixes = {kDatabaseFilePrefix, kAgentArchivePrefix};
    fence.refuseDatabases = true;
    return fence;
}

platform::ReadResult readLayoutFile(const QString& path) {
    const platform::ReadFence fence = layoutReadFence();
    return platform::readRegularFile(path, platform::kMaxReadFileBytes, &fence);
}

long layoutReadError(platform::ReadRefusal refusal) {
    switch (refusal) {
        case platform::ReadRefusal::Missing:
            return core::kErrFileNotFound;
        case platform::ReadRefusal::Reserved:
            return core::kErrPermissionDenied;
        case platform::ReadRefusal::NotRegular:
        case platform::ReadRefusal::TooLarge:
            break;
    }
    return core::kErrFileAccess;
}

}  // namespace startup
