#include "orders/ui/frmOrder.h"

#include "orders/ui/frmOrderShared.h"

#include "controls/DataGrid.h"
#include "controls/DataPanel.h"
#include "core/AppError.h"
#include "orders/BarcodeReader.h"
#include "orders/ui/KeyClock.h"
#include "platform/SettingsStore.h"
#include "startup/Common.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace orders::ui {

using namespace detail;

// ---- The code box and the quick list ------------------------------------------------------

void frmOrder::txtCode_Articolo_Change() {
    if (settingCode_) return;
    const QString text = w_.txtCode_Articolo->text();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        const QString code = orders::CleanBarcodeInput(text);
        if (!code.isEmpty()) {
            settingCode_ = true;
            w_.txtCode_Articolo->setText(code);
            settingCode_ = false;
        }
    }
    if (!w_.tmtHelp_ArticoliLib->isActive()) w_.tmtHelp_ArticoliLib->start();
}

bool frmOrder::codeBoxKey(QKeyEvent* key) {
    const QString text = key->text();
    const bool enter = KeyClock::IsEnter(*key);
    if (text == QStringLiteral("+")) {
        IncreaseRowQuantity();
        return true;
    }
    if (text == QStringLiteral("-")) {
        DecreaseRowQuantity();
        return true;
    }
    if (!enter) return false;
    // A reader's code waits for the end of its burst; so does any code typed
    // while scanned codes wait, to keep the order. An Enter of a burst on an
    // empty box never confirms the order.
    const KeyClock& clock = keyClock();
    const bool scanned = clock.ScanEnded() && !w_.txtCode_Articolo->text().isEmpty();
    if (w_.txtCode_Articolo->isEnabled() &&
        (scanned || clock.InScanRun() || !scanQueue_.isEmpty() || processingScans_)) {
        const QString code = orders::CleanBarcodeInput(w_.txtCode_Articolo->text() + QLatin1Char('\r'));
        if (!code.isEmpty()) queueScannedCode(code);
        return true;
    }
    if (w_.txtCode_Articolo->text().isEmpty()) {
        if (w_.lstHelp_ArticoliLib->isVisible() && w_.lstHelp_ArticoliLib->currentItem())
            ProcessCodeEntry();
        else
            cmdConfirm_Click();
        return true;
    }
    // The line break ends the scanner's code: cleaned (and filtered) before
    // the code is looked up.
    const QString code = orders::CleanBarcodeInput(w_.txtCode_Articolo->text() + QLatin1Char('\r'));
    if (code.isEmpty()) return true;  // the filter failed and said so: the box keeps the scan
    settingCode_ = true;
    w_.txtCode_Articolo->setText(code);
    settingCode_ = false;
    ProcessCodeEntry();
    return true;
}

void frmOrder::ProcessCodeEntry() {
    if (w_.lstHelp_ArticoliLib->isVisible()) {
        if (QListWidgetItem* item = w_.lstHelp_ArticoliLib->currentItem();
            item && item->isSelected() && item->text() != QStringLiteral(" ... ")) {
            settingCode_ = true;
            w_.txtCode_Articolo->setText(startup::GetLookupCode(item->text()));
            settingCode_ = false;
        }
        w_.lstHelp_ArticoliLib->hide();
    }
    if (!w_.txtCode_Articolo->text().isEmpty())
        cmdAddRow_Click();
    else
        cmdConfirm_Click();
}

