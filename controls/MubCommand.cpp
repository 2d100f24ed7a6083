#include "controls/MubCommand.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace controls {

MubCommand::MubCommand(QWidget* parent) : QPushButton(parent) { setAutoDefault(false); }

MubCommand::MubCommand(const QString& caption, QWidget* parent) : QPushButton(caption, parent) {
    setAutoDefault(false);
}

void MubCommand::SetPicture(const QIcon& picture) {
    setIcon(picture);
    if (!picture.isNull() && iconSize().width() < 24) setIconSize(QSize(32, 32));
    update();
}

void MubCommand::SetPictureAbove(bool above) {
    above_ = above;
    updateGeometry();
    update();
}

QSize MubCommand::sizeHint() const {
    if (!above_) return QPushButton::sizeHint();
    const QFontMetrics fm(font());
    const QSize text = fm.size(Qt::TextShowMnemonic, QPushButton::text());
    const QSize pic = icon().isNull() ? QSize() : iconSize();
    return QSize(std::max(text.width(), pic.width()) + 16, text.height() + pic.height() + 16);
}

void MubCommand::keyPressEvent(QKeyEvent* event) {
    // Enter presses the focused button, as the space bar does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && isEnabled()) {
        animateClick();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void MubCommand::paintEvent(QPaintEvent* event) {
    if (!above_ || icon().isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    // Picture centred above the caption.
    QStylePainter p(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    p.drawControl(QStyle::CE_PushButtonBevel, option);
    const QSize pic = iconSize();
    // A caption wider than the button goes on as many lines as it needs,
    // the picture and the lines centred together.
    const int flags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextWordWrap;
    const int textHeight =
        QFontMetrics(font()).boundingRect(QRect(0, 0, width() - 8, height()), flags, text()).height();
    const int top = std::max(4, (height() - pic.height() - textHeight - 4) / 2);
    const QRect picRect(QPoint((width() - pic.width()) / 2, top), pic);
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    p.drawPixmap(picRect, icon().pixmap(pic, mode));
    const QRect textRect(4, picRect.bottom() + 4, width() - 8, textHeight);
    p.drawItemText(textRect, flags, palette(), isEnabled(), text(), QPalette::ButtonText);
}

}  // namespace controls
