#include "platform/ui/PageSurface.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPen>

namespace platform {

namespace {
// One pixel of a 96 dpi screen, in millimetres: the width of every line.
constexpr double kLineWidthMm = 25.4 / 96.0;
}  // namespace

PageSurface::PageSurface(QSizeF physicalMm) : physicalMm_(physicalMm), scale_(physicalMm) {}

PageSurface::~PageSurface() = default;

void PageSurface::setPhysicalSize(QSizeF mm) {
    physicalMm_ = mm;
    scale_ = mm;
    fontChanged();
}

void PageSurface::setScale(double width, double height) {
    if (width > 0 && height > 0) scale_ = QSizeF(width, height);
}

// The setters keep the metrics of a font that stays the same: layouts set
// their font again for every row.
void PageSurface::setFont(const QFont& font) {
    if (font == font_) return;
    font_ = font;
    fontChanged();
}

void PageSurface::setFontName(const QString& name) {
    QFont f = font_;
    f.setFamily(name);
    setFont(f);
}

void PageSurface::setFontSize(double points) {
    if (points <= 0) return;
    QFont f = font_;
    f.setPointSizeF(points);
    setFont(f);
}

void PageSurface::setFontBold(bool on) {
    QFont f = font_;
    f.setBold(on);
    setFont(f);
}

void PageSurface::setFontItalic(bool on) {
    QFont f = font_;
    f.setItalic(on);
    setFont(f);
}

void PageSurface::setFontUnderline(bool on) {
    QFont f = font_;
    f.setUnderline(on);
    setFont(f);
}

void PageSurface::fontChanged() {
    metrics_.reset();
    measuredText_.clear();
    measuredPx_ = -1;
}

const QFontMetricsF& PageSurface::metrics() const {
    if (!metrics_) metrics_ = std::make_unique<QFontMetricsF>(font_, metricsDevice());
    return *metrics_;
}

double PageSurface::toDeviceX(double len) const {
    return len * physicalMm_.width() / scale_.width() * devicePixelsPerMm();
}

double PageSurface::toDeviceY(double len) const {
    return len * physicalMm_.height() / scale_.height() * devicePixelsPerMm();
}

QPointF PageSurface::toDevice(QPointF p) const { return QPointF(toDeviceX(p.x()), toDeviceY(p.y())); }

double PageSurface::screenPixelsPerUnitX() const {
    return physicalMm_.width() / scale_.width() * 96.0 / 25.4;
}

double PageSurface::screenPixelsPerUnitY() const {
    return physicalMm_.height() / scale_.height() * 96.0 / 25.4;
}

double PageSurface::textWidth(const QString& text) const {
    if (measuredPx_ < 0 || text != measuredText_) {
        measuredPx_ = metrics().horizontalAdvance(text);
        measuredText_ = text;
    }
    const double px = measuredPx_;
    return px / devicePixelsPerMm() * scale_.width() / physicalMm_.width();
}

double PageSurface::textHeight(const QString& text) const {
    const auto lines = std::max<qsizetype>(1, text.count(QLatin1Char('\n')) + 1);
    const double px = metrics().lineSpacing() * double(lines);
    return px / devicePixelsPerMm() * scale_.height() / physicalMm_.height();
}

QPainter& PageSurface::painter() {
    QPainter& p = devicePainter();
    pageStarted_ = true;
    return p;
}

void PageSurface::print(const QString& text) {
    const double w = textWidth(text);
    if (!text.isEmpty()) {
        QPainter& p = painter();
        p.setFont(font_);
        const QPointF at = toDevice(QPointF(currentX, currentY));
        if (!fontTransparent)
            p.fillRect(QRectF(at, QSizeF(toDeviceX(w), toDeviceY(textHeight(text)))), Qt::white);
        p.setPen(fore_);
        p.drawText(QPointF(at.x(), at.y() + metrics().ascent()), text);
    }
    currentX += w;
}

static QPen linePen(const QColor& color, double widthPx) {
    QPen pen(color);
    pen.setWidthF(widthPx);
    pen.setCapStyle(Qt::SquareCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void PageSurface::line(QPointF from, QPointF to) {
    QPainter& p = painter();
    p.setPen(linePen(fore_, kLineWidthMm * devicePixelsPerMm()));
    p.setBrush(Qt::NoBrush);
    p.drawLine(toDevice(from), toDevice(to));
}

void PageSurface::box(QPointF a, QPointF b) {
    QPainter& p = painter();
    p.setPen(linePen(fore_, kLineWidthMm * devicePixelsPerMm()));
    const QRectF r = QRectF(toDevice(a), toDevice(b)).normalized();
    if (r.width() == 0 || r.height() == 0) {
        p.drawLine(r.topLeft(), r.bottomRight());
        return;
    }
    p.setBrush(fillSolid ? QBrush(fill_) : QBrush(Qt::NoBrush));
    p.drawRect(r);
}

void PageSurface::filledBox(QPointF a, QPointF b, const QColor& color) {
    QPainter& p = painter();
    p.fillRect(QRectF(toDevice(a), toDevice(b)).normalized(), color);
}

void PageSurface::circle(QPointF centre, double radius) {
    QPainter& p = painter();
    p.setPen(linePen(fore_, kLineWidthMm * devicePixelsPerMm()));
    p.setBrush(fillSolid ? QBrush(fill_) : QBrush(Qt::NoBrush));
    p.drawEllipse(toDevice(centre), toDeviceX(radius), toDeviceY(radius));
}

void PageSurface::paintPicture(const QImage& picture, const QRectF& dest, const QRectF& source) {
    QPainter& p = painter();
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const QRectF d(toDevice(dest.topLeft()), toDevice(dest.bottomRight()));
    if (source.isNull())
        p.drawImage(d, picture);
    else
        p.drawImage(d, picture, source);
}

void PageSurface::verticalText(const QString& text, QPointF topLeft, bool downToUp) {
    const double w = textWidth(text);
    const double h = textHeight(text);
    QPainter& p = painter();
    const QPointF at = toDevice(topLeft);
    const double wx = toDeviceX(h);  // the block's width on the page is the text's height
    const double hy = toDeviceY(w);
    p.fillRect(QRectF(at, QSizeF(wx, hy)), Qt::white);
    p.save();
    p.setFont(font_);
    p.setPen(fore_);
    if (downToUp) {
        // The text's start at the bottom, its top at the left edge.
        p.translate(at.x(), at.y() + hy);
        p.rotate(-90);
    } else {
        p.translate(at.x() + wx, at.y());
        p.rotate(90);
    }
    p.drawText(QPointF(0, metrics().ascent()), text);
    p.restore();
}

// ---- ImageSurface

ImageSurface::ImageSurface(QSizeF physicalMm, QString typeName)
    : PageSurface(physicalMm), typeName_(std::move(typeName)) {
    resize(physicalMm);
}

ImageSurface::~ImageSurface() { endPainting(); }

void ImageSurface::endPainting() const {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

void ImageSurface::resize(QSizeF physicalMm) {
    endPainting();
    setPhysicalSize(physicalMm);
    const double px = kDpi / 25.4;
    image_ = QImage(std::max(1, int(std::lround(physicalMm.width() * px))),
                    std::max(1, int(std::lround(physicalMm.height() * px))), QImage::Format_RGB32);
    image_.setDotsPerMeterX(int(std::lround(kDpi / 0.0254)));
    image_.setDotsPerMeterY(int(std::lround(kDpi / 0.0254)));
    image_.fill(Qt::white);
    markPageStarted(false);
}

void ImageSurface::clear() {
    endPainting();
    image_.fill(Qt::white);
    markPageStarted(false);
}

const QImage& ImageSurface::image() const {
    endPainting();
    return image_;
}

QPainter& ImageSurface::devicePainter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        painter_->setRenderHint(QPainter::Antialiasing, true);
        painter_->setRenderHint(QPainter::TextAntialiasing, true);
    }
    return *painter_;
}

QPaintDevice* ImageSurface::metricsDevice() const { return &image_; }

}  // namespace platform
