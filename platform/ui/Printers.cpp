#include "platform/ui/Printers.h"

#include "platform/ui/Desktop.h"

#include "core/RunCheck.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QTemporaryFile>
#include <QTextDocument>
#include <QTextFrame>

#include <cups/cups.h>

namespace platform {

namespace {

QString& chosenPrinter() {
    static QString name;
    return name;
}

Printers::PrinterChooser& printerChooser() {
    static Printers::PrinterChooser chooser;
    return chooser;
}

Printers::PdfFileAsker& pdfAsker() {
    static Printers::PdfFileAsker asker;
    return asker;
}

// The page layout of a system printer as the system gives it.
QPageLayout systemLayout(const QString& name) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    QPrinter printer(info, QPrinter::HighResolution);
    return printer.pageLayout();
}

// Why CUPS did not take a job, in the agent's words. CUPS tells a
// scheduler that does not answer and a queue that is gone alike, so both
// are asked again.
QString refusal(const QString& printer) {
    const ipp_status_t status = cupsLastError();
    const QString reason = QString::fromUtf8(cupsLastErrorString());
    const QString quoted = QStringLiteral("\"") + printer + QStringLiteral("\"");
    http_t* http =
        httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1, 3000, nullptr);
    if (!http)
        return QStringLiteral(
                   "Il servizio di stampa non risponde: la stampa non è stata inviata alla "
                   "stampante ") +
               quoted + QStringLiteral(".");
    cups_dest_t* dest = cupsGetNamedDest(http, printer.toUtf8().constData(), nullptr);
    httpClose(http);
    if (!dest)
        return QStringLiteral("La stampante ") + quoted +
               QStringLiteral(" non è più installata: la stampa non è stata inviata.");
    cupsFreeDests(1, dest);
    if (status == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS)
        return QStringLiteral("La stampante ") + quoted +
               QStringLiteral(" non accetta stampe: la stampa non è stata inviata.");
    return QStringLiteral("La stampante ") + quoted + QStringLiteral(" ha rifiutato la stampa: ") + reason;
}

QPageLayout pdfLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

}  // namespace

QString Printers::pdfPrinterName() { return QStringLiteral("Stampa su file PDF"); }

bool Printers::isPdfPrinter(const QString& name) { return name == pdfPrinterName(); }

QStringList Printers::installed() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    names.append(pdfPrinterName());
    return names;
}

bool Printers::isInstalled(const QString& name) { return !name.isEmpty() && installed().contains(name); }

QString Printers::systemDefault() {
    const QString name = QPrinterInfo::defaultPrinterName();
    return name.isEmpty() ? pdfPrinterName() : name;
}

QString Printers::current() {
    if (chosenPrinter().isEmpty() || !isInstalled(chosenPrinter())) return systemDefault();
    return chosenPrinter();
}

bool Printers::setCurrent(const QString& name) {
    if (!isInstalled(name)) return false;
    chosenPrinter() = name;
    return true;
}

QSizeF Printers::paperSizeMm(const QString& name, bool landscape) {
    QPageLayout layout = isPdfPrinter(name) ? pdfLayout() : systemLayout(name);
    layout.setOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    return layout.fullRect(QPageLayout::Millimeter).size();
}

std::shared_ptr<PrintJob> Printers::openJob(QWidget* owner, const QString& printer, const QString& pdfFile,
                                            const QString& title) {
    const QString name = isInstalled(printer) ? printer : current();
    QString pdf = pdfFile;
    if (isPdfPrinter(name) && pdf.isEmpty()) {
        const auto file = askPdfFile(owner);
        if (!file) return nullptr;
        pdf = *file;
    }
    return std::make_shared<PrintJob>(name, pdf, title);
}

std::optional<QString> Printers::askPdfFile(QWidget* parent) {
    if (pdfAsker()) return pdfAsker()();
    const QString file = saveFileName(parent, pdfPrinterName(), QDir::homePath(),
                                      QStringLiteral("Documento PDF (*.pdf)"), true);
    if (file.isEmpty()) return std::nullopt;
    return file;
}

