#pragma once
// The report preview ("Anteprima"): the page object draws each sheet on the
// window's page picture; the window keeps the finished pages (the first 16
// in memory, later ones as files in a private temporary folder) and lets the
// user page through them, zoom, copy a page, print the shown page, or choose
// a printer to print the whole report on (ShowPreview then returns it).

#include "platform/ui/Printers.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QWidget;

namespace platform {
class ImageSurface;
}
namespace startup {
class clsSubclassWnd;
}

namespace reports {

class frmCustomReportPreview : public QDialog {
  public:
    // Pages kept in memory; later ones go to files.
    static constexpr int kPagesInMemory = 16;

    explicit frmCustomReportPreview(QWidget* parent = nullptr);
    ~frmCustomReportPreview() override;

    // Shows the window modally; returns the printer chosen for printing
    // everything, or "" (with its PDF file and copies in printChoice()).
    QString ShowPreview(QWidget* owner);
    const std::optional<platform::Printers::Choice>& printChoice() const { return printChoice_; }

    void CommitAddingPage();
    void CancelAddingPage();
    int PageCount() const { return pageCount_; }
    platform::ImageSurface& PageAdd();
    void PageClear();
    int PageIndex() const { return pageIndex_; }
    void setPageIndex(int index);
    void RefreshView();

    // The picture of a stored page (1-based), from memory or from its file.
    QImage pageImage(int page) const;
    // Where page files go, and the file of a page.
    QString pageFolder() const { return dir_.path(); }
    QString GetTempPageFileName(int page) const;

    // Controls, as the window's layout names them.
    QLabel* imgView() const { return imgView_; }
    QScrollBar* vsImage() const { return vsImage_; }
    QScrollBar* hsImage() const { return hsImage_; }
    QWidget* pnlCenter() const { return pnlCenter_; }
    QWidget* pnlBottom() const { return pnlBottom_; }
    QPushButton* cmdFirst() const { return cmdFirst_; }
    QPushButton* cmdLast() const { return cmdLast_; }
    QPushButton* cmdEsci() const { return cmdEsci_; }
    QCheckBox* chkPrintCurrent() const { return chkPrintCurrent_; }
    QLineEdit* txtPage() const { return txtPage_; }
    QScrollBar* udPageSeek() const { return udPageSeek_; }
    QLabel* lblTotPage() const { return lblTotPage_; }
    QPushButton* chkPrintImage() const { return chkPrintImage_; }
    QPushButton* cmdClipBoardImage() const { return cmdClipBoardImage_; }
    QCheckBox* chkStretch() const { return chkStretch_; }
    QCheckBox* chkPrintFitPage() const { return chkPrintFitPage_; }
    QRadioButton* optStretchAuto() const { return optStretchAuto_; }
    QRadioButton* optStretchArea() const { return optStretchArea_; }
    QRadioButton* optStretch300() const { return optStretch300_; }
    QRadioButton* optStretch200() const { return optStretch200_; }
    double HScrollRatio() const { return hRatio_; }
    double VScrollRatio() const { return vRatio_; }

    // The commands.
    void printClicked();
    void copyClicked();
    void ShowTypedPage();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BeginAddingPage();
    void ApplyZoom();
    void UpdatePageLabel();
    void SetScrollMax(QScrollBar* bar, double value, double& ratio);
    void DeleteTempPages();
    void layoutControls();
    void stretchClicked();
    void scrolled();
    void stepBar(QScrollBar* bar, int direction);

    QTemporaryDir dir_;
    std::unique_ptr<startup::clsSubclassWnd> m_obSubClassImg;
    std::unique_ptr<platform::ImageSurface> picPage_;
    std::vector<QImage> pages_;
    QImage shown_;
    int pageIndex_ = 0;
    int addingPage_ = 0;
    int pageCount_ = 0;
    QString printerName_;
    std::optional<platform::Printers::Choice> printChoice_;
    double hRatio_ = 1, vRatio_ = 1;
    QPoint imageOffset_;

    QWidget* pnlCenter_ = nullptr;
    QWidget* pnlBottom_ = nullptr;
    QLabel* imgView_ = nullptr;
    QScrollBar* vsImage_ = nullptr;
    QScrollBar* hsImage_ = nullptr;
    QPushButton* cmdFirst_ = nullptr;
    QPushButton* cmdLast_ = nullptr;
    QPushButton* cmdEsci_ = nullptr;
    QCheckBox* chkPrintCurrent_ = nullptr;
    QLineEdit* txtPage_ = nullptr;
    QScrollBar* udPageSeek_ = nullptr;
    QLabel* lblTotPage_ = nullptr;
    QPushButton* chkPrintImage_ = nullptr;
    QPushButton* cmdClipBoardImage_ = nullptr;
    QCheckBox* chkStretch_ = nullptr;
    QCheckBox* chkPrintFitPage_ = nullptr;
    QRadioButton* optStretchAuto_ = nullptr;
    QRadioButton* optStretchArea_ = nullptr;
    QRadioButton* optStretch300_ = nullptr;
    QRadioButton* optStretch200_ = nullptr;
};

}  // namespace reports
