#include "orders/ui/frmSetQantity.h"

#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "orders/OrderEntry.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

namespace orders::ui {

frmSetQantity::frmSetQantity(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmSetQantity"));
    setWindowTitle(QStringLiteral("Ordine"));
    setModal(true);

    lblTitle_ = new QLabel(QStringLiteral("Quantità :"), this);
    txtQuantity_ = new QLineEdit(this);
    txtQuantity_->setObjectName(QStringLiteral("txtQuantity"));
    txtQuantity_->setToolTip(QStringLiteral("Inserire la quantità da ordinare per l'articolo selezionato"));
    txtQuantity_->setAlignment(Qt::AlignRight);
    txtQuantity_->installEventFilter(this);
    lblTitle_->setBuddy(txtQuantity_);

    cmdConfirm_ = new controls::MubCommand(QStringLiteral("&Conferma"), this);
    cmdConfirm_->setObjectName(QStringLiteral("cmdConfirm"));
    cmdConfirm_->setToolTip(QStringLiteral("Conferma la quantità impostata"));
    cmdConfirm_->setDefault(true);
    cmdCancel_ = new controls::MubCommand(QStringLiteral("&Annulla"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel_->setToolTip(QStringLiteral("Annulla l'impostazione della quantità"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblTitle_, 0, 0);
    grid->addWidget(txtQuantity_, 0, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdConfirm_);
    buttons->addWidget(cmdCancel_);
    grid->addLayout(buttons, 1, 0, 1, 2);

    connect(cmdConfirm_, &QPushButton::clicked, this, &frmSetQantity::cmdConfirm_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    const auto& rc = startup::runContext();
    startup::SetFormFont(this, rc.fontName, rc.fontSizeDelta);
}

std::int32_t frmSetQantity::SetQuantity(QWidget* owner, const QString& initialValue) {
    frmSetQantity prompt(owner);
    prompt.confirmed_ = false;
    prompt.txtQuantity_->setText(initialValue);
    prompt.txtQuantity_->selectAll();
    prompt.txtQuantity_->setFocus();
    controls::runSearchDialog(prompt);
    return prompt.Value();
}

void frmSetQantity::cmdConfirm_Click() {
    const auto value = orders::ParseQuantity(txtQuantity_->text());
    if (!value) {
        platform::messageBox(QStringLiteral("Valore incorretto.\r\rInserire un valore numerico."),
                             platform::kOkOnly | platform::kInformation, QString(), this);
        txtQuantity_->setFocus();
        txtQuantity_->selectAll();
        return;
    }
    value_ = *value;
    confirmed_ = true;
    accept();
}

bool frmSetQantity::eventFilter(QObject* watched, QEvent* event) {
    // The whole text is selected whenever the box gets the focus.
    if (watched == txtQuantity_ && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtQuantity_, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

}  // namespace orders::ui
