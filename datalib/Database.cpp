#include "datalib/Database.h"

#include "core/Money.h"
#include "datalib/Connection.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Engine.h"
#include "datalib/Errors.h"
#include "datalib/query/QueryTranslator.h"

#include <QSet>

namespace datalib {

namespace {

constexpr int kMaxHookDepth = 48;

QString sqlType(int type) {
    switch (type) {
        case coltype::Integer:
            return QStringLiteral("INTEGER");
        case coltype::Boolean:
            return QStringLiteral("INTEGER NOT NULL DEFAULT 0");
        case coltype::Single:
        case coltype::Number:
        case coltype::Money:
            return QStringLiteral("REAL");
        default:
            return QStringLiteral("TEXT");
    }
}

// The physical columns of a table after OID: name and SQL type.
std::vector<std::pair<QString, QString>> physicalColumns(const TableDef& t) {
    std::vector<std::pair<QString, QString>> out;
    for (int i = 0; i < t.columns.Count(); ++i)
        out.emplace_back(t.columns.Item(i).name, sqlType(t.columns.Item(i).type));
    for (int i = 0; i < t.references.Count(); ++i) {
        const ReferenceDef& r = t.references.Item(i);
        if (r.collection) continue;
        out.emplace_back(r.name, r.byRowLink() ? QStringLiteral("INTEGER") : QStringLiteral("TEXT"));
    }
    for (const ReferenceDef* p : t.parents)
        out.emplace_back(p->parentLinkColumn(), QStringLiteral("INTEGER"));
    if (t.base) out.emplace_back(t.baseLinkColumn(), QStringLiteral("INTEGER"));
    return out;
}

class Registry : public TableRegistry {
  public:
    explicit Registry(Schema& s) : schema_(s) {}
    void RegisterTable(std::shared_ptr<itfDefTable> table) override {
        if (!table)
            throw errors::definition(QStringLiteral("?"), QStringLiteral("nessuna classe di tabella"));
        const QString name = table->TableName();
        if (name.trimmed().isEmpty() || name.startsWith(QLatin1Char('_')))
            throw errors::definition(name, QStringLiteral("nome della tabella non valido"));
        if (schema_.find(name))
            throw errors::definition(name, QStringLiteral("tabella registrata due volte"));
        auto def = std::make_unique<TableDef>(name);
        try {
            table->DefineIdentity(def->identity);
            table->DefineStructure(def->columns, def->keys, def->references);
            itfSetData* hooks = nullptr;
            table->DefineDefaultData(hooks);
            def->hooks = hooks;
        } catch (const core::AppError&) {
            throw;
        } catch (const std::exception& e) {
            throw errors::definition(name, QString::fromUtf8(e.what()));
        }
        def->tableClass = std::move(table);
        schema_.byName.insert(name.toLower(), def.get());
        schema_.tables.push_back(std::move(def));
    }

