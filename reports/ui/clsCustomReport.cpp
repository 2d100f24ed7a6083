#include "reports/ui/clsCustomReport.h"

#include "core/LanguageErrors.h"
#include "core/ObjectBinding.h"
#include "core/RaiseError.h"
#include "core/RunCheck.h"
#include "platform/ui/PageSurface.h"
#include "platform/ui/Printers.h"
#include "reports/ReportLayoutRecord.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "startup/OSWinUtil.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace reports {

namespace {

QColor colorOf(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

// A 16-bit counter one up; beyond 32767 the language's overflow.
void countUp(std::int16_t& counter) {
    if (counter == 32767)
        throw core::AppError(core::kErrOverflow, QStringLiteral("Zelt Order"), QStringLiteral("Overflow"));
    ++counter;
}

// The loaded background image as the scripts see a picture: Handle (the
// default member, not 0), Type 1 (a bitmap), Width and Height in hundredths
// of a millimetre.
class ScriptPicture : public core::Object {
  public:
    explicit ScriptPicture(const QImage& image) : image_(image) {}
    QString typeName() const override { return QStringLiteral("Picture"); }
    core::Variant invoke(const QString& name, core::CallKind kind,
                         std::span<core::Variant* const> args) override {
        using S = ScriptPicture;
        static const core::MemberTable table = [] {
            auto b = core::MemberTable::of<S>();
            b.property("Handle", &S::handle);
            b.property("Type", [](S&, const core::CallArgs&) { return core::Variant(std::int16_t(1)); });
            b.property("Width", [](S& p, const core::CallArgs&) {
                return core::Variant(std::int32_t(std::lround(p.image_.width() * p.himetricPerPixel(true))));
            });
            b.property("Height", [](S& p, const core::CallArgs&) {
                return core::Variant(
                    std::int32_t(std::lround(p.image_.height() * p.himetricPerPixel(false))));
            });
            b.defaultMember("Handle");
            return b.build();
        }();
        return table.invoke(*this, name, kind, args);
    }

  private:
    std::int32_t handle() const { return std::int32_t(image_.cacheKey() & 0x7FFFFFFF) | 1; }
    // The image's own resolution; 96 dots an inch when it gives none.
    double himetricPerPixel(bool across) const {
        const int dotsPerMetre = across ? image_.dotsPerMeterX() : image_.dotsPerMeterY();
        return dotsPerMetre > 0 ? 100000.0 / dotsPerMetre : 2540.0 / 96.0;
    }
    QImage image_;
};

}  // namespace

clsCustomReport::clsCustomReport() = default;

clsCustomReport::~clsCustomReport() { EndReports(); }

void clsCustomReport::SetParameter(const Device& device, float reportHeight, float reportWidth,
                                   float reportTop, float reportLeft, std::int16_t columns, float rowDim,
                                   float reportRowsTop, float reportRowsBottom, const QString& backImageFile,
                                   float bottomImageBorder, const QString& vbScript,
                                   bool horizontalOrientation, const QString& reportGroupName) {
    // Refused before anything changes: the printer stays the current one.
    if (!ReportLayoutRecord::rowDimUsable(rowDim))
        core::RaiseGenericError(*this, ReportLayoutRecord::rowDimRefusal(core::Variant(rowDim).toString()));
    if (device.printer) {
        printer_ = device.printer;
        surface_ = printer_.get();
        preview_ = nullptr;
        // The printer the layout names, when installed, is the program's
        // printer from now on (a job on a printer that is not installed
        // prints on the current one, which stays).
        platform::Printers::setCurrent(printer_->deviceName());
    } else {
        preview_ = device.preview;
        printer_.reset();
        surface_ = nullptr;
    }
    reportHeight_ = reportHeight;
    reportWidth_ = reportWidth;
    reportTop_ = reportTop;
    reportLeft_ = reportLeft;
    columns_ = columns;
    rowDim_ = rowDim;
    rowDimCur_ = rowDim;
    rowDimText_ = 0;
    reportRowsTop_ = reportRowsTop;
    reportRowsBottom_ = reportRowsBottom;
    backImageFile_ = backImageFile;
    bottomImageBorder_ = bottomImageBorder;
    vbScript_ = vbScript;
    horizontal_ = horizontalOrientation;
    reportGroupName_ = reportGroupName;

    backImage_ = QImage();
    if (!backImageFile_.isEmpty()) {
        const QString path = startup::GetAbsolutePath(backImageFile_);
        if (!startup::FileExists(path))
            throw core::AppError(core::kErrFileNotFound, QStringLiteral("Zelt Order"),
                                 QStringLiteral("File non trovato: ") + backImageFile_);
        backImage_ = readPicture(path, backImageFile_);
    }
    if (reportRowsBottom_ == 0) {
        if (platform::Printers::installed().isEmpty())
            core::RaiseGenericError(*this,
                                    QStringLiteral("Nessuna stampante configurata.\r\rImpossibile stabilire "
                                                   "le dimensioni predefinite del foglio..."));
        reportRowsBottom_ = float(printerPaperAsSet().height());
    }
    InitializeVars();
}

QSizeF clsCustomReport::printerPaperAsSet() const {
    if (printer_) return printer_->paperSizeMm();
    return platform::Printers::paperSizeMm(platform::Printers::current(), false);
}

QSizeF clsCustomReport::printerPaper() const {
    if (printer_) return platform::Printers::paperSizeMm(printer_->deviceName(), horizontal_);
    return platform::Printers::paperSizeMm(platform::Printers::current(), horizontal_);
}

void clsCustomReport::ChangePrinter(std::shared_ptr<platform::PrintJob> printer) {
    printer_ = std::move(printer);
    surface_ = printer_.get();
    if (printer_) platform::Printers::setCurrent(printer_->deviceName());
    InitializeVars();
}

void clsCustomReport::InitializeVars() {
    moduleX_ = moduleY_ = rowOffset_ = 0;
    columnIndex_ = 0;
    moduleCount_ = 0;
    previewLimitReached_ = false;
    rowPrinting_ = moduleStarted_ = ignoreNextNewRow_ = false;
    color_ = 0;
    if (columns_ == 0) columns_ = 1;
    if (printer_) {
        surface_ = printer_.get();
        if (printer_->landscape() != horizontal_) printer_->setLandscape(horizontal_);
        const QSizeF paper = printer_->paperSizeMm();
        if (reportHeight_ == 0) reportHeight_ = float(paper.height() - 2.0 * reportTop_);
        if (reportWidth_ == 0) reportWidth_ = float((paper.width() - 2.0 * reportLeft_) / columns_);
        surface_->setScaleMillimetres();
    } else if (preview_) {
        preview_->PageClear();
        surface_ = &preview_->PageAdd();
        surface_->fontTransparent = true;
        surface_->clear();
        SizeOutputSurface(surface_, nullptr, false);
    }
    if (surface_) {
        surface_->fontTransparent = true;
        setColor(color_);
    }
}

void clsCustomReport::SizeOutputSurface(platform::PageSurface* surface, QWidget* window, bool fit) {
    const QSizeF paper = printerPaper();
    QSizeF page;
    if (!fit) {
        if (reportHeight_ == 0) reportHeight_ = float(paper.height());
        if (reportWidth_ == 0) reportWidth_ = float(paper.width() / columns_);
        page = QSizeF(columns_ * reportWidth_ + reportLeft_, reportTop_ + reportHeight_);
    } else {
        reportHeight_ = float(paper.height());
        reportWidth_ = float(paper.width());
        page = QSizeF(reportWidth_, reportHeight_);
    }
    if (window) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize avail = screen ? screen->availableGeometry().size() : QSize(1280, 800);
        if (page.height() >= page.width()) {
            const int h = int(avail.height() * 0.95);
            window->resize(int(h * page.width() / page.height()), h);
        } else {
            const int w = int(avail.width() * 0.95);
            window->resize(w, int(w * page.height() / page.width()));
        }
    }
    if (auto* picture = dynamic_cast<platform::ImageSurface*>(surface)) picture->resize(page);
    if (surface) surface->setScale(columns_ * reportWidth_ + reportLeft_, reportTop_ + reportHeight_);
}

