#include "startup/ui/frmSearchText.h"

#include "platform/ui/GuardedApplication.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace startup {

namespace {

struct LastSearch {
    QString fieldName;
    QString text;
};

LastSearch& lastSearch() {
    static LastSearch last;
    return last;
}

}  // namespace

QString frmSearchText::LastFieldName() { return lastSearch().fieldName; }
QString frmSearchText::LastSearchText() { return lastSearch().text; }
void frmSearchText::ForgetLastSearch() { lastSearch() = LastSearch(); }

frmSearchText::frmSearchText(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSearchText"));
    setWindowTitle(QStringLiteral("Cerca in"));

    lblFieldName_ = new QLabel(this);
    lblFieldName_->setObjectName(QStringLiteral("lblFieldName"));
    txtSearch_ = new QLineEdit(this);
    txtSearch_->setObjectName(QStringLiteral("txtSearch"));
    txtSearch_->setMinimumWidth(260);
    chkInternal_ = new QCheckBox(QStringLiteral(" [F2] &Intern."), this);
    chkInternal_->setObjectName(QStringLiteral("chkInternal"));
    chkInternal_->setToolTip(QStringLiteral("Cerca anche all'interno delle stringhe"));
    cmdOk_ = new QPushButton(QStringLiteral("&Cerca"), this);
    cmdOk_->setObjectName(QStringLiteral("cmdOk"));
    cmdNext_ = new QPushButton(QStringLiteral("[F3] &Successivo"), this);
    cmdNext_->setObjectName(QStringLiteral("cmdNext"));

    auto* row = new QHBoxLayout;
    row->addWidget(txtSearch_, 1);
    row->addWidget(chkInternal_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk_);
    buttons->addWidget(cmdNext_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFieldName_);
    layout->addLayout(row);
    layout->addLayout(buttons);

    platform::connectGuarded(txtSearch_, &QLineEdit::textChanged, this, &frmSearchText::textEdited);
    platform::connectGuarded(cmdOk_, &QPushButton::clicked, this, [this] { confirm(false); });
    platform::connectGuarded(cmdNext_, &QPushButton::clicked, this, [this] { confirm(true); });

    // The dialog sees F2 and F3 before its controls do.
    const auto controls = findChildren<QWidget*>();
    for (QWidget* control : controls) control->installEventFilter(this);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
    Prepare(QString(), true, false);
}

void frmSearchText::Prepare(const QString& fieldName, bool offerSubstring, bool offerNext) {
    // Load: text, results and flags cleared.
    txtSearch_->clear();
    searchText_.clear();
    substring_ = false;
    confirmed_ = false;
    findNext_ = false;
    chkInternal_->setChecked(false);
    chkInternal_->setEnabled(false);
    lblFieldName_->setText(fieldName);
    chkInternal_->setVisible(offerSubstring);
    cmdNext_->setVisible(offerNext);
}

bool frmSearchText::GetSelection(QWidget* owner, const QString& fieldName, bool offerSubstring,
                                 bool offerNext) {
    Prepare(fieldName, offerSubstring, offerNext);
    if (owner && !parentWidget()) {
        // Over the owner without taking it as parent: the opener keeps the
        // dialog's lifetime in its own hands.
        QWidget* window = owner->window();
        winId();
        window->winId();
        windowHandle()->setTransientParent(window->windowHandle());
        adjustSize();
        move(window->frameGeometry().center() - rect().center());
    }
    exec();
    return confirmed_;
}

void frmSearchText::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (lblFieldName_->text() != lastSearch().fieldName) {
        cmdOk_->setDefault(true);
    } else {
        txtSearch_->setText(lastSearch().text);
        if (!cmdNext_->isHidden()) {
            cmdOk_->setDefault(false);
            cmdNext_->setDefault(true);
        } else {
            cmdOk_->setDefault(true);
        }
    }
    txtSearch_->setFocus();
    txtSearch_->selectAll();
}

void frmSearchText::textEdited(const QString& text) {
    if (cmdNext_->isDefault()) {
        cmdNext_->setDefault(false);
        cmdOk_->setDefault(true);
    }
    chkInternal_->setEnabled(text.size() >= 2);
}

bool frmSearchText::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && watched == txtSearch_) {
        // Entering the box selects its text (after the click that entered it).
        QTimer::singleShot(0, txtSearch_, &QLineEdit::selectAll);
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F2) {
            if (chkInternal_->isEnabled() && !chkInternal_->isHidden())
                chkInternal_->setChecked(!chkInternal_->isChecked());
            return true;
        }
        if (key->key() == Qt::Key_F3) {
            if (!cmdNext_->isHidden()) confirm(true);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmSearchText::confirm(bool findNext) {
    searchText_ = txtSearch_->text();
    substring_ = chkInternal_->isChecked() && chkInternal_->isEnabled();
    lastSearch().fieldName = lblFieldName_->text();
    lastSearch().text = searchText_;
    confirmed_ = true;
    findNext_ = findNext;
    accept();
}

}  // namespace startup
