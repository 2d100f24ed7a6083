#pragma once
// The report page object, the `prn` of the report layouts: the geometry of
// one layout (a grid of equal modules on each sheet, a detail-rows area in
// each module, a row height, margins, a background picture), the output
// surface (a print job, or the page picture of the preview window), the
// current module and row, the drawing colour, the counters and the variable
// store. Lengths are millimetres.

#include "core/Object.h"
#include "reports/LayoutScript.h"
#include "reports/VarStore.h"
#include "reports/ui/PageDrawing.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>

namespace platform {
class PageSurface;
class PrintJob;
}  // namespace platform

namespace reports {

class frmCustomReportPreview;

class clsCustomReport : public core::Object, public DrawingHost, public LayoutPage {
  public:
    // Where the pages go: a print job, or the preview window.
    struct Device {
        std::shared_ptr<platform::PrintJob> printer;
        frmCustomReportPreview* preview = nullptr;
    };

    // Modules a preview holds: the runner stops once they are begun, and no
    // call of a layout begins more than one after them.
    static constexpr int kPreviewLimit = 16;

    clsCustomReport();
    ~clsCustomReport() override;  // ends the document (EndReports)

    // Configures the object from a layout and initialises it. A background
    // picture that cannot be loaded raises the picture's error.
    void SetParameter(const Device& device, float reportHeight, float reportWidth, float reportTop,
                      float reportLeft, std::int16_t columns, float rowDim, float reportRowsTop,
                      float reportRowsBottom, const QString& backImageFile, float bottomImageBorder,
                      const QString& vbScript, bool horizontalOrientation, const QString& reportGroupName);
    // Switches the output to a print job and re-initialises.
    void ChangePrinter(std::shared_ptr<platform::PrintJob> printer);
    void InitializeVars();

    void LoadBackImage();
    void NextReportModule();
    void NextReport() { NextReportModule(); }
    void NewReportRow() override;
    void NewRow() { NewReportRow(); }
    // Ends the printer's document (delivered or thrown away by the runner) or
    // lets go of the preview.
    void EndReports();
    void RowEnd();

    bool RowPrinting() const { return rowPrinting_; }
    void setRowPrinting(bool on) override { rowPrinting_ = on; }
    float CurX() const;
    float CurY() const;
    float RowY() const;
    bool LastRow() const;
    const QString& BackImageFile() const { return backImageFile_; }
    std::int16_t ReportModuleCount() const { return moduleCount_; }
    std::int16_t ReportCount() const { return moduleCount_; }
    bool ReportModuleIsEmpty() const { return !moduleStarted_; }
    // A layout asked for a module past the preview's limit (and was stopped).
    bool PreviewLimitReached() const { return previewLimitReached_; }
    // Nothing has been drawn on the sheet in progress.
    bool SheetIsEmpty() const;
    VarStore& Vars() { return vars_; }
    QString VBScript() const override { return vbScript_; }
    bool IgnoreNextNewRow() const { return ignoreNextNewRow_; }
    void setIgnoreNextNewRow(bool on) { ignoreNextNewRow_ = on; }
    bool Preview() const;
    std::uint32_t Color() const { return color_; }
    void setColor(std::uint32_t color);
    float RowDim() const { return rowDim_; }
    float RowDimCur() const { return rowDimCur_; }
    void setRowDimCur(float value);
    float RowDimText() const { return rowDimText_; }
    const QString& DataReferenceName() const { return dataReferenceName_; }
    void SetDataReferenceName(const QString& name) { dataReferenceName_ = name; }
    const QString& ReportGroupName() const { return reportGroupName_; }
    void setReportGroupName(const QString& name) { reportGroupName_ = name; }
    bool MarkOutputAreas() const { return markOutputAreas_; }
    void setMarkOutputAreas(bool on) { markOutputAreas_ = on; }

    // Geometry as computed (for the runner, the editor and tests).
    float ReportHeight() const { return reportHeight_; }
    float ReportWidth() const { return reportWidth_; }
    float ReportTop() const { return reportTop_; }
    float ReportLeft() const { return reportLeft_; }
    float ReportRowsTop() const { return reportRowsTop_; }
    float ReportRowsBottom() const { return reportRowsBottom_; }
    std::int16_t Columns() const { return columns_; }
    bool HorizontalOrientation() const { return horizontal_; }
    platform::PageSurface* OutputSurface() const { return surface_; }
    const std::shared_ptr<platform::PrintJob>& printJob() const { return printer_; }
    frmCustomReportPreview* OutputDevice() const { return preview_; }

    // Scripts.
    QString typeName() const override { return QStringLiteral("clsCustomReport"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override;

    // Drawing members (shared with the label page object).
    platform::PageSurface& drawingSurface() override;
    QPointF drawingOrigin() const override { return QPointF(CurX(), CurY()); }
    QPointF imageOrigin() const override;
    void backgroundStep() override { EnsureBackImage(); }
    std::uint32_t drawingColor() const override { return color_; }
    void textLinePrinted(double currentY) override;
    void sizeObjectHost(QWidget& window) override;
    QString drawingContext() const override { return typeName(); }

  private:
    void EnsureBackImage();
    void AddPreviewPage();
    // Sizes a surface to the page; fit: to the printer's sheet (the object host).
    void SizeOutputSurface(platform::PageSurface* surface, QWidget* window, bool fit);
    QSizeF printerPaper() const;       // the sheet of the current printer, in the wanted orientation
    QSizeF printerPaperAsSet() const;  // the sheet as the printer is set now

    float reportHeight_ = 0, reportWidth_ = 0, reportTop_ = 0, reportLeft_ = 0;
    std::int16_t columns_ = 1;
    float rowDim_ = 0, rowDimCur_ = 0, rowDimText_ = 0;
    float reportRowsTop_ = 0, reportRowsBottom_ = 0;
    QString backImageFile_;
    float bottomImageBorder_ = 0;
    QString vbScript_;
    bool horizontal_ = false;
    QString reportGroupName_;
    QString dataReferenceName_;
    QImage backImage_;
    platform::PageSurface* surface_ = nullptr;
    std::shared_ptr<platform::PrintJob> printer_;
    frmCustomReportPreview* preview_ = nullptr;
    float moduleX_ = 0, moduleY_ = 0, rowOffset_ = 0;
    std::int16_t columnIndex_ = 0;
    std::int16_t moduleCount_ = 0;
    bool previewLimitReached_ = false;
    bool rowPrinting_ = false;
    bool moduleStarted_ = false;
    bool ignoreNextNewRow_ = false;
    std::uint32_t color_ = 0;
    bool markOutputAreas_ = false;
    VarStore vars_;
};

}  // namespace reports
