#pragma once
// The label runner: prints the labels of a data set's rows from the label
// layout stored for its table, on the kept label page object, so that
// calls that leave the document open fill one sheet; and the label
// preview, one row of labels on screen.

#include "core/Variant.h"
#include "labels/ui/clsLabelPrint.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace datalib {
class DataSource;
}

namespace labels {

class frmLabelPreview;

// The grid's selected bookmarks (or an array of bookmarks).
using LabelSelection = std::optional<std::vector<core::Variant>>;

// Prints the labels of the selection (selectionOnly; no selection: the
// current row) or of every row. tableName: the layout's table, "" = ds's
// table. skip: positions of a started sheet to leave free, -1 = ask.
// previewWindow: one row of labels in that window instead. Returns the
// labels on the current page.
std::int16_t PrintLabels(QWidget* owner, std::shared_ptr<datalib::DataSource>& ds,
                         const LabelSelection& selection, bool selectionOnly, const QString& tableName,
                         std::int16_t skip, bool endDocument, frmLabelPreview* previewWindow = nullptr);

// Where a preview draws: the window, or else the named printer.
struct LabelDevice {
    frmLabelPreview* window = nullptr;
    QString printer;
};

// Draws one row of labels of the current row (or of a row the user picks)
// with the given geometry and script. True when labels were drawn.
bool PreviewLabels(const LabelDevice& device, std::shared_ptr<datalib::DataSource>& ds, float labelHeight,
                   float labelWidth, float topMargin, float leftMargin, std::int32_t columns, bool horizontal,
                   const QString& script, bool pick);

// The page object kept between calls (nothing once a document ended).
std::shared_ptr<clsLabelPrint> KeptLabelPage();

// Seam: the modal showing of the preview window (tests answer it). The row
// to preview is chosen in the pick list (reports/ui/RowPicker.h).
using LabelPreviewShower = std::function<void(frmLabelPreview&)>;
void setLabelPreviewShower(LabelPreviewShower shower);

}  // namespace labels
