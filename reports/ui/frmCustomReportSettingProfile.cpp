// The report editor's profiles: the names of the chosen source, loading one,
// the save question, saving (a new one, or one of the same name written over)
// and deleting.

#include "reports/ui/frmCustomReportSetting.h"

#include "reports/ui/frmCustomReportSettingShared.h"

#include "core/AppError.h"
#include "core/Variant.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "platform/ui/MessageBox.h"
#include "reports/ReportLayoutRecord.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace reports {

void frmCustomReportSetting::cbTableSel_Click() {
    if (w_.cbTableSel->currentIndex() < 0) {
        EnableEditControls(false);
        return;
    }
    try {
        w_.cbReportName->clear();
        auto names = db_->OpenDataSource(
            ReportLayoutRecord::kTableName,
            ReportLayoutRecord::sourceFilter(*db_, GetSelectedTableName(), GetSelectedReferenceName()));
        for (names->RowFirst(); !names->Eof(); names->RowNext())
            w_.cbReportName->addItem(names->ColValueStr(ReportLayoutRecord::kNameColumn));
        w_.cbReportName->setCurrentIndex(-1);
        w_.cbReportName->setEditText(QString());
        LoadProfile();
        EnableEditControls(true);
        focusQuietly(w_.cbReportName);
        if (w_.cbReportName->count() == 1) {
            w_.cbReportName->setCurrentIndex(0);
            cbReportName_Click();
        } else if (isVisible()) {
            // The name list drops down for a choice.
            QTimer::singleShot(0, w_.cbReportName, [box = QPointer<QComboBox>(w_.cbReportName)] {
                if (box && box->isVisible() && box->isEnabled()) box->showPopup();
            });
        }
    } catch (const core::AppError& e) {
        showFailure(e.description());
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    }
}

void frmCustomReportSetting::cbReportName_Click() { LoadProfile(); }

void frmCustomReportSetting::LoadProfile() {
    try {
        auto row = ReportLayoutRecord::open(*db_, GetSelectedTableName(), GetSelectedReferenceName(),
                                            w_.cbReportName->currentText());
        row->RowFirst();
        if (row->Eof())
            showLayout(ReportLayoutRecord::newLayout(noteRows_), true);
        else
            showLayout(ReportLayoutRecord::readFrom(*row), false);
        modified_ = false;
    } catch (const core::AppError& e) {
        showFailure(e.description());
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    }
}

void frmCustomReportSetting::AskSaveChanges() { askSave(); }

bool frmCustomReportSetting::askSave() {
    // Asked whenever the profile was changed, whichever window was opened last.
    if (!modified_) return true;
    if (platform::messageBox(
            QStringLiteral("Il profilo è stato modificato...\r\rVuoi salvare le modifiche ?"),
            platform::kYesNo | platform::kQuestion, QString(), this) != platform::kAnswerYes)
        return true;
    return SaveProfile();
}

bool frmCustomReportSetting::SaveProfile() {
    const QString name = w_.cbReportName->currentText();
    if (name.isEmpty()) {
        platform::messageBox(QStringLiteral("Devi specificare il nome del Report"), platform::kInformation,
                             QString(), this);
        focusQuietly(w_.cbReportName);
        return false;
    }
    if (w_.cboPrinter->currentText().isEmpty()) {
        platform::messageBox(QStringLiteral("Devi selezionare la stampante"), platform::kInformation,
                             QString(), this);
        focusQuietly(w_.cboPrinter);
        return false;
    }
    const QString rowsDim = w_.txtReportRowsDim->text().trimmed();
    const auto rowsDimNumber = detail::boxNumber(rowsDim);
    if (!rowsDimNumber || !ReportLayoutRecord::rowDimUsable(*rowsDimNumber)) {
        platform::messageBox(ReportLayoutRecord::rowDimRefusal(rowsDim), platform::kExclamation, QString(),
                             this);
        focusQuietly(w_.txtReportRowsDim);
        return false;
    }
    try {
        const QString table = GetSelectedTableName();
        const QString reference = GetSelectedReferenceName();
        auto row = ReportLayoutRecord::open(*db_, table, reference, name);
        row->RowFirst();
        const bool picked = w_.cbReportName->currentIndex() >= 0 &&
                            w_.cbReportName->itemText(w_.cbReportName->currentIndex()) == name;
        ReportLayoutRecord layout;
        if (row->Eof()) {
            row->AddNew();
            layout.sourceTable = table;
            layout.reference = reference;
            layout.name = name;
        } else if (!picked &&
                   platform::messageBox(
                       QStringLiteral(
                           "Un Report con stesso nome esiste già in archivio...\r\rSovrascriverlo ?"),
                       platform::kYesNo | platform::kQuestion | platform::kDefaultButton2, QString(),
                       this) != platform::kAnswerYes) {
            return false;
        } else {
            layout = ReportLayoutRecord::readFrom(*row);
        }
        // A box with a number goes as that number; any other text goes as it
        // stands, so that the library refuses it with its own message.
        for (const SizeBox& s : sizeBoxes()) {
            const auto n = detail::boxNumber(s.box->text());
            layout.*s.stored = n ? core::Variant(*n) : core::Variant(s.box->text());
        }
        layout.backImage = w_.txtBackImage->text();
        layout.printer = w_.cboPrinter->currentText();
        layout.script = scriptText();
        layout.group = w_.cboReportGroup->currentText();
        layout.horizontal = w_.chkHorizontal->isChecked();
        layout.askPrinter = w_.chkPrinterSelection->isChecked();
        try {
            layout.writeTo(*row);
        } catch (...) {
            row->CancelUpdate();
            throw;
        }
        const bool added = row->Save();
        if (added) {
            w_.cbReportName->addItem(name);
            w_.cbReportName->setCurrentIndex(w_.cbReportName->count() - 1);
            cbReportName_Click();
        }
        modified_ = false;
        return true;
    } catch (const core::AppError& e) {
        showFailure(e.description());
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    }
    return false;
}

void frmCustomReportSetting::cmdOK_Click() {
    if (SaveProfile())
        platform::messageBox(QStringLiteral("Impostazioni Salvate."), platform::kInformation, QString(),
                             this);
}

void frmCustomReportSetting::cmdDelete_Click() {
    if (w_.cbReportName->currentIndex() < 0 ||
        w_.cbReportName->itemText(w_.cbReportName->currentIndex()) != w_.cbReportName->currentText()) {
        platform::messageBox(QStringLiteral("Devi selezionare il Report da eliminare"),
                             platform::kExclamation, QString(), this);
        if (w_.cbReportName->isEnabled()) focusQuietly(w_.cbReportName);
        return;
    }
    if (platform::messageBox(QStringLiteral("Eliminare il profilo del Report corrente?"),
                             platform::kYesNo | platform::kQuestion | platform::kDefaultButton2, QString(),
                             this) != platform::kAnswerYes)
        return;
    try {
        auto row = ReportLayoutRecord::open(*db_, GetSelectedTableName(), GetSelectedReferenceName(),
                                            w_.cbReportName->currentText());
        row->RowFirst();
        if (row->Eof()) {
            platform::messageBox(QStringLiteral("Il Report con questo nome non è presente in archivio"),
                                 platform::kOkOnly, QString(), this);
            return;
        }
        row->DeleteRow();
        w_.cbReportName->removeItem(w_.cbReportName->currentIndex());
        platform::messageBox(QStringLiteral("Profilo eliminato."), platform::kInformation, QString(), this);
        LoadProfile();
    } catch (const core::AppError& e) {
        showFailure(e.description());
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    }
}

}  // namespace reports
