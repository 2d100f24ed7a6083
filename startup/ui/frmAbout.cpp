#include "startup/ui/frmAbout.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/modGlobal.h"

#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ui/frmInformative.h"
#include "startup/ui/frmSplashCustom.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSysInfo>
#include <QVBoxLayout>

namespace startup {

namespace {

QPixmap euroPicture() {
    QPixmap picture(28, 28);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(0, 51, 153));
    p.setPen(Qt::NoPen);
    p.drawEllipse(picture.rect().adjusted(1, 1, -1, -1));
    QFont font = p.font();
    font.setPixelSize(18);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(255, 204, 0));
    p.drawText(picture.rect(), Qt::AlignCenter, QString(QChar(0x20AC)));
    return picture;
}

}  // namespace

QString frmAbout::MakerWebSite() { return QStringLiteral("https://www.zeltorder.example"); }

QString frmAbout::MakerContacts() {
    return frmInformative::MakerName() + QStringLiteral("\r") + MakerWebSite() + QStringLiteral("\r") +
           runContext().supportAddress;
}

QString frmAbout::ProgramDescription() {
    return QStringLiteral("Gestione ordini per gli agenti di commercio");
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Informazioni"));

    imgLogo_ = new QLabel(this);
    imgLogo_->setObjectName(QStringLiteral("imgLogo"));
    imgLogo_->setPixmap(DefaultStartPicture().scaled(176, 88, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    imgLogo_->setCursor(Qt::PointingHandCursor);
    imgLogo_->installEventFilter(this);

    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle_->font();
    big.setPointSizeF(big.pointSizeF() + 5);
    big.setBold(true);
    lblTitle_->setFont(big);

    lblVersion_ = new QLabel(ProgramVersionText(), this);
    lblVersion_->setObjectName(QStringLiteral("lblVersion"));
    lblDescription_ = new QLabel(ProgramDescription(), this);
    lblDescription_->setObjectName(QStringLiteral("lblDescription"));
    lblDescription_->setWordWrap(true);

    auto* poweredBy = new QLabel(QStringLiteral("Powered By:"), this);
    lblWeb_ = new QLabel(MakerWebSite(), this);
    lblWeb_->setObjectName(QStringLiteral("lblWeb"));
    QFont link = lblWeb_->font();
    link.setUnderline(true);
    lblWeb_->setFont(link);
    QPalette linkPalette = lblWeb_->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 192));
    lblWeb_->setPalette(linkPalette);
    lblWeb_->setCursor(Qt::PointingHandCursor);
    lblWeb_->installEventFilter(this);

    auto* euro = new QLabel(this);
    euro->setPixmap(euroPicture());
    auto* euroReady = new QLabel(QStringLiteral("Euro ready"), this);

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdSysInfo_ = new QPushButton(QStringLiteral("&Info di sistema..."), this);
    cmdSysInfo_->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo_->setToolTip(QStringLiteral("Visualizza le informazioni di sistema"));
    cmdSysInfo_->setAutoDefault(false);
    cmdInformativa_ = new QPushButton(QStringLiteral("Info&rmativa..."), this);
    cmdInformativa_->setObjectName(QStringLiteral("cmdInformativa"));
    cmdInformativa_->setAutoDefault(false);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle_);
    texts->addWidget(lblVersion_);
    texts->addWidget(lblDescription_);
    texts->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo_, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* maker = new QHBoxLayout;
    maker->addWidget(poweredBy);
    maker->addWidget(lblWeb_);
    maker->addStretch(1);
    maker->addWidget(euro);
    maker->addWidget(euroReady);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdInformativa_);
    buttons->addStretch(1);
    buttons->addWidget(cmdSysInfo_);
    buttons->addWidget(cmdOK_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(maker);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);
    platform::connectGuarded(cmdSysInfo_, &QPushButton::clicked, this, [this] { StartSysInfo(this); });
    platform::connectGuarded(cmdInformativa_, &QPushButton::clicked, this, &frmAbout::showInformative);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
}

void frmAbout::setVisible(bool visible) {
    // The opener sets the title after creating the window: it is put in
    // before the window takes its size, which then holds the whole title.
    if (visible) {
        if (strApplicationTitle.trimmed().isEmpty()) strApplicationTitle = platform::appName();
        lblTitle_->setText(strApplicationTitle);
        lblTitle_->setWordWrap(false);
        QSize wanted = sizeHint().expandedTo(minimumSizeHint());
        const QScreen* at = parentWidget() ? parentWidget()->screen() : screen();
        const int most = at ? at->availableGeometry().width() * 9 / 10 : wanted.width();
        if (wanted.width() > most) {
            // A title longer than the screen goes on more lines, never cut.
            lblTitle_->setWordWrap(true);
            wanted = QSize(most, layout()->totalHeightForWidth(most));
        }
        resize(wanted);
    }
    QDialog::setVisible(visible);
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == lblWeb_) {
            ShellOpenDocument(lblWeb_->text());
            return true;
        }
        if (watched == imgLogo_) {
            platform::messageBox(MakerContacts(), platform::kOkOnly | platform::kInformation, QString(),
                                 this);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QString frmAbout::SystemInformationText() {
    const QString product = QSysInfo::prettyProductName();
    const QString kernel = QSysInfo::kernelType();
    if (product.isEmpty() && kernel.isEmpty()) return QString();
    QStringList lines;
    lines << QStringLiteral("Sistema operativo: ") + product;
    lines << QStringLiteral("Kernel: ") + kernel + QLatin1Char(' ') + QSysInfo::kernelVersion();
    lines << QStringLiteral("Architettura: ") + QSysInfo::currentCpuArchitecture();
    lines << QStringLiteral("Nome del computer: ") + QSysInfo::machineHostName();
    lines << QStringLiteral("Librerie Qt: ") + QString::fromLatin1(qVersion());
    lines << QStringLiteral("Piattaforma grafica: ") + QGuiApplication::platformName();
    return lines.join(QLatin1Char('\r'));
}

void frmAbout::StartSysInfo(QWidget* parent) { StartSysInfo(SystemInformationText(), parent); }

void frmAbout::StartSysInfo(const QString& information, QWidget* parent) {
    if (information.trimmed().isEmpty()) {
        platform::messageBox(QStringLiteral("System Information Is Unavailable At This Time"),
                             platform::kOkOnly, QString(), parent);
        return;
    }
    platform::messageBox(information, platform::kOkOnly | platform::kInformation, QString(), parent);
}

void frmAbout::showInformative() {
    QWidget* over = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    frmInformative notice(over);
    notice.strProductName = runContext().registerName;
    notice.exec();
}

}  // namespace startup
