#include "orders/ui/frmSetQantity.h"

#include "controls/MubCommand.h"
#include "controls/SearchDialogs.h"
#include "orders/OrderEntry.h"
#include "orders/ui/KeyClock.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <utility>

namespace orders::ui {

namespace {

QString& typedAhead() {
    static QString text;
    return text;
}

}  // namespace

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

    platform::connectGuarded(cmdConfirm_, &QPushButton::clicked, this, &frmSetQantity::cmdConfirm_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    const auto& rc = startup::runContext();
    startup::SetFormFont(this, rc.fontName, rc.fontSizeDelta);
}

std::int32_t frmSetQantity::SetQuantity(QWidget* owner, const QString& initialValue) {
    frmSetQantity prompt(owner);
    typedAhead().clear();
    prompt.confirmed_ = false;
    prompt.txtQuantity_->setText(initialValue);
    prompt.runStart_ = initialValue;
    prompt.txtQuantity_->selectAll();
    prompt.txtQuantity_->setFocus();
    controls::runSearchDialog(prompt);
    return prompt.Value();
}

QString frmSetQantity::TakeTypedAhead() { return std::exchange(typedAhead(), QString()); }

bool frmSetQantity::burstKey(const QKeyEvent& key) {
    const KeyClock& clock = keyClock();
    const bool enter = KeyClock::IsEnter(key);
    QString text = enter ? QStringLiteral("\r") : key.text();
    // Keys without text (Shift, arrows) and shortcuts (Ctrl+A gives a control
    // character) are not counted.
    if (!enter && !text.isEmpty() && !text.at(0).isPrint()) text.clear();
    if (KeyClock::IsModifier(key.key())) return false;
    if (clock.quickRun() == 0) {
        // The first key of a run, typed by hand or a reader's: it goes into
        // the box for now.
        diverting_ = false;
        runStart_ = txtQuantity_->text();
        run_.clear();
    }
    // The rest of a reader's run, once it has ended a code: kept for the code
    // entry, in order; other keys of the run are dropped.
    if (diverting_) {
        typedAhead() += text;
        return true;
    }
    if (text.isEmpty()) return false;
    if (!enter) {
        run_ += text;
        return false;
    }
    // A quick run too short for a code is typing (a keypad's "12" and Enter):
    // the Enter confirms it.
    if (!clock.ScanEnded()) return false;
    // A scanned code: out of the box again, and the prompt stays open for the
    // agent's own quantity.
    typedAhead() += run_ + text;
    diverting_ = true;
    txtQuantity_->setText(runStart_);
    txtQuantity_->selectAll();
    return true;
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
    // No scanned code ever becomes a quantity: a burst goes back to the code entry.
    if (watched == txtQuantity_ && event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        if (!key.isAutoRepeat() && burstKey(key)) return true;
    }
    // The whole text is selected whenever the box gets the focus.
    if (watched == txtQuantity_ && event->type() == QEvent::FocusIn)
        QTimer::singleShot(0, txtQuantity_, &QLineEdit::selectAll);
    return QDialog::eventFilter(watched, event);
}

}  // namespace orders::ui
