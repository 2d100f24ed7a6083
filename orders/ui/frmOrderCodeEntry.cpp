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
#include <QTimer>
#include <algorithm>

namespace orders::ui {

using namespace detail;

// ---- The code box and the quick list ------------------------------------------------------

void frmOrder::txtCode_Articolo_Change() {
    if (settingCode_) return;
    const QString text = txtCode_Articolo_->text();
    if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) {
        const QString code = orders::CleanBarcodeInput(text);
        if (!code.isEmpty()) {
            settingCode_ = true;
            txtCode_Articolo_->setText(code);
            settingCode_ = false;
        }
    }
    if (!tmtHelp_ArticoliLib_->isActive()) tmtHelp_ArticoliLib_->start();
}

bool frmOrder::codeBoxKey(QKeyEvent* key) {
    const QString text = key->text();
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                       text == QStringLiteral("\r") || text == QStringLiteral("\n");
    if (text == QStringLiteral("+")) {
        IncreaseRowQuantity();
        return true;
    }
    if (text == QStringLiteral("-")) {
        DecreaseRowQuantity();
        return true;
    }
    if (!enter) return false;
    // A reader's code with the quantity prompt on waits for the end of the
    // burst; so does any code typed while scanned codes wait, to keep the
    // order. An Enter of a burst on an empty box never confirms the order.
    if (chkRequest_Quantita_->isChecked() && txtCode_Articolo_->isEnabled() &&
        (keyClock().quickRun() >= 2 || !scanQueue_.isEmpty() || processingScans_)) {
        const QString code = orders::CleanBarcodeInput(txtCode_Articolo_->text() + QLatin1Char('\r'));
        if (!code.isEmpty()) queueScannedCode(code);
        return true;
    }
    if (txtCode_Articolo_->text().isEmpty()) {
        if (lstHelp_ArticoliLib_->isVisible() && lstHelp_ArticoliLib_->currentItem())
            ProcessCodeEntry();
        else
            cmdConfirm_Click();
        return true;
    }
    // The line break ends the scanner's code: cleaned (and filtered) before
    // the code is looked up.
    const QString code = orders::CleanBarcodeInput(txtCode_Articolo_->text() + QLatin1Char('\r'));
    if (code.isEmpty()) return true;  // the filter failed and said so: the box keeps the scan
    settingCode_ = true;
    txtCode_Articolo_->setText(code);
    settingCode_ = false;
    ProcessCodeEntry();
    return true;
}

void frmOrder::ProcessCodeEntry() {
    if (lstHelp_ArticoliLib_->isVisible()) {
        if (QListWidgetItem* item = lstHelp_ArticoliLib_->currentItem();
            item && item->isSelected() && item->text() != QStringLiteral(" ... ")) {
            settingCode_ = true;
            txtCode_Articolo_->setText(startup::GetLookupCode(item->text()));
            settingCode_ = false;
        }
        lstHelp_ArticoliLib_->hide();
    }
    if (!txtCode_Articolo_->text().isEmpty())
        cmdAddRow_Click();
    else
        cmdConfirm_Click();
}

void frmOrder::tmtHelp_ArticoliLib_Timer() {
    tmtHelp_ArticoliLib_->stop();
    QWidget* focus = QApplication::focusWidget();
    if (focus != txtCode_Articolo_ && focus != lstHelp_ArticoliLib_) {
        lstHelp_ArticoliLib_->hide();
        return;
    }
    if (focus == lstHelp_ArticoliLib_) {
        txtCode_Articolo_->setFocus();
        if (QApplication::focusWidget() != txtCode_Articolo_) return;
    }
    const QString text = txtCode_Articolo_->text();
    if (text.isEmpty()) {
        lstHelp_ArticoliLib_->hide();
        return;
    }
    if (lstHelp_ArticoliLib_->isVisible()) {
        QListWidgetItem* item = lstHelp_ArticoliLib_->currentItem();
        if (item && item->isSelected() && startup::GetLookupCode(item->text()) == text) return;
    }
    QString search = text;
    const int cursor = txtCode_Articolo_->cursorPosition();
    if (cursor > 0) search = text.left(cursor);
    try {
        lstHelp_ArticoliLib_->clear();
        startup::FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Descrizione"), search,
                                lstHelp_ArticoliLib_, QString(), QStringLiteral("Not Disabilitato"));
        if (lstHelp_ArticoliLib_->count() == 0)
            startup::FillLookupList(QStringLiteral("Articoli"), QStringLiteral("Codice"), search,
                                    lstHelp_ArticoliLib_, QStringLiteral("Descrizione"),
                                    QStringLiteral("Not Disabilitato"));
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
    lstHelp_ArticoliLib_->setVisible(lstHelp_ArticoliLib_->count() > 0);
}

