#pragma once
// A selection on one table: rows of field, comparison and values (each a
// condition built by the library, so typed values are bound and never pasted
// into the query) and, apart from them, a free condition in the query
// language. The combined text AND-s the two and narrows a data source; the
// selection dialog edits both, the search windows fill the rows.

#include "core/Variant.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace datalib {

class Database;
class TableDef;

// One row of a selection: a column (or ordinary reference) of the table, a
// comparison code of BuildFieldCondition (0 =, 1 <>, 2 >=, 3 <=, 6 from-to,
// 256 begins with, 257 contains) and its values (the second one only for 6).
struct FieldCriterion {
    QString column;
    int code = 0;
    core::Variant value;
    core::Variant value2;
};

class SelectionCriteria {
  public:
    SelectionCriteria(std::shared_ptr<Database> db, const TableDef& table);

    const TableDef& table() const { return *table_; }
    const std::shared_ptr<Database>& database() const { return db_; }

    // The name it was last loaded or saved under (the tree node's text).
    const QString& Name() const { return name_; }
    void SetName(const QString& name) { name_ = name; }

    // Removes every field row (the free condition stays).
    void ResetCriteria();
    // Adds a row. An unknown column, an unknown code, a value that does not
    // fit the column, or "begins with"/"contains" on a column that is not
    // text raises AppError with an Italian message; nothing is added then.
    void AddFieldCriterion(const QString& column, int code, const core::Variant& value,
                           const core::Variant& value2 = {});
    const std::vector<FieldCriterion>& Criteria() const { return criteria_; }

    // The free condition (query language, as typed).
    const QString& ConditionText() const { return condition_; }
    void SetConditionText(const QString& text) { condition_ = text.trimmed(); }

    // The field rows AND-ed, then (with condition) the free condition:
    // "(rows) AND (free)"; empty when there is nothing.
    QString CombinedText(bool withCriteria = true, bool withCondition = true) const;
    // Raises the parser's AppError when the combined text cannot be read on
    // the table.
    void Check() const;
    // True when a row is on the column or the free condition names it.
    bool TestColumn(const QString& column) const;
    bool IsEmpty() const { return criteria_.empty() && condition_.isEmpty(); }

    // ---- Stored selections --------------------------------------------------------
    // Kept in the library's own table of the database, by the table's name and
    // a name (the tree node's text). A stored selection is loaded as it was
    // written, also when a column it names has gone since: building its text
    // then raises the library's message, and it stays stored to be edited or
    // deleted.
    bool Exists(const QString& name) const;
    // Replaces rows and free condition with the stored ones and takes the
    // name; false (and nothing changed) when none is stored under it.
    bool Load(const QString& name);
    // Stores rows and free condition under the name (replacing what was
    // there) and takes the name.
    void Save(const QString& name);
    // False when none was stored under the name.
    bool Delete(const QString& name);

    // The comparisons offered to the operator, in the order of Codes().
    static const QStringList& ComparisonNames();
    static const std::vector<int>& ComparisonCodes();

  private:
    QString criterionText(const FieldCriterion& c) const;

    std::shared_ptr<Database> db_;
    const TableDef* table_;
    QString name_;
    std::vector<FieldCriterion> criteria_;
    QString condition_;
};

}  // namespace datalib
