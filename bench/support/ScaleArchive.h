#pragma once
// The large demo archive of the benchmarks (`zelt-demodb --scale`), read from
// ZELT_SCALE_ARCHIVE (default demo-scale/ZeltOrder_DEMO under the current
// folder) and opened with the program's tables; the settings and the data
// folder go to a temporary folder. A benchmark that writes opens a copy.

#include "app/AllTableClasses.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"
#include "schema/DB.h"
#include "startup/modDatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace benchsupport {

// The large archive's file: ZELT_SCALE_ARCHIVE, or the default.
inline QString scaleArchiveFile() {
    const QString named = qEnvironmentVariable("ZELT_SCALE_ARCHIVE");
    return named.isEmpty() ? QStringLiteral("demo-scale/ZeltOrder_DEMO") : named;
}

struct ScaleArchive {
    QTemporaryDir dir;
    datalib::Engine engine;
    std::shared_ptr<datalib::Database> db;

    // False (and a message on stderr) when the archive is missing.
    bool open(bool copy, const QString& application, datalib::itfNotifyEvent* sink = nullptr) {
        const QString source = scaleArchiveFile();
        if (!QFile::exists(source)) {
            std::fprintf(stderr, "Archivio %s mancante: zelt-demodb --scale demo-scale\n",
                         qPrintable(source));
            return false;
        }
        QString file = source;
        if (copy) {
            file = dir.filePath(QStringLiteral("ZeltOrder_DEMO"));
            if (!QFile::copy(source, file)) {
                std::fprintf(stderr, "Archivio %s non copiato in %s\n", qPrintable(source), qPrintable(file));
                return false;
            }
        }
        platform::SettingsStore::setRootDir(dir.filePath(QStringLiteral("config")));
        platform::setDataDirOverride(dir.filePath(QStringLiteral("data")));
        app::registerAllTableClasses();
        engine.Open(3, file, QString(), startup::DatabasePassword());
        schema::DB definition;
        db = datalib::Application::OpenDatabase(engine, definition, application, sink);
        return true;
    }
    void close() {
        if (!db) return;
        db.reset();
        engine.Close();
        platform::setDataDirOverride(QString());
    }
    ~ScaleArchive() { close(); }
};

}  // namespace benchsupport
