#include "datalib/RemoteConnector.h"

#include "datalib/Connection.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Errors.h"
#include "platform/Paths.h"
#include "platform/Transfer.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QNetworkReply>
#include <QTimer>
#include <QUuid>

namespace datalib {

namespace {

// How much of the head-office copy SQLite reads through a mapping of the
// file (the large archive is 120 MB).
constexpr qint64 kMappedBytes = qint64(512) << 20;

core::AppError failure(const QString& text) { return errors::make(errors::Storage, text); }

core::AppError stoppedByUser() {
    return errors::make(errors::Cancelled, QStringLiteral("Trasferimento interrotto dall'operatore."), true);
}

// The reason a request failed, as the agent is told it.
core::AppError requestFailure(const platform::Transfer::Reply& r, const QUrl& url, const QString& archive) {
    if (r.stopped) return stoppedByUser();
    if (r.timedOut)
        return failure(QStringLiteral("La sede non risponde all'indirizzo %1: trasferimento annullato per "
                                      "tempo scaduto.")
                           .arg(platform::Transfer::displayUrl(url)));
    switch (r.status) {
        case 401:
            return failure(
                QStringLiteral("La sede ha rifiutato le credenziali di accesso (errore 401): verificare "
                               "utente e password dell'indirizzo dei servizi in linea."));
        case 403:
            return failure(
                QStringLiteral("La sede ha negato l'accesso all'archivio \"%1\" (errore 403).").arg(archive));
        case 404:
            return failure(
                QStringLiteral("L'archivio \"%1\" non è presente presso la sede (errore 404).").arg(archive));
        default:
            break;
    }
    if (r.status >= 300)
        return failure(
            QStringLiteral("La sede ha risposto con l'errore %1 alla richiesta dell'archivio \"%2\".")
                .arg(r.status)
                .arg(archive));
    if (r.status == 0 && r.received == 0)
        return failure(QStringLiteral("La sede non risponde all'indirizzo %1: verificare la connessione a "
                                      "Internet e l'indirizzo dei servizi in linea.")
                           .arg(platform::Transfer::displayUrl(url)));
    return failure(QStringLiteral("Il collegamento con la sede si è interrotto durante il trasferimento "
                                  "dell'archivio \"%1\".")
                       .arg(archive));
}

// Passes a transfer's progress to the sink; false once the operator stopped.
platform::Transfer::Progress progressOf(itfProgress* sink) {
    if (!sink) return {};
    auto started = std::make_shared<bool>(false);
    return [sink, started](qint64 done, qint64 total) {
        if (!*started && total > 0) {
            *started = true;
            sink->OnStart(long(total), true);
        }
        bool goOn = true, stopped = false;
        if (*started) sink->OnProgress(long(qMax<qint64>(done, 1)), goOn);
        sink->OnStopped(stopped);
        return goOn && !stopped;
    };
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool stoppedBy(itfProgress* sink) {
    bool stopped = false;
    if (sink) sink->OnStopped(stopped);
    return stopped;
}

QByteArray etagOfFile(const QString& file) {
    QFile f(file);
    QCryptographicHash h(QCryptographicHash::Sha1);
    if (!f.open(QIODevice::ReadOnly) || !h.addData(&f))
        throw failure(QStringLiteral("Impossibile leggere la copia dell'archivio da inviare."));
    return '"' + h.result().toBase64() + '"';
}

}  // namespace

std::function<void(const char*)>& RemoteConnector::seamHook() {
    static std::function<void(const char*)> hook;
    return hook;
}

RemoteConnector::RemoteConnector(platform::Transfer& transfer) : transfer_(transfer) {}

RemoteConnector::RemoteConnector(platform::Transfer& transfer, Settings settings)
    : transfer_(transfer), settings_(settings) {}

RemoteConnector::~RemoteConnector() { Close(); }

QUrl RemoteConnector::archiveUrl() const { return base_.resolved(QUrl(archiveName_)); }

std::shared_ptr<Database> RemoteConnector::Open(const QString& archiveName, Database& local,
                                                const QString& baseUrl, itfProgress* progress,
                                                const QString& password) {
    Close();
    dir_ = std::make_unique<platform::WorkFolder>(QStringLiteral("Scambio"));
    if (!dir_->isValid())
        throw failure(QStringLiteral("Impossibile creare la cartella di lavoro per l'archivio della sede."));
    archiveName_ = archiveName;
    base_ = QUrl(baseUrl.endsWith(QLatin1Char('/')) ? baseUrl : baseUrl + QLatin1Char('/'));
    if (!base_.isValid() ||
        (base_.scheme() != QLatin1String("http") && base_.scheme() != QLatin1String("https")))
        throw failure(QStringLiteral("L'indirizzo dei servizi in linea \"%1\" non è valido.")
                          .arg(platform::Transfer::displayUrl(base_)));
    password_ = password;
    local_ = &local;
    file_ = dir_->filePath(archiveName);
    download(progress);
    openCopy();
    return db_;
}

void RemoteConnector::download(itfProgress* progress) {
    const QUrl url = archiveUrl();
    platform::Transfer::Reply r = transfer_.get(url, file_, progressOf(progress));
    // A send puts its upload in place by removing the archive and renaming
    // the upload: asked for in that instant, the archive is not there.
    if (r.status == 404 && !r.stopped) {
        waitMs(300);
        r = transfer_.get(url, file_, progressOf(progress));
    }
    if (progress) progress->OnEnd();
    if (!r.ok()) throw requestFailure(r, url, archiveName_);
    if (r.expected >= 0 && r.received != r.expected)
        throw failure(QStringLiteral("Il collegamento con la sede si è interrotto durante il trasferimento "
                                     "dell'archivio \"%1\" (%2 byte ricevuti su %3).")
                          .arg(archiveName_)
                          .arg(r.received)
                          .arg(r.expected));
    QFile f(file_);
    QByteArray magic;
    if (f.open(QIODevice::ReadOnly)) magic = f.read(16);
    if (magic != QByteArray("SQLite format 3\0", 16))
        throw failure(
            QStringLiteral("La sede non ha inviato l'archivio \"%1\" ma una pagina web o un file di "
                           "altro tipo: verificare l'indirizzo dei servizi in linea.")
                .arg(archiveName_));
    const QByteArray tag = r.header("ETag");
    etag_ = tag.startsWith("W/") ? QByteArray() : tag;
}

void RemoteConnector::openCopy() {
    engine_ = std::make_unique<Engine>();
    try {
        engine_->OpenForeign(file_, password_, archiveName_);
        // The copy is read whole, by the check and then by the receive:
        // straight from the file's pages in memory, not copied page by page
        // into SQLite's cache. Nothing but this program touches the file,
        // which lies in a folder of the user's alone.
        engine_->connection()->exec(QStringLiteral("PRAGMA mmap_size=%1").arg(kMappedBytes));
        const SqlValue check = engine_->connection()->scalar(QStringLiteral("PRAGMA quick_check"));
        if (!std::holds_alternative<QString>(check) || std::get<QString>(check) != QLatin1String("ok"))
            throw errors::make(errors::CorruptFile, QString());
        db_ = local_->Attach(*engine_);
    } catch (const core::AppError& e) {
        db_.reset();
        engine_.reset();
        if (errors::code(e) == errors::ForeignSchema) throw;
        if (errors::code(e) == errors::WrongPassword)
            throw failure(
                QStringLiteral("L'archivio \"%1\" ricevuto dalla sede è protetto da una password diversa "
                               "da quella dell'agente.")
                    .arg(archiveName_));
        throw failure(QStringLiteral("L'archivio \"%1\" ricevuto dalla sede è danneggiato o incompleto.")
                          .arg(archiveName_));
    }
}

void RemoteConnector::closeCopy() {
    if (db_) db_->Close();
    db_.reset();
    if (engine_) engine_->Close();
    engine_.reset();
    QFile wal(file_ + QStringLiteral("-wal"));
    if (wal.exists() && wal.size() > 0)
        throw failure(QStringLiteral("Impossibile chiudere la copia dell'archivio \"%1\" da inviare.")
                          .arg(archiveName_));
}

void RemoteConnector::Close() {
    try {
        closeCopy();
    } catch (...) {
    }
    if (!file_.isEmpty())
        for (const char* suffix : {"", "-wal", "-shm", "-journal"})
            QFile::remove(file_ + QLatin1String(suffix));
    file_.clear();
    dir_.reset();
}

QUrl RemoteConnector::uploadUrl() const {
    // A name of this upload alone: no other send, of this workstation or of
    // another, can write under it, and no late upload of an earlier try can
    // take the place of this one.
    return base_.resolved(
        QUrl(archiveName_ + QStringLiteral(".invio-") + QUuid::createUuid().toString(QUuid::WithoutBraces)));
}

QString RemoteConnector::takeLock() {
    static const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:lockinfo xmlns:D=\"DAV:\"><D:lockscope><D:exclusive/></D:lockscope>"
        "<D:locktype><D:write/></D:locktype><D:owner>Zelt Order</D:owner></D:lockinfo>";
    const platform::Transfer::Headers headers{
        {"Timeout", "Second-" + QByteArray::number(settings_.lockTimeoutSeconds)}, {"Depth", "0"}};
    // Someone else's lock is waited out: it lapses after its time-out at most.
    const QDeadlineTimer deadline((settings_.lockTimeoutSeconds + 2) * 1000);
    for (;;) {
        const platform::Transfer::Reply r = transfer_.custom(archiveUrl(), "LOCK", body, headers);
        if (r.ok()) {
            QByteArray token = r.header("Lock-Token").trimmed();
            if (token.startsWith('<') && token.endsWith('>')) token = token.mid(1, token.size() - 2);
            if (token.isEmpty())
                throw failure(QStringLiteral("La sede non consente di bloccare l'archivio durante l'invio."));
            return QString::fromLatin1(token);
        }
        if (r.status != 423) throw requestFailure(r, archiveUrl(), archiveName_);
        if (deadline.hasExpired())
            throw failure(
                QStringLiteral("L'archivio \"%1\" è in uso presso la sede da troppo tempo: gli ordini "
                               "non sono stati inviati, riprovare più tardi.")
                    .arg(archiveName_));
        waitMs(settings_.lockRetryMs);
    }
}

void RemoteConnector::releaseLock(const QString& token) {
    if (token.isEmpty()) return;
    transfer_.custom(archiveUrl(), "UNLOCK", {}, {{"Lock-Token", '<' + token.toLatin1() + '>'}});
}

void RemoteConnector::discard(const QUrl& upload) { transfer_.custom(upload, "DELETE"); }

void RemoteConnector::landed(const QString& token, const std::function<void()>& acknowledged) {
    if (auto& hook = seamHook()) hook("acknowledged");
    try {
        acknowledged();
    } catch (...) {
        // Head office holds the orders: nobody else need wait for the lock.
        releaseLock(token);
        throw;
    }
    releaseLock(token);
}

RemoteConnector::SendResult RemoteConnector::Send(const std::function<bool(Database&)>& fill,
                                                  const std::function<void()>& acknowledged,
                                                  itfProgress* progress) {
    const auto tagged = [](const QUrl& url, const QByteArray& list) {
        return '<' + url.adjusted(QUrl::RemoveUserInfo).toEncoded() + "> (" + list + ')';
    };
    for (int attempt = 1; attempt <= settings_.attempts; ++attempt) {
        if (attempt > 1) {
            closeCopy();
            download(progress);
            openCopy();
        }
        if (!db_) throw failure(QStringLiteral("Nessun archivio della sede aperto."));
        if (!fill(*db_)) return SendResult::NothingToSend;
        if (stoppedBy(progress)) return SendResult::Stopped;
        if (etag_.isEmpty())
            throw failure(QStringLiteral("La sede non fornisce l'impronta dell'archivio \"%1\": impossibile "
                                         "inviare gli ordini senza rischiare di sovrascrivere i suoi dati.")
                              .arg(archiveName_));
        closeCopy();
        if (auto& hook = seamHook()) hook("uploading");
        const QByteArray ours = etagOfFile(file_);

        // 1. The upload, beside the archive: however long it takes and
        // whenever its last byte arrives, the archive is not touched.
        const QUrl upload = uploadUrl();
        const platform::Transfer::Reply put = transfer_.put(upload, file_, {}, progressOf(progress));
        if (!put.ok()) {
            discard(upload);
            if (put.stopped) return SendResult::Stopped;
            if (put.status == 0 || put.networkError || put.timedOut)
                throw failure(
                    QStringLiteral("Il collegamento con la sede si è interrotto durante l'invio: gli "
                                   "ordini non sono stati inviati."));
            throw requestFailure(put, archiveUrl(), archiveName_);
        }
        if (auto& hook = seamHook()) hook("uploaded");

        // 2. The move onto the archive, under the lock: it lands only while
        // the lock is ours, the archive is the one downloaded and the file
        // moved is the one uploaded.
        QString token;
        try {
            token = takeLock();
        } catch (...) {
            discard(upload);
            throw;
        }
        const platform::Transfer::Reply move =
            transfer_.custom(upload, "MOVE", {},
                             {{"Destination", archiveUrl().adjusted(QUrl::RemoveUserInfo).toEncoded()},
                              {"Overwrite", "T"},
                              {"If", tagged(archiveUrl(), '<' + token.toLatin1() + "> [" + etag_ + ']') +
                                         ' ' + tagged(upload, '[' + ours + ']')}});
        if (move.ok()) {
            landed(token, acknowledged);
            return SendResult::Sent;
        }
        // Refused, or its answer lost. Once the lock is released a move of
        // ours can no longer land (its token is void): what head office holds
        // then decides.
        releaseLock(token);
        const platform::Transfer::Reply now = transfer_.head(archiveUrl());
        const QByteArray held = now.ok() ? now.header("ETag") : QByteArray();
        if (now.ok() && held == ours) {
            landed(QString(), acknowledged);
            return SendResult::Sent;
        }
        discard(upload);
        if (!now.ok())
            throw failure(
                QStringLiteral("Impossibile verificare presso la sede l'esito dell'invio: gli ordini "
                               "restano da inviare e al prossimo invio non saranno duplicati."));
        if (held == etag_) {
            if (move.stopped) return SendResult::Stopped;
            if (move.status == 0 || move.networkError || move.timedOut)
                throw failure(
                    QStringLiteral("Il collegamento con la sede si è interrotto durante l'invio: gli "
                                   "ordini non sono stati inviati."));
            if (move.status != 412 && move.status != 423)
                throw requestFailure(move, archiveUrl(), archiveName_);
        }
        // Head office changed its copy meanwhile, or the lock lapsed before
        // the move arrived: start again from what head office holds.
    }
    throw failure(
        QStringLiteral("L'archivio \"%1\" è stato modificato presso la sede durante ogni tentativo di "
                       "invio: gli ordini non sono stati inviati, riprovare più tardi.")
            .arg(archiveName_));
}

}  // namespace datalib
