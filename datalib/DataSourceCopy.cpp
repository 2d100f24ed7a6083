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

#include <sqlite3.h>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <cmath>
#include <map>
#include <set>

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

qint64 oidOf(const core::Variant& v) { return v.isEmptyOrNull() ? 0 : qint64(std::llround(v.toDouble())); }

// A table of fewer rows than this is filled by writing each row at once;
// after as many rows refused by its unique index, each is looked up first.
constexpr int kFewRows = 64;

bool ownColumn(const RowLayout::Column& c) {
    return c.kind == RowLayout::Kind::Own || c.kind == RowLayout::Kind::OwnRef;
}

}  // namespace

// ---- The plan of a table --------------------------------------------------------------

// The referenced rows already found in the target's file while a copy runs:
// each is looked up once, not once per row that refers to it. A failure ends
// the copy, so nothing undone stays here.
struct RowCopier::RowMap {
    const Database* src = nullptr;
    const Database* dst = nullptr;
    QHash<QString, QHash<qint64, qint64>> oids;  // table (lower case) -> source OID -> target OID
    // The copy of one table's linked rows, prepared once: a linked row is
    // read by its key and found (or copied) through the same statements.
    struct Mapper {
        std::shared_ptr<DataSource> source, target;
        std::unique_ptr<RowCopier> copier;
    };
    std::map<QString, std::unique_ptr<Mapper>> mappers;  // table (lower case)
};

// What is prepared once for a table: which source column feeds which target
// column, the identity, the flags kept, and the owned child tables.
struct RowCopier::Plan {
    struct Value {
        int to = -1, from = -1;
        QString linkedTable;  // a reference stored as the row identifier: mapped
    };
    struct Child {
        std::shared_ptr<DataSource> source;  // the source's child rows as their table class selects them
        query::SqlQuery query;               // the same rows of any parent (the last parameter)
        QString sql;
        std::unique_ptr<Plan> plan;
        QString existingSql;  // the target's child rows of a parent
        QString matchSql;     // those of them with an identity (its values, then the parent)
    };

    const TableDef* def = nullptr;
    std::shared_ptr<DataSource> out;  // every row of the table is written through it
    RowLayout srcLayout;
    int srcOid = -1;
    std::vector<Value> values;
    int srcBaseLink = -1;     // the source's base link, when the source has the base key
    bool newRowHook = false;  // OnNewRow leaves values that the source does not bring
    std::vector<Value> identity;
    QString findSql;
    // Rows are written at once, without looking their identity up first:
    // the unique index of the identity refuses a row that is stored already.
    bool insertFirst = false;
    int refused = 0;  // rows the index refused meanwhile
    std::vector<int> sticky;
    std::vector<Child> children;
};

RowCopier::RowCopier(DataSource& source, DataSource& target)
    : RowCopier(source, target, std::make_shared<RowMap>()) {}

RowCopier::RowCopier(DataSource& source, DataSource& target, std::shared_ptr<RowMap> map)
    : source_(source), target_(target), map_(std::move(map)) {
    if (target.def_->name().compare(source.def_->name(), Qt::CaseInsensitive) != 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Impossibile copiare righe di \"%1\" in \"%2\".")
                               .arg(source.def_->name(), target.def_->name()));
    map_->src = source.db_.get();
    map_->dst = target.db_.get();
    auto out = DataSource::open(target.db_, *target.def_, query::RowOIDQueryString(*target.def_, 0, 0));
    plan_ = makePlan(*source.def_, *source.layout_, source.self(), std::move(out));
}

RowCopier::~RowCopier() = default;