  private:
    Schema& schema_;
};

// The table of system parameters, defined by the library itself.
class SysParamTable : public itfDefTable {
  public:
    QString TableName() const override { return Database::sysParamTableName(); }
    void DefineIdentity(TableIdentity& id) override {
        id.SetCaption(QStringLiteral("Parametri Database"));
        id.SetVersion(1.0);
    }
    void DefineStructure(ColumnCollection& cols, KeyCollection& keys, ReferenceCollection&) override {
        cols.Add(QStringLiteral("Nome"), coltype::Code, 64, 0, {}, -100, -100, -100, true,
                 QStringLiteral("Nome del parametro"));
        cols.Add(QStringLiteral("Valore"), coltype::Text, 0, 0, {}, -100, -100, -100, true,
                 QStringLiteral("Valore del parametro"));
        cols.Add(QStringLiteral("Testo"), coltype::LongText, 0, 0, {}, -100, -100, -100, true,
                 QStringLiteral("Testo esteso del parametro"));
        keys.Add(QStringLiteral("Nome"), true, QStringLiteral("inxNome"));
    }
    void DefineDefaultData(itfSetData*& sink) override { sink = nullptr; }
};

void resolve(Schema& s) {
    for (auto& t : s.tables) {
        if (!t->identity.baseTable().isEmpty()) {
            const TableDef* b = s.find(t->identity.baseTable());
            if (!b || b == t.get())
                throw errors::definition(
                    t->name(),
                    QStringLiteral("tabella di base \"%1\" non definita").arg(t->identity.baseTable()));
            t->base = b;
        }
    }
    for (auto& t : s.tables) {
        for (int i = 0; i < t->references.Count(); ++i) {
            const ReferenceDef& r = t->references.Item(i);
            TableDef* target = s.byName.value(r.table.toLower(), nullptr);
            if (!target)
                throw errors::definition(t->name(),
                                         QStringLiteral("il riferimento \"%1\" indica la tabella \"%2\" "
                                                        "che non è definita")
                                             .arg(r.name, r.table));
            if (!r.keyColumn.isEmpty() && !target->findColumn(r.keyColumn))
                throw errors::definition(t->name(),
                                         QStringLiteral("il riferimento \"%1\" indica la colonna \"%2\" "
                                                        "che la tabella \"%3\" non ha")
                                             .arg(r.name, r.keyColumn, r.table));
            if (r.collection)
                target->parents.push_back(&r);
            else if (t->columns.find(r.name))
                throw errors::definition(
                    t->name(), QStringLiteral("il riferimento \"%1\" ha il nome di una colonna").arg(r.name));
        }
        for (int i = 0; i < t->keys.Count(); ++i)
            for (const QString& part : t->keys.Item(i).parts())
                if (!t->findColumn(part) && !t->findReference(part))
                    throw errors::definition(
                        t->name(), QStringLiteral("la chiave indica \"%1\" che la tabella non ha").arg(part));
    }
}

}  // namespace

Database::~Database() = default;

std::shared_ptr<Schema> Database::define(itfDefDatabase& definition) {
    auto schema = std::make_shared<Schema>();
    Registry reg(*schema);
    definition.Define(reg);
    resolve(*schema);
    // The parameter table: known by name, not counted among the program's tables.
    auto sys = std::make_shared<SysParamTable>();
    auto def = std::make_unique<TableDef>(sys->TableName());
    sys->DefineIdentity(def->identity);
    sys->DefineStructure(def->columns, def->keys, def->references);
    def->tableClass = sys;
    schema->byName.insert(def->name().toLower(), def.get());
    schema->sysTable = std::move(def);
    return schema;
}

std::shared_ptr<Database> Database::create(std::shared_ptr<Connection> conn, std::shared_ptr<Schema> schema,
                                           itfNotifyEvent* notify) {
    std::shared_ptr<Database> db(new Database());
    db->conn_ = std::move(conn);
    db->schema_ = std::move(schema);
    db->notify_ = notify;
    db->notifyEvent(event::Opening, db->conn_->path());
    db->ensureSchema();
    db->notifyEvent(event::Ready, QString());
    return db;
}

double Database::storedVersion(const QString& table) const {
    const SqlValue v =
        conn_->scalar(QStringLiteral("SELECT Versione FROM _Catalogo WHERE Tabella = ?1"), {table});
    if (auto* d = std::get_if<double>(&v)) return *d;
    if (auto* i = std::get_if<qint64>(&v)) return double(*i);
    return 0.0;
}

void Database::ensureSchema() {
    Connection& c = *conn_;
    std::vector<std::pair<const TableDef*, std::pair<double, bool>>> changed;
    c.exec(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        c.exec(
            QStringLiteral("CREATE TABLE IF NOT EXISTS _Catalogo (Tabella TEXT PRIMARY KEY COLLATE NOCASE, "
                           "Versione REAL NOT NULL, Colonne TEXT NOT NULL DEFAULT '')"));
        std::vector<const TableDef*> all{schema_->sysTable.get()};
        for (const auto& tp : schema_->tables) all.push_back(tp.get());
        for (const TableDef* tp : all) {
            const TableDef& t = *tp;
            QSet<QString> existing;
            {
                Statement st = c.prepare(QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
                st.bind(1, SqlValue(t.name()));
                while (st.step()) existing.insert(st.text(0).toLower());
            }
            const auto cols = physicalColumns(t);
            const bool created = existing.isEmpty();
            if (created) {
                QStringList defs{QStringLiteral("\"OID\" INTEGER PRIMARY KEY")};
                for (const auto& [n, type] : cols) defs << sqlIdent(n) + QLatin1Char(' ') + type;
                c.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                           .arg(sqlIdent(t.name()), defs.join(QStringLiteral(", "))));
            } else {
                for (const auto& [n, type] : cols)
                    if (!existing.contains(n.toLower())) {
                        c.exec(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                                   .arg(sqlIdent(t.name()), sqlIdent(n), type));
                        addedColumns_[t.name().toLower()] << n;
                    }
            }
            // Keys: index names carry the table's name.
            for (int i = 0; i < t.keys.Count(); ++i) {
                const KeyDef& k = t.keys.Item(i);
                QStringList parts;
                for (const QString& p : k.parts()) {
                    if (const ColumnDef* cd = t.columns.find(p))
                        parts << sqlIdent(cd->name);
                    else if (const ReferenceDef* rd = t.references.find(p); rd && !rd->collection)
                        parts << sqlIdent(rd->name);
                }
                if (parts.isEmpty()) continue;
                // Lists are sorted on texts without regard to letter case: a plain
                // key on a text also gets a twin index in that order.
                const ColumnDef* first = t.columns.find(k.parts().value(0));
                if (!k.unique() && first && first->isText())
                    c.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3 COLLATE NOCASE)")
                               .arg(sqlIdent(t.name() + QLatin1Char('_') +
                                             (k.name().isEmpty() ? first->name : k.name()) +
                                             QStringLiteral("_nc")),
                                    sqlIdent(t.name()), sqlIdent(first->name)));
                QString iname =
                    t.name() + QLatin1Char('_') +
                    (k.name().isEmpty() ? QStringList(k.parts()).join(QLatin1Char('_')) : k.name());
                const QString sql =
                    QStringLiteral("CREATE %1INDEX IF NOT EXISTS %2 ON %3 (%4)")
                        .arg(k.unique() ? QStringLiteral("UNIQUE ") : QString(), sqlIdent(iname),
                             sqlIdent(t.name()), parts.join(QStringLiteral(", ")));
                try {
                    c.exec(sql);
                } catch (const core::AppError&) {
                    // Rows stored before the key was declared unique: keep them, index plainly.
                    if (!k.unique()) throw;
                    c.exec(QString(sql).replace(QStringLiteral("CREATE UNIQUE INDEX"),
                                                QStringLiteral("CREATE INDEX")));
                }
            }
            for (const ReferenceDef* p : t.parents)
                c.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                           .arg(sqlIdent(t.name() + QLatin1Char('_') + p->parentLinkColumn()),
                                sqlIdent(t.name()), sqlIdent(p->parentLinkColumn())));
            if (&t == schema_->sysTable.get())
                c.exec(
                    QStringLiteral("CREATE INDEX IF NOT EXISTS \"ParametriSistema_NomeNoCase\" ON "
                                   "ParametriSistema (Nome COLLATE NOCASE)"));
            if (t.base)
                c.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                           .arg(sqlIdent(t.name() + QLatin1Char('_') + t.baseLinkColumn()),
                                sqlIdent(t.name()), sqlIdent(t.baseLinkColumn())));

            QStringList names;
            for (const auto& [n, type] : cols) names << n;
            const double declared = t.identity.version();
            const double stored = created ? 0.0 : storedVersion(t.name());
            foundVersions_.insert(t.name().toLower(), stored);
            Statement up = c.prepare(QStringLiteral(
                "INSERT INTO _Catalogo (Tabella, Versione, Colonne) VALUES (?1, ?2, ?3) "
                "ON CONFLICT(Tabella) DO UPDATE SET Versione = max(Versione, excluded.Versione), "
                "Colonne = excluded.Colonne"));
            up.bind({t.name(), declared, names.join(QLatin1Char(','))}).run();
            if (created || declared > stored) changed.push_back({&t, {stored, created}});
        }
        runStructHooks(changed);
        c.exec(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            c.exec(QStringLiteral("ROLLBACK"));
        } catch (...) {
        }
        throw;
    }
    c.touchData();
}

