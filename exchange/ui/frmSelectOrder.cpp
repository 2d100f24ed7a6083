#include "exchange/ui/frmSelectOrder.h"

#include "datalib/DataSource.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

namespace exchange {

frmSelectOrder::frmSelectOrder(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelectOrder"));
    setWindowTitle(QStringLiteral("Ordini da inviare alla sede"));
    auto* label =
        new QLabel(QStringLiteral("Selezionare gli ordini che dovranno essere inviati alla sede"), this);
    lstOrder_ = new QListWidget(this);
    lstOrder_->setObjectName(QStringLiteral("lstOrder"));
    lstOrder_->setSelectionMode(QAbstractItemView::MultiSelection);
    cmdConfirm_ = new QPushButton(QStringLiteral("&Conferma"), this);
    cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
    cmdCancel_ = new QPushButton(QStringLiteral("&Annulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdConfirm_, &QPushButton::clicked, this, [this] { confirm(); });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(lstOrder_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdConfirm_);
    buttons->addWidget(cmdCancel_);
    layout->addLayout(buttons);
    resize(640, 360);
    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
    // The columns line up in a fixed-width font.
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    fixed.setPointSizeF(lstOrder_->font().pointSizeF());
    lstOrder_->setFont(fixed);
}

QString frmSelectOrder::EntryText(datalib::DataSource& order) {
    QString customer;
    if (!order.RefEmpty(QStringLiteral("Cliente"))) {
        auto c = order.GetReference(QStringLiteral("Cliente"));
        if (c && !c->DataEmpty())
            customer = c->ColValueStr(QStringLiteral("Codice")) + QLatin1Char(' ') +
                       c->ColValueStr(QStringLiteral("RagioneSociale"));
    }
    return order.FormattedColValue(QStringLiteral("DataInserimento")) + QStringLiteral(" - ") + customer +
           QStringLiteral(" - ") +
           order.FormattedColValue(QStringLiteral("ImportoTotale")).rightJustified(20);
}

void frmSelectOrder::SelectOrder(datalib::DataSource& orders, bool& confirmed) {
    for (; !orders.Eof(); orders.RowNext()) {
        if (!orders.RowValid()) continue;
        auto* item = new QListWidgetItem(EntryText(orders), lstOrder_);
        // Row keys are 64-bit: kept whole and compared as text.
        item->setData(Qt::UserRole, QString::number(orders.OID()));
        item->setSelected(true);
    }
    // Wide enough for the longest entry, amount included (within the screen).
    const QMargins margins = layout() ? layout()->contentsMargins() : QMargins();
    const int wanted = lstOrder_->sizeHintForColumn(0) + 2 * lstOrder_->frameWidth() +
                       lstOrder_->verticalScrollBar()->sizeHint().width() + margins.left() + margins.right() +
                       8;
    const QScreen* screen = this->screen();
    const int room = screen ? screen->availableGeometry().width() - 40 : wanted;
    if (wanted > width()) resize(qMin(wanted, room), height());
    exec();
    confirmed = m_blnConfirm;
}

void frmSelectOrder::confirm() {
    m_blnConfirm = true;
    m_selectedOrders.clear();
    for (int i = 0; i < lstOrder_->count(); ++i)
        if (lstOrder_->item(i)->isSelected())
            m_selectedOrders << lstOrder_->item(i)->data(Qt::UserRole).toString();
    accept();
}

}  // namespace exchange
