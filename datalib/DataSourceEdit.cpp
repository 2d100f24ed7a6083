// A data source's changes: every one runs as an operation of the database
// with the table class's hooks (see DataSource.h), undone from the snapshots
// taken before it when a hook refuses. Setting and adding to columns, a new
// row, the save, the delete with the rows a row owns, and the delete of the
// whole selection.

#include "datalib/DataSource.h"

#include "datalib/DataSourceParts.h"

#include "datalib/Connection.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/Interfaces.h"
#include "datalib/ReadOnlyScript.h"

namespace datalib {

// ---- Operations and hooks -------------------------------------------------------------

void DataSource::operation(const std::function<void()>& body) { hooks::operation(*db_, body); }

void DataSource::hook(const std::function<void()>& call) { hooks::call(*db_, call); }

bool DataSource::hooksActive() const { return def_->hooks && db_->State() != Database::StateUpdating; }

void DataSource::checkWritable() const {
    // The system parameters hold the exchange's address and versions: a
    // script reads them, only the program writes them.
    if (db_->inScriptCall() && def_->name().compare(Database::sysParamTableName(), Qt::CaseInsensitive) == 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("I parametri di sistema non sono modificabili da uno script."));
    if (db_->AccessLevel() < 0 && db_->State() == Database::StateOpen && !db_->inOperation())
        throw errors::make(
            errors::NotAllowed,
            QStringLiteral("L'utente collegato può soltanto consultare i dati: modifica non consentita."));
}

void DataSource::checkScriptChange(const char* change) const {
    if (!db_->inScriptCall()) return;
    if (const QString* script = ReadOnlyScript::running())
        throw errors::make(errors::NotAllowed, *script + QStringLiteral(" può soltanto leggere i dati: ") +
                                                   QString::fromUtf8(change) + QLatin1Char('.'));
}

std::shared_ptr<void> DataSource::snapshot() const {
    auto s = std::make_shared<DataSourceSnapshot>();
    s->edit = *edit_;
    s->place = cur_->place();
    s->keyMark = cur_->countMark();
    return s;
}

void DataSource::keepKeys(const std::shared_ptr<void>& snap) const {
    auto* s = static_cast<DataSourceSnapshot*>(snap.get());
    if (s->hasKeys) return;
    const std::vector<qint64>& keys = cur_->keys();
    s->keys.assign(keys.begin(), keys.begin() + long(std::min(cur_->countAt(s->keyMark), keys.size())));
    s->hasKeys = true;
}

void DataSource::restore(const std::shared_ptr<void>& snap) {
    const auto* s = static_cast<const DataSourceSnapshot*>(snap.get());
    *edit_ = s->edit;
    cur_->setPlace(s->place);
    if (s->hasKeys)
        cur_->setKeys(s->keys);
    else
        cur_->truncate(s->keyMark);
    cur_->forget();
}

void DataSource::invalidate() { cur_->forget(); }

void DataSource::beginEdit() {
    if (edit_->editing) return;
    if (cur_->isStatic())
        throw errors::make(errors::NotAllowed, QStringLiteral("Questi dati non sono modificabili."));
    const CursorRow* r = currentRow();
    if (!r)
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    edit_->begin(*r);
}

bool DataSource::IsChanged() const { return edit_->changed(); }

void DataSource::SetColValue(const QString& name, const core::Variant& value) { setField(name, value); }

void DataSource::AddColValue(const QString& name, double amount) {
    const int i = colIndex(name);
    if (i < 0) unknownColumn(*def_, name);
    const core::Variant cur = ColValue(name);
    const ColumnDef* c = (*layout_)[size_t(i)].col;
    if (c && c->isMoney())
        setField(name, (cur.isEmptyOrNull() ? core::Currency() : cur.toCurrency()) +
                           core::Currency::fromDouble(amount));
    else
        setField(name, (cur.isEmptyOrNull() ? 0.0 : cur.toDouble()) + amount);
}

void DataSource::SubColValue(const QString& name, double amount) { AddColValue(name, -amount); }

void DataSource::setField(const QString& name, const core::Variant& value) {
    checkScriptChange("la modifica dei valori non è consentita");
    checkWritable();
    const int i = colIndex(name);
    if (i < 0) {
        if (const ReferenceDef* r = def_->findReference(name); r && !r->collection) {
            SetReference(name, value);
            return;
        }
        unknownColumn(*def_, name);
    }
    const RowLayout::Column& info = (*layout_)[size_t(i)];
    if (info.kind == RowLayout::Kind::OwnRef || info.kind == RowLayout::Kind::BaseRef) {
        SetReference(name, value);
        return;
    }
    if (info.kind == RowLayout::Kind::Base && def_->base &&
        info.name.compare(def_->base->keyFieldName(), Qt::CaseInsensitive) == 0) {
        linkBase(value);
        return;
    }
    if (info.kind != RowLayout::Kind::Own)
        throw errors::make(
            errors::NotAllowed,
            QStringLiteral("La colonna \"%1\" di \"%2\" non è modificabile.").arg(info.name, def_->name()));
    if (!RowValid())
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    const core::Variant nv = RowLayout::normalise(def_->name(), info, value);
    const QString colName = info.name;
    operation([&] {
        db_->touch(*this);
        beginEdit();
        if (hooksActive()) {
            hook([&] { def_->hooks->OnBeforeUpdateField(*this, colName); });
            if (db_->operationCancelled()) return;
            beginEdit();  // the hook may have saved the row meanwhile
        }
        edit_->values[size_t(i)] = nv;
        if (hooksActive()) hook([&] { def_->hooks->OnUpdateField(*this, colName); });
    });
}

// ---- Rows --------------------------------------------------------------------------------

void DataSource::startNewRow(bool runHooks) {
    if (edit_->editing) saveImpl(true);
    if (cur_->isStatic())
        throw errors::make(errors::NotAllowed, QStringLiteral("Questi dati non sono modificabili."));
    db_->touch(*this);
    edit_->values.assign(layout_->size(), core::Variant::null());
    for (size_t j = 0; j < layout_->size(); ++j)
        if ((*layout_)[j].col && (*layout_)[j].col->isBoolean()) edit_->values[j] = core::Variant(false);
    if (layout_->parentLinkIndex() >= 0)
        edit_->values[size_t(layout_->parentLinkIndex())] = wholeNumber(parentOid_);
    edit_->original = edit_->values;
    edit_->editing = true;
    edit_->isNew = true;
    edit_->oid = 0;
    cur_->setPosition(cur_->size());
    if (!runHooks) return;
    if (def_->hooks) hook([&] { def_->hooks->OnNewRow(*this); });
    if (parent_ && parentRef_ && hooksActive() && parent_->def_->hooks) {
        auto p = parent_;
        hook([&] { p->def_->hooks->OnNewReference(*p, *this, parentRef_->name); });
    }
}

void DataSource::AddNew() {
    checkScriptChange("l'aggiunta di righe non è consentita");
    checkWritable();
    if (parent_ && parentOid_ == 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Salvare l'elemento principale prima di aggiungere dettagli."));
    operation([&] {
        startNewRow(true);
        if (parent_ && hooksActive()) hook([&] { def_->hooks->OnSetParent(*this, parentRef_->ownerTable); });
    });
}

core::Variant DataSource::InsertFromPairs(const std::vector<core::Variant>& pairs) {
    checkScriptChange("l'aggiunta di righe non è consentita");
    checkWritable();
    if (parent_ && parentOid_ == 0)
        throw errors::make(errors::NotAllowed,
                           QStringLiteral("Salvare l'elemento principale prima di aggiungere dettagli."));
    qint64 oid = 0;
    const WritingGuard writing(writing_);
    operation([&] {
        startNewRow(true);
        if (db_->operationCancelled()) return;
        std::vector<bool> done(pairs.size() / 2, false);
        // The base row first, so that its columns are there for the rest.
        if (def_->base) {
            const QString keyName = def_->base->keyFieldName();
            for (size_t k = 0; k + 1 < pairs.size(); k += 2)
                if (pairs[k].toString().compare(keyName, Qt::CaseInsensitive) == 0 &&
                    !def_->columns.find(keyName)) {
                    linkBase(pairs[k + 1]);
                    done[k / 2] = true;
                    break;
                }
        }
        if (db_->operationCancelled()) return;
        if (parent_ && hooksActive()) hook([&] { def_->hooks->OnSetParent(*this, parentRef_->ownerTable); });
        for (size_t k = 0; k + 1 < pairs.size(); k += 2) {
            if (done[k / 2] || db_->operationCancelled()) continue;
            const QString name = pairs[k].toString();
            const int i = colIndex(name);
            const ReferenceDef* r = def_->findReference(name);
            if ((i < 0 && !r) || (r && r->collection)) continue;  // names the table does not have
            if (i >= 0 && ((*layout_)[size_t(i)].kind == RowLayout::Kind::Expr ||
                           (*layout_)[size_t(i)].kind == RowLayout::Kind::OID ||
                           (*layout_)[size_t(i)].kind == RowLayout::Kind::Link))
                continue;
            setField(name, pairs[k + 1]);
        }
        if (db_->operationCancelled()) return;
        saveImpl(true);
        oid = OID();
    });
    return wholeNumber(oid);
}

bool DataSource::Save() {
    if (!edit_->editing) return false;
    // Also the save that a move or a new selection makes of a change in
    // progress (the program's own, when the script was handed that row).
    checkScriptChange("il salvataggio non è consentito");
    const bool wasNew = edit_->isNew;
    operation([&] { saveImpl(true); });
    return wasNew;
}

void DataSource::CancelUpdate() {
    if (!edit_->editing) return;
    checkScriptChange("l'annullamento delle modifiche in corso non è consentito");
    const bool wasNew = edit_->isNew;
    edit_->editing = false;
    edit_->isNew = false;
    edit_->values.clear();
    edit_->original.clear();
    if (wasNew) cur_->setPosition(cur_->empty() ? -1 : std::min(cur_->position(), cur_->size() - 1));
}

void DataSource::writeRow() {
    const bool wasNew = edit_->isNew;
    edit_->oid = writer_->write(db_->conn(), *def_, *layout_, edit_->values, wasNew, edit_->oid);
    if (wasNew) cur_->append(edit_->oid);
}

void DataSource::saveImpl(bool runHooks) {
    if (!edit_->editing) return;
    const bool wasNew = edit_->isNew;
    const bool active = runHooks && hooksActive();
    db_->touch(*this);
    std::shared_ptr<DataSource> parent = active ? parentForRow() : nullptr;
    const ReferenceDef* pref = parentReference();
    const bool parentHooks = parent && pref && parent->def_->hooks;
    const bool parentWasEditing = parent && parent->edit_->editing;
    if (parentHooks && !wasNew) {
        auto before = DataSource::open(db_, *def_, query::RowOIDQueryString(*def_, edit_->oid, 0));
        hook([&] {
            parent->def_->hooks->OnBeforeUpdateReference(*parent, before.get(), pref->name,
                                                         RefChange::RowChanged, 0);
        });
        if (db_->operationCancelled()) return;
    }
    if (active) {
        hook([&] { def_->hooks->OnUpdateRow(*this); });
        if (db_->operationCancelled()) return;
    }
    writeRow();
    edit_->editing = false;
    edit_->isNew = false;
    edit_->values.clear();
    edit_->original.clear();
    if (parentHooks) {
        hook([&] {
            parent->def_->hooks->OnUpdateReference(*parent, this, pref->name,
                                                   wasNew ? RefChange::RowAdded : RefChange::RowChanged, 0);
        });
        if (db_->operationCancelled()) return;
        if (!parentWasEditing && parent->edit_->editing) parent->saveImpl(true);
    }
}

// The rows a row owns go with it, level by level. With a progress sink the
// first level is deleted a row at a time, each row a step; a stop raises the
// cancel that undoes the whole delete. Returns the steps: the owned rows of
// the first level and the row itself, whose delete is the caller's.
long DataSource::deleteOwned(const TableDef& t, qint64 oid, itfProgress* progress) {
    struct Owned {
        const TableDef* child;
        QString link;
        std::vector<qint64> kids;
    };
    std::vector<Owned> owned;
    long total = 1;  // the row itself
    for (int i = 0; i < t.references.Count(); ++i) {
        const ReferenceDef& r = t.references.Item(i);
        if (!r.collection || !r.owned) continue;
        Owned o{db_->lookup(r.table), r.parentLinkColumn(), {}};
        Statement st = db_->conn().prepare(QStringLiteral("SELECT \"OID\" FROM %1 WHERE %2 = ?1")
                                               .arg(sqlIdent(o.child->name()), sqlIdent(o.link)));
        st.bind(1, oid);
        while (st.step()) o.kids.push_back(st.int64(0));
        total += long(o.kids.size());
        owned.push_back(std::move(o));
    }
    long done = 0;
    auto step = [&] {
        if (!progress) return;
        bool goOn = true;
        progress->OnProgress(++done, goOn);
        if (!goOn) throw errors::make(errors::Cancelled, QStringLiteral("Eliminazione interrotta."), true);
    };
    if (progress) progress->OnStart(total, true);
    for (const Owned& o : owned) {
        for (qint64 k : o.kids) {
            deleteOwned(*o.child, k);
            if (!progress) continue;
            db_->conn()
                .prepare(QStringLiteral("DELETE FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(o.child->name())))
                .bind(1, k)
                .run();
            step();
        }
        if (progress) continue;
        db_->conn()
            .prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?1")
                         .arg(sqlIdent(o.child->name()), sqlIdent(o.link)))
            .bind(1, oid)
            .run();
    }
    return total;
}

void DataSource::deleteImpl(bool runHooks, itfProgress* progress) {
    if (edit_->editing && edit_->isNew) {
        CancelUpdate();
        return;
    }
    if (edit_->editing) CancelUpdate();
    const CursorRow* r = currentRow();
    if (!r)
        throw errors::make(errors::NoCurrentRow,
                           QStringLiteral("Nessun elemento corrente in \"%1\".").arg(def_->name()));
    const qint64 oid = r->oid;
    const bool active = runHooks && hooksActive();
    db_->touch(*this, true);
    if (active) {
        hook([&] { def_->hooks->OnDeleteRow(*this); });
        if (db_->operationCancelled()) return;
    }
    auto gone = [&] {
        const long at = cur_->find(oid);
        if (at >= 0) cur_->removeAt(at);
    };
    // A hook may already have deleted the row (a whole promotion).
    {
        Statement st = db_->conn().prepare(
            QStringLiteral("SELECT 1 FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(def_->name())));
        st.bind(1, oid);
        if (!st.step()) {
            gone();
            return;
        }
    }
    std::shared_ptr<DataSource> parent = active ? parentForRow() : nullptr;
    const ReferenceDef* pref = parentReference();
    const bool parentWasEditing = parent && parent->edit_->editing;
    if (parent && pref && parent->def_->hooks) {
        hook([&] {
            parent->def_->hooks->OnBeforeUpdateReference(*parent, this, pref->name, RefChange::RowDeleted, 0);
        });
        if (db_->operationCancelled()) return;
    }
    const long steps = deleteOwned(*def_, oid, progress);
    db_->conn()
        .prepare(QStringLiteral("DELETE FROM %1 WHERE \"OID\" = ?1").arg(sqlIdent(def_->name())))
        .bind(1, oid)
        .run();
    if (progress) {
        // The last step: nothing is left to stop.
        bool goOn = true;
        progress->OnProgress(steps, goOn);
    }
    db_->conn().touchData();
    gone();
    if (parent && !parentWasEditing && parent->edit_->editing) parent->saveImpl(true);
}

void DataSource::DeleteRow(itfProgress* progress) {
    checkScriptChange("l'eliminazione non è consentita");
    checkWritable();
    try {
        operation([&] { deleteImpl(true, progress); });
    } catch (...) {
        if (progress) progress->OnEnd();
        throw;
    }
    if (progress) progress->OnEnd();
}

long DataSource::DeleteAll(itfProgress* progress) {
    checkScriptChange("l'eliminazione non è consentita");
    checkWritable();
    long n = 0;
    if (progress) progress->OnStart(RowCount(), true);
    operation([&] {
        if (edit_->editing) CancelUpdate();
        cur_->setPosition(cur_->empty() ? -1 : 0);
        while (!cur_->empty() && !db_->operationCancelled()) {
            cur_->setPosition(0);
            const size_t before = size_t(cur_->size());
            deleteImpl(true);
            if (size_t(cur_->size()) == before) break;
            ++n;
            if (progress) {
                bool goOn = true;
                progress->OnProgress(n, goOn);
                if (!goOn) break;
            }
        }
    });
    if (progress) progress->OnEnd();
    cur_->setPosition(cur_->empty() ? -1 : 0);
    return n;
}

}  // namespace datalib
