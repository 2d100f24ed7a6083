#include "reports/ui/PageDrawing.h"

#include "core/LanguageErrors.h"
#include "core/RaiseError.h"
#include "core/RunCheck.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PageSurface.h"
#include "reports/TextWrap.h"
#include "startup/Code128.h"
#include "startup/LayoutFiles.h"
#include "startup/OSWinUtil.h"
#include "startup/ui/Barcode128.h"
#include "startup/ui/frmObjectView.h"

#include <QImage>

#include <algorithm>
#include <cmath>

namespace reports {

namespace {

// A text is measured and drawn in pieces of at most this many characters,
// so that one call with a text of millions of characters asks for the stop
// and the time-out between pieces. A shorter text is one piece, measured and
// drawn as a whole.
constexpr qsizetype kTextPiece = 4096;

// Calls f with each piece of the text in order; a surrogate pair is never
// cut.
template <class F>
void eachPiece(const QString& text, F&& f) {
    if (text.size() <= kTextPiece) {
        f(text);
        return;
    }
    for (qsizetype at = 0; at < text.size();) {
        core::checkRun();
        qsizetype n = std::min(kTextPiece, text.size() - at);
        if (at + n < text.size() && text.at(at + n - 1).isHighSurrogate()) --n;
        f(text.mid(at, n));
        at += n;
    }
}

double textWidthInPieces(const platform::PageSurface& s, const QString& text) {
    double width = 0;
    eachPiece(text, [&](const QString& piece) { width += s.textWidth(piece); });
    return width;
}

void printInPieces(platform::PageSurface& s, const QString& text) {
    eachPiece(text, [&](const QString& piece) { s.print(piece); });
}

// The longest code a barcode is drawn for: far beyond any reader's, and
// short enough that one call ends at once.
constexpr qsizetype kMaxBarcodeChars = 1000;

}  // namespace

QImage readPicture(const QString& path, const QString& shownName) {
    const platform::ReadResult read = startup::readLayoutFile(path);
    if (!read.data)
        throw core::AppError(startup::layoutReadError(read.refusal), QStringLiteral("Zelt Order"),
                             read.reason(shownName));
    QImage picture;
    if (!picture.loadFromData(*read.data))
        throw core::AppError(core::kErrInvalidPicture, QStringLiteral("Zelt Order"),
                             QStringLiteral("Immagine non valida: ") + shownName);
    return picture;
}

float TxtOut(DrawingHost& host, float nY, float nX, const QString& text, float nWrapLen, bool keepBreaks) {
    host.backgroundStep();
    platform::PageSurface& s = host.drawingSurface();
    const QPointF origin = host.drawingOrigin();
    const double x0 = origin.x() + nX;
    s.currentY = origin.y() + nY;
    s.currentX = x0;
    double widest = 0;
    wrapLines(
        text, nWrapLen, keepBreaks, [&s](QStringView part) { return s.textWidth(part.toString()); },
        [&](QStringView line) {
            // A long text stops with the run (its stop or its time-out).
            core::checkRun();
            const QString printed = line.toString();
            printInPieces(s, printed);
            s.currentX = x0;
            s.currentY += s.textHeight();
            host.textLinePrinted(s.currentY);
            widest = std::max(widest, textWidthInPieces(s, printed));
        });
    return float(widest);
}

float TxtOutR(DrawingHost& host, float nY, float nEndX, const QString& text) {
    host.backgroundStep();
    platform::PageSurface& s = host.drawingSurface();
    const QPointF origin = host.drawingOrigin();
    const double width = textWidthInPieces(s, text);
    s.currentY = origin.y() + nY;
    s.currentX = origin.x() + nEndX - width;
    printInPieces(s, text);
    return float(width);
}

float TxtOutV(DrawingHost& host, float nY, float nX, const QString& text, bool downToUp,
              bool baseToLastChar) {
    host.backgroundStep();
    platform::PageSurface& s = host.drawingSurface();
    const QPointF origin = host.drawingOrigin();
    const double w = textWidthInPieces(s, text);
    const double h = s.textHeight(text);
    double y = origin.y() + nY;
    if (baseToLastChar) y = y - w + h;
    // Piece after piece along the block: from its top downwards, or from its
    // bottom upwards for a text that reads upwards.
    double done = 0;
    eachPiece(text, [&](const QString& piece) {
        const double pw = s.textWidth(piece);
        const double top = downToUp ? y + w - done - pw : y + done;
        s.verticalText(piece, QPointF(origin.x() + nX, top), downToUp);
        done += pw;
    });
    return float(w);
}

void SetFont(DrawingHost& host, int size, bool bold, bool italic, const QString& face, bool underline) {
    platform::PageSurface& s = host.drawingSurface();
    if (!face.isEmpty()) s.setFontName(face);
    if (s.isPrinter())
        s.setFontSize(size);
    else
        s.setFontSize(size / s.previewFactor());
    s.setFontBold(bold);
    s.setFontItalic(italic);
    s.setFontUnderline(underline);
}

void BoxOut(DrawingHost& host, float nY, float nX, float nDimY, float nDimX, bool fill) {
    host.backgroundStep();
    platform::PageSurface& s = host.drawingSurface();
    const QPointF o = host.drawingOrigin() + QPointF(nX, nY);
    const double x2 = o.x() + nDimX;
    const double y2 = o.y() + nDimY;
    if (fill) {
        s.fillSolid = true;
        s.box(o, QPointF(x2, y2));
        s.fillSolid = false;
        return;
    }
    s.fillSolid = false;
    s.box(o, QPointF(x2, o.y()));
    s.box(QPointF(o.x(), y2), QPointF(x2, y2));
    s.box(o, QPointF(o.x(), y2));
    s.box(QPointF(x2, o.y()), QPointF(x2, y2));
}

void CircleOut(DrawingHost& host, float nY, float nX, float nRadius, bool fill) {
    host.backgroundStep();
    platform::PageSurface& s = host.drawingSurface();
    s.fillSolid = fill;
    s.circle(host.drawingOrigin() + QPointF(nX, nY), nRadius);
    s.fillSolid = false;
}

void LineOut(DrawingHost& host, float nY, float nX, float nToY, float nToX) {
    host.backgroundStep();
    platform::PageSurface& s = host.drawingSurface();
    const QPointF base = host.drawingOrigin();
    const QPointF from = base + QPointF(nX, nY);
    const QPointF to = base + QPointF(nToX, nToY);
    if (nY == nToY || nX == nToX)
        s.box(from, to);
    else
        s.line(from, to);
}

void ImageOut(DrawingHost& host, const QString& file, float nY, float nX, float nDimY, float nDimX,
              bool stretch) {
    host.backgroundStep();
    const QString path = startup::GetAbsolutePath(file);
    if (!startup::FileExists(path)) {
        platform::messageBox(QStringLiteral("Impossibile accedere al file dell'immagine:\r") + file,
                             platform::kOkOnly);
        return;
    }
    const QImage picture = readPicture(path, file);
    platform::PageSurface& s = host.drawingSurface();
    const QPointF at = host.imageOrigin() + QPointF(nX, nY);
    // The picture's own size: its resolution when it has one, else a screen's.
    const double dpmX = picture.dotsPerMeterX() > 0 ? picture.dotsPerMeterX() : 96 / 0.0254;
    const double dpmY = picture.dotsPerMeterY() > 0 ? picture.dotsPerMeterY() : 96 / 0.0254;
    const double factor = s.isPrinter() ? 1.0 : s.previewFactor();
    const QSizeF own(picture.width() / dpmX * 1000.0 / factor, picture.height() / dpmY * 1000.0 / factor);
    if (nDimX == 0 || nDimY == 0) {
        s.paintPicture(picture, QRectF(at, own));
    } else if (stretch) {
        s.paintPicture(picture, QRectF(at, QSizeF(nDimX, nDimY)));
    } else {
        // At its own size, cut to the box.
        const double w = std::min<double>(nDimX, own.width());
        const double h = std::min<double>(nDimY, own.height());
        const QRectF source(0, 0, picture.width() * w / own.width(), picture.height() * h / own.height());
        s.paintPicture(picture, QRectF(at, QSizeF(w, h)), source);
    }
}

float Barcode128bOut(DrawingHost& host, float nY, float nX, float barHeight, float moduleWidth,
                     const QString& code) {
    // Refused before anything is drawn: a code too long, and a symbol wider
    // than the page (start B, a symbol a character and the check symbol of
    // 11 modules each, the stop of 13).
    if (code.size() > kMaxBarcodeChars)
        core::RaiseGenericError(host.drawingContext(),
                                QStringLiteral("Barcode128bOut: il codice è troppo lungo (%1 caratteri, al "
                                               "massimo %2).")
                                    .arg(code.size())
                                    .arg(kMaxBarcodeChars));
    const qsizetype symbols = startup::EncodeCode128(code).size() + 1;
    const double width = std::abs(double(moduleWidth)) * double(symbols * 11 + 13);
    const double page = host.drawingSurface().scaleWidth();
    if (!(width <= page))
        core::RaiseGenericError(host.drawingContext(),
                                QStringLiteral("Barcode128bOut: il codice a barre è largo ") +
                                    core::Variant(float(width)).toString() +
                                    QStringLiteral(" mm, più della pagina (") +
                                    core::Variant(float(page)).toString() + QStringLiteral(" mm)."));
    host.backgroundStep();
    const QPointF o = host.drawingOrigin() + QPointF(nX, nY);
    return startup::DrawBarcode128(host.drawingSurface(), code, float(o.y()), float(o.x()), barHeight,
                                   moduleWidth);
}

void PrintObject(DrawingHost& host, const QString& classId, const QString& loadCommand,
                 const QString& printMethod) {
    const bool preview = !host.drawingSurface().isPrinter();
    startup::frmObjectView& view = startup::frmObjectView::instance();
    std::shared_ptr<core::Object> object =
        view.SetObject(classId, QStringLiteral("CustomObject"), printMethod, preview, host.drawingContext());
    host.sizeObjectHost(view);
    const qsizetype eq = loadCommand.indexOf(QLatin1Char('='));
    const qsizetype blank = loadCommand.indexOf(QLatin1Char(' '));
    try {
        if (eq >= 0) {
            core::Variant value(loadCommand.mid(eq + 1));
            core::Variant* args[] = {&value};
            object->invoke(loadCommand.left(eq), core::CallKind::PropertyLet, args);
        } else if (blank >= 0) {
            core::Variant value(loadCommand.mid(blank + 1));
            core::Variant* args[] = {&value};
            object->invoke(loadCommand.left(blank), core::CallKind::Method, args);
        }
    } catch (const core::AppError& e) {
        core::RaiseGenericError(
            host.drawingContext(),
            QStringLiteral("Impostazione del file fallita mediante il medoto/proprietà:\r") + loadCommand +
                QStringLiteral("\r\rError: ") + e.description());
    }
    view.showModal();
}

}  // namespace reports