std::unique_ptr<RowCopier::Plan> RowCopier::makePlan(const TableDef& srcDef, const RowLayout& srcLayout,
                                                     std::shared_ptr<DataSource> srcTemplate,
                                                     std::shared_ptr<DataSource> out) {
    auto plan = std::make_unique<Plan>();
    const TableDef& def = *out->def_;
    const RowLayout& layout = *out->layout_;
    const bool otherFile = source_.db_ != target_.db_;
    plan->def = &def;
    plan->srcLayout = srcLayout;
    plan->srcOid = srcLayout.indexOf(QStringLiteral("OID"));
    if (def.base && layout.baseLinkIndex() >= 0 && srcLayout.indexOf(def.base->keyFieldName()) >= 0)
        plan->srcBaseLink = srcLayout.indexOf(def.baseLinkColumn());
    auto valueOf = [&](size_t j, int from) {
        Plan::Value v{int(j), from, {}};
        const RowLayout::Column& c = layout[j];
        if (c.kind == RowLayout::Kind::OwnRef && c.ref->byRowLink() && otherFile)
            v.linkedTable = c.ref->table;
        return v;
    };
    // A column the source's file lacked holds nothing there: the target's
    // rows keep their own value of it, and new rows get their defaults.
    const QStringList missing = otherFile ? source_.db_->MissingColumns(srcDef.name()) : QStringList();
    auto lacking = [&](const QString& column) { return missing.contains(column, Qt::CaseInsensitive); };
    for (size_t j = 0; j < layout.size(); ++j) {
        if (!ownColumn(layout[j])) continue;
        const int from = lacking(layout[j].name) ? -1 : srcLayout.indexOf(layout[j].name);
        if (from >= 0)
            plan->values.push_back(valueOf(j, from));
        else
            plan->newRowHook = true;
    }
    if (!def.hooks) plan->newRowHook = false;

    // The identity: the unique key's parts, or for a table without one the
    // whole content but the stamps and the links to other rows.
    if (const KeyDef* k = def.keys.identifyingKey()) {
        for (const QString& part : k->parts()) {
            // Without its key the source's rows cannot be told apart.
            if (lacking(part))
                throw errors::make(errors::CorruptFile,
                                   QStringLiteral("L'archivio \"%1\" non ha la colonna \"%2\" della tabella "
                                                  "\"%3\": impossibile riceverne i dati.")
                                       .arg(QFileInfo(source_.db_->FileName()).fileName(), part, def.name()));
            const int i = layout.indexOf(part);
            if (i < 0 || !ownColumn(layout[size_t(i)])) {
                plan->identity.clear();
                break;
            }
            plan->identity.push_back(valueOf(size_t(i), srcLayout.indexOf(part)));
        }
    } else {
        static const QStringList stamps{QStringLiteral("DataInserimento"), QStringLiteral("DataModifica"),
                                        QStringLiteral("VersioneAggiornamento"),
                                        QStringLiteral("InviatoSede"), QStringLiteral("AcquisitoSede")};
        for (size_t j = 0; j < layout.size(); ++j) {
            const RowLayout::Column& c = layout[j];
            const int from = srcLayout.indexOf(c.name);
            if (from < 0 || lacking(c.name)) continue;
            if ((c.kind == RowLayout::Kind::Own && !stamps.contains(c.name, Qt::CaseInsensitive)) ||
                (c.kind == RowLayout::Kind::OwnRef && !c.ref->byRowLink()))
                plan->identity.push_back(valueOf(j, from));
        }
    }
    if (!plan->identity.empty()) {
        QStringList conds;
        for (const Plan::Value& v : plan->identity)
            conds
                << QStringLiteral("%1 IS ?%2").arg(sqlIdent(layout[size_t(v.to)].name)).arg(conds.size() + 1);
        plan->findSql = QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 LIMIT 1")
                            .arg(sqlIdent(def.name()), conds.join(QStringLiteral(" AND ")));
    }
    for (const char* flag : {"InviatoSede", "NonModificabile"}) {
        const int i = layout.indexOf(QLatin1String(flag));
        if (i >= 0 && layout[size_t(i)].kind == RowLayout::Kind::Own) plan->sticky.push_back(i);
    }

    // The owned child rows: read through the source's own selection of them
    // (its table class may order them), written through one target data
    // source under the target's row.
    for (int i = 0; i < srcDef.references.Count(); ++i) {
        const ReferenceDef& r = srcDef.references.Item(i);
        if (!r.collection || !r.owned) continue;
        Plan::Child child;
        child.source = srcTemplate->GetReference(r.name);
        child.query = child.source->cur_->query();
        child.sql = child.query.sql();
        auto dest = out->GetReference(r.name);
        child.plan = makePlan(*child.source->def_, *child.source->layout_, child.source, std::move(dest));
        const QString table = sqlIdent(child.plan->def->name());
        const QString link = sqlIdent(r.parentLinkColumn());
        child.existingSql =
            QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 = ?1 ORDER BY \"OID\"").arg(table, link);
        if (!child.plan->identity.empty()) {
            QStringList conds;
            for (const Plan::Value& v : child.plan->identity)
                conds << QStringLiteral("%1 IS ?%2")
                             .arg(sqlIdent((*child.plan->out->layout_)[size_t(v.to)].name))
                             .arg(conds.size() + 1);
            conds << QStringLiteral("%1 = ?%2").arg(link).arg(conds.size() + 1);
            child.matchSql = QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 ORDER BY \"OID\"")
                                 .arg(table, conds.join(QStringLiteral(" AND ")));
        }
        plan->children.push_back(std::move(child));
    }
    plan->out = std::move(out);
    return plan;
}

