#include "reports/ui/frmCustomReportSetting.h"

#include "controls/MubCommand.h"
#include "core/AppError.h"
#include "core/ItalianText.h"
#include "core/Variant.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Definitions.h"
#include "platform/ui/Desktop.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Printers.h"
#include "reports/LayoutExport.h"
#include "reports/LayoutScript.h"
#include "reports/ReportLayoutRecord.h"
#include "reports/ReportLayouts.h"
#include "reports/ui/LayoutFileCommands.h"
#include "reports/ui/LayoutScriptMenus.h"
#include "reports/ui/RowPicker.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "reports/ui/clsCustomReport.h"
#include "reports/ui/frmCustomReportPreview.h"
#include "reports/ui/modCustomReport.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace reports {

namespace {

QPointer<frmCustomReportSetting>& sharedInstance() {
    static QPointer<frmCustomReportSetting> window;
    return window;
}

const QString kTitleFont = QStringLiteral("Verdana");

QString settingsName() { return QStringLiteral("frmCustomReportSetting"); }

// Text of a stored number as the boxes show it ("32,5").
QString numberText(const core::Variant& value) {
    if (value.isNull() || value.isEmpty()) return QString();
    return core::italian::formatDouble(value.toDouble());
}

// A box's number: Italian ("32,5"), and a lone "." as the decimal point too.
std::optional<double> boxNumber(const QString& text) {
    QString t = text.trimmed();
    if (t.contains(QLatin1Char('.')) && !t.contains(QLatin1Char(',')))
        t.replace(QLatin1Char('.'), QLatin1Char(','));
    if (t.isEmpty()) return std::nullopt;
    return core::italian::parseNumber(t);
}

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
    buildControls();
}

frmCustomReportSetting::~frmCustomReportSetting() = default;

QTimer* frmCustomReportSetting::tmFunc() const { return assistant->tmFunc(); }

