#include "reports/ui/frmCustomReportPreview.h"

#include "core/AppError.h"
#include "core/LanguageErrors.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PageSurface.h"
#include "startup/RunContext.h"
#include "startup/ui/clsSubclassWnd.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>

#include <cmath>

namespace reports {

namespace {

struct Hourglass {
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

frmCustomReportPreview::frmCustomReportPreview(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmCustomReportPreview"));
    setWindowTitle(QStringLiteral("Anteprima"));
    picPage_ = std::make_unique<platform::ImageSurface>(QSizeF(210, 297));
    w_ = BuildCustomReportPreviewWidgets(this);

    platform::connectGuarded(w_.vsImage, &QScrollBar::valueChanged, this, [this] { scrolled(); });
    platform::connectGuarded(w_.hsImage, &QScrollBar::valueChanged, this, [this] { scrolled(); });
    for (QRadioButton* o : {w_.optStretchAuto, w_.optStretchArea, w_.optStretch300, w_.optStretch200})
        platform::connectGuarded(o, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ApplyZoom();
        });
    platform::connectGuarded(w_.cmdFirst, &QPushButton::clicked, this, [this] { setPageIndex(1); });
    platform::connectGuarded(w_.cmdLast, &QPushButton::clicked, this, [this] { setPageIndex(pageCount_); });
    connect(w_.cmdEsci, &QPushButton::clicked, this, &QDialog::close);
    platform::connectGuarded(w_.chkStretch, &QCheckBox::toggled, this, [this] { stretchClicked(); });
    platform::connectGuarded(w_.chkPrintImage, &QPushButton::clicked, this, [this] { printClicked(); });
    platform::connectGuarded(w_.cmdClipBoardImage, &QPushButton::clicked, this, [this] { copyClicked(); });
    platform::connectGuarded(w_.txtPage, &QLineEdit::editingFinished, this, [this] { ShowTypedPage(); });
    w_.txtPage->installEventFilter(this);
    w_.udPageSeek->stepped = [this](int v) {
        if (v != pageIndex_) {
            w_.txtPage->setText(QString::number(v));
            ShowTypedPage();
        }
    };

    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
    if (startup::HasFormSettings(this)) {
        startup::LoadFormSettings(this, false);
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect avail = screen->availableGeometry();
        resize(int(avail.width() * 0.9), int(avail.height() * 0.9));
        move(avail.center() - rect().center());
    } else {
        resize(1000, 700);
    }
    stretchClicked();

