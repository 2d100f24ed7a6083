#include "mainwindow/QuickHelpList.h"

#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>

#include <algorithm>
#include <exception>

namespace mainwindow {

namespace {
constexpr int kTickMs = 150;
constexpr int kKeyUp = 38;
constexpr int kKeyDown = 40;
constexpr const char* kCutEntry = " ... ";
}  // namespace

QuickHelpList::QuickHelpList(QWidget* window)
    : QObject(window), window_(window), list_(new QListWidget(window)), timer_(new QTimer(this)) {
    list_->setObjectName(QStringLiteral("lstHelp_Field"));
    list_->hide();
    list_->installEventFilter(this);
    // A press anywhere else in the window hides the list.
    qApp->installEventFilter(this);
    timer_->setObjectName(QStringLiteral("tmtHelp_Field"));
    timer_->setInterval(kTickMs);
    timer_->setSingleShot(true);
    platform::connectGuarded(timer_, &QTimer::timeout, this, &QuickHelpList::tmtHelp_Field_Timer);
    platform::connectGuarded(list_, &QListWidget::itemClicked, this, [this] { chooseEntry(); });
    connect(list_, &QListWidget::itemDoubleClicked, list_, &QWidget::hide);
}

QuickHelpList::~QuickHelpList() { qApp->removeEventFilter(this); }

void QuickHelpList::AddBox(QLineEdit* box, const Source& source) {
    boxes_.emplace_back(box, source);
    box->installEventFilter(this);
    platform::connectGuarded(box, &QLineEdit::textChanged, this, [this] {
        dismissed_ = false;
        StartTimer();
    });
}

int QuickHelpList::ListHeight(int rows) const {
    int row = list_->count() > 0 ? list_->sizeHintForRow(0) : -1;
    if (row <= 0) row = list_->fontMetrics().height() + 2;
    return rows * row + 2 * list_->frameWidth();
}

int QuickHelpList::RoomLacking() const {
    if (!floor_) return 0;
    const int floorTop = floor_->mapTo(window_, QPoint(0, 0)).y();
    int lacking = 0;
    for (const auto& [box, source] : boxes_) {
        const int under = box->mapTo(window_, QPoint(0, box->height())).y();
        lacking = std::max(lacking, under + ListHeight(kShownRows) + 2 - floorTop);
    }
    return lacking;
}

void QuickHelpList::dismiss() {
    timer_->stop();
    list_->hide();
    dismissed_ = true;
}

const QuickHelpList::Source* QuickHelpList::sourceOf(QLineEdit* box) const {
    for (const auto& [b, source] : boxes_)
        if (b == box) return &source;
    return nullptr;
}

void QuickHelpList::StartTimer() {
    if (!timer_->isActive()) timer_->start();
}

bool QuickHelpList::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        // Elsewhere: neither the list (its rows, its scroll bar) nor the box it helps.
        auto* w = qobject_cast<QWidget*>(watched);
        if (list_->isVisible() && w && w->window() == window_ && w != list_ && !list_->isAncestorOf(w) &&
            w != target_)
            dismiss();
        return false;
    }
    if (watched != list_ && !sourceOf(qobject_cast<QLineEdit*>(watched))) return false;
    switch (event->type()) {
        case QEvent::FocusIn:
            if (auto* box = qobject_cast<QLineEdit*>(watched); box && sourceOf(box)) target_ = box;
            break;
        case QEvent::FocusOut:
            StartTimer();
            break;
        case QEvent::KeyPress:
            // Esc closes the list only; the window stays open with what was typed.
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && list_->isVisible()) {
                dismiss();
                if (watched == list_ && target_) target_->setFocus(Qt::OtherFocusReason);
                return true;
            }
            if (watched != list_) {
                const int key = static_cast<QKeyEvent*>(event)->key();
                const int code = key == Qt::Key_Up ? kKeyUp : key == Qt::Key_Down ? kKeyDown : 0;
                if (code && MoveHelpListSelection(code)) return true;
            }
            break;
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

