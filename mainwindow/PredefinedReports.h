#pragma once
// Printing the predefined reports of the current view: the layouts kept for
// the view's table, narrowed to the group of its tree node; without any
// layout for the table, the rows offered as an HTML table in the browser.
// And the print chooser of list sections ("Funzioni di stampa").

#include <QDialog>
#include <QString>

#include <memory>

class QWidget;

namespace datalib {
class DataSource;
}

namespace controls {
class MubCommand;
}

namespace mainwindow {

class MainCommands;

// Print modes: 0 print, 1 preview, 2 export (shown as a preview).
inline constexpr int kPrintReport = 0;
inline constexpr int kPreviewReport = 1;
inline constexpr int kExportReport = 2;

// The report group of a table under a tree node ("Lista", "PropostaOrdine",
// ...); empty when the layouts are not narrowed by group.
QString PredefinedReportGroup(const QString& table, const QString& nodeKey);

// Prints, previews or exports the view's predefined reports; with no layout
// for the table, asks whether to show the data in the browser. The title is
// accepted and not used. Errors reach the caller. False when the operator was
// told that the data could not be shown (the browser did not open the page).
bool PrintPredefinedReport(const std::shared_ptr<datalib::DataSource>& ds, int mode, const QString& nodeKey,
                           const QString& title = QString());

// Sets the main window's print, preview and export commands to the above.
void WirePrintCommands(MainCommands& commands);

// The print chooser: "STAMPA" or "ANTEPRIMA", or leaving it.
class frmPrinterFunctions : public QDialog {
    Q_OBJECT
  public:
    // Shows the chooser modally over the owner (through
    // controls::runSearchDialog, so tests can play the operator). True when
    // print or preview was chosen; then `preview` tells which. False (and
    // `preview` untouched) when left by the exit button or the close box.
    static bool ShowSelection(QWidget* owner, bool& preview);

    explicit frmPrinterFunctions(QWidget* owner = nullptr);

    controls::MubCommand* cmdPrint() const { return cmdPrint_; }
    controls::MubCommand* cmdPreview() const { return cmdPreview_; }
    controls::MubCommand* cmdExit() const { return cmdExit_; }
    bool Confirmed() const { return confirmed_; }
    bool Preview() const { return preview_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void choose(bool confirmed, bool preview);

    controls::MubCommand* cmdPrint_;
    controls::MubCommand* cmdPreview_;
    controls::MubCommand* cmdExit_;
    bool confirmed_ = false;
    bool preview_ = false;
};

}  // namespace mainwindow