float clsCustomReport::CurX() const { return reportLeft_ + moduleX_; }

float clsCustomReport::CurY() const {
    if (!rowPrinting_) return reportTop_ + moduleY_;
    const double y = double(reportTop_ + moduleY_ + reportRowsTop_ + rowOffset_);
    return float(std::nearbyint(y * 100.0) / 100.0);
}

float clsCustomReport::RowY() const { return rowPrinting_ ? 0.0f : reportRowsTop_ + rowOffset_; }

bool clsCustomReport::LastRow() const {
    float end = reportRowsTop_ + rowOffset_ + rowDimCur_;
    if (!ignoreNextNewRow_) end += rowDim_;
    return end >= reportRowsBottom_;
}

bool clsCustomReport::Preview() const { return !surface_ || !surface_->isPrinter(); }

bool clsCustomReport::SheetIsEmpty() const { return !surface_ || !surface_->pageStarted(); }

void clsCustomReport::setColor(std::uint32_t color) {
    color_ = color;
    if (surface_) {
        surface_->setFillColor(colorOf(color));
        surface_->setForeColor(colorOf(color));
    }
}

void clsCustomReport::setRowDimCur(float value) {
    if (value > rowDim_)
        core::RaiseGenericError(*this, QStringLiteral("La nuova dimensione della riga corrente (") +
                                           core::Variant(value).toString() +
                                           QStringLiteral(") non può superare quella predefinita (") +
                                           core::Variant(rowDim_).toString() + QStringLiteral(")"));
    rowDimCur_ = value;
}

