#include "exchange/ArchiveFile.h"

#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"

#include <QFile>
#include <QFileInfo>

namespace exchange {

namespace {

core::AppError failure(const QString& text) { return datalib::errors::make(datalib::errors::Storage, text); }

void removeFile(const QString& file) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) QFile::remove(file + QLatin1String(suffix));
}

}  // namespace

ImportArchive::ImportArchive(const QString& file, datalib::Database& local, const QString& agentPassword) {
    if (!QFileInfo(file).isFile()) throw failure(QStringLiteral("Il file \"%1\" non esiste.").arg(file));
    if (!dir_.isValid())
        throw failure(QStringLiteral("Impossibile creare la cartella di lavoro dell'importazione."));
    const QString copy = dir_.filePath(QStringLiteral("Archivio"));
    if (!QFile::copy(file, copy))
        throw failure(QStringLiteral("Impossibile leggere il file \"%1\".").arg(file));
    QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    engine_ = std::make_unique<datalib::Engine>();
    try {
        const QString shown = QFileInfo(file).fileName();
        try {
            engine_->OpenForeign(copy, QString(), shown);
        } catch (const core::AppError& e) {
            if (datalib::errors::code(e) != datalib::errors::WrongPassword) throw;
            engine_->OpenForeign(copy, agentPassword, shown);
        }
        db_ = local.Attach(*engine_);
    } catch (const core::AppError& e) {
        db_.reset();
        engine_.reset();
        if (datalib::errors::code(e) == datalib::errors::ForeignSchema) throw;
        if (datalib::errors::code(e) == datalib::errors::WrongPassword)
            throw failure(
                QStringLiteral("L'archivio \"%1\" è protetto da una password sconosciuta.").arg(file));
        throw failure(
            QStringLiteral("Il file \"%1\" non è un archivio esportato valido o è danneggiato.").arg(file));
    }
}

ImportArchive::~ImportArchive() { Close(); }

void ImportArchive::Close() {
    if (db_) db_->Close();
    db_.reset();
    if (engine_) engine_->Close();
    engine_.reset();
}

bool ImportArchive::HasTable(const QString& table) const {
    // The tables the file did not hold were made empty when it was opened.
    return db_ && db_->TableExists(table) && db_->foundVersionOf(table) > 0;
}

std::shared_ptr<datalib::DataSource> ImportArchive::Rows(const QString& table) const {
    return db_->OpenDataSource(table);
}

bool ImportRows(datalib::Database& local, datalib::DataSource& source, datalib::DataSource& target,
                datalib::itfProgress* progress) {
    local.BeginTrans();
    try {
        const long total = source.RowCount();
        const long copied = source.CopyAllTo(target, progress);
        if (copied < total) {
            local.Rollback();
            return false;
        }
        local.CommitTrans();
        return true;
    } catch (...) {
        try {
            local.Rollback();
        } catch (...) {
        }
        throw;
    }
}

bool ExportView(datalib::DataSource& view, const QString& file, datalib::itfProgress* progress) {
    const QString temp = file + QStringLiteral(".tmp");
    removeFile(temp);
    const core::Variant at = view.Bookmark();
    bool complete = false;
    {
        datalib::Engine engine;
        engine.Create(3, temp, QString(), QString());
        try {
            engine.Open(3, temp, QString(), QString());
            auto db = view.Database()->Attach(engine);
            auto target = db->OpenDataSource(view.tableDef().name());
            const long total = view.RowCount();
            complete = view.CopyAllTo(*target, progress) >= total;
            target.reset();
            db->Close();
            engine.Close();
        } catch (...) {
            engine.Close();
            removeFile(temp);
            if (!at.isEmptyOrNull()) view.MoveToBookmark(at);
            throw;
        }
    }
    if (!at.isEmptyOrNull()) view.MoveToBookmark(at);
    if (!complete) {
        removeFile(temp);
        return false;
    }
    removeFile(file);
    if (!QFile::rename(temp, file)) {
        removeFile(temp);
        throw failure(QStringLiteral("Impossibile scrivere il file \"%1\".").arg(file));
    }
    return true;
}

}  // namespace exchange