std::optional<Printers::Choice> Printers::choosePrinter(QWidget* parent, const QString& title, int copies) {
    std::optional<Choice> choice;
    if (printerChooser()) {
        choice = printerChooser()(title, copies);
    } else {
        const QString current = Printers::current();
        QPrinter printer(isPdfPrinter(current) ? QPrinterInfo() : QPrinterInfo::printerInfo(current));
        if (isPdfPrinter(current)) printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setCopyCount(std::max(1, copies));
        QPrintDialog dialog(&printer, parent);
        dialog.setWindowTitle(title);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        Choice c;
        c.copies = std::max(1, printer.copyCount());
        if (printer.outputFormat() == QPrinter::PdfFormat || printer.printerName().isEmpty()) {
            c.printer = pdfPrinterName();
            c.pdfFile = printer.outputFileName();
        } else {
            c.printer = printer.printerName();
        }
        choice = c;
    }
    if (!choice) return std::nullopt;
    if (isPdfPrinter(choice->printer) && choice->pdfFile.isEmpty()) {
        const auto file = askPdfFile(parent);
        if (!file) return std::nullopt;
        choice->pdfFile = *file;
    }
    setCurrent(choice->printer);
    return choice;
}

void Printers::setPrinterChooser(PrinterChooser chooser) { printerChooser() = std::move(chooser); }

void Printers::setPdfFileAsker(PdfFileAsker asker) { pdfAsker() = std::move(asker); }

// ---- PrintJob

PrintJob::PrintJob(const QString& printerName, const QString& pdfFile, const QString& title)
    : PageSurface(QSizeF(210, 297)), name_(printerName), pdfFile_(pdfFile), title_(title) {
    if (!Printers::isInstalled(name_)) name_ = Printers::current();
    const bool pdf = Printers::isPdfPrinter(name_);
    printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    const QPageLayout layout = pdf ? pdfLayout() : systemLayout(name_);
    printer_->setOutputFormat(QPrinter::PdfFormat);
    printer_->setPageLayout(layout);
    printer_->setFullPage(pdf);
    printer_->setDocName(title_.isEmpty() ? QStringLiteral("Zelt Order") : title_);
    updateGeometry();
}

PrintJob::~PrintJob() {
    if (!ended_) abort();
}

void PrintJob::updateGeometry() {
    const QRectF paint = printer_->pageLayout().paintRect(QPageLayout::Millimeter);
    const QRectF full = printer_->pageLayout().fullRect(QPageLayout::Millimeter);
    setPhysicalSize(printer_->fullPage() ? full.size() : paint.size());
}

void PrintJob::setLandscape(bool on) {
    landscape_ = on;
    printer_->setPageOrientation(on ? QPageLayout::Landscape : QPageLayout::Portrait);
    updateGeometry();
}

QSizeF PrintJob::paperSizeMm() const {
    return printer_->pageLayout().fullRect(QPageLayout::Millimeter).size();
}

double PrintJob::devicePixelsPerMm() const { return printer_->resolution() / 25.4; }

QPaintDevice* PrintJob::metricsDevice() const { return printer_.get(); }

void PrintJob::openOutput() {
    // The document is written next to its destination, so that moving it
    // into place is a rename.
    const QString dir = Printers::isPdfPrinter(name_) && !pdfFile_.isEmpty()
                            ? QFileInfo(pdfFile_).absolutePath()
                            : QDir::tempPath();
    temp_ = std::make_unique<QTemporaryFile>(dir + QStringLiteral("/.zelt-stampa-XXXXXX.pdf"));
    if (!temp_->open())
        temp_ =
            std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/zelt-stampa-XXXXXX.pdf"));
    temp_->open();
    temp_->close();
    printer_->setOutputFileName(temp_->fileName());
}

