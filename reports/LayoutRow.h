#pragma once
// The fields of a stored layout row, shared by the report and the label
// layout records: how each kind of field is read, how a whole record is read,
// written and inserted through its list of columns, and how a stored size is
// taken by the runners.

#include "core/Variant.h"

#include <QString>

#include <vector>

namespace datalib {
class DataSource;
class Database;
}  // namespace datalib

namespace reports {

// Reads a column of the current row into a field: texts and flags as the
// row gives them (Null as "" and False), sizes as stored (Null or a number).
void ReadLayoutField(const datalib::DataSource& row, const QString& column, QString& field);
void ReadLayoutField(const datalib::DataSource& row, const QString& column, bool& field);
void ReadLayoutField(const datalib::DataSource& row, const QString& column, core::Variant& field);

void WriteLayoutField(datalib::DataSource& row, const QString& column, const core::Variant& value);
// Inserts a row from its name/value pairs.
void InsertLayoutRow(datalib::Database& db, const QString& table, const std::vector<core::Variant>& pairs);

// A stored size as the runners use it: Null and blanks are 0.
float LayoutSize(const core::Variant& value);

// Adds a column and its value to the name/value pairs of an insert.
template <class T>
void AddLayoutPair(std::vector<core::Variant>& pairs, const QString& column, const T& field) {
    pairs.emplace_back(column);
    pairs.emplace_back(core::Variant(field));
}

// A record's columns come from Record::eachColumn(record, f), which calls
// f(column, field) for every column in the order a row is written.
template <class Record>
Record ReadLayoutRecord(const datalib::DataSource& row) {
    Record r;
    Record::eachColumn(r,
                       [&row](const QString& column, auto& field) { ReadLayoutField(row, column, field); });
    return r;
}

template <class Record>
void WriteLayoutRecord(const Record& r, datalib::DataSource& row) {
    Record::eachColumn(r, [&row](const QString& column, const auto& field) {
        WriteLayoutField(row, column, core::Variant(field));
    });
}

template <class Record>
void InsertLayoutRecord(const Record& r, datalib::Database& db) {
    std::vector<core::Variant> pairs;
    Record::eachColumn(
        r, [&pairs](const QString& column, const auto& field) { AddLayoutPair(pairs, column, field); });
    InsertLayoutRow(db, Record::kTableName, pairs);
}

}  // namespace reports
