#include "reports/ui/frmCustomReportSetting.h"

#include "controls/MubCommand.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "reports/ReportLayouts.h"
#include "reports/ScriptAssistant.h"
#include "reports/ui/LayoutScriptMenus.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTimer>

namespace reports {

namespace {

QPointer<frmCustomReportSetting>& sharedInstance() {
    static QPointer<frmCustomReportSetting> window;
    return window;
}

QString settingsName() { return QStringLiteral("frmCustomReportSetting"); }

}  // namespace

// ---- Opening -----------------------------------------------------------------------

void frmCustomReportSetting::EditSetting(QWidget* owner, std::shared_ptr<datalib::Database> database,
                                         std::shared_ptr<datalib::Engine> engine, const QString& tableList,
                                         bool includeAllReferences, bool noteRows, const QString& groupList) {
    auto& window = sharedInstance();
    const bool first = !window;
    if (first) window = new frmCustomReportSetting(owner);
    window->db_ = std::move(database);
    window->engine_ = std::move(engine);
    window->tableList_ = tableList;
    window->includeAllReferences_ = includeAllReferences;
    window->noteRows_ = noteRows;
    window->groupList_ = groupList;
    if (first) window->Form_Load();
    window->show();
    window->raise();
    window->activateWindow();
}

frmCustomReportSetting* frmCustomReportSetting::instance() { return sharedInstance(); }

frmCustomReportSetting::frmCustomReportSetting(QWidget* owner) : QDialog(owner) {
    setObjectName(settingsName());
    setWindowTitle(QStringLiteral("Impostazione Report"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    bindControls();
}

frmCustomReportSetting::~frmCustomReportSetting() = default;

void frmCustomReportSetting::bindControls() {
    w_ = BuildCustomReportSettingWidgets(this);
    for (QLineEdit* box : {w_.txtColumns, w_.txtReportHeight, w_.txtReportWidth, w_.txtReportTop,
                           w_.txtReportLeft, w_.txtReportRowsTop, w_.txtReportRowsBottom, w_.txtReportRowsDim,
                           w_.txtBackImage, w_.txtBottomImageBorder})
        platform::connectGuarded(box, &QLineEdit::textChanged, this, [this] { setModified(); });

    // The script assistant and its menus.
    assistant_ = new ScriptEditorAssistant(
        w_.txtVBScript, w_.lblLine, w_.cmdField,
        [this](const QString& text, int caret) { return ReportScriptDataVarName(text, caret, noteRows_); },
        this);
    connect(assistant_, &ScriptEditorAssistant::modified, this, [this] { setModified(); });
    LayoutScriptMenus::Options options;
    options.selectedTableName = [this] { return GetSelectedTableName(); };
    options.selectedReferenceName = [this] { return GetSelectedReferenceName(); };
    options.tableByName = [this](const QString& name) { return tableDef(name); };
    menus_ = new LayoutScriptMenus(*assistant_, this, options);

    // Events.
    platform::connectGuarded(w_.cbTableSel, qOverload<int>(&QComboBox::activated), this,
                             [this] { cbTableSel_Click(); });
    platform::connectGuarded(w_.cbReportName, qOverload<int>(&QComboBox::activated), this,
                             [this] { cbReportName_Click(); });
    platform::connectGuarded(w_.cboPrinter, &QComboBox::currentTextChanged, this, [this] { setModified(); });
    platform::connectGuarded(w_.cboReportGroup, &QComboBox::currentTextChanged, this,
                             [this] { setModified(); });
    platform::connectGuarded(w_.chkHorizontal, &QCheckBox::toggled, this, [this] { setModified(); });
    platform::connectGuarded(w_.chkPrinterSelection, &QCheckBox::toggled, this, [this] { setModified(); });
    w_.cbTableSel->installEventFilter(this);
    w_.cbReportName->installEventFilter(this);
    using Command = void (frmCustomReportSetting::*)();
    const std::pair<controls::MubCommand*, Command> commands[] = {
        {w_.cmdOK, &frmCustomReportSetting::cmdOK_Click},
        {w_.cmdCancel, &frmCustomReportSetting::cmdCancel_Click},
        {w_.cmdDelete, &frmCustomReportSetting::cmdDelete_Click},
        {w_.cmdDefault, &frmCustomReportSetting::cmdDefault_Click},
        {w_.cmdTest, &frmCustomReportSetting::cmdTest_Click},
        {w_.cmdPreview, &frmCustomReportSetting::cmdPreview_Click},
        {w_.cmdPrnSetting, &frmCustomReportSetting::cmdPrnSetting_Click},
        {w_.cmdSelBackImage, &frmCustomReportSetting::cmdSelBackImage_Click},
        {w_.cmdField, &frmCustomReportSetting::cmdField_Click},
        {w_.cmdInstruction, &frmCustomReportSetting::cmdInstruction_Click},
        {w_.cmdSave, &frmCustomReportSetting::cmdSave_Click},
        {w_.cmdLoad, &frmCustomReportSetting::cmdLoad_Click}};
    for (const auto& [button, command] : commands)
        platform::connectGuarded(button, &QPushButton::clicked, this,
                                 [this, command = command] { (this->*command)(); });
    resize(860, 640);
}

void frmCustomReportSetting::Form_Load() {
    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
    w_.cboPrinter->clear();
    w_.cboPrinter->addItems(platform::Printers::installed());
    w_.cboReportGroup->clear();
    w_.cboReportGroup->addItem(QString());
    if (!groupList_.isEmpty()) w_.cboReportGroup->addItems(groupList_.split(QLatin1Char(',')));
    fillSourceList();
    w_.cbTableSel->setCurrentIndex(-1);
    w_.cbReportName->setEditText(QString());
    w_.cboPrinter->setCurrentIndex(-1);
    w_.txtBackImage->clear();
    w_.lblLine->clear();
    menus_->FillInstructionItems();
    EnableEditControls(false);
    startup::LoadFormSettings(this, false);
    modified_ = false;
}

void frmCustomReportSetting::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmCustomReportSetting::Form_Activate() {
    if (w_.cbTableSel->currentIndex() < 0 && w_.cbTableSel->count() == 1) {
        w_.cbTableSel->setCurrentIndex(0);
        cbTableSel_Click();
    }
}

const datalib::TableDef* frmCustomReportSetting::tableDef(const QString& name) const {
    return db_ && !name.isEmpty() ? db_->tableDef(name) : nullptr;
}

void frmCustomReportSetting::fillSourceList() {
    sourceList_.clear();
    w_.cbTableSel->clear();
    if (!db_) return;
    const QString list = QLatin1Char(',') + tableList_.toUpper() + QLatin1Char(',');
    int n = 0;
    for (const auto& table : db_->schema().tables) {
        const QString name = table->name();
        if (!IsLayoutSourceTable(name)) continue;
        const bool listed =
            tableList_.isEmpty() || list.contains(QLatin1Char(',') + name.toUpper() + QLatin1Char(','));
        if (listed) {
            sourceList_.insert(++n, name);
            w_.cbTableSel->addItem(table->caption(), n);
        }
        int offered = 0;
        for (const datalib::TableDef* t = table.get(); t; t = t->base)
            for (int i = 0; i < t->references.Count(); ++i) {
                const datalib::ReferenceDef& r = t->references.Item(i);
                if (!r.collection) continue;
                const QString entry = name + QLatin1Char('.') + r.name;
                if (!list.contains(QLatin1Char(',') + entry.toUpper() + QLatin1Char(',')) &&
                    !(includeAllReferences_ && listed))
                    continue;
                ++offered;
                sourceList_.insert(++n, entry);
                w_.cbTableSel->addItem(
                    table->caption() + QLatin1Char('.') + (r.description.isEmpty() ? r.name : r.description),
                    n);
            }
        if (offered > 1) {
            sourceList_.insert(++n, name + QLatin1Char('.') + kAllReferences);
            w_.cbTableSel->addItem(table->caption() + QLatin1Char('.') + kAllReferences, n);
        }
    }
}

QString frmCustomReportSetting::GetSelectedTableName() const {
    const QString entry = sourceList_.value(w_.cbTableSel->currentData().toInt());
    const qsizetype dot = entry.indexOf(QLatin1Char('.'));
    return dot < 0 ? entry : entry.left(dot);
}

QString frmCustomReportSetting::GetSelectedReferenceName() const {
    const QString entry = sourceList_.value(w_.cbTableSel->currentData().toInt());
    const qsizetype dot = entry.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : entry.mid(dot + 1);
}

void frmCustomReportSetting::EnableEditControls(bool enable) {
    const QString kept = QStringLiteral(",lblTableSel,cbTableSel,cmdCancel,cdlg,pnlBottom,");
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->isWindow()) continue;
        if (kept.contains(QLatin1Char(',') + w->objectName() + QLatin1Char(','))) continue;
        w->setEnabled(enable);
    }
    // Unnamed labels follow their window's state.
    for (QLabel* l : findChildren<QLabel*>())
        if (l->objectName().isEmpty()) l->setEnabled(enable);
    menus_->setEnabled(enable);
    if (enable)
        assistant_->tmFunc()->start();
    else
        assistant_->tmFunc()->stop();
    if (w_.cboReportGroup->count() < 2) w_.cboReportGroup->setEnabled(false);
    w_.lblReportGroup->setEnabled(w_.cboReportGroup->isEnabled());
}

// ---- Commands ----------------------------------------------------------------------

void frmCustomReportSetting::showFailure(const QString& description) {
    platform::messageBox(description, platform::kOkOnly, QString(), this);
}

void frmCustomReportSetting::cmdCancel_Click() {
    if (modified_) {
        if (platform::messageBox(QStringLiteral("Il profilo è stato modificato...\r\rUscire senza salvare ?"),
                                 platform::kYesNo | platform::kQuestion | platform::kDefaultButton2,
                                 QString(), this) != platform::kAnswerYes)
            return;
        modified_ = false;
    }
    close();
}

void frmCustomReportSetting::closeEvent(QCloseEvent* event) {
    // A save that was wanted but failed keeps the window and the edits.
    if (!askSave()) {
        event->ignore();
        return;
    }
    startup::SaveFormSettings(this);
    QDialog::closeEvent(event);
}

void frmCustomReportSetting::cmdField_Click() {
    menus_->mnuFields->menuAction()->setVisible(true);
    menus_->mnuReferences->menuAction()->setVisible(true);
    assistant_->Queue(QStringLiteral("PopUpTableMenù"));
}

void frmCustomReportSetting::cmdInstruction_Click() {
    menus_->mnuOutputInstructions->menuAction()->setVisible(true);
    menus_->mnuDataInstructions->menuAction()->setVisible(true);
    const bool all = GetSelectedReferenceName() == kAllReferences;
    if (all) menus_->FillIfSectionItems(tableDef(GetSelectedTableName()));
    menus_->mnuRefIfSectionSelection->menuAction()->setVisible(all);
    menus_->PopInstructionMenu();
}

// ---- Focus and resize ---------------------------------------------------------------------

void frmCustomReportSetting::focusQuietly(QWidget* control) {
    // The program moving the focus is no choice of another profile: no question.
    quietFocus_ = true;
    control->setFocus();
    quietFocus_ = false;
}

bool frmCustomReportSetting::eventFilter(QObject* watched, QEvent* event) {
    // Before the user goes to pick another report or source, the changes may
    // be saved. The program's own moves (after a refused save, for one), the
    // focus coming back with the window and from the box's own list are no
    // such step: a refused save would otherwise ask to save again at once.
    if (event->type() == QEvent::FocusIn && (watched == w_.cbTableSel || watched == w_.cbReportName) &&
        !quietFocus_) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) AskSaveChanges();
    }
    return QDialog::eventFilter(watched, event);
}

void frmCustomReportSetting::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (isMinimized() || isMaximized()) return;
    // Never lower than the script's top and two panel heights, nor narrower
    // than the top row up to w_.cmdDefault and the script's left margin again.
    const int minHeight = w_.txtVBScript->y() + 2 * w_.pnlBottom->height();
    const int minWidth = w_.cmdDefault->geometry().right() + 1 + w_.txtVBScript->x();
    if (height() < minHeight || width() < minWidth)
        QTimer::singleShot(0, this, [this, minHeight, minWidth] {
            if (!isMaximized() && !isMinimized())
                resize(std::max(width(), minWidth), std::max(height(), minHeight));
        });
}

}  // namespace reports