bool PrintJob::printDocument(const QTextDocument& document, int maxPages) {
    if (painter_ || temp_) return true;
    // Laid out on a copy at the screen's resolution and drawn scaled to the
    // printer's, so that the layout's fixed-point lengths hold a document of
    // thousands of sheets (at the printer's resolution they overflow, and
    // the layout never ends). 2 cm round the text and the page's number
    // below it, as Qt prints a document. The copy is the document's child:
    // the pictures it asks for come from the document, which reads them its
    // own way, never from Qt's loader.
    const std::unique_ptr<QTextDocument> copy(document.clone(const_cast<QTextDocument*>(&document)));
    QAbstractTextDocumentLayout* layout = copy->documentLayout();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double screenDpi = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
    const int dpi = printer_->resolution();
    const double scale = dpi / screenDpi;
    const double margin = 2 / 2.54 * screenDpi;
    QTextFrameFormat frame = copy->rootFrame()->frameFormat();
    frame.setMargin(margin);
    copy->rootFrame()->setFrameFormat(frame);
    const QPageLayout sheetLayout = printer_->pageLayout();
    const QSizeF sheet =
        (printer_->fullPage() ? sheetLayout.fullRectPixels(dpi) : sheetLayout.paintRectPixels(dpi)).size() /
        scale;
    copy->setPageSize(sheet);
    const int pages = copy->pageCount();
    if (pages > maxPages) return false;
    const QFont numberFont = copy->defaultFont();
    const QFontMetricsF numberMetrics(numberFont);
    // A page at a time, so that a run asked to stop (the user's Stop, the
    // script's time-out) stops between two pages.
    for (int page = 0; page < pages; ++page) {
        core::checkRun();
        if (page > 0) newPage();
        QPainter& painter = devicePainter();
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -page * sheet.height());
        const QRectF view(0, page * sheet.height(), sheet.width(), sheet.height());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = view;
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&painter, context);
        painter.setClipping(false);
        painter.setFont(numberFont);
        const QString number = QString::number(page + 1);
        painter.drawText(QPointF(sheet.width() - margin - numberMetrics.horizontalAdvance(number),
                                 view.bottom() - margin + numberMetrics.ascent() + 5 * screenDpi / 72),
                         number);
        painter.restore();
    }
    return true;
}

QPainter& PrintJob::devicePainter() {
    if (!painter_) {
        openOutput();
        painter_ = std::make_unique<QPainter>();
        painter_->begin(printer_.get());
        painter_->setRenderHint(QPainter::Antialiasing, true);
        pages_ = 1;
        pendingNewPage_ = false;
    } else if (pendingNewPage_) {
        printer_->newPage();
        ++pages_;
        pendingNewPage_ = false;
    }
    return *painter_;
}

void PrintJob::newPage() {
    // A page is added only when something is drawn on it.
    if (painter_) pendingNewPage_ = true;
    markPageStarted(false);
}

void PrintJob::endPainting() {
    if (painter_) {
        painter_->end();
        painter_.reset();
    }
}

bool PrintJob::finish(QString* error) {
    if (!ended_) {
        ended_ = true;
        failure_ = deliver();
    }
    // A second call tells again how the delivery went.
    if (error && !failure_.isEmpty()) *error = failure_;
    return failure_.isEmpty();
}

QString PrintJob::deliver() {
    if (!painter_) return QString();  // nothing was drawn: nothing to deliver
    endPainting();
    const QString temp = temp_->fileName();
    if (Printers::isPdfPrinter(name_)) {
        if (pdfFile_.isEmpty()) {
            temp_.reset();
            return QStringLiteral(
                "Nessun file indicato per la stampa su file PDF: il documento non è stato "
                "salvato.");
        }
        QFile::remove(pdfFile_);
        if (!QFile::rename(temp, pdfFile_)) {
            if (!QFile::copy(temp, pdfFile_)) {
                temp_.reset();
                return QStringLiteral("Impossibile scrivere il file ") + pdfFile_;
            }
        } else {
            temp_->setAutoRemove(false);
        }
        temp_.reset();
        delivered_ = true;
        return QString();
    }
    const QByteArray title = (title_.isEmpty() ? QStringLiteral("Zelt Order") : title_).toUtf8();
    const int job = cupsPrintFile(name_.toUtf8().constData(), QFile::encodeName(temp).constData(),
                                  title.constData(), 0, nullptr);
    temp_.reset();
    if (job <= 0) return refusal(name_);
    delivered_ = true;
    return QString();
}

void PrintJob::abort() noexcept {
    ended_ = true;
    try {
        endPainting();
    } catch (...) {
        // Ending the painter writes the last page into the file thrown away
        // here; when memory ran out drawing that page it runs out again. The
        // painter and its printer are let go of as they stand (never ended a
        // second time), and only the partial file goes.
        (void)painter_.release();
        (void)printer_.release();
    }
    temp_.reset();  // removes the partial document
}

}  // namespace platform