    // The mouse wheel scrolls the page.
    m_obSubClassImg = std::make_unique<startup::clsSubclassWnd>();
    m_obSubClassImg->OnWindowsMessage = [this](int, qint64 wParam, qint64, qint64&, bool&) {
        stepBar(w_.vsImage, wParam / 65536 < 0 ? 1 : -1);
    };
    m_obSubClassImg->Define(this, {startup::clsSubclassWnd::kMouseWheel});
}

frmCustomReportPreview::~frmCustomReportPreview() {
    m_obSubClassImg->TerminateSubclassing();
    DeleteTempPages();
}

QString frmCustomReportPreview::GetTempPageFileName(int page) const {
    return QDir(dir_.path())
        .filePath(QStringLiteral("TmpPreview_") + QString::number(page) + QStringLiteral(".bmp"));
}

void frmCustomReportPreview::BeginAddingPage() {
    CommitAddingPage();
    // After a page that could not be stored no further page is taken: the
    // pages would no longer follow one another.
    if (!storeError_.isEmpty())
        throw core::AppError(core::kErrFileAccess, QStringLiteral("Zelt Order"), storeError_);
    addingPage_ = pageCount_ + 1;
    picPage_->clear();
}

QString frmCustomReportPreview::StorePageFile(const QImage& page, int number) const {
    const QString name = GetTempPageFileName(number);
    QFile file(name);
    bool stored =
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && page.save(&file, "BMP") && file.flush();
    file.close();
    stored = stored && file.error() == QFileDevice::NoError;
    if (stored) return QString();
    QFile::remove(name);
    return QStringLiteral(
               "Impossibile salvare la pagina %1 dell'anteprima nel file:\r%2\r\r"
               "Il disco è pieno o la cartella non è scrivibile: l'anteprima è interrotta.")
        .arg(number)
        .arg(QDir::toNativeSeparators(name));
}

platform::ImageSurface& frmCustomReportPreview::PageAdd() {
    BeginAddingPage();
    return *picPage_;
}

void frmCustomReportPreview::CommitAddingPage() {
    if (addingPage_ == 0) return;
    if (addingPage_ == pageCount_ + 1) {
        // Kept at three bytes a pixel, as the page files are.
        const QImage page = picPage_->image().convertToFormat(QImage::Format_RGB888);
        if (addingPage_ > kPagesInMemory) {
            const QString error = StorePageFile(page, addingPage_);
            if (!error.isEmpty()) {
                // Not counted: the run stops here with the reason.
                picPage_->clear();
                addingPage_ = 0;
                storeError_ = error;
                throw core::AppError(core::kErrFileAccess, QStringLiteral("Zelt Order"), error);
            }
        } else {
            pages_.push_back(page);
        }
        ++pageCount_;
    }
    picPage_->clear();
    addingPage_ = 0;
}

void frmCustomReportPreview::CancelAddingPage() {
    picPage_->clear();
    addingPage_ = 0;
}

void frmCustomReportPreview::DeleteTempPages() {
    QDir dir(dir_.path());
    for (const QString& f : dir.entryList({QStringLiteral("TmpPreview_*.*")}, QDir::Files)) dir.remove(f);
}

void frmCustomReportPreview::PageClear() {
    DeleteTempPages();
    storeError_.clear();
    pages_.clear();
    picPage_->clear();
    addingPage_ = 0;
    pageCount_ = 0;
    if (isVisible()) RefreshView();
}

QImage frmCustomReportPreview::pageImage(int page) const {
    if (page < 1 || page > pageCount_) return QImage();
    if (page > kPagesInMemory) return QImage(GetTempPageFileName(page), "BMP");
    return pages_[size_t(page - 1)];
}

void frmCustomReportPreview::setPageIndex(int index) {
    pageIndex_ = index;
    RefreshView();
}

void frmCustomReportPreview::RefreshView() {
    try {
        CommitAddingPage();
        Hourglass wait;
        if (pageCount_ > 0) {
            pageIndex_ = std::clamp(pageIndex_, 1, pageCount_);
            w_.imgView->clear();
            shown_ = pageImage(pageIndex_);
            if (shown_.isNull())
                throw core::AppError(
                    481, QStringLiteral("Zelt Order"),
                    QStringLiteral("Impossibile leggere la pagina ") + QString::number(pageIndex_));
            w_.imgView->setPixmap(QPixmap::fromImage(shown_));
            w_.pnlBottom->setEnabled(true);
            w_.txtPage->setEnabled(pageCount_ >= 2);
            w_.udPageSeek->setEnabled(pageCount_ >= 2);
            w_.cmdFirst->setEnabled(pageCount_ >= 3);
            w_.cmdLast->setEnabled(pageCount_ >= 3);
        } else {
            w_.imgView->clear();
            shown_ = QImage();
            w_.pnlBottom->setEnabled(false);
        }
        ApplyZoom();
        UpdatePageLabel();
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kInformation, QString(), this);
    }
}

void frmCustomReportPreview::UpdatePageLabel() {
    w_.lblTotPage->setText(QStringLiteral("di ") + QString::number(pageCount_));
    if (w_.txtPage->text().toInt() != pageIndex_ || w_.txtPage->text().isEmpty())
        w_.txtPage->setText(QString::number(pageIndex_));
    w_.udPageSeek->setRange(1, std::max(1, pageCount_));
    w_.udPageSeek->setValue(std::max(1, pageIndex_));
}

void frmCustomReportPreview::ShowTypedPage() {
    bool ok = false;
    const double typed = w_.txtPage->text().toDouble(&ok);
    if (ok && int(std::lround(typed)) != pageIndex_) pageIndex_ = int(std::lround(typed));
    RefreshView();
}

void frmCustomReportPreview::SetScrollMax(QScrollBar* bar, double value, double& ratio) {
    if (value < 32768) {
        bar->setMaximum(int(value));
        ratio = 1;
    } else {
        bar->setMaximum(32767);
        ratio = value / 32767.0;
    }
}

void frmCustomReportPreview::stretchClicked() {
    const bool on = w_.chkStretch->isChecked();
    for (QRadioButton* o : {w_.optStretchAuto, w_.optStretchArea, w_.optStretch300, w_.optStretch200})
        o->setEnabled(on);
    RefreshView();
}

void frmCustomReportPreview::ApplyZoom() {
    if (shown_.isNull()) {
        w_.vsImage->hide();
        w_.hsImage->hide();
        w_.imgView->hide();
        return;
    }
    w_.imgView->hide();
    {
        const QSignalBlocker bv(w_.vsImage), bh(w_.hsImage);
        w_.vsImage->setValue(0);
        w_.hsImage->setValue(0);
    }
    QSize size = shown_.size();
    const int barW = w_.vsImage->sizeHint().width();
    const int barH = w_.hsImage->sizeHint().height();
    const QSize area = w_.pnlCenter->size();
    if (w_.chkStretch->isChecked()) {
        const double ratio = double(size.height()) / double(size.width());
        if (w_.optStretchArea->isChecked()) {
            const double scale =
                std::min(double(area.width()) / size.width(), double(area.height()) / size.height());
            size = QSize(int(size.width() * scale), int(size.height() * scale));
        } else if (w_.optStretchAuto->isChecked()) {
            const int w = area.width() - barW;
            size = QSize(w, int(w * ratio));
        } else if (w_.optStretch200->isChecked()) {
            size *= 2;
        } else if (w_.optStretch300->isChecked()) {
            size *= 3;
        }
    }
    if (w_.imgView->size() != size) w_.imgView->resize(size);
    const bool needH = size.width() > area.width();
    const bool needV = size.height() > area.height();
    const int visibleW = area.width() - (needV ? barW : 0);
    const int visibleH = area.height() - (needH ? barH : 0);
    w_.hsImage->setVisible(needH);
    w_.vsImage->setVisible(needV);
    if (needH) SetScrollMax(w_.hsImage, size.width() - visibleW, hRatio_);
    if (needV) SetScrollMax(w_.vsImage, size.height() - visibleH, vRatio_);
    imageOffset_ = QPoint(needH ? 0 : (area.width() - size.width()) / 2,
                          needV ? 0 : (area.height() - size.height()) / 2);
    w_.vsImage->setGeometry(area.width() - barW, 0, barW, area.height() - (needH ? barH : 0));
    w_.hsImage->setGeometry(0, area.height() - barH, area.width() - (needV ? barW : 0), barH);
    w_.imgView->move(imageOffset_);
    w_.imgView->show();
    w_.vsImage->raise();
    w_.hsImage->raise();
}

void frmCustomReportPreview::scrolled() {
    const int left =
        w_.hsImage->isVisible() ? -int(std::lround(w_.hsImage->value() * hRatio_)) : imageOffset_.x();
    const int top =
        w_.vsImage->isVisible() ? -int(std::lround(w_.vsImage->value() * vRatio_)) : imageOffset_.y();
    w_.imgView->move(left, top);
}

void frmCustomReportPreview::stepBar(QScrollBar* bar, int direction) {
    if (!bar->isVisible()) return;
    bar->setValue(std::clamp(bar->value() + direction * bar->singleStep(), bar->minimum(), bar->maximum()));
}

void frmCustomReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            close();
            return;
        case Qt::Key_PageUp:
            pageIndex_ = w_.txtPage->text().toInt() - 1;
            RefreshView();
            return;
        case Qt::Key_PageDown:
            pageIndex_ = w_.txtPage->text().toInt() + 1;
            RefreshView();
            return;
        case Qt::Key_Up:
            stepBar(w_.vsImage, -1);
            return;
        case Qt::Key_Down:
            stepBar(w_.vsImage, 1);
            return;
        case Qt::Key_Left:
            stepBar(w_.hsImage, -1);
            return;
        case Qt::Key_Right:
            stepBar(w_.hsImage, 1);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (w_.txtPage->hasFocus()) {
                ShowTypedPage();
                return;
            }
            break;
        default:
            break;
    }
    QDialog::keyPressEvent(event);
}