void Database::runStructHooks(
    const std::vector<std::pair<const TableDef*, std::pair<double, bool>>>& changed) {
    auto self = std::static_pointer_cast<Database>(shared_from_this());
    for (const auto& [t, info] : changed) {
        if (!t->hooks) continue;
        notifyEvent(event::Updating, t->name());
        auto ds = DataSource::open(self, *t);
        bool created = info.second;
        enterHook();
        try {
            t->hooks->OnUpdatedTableStruct(*ds, t->identity.version(), info.first, created);
        } catch (...) {
            leaveHook();
            throw;
        }
        leaveHook();
    }
}

// ---- State --------------------------------------------------------------------

void Database::BeginUpdate() {
    ++updateDepth_;
    state_ = StateUpdating;
}

void Database::EndUpdate() {
    if (updateDepth_ > 0 && --updateDepth_ == 0) state_ = StateOpen;
}

void Database::SetAccessLevel(int level) {
    if (level < -1 || level > 1)
        throw errors::make(errors::InvalidValue,
                           QStringLiteral("Livello di accesso %1 non valido.").arg(level));
    accessLevel_ = level;
}

QString Database::FileName() const { return conn_ ? conn_->path() : QString(); }

bool Database::IsOpen() const { return conn_ && conn_->isOpen() && state_ != StateClosed; }

