#include "carddevices/ui/CardSwipeAnimation.h"

#include "platform/ui/GuardedApplication.h"

#include <QPainter>
#include <QPainterPath>

namespace carddevices {

namespace {
constexpr int kFrames = 40;
}

CardSwipeAnimation::CardSwipeAnimation(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Image1"));
    setFixedSize(sizeHint());
    timer_.setInterval(60);
    platform::connectGuarded(&timer_, &QTimer::timeout, this, [this] {
        frame_ = (frame_ + 1) % kFrames;
        update();
    });
}

void CardSwipeAnimation::showEvent(QShowEvent*) { timer_.start(); }
void CardSwipeAnimation::hideEvent(QHideEvent*) { timer_.stop(); }

void CardSwipeAnimation::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = width();
    const int h = height();

    // The reader: a dark block with its slot along the top.
    const QRectF reader(4, h * 0.45, w - 8, h * 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 64, 72));
    p.drawRoundedRect(reader, 6, 6);
    p.setBrush(QColor(20, 20, 24));
    p.drawRect(QRectF(reader.left() + 4, reader.top() - 2, reader.width() - 8, 4));
    p.setBrush(QColor(90, 200, 90));  // the ready light
    p.drawEllipse(QPointF(reader.right() - 10, reader.bottom() - 10), 3, 3);

    // The card slides from left to right through the slot, half sunk in it.
    const double cardW = w * 0.5;
    const double cardH = h * 0.55;
    const double travel = w + cardW;
    const double x = -cardW + travel * frame_ / kFrames;
    p.save();
    p.setClipRect(QRectF(0, 0, w, reader.top() + cardH * 0.35));
    const QRectF card(x, reader.top() - cardH * 0.65, cardW, cardH);
    p.setBrush(QColor(40, 110, 200));
    p.setPen(QPen(QColor(20, 60, 120), 1));
    p.drawRoundedRect(card, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(25, 25, 25));  // the magnetic stripe
    p.drawRect(QRectF(card.left(), card.top() + cardH * 0.2, cardW, cardH * 0.18));
    p.restore();
}

}  // namespace carddevices
