#include "orders/ui/frmOrder.h"

#include "orders/ui/frmOrderShared.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/MubCommand.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "core/Clock.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "orders/OrderRules.h"
#include "orders/ui/frmSetQantity.h"
#include "startup/ui/frmMessage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace orders::ui {

using namespace detail;

// ---- Categories -------------------------------------------------------------------------------

void frmOrder::RefreshCategorie() {
    try {
        datalib::Database& db = database();
        QString filter = QStringLiteral("Categorie.Descrizione<>''");
        const QVariant line = w_.cmbLinea->currentData();
        if (w_.cmbLinea->currentText() != kAnyChoice && line.isValid())
            filter += QStringLiteral(" AND Articoli.Linea=") + db.FormatStringForQuery(line.toString()) +
                      QStringLiteral(" AND ") +
                      db.Tables(QStringLiteral("Articoli"))->JoinCondition(QStringLiteral("Categoria"));
        const QString type = w_.cmbTipoCategoria->currentText();
        if (type == kComplements)
            filter += QStringLiteral(" AND Categorie.Complementi=True");
        else if (type != kAnyChoice && !type.isEmpty())
            filter += QStringLiteral(" AND Categorie.Complementi=False");
        filter += QStringLiteral(" AND NOT Categorie.Disabilitato");
        m_objCategorie = db.OpenDataSource(QStringLiteral("Categorie"), filter, QStringLiteral("Descrizione"),
                                           QStringLiteral("OID,Descrizione"));
        w_.dgCategorie->Bind(m_objCategorie, nullptr);
        // The categories are listed by their description alone.
        if (auto* model = w_.dgCategorie->gridModel())
            for (int c = 0; c < model->columnCount(); ++c)
                w_.dgCategorie->setColumnHidden(
                    c, model->fieldOf(c).compare(QStringLiteral("Descrizione"), Qt::CaseInsensitive) != 0);
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
}

void frmOrder::PickCategoryArticle() {
    if (!m_objCategorie || m_objCategorie->DataEmpty() || !w_.txtCode_Articolo->isEnabled()) return;
    platform::BoxOwner boxes(this);
    try {
        if (const qint64 bookmark = w_.dgCategorie->Bookmark())
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
        w_.txtCode_Articolo->setText(articles->ColValueStr(QStringLiteral("Codice")));
        settingCode_ = false;
        cmdAddRow_Click();
    } catch (const core::AppError& e) {
        showFailure(e, QString());
    }
}

// ---- Promotions and kits ------------------------------------------------------------------------

void frmOrder::RefreshPromoKitList() {
    w_.cboSelPromoKit->clear();
    w_.cboSelPromoKit->setEnabled(false);
    w_.cmdAddPromoKit->setEnabled(false);
    try {
        datalib::Database& db = database();
        const bool promotions = w_.optPromozioni->isChecked();
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
            w_.cboSelPromoKit->addItem(m_objPromoKit->ColValueStr(QStringLiteral("Descrizione")),
                                       m_objPromoKit->ColValueStr(QStringLiteral("Codice")));
        w_.cboSelPromoKit->setEnabled(true);
        w_.cmdAddPromoKit->setEnabled(true);
        if (isEnabled() && isVisible()) w_.cboSelPromoKit->setFocus();
    } catch (const core::AppError& e) {
        box(e.description(), platform::kOkOnly, this);
    }
}

void frmOrder::cmdAddPromoKit_Click() {
    if (!m_objRigheOrdine || !w_.cmdAddPromoKit->isEnabled() || w_.cmdAddPromoKit->isHidden()) return;
    platform::BoxOwner boxes(this);
    try {
        if (w_.cboSelPromoKit->currentText().isEmpty()) return;
        const bool promotion = w_.optPromozioni->isChecked();
        const QString kind = promotion ? QStringLiteral("della promozione selezionata")
                                       : QStringLiteral("del kit selezionato");
        if (box(QStringLiteral("Confermi l'aggiunta ") + kind + QStringLiteral(" ?"),
                platform::kYesNo | platform::kQuestion, this) != platform::kAnswerYes)
            return;
        std::int32_t times = frmSetQantity::SetQuantity(this, QStringLiteral("1"));
        // Codes a reader typed into the prompt come after the promotion or kit.
        takeTypedAhead(frmSetQantity::TakeTypedAhead());
        if (times < 1) times = 1;

        datalib::Database& db = database();
        const QString table = promotion ? QStringLiteral("Promozioni") : QStringLiteral("Kit");
        auto header = db.OpenDataSource(
            table,
            db.Tables(table)->BuildFieldCondition(
                QStringLiteral("Codice"), core::Variant(w_.cboSelPromoKit->currentData().toString()), 0));
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

}  // namespace orders::ui
