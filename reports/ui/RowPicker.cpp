#include "reports/ui/RowPicker.h"

#include "controls/SearchDialogs.h"
#include "controls/ViewUtility.h"
#include "datalib/DataSource.h"

#include <memory>

namespace reports {

std::optional<core::Variant> PickDataRow(QWidget* owner, datalib::DataSource& ds, const QString& caption,
                                         const QString& columns) {
    if (ds.DataEmpty()) return std::nullopt;
    auto rows = std::static_pointer_cast<datalib::DataSource>(ds.shared_from_this());
    if (!ds.RowValid()) ds.RowFirst();
    controls::PickListDialog list(rows, caption, columns, false, owner);
    if (!controls::runSearchDialog(list) || !ds.RowValid()) return std::nullopt;
    return ds.Bookmark();
}

}  // namespace reports
