#pragma once
// The controls of the label layout editor, built and laid into it without
// behaviour: frmLabelPrintSetting connects them and fills the lists. The
// fields carry the window's control names; the window and the tests reach a
// control through them (`editor.Widgets().txtLabelHeight`).

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace controls {
class MubCommand;
}

namespace labels {

struct LabelPrintSettingWidgets {
    // The source table and the printer.
    QComboBox* cbTableSel = nullptr;
    QComboBox* cboPrinter = nullptr;
    controls::MubCommand* cmdPrnSetting = nullptr;
    QCheckBox* chkPrinterSelection = nullptr;

    // The label grid (millimetres), its orientation, the start-position
    // question and the copies.
    QLineEdit* txtColumns = nullptr;
    QCheckBox* chkHorizontal = nullptr;
    QLineEdit* txtLabelHeight = nullptr;
    QLineEdit* txtLabelWidth = nullptr;
    QLineEdit* txtLabelTop = nullptr;
    QLineEdit* txtLabelLeft = nullptr;
    QCheckBox* chkEnableLabelAlignment = nullptr;
    QLineEdit* txtCopy = nullptr;

    // The script, its line display and the script assistant's menus.
    QPlainTextEdit* txtVBScript = nullptr;
    QLabel* lblLine = nullptr;
    controls::MubCommand* cmdInstruction = nullptr;
    controls::MubCommand* cmdField = nullptr;

    // Bottom: save, default script, test print, preview, import, export and exit.
    QWidget* pnlBottom = nullptr;
    controls::MubCommand* cmdOK = nullptr;
    controls::MubCommand* cmdDefault = nullptr;
    controls::MubCommand* cmdTest = nullptr;
    controls::MubCommand* cmdPreview = nullptr;
    controls::MubCommand* cmdLoad = nullptr;
    controls::MubCommand* cmdSave = nullptr;
    controls::MubCommand* cmdCancel = nullptr;
};

// Builds the controls into the window and lays them out.
LabelPrintSettingWidgets BuildLabelPrintSettingWidgets(QWidget* window);

}  // namespace labels
