#include "exchange/ui/frmExchangeProgress.h"

#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>

namespace exchange {

namespace {

QPointer<frmUpdateProgress>& sharedUpdate() {
    static QPointer<frmUpdateProgress> w;
    return w;
}
QPointer<frmSendOrder>& sharedSend() {
    static QPointer<frmSendOrder> w;
    return w;
}

QLabel* icon(QWidget* parent, QStyle::StandardPixmap which) {
    auto* l = new QLabel(parent);
    l->setPixmap(parent->style()->standardIcon(which).pixmap(24, 24));
    return l;
}

}  // namespace

frmExchangeProgress::frmExchangeProgress(const QString& caption, bool withMarks)
    : QWidget(nullptr, Qt::Dialog) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    lblCurrentOperation_ = new QLabel(QStringLiteral("Connessione alla sede in corso..."), this);
    lblCurrentOperation_->setObjectName(QStringLiteral("lblCurrentOperation"));
    lblCurrentOperation_->setMinimumWidth(420);
    lblCurrentOperation_->setWordWrap(true);
    pbDownload_ = new QProgressBar(this);
    pbDownload_->setObjectName(QStringLiteral("pbDownload"));
    pbDownload_->setTextVisible(false);
    pbDownload_->hide();
    cmdCancel_ = new QPushButton(QStringLiteral("&Interrompi"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setAutoDefault(false);
    platform::connectGuarded(cmdCancel_, &QPushButton::clicked, this, [this] { AskStop(); });

    auto* layout = new QVBoxLayout(this);
    if (withMarks) layout->addWidget(new QLabel(QStringLiteral("Aggiornamenti disponibili:"), this));
    layout->addSpacing(withMarks ? 0 : 4);
    marksHost_ = new QWidget(this);
    layout->addWidget(marksHost_);
    marksHost_->setVisible(withMarks);
    layout->addWidget(lblCurrentOperation_);
    layout->addWidget(new QLabel(QStringLiteral("Stato di Avanzamento:"), this));
    layout->addWidget(pbDownload_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdCancel_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
}

frmExchangeProgress::~frmExchangeProgress() { owner_.release(); }

void frmExchangeProgress::ShowMsg(const QString& message, QWidget* owner, int phase, long top, long left) {
    owner_.take(owner);
    QWidget* over = owner_.owner();
    lblCurrentOperation_->setText(platform::displayText(message));
    if (!isVisible()) {
        winId();
        if (over) {
            over->winId();
            windowHandle()->setTransientParent(over->windowHandle());
        }
        adjustSize();
        if (over) move(over->geometry().center() - rect().center());
        show();
        raise();
        activateWindow();
        if (!isVisible()) {
            // It could not be shown over that owner: the owner stays usable.
            owner_.drop();
            return;
        }
    }
    // Twips to pixels, 15 to the pixel.
    QPoint at = pos();
    if (top != -1) at.setY(int(top / 15));
    if (left != -1) at.setX(int(left / 15));
    move(at);
    phase_ = phase;
    showPhase(phase);
    owner_.disable();
    repaint();
}

void frmExchangeProgress::StartProgress(long maximum, bool showStop) {
    pbDownload_->setMinimum(0);
    pbDownload_->setMaximum(maximum == 0 ? 1 : int(qMin<long>(maximum, INT_MAX)));
    pbDownload_->setValue(0);
    position_ = 0;
    pbDownload_->show();
    cmdCancel_->setVisible(showStop);
}

bool frmExchangeProgress::Progress(long value, bool stopButtonOnly) {
    if (stopButtonOnly) {
        if (cmdCancel_->isHidden()) cmdCancel_->show();
        return !stopped_;
    }
    const int maximum = pbDownload_->maximum();
    if (value != 0)
        position_ = value < maximum ? int(value) : maximum;
    else if (position_ < maximum)
        ++position_;
    // A receive steps once a row: the window answers (the stop among all)
    // within a few milliseconds without spending a row's time on it.
    if (!sinceEvents_.isValid() || sinceEvents_.elapsed() >= kEventsMs) {
        pbDownload_->setValue(position_);
        QApplication::processEvents();
        sinceEvents_.start();
    }
    return !stopped_;
}

void frmExchangeProgress::OnWaiting(bool& p_continue) {
    QApplication::processEvents();
    p_continue = !stopped_;
}

long frmExchangeProgress::MaxProgress() const {
    // The bar's own state, whether or not the window is on the screen.
    return pbDownload_->isHidden() ? 0 : pbDownload_->maximum();
}

void frmExchangeProgress::EndProgress() {
    position_ = pbDownload_->maximum();
    pbDownload_->setValue(position_);
    pbDownload_->show();
    markDone(phase_);
}

void frmExchangeProgress::AskStop() { owner_.askStop(stopped_); }

void frmExchangeProgress::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        AskStop();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmExchangeProgress::closeEvent(QCloseEvent* event) {
    // The close box asks like the stop button; the exchange closes the window.
    event->ignore();
    AskStop();
}

void frmExchangeProgress::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) owner_.disable();
    QWidget::changeEvent(event);
}

void frmExchangeProgress::Unload() {
    forget();
    owner_.release();
    hide();
    deleteLater();
}

// ---- The receive's window ---------------------------------------------------

frmUpdateProgress::frmUpdateProgress()
    : frmExchangeProgress(QStringLiteral("Aggiornamenti dalla sede"), true) {
    setObjectName(QStringLiteral("frmUpdateProgress"));
    auto* grid = new QGridLayout(marksHost_);
    grid->setContentsMargins(0, 0, 0, 0);
    imgAdjournSoftware_ = icon(this, QStyle::SP_ComputerIcon);
    imgAdjournData_ = icon(this, QStyle::SP_DriveNetIcon);
    imgAdjournSoftwareOK_ = icon(this, QStyle::SP_DialogApplyButton);
    imgAdjournDataOK_ = icon(this, QStyle::SP_DialogApplyButton);
    auto* software = new QLabel(QStringLiteral("Aggiornamenti software"), this);
    software->setObjectName(QStringLiteral("lblAdjournSoftware"));
    auto* data =
        new QLabel(QStringLiteral("Acquisizione variazione dati  (Ordini, Articoli, Clienti, ecc.)"), this);
    data->setObjectName(QStringLiteral("lblAdjournData"));
    grid->addWidget(imgAdjournSoftware_, 0, 0);
    grid->addWidget(software, 0, 1);
    grid->addWidget(imgAdjournSoftwareOK_, 0, 2);
    grid->addWidget(imgAdjournData_, 1, 0);
    grid->addWidget(data, 1, 1);
    grid->addWidget(imgAdjournDataOK_, 1, 2);
    grid->setColumnStretch(1, 1);
    imgAdjournSoftwareOK_->hide();
    imgAdjournDataOK_->hide();
}

frmUpdateProgress* frmUpdateProgress::instance() {
    if (!sharedUpdate()) sharedUpdate() = new frmUpdateProgress();
    return sharedUpdate();
}

bool frmUpdateProgress::IsLoaded() { return !sharedUpdate().isNull(); }

void frmUpdateProgress::forget() {
    if (sharedUpdate() == this) sharedUpdate() = nullptr;
}

void frmUpdateProgress::showPhase(int phase) {
    imgAdjournSoftware_->show();
    imgAdjournData_->setVisible(phase != 0);
}

void frmUpdateProgress::markDone(int phase) {
    if (phase == 0) imgAdjournSoftwareOK_->show();
    if (phase == 1) {
        imgAdjournDataOK_->show();
        imgAdjournSoftwareOK_->show();
    }
}

// ---- The send's window -------------------------------------------------------

frmSendOrder::frmSendOrder() : frmExchangeProgress(QStringLiteral("Invio Ordini alla sede"), false) {
    setObjectName(QStringLiteral("frmSendOrder"));
}

frmSendOrder* frmSendOrder::instance() {
    if (!sharedSend()) sharedSend() = new frmSendOrder();
    return sharedSend();
}

bool frmSendOrder::IsLoaded() { return !sharedSend().isNull(); }

void frmSendOrder::forget() {
    if (sharedSend() == this) sharedSend() = nullptr;
}

}  // namespace exchange
