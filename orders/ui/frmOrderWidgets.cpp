#include "orders/ui/frmOrderWidgets.h"

#include "controls/DataGrid.h"
#include "controls/DataPanel.h"
#include "controls/MubCommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

namespace orders::ui {

namespace {

// The article code box: whenever the agent or the window puts the focus in
// it, its whole text is selected, so that the next code typed replaces it.
// The window coming back to front (or a menu closing) only gives the focus
// back to where it was and leaves the text as it stands: a reader may be
// half-way through a code then.
class CodeBox : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

  protected:
    void focusInEvent(QFocusEvent* e) override {
        QLineEdit::focusInEvent(e);
        byMouse_ = e->reason() == Qt::MouseFocusReason;
        if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason) selectAll();
    }
    void focusOutEvent(QFocusEvent* e) override {
        byMouse_ = false;
        QLineEdit::focusOutEvent(e);
    }
    void mousePressEvent(QMouseEvent* e) override {
        QLineEdit::mousePressEvent(e);
        // The click that brought the focus places no cursor: the text stays selected.
        if (std::exchange(byMouse_, false)) selectAll();
    }

  private:
    bool byMouse_ = false;
};

// While no field sequence is stored, the rows grid shows first what the
// agent works with; the other fields follow.
QStringList rowsFirstColumns() {
    return {QStringLiteral("PosizioneRiga"),   QStringLiteral("Codice"),
            QStringLiteral("DescrizioneRiga"), QStringLiteral("QuantitàOrdine"),
            QStringLiteral("PrezzoVendita"),   QStringLiteral("PercentualeSconto"),
            QStringLiteral("ImportoSconto"),   QStringLiteral("ImportoImponibile"),
            QStringLiteral("ImportoTotale"),   QStringLiteral("Promozione")};
}

}  // namespace

