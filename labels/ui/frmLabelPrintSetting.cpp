#include "labels/ui/frmLabelPrintSetting.h"

#include "controls/MubCommand.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "labels/LabelLayoutFile.h"
#include "labels/LabelLayoutRecord.h"
#include "labels/ui/frmLabelPreview.h"
#include "labels/ui/modLabelPrint.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "reports/ReportLayouts.h"
#include "reports/ScriptAssistant.h"
#include "reports/ui/LayoutFileCommands.h"
#include "reports/ui/LayoutScriptMenus.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>

namespace labels {

namespace {

bool inList(const QString& list, const QString& name) {
    return (QLatin1Char(',') + list.toUpper() + QLatin1Char(','))
        .contains(QLatin1Char(',') + name.toUpper() + QLatin1Char(','));
}

}  // namespace

frmLabelPrintSetting::frmLabelPrintSetting(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmLabelPrintSetting"));
    setWindowTitle(QStringLiteral("Impostazione stampa etichette"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    bindControls();
}

frmLabelPrintSetting::~frmLabelPrintSetting() = default;

frmLabelPreview* frmLabelPrintSetting::sharedPreview() {
    static QPointer<frmLabelPreview> preview;
    if (!preview) preview = new frmLabelPreview();
    return preview;
}

void frmLabelPrintSetting::bindControls() {
    w_ = BuildLabelPrintSettingWidgets(this);
    for (QLineEdit* box :
         {w_.txtColumns, w_.txtLabelHeight, w_.txtLabelWidth, w_.txtLabelTop, w_.txtLabelLeft, w_.txtCopy})
        platform::connectGuarded(box, &QLineEdit::textChanged, this, &frmLabelPrintSetting::setModified);
    for (QCheckBox* check : {w_.chkPrinterSelection, w_.chkHorizontal, w_.chkEnableLabelAlignment})
        platform::connectGuarded(check, &QCheckBox::toggled, this, &frmLabelPrintSetting::setModified);
    platform::connectGuarded(w_.cboPrinter, &QComboBox::editTextChanged, this,
                             &frmLabelPrintSetting::setModified);
    resize(760, 620);

    platform::connectGuarded(w_.cbTableSel, qOverload<int>(&QComboBox::activated), this,
                             [this] { cbTableSel_Click(); });
    platform::connectGuarded(w_.cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    platform::connectGuarded(w_.cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    platform::connectGuarded(w_.cmdDefault, &QPushButton::clicked, this, [this] { cmdDefault_Click(); });
    platform::connectGuarded(w_.cmdPrnSetting, &QPushButton::clicked, this,
                             [this] { cmdPrnSetting_Click(); });
    platform::connectGuarded(w_.cmdTest, &QPushButton::clicked, this, [this] { runLabels(false); });
    platform::connectGuarded(w_.cmdPreview, &QPushButton::clicked, this, [this] { runLabels(true); });
    platform::connectGuarded(w_.cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    platform::connectGuarded(w_.cmdLoad, &QPushButton::clicked, this, [this] { cmdLoad_Click(); });

    // The script assistant (the label script's data set is always `ds`)
    // and its menus, built once per chosen table.
    assistant_ = std::make_unique<reports::ScriptEditorAssistant>(
        w_.txtVBScript, w_.lblLine, w_.cmdField, [](const QString&, int) { return QStringLiteral("ds"); });
    assistant_->tmFunc()->setObjectName(QStringLiteral("tmFunc"));
    connect(assistant_.get(), &reports::ScriptEditorAssistant::modified, this,
            &frmLabelPrintSetting::setModified);
    reports::LayoutScriptMenus::Options options;
    options.outputCaption = QStringLiteral("Di Presentazione");
    options.dataCaption = QStringLiteral("Di Accesso ai Dati");
    options.referenceAccessKey = false;
    options.referenceSections = false;
    options.selectedTableName = [this] { return GetSelectedTableName(); };
    options.tableByName = [this](const QString& name) { return db_ ? db_->tableDef(name) : nullptr; };
    menus_ = new reports::LayoutScriptMenus(*assistant_, this, std::move(options));
    assistant_->onFieldMenu = [this] { menus_->PopFieldMenu(); };
    assistant_->onReferenceMenu = [this] { menus_->PopReferenceMenu(); };
    assistant_->setAction(QStringLiteral("LoadTableMenù"), [this] {
        menus_->FillFieldMenus(db_ ? db_->tableDef(GetSelectedTableName()) : nullptr);
        EnableFormControls(true);
    });
    platform::connectGuarded(w_.cmdInstruction, &QPushButton::clicked, this, [this] {
        menus_->mnuOutputInstructions->menuAction()->setVisible(true);
        menus_->mnuDataInstructions->menuAction()->setVisible(true);
        menus_->PopInstructionMenu();
    });
    platform::connectGuarded(w_.cmdField, &QPushButton::clicked, this, [this] {
        menus_->mnuFields->menuAction()->setVisible(true);
        menus_->mnuReferences->menuAction()->setVisible(true);
        menus_->PopFieldMenu();
    });
}

void frmLabelPrintSetting::EditSetting(QWidget* owner, std::shared_ptr<datalib::Database> db,
                                       const QString& tableList, const QString& defaultScript) {
    db_ = std::move(db);
    tableList_ = tableList;
    defaultScript_ = defaultScript;
    if (owner && parentWidget() != owner) setParent(owner, Qt::Window);
    if (!loaded_) loadWindow();
    show();
    raise();
    activateWindow();
}

void frmLabelPrintSetting::loadWindow() {
    loaded_ = true;
    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
    w_.cboPrinter->clear();
    w_.cboPrinter->addItems(platform::Printers::installed());
    w_.cboPrinter->setCurrentIndex(-1);
    w_.cbTableSel->clear();
    if (db_)
        for (int i = 0; i < db_->TableCount(); ++i) {
            // The library keeps its own tables apart; the layout tables are
            // no data to print.
            const datalib::TableDef& def = db_->Tables(i)->definition();
            if (!reports::IsLayoutSourceTable(def.name())) continue;
            if (!tableList_.isEmpty() && !inList(tableList_, def.name())) continue;
            w_.cbTableSel->addItem(def.caption(), i);
        }
    w_.cbTableSel->setCurrentIndex(-1);
    w_.txtVBScript->clear();
    modified_ = false;
    menus_->FillInstructionItems();
    EnableFormControls(false);
    startup::LoadFormSettings(this, false);
}

void frmLabelPrintSetting::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    chooseSingleTable();
}

void frmLabelPrintSetting::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) chooseSingleTable();
}

void frmLabelPrintSetting::chooseSingleTable() {
    if (w_.cbTableSel->count() == 1 && w_.cbTableSel->currentIndex() < 0) {
        w_.cbTableSel->setCurrentIndex(0);
        cbTableSel_Click();
    }
}

QString frmLabelPrintSetting::GetSelectedTableName() const {
    if (!db_ || w_.cbTableSel->currentIndex() < 0) return {};
    return db_->Tables(w_.cbTableSel->currentData().toInt())->Name();
}

void frmLabelPrintSetting::EnableFormControls(bool enable) {
    static const QString kept = QStringLiteral(",cbTableSel,cmdCancel,cdlg,pnlBottom,");
    for (QWidget* w : findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
            kept.contains(QLatin1Char(',') + name + QLatin1Char(',')))
            continue;
        w->setEnabled(enable);
    }
    menus_->setEnabled(enable);
    if (!enable) assistant_->tmFunc()->stop();
}

void frmLabelPrintSetting::setScript(const QString& script) {
    // The box keeps one character per line end; the script is stored with CR LF.
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    w_.txtVBScript->setPlainText(text);
}

QString frmLabelPrintSetting::scriptText() const {
    return w_.txtVBScript->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void frmLabelPrintSetting::cbTableSel_Click() {
    if (w_.cbTableSel->currentIndex() < 0) {
        EnableFormControls(false);
        return;
    }
    try {
        const QString table = GetSelectedTableName();
        auto row =
            db_->OpenDataSource(LabelLayoutRecord::kTableName, LabelLayoutRecord::sourceFilter(*db_, table));
        if (row->DataEmpty()) {
            showLayout(LabelLayoutRecord::newLayout());
            modified_ = true;  // the script box was filled
        } else {
            row->RowFirst();
            showLayout(LabelLayoutRecord::readFrom(*row));
            modified_ = false;
        }
    } catch (const core::AppError&) {
        return;  // the controls keep what was set; the menus are not rebuilt
    }
    assistant_->Queue(QStringLiteral("LoadTableMenù"));
}

void frmLabelPrintSetting::BuildColValueText(const QString& field) { menus_->InsertColValue(field); }

void frmLabelPrintSetting::LoadReferenceMenu(const datalib::ReferenceDef& reference) {
    menus_->BuildReferenceMenus(&reference);
}

void frmLabelPrintSetting::cmdOK_Click() {
    if (w_.cboPrinter->currentText().isEmpty()) {
        platform::messageBox(QStringLiteral("Devi selezionare la stampante"), platform::kInformation,
                             platform::softwareName(), this);
        w_.cboPrinter->setFocus();
        return;
    }
    std::shared_ptr<datalib::DataSource> row;
    try {
        const QString table = GetSelectedTableName();
        row =
            db_->OpenDataSource(LabelLayoutRecord::kTableName, LabelLayoutRecord::sourceFilter(*db_, table));
        if (row->DataEmpty())
            row->AddNew();
        else
            row->RowFirst();
        // A box's number (Italian comma or point) goes as a number; anything
        // else as typed, for the library to refuse with its own message.
        const auto number = [](const QLineEdit* box) {
            const auto n = BoxNumber(box->text());
            return n ? core::Variant(*n) : core::Variant(box->text());
        };
        LabelLayoutRecord layout;
        layout.sourceTable = table;
        layout.columns = number(w_.txtColumns);
        layout.script = scriptText();
        layout.width = number(w_.txtLabelWidth);
        layout.height = number(w_.txtLabelHeight);
        layout.top = number(w_.txtLabelTop);
        layout.left = number(w_.txtLabelLeft);
        layout.printer = w_.cboPrinter->currentText();
        layout.horizontal = w_.chkHorizontal->isChecked();
        layout.enableAlignment = w_.chkEnableLabelAlignment->isChecked();
        layout.askPrinter = w_.chkPrinterSelection->isChecked();
        layout.copies = number(w_.txtCopy);
        layout.writeTo(*row);
        row->Save();
    } catch (const core::AppError& e) {
        // Nothing half-filled is kept; the boxes and the flag stay.
        if (row && row->IsEditing()) row->CancelUpdate();
        platform::messageBox(e.description(), platform::kOkOnly, platform::softwareName(), this);
        return;
    }
    platform::messageBox(QStringLiteral("Impostazioni Salvate."), platform::kInformation,
                         platform::softwareName(), this);
    modified_ = false;
}

bool frmLabelPrintSetting::askLeave() {
    if (!modified_) return true;
    return platform::messageBox(QStringLiteral("Lo script è stato modificato...\r\rUscire senza salvare ?"),
                                platform::kYesNo | platform::kQuestion | platform::kDefaultButton2,
                                platform::softwareName(), this) == core::kAnswerYes;
}

void frmLabelPrintSetting::cmdCancel_Click() {
    if (!askLeave()) return;
    leaving_ = true;
    close();
    leaving_ = false;
}

void frmLabelPrintSetting::closeEvent(QCloseEvent* event) {
    // The title bar's close asks as "Esci" does.
    if (!leaving_ && !askLeave()) {
        event->ignore();
        return;
    }
    startup::SaveFormSettings(this);
    event->accept();
}

void frmLabelPrintSetting::cmdDefault_Click() {
    setScript(defaultScript_.isEmpty() ? DefaultLabelScript() : defaultScript_);
}

void frmLabelPrintSetting::cmdPrnSetting_Click() {
    platform::Printers::choosePrinter(this, QStringLiteral("Impostazione stampanti"), 1);
}

void frmLabelPrintSetting::runLabels(bool preview) {
    // Every size box must hold a number; the first that does not is named.
    const std::pair<QLineEdit*, const char*> boxes[] = {{w_.txtLabelHeight, "Altezza Etichetta"},
                                                        {w_.txtLabelWidth, "Larghezza"},
                                                        {w_.txtLabelTop, "Margine Superiore"},
                                                        {w_.txtLabelLeft, "Margine Sinistro"},
                                                        {w_.txtColumns, "Numero di etichette per riga"}};
    double values[5] = {};
    for (int i = 0; i < 5; ++i) {
        const auto n = BoxNumber(boxes[i].first->text());
        if (!n) {
            platform::messageBox(QStringLiteral("Il valore di \"%1\" non è un numero: \"%2\".")
                                     .arg(QString::fromUtf8(boxes[i].second), boxes[i].first->text()),
                                 platform::kOkOnly | platform::kExclamation, platform::softwareName(), this);
            boxes[i].first->setFocus();
            return;
        }
        values[i] = *n;
    }
    try {
        auto ds = db_->OpenDataSource(GetSelectedTableName());
        LabelDevice device;
        if (preview)
            device.window = sharedPreview();
        else
            device.printer = w_.cboPrinter->currentText();
        PreviewLabels(device, ds, float(values[0]), float(values[1]), float(values[2]), float(values[3]),
                      std::int32_t(std::clamp(values[4], -2147483648.0, 2147483647.0)),
                      w_.chkHorizontal->isChecked(), scriptText(), true);
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kOkOnly, platform::softwareName(), this);
    }
}

LabelLayoutBoxes frmLabelPrintSetting::boxesShown() const {
    LabelLayoutBoxes b;
    b.columns = w_.txtColumns->text();
    b.height = w_.txtLabelHeight->text();
    b.width = w_.txtLabelWidth->text();
    b.top = w_.txtLabelTop->text();
    b.left = w_.txtLabelLeft->text();
    b.copies = w_.txtCopy->text();
    b.horizontal = w_.chkHorizontal->isChecked();
    b.enableAlignment = w_.chkEnableLabelAlignment->isChecked();
    return b;
}

void frmLabelPrintSetting::showLayout(const LabelLayoutRecord& layout) {
    const auto text = [](const core::Variant& value) {
        return value.isEmptyOrNull() ? QString() : value.toString();
    };
    const QString copies = text(layout.copies);
    showBoxes({text(layout.columns), text(layout.height), text(layout.width), text(layout.top),
               text(layout.left), copies.isEmpty() ? QStringLiteral("1") : copies, layout.horizontal,
               layout.enableAlignment});
    w_.chkPrinterSelection->setChecked(layout.askPrinter);
    setScript(layout.script);
    // A stored printer that is not installed stays as the box's text, so
    // that saving keeps it.
    const int at = w_.cboPrinter->findText(layout.printer, Qt::MatchExactly | Qt::MatchCaseSensitive);
    w_.cboPrinter->setCurrentIndex(at);
    w_.cboPrinter->setEditText(layout.printer);
}

void frmLabelPrintSetting::showBoxes(const LabelLayoutBoxes& b) {
    w_.txtColumns->setText(b.columns);
    w_.txtLabelHeight->setText(b.height);
    w_.txtLabelWidth->setText(b.width);
    w_.txtLabelTop->setText(b.top);
    w_.txtLabelLeft->setText(b.left);
    w_.txtCopy->setText(b.copies);
    w_.chkHorizontal->setChecked(b.horizontal);
    w_.chkEnableLabelAlignment->setChecked(b.enableAlignment);
}

void frmLabelPrintSetting::cmdSave_Click() {
    reports::ExportLayoutCommand(this, QStringLiteral("LabelPrint.vbs"), LabelExportSettings(boxesShown()),
                                 scriptText());
}

void frmLabelPrintSetting::cmdLoad_Click() {
    const auto file = reports::ImportLayoutCommand(this, QStringLiteral("LabelPrint.vbs"), LabelExportKeys());
    if (!file) return;  // the script stays as it was
    LabelLayoutBoxes b = boxesShown();
    ApplyLabelImport(*file, b);
    showBoxes(b);
    setScript(file->script);
    modified_ = true;
}

}  // namespace labels