// ---- Referenced rows ------------------------------------------------------------------

qint64 RowCopier::mapRow(const std::shared_ptr<Database>& srcDb, const std::shared_ptr<Database>& dstDb,
                         const QString& table, qint64 srcOid) {
    if (srcDb == dstDb || srcOid == 0) return srcOid;
    const TableDef* st = srcDb->lookup(table);
    const TableDef* dt = dstDb->lookup(table);
    auto src = DataSource::open(srcDb, *st, query::RowOIDQueryString(*st, srcOid, 0));
    if (src->DataEmpty()) return 0;
    auto dst = DataSource::open(dstDb, *dt, query::RowOIDQueryString(*dt, 0, 0));
    src->RowFirst();
    return RowCopier(*src, *dst).findOrCopy();
}

qint64 RowCopier::mapped(const QString& table, qint64 srcOid) {
    if (source_.db_ == target_.db_ || srcOid == 0) return srcOid;
    const QString name = table.toLower();
    QHash<qint64, qint64>& known = map_->oids[name];
    if (const auto it = known.constFind(srcOid); it != known.constEnd()) return *it;
    std::unique_ptr<RowMap::Mapper>& m = map_->mappers[name];
    if (!m) {
        const TableDef* st = source_.db_->lookup(table);
        const TableDef* dt = target_.db_->lookup(table);
        m = std::make_unique<RowMap::Mapper>();
        m->source = DataSource::open(source_.db_, *st, query::RowOIDQueryString(*st, 0, 0));
        m->target = DataSource::open(target_.db_, *dt, query::RowOIDQueryString(*dt, 0, 0));
        // The map is this copier's: the mapper's copier only borrows it.
        m->copier = std::unique_ptr<RowCopier>(new RowCopier(
            *m->source, *m->target, std::shared_ptr<RowMap>(std::shared_ptr<RowMap>(), map_.get())));
    }
    RowMap::Mapper& mapper = *m;  // stays where it is while more mappers join
    const CursorRow* row = mapper.source->cur_->rowOf(source_.db_->conn(), *mapper.source->layout_, srcOid);
    if (!row) return 0;
    const std::vector<core::Variant> values = row->values;
    mapper.copier->undoable_ = undoable_;
    qint64 oid = 0;
    if (const auto found = mapper.copier->findExisting(*mapper.copier->plan_, values)) {
        oid = *found;
    } else {
        {
            UpdateBracket bracket(*target_.db_);
            oid = mapper.copier->copyRow(*mapper.copier->plan_, values);
        }
        mapper.target->invalidate();
    }
    if (oid) known.insert(srcOid, oid);
    return oid;
}

qint64 RowCopier::findOrCopy() {
    if (const auto found = findExisting(*plan_, source_.values())) return *found;
    return copyCurrent();
}

// ---- Rows -----------------------------------------------------------------------------

std::vector<SqlValue> RowCopier::identityValues(Plan& plan, const std::vector<core::Variant>& values) {
    const RowLayout& layout = *plan.out->layout_;
    std::vector<SqlValue> vals;
    vals.reserve(plan.identity.size() + 1);
    for (const Plan::Value& v : plan.identity) {
        const RowLayout::Column& info = layout[size_t(v.to)];
        core::Variant value = v.from >= 0 ? values[size_t(v.from)] : core::Variant::null();
        if (!v.linkedTable.isEmpty() && !value.isEmptyOrNull())
            value = core::Variant(std::int32_t(mapped(v.linkedTable, oidOf(value))));
        vals.push_back(RowLayout::toStorage(info, RowLayout::normalise(plan.def->name(), info, value)));
    }
    return vals;
}

std::optional<qint64> RowCopier::findExisting(Plan& plan, const std::vector<core::Variant>& values) {
    if (plan.identity.empty()) return std::nullopt;
    const std::vector<SqlValue> vals = identityValues(plan, values);
    Statement st = plan.out->db_->conn().prepare(plan.findSql);
    st.bind(vals);
    if (st.step()) return st.int64(0);
    return std::nullopt;
}

