#pragma once
// The drawing members that both page objects (the report's and the label's)
// give their layouts: text, fonts, boxes, circles, lines, pictures, barcodes
// and hosted objects. They are written once here; a page object says where
// its origin lies, which surface it draws on and what it does before drawing
// (the report paints its background at the first output of a module).
//
// Lengths are millimetres; every positioned member takes (nY, nX) as offsets
// from the page object's origin.

#include "core/ObjectBinding.h"
#include "reports/VarStore.h"

#include <QImage>
#include <QPointF>
#include <QString>
#include <cstdint>

class QWidget;

namespace platform {
class PageSurface;
}

namespace reports {

class DrawingHost {
  public:
    virtual ~DrawingHost() = default;
    // The surface drawn on (the printer, or the preview's page picture).
    virtual platform::PageSurface& drawingSurface() = 0;
    // The origin of the positioned members.
    virtual QPointF drawingOrigin() const = 0;
    // The origin of ImageOut (the report places pictures from the module).
    virtual QPointF imageOrigin() const { return drawingOrigin(); }
    // Runs before a member draws (not for SetFont and PrintObject).
    virtual void backgroundStep() {}
    // The page object's colour (red in the low byte).
    virtual std::uint32_t drawingColor() const = 0;
    // TxtOut has printed a line; the surface's current Y is below it.
    virtual void textLinePrinted(double currentY) {}
    // Sizes the window of a hosted object like an output surface.
    virtual void sizeObjectHost(QWidget& window) = 0;
    // The name that errors raised by the members give as context.
    virtual QString drawingContext() const = 0;
};

// The picture of a file a layout names: only a regular file of at most
// platform::kMaxReadFileBytes; error 75 (with the reason) or 481 otherwise.
QImage readPicture(const QString& path, const QString& shownName);

// The members (arguments as the layouts pass them; left-out trailing ones are
// 0, False or "").
float TxtOut(DrawingHost& host, float nY, float nX, const QString& text, float nWrapLen = 0,
             bool bMantainOriginalWrap = false);
float TxtOutR(DrawingHost& host, float nY, float nEndX, const QString& text);
float TxtOutV(DrawingHost& host, float nY, float nX, const QString& text, bool bDownToUp = false,
              bool bBaseToLastChar = false);
void SetFont(DrawingHost& host, int size, bool bold, bool italic, const QString& face,
             bool underline = false);
void BoxOut(DrawingHost& host, float nY, float nX, float nDimY, float nDimX, bool bFill = false);
void CircleOut(DrawingHost& host, float nY, float nX, float nRadius, bool bFill = false);
void LineOut(DrawingHost& host, float nY, float nX, float nToY, float nToX);
void ImageOut(DrawingHost& host, const QString& sFile, float nY, float nX, float nDimY = 0, float nDimX = 0,
              bool bStretch = false);
float Barcode128bOut(DrawingHost& host, float nY, float nX, float barHeight, float moduleWidth,
                     const QString& sCode);
void PrintObject(DrawingHost& host, const QString& classId, const QString& loadCommand,
                 const QString& printMethod);

// Adds the drawing members above to a page object's member table; T derives
// from core::Object and DrawingHost.
template <class T>
void addDrawingMembers(core::MemberTable::Builder<T>& b) {
    using core::CallArgs;
    using core::Variant;
    b.method("TxtOut", 3, 5, [](T& s, const CallArgs& a) {
        return Variant(TxtOut(s, a.number(0), a.number(1), a.string(2), a.number(3), a.flag(4)));
    });
    b.method("TxtOutR", 3, 3, [](T& s, const CallArgs& a) {
        return Variant(TxtOutR(s, a.number(0), a.number(1), a.string(2)));
    });
    b.method("TxtOutV", 3, 5, [](T& s, const CallArgs& a) {
        return Variant(TxtOutV(s, a.number(0), a.number(1), a.string(2), a.flag(3), a.flag(4)));
    });
    b.method("SetFont", 1, 5, [](T& s, const CallArgs& a) {
        SetFont(s, a.whole(0), a.flag(1), a.flag(2), a.string(3), a.flag(4));
        return Variant();
    });
    b.method("BoxOut", 4, 5, [](T& s, const CallArgs& a) {
        BoxOut(s, a.number(0), a.number(1), a.number(2), a.number(3), a.flag(4));
        return Variant();
    });
    b.method("CircleOut", 3, 4, [](T& s, const CallArgs& a) {
        CircleOut(s, a.number(0), a.number(1), a.number(2), a.flag(3));
        return Variant();
    });
    b.method("LineOut", 4, 4, [](T& s, const CallArgs& a) {
        LineOut(s, a.number(0), a.number(1), a.number(2), a.number(3));
        return Variant();
    });
    b.method("ImageOut", 3, 6, [](T& s, const CallArgs& a) {
        ImageOut(s, a.string(0), a.number(1), a.number(2), a.number(3), a.number(4), a.flag(5));
        return Variant();
    });
    b.method("Barcode128bOut", 5, 5, [](T& s, const CallArgs& a) {
        return Variant(Barcode128bOut(s, a.number(0), a.number(1), a.number(2), a.number(3), a.string(4)));
    });
    b.method("PrintObject", 1, 3, [](T& s, const CallArgs& a) {
        PrintObject(s, a.string(0), a.string(1), a.string(2));
        return Variant();
    });
}

// The members both page objects have: the drawing members, the variable
// store, Preview and Color. T::Preview(), T::Color() and T::setColor() give
// them.
template <class T>
void addPageMembers(core::MemberTable::Builder<T>& b) {
    addDrawingMembers(b);
    addVarStoreMembers(b);
    b.property("Preview", &T::Preview);
    b.property("Color", &T::Color, &T::setColor);
}

}  // namespace reports
