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
    bindControls();
}

frmCustomReportSetting::~frmCustomReportSetting() = default;

void frmCustomReportSetting::bindControls() {
    w_ = BuildCustomReportSettingWidgets(this);
    for (QLineEdit* box : {w_.txtColumns, w_.txtReportHeight, w_.txtReportWidth, w_.txtReportTop,
                           w_.txtReportLeft, w_.txtReportRowsTop, w_.txtReportRowsBottom, w_.txtReportRowsDim,
                           w_.txtBackImage, w_.txtBottomImageBorder})
        connect(box, &QLineEdit::textChanged, this, [this] { setModified(); });

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
    connect(w_.cbTableSel, qOverload<int>(&QComboBox::activated), this, [this] { cbTableSel_Click(); });
    connect(w_.cbReportName, qOverload<int>(&QComboBox::activated), this, [this] { cbReportName_Click(); });
    connect(w_.cboPrinter, &QComboBox::currentTextChanged, this, [this] { setModified(); });
    connect(w_.cboReportGroup, &QComboBox::currentTextChanged, this, [this] { setModified(); });
    connect(w_.chkHorizontal, &QCheckBox::toggled, this, [this] { setModified(); });
    connect(w_.chkPrinterSelection, &QCheckBox::toggled, this, [this] { setModified(); });
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
        connect(button, &QPushButton::clicked, this, [this, command = command] { (this->*command)(); });
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

QString frmCustomReportSetting::scriptText() const {
    QString text = w_.txtVBScript->toPlainText();
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

void frmCustomReportSetting::setScriptText(const QString& script) {
    QString text = script;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    w_.txtVBScript->setPlainText(text);  // caret at 0: no trigger fires
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
    menus_->setEnabled(enable);
    if (enable)
        assistant_->tmFunc()->start();
    else
        assistant_->tmFunc()->stop();
    if (w_.cboReportGroup->count() < 2) w_.cboReportGroup->setEnabled(false);
    w_.lblReportGroup->setEnabled(w_.cboReportGroup->isEnabled());
}

// ---- Profiles ----------------------------------------------------------------------

void frmCustomReportSetting::showFailure(const QString& description) {
    platform::messageBox(description, platform::kOkOnly, QString(), this);
}

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

std::vector<frmCustomReportSetting::SizeBox> frmCustomReportSetting::sizeBoxes() const {
    using R = ReportLayoutRecord;
    using B = ReportLayoutBoxes;
    return {{w_.txtColumns, &R::columns, &B::columns},
            {w_.txtReportHeight, &R::height, &B::height},
            {w_.txtReportWidth, &R::width, &B::width},
            {w_.txtReportTop, &R::top, &B::top},
            {w_.txtReportLeft, &R::left, &B::left},
            {w_.txtReportRowsDim, &R::rowsDim, &B::rowsDim},
            {w_.txtReportRowsTop, &R::rowsTop, &B::rowsTop},
            {w_.txtReportRowsBottom, &R::rowsBottom, &B::rowsBottom},
            {w_.txtBottomImageBorder, &R::bottomImageBorder, &B::bottomImageBorder}};
}

void frmCustomReportSetting::showLayout(const ReportLayoutRecord& layout, bool isNew) {
    for (const SizeBox& s : sizeBoxes()) s.box->setText(numberText(layout.*s.stored));
    w_.txtBackImage->setText(layout.backImage);
    w_.chkHorizontal->setChecked(layout.horizontal);
    setScriptText(layout.script);
    w_.chkPrinterSelection->setChecked(layout.askPrinter);
    if (isNew) {
        if (w_.cboPrinter->count() > 0) {
            w_.cboPrinter->setCurrentIndex(-1);
            w_.cboPrinter->setEditText(QString());
        }
        if (w_.cboReportGroup->count() > 0) w_.cboReportGroup->setCurrentIndex(0);
        return;
    }
    // A stored printer that is not installed stays as the box's text, so
    // saving the profile keeps it.
    const int at = w_.cboPrinter->findText(layout.printer, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0) {
        w_.cboPrinter->setCurrentIndex(at);
    } else if (!layout.printer.isEmpty()) {
        w_.cboPrinter->setCurrentIndex(-1);
        w_.cboPrinter->setEditText(layout.printer);
    }
    SelectReportGroup(layout.group);
}

void frmCustomReportSetting::SelectReportGroup(const QString& name) {
    const auto trimEnd = [](const QString& s) {
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] == QLatin1Char(' ')) --n;
        return s.left(n);
    };
    if (!w_.cboReportGroup->isEnabled()) {
        w_.cboReportGroup->clear();
        if (!trimEnd(name).isEmpty()) {
            w_.cboReportGroup->addItem(name);
            w_.cboReportGroup->setCurrentIndex(0);
        }
        return;
    }
    w_.cboReportGroup->setCurrentIndex(0);
    const QString wanted = trimEnd(name).toUpper();
    for (int i = 0; i < w_.cboReportGroup->count(); ++i)
        if (trimEnd(w_.cboReportGroup->itemText(i)).toUpper() == wanted) {
            w_.cboReportGroup->setCurrentIndex(i);
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
            const auto n = boxNumber(s.box->text());
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

void frmCustomReportSetting::cmdDefault_Click() {
    setScriptText(DefaultReportText(noteRows_));
    w_.txtReportTop->setText(QStringLiteral("5"));
    w_.txtReportLeft->setText(QStringLiteral("5"));
}

void frmCustomReportSetting::cmdPrnSetting_Click() {
    QPrinter printer;
    const QPrinterInfo info = QPrinterInfo::printerInfo(w_.cboPrinter->currentText());
    if (!info.isNull()) printer.setPrinterName(info.printerName());
    QPageSetupDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Impostazione stampanti"));
    dialog.exec();  // nothing is read back
}

void frmCustomReportSetting::cmdSelBackImage_Click() {
    const QString file = platform::openFileName(this, QStringLiteral("Img. Sfondo"), w_.txtBackImage->text(),
                                                QStringLiteral("Immagine (*.*)"));
    if (!file.isEmpty()) w_.txtBackImage->setText(file);
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

void frmCustomReportSetting::runLayout(bool preview) {
    // The boxes as numbers; a box without one is named and nothing runs.
    struct Box {
        QLineEdit* box;
        const char* caption;
    };
    const Box boxes[] = {{w_.txtReportHeight, "Altezza modulo (mm)"},
                         {w_.txtReportWidth, "Larghezza (mm)"},
                         {w_.txtReportTop, "Margine Verticale modulo (mm)"},
                         {w_.txtReportLeft, "Orizzontale (mm)"},
                         {w_.txtColumns, "Numero di moduli per riga"},
                         {w_.txtReportRowsDim, "Dimensione righe (mm)"},
                         {w_.txtReportRowsTop, "Margine Superiore area righe (mm)"},
                         {w_.txtReportRowsBottom, "Inferiore (mm)"},
                         {w_.txtBottomImageBorder, "Bordo Inferiore (mm)"}};
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
            device.printer = platform::Printers::openJob(this, w_.cboPrinter->currentText(), QString(),
                                                         w_.cbReportName->currentText());
            if (!device.printer) return;
        }
        auto prn = std::make_shared<clsCustomReport>();
        prn->SetParameter(device, values[0], values[1], values[2], values[3], std::int16_t(values[4]),
                          values[5], values[6], values[7], w_.txtBackImage->text(), values[8], scriptText(),
                          w_.chkHorizontal->isChecked(), w_.cboReportGroup->currentText());
        const RunOutcome outcome = RunCustomReport(this, ds, prn, reference, w_.cbReportName->currentText(),
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
    w_.txtVBScript->setFocus();
}

void frmCustomReportSetting::cmdTest_Click() { runLayout(false); }
void frmCustomReportSetting::cmdPreview_Click() { runLayout(true); }

// ---- Export and import -------------------------------------------------------------------

ReportLayoutBoxes frmCustomReportSetting::boxesShown() const {
    ReportLayoutBoxes boxes;
    boxes.name = w_.cbReportName->currentText();
    boxes.group = w_.cboReportGroup->currentText();
    boxes.backImage = w_.txtBackImage->text();
    for (const SizeBox& s : sizeBoxes()) boxes.*s.exported = s.box->text();
    boxes.horizontal = w_.chkHorizontal->isChecked();
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
            if (position >= 0 && position < w_.cboReportGroup->count())
                w_.cboReportGroup->setCurrentIndex(position);
        },
        [this](const QString& name) { SelectReportGroup(name); });
    if (w_.cbReportName->currentText().isEmpty()) w_.cbReportName->setEditText(boxes.name);
    w_.txtBackImage->setText(boxes.backImage);
    for (const SizeBox& s : sizeBoxes()) s.box->setText(boxes.*s.exported);
    w_.chkHorizontal->setChecked(boxes.horizontal);
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