void RowCopier::fill(Plan& plan, const std::vector<core::Variant>& values) {
    DataSource& out = *plan.out;
    std::vector<core::Variant>& row = out.edit_->values;
    if (plan.srcBaseLink >= 0) {
        const qint64 link = oidOf(values[size_t(plan.srcBaseLink)]);
        const qint64 base = link ? mapped(plan.def->base->name(), link) : 0;
        row[size_t(out.layout_->baseLinkIndex())] =
            base ? core::Variant(std::int32_t(base)) : core::Variant::null();
    }
    for (const Plan::Value& v : plan.values) {
        core::Variant value = values[size_t(v.from)];
        if (!v.linkedTable.isEmpty() && !value.isEmptyOrNull())
            value = core::Variant(std::int32_t(mapped(v.linkedTable, oidOf(value))));
        row[size_t(v.to)] = RowLayout::normalise(plan.def->name(), (*out.layout_)[size_t(v.to)], value);
    }
}

// The stored row `oid` becomes the row being written: read by its key alone,
// not with a window of rows around it that the copy would never use.
void RowCopier::editStored(DataSource& ds, qint64 oid) {
    ds.cur_->append(oid);
    const CursorRow* r = ds.cur_->rowOf(ds.db_->conn(), *ds.layout_, oid);
    if (!r)
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(ds.def_->name()));
    ds.edit_->begin(*r);
}

// A stored row that the source brings as it is, is not written again: a
// receive of everything rewrites neither the unchanged rows nor their indexes.
void RowCopier::save(DataSource& ds) {
    EditBuffer& edit = *ds.edit_;
    if (edit.editing && !edit.changed()) {
        edit.editing = false;
        edit.values.clear();
        edit.original.clear();
        return;
    }
    ds.saveImpl(false);
}

bool RowCopier::identityIndexed(const Plan& plan) const {
    if (plan.identity.empty()) return false;
    Connection& conn = plan.out->db_->conn();
    const QByteArray table = plan.def->name().toUtf8();
    QSet<QString> wanted;
    for (const Plan::Value& v : plan.identity) {
        const QString& name = (*plan.out->layout_)[size_t(v.to)].name;
        // The look-up compares as the column does: the index must too.
        const char* collation = nullptr;
        if (sqlite3_table_column_metadata(conn.handle(), "main", table.constData(), name.toUtf8().constData(),
                                          nullptr, &collation, nullptr, nullptr, nullptr) != SQLITE_OK ||
            !collation || qstricmp(collation, "BINARY") != 0)
            return false;
        wanted.insert(name.toLower());
    }
    std::vector<QString> unique;
    {
        Statement list = conn.prepare(
            QStringLiteral("SELECT name FROM pragma_index_list(?1) WHERE \"unique\" AND NOT partial"));
        list.bind(1, plan.def->name());
        while (list.step()) unique.push_back(list.text(0));
    }
    for (const QString& index : unique) {
        QSet<QString> columns;
        bool plain = true;
        Statement info =
            conn.prepare(QStringLiteral("SELECT name, coll FROM pragma_index_xinfo(?1) WHERE key"));
        info.bind(1, index);
        while (info.step()) {
            if (info.isNull(0)) plain = false;  // an expression
            columns.insert(info.text(0).toLower());
            if (info.text(1).compare(QLatin1String("BINARY"), Qt::CaseInsensitive) != 0) plain = false;
        }
        if (plain && columns == wanted) return true;
    }
    return false;
}

bool RowCopier::writeAtOnce(Plan& plan, const std::vector<core::Variant>& values) {
    DataSource& out = *plan.out;
    out.startNewRow(false);
    fill(plan, values);
    std::vector<core::Variant>& row = out.edit_->values;
    // An identity with an empty part is found by the look-up (IS NULL) but
    // not refused by the index, where empty values never clash.
    bool complete = true;
    for (const Plan::Value& v : plan.identity) {
        const RowLayout::Column& c = (*out.layout_)[size_t(v.to)];
        if (!(c.col && c.col->isBoolean()) && row[size_t(v.to)].isEmptyOrNull()) complete = false;
    }
    const qint64 oid =
        complete ? out.writer_->insertUnlessKeyTaken(out.db_->conn(), *out.def_, *out.layout_, row) : 0;
    if (oid)
        out.cur_->append(oid);
    else if (++plan.refused == kFewRows)
        plan.insertFirst = false;
    out.edit_->editing = false;
    out.edit_->isNew = false;
    row.clear();
    out.edit_->original.clear();
    return oid != 0;
}

