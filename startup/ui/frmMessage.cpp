#include "startup/ui/frmMessage.h"

#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <cmath>

namespace startup {

namespace {

QPointer<frmMessage>& shared() {
    static QPointer<frmMessage> window;
    return window;
}

// A window unloaded by the operator's second stop while its operation still
// holds it: deleted at the next unload by the program.
QPointer<frmMessage>& retired() {
    static QPointer<frmMessage> window;
    return window;
}

// The hourglass pictures: the sand runs from the upper bulb to the lower one,
// then the glass turns.
std::vector<QPixmap> hourglassPictures() {
    constexpr int kFrames = 8;
    constexpr int kSize = 32;
    std::vector<QPixmap> pictures;
    for (int i = 0; i < kFrames; ++i) {
        QPixmap picture(kSize, kSize);
        picture.fill(Qt::transparent);
        QPainter p(&picture);
        p.setRenderHint(QPainter::Antialiasing);
        const bool turning = i == kFrames - 1;
        if (turning) {
            p.translate(kSize / 2.0, kSize / 2.0);
            p.rotate(90);
            p.translate(-kSize / 2.0, -kSize / 2.0);
        }
        const double fill = turning ? 1.0 : static_cast<double>(i) / (kFrames - 2);
        QPainterPath upper;
        upper.moveTo(8, 5);
        upper.lineTo(24, 5);
        upper.lineTo(16, 16);
        upper.closeSubpath();
        QPainterPath lower;
        lower.moveTo(16, 16);
        lower.lineTo(24, 27);
        lower.lineTo(8, 27);
        lower.closeSubpath();
        const QColor sand(214, 170, 70);
        // Sand left above: a triangle whose height shrinks.
        const double top = 5 + 11 * fill;
        if (fill < 1.0) {
            const double half = 8 * (16 - top) / 11;
            QPainterPath rest;
            rest.moveTo(16 - half, top);
            rest.lineTo(16 + half, top);
            rest.lineTo(16, 16);
            rest.closeSubpath();
            p.fillPath(rest, sand);
        }
        // Sand below: a heap that grows.
        if (fill > 0.0) {
            const double height = 11 * fill;
            QPainterPath heap;
            heap.moveTo(8, 27);
            heap.lineTo(24, 27);
            heap.lineTo(24 - 8 * height / 11, 27 - height);
            heap.lineTo(8 + 8 * height / 11, 27 - height);
            heap.closeSubpath();
            p.fillPath(heap, sand);
        }
        p.setPen(QPen(QColor(60, 60, 60), 1.5));
        p.drawPath(upper);
        p.drawPath(lower);
        p.setPen(QPen(QColor(110, 70, 30), 3));
        p.drawLine(QPointF(6, 4), QPointF(26, 4));
        p.drawLine(QPointF(6, 28), QPointF(26, 28));
        p.end();
        pictures.push_back(picture);
    }
    return pictures;
}

bool isAncestorWindow(const QWidget* ancestor, const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (w == ancestor) return true;
    return false;
}

}  // namespace

frmMessage::frmMessage() : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(platform::softwareName());

    imgHourglass_ = new QLabel(this);
    imgHourglass_->setObjectName(QStringLiteral("imgHourglass"));
    imgHourglass_->setToolTip(QStringLiteral("Attendere..."));
    imgHourglass_->setFixedSize(32, 32);
    imgMsg_ = hourglassPictures();

    lblMessage_ = new QLabel(this);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setWordWrap(true);
    lblMessage_->setMinimumWidth(320);
    lblMessage_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    shpNotify_ = new QFrame(this);
    shpNotify_->setObjectName(QStringLiteral("shpNotify"));
    shpNotify_->setFrameShape(QFrame::Box);
    pbNotify_ = new QProgressBar(shpNotify_);
    pbNotify_->setObjectName(QStringLiteral("pbNotify"));
    pbNotify_->setTextVisible(false);
    pbNotify_->setMinimum(0);
    auto* frameLayout = new QVBoxLayout(shpNotify_);
    frameLayout->setContentsMargins(2, 2, 2, 2);
    frameLayout->addWidget(pbNotify_);

    lblCount_ = new QLabel(this);
    lblCount_->setObjectName(QStringLiteral("lblCount"));
    lblCount_->setAlignment(Qt::AlignCenter);

    cmdStop_ = new QPushButton(QStringLiteral("&Interrompi"), this);
    cmdStop_->setObjectName(QStringLiteral("cmdStop"));
    cmdStop_->setToolTip(QStringLiteral("Interrompe l'esecuzione"));
    cmdStop_->setAutoDefault(false);
    platform::connectGuarded(cmdStop_, &QPushButton::clicked, this, &frmMessage::AskStop);