void QuickHelpList::tmtHelp_Field_Timer() {
    timer_->stop();
    if (!target_ || dismissed_) {
        list_->hide();
        return;
    }
    if (window_->focusWidget() != target_) {
        if (window_->focusWidget() != list_) {
            list_->hide();
            return;
        }
        target_->setFocus(Qt::OtherFocusReason);
        if (window_->focusWidget() != target_) return;
    }
    QString text = target_->text();
    if (text.isEmpty()) {
        list_->hide();
        return;
    }
    // An entry just chosen: its code is in the box, the list stays.
    if (list_->isVisible() && list_->currentItem() && list_->currentItem()->isSelected() &&
        startup::GetLookupCode(list_->currentItem()->text()) == text)
        return;
    const int cursor = target_->hasSelectedText() ? target_->selectionStart() : target_->cursorPosition();
    if (cursor > 0) text = text.left(cursor);
    try {
        fill(text);
    } catch (const std::exception& e) {
        list_->hide();
        platform::messageBox(QString::fromUtf8(e.what()), platform::kOkOnly | platform::kExclamation,
                             QString(), window_);
        return;
    }
    if (list_->count() == 0) {
        list_->hide();
        return;
    }
    // Under the box, down to the floor at most (the list then scrolls); where
    // not even a row fits there, above the box.
    const QPoint under = target_->mapTo(window_, QPoint(0, target_->height()));
    int height = ListHeight(std::min(list_->count(), kShownRows));
    int top = under.y();
    if (floor_) {
        const int room = floor_->mapTo(window_, QPoint(0, 0)).y() - 2 - under.y();
        if (room >= ListHeight(1)) {
            height = std::min(height, room);
        } else {
            const int above = target_->mapTo(window_, QPoint(0, 0)).y();
            height = std::min(height, above);
            top = above - height;
        }
    }
    list_->setGeometry(under.x(), top, target_->width(), height);
    list_->show();
    list_->raise();
}

void QuickHelpList::fill(const QString& text) {
    const Source* source = sourceOf(target_);
    list_->clear();
    startup::FillLookupList(source->table, source->firstColumn, text, list_, QString(), source->filter);
    if (list_->count() == 0)
        startup::FillLookupList(source->table, source->codeColumn, text, list_, source->description,
                                source->filter);
}

void QuickHelpList::chooseEntry() {
    QListWidgetItem* item = list_->currentItem();
    if (!target_ || !item || !item->isSelected() || item->text() == QLatin1String(kCutEntry)) return;
    try {
        const int cursor = target_->hasSelectedText() ? target_->selectionStart() : target_->cursorPosition();
        const QString code = startup::GetLookupCode(item->text());
        {
            const QSignalBlocker quiet(target_);  // the choice itself starts no look-up
            target_->setText(code);
        }
        if (window_->focusWidget() != target_) target_->setFocus(Qt::OtherFocusReason);
        if (cursor < code.size())
            target_->setSelection(code.size(), cursor - int(code.size()));
        else
            target_->setCursorPosition(cursor);
    } catch (const std::exception& e) {
        list_->hide();
        platform::messageBox(QString::fromUtf8(e.what()), platform::kOkOnly | platform::kExclamation,
                             QString(), window_);
    }
}

bool QuickHelpList::MoveHelpListSelection(int keyCode) {
    if ((keyCode != kKeyUp && keyCode != kKeyDown) || !list_->isVisible()) return false;
    const int count = list_->count();
    if (count > 0) {
        QListWidgetItem* current = list_->currentItem();
        int row = current && current->isSelected() ? list_->row(current) : -1;
        if (row < 0)
            row = 0;
        else if (keyCode == kKeyDown)
            row = std::min(row + 1, count - 1);
        else
            row = std::max(row - 1, 0);
        list_->setCurrentRow(row);
        chooseEntry();
    }
    return true;
}

}  // namespace mainwindow