void frmCustomReportSetting::buildControls() {
    const auto label = [this](const QString& text) { return new QLabel(text, this); };
    const auto sizeBox = [this](const QString& name, const QString& tip) {
        auto* box = new QLineEdit(this);
        box->setObjectName(name);
        box->setToolTip(tip);
        box->setFont(QFont(QStringLiteral("MS Serif")));
        box->setMaximumWidth(70);
        connect(box, &QLineEdit::textChanged, this, [this] { setModified(); });
        return box;
    };
    const auto combo = [this](const QString& name, const QString& tip, bool editable) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        box->setToolTip(tip);
        box->setEditable(editable);
        box->setFont(QFont(kTitleFont));
        box->setInsertPolicy(QComboBox::NoInsert);
        return box;
    };
    const auto button = [this](const QString& name, const QString& caption, const QString& tip) {
        auto* b = new controls::MubCommand(caption, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        return b;
    };

    lblTableSel = label(QStringLiteral("Sorgente Dati:"));
    lblTableSel->setObjectName(QStringLiteral("lblTableSel"));
    cbTableSel =
        combo(QStringLiteral("cbTableSel"), QStringLiteral("Tabella di origine dei dati da stampare"), false);
    cbReportName =
        combo(QStringLiteral("cbReportName"), QStringLiteral("Nome identificativo del Report"), true);
    lblReportGroup = label(QStringLiteral("Contesto:"));
    lblReportGroup->setObjectName(QStringLiteral("lblReportGroup"));
    cboReportGroup =
        combo(QStringLiteral("cboReportGroup"), QStringLiteral("Nome identificativo del Report"), true);
    cboPrinter = combo(QStringLiteral("cboPrinter"), QStringLiteral("Selezione della stampante "), true);
    chkPrinterSelection = new QCheckBox(QStringLiteral("Selezionabile"), this);
    chkPrinterSelection->setObjectName(QStringLiteral("chkPrinterSelection"));
    chkPrinterSelection->setToolTip(QStringLiteral("Indica che l'utente deve selezionare la stampante"));
    txtColumns =
        sizeBox(QStringLiteral("txtColumns"),
                QStringLiteral("Numero di moduli stampabili nella stessa riga (per copie multiple)"));
    txtColumns->setInputMask(QStringLiteral("9#"));
    chkHorizontal = new QCheckBox(this);
    chkHorizontal->setObjectName(QStringLiteral("chkHorizontal"));
    chkHorizontal->setToolTip(QStringLiteral("Orienta i moduli orizzontalmente (ruota di 90 gradi)"));
    txtReportHeight =
        sizeBox(QStringLiteral("txtReportHeight"), QStringLiteral("Altezza del modulo (millimetri)"));
    txtReportWidth =
        sizeBox(QStringLiteral("txtReportWidth"), QStringLiteral("Larghezza del modulo (millimetri)"));
    txtReportTop =
        sizeBox(QStringLiteral("txtReportTop"), QStringLiteral("Margine superiore del modulo (millimetri)"));
    txtReportLeft =
        sizeBox(QStringLiteral("txtReportLeft"), QStringLiteral("Margine sinistro del modulo (millimetri)"));
    txtReportRowsTop = sizeBox(
        QStringLiteral("txtReportRowsTop"),
        QStringLiteral("Margine superiore dell'area riservata alle righe del prospetto (millimetri)"));
    txtReportRowsBottom = sizeBox(
        QStringLiteral("txtReportRowsBottom"),
        QStringLiteral("Margine inferiore dell'area riservata alle righe del prospetto (millimetri)"));
    txtReportRowsDim =
        sizeBox(QStringLiteral("txtReportRowsDim"),
                QStringLiteral("Dimensione (massima) di una riga del prospetto (millimetri), vedi anche "
                               "prn.RowDimCur per variare in esecuzione"));
    txtBackImage = new QLineEdit(this);
    txtBackImage->setObjectName(QStringLiteral("txtBackImage"));
    txtBackImage->setToolTip(QStringLiteral("File con l'immagine di sfondo (max 150 dpi)"));
    connect(txtBackImage, &QLineEdit::textChanged, this, [this] { setModified(); });
    txtBottomImageBorder = sizeBox(QStringLiteral("txtBottomImageBorder"),
                                   QStringLiteral("Bordo inferiore dell'immagine nel modulo (millimetri)"));
    cmdSelBackImage = button(QStringLiteral("cmdSelBackImage"), QStringLiteral("..."),
                             QStringLiteral("Seleziona l'immagine di sfondo (max 150 dpi)"));
    cmdPrnSetting =
        button(QStringLiteral("cmdPrnSetting"), QString(), QStringLiteral("Impostazione stampanti"));
    cmdPrnSetting->SetPicture(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    cmdDelete = button(QStringLiteral("cmdDelete"), QString(),
                       QStringLiteral("Elimina lo script di stampa corrente"));
    cmdDelete->SetPicture(style()->standardIcon(QStyle::SP_DialogDiscardButton));
    cmdDefault = button(QStringLiteral("cmdDefault"), QStringLiteral("Imposta &Predefinito"),
                        QStringLiteral("Imposta lo script di stampa predefinito"));

    txtVBScript = new QPlainTextEdit(this);
    txtVBScript->setObjectName(QStringLiteral("txtVBScript"));
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    txtVBScript->setFont(courier);
    lblLine = label(QStringLiteral("Line 0/0"));
    lblLine->setObjectName(QStringLiteral("lblLine"));
    lblLine->setToolTip(QStringLiteral("Numero di linea corrente"));

    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    cmdInstruction = button(QStringLiteral("cmdInstruction"), QStringLiteral("Istruzioni"), QString());
    cmdField = button(QStringLiteral("cmdField"), QStringLiteral("Campi >>"), QString());
    cmdOK = button(QStringLiteral("cmdOK"), QStringLiteral("&Salva"),
                   QStringLiteral("Salva lo script di stampa"));
    cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("&Esci"), QString());
    cmdTest = button(QStringLiteral("cmdTest"), QStringLiteral("&Test"),
                     QStringLiteral("Esegue il test di stampa"));
    cmdPreview = button(QStringLiteral("cmdPreview"), QStringLiteral("&Anteprima"),
                        QStringLiteral("Attiva l'anteprima di stampa"));
    cmdSave = button(QStringLiteral("cmdSave"), QStringLiteral("&Esporta"),
                     QStringLiteral("Attiva l' esportazione delllo Script di stampa"));
    cmdLoad = button(QStringLiteral("cmdLoad"), QStringLiteral("&Importa"),
                     QStringLiteral("Attiva l'importazione delllo Script di stampa"));
    for (auto* b : {cmdInstruction, cmdField, cmdOK, cmdCancel, cmdTest, cmdPreview, cmdSave, cmdLoad})
        b->setParent(pnlBottom);

    // Layout: the source and profile rows, the sizes, the script, the buttons.
    auto* top = new QGridLayout;
    int row = 0;
    top->addWidget(lblTableSel, row, 0);
    top->addWidget(cbTableSel, row, 1, 1, 3);
    top->addWidget(label(QStringLiteral("Nome Report:")), row, 4);
    top->addWidget(cbReportName, row, 5, 1, 2);
    top->addWidget(cmdDelete, row, 7);
    top->addWidget(cmdDefault, row, 8);
    ++row;
    top->addWidget(lblReportGroup, row, 0);
    top->addWidget(cboReportGroup, row, 1, 1, 3);
    top->addWidget(label(QStringLiteral("Stampante:")), row, 4);
    top->addWidget(cboPrinter, row, 5, 1, 2);
    top->addWidget(chkPrinterSelection, row, 7);
    top->addWidget(cmdPrnSetting, row, 8);
    ++row;
    const auto pair = [&](int col, const QString& caption, QWidget* box) {
        top->addWidget(label(caption), row, col);
        top->addWidget(box, row, col + 1);
    };
    pair(0, QStringLiteral("Numero di moduli per riga:"), txtColumns);
    pair(2, QStringLiteral("Ordinamento orizzintale:"), chkHorizontal);
    pair(4, QStringLiteral("Altezza modulo (mm):"), txtReportHeight);
    pair(6, QStringLiteral("Larghezza (mm):"), txtReportWidth);
    ++row;
    pair(0, QStringLiteral("Margine Verticale modulo (mm):"), txtReportTop);
    pair(2, QStringLiteral("Orizzontale (mm):"), txtReportLeft);
    pair(4, QStringLiteral("Margine Superiore area righe (mm):"), txtReportRowsTop);
    pair(6, QStringLiteral("Inferiore (mm):"), txtReportRowsBottom);
    ++row;
    pair(0, QStringLiteral("Dimensione righe (mm):"), txtReportRowsDim);
    top->addWidget(label(QStringLiteral("Img. Sfondo:")), row, 2);
    auto* image = new QHBoxLayout;
    image->addWidget(txtBackImage);
    image->addWidget(cmdSelBackImage);
    top->addLayout(image, row, 3, 1, 3);
    pair(6, QStringLiteral("Bordo Inferiore (mm):"), txtBottomImageBorder);
    ++row;
    top->addWidget(
        label(QStringLiteral("N.B.: Tutte le dimensioni e le posizioni sono espresse in millimetri")), row, 0,
        1, 6);
    ++row;
    top->addWidget(label(QStringLiteral("VB Script di composizione comandi per la stampa:")), row, 0, 1, 6);
    top->addWidget(lblLine, row, 7, 1, 2, Qt::AlignRight);

    auto* buttons = new QHBoxLayout(pnlBottom);
    buttons->setContentsMargins(0, 4, 0, 0);
    for (auto* b : {cmdInstruction, cmdField}) buttons->addWidget(b);
    buttons->addStretch();
    for (auto* b : {cmdTest, cmdPreview, cmdSave, cmdLoad, cmdOK, cmdCancel}) buttons->addWidget(b);

    auto* main = new QVBoxLayout(this);
    main->addLayout(top);
    main->addWidget(txtVBScript, 1);
    main->addWidget(pnlBottom);

    // The script assistant and its menus.
    assistant = new ScriptEditorAssistant(
        txtVBScript, lblLine, cmdField,
        [this](const QString& text, int caret) { return ReportScriptDataVarName(text, caret, noteRows_); },
        this);
    connect(assistant, &ScriptEditorAssistant::modified, this, [this] { setModified(); });
    LayoutScriptMenus::Options options;
    options.selectedTableName = [this] { return GetSelectedTableName(); };
    options.selectedReferenceName = [this] { return GetSelectedReferenceName(); };
    options.tableByName = [this](const QString& name) { return tableDef(name); };
    menus = new LayoutScriptMenus(*assistant, this, options);

    // Events.
    connect(cbTableSel, qOverload<int>(&QComboBox::activated), this, [this] { cbTableSel_Click(); });
    connect(cbReportName, qOverload<int>(&QComboBox::activated), this, [this] { cbReportName_Click(); });
    connect(cboPrinter, &QComboBox::currentTextChanged, this, [this] { setModified(); });
    connect(cboReportGroup, &QComboBox::currentTextChanged, this, [this] { setModified(); });
    connect(chkHorizontal, &QCheckBox::toggled, this, [this] { setModified(); });
    connect(chkPrinterSelection, &QCheckBox::toggled, this, [this] { setModified(); });
    cbTableSel->installEventFilter(this);
    cbReportName->installEventFilter(this);
    using Command = void (frmCustomReportSetting::*)();
    const std::pair<controls::MubCommand*, Command> commands[] = {
        {cmdOK, &frmCustomReportSetting::cmdOK_Click},
        {cmdCancel, &frmCustomReportSetting::cmdCancel_Click},
        {cmdDelete, &frmCustomReportSetting::cmdDelete_Click},
        {cmdDefault, &frmCustomReportSetting::cmdDefault_Click},
        {cmdTest, &frmCustomReportSetting::cmdTest_Click},
        {cmdPreview, &frmCustomReportSetting::cmdPreview_Click},
        {cmdPrnSetting, &frmCustomReportSetting::cmdPrnSetting_Click},
        {cmdSelBackImage, &frmCustomReportSetting::cmdSelBackImage_Click},
        {cmdField, &frmCustomReportSetting::cmdField_Click},
        {cmdInstruction, &frmCustomReportSetting::cmdInstruction_Click},
        {cmdSave, &frmCustomReportSetting::cmdSave_Click},
        {cmdLoad, &frmCustomReportSetting::cmdLoad_Click}};
    for (const auto& [button, command] : commands)
        connect(button, &QPushButton::clicked, this, [this, command = command] { (this->*command)(); });
    resize(860, 640);
}

