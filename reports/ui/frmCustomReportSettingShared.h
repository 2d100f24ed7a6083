#pragma once
// What the files of the report layout editor share, and nothing else
// includes: how the boxes show and read numbers.
//
// The window is one class spread by job: frmCustomReportSetting.cpp (opening,
// the sources, the controls' state, closing, the assistant's menus, focus and
// resize), frmCustomReportSettingProfile.cpp (loading, saving and deleting a
// profile), frmCustomReportSettingFields.cpp (the layout's fields in the
// boxes), frmCustomReportSettingFiles.cpp (export and import) and
// frmCustomReportSettingTestPrint.cpp (test print and preview). Its controls
// are built without behaviour in frmCustomReportSettingWidgets.{h,cpp}.

#include "core/ItalianText.h"
#include "core/Variant.h"

#include <QString>

#include <optional>

namespace reports::detail {

// Text of a stored number as the boxes show it ("32,5").
inline QString numberText(const core::Variant& value) {
    if (value.isNull() || value.isEmpty()) return QString();
    return core::italian::formatDouble(value.toDouble());
}

// A box's number: Italian ("32,5"), and a lone "." as the decimal point too.
inline std::optional<double> boxNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.contains(QLatin1Char('.')) && !t.contains(QLatin1Char(',')))
        t.replace(QLatin1Char('.'), QLatin1Char(','));
    if (t.isEmpty()) return std::nullopt;
    return core::italian::parseNumber(t);
}

}  // namespace reports::detail
