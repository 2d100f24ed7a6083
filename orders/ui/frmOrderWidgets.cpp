#include "orders/ui/frmOrder.h"

#include "orders/ui/frmOrderShared.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/ViewGridSettings.h"
#include "orders/ui/KeyClock.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace orders::ui {

using namespace detail;

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

// ---- Controls -----------------------------------------------------------------------------

QSize frmOrder::DefaultSize(const QRect& available) {
    // What the window manager's frame and title take around the window.
    constexpr int kFrameWidth = 16;
    constexpr int kFrameHeight = 48;
    return {std::min(1050, available.width() - kFrameWidth),
            std::min(760, available.height() - kFrameHeight)};
}

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
    txtCode_Articolo_ = new CodeBox(this);
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
    dgRighe_->SetDefaultColumns(rowsFirstColumns());
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
    // The header shows its first fields and may scroll.
    DataPanel_->setMinimumHeight(180);
    // Every total in view, "Importo Totale" included: the panel never scrolls.
    DataPanelTotal_->SetFitToContents(true);
    setMinimumSize(780, 620);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    resize(screen ? DefaultSize(screen->availableGeometry()) : QSize(1050, 720));

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

}  // namespace orders::ui
