#pragma once
// The controls of the report layout editor, built and laid into it without
// behaviour: frmCustomReportSetting connects them and fills the lists. The
// fields carry the window's control names; the window, the main window and
// the tests reach a control through them (`editor->Widgets().cbReportName`).

class QCheckBox;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace controls {
class MubCommand;
}

namespace reports {

struct CustomReportSettingWidgets {
    // The source and the profile, with its commands.
    QLabel* lblTableSel = nullptr;
    QComboBox* cbTableSel = nullptr;
    QComboBox* cbReportName = nullptr;
    controls::MubCommand* cmdDelete = nullptr;
    controls::MubCommand* cmdDefault = nullptr;
    QLabel* lblReportGroup = nullptr;
    QComboBox* cboReportGroup = nullptr;
    QComboBox* cboPrinter = nullptr;
    QCheckBox* chkPrinterSelection = nullptr;
    controls::MubCommand* cmdPrnSetting = nullptr;

    // The sheet's geometry (millimetres) and the background picture.
    QLineEdit* txtColumns = nullptr;
    QCheckBox* chkHorizontal = nullptr;
    QLineEdit* txtReportHeight = nullptr;
    QLineEdit* txtReportWidth = nullptr;
    QLineEdit* txtReportTop = nullptr;
    QLineEdit* txtReportLeft = nullptr;
    QLineEdit* txtReportRowsTop = nullptr;
    QLineEdit* txtReportRowsBottom = nullptr;
    QLineEdit* txtReportRowsDim = nullptr;
    QLineEdit* txtBackImage = nullptr;
    controls::MubCommand* cmdSelBackImage = nullptr;
    QLineEdit* txtBottomImageBorder = nullptr;

    // The script and its line display.
    QPlainTextEdit* txtVBScript = nullptr;
    QLabel* lblLine = nullptr;

    // Bottom: the script assistant's menus, test print, preview, export,
    // import, save and exit.
    QWidget* pnlBottom = nullptr;
    controls::MubCommand* cmdInstruction = nullptr;
    controls::MubCommand* cmdField = nullptr;
    controls::MubCommand* cmdTest = nullptr;
    controls::MubCommand* cmdPreview = nullptr;
    controls::MubCommand* cmdSave = nullptr;
    controls::MubCommand* cmdLoad = nullptr;
    controls::MubCommand* cmdOK = nullptr;
    controls::MubCommand* cmdCancel = nullptr;
};

// Builds the controls into the window and lays them out.
CustomReportSettingWidgets BuildCustomReportSettingWidgets(QDialog* window);

}  // namespace reports
