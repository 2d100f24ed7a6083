#pragma once
// What the library tells of the relations of a table, level by level, and
// the rows each relation leads to; also the tests that say what may be done
// with a data source's rows.
//
// Levels: level 1 is the table of the data source, level 2 the table whose
// collection holds its rows (its ParentDataSet), and so on up; the data
// source of one level up is the row holding the current one.
// Per level, three kinds of relation, each in declaration order:
// - associated: the table's collections (an order's `Righe`, `Documenti`)
//   and the tables whose ordinary references lead to it (a customer's
//   `Ordini`, `SediClienti`), captioned with that table's caption; several
//   rows, unless the referring column alone is a unique key;
// - references: each ordinary reference (own and of the base table), leading
//   to the rows of the same table with the same value; captioned with the
//   reference's name split at its inner capitals ("Tipo Pagamento");
// - containers: the tables whose collections hold the rows.
// Excluded (counted, but not offered): references declared with flag False
// and relations to the library's own tables. Allowed: the operator may
// browse the table the relation opens.
// Describing reads no rows.

#include "core/Variant.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace datalib {

class Database;
class DataSource;
class TableDef;
struct ReferenceDef;

enum class RelationKind { Associated = 0, Reference = 1, Container = 2 };

struct RelationDesc {
    RelationKind kind = RelationKind::Associated;
    QString caption;            // the library's caption of the relation
    QString targetDescription;  // description of the data set it leads to
    bool excluded = false;
    bool targetExcluded = false;
    bool allowed = true;
    bool severalRows = false;
    QString table;      // the table whose rows it opens
    QString reference;  // the collection, the referring reference, or the reference
    bool collection = false;
};

struct RelationLevel {
    const TableDef* table = nullptr;
    QString description;  // the table's caption
    std::vector<RelationDesc> associated, references, containers;
    const std::vector<RelationDesc>& of(RelationKind kind) const;
};

// Whether the signed-in operator may browse a table (by name); null: every table.
using BrowsePermission = std::function<bool(const QString& table)>;

// The levels of relations of a table, from level 1 up.
std::vector<RelationLevel> DescribeRelations(const Database& db, const TableDef& table,
                                             const BrowsePermission& mayBrowse = {});

// "TipoPagamentoAbituale" -> "Tipo Pagamento Abituale".
QString SplitAtCapitals(const QString& name);

// The data source one level up: the row that holds the current one; nullptr
// when there is none.
std::shared_ptr<DataSource> LevelUp(DataSource& ds);

// The rows a relation of ds's own level leads to, for ds's current row.
std::shared_ptr<DataSource> RelatedRows(DataSource& ds, const RelationDesc& relation);

// ---- References ---------------------------------------------------------------
// The row an ordinary reference leads to for a stored key value (the
// referenced row's key, or its OID for a row link); nullptr when none.
std::shared_ptr<DataSource> ReferencedRow(const std::shared_ptr<Database>& db, const ReferenceDef& reference,
                                          const core::Variant& key);
// The column a reference is typed as: its key column, or for a row link the
// first column it shows.
QString ReferenceTypedColumn(const Database& db, const ReferenceDef& reference);
// The rows of the referenced table whose typed column equals the text.
std::shared_ptr<DataSource> ReferenceRowsFor(const std::shared_ptr<Database>& db,
                                             const ReferenceDef& reference, const QString& typed);

// ---- What may be done with the rows ----------------------------------------
// Changes: the operator's level is 0 or 1 (not -1, consult only) and the
// rows are not a DISTINCT list.
bool AllowsChanges(const DataSource& ds);
// Deletion: the same.
bool AllowsDeletion(const DataSource& ds);
// The current row may be used for a relation: valid, saved and unchanged.
bool UsableForRelation(const DataSource& ds);

}  // namespace datalib
