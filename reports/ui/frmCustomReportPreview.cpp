#include "reports/ui/frmCustomReportPreview.h"

#include "core/AppError.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/PageSurface.h"
#include "startup/RunContext.h"
#include "startup/ui/clsSubclassWnd.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIntValidator>
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

    pnlCenter_ = new QWidget(this);
    pnlCenter_->setObjectName(QStringLiteral("pnlCenter"));
    pnlCenter_->setAutoFillBackground(true);
    QPalette pal = pnlCenter_->palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    pnlCenter_->setPalette(pal);
    imgView_ = new QLabel(pnlCenter_);
    imgView_->setObjectName(QStringLiteral("imgView"));
    imgView_->setScaledContents(true);
    vsImage_ = new QScrollBar(Qt::Vertical, pnlCenter_);
    hsImage_ = new QScrollBar(Qt::Horizontal, pnlCenter_);
    vsImage_->setSingleStep(40);
    hsImage_->setSingleStep(40);
    vsImage_->hide();
    hsImage_->hide();
    connect(vsImage_, &QScrollBar::valueChanged, this, [this] { scrolled(); });
    connect(hsImage_, &QScrollBar::valueChanged, this, [this] { scrolled(); });

    pnlBottom_ = new QWidget(this);
    pnlBottom_->setObjectName(QStringLiteral("pnlBottom"));
    auto* bar = new QHBoxLayout(pnlBottom_);
    bar->setContentsMargins(4, 4, 4, 4);
    auto button = [&](const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, pnlBottom_);
        b->setToolTip(tip);
        bar->addWidget(b);
        return b;
    };
    cmdFirst_ = button(QStringLiteral("|◀"), QStringLiteral("Prima Pagina"));
    txtPage_ = new QLineEdit(pnlBottom_);
    txtPage_->setValidator(new QIntValidator(0, 32767, txtPage_));
    txtPage_->setMaximumWidth(60);
    bar->addWidget(txtPage_);
    udPageSeek_ = new QScrollBar(Qt::Vertical, pnlBottom_);
    udPageSeek_->setInvertedAppearance(true);
    udPageSeek_->setFixedSize(16, 26);
    udPageSeek_->setRange(1, 1);
    bar->addWidget(udPageSeek_);
    lblTotPage_ = new QLabel(pnlBottom_);
    lblTotPage_->setToolTip(QStringLiteral("Numero totale di pagine"));
    bar->addWidget(lblTotPage_);
    cmdLast_ = button(QStringLiteral("▶|"), QStringLiteral("Ultima Pagina"));
    cmdFirst_->setFixedWidth(36);
    cmdLast_->setFixedWidth(36);
    bar->addSpacing(12);
    chkPrintImage_ =
        button(QStringLiteral("Stampa"), QStringLiteral("Stampa tutto oppure solo la pagina corrente"));
    chkPrintCurrent_ = new QCheckBox(QStringLiteral("Solo pagina corrente"), pnlBottom_);
    chkPrintCurrent_->setToolTip(QStringLiteral("Imposta per stampare solo la pagina corrente"));
    bar->addWidget(chkPrintCurrent_);
    chkPrintFitPage_ = new QCheckBox(QStringLiteral("Adatta"), pnlBottom_);
    chkPrintFitPage_->setToolTip(QStringLiteral("Adatta l'immagine alle dimensioni della pagina"));
    bar->addWidget(chkPrintFitPage_);
    cmdClipBoardImage_ = button(QStringLiteral("Copia"),
                                QStringLiteral("Copia l'immagine della pagina di anteprima negli appunti"));
    bar->addSpacing(12);
    chkStretch_ = new QCheckBox(QStringLiteral("Zoom"), pnlBottom_);
    chkStretch_->setToolTip(
        QStringLiteral("Imposta l'adattamento dell'immagine per una migliore visualizzazione"));
    bar->addWidget(chkStretch_);
    auto option = [&](const QString& text, const QString& tip) {
        auto* o = new QRadioButton(text, pnlBottom_);
        o->setToolTip(tip);
        bar->addWidget(o);
        connect(o, &QRadioButton::toggled, this, [this](bool on) {
            if (on) ApplyZoom();
        });
        return o;
    };
    optStretchAuto_ =
        option(QStringLiteral("Automatico"),
               QStringLiteral("Adatta l'immagine per una migliore visualizzazione rispetto alle "
                              "dimensioni dell'area visibile"));
    optStretchArea_ = option(QStringLiteral("Adatta area"),
                             QStringLiteral("Adatta l'immagine alle dimensioni correnti dell'area visibile"));
    optStretch300_ =
        option(QStringLiteral("300 %"), QStringLiteral("Ridimensiona l'immagine al 300% dell'originale"));
    optStretch200_ =
        option(QStringLiteral("200 %"), QStringLiteral("Ridimensiona l'immagine al 200% dell'originale"));
    optStretchAuto_->setChecked(true);
    bar->addStretch(1);
    cmdEsci_ = button(QStringLiteral("Esci"), QString());

    connect(cmdFirst_, &QPushButton::clicked, this, [this] { setPageIndex(1); });
    connect(cmdLast_, &QPushButton::clicked, this, [this] { setPageIndex(pageCount_); });
    connect(cmdEsci_, &QPushButton::clicked, this, &QDialog::close);
    connect(chkStretch_, &QCheckBox::toggled, this, [this] { stretchClicked(); });
    connect(chkPrintImage_, &QPushButton::clicked, this, [this] { printClicked(); });
    connect(cmdClipBoardImage_, &QPushButton::clicked, this, [this] { copyClicked(); });
    connect(txtPage_, &QLineEdit::editingFinished, this, [this] { ShowTypedPage(); });
    txtPage_->installEventFilter(this);
    connect(udPageSeek_, &QScrollBar::valueChanged, this, [this](int v) {
        if (v != pageIndex_) {
            txtPage_->setText(QString::number(v));
            ShowTypedPage();
        }
    });

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
        stepBar(vsImage_, wParam / 65536 < 0 ? 1 : -1);
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
    addingPage_ = pageCount_ + 1;
    picPage_->clear();
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
        if (addingPage_ > kPagesInMemory)
            page.save(GetTempPageFileName(addingPage_), "BMP");
        else
            pages_.push_back(page);
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
            imgView_->clear();
            shown_ = pageImage(pageIndex_);
            if (shown_.isNull())
                throw core::AppError(
                    481, QStringLiteral("Zelt Order"),
                    QStringLiteral("Impossibile leggere la pagina ") + QString::number(pageIndex_));
            imgView_->setPixmap(QPixmap::fromImage(shown_));
            pnlBottom_->setEnabled(true);
            txtPage_->setEnabled(pageCount_ >= 2);
            udPageSeek_->setEnabled(pageCount_ >= 2);
            cmdFirst_->setEnabled(pageCount_ >= 3);
            cmdLast_->setEnabled(pageCount_ >= 3);
        } else {
            imgView_->clear();
            shown_ = QImage();
            pnlBottom_->setEnabled(false);
        }
        ApplyZoom();
        UpdatePageLabel();
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kInformation, QString(), this);
    }
}

