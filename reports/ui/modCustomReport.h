#pragma once
// The report runner: prints or previews one report layout of
// TabProspettiStampa for a data set. It picks the layout, the printer and
// the copies, walks the selected rows and their data references, drives the
// page object through the layout's procedures and shows the preview.
//
// A run that fails (a script error, a time-out, a stop, any other error)
// delivers nothing to the printer; a layout procedure that answers False
// ends the run and keeps the pages made.

#include "core/Variant.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace datalib {
class DataSource;
}

namespace reports {

class clsCustomReport;

// Run modes.
inline constexpr int kRunNormal = 0;
inline constexpr int kRunTest = -1;  // stop once the first module is complete

// How a run ended.
enum class RunOutcome {
    Completed,  // to the end of the data
    Ended,      // a procedure answered False, a run mode or the preview limit ended it
    Failed,     // a script failure, a stop, another error, a cancelled dialog: nothing delivered
};

// The rows to print: bookmarks of the data set (the grid's selection).
using RowSelection = std::optional<std::vector<core::Variant>>;

// Prints (or previews) the report. prn: a page object set up by the caller,
// or none (the runner chooses the layout and makes one). True when the run
// ended without being stopped.
bool PrintCustomReport(QWidget* owner, std::shared_ptr<datalib::DataSource>& ds,
                       std::shared_ptr<clsCustomReport> prn, const QString& referenceName,
                       const QString& reportName, int runMode, bool preview, int copies,
                       const QString& notesColumn, const RowSelection& selection = std::nullopt,
                       const QString& groupName = QString());

// The same run, telling how it ended.
RunOutcome RunCustomReport(QWidget* owner, std::shared_ptr<datalib::DataSource>& ds,
                           std::shared_ptr<clsCustomReport> prn, const QString& referenceName,
                           const QString& reportName, int runMode, bool preview, int copies,
                           const QString& notesColumn, const RowSelection& selection = std::nullopt,
                           const QString& groupName = QString());

// The preview window's modal show, replaceable for tests (the window is shown
// with the page store filled; the function returns what ShowPreview returns).
class frmCustomReportPreview;
using PreviewShower = std::function<QString(frmCustomReportPreview& preview, QWidget* owner)>;
void setPreviewShower(PreviewShower shower);

}  // namespace reports
