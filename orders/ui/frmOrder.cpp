#include "orders/ui/frmOrder.h"

#include "orders/ui/frmOrderShared.h"

#include "controls/DataGrid.h"
#include "controls/DataPanel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "orders/OrderRules.h"
#include "platform/SettingsStore.h"
#include "startup/Common.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <utility>

namespace orders::ui {

using namespace detail;

namespace {

QPointer<frmOrder>& openWindow() {
    static QPointer<frmOrder> window;
    return window;
}

// The header fields shown in the two panels of the window.
const QString kHeaderFields = QStringLiteral(
    "Numero,Cliente,DataInserimento,Listino,TipoPagamento,BancaDiAppoggio,Destinazione,TipoPorto,Vettore,"
    "DataRichiestaConsegna,Riferimento,Note");
const QString kTotalFields =
    QStringLiteral("ImportoMerce,ImportoSconti,ImportoImponibile,ImportoImposta,ImportoTotale");

std::function<void(const QString&)>& stepObserver() {
    static std::function<void(const QString&)> observer;
    return observer;
}

void step(const char* name) {
    if (stepObserver()) stepObserver()(QString::fromLatin1(name));
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
    mnuGridSetting_->ShowStoredSequence();
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
                    // The rows go one by one on the progress window's bar; a
                    // stop leaves the order whole and open.
                    datalib::NamedLock lock(*m_objOrdine, QString::fromLatin1(orders::kLockPromo));
                    m_objOrdine->CancelUpdate();
                    m_objOrdine->DeleteRow(msg);
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

// ---- Grid layout ---------------------------------------------------------------------------------

void frmOrder::cmdGridSetting_Click() {
    mnuGridSetting_->popup(QCursor::pos());
    ResetCodeEntry();
}

}  // namespace orders::ui
