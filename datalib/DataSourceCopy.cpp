// The copies of rows used by the exchange: a row with its child rows into a
// data source of the same table (here or in another database file), a new
// row copied from another, and the move of a row to another parent.

#include "datalib/Connection.h"
#include "datalib/DataSource.h"

#include "datalib/DataSourceParts.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"
#include "datalib/query/QueryTranslator.h"

#include <QHash>
#include <QSet>
#include <cmath>

namespace datalib {

namespace {

QSet<QString> nameSet(const QString& list) {
    QSet<QString> out;
    for (const QString& s : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        out.insert(s.trimmed().toLower());
    return out;
}

// Rows are written as they come into the target: its State is 2 meanwhile.
struct UpdateBracket {
    explicit UpdateBracket(Database& db) : db_(db) { db_.BeginUpdate(); }
    ~UpdateBracket() { db_.EndUpdate(); }
    Database& db_;
};

}  // namespace

std::vector<std::pair<QString, core::Variant>> DataSource::identityOf(const DataSource& src) const {
    std::vector<std::pair<QString, core::Variant>> id;
    const KeyDef* k = def_->keys.identifyingKey();
    if (!k) {
        // No unique key (towns): a row with the same content is the same row.
        static const QStringList stamps{QStringLiteral("DataInserimento"), QStringLiteral("DataModifica"),
                                        QStringLiteral("VersioneAggiornamento"),
                                        QStringLiteral("InviatoSede"), QStringLiteral("AcquisitoSede")};
        for (const RowLayout::Column& c : layout_->columns()) {
            if (c.kind == RowLayout::Kind::Own && !stamps.contains(c.name, Qt::CaseInsensitive) &&
                src.ColExist(c.name))
                id.emplace_back(c.name, src.ColValue(c.name));
            else if (c.kind == RowLayout::Kind::OwnRef && !c.ref->byRowLink() && src.ColExist(c.name))
                id.emplace_back(c.name, src.ColValue(c.name));
        }
        return id;
    }
    for (const QString& part : k->parts()) {
        const int i = colIndex(part);
        if (i < 0 || ((*layout_)[size_t(i)].kind != RowLayout::Kind::Own &&
                      (*layout_)[size_t(i)].kind != RowLayout::Kind::OwnRef))
            return {};
        id.emplace_back((*layout_)[size_t(i)].name, src.ColValue(part));
    }
    return id;
}

std::optional<qint64> DataSource::findByIdentity(
    const std::vector<std::pair<QString, core::Variant>>& id) const {
    if (id.empty()) return std::nullopt;
    QStringList conds;
    std::vector<SqlValue> vals;
    for (const auto& [name, value] : id) {
        const RowLayout::Column& info = (*layout_)[size_t(colIndex(name))];
        conds << QStringLiteral("%1 IS ?%2").arg(sqlIdent(info.name)).arg(conds.size() + 1);
        vals.push_back(RowLayout::toStorage(info, RowLayout::normalise(info, value)));
    }
    Statement st = db_->conn().prepare(QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 LIMIT 1")
                                           .arg(sqlIdent(def_->name()), conds.join(QStringLiteral(" AND "))));
    st.bind(vals);
    if (st.step()) return st.int64(0);
    return std::nullopt;
}

// While a whole data source is copied into another file, the referenced
// rows already found there: each is looked up once, not once per row that
// refers to it. A failure ends the copy, so nothing undone stays here.
struct RowMapCache {
    const Database* src = nullptr;
    const Database* dst = nullptr;
    QHash<QString, QHash<qint64, qint64>> oids;  // table (lower case) -> source OID -> target OID
};
static thread_local RowMapCache* rowMapCache = nullptr;

static qint64 mapRowUncached(const std::shared_ptr<Database>& srcDb, const std::shared_ptr<Database>& dstDb,
                             const QString& table, qint64 srcOid);

// The OID in this database of the row that `srcOid` is in the source's
// database, for a table linked by row (found by its identity, copied when
// missing).
static qint64 mapRow(const std::shared_ptr<Database>& srcDb, const std::shared_ptr<Database>& dstDb,
                     const QString& table, qint64 srcOid) {
    if (srcDb == dstDb || srcOid == 0) return srcOid;
    RowMapCache* cache = rowMapCache;
    if (!cache || cache->src != srcDb.get() || cache->dst != dstDb.get())
        return mapRowUncached(srcDb, dstDb, table, srcOid);
    QHash<qint64, qint64>& known = cache->oids[table.toLower()];
    if (const auto it = known.constFind(srcOid); it != known.constEnd()) return *it;
    const qint64 oid = mapRowUncached(srcDb, dstDb, table, srcOid);
    if (oid) known.insert(srcOid, oid);
    return oid;
}

static qint64 mapRowUncached(const std::shared_ptr<Database>& srcDb, const std::shared_ptr<Database>& dstDb,
                             const QString& table, qint64 srcOid) {
    const TableDef* st = srcDb->lookup(table);
    const TableDef* dt = dstDb->lookup(table);
    auto src = DataSource::open(srcDb, *st, query::RowOIDQueryString(*st, srcOid, 0));
    if (src->DataEmpty()) return 0;
    auto dst = DataSource::open(dstDb, *dt, query::RowOIDQueryString(*dt, 0, 0));
    if (const auto found = dst->findExisting(*src)) return *found;
    const core::Variant key = src->CopyRowTo(*dst);
    return key.isEmptyOrNull() ? 0 : qint64(std::llround(key.toDouble()));
}

void DataSource::copyValuesFrom(const DataSource& src, const QStringList& except, bool raw) {
    QSet<QString> skip;
    for (const QString& s : except) skip.insert(s.trimmed().toLower());
    if (def_->base && layout_->baseLinkIndex() >= 0) {
        const QString keyName = def_->base->keyFieldName();
        if (!skip.contains(keyName.toLower()) && src.ColExist(keyName)) {
            const core::Variant key = src.BaseKey();
            if (raw) {
                qint64 oid = 0;
                const core::Variant link = src.ColValue(def_->baseLinkColumn());
                if (!link.isEmptyOrNull())
                    oid = mapRow(src.db_, db_, def_->base->name(), qint64(std::llround(link.toDouble())));
                edit_->values[size_t(layout_->baseLinkIndex())] =
                    oid ? core::Variant(std::int32_t(oid)) : core::Variant::null();
            } else if (!key.isEmptyOrNull()) {
                linkBase(key);
            }
        }
    }
    const std::vector<RowLayout::Column> cols = layout_->columns();
    for (size_t j = 0; j < cols.size(); ++j) {
        const RowLayout::Column& c = cols[j];
        if (c.kind != RowLayout::Kind::Own && c.kind != RowLayout::Kind::OwnRef) continue;
        if (skip.contains(c.name.toLower()) || !src.ColExist(c.name)) continue;
        if (db_->operationCancelled()) return;
        core::Variant v = src.ColValue(c.name);
        if (c.kind == RowLayout::Kind::OwnRef && c.ref->byRowLink() && !v.isEmptyOrNull() && src.db_ != db_)
            v = core::Variant(
                std::int32_t(mapRow(src.db_, db_, c.ref->table, qint64(std::llround(v.toDouble())))));
        if (raw)
            edit_->values[j] = RowLayout::normalise(c, v);
        else if (c.kind == RowLayout::Kind::OwnRef)
            setReferenceImpl(*c.ref, v);
        else
            setField(c.name, v);
    }
}

// Inserts copies of `src`'s rows (and of their owned children) under the
// parent of `target`; rows are written as they come.
static void copyChildren(DataSource& src, DataSource& target);

core::Variant DataSource::CopyRowTo(DataSource& target) {
    if (!RowValid() || (edit_->editing && edit_->isNew))
        throw errors::make(
            errors::NoCurrentRow,
            QStringLiteral("Nessun elemento corrente da copiare in \"%1\".").arg(def_->name()));
    if (target.def_->name().compare(def_->name(), Qt::CaseInsensitive) != 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Impossibile copiare righe di \"%1\" in \"%2\".")
                               .arg(def_->name(), target.def_->name()));
    qint64 oid = 0;
    UpdateBracket bracket(*target.db_);
    target.operation([&] {
        const auto existing = target.findByIdentity(target.identityOf(*this));
        auto tmp = DataSource::open(target.db_, *target.def_,
                                    query::RowOIDQueryString(*target.def_, existing.value_or(0), 0));
        if (existing)
            tmp->beginEdit();
        else
            tmp->startNewRow(true);
        // Flags that say head office has the row, or that it is locked here,
        // are never cleared by a copy over them.
        std::vector<std::pair<int, core::Variant>> sticky;
        if (existing)
            for (const char* flag : {"InviatoSede", "NonModificabile"}) {
                const int i = tmp->colIndex(QLatin1String(flag));
                if (i >= 0 && (*tmp->layout_)[size_t(i)].kind == RowLayout::Kind::Own &&
                    tmp->ColValueBool(QLatin1String(flag)))
                    sticky.emplace_back(i, core::Variant(true));
            }
        tmp->copyValuesFrom(*this, {}, true);
        for (const auto& [i, v] : sticky) tmp->edit_->values[size_t(i)] = v;
        tmp->saveImpl(false);
        oid = tmp->OID();
        // The child sets are replaced, never doubled.
        tmp->deleteOwned(*target.def_, oid);
        for (int i = 0; i < def_->references.Count(); ++i) {
            const ReferenceDef& r = def_->references.Item(i);
            if (!r.collection || !r.owned) continue;
            auto kids = GetReference(r.name);
            auto dest = tmp->GetReference(r.name);
            copyChildren(*kids, *dest);
        }
    });
    target.invalidate();
    return core::Variant(std::int32_t(oid));
}

static void copyChildren(DataSource& src, DataSource& target) {
    for (src.RowFirst(); !src.Eof(); src.RowNext()) {
        target.insertCopyOf(src);
        const TableDef& t = src.tableDef();
        for (int i = 0; i < t.references.Count(); ++i) {
            const ReferenceDef& r = t.references.Item(i);
            if (!r.collection || !r.owned) continue;
            auto kids = src.GetReference(r.name);
            auto dest = target.GetReference(r.name);
            copyChildren(*kids, *dest);
        }
    }
}

void DataSource::insertCopyOf(const DataSource& src) {
    startNewRow(true);
    copyValuesFrom(src, {}, true);
    saveImpl(false);
}

long DataSource::CopyAllTo(DataSource& target, itfProgress* progress) {
    RowMapCache cache{db_.get(), target.db_.get(), {}};
    struct Scope {
        RowMapCache* saved;
        explicit Scope(RowMapCache* c) : saved(rowMapCache) { rowMapCache = c; }
        ~Scope() { rowMapCache = saved; }
    } scope(&cache);
    long n = 0;
    if (progress) progress->OnStart(RowCount(), true);
    for (RowFirst(); !Eof(); RowNext()) {
        if (!RowValid()) continue;
        CopyRowTo(target);
        ++n;
        if (progress) {
            bool goOn = true, stopped = false;
            progress->OnProgress(n, goOn);
            progress->OnStopped(stopped);
            if (!goOn || stopped) break;
        }
    }
    if (progress) progress->OnEnd();
    return n;
}

core::Variant DataSource::NewRowCopiedFrom(DataSource& source, const QString& exceptColumns) {
    if (!source.RowValid())
        throw errors::make(
            errors::NoCurrentRow,
            QStringLiteral("Nessun elemento corrente da copiare in \"%1\".").arg(source.def_->name()));
    QStringList except = exceptColumns.split(QLatin1Char(','), Qt::SkipEmptyParts);
    qint64 oid = 0;
    const WritingGuard writing(writing_);
    operation([&] {
        startNewRow(true);
        if (parent_ && hooksActive()) hook([&] { def_->hooks->OnSetParent(*this, parentRef_->ownerTable); });
        if (db_->operationCancelled()) return;
        copyValuesFrom(source, except, false);
        if (db_->operationCancelled()) return;
        saveImpl(true);
        oid = OID();
    });
    return core::Variant(std::int32_t(oid));
}

core::Variant DataSource::MoveRowTo(DataSource& target, const QString& keyColumnsAnew) {
    if (!RowValid() || (edit_->editing && edit_->isNew))
        throw errors::make(
            errors::NoCurrentRow,
            QStringLiteral("Nessun elemento corrente da spostare in \"%1\".").arg(def_->name()));
    const QSet<QString> anew = nameSet(keyColumnsAnew);
    std::vector<core::Variant> pairs;
    if (def_->base) {
        pairs.push_back(def_->base->keyFieldName());
        pairs.push_back(BaseKey());
    }
    for (const RowLayout::Column& c : layout_->columns()) {
        if ((c.kind != RowLayout::Kind::Own && c.kind != RowLayout::Kind::OwnRef) ||
            anew.contains(c.name.toLower()))
            continue;
        pairs.push_back(c.name);
        pairs.push_back(ColValue(c.name));
    }
    core::Variant key;
    operation([&] {
        key = target.InsertFromPairs(pairs);
        if (db_->operationCancelled()) return;
        deleteImpl(true);
    });
    return key;
}

}  // namespace datalib
