#include "reports/LayoutRow.h"

#include "datalib/DataSource.h"
#include "datalib/Database.h"

namespace reports {

void ReadLayoutField(const datalib::DataSource& row, const QString& column, QString& field) {
    field = row.ColValueStr(column);
}

void ReadLayoutField(const datalib::DataSource& row, const QString& column, bool& field) {
    field = row.ColValueBool(column);
}

void ReadLayoutField(const datalib::DataSource& row, const QString& column, core::Variant& field) {
    field = row.ColValue(column);
}

void WriteLayoutField(datalib::DataSource& row, const QString& column, const core::Variant& value) {
    row.SetColValue(column, value);
}

void InsertLayoutRow(datalib::Database& db, const QString& table, const std::vector<core::Variant>& pairs) {
    db.OpenDataSource(table, QStringLiteral("OID = 0"))->InsertFromPairs(pairs);
}

float LayoutSize(const core::Variant& value) {
    if (value.isEmptyOrNull()) return 0;
    if (value.isString() && value.stringValue().trimmed().isEmpty()) return 0;
    return float(value.toDouble());
}

}  // namespace reports
