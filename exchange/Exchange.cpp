#include "exchange/Exchange.h"

#include "core/Prompt.h"
#include "core/RaiseError.h"
#include "core/Variant.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Errors.h"
#include "exchange/ReceiveRules.h"
#include "orders/OrderRules.h"
#include "platform/Transfer.h"
#include "schema/CustomerCodeScript.h"
#include "startup/Common.h"
#include "startup/HeadOfficeLogin.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/modDatabase.h"

#include <QFile>
#include <QLocale>
#include <QSet>

namespace exchange {

namespace {

const QString kAgentFilter = QStringLiteral("Agenti.Codice=");
const QString kListFilter = QStringLiteral("Not InviatoSede  And Completato");
const QString kPrepareFilter = QStringLiteral("NOT InviatoSede AND Completato AND Not NonModificabile");
const QString kSendFilter = QStringLiteral("NOT InviatoSede AND Completato");
const QString kComplementRows =
    QStringLiteral("Categoria.Complementi=True AND Left(Articoli.Codice,2)<>'##'");
const QString kMovableRows = QStringLiteral("Left(Articoli.Codice,2)<>'##'");
const QString kNotCopiedToComplements = QStringLiteral(
    "Righe,Numero,NumeroSede,ImportoTotale,ImportoMerce,ImportoSconti,ImportoSpese,ImportoImponibile,"
    "ImportoImposta,ImportoProvvigioni");

OrderOpenTest& orderOpenTest() {
    static OrderOpenTest test;
    return test;
}

// A version parameter as a number (texts of either decimal separator).
double versionOf(const QString& text) {
    bool ok = false;
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    const double v = t.toDouble(&ok);
    return ok ? v : 0.0;
}

QString versionText(double v) { return QLocale::c().toString(v, 'g', 15); }

// A version as the agent reads it: "2,5".
QString versionShown(double v) {
    QLocale italian(QLocale::Italian, QLocale::Italy);
    italian.setNumberOptions(QLocale::OmitGroupSeparator);
    return italian.toString(v, 'g', 15);
}

// Ends the bulk bracket of a receive on every path out of it. Meanwhile the
// commits do not wait for the disk: what a power cut loses of them is only
// rows that the next receive brings again, since the versions that say what
// was received are written after them (and a commit is never kept without
// those before it); the end of the bracket forces them all onto the disk.
struct BulkBracket {
    explicit BulkBracket(datalib::Database& db) : db_(db) {
        db_.BeginUpdate();
        try {
            db_.BeginBulkWrite();
        } catch (...) {
            db_.EndUpdate();
            throw;
        }
    }
    ~BulkBracket() {
        db_.EndUpdate();
        try {
            // A stop or a failure is served at once: the log it leaves is
            // copied by the next commits.
            db_.EndBulkWrite(done_);
        } catch (...) {
            // The next commit of the file waits for the disk again.
        }
    }
    void done() { done_ = true; }
    datalib::Database& db_;
    bool done_ = false;
};

// A local transaction rolled back unless committed.
struct Transaction {
    explicit Transaction(datalib::Database& db) : db_(db) { db_.BeginTrans(); }
    ~Transaction() {
        if (open_) try {
                db_.Rollback();
            } catch (...) {
            }
    }
    void commit() {
        db_.CommitTrans();
        open_ = false;
    }
    void rollback() {
        open_ = false;
        db_.Rollback();
    }
    // Commits what is written so far and goes on in a new transaction.
    void commitAndGoOn() {
        db_.CommitTrans();
        db_.BeginTrans();
    }
    datalib::Database& db_;
    bool open_ = true;
};

// The receive's sink for the library's copy: everything goes on to the
// progress window, and between two rows the rows copied so far are committed
// every kRowsPerCommit rows, so that a stop has little left to write before
// it is served. A row is always committed whole, with its child rows. A
// table whose change is checked whole before it is kept is committed once.
class CommittingProgress : public datalib::itfProgress {
  public:
    static constexpr long kRowsPerCommit = 5000;
    CommittingProgress(datalib::itfProgress& window, Transaction& tx, bool inSteps)
        : window_(window), tx_(tx), inSteps_(inSteps) {}
    void OnProgress(long position, bool& goOn) override {
        window_.OnProgress(position, goOn);
        if (inSteps_ && goOn && position % kRowsPerCommit == 0) tx_.commitAndGoOn();
    }
    void OnStopped(bool& stopped) override { window_.OnStopped(stopped); }
    void OnStart(long total, bool offerStop) override { window_.OnStart(total, offerStop); }
    void OnEnd() override { window_.OnEnd(); }
    void OnWaiting(bool& goOn) override { window_.OnWaiting(goOn); }