qint64 RowCopier::copyRow(Plan& plan, const std::vector<core::Variant>& values) {
    DataSource& out = *plan.out;
    qint64 oid = 0;
    // The caller's rule sees the row before it is written: the values it
    // leaves, or none when the target is to stay as it is.
    const bool ruled = rule_ && &plan == plan_.get();
    std::vector<core::Variant> accepted;
    auto accept = [&](const RowValues* stored) -> const std::vector<core::Variant>* {
        if (!ruled) return &values;
        accepted = values;
        RowValues incoming(plan.srcLayout, accepted);
        return rule_->Accept(stored, incoming) ? &accepted : nullptr;
    };
    hooks::operation(
        *out.db_,
        [&] {
            const std::vector<core::Variant>* in = &values;
            if (plan.insertFirst && !(in = accept(nullptr))) return;
            // Refused when written at once: stored already, or a part of its
            // identity is empty. Then it is written as any other.
            const bool written = plan.insertFirst && writeAtOnce(plan, *in);
            const auto existing = written ? std::nullopt : findExisting(plan, values);
            if (!written) {
                std::vector<int> keep;
                if (existing) {
                    // The stored row as it is, then the source's values over it.
                    editStored(out, *existing);
                    if (ruled) {
                        const RowValues stored(*out.layout_, out.edit_->values);
                        if (!(in = accept(&stored))) {
                            out.edit_->editing = false;
                            out.edit_->values.clear();
                            out.edit_->original.clear();
                            oid = *existing;
                            return;
                        }
                    }
                    for (int i : plan.sticky)
                        if (out.edit_->values[size_t(i)].toBool()) keep.push_back(i);
                } else {
                    if (!(in = accept(nullptr))) return;
                    out.startNewRow(plan.newRowHook);
                    if (out.db_->operationCancelled()) return;
                }
                fill(plan, *in);
                std::vector<core::Variant>& row = out.edit_->values;
                for (int i : keep) row[size_t(i)] = core::Variant(true);
                save(out);
            }
            oid = out.cur_->keyAt(out.cur_->size() - 1);
            // The child sets become the source's, never doubled.
            if (plan.srcOid >= 0)
                copyChildren(plan, oidOf(values[size_t(plan.srcOid)]), !existing);
            else
                out.deleteOwned(*plan.def, oid);
        },
        undoable_);
    return oid;
}

std::vector<qint64> RowCopier::oidsOf(Database& db, const QString& sql, const std::vector<SqlValue>& params) {
    std::vector<qint64> out;
    Statement st = db.conn().prepare(sql);
    st.bind(params);
    while (st.step()) out.push_back(st.int64(0));
    return out;
}