void Database::Close() {
    state_ = StateClosed;
    dataSets_.clear();
}

// ---- Tables -------------------------------------------------------------------

std::shared_ptr<DataSet> Database::Tables(const QString& name) {
    const TableDef* t = schema_->find(name);
    if (!t)
        throw errors::make(errors::UnknownTable,
                           QStringLiteral("La tabella \"%1\" non è definita nel database.").arg(name));
    auto& ds = dataSets_[t->name().toLower()];
    if (!ds) ds = std::make_shared<DataSet>(std::static_pointer_cast<Database>(shared_from_this()), *t);
    return ds;
}

std::shared_ptr<DataSet> Database::Tables(int index) {
    if (index < 0 || index >= TableCount())
        throw errors::make(errors::UnknownTable,
                           QStringLiteral("Nessuna tabella in posizione %1.").arg(index));
    return Tables(schema_->tables[size_t(index)]->name());
}

std::shared_ptr<DataSource> Database::OpenDataSource(const QString& table, const QString& filter,
                                                     const QString& sort, const QString& columns) {
    return Tables(table)->OpenDataSource(filter, sort, columns);
}

// ---- Parameters ----------------------------------------------------------------

bool Database::SysParamExists(const QString& name) const {
    Statement st =
        conn_->prepare(QStringLiteral("SELECT 1 FROM ParametriSistema WHERE Nome = ?1 COLLATE NOCASE"));
    st.bind(1, SqlValue(name));
    return st.step();
}

QString Database::GetSysParam(const QString& name) const {
    Statement st =
        conn_->prepare(QStringLiteral("SELECT Valore FROM ParametriSistema WHERE Nome = ?1 COLLATE NOCASE"));
    st.bind(1, SqlValue(name));
    if (!st.step())
        throw errors::make(errors::UnknownParameter,
                           QStringLiteral("Il parametro di sistema \"%1\" non esiste.").arg(name));
    return st.text(0);
}

QString Database::GetSysParam(const QString& name, const QString& defaultValue) const {
    Statement st =
        conn_->prepare(QStringLiteral("SELECT Valore FROM ParametriSistema WHERE Nome = ?1 COLLATE NOCASE"));
    st.bind(1, SqlValue(name));
    if (!st.step() || st.isNull(0)) return defaultValue;
    return st.text(0);
}

QString Database::GetSysParamLong(const QString& name, const QString& defaultText) const {
    Statement st =
        conn_->prepare(QStringLiteral("SELECT Testo FROM ParametriSistema WHERE Nome = ?1 COLLATE NOCASE"));
    st.bind(1, SqlValue(name));
    if (!st.step() || st.isNull(0)) return defaultText;
    return st.text(0);
}

void Database::upsertParam(const QString& name, const QString* value, const QString* text) {
    if (name.trimmed().isEmpty())
        throw errors::make(errors::UnknownParameter, QStringLiteral("Nome di parametro di sistema vuoto."));
    Statement find =
        conn_->prepare(QStringLiteral("SELECT OID FROM ParametriSistema WHERE Nome = ?1 COLLATE NOCASE"));
    find.bind(1, SqlValue(name));
    if (find.step()) {
        const qint64 oid = find.int64(0);
        find = Statement();
        if (value)
            conn_->prepare(QStringLiteral("UPDATE ParametriSistema SET Valore = ?1 WHERE OID = ?2"))
                .bind({*value, oid})
                .run();
        if (text)
            conn_->prepare(QStringLiteral("UPDATE ParametriSistema SET Testo = ?1 WHERE OID = ?2"))
                .bind({*text, oid})
                .run();
    } else {
        find = Statement();
        conn_
            ->prepare(
                QStringLiteral("INSERT INTO ParametriSistema (Nome, Valore, Testo) VALUES (?1, ?2, ?3)"))
            .bind({name, value ? SqlValue(*value) : SqlValue(QString()), text ? SqlValue(*text) : SqlValue()})
            .run();
    }
    conn_->touchData();
}

