#pragma once
// The grid-settings menu of a window whose grid layout the user can change:
// show all fields, set the field sequence, restore the default sequence and
// column sizes. The main window and the order window each make one over
// their own grid, data source and grid settings.

#include <QMenu>
#include <QString>
#include <functional>
#include <memory>

class QAction;

namespace datalib {
class DataSource;
}

namespace controls {

class DataGrid;
class ViewGridSettings;

class GridSettingsMenu : public QMenu {
    Q_OBJECT

  public:
    // What the commands work on, asked each time (any may be null).
    struct Target {
        std::function<DataGrid*()> grid;
        std::function<std::shared_ptr<datalib::DataSource>()> dataSource;
        std::function<ViewGridSettings*()> settings;
        // Run after the grid was bound again (the window re-applies its own layout).
        std::function<void()> rebound;
    };

    GridSettingsMenu(const QString& caption, Target target, QWidget* parent = nullptr);

    QAction* mnuGridFldAll() const { return all_; }
    QAction* mnuGridFldSequence() const { return sequence_; }
    QAction* mnuGridCancel() const { return cancel_; }

    // "Visualizza tutti i campi": the grid shows every field until it is next
    // bound; the stored sequence is kept, after an error too.
    void mnuGridFldAll_Click();
    // "Imposta sequenza campi...": the sequence dialog; confirmed, the grid is
    // bound again and the check mark tells whether a sequence is stored.
    void mnuGridFldSequence_Click();
    // "Annulla sequenza campi e dimensioni": asks, then forgets sequence and widths.
    void mnuGridCancel_Click();

    // Ticks "Imposta sequenza campi..." exactly when a sequence is stored. Each
    // command ends with it, whatever it did (a cancelled dialog, a guard, an
    // error), and so does the menu's popping up.
    void ShowStoredSequence();

  private:
    void rebind(DataGrid* grid, const std::shared_ptr<datalib::DataSource>& ds, ViewGridSettings* settings);

    Target target_;
    QAction* all_ = nullptr;
    QAction* sequence_ = nullptr;
    QAction* cancel_ = nullptr;
};

}  // namespace controls