OrderWidgets BuildOrderWidgets(QWidget* window) {
    OrderWidgets w;
    auto command = [window](const char* name, const QString& caption, const QString& tip) {
        auto* b = new controls::MubCommand(caption, window);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        b->setAutoDefault(false);
        return b;
    };

    w.DataPanel = new controls::DataPanel(window);
    w.DataPanel->setObjectName(QStringLiteral("DataPanel"));
    w.DataPanelTotal = new controls::DataPanel(window);
    w.DataPanelTotal->setObjectName(QStringLiteral("DataPanelTotal"));

    // Article selection, left.
    auto* lblArticolo = new QLabel(QStringLiteral("SELEZIONE ARTICOLO"), window);
    lblArticolo->setObjectName(QStringLiteral("lblArticolo"));
    w.txtCode_Articolo = new CodeBox(window);
    w.txtCode_Articolo->setObjectName(QStringLiteral("txtCode_Articolo"));
    w.txtCode_Articolo->setToolTip(QStringLiteral("Codice o descrizione articolo"));
    w.lstHelp_ArticoliLib = new QListWidget(window);
    w.lstHelp_ArticoliLib->setObjectName(QStringLiteral("lstHelp_ArticoliLib"));
    w.lstHelp_ArticoliLib->hide();
    w.tmtHelp_ArticoliLib = new QTimer(window);
    w.tmtHelp_ArticoliLib->setObjectName(QStringLiteral("tmtHelp_ArticoliLib"));
    w.tmtHelp_ArticoliLib->setSingleShot(true);
    w.tmtHelp_ArticoliLib->setInterval(150);
    w.chkRequest_Quantita = new QCheckBox(QStringLiteral("Richiedi quantità"), window);
    w.chkRequest_Quantita->setObjectName(QStringLiteral("chkRequest_Quantita"));
    w.chkRequest_Quantita->setToolTip(
        QStringLiteral("Attiva la richiesta della quantità per ogni articolo inserito (Shift + F5)"));
    w.cmdSpecialCode = command("cmdSpecialCode", QStringLiteral("##"),
                               QStringLiteral("Aggiunta di righe speciali (Note, ..)"));

    auto* lblCategoria = new QLabel(QStringLiteral("CATEGORIA"), window);
    lblCategoria->setObjectName(QStringLiteral("lblCategoria"));
    auto* lblLinea = new QLabel(QStringLiteral("Linea"), window);
    lblLinea->setObjectName(QStringLiteral("lblLinea"));
    w.cmbLinea = new QComboBox(window);
    w.cmbLinea->setObjectName(QStringLiteral("cmbLinea"));
    w.cmbLinea->setToolTip(QStringLiteral("Selezione della linea"));
    auto* lblTipo = new QLabel(QStringLiteral("Tipo"), window);
    lblTipo->setObjectName(QStringLiteral("lblTipo"));
    w.cmbTipoCategoria = new QComboBox(window);
    w.cmbTipoCategoria->setObjectName(QStringLiteral("cmbTipoCategoria"));
    w.cmbTipoCategoria->setToolTip(QStringLiteral("Selezione del tipo"));
    w.dgCategorie = new controls::DataGrid(window);
    w.dgCategorie->setObjectName(QStringLiteral("dgCategorie"));
    w.dgCategorie->setMinimumHeight(0);

    w.optPromozioni = new QRadioButton(QStringLiteral("&PROMOZIONI"), window);
    w.optPromozioni->setObjectName(QStringLiteral("optPromozioni"));
    w.optPromozioni->setToolTip(QStringLiteral("Attiva la selezione delle Promozioni"));
    w.optPromozioni->setChecked(true);
    w.optKit = new QRadioButton(QStringLiteral("&KIT"), window);
    w.optKit->setObjectName(QStringLiteral("optKit"));
    w.optKit->setToolTip(QStringLiteral("Attiva la selezione dei Kit"));
    w.cboSelPromoKit = new QComboBox(window);
    w.cboSelPromoKit->setObjectName(QStringLiteral("cboSelPromoKit"));
    // Its width does not follow the names it lists: the window is laid out
    // the same whether it is filled before it is first shown (an order opened
    // for editing) or after (a new order). The whole name is its tip.
    w.cboSelPromoKit->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    w.cboSelPromoKit->setMinimumContentsLength(12);
    w.cmdAddPromoKit = command("cmdAddPromoKit", QStringLiteral("Aggiungi"),
                               QStringLiteral("Aggiunta della Promozione / Kit selezionato"));

    auto* left = new QVBoxLayout;
    left->addWidget(lblArticolo);
    auto* codeRow = new QHBoxLayout;
    codeRow->addWidget(w.txtCode_Articolo, 1);
    codeRow->addWidget(w.cmdSpecialCode);
    left->addLayout(codeRow);
    left->addWidget(w.lstHelp_ArticoliLib);
    left->addWidget(w.chkRequest_Quantita);
    auto* promoBox = new QHBoxLayout;
    promoBox->addWidget(w.optPromozioni);
    promoBox->addWidget(w.optKit);
    promoBox->addStretch();
    left->addLayout(promoBox);
    auto* promoRow = new QHBoxLayout;
    promoRow->addWidget(w.cboSelPromoKit, 1);
    promoRow->addWidget(w.cmdAddPromoKit);
    left->addLayout(promoRow);
    left->addWidget(lblCategoria);
    auto* filters = new QGridLayout;
    filters->addWidget(lblLinea, 0, 0);
    filters->addWidget(w.cmbLinea, 0, 1);
    filters->addWidget(lblTipo, 1, 0);
    filters->addWidget(w.cmbTipoCategoria, 1, 1);
    left->addLayout(filters);
    left->addWidget(w.dgCategorie, 1);

    // The rows, right.
    auto* lblRighe = new QLabel(QStringLiteral("Righe del documento"), window);
    w.dgRighe = new controls::DataGrid(window);
    w.dgRighe->setObjectName(QStringLiteral("dgRighe"));
    w.dgRighe->setSelectionMode(QAbstractItemView::SingleSelection);
    w.dgRighe->SetDefaultColumns(rowsFirstColumns());
    w.cmdAddRow =
        command("cmdAddRow", QStringLiteral("Aggiungi (F2)"), QStringLiteral("Aggiunge l'articolo"));
    w.cmdSetQuantity = command("cmdSetQuantity", QStringLiteral("Quantità (F5)"),
                               QStringLiteral("Imposta la quantità della riga"));
    w.cmdEditRow =
        command("cmdEditRow", QStringLiteral("Modifica (F12)"), QStringLiteral("Modifica la riga"));
    w.cmdDeleteRow =
        command("cmdDeleteRow", QStringLiteral("Elimina (F10)"), QStringLiteral("Elimina la riga"));
    w.cmdGridSetting =
        command("cmdGridSetting", QStringLiteral("Griglia"), QStringLiteral("Impostazioni Griglia"));
    auto* right = new QVBoxLayout;
    right->addWidget(lblRighe);
    right->addWidget(w.dgRighe, 1);
    auto* rowButtons = new QHBoxLayout;
    for (auto* b : {w.cmdAddRow, w.cmdSetQuantity, w.cmdEditRow, w.cmdDeleteRow}) rowButtons->addWidget(b);
    rowButtons->addStretch();
    rowButtons->addWidget(w.cmdGridSetting);
    right->addLayout(rowButtons);

    // Bottom panel: totals, related orders, confirm and cancel.
    w.pnlBottom = new QWidget(window);
    w.pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    w.lblRelate_Ordini = new QLabel(QStringLiteral("Ordini Correlati:"), w.pnlBottom);
    w.lblRelate_Ordini->setObjectName(QStringLiteral("lblRelate_Ordini"));
    w.cboRelate_Ordini = new QComboBox(w.pnlBottom);
    w.cboRelate_Ordini->setObjectName(QStringLiteral("cboRelate_Ordini"));
    w.lblRelate_Ordini->hide();
    w.cboRelate_Ordini->hide();
    w.cmdConfirm = command("cmdConfirm", QStringLiteral("&Conferma"), QStringLiteral("Conferma l'ordine"));
    w.cmdCancel = command("cmdCancel", QStringLiteral("&Annulla"), QStringLiteral("Annulla l'ordine"));
    w.DataPanelTotal->setParent(w.pnlBottom);
    auto* bottom = new QHBoxLayout(w.pnlBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->addWidget(w.DataPanelTotal, 1);
    auto* related = new QVBoxLayout;
    related->addWidget(w.lblRelate_Ordini);
    related->addWidget(w.cboRelate_Ordini);
    related->addStretch();
    bottom->addLayout(related);
    w.cmdConfirm->setParent(w.pnlBottom);
    w.cmdCancel->setParent(w.pnlBottom);
    bottom->addWidget(w.cmdConfirm, 0, Qt::AlignBottom);
    bottom->addWidget(w.cmdCancel, 0, Qt::AlignBottom);

    auto* middle = new QHBoxLayout;
    middle->addLayout(left, 0);
    middle->addLayout(right, 1);
    auto* main = new QVBoxLayout(window);
    main->addWidget(w.DataPanel);
    main->addLayout(middle, 1);
    main->addWidget(w.pnlBottom);
    // The rows grid keeps room for a few rows and the window for its buttons.
    w.dgRighe->setMinimumSize(360, 120);
    // The header shows its first fields and may scroll.
    w.DataPanel->setMinimumHeight(180);
    // Every total in view, "Importo Totale" included: the panel never scrolls.
    w.DataPanelTotal->SetFitToContents(true);
    return w;
}

}  // namespace orders::ui