void Database::SetSysParam(const QString& name, const QString& value) { upsertParam(name, &value, nullptr); }

void Database::SetSysParamLong(const QString& name, const QString& text, const QString& shortValue) {
    upsertParam(name, &shortValue, &text);
}

// ---- Helpers --------------------------------------------------------------------

QString Database::FormatStringForQuery(const core::Variant& value) const {
    return query::QueryLiteral(value);
}

core::Currency Database::Round(core::Currency amount, int, float) const { return core::roundMoney(amount); }
core::Currency Database::Round(const core::Variant& amount, int, float) const {
    return core::roundMoney(amount.toCurrency());
}

void Database::Execute(const QString& statement, int) {
    const query::SqlStatement st =
        query::translateStatement(statement, [this](const QString& n) { return schema_->find(n); });
    conn_->prepare(st.sql).bind(st.params).run();
    conn_->touchData();
}

void Database::BeginTrans() { conn_->beginTrans(); }
void Database::CommitTrans() { conn_->commitTrans(); }
void Database::BeginBulkWrite() { conn_->beginBulkWrite(); }
void Database::EndBulkWrite(bool copyLog) {
    if (conn_) conn_->endBulkWrite(copyLog);
}
void Database::Rollback() { conn_->rollbackTrans(); }
bool Database::InTransaction() const { return conn_->transLevel() > 0; }
namespace {
// Keeps an observer of the transactions' end connected for its lifetime.
struct TransactionWatch {
    std::weak_ptr<Connection> conn;
    int id = 0;
    ~TransactionWatch() {
        if (const auto c = conn.lock()) c->disconnectTransactionEnd(id);
    }
};
}  // namespace

std::shared_ptr<void> Database::WatchTransactionEnd(std::function<void()> observer) {
    auto watch = std::make_shared<TransactionWatch>();
    watch->conn = conn_;
    watch->id = conn_->connectTransactionEnd(std::move(observer));
    return watch;
}

void Database::CheckTables(itfProgress* progress) {
    notifyEvent(event::Checking, QString());
    StopPollScope poll(*conn_, progress);
    if (progress) progress->OnStart(long(schema_->tables.size()), true);
    long n = 0;
    for (const auto& t : schema_->tables) {
        bool goOn = true;
        if (progress) progress->OnProgress(++n, goOn);
        if (!goOn) break;
        QSet<QString> existing;
        {
            Statement st = conn_->prepare(QStringLiteral("SELECT name FROM pragma_table_info(?1)"));
            st.bind(1, SqlValue(t->name()));
            while (st.step()) existing.insert(st.text(0).toLower());
        }
        for (const auto& [col, type] : physicalColumns(*t))
            if (!existing.contains(col.toLower()))
                throw errors::make(
                    errors::CorruptFile,
                    QStringLiteral("La tabella \"%1\" non ha la colonna \"%2\".").arg(t->name(), col));
        conn_->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(sqlIdent(t->name())));
    }
    const SqlValue r = conn_->scalar(QStringLiteral("PRAGMA quick_check"));
    if (!std::holds_alternative<QString>(r) || std::get<QString>(r) != QLatin1String("ok"))
        throw errors::make(
            errors::CorruptFile,
            QStringLiteral("Il controllo del database \"%1\" ha trovato errori.").arg(FileName()));
    if (progress) progress->OnEnd();
}

bool Database::CompareStructure(const Database& other) const {
    for (const auto& t : schema_->tables) {
        if (other.foundVersionOf(t->name()) != t->identity.version()) return true;
        // The same version, but columns of it missing.
        if (!other.addedColumns_.value(t->name().toLower()).isEmpty()) return true;
    }
    return false;
}

