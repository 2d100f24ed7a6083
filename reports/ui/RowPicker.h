#pragma once
// The row chooser of the layout editors' test print and preview: the rows of
// a data source listed by their key, one chosen. Tests answer it.

#include "core/Variant.h"

#include <functional>
#include <optional>

class QWidget;

namespace datalib {
class DataSource;
}

namespace reports {

// The bookmark of the chosen row, or nothing (cancelled, or no rows).
std::optional<core::Variant> PickDataRow(QWidget* owner, datalib::DataSource& ds);

using DataRowPicker = std::function<std::optional<core::Variant>(QWidget*, datalib::DataSource&)>;
void setDataRowPicker(DataRowPicker picker);

}  // namespace reports
