#include "orders/ui/frmOrder.h"

#include "orders/ui/frmOrderShared.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/MubCommand.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "datalib/DataSource.h"
#include "orders/BarcodeReader.h"
#include "orders/ui/KeyClock.h"
#include "orders/ui/frmSetQantity.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QScopedValueRollback>
#include <QTimer>
#include <utility>

namespace orders::ui {

using namespace detail;

// ---- The rows -------------------------------------------------------------------------------

void frmOrder::Refresh_Articoli(const core::Variant& key) {
    WaitCursor wait;
    try {
        if (m_objRigheOrdine && m_objEvents_RigheOrdine >= 0)
            m_objRigheOrdine->disconnectRefresh(m_objEvents_RigheOrdine);
        m_objEvents_RigheOrdine = -1;
        if (!HasOpenOrder()) {
            m_objRigheOrdine.reset();
            w_.dgRighe->Bind(nullptr, nullptr);
        } else {
            datalib::Database& db = database();
            const datalib::ReferenceDef* righe =
                m_objOrdine->tableDef().findReference(QStringLiteral("Righe"));
            m_objRigheOrdine = datalib::DataSource::open(
                m_objOrdine->Database(), *db.tableDef(QStringLiteral("RigheOrdini")), {},
                QStringLiteral("PosizioneRiga"), m_strRowColumns, m_objOrdine, righe);
            m_objEvents_RigheOrdine =
                m_objRigheOrdine->connectRefresh([this](datalib::DataSource&) { ApplyRowsLayout(); });
            // Positioned first: the row stood on counts for the widths the
            // grid takes from its cells.
            if (!key.isEmptyOrNull())
                m_objRigheOrdine->MoveToKey(key);
            else if (!m_objRigheOrdine->DataEmpty())
                m_objRigheOrdine->RowLast();
            w_.dgRighe->Bind(m_objRigheOrdine, m_objGridSettings.get());
            hideRowsKeyColumns();
        }
        w_.DataPanel->Refresh();
        w_.DataPanelTotal->Refresh();
    } catch (const core::AppError& e) {
        box(e.description(), platform::kOkOnly, this);
    }
    ResetCodeEntry();
}

void frmOrder::ApplyRowsLayout() {
    if (!w_.dgRighe->gridModel()) return;
    w_.dgRighe->ApplyLayout(m_objGridSettings.get());
    hideRowsKeyColumns();
}

void frmOrder::hideRowsKeyColumns() {
    auto* model = w_.dgRighe->gridModel();
    if (!model) return;
    for (int c = 0; c < model->columnCount(); ++c) {
        const QString field = model->fieldOf(c);
        const bool hidden = field.compare(QStringLiteral("OID"), Qt::CaseInsensitive) == 0 ||
                            field.compare(QStringLiteral("Data"), Qt::CaseInsensitive) == 0;
        w_.dgRighe->setColumnHidden(c, hidden);
    }
}

bool frmOrder::rowsOnGridRow(bool beep) {
    const qint64 bookmark = w_.dgRighe->Bookmark();
    if (!m_objRigheOrdine || bookmark == 0) {
        if (beep) QApplication::beep();
        return false;
    }
    m_objRigheOrdine->MoveToKey(core::Variant(double(bookmark)));
    return m_objRigheOrdine->RowValid();
}

void frmOrder::ResetCodeEntry() {
    if (w_.txtCode_Articolo->isHidden() || !w_.txtCode_Articolo->isEnabled()) return;
    {
        const QSignalBlocker block(w_.txtCode_Articolo);
        w_.txtCode_Articolo->clear();
    }
    w_.tmtHelp_ArticoliLib->stop();
    w_.lstHelp_ArticoliLib->clear();
    w_.lstHelp_ArticoliLib->hide();
    w_.txtCode_Articolo->setFocus();
}

// ---- Article entry --------------------------------------------------------------------------

core::Variant frmOrder::AddElementByCode(const QString& code, double quantity, core::Currency price,
                                         const core::Variant& promotion, bool noPrompt) {
    if (!m_objRigheOrdine) return {};
    platform::BoxOwner boxes(this);
    const core::Variant key =
        orders::AddElementByCode(*m_objRigheOrdine, code, quantity, price, promotion, noPrompt, *this);
    w_.DataPanelTotal->Refresh();
    return key;
}

core::Variant frmOrder::PickArticle(const std::shared_ptr<datalib::DataSource>& articles) {
    return controls::ViewUtility::View(articles, this).PickList(QString());
}

bool frmOrder::AskQuantityEachArticle() const { return w_.chkRequest_Quantita->isChecked(); }

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
        const QSignalBlocker block(w_.txtCode_Articolo);
        w_.txtCode_Articolo->clear();
    }
    w_.tmtHelp_ArticoliLib->stop();
    w_.lstHelp_ArticoliLib->hide();
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
    // Codes a reader typed while a box was open wait for it to close.
    if (processingScans_ || unloaded_ || QApplication::activeModalWidget()) {
        if (!unloaded_) scanTimer_->start();
        return;
    }
    if (!m_objRigheOrdine || !w_.txtCode_Articolo->isEnabled()) {
        scanQueue_.clear();
        scanRest_.clear();
        return;
    }
    const QScopedValueRollback<bool> busy(processingScans_, true);
    const QStringList codes = std::exchange(scanQueue_, QStringList());
    platform::BoxOwner boxes(this);
    notFound_.clear();
    notFoundMessage_.clear();
    core::Variant last;
    for (qsizetype i = 0; i < codes.size(); ++i) {
        try {
            // The quantity is asked for the last code of the burst; the others
            // keep the default. A code not found does not stop the burst.
            const core::Variant key = AddElementByCode(codes[i], 0, {}, {}, i + 1 < codes.size());
            if (!key.isEmptyOrNull()) last = key;
        } catch (const core::AppError& e) {
            showFailure(e, e.description());
        }
        if (!m_objRigheOrdine) {
            notFound_.clear();
            return;
        }
    }
    Refresh_Articoli(last);
    if (!scanRest_.isEmpty()) {
        settingCode_ = true;
        w_.txtCode_Articolo->setText(std::exchange(scanRest_, QString()));
        settingCode_ = false;
    }
    // One message names every code of the burst that was not found.
    const QStringList missing = std::exchange(notFound_, QStringList());
    if (missing.isEmpty()) return;
    const QString message =
        missing.size() == 1 ? notFoundMessage_
                            : QStringLiteral("Articoli non trovati:\r\r") + missing.join(QLatin1Char('\r')) +
                                  QStringLiteral(
                                      "\r\rRicerca effettuata per CODICE, CODICE AGGIUNTIVO e "
                                      "DESCRIZIONE");
    m_objRigheOrdine->Message(message);
}