void frmOrder::lstHelp_ArticoliLib_Click() {
    QListWidgetItem* item = lstHelp_ArticoliLib_->currentItem();
    if (!item || item->text() == QStringLiteral(" ... ")) return;
    const int cursor = txtCode_Articolo_->cursorPosition();
    const QString code = startup::GetLookupCode(item->text());
    settingCode_ = true;
    txtCode_Articolo_->setText(code);
    settingCode_ = false;
    txtCode_Articolo_->setFocus();
    const int from = std::min<int>(cursor, code.size());
    txtCode_Articolo_->setSelection(from, code.size() - from);
}

// ---- Keys -------------------------------------------------------------------------------------

bool frmOrder::eventFilter(QObject* watched, QEvent* e) {
    // The code box or the list losing the focus starts the list's timer,
    // whose tick hides the list when the focus went elsewhere.
    if (e->type() == QEvent::FocusOut && !unloaded_ &&
        (watched == txtCode_Articolo_ || watched == lstHelp_ArticoliLib_) &&
        !tmtHelp_ArticoliLib_->isActive())
        tmtHelp_ArticoliLib_->start();
    if (e->type() != QEvent::KeyPress || !watched->isWidgetType() || unloaded_)
        return QWidget::eventFilter(watched, e);
    auto* w = static_cast<QWidget*>(watched);
    // Each key once: where it is first delivered, the focus widget.
    if (w != QApplication::focusWidget()) return QWidget::eventFilter(watched, e);
    auto* key = static_cast<QKeyEvent*>(e);
    // Every key is timed, the quantity prompt's too; while scanned codes wait,
    // each key puts their adding off until the keys stop.
    keyClock().press(*key);
    if (scanTimer_->isActive()) scanTimer_->start();
    if (w != this && !isAncestorOf(w)) return QWidget::eventFilter(watched, e);
    if (Form_KeyDown(key)) return true;
    if (w == txtCode_Articolo_) return codeBoxKey(key);
    if (w == dgRighe_ || dgRighe_->isAncestorOf(w)) {
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
    if ((w == dgCategorie_ || dgCategorie_->isAncestorOf(w)) &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        PickCategoryArticle();
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

bool frmOrder::Form_KeyDown(QKeyEvent* key) {
    QWidget* focus = QApplication::focusWidget();
    if (focus && DataPanel_->isAncestorOf(focus)) return false;
    switch (key->key()) {
        case Qt::Key_Down:
        case Qt::Key_Up: {
            // The list follows the arrows only while the agent is in the
            // code box or in the list; elsewhere the grids keep their arrows.
            const bool inEntry = focus == txtCode_Articolo_ || focus == lstHelp_ArticoliLib_;
            if (!lstHelp_ArticoliLib_->isVisible() || !inEntry) {
                if (focus && (focus == dgRighe_ || focus == dgCategorie_ || focus == lstHelp_ArticoliLib_ ||
                              qobject_cast<QComboBox*>(focus) || qobject_cast<QAbstractItemView*>(focus)))
                    return false;
                return true;
            }
            const int last = lstHelp_ArticoliLib_->count() - 1;
            int row = lstHelp_ArticoliLib_->currentRow();
            if (row < 0 || !lstHelp_ArticoliLib_->currentItem()->isSelected())
                row = 0;
            else
                row = std::clamp(row + (key->key() == Qt::Key_Down ? 1 : -1), 0, last);
            lstHelp_ArticoliLib_->setCurrentRow(row);
            lstHelp_ArticoliLib_->currentItem()->setSelected(true);
            return true;
        }
        case Qt::Key_PageDown:
            if (!lstHelp_ArticoliLib_->isVisible() && focus != dgRighe_) {
                dgRighe_->setFocus();
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
        chkRequest_Quantita_->isChecked() ? QStringLiteral("True") : QStringLiteral("False"));
}

}  // namespace orders::ui
