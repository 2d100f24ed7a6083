#include "datalib/SelectionCriteria.h"

#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Errors.h"
#include "datalib/query/QueryTranslator.h"

#include <QRegularExpression>

#include <algorithm>

namespace datalib {

SelectionCriteria::SelectionCriteria(std::shared_ptr<Database> db, const TableDef& table)
    : db_(std::move(db)), table_(&table) {}

const QStringList& SelectionCriteria::ComparisonNames() {
    static const QStringList names{QStringLiteral("="),        QStringLiteral("<>"),
                                   QStringLiteral(">="),       QStringLiteral("<="),
                                   QStringLiteral("da ... a"), QStringLiteral("inizia con"),
                                   QStringLiteral("contiene")};
    return names;
}

const std::vector<int>& SelectionCriteria::ComparisonCodes() {
    static const std::vector<int> codes{query::MatchEqual,     query::MatchNotEqual, query::MatchGreaterEqual,
                                        query::MatchLessEqual, query::MatchRange,    query::MatchBeginsWith,
                                        query::MatchContains};
    return codes;
}

void SelectionCriteria::ResetCriteria() { criteria_.clear(); }

QString SelectionCriteria::criterionText(const FieldCriterion& c) const {
    if (c.code == query::MatchBeginsWith || c.code == query::MatchContains) {
        const ColumnDef* def = table_->findColumn(c.column);
        if (def && !def->isText()) {
            const int i = int(std::find(ComparisonCodes().begin(), ComparisonCodes().end(), c.code) -
                              ComparisonCodes().begin());
            throw errors::make(errors::InvalidValue,
                               QStringLiteral("Il confronto \"%1\" vale solo per i campi di testo (%2).")
                                   .arg(ComparisonNames().value(i), def->name));
        }
    }
    return query::BuildFieldCondition(*table_, c.column, c.value, c.code, c.value2);
}

void SelectionCriteria::AddFieldCriterion(const QString& column, int code, const core::Variant& value,
                                          const core::Variant& value2) {
    FieldCriterion c{column, code, value, value2};
    criterionText(c);  // refuses what cannot be built
    criteria_.push_back(std::move(c));
}

QString SelectionCriteria::CombinedText(bool withCriteria, bool withCondition) const {
    QStringList parts;
    if (withCriteria)
        for (const FieldCriterion& c : criteria_) parts << criterionText(c);
    QString rows = parts.join(QLatin1String(" AND "));
    const QString free = withCondition ? condition_ : QString();
    if (rows.isEmpty()) return free;
    if (free.isEmpty()) return rows;
    return QStringLiteral("(%1) AND (%2)").arg(rows, free);
}

void SelectionCriteria::Check() const {
    const QString text = CombinedText();
    if (text.isEmpty()) return;
    auto* db = db_.get();
    query::checkFilter(
        *table_, [db](const QString& n) { return db ? db->lookup(n) : nullptr; }, text);
}

bool SelectionCriteria::TestColumn(const QString& column) const {
    if (column.isEmpty()) return false;
    for (const FieldCriterion& c : criteria_)
        if (c.column.compare(column, Qt::CaseInsensitive) == 0 ||
            c.column.endsWith(QLatin1Char('.') + column, Qt::CaseInsensitive))
            return true;
    const QRegularExpression word(
        QStringLiteral("(^|[^\\w])%1($|[^\\w])").arg(QRegularExpression::escape(column)),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return word.match(condition_).hasMatch();
}

}  // namespace datalib
