// zelt-demodb: writes the archive of the demo agent "DEMO" (workstation 1),
// the file "ZeltOrder_DEMO", into a folder.
//
//   zelt-demodb [--scale | --size N] [--seed N] [--force] [FOLDER]
//
// FOLDER defaults to the configured work folder (RootDir). --size N builds an
// archive of N articles and N customers for performance checks; --scale is
// --size 100000. An existing archive is left alone unless --force is given.

#include "DemoArchive.h"

#include "core/AppError.h"
#include "platform/Paths.h"
#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    demodb::DemoOptions options;
    bool force = false;
    QString folder;
    const QStringList args = application.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--scale")) {
            options.size = 100000;
        } else if (a == QLatin1String("--size") && i + 1 < args.size()) {
            bool ok = false;
            options.size = args[++i].toLong(&ok);
            if (!ok || options.size < 1 || options.size > 10000000) {
                err << "--size: indicare un numero di articoli e clienti da 1 a 10000000\n";
                return 2;
            }
        } else if (a == QLatin1String("--force")) {
            force = true;
        } else if (a == QLatin1String("--seed") && i + 1 < args.size()) {
            options.seed = args[++i].toUInt();
        } else if (!a.startsWith(QLatin1String("--")) && folder.isEmpty()) {
            folder = a;
        } else {
            err << "Uso: zelt-demodb [--scale | --size N] [--seed N] [--force] [CARTELLA]\n";
            return 2;
        }
    }
    const QString& app = platform::appName();
    if (folder.isEmpty())
        folder = platform::SettingsStore::get(app, QStringLiteral("Configuration"), QStringLiteral("RootDir"),
                                              platform::dataDir());
    if (!QDir().mkpath(folder)) {
        err << "Impossibile creare la cartella " << folder << "\n";
        return 1;
    }

    const QString file = QDir(folder).filePath(QStringLiteral("ZeltOrder_%1").arg(demodb::kDemoAgent));
    if (QFileInfo::exists(file) && !force) {
        out << "L'archivio dimostrativo " << file << " esiste già (--force per ricrearlo).\n";
        return 0;
    }

    // Built under a temporary name and put in place only when complete.
    options.file = file + QStringLiteral(".tmp");
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(options.file + suffix);

    QElapsedTimer timer;
    timer.start();
    try {
        const demodb::DemoSummary s =
            demodb::BuildDemoArchive(options, [&](const QString& line) { out << line << "\n"
                                                                             << Qt::flush; });
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(file + suffix);
        if (!QFile::rename(options.file, file)) {
            err << "Impossibile rinominare " << options.file << " in " << file << "\n";
            return 1;
        }
        out << "Archivio " << file << " creato in " << QString::number(timer.elapsed() / 1000.0, 'f', 1)
            << " s: " << s.articles << " articoli, " << s.prices << " prezzi, " << s.customers << " clienti, "
            << s.sites << " sedi, " << s.orders << " ordini con " << s.orderRows << " righe; "
            << QFileInfo(file).size() / 1024 << " KB.\n";
    } catch (const core::AppError& e) {
        err << "Creazione dell'archivio non riuscita: "
            << QString(e.description()).replace(QLatin1Char('\r'), QLatin1Char('\n')) << "\n";
        for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(options.file + suffix);
        return 1;
    }
    return 0;
}