void frmCustomReportSetting::Form_Load() {
    startup::SetFormFont(this, startup::runContext().fontName, startup::runContext().fontSizeDelta);
    cboPrinter->clear();
    cboPrinter->addItems(platform::Printers::installed());
    cboReportGroup->clear();
    cboReportGroup->addItem(QString());
    if (!groupList_.isEmpty()) cboReportGroup->addItems(groupList_.split(QLatin1Char(',')));
    fillSourceList();
    cbTableSel->setCurrentIndex(-1);
    cbReportName->setEditText(QString());
    cboPrinter->setCurrentIndex(-1);
    txtBackImage->clear();
    lblLine->clear();
    menus->FillInstructionItems();
    EnableEditControls(false);
    startup::LoadFormSettings(this, false);
    modified_ = false;
}

void frmCustomReportSetting::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void frmCustomReportSetting::Form_Activate() {
    if (cbTableSel->currentIndex() < 0 && cbTableSel->count() == 1) {
        cbTableSel->setCurrentIndex(0);
        cbTableSel_Click();
    }
}

const datalib::TableDef* frmCustomReportSetting::tableDef(const QString& name) const {
    return db_ && !name.isEmpty() ? db_->tableDef(name) : nullptr;
}

void frmCustomReportSetting::fillSourceList() {
    sourceList_.clear();
    cbTableSel->clear();
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
            cbTableSel->addItem(table->caption(), n);
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
                cbTableSel->addItem(
                    table->caption() + QLatin1Char('.') + (r.description.isEmpty() ? r.name : r.description),
                    n);
            }
        if (offered > 1) {
            sourceList_.insert(++n, name + QLatin1Char('.') + kAllReferences);
            cbTableSel->addItem(table->caption() + QLatin1Char('.') + kAllReferences, n);
        }
    }
}

