#pragma once
// The label page object, the `prn` of the label layouts: a grid of equal
// labels on the sheet, the current label's position, the output (a print
// job, or the preview window's picture), the drawing colour, the copy being
// printed and the variable store. Lengths are millimetres; the drawing
// members place their output from left margin + current X, top margin +
// current Y.

#include "core/Object.h"
#include "reports/VarStore.h"
#include "reports/ui/PageDrawing.h"

#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>

namespace platform {
class PageSurface;
class PrintJob;
}  // namespace platform

namespace labels {

class frmLabelPreview;

class clsLabelPrint : public core::Object, public reports::DrawingHost {
  public:
    // Where the labels go: a print job, or the preview window.
    struct Device {
        std::shared_ptr<platform::PrintJob> printer;
        frmLabelPreview* preview = nullptr;
    };

    clsLabelPrint();
    ~clsLabelPrint() override;  // ends the labels (EndLabels)

    // Starts a sheet. A size of 0 takes the printer's page size; with no
    // printer installed that raises the "Nessuna stampante configurata." error.
    void SetParameter(const Device& device, float labelHeight, float labelWidth, float topMargin,
                      float leftMargin, std::int16_t columns, bool endDocument, bool horizontal);
    void NextLabel();
    // Ends the printer's document (delivers the job), ignoring any failure.
    void ForceEndDocument();
    void EndLabels();
    std::int16_t PageLabelCount() const { return pageLabelCount_; }
    std::uint32_t Color() const { return color_; }
    void setColor(std::uint32_t color);
    bool IgnoreLabel() const { return ignoreLabel_; }
    void setIgnoreLabel(bool on) { ignoreLabel_ = on; }
    bool Preview() const;
    std::int16_t CopyCount() const { return copyCount_; }
    void setCopyCount(std::int16_t n) { copyCount_ = n; }
    void NextCopy();
    reports::VarStore& Vars() { return vars_; }

    // State, for the runner and the tests.
    float CurX() const { return curX_; }
    float CurY() const { return curY_; }
    float LabelHeight() const { return labelHeight_; }
    float LabelWidth() const { return labelWidth_; }
    float PageHeight() const { return pageHeight_; }
    float PageWidth() const { return pageWidth_; }
    std::int16_t Columns() const { return columns_; }
    // The document ended (or never began): the next run starts a new sheet.
    bool DocumentEnded() const;
    platform::PageSurface* OutputSurface() const { return surface_; }
    const std::shared_ptr<platform::PrintJob>& printJob() const { return printer_; }
    // The printer's failure to deliver the document, if any.
    const QString& deliveryError() const { return deliveryError_; }

    QString typeName() const override { return QStringLiteral("clsLabelPrint"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;

    platform::PageSurface& drawingSurface() override;
    QPointF drawingOrigin() const override { return QPointF(leftMargin_ + curX_, topMargin_ + curY_); }
    std::uint32_t drawingColor() const override { return color_; }
    void sizeObjectHost(QWidget& window) override;
    QString drawingContext() const override { return typeName(); }

  private:
    void InitLabelPage();
    // The area shown on a preview (page mode: the printer's sheet; else one
    // row of labels), the window sized to 95 % of the screen.
    QSizeF SizePreviewSurface(platform::PageSurface* surface, QWidget* window, bool pageMode);
    QSizeF printerPaper() const;

    float curX_ = 0, curY_ = 0;
    float labelHeight_ = 0, labelWidth_ = 0, topMargin_ = 0, leftMargin_ = 0;
    std::int16_t pageLabelCount_ = 0;
    std::int16_t columns_ = 1;
    std::int16_t columnIndex_ = 0;
    bool endDocument_ = false;
    float pageHeight_ = 0, pageWidth_ = 0;
    bool horizontal_ = false;
    std::uint32_t color_ = 0;
    bool ignoreLabel_ = false;
    std::int16_t copyCount_ = 1;
    std::shared_ptr<platform::PrintJob> printer_;
    frmLabelPreview* preview_ = nullptr;
    platform::PageSurface* surface_ = nullptr;
    QString deliveryError_;
    reports::VarStore vars_;
};

}  // namespace labels