bool frmOrder::NotFound(const QString& code, const QString& message) {
    if (!processingScans_) return false;
    if (notFound_.isEmpty()) notFoundMessage_ = message;
    notFound_ << code;
    return true;
}

void frmOrder::cmdAddRow_Click() {
    if (w_.cmdAddRow->isHidden() || !w_.cmdAddRow->isEnabled() || !m_objRigheOrdine) return;
    platform::BoxOwner boxes(this);
    try {
        QString code = w_.txtCode_Articolo->text();
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
            const QSignalBlocker block(w_.txtCode_Articolo);
            w_.txtCode_Articolo->clear();
        }
        w_.tmtHelp_ArticoliLib->stop();
        w_.lstHelp_ArticoliLib->hide();
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
    w_.txtCode_Articolo->setText(QString::fromLatin1(orders::kSpecialCodePrefix));
    w_.txtCode_Articolo->setFocus();
    w_.txtCode_Articolo->selectAll();
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
    if (!w_.cmdDeleteRow->isEnabled()) return;
    platform::BoxOwner boxes(this);
    try {
        if (!m_objRigheOrdine || w_.dgRighe->Bookmark() == 0) {
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
    if (!w_.txtCode_Articolo->isEnabled()) return;
    platform::BoxOwner boxes(this);
    try {
        // The grid's current row is the row the keys act on.
        if (!m_objRigheOrdine || w_.dgRighe->Bookmark() == 0) {
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

}  // namespace orders::ui
