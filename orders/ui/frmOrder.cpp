#include "orders/ui/frmOrder.h"

#include "orders/ui/frmOrderShared.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "orders/OrderRules.h"
#include "orders/ui/KeyClock.h"
#include "platform/SettingsStore.h"
#include "platform/ui/GuardedApplication.h"
#include "startup/Common.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
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

// A window of its own, owned by the main window: the window manager keeps it
// above its owner (a click on the main window, which stays usable, does not
// hide it), with its own title bar, minimise, maximise and close buttons.
frmOrder::frmOrder(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint) {
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
    w_.txtCode_Articolo->clear();
    w_.chkRequest_Quantita->setChecked(startup::StrToBoolean(
        platform::SettingsStore::get(platform::appName(), QString::fromLatin1(kOrderSection),
                                     QStringLiteral("ChiediQuantità"), QStringLiteral("1"))));
    startup::LoadFormSettings(this);

    try {
        m_objLinee = database().OpenDataSource(QStringLiteral("Linee"),
                                               QStringLiteral("Descrizione <> '' AND NOT Disabilitato"),
                                               QStringLiteral("Descrizione"));
        for (m_objLinee->RowFirst(); !m_objLinee->Eof(); m_objLinee->RowNext())
            w_.cmbLinea->addItem(m_objLinee->ColValueStr(QStringLiteral("Descrizione")),
                                 m_objLinee->ColValueStr(QStringLiteral("Codice")));
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
    w_.cmbLinea->addItem(kAnyChoice);
    w_.cmbLinea->setCurrentIndex(w_.cmbLinea->count() - 1);
    w_.cmbTipoCategoria->addItem(rc.baseDescription.isEmpty() ? QStringLiteral("BASE") : rc.baseDescription);
    w_.cmbTipoCategoria->addItem(kComplements);
    w_.cmbTipoCategoria->addItem(kAnyChoice);
    w_.cmbTipoCategoria->setCurrentIndex(2);
    RefreshCategorie();

    m_objGridSettings = std::make_unique<controls::ViewGridSettings>(
        controls::ViewGridSettings::DefaultFileName(), QString::fromLatin1(kOrderSection));
    w_.mnuGridSetting->ShowStoredSequence();
    qApp->installEventFilter(this);
}

frmOrder::~frmOrder() {
    qApp->removeEventFilter(this);
    if (!unloaded_) Form_Unload();
    if (m_objRigheOrdine && m_objEvents_RigheOrdine >= 0)
        m_objRigheOrdine->disconnectRefresh(m_objEvents_RigheOrdine);
}

frmOrder* frmOrder::Instance() { return openWindow().data(); }

bool frmOrder::BringToFront() {
    frmOrder* open = Instance();
    if (!open) return false;
    if (open->isMinimized()) open->showNormal();
    open->show();
    open->raise();
    open->activateWindow();
    return true;
}

void frmOrder::SetStepObserver(std::function<void(const QString&)> observer) {
    stepObserver() = std::move(observer);
}

frmOrder* frmOrder::NewOrder(QWidget* owner) {
    if (BringToFront()) return Instance();
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
            BringToFront();
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
        asConfirmed_.clear();
        keepConfirmedImage();
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

void frmOrder::keepConfirmedImage() {
    if (!HasOpenOrder() || !m_objOrdine->ColValueBool(QStringLiteral("Completato"))) return;
    const qint64 oid = m_objOrdine->OID();
    for (const datalib::RowImage& image : asConfirmed_)
        if (image.oid() == oid) return;
    asConfirmed_.push_back(datalib::RowImage::Of(*m_objOrdine));
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
    w_.DataPanel->Bind(m_objOrdine, kHeaderFields);
    w_.DataPanelTotal->Bind(m_objOrdine, kTotalFields);
    w_.DataPanelTotal->SetReadOnly(true);

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
    w_.txtCode_Articolo->setEnabled(enabled);
    w_.cmdAddRow->setEnabled(enabled);
    w_.chkRequest_Quantita->setEnabled(enabled);
    w_.cmdSetQuantity->setEnabled(enabled);
    w_.cmdDeleteRow->setEnabled(enabled);
    w_.cmdAddPromoKit->setVisible(enabled);
    w_.DataPanel->SetReadOnly(!enabled);
}

void frmOrder::RefreshRelatedOrders() {
    w_.lblRelate_Ordini->hide();
    w_.cboRelate_Ordini->hide();
    if (!HasOpenOrder()) return;
    // Orders of the same customer written at the same moment: those split
    // apart when they were sent.
    const QString filter = m_objOrdine->EqualityCondition(QStringLiteral("Cliente")) +
                           QStringLiteral(" AND ") +
                           m_objOrdine->EqualityCondition(QStringLiteral("DataInserimento"));
    auto related = m_objOrdine->GetDataSource(QStringLiteral("Ordini"), 0, filter);
    if (related->RowCount() <= 1) return;
    const QSignalBlocker block(w_.cboRelate_Ordini);
    w_.cboRelate_Ordini->clear();
    for (related->RowFirst(); !related->Eof(); related->RowNext())
        w_.cboRelate_Ordini->addItem(related->ColValueStr(QStringLiteral("Numero")));
    w_.cboRelate_Ordini->setCurrentText(m_objOrdine->ColValueStr(QStringLiteral("Numero")));
    w_.lblRelate_Ordini->show();
    w_.cboRelate_Ordini->show();
}

void frmOrder::cboRelate_Ordini_Click() {
    const QString number = w_.cboRelate_Ordini->currentText();
    if (number.isEmpty() || !m_objOrdine || number == m_objOrdine->ColValueStr(QStringLiteral("Numero")))
        return;
    bool found = false;
    try {
        found = m_objOrdine->FindFirst(QStringLiteral("Numero=") + database().FormatStringForQuery(number));
        if (found) {
            keepConfirmedImage();
            SetOrderCaption();
        }
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
            w_.cmdConfirm->setEnabled(false);
            w_.cmdCancel->setEnabled(false);
            if (!startup::CommitEditingControls(this)) {
                // A field whose text does not convert: the order stays open
                // and unconfirmed, the field has the focus and its text.
                w_.cmdConfirm->setEnabled(true);
                w_.cmdCancel->setEnabled(true);
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
            asConfirmed_.clear();
            m_objOrdine.reset();
            if (m_objRigheOrdine && m_objEvents_RigheOrdine >= 0)
                m_objRigheOrdine->disconnectRefresh(m_objEvents_RigheOrdine);
            m_objEvents_RigheOrdine = -1;
            w_.cmdConfirm->setEnabled(true);
            w_.cmdCancel->setEnabled(true);
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
        w_.cmdConfirm->setEnabled(true);
        w_.cmdCancel->setEnabled(true);
    }
}

void frmOrder::cmdCancel_Click() {
    if (w_.lstHelp_ArticoliLib->isVisible()) {
        w_.lstHelp_ArticoliLib->hide();
        w_.txtCode_Articolo->setFocus();
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
                // A confirmed order opened for editing is put back as it was
                // confirmed, its rows included: whatever was changed since
                // the window opened it is undone (and nothing else of the
                // transaction, which other windows may have written to).
                m_objOrdine->CancelUpdate();
                for (const datalib::RowImage& image : asConfirmed_) image.Restore(database());
                asConfirmed_.clear();
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
        w_.dgRighe->Bind(nullptr, nullptr);
        w_.DataPanel->Bind(nullptr);
        w_.DataPanelTotal->Bind(nullptr);
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
    w_.tmtHelp_ArticoliLib->stop();
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
    w_.mnuGridSetting->popup(QCursor::pos());
    ResetCodeEntry();
}

// ---- Controls -----------------------------------------------------------------------------

QSize frmOrder::DefaultSize(const QRect& available) {
    // What the window manager's frame and title take around the window.
    constexpr int kFrameWidth = 16;
    constexpr int kFrameHeight = 48;
    return {std::min(1050, available.width() - kFrameWidth),
            std::min(760, available.height() - kFrameHeight)};
}

void frmOrder::buildControls() {
    w_ = BuildOrderWidgets(this);
    setMinimumSize(780, 620);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    resize(screen ? DefaultSize(screen->availableGeometry()) : QSize(1050, 720));

    scanTimer_ = new QTimer(this);
    scanTimer_->setObjectName(QStringLiteral("tmrScannedCodes"));
    scanTimer_->setSingleShot(true);
    scanTimer_->setInterval(KeyClock::kQuietMs);
    // A character for a box goes to it once no key followed for a while.
    boxHold_ = new QTimer(this);
    boxHold_->setSingleShot(true);
    boxHold_->setInterval(KeyClock::kQuietMs);
    connect(boxHold_, &QTimer::timeout, this, &frmOrder::replayHeldKeys);

    w_.mnuGridSetting = new controls::GridSettingsMenu(
        QStringLiteral("&Impostazione Griglia"),
        {[this] { return w_.dgRighe; }, [this] { return m_objRigheOrdine; },
         [this] { return m_objGridSettings.get(); }, [this] { ApplyRowsLayout(); }},
        this);

    platform::connectGuarded(w_.cmdConfirm, &QPushButton::clicked, this, &frmOrder::cmdConfirm_Click);
    platform::connectGuarded(w_.cmdCancel, &QPushButton::clicked, this, &frmOrder::cmdCancel_Click);
    platform::connectGuarded(w_.cmdAddRow, &QPushButton::clicked, this, &frmOrder::cmdAddRow_Click);
    platform::connectGuarded(w_.cmdEditRow, &QPushButton::clicked, this, &frmOrder::cmdEditRow_Click);
    platform::connectGuarded(w_.cmdDeleteRow, &QPushButton::clicked, this, &frmOrder::cmdDeleteRow_Click);
    platform::connectGuarded(w_.cmdSetQuantity, &QPushButton::clicked, this, &frmOrder::cmdSetQuantity_Click);
    platform::connectGuarded(w_.cmdSpecialCode, &QPushButton::clicked, this, &frmOrder::cmdSpecialCode_Click);
    platform::connectGuarded(w_.cmdAddPromoKit, &QPushButton::clicked, this, &frmOrder::cmdAddPromoKit_Click);
    platform::connectGuarded(w_.cmdGridSetting, &QPushButton::clicked, this, &frmOrder::cmdGridSetting_Click);
    platform::connectGuarded(w_.optPromozioni, &QRadioButton::clicked, this, &frmOrder::RefreshPromoKitList);
    platform::connectGuarded(w_.optKit, &QRadioButton::clicked, this, &frmOrder::RefreshPromoKitList);
    platform::connectGuarded(w_.cboSelPromoKit, &QComboBox::activated, this,
                             [this] { w_.cboSelPromoKit->setToolTip(w_.cboSelPromoKit->currentText()); });
    platform::connectGuarded(w_.chkRequest_Quantita, &QCheckBox::clicked, this,
                             &frmOrder::chkRequest_Quantita_Click);
    platform::connectGuarded(w_.cmbLinea, &QComboBox::activated, this, &frmOrder::RefreshCategorie);
    platform::connectGuarded(w_.cmbTipoCategoria, &QComboBox::activated, this, &frmOrder::RefreshCategorie);
    platform::connectGuarded(w_.cboRelate_Ordini, &QComboBox::activated, this,
                             &frmOrder::cboRelate_Ordini_Click);
    platform::connectGuarded(w_.txtCode_Articolo, &QLineEdit::textChanged, this,
                             &frmOrder::txtCode_Articolo_Change);
    platform::connectGuarded(w_.tmtHelp_ArticoliLib, &QTimer::timeout, this,
                             &frmOrder::tmtHelp_ArticoliLib_Timer);
    platform::connectGuarded(scanTimer_, &QTimer::timeout, this, &frmOrder::processScannedCodes);
    platform::connectGuarded(w_.lstHelp_ArticoliLib, &QListWidget::itemClicked, this,
                             &frmOrder::lstHelp_ArticoliLib_Click);
    platform::connectGuarded(w_.lstHelp_ArticoliLib, &QListWidget::itemDoubleClicked, this, [this] {
        lstHelp_ArticoliLib_Click();
        cmdAddRow_Click();
    });
    platform::connectGuarded(w_.dgRighe, &QAbstractItemView::doubleClicked, this,
                             &frmOrder::cmdEditRow_Click);
    connect(w_.dgRighe, &controls::DataGrid::columnResized, this, [this](int column, int width) {
        if (!m_objGridSettings || !w_.dgRighe->gridModel()) return;
        const QString field = w_.dgRighe->gridModel()->fieldOf(column);
        if (!field.isEmpty())
            m_objGridSettings->SetColumnWidth(field, int(startup::PixelsToTwips(width, this)));
    });
    // A double click picks once (the grid also tells it as an activation,
    // which is not connected); Enter is the window's key (eventFilter).
    platform::connectGuarded(w_.dgCategorie, &QAbstractItemView::doubleClicked, this,
                             &frmOrder::PickCategoryArticle);
}

}  // namespace orders::ui
