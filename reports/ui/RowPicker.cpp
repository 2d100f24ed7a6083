#include "reports/ui/RowPicker.h"

#include "core/Prompt.h"
#include "datalib/DataSource.h"
#include "datalib/Definitions.h"

#include <QInputDialog>
#include <QStringList>

#include <vector>

namespace reports {

namespace {

DataRowPicker& picker() {
    static DataRowPicker p;
    return p;
}

}  // namespace

void setDataRowPicker(DataRowPicker p) { picker() = std::move(p); }

std::optional<core::Variant> PickDataRow(QWidget* owner, datalib::DataSource& ds) {
    if (picker()) return picker()(owner, ds);
    const QString key = ds.tableDef().keyFieldName();
    QStringList names;
    std::vector<core::Variant> marks;
    for (ds.RowFirst(); !ds.Eof(); ds.RowNext()) {
        names << (key.isEmpty() ? QString::number(names.size() + 1) : ds.FormattedColValue(key));
        marks.push_back(ds.Bookmark());
    }
    if (names.isEmpty()) return std::nullopt;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        owner, core::softwareName(), ds.tableDef().caption() + QStringLiteral(":"), names, 0, false, &ok);
    if (!ok) return std::nullopt;
    return marks[size_t(names.indexOf(chosen))];
}

}  // namespace reports
