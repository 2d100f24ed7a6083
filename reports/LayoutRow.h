#pragma once
// The fields of a stored layout row, shared by the report and the label
// layout records: how each kind of field is read, and how a stored size is
// taken by the runners.

#include "core/Variant.h"

#include <QString>

#include <vector>

namespace datalib {
class DataSource;
}

namespace reports {

// Reads a column of the current row into a field: texts and flags as the
// row gives them (Null as "" and False), sizes as stored (Null or a number).
void ReadLayoutField(const datalib::DataSource& row, const QString& column, QString& field);
void ReadLayoutField(const datalib::DataSource& row, const QString& column, bool& field);
void ReadLayoutField(const datalib::DataSource& row, const QString& column, core::Variant& field);

// A stored size as the runners use it: Null and blanks are 0.
float LayoutSize(const core::Variant& value);

// Adds a column and its value to the name/value pairs of an insert.
template <class T>
void AddLayoutPair(std::vector<core::Variant>& pairs, const QString& column, const T& field) {
    pairs.emplace_back(column);
    pairs.emplace_back(core::Variant(field));
}

}  // namespace reports
