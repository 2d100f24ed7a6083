#include "datalib/RemoteConnector.h"

#include "datalib/Connection.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Errors.h"
#include "platform/Paths.h"
#include "platform/Transfer.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QNetworkReply>
#include <QTimer>
#include <QUuid>
#include <QXmlStreamReader>

namespace datalib {

namespace {

// How much of the head-office copy SQLite reads through a mapping of the
// file (the large archive is 120 MB).
constexpr qint64 kMappedBytes = qint64(512) << 20;

core::AppError failure(const QString& text) { return errors::make(errors::Storage, text); }

core::AppError stoppedByUser() {
    return errors::make(errors::Cancelled, QStringLiteral("Trasferimento interrotto dall'operatore."), true);
}

QString megabytes(qint64 bytes) {
    return QLocale(QLocale::Italian, QLocale::Italy).toString(double(bytes) / 1e6, 'f', 1) +
           QStringLiteral(" MB");
}

// The reason a request failed, as the agent is told it.
core::AppError requestFailure(const platform::Transfer::Reply& r, const QUrl& url, const QString& archive) {
    if (r.stopped) return stoppedByUser();
    if (r.timedOut)
        return failure(QStringLiteral("La sede non risponde all'indirizzo %1: trasferimento annullato per "
                                      "tempo scaduto.")
                           .arg(platform::Transfer::displayUrl(url)));
    if (r.tooLarge)
        return failure(QStringLiteral("La sede ha inviato, in risposta a una richiesta sull'archivio \"%1\", "
                                      "più dati di quanti ne possa contenere la risposta (oltre %2): il "
                                      "trasferimento è stato annullato.")
                           .arg(archive, megabytes(r.limit)));
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

core::AppError interruptedSend() {
    return failure(
        QStringLiteral("Il collegamento con la sede si è interrotto durante l'invio: gli ordini non "
                       "sono stati inviati."));
}

core::AppError unverifiable(const QString& why) {
    return failure(
        QStringLiteral("Impossibile verificare presso la sede l'esito dell'invio") + why +
        QStringLiteral(": gli ordini restano da inviare e al prossimo invio non saranno duplicati."));
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

// A request without a bar of its own: the stop is served while it runs.
platform::Transfer::Progress stopOf(itfProgress* sink) {
    if (!sink) return {};
    return [sink](qint64, qint64) {
        bool goOn = true;
        sink->OnWaiting(goOn);
        return goOn;
    };
}

bool stoppedBy(itfProgress* sink) {
    bool stopped = false;
    if (sink) sink->OnStopped(stopped);
    return stopped;
}

// Waits `ms` with events running; false when the operator stopped meanwhile.
bool waitMs(int ms, itfProgress* sink) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(int(qBound(qint64(1), deadline.remainingTime(), qint64(25))), &loop,
                           &QEventLoop::quit);
        loop.exec();
        bool goOn = true;
        if (sink) sink->OnWaiting(goOn);
        if (!goOn) return false;
    }
    return true;
}

QByteArray etagOfFile(const QString& file) {
    QFile f(file);
    QCryptographicHash h(QCryptographicHash::Sha1);
    if (!f.open(QIODevice::ReadOnly) || !h.addData(&f))
        throw failure(QStringLiteral("Impossibile leggere la copia dell'archivio da inviare."));
    return '"' + h.result().toBase64() + '"';
}

// The SHA-1 a strong ETag names ("<base64 of the 20 bytes>"); empty when
// the tag is not such a digest.
QByteArray digestOf(const QByteArray& etag) {
    if (etag.size() < 2 || !etag.startsWith('"') || !etag.endsWith('"')) return {};
    const auto decoded =
        QByteArray::fromBase64Encoding(etag.mid(1, etag.size() - 2), QByteArray::AbortOnBase64DecodingErrors);
    return decoded && decoded.decoded.size() == 20 ? decoded.decoded : QByteArray();
}

// A date of HTTP ("Fri, 11 Dec 2026 05:52:45 GMT").
QDateTime httpDate(QString text) {
    text = text.trimmed();
    if (text.endsWith(QLatin1String(" GMT"))) text = text.left(text.size() - 4) + QStringLiteral(" +0000");
    return QDateTime::fromString(text, Qt::RFC2822Date);
}

// Intermediaries are asked to fetch anew what they may hold.
const platform::Transfer::Headers kNoCache{{"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};

// What head office holds at `url` now, asked past any cache; asked once
// more when it is missing for the instant of another send's move.
platform::Transfer::Reply headOf(platform::Transfer& transfer, const QUrl& url, itfProgress* progress) {
    platform::Transfer::Reply r = transfer.head(url, kNoCache, stopOf(progress));
    if (r.status == 404 && !r.stopped) {
        if (!waitMs(300, progress)) {
            r.stopped = true;
            return r;
        }
        r = transfer.head(url, kNoCache, stopOf(progress));
    }
    return r;
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
    dir_ = std::make_unique<platform::WorkFolder>(platform::kExchangeWorkFolders);
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
    etag_.clear();
    etagChecked_ = false;
    // A copy that is not the one its tag names is asked for once more, past
    // any cache on the way; a second such copy is refused.
    for (int round = 1;; ++round) {
        const platform::Transfer::Headers headers = round == 1 ? platform::Transfer::Headers() : kNoCache;
        platform::Transfer::Reply r = transfer_.get(url, file_, progressOf(progress), headers);
        // A send puts its upload in place by removing the archive and
        // renaming the upload: asked for in that instant, the archive is not
        // there.
        if (r.status == 404 && !r.stopped) {
            if (!waitMs(300, progress)) throw stoppedByUser();
            r = transfer_.get(url, file_, progressOf(progress), headers);
        }
        if (progress) progress->OnEnd();
        if (r.tooLarge && !r.stopped)
            throw failure(QStringLiteral(
                              "La sede ha inviato per l'archivio \"%1\" più dati di quanti ne possano essere "
                              "ricevuti (%2: lo spazio libero su disco, al massimo 4 GB)%3: il trasferimento "
                              "è stato annullato.")
                              .arg(archiveName_, megabytes(r.limit),
                                   r.expected > r.limit
                                       ? QStringLiteral(", annunciandone %1").arg(megabytes(r.expected))
                                       : QString()));
        if (!r.ok()) throw requestFailure(r, url, archiveName_);
        if (r.expected >= 0 && r.received != r.expected)
            throw failure(
                QStringLiteral("Il collegamento con la sede si è interrotto durante il trasferimento "
                               "dell'archivio \"%1\" (%2 byte ricevuti su %3).")
                    .arg(archiveName_)
                    .arg(r.received)
                    .arg(r.expected));
        const QByteArray tag = r.header("ETag");
        const QByteArray digest = digestOf(tag);
        if (!digest.isEmpty() && digest != r.sha1) {
            if (round == 1) continue;
            throw failure(
                QStringLiteral("La copia dell'archivio \"%1\" ricevuta non è quella che la sede indica "
                               "(l'impronta ETag non corrisponde al contenuto), anche dopo averla chiesta di "
                               "nuovo: probabilmente un proxy o una cache della rete fornisce una copia non "
                               "aggiornata. Non è stato inviato né ricevuto nulla: verificare il proxy o la "
                               "cache della rete, o riprovare più tardi.")
                    .arg(archiveName_));
        }
        QFile f(file_);
        QByteArray magic;
        if (f.open(QIODevice::ReadOnly)) magic = f.read(16);
        if (magic != QByteArray("SQLite format 3\0", 16))
            throw failure(
                QStringLiteral("La sede non ha inviato l'archivio \"%1\" ma una pagina web o un file di "
                               "altro tipo: verificare l'indirizzo dei servizi in linea.")
                    .arg(archiveName_));
        etag_ = tag.startsWith("W/") ? QByteArray() : tag;
        etagChecked_ = !digest.isEmpty();
        return;
    }
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

// "OrdiniAgente_<agente>.invio-<postazione>-": the uploads of this
// workstation, and of no other.
QString RemoteConnector::uploadPrefix() const {
    return archiveName_ + QStringLiteral(".invio-") + QString::number(settings_.workstation) +
           QLatin1Char('-');
}

QUrl RemoteConnector::uploadUrl() const {
    // A name of this upload alone: no other send, of this workstation or of
    // another, can write under it, and no late upload of an earlier try can
    // take the place of this one.
    return base_.resolved(QUrl(uploadPrefix() + QUuid::createUuid().toString(QUuid::WithoutBraces)));
}

// Removes the uploads of this workstation that a send killed between its
// upload and its move left in the agent's folder, once they are older (by
// head office's clock) than a transfer may last: no send of this workstation
// can still be moving them. A folder that cannot be listed is left as it is.
// False when the operator stopped.
bool RemoteConnector::sweepLeftovers(itfProgress* progress) {
    static const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:propfind xmlns:D=\"DAV:\"><D:prop><D:getlastmodified/></D:prop></D:propfind>";
    constexpr qint64 kListingBytes = qint64(4) << 20;
    const platform::Transfer::Reply r =
        transfer_.custom(base_, "PROPFIND", body, {{"Depth", "1"}}, stopOf(progress), kListingBytes);
    if (r.stopped) return false;
    if (r.status != 207 || !r.ok() || r.received > kListingBytes) return true;
    const QDateTime now = httpDate(QString::fromLatin1(r.header("Date")));
    if (!now.isValid()) return true;
    const QString prefix = uploadPrefix();
    QStringList old;
    QXmlStreamReader xml(r.body);
    QString href, modified;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.namespaceUri() == QLatin1String("DAV:")) {
            if (xml.name() == QLatin1String("response")) {
                href.clear();
                modified.clear();
            } else if (xml.name() == QLatin1String("href")) {
                href = xml.readElementText();
            } else if (xml.name() == QLatin1String("getlastmodified")) {
                modified = xml.readElementText();
            }
        } else if (xml.isEndElement() && xml.namespaceUri() == QLatin1String("DAV:") &&
                   xml.name() == QLatin1String("response")) {
            const QString name = QUrl(href).fileName(QUrl::FullyDecoded);
            const QDateTime at = httpDate(modified);
            if (name.startsWith(prefix) && at.isValid() && at.msecsTo(now) > transfer_.timeout()) old << name;
        }
    }
    if (xml.hasError()) return true;
    for (const QString& name : old)
        if (transfer_.custom(base_.resolved(QUrl(name)), "DELETE", {}, {}, stopOf(progress)).stopped)
            return false;
    return true;
}

// The lock of the archive, waited for while someone else holds it (it
// lapses after its time-out at most); none when the operator stopped.
std::optional<QString> RemoteConnector::takeLock(itfProgress* progress) {
    static const QByteArray body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<D:lockinfo xmlns:D=\"DAV:\"><D:lockscope><D:exclusive/></D:lockscope>"
        "<D:locktype><D:write/></D:locktype><D:owner>Zelt Order</D:owner></D:lockinfo>";
    const platform::Transfer::Headers headers{
        {"Timeout", "Second-" + QByteArray::number(settings_.lockTimeoutSeconds)}, {"Depth", "0"}};
    const QDeadlineTimer deadline((settings_.lockTimeoutSeconds + 2) * 1000);
    for (;;) {
        const platform::Transfer::Reply r =
            transfer_.custom(archiveUrl(), "LOCK", body, headers, stopOf(progress));
        if (r.stopped) return std::nullopt;
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
        if (!waitMs(settings_.lockRetryMs, progress)) return std::nullopt;
    }
}

void RemoteConnector::landed(const QString& token, const std::function<void()>& acknowledged,
                             itfProgress* progress) {
    const auto release = [&] {
        if (token.isEmpty()) return;
        const platform::Transfer::Headers unlock{{"Lock-Token", '<' + token.toLatin1() + '>'}};
        // Stopped meanwhile: the orders are sent all the same.
        if (transfer_.custom(archiveUrl(), "UNLOCK", {}, unlock, stopOf(progress)).stopped)
            transfer_.dispatch(archiveUrl(), "UNLOCK", unlock);
    };
    if (auto& hook = seamHook()) hook("acknowledged");
    try {
        acknowledged();
    } catch (...) {
        // Head office holds the orders: nobody else need wait for the lock.
        release();
        throw;
    }
    release();
}

RemoteConnector::SendResult RemoteConnector::Send(const std::function<bool(Database&)>& fill,
                                                  const std::function<void()>& acknowledged,
                                                  itfProgress* progress) {
    const auto tagged = [](const QUrl& url, const QByteArray& list) {
        return '<' + url.adjusted(QUrl::RemoveUserInfo).toEncoded() + "> (" + list + ')';
    };
    if (!db_) throw failure(QStringLiteral("Nessun archivio della sede aperto."));
    // 1. What an earlier send of this workstation left at head office goes.
    if (!sweepLeftovers(progress)) return SendResult::Stopped;
    for (int attempt = 1; attempt <= settings_.attempts; ++attempt) {
        if (attempt > 1) {
            closeCopy();
            download(progress);
            openCopy();
        }
        if (!fill(*db_)) return SendResult::NothingToSend;
        if (stoppedBy(progress)) return SendResult::Stopped;
        if (etag_.isEmpty() || !etagChecked_)
            throw failure(QStringLiteral("La sede non fornisce l'impronta (ETag) del contenuto dell'archivio "
                                         "\"%1\": impossibile inviare gli ordini senza rischiare di "
                                         "sovrascrivere i suoi dati.")
                              .arg(archiveName_));
        closeCopy();
        if (auto& hook = seamHook()) hook("uploading");
        const QByteArray ours = etagOfFile(file_);

        // 2. The upload, beside the archive: however long it takes and
        // whenever its last byte arrives, the archive is not touched.
        const QUrl upload = uploadUrl();
        const platform::Transfer::Reply put = transfer_.put(upload, file_, {}, progressOf(progress));
        // Once the operator stopped, what is left at head office is let go
        // of without waiting: the lock lapses, the upload is removed now or
        // by the next send.
        const auto letGo = [&](const QString& token) {
            if (!token.isEmpty())
                transfer_.dispatch(archiveUrl(), "UNLOCK", {{"Lock-Token", '<' + token.toLatin1() + '>'}});
            transfer_.dispatch(upload, "DELETE");
            return SendResult::Stopped;
        };
        const auto discard = [&] {
            if (transfer_.custom(upload, "DELETE", {}, {}, stopOf(progress)).stopped)
                transfer_.dispatch(upload, "DELETE");
        };
        if (!put.ok()) {
            if (put.stopped) return letGo({});
            if (put.tooLarge) {
                discard();
                throw requestFailure(put, archiveUrl(), archiveName_);
            }
            if (put.status == 0 || put.networkError || put.timedOut) {
                // Head office does not answer: its removal is not waited for.
                transfer_.dispatch(upload, "DELETE");
                throw interruptedSend();
            }
            discard();
            throw requestFailure(put, archiveUrl(), archiveName_);
        }
        if (auto& hook = seamHook()) hook("uploaded");

        // 3. The move onto the archive, under the lock: it lands only while
        // the lock is ours, the archive is the one downloaded and the file
        // moved is the one uploaded.
        std::optional<QString> token;
        try {
            token = takeLock(progress);
        } catch (...) {
            discard();
            throw;
        }
        if (!token) return letGo({});
        const platform::Transfer::Reply move =
            transfer_.custom(upload, "MOVE", {},
                             {{"Destination", archiveUrl().adjusted(QUrl::RemoveUserInfo).toEncoded()},
                              {"Overwrite", "T"},
                              {"If", tagged(archiveUrl(), '<' + token->toLatin1() + "> [" + etag_ + ']') +
                                         ' ' + tagged(upload, '[' + ours + ']')}},
                             stopOf(progress));
        if (move.stopped) return letGo(*token);
        // 4. Only a move that says it was done (201, 204) is looked for, and
        // only the archive carrying the upload's tag proves it: the orders
        // are marked sent while the lock is still ours.
        const bool claimed = move.ok() && (move.status == 201 || move.status == 204);
        if (claimed) {
            const platform::Transfer::Reply now = headOf(transfer_, archiveUrl(), progress);
            if (now.stopped) return letGo(*token);
            if (now.ok() && now.header("ETag") == ours) {
                landed(*token, acknowledged, progress);
                return SendResult::Sent;
            }
        }
        // Refused, its answer lost, or not found done. Once the lock is
        // released a move of ours can no longer land (its token is void):
        // what head office holds then decides.
        if (transfer_
                .custom(archiveUrl(), "UNLOCK", {}, {{"Lock-Token", '<' + token->toLatin1() + '>'}},
                        stopOf(progress))
                .stopped)
            return letGo(*token);
        const platform::Transfer::Reply now = headOf(transfer_, archiveUrl(), progress);
        if (now.stopped) return letGo({});
        const QByteArray held = now.ok() ? now.header("ETag") : QByteArray();
        if (now.ok() && held == ours) {
            landed(QString(), acknowledged, progress);
            return SendResult::Sent;
        }
        if (!now.ok()) {
            transfer_.dispatch(upload, "DELETE");
            throw unverifiable(QString());
        }
        if (held != etag_) {
            // Head office changed its copy meanwhile, or the lock lapsed
            // before the move arrived: start again from what head office
            // holds.
            discard();
            continue;
        }
        // The archive is as downloaded: the move did not land, nor can it
        // any longer. What the upload is now tells why.
        platform::Transfer::Reply mine;
        if (move.status == 404 || move.status == 412 || move.status == 423)
            mine = transfer_.head(upload, kNoCache, stopOf(progress));
        if (mine.stopped) return letGo({});
        discard();
        if (move.tooLarge) throw requestFailure(move, archiveUrl(), archiveName_);
        if (move.timedOut || move.networkError || move.status == 0) throw interruptedSend();
        if (claimed)
            throw unverifiable(
                QStringLiteral(
                    ": la sede ha risposto %1 alla sostituzione dell'archivio \"%2\", ma l'archivio "
                    "non contiene gli ordini inviati (un intermediario della rete, come un proxy, "
                    "può aver risposto al posto della sede)")
                    .arg(move.status)
                    .arg(archiveName_));
        if (mine.status == 404 || (move.status == 404 && !mine.ok()))
            throw failure(
                QStringLiteral("Il file degli ordini caricato presso la sede (\"%1\") non vi si trovava più "
                               "quando doveva sostituire l'archivio \"%2\" (codice %3): gli ordini non sono "
                               "stati inviati, riprovare l'invio.")
                    .arg(upload.fileName(), archiveName_)
                    .arg(move.status));
        if (mine.ok() && mine.header("ETag") != ours)
            throw failure(
                QStringLiteral(
                    "Il file degli ordini caricato presso la sede (\"%1\") non è quello inviato: un "
                    "intermediario della rete, come un proxy, può averlo alterato. Gli ordini non "
                    "sono stati inviati.")
                    .arg(upload.fileName()));
        if (move.status == 412 || move.status == 423)
            throw failure(QStringLiteral(
                              "La sede ha rifiutato la sostituzione dell'archivio \"%1\" (codice %2), benché "
                              "l'archivio non fosse cambiato dallo scaricamento: la causa può essere un "
                              "intermediario della rete, come un proxy, che toglie o altera le condizioni "
                              "della richiesta. Gli ordini non sono stati inviati.")
                              .arg(archiveName_)
                              .arg(move.status));
        throw failure(
            QStringLiteral("La sede ha rifiutato la sostituzione dell'archivio \"%1\" con il file degli "
                           "ordini (codice %2): gli ordini non sono stati inviati.")
                .arg(archiveName_)
                .arg(move.status));
    }
    throw failure(
        QStringLiteral("L'archivio \"%1\" è stato modificato presso la sede durante ogni tentativo di "
                       "invio: gli ordini non sono stati inviati, riprovare più tardi.")
            .arg(archiveName_));
}

}  // namespace datalib
