#pragma once
// What the label layout editor keeps outside its window: the built-in label
// script, the label layout's export settings (the shared export file with the
// label keys) and the reading of its size boxes.

#include "reports/LayoutExport.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace labels {

// The script a table without label layout starts with (lines end CR LF, no
// line end after the last).
QString DefaultLabelScript();

// The label layout's keys, in the order they are written.
const QStringList& LabelExportKeys();

// The label editor's boxes as they show their values (numbers as typed).
struct LabelLayoutBoxes {
    QString columns, height, width, top, left, copies;
    bool horizontal = false;
    bool enableAlignment = false;
};

// The export file's settings of a label layout, in order.
QList<reports::LayoutSetting> LabelExportSettings(const LabelLayoutBoxes& boxes);

// Applies the settings of an imported file in file order: the sizes, the
// columns and the copies as they stand, the two flags by StrToBoolean.
void ApplyLabelImport(const reports::LayoutExport& file, LabelLayoutBoxes& boxes);

// A size box's number: an Italian decimal comma ("32,5") or a point
// ("32.5"), blanks around it allowed; nothing when the box holds no number.
std::optional<double> BoxNumber(const QString& text);

}  // namespace labels
