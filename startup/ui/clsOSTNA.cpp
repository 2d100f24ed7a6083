#include "startup/ui/clsOSTNA.h"

#include "platform/ui/GuardedApplication.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QWidget>

namespace startup {

namespace {
std::optional<bool>& availabilityOverride() {
    static std::optional<bool> value;
    return value;
}

// An icon the notification area can show when the owner has none: a tent.
QIcon iconOrDefault(const QIcon& icon) {
    if (!icon.isNull()) return icon;
    if (!QApplication::windowIcon().isNull()) return QApplication::windowIcon();
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(28, 72, 120));
    p.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    p.setBrush(QColor(240, 200, 90));
    p.drawPolygon(QPolygonF{QPointF(16, 6), QPointF(27, 25), QPointF(5, 25)});
    p.end();
    return QIcon(picture);
}
}  // namespace

clsOSTNA::clsOSTNA(QObject* parent) : QObject(parent) {
    menu_ = new QMenu();
    menu_->setObjectName(QStringLiteral("mnuPopUp"));
    actShow_ = menu_->addAction(QStringLiteral("&Visualizza"));
    actShow_->setObjectName(QStringLiteral("mnuVisualizza"));
    menu_->addSeparator();
    actClose_ = menu_->addAction(QStringLiteral("&Chiudi"));
    actClose_->setObjectName(QStringLiteral("mnuChiudi"));
    platform::connectGuarded(actShow_, &QAction::triggered, this, &clsOSTNA::showOwner);
    platform::connectGuarded(actClose_, &QAction::triggered, this, &clsOSTNA::closeRequested);
}

clsOSTNA::~clsOSTNA() {
    IconStop();
    delete icon_;
    delete menu_;
}

void clsOSTNA::setAvailabilityOverride(std::optional<bool> available) { availabilityOverride() = available; }

bool clsOSTNA::IsAvailable() {
    if (availabilityOverride()) return *availabilityOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString clsOSTNA::TipText(const QString& text) { return text.left(kMaxTipLength); }

int clsOSTNA::IconStart(QWidget* owner, const QIcon& icon, const QString& tip) {
    if (shown_) IconStop();
    owner_ = owner;
    picture_ = iconOrDefault(icon);
    tip_ = TipText(tip);
    if (!IsAvailable()) return 0;
    if (!icon_) {
        icon_ = new QSystemTrayIcon(this);
        icon_->setContextMenu(menu_);
        platform::connectGuarded(icon_, &QSystemTrayIcon::activated, this, &clsOSTNA::Relay);
    }
    icon_->setIcon(picture_);
    icon_->setToolTip(tip_);
    icon_->show();
    shown_ = true;
    return 1;
}

void clsOSTNA::IconStop() {
    if (!shown_) return;
    if (icon_) icon_->hide();
    shown_ = false;
}

void clsOSTNA::ChangeIcon(const QIcon& icon) {
    picture_ = iconOrDefault(icon);
    if (icon_) icon_->setIcon(picture_);
}

void clsOSTNA::ChangeTip(const QString& tip) {
    tip_ = TipText(tip);
    if (icon_) icon_->setToolTip(tip_);
}

bool clsOSTNA::IsRightButton(QSystemTrayIcon::ActivationReason reason) {
    return reason == QSystemTrayIcon::Context;
}

bool clsOSTNA::IsLeftButton(QSystemTrayIcon::ActivationReason reason) {
    return reason == QSystemTrayIcon::Trigger;
}

bool clsOSTNA::IsDoubleClick(QSystemTrayIcon::ActivationReason reason) {
    return reason == QSystemTrayIcon::DoubleClick;
}

void clsOSTNA::Relay(QSystemTrayIcon::ActivationReason reason) {
    if (IsDoubleClick(reason))
        showOwner();
    else if (IsRightButton(reason))
        emit menuRequested();
}

void clsOSTNA::showOwner() {
    if (!owner_) return;
    QWidget* window = owner_->window();
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace startup
