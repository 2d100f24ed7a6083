#include "controls/GridSettingsMenu.h"

#include "controls/DataGrid.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"

#include <QScopeGuard>

namespace controls {

GridSettingsMenu::GridSettingsMenu(const QString& caption, Target target, QWidget* parent)
    : QMenu(caption, parent), target_(std::move(target)) {
    setObjectName(QStringLiteral("mnuGridSetting"));
    all_ = addAction(QStringLiteral("Visualizza &tutti i campi"));
    all_->setObjectName(QStringLiteral("mnuGridFldAll"));
    addSeparator()->setObjectName(QStringLiteral("mnuGridBar1"));
    sequence_ = addAction(QStringLiteral("Imposta &sequenza campi..."));
    sequence_->setObjectName(QStringLiteral("mnuGridFldSequence"));
    sequence_->setCheckable(true);
    cancel_ = addAction(QStringLiteral("Annulla sequenza campi e dimensioni"));
    cancel_->setObjectName(QStringLiteral("mnuGridCancel"));
    platform::connectGuarded(all_, &QAction::triggered, this, &GridSettingsMenu::mnuGridFldAll_Click);
    platform::connectGuarded(sequence_, &QAction::triggered, this,
                             &GridSettingsMenu::mnuGridFldSequence_Click);
    platform::connectGuarded(cancel_, &QAction::triggered, this, &GridSettingsMenu::mnuGridCancel_Click);
    platform::connectGuarded(this, &QMenu::aboutToShow, this, &GridSettingsMenu::ShowStoredSequence);
}

void GridSettingsMenu::ShowStoredSequence() {
    ViewGridSettings* settings = target_.settings ? target_.settings() : nullptr;
    sequence_->setChecked(settings && !settings->FieldSequence().isEmpty());
}

void GridSettingsMenu::rebind(DataGrid* grid, const std::shared_ptr<datalib::DataSource>& ds,
                              ViewGridSettings* settings) {
    ViewUtility::View(ds, parentWidget()).GridView(grid, settings);
    if (target_.rebound) target_.rebound();
}

void GridSettingsMenu::mnuGridFldAll_Click() {
    const auto mark = qScopeGuard([this] { ShowStoredSequence(); });
    ViewGridSettings* settings = target_.settings ? target_.settings() : nullptr;
    const auto ds = target_.dataSource ? target_.dataSource() : nullptr;
    DataGrid* grid = target_.grid ? target_.grid() : nullptr;
    if (!settings || !ds || !grid) return;
    const QString kept = settings->FieldSequence();
    try {
        settings->SetFieldSequence(QString());
        rebind(grid, ds, settings);
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kOkOnly, QString(), parentWidget());
    }
    settings->SetFieldSequence(kept);
}

void GridSettingsMenu::mnuGridFldSequence_Click() {
    // The click ticked or cleared the mark by itself: it is set again from
    // what is stored.
    const auto mark = qScopeGuard([this] { ShowStoredSequence(); });
    DataGrid* grid = target_.grid ? target_.grid() : nullptr;
    const auto ds = target_.dataSource ? target_.dataSource() : nullptr;
    ViewGridSettings* settings = target_.settings ? target_.settings() : nullptr;
    if (!grid || grid->isHidden() || !ds || !settings) return;
    try {
        if (!ViewUtility::View(ds, parentWidget())
                 .EditFieldSequence(*settings, QStringLiteral("Sequenza di Visualizzazione Campi"),
                                    grid->DefaultColumns()))
            return;
        rebind(grid, ds, settings);
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kOkOnly | platform::kExclamation, QString(),
                             parentWidget());
    }
}

void GridSettingsMenu::mnuGridCancel_Click() {
    const auto mark = qScopeGuard([this] { ShowStoredSequence(); });
    DataGrid* grid = target_.grid ? target_.grid() : nullptr;
    const auto ds = target_.dataSource ? target_.dataSource() : nullptr;
    ViewGridSettings* settings = target_.settings ? target_.settings() : nullptr;
    if (!grid || grid->isHidden() || !ds || !settings) return;
    if (platform::messageBox(
            QStringLiteral("Vuoi ripristinare le impostazioni predefinite per la griglia corrente?"),
            platform::kYesNo | platform::kQuestion, QString(), parentWidget()) != platform::kAnswerYes)
        return;
    try {
        settings->Reset();
        grid->ForgetContentWidths();
        rebind(grid, ds, settings);
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kOkOnly | platform::kExclamation, QString(),
                             parentWidget());
    }
}

}  // namespace controls
