#pragma once
// The controls of the order window, built and laid into it without
// behaviour: frmOrder connects them and fills the lists. The fields carry
// the window's control names; the window, the main window and the tests all
// reach a control through them (`order.Widgets().txtCode_Articolo`).

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTimer;
class QWidget;

namespace controls {
class DataGrid;
class DataPanel;
class GridSettingsMenu;
class MubCommand;
}  // namespace controls

namespace orders::ui {

struct OrderWidgets {
    controls::DataPanel* DataPanel = nullptr;  // the order's header fields, top

    // Article selection, left: the code box and its quick list.
    QLineEdit* txtCode_Articolo = nullptr;  // selects its whole text whenever it takes the focus
    QListWidget* lstHelp_ArticoliLib = nullptr;
    // The short wait after the code changes before the quick list is read.
    QTimer* tmtHelp_ArticoliLib = nullptr;
    QCheckBox* chkRequest_Quantita = nullptr;
    controls::MubCommand* cmdSpecialCode = nullptr;

    // Promotions and kits.
    QRadioButton* optPromozioni = nullptr;
    QRadioButton* optKit = nullptr;
    QComboBox* cboSelPromoKit = nullptr;
    controls::MubCommand* cmdAddPromoKit = nullptr;

    // The category grid and its filters.
    QComboBox* cmbLinea = nullptr;
    QComboBox* cmbTipoCategoria = nullptr;
    controls::DataGrid* dgCategorie = nullptr;

    // The rows, right, and their commands.
    controls::DataGrid* dgRighe = nullptr;
    controls::MubCommand* cmdAddRow = nullptr;
    controls::MubCommand* cmdSetQuantity = nullptr;
    controls::MubCommand* cmdEditRow = nullptr;
    controls::MubCommand* cmdDeleteRow = nullptr;
    controls::MubCommand* cmdGridSetting = nullptr;

    // Bottom: totals, related orders, confirm and cancel.
    QWidget* pnlBottom = nullptr;
    controls::DataPanel* DataPanelTotal = nullptr;
    QLabel* lblRelate_Ordini = nullptr;
    QComboBox* cboRelate_Ordini = nullptr;
    controls::MubCommand* cmdConfirm = nullptr;
    controls::MubCommand* cmdCancel = nullptr;

    // Popped up by the grid-settings button; made by the window, whose rows it works on.
    controls::GridSettingsMenu* mnuGridSetting = nullptr;
};

// Builds the controls into the window and lays them out.
OrderWidgets BuildOrderWidgets(QWidget* window);

}  // namespace orders::ui
