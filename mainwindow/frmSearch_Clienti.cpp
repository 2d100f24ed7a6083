#include "mainwindow/frmSearch_Clienti.h"

#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/QuickHelpList.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

namespace mainwindow {

frmSearch_Clienti::frmSearch_Clienti(QWidget* owner)
    : SearchWindow(owner, QStringLiteral("RICERCA PER CLIENTE")) {
    setObjectName(QStringLiteral("frmSearch_Clienti"));
    auto* fields = new QWidget(this);
    auto* form = new QFormLayout(fields);
    txtSel_Cliente_ = new QLineEdit(fields);
    txtSel_Cliente_->setObjectName(QStringLiteral("txtSel_Cliente"));
    cboSel_Provincia_ = new QComboBox(fields);
    cboSel_Provincia_->setObjectName(QStringLiteral("cboSel_Provincia"));
    cboSel_Pagamento_ = new QComboBox(fields);
    cboSel_Pagamento_->setObjectName(QStringLiteral("cboSel_Pagamento"));
    form->addRow(QStringLiteral("Codice / Ragione Sociale:"), txtSel_Cliente_);
    form->addRow(QStringLiteral("Provincia:"), cboSel_Provincia_);
    form->addRow(QStringLiteral("Tipo Pagamento:"), cboSel_Pagamento_);
    txtSel_Cliente_->setMinimumWidth(320);

    // Every province once, in order; the payment types by description, the
    // value being the type's code. The first entry of both is "no choice".
    cboSel_Provincia_->addItem(QString());
    const auto provinces = startup::GetDataSet(QStringLiteral("Comuni"))
                               ->OpenDataSource(QStringLiteral("Provincia"), QStringLiteral("Provincia"),
                                                QStringLiteral("DISTINCT Provincia"));
    for (provinces->RowFirst(); !provinces->Eof(); provinces->RowNext())
        cboSel_Provincia_->addItem(provinces->ColValueStr(QStringLiteral("Provincia")));
    cboSel_Pagamento_->addItem(QString(), QString());
    const auto payments = startup::GetDataSet(QStringLiteral("TipiPagamento"))
                              ->OpenDataSource(QString(), QStringLiteral("Descrizione"));
    for (payments->RowFirst(); !payments->Eof(); payments->RowNext()) {
        const QString code = payments->ColValueStr(QStringLiteral("Codice"));
        if (!code.isEmpty())
            cboSel_Pagamento_->addItem(payments->ColValueStr(QStringLiteral("Descrizione")), code);
    }

    QuickHelp()->AddBox(txtSel_Cliente_, kCustomerHelp);
    finishLayout(fields);
    txtSel_Cliente_->setFocus();
}

void frmSearch_Clienti::ShowSelection(QWidget* owner, datalib::SelectionCriteria& selection,
                                      bool& confirmed) {
    showWindow([owner] { return std::make_unique<frmSearch_Clienti>(owner); }, selection, confirmed);
}

bool frmSearch_Clienti::buildSelection(datalib::SelectionCriteria& selection) {
    selection.ResetCriteria();
    selection.SetConditionText(QString());
    const auto clienti = startup::GetDataSet(QStringLiteral("Clienti"));
    const auto db = clienti->database();

    const QString customer = txtSel_Cliente_->text();
    if (!customer.isEmpty()) {
        const auto [column, code] =
            CodeOrName(QStringLiteral("Clienti"), QStringLiteral("RagioneSociale"), customer);
        selection.AddFieldCriterion(column, code, core::Variant(customer));
    }
    QString condition;
    const QString province = cboSel_Provincia_->currentText();
    if (!province.isEmpty())
        condition = QStringLiteral("Comuni.Provincia=") + db->FormatStringForQuery(core::Variant(province)) +
                    QStringLiteral(" AND ") + clienti->JoinCondition(QStringLiteral("Città"));
    const QString payment = cboSel_Pagamento_->currentData().toString();
    if (!payment.isEmpty()) {
        if (!condition.isEmpty()) condition += QStringLiteral(" AND ");
        condition += QStringLiteral("TipiPagamento.Codice=") +
                     db->FormatStringForQuery(core::Variant(payment)) + QStringLiteral(" AND ") +
                     clienti->JoinCondition(QStringLiteral("TipoPagamentoAbituale"));
    }
    selection.SetConditionText(condition);
    return true;
}

}  // namespace mainwindow
