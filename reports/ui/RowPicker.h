#pragma once
// The choice of one row to print, in the data library's pick list (a grid of
// the rows with the quick search, controls::PickListDialog): the layouts of
// the report runner and the rows of the layout editors' test print and
// preview. The row chosen in the grid is the one returned, whatever the
// texts of the rows; the grid reads the rows as it shows them, so a large
// table opens at once. Tests play the operator through the search dialogs'
// hook (controls::setSearchDialogHook).

#include "core/Variant.h"

#include <QString>

#include <optional>

class QWidget;

namespace datalib {
class DataSource;
}

namespace reports {

// The bookmark of the chosen row (the data source is left on it), or
// nothing: closed without a choice, or no rows. columns: the columns shown
// ("" = the data source's own); caption: the window's title ("" = the
// table's caption).
std::optional<core::Variant> PickDataRow(QWidget* owner, datalib::DataSource& ds,
                                         const QString& caption = QString(),
                                         const QString& columns = QString());

}  // namespace reports
