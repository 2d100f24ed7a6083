#pragma once
// The data library's views of a data source: the row editor (the edit panel
// in a dialog) for a new row or the current one, the browse window, the pick
// list, the grid view with its saved layout and the field-sequence dialog;
// and, for a selection, the selection dialog.
//
// Every dialog here runs through runSearchDialog (SearchDialogs.h), so a
// test can play the operator.

#include "core/Variant.h"

#include <QDialog>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;

namespace datalib {
class DataSource;
class SelectionCriteria;
}  // namespace datalib

namespace controls {

class DataGrid;
class DataPanel;
class MubShortSearch;
class ViewGridSettings;

// The edit panel in a dialog, over the current row (or a new row) of a data
// source. OK ("Salva") saves the row; a refusal leaves the dialog open with
// every entry. Closing with typed changes asks first (No is the default).
class RowEditor : public QDialog {
    Q_OBJECT
  public:
    // newRow: a new row is started when the dialog is made (the table
    // class fills its defaults), and dropped when the dialog is cancelled.
    RowEditor(std::shared_ptr<datalib::DataSource> ds, bool newRow, const QString& caption,
              QWidget* parent = nullptr);
    ~RowEditor() override;

    DataPanel* panel() const { return panel_; }
    QPushButton* cmdSave() const { return save_; }
    QPushButton* cmdClose() const { return close_; }
    // The key of the saved row (its OID), Empty until it was saved.
    const core::Variant& SavedKey() const { return savedKey_; }

    // Saves; true when the row is in the database.
    bool Save();
    void accept() override;
    void reject() override;

  private:
    std::shared_ptr<datalib::DataSource> ds_;
    DataPanel* panel_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* close_ = nullptr;
    bool newRow_ = false;
    core::Variant savedKey_;
};

// The browse window: a modeless window with the rows in a grid and the quick
// search; Enter or a double click opens the row editor on the current row.
class BrowseWindow : public QWidget {
    Q_OBJECT
  public:
    BrowseWindow(std::shared_ptr<datalib::DataSource> ds, const QString& caption, QWidget* owner = nullptr);
    ~BrowseWindow() override;

    DataGrid* grid() const { return grid_; }
    MubShortSearch* search() const { return search_; }
    const std::shared_ptr<datalib::DataSource>& dataSource() const { return ds_; }
    // Opens the row editor on the grid's current row.
    void OpenCurrent();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::shared_ptr<datalib::DataSource> ds_;
    DataGrid* grid_ = nullptr;
    MubShortSearch* search_ = nullptr;
};

// The pick list: a modal list of the rows with the quick search. It opens
// with the focus in the search text and no row chosen; what is typed goes to
// the search text (also while the grid has the focus). Enter there looks the
// text up in the search field: a row that holds exactly that text is chosen
// at once; else the list moves to the first row that matches and a second
// Enter chooses it; when none does it says so and stays. OK, Enter in the
// grid and a double click choose only a row the user has reached (by a
// look-up, a click or the keys); otherwise they beep. With allowNew a
// "Nuovo..." button writes a new row in the row editor and chooses it.
class PickListDialog : public QDialog {
    Q_OBJECT
  public:
    PickListDialog(std::shared_ptr<datalib::DataSource> ds, const QString& caption,
                   const QString& displayColumns, bool allowNew, QWidget* parent = nullptr);
    ~PickListDialog() override;

    DataGrid* grid() const { return grid_; }
    MubShortSearch* search() const { return search_; }
    QPushButton* cmdNew() const { return new_; }
    // Moves to a row by its position and makes it the chosen one (for the
    // tests and the keys).
    void ChooseRow(long position);
    // True once the user has reached a row that OK would choose.
    bool RowReached() const { return reached_; }
    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // Enter in the search text.
    void lookUpTypedText();

    std::shared_ptr<datalib::DataSource> ds_;
    DataGrid* grid_ = nullptr;
    MubShortSearch* search_ = nullptr;
    QPushButton* new_ = nullptr;
    bool reached_ = false;
    // The text whose first match the list moved to, and that row.
    QString foundText_;
    qint64 foundOid_ = 0;
};

// The view object of one data source.
class ViewObject {
  public:
    explicit ViewObject(std::shared_ptr<datalib::DataSource> ds, QWidget* owner = nullptr);

    const std::shared_ptr<datalib::DataSource>& dataSource() const { return ds_; }

    // The edit panel for a new row: the key (OID) of the saved row, or Empty
    // when the operator cancelled (nothing is inserted then).
    core::Variant EditNew(const QString& caption = {});
    // The edit panel on the current row: the row's key when it was saved,
    // Empty when it was closed without saving. The two flags are kept for
    // the callers that pass them; they change nothing.
    core::Variant EditCurrent(const QString& caption = {}, bool = true, bool = true);
    // The browse window (modeless, deleted when closed).
    BrowseWindow* Browse(const QString& caption = {});
    // The other showing: the edit panel on the single row.
    core::Variant Show(const QString& caption = {});
    // The pick list. The data source is left on the chosen row; the result
    // is the chosen row's value of keyColumn (its OID when keyColumn is
    // empty), or Empty when the list was closed without a choice.
    // displayColumns: the columns shown ("" = the data source's own). What
    // is typed is looked up in the first column shown when displayColumns
    // names them, else in keyColumn.
    core::Variant PickList(const QString& caption = {}, const QString& displayColumns = {},
                           const QString& keyColumn = {}, bool allowNew = false);
    // Shows the data source in a grid with the layout of the settings.
    void GridView(DataGrid* grid, const ViewGridSettings* settings);
    // The field-sequence dialog over the settings' sequence; true when
    // confirmed (the settings hold the new sequence, "" for all fields).
    // With no sequence stored the fields are listed as the grid shows them:
    // those of `leading` first.
    bool EditFieldSequence(ViewGridSettings& settings, const QString& title = {},
                           const QStringList& leading = {});

  private:
    std::shared_ptr<datalib::DataSource> ds_;
    QWidget* owner_;
};

class ViewUtility {
  public:
    static ViewObject View(std::shared_ptr<datalib::DataSource> ds, QWidget* owner = nullptr) {
        return ViewObject(std::move(ds), owner);
    }
    // The selection dialog: field rows (field, comparison, values) above the
    // free condition. On confirm the selection holds what the operator
    // wrote and the result is true; a value or condition that cannot be read
    // shows the library's message and the dialog stays open. The flags and
    // the two numbers are kept for the callers; they change nothing.
    static bool SelectionDialog(datalib::SelectionCriteria& selection, QWidget* owner, bool = true,
                                bool = false, bool = true, const QString& caption = {}, int = 0, int = 0);
    // The grid settings of a view kept in a file under a section.
    static std::unique_ptr<ViewGridSettings> GridSettings(const QString& file, const QString& section);
};

}  // namespace controls