void frmOrder::tmtHelp_ArticoliLib_Timer() {
    w_.tmtHelp_ArticoliLib->stop();
    QWidget* focus = QApplication::focusWidget();
    if (focus != w_.txtCode_Articolo && focus != w_.lstHelp_ArticoliLib) {
        w_.lstHelp_ArticoliLib->hide();
        return;
    }
    if (focus == w_.lstHelp_ArticoliLib) {
        w_.txtCode_Articolo->setFocus();
        if (QApplication::focusWidget() != w_.txtCode_Articolo) return;
    }
    const QString text = w_.txtCode_Articolo->text();
    if (text.isEmpty()) {
        w_.lstHelp_ArticoliLib->hide();
        return;
    }
    if (w_.lstHelp_ArticoliLib->isVisible()) {
        QListWidgetItem* item = w_.lstHelp_ArticoliLib->currentItem();
        if (item && item->isSelected() && startup::GetLookupCode(item->text()) == text) return;
    }
    QString search = text;
    const int cursor = w_.txtCode_Articolo->cursorPosition();
    if (cursor > 0) search = text.left(cursor);
    try {
        w_.lstHelp_ArticoliLib->clear();
        startup::FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Descrizione"), search,
                                w_.lstHelp_ArticoliLib, QString(), QStringLiteral("Not Disabilitato"));
        if (w_.lstHelp_ArticoliLib->count() == 0)
            startup::FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), search,
                                    w_.lstHelp_ArticoliLib, QStringLiteral("Descrizione"),
                                    QStringLiteral("Not Disabilitato"));
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
    w_.lstHelp_ArticoliLib->setVisible(w_.lstHelp_ArticoliLib->count() > 0);
}

void frmOrder::lstHelp_ArticoliLib_Click() {
    QListWidgetItem* item = w_.lstHelp_ArticoliLib->currentItem();
    if (!item || item->text() == QStringLiteral(" ... ")) return;
    const int cursor = w_.txtCode_Articolo->cursorPosition();
    const QString code = startup::GetLookupCode(item->text());
    settingCode_ = true;
    w_.txtCode_Articolo->setText(code);
    settingCode_ = false;
    w_.txtCode_Articolo->setFocus();
    const int from = std::min<int>(cursor, code.size());
    w_.txtCode_Articolo->setSelection(from, code.size() - from);
}

// ---- Keys -------------------------------------------------------------------------------------

bool frmOrder::eventFilter(QObject* watched, QEvent* e) {
    // The code box or the list losing the focus starts the list's timer,
    // whose tick hides the list when the focus went elsewhere.
    if (e->type() == QEvent::FocusOut && !unloaded_ &&
        (watched == w_.txtCode_Articolo || watched == w_.lstHelp_ArticoliLib) &&
        !w_.tmtHelp_ArticoliLib->isActive())
        w_.tmtHelp_ArticoliLib->start();
    if (e->type() != QEvent::KeyPress || !watched->isWidgetType() || unloaded_ || replayingKeys_)
        return QWidget::eventFilter(watched, e);
    auto* w = static_cast<QWidget*>(watched);
    // Each key once: where it is first delivered, the focus widget.
    if (w != QApplication::focusWidget()) return QWidget::eventFilter(watched, e);
    auto* key = static_cast<QKeyEvent*>(e);
    // Every key is timed, the quantity prompt's too; while scanned codes wait,
    // each key puts their adding off until the keys stop.
    keyClock().press(*key);
    if (scanTimer_->isActive()) scanTimer_->start();
    if (holdBoxKey(w, *key)) return true;
    if (w != this && !isAncestorOf(w)) return QWidget::eventFilter(watched, e);
    if (Form_KeyDown(key)) return true;
    if (w == w_.txtCode_Articolo) return codeBoxKey(key);
    if (w == w_.dgRighe || w_.dgRighe->isAncestorOf(w)) {
        if (key->key() == Qt::Key_Delete) {
            cmdDeleteRow_Click();
            return true;
        }
        if (key->text() == QStringLiteral("+")) {
            IncreaseRowQuantity();
            return true;
        }
        if (key->text() == QStringLiteral("-")) {
            DecreaseRowQuantity();
            return true;
        }
    }
    if ((w == w_.dgCategorie || w_.dgCategorie->isAncestorOf(w)) &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        PickCategoryArticle();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

bool frmOrder::holdBoxKey(QWidget* target, const QKeyEvent& key) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box->parentWidget() != this || (target != box && !box->isAncestorOf(target))) return false;
    if (KeyClock::IsModifier(key.key())) return false;
    const KeyClock& clock = keyClock();
    if (KeyClock::IsEnter(key) && (clock.ScanEnded() || clock.InScanRun())) {
        // A reader's code: it waits for the box to close, after the codes
        // before it.
        QString code;
        for (const HeldKey& held : std::exchange(heldKeys_, {})) code += held.text;
        boxHold_->stop();
        if (!code.isEmpty()) {
            scanQueue_ << code;
            scanTimer_->start(KeyClock::kQuietMs);
        }
        return true;
    }
    const QString text = key.text();
    const bool shortcut = key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!key.isAutoRepeat() && !shortcut && !text.isEmpty() && text.at(0).isPrint()) {
        // A character waits until it is known whether a code follows.
        heldKeys_.push_back({target, key.key(), key.modifiers(), text});
        boxHold_->start();
        return true;
    }
    // Keys without text inside a reader's run are dropped; any other key
    // (Enter, Esc, an arrow, a shortcut) is the agent's, after the
    // characters held before it.
    if (clock.InScanRun()) return true;
    replayHeldKeys();
    return false;
}