  private:
    datalib::itfProgress& window_;
    Transaction& tx_;
    bool inSteps_;
};

QString keyText(const datalib::DataSource& ds) { return QString::number(ds.OID()); }

bool counts(const datalib::DataSource& ds, const OrderSelection& selection) {
    if (ds.tableDef().name().compare(QLatin1String("Ordini"), Qt::CaseInsensitive) != 0) return false;
    return !selection || selection->contains(keyText(ds));
}

// The keys of the rows that a pass works on, read before it changes them.
std::vector<qint64> keysOf(datalib::DataSource& ds, const OrderSelection& selection) {
    std::vector<qint64> keys;
    for (ds.RowFirst(); !ds.Eof(); ds.RowNext())
        if (counts(ds, selection)) keys.push_back(ds.OID());
    return keys;
}

// The order as the agent knows it: its customer, entry date and articles
// with their quantities.
QString customerOf(datalib::DataSource& order) { return order.RefKey(QStringLiteral("Cliente")).toString(); }

QStringList articlesOf(datalib::DataSource& order) {
    QStringList out;
    auto rows = order.GetReference(QStringLiteral("Righe"));
    for (rows->RowFirst(); !rows->Eof(); rows->RowNext())
        out << rows->ColValueStr(QStringLiteral("Codice")) + QLatin1Char('|') +
                   QLocale::c().toString(rows->ColValueNum(QStringLiteral("QuantitàOrdine")), 'g', 15);
    out.sort();
    return out;
}

QString describeOrder(datalib::DataSource& order) {
    return DescribeOrder(order.ColValueStr(QStringLiteral("Numero")),
                         order.ColValue(QStringLiteral("DataInserimento")), customerOf(order));
}

enum class Held { No, SentAlready, ChangedThere, Different };

// How head office holds the order `ours` stands on, by its number: not at
// all (or not yet as sent), as sent from here, as sent from here and then
// changed there (its rows), or as another order (another customer or entry
// date: a cloned workstation's order under the same number).
Held heldAtHeadOffice(datalib::DataSource& ours, datalib::Database& head) {
    auto theirs = head.OpenDataSource(QStringLiteral("Ordini"),
                                      QStringLiteral("Numero=") +
                                          head.FormatStringForQuery(ours.ColValue(QStringLiteral("Numero"))) +
                                          QStringLiteral(" AND Agenti.Codice=") +
                                          head.FormatStringForQuery(ours.RefKey(QStringLiteral("Agente"))));
    if (theirs->DataEmpty()) return Held::No;
    theirs->RowFirst();
    if (customerOf(*theirs) != customerOf(ours) ||
        theirs->ColValue(QStringLiteral("DataInserimento")).toString() !=
            ours.ColValue(QStringLiteral("DataInserimento")).toString())
        return Held::Different;
    // Sent: its rows are those sent from here (an order not yet sent may
    // still have lost its complements to an order of their own).
    if (!theirs->ColValueBool(QStringLiteral("InviatoSede"))) return Held::No;
    return articlesOf(*theirs) == articlesOf(ours) ? Held::SentAlready : Held::ChangedThere;
}

QString listed(const QStringList& orders) {
    return QStringLiteral("- ") + orders.join(QStringLiteral("\r- "));
}

// The first key column that head office's copy lacks, among the tables of
// the list and their child rows, as "colonna ... della tabella ..."; empty
// when none is missing. Without it the received rows cannot be matched with
// the local ones.
QString lackingKeyColumn(const datalib::Database& remote, const QStringList& tables) {
    QStringList pending = tables;
    QSet<QString> seen;
    while (!pending.isEmpty()) {
        const QString name = pending.takeFirst();
        if (seen.contains(name.toLower())) continue;
        seen.insert(name.toLower());
        const datalib::TableDef* def = remote.tableDef(name);
        if (!def) continue;
        const QStringList missing = remote.MissingColumns(def->name());
        if (const datalib::KeyDef* key = def->keys.identifyingKey())
            for (const QString& part : key->parts())
                if (missing.contains(part, Qt::CaseInsensitive))
                    return QStringLiteral("colonna \"%1\" della tabella \"%2\"").arg(part, def->name());
        for (int i = 0; i < def->references.Count(); ++i) {
            const datalib::ReferenceDef& r = def->references.Item(i);
            if (r.collection && r.owned) pending << r.table;
        }
    }
    return {};
}

}  // namespace

ExchangeContext ExchangeContext::ofRun() {
    ExchangeContext ctx;
    ctx.local = startup::runContext().database;
    ctx.agent = startup::runContext().codeAgente;
    ctx.configuredUrl = startup::runContext().onLineServicesURL;
    ctx.password = startup::DatabasePassword();
    ctx.settings.workstation = startup::runContext().codePostazione;
    return ctx;
}

void SetOrderOpenTest(OrderOpenTest test) { orderOpenTest() = std::move(test); }

bool IsOrderOpen(const ExchangeContext& ctx) {
    if (orderOpenTest() && orderOpenTest()()) return true;
    return ctx.local && ctx.local->IsOpen() && ctx.local->InTransaction();
}

bool RefuseWhileOrderOpen(const ExchangeContext& ctx) {
    if (!IsOrderOpen(ctx)) return false;
    core::messageBox(
        QStringLiteral("C'è un ordine aperto: confermarlo o annullarlo prima di scambiare dati con "
                       "la sede o di importare un archivio."),
        core::kOkOnly | core::kExclamation);
    return true;
}

RemoteDatabase::~RemoteDatabase() { close(); }

void RemoteDatabase::close() {
    db.reset();
    if (connector) connector->Close();
    connector.reset();
    if (engine) engine->Close();
    engine.reset();
}

std::unique_ptr<RemoteDatabase> ConnectRemoteDatabase(const ExchangeContext& ctx, const QString& tables,
                                                      bool forSending, platform::Transfer* transfer,
                                                      ExchangeProgress& progress) {
    Q_UNUSED(tables);
    Q_UNUSED(forSending);
    auto remote = std::make_unique<RemoteDatabase>();
    try {
        if (transfer) {
            startup::SeparateHeadOfficeLogin(*ctx.local, ctx.agent);
            const QString address = startup::OnLineServicesAddress(*ctx.local, ctx.configuredUrl);
            if (address.isEmpty()) {
                progress.Unload();
                core::messageBox(QStringLiteral("Indirizzo Servizi in linea Agenti non configurato!"),
                                 core::kOkOnly);
                return nullptr;
            }
            // The login: still inside an address not yet separated, else the
            // agent's stored one. It goes only to the host it was given for.
            startup::HeadOfficeLogin login = startup::LoginInAddress(address);
            if (login.isEmpty()) login = startup::ReadHeadOfficeLogin(ctx.agent);
            const QString url = startup::AddressWithoutLogin(address);
            if (!login.isEmpty() && login.origin != startup::OriginOf(QUrl(url))) {
                progress.Unload();
                core::messageBox(
                    QStringLiteral("L'indirizzo dei Servizi On-Line (%1) non è quello per cui è registrato "
                                   "l'accesso alla sede (%2): la connessione non è stata fatta.\r\r"
                                   "Verificare l'indirizzo in Impostazioni Client.")
                        .arg(url, login.origin),
                    core::kOkOnly | core::kExclamation);
                return nullptr;
            }
            transfer->setLogin({login.origin, login.user, login.password});
            const QString archive = startup::GetAgentArchivePath(ctx.agent, true);
            transfer->setTimeout(ctx.transferTimeoutMs);
            remote->connector = std::make_unique<datalib::RemoteConnector>(*transfer, ctx.settings);
            remote->db = remote->connector->Open(archive, *ctx.local, url, &progress, ctx.password);
            if (ctx.local->CompareStructure(*remote->db)) {
                const int answer = core::messageBox(
                    QStringLiteral(
                        "< ATTENZIONE > \r\rLa struttura dei dati ha subito dei cambiamenti dovuti a "
                        "nuove funzionalità introdotte nella gestione ordini, prima di continuare è "
                        "necessario effettuare tutti gli aggiornamenti disponibili per il software.\r\r"
                        "Continuare ?"),
                    core::kYesNo | core::kInformation | core::kDefaultButton2);
                if (answer != core::kAnswerYes) {
                    progress.Unload();
                    return nullptr;
                }
            }
            return remote;
        }
        // Without a transfer: the agent's own file opened a second time.
        const QString file = startup::GetDatabaseFileName(ctx.agent);
        remote->engine = std::make_unique<datalib::Engine>();
        if (!QFile::exists(file)) remote->engine->Create(3, file, QString(), ctx.password);
        remote->engine->Open(3, file, QString(), ctx.password, 5, 0, 0, 1, 0, -2);
        remote->db = ctx.local->Attach(*remote->engine);
        return remote;
    } catch (const core::AppError& e) {
        remote.reset();
        if (e.cancelled()) throw;
        core::RaiseGenericError(QStringLiteral("ConnectRemoteDatabase"), e.description());
    }
}

bool ReceiveUpdates(const ExchangeContext& ctx, platform::Transfer* transfer, ExchangeProgress& progress,
                    bool receiveAll, bool keepWindow) {
    if (RefuseWhileOrderOpen(ctx)) return false;
    std::unique_ptr<RemoteDatabase> remote;
    datalib::Database& local = *ctx.local;
    auto show = [&](const QString& text) { progress.ShowMsg(text, 1); };
    // What the receive kept of the agent's work, told once it ends.
    UnsentOrdersKept keptOrders;
    bool operatorsRefused = false;
    auto tellKept = [&] {
        if (!keptOrders.kept().isEmpty())
            core::messageBox(
                QStringLiteral("La sede ha inviato ordini con lo stesso numero di ordini di questa "
                               "postazione non ancora inviati, ma per un altro cliente o con un'altra "
                               "data:\r\r") +
                    keptOrders.kept().join(QLatin1Char('\r')) +
                    QStringLiteral("\r\rGli ordini di questa postazione sono rimasti come erano, con le "
                                   "loro righe; quelli della sede con gli stessi numeri non sono stati "
                                   "ricevuti. Contattare la sede."),
                core::kOkOnly | core::kExclamation);
        if (operatorsRefused)
            core::messageBox(
                QStringLiteral("Gli utenti inviati dalla sede non comprendono nessun utente di livello "
                               "Amministrazione: non sono stati ricevuti e gli utenti di questa "
                               "postazione sono rimasti come erano.\r\rContattare la sede."),
                core::kOkOnly | core::kExclamation);
        keptOrders = UnsentOrdersKept();
        operatorsRefused = false;
    };
    try {
        show(QStringLiteral("Connessione al database remoto..."));
        remote = ConnectRemoteDatabase(ctx, QLatin1String(kExchangeTables), false, transfer, progress);
        if (!remote) return false;
        const QStringList tables = QString::fromLatin1(kExchangeTables).split(QLatin1Char(','));
        if (const QString lacking = lackingKeyColumn(*remote->db, tables); !lacking.isEmpty()) {
            progress.Unload();
            remote->close();
            core::messageBox(QStringLiteral("L'archivio della sede non ha la ") + lacking +
                                 QStringLiteral(": i suoi dati non possono essere ricevuti e non è stato "
                                                "cambiato nulla.\r\rContattare la sede."),
                             core::kOkOnly | core::kCritical);
            return false;
        }
        const double localVersion =
            versionOf(local.GetSysParam(QStringLiteral("VersioneUltimoAggiornamento"), "0"));
        show(QStringLiteral("Ricezione dati in corso..."));
        const double remoteVersion =
            versionOf(remote->db->GetSysParam(QStringLiteral("VersioneUltimoAggiornamento"), "0"));
        local.SetSysParam(QStringLiteral("VersioneAggiornamento"), versionText(remoteVersion));
        if (remoteVersion < localVersion) {
            const int answer = core::messageBox(
                QStringLiteral("< ATTENZIONE > \r\rLa versione dei dati remoti (") +
                    versionShown(remoteVersion) +
                    QStringLiteral(") risulta inferiore a quella dell'archivio locale (") +
                    versionShown(localVersion) +
                    QStringLiteral(
                        "), è necessario contattare il supporto tecnico per verificare il corretto "
                        "funzionamento del servizio.\r\rContinuare ?"),
                core::kYesNo | core::kExclamation | core::kDefaultButton2);
            if (answer != core::kAnswerYes) {
                progress.Unload();
                return false;
            }
        }
        {
            BulkBracket bracket(local);
            const int n = int(tables.size());
            for (int i = 0; i < n && !progress.Stopped(); ++i) {
                auto set = local.Tables(tables[i]);
                show(QStringLiteral("Ricezione dati Tabella %1 di %2 - %3")
                         .arg(i + 1)
                         .arg(n)
                         .arg(set->PresentationName()));
                QString filter;
                if (set->Name().toUpper() == QLatin1String("AGENTI") ||
                    set->References().Exist(QStringLiteral("Agente")))
                    filter = kAgentFilter + local.FormatStringForQuery(core::Variant(ctx.agent));
                if (!receiveAll && localVersion > 0 &&
                    set->ColExist(QStringLiteral("VersioneAggiornamento"))) {
                    if (!filter.isEmpty()) filter += QStringLiteral(" AND ");
                    filter += QStringLiteral("VersioneAggiornamento>") + versionText(localVersion);
                }
                auto source = set->GetDataSource(remote->db, 3, filter);
                auto target = set->GetDataSource(ctx.local, 3);
                // A stop or a failure keeps the tables and rows already
                // received, each row whole with its child rows.
                Transaction tx(local);
                const bool operators = set->Name().compare(QLatin1String("Utenti"), Qt::CaseInsensitive) == 0;
                const bool orders = set->Name().compare(QLatin1String("Ordini"), Qt::CaseInsensitive) == 0;
                std::optional<OperatorPasswords> passwords;
                if (operators) passwords.emplace(local);
                datalib::CopyRule* rule = nullptr;
                if (operators)
                    rule = &*passwords;
                else if (orders)
                    rule = &keptOrders;
                CommittingProgress sink(progress, tx, !operators);
                source->CopyAllTo(*target, &sink, rule);
                if (operators) {
                    // Head office may send operators, but the workstation
                    // keeps one who can administer it.
                    if (!HasAdministrator(local)) {
                        tx.rollback();
                        operatorsRefused = true;
                        continue;
                    }
                    passwords->Record();
                }
                tx.commit();
            }
            if (progress.Stopped()) {
                tellKept();
                core::messageBox(QStringLiteral("AGGIORNAMENTO INTERROTTO."), core::kOkOnly);
                progress.Unload();
                remote->close();
                return false;
            }
            show(QStringLiteral("Aggiornamento data e versione archivio..."));
            const QString date =
                remote->db->GetSysParam(QStringLiteral("DataAggiornamentoDatabase"), QString());
            local.SetSysParam(QStringLiteral("DataAggiornamentoDatabase"), date);
            local.SetSysParam(QStringLiteral("VersioneUltimoAggiornamento"), versionText(remoteVersion));
            local.SetSysParam(QStringLiteral("DataUltimoAccesso"), date);
            show(QStringLiteral("Aggiornamento parametri..."));
            const std::pair<QString, QString> scripts[] = {
                {QString::fromLatin1(orders::kOrderNumberScriptParam), orders::DefaultOrderNumberScript()},
                {QString::fromLatin1(schema::kCustomerCodeScriptParam), schema::DefaultCustomerCodeScript()}};
            for (const auto& [name, builtIn] : scripts) {
                const QString theirs = remote->db->GetSysParamLong(name, builtIn);
                const QString ours = local.GetSysParamLong(name, builtIn);
                if (theirs != ours) local.SetSysParamLong(name, theirs, QString());
            }
            bracket.done();
        }
        progress.EndProgress();
        tellKept();
        if (keepWindow) {
            progress.EndProgress();
            show(QStringLiteral("Aggiornamento completato."));
        } else {
            core::messageBox(QStringLiteral("AGGIORNAMENTO COMPLETATO."), core::kOkOnly);
            progress.Unload();
        }
        remote->close();
        return true;
    } catch (const core::AppError& e) {
        if (remote) remote->close();
        tellKept();
        if (progress.Stopped()) {
            core::messageBox(QStringLiteral("AGGIORNAMENTO INTERROTTO."), core::kOkOnly);
        } else {
            startup::ShowError(e, QStringLiteral("Aggiornamento dati non completato"));
        }
        progress.Unload();
        return false;
    } catch (const std::exception&) {
        if (remote) remote->close();
        tellKept();
        startup::ShowError(QStringLiteral("Aggiornamento dati non completato"));
        progress.Unload();
        return false;
    }
}

std::shared_ptr<datalib::DataSource> OrdersToSend(datalib::Database& local) {
    return local.OpenDataSource(QStringLiteral("Ordini"), kListFilter, QStringLiteral("DataInserimento"));
}

bool SplitComplementsOrder(datalib::DataSource& order, OrderSelection* selection) {
    if (order.ColValueBool(QStringLiteral("NonModificabile"))) return false;
    auto db = order.Database();
    bool made = false;
    // The split is one transaction: an order is never left half moved.
    Transaction tx(*db);
    const long complements = order.GetReference(QStringLiteral("Righe"), kComplementRows)->RowCount();
    const long movable = order.GetReference(QStringLiteral("Righe"), kMovableRows)->RowCount();
    if (complements > 0 && complements != movable) {
        auto orders = db->OpenDataSource(QStringLiteral("Ordini"));
        const core::Variant key = orders->NewRowCopiedFrom(order, kNotCopiedToComplements);
        auto complementOrder = db->OpenDataSource(QStringLiteral("Ordini"));
        complementOrder->MoveToKey(key);
        {
            datalib::NamedLock lock(order, QStringLiteral("LockPromo"));
            for (;;) {
                auto rows = order.GetReference(QStringLiteral("Righe"), kComplementRows);
                if (rows->DataEmpty()) break;
                rows->RowFirst();
                auto target = complementOrder->GetReference(QStringLiteral("Righe"));
                rows->MoveRowTo(*target, QStringLiteral("NumeroOrdine,PosizioneRiga"));
            }
        }
        complementOrder->MoveToKey(key);
        complementOrder->SetColValue(QStringLiteral("NonModificabile"), true);
        complementOrder->SetColValue(
            QStringLiteral("Note"),
            QStringLiteral("SOLO COMPLEMENTI DELL'ORDINE N. ") + order.ColValueStr(QStringLiteral("Numero")));
        complementOrder->Save();
        if (selection && *selection) (*selection)->append(keyText(*complementOrder));
        made = true;
    }
    order.SetColValue(QStringLiteral("NonModificabile"), true);
    order.Save();
    tx.commit();
    return made;
}

bool SendOrders(const ExchangeContext& ctx, platform::Transfer* transfer, ExchangeProgress& progress,
                bool keepWindow, OrderSelection& selection) {
    if (RefuseWhileOrderOpen(ctx)) return false;
    std::unique_ptr<RemoteDatabase> remote;
    datalib::Database& local = *ctx.local;
    auto show = [&](const QString& text) { progress.ShowMsg(text, 2); };
    // The orders of the send pass, by number: a failure names those that
    // stay to be sent.
    QStringList unsentNumbers;
    auto stillToSend = [&] {
        if (unsentNumbers.isEmpty()) return QString();
        return QStringLiteral("\r\rGli ordini restano da inviare: N. ") +
               unsentNumbers.join(QStringLiteral(", N. ")) + QLatin1Char('.');
    };
    auto noteUnsent = [&] {
        unsentNumbers.clear();
        auto pending = local.OpenDataSource(QStringLiteral("Ordini"), kSendFilter, QStringLiteral("Numero"));
        for (pending->RowFirst(); !pending->Eof(); pending->RowNext())
            if (counts(*pending, selection)) unsentNumbers << pending->ColValueStr(QStringLiteral("Numero"));
    };
    try {
        noteUnsent();
        show(QStringLiteral("Connessione al database remoto..."));
        remote = ConnectRemoteDatabase(ctx, QLatin1String(kExchangeTables), true, transfer, progress);
        if (!remote) return false;

        // Preparation: lock each chosen order, complements split off.
        show(QStringLiteral("Controlli..."));
        {
            auto prepare = local.OpenDataSource(QStringLiteral("Ordini"), kPrepareFilter);
            const std::vector<qint64> keys = keysOf(*prepare, selection);
            progress.StartProgress(long(keys.size()), true);
            auto order = local.OpenDataSource(QStringLiteral("Ordini"));
            for (qint64 key : keys) {
                if (!progress.Progress()) break;
                if (order->MoveToKey(core::Variant(double(key)))) SplitComplementsOrder(*order, &selection);
            }
        }

        // Send: the chosen orders go into head office's copy, which goes back
        // whole; they are marked sent here only once head office holds it.
        std::vector<qint64> keys;
        if (!progress.Stopped()) {
            show(QStringLiteral("Invio dati in corso..."));
            auto set = local.Tables(QStringLiteral("Ordini"));
            show(QStringLiteral("Esportazione Tabella 1 di 1 - ") + set->PresentationName());
            auto pending = local.OpenDataSource(QStringLiteral("Ordini"), kSendFilter);
            keys = keysOf(*pending, selection);
            // The complement orders split off meanwhile are among them now.
            noteUnsent();
        }
        // What head office already holds decides each order's fate: one it
        // holds as sent (a send whose local marking was lost) is only marked
        // here, so that nothing head office did with it is undone, even when
        // head office has changed its rows since; one it holds under the
        // number as a different order (a cloned workstation) is refused, so
        // that neither is overwritten.
        std::vector<qint64> written, held;
        QStringList refused, changed;
        auto fill = [&](datalib::Database& head) {
            written.clear();
            held.clear();
            refused.clear();
            changed.clear();
            progress.StartProgress(long(keys.size()), true);
            // Head office's copy is written in one go (it travels whole anyway).
            Transaction tx(head);
            auto ours = local.OpenDataSource(QStringLiteral("Ordini"));
            auto theirs = head.OpenDataSource(QStringLiteral("Ordini"));
            for (qint64 key : keys) {
                if (!progress.Progress()) return false;
                if (!ours->MoveToKey(core::Variant(double(key)))) continue;
                switch (heldAtHeadOffice(*ours, head)) {
                    case Held::SentAlready:
                        held.push_back(key);
                        continue;
                    case Held::ChangedThere:
                        held.push_back(key);
                        changed << describeOrder(*ours);
                        continue;
                    case Held::Different:
                        refused << describeOrder(*ours);
                        continue;
                    case Held::No:
                        break;
                }
                const core::Variant at = ours->CopyRowTo(*theirs);
                // Head office's copy says sent: a library write, past the lock
                // of a non-modifiable order.
                BulkBracket bracket(head);
                auto row = head.OpenDataSource(QStringLiteral("Ordini"));
                if (row->MoveToKey(at)) {
                    row->SetColValue(QStringLiteral("InviatoSede"), true);
                    row->Save();
                }
                written.push_back(key);
            }
            theirs.reset();
            tx.commit();
            return !written.empty();
        };
        auto markSent = [&] {
            Transaction tx(local);
            BulkBracket bracket(local);
            auto ours = local.OpenDataSource(QStringLiteral("Ordini"));
            for (const std::vector<qint64>* list : {&written, &held})
                for (qint64 key : *list) {
                    if (!ours->MoveToKey(core::Variant(double(key)))) continue;
                    ours->SetColValue(QStringLiteral("InviatoSede"), true);
                    ours->Save();
                }
            tx.commit();
        };
        // Head office holds them now: a failure to mark them here loses
        // nothing (the next send finds them there and only marks them), and
        // the lock goes at once.
        QString notMarked;
        auto acknowledged = [&] {
            try {
                markSent();
            } catch (const core::AppError& e) {
                notMarked = e.description();
            } catch (const std::exception& e) {
                notMarked = QString::fromUtf8(e.what());
            }
        };
        datalib::RemoteConnector::SendResult result = datalib::RemoteConnector::SendResult::NothingToSend;
        if (!progress.Stopped()) {
            if (remote->connector) {
                result = remote->connector->Send(fill, acknowledged, &progress);
            } else if (fill(*remote->db)) {
                acknowledged();
                result = datalib::RemoteConnector::SendResult::Sent;
            }
        }
        // Head office holds them all already: nothing went up, they are marked here.
        if (result == datalib::RemoteConnector::SendResult::NothingToSend && !held.empty()) acknowledged();
        remote->close();
        const bool sent = result == datalib::RemoteConnector::SendResult::Sent ||
                          (result == datalib::RemoteConnector::SendResult::NothingToSend && !held.empty());
        if (!notMarked.isEmpty()) {
            core::messageBox(
                QStringLiteral("Gli ordini sono stati ricevuti dalla sede, ma non è stato possibile "
                               "segnarli come inviati su questa postazione:\r\r") +
                    notMarked +
                    QStringLiteral("\r\rAl prossimo invio saranno segnati come inviati, senza essere "
                                   "inviati di nuovo."),
                core::kOkOnly | core::kExclamation);
            progress.Unload();
            return false;
        }
        // A stop that came once head office held the orders changes nothing.
        if (!sent && (progress.Stopped() || result == datalib::RemoteConnector::SendResult::Stopped)) {
            core::messageBox(QStringLiteral("INVIO INTERROTTO."), core::kOkOnly);
            progress.Unload();
            return false;
        }
        if (!changed.isEmpty())
            core::messageBox(
                QStringLiteral("La sede aveva già ricevuto questi ordini e li ha poi modificati:\r\r") +
                    listed(changed) +
                    QStringLiteral("\r\rSono stati segnati come inviati e la sede tiene le sue modifiche, "
                                   "che arriveranno su questa postazione con gli aggiornamenti dalla sede."),
                core::kOkOnly | core::kInformation);
        if (!refused.isEmpty()) {
            core::messageBox(
                QStringLiteral("INVIO NON COMPLETATO.\r\rLa sede ha già un ordine diverso con lo stesso "
                               "numero di:\r\r") +
                    listed(refused) +
                    QStringLiteral("\r\rQuesti ordini non sono stati inviati, né è stato cambiato "
                                   "nulla presso la sede: probabilmente un'altra postazione usa lo "
                                   "stesso codice. Contattare la sede prima di inviarli di nuovo.") +
                    (sent ? QStringLiteral("\r\rGli altri ordini scelti sono stati inviati.") : QString()),
                core::kOkOnly | core::kExclamation);
            progress.Unload();
            return false;
        }
        progress.EndProgress();
        if (keepWindow) {
            progress.EndProgress();
            progress.ShowMsg(QStringLiteral("INVIO COMPLETATO."), 1);
        } else {
            core::messageBox(QStringLiteral("INVIO COMPLETATO."), core::kOkOnly | core::kInformation);
            progress.Unload();
        }
        return true;
    } catch (const core::AppError& e) {
        if (remote) remote->close();
        if (progress.Stopped())
            core::messageBox(QStringLiteral("INVIO INTERROTTO."), core::kOkOnly);
        else
            // The orders that stay are named whichever text the box shows.
            startup::ShowError(
                core::AppError(e.number(), e.source(), e.description() + stillToSend(), e.cancelled()),
                QStringLiteral("Esportazione dati non completata per il seguente motivo: ") +
                    e.description() + stillToSend());
        progress.Unload();
        return false;
    } catch (const std::exception& e) {
        if (remote) remote->close();
        startup::ShowError(QStringLiteral("Esportazione dati non completata per il seguente motivo: ") +
                           QString::fromUtf8(e.what()) + stillToSend());
        progress.Unload();
        return false;
    }
}

}  // namespace exchange