QString frmCustomReportSetting::GetSelectedTableName() const {
    const QString entry = sourceList_.value(cbTableSel->currentData().toInt());
    const qsizetype dot = entry.indexOf(QLatin1Char('.'));
    return dot < 0 ? entry : entry.left(dot);
}

QString frmCustomReportSetting::GetSelectedReferenceName() const {
    const QString entry = sourceList_.value(cbTableSel->currentData().toInt());
    const qsizetype dot = entry.indexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : entry.mid(dot + 1);
}

QString frmCustomReportSetting::scriptText() const {
    QString text = txtVBScript->toPlainText();
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void frmCustomReportSetting::setScriptText(const QString& script) {
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    txtVBScript->setPlainText(text);  // caret at 0: no trigger fires
    setModified();
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
    menus->setEnabled(enable);
    if (enable)
        tmFunc()->start();
    else
        tmFunc()->stop();
    if (cboReportGroup->count() < 2) cboReportGroup->setEnabled(false);
    lblReportGroup->setEnabled(cboReportGroup->isEnabled());
}

// ---- Profiles ----------------------------------------------------------------------

void frmCustomReportSetting::showFailure(const QString& description) {
    platform::messageBox(description, platform::kOkOnly, QString(), this);
}

void frmCustomReportSetting::cbTableSel_Click() {
    if (cbTableSel->currentIndex() < 0) {
        EnableEditControls(false);
        return;
    }
    try {
        cbReportName->clear();
        auto names = db_->OpenDataSource(
            ReportLayoutRecord::kTableName,
            ReportLayoutRecord::sourceFilter(*db_, GetSelectedTableName(), GetSelectedReferenceName()));
        for (names->RowFirst(); !names->Eof(); names->RowNext())
            cbReportName->addItem(names->ColValueStr(ReportLayoutRecord::kNameColumn));
        cbReportName->setCurrentIndex(-1);
        cbReportName->setEditText(QString());
        LoadProfile();
        EnableEditControls(true);
        focusQuietly(cbReportName);
        if (cbReportName->count() == 1) {
            cbReportName->setCurrentIndex(0);
            cbReportName_Click();
        } else if (isVisible()) {
            // The name list drops down for a choice.
            QTimer::singleShot(0, cbReportName, [box = QPointer<QComboBox>(cbReportName)] {
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
                                            cbReportName->currentText());
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

std::vector<frmCustomReportSetting::SizeBox> frmCustomReportSetting::sizeBoxes() const {
    using R = ReportLayoutRecord;
    using B = ReportLayoutBoxes;
    return {{txtColumns, &R::columns, &B::columns},
            {txtReportHeight, &R::height, &B::height},
            {txtReportWidth, &R::width, &B::width},
            {txtReportTop, &R::top, &B::top},
            {txtReportLeft, &R::left, &B::left},
            {txtReportRowsDim, &R::rowsDim, &B::rowsDim},
            {txtReportRowsTop, &R::rowsTop, &B::rowsTop},
            {txtReportRowsBottom, &R::rowsBottom, &B::rowsBottom},
            {txtBottomImageBorder, &R::bottomImageBorder, &B::bottomImageBorder}};
}

void frmCustomReportSetting::showLayout(const ReportLayoutRecord& layout, bool isNew) {
    for (const SizeBox& s : sizeBoxes()) s.box->setText(numberText(layout.*s.stored));
    txtBackImage->setText(layout.backImage);
    chkHorizontal->setChecked(layout.horizontal);
    setScriptText(layout.script);
    chkPrinterSelection->setChecked(layout.askPrinter);
    if (isNew) {
        if (cboPrinter->count() > 0) {
            cboPrinter->setCurrentIndex(-1);
            cboPrinter->setEditText(QString());
        }
        if (cboReportGroup->count() > 0) cboReportGroup->setCurrentIndex(0);
        return;
    }
    // A stored printer that is not installed stays as the box's text, so
    // saving the profile keeps it.
    const int at = cboPrinter->findText(layout.printer, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) {
        cboPrinter->setCurrentIndex(at);
    } else if (!layout.printer.isEmpty()) {
        cboPrinter->setCurrentIndex(-1);
        cboPrinter->setEditText(layout.printer);
    }
    SelectReportGroup(layout.group);
}

void frmCustomReportSetting::SelectReportGroup(const QString& name) {
    const auto trimEnd = [](const QString& s) {
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
        return s.left(n);
    };
    if (!cboReportGroup->isEnabled()) {
        cboReportGroup->clear();
        if (!trimEnd(name).isEmpty()) {
            cboReportGroup->addItem(name);
            cboReportGroup->setCurrentIndex(0);
        }
        return;
    }
    cboReportGroup->setCurrentIndex(0);
    const QString wanted = trimEnd(name).toUpper();
    for (int i = 0; i < cboReportGroup->count(); ++i)
        if (trimEnd(cboReportGroup->itemText(i)).toUpper() == wanted) {
            cboReportGroup->setCurrentIndex(i);
            break;
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
    const QString name = cbReportName->currentText();
    if (name.isEmpty()) {
        platform::messageBox(QStringLiteral("Devi specificare il nome del Report"), platform::kInformation,
                             QString(), this);
        focusQuietly(cbReportName);
        return false;
    }
    if (cboPrinter->currentText().isEmpty()) {
        platform::messageBox(QStringLiteral("Devi selezionare la stampante"), platform::kInformation,
                             QString(), this);
        focusQuietly(cboPrinter);
        return false;
    }
    try {
        const QString table = GetSelectedTableName();
        const QString reference = GetSelectedReferenceName();
        auto row = ReportLayoutRecord::open(*db_, table, reference, name);
        row->RowFirst();
        const bool picked =
            cbReportName->currentIndex() >= 0 && cbReportName->itemText(cbReportName->currentIndex()) == name;
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
            const auto n = boxNumber(s.box->text());
            layout.*s.stored = n ? core::Variant(*n) : core::Variant(s.box->text());
        }
        layout.backImage = txtBackImage->text();
        layout.printer = cboPrinter->currentText();
        layout.script = scriptText();
        layout.group = cboReportGroup->currentText();
        layout.horizontal = chkHorizontal->isChecked();
        layout.askPrinter = chkPrinterSelection->isChecked();
        try {
            layout.writeTo(*row);
        } catch (...) {
            row->CancelUpdate();
            throw;
        }
        const bool added = row->Save();
        if (added) {
            cbReportName->addItem(name);
            cbReportName->setCurrentIndex(cbReportName->count() - 1);
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

// ---- Commands ----------------------------------------------------------------------

void frmCustomReportSetting::cmdOK_Click() {
    if (SaveProfile())
        platform::messageBox(QStringLiteral("Impostazioni Salvate."), platform::kInformation, QString(),
                             this);
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

void frmCustomReportSetting::cmdDelete_Click() {
    if (cbReportName->currentIndex() < 0 ||
        cbReportName->itemText(cbReportName->currentIndex()) != cbReportName->currentText()) {
        platform::messageBox(QStringLiteral("Devi selezionare il Report da eliminare"),
                             platform::kExclamation, QString(), this);
        if (cbReportName->isEnabled()) focusQuietly(cbReportName);
        return;
    }
    if (platform::messageBox(QStringLiteral("Eliminare il profilo del Report corrente?"),
                             platform::kYesNo | platform::kQuestion | platform::kDefaultButton2, QString(),
                             this) != platform::kAnswerYes)
        return;
    try {
        auto row = ReportLayoutRecord::open(*db_, GetSelectedTableName(), GetSelectedReferenceName(),
                                            cbReportName->currentText());
        row->RowFirst();
        if (row->Eof()) {
            platform::messageBox(QStringLiteral("Il Report con questo nome non è presente in archivio"),
                                 platform::kOkOnly, QString(), this);
            return;
        }
        row->DeleteRow();
        cbReportName->removeItem(cbReportName->currentIndex());
        platform::messageBox(QStringLiteral("Profilo eliminato."), platform::kInformation, QString(), this);
        LoadProfile();
    } catch (const core::AppError& e) {
        showFailure(e.description());
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    }
}

void frmCustomReportSetting::cmdDefault_Click() {
    setScriptText(DefaultReportText(noteRows_));
    txtReportTop->setText(QStringLiteral("5"));
    txtReportLeft->setText(QStringLiteral("5"));
}

void frmCustomReportSetting::cmdPrnSetting_Click() {
    QPrinter printer;
    const QPrinterInfo info = QPrinterInfo::printerInfo(cboPrinter->currentText());
    if (!info.isNull()) printer.setPrinterName(info.printerName());
    QPageSetupDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Impostazione stampanti"));
    dialog.exec();  // nothing is read back
}

void frmCustomReportSetting::cmdSelBackImage_Click() {
    const QString file = platform::openFileName(this, QStringLiteral("Img. Sfondo"), txtBackImage->text(),
                                                QStringLiteral("Immagine (*.*)"));
    if (!file.isEmpty()) txtBackImage->setText(file);
}

void frmCustomReportSetting::cmdField_Click() {
    menus->mnuFields->menuAction()->setVisible(true);
    menus->mnuReferences->menuAction()->setVisible(true);
    assistant->Queue(QStringLiteral("PopUpTableMenù"));
}

void frmCustomReportSetting::cmdInstruction_Click() {
    menus->mnuOutputInstructions->menuAction()->setVisible(true);
    menus->mnuDataInstructions->menuAction()->setVisible(true);
    const bool all = GetSelectedReferenceName() == kAllReferences;
    if (all) menus->FillIfSectionItems(tableDef(GetSelectedTableName()));
    menus->mnuRefIfSectionSelection->menuAction()->setVisible(all);
    menus->PopInstructionMenu();
}

void frmCustomReportSetting::runLayout(bool preview) {
    // The boxes as numbers; a box without one is named and nothing runs.
    struct Box {
        QLineEdit* box;
        const char* caption;
    };
    const Box boxes[] = {{txtReportHeight, "Altezza modulo (mm)"},
                         {txtReportWidth, "Larghezza (mm)"},
                         {txtReportTop, "Margine Verticale modulo (mm)"},
                         {txtReportLeft, "Orizzontale (mm)"},
                         {txtColumns, "Numero di moduli per riga"},
                         {txtReportRowsDim, "Dimensione righe (mm)"},
                         {txtReportRowsTop, "Margine Superiore area righe (mm)"},
                         {txtReportRowsBottom, "Inferiore (mm)"},
                         {txtBottomImageBorder, "Bordo Inferiore (mm)"}};
    float values[std::size(boxes)];
    for (size_t i = 0; i < std::size(boxes); ++i) {
        const auto n = boxNumber(boxes[i].box->text());
        if (!n) {
            showFailure(QStringLiteral("Il valore di \"") + QString::fromUtf8(boxes[i].caption) +
                        QStringLiteral("\" non è un numero: \"") + boxes[i].box->text() +
                        QStringLiteral("\""));
            return;
        }
        values[i] = float(*n);
    }
    try {
        auto ds = db_->OpenDataSource(GetSelectedTableName());
        const QString reference = GetSelectedReferenceName();
        if (!reference.isEmpty()) {
            const auto chosen = PickDataRow(this, *ds);
            if (!chosen || !ds->MoveToBookmark(*chosen)) return;
        }
        clsCustomReport::Device device;
        std::unique_ptr<frmCustomReportPreview> previewWindow;
        if (preview) {
            previewWindow = std::make_unique<frmCustomReportPreview>(this);
            device.preview = previewWindow.get();
        } else {
            // A printer that is not installed (none chosen yet, or a stored one
            // missing here): the current printer, as the runner prints.
            device.printer = platform::Printers::openJob(this, cboPrinter->currentText(), QString(),
                                                         cbReportName->currentText());
            if (!device.printer) return;
        }
        auto prn = std::make_shared<clsCustomReport>();
        prn->SetParameter(device, values[0], values[1], values[2], values[3], std::int16_t(values[4]),
                          values[5], values[6], values[7], txtBackImage->text(), values[8], scriptText(),
                          chkHorizontal->isChecked(), cboReportGroup->currentText());
        const RunOutcome outcome = RunCustomReport(this, ds, prn, reference, cbReportName->currentText(),
                                                   kRunTest, preview, 1, QString(), std::nullopt, QString());
        // Said only of a page that went to the printer.
        if (!preview && outcome != RunOutcome::Failed) {
            if (device.printer->delivered())
                platform::messageBox(QStringLiteral("La pagina di test è stata stampata"),
                                     platform::kInformation, QString(), this);
            else
                platform::messageBox(QStringLiteral("La pagina di test è vuota: non è stato stampato nulla"),
                                     platform::kInformation, QString(), this);
        }
    } catch (const core::AppError& e) {
        showFailure(e.description());
    } catch (const std::exception& e) {
        showFailure(QString::fromUtf8(e.what()));
    }
    txtVBScript->setFocus();
}

void frmCustomReportSetting::cmdTest_Click() { runLayout(false); }
void frmCustomReportSetting::cmdPreview_Click() { runLayout(true); }

// ---- Export and import -------------------------------------------------------------------

ReportLayoutBoxes frmCustomReportSetting::boxesShown() const {
    ReportLayoutBoxes boxes;
    boxes.name = cbReportName->currentText();
    boxes.group = cboReportGroup->currentText();
    boxes.backImage = txtBackImage->text();
    for (const SizeBox& s : sizeBoxes()) boxes.*s.exported = s.box->text();
    boxes.horizontal = chkHorizontal->isChecked();
    return boxes;
}

void frmCustomReportSetting::cmdSave_Click() {
    ExportLayoutCommand(this, QStringLiteral("ReportPrint.vbs"), ReportExportSettings(boxesShown()),
                        scriptText());
}

void frmCustomReportSetting::cmdLoad_Click() {
    const auto file = ImportLayoutCommand(this, QStringLiteral("ReportPrint.vbs"), ReportExportKeys());
    if (!file) return;
    // The whole file was read: only now do the boxes change.
    ReportLayoutBoxes boxes = boxesShown();
    ApplyReportImport(
        *file, boxes,
        [this](int position) {
            if (position >= 0 && position < cboReportGroup->count())
                cboReportGroup->setCurrentIndex(position);
        },
        [this](const QString& name) { SelectReportGroup(name); });
    if (cbReportName->currentText().isEmpty()) cbReportName->setEditText(boxes.name);
    txtBackImage->setText(boxes.backImage);
    for (const SizeBox& s : sizeBoxes()) s.box->setText(boxes.*s.exported);
    chkHorizontal->setChecked(boxes.horizontal);
    setScriptText(file->script);
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
    if (event->type() == QEvent::FocusIn && (watched == cbTableSel || watched == cbReportName) &&
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
    // than the top row up to cmdDefault and the script's left margin again.
    const int minHeight = txtVBScript->y() + 2 * pnlBottom->height();
    const int minWidth = cmdDefault->geometry().right() + 1 + txtVBScript->x();
    if (height() < minHeight || width() < minWidth)
        QTimer::singleShot(0, this, [this, minHeight, minWidth] {
            if (!isMaximized() && !isMinimized())
                resize(std::max(width(), minWidth), std::max(height(), minHeight));
        });
}

}  // namespace reports
