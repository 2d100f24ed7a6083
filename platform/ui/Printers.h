#pragma once
// The printers the program can print on: the system's CUPS printers and
// "Stampa su file PDF", which writes a PDF file whose name it asks. The
// program's chosen printer is kept here; the system's default printer is
// never changed.
//
// A print job draws into a temporary PDF. Only a finished job is delivered
// (moved into place, or handed to CUPS); an aborted one leaves nothing.

#include "platform/ui/PageSurface.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <memory>
#include <optional>

class QPrinter;
class QTemporaryFile;
class QTextDocument;
class QWidget;

namespace platform {

class PrintJob;

class Printers {
  public:
    // The name of the PDF printer, always installed.
    static QString pdfPrinterName();
    static bool isPdfPrinter(const QString& name);
    // The installed printers: the system's, then the PDF printer.
    static QStringList installed();
    static bool isInstalled(const QString& name);
    // The system's default printer; the PDF printer when the system has none.
    static QString systemDefault();
    // The program's chosen printer (the system default until one is chosen).
    static QString current();
    // Chooses a printer when it is installed; false (and nothing changes) when not.
    static bool setCurrent(const QString& name);

    // The sheet size in millimetres of a printer for an orientation.
    static QSizeF paperSizeMm(const QString& name, bool landscape);

    // The printer dialog ("Selezione stampante"): the printer picked (a PDF
    // file name asked when it is the PDF printer) and the copies. The chosen
    // printer becomes the program's current one. Nothing when cancelled.
    struct Choice {
        QString printer;
        QString pdfFile;
        int copies = 1;
    };
    static std::optional<Choice> choosePrinter(QWidget* parent, const QString& title, int copies);
    // Test seam: answers the printer dialog instead of showing it.
    using PrinterChooser = std::function<std::optional<Choice>(const QString& title, int copies)>;
    static void setPrinterChooser(PrinterChooser chooser);

    // A job as the runners and the editors open it: a name that is not
    // installed (the empty one included) prints on the current printer, and
    // the PDF printer asks for its file unless one is given. Nothing when the
    // user cancels that question.
    static std::shared_ptr<PrintJob> openJob(QWidget* owner, const QString& printer,
                                             const QString& pdfFile = QString(),
                                             const QString& title = QString());

    // Asks where a PDF goes ("Stampa su file PDF"); nothing when cancelled.
    static std::optional<QString> askPdfFile(QWidget* parent = nullptr);
    // Test seam: answers the question above instead of the file dialog.
    using PdfFileAsker = std::function<std::optional<QString>()>;
    static void setPdfFileAsker(PdfFileAsker asker);
};

class PrintJob : public PageSurface {
  public:
    // A job on a printer (a name that is not installed: the current
    // printer); for the PDF printer, pdfFile is where the document goes when
    // the job is finished. Nothing is written before the first drawing.
    PrintJob(const QString& printerName, const QString& pdfFile = QString(),
             const QString& title = QString());
    ~PrintJob() override;  // aborts an unfinished job

    QString typeName() const override { return QStringLiteral("Printer"); }
    const QString& deviceName() const { return name_; }
    const QString& pdfFile() const { return pdfFile_; }

    // Orientation of the sheets; changes only what is drawn from the next page on.
    bool landscape() const { return landscape_; }
    void setLandscape(bool on);
    // The sheet in millimetres (the drawable area starts at its printable top-left).
    QSizeF paperSizeMm() const;

    void clear() override {}
    void newPage() override;
    // Prints a text document as the job's pages (before anything else is
    // drawn), a page at a time: between two pages a run asked to stop (the
    // user's Stop, a script's time-out, core::checkRun) stops it. A document
    // of more than maxPages sheets prints nothing and gives false.
    bool printDocument(const QTextDocument& document, int maxPages = std::numeric_limits<int>::max());
    int pageCount() const { return pages_; }

    // Ends the document and delivers it. False, with an Italian description,
    // when it could not be delivered (a drawn document is never thrown away
    // as a success); called again, it tells the same. A job with nothing
    // drawn delivers nothing.
    bool finish(QString* error = nullptr);
    // True once a drawn document went to the printer or into its file.
    bool delivered() const { return delivered_; }
    // Ends the document and throws it away; never fails (out of memory, the
    // page is not written at all).
    void abort() noexcept;
    bool ended() const { return ended_; }

  protected:
    QPainter& devicePainter() override;
    double devicePixelsPerMm() const override;
    QPaintDevice* metricsDevice() const override;

  private:
    void updateGeometry();
    void openOutput();
    void endPainting();
    // Delivers the ended document: the reason when it could not.
    QString deliver();

    QString name_;
    QString pdfFile_;
    QString title_;
    bool landscape_ = false;
    bool pendingNewPage_ = false;
    bool ended_ = false;
    bool delivered_ = false;
    QString failure_;  // why the document was not delivered
    int pages_ = 0;
    std::unique_ptr<QTemporaryFile> temp_;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
};

}  // namespace platform
