#pragma once
// The report preview ("Anteprima"): the page object draws each sheet on the
// window's page picture; the window keeps the finished pages (the first 16
// in memory, later ones as files in a private temporary folder) and lets the
// user page through them, zoom, copy a page, print the shown page, or choose
// a printer to print the whole report on (ShowPreview then returns it).

#include "platform/ui/Printers.h"
#include "reports/ui/frmCustomReportPreviewWidgets.h"

#include <QDialog>
#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QScrollBar;

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

    // Stores the page being drawn. A page beyond the memory's that cannot be
    // written (a full disk, a folder gone) is not counted: it raises
    // core::AppError (75) with the reason, and so does every later page
    // until the store is cleared.
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

    // The controls, named as the window's layout names them.
    const CustomReportPreviewWidgets& Widgets() const { return w_; }
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
    // Writes a page's file; the reason it could not, or "".
    QString StorePageFile(const QImage& page, int number) const;
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
    QString storeError_;  // why a page could not be stored; no page is taken after it
    std::optional<platform::Printers::Choice> printChoice_;
    double hRatio_ = 1, vRatio_ = 1;
    QPoint imageOffset_;

    CustomReportPreviewWidgets w_;
};

}  // namespace reports