void frmCustomReportPreview::UpdatePageLabel() {
    lblTotPage_->setText(QStringLiteral("di ") + QString::number(pageCount_));
    if (txtPage_->text().toInt() != pageIndex_ || txtPage_->text().isEmpty())
        txtPage_->setText(QString::number(pageIndex_));
    const QSignalBlocker block(udPageSeek_);
    udPageSeek_->setRange(1, std::max(1, pageCount_));
    udPageSeek_->setValue(std::max(1, pageIndex_));
}

void frmCustomReportPreview::ShowTypedPage() {
    bool ok = false;
    const double typed = txtPage_->text().toDouble(&ok);
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
    const bool on = chkStretch_->isChecked();
    for (QRadioButton* o : {optStretchAuto_, optStretchArea_, optStretch300_, optStretch200_})
        o->setEnabled(on);
    RefreshView();
}

void frmCustomReportPreview::ApplyZoom() {
    if (shown_.isNull()) {
        vsImage_->hide();
        hsImage_->hide();
        imgView_->hide();
        return;
    }
    imgView_->hide();
    {
        const QSignalBlocker bv(vsImage_), bh(hsImage_);
        vsImage_->setValue(0);
        hsImage_->setValue(0);
    }
    QSize size = shown_.size();
    const int barW = vsImage_->sizeHint().width();
    const int barH = hsImage_->sizeHint().height();
    const QSize area = pnlCenter_->size();
    if (chkStretch_->isChecked()) {
        const double ratio = double(size.height()) / double(size.width());
        if (optStretchArea_->isChecked()) {
            const double scale =
                std::min(double(area.width()) / size.width(), double(area.height()) / size.height());
            size = QSize(int(size.width() * scale), int(size.height() * scale));
        } else if (optStretchAuto_->isChecked()) {
            const int w = area.width() - barW;
            size = QSize(w, int(w * ratio));
        } else if (optStretch200_->isChecked()) {
            size *= 2;
        } else if (optStretch300_->isChecked()) {
            size *= 3;
        }
    }
    if (imgView_->size() != size) imgView_->resize(size);
    const bool needH = size.width() > area.width();
    const bool needV = size.height() > area.height();
    const int visibleW = area.width() - (needV ? barW : 0);
    const int visibleH = area.height() - (needH ? barH : 0);
    hsImage_->setVisible(needH);
    vsImage_->setVisible(needV);
    if (needH) SetScrollMax(hsImage_, size.width() - visibleW, hRatio_);
    if (needV) SetScrollMax(vsImage_, size.height() - visibleH, vRatio_);
    imageOffset_ = QPoint(needH ? 0 : (area.width() - size.width()) / 2,
                          needV ? 0 : (area.height() - size.height()) / 2);
    vsImage_->setGeometry(area.width() - barW, 0, barW, area.height() - (needH ? barH : 0));
    hsImage_->setGeometry(0, area.height() - barH, area.width() - (needV ? barW : 0), barH);
    imgView_->move(imageOffset_);
    imgView_->show();
    vsImage_->raise();
    hsImage_->raise();
}

