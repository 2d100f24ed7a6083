#include "exchange/ui/frmSelectOrder.h"

#include "datalib/DataSource.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

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
    platform::connectGuarded(cmdConfirm_, &QPushButton::clicked, this, [this] { confirm(); });
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
    // The columns line up in a fixed-width font: "Courier New", or the
    // system's fixed font where that name finds none of fixed width.
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    if (!QFontInfo(fixed).fixedPitch()) fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(lstOrder_->font().pointSizeF());
    lstOrder_->setFont(fixed);
}

frmSelectOrder::Entry frmSelectOrder::EntryOf(datalib::DataSource& order) {
    Entry e;
    if (!order.RefEmpty(QStringLiteral("Cliente"))) {
        auto c = order.GetReference(QStringLiteral("Cliente"));
        if (c && !c->DataEmpty())
            e.customer = c->ColValueStr(QStringLiteral("Codice")) + QLatin1Char(' ') +
                         c->ColValueStr(QStringLiteral("RagioneSociale"));
    }
    e.date = order.FormattedColValue(QStringLiteral("DataInserimento"));
    e.total = order.FormattedColValue(QStringLiteral("ImportoTotale"));
    return e;
}

QStringList frmSelectOrder::EntryTexts(const std::vector<Entry>& entries) {
    qsizetype date = 0, customer = 0, total = 20;  // the totals' field: 20 characters at least
    for (const Entry& e : entries) {
        date = std::max(date, e.date.size());
        customer = std::max(customer, e.customer.size());
        total = std::max(total, e.total.size());
    }
    QStringList out;
    for (const Entry& e : entries)
        out << e.date.leftJustified(date) + QStringLiteral(" - ") + e.customer.leftJustified(customer) +
                   QStringLiteral(" - ") + e.total.rightJustified(total);
    return out;
}

void frmSelectOrder::SelectOrder(datalib::DataSource& orders, bool& confirmed) {
    std::vector<Entry> entries;
    QStringList keys;
    for (; !orders.Eof(); orders.RowNext()) {
        if (!orders.RowValid()) continue;
        entries.push_back(EntryOf(orders));
        // Row keys are 64-bit: kept whole and compared as text.
        keys << QString::number(orders.OID());
    }
    const QStringList texts = EntryTexts(entries);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto* item = new QListWidgetItem(texts[i], lstOrder_);
        item->setData(Qt::UserRole, keys[i]);
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
