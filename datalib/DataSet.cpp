#include "datalib/DataSet.h"

#include "datalib/Connection.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Errors.h"
#include "datalib/query/QueryTranslator.h"

namespace datalib {

std::shared_ptr<Database> DataSet::database() const {
    auto db = db_.lock();
    if (!db)
        throw errors::make(errors::Storage,
                           QStringLiteral("Il database della tabella \"%1\" è chiuso.").arg(Name()));
    return db;
}

std::shared_ptr<DataSet> DataSet::BaseDataSet() const {
    return def_.base ? database()->Tables(def_.base->name()) : nullptr;
}

std::shared_ptr<DataSet> DataSet::ParentDataSet() const {
    return def_.parents.empty() ? nullptr : database()->Tables(def_.parents.front()->ownerTable);
}

QString DataSet::ParentLinkField() const {
    return def_.parents.empty() ? QString() : def_.parents.front()->name;
}

QString DataSet::QualifiedParentLinkColumn() const {
    return def_.parents.empty() ? QString() : Name() + u'.' + def_.parents.front()->parentLinkColumn();
}

QString DataSet::QualifiedParentKeyColumn() const {
    return def_.parents.empty() ? QString() : def_.parents.front()->ownerTable + QStringLiteral(".OID");
}

std::shared_ptr<DataSource> DataSet::OpenDataSource(const QString& filter, const QString& sort,
                                                    const QString& columns, const QString& baseFilter) const {
    return DataSource::open(database(), def_, filter, sort, columns, nullptr, nullptr, false, baseFilter);
}

std::shared_ptr<DataSource> DataSet::GetDataSource(const std::shared_ptr<Database>& db, int,
                                                   const QString& filter, const QString& sort) const {
    auto target = db ? db : database();
    const TableDef* t = target->tableDef(Name());
    if (!t)
        throw errors::make(errors::UnknownTable,
                           QStringLiteral("La tabella \"%1\" non è definita nel database.").arg(Name()));
    return DataSource::open(target, *t, filter, sort);
}

bool DataSet::IsEmpty() const {
    auto db = database();
    Statement st = db->conn().prepare(QStringLiteral("SELECT 1 FROM \"%1\" LIMIT 1").arg(Name()));
    return !st.step();
}

QString DataSet::BuildFieldCondition(const QString& column, const core::Variant& value, int code,
                                     const core::Variant& value2, const QString& wildcard) const {
    return query::BuildFieldCondition(def_, column, value, code, value2, wildcard);
}

QString DataSet::JoinCondition(const QString& reference) const {
    const ReferenceDef* r = def_.findReference(reference);
    if (!r)
        throw errors::make(
            errors::UnknownReference,
            QStringLiteral("La tabella \"%1\" non ha il riferimento \"%2\".").arg(Name(), reference));
    return query::JoinCondition(def_, *r);
}

}  // namespace datalib
