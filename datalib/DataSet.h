#pragma once
// One defined table of an open database (`GetDataSet`): its name, caption,
// columns and references, and the data sources opened on it.

#include "core/Object.h"
#include "core/Variant.h"
#include "datalib/Definitions.h"
#include "datalib/FieldMatch.h"

#include <QString>
#include <memory>

namespace datalib {

class Database;
class DataSource;

class DataSet : public core::Object {
  public:
    DataSet(std::weak_ptr<Database> db, const TableDef& def) : db_(std::move(db)), def_(def) {}

    const QString& Name() const { return def_.name(); }
    // The caption the table class gave, or the table's name.
    QString PresentationName() const { return def_.caption(); }
    QString KeyFieldName() const { return def_.keyFieldName(); }
    const TableDef& definition() const { return def_; }
    const ColumnCollection& Columns() const { return def_.columns; }
    const ReferenceCollection& References() const { return def_.references; }
    const KeyCollection& Keys() const { return def_.keys; }
    // A column of the table or of its base table, any letter case.
    bool ColExist(const QString& name) const { return def_.findColumn(name) != nullptr; }
    // The table this one is based on, or nullptr.
    std::shared_ptr<DataSet> BaseDataSet() const;
    // The table of the first collection that holds this table's rows, or nullptr.
    std::shared_ptr<DataSet> ParentDataSet() const;
    // The name of the reference through which the parent holds these rows.
    QString ParentLinkField() const;
    // The column by which these rows name their parent row, qualified
    // ("RigheOrdini.OID_Ordini_Righe"), and the parent's column it holds
    // ("Ordini.OID"); empty for a table without parent.
    QString QualifiedParentLinkColumn() const;
    QString QualifiedParentKeyColumn() const;

    // Opens a data source with a filter, an order and a column list; the
    // base filter stays under every filter set later (DataSource::SetBaseFilter).
    std::shared_ptr<DataSource> OpenDataSource(const QString& filter = {}, const QString& sort = {},
                                               const QString& columns = {},
                                               const QString& baseFilter = {}) const;
    // The same on another database opened with the same definitions (the
    // head-office archive); a null database means this one.
    std::shared_ptr<DataSource> GetDataSource(const std::shared_ptr<Database>& db, int mode,
                                              const QString& filter = {}, const QString& sort = {}) const;
    // True when the table holds no row.
    bool IsEmpty() const;

    // Condition builders of the query language (see QueryTranslator.h).
    QString BuildFieldCondition(const QString& column, const core::Variant& value, int code,
                                const core::Variant& value2 = {},
                                const QString& wildcard = QStringLiteral("%")) const;
    QString JoinCondition(const QString& reference) const;

    std::shared_ptr<Database> database() const;

    QString typeName() const override { return QStringLiteral("DataSet"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;

  private:
    std::weak_ptr<Database> db_;
    const TableDef& def_;
};

}  // namespace datalib
