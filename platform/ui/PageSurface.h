#pragma once
// A drawing surface measured in millimetres over a paint device: a printer
// page, a preview page picture, a window's picture. It keeps what the page
// objects expect of a picture box: a scale (ScaleWidth × ScaleHeight units
// spread over the device's page), a current position, a font, a fore colour
// and a fill colour with a fill style, and draws lines, boxes, circles,
// pictures and text at positions in those units.
//
// Text is drawn with its top-left corner at the current position, which then
// moves to the end of the text on the same line.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>

class QFontMetricsF;
class QPaintDevice;
class QPainter;

namespace platform {

class PageSurface {
  public:
    virtual ~PageSurface();
    PageSurface(const PageSurface&) = delete;
    PageSurface& operator=(const PageSurface&) = delete;

    // "Printer", "PictureBox" or "Form", as the layouts' code tells surfaces apart.
    virtual QString typeName() const = 0;
    bool isPrinter() const { return typeName() == QLatin1String("Printer"); }

    // The physical size of the page in millimetres (the drawable area).
    QSizeF physicalSizeMm() const { return physicalMm_; }
    // The logical size: the units spread over the page. Millimetres by default.
    double scaleWidth() const { return scale_.width(); }
    double scaleHeight() const { return scale_.height(); }
    void setScale(double width, double height);
    void setScaleMillimetres() { setScale(physicalMm_.width(), physicalMm_.height()); }
    // Logical units per physical millimetre (1 in millimetre scale).
    double previewFactor() const { return scale_.height() / physicalMm_.height(); }

    double currentX = 0;
    double currentY = 0;
    bool fontTransparent = true;
    bool fillSolid = false;  // FillStyle 0 (solid) or 1 (transparent)

    const QFont& font() const { return font_; }
    void setFont(const QFont& font);
    void setFontName(const QString& name);
    void setFontSize(double points);
    void setFontBold(bool on);
    void setFontItalic(bool on);
    void setFontUnderline(bool on);

    QColor foreColor() const { return fore_; }
    void setForeColor(const QColor& c) { fore_ = c; }
    QColor fillColor() const { return fill_; }
    void setFillColor(const QColor& c) { fill_ = c; }

    // Width and height of a text in logical units; the height of a line of
    // the current font for a text without line breaks.
    double textWidth(const QString& text) const;
    double textHeight(const QString& text = QString()) const;
    // Draws the text at the current position and moves it to the text's end.
    void print(const QString& text);

    // A straight line.
    void line(QPointF from, QPointF to);
    // A rectangle by two opposite corners: outlined in the fore colour (or
    // the given colour) and filled with the fill colour when the fill style
    // is solid. A rectangle of zero width or height is a line covering both
    // end points.
    void box(QPointF a, QPointF b);
    // A rectangle filled with one colour and no outline (bars of a barcode).
    void filledBox(QPointF a, QPointF b, const QColor& color);
    void circle(QPointF centre, double radius);
    // Paints a picture into the destination rectangle (logical units); an
    // empty source means the whole picture, else that part of it in pixels.
    void paintPicture(const QImage& picture, const QRectF& dest, const QRectF& source = QRectF());
    // Draws the text turned by a quarter turn in an opaque white block whose
    // top-left corner is at topLeft: one text height wide and one text width
    // high. downToUp: the text reads upwards, its top towards the left;
    // otherwise downwards, its top towards the right.
    void verticalText(const QString& text, QPointF topLeft, bool downToUp);

    // Pixels of a 96 dpi screen per logical unit, across and down.
    double screenPixelsPerUnitX() const;
    double screenPixelsPerUnitY() const;

    // Empties the page (white).
    virtual void clear() = 0;
    // Starts a new page (printers only; deferred until something is drawn,
    // so that a new page followed by the end of the document adds none).
    virtual void newPage() {}
    // True once something was drawn on the current page.
    bool pageStarted() const { return pageStarted_; }

  protected:
    PageSurface(QSizeF physicalMm);
    // The painter of the current page, begun when first needed; devicePx is
    // how many device pixels make one physical millimetre.
    virtual QPainter& devicePainter() = 0;
    virtual double devicePixelsPerMm() const = 0;
    virtual QPaintDevice* metricsDevice() const = 0;
    void setPhysicalSize(QSizeF mm);
    void markPageStarted(bool started) { pageStarted_ = started; }

  private:
    QPainter& painter();  // marks the page as started
    QPointF toDevice(QPointF p) const;
    double toDeviceX(double len) const;
    double toDeviceY(double len) const;
    const QFontMetricsF& metrics() const;
    void fontChanged();  // the metrics made again when next needed
    QFont deviceFont() const;

    QSizeF physicalMm_;
    QSizeF scale_;
    QFont font_;
    QColor fore_ = Qt::black;
    QColor fill_ = Qt::black;
    bool pageStarted_ = false;
    mutable std::unique_ptr<QFontMetricsF> metrics_;
    // The last text measured with these metrics and its width in device
    // pixels: a line is measured to wrap it, to draw it and to return its
    // width, and measuring is shaping the whole text.
    mutable QString measuredText_;
    mutable double measuredPx_ = -1;
};

// A page picture held in memory: the preview's page box and the windows of
// the object host. 96 dots per inch.
class ImageSurface : public PageSurface {
  public:
    // typeName "PictureBox" or "Form".
    explicit ImageSurface(QSizeF physicalMm, QString typeName = QStringLiteral("PictureBox"));
    ~ImageSurface() override;
    QString typeName() const override { return typeName_; }
    // Resizes the picture (emptied) to a new physical size.
    void resize(QSizeF physicalMm);
    void clear() override;
    // The picture as drawn so far.
    const QImage& image() const;
    static constexpr double kDpi = 96.0;

  protected:
    QPainter& devicePainter() override;
    double devicePixelsPerMm() const override { return kDpi / 25.4; }
    QPaintDevice* metricsDevice() const override;

  private:
    void endPainting() const;
    QString typeName_;
    mutable QImage image_;
    mutable std::unique_ptr<QPainter> painter_;
};

}  // namespace platform
