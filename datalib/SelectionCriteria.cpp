#include "datalib/SelectionCriteria.h"

#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "datalib/Errors.h"
#include "datalib/query/QueryTranslator.h"

#include "datalib/Connection.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

// ---- Stored selections ------------------------------------------------------------------

namespace {

const char* const kCreateStore =
    "CREATE TABLE IF NOT EXISTS _Selezioni (Tabella TEXT NOT NULL COLLATE NOCASE, Nome TEXT NOT NULL, "
    "Righe TEXT NOT NULL DEFAULT '', Condizione TEXT NOT NULL DEFAULT '', PRIMARY KEY (Tabella, Nome))";

bool storeExists(Connection& c) {
    return !std::holds_alternative<std::monostate>(
        c.scalar(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '_Selezioni'")));
}

// A value as its kind and a text that gives it back exactly.
QJsonObject encodeValue(const core::Variant& v) {
    QJsonObject o;
    o.insert(QStringLiteral("t"), int(v.type()));
    switch (v.type()) {
        case core::VType::Empty:
        case core::VType::Null:
            break;
        case core::VType::Boolean:
            o.insert(QStringLiteral("v"), v.toBool());
            break;
        case core::VType::Date:
            o.insert(QStringLiteral("v"), QString::number(v.dateValue().serial(), 'g', 17));
            break;
        case core::VType::Currency:
            o.insert(QStringLiteral("v"), QString::number(v.currencyValue().raw()));
            break;
        case core::VType::String:
            o.insert(QStringLiteral("v"), v.toString());
            break;
        default:
            o.insert(QStringLiteral("v"), QString::number(v.toDouble(), 'g', 17));
            break;
    }
    return o;
}

core::Variant decodeValue(const QJsonObject& o) {
    const QJsonValue v = o.value(QStringLiteral("v"));
    switch (core::VType(o.value(QStringLiteral("t")).toInt())) {
        case core::VType::Empty:
            return core::Variant();
        case core::VType::Null:
            return core::Variant::null();
        case core::VType::Boolean:
            return core::Variant::fromBool(v.toBool());
        case core::VType::Date:
            return core::Variant::fromDate(core::Date(v.toString().toDouble()));
        case core::VType::Currency:
            return core::Variant::fromCurrency(core::Currency::fromRaw(v.toString().toLongLong()));
        case core::VType::String:
            return core::Variant(v.toString());
        default:
            return core::Variant::fromDouble(v.toString().toDouble());
    }
}

}  // namespace

bool SelectionCriteria::Exists(const QString& name) const {
    Connection& c = db_->conn();
    if (!storeExists(c)) return false;
    return !std::holds_alternative<std::monostate>(c.scalar(
        QStringLiteral("SELECT 1 FROM _Selezioni WHERE Tabella = ?1 AND Nome = ?2"), {table_->name(), name}));
}

bool SelectionCriteria::Load(const QString& name) {
    Connection& c = db_->conn();
    if (!storeExists(c)) return false;
    Statement st = c.prepare(
        QStringLiteral("SELECT Righe, Condizione FROM _Selezioni WHERE Tabella = ?1 AND Nome = ?2"));
    st.bind({table_->name(), name});
    if (!st.step()) return false;
    std::vector<FieldCriterion> rows;
    for (const QJsonValue& r : QJsonDocument::fromJson(st.text(0).toUtf8()).array()) {
        const QJsonObject o = r.toObject();
        rows.push_back({o.value(QStringLiteral("column")).toString(), o.value(QStringLiteral("code")).toInt(),
                        decodeValue(o.value(QStringLiteral("value")).toObject()),
                        decodeValue(o.value(QStringLiteral("value2")).toObject())});
    }
    criteria_ = std::move(rows);
    condition_ = st.text(1);
    name_ = name;
    return true;
}

void SelectionCriteria::Save(const QString& name) {
    QJsonArray rows;
    for (const FieldCriterion& f : criteria_)
        rows.append(QJsonObject{{QStringLiteral("column"), f.column},
                                {QStringLiteral("code"), f.code},
                                {QStringLiteral("value"), encodeValue(f.value)},
                                {QStringLiteral("value2"), encodeValue(f.value2)}});
    Connection& c = db_->conn();
    c.exec(QLatin1String(kCreateStore));
    c.prepare(QStringLiteral("INSERT OR REPLACE INTO _Selezioni (Tabella, Nome, Righe, Condizione) "
                             "VALUES (?1, ?2, ?3, ?4)"))
        .bind({table_->name(), name, QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact)),
               condition_})
        .run();
    name_ = name;
}

bool SelectionCriteria::Delete(const QString& name) {
    if (!Exists(name)) return false;
    db_->conn()
        .prepare(QStringLiteral("DELETE FROM _Selezioni WHERE Tabella = ?1 AND Nome = ?2"))
        .bind({table_->name(), name})
        .run();
    return true;
}

}  // namespace datalib
