#pragma once
// The controls of the report preview, built and laid into it without
// behaviour: frmCustomReportPreview connects them. The fields carry the
// window's control names; the window and the tests reach a control through
// them (`preview.Widgets().cmdFirst`).

#include <QWidget>

#include <functional>

class QCheckBox;
class QDialog;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolButton;

namespace reports {

// An up-down control: the up arrow raises the value by one, the down arrow
// lowers it, within the range. `stepped` hears of a value an arrow made;
// setValue sets it without a word.
class UpDown : public QWidget {
  public:
    explicit UpDown(QWidget* parent);
    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }
    void setRange(int minimum, int maximum);
    void setValue(int value);
    int value() const { return value_; }
    std::function<void(int)> stepped;

  private:
    void step(int by);
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minimum_ = 1, maximum_ = 1, value_ = 1;
};

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
    UpDown* udPageSeek = nullptr;  // the up-down beside the page box: up is the next page
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
