#pragma once
// The field-sequence dialog: which columns a grid or an export shows, ticked,
// and in which order (moved up and down).

#include <QString>
#include <QStringList>

class QWidget;

namespace controls {

// Ticks and order of the available columns. The listed fields come first,
// ticked, in their order; with none listed every column is ticked. Returns
// false when the operator cancels; otherwise fields holds the ticked
// columns in their order, joined by ",".
bool EditFieldList(QWidget* parent, const QStringList& available, QString& fields, const QString& title);

}  // namespace controls
