#include "datalib/Engine.h"
#include "platform/PrivateFiles.h"

#include "datalib/Connection.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/ForeignSchema.h"
#include "datalib/Interfaces.h"
#include "datalib/Salvage.h"
#include "datalib/query/QueryTranslator.h"

#include <sqlite3.h>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace datalib {

namespace {

// What Create writes: the password's hash over 2000 rounds with a salt of
// 16 bytes. A file asking for more (a count or a salt of its own making) is
// refused before any hashing: 2147483647 rounds would take about an hour.
constexpr int kHashRounds = 2000;
constexpr int kSaltBytes = 16;
constexpr int kMaxHashRounds = 20000;
constexpr int kHashBytes = 32;

QByteArray passwordHash(const QByteArray& salt, const QString& password, int rounds) {
    QByteArray h = salt + password.toUtf8();
    for (int i = 0; i < rounds; ++i) h = QCryptographicHash::hash(salt + h, QCryptographicHash::Sha256);
    return h;
}

void removeWithCompanions(const QString& file) {
    QFile::remove(file);
    QFile::remove(file + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
    QFile::remove(file + QStringLiteral("-journal"));
}

// Checks the password stored in an open file; raises when it is wrong or the
// file is not one of ours.
void verifyPassword(Connection& conn, const QString& password) {
    Statement st =
        conn.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name='_Accesso'"));
    if (!st.step())
        throw errors::make(
            errors::CorruptFile,
            QStringLiteral("Il file \"%1\" non è un database di Zelt Order.").arg(conn.path()));
    st = Statement();
    Statement q = conn.prepare(QStringLiteral("SELECT Sale, Impronta, Iterazioni FROM _Accesso LIMIT 1"));
    if (!q.step())
        throw errors::make(
            errors::CorruptFile,
            QStringLiteral("Il file \"%1\" non è un database di Zelt Order.").arg(conn.path()));
    const qint64 rounds = q.columnType(2) == SQLITE_INTEGER ? q.int64(2) : -1;
    const int saltBytes = sqlite3_column_bytes(q.handle(), 0);
    const int hashBytes = sqlite3_column_bytes(q.handle(), 1);
    if (rounds < 1 || rounds > kMaxHashRounds || saltBytes != kSaltBytes || hashBytes != kHashBytes)
        throw errors::make(errors::CorruptFile,
                           QStringLiteral("Il file \"%1\" non è un database di Zelt Order valido: la "
                                          "protezione con password non è quella scritta dal programma.")
                               .arg(QFileInfo(conn.path()).fileName()));
    const auto* s = static_cast<const char*>(sqlite3_column_blob(q.handle(), 0));
    const QByteArray salt(s, saltBytes);
    const auto* h = static_cast<const char*>(sqlite3_column_blob(q.handle(), 1));
    const QByteArray hash(h, hashBytes);
    if (passwordHash(salt, password, int(rounds)) != hash)
        throw errors::make(errors::WrongPassword,
                           QStringLiteral("Password del database \"%1\" non valida.").arg(conn.path()));
}

// The program defines no triggers and no views. A file that brings its own
// (a received or imported archive) would run them on our first write, or
// read a view where a table belongs: they go before anything is written.
// So do SQLite's statistics, which the program never gathers and which
// would choose how every query of the file is run.
void dropTriggersAndViews(Connection& conn) {
    std::vector<std::pair<QString, QString>> found;
    {
        Statement st = conn.prepare(
            QStringLiteral("SELECT type, name FROM sqlite_master WHERE type IN ('trigger', 'view') OR "
                           "(type = 'table' AND name LIKE 'sqlite\\_stat%' ESCAPE '\\')"));
        while (st.step()) found.emplace_back(st.text(0), st.text(1));
    }
    if (found.empty()) return;
    QString sql = QStringLiteral("BEGIN;");
    for (const auto& [type, name] : found)
        sql += QStringLiteral(" DROP %1 IF EXISTS %2;").arg(type.toUpper(), sqlIdent(name));
    try {
        conn.exec(sql + QStringLiteral(" COMMIT;"));
    } catch (...) {
        try {
            conn.exec(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
}

}  // namespace

Engine::Engine() = default;
Engine::~Engine() { Close(); }

void Engine::Create(int, const QString& file, const QString&, const QString& password) {
    if (QFile::exists(file))
        throw errors::make(errors::FileExists,
                           QStringLiteral("Il file del database \"%1\" esiste già.").arg(file));
    try {
        Connection conn(file, true);
        QByteArray salt(16, '\0');
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), 4);
        conn.exec(QStringLiteral(
            "BEGIN; CREATE TABLE _Accesso (Sale BLOB NOT NULL, Impronta BLOB NOT NULL, Iterazioni INTEGER "
            "NOT NULL);"
            "CREATE TABLE _Catalogo (Tabella TEXT PRIMARY KEY COLLATE NOCASE, Versione REAL NOT NULL, "
            "Colonne TEXT NOT NULL DEFAULT '');"));
        Statement st = conn.prepare(QStringLiteral("INSERT INTO _Accesso VALUES (?1, ?2, ?3)"));
        const QByteArray hash = passwordHash(salt, password, kHashRounds);
        sqlite3_bind_blob(st.handle(), 1, salt.constData(), int(salt.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(st.handle(), 2, hash.constData(), int(hash.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(st.handle(), 3, kHashRounds);
        st.run();
        st = Statement();
        conn.exec(QStringLiteral("COMMIT"));
        conn.close();
    } catch (...) {
        removeWithCompanions(file);
        throw;
    }
}

void Engine::Open(int, const QString& file, const QString&, const QString& password, int, int, int, int, int,
                  int) {
    openFile(file, password, nullptr);
}

void Engine::OpenForeign(const QString& file, const QString& password, const QString& shownName) {
    openFile(file, password, &shownName);
}

void Engine::openFile(const QString& file, const QString& password, const QString* foreignName) {
    Close();
    auto conn = std::make_shared<Connection>(file, false);
    if (foreignName) CheckForeignSchema(*conn, *foreignName);
    verifyPassword(*conn, password);
    dropTriggersAndViews(*conn);
    conn_ = std::move(conn);
}

void Engine::Close(int) {
    if (auto db = db_.lock()) db->Close();
    db_.reset();
    if (conn_) {
        if (conn_->isOpen() && conn_->transLevel() > 0) {
            try {
                conn_->exec(QStringLiteral("ROLLBACK"));
            } catch (...) {
            }
        }
        conn_->close();
        conn_.reset();
    }
}

bool Engine::IsOpen() const { return conn_ && conn_->isOpen(); }
QString Engine::FileName() const { return conn_ ? conn_->path() : QString(); }

static Connection& openConn(const std::shared_ptr<Connection>& c) {
    if (!c || !c->isOpen()) throw errors::make(errors::Storage, QStringLiteral("Nessun database aperto."));
    return *c;
}

void Engine::BeginTrans() { openConn(conn_).beginTrans(); }
void Engine::CommitTrans() { openConn(conn_).commitTrans(); }
void Engine::Rollback() { openConn(conn_).rollbackTrans(); }
bool Engine::InTransaction() const { return conn_ && conn_->transLevel() > 0; }
int Engine::TransactionLevel() const { return conn_ ? conn_->transLevel() : 0; }

void Engine::Execute(const QString& statement, int options) {
    auto db = db_.lock();
    if (!db) throw errors::make(errors::Storage, QStringLiteral("Nessun database aperto."));
    db->Execute(statement, options);
}

RepairReport Engine::Repair(const QString& file, const QString& password,
                            const std::function<QString(const QString&)>& check, itfProgress* progress) {
    if (!QFile::exists(file))
        throw errors::make(errors::FileNotFound,
                           QStringLiteral("Nessun file del database da recuperare: \"%1\".").arg(file));
    const QString copy = file + QStringLiteral(".NEW");
    QString backup = file + QStringLiteral(".BAK");
    removeWithCompanions(copy);
    RepairReport report;
    {
        Connection conn(file, false);
        verifyPassword(conn, password);
        try {
            conn.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        } catch (const core::AppError&) {
            // A damaged file may refuse it; its log is then read as it is.
        }
        platform::createPrivateFile(copy);
        Statement st = conn.prepare(QStringLiteral("VACUUM INTO ?1"));
        st.bind(1, SqlValue(copy));
        try {
            StopPollScope poll(conn, progress);
            st.run();
        } catch (const core::AppError& e) {
            st = Statement();
            removeWithCompanions(copy);
            // Damaged pages: copy what can still be read, table by table.
            if (errors::code(e) != errors::CorruptFile) throw;
            report.salvaged = true;
        }
    }
    if (report.salvaged) {
        report.tables = SalvageDatabase(file, copy, progress);
        // The damaged original is kept; an earlier one is not overwritten.
        for (int n = 2; QFile::exists(backup); ++n) backup = file + QStringLiteral(".BAK%1").arg(n);
        report.backup = backup;
    }
    QString result;
    if (check) {
        result = check(copy);
    } else {
        try {
            Connection c(copy, false);
            const SqlValue v = c.scalar(QStringLiteral("PRAGMA integrity_check"));
            result = std::holds_alternative<QString>(v) ? std::get<QString>(v) : QStringLiteral("?");
        } catch (const core::AppError& e) {
            result = e.description();
        }
    }
    if (result.trimmed().compare(QLatin1String("ok"), Qt::CaseInsensitive) != 0) {
        removeWithCompanions(copy);
        throw errors::make(
            errors::RepairFailed,
            QStringLiteral("Il controllo della copia compattata non è riuscito (%1): il database "
                           "originale \"%2\" non è stato modificato.")
                .arg(result, file));
    }
    // The copy is sound: swap. At every moment one whole file is on disk.
    QFile::remove(copy + QStringLiteral("-wal"));
    QFile::remove(copy + QStringLiteral("-shm"));
    if (!report.salvaged) removeWithCompanions(backup);
    if (QFile::exists(file + QStringLiteral("-wal")) && QFile(file + QStringLiteral("-wal")).size() > 0) {
        removeWithCompanions(copy);
        throw errors::make(
            errors::RepairFailed,
            QStringLiteral("Il database \"%1\" è ancora in uso: recupero non eseguito.").arg(file));
    }
    if (!QFile::rename(file, backup)) {
        removeWithCompanions(copy);
        throw errors::make(
            errors::RepairFailed,
            QStringLiteral("Impossibile rinominare il database \"%1\": recupero non eseguito.").arg(file));
    }
    if (!QFile::rename(copy, file)) {
        QFile::rename(backup, file);
        throw errors::make(
            errors::RepairFailed,
            QStringLiteral("Impossibile sostituire il database \"%1\" con la copia compattata: "
                           "il database originale è stato ripristinato.")
                .arg(file));
    }
    QFile::remove(file + QStringLiteral("-wal"));
    QFile::remove(file + QStringLiteral("-shm"));
    if (!report.salvaged) QFile::remove(backup);
    return report;
}

// ---- Application --------------------------------------------------------------

static QString& documentsFolder() {
    static QString folder;
    return folder;
}

std::shared_ptr<Database> Application::OpenDatabase(Engine& engine, itfDefDatabase& definition,
                                                    const QString&, itfNotifyEvent* notify, itfProgress*,
                                                    int) {
    if (!engine.IsOpen()) throw errors::make(errors::Storage, QStringLiteral("Nessun database aperto."));
    auto schema = Database::define(definition);
    auto db = Database::create(engine.connection(), std::move(schema), notify);
    engine.setDatabase(db);
    return db;
}

void Application::SetDocumentsFolder(const QString& folder) { documentsFolder() = folder; }
QString Application::DocumentsFolder() { return documentsFolder(); }

QString Application::MessageText(int number) {
    switch (number) {
        case errors::Cancelled:
            return QStringLiteral("Operazione annullata.");
        case errors::FileNotFound:
            return QStringLiteral("File del database non trovato.");
        case errors::WrongPassword:
            return QStringLiteral("Password del database non valida.");
        case errors::CorruptFile:
            return QStringLiteral("Il file del database è danneggiato.");
        case errors::DiskFull:
            return QStringLiteral("Spazio su disco esaurito.");
        default:
            return QStringLiteral("Errore del database n. %1.").arg(number);
    }
}

QString Application::EventText(int code) { return event::text(code); }

QString event::text(int code) {
    switch (code) {
        case Opening:
            return QStringLiteral("Apertura del database");
        case Checking:
            return QStringLiteral("Controllo delle tabelle");
        case Updating:
            return QStringLiteral("Aggiornamento della struttura");
        case Copying:
            return QStringLiteral("Copia dei dati");
        case Ready:
            return QStringLiteral("Database pronto");
        default:
            return QStringLiteral("Evento %1").arg(code);
    }
}

}  // namespace datalib
