#pragma once
// The controls of the report preview, built and laid into it without
// behaviour: frmCustomReportPreview connects them. The fields carry the
// window's control names; the window and the tests reach a control through
// them (`preview.Widgets().cmdFirst`).

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QWidget;

namespace reports {

struct CustomReportPreviewWidgets {
    // The page area: the page picture and its two scroll bars, placed by the window.
    QWidget* pnlCenter = nullptr;
    QLabel* imgView = nullptr;
    QScrollBar* vsImage = nullptr;
    QScrollBar* hsImage = nullptr;

    // The bottom bar: paging, printing, copying, zoom and exit.
    QWidget* pnlBottom = nullptr;
    QPushButton* cmdFirst = nullptr;
    QLineEdit* txtPage = nullptr;
    QScrollBar* udPageSeek = nullptr;  // the up-down beside the page box
    QLabel* lblTotPage = nullptr;
    QPushButton* cmdLast = nullptr;
    QPushButton* chkPrintImage = nullptr;
    QCheckBox* chkPrintCurrent = nullptr;
    QCheckBox* chkPrintFitPage = nullptr;
    QPushButton* cmdClipBoardImage = nullptr;
    QCheckBox* chkStretch = nullptr;
    QRadioButton* optStretchAuto = nullptr;  // checked at start
    QRadioButton* optStretchArea = nullptr;
    QRadioButton* optStretch300 = nullptr;
    QRadioButton* optStretch200 = nullptr;
    QPushButton* cmdEsci = nullptr;
};

// Builds the controls into the window.
CustomReportPreviewWidgets BuildCustomReportPreviewWidgets(QDialog* window);

}  // namespace reports
