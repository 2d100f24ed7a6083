#include "startup/ui/frmInformative.h"

#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/OSWinUtil.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace startup {

namespace {

QLabel* heading(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QLabel* paragraph(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignJustify | Qt::AlignTop);
    return label;
}

}  // namespace

QString frmInformative::MakerName() { return QStringLiteral("Zelt Software"); }

frmInformative::frmInformative(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmInformative"));
    setWindowTitle(QStringLiteral("Informativa"));

    lblDescription_ = paragraph("lblDescription", this);
    lblResponsability_ = paragraph("lblResponsability", this);
    lblInformation1_ = paragraph("lblInformation1", this);
    lblInformation2_ = paragraph("lblInformation2", this);
    cmdPrint_ = new QPushButton(QStringLiteral("Stampa..."), this);
    cmdPrint_->setObjectName(QStringLiteral("cmdPrint"));
    cmdPrint_->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdPrint_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading(QStringLiteral("AVVERTENZA"), this));
    layout->addWidget(lblDescription_);
    layout->addSpacing(6);
    layout->addWidget(heading(QStringLiteral("RESPONSABILITA'"), this));
    layout->addWidget(lblResponsability_);
    layout->addSpacing(6);
    layout->addWidget(heading(QStringLiteral("INFORMATIVA"), this));
    layout->addWidget(lblInformation1_);
    layout->addWidget(lblInformation2_);
    layout->addLayout(buttons);
    setMinimumWidth(560);

    platform::connectGuarded(cmdPrint_, &QPushButton::clicked, this, &frmInformative::print);
    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
    fillTexts();
}

void frmInformative::showEvent(QShowEvent* event) {
    // The opener sets the product name after creating the window.
    fillTexts();
    QDialog::showEvent(event);
}

void frmInformative::fillTexts() {
    if (strProductName.trimmed().isEmpty()) strProductName = MakerName();
    const QString& product = strProductName;
    lblDescription_->setText(
        QStringLiteral("Il software e tutto il materiale ad esso collegato non possono essere ceduti né "
                       "trasferiti a terzi, in alcuna forma."));
    lblResponsability_->setText(
        QStringLiteral("Nei limiti massimi consentiti dalla legge, né %1 né i suoi fornitori rispondono di "
                       "danni speciali, incidentali, diretti o indiretti (compresi la perdita di profitti, "
                       "l'interruzione dell'attività, la perdita di informazioni o altre perdite "
                       "economiche) derivanti dall'uso o dal mancato uso del software, o dalla fornitura o "
                       "dalla mancata fornitura del supporto tecnico, anche qualora %2 sia stata avvertita "
                       "della possibilità di tali danni. %3 non si assume inoltre alcuna responsabilità per "
                       "le conseguenze di errori di sistema o di un uso non corretto del software. L'uso "
                       "del software avviene a rischio del cliente e ne comporta l'accettazione "
                       "incondizionata delle presenti norme.")
            .arg(product, product, product));
    lblInformation1_->setText(QStringLiteral(
        "Ai sensi dell'art. 10 della legge 675/1996, i dati del cliente sono conservati "
        "nell'archivio informatico della società e sono utilizzati dalla società stessa e da "
        "enti esterni ad essa collegati esclusivamente per finalità amministrative, commerciali "
        "e per l'invio di materiale promozionale."));
    lblInformation2_->setText(
        QStringLiteral("Ai sensi dell'art. 13 della stessa legge, l'interessato può conoscere, aggiornare, "
                       "cancellare o rettificare i propri dati, oppure opporsi al loro utilizzo quando siano "
                       "trattati in violazione di legge."));
}

void frmInformative::print() {
    const QString printerName = GetDefaultPrinterName();
    if (printerName.isEmpty()) {
        platform::messageBox(QStringLiteral("Nessuna stampante definita"),
                             platform::kOkOnly | platform::kExclamation, QString(), this);
        return;
    }
    const int answer = platform::messageBox(
        QStringLiteral("Stampa della videata in <") + printerName + QStringLiteral(">\r\rConfermi ?"),
        platform::kYesNo | platform::kQuestion, QString(), this);
    if (answer != platform::kAnswerYes) return;

    const QImage screen = grab().toImage();
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(printerName);
    QPainter painter;
    if (!printer.isValid() || !painter.begin(&printer)) {
        platform::messageBox(QStringLiteral("Impossibile stampare su ") + printerName, platform::kOkOnly,
                             QString(), this);
        return;
    }
    const QRect page = painter.viewport();
    const QSize size = screen.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(screen.rect());
    painter.drawImage(0, 0, screen);
    painter.end();
}

}  // namespace startup
