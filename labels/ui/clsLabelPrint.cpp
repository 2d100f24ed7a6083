#include "labels/ui/clsLabelPrint.h"

#include "core/ObjectBinding.h"
#include "core/RaiseError.h"
#include "labels/ui/frmLabelPreview.h"
#include "platform/ui/PageSurface.h"
#include "platform/ui/Printers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace labels {

namespace {

QColor colorOf(std::uint32_t c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

}  // namespace

clsLabelPrint::clsLabelPrint() = default;

clsLabelPrint::~clsLabelPrint() { EndLabels(); }

void clsLabelPrint::SetParameter(const Device& device, float labelHeight, float labelWidth, float topMargin,
                                 float leftMargin, std::int16_t columns, bool endDocument, bool horizontal) {
    printer_ = device.printer;
    preview_ = printer_ ? nullptr : device.preview;
    // The printer the layout names, when installed, becomes the program's
    // printer (a job on one that is not installed prints on the current one).
    if (printer_) platform::Printers::setCurrent(printer_->deviceName());
    surface_ = nullptr;
    labelHeight_ = labelHeight;
    labelWidth_ = labelWidth;
    topMargin_ = topMargin;
    leftMargin_ = leftMargin;
    columns_ = columns;
    endDocument_ = endDocument;
    horizontal_ = horizontal;
    if (labelHeight_ == 0 || labelWidth_ == 0) {
        if (platform::Printers::installed().isEmpty())
            core::RaiseGenericError(*this,
                                    QStringLiteral("Nessuna stampante configurata.\r\rImpossibile stabilire "
                                                   "le dimensioni predefinite del foglio..."));
        const QSizeF paper = printerPaper();
        if (labelHeight_ == 0) labelHeight_ = float(paper.height());
        if (labelWidth_ == 0) labelWidth_ = float(paper.width());
    }
    InitLabelPage();
}

QSizeF clsLabelPrint::printerPaper() const {
    if (printer_) return platform::Printers::paperSizeMm(printer_->deviceName(), horizontal_);
    return platform::Printers::paperSizeMm(platform::Printers::current(), horizontal_);
}

void clsLabelPrint::InitLabelPage() {
    curX_ = curY_ = 0;
    pageLabelCount_ = 0;
    columnIndex_ = 0;
    if (columns_ <= 0) columns_ = 1;
    color_ = 0;
    copyCount_ = 1;
    ignoreLabel_ = false;
    deliveryError_.clear();
    if (printer_) {
        surface_ = printer_.get();
        if (printer_->landscape() != horizontal_) printer_->setLandscape(horizontal_);
        const QSizeF paper = printer_->paperSizeMm();
        pageHeight_ = float(paper.height());
        pageWidth_ = float(paper.width());
        if (labelHeight_ == 0) labelHeight_ = pageHeight_;
        if (labelWidth_ == 0) labelWidth_ = pageWidth_;
        surface_->setScaleMillimetres();
    } else if (preview_) {
        surface_ = &preview_->surface();
        const QSizeF area = SizePreviewSurface(surface_, preview_, false);
        pageHeight_ = float(area.height());
        pageWidth_ = float(area.width());
    }
    if (surface_) {
        surface_->fontTransparent = true;
        setColor(color_);
    }
}

QSizeF clsLabelPrint::SizePreviewSurface(platform::PageSurface* surface, QWidget* window, bool pageMode) {
    QSizeF area =
        pageMode ? printerPaper() : QSizeF(columns_ * labelWidth_ + leftMargin_, topMargin_ + labelHeight_);
    if (area.width() <= 0 || area.height() <= 0) area = QSizeF(1, 1);
    if (window) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QSize avail = screen ? screen->availableGeometry().size() : QSize(1280, 800);
        if (area.height() > area.width()) {
            const int h = int(avail.height() * 0.95);
            window->resize(std::max(1, int(h * area.width() / area.height())), h);
        } else {
            const int w = int(avail.width() * 0.95);
            window->resize(w, std::max(1, int(w * area.height() / area.width())));
        }
    }
    if (auto* picture = dynamic_cast<platform::ImageSurface*>(surface)) {
        picture->resize(QSizeF(area.width() + 1, area.height() + 1));
        picture->setScale(area.width() + 1, area.height() + 1);
    }
    return area;
}

void clsLabelPrint::sizeObjectHost(QWidget& window) { SizePreviewSurface(nullptr, &window, true); }

platform::PageSurface& clsLabelPrint::drawingSurface() {
    if (!surface_)
        core::RaiseGenericError(*this, QStringLiteral("Nessuna superficie di stampa delle etichette."));
    return *surface_;
}

bool clsLabelPrint::Preview() const { return !surface_ || !surface_->isPrinter(); }

bool clsLabelPrint::DocumentEnded() const {
    if (printer_) return printer_->ended();
    return !preview_;
}

void clsLabelPrint::setColor(std::uint32_t color) {
    color_ = color;
    if (surface_) {
        surface_->setFillColor(colorOf(color));
        surface_->setForeColor(colorOf(color));
    }
}

void clsLabelPrint::NextCopy() {
    if (copyCount_ < 32767) ++copyCount_;
}

void clsLabelPrint::NextLabel() {
    if (ignoreLabel_) {
        ignoreLabel_ = false;
        return;
    }
    if (surface_ && !surface_->isPrinter()) {
        const QColor fore = surface_->foreColor();
        surface_->setForeColor(QColor(255, 0, 0));
        const QPointF from(leftMargin_ + curX_, topMargin_ + curY_);
        surface_->box(from, from + QPointF(labelWidth_, labelHeight_));
        surface_->setForeColor(fore);
    }
    ++columnIndex_;
    if (pageLabelCount_ < 32767) ++pageLabelCount_;
    if (columnIndex_ < columns_) {
        curX_ += labelWidth_;
        return;
    }
    columnIndex_ = 0;
    curX_ = 0;
    curY_ += labelHeight_;
    if (curY_ + labelHeight_ >= pageHeight_) {
        // The new page begins only when something is drawn on it.
        if (surface_ && surface_->isPrinter()) surface_->newPage();
        curY_ = 0;
        pageLabelCount_ = 0;
    }
}

void clsLabelPrint::ForceEndDocument() {
    if (!printer_ || printer_->ended()) return;
    QString error;
    if (!printer_->finish(&error)) deliveryError_ = error;
}

void clsLabelPrint::EndLabels() {
    if (endDocument_) ForceEndDocument();
    curX_ = curY_ = 0;
    columnIndex_ = 0;
}

core::Variant clsLabelPrint::invoke(const QString& name, core::CallKind kind,
                                    std::span<core::Variant* const> args) {
    using S = clsLabelPrint;
    static const core::MemberTable table = [] {
        auto b = core::MemberTable::of<S>();
        reports::addPageMembers(b);
        b.action("NextLabel", &S::NextLabel);
        b.action("ForceEndDocument", &S::ForceEndDocument);
        b.property("PageLabelCount", &S::PageLabelCount);
        b.action("EndLabels", &S::EndLabels);
        b.property("IgnoreLabel", &S::IgnoreLabel, &S::setIgnoreLabel);
        b.property("CopyCount", &S::CopyCount, &S::setCopyCount);
        b.action("NextCopy", &S::NextCopy);
        return b.build();
    }();
    return table.invoke(*this, name, kind, args);
}

}  // namespace labels