// The parent's child rows in the target become the source's: a child row
// that has its match there (by its identity under the same parent) is
// written over it and keeps its row identifier (and its values of the
// columns the source lacks), the others are added, and the target's child
// rows that matched none go with their own child rows.
void RowCopier::copyChildren(Plan& plan, qint64 srcOid, bool parentNew) {
    const qint64 parent = plan.out->cur_->keyAt(plan.out->cur_->size() - 1);
    for (Plan::Child& child : plan.children) {
        Plan& cp = *child.plan;
        std::vector<SqlValue> params = child.query.params;
        params.back() = srcOid;
        std::vector<std::vector<core::Variant>> rows;
        {
            Statement st = source_.db_->conn().prepare(child.sql);
            st.bind(params);
            while (st.step()) rows.push_back(cp.srcLayout.readRow(st));
        }
        DataSource& dest = *cp.out;
        dest.parentOid_ = parent;
        // A row just added has no child rows yet.
        const std::vector<qint64> had =
            parentNew ? std::vector<qint64>() : oidsOf(*dest.db_, child.existingSql, {SqlValue(parent)});
        std::set<qint64> unmatched(had.begin(), had.end());
        for (const std::vector<core::Variant>& row : rows) {
            qint64 match = 0;
            if (!unmatched.empty() && !child.matchSql.isEmpty()) {
                std::vector<SqlValue> key = identityValues(cp, row);
                key.push_back(SqlValue(parent));
                for (qint64 candidate : oidsOf(*dest.db_, child.matchSql, key))
                    if (unmatched.count(candidate)) {
                        match = candidate;
                        break;
                    }
            }
            if (match) {
                unmatched.erase(match);
                editStored(dest, match);
            } else {
                dest.startNewRow(cp.newRowHook);
                if (dest.db_->operationCancelled()) return;
            }
            fill(cp, row);
            save(dest);
            if (cp.srcOid >= 0)
                copyChildren(cp, oidOf(row[size_t(cp.srcOid)]), match == 0);
            else if (match)
                dest.deleteOwned(*cp.def, match);
        }
        for (qint64 gone : unmatched) {
            dest.deleteOwned(*cp.def, gone);
            dest.db_->conn()
                .prepare(QStringLiteral("DELETE FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(cp.def->name())))
                .bind(1, gone)
                .run();
        }
        if (!unmatched.empty()) dest.db_->conn().touchData();
    }
}

qint64 RowCopier::copyCurrent() {
    qint64 oid = 0;
    {
        UpdateBracket bracket(*target_.db_);
        const std::vector<core::Variant> values = source_.values();
        oid = copyRow(*plan_, values);
    }
    target_.invalidate();
    return oid;
}

long RowCopier::copyAll(itfProgress* progress, CopyRule* rule) {
    long n = 0;
    rule_ = rule;
    // A slow statement on either side serves the stop while it runs.
    StopPollScope readPoll(source_.db_->conn(), progress);
    StopPollScope writePoll(target_.db_->conn(), progress);
    undoable_ = target_.db_->conn().transLevel() == 0;
    // Into a table that holds next to no rows yet (a first receive: its
    // default row at most) nearly every row is new: it is written at once and
    // looked up only when its unique index refuses it. Into one that holds
    // rows, or once rows are refused often, each is looked up first.
    const SqlValue held =
        target_.db_->conn().scalar(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1 LIMIT %2)")
                                       .arg(sqlIdent(plan_->def->name()))
                                       .arg(kFewRows));
    plan_->insertFirst = !plan_->newRowHook && std::holds_alternative<qint64>(held) &&
                         std::get<qint64>(held) < kFewRows && identityIndexed(*plan_);
    plan_->refused = 0;
    // Such a table, filled inside a receive, is written without its plain
    // indexes, which are made again whole once it is filled: a row added to
    // an index on a name lands on a page of its own, nearly every page of it
    // is written again at each commit, and the log of the large archive's
    // first receive grew to three times the file.
    Connection& out = target_.db_->conn();
    if (plan_->insertFirst) out.setIndexesAside(plan_->def->name());
    bool whole = true;
    if (progress) progress->OnStart(source_.RowCount(), true);
    // One row copied; false when the sink asks to stop.
    auto copyOne = [&](const std::vector<core::Variant>& values) {
        {
            UpdateBracket bracket(*target_.db_);
            copyRow(*plan_, values);
        }
        target_.invalidate();
        ++n;
        if (!progress) return true;
        bool goOn = true, stopped = false;
        progress->OnProgress(n, goOn);
        progress->OnStopped(stopped);
        return goOn && !stopped;
    };
    if (source_.db_->conn().handle() != target_.db_->conn().handle() && !source_.cur_->isStatic()) {
        // Another file, which nothing writes meanwhile: its rows are read in
        // the selection's order by one statement, not window by window
        // through their keys.
        const query::SqlQuery& q = source_.cur_->query();
        Statement st = source_.db_->conn().prepare(q.orderedSql());
        st.bind(q.params);
        while (whole && st.step()) whole = copyOne(plan_->srcLayout.readRow(st));
        // Where the walk of the rows would have left it.
        source_.MoveTo(whole ? source_.RowCount() : n - 1);
    } else {
        for (source_.RowFirst(); !source_.Eof(); source_.RowNext()) {
            if (!source_.RowValid()) continue;
            const std::vector<core::Variant> values = source_.values();
            if (!(whole = copyOne(values))) break;
        }
    }
    // A stop is served at once: the indexes are made again after it.
    if (whole) out.restoreIndexes();
    if (progress) progress->OnEnd();
    return n;
}

// ---- The data source's copies ---------------------------------------------------------

core::Variant DataSource::CopyRowTo(DataSource& target) {
    if (!RowValid() || (edit_->editing && edit_->isNew))
        throw errors::make(
            errors::NoCurrentRow,
            QStringLiteral("Nessun elemento corrente da copiare in \"%1\".").arg(def_->name()));
    RowCopier copier(*this, target);
    return core::Variant(std::int32_t(copier.copyCurrent()));
}

long DataSource::CopyAllTo(DataSource& target, itfProgress* progress, CopyRule* rule) {
    RowCopier copier(*this, target);
    return copier.copyAll(progress, rule);
}

bool RowValues::Has(const QString& column) const { return layout_.indexOf(column) >= 0; }

core::Variant RowValues::Value(const QString& column) const {
    const int i = layout_.indexOf(column);
    return i >= 0 && size_t(i) < values_.size() ? values_[size_t(i)] : core::Variant::null();
}

void RowValues::SetValue(const QString& column, const core::Variant& value) {
    const int i = layout_.indexOf(column);
    if (i >= 0 && size_t(i) < values_.size()) values_[size_t(i)] = value;
}

void DataSource::copyValuesFrom(const DataSource& src, const QStringList& except) {
    QSet<QString> skip;
    for (const QString& s : except) skip.insert(s.trimmed().toLower());
    if (def_->base && layout_->baseLinkIndex() >= 0) {
        const QString keyName = def_->base->keyFieldName();
        if (!skip.contains(keyName.toLower()) && src.ColExist(keyName)) {
            const core::Variant key = src.BaseKey();
            if (!key.isEmptyOrNull()) linkBase(key);
        }
    }
    const std::vector<RowLayout::Column> cols = layout_->columns();
    for (const RowLayout::Column& c : cols) {
        if (!ownColumn(c)) continue;
        if (skip.contains(c.name.toLower()) || !src.ColExist(c.name)) continue;
        if (db_->operationCancelled()) return;
        core::Variant v = src.ColValue(c.name);
        if (c.kind == RowLayout::Kind::OwnRef && c.ref->byRowLink() && !v.isEmptyOrNull() && src.db_ != db_)
            v = core::Variant(std::int32_t(RowCopier::mapRow(src.db_, db_, c.ref->table, oidOf(v))));
        if (c.kind == RowLayout::Kind::OwnRef)
            setReferenceImpl(*c.ref, v);
        else
            setField(c.name, v);
    }
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
        copyValuesFrom(source, except);
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
    if (target.def_->name().compare(def_->name(), Qt::CaseInsensitive) != 0 || target.db_ != db_)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Impossibile spostare righe di \"%1\" in \"%2\".")
                               .arg(def_->name(), target.def_->name()));
    target.checkWritable();
    if (target.parent_ && target.parentOid_ == 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Salvare l'elemento principale prima di aggiungere dettagli."));
    const QSet<QString> anew = nameSet(keyColumnsAnew);
    // The row moves as it stands: its values are written as they are, not
    // set one by one, so that no field rule prices or computes it again. Its
    // new row's rules give the key columns anew, and the two parents' rules
    // hear of the row added to one and removed from the other.
    const std::vector<core::Variant> from = values();
    const RowLayout& fromLayout = *layout_;
    core::Variant key;
    const WritingGuard writing(target.writing_);
    operation([&] {
        target.startNewRow(true);
        if (db_->operationCancelled()) return;
        std::vector<core::Variant>& row = target.edit_->values;
        const RowLayout& toLayout = *target.layout_;
        if (toLayout.baseLinkIndex() >= 0 && fromLayout.baseLinkIndex() >= 0)
            row[size_t(toLayout.baseLinkIndex())] = from[size_t(fromLayout.baseLinkIndex())];
        for (size_t j = 0; j < toLayout.size(); ++j) {
            const RowLayout::Column& c = toLayout[j];
            if ((!ownColumn(c) && c.kind != RowLayout::Kind::Base && c.kind != RowLayout::Kind::BaseRef) ||
                anew.contains(c.name.toLower()))
                continue;
            const int i = fromLayout.indexOf(c.name);
            if (i >= 0)
                row[j] =
                    ownColumn(c) ? RowLayout::normalise(def_->name(), c, from[size_t(i)]) : from[size_t(i)];
        }
        target.saveImpl(true);
        if (db_->operationCancelled()) return;
        key = wholeNumber(target.OID());
        deleteImpl(true);
    });
    return key;
}

}  // namespace datalib