QStringList Database::MissingColumns(const QString& table) const {
    return attached_ ? addedColumns_.value(table.toLower()) : QStringList();
}

std::shared_ptr<Database> Database::Attach(Engine& engine) {
    if (!engine.IsOpen()) throw errors::make(errors::Storage, QStringLiteral("Nessun database aperto."));
    auto db = create(engine.connection(), schema_, notify_);
    db->attached_ = true;
    engine.setDatabase(db);
    return db;
}

// ---- Dialogue ---------------------------------------------------------------------

void Database::notifyEvent(int code, const QString& text) {
    if (!notify_) return;
    int c = code;
    QString t = text;
    notify_->OnEvent(c, 0, t);
}

void Database::showMessage(const QString& message) {
    if (!notify_) return;
    QString m = message;
    notify_->OnInternalMessage(0, m);
}

bool Database::askQuestion(const QString& question, int kind, bool defaultNo) {
    if (!notify_) return !defaultNo;
    QString q = question;
    bool answer = defaultNo;
    notify_->OnQueryMessage(0, kind, q, answer);
    return !answer;
}

// ---- Operations ---------------------------------------------------------------------

int Database::beginOperation(bool undoable) {
    if (opDepth_ == 0) {
        opCancelled_ = false;
        opSilent_ = true;
        opMessages_.clear();
        opTouched_.clear();
        opSavepoint_ = undoable;
        if (undoable) opId_ = conn_->beginOperation();
    }
    return ++opDepth_;
}

void Database::touch(DataSource& ds, bool keys) {
    if (opDepth_ == 0) return;
    for (const Touched& t : opTouched_)
        if (t.ds.lock().get() == &ds) {
            if (keys) ds.keepKeys(t.snapshot);
            return;
        }
    opTouched_.push_back({std::static_pointer_cast<DataSource>(ds.shared_from_this()), ds.snapshot()});
    if (keys) ds.keepKeys(opTouched_.back().snapshot);
}

void Database::cancelOperation(const QString& message, bool silent) {
    opCancelled_ = true;
    if (!silent && !message.isEmpty()) {
        opSilent_ = false;
        opMessages_ << message;
    }
}

void Database::enterHook() {
    if (hookDepth_ >= kMaxHookDepth)
        throw errors::make(
            errors::TooDeep,
            QStringLiteral("Le regole della tabella si richiamano senza fine: operazione interrotta "
                           "dopo %1 chiamate annidate.")
                .arg(kMaxHookDepth));
    ++hookDepth_;
}

void Database::endOperation(bool ok) {
    if (opDepth_ == 0) return;
    if (--opDepth_ > 0) return;
    if (ok && !opCancelled_) {
        opTouched_.clear();
        if (opSavepoint_) conn_->endOperation(opId_, true);
        return;
    }
    std::vector<Touched> touched;
    touched.swap(opTouched_);
    for (auto it = touched.rbegin(); it != touched.rend(); ++it)
        if (auto ds = it->ds.lock()) ds->restore(it->snapshot);
    try {
        if (opSavepoint_) conn_->endOperation(opId_, false);
    } catch (...) {
    }
    if (!ok) return;  // the caller raises its own error
    const QStringList messages = opMessages_;
    opMessages_.clear();
    opCancelled_ = false;
    for (const QString& m : messages) showMessage(m);
    throw errors::make(
        errors::Cancelled,
        messages.isEmpty() ? Application::MessageText(errors::Cancelled) : messages.join(QLatin1Char('\r')),
        true);
}

// ---- Locks ----------------------------------------------------------------------------

static QString lockKey(const QString& table, qint64 oid, const QString& name) {
    return table.toLower() + QLatin1Char('\x1f') + QString::number(oid) + QLatin1Char('\x1f') +
           name.toLower();
}

bool Database::takeLock(const QString& table, qint64 oid, const QString& name) {
    const QString k = lockKey(table, oid, name);
    if (locks_.contains(k)) return false;
    locks_.insert(k, 1);
    return true;
}

void Database::releaseLock(const QString& table, qint64 oid, const QString& name) {
    locks_.remove(lockKey(table, oid, name));
}

bool Database::isLocked(const QString& table, qint64 oid, const QString& name) const {
    return locks_.contains(lockKey(table, oid, name));
}

}  // namespace datalib