void clsCustomReport::NewReportRow() {
    if (!ignoreNextNewRow_) {
        if (LastRow())
            NextReport();
        else
            rowOffset_ += rowDimCur_;
        rowDimText_ = 0;
        rowDimCur_ = rowDim_;
        QCoreApplication::processEvents();
    }
    ignoreNextNewRow_ = false;
}

void clsCustomReport::RowEnd() {
    ignoreNextNewRow_ = false;
    // Every row after the first one moves by RowDim. A rows area so far down
    // the module that the row height is lost in the sum leaves the row where
    // it was: that ends the call, as the stop and the time-out do.
    while (!LastRow()) {
        core::checkRun();
        const float before = reportRowsTop_ + rowOffset_;
        const bool fullStep = rowDimCur_ == rowDim_;
        NewReportRow();
        if (fullStep && !(reportRowsTop_ + rowOffset_ > before))
            core::RaiseGenericError(
                *this, QStringLiteral("prn.RowEnd: la riga corrente non avanza: righe di ") +
                           core::Variant(rowDim_).toString() + QStringLiteral(" mm a ") +
                           core::Variant(before).toString() + QStringLiteral(" mm dall'inizio del modulo"));
    }
}

void clsCustomReport::NextReportModule() {
    // One call of a layout that begins module after module (a loop of
    // NextReportModule) stops here, before its pages fill the memory; the
    // runner then shows the preview limit's message and the pages made.
    if (preview_ && Preview() && moduleCount_ >= kPreviewLimit) {
        previewLimitReached_ = true;
        throw core::AppError(core::kGenericErrorNumber, QStringLiteral("Zelt Order"),
                             QStringLiteral("Anteprima di stampa interrotta..."), true);
    }
    EnsureBackImage();
    platform::PageSurface& s = drawingSurface();
    if (markOutputAreas_) {
        const QColor before = s.foreColor();
        const bool fill = s.fillSolid;
        s.fillSolid = false;
        const double x = reportLeft_ + moduleX_;
        const double y = reportTop_ + moduleY_;
        s.setForeColor(QColor(255, 0, 0));
        s.box(QPointF(x + 0.5, y + 1), QPointF(x + reportWidth_ - 0.5, y + reportHeight_ - 0.5));
        s.setForeColor(QColor(0, 255, 0));
        s.box(QPointF(x + 0.5, y + reportRowsTop_ + 0.5),
              QPointF(x + reportWidth_ - 0.5, y + reportRowsBottom_ - 0.5));
        s.setForeColor(before);
        s.fillSolid = fill;
    }
    countUp(columnIndex_);
    if (columnIndex_ < columns_) {
        moduleX_ += reportWidth_;
    } else {
        columnIndex_ = 0;
        moduleX_ = 0;
        moduleY_ += reportHeight_;
        if (moduleY_ + reportHeight_ >= s.scaleHeight()) {
            if (printer_ && surface_ == printer_.get())
                printer_->newPage();
            else
                AddPreviewPage();
            moduleY_ = 0;
        }
    }
    countUp(moduleCount_);
    rowDimCur_ = rowDim_;
    rowDimText_ = 0;
    rowOffset_ = 0;
    moduleStarted_ = false;
    ignoreNextNewRow_ = true;
}