void frmCustomReportPreview::layoutControls() {
    const int barHeight = w_.pnlBottom->sizeHint().height();
    w_.pnlBottom->setGeometry(0, height() - barHeight, width(), barHeight);
    w_.pnlCenter->setGeometry(0, 0, width(), height() - barHeight);
}

void frmCustomReportPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (isMinimized()) return;
    layoutControls();
    ApplyZoom();
}

void frmCustomReportPreview::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    layoutControls();
    RefreshView();
}

void frmCustomReportPreview::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Every activation shows the current page again (the last page of a run
    // is stored there too), not only the first show.
    if (event->type() == QEvent::ActivationChange && isVisible() && isActiveWindow()) RefreshView();
}

bool frmCustomReportPreview::eventFilter(QObject* watched, QEvent* event) {
    // Entering the page box selects its number, so that typing replaces it;
    // after the mouse press has placed the cursor.
    if (watched == w_.txtPage && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, w_.txtPage, [box = w_.txtPage] { box->selectAll(); });
    return QDialog::eventFilter(watched, event);
}

void frmCustomReportPreview::closeEvent(QCloseEvent* event) {
    startup::SaveFormSettings(this);
    DeleteTempPages();
    QDialog::closeEvent(event);
}

QString frmCustomReportPreview::ShowPreview(QWidget* owner) {
    if (owner) setParent(owner, windowFlags());
    printerName_.clear();
    printChoice_.reset();
    exec();
    return printerName_;
}