    auto* top = new QHBoxLayout;
    top->addWidget(imgHourglass_, 0, Qt::AlignTop);
    top->addWidget(lblMessage_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(cmdStop_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(shpNotify_);
    layout->addWidget(lblCount_);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetMinimumSize);

    // Load: the bar, its frame and the stop button hidden, no stop, no count.
    shpNotify_->hide();
    pbNotify_->hide();
    cmdStop_->hide();
    lblCount_->clear();

    tmHourglass_ = new QTimer(this);
    tmHourglass_->setInterval(200);
    platform::connectGuarded(tmHourglass_, &QTimer::timeout, this, &frmMessage::TickHourglass);
    tmHourglass_->start();
    imgHourglass_->setPixmap(imgMsg_.front());

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
}

frmMessage::~frmMessage() { owner_.release(); }

frmMessage* frmMessage::instance() {
    if (!shared()) shared() = new frmMessage();
    return shared();
}

bool frmMessage::IsLoaded() { return !shared().isNull(); }

void frmMessage::Unload() {
    if (frmMessage* old = retired()) {
        retired() = nullptr;
        old->deleteLater();
    }
    frmMessage* window = shared();
    if (!window) return;
    shared() = nullptr;
    window->unloadWindow();
}

void frmMessage::unloadWindow() {
    unloaded_ = true;
    owner_.release();
    hide();
    if (busy_ > 0)
        deleteLater();
    else
        delete this;
}

void frmMessage::ShowMsg(const QString& text, QWidget* parent, long top, long left) {
    owner_.take(parent);

    lblMessage_->setText(platform::displayText(text));

    if (!isVisible()) {
        QWidget* owner = owner_.owner();
        if (owner) owner->repaint();
        owner_.rememberActive(QApplication::activeWindow());
        // A modal window that is not (or does not own) the owner would block
        // this window: the message is then not shown, since a modeless
        // window cannot come up over a modal one.
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && !(owner && isAncestorWindow(modal, owner))) {
            owner_.drop();
            return;
        }
        winId();
        if (owner) owner->winId();
        windowHandle()->setTransientParent(owner ? owner->windowHandle() : nullptr);
        adjustSize();
        // Centred over the owner (or the screen) unless a position is given.
        const QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = owner ? owner->frameGeometry() : (screen ? screen->availableGeometry() : QRect());
        if (area.isValid()) move(area.center() - rect().center());
        show();
        if (top != -1) move(x(), TwipsToPixels(top, this));
        if (left != -1) move(TwipsToPixels(left, this), y());
        if (pbNotify_->isVisibleTo(this) && pbNotify_->maximum() <= pbNotify_->value()) EndProgress();
        raise();
        activateWindow();
    }
    owner_.disable();
    repaint();
}

void frmMessage::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) owner_.disable();
    QWidget::changeEvent(event);
}

void frmMessage::StartProgress(long total, bool enableStop) {
    pbNotify_->setMinimum(0);
    pbNotify_->setMaximum(total == 0 ? 1 : static_cast<int>(total));
    pbNotify_->setValue(0);
    pbNotify_->show();
    shpNotify_->show();
    cmdStop_->setVisible(enableStop);
    stopped_ = false;
    lblCount_->clear();
}

QString frmMessage::CounterText(long value, long maximum) {
    if (maximum <= 9999) return QStringLiteral("%1 / %2").arg(value).arg(maximum);
    // Halves go to the even number (lrint in the default rounding mode).
    const long percent = std::lrint(static_cast<double>(value) * 100.0 / static_cast<double>(maximum));
    return QStringLiteral("%1 / 100%").arg(percent);
}

bool frmMessage::Progress(long position, bool noCount) {
    if (noCount) {
        if (cmdStop_->isHidden()) cmdStop_->show();
    } else {
        if (position != 0) {
            if (pbNotify_->maximum() >= position) pbNotify_->setValue(static_cast<int>(position));
        } else if (pbNotify_->value() < pbNotify_->maximum()) {
            pbNotify_->setValue(pbNotify_->value() + 1);
        }
        lblCount_->setText(CounterText(pbNotify_->value(), pbNotify_->maximum()));
    }
    QPointer<frmMessage> self(this);
    ++busy_;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Unloaded by someone else while the events ran: the operation can no
    // longer be shown nor stopped, so it ends.
    if (!self) return false;
    --busy_;
    return !stopped_ && !unloaded_;
}

long frmMessage::MaxProgress() const { return pbNotify_->isHidden() ? 0 : pbNotify_->maximum(); }

void frmMessage::EndProgress() {
    pbNotify_->hide();
    shpNotify_->hide();
    cmdStop_->hide();
}

void frmMessage::OnProgress(long p_position, bool& p_continue) { p_continue = Progress(p_position, false); }

void frmMessage::OnStopped(bool& p_stopped) { p_stopped = stopped_; }

void frmMessage::OnStart(long p_total, bool /*p_offerStop*/) {
    // The stop button is always offered to the library's operations.
    StartProgress(p_total, true);
}

void frmMessage::OnEnd() { EndProgress(); }

void frmMessage::OnWaiting(bool& p_continue) { p_continue = Progress(0, true); }

void frmMessage::AskStop() {
    const bool secondStop = stopped_;
    ++busy_;
    if (!owner_.askStop(stopped_)) return;
    --busy_;
    // A second confirmed stop unloads the window: it is off the screen, its
    // owner usable again, and the next message loads a new one. The
    // operation still polling it reads the stop; it is deleted at the next
    // unload, when nothing uses it any more.
    if (secondStop && !isVisible() && !unloaded_) {
        unloaded_ = true;
        if (shared() == this) shared() = nullptr;
        if (retired() && retired() != this) retired()->deleteLater();
        retired() = this;
    }
}

void frmMessage::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        if (cmdStop_->isVisible()) AskStop();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void frmMessage::closeEvent(QCloseEvent* event) {
    // The window has no close box; a close asked for by the desktop (Alt+F4)
    // is a stop request when stopping is offered.
    event->ignore();
    if (event->spontaneous() && cmdStop_->isVisible()) AskStop();
}

void frmMessage::TickHourglass() {
    if (imgMsg_.empty()) return;
    ++frame_;
    if (frame_ > static_cast<int>(imgMsg_.size())) frame_ = 1;
    imgHourglass_->setPixmap(imgMsg_[static_cast<size_t>(frame_ - 1)]);
}

}  // namespace startup
