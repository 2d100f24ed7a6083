#include "startup/ui/frmSplashCustom.h"
#include "startup/modGlobal.h"

#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace startup {

namespace {

constexpr QSize kPictureSize(440, 220);

}  // namespace

QPixmap DefaultStartPicture() {
    QPixmap picture(kPictureSize);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kPictureSize.height());
    sky.setColorAt(0, QColor(28, 72, 120));
    sky.setColorAt(1, QColor(120, 170, 210));
    p.fillRect(picture.rect(), sky);
    // A tent roof over the name.
    QPolygonF roof;
    roof << QPointF(220, 30) << QPointF(330, 120) << QPointF(110, 120);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(240, 200, 90));
    p.drawPolygon(roof);
    QFont font = p.font();
    font.setPointSize(26);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 125, kPictureSize.width(), 60), Qt::AlignCenter, QStringLiteral("Zelt Order"));
    p.end();
    return picture;
}

frmSplashCustom::frmSplashCustom(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplashCustom"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);

    picLogo_ = new QLabel(this);
    picLogo_->setObjectName(QStringLiteral("picLogo"));
    picLogo_->setFixedSize(kPictureSize);
    picLogo_->setAlignment(Qt::AlignCenter);
    logo_ = DefaultStartPicture();

    lblProductName_ = new QLabel(this);
    lblProductName_->setObjectName(QStringLiteral("lblProductName"));
    QFont big = lblProductName_->font();
    big.setPointSizeF(big.pointSizeF() + 6);
    big.setBold(true);
    lblProductName_->setFont(big);
    lblProductName_->setWordWrap(true);

    lblVersion_ = new QLabel(this);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    auto* platforms = new QLabel(QStringLiteral("For Windows 95/98/NT/2000/XP"), this);
    auto* euro = new QLabel(QStringLiteral("Euro ready"), this);
    euro->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(platforms);
    bottom->addStretch(1);
    bottom->addWidget(euro);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(picLogo_, 0, Qt::AlignHCenter);
    layout->addWidget(lblProductName_);
    layout->addWidget(lblVersion_);
    layout->addLayout(bottom);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
    lblVersion_->setText(ProgramVersionText());
    SetControl();
    adjustSize();
}

void frmSplashCustom::SetControl() {
    lblProductName_->setText(strApplicationName);
    if (!strBackgroungImagePath.trimmed().isEmpty()) {
        QPixmap picture;
        if (picture.load(strBackgroungImagePath)) logo_ = picture;
    }
    showLogo();
}

void frmSplashCustom::showLogo() {
    picLogo_->setPixmap(logo_.scaled(kPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void frmSplashCustom::KeepOnScreen(int milliseconds) {
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < milliseconds) {
        QEventLoop wait;
        QTimer::singleShot(static_cast<int>(milliseconds - shown.elapsed()), &wait, &QEventLoop::quit);
        wait.exec();
    }
}

}  // namespace startup