void frmCustomReportPreview::scrolled() {
    const int left =
        hsImage_->isVisible() ? -int(std::lround(hsImage_->value() * hRatio_)) : imageOffset_.x();
    const int top = vsImage_->isVisible() ? -int(std::lround(vsImage_->value() * vRatio_)) : imageOffset_.y();
    imgView_->move(left, top);
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
            pageIndex_ = txtPage_->text().toInt() - 1;
            RefreshView();
            return;
        case Qt::Key_PageDown:
            pageIndex_ = txtPage_->text().toInt() + 1;
            RefreshView();
            return;
        case Qt::Key_Up:
            stepBar(vsImage_, -1);
            return;
        case Qt::Key_Down:
            stepBar(vsImage_, 1);
            return;
        case Qt::Key_Left:
            stepBar(hsImage_, -1);
            return;
        case Qt::Key_Right:
            stepBar(hsImage_, 1);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (txtPage_->hasFocus()) {
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
    const int barHeight = pnlBottom_->sizeHint().height();
    pnlBottom_->setGeometry(0, height() - barHeight, width(), barHeight);
    pnlCenter_->setGeometry(0, 0, width(), height() - barHeight);
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
    if (watched == txtPage_ && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtPage_, [box = txtPage_] { box->selectAll(); });
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
        if (chkPrintCurrent_->isChecked()) {
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
            if (!job.finish(&error)) throw core::AppError(482, QStringLiteral("Zelt Order"), error);
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