void frmCustomReportPreview::printClicked() {
    const auto choice = platform::Printers::choosePrinter(this, QStringLiteral("Selezione Stampante"), 1);
    if (!choice) return;  // cancelled: nothing else
    try {
        if (w_.chkPrintCurrent->isChecked()) {
            Hourglass wait;
            if (shown_.isNull()) return;
            platform::PrintJob job(choice->printer, choice->pdfFile, windowTitle());
            const double scaleW = job.scaleWidth();
            const double scaleH = job.scaleHeight();
            const QSizeF own(shown_.width() * 25.4 / 96.0, shown_.height() * 25.4 / 96.0);
            double w = std::round(scaleW);
            double h = std::round(own.height() * w / own.width());
            if (h > scaleH) {
                h = scaleH;
                w = own.width() * h / own.height();
            } else if (own.width() <= w && own.height() <= h) {
                w = own.width();
                h = own.height();
            }
            job.paintPicture(shown_, QRectF(0, 0, w, h));
            QString error;
            if (!job.finish(&error))
                throw core::AppError(core::kErrPrinter, QStringLiteral("Zelt Order"), error);
            return;
        }
        printerName_ = choice->printer;
        printChoice_ = choice;
        close();
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kInformation, QString(), this);
    }
}

void frmCustomReportPreview::copyClicked() {
    if (shown_.isNull()) return;
    QGuiApplication::clipboard()->setImage(shown_);
    platform::messageBox(QStringLiteral("La pagina è stata copia negli appunti."), platform::kInformation,
                         QString(), this);
}

}  // namespace reports