void frmOrder::replayHeldKeys() {
    boxHold_->stop();
    const QScopedValueRollback<bool> replaying(replayingKeys_, true);
    for (const HeldKey& held : std::exchange(heldKeys_, {})) {
        if (!held.target) continue;
        QKeyEvent press(QEvent::KeyPress, held.key, held.modifiers, held.text);
        QApplication::sendEvent(held.target, &press);
        if (!held.target) continue;
        QKeyEvent release(QEvent::KeyRelease, held.key, held.modifiers, held.text);
        QApplication::sendEvent(held.target, &release);
    }
}

bool frmOrder::Form_KeyDown(QKeyEvent* key) {
    QWidget* focus = QApplication::focusWidget();
    if (focus && w_.DataPanel->isAncestorOf(focus)) return false;
    switch (key->key()) {
        case Qt::Key_Down:
        case Qt::Key_Up: {
            // The list follows the arrows only while the agent is in the
            // code box or in the list; elsewhere the grids keep their arrows.
            const bool inEntry = focus == w_.txtCode_Articolo || focus == w_.lstHelp_ArticoliLib;
            if (!w_.lstHelp_ArticoliLib->isVisible() || !inEntry) {
                if (focus &&
                    (focus == w_.dgRighe || focus == w_.dgCategorie || focus == w_.lstHelp_ArticoliLib ||
                     qobject_cast<QComboBox*>(focus) || qobject_cast<QAbstractItemView*>(focus)))
                    return false;
                return true;
            }
            const int last = w_.lstHelp_ArticoliLib->count() - 1;
            int row = w_.lstHelp_ArticoliLib->currentRow();
            if (row < 0 || !w_.lstHelp_ArticoliLib->currentItem()->isSelected())
                row = 0;
            else
                row = std::clamp(row + (key->key() == Qt::Key_Down ? 1 : -1), 0, last);
            w_.lstHelp_ArticoliLib->setCurrentRow(row);
            w_.lstHelp_ArticoliLib->currentItem()->setSelected(true);
            return true;
        }
        case Qt::Key_PageDown:
            if (!w_.lstHelp_ArticoliLib->isVisible() && focus != w_.dgRighe) {
                w_.dgRighe->setFocus();
                return true;
            }
            return false;
        case Qt::Key_F2:
            cmdAddRow_Click();
            return true;
        case Qt::Key_F5:
            cmdSetQuantity_Click();
            return true;
        case Qt::Key_F12:
            cmdEditRow_Click();
            return true;
        case Qt::Key_F10:
            cmdDeleteRow_Click();
            return true;
        default:
            return false;
    }
}

void frmOrder::chkRequest_Quantita_Click() {
    ResetCodeEntry();
    platform::SettingsStore::save(
        platform::appName(), QString::fromLatin1(kOrderSection), QStringLiteral("ChiediQuantità"),
        w_.chkRequest_Quantita->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
}

}  // namespace orders::ui
