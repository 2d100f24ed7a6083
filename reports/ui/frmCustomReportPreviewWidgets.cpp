#include "reports/ui/frmCustomReportPreviewWidgets.h"

#include "platform/ui/GuardedApplication.h"

#include <QCheckBox>
#include <QColor>
#include <QDialog>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace reports {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    const auto arrow = [this, column](Qt::ArrowType type, int by) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFixedSize(18, 13);
        b->setFocusPolicy(Qt::NoFocus);
        platform::connectGuarded(b, &QToolButton::clicked, this, [this, by] { step(by); });
        column->addWidget(b);
        return b;
    };
    up_ = arrow(Qt::UpArrow, 1);
    down_ = arrow(Qt::DownArrow, -1);
}

void UpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    value_ = std::clamp(value_, minimum_, maximum_);
}

void UpDown::setValue(int value) { value_ = std::clamp(value, minimum_, maximum_); }

void UpDown::step(int by) {
    const int next = std::clamp(value_ + by, minimum_, maximum_);
    if (next == value_) return;
    value_ = next;
    if (stepped) stepped(value_);
}

CustomReportPreviewWidgets BuildCustomReportPreviewWidgets(QDialog* window) {
    CustomReportPreviewWidgets w;
    w.pnlCenter = new QWidget(window);
    w.pnlCenter->setObjectName(QStringLiteral("pnlCenter"));
    w.pnlCenter->setAutoFillBackground(true);
    QPalette pal = w.pnlCenter->palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    w.pnlCenter->setPalette(pal);
    w.imgView = new QLabel(w.pnlCenter);
    w.imgView->setObjectName(QStringLiteral("imgView"));
    w.imgView->setScaledContents(true);
    w.vsImage = new QScrollBar(Qt::Vertical, w.pnlCenter);
    w.hsImage = new QScrollBar(Qt::Horizontal, w.pnlCenter);
    w.vsImage->setSingleStep(40);
    w.hsImage->setSingleStep(40);
    w.vsImage->hide();
    w.hsImage->hide();

    w.pnlBottom = new QWidget(window);
    w.pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    auto* bar = new QHBoxLayout(w.pnlBottom);
    bar->setContentsMargins(4, 4, 4, 4);
    auto button = [&](const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, w.pnlBottom);
        b->setToolTip(tip);
        bar->addWidget(b);
        return b;
    };
    auto check = [&](const QString& text, const QString& tip) {
        auto* c = new QCheckBox(text, w.pnlBottom);
        c->setToolTip(tip);
        bar->addWidget(c);
        return c;
    };
    auto option = [&](const QString& text, const QString& tip) {
        auto* o = new QRadioButton(text, w.pnlBottom);
        o->setToolTip(tip);
        bar->addWidget(o);
        return o;
    };

    w.cmdFirst = button(QStringLiteral("|◀"), QStringLiteral("Prima Pagina"));
    w.txtPage = new QLineEdit(w.pnlBottom);
    w.txtPage->setValidator(new QIntValidator(0, 32767, w.txtPage));
    w.txtPage->setMaximumWidth(60);
    bar->addWidget(w.txtPage);
    w.udPageSeek = new UpDown(w.pnlBottom);
    w.udPageSeek->setObjectName(QStringLiteral("udPageSeek"));
    bar->addWidget(w.udPageSeek);
    w.lblTotPage = new QLabel(w.pnlBottom);
    w.lblTotPage->setToolTip(QStringLiteral("Numero totale di pagine"));
    bar->addWidget(w.lblTotPage);
    w.cmdLast = button(QStringLiteral("▶|"), QStringLiteral("Ultima Pagina"));
    w.cmdFirst->setFixedWidth(36);
    w.cmdLast->setFixedWidth(36);
    bar->addSpacing(12);

    w.chkPrintImage =
        button(QStringLiteral("Stampa"), QStringLiteral("Stampa tutto oppure solo la pagina corrente"));
    w.chkPrintCurrent = check(QStringLiteral("Solo pagina corrente"),
                              QStringLiteral("Imposta per stampare solo la pagina corrente"));
    w.chkPrintFitPage =
        check(QStringLiteral("Adatta"), QStringLiteral("Adatta l'immagine alle dimensioni della pagina"));
    w.cmdClipBoardImage = button(QStringLiteral("Copia"),
                                 QStringLiteral("Copia l'immagine della pagina di anteprima negli appunti"));
    bar->addSpacing(12);

    w.chkStretch =
        check(QStringLiteral("Zoom"),
              QStringLiteral("Imposta l'adattamento dell'immagine per una migliore visualizzazione"));
    w.optStretchAuto =
        option(QStringLiteral("Automatico"),
               QStringLiteral("Adatta l'immagine per una migliore visualizzazione rispetto alle "
                              "dimensioni dell'area visibile"));
    w.optStretchArea =
        option(QStringLiteral("Adatta area"),
               QStringLiteral("Adatta l'immagine alle dimensioni correnti dell'area visibile"));
    w.optStretch300 =
        option(QStringLiteral("300 %"), QStringLiteral("Ridimensiona l'immagine al 300% dell'originale"));
    w.optStretch200 =
        option(QStringLiteral("200 %"), QStringLiteral("Ridimensiona l'immagine al 200% dell'originale"));
    w.optStretchAuto->setChecked(true);
    bar->addStretch(1);
    w.cmdEsci = button(QStringLiteral("Esci"), QString());
    return w;
}

}  // namespace reports
