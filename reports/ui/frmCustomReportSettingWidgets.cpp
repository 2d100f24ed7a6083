#include "reports/ui/frmCustomReportSettingWidgets.h"

#include "controls/MubCommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStyle>
#include <QVBoxLayout>

namespace reports {

namespace {
const QString kTitleFont = QStringLiteral("Verdana");
}

CustomReportSettingWidgets BuildCustomReportSettingWidgets(QDialog* window) {
    CustomReportSettingWidgets w;
    const auto label = [window](const QString& text) { return new QLabel(text, window); };
    const auto sizeBox = [window](const QString& name, const QString& tip) {
        auto* box = new QLineEdit(window);
        box->setObjectName(name);
        box->setToolTip(tip);
        box->setFont(QFont(QStringLiteral("MS Serif")));
        box->setMaximumWidth(70);
        return box;
    };
    const auto combo = [window](const QString& name, const QString& tip, bool editable) {
        auto* box = new QComboBox(window);
        box->setObjectName(name);
        box->setToolTip(tip);
        box->setEditable(editable);
        box->setFont(QFont(kTitleFont));
        box->setInsertPolicy(QComboBox::NoInsert);
        return box;
    };
    const auto button = [window](const QString& name, const QString& caption, const QString& tip) {
        auto* b = new controls::MubCommand(caption, window);
        b->setObjectName(name);
        b->setToolTip(tip);
        return b;
    };

    w.lblTableSel = label(QStringLiteral("Sorgente Dati:"));
    w.lblTableSel->setObjectName(QStringLiteral("lblTableSel"));
    w.cbTableSel =
        combo(QStringLiteral("cbTableSel"), QStringLiteral("Tabella di origine dei dati da stampare"), false);
    w.cbReportName =
        combo(QStringLiteral("cbReportName"), QStringLiteral("Nome identificativo del Report"), true);
    w.lblReportGroup = label(QStringLiteral("Contesto:"));
    w.lblReportGroup->setObjectName(QStringLiteral("lblReportGroup"));
    w.cboReportGroup =
        combo(QStringLiteral("cboReportGroup"), QStringLiteral("Nome identificativo del Report"), true);
    w.cboPrinter = combo(QStringLiteral("cboPrinter"), QStringLiteral("Selezione della stampante "), true);
    w.chkPrinterSelection = new QCheckBox(QStringLiteral("Selezionabile"), window);
    w.chkPrinterSelection->setObjectName(QStringLiteral("chkPrinterSelection"));
    w.chkPrinterSelection->setToolTip(QStringLiteral("Indica che l'utente deve selezionare la stampante"));
    w.txtColumns =
        sizeBox(QStringLiteral("txtColumns"),
                QStringLiteral("Numero di moduli stampabili nella stessa riga (per copie multiple)"));
    w.txtColumns->setInputMask(QStringLiteral("9#"));
    w.chkHorizontal = new QCheckBox(window);
    w.chkHorizontal->setObjectName(QStringLiteral("chkHorizontal"));
    w.chkHorizontal->setToolTip(QStringLiteral("Orienta i moduli orizzontalmente (ruota di 90 gradi)"));
    w.txtReportHeight =
        sizeBox(QStringLiteral("txtReportHeight"), QStringLiteral("Altezza del modulo (millimetri)"));
    w.txtReportWidth =
        sizeBox(QStringLiteral("txtReportWidth"), QStringLiteral("Larghezza del modulo (millimetri)"));
    w.txtReportTop =
        sizeBox(QStringLiteral("txtReportTop"), QStringLiteral("Margine superiore del modulo (millimetri)"));
    w.txtReportLeft =
        sizeBox(QStringLiteral("txtReportLeft"), QStringLiteral("Margine sinistro del modulo (millimetri)"));
    w.txtReportRowsTop = sizeBox(
        QStringLiteral("txtReportRowsTop"),
        QStringLiteral("Margine superiore dell'area riservata alle righe del prospetto (millimetri)"));
    w.txtReportRowsBottom = sizeBox(
        QStringLiteral("txtReportRowsBottom"),
        QStringLiteral("Margine inferiore dell'area riservata alle righe del prospetto (millimetri)"));
    w.txtReportRowsDim =
        sizeBox(QStringLiteral("txtReportRowsDim"),
                QStringLiteral("Dimensione (massima) di una riga del prospetto (millimetri), vedi anche "
                               "prn.RowDimCur per variare in esecuzione"));
    w.txtBackImage = new QLineEdit(window);
    w.txtBackImage->setObjectName(QStringLiteral("txtBackImage"));
    w.txtBackImage->setToolTip(QStringLiteral("File con l'immagine di sfondo (max 150 dpi)"));
    w.txtBottomImageBorder = sizeBox(QStringLiteral("txtBottomImageBorder"),
                                     QStringLiteral("Bordo inferiore dell'immagine nel modulo (millimetri)"));
    w.cmdSelBackImage = button(QStringLiteral("cmdSelBackImage"), QStringLiteral("..."),
                               QStringLiteral("Seleziona l'immagine di sfondo (max 150 dpi)"));
    w.cmdPrnSetting =
        button(QStringLiteral("cmdPrnSetting"), QString(), QStringLiteral("Impostazione stampanti"));
    w.cmdPrnSetting->SetPicture(window->style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    w.cmdDelete = button(QStringLiteral("cmdDelete"), QString(),
                         QStringLiteral("Elimina lo script di stampa corrente"));
    w.cmdDelete->SetPicture(window->style()->standardIcon(QStyle::SP_DialogDiscardButton));
    w.cmdDefault = button(QStringLiteral("cmdDefault"), QStringLiteral("Imposta &Predefinito"),
                          QStringLiteral("Imposta lo script di stampa predefinito"));

    w.txtVBScript = new QPlainTextEdit(window);
    w.txtVBScript->setObjectName(QStringLiteral("txtVBScript"));
    QFont courier(QStringLiteral("Courier New"));
    courier.setStyleHint(QFont::Monospace);
    w.txtVBScript->setFont(courier);
    w.lblLine = label(QStringLiteral("Line 0/0"));
    w.lblLine->setObjectName(QStringLiteral("lblLine"));
    w.lblLine->setToolTip(QStringLiteral("Numero di linea corrente"));

    w.pnlBottom = new QWidget(window);
    w.pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    w.cmdInstruction = button(QStringLiteral("cmdInstruction"), QStringLiteral("Istruzioni"), QString());
    w.cmdField = button(QStringLiteral("cmdField"), QStringLiteral("Campi >>"), QString());
    w.cmdOK = button(QStringLiteral("cmdOK"), QStringLiteral("&Salva"),
                     QStringLiteral("Salva lo script di stampa"));
    w.cmdCancel = button(QStringLiteral("cmdCancel"), QStringLiteral("&Esci"), QString());
    w.cmdTest = button(QStringLiteral("cmdTest"), QStringLiteral("&Test"),
                       QStringLiteral("Esegue il test di stampa"));
    w.cmdPreview = button(QStringLiteral("cmdPreview"), QStringLiteral("&Anteprima"),
                          QStringLiteral("Attiva l'anteprima di stampa"));
    w.cmdSave = button(QStringLiteral("cmdSave"), QStringLiteral("&Esporta"),
                       QStringLiteral("Attiva l' esportazione delllo Script di stampa"));
    w.cmdLoad = button(QStringLiteral("cmdLoad"), QStringLiteral("&Importa"),
                       QStringLiteral("Attiva l'importazione delllo Script di stampa"));
    for (auto* b :
         {w.cmdInstruction, w.cmdField, w.cmdOK, w.cmdCancel, w.cmdTest, w.cmdPreview, w.cmdSave, w.cmdLoad})
        b->setParent(w.pnlBottom);

    // Layout: the source and profile rows, the sizes, the script, the buttons.
    auto* top = new QGridLayout;
    int row = 0;
    top->addWidget(w.lblTableSel, row, 0);
    top->addWidget(w.cbTableSel, row, 1, 1, 3);
    top->addWidget(label(QStringLiteral("Nome Report:")), row, 4);
    top->addWidget(w.cbReportName, row, 5, 1, 2);
    top->addWidget(w.cmdDelete, row, 7);
    top->addWidget(w.cmdDefault, row, 8);
    ++row;
    top->addWidget(w.lblReportGroup, row, 0);
    top->addWidget(w.cboReportGroup, row, 1, 1, 3);
    top->addWidget(label(QStringLiteral("Stampante:")), row, 4);
    top->addWidget(w.cboPrinter, row, 5, 1, 2);
    top->addWidget(w.chkPrinterSelection, row, 7);
    top->addWidget(w.cmdPrnSetting, row, 8);
    ++row;
    const auto pair = [&](int col, const QString& caption, QWidget* box) {
        top->addWidget(label(caption), row, col);
        top->addWidget(box, row, col + 1);
    };
    pair(0, QStringLiteral("Numero di moduli per riga:"), w.txtColumns);
    pair(2, QStringLiteral("Ordinamento orizzintale:"), w.chkHorizontal);
    pair(4, QStringLiteral("Altezza modulo (mm):"), w.txtReportHeight);
    pair(6, QStringLiteral("Larghezza (mm):"), w.txtReportWidth);
    ++row;
    pair(0, QStringLiteral("Margine Verticale modulo (mm):"), w.txtReportTop);
    pair(2, QStringLiteral("Orizzontale (mm):"), w.txtReportLeft);
    pair(4, QStringLiteral("Margine Superiore area righe (mm):"), w.txtReportRowsTop);
    pair(6, QStringLiteral("Inferiore (mm):"), w.txtReportRowsBottom);
    ++row;
    pair(0, QStringLiteral("Dimensione righe (mm):"), w.txtReportRowsDim);
    top->addWidget(label(QStringLiteral("Img. Sfondo:")), row, 2);
    auto* image = new QHBoxLayout;
    image->addWidget(w.txtBackImage);
    image->addWidget(w.cmdSelBackImage);
    top->addLayout(image, row, 3, 1, 3);
    pair(6, QStringLiteral("Bordo Inferiore (mm):"), w.txtBottomImageBorder);
    ++row;
    top->addWidget(
        label(QStringLiteral("N.B.: Tutte le dimensioni e le posizioni sono espresse in millimetri")), row, 0,
        1, 6);
    ++row;
    top->addWidget(label(QStringLiteral("VB Script di composizione comandi per la stampa:")), row, 0, 1, 6);
    top->addWidget(w.lblLine, row, 7, 1, 2, Qt::AlignRight);

    auto* buttons = new QHBoxLayout(w.pnlBottom);
    buttons->setContentsMargins(0, 4, 0, 0);
    for (auto* b : {w.cmdInstruction, w.cmdField}) buttons->addWidget(b);
    buttons->addStretch();
    for (auto* b : {w.cmdTest, w.cmdPreview, w.cmdSave, w.cmdLoad, w.cmdOK, w.cmdCancel})
        buttons->addWidget(b);

    auto* main = new QVBoxLayout(window);
    main->addLayout(top);
    main->addWidget(w.txtVBScript, 1);
    main->addWidget(w.pnlBottom);

    return w;
}

}  // namespace reports
