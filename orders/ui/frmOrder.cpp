#include "orders/ui/frmOrder.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "core/Clock.h"
#include "core/RaiseError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "orders/BarcodeReader.h"
#include "orders/OrderRules.h"
#include "orders/ui/KeyClock.h"
#include "orders/ui/frmSetQantity.h"
#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "startup/Common.h"
#include "startup/RunContext.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace orders::ui {

namespace {

QPointer<frmOrder>& openWindow() {
    static QPointer<frmOrder> window;
    return window;
}

const QString kAnyChoice = QStringLiteral("- QUALSIASI -");
const QString kComplements = QStringLiteral("COMPLEMENTI");
const char* const kOrderSection = "Ordine";

// The header fields shown in the two panels of the window.
const QString kHeaderFields = QStringLiteral(
    "Numero,Cliente,DataInserimento,Listino,TipoPagamento,BancaDiAppoggio,Destinazione,TipoPorto,Vettore,"
    "DataRichiestaConsegna,Riferimento,Note");
const QString kTotalFields =
    QStringLiteral("ImportoMerce,ImportoSconti,ImportoImponibile,ImportoImposta,ImportoTotale");

// Hourglass for the scope of a command.
class WaitCursor {
  public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

datalib::Database& database() {
    auto& db = startup::runContext().database;
    if (!db) core::RaiseGenericError(QStringLiteral("frmOrder"), QStringLiteral("Database non aperto"));
    return *db;
}

datalib::Engine& engine() {
    auto& e = startup::runContext().engine;
    if (!e) core::RaiseGenericError(QStringLiteral("frmOrder"), QStringLiteral("Database non aperto"));
    return *e;
}

std::function<void(const QString&)>& stepObserver() {
    static std::function<void(const QString&)> observer;
    return observer;
}

void step(const char* name) {
    if (stepObserver()) stepObserver()(QString::fromLatin1(name));
}

int box(const QString& text, int style, QWidget* owner) {
    return platform::messageBox(text, style, QString(), owner);
}

}  // namespace

// ---- Loading and the entry points ---------------------------------------------

frmOrder::frmOrder(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName(QStringLiteral("frmOrder"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(BaseCaption());
    openWindow() = this;

    // Form_Load
    m_blnNewOrder = true;
    m_strRowColumns = orders::RowColumnList();
    buildControls();
    const auto& rc = startup::runContext();
    startup::SetFormFont(this, rc.fontName, rc.fontSizeDelta);
    txtCode_Articolo_->clear();
    chkRequest_Quantita_->setChecked(startup::StrToBoolean(
        platform::SettingsStore::get(platform::appName(), QString::fromLatin1(kOrderSection),
                                     QStringLiteral("ChiediQuantità"), QStringLiteral("1"))));
    startup::LoadFormSettings(this);

    try {
        m_objLinee = database().OpenDataSource(QStringLiteral("Linee"),
                                               QStringLiteral("Descrizione <> '' AND NOT Disabilitato"),
                                               QStringLiteral("Descrizione"));
        for (m_objLinee->RowFirst(); !m_objLinee->Eof(); m_objLinee->RowNext())
            cmbLinea_->addItem(m_objLinee->ColValueStr(QStringLiteral("Descrizione")),
                               m_objLinee->ColValueStr(QStringLiteral("Codice")));
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
    cmbLinea_->addItem(kAnyChoice);
    cmbLinea_->setCurrentIndex(cmbLinea_->count() - 1);
    cmbTipoCategoria_->addItem(rc.baseDescription.isEmpty() ? QStringLiteral("BASE") : rc.baseDescription);
    cmbTipoCategoria_->addItem(kComplements);
    cmbTipoCategoria_->addItem(kAnyChoice);
    cmbTipoCategoria_->setCurrentIndex(2);
    RefreshCategorie();

    m_objGridSettings = std::make_unique<controls::ViewGridSettings>(
        controls::ViewGridSettings::DefaultFileName(), QString::fromLatin1(kOrderSection));
    qApp->installEventFilter(this);
}

frmOrder::~frmOrder() {
    qApp->removeEventFilter(this);
    if (!unloaded_) Form_Unload();
    if (m_objRigheOrdine && m_objEvents_RigheOrdine >= 0)
        m_objRigheOrdine->disconnectRefresh(m_objEvents_RigheOrdine);
}

frmOrder* frmOrder::Instance() { return openWindow().data(); }

void frmOrder::SetStepObserver(std::function<void(const QString&)> observer) {
    stepObserver() = std::move(observer);
}

frmOrder* frmOrder::NewOrder(QWidget* owner) {
    if (frmOrder* open = Instance()) {
        open->show();
        open->raise();
        open->activateWindow();
        return open;
    }
    auto* w = new frmOrder(owner);
    w->show();
    w->raise();
    w->activateWindow();
    // The activation starts the order; also where the platform gives none.
    QTimer::singleShot(0, w, [p = QPointer<frmOrder>(w)] {
        if (p) p->Form_Activate();
    });
    return w;
}

frmOrder* frmOrder::Edit_Ordine(QWidget* owner, const std::shared_ptr<datalib::DataSource>& order) {
    if (!order || !order->RowValid()) return nullptr;
    if (frmOrder* open = Instance()) {
        // One order at a time: the one being written stays as it is.
        if (open->HasOpenOrder() || open->m_blnNewOrder) {
            open->show();
            open->raise();
            open->activateWindow();
            box(QStringLiteral(
                    "C'è già un ordine aperto: confermarlo o annullarlo prima di aprirne un altro."),
                platform::kOkOnly | platform::kExclamation, open);
            return open;
        }
        open->unloadWindow();
    }
    auto* w = new frmOrder(owner);
    if (!w->OpenForEditing(order)) return nullptr;
    return w;
}

bool frmOrder::CloseOpenOrder() {
    frmOrder* open = Instance();
    if (!open) return true;
    return open->close();
}

bool frmOrder::HasOpenOrder() const { return m_objOrdine && m_objOrdine->RowValid(); }

bool frmOrder::OpenForEditing(const std::shared_ptr<datalib::DataSource>& order) {
    bool began = false;
    try {
        // Our own cursor on the order: the caller's view may move meanwhile.
        auto own = database().OpenDataSource(QStringLiteral("Ordini"));
        if (!own->MoveToKey(order->RowKey()))
            core::RaiseGenericError(
                QStringLiteral("frmOrder"),
                QStringLiteral("L'ordine non è più disponibile oppure è stato eliminato"));
        engine().BeginTrans();
        began = true;
        ownTransaction_ = true;
        startup::SetOrderOpen(true);
        WaitCursor wait;
        m_objOrdine = own;
        m_blnNewOrder = false;
        editing_ = true;
        show();
        raise();
        activateWindow();
        SetOrderCaption();
        RefreshRelatedOrders();
        return true;
    } catch (const core::AppError& e) {
        showFailure(e, QStringLiteral("Impossibile modificare"));
        m_objOrdine.reset();
        if (began) endTransaction(false);
        unloadWindow();
        return false;
    }
}

void frmOrder::Form_Activate() {
    if (activating_ || unloaded_) return;
    if (!m_objOrdine && m_blnNewOrder) {
        activating_ = true;
        const bool ok = Add_Order();
        activating_ = false;
        if (ok)
            m_blnNewOrder = false;
        else
            unloadWindow();
    }
}

bool frmOrder::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate && m_blnNewOrder && !m_objOrdine && !activating_)
        QTimer::singleShot(0, this, &frmOrder::Form_Activate);
    return QWidget::event(e);
}

// ---- Starting an order -------------------------------------------------------------

bool frmOrder::VerifyDayFromLastAdjourn() { return orders::VerifyDayFromLastAdjourn(database()); }

bool frmOrder::Add_Order() {
    platform::BoxOwner boxes(this);
    const QString agent = startup::runContext().codeAgente;
    if (agent.isEmpty()) {
        box(QStringLiteral("Codice dell'Agente non impostato."), platform::kOkOnly | platform::kExclamation,
            this);
        return false;
    }
    bool began = false;
    try {
        datalib::Database& db = database();
        auto agents = db.OpenDataSource(QStringLiteral("Agenti"),
                                        QStringLiteral("Codice=") + db.FormatStringForQuery(agent));
        if (agents->DataEmpty()) {
            box(QStringLiteral(
                    "Codice dell'Agente impostato non è valido oppure non risulta abilitato per la "
                    "postazione corrente."),
                platform::kOkOnly | platform::kExclamation, this);
            return false;
        }
        if (!VerifyDayFromLastAdjourn()) return false;

        m_objOrdine = db.OpenDataSource(QStringLiteral("Ordini"));
        auto customers = m_objOrdine->SelectReference(QStringLiteral("Cliente"));
        const core::Variant customer =
            controls::ViewUtility::View(customers, this)
                .PickList(QStringLiteral("Selezione Cliente"), QString(), QStringLiteral("Codice"), true);
        if (customer.isEmptyOrNull()) {
            m_objOrdine.reset();
            return false;
        }
        if (db.Tables(QStringLiteral("Banche"))->IsEmpty()) {
            auto banks = db.OpenDataSource(QStringLiteral("Banche"));
            const core::Variant bank = controls::ViewUtility::View(banks, this)
                                           .PickList(QStringLiteral("Banche"), QString(), QString(), true);
            if (bank.isEmptyOrNull()) {
                m_objOrdine.reset();
                return false;
            }
        }

        startup::frmMessage::instance()->ShowMsg(QStringLiteral("Nuovo ordine..."), this, -1, -1);
        engine().BeginTrans();
        began = true;
        ownTransaction_ = true;
        startup::SetOrderOpen(true);
        // The insertion date is the order table's own stamp: nothing is
        // passed for it here.
        const core::Variant key = m_objOrdine->InsertFromPairs(
            {core::Variant(QStringLiteral("Cliente")), customer, core::Variant(QStringLiteral("Agente")),
             core::Variant(agent), core::Variant(QStringLiteral("Completato")), core::Variant(false)});
        m_objOrdine->MoveToKey(key);
        editing_ = false;
        SetOrderCaption();
        startup::frmMessage::Unload();
        // The agent goes on typing codes: the code box has the focus.
        ResetCodeEntry();
        return true;
    } catch (const core::AppError& e) {
        startup::frmMessage::Unload();
        showFailure(e, QStringLiteral("Impossibile aggiungere l' Ordine"));
        m_objOrdine.reset();
        if (began) endTransaction(false);
        return false;
    }
}

void frmOrder::endTransaction(bool commit) {
    if (!ownTransaction_) return;
    ownTransaction_ = false;
    startup::SetOrderOpen(false);
    auto& e = startup::runContext().engine;
    if (!e || !e->InTransaction()) return;
    if (commit)
        e->CommitTrans();
    else
        e->Rollback();
}

// ---- Caption, related orders, editing ------------------------------------------------

void frmOrder::SetOrderCaption() {
    DataPanel_->Bind(m_objOrdine, kHeaderFields);
    DataPanelTotal_->Bind(m_objOrdine, kTotalFields);
    DataPanelTotal_->SetReadOnly(true);

    // Rebuilt from the start every time: a further order in the same window
    // does not add a second agent part.
    QString caption = BaseCaption();
    if (editing_) caption += QStringLiteral(" - MODIFICA ");
    const QString agent = startup::runContext().codeAgente;
    if (!agent.isEmpty()) {
        datalib::Database& db = database();
        auto agents = db.OpenDataSource(QStringLiteral("Agenti"),
                                        QStringLiteral("Codice=") + db.FormatStringForQuery(agent));
        if (!agents->DataEmpty()) {
            agents->RowFirst();
            caption += QStringLiteral("  -  Agente: ") +
                       agents->ColValueStr(QStringLiteral("RagioneSociale")) + QStringLiteral("  (") + agent +
                       QStringLiteral(")");
        } else {
            caption += QStringLiteral("  -  Agente: ") + agent;
        }
    }
    setWindowTitle(caption);

    RefreshPromoKitList();
    bool locked = m_objOrdine && m_objOrdine->ColValueBool(QStringLiteral("NonModificabile"));
    // An order already sent to head office is not the agent's to change.
    if (m_objOrdine && !agent.isEmpty() && m_objOrdine->ColValueBool(QStringLiteral("InviatoSede")))
        locked = true;
    SetEditEnabled(!locked);
    Refresh_Articoli();
}

void frmOrder::SetEditEnabled(bool enabled) {
    txtCode_Articolo_->setEnabled(enabled);
    cmdAddRow_->setEnabled(enabled);
    chkRequest_Quantita_->setEnabled(enabled);
    cmdSetQuantity_->setEnabled(enabled);
    cmdDeleteRow_->setEnabled(enabled);
    cmdAddPromoKit_->setVisible(enabled);
    DataPanel_->SetReadOnly(!enabled);
}

void frmOrder::RefreshRelatedOrders() {
    lblRelate_Ordini_->hide();
    cboRelate_Ordini_->hide();
    if (!HasOpenOrder()) return;
    // Orders of the same customer written at the same moment: those split
    // apart when they were sent.
    const QString filter = m_objOrdine->EqualityCondition(QStringLiteral("Cliente")) +
                           QStringLiteral(" AND ") +
                           m_objOrdine->EqualityCondition(QStringLiteral("DataInserimento"));
    auto related = m_objOrdine->GetDataSource(QStringLiteral("Ordini"), 0, filter);
    if (related->RowCount() <= 1) return;
    const QSignalBlocker block(cboRelate_Ordini_);
    cboRelate_Ordini_->clear();
    for (related->RowFirst(); !related->Eof(); related->RowNext())
        cboRelate_Ordini_->addItem(related->ColValueStr(QStringLiteral("Numero")));
    cboRelate_Ordini_->setCurrentText(m_objOrdine->ColValueStr(QStringLiteral("Numero")));
    lblRelate_Ordini_->show();
    cboRelate_Ordini_->show();
}

void frmOrder::cboRelate_Ordini_Click() {
    const QString number = cboRelate_Ordini_->currentText();
    if (number.isEmpty() || !m_objOrdine || number == m_objOrdine->ColValueStr(QStringLiteral("Numero")))
        return;
    bool found = false;
    try {
        found = m_objOrdine->FindFirst(QStringLiteral("Numero=") + database().FormatStringForQuery(number));
        if (found) SetOrderCaption();
    } catch (const core::AppError&) {
        return;
    }
    if (!found) {
        box(QStringLiteral("L'ordine non è più disponibile oppure è stato eliminato"), platform::kOkOnly,
            this);
        unloadWindow();
    }
}

// ---- Confirming and cancelling ---------------------------------------------------------

void frmOrder::cmdConfirm_Click() {
    if (!m_objRigheOrdine || !HasOpenOrder()) return;
    platform::BoxOwner boxes(this);
    if (m_objRigheOrdine->DataEmpty()) {
        box(QStringLiteral("ORDINE INCOMPLETO.\r\rDevi inserire almeno un elemento..."),
            platform::kOkOnly | platform::kExclamation, this);
        ResetCodeEntry();
        return;
    }
    try {
        {
            WaitCursor wait;
            cmdConfirm_->setEnabled(false);
            cmdCancel_->setEnabled(false);
            if (!startup::CommitEditingControls(this)) {
                // A field whose text does not convert: the order stays open
                // and unconfirmed, the field has the focus and its text.
                cmdConfirm_->setEnabled(true);
                cmdCancel_->setEnabled(true);
                return;
            }
            m_objOrdine->SetColValue(QStringLiteral("Completato"), true);
            m_objOrdine->Save();
            step("completato");
            auto customer = m_objOrdine->GetReference(QStringLiteral("Cliente"));
            if (customer && customer->RowValid())
                platform::SettingsStore::save(platform::appName(), QString::fromLatin1(kOrderSection),
                                              QStringLiteral("ClienteDefault"),
                                              QString::number(customer->OID()));
            step("commit");
            endTransaction(true);
            step("confermato");
            m_objOrdine.reset();
            if (m_objRigheOrdine && m_objEvents_RigheOrdine >= 0)
                m_objRigheOrdine->disconnectRefresh(m_objEvents_RigheOrdine);
            m_objEvents_RigheOrdine = -1;
            cmdConfirm_->setEnabled(true);
            cmdCancel_->setEnabled(true);
        }
        QApplication::beep();
        if (box(QStringLiteral("ORDINE CONFERMATO.\r\rInserire un altro ordine ?"),
                platform::kYesNo | platform::kInformation, this) != platform::kAnswerYes) {
            unloadWindow();
            return;
        }
        editing_ = false;
        if (!Add_Order()) unloadWindow();
    } catch (const core::AppError& e) {
        startup::frmMessage::Unload();
        showFailure(e, QStringLiteral("Errore in conferma dati: \r\r") + e.description());
        cmdConfirm_->setEnabled(true);
        cmdCancel_->setEnabled(true);
    }
}

void frmOrder::cmdCancel_Click() {
    if (lstHelp_ArticoliLib_->isVisible()) {
        lstHelp_ArticoliLib_->hide();
        txtCode_Articolo_->setFocus();
        return;
    }
    platform::BoxOwner boxes(this);
    try {
        if (HasOpenOrder() && m_objRigheOrdine && !m_objRigheOrdine->DataEmpty() &&
            !m_objOrdine->ColValueBool(QStringLiteral("Completato"))) {
            if (box(QStringLiteral("VUOI ANNULLARE L'INTERO ORDINE ?"),
                    platform::kYesNo | platform::kQuestion | platform::kDefaultButton2,
                    this) != platform::kAnswerYes)
                return;
            if (!CancelOrder()) return;  // the failure was shown; the order stays open
            if (box(QStringLiteral("ORDINE ANNULLATO.\r\rContinuare con un nuovo ordine ?"),
                    platform::kYesNo | platform::kQuestion, this) == platform::kAnswerYes) {
                editing_ = false;
                if (Add_Order()) return;
            }
            unloadWindow();
            return;
        }
        // No rows, or an order already confirmed: closing cancels it.
        if (CancelOrder()) unloadWindow();
    } catch (const core::AppError& e) {
        showFailure(e, QStringLiteral("Errore in annullamento dati: \r\r") + e.description());
        unloadWindow();
    }
}

bool frmOrder::CancelOrder() {
    WaitCursor wait;
    try {
        const bool hadOrder = m_objOrdine && m_objOrdine->RowValid();
        if (hadOrder) {
            if (m_objOrdine->ColValueBool(QStringLiteral("Completato"))) {
                // What was typed is kept only when it converts; otherwise the
                // window stays open on the field.
                if (!startup::CommitEditingControls(this)) return false;
                // A confirmed order opened for editing keeps its changes:
                // the header is saved, so its totals go with the rows.
                if (m_objOrdine->IsChanged()) m_objOrdine->Save();
            } else {
                auto* msg = startup::frmMessage::instance();
                msg->ShowMsg(QStringLiteral("Annullamento in corso..."), this, -1, -1);
                {
                    datalib::NamedLock lock(*m_objOrdine, QString::fromLatin1(orders::kLockPromo));
                    m_objOrdine->CancelUpdate();
                    m_objOrdine->DeleteRow();
                }
                startup::frmMessage::Unload();
            }
        }
        if (m_objRigheOrdine && m_objEvents_RigheOrdine >= 0)
            m_objRigheOrdine->disconnectRefresh(m_objEvents_RigheOrdine);
        m_objEvents_RigheOrdine = -1;
        m_objOrdine.reset();
        m_objRigheOrdine.reset();
        dgRighe_->Bind(nullptr, nullptr);
        DataPanel_->Bind(nullptr);
        DataPanelTotal_->Bind(nullptr);
        if (hadOrder) step("chiusura");
        endTransaction(true);
        if (hadOrder) step("chiuso");
        return true;
    } catch (const core::AppError& e) {
        startup::frmMessage::Unload();
        showFailure(e, QString());
        return false;
    }
}

bool frmOrder::Form_QueryUnload(bool fromCloseBox) {
    // The close box asks as the cancel button does: an order being written is
    // never dropped by one click.
    if (fromCloseBox && HasOpenOrder() && m_objRigheOrdine && !m_objRigheOrdine->DataEmpty() &&
        !m_objOrdine->ColValueBool(QStringLiteral("Completato"))) {
        platform::BoxOwner boxes(this);
        if (box(QStringLiteral("VUOI ANNULLARE L'INTERO ORDINE ?"),
                platform::kYesNo | platform::kQuestion | platform::kDefaultButton2,
                this) != platform::kAnswerYes)
            return false;
    }
    return CancelOrder();
}

void frmOrder::closeEvent(QCloseEvent* e) {
    if (unloaded_) {
        e->accept();
        return;
    }
    if (!Form_QueryUnload(!unloading_)) {
        unloading_ = false;
        e->ignore();
        return;
    }
    Form_Unload();
    e->accept();
}

void frmOrder::unloadWindow() {
    unloading_ = true;
    if (!close()) unloading_ = false;
}

void frmOrder::Form_Unload() {
    unloaded_ = true;
    tmtHelp_ArticoliLib_->stop();
    startup::SaveFormSettings(this);
    if (m_objGridSettings) m_objGridSettings->WriteFile();
    // Whatever is still open is given up (a failed cancel left it).
    endTransaction(false);
    if (openWindow() == this) openWindow() = nullptr;
}

void frmOrder::showFailure(const core::AppError& e, const QString& message) {
    // A refusal of the library was shown when it happened.
    if (e.cancelled()) return;
    platform::BoxOwner boxes(this);
    startup::ShowError(e, message, this);
}

// ---- Controls -----------------------------------------------------------------------------

void frmOrder::buildControls() {
    auto command = [this](const char* name, const QString& caption, const QString& tip) {
        auto* b = new controls::MubCommand(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };

    DataPanel_ = new controls::DataPanel(this);
    DataPanel_->setObjectName(QStringLiteral("DataPanel"));
    DataPanelTotal_ = new controls::DataPanel(this);
    DataPanelTotal_->setObjectName(QStringLiteral("DataPanelTotal"));

    // Article selection, left.
    auto* lblArticolo = new QLabel(QStringLiteral("SELEZIONE ARTICOLO"), this);
    lblArticolo->setObjectName(QStringLiteral("lblArticolo"));
    txtCode_Articolo_ = new QLineEdit(this);
    txtCode_Articolo_->setObjectName(QStringLiteral("txtCode_Articolo"));
    txtCode_Articolo_->setToolTip(QStringLiteral("Codice o descrizione articolo"));
    lstHelp_ArticoliLib_ = new QListWidget(this);
    lstHelp_ArticoliLib_->setObjectName(QStringLiteral("lstHelp_ArticoliLib"));
    lstHelp_ArticoliLib_->hide();
    tmtHelp_ArticoliLib_ = new QTimer(this);
    tmtHelp_ArticoliLib_->setObjectName(QStringLiteral("tmtHelp_ArticoliLib"));
    tmtHelp_ArticoliLib_->setSingleShot(true);
    tmtHelp_ArticoliLib_->setInterval(150);
    scanTimer_ = new QTimer(this);
    scanTimer_->setObjectName(QStringLiteral("tmrScannedCodes"));
    scanTimer_->setSingleShot(true);
    scanTimer_->setInterval(KeyClock::kQuietMs);
    chkRequest_Quantita_ = new QCheckBox(QStringLiteral("Richiedi quantità"), this);
    chkRequest_Quantita_->setObjectName(QStringLiteral("chkRequest_Quantita"));
    chkRequest_Quantita_->setToolTip(
        QStringLiteral("Attiva la richiesta della quantità per ogni articolo inserito (Shift + F5)"));
    cmdSpecialCode_ = command("cmdSpecialCode", QStringLiteral("##"),
                              QStringLiteral("Aggiunta di righe speciali (Note, ..)"));

    auto* lblCategoria = new QLabel(QStringLiteral("CATEGORIA"), this);
    lblCategoria->setObjectName(QStringLiteral("lblCategoria"));
    auto* lblLinea = new QLabel(QStringLiteral("Linea"), this);
    lblLinea->setObjectName(QStringLiteral("lblLinea"));
    cmbLinea_ = new QComboBox(this);
    cmbLinea_->setObjectName(QStringLiteral("cmbLinea"));
    cmbLinea_->setToolTip(QStringLiteral("Selezione della linea"));
    auto* lblTipo = new QLabel(QStringLiteral("Tipo"), this);
    lblTipo->setObjectName(QStringLiteral("lblTipo"));
    cmbTipoCategoria_ = new QComboBox(this);
    cmbTipoCategoria_->setObjectName(QStringLiteral("cmbTipoCategoria"));
    cmbTipoCategoria_->setToolTip(QStringLiteral("Selezione del tipo"));
    dgCategorie_ = new controls::DataGrid(this);
    dgCategorie_->setObjectName(QStringLiteral("dgCategorie"));
    dgCategorie_->setMinimumHeight(0);

    optPromozioni_ = new QRadioButton(QStringLiteral("&PROMOZIONI"), this);
    optPromozioni_->setObjectName(QStringLiteral("optPromozioni"));
    optPromozioni_->setToolTip(QStringLiteral("Attiva la selezione delle Promozioni"));
    optPromozioni_->setChecked(true);
    optKit_ = new QRadioButton(QStringLiteral("&KIT"), this);
    optKit_->setObjectName(QStringLiteral("optKit"));
    optKit_->setToolTip(QStringLiteral("Attiva la selezione dei Kit"));
    cboSelPromoKit_ = new QComboBox(this);
    cboSelPromoKit_->setObjectName(QStringLiteral("cboSelPromoKit"));
    cmdAddPromoKit_ = command("cmdAddPromoKit", QStringLiteral("Aggiungi"),
                              QStringLiteral("Aggiunta della Promozione / Kit selezionato"));

    auto* left = new QVBoxLayout;
    left->addWidget(lblArticolo);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(txtCode_Articolo_, 1);
    codeRow->addWidget(cmdSpecialCode_);
    left->addLayout(codeRow);
    left->addWidget(lstHelp_ArticoliLib_);
    left->addWidget(chkRequest_Quantita_);
    auto* promoBox = new QHBoxLayout;
    promoBox->addWidget(optPromozioni_);
    promoBox->addWidget(optKit_);
    promoBox->addStretch();
    left->addLayout(promoBox);
    auto* promoRow = new QHBoxLayout;
    promoRow->addWidget(cboSelPromoKit_, 1);
    promoRow->addWidget(cmdAddPromoKit_);
    left->addLayout(promoRow);
    left->addWidget(lblCategoria);
    auto* filters = new QGridLayout;
    filters->addWidget(lblLinea, 0, 0);
    filters->addWidget(cmbLinea_, 0, 1);
    filters->addWidget(lblTipo, 1, 0);
    filters->addWidget(cmbTipoCategoria_, 1, 1);
    left->addLayout(filters);
    left->addWidget(dgCategorie_, 1);

    // The rows, right.
    auto* lblRighe = new QLabel(QStringLiteral("Righe del documento"), this);
    dgRighe_ = new controls::DataGrid(this);
    dgRighe_->setObjectName(QStringLiteral("dgRighe"));
    dgRighe_->setSelectionMode(QAbstractItemView::SingleSelection);
    cmdAddRow_ = command("cmdAddRow", QStringLiteral("Aggiungi (F2)"), QStringLiteral("Aggiunge l'articolo"));
    cmdSetQuantity_ = command("cmdSetQuantity", QStringLiteral("Quantità (F5)"),
                              QStringLiteral("Imposta la quantità della riga"));
    cmdEditRow_ = command("cmdEditRow", QStringLiteral("Modifica (F12)"), QStringLiteral("Modifica la riga"));
    cmdDeleteRow_ =
        command("cmdDeleteRow", QStringLiteral("Elimina (F10)"), QStringLiteral("Elimina la riga"));
    cmdGridSetting_ =
        command("cmdGridSetting", QStringLiteral("Griglia"), QStringLiteral("Impostazioni Griglia"));
    auto* right = new QVBoxLayout;
    right->addWidget(lblRighe);
    right->addWidget(dgRighe_, 1);
    auto* rowButtons = new QHBoxLayout;
    for (auto* b : {cmdAddRow_, cmdSetQuantity_, cmdEditRow_, cmdDeleteRow_}) rowButtons->addWidget(b);
    rowButtons->addStretch();
    rowButtons->addWidget(cmdGridSetting_);
    right->addLayout(rowButtons);

    // Bottom panel: totals, related orders, confirm and cancel.
    pnlBottom_ = new QWidget(this);
    pnlBottom_->setObjectName(QStringLiteral("pnlBottom"));
    lblRelate_Ordini_ = new QLabel(QStringLiteral("Ordini Correlati:"), pnlBottom_);
    lblRelate_Ordini_->setObjectName(QStringLiteral("lblRelate_Ordini"));
    cboRelate_Ordini_ = new QComboBox(pnlBottom_);
    cboRelate_Ordini_->setObjectName(QStringLiteral("cboRelate_Ordini"));
    lblRelate_Ordini_->hide();
    cboRelate_Ordini_->hide();
    cmdConfirm_ = command("cmdConfirm", QStringLiteral("&Conferma"), QStringLiteral("Conferma l'ordine"));
    cmdCancel_ = command("cmdCancel", QStringLiteral("&Annulla"), QStringLiteral("Annulla l'ordine"));
    DataPanelTotal_->setParent(pnlBottom_);
    auto* bottom = new QHBoxLayout(pnlBottom_);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(DataPanelTotal_, 1);
    auto* related = new QVBoxLayout;
    related->addWidget(lblRelate_Ordini_);
    related->addWidget(cboRelate_Ordini_);
    related->addStretch();
    bottom->addLayout(related);
    cmdConfirm_->setParent(pnlBottom_);
    cmdCancel_->setParent(pnlBottom_);
    bottom->addWidget(cmdConfirm_, 0, Qt::AlignBottom);
    bottom->addWidget(cmdCancel_, 0, Qt::AlignBottom);

    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 0);
    middle->addLayout(right, 1);
    auto* main = new QVBoxLayout(this);
    main->addWidget(DataPanel_);
    main->addLayout(middle, 1);
    main->addWidget(pnlBottom_);
    // The rows grid keeps room for a few rows and the window for its buttons.
    dgRighe_->setMinimumSize(360, 120);
    // The header and the totals show their fields without scrolling.
    DataPanel_->setMinimumHeight(180);
    DataPanelTotal_->setMinimumHeight(120);
    setMinimumSize(780, 620);
    resize(1050, 760);

    mnuGridSetting_ = new controls::GridSettingsMenu(
        QStringLiteral("&Impostazione Griglia"),
        {[this] { return dgRighe_; }, [this] { return m_objRigheOrdine; },
         [this] { return m_objGridSettings.get(); }, [this] { ApplyRowsLayout(); }},
        this);

    connect(cmdConfirm_, &QPushButton::clicked, this, &frmOrder::cmdConfirm_Click);
    connect(cmdCancel_, &QPushButton::clicked, this, &frmOrder::cmdCancel_Click);
    connect(cmdAddRow_, &QPushButton::clicked, this, &frmOrder::cmdAddRow_Click);
    connect(cmdEditRow_, &QPushButton::clicked, this, &frmOrder::cmdEditRow_Click);
    connect(cmdDeleteRow_, &QPushButton::clicked, this, &frmOrder::cmdDeleteRow_Click);
    connect(cmdSetQuantity_, &QPushButton::clicked, this, &frmOrder::cmdSetQuantity_Click);
    connect(cmdSpecialCode_, &QPushButton::clicked, this, &frmOrder::cmdSpecialCode_Click);
    connect(cmdAddPromoKit_, &QPushButton::clicked, this, &frmOrder::cmdAddPromoKit_Click);
    connect(cmdGridSetting_, &QPushButton::clicked, this, &frmOrder::cmdGridSetting_Click);
    connect(optPromozioni_, &QRadioButton::clicked, this, &frmOrder::RefreshPromoKitList);
    connect(optKit_, &QRadioButton::clicked, this, &frmOrder::RefreshPromoKitList);
    connect(cboSelPromoKit_, &QComboBox::activated, this,
            [this] { cboSelPromoKit_->setToolTip(cboSelPromoKit_->currentText()); });
    connect(chkRequest_Quantita_, &QCheckBox::clicked, this, &frmOrder::chkRequest_Quantita_Click);
    connect(cmbLinea_, &QComboBox::activated, this, &frmOrder::RefreshCategorie);
    connect(cmbTipoCategoria_, &QComboBox::activated, this, &frmOrder::RefreshCategorie);
    connect(cboRelate_Ordini_, &QComboBox::activated, this, &frmOrder::cboRelate_Ordini_Click);
    connect(txtCode_Articolo_, &QLineEdit::textChanged, this, &frmOrder::txtCode_Articolo_Change);
    connect(tmtHelp_ArticoliLib_, &QTimer::timeout, this, &frmOrder::tmtHelp_ArticoliLib_Timer);
    connect(scanTimer_, &QTimer::timeout, this, &frmOrder::processScannedCodes);
    connect(lstHelp_ArticoliLib_, &QListWidget::itemClicked, this, &frmOrder::lstHelp_ArticoliLib_Click);
    connect(lstHelp_ArticoliLib_, &QListWidget::itemDoubleClicked, this, [this] {
        lstHelp_ArticoliLib_Click();
        cmdAddRow_Click();
    });
    connect(dgRighe_, &QAbstractItemView::doubleClicked, this, &frmOrder::cmdEditRow_Click);
    connect(dgRighe_, &controls::DataGrid::columnResized, this, [this](int column, int width) {
        if (!m_objGridSettings || !dgRighe_->gridModel()) return;
        const QString field = dgRighe_->gridModel()->fieldOf(column);
        if (!field.isEmpty())
            m_objGridSettings->SetColumnWidth(field, int(startup::PixelsToTwips(width, this)));
    });
    connect(dgCategorie_, &QAbstractItemView::doubleClicked, this, &frmOrder::PickCategoryArticle);
    connect(dgCategorie_, &QAbstractItemView::activated, this, &frmOrder::PickCategoryArticle);
}

// ---- The rows -------------------------------------------------------------------------------

void frmOrder::Refresh_Articoli(const core::Variant& key) {
    WaitCursor wait;
    try {
        if (m_objRigheOrdine && m_objEvents_RigheOrdine >= 0)
            m_objRigheOrdine->disconnectRefresh(m_objEvents_RigheOrdine);
        m_objEvents_RigheOrdine = -1;
        if (!HasOpenOrder()) {
            m_objRigheOrdine.reset();
            dgRighe_->Bind(nullptr, nullptr);
        } else {
            datalib::Database& db = database();
            const datalib::ReferenceDef* righe =
                m_objOrdine->tableDef().findReference(QStringLiteral("Righe"));
            m_objRigheOrdine = datalib::DataSource::open(
                m_objOrdine->Database(), *db.tableDef(QStringLiteral("RigheOrdini")), {},
                QStringLiteral("PosizioneRiga"), m_strRowColumns, m_objOrdine, righe);
            m_objEvents_RigheOrdine =
                m_objRigheOrdine->connectRefresh([this](datalib::DataSource&) { ApplyRowsLayout(); });
            dgRighe_->Bind(m_objRigheOrdine, m_objGridSettings.get());
            ApplyRowsLayout();
            if (!key.isEmptyOrNull())
                m_objRigheOrdine->MoveToKey(key);
            else if (!m_objRigheOrdine->DataEmpty())
                m_objRigheOrdine->RowLast();
            dgRighe_->FollowDataSource();
        }
        DataPanel_->Refresh();
        DataPanelTotal_->Refresh();
    } catch (const core::AppError& e) {
        box(e.description(), platform::kOkOnly, this);
    }
    ResetCodeEntry();
}

void frmOrder::ApplyRowsLayout() {
    auto* model = dgRighe_->gridModel();
    if (!model) return;
    dgRighe_->ApplyLayout(m_objGridSettings.get());
    for (int c = 0; c < model->columnCount(); ++c) {
        const QString field = model->fieldOf(c);
        const bool hidden = field.compare(QStringLiteral("OID"), Qt::CaseInsensitive) == 0 ||
                            field.compare(QStringLiteral("Data"), Qt::CaseInsensitive) == 0;
        dgRighe_->setColumnHidden(c, hidden);
    }
}

bool frmOrder::rowsOnGridRow(bool beep) {
    const qint64 bookmark = dgRighe_->Bookmark();
    if (!m_objRigheOrdine || bookmark == 0) {
        if (beep) QApplication::beep();
        return false;
    }
    m_objRigheOrdine->MoveToKey(core::Variant(double(bookmark)));
    return m_objRigheOrdine->RowValid();
}

void frmOrder::ResetCodeEntry() {
    if (txtCode_Articolo_->isHidden() || !txtCode_Articolo_->isEnabled()) return;
    {
        const QSignalBlocker block(txtCode_Articolo_);
        txtCode_Articolo_->clear();
    }
    tmtHelp_ArticoliLib_->stop();
    lstHelp_ArticoliLib_->clear();
    lstHelp_ArticoliLib_->hide();
    txtCode_Articolo_->setFocus();
}

// ---- Article entry --------------------------------------------------------------------------

core::Variant frmOrder::AddElementByCode(const QString& code, double quantity, core::Currency price,
                                         const core::Variant& promotion, bool noPrompt) {
    if (!m_objRigheOrdine) return {};
    platform::BoxOwner boxes(this);
    const core::Variant key =
        orders::AddElementByCode(*m_objRigheOrdine, code, quantity, price, promotion, noPrompt, *this);
    DataPanelTotal_->Refresh();
    return key;
}

core::Variant frmOrder::PickArticle(const std::shared_ptr<datalib::DataSource>& articles) {
    return controls::ViewUtility::View(articles, this).PickList(QString());
}

bool frmOrder::AskQuantityEachArticle() const { return chkRequest_Quantita_->isChecked(); }

void frmOrder::AskRowQuantity() { askQuantityOfCurrentRow(); }

void frmOrder::askQuantityOfCurrentRow() {
    const double current = m_objRigheOrdine->ColValueNum(QStringLiteral("QuantitàOrdine"));
    const std::int32_t q = frmSetQantity::SetQuantity(this, QString::number(current));
    takeTypedAhead(frmSetQantity::TakeTypedAhead());
    if (q == 0) return;
    if (q < 1) {
        box(QStringLiteral("Il valore impostato non è valido\r\rImpostare quantità positive"),
            platform::kOkOnly | platform::kInformation, this);
        return;
    }
    if (double(q) != current) {
        m_objRigheOrdine->SetColValue(QStringLiteral("QuantitàOrdine"), double(q));
        m_objRigheOrdine->Save();
    }
}

void frmOrder::queueScannedCode(const QString& code) {
    scanQueue_ << code;
    {
        const QSignalBlocker block(txtCode_Articolo_);
        txtCode_Articolo_->clear();
    }
    tmtHelp_ArticoliLib_->stop();
    lstHelp_ArticoliLib_->hide();
    scanTimer_->start(KeyClock::kQuietMs);
}

void frmOrder::takeTypedAhead(const QString& text) {
    if (text.isEmpty()) return;
    QString rest = text;
    rest.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    const QStringList parts = rest.split(QLatin1Char('\r'));
    for (qsizetype i = 0; i + 1 < parts.size(); ++i)
        if (const QString code = orders::CleanBarcodeInput(parts[i] + QLatin1Char('\r')); !code.isEmpty())
            scanQueue_ << code;
    scanRest_ = parts.last();
    // The keys have stopped already: what came back is handled next.
    scanTimer_->start(0);
}

void frmOrder::processScannedCodes() {
    // Codes that came back while the codes before them are being added wait
    // for them.
    if (processingScans_ || unloaded_) {
        if (!unloaded_) scanTimer_->start();
        return;
    }
    if (!m_objRigheOrdine || !txtCode_Articolo_->isEnabled()) {
        scanQueue_.clear();
        scanRest_.clear();
        return;
    }
    const QScopedValueRollback<bool> busy(processingScans_, true);
    const QStringList codes = std::exchange(scanQueue_, QStringList());
    platform::BoxOwner boxes(this);
    core::Variant last;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        try {
            // The quantity is asked for the last code of the burst; the others
            // keep the default.
            const core::Variant key = AddElementByCode(codes[i], 0, {}, {}, i + 1 < codes.size());
            if (!key.isEmptyOrNull()) last = key;
        } catch (const core::AppError& e) {
            showFailure(e, e.description());
        }
        if (!m_objRigheOrdine) return;
    }
    Refresh_Articoli(last);
    if (!scanRest_.isEmpty()) {
        settingCode_ = true;
        txtCode_Articolo_->setText(std::exchange(scanRest_, QString()));
        settingCode_ = false;
    }
}

void frmOrder::cmdAddRow_Click() {
    if (cmdAddRow_->isHidden() || !cmdAddRow_->isEnabled() || !m_objRigheOrdine) return;
    platform::BoxOwner boxes(this);
    try {
        QString code = txtCode_Articolo_->text();
        if (code.isEmpty()) {
            datalib::Database& db = database();
            auto articles =
                db.OpenDataSource(QStringLiteral("Articoli"), QStringLiteral("NOT Disabilitato"),
                                  QStringLiteral("Articoli.Descrizione"), QStringLiteral("*,PrezzoBase"));
            const core::Variant chosen =
                controls::ViewUtility::View(articles, this)
                    .PickList(QString(), QStringLiteral("Descrizione"), QStringLiteral("Codice"));
            if (chosen.isEmptyOrNull()) {
                ResetCodeEntry();
                return;
            }
            code = articles->ColValueStr(QStringLiteral("Codice"));
        }
        {
            const QSignalBlocker block(txtCode_Articolo_);
            txtCode_Articolo_->clear();
        }
        tmtHelp_ArticoliLib_->stop();
        lstHelp_ArticoliLib_->hide();
        const core::Variant key = AddElementByCode(code);
        if (key.isEmptyOrNull())
            ResetCodeEntry();
        else
            Refresh_Articoli(key);
    } catch (const core::AppError& e) {
        showFailure(e, e.description());
        Refresh_Articoli();
    }
}

void frmOrder::cmdSpecialCode_Click() {
    txtCode_Articolo_->setText(QString::fromLatin1(orders::kSpecialCodePrefix));
    txtCode_Articolo_->setFocus();
    txtCode_Articolo_->selectAll();
}

void frmOrder::cmdSetQuantity_Click() {
    platform::BoxOwner boxes(this);
    try {
        if (!rowsOnGridRow(true)) return;
        const core::Variant key = m_objRigheOrdine->RowKey();
        const double before = m_objRigheOrdine->ColValueNum(QStringLiteral("QuantitàOrdine"));
        askQuantityOfCurrentRow();
        if (m_objRigheOrdine->ColValueNum(QStringLiteral("QuantitàOrdine")) != before) Refresh_Articoli(key);
    } catch (const core::AppError& e) {
        showFailure(e, e.description());
        Refresh_Articoli();
    }
}

void frmOrder::cmdEditRow_Click() {
    platform::BoxOwner boxes(this);
    try {
        if (!rowsOnGridRow(true)) return;
        const core::Variant key = controls::ViewUtility::View(m_objRigheOrdine, nullptr).EditCurrent();
        if (!key.isEmptyOrNull()) Refresh_Articoli(key);
    } catch (const core::AppError& e) {
        showFailure(e, e.description());
        Refresh_Articoli();
    }
}

void frmOrder::cmdDeleteRow_Click() {
    if (!cmdDeleteRow_->isEnabled()) return;
    platform::BoxOwner boxes(this);
    try {
        if (!m_objRigheOrdine || dgRighe_->Bookmark() == 0) {
            QApplication::beep();
            Refresh_Articoli();
            ResetCodeEntry();
            return;
        }
        if (!rowsOnGridRow(false)) return;
        m_objRigheOrdine->DeleteRow();
        Refresh_Articoli();
        ResetCodeEntry();
    } catch (const core::AppError& e) {
        showFailure(e, e.description());
        Refresh_Articoli();
    }
}

void frmOrder::IncreaseRowQuantity() { changeRowQuantity(+1); }
void frmOrder::DecreaseRowQuantity() { changeRowQuantity(-1); }

void frmOrder::changeRowQuantity(int delta) {
    if (!txtCode_Articolo_->isEnabled()) return;
    platform::BoxOwner boxes(this);
    try {
        // The grid's current row is the row the keys act on.
        if (!m_objRigheOrdine || dgRighe_->Bookmark() == 0) {
            QApplication::beep();
            return;
        }
        if (!rowsOnGridRow(false)) return;
        double q = m_objRigheOrdine->ColValueNum(QStringLiteral("QuantitàOrdine"));
        if (delta > 0) {
            if (q == -1) {
                q = 1;
                QApplication::beep();
            } else {
                q += 1;
            }
        } else if (q == 1) {
            QApplication::beep();
        } else {
            q -= 1;
        }
        const core::Variant key = m_objRigheOrdine->RowKey();
        m_objRigheOrdine->SetColValue(QStringLiteral("QuantitàOrdine"), q);
        m_objRigheOrdine->Save();
        Refresh_Articoli(key);
    } catch (const core::AppError&) {
        // A refusal was shown by the library; the row stays as it was.
        Refresh_Articoli();
    }
}

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
            if (!lstHelp_ArticoliLib_->isVisible()) {
                // The grids keep their arrows.
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

// ---- Categories -------------------------------------------------------------------------------

void frmOrder::RefreshCategorie() {
    try {
        datalib::Database& db = database();
        QString filter = QStringLiteral("Categorie.Descrizione<>''");
        const QVariant line = cmbLinea_->currentData();
        if (cmbLinea_->currentText() != kAnyChoice && line.isValid())
            filter += QStringLiteral(" AND Articoli.Linea=") + db.FormatStringForQuery(line.toString()) +
                      QStringLiteral(" AND ") +
                      db.Tables(QStringLiteral("Articoli"))->JoinCondition(QStringLiteral("Categoria"));
        const QString type = cmbTipoCategoria_->currentText();
        if (type == kComplements)
            filter += QStringLiteral(" AND Categorie.Complementi=True");
        else if (type != kAnyChoice && !type.isEmpty())
            filter += QStringLiteral(" AND Categorie.Complementi=False");
        filter += QStringLiteral(" AND NOT Categorie.Disabilitato");
        m_objCategorie = db.OpenDataSource(QStringLiteral("Categorie"), filter, QStringLiteral("Descrizione"),
                                           QStringLiteral("OID,Descrizione"));
        dgCategorie_->Bind(m_objCategorie, nullptr);
        // The categories are listed by their description alone.
        if (auto* model = dgCategorie_->gridModel())
            for (int c = 0; c < model->columnCount(); ++c)
                dgCategorie_->setColumnHidden(
                    c, model->fieldOf(c).compare(QStringLiteral("Descrizione"), Qt::CaseInsensitive) != 0);
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
}

void frmOrder::PickCategoryArticle() {
    if (!m_objCategorie || m_objCategorie->DataEmpty() || !txtCode_Articolo_->isEnabled()) return;
    platform::BoxOwner boxes(this);
    try {
        if (const qint64 bookmark = dgCategorie_->Bookmark())
            m_objCategorie->MoveToKey(core::Variant(double(bookmark)));
        if (!m_objCategorie->RowValid()) return;
        auto articles = database().OpenDataSource(QStringLiteral("Articoli"),
                                                  QStringLiteral("Categoria.OID=") +
                                                      QString::number(m_objCategorie->OID()) +
                                                      QStringLiteral(" AND NOT Articoli.Disabilitato"),
                                                  QStringLiteral("Articoli.Descrizione"));
        const core::Variant chosen =
            controls::ViewUtility::View(articles, this)
                .PickList(QString(), QStringLiteral("Descrizione"), QStringLiteral("Codice"));
        if (chosen.isEmptyOrNull()) return;
        settingCode_ = true;
        txtCode_Articolo_->setText(articles->ColValueStr(QStringLiteral("Codice")));
        settingCode_ = false;
        cmdAddRow_Click();
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
}

// ---- Promotions and kits ------------------------------------------------------------------------

void frmOrder::RefreshPromoKitList() {
    cboSelPromoKit_->clear();
    cboSelPromoKit_->setEnabled(false);
    cmdAddPromoKit_->setEnabled(false);
    try {
        datalib::Database& db = database();
        const bool promotions = optPromozioni_->isChecked();
        const QString table = promotions ? QStringLiteral("Promozioni") : QStringLiteral("Kit");
        auto set = db.Tables(table);
        const QString notEmpty =
            set->BuildFieldCondition(QStringLiteral("Codice"), core::Variant(QString()), 1);
        QString filter = notEmpty;
        if (promotions) {
            const core::Variant today(core::Clock::today());
            filter =
                set->BuildFieldCondition(QStringLiteral("DataInizioPromozione"), today, 3) +
                QStringLiteral(" AND (") +
                set->BuildFieldCondition(QStringLiteral("DataFinePromozione"), today, 2) +
                QStringLiteral(" OR ") +
                set->BuildFieldCondition(QStringLiteral("DataFinePromozione"), core::Variant::null(), 0) +
                QStringLiteral(")") + QStringLiteral(" AND ") + notEmpty;
        }
        m_objPromoKit = db.OpenDataSource(table, filter);
        for (m_objPromoKit->RowFirst(); !m_objPromoKit->Eof(); m_objPromoKit->RowNext())
            cboSelPromoKit_->addItem(m_objPromoKit->ColValueStr(QStringLiteral("Descrizione")),
                                     m_objPromoKit->ColValueStr(QStringLiteral("Codice")));
        cboSelPromoKit_->setEnabled(true);
        cmdAddPromoKit_->setEnabled(true);
        if (isEnabled() && isVisible()) cboSelPromoKit_->setFocus();
    } catch (const core::AppError& e) {
        box(e.description(), platform::kOkOnly, this);
    }
}

void frmOrder::cmdAddPromoKit_Click() {
    if (!m_objRigheOrdine || !cmdAddPromoKit_->isEnabled() || cmdAddPromoKit_->isHidden()) return;
    platform::BoxOwner boxes(this);
    try {
        if (cboSelPromoKit_->currentText().isEmpty()) return;
        const bool promotion = optPromozioni_->isChecked();
        const QString kind = promotion ? QStringLiteral("della promozione selezionata")
                                       : QStringLiteral("del kit selezionato");
        if (box(QStringLiteral("Confermi l'aggiunta ") + kind + QStringLiteral(" ?"),
                platform::kYesNo | platform::kQuestion, this) != platform::kAnswerYes)
            return;
        std::int32_t times = frmSetQantity::SetQuantity(this, QStringLiteral("1"));
        if (times < 1) times = 1;

        datalib::Database& db = database();
        const QString table = promotion ? QStringLiteral("Promozioni") : QStringLiteral("Kit");
        auto header = db.OpenDataSource(
            table,
            db.Tables(table)->BuildFieldCondition(
                QStringLiteral("Codice"), core::Variant(cboSelPromoKit_->currentData().toString()), 0));
        if (header->DataEmpty()) {
            box(QStringLiteral("L'elemento selezionato non è stato identificato oppure è stato eliminato"),
                platform::kOkOnly, this);
            return;
        }
        header->RowFirst();
        auto elements = header->GetReference(QStringLiteral("Elementi"));
        if (elements->DataEmpty()) {
            box(QStringLiteral("Non contiene elementi"), platform::kOkOnly, this);
            return;
        }
        core::Variant link;
        if (promotion) {
            link = header->ColValue(QStringLiteral("Codice"));
            const datalib::ColumnDef* note =
                m_objRigheOrdine->tableDef().findColumn(QStringLiteral("DescrizioneAggiuntiva"));
            m_objRigheOrdine->InsertFromPairs(
                {core::Variant(QStringLiteral("Codice")),
                 core::Variant(QString::fromLatin1(orders::kNoteCode)),
                 core::Variant(QStringLiteral("DescrizioneAggiuntiva")),
                 core::Variant(orders::OpeningNoteText(header->ColValueStr(QStringLiteral("Descrizione")),
                                                       header->ColValueStr(QStringLiteral("Codice")),
                                                       note && note->length > 0 ? note->length : 64)),
                 core::Variant(QStringLiteral("Promozione")), link});
        }

        auto* msg = startup::frmMessage::instance();
        msg->ShowMsg(QStringLiteral("Inserimento ") + kind + QStringLiteral(" ..."), this, -1, -1);
        msg->StartProgress(elements->RowCount(), true);
        const QString quantityColumn =
            promotion ? QStringLiteral("QuantitàPromozione") : QStringLiteral("QuantitàIndicata");
        for (elements->RowFirst(); !elements->Eof(); elements->RowNext()) {
            if (!msg->Progress()) break;
            const core::Variant quantity = elements->ColValue(quantityColumn);
            const core::Variant price = elements->ColValue(QStringLiteral("PrezzoVendita"));
            if (quantity.isEmptyOrNull() || price.isEmptyOrNull())
                core::RaiseGenericError(table, QStringLiteral("Quantità o prezzo mancante per l'articolo ") +
                                                   elements->ColValueStr(QStringLiteral("Codice")));
            core::Variant key;
            try {
                // The totals panel is shown again once, at the end.
                key = orders::AddElementByCode(
                    *m_objRigheOrdine, elements->ColValueStr(QStringLiteral("Codice")),
                    quantity.toDouble() * times, price.toCurrency(), link, true, *this);
            } catch (const core::AppError& refused) {
                if (!refused.cancelled()) throw;
                // Refused by the rows' rules, and already said: the loop ends.
            }
            if (key.isEmptyOrNull()) break;
        }
        startup::frmMessage::Unload();
        if (promotion)
            m_objRigheOrdine->InsertFromPairs({core::Variant(QStringLiteral("Codice")),
                                               core::Variant(QString::fromLatin1(orders::kNoteCode)),
                                               core::Variant(QStringLiteral("DescrizioneAggiuntiva")),
                                               core::Variant(QStringLiteral(" * FINE PROMOZIONE")),
                                               core::Variant(QStringLiteral("Promozione")), link});
        Refresh_Articoli();
    } catch (const core::AppError& e) {
        showFailure(e, e.description());
        startup::frmMessage::Unload();
    }
}

// ---- Grid layout ---------------------------------------------------------------------------------

void frmOrder::cmdGridSetting_Click() {
    mnuGridSetting_->popup(QCursor::pos());
    ResetCodeEntry();
}

}  // namespace orders::ui
