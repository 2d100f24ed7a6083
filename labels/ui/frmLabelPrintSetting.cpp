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
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

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
    buildControls();
}

frmLabelPrintSetting::~frmLabelPrintSetting() = default;

frmLabelPreview* frmLabelPrintSetting::sharedPreview() {
    static QPointer<frmLabelPreview> preview;
    if (!preview) preview = new frmLabelPreview();
    return preview;
}

void frmLabelPrintSetting::buildControls() {
    const auto label = [this](const QString& text) { return new QLabel(text, this); };
    const auto box = [this](const char* name, const QString& tip) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setToolTip(tip);
        edit->setFont(QFont(QStringLiteral("MS Serif")));
        edit->setMaximumWidth(80);
        connect(edit, &QLineEdit::textChanged, this, &frmLabelPrintSetting::setModified);
        return edit;
    };
    const auto check = [this](const char* name, const QString& caption, const QString& tip) {
        auto* c = new QCheckBox(caption, this);
        c->setObjectName(QLatin1String(name));
        c->setToolTip(tip);
        connect(c, &QCheckBox::toggled, this, &frmLabelPrintSetting::setModified);
        return c;
    };
    const auto button = [this](const char* name, const QString& caption, const QString& tip,
                               QWidget* parent) {
        auto* b = new controls::MubCommand(caption, parent);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };

    cbTableSel_ = new QComboBox(this);
    cbTableSel_->setObjectName(QStringLiteral("cbTableSel"));
    cbTableSel_->setMinimumWidth(220);
    cboPrinter_ = new QComboBox(this);
    cboPrinter_->setObjectName(QStringLiteral("cboPrinter"));
    cboPrinter_->setEditable(true);
    cboPrinter_->setToolTip(QStringLiteral("Stampante etichette"));
    cboPrinter_->setMinimumWidth(220);
    connect(cboPrinter_, &QComboBox::editTextChanged, this, &frmLabelPrintSetting::setModified);
    chkPrinterSelection_ = check("chkPrinterSelection", QStringLiteral("Selezionabile"),
                                 QStringLiteral("Indica che l'utente deve selezionare la stampante"));
    txtColumns_ =
        box("txtColumns", QStringLiteral("Numero di etichette stampabili nella stessa riga del modulo"));
    txtLabelHeight_ = box("txtLabelHeight", QStringLiteral("Altezza dell'etichetta (millimetri)"));
    txtLabelWidth_ = box("txtLabelWidth", QStringLiteral("Larghezza dell'etichetta (millimetri)"));
    txtLabelTop_ = box("txtLabelTop", QStringLiteral("Margine superiore della prima etichetta (millimetri)"));
    txtLabelLeft_ =
        box("txtLabelLeft", QStringLiteral("Margine sinistro della prima etichetta (millimetri)"));
    chkHorizontal_ = check("chkHorizontal", QStringLiteral("Orientamento Orizzontale:"),
                           QStringLiteral("Orienta i moduli orizzontalmente (ruota di 90 gradi)"));
    chkHorizontal_->setLayoutDirection(Qt::RightToLeft);
    chkEnableLabelAlignment_ =
        check("chkEnableLabelAlignment", QStringLiteral("Richiedi Posizione Iniziale Etichette:"),
              QStringLiteral("Richiede all'utente il numero di eventuali etichette da saltare"));
    chkEnableLabelAlignment_->setLayoutDirection(Qt::RightToLeft);
    txtCopy_ = box("txtCopy", QStringLiteral("Numero di copie per ogni etichetta"));
    txtVBScript_ = new QPlainTextEdit(this);
    txtVBScript_->setObjectName(QStringLiteral("txtVBScript"));
    txtVBScript_->setFont(QFont(QStringLiteral("Courier New"), 10));
    lblLine_ = new QLabel(QStringLiteral("Line 0/0"), this);
    lblLine_->setObjectName(QStringLiteral("lblLine"));
    lblLine_->setToolTip(QStringLiteral("Numero di linea corrente"));
    auto* cmdPrnSetting =
        button("cmdPrnSetting", QStringLiteral("..."), QStringLiteral("Impostazione stampanti"), this);
    auto* cmdInstruction = button("cmdInstruction", QStringLiteral("Istruzioni"), QString(), this);
    cmdField_ = button("cmdField", QStringLiteral("Campi >>"), QString(), this);

    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("Sorgente Dati:")), 0, 0);
    grid->addWidget(cbTableSel_, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Stampante:")), 1, 0);
    grid->addWidget(cboPrinter_, 1, 1, 1, 2);
    grid->addWidget(cmdPrnSetting, 1, 3);
    grid->addWidget(chkPrinterSelection_, 1, 4);
    grid->addWidget(label(QStringLiteral("Numero di etichette per riga:")), 2, 0);
    grid->addWidget(txtColumns_, 2, 1);
    grid->addWidget(chkHorizontal_, 2, 2, 1, 2);
    grid->addWidget(label(QStringLiteral("Altezza Etichetta (mm):")), 3, 0);
    grid->addWidget(txtLabelHeight_, 3, 1);
    grid->addWidget(label(QStringLiteral("Larghezza (mm):")), 3, 2);
    grid->addWidget(txtLabelWidth_, 3, 3);
    grid->addWidget(label(QStringLiteral("Margine Superiore (mm):")), 4, 0);
    grid->addWidget(txtLabelTop_, 4, 1);
    grid->addWidget(label(QStringLiteral("Sinistro (mm):")), 4, 2);
    grid->addWidget(txtLabelLeft_, 4, 3);
    grid->addWidget(chkEnableLabelAlignment_, 5, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Numero di copie per etichetta:")), 5, 2);
    grid->addWidget(txtCopy_, 5, 3);
    grid->addWidget(
        label(QStringLiteral("N.B.: Tutte le dimensioni e le posizioni sono espresse in millimetri")), 6, 0,
        1, 4);
    grid->setColumnStretch(5, 1);

    auto* scriptHead = new QHBoxLayout;
    scriptHead->addWidget(
        label(QStringLiteral("VB Script di composizione comandi per la stampa dell'etichetta:")));
    scriptHead->addStretch();
    scriptHead->addWidget(lblLine_);
    scriptHead->addWidget(cmdInstruction);
    scriptHead->addWidget(cmdField_);

    pnlBottom_ = new QWidget(this);
    pnlBottom_->setObjectName(QStringLiteral("pnlBottom"));
    auto* bottom = new QHBoxLayout(pnlBottom_);
    bottom->setContentsMargins(0, 0, 0, 0);
    auto* cmdOK =
        button("cmdOK", QStringLiteral("&Salva"), QStringLiteral("Salva lo script di stampa"), pnlBottom_);
    auto* cmdDefault = button("cmdDefault", QStringLiteral("Imposta &Predefinito"),
                              QStringLiteral("Imposta lo script di stampa predefinito"), pnlBottom_);
    auto* cmdTest =
        button("cmdTest", QStringLiteral("&Test"), QStringLiteral("Esegue il test di stampa"), pnlBottom_);
    auto* cmdPreview = button("cmdPreview", QStringLiteral("&Anteprima"),
                              QStringLiteral("Attiva l'anteprima di stampa"), pnlBottom_);
    auto* cmdLoad = button("cmdLoad", QStringLiteral("&Importa"),
                           QStringLiteral("Attiva l'importazione delllo Script di stampa"), pnlBottom_);
    auto* cmdSave = button("cmdSave", QStringLiteral("&Esporta"),
                           QStringLiteral("Attiva l'esportazione delllo Script di stampa"), pnlBottom_);
    auto* cmdCancel = button("cmdCancel", QStringLiteral("&Esci"), QString(), pnlBottom_);
    for (QWidget* b :
         {static_cast<QWidget*>(cmdOK), static_cast<QWidget*>(cmdDefault), static_cast<QWidget*>(cmdTest),
          static_cast<QWidget*>(cmdPreview), static_cast<QWidget*>(cmdLoad), static_cast<QWidget*>(cmdSave)})
        bottom->addWidget(b);
    bottom->addStretch();
    bottom->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(scriptHead);
    layout->addWidget(txtVBScript_, 1);
    layout->addWidget(pnlBottom_);
    resize(760, 620);

    connect(cbTableSel_, qOverload<int>(&QComboBox::activated), this, [this] { cbTableSel_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdDefault, &QPushButton::clicked, this, [this] { cmdDefault_Click(); });
    connect(cmdPrnSetting, &QPushButton::clicked, this, [this] { cmdPrnSetting_Click(); });
    connect(cmdTest, &QPushButton::clicked, this, [this] { runLabels(false); });
    connect(cmdPreview, &QPushButton::clicked, this, [this] { runLabels(true); });
    connect(cmdSave, &QPushButton::clicked, this, [this] { cmdSave_Click(); });
    connect(cmdLoad, &QPushButton::clicked, this, [this] { cmdLoad_Click(); });

    // The script assistant (the label script's data set is always `ds`)
    // and its menus, built once per chosen table.
    assistant_ = std::make_unique<reports::ScriptEditorAssistant>(
        txtVBScript_, lblLine_, cmdField_, [](const QString&, int) { return QStringLiteral("ds"); });
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
    connect(cmdInstruction, &QPushButton::clicked, this, [this] {
        menus_->mnuOutputInstructions->menuAction()->setVisible(true);
        menus_->mnuDataInstructions->menuAction()->setVisible(true);
        menus_->PopInstructionMenu();
    });
    connect(cmdField_, &QPushButton::clicked, this, [this] {
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
    cboPrinter_->clear();
    cboPrinter_->addItems(platform::Printers::installed());
    cboPrinter_->setCurrentIndex(-1);
    cbTableSel_->clear();
    if (db_)
        for (int i = 0; i < db_->TableCount(); ++i) {
            // The library keeps its own tables apart; the layout tables are
            // no data to print.
            const datalib::TableDef& def = db_->Tables(i)->definition();
            if (!reports::IsLayoutSourceTable(def.name())) continue;
            if (!tableList_.isEmpty() && !inList(tableList_, def.name())) continue;
            cbTableSel_->addItem(def.caption(), i);
        }
    cbTableSel_->setCurrentIndex(-1);
    txtVBScript_->clear();
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
    if (cbTableSel_->count() == 1 && cbTableSel_->currentIndex() < 0) {
        cbTableSel_->setCurrentIndex(0);
        cbTableSel_Click();
    }
}

QString frmLabelPrintSetting::GetSelectedTableName() const {
    if (!db_ || cbTableSel_->currentIndex() < 0) return {};
    return db_->Tables(cbTableSel_->currentData().toInt())->Name();
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
    txtVBScript_->setPlainText(text);
}

QString frmLabelPrintSetting::scriptText() const {
    return txtVBScript_->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void frmLabelPrintSetting::cbTableSel_Click() {
    if (cbTableSel_->currentIndex() < 0) {
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
    if (cboPrinter_->currentText().isEmpty()) {
        platform::messageBox(QStringLiteral("Devi selezionare la stampante"), platform::kInformation,
                             platform::softwareName(), this);
        cboPrinter_->setFocus();
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
        layout.columns = number(txtColumns_);
        layout.script = scriptText();
        layout.width = number(txtLabelWidth_);
        layout.height = number(txtLabelHeight_);
        layout.top = number(txtLabelTop_);
        layout.left = number(txtLabelLeft_);
        layout.printer = cboPrinter_->currentText();
        layout.horizontal = chkHorizontal_->isChecked();
        layout.enableAlignment = chkEnableLabelAlignment_->isChecked();
        layout.askPrinter = chkPrinterSelection_->isChecked();
        layout.copies = number(txtCopy_);
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
    const std::pair<QLineEdit*, const char*> boxes[] = {{txtLabelHeight_, "Altezza Etichetta"},
                                                        {txtLabelWidth_, "Larghezza"},
                                                        {txtLabelTop_, "Margine Superiore"},
                                                        {txtLabelLeft_, "Margine Sinistro"},
                                                        {txtColumns_, "Numero di etichette per riga"}};
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
            device.printer = cboPrinter_->currentText();
        PreviewLabels(device, ds, float(values[0]), float(values[1]), float(values[2]), float(values[3]),
                      std::int32_t(std::clamp(values[4], -2147483648.0, 2147483647.0)),
                      chkHorizontal_->isChecked(), scriptText(), true);
    } catch (const core::AppError& e) {
        platform::messageBox(e.description(), platform::kOkOnly, platform::softwareName(), this);
    }
}

LabelLayoutBoxes frmLabelPrintSetting::boxesShown() const {
    LabelLayoutBoxes b;
    b.columns = txtColumns_->text();
    b.height = txtLabelHeight_->text();
    b.width = txtLabelWidth_->text();
    b.top = txtLabelTop_->text();
    b.left = txtLabelLeft_->text();
    b.copies = txtCopy_->text();
    b.horizontal = chkHorizontal_->isChecked();
    b.enableAlignment = chkEnableLabelAlignment_->isChecked();
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
    chkPrinterSelection_->setChecked(layout.askPrinter);
    setScript(layout.script);
    // A stored printer that is not installed stays as the box's text, so
    // that saving keeps it.
    const int at = cboPrinter_->findText(layout.printer, Qt::MatchExactly | Qt::MatchCaseSensitive);
    cboPrinter_->setCurrentIndex(at);
    cboPrinter_->setEditText(layout.printer);
}

void frmLabelPrintSetting::showBoxes(const LabelLayoutBoxes& b) {
    txtColumns_->setText(b.columns);
    txtLabelHeight_->setText(b.height);
    txtLabelWidth_->setText(b.width);
    txtLabelTop_->setText(b.top);
    txtLabelLeft_->setText(b.left);
    txtCopy_->setText(b.copies);
    chkHorizontal_->setChecked(b.horizontal);
    chkEnableLabelAlignment_->setChecked(b.enableAlignment);
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