void clsCustomReport::AddPreviewPage() {
    if (!preview_) return;
    preview_->CommitAddingPage();
    surface_ = &preview_->PageAdd();
}

void clsCustomReport::LoadBackImage() {
    if (backImage_.isNull()) return;
    drawingSurface().paintPicture(backImage_, QRectF(reportLeft_ + moduleX_, reportTop_ + moduleY_,
                                                     reportWidth_, reportHeight_ - bottomImageBorder_));
}

void clsCustomReport::EnsureBackImage() {
    if (!moduleStarted_) {
        LoadBackImage();
        moduleStarted_ = true;
    }
}

void clsCustomReport::EndReports() {
    if (printer_ && !printer_->ended()) printer_->finish();
    preview_ = nullptr;
    surface_ = nullptr;
    moduleX_ = moduleY_ = 0;
    columnIndex_ = 0;
}

platform::PageSurface& clsCustomReport::drawingSurface() {
    if (!surface_)
        throw core::AppError(core::kErrObjectNotSet, QStringLiteral("Zelt Order"),
                             QStringLiteral("Variabile oggetto o variabile del blocco With non impostata"));
    return *surface_;
}

QPointF clsCustomReport::imageOrigin() const {
    return QPointF(reportLeft_ + moduleX_, reportTop_ + moduleY_);
}

void clsCustomReport::textLinePrinted(double currentY) {
    const float used = float(currentY - CurY());
    if (used > rowDimText_) rowDimText_ = used;
}

void clsCustomReport::sizeObjectHost(QWidget& window) { SizeOutputSurface(nullptr, &window, true); }

core::Variant clsCustomReport::invoke(const QString& name, core::CallKind kind,
                                      std::span<core::Variant* const> args) {
    using core::CallArgs;
    using core::Variant;
    using S = clsCustomReport;
    static const core::MemberTable table = [] {
        auto b = core::MemberTable::of<S>();
        addPageMembers(b);
        b.action("InitializeVars", &S::InitializeVars);
        b.action("LoadBackImage", &S::LoadBackImage);
        b.action("NextReportModule", &S::NextReportModule);
        b.action("NextReport", &S::NextReport);
        b.action("NewReportRow", &S::NewReportRow);
        b.action("NewRow", &S::NewRow);
        b.action("EndReports", &S::EndReports);
        b.action("RowEnd", &S::RowEnd);
        b.property("RowPrinting", &S::RowPrinting, &S::setRowPrinting);
        b.property("CurX", &S::CurX);
        b.property("CurY", &S::CurY);
        b.property("RowY", &S::RowY);
        b.property("LastRow", &S::LastRow);
        b.property("BackImageFile", &S::BackImageFile);
        // The loaded background, Nothing when the layout has none.
        b.property("BackImage", [](S& s, const CallArgs&) {
            return s.backImage_.isNull() ? Variant::nothing()
                                         : Variant(std::make_shared<ScriptPicture>(s.backImage_));
        });
        b.property("ReportModuleCount", &S::ReportModuleCount);
        b.property("ReportCount", &S::ReportCount);
        b.property("ReportModuleIsEmpty", &S::ReportModuleIsEmpty);
        b.property("VBScript", &S::VBScript);
        b.property("IgnoreNextNewRow", &S::IgnoreNextNewRow, &S::setIgnoreNextNewRow);
        b.property("RowDim", &S::RowDim);
        b.property("RowDimCur", &S::RowDimCur, &S::setRowDimCur);
        b.property("RowDimText", &S::RowDimText);
        b.property("DataReferenceName", &S::DataReferenceName);
        b.method("SetDataReferenceName", 1, 1, [](S& s, const CallArgs& a) {
            s.SetDataReferenceName(a.string(0));
            return Variant();
        });
        b.property("ReportGroupName", &S::ReportGroupName, &S::setReportGroupName);
        b.property("MarkOutputAreas", &S::MarkOutputAreas, &S::setMarkOutputAreas);
        return b.build();
    }();
    return table.invoke(*this, name, kind, args);
}

}  // namespace reports
