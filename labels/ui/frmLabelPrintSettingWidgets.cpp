#include "labels/ui/frmLabelPrintSettingWidgets.h"

#include "controls/MubCommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace labels {

LabelPrintSettingWidgets BuildLabelPrintSettingWidgets(QWidget* window) {
    LabelPrintSettingWidgets w;
    const auto label = [window](const QString& text) { return new QLabel(text, window); };
    const auto box = [window](const char* name, const QString& tip) {
        auto* edit = new QLineEdit(window);
        edit->setObjectName(QLatin1String(name));
        edit->setToolTip(tip);
        edit->setFont(QFont(QStringLiteral("MS Serif")));
        edit->setMaximumWidth(80);
        return edit;
    };
    const auto check = [window](const char* name, const QString& caption, const QString& tip) {
        auto* c = new QCheckBox(caption, window);
        c->setObjectName(QLatin1String(name));
        c->setToolTip(tip);
        return c;
    };
    const auto button = [](const char* name, const QString& caption, const QString& tip, QWidget* parent) {
        auto* b = new controls::MubCommand(caption, parent);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(tip);
        return b;
    };

    w.cbTableSel = new QComboBox(window);
    w.cbTableSel->setObjectName(QStringLiteral("cbTableSel"));
    w.cbTableSel->setMinimumWidth(220);
    w.cboPrinter = new QComboBox(window);
    w.cboPrinter->setObjectName(QStringLiteral("cboPrinter"));
    w.cboPrinter->setEditable(true);
    w.cboPrinter->setToolTip(QStringLiteral("Stampante etichette"));
    w.cboPrinter->setMinimumWidth(220);
    w.chkPrinterSelection = check("chkPrinterSelection", QStringLiteral("Selezionabile"),
                                  QStringLiteral("Indica che l'utente deve selezionare la stampante"));
    w.txtColumns =
        box("txtColumns", QStringLiteral("Numero di etichette stampabili nella stessa riga del modulo"));
    w.txtLabelHeight = box("txtLabelHeight", QStringLiteral("Altezza dell'etichetta (millimetri)"));
    w.txtLabelWidth = box("txtLabelWidth", QStringLiteral("Larghezza dell'etichetta (millimetri)"));
    w.txtLabelTop =
        box("txtLabelTop", QStringLiteral("Margine superiore della prima etichetta (millimetri)"));
    w.txtLabelLeft =
        box("txtLabelLeft", QStringLiteral("Margine sinistro della prima etichetta (millimetri)"));
    w.chkHorizontal = check("chkHorizontal", QStringLiteral("Orientamento Orizzontale:"),
                            QStringLiteral("Orienta i moduli orizzontalmente (ruota di 90 gradi)"));
    w.chkHorizontal->setLayoutDirection(Qt::RightToLeft);
    w.chkEnableLabelAlignment =
        check("chkEnableLabelAlignment", QStringLiteral("Richiedi Posizione Iniziale Etichette:"),
              QStringLiteral("Richiede all'utente il numero di eventuali etichette da saltare"));
    w.chkEnableLabelAlignment->setLayoutDirection(Qt::RightToLeft);
    w.txtCopy = box("txtCopy", QStringLiteral("Numero di copie per ogni etichetta"));
    w.txtVBScript = new QPlainTextEdit(window);
    w.txtVBScript->setObjectName(QStringLiteral("txtVBScript"));
    w.txtVBScript->setFont(QFont(QStringLiteral("Courier New"), 10));
    w.lblLine = new QLabel(QStringLiteral("Line 0/0"), window);
    w.lblLine->setObjectName(QStringLiteral("lblLine"));
    w.lblLine->setToolTip(QStringLiteral("Numero di linea corrente"));
    w.cmdPrnSetting =
        button("cmdPrnSetting", QStringLiteral("..."), QStringLiteral("Impostazione stampanti"), window);
    w.cmdInstruction = button("cmdInstruction", QStringLiteral("Istruzioni"), QString(), window);
    w.cmdField = button("cmdField", QStringLiteral("Campi >>"), QString(), window);

    auto* grid = new QGridLayout;
    grid->addWidget(label(QStringLiteral("Sorgente Dati:")), 0, 0);
    grid->addWidget(w.cbTableSel, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("Stampante:")), 1, 0);
    grid->addWidget(w.cboPrinter, 1, 1, 1, 2);
    grid->addWidget(w.cmdPrnSetting, 1, 3);
    grid->addWidget(w.chkPrinterSelection, 1, 4);
    grid->addWidget(label(QStringLiteral("Numero di etichette per riga:")), 2, 0);
    grid->addWidget(w.txtColumns, 2, 1);
    grid->addWidget(w.chkHorizontal, 2, 2, 1, 2);
    grid->addWidget(label(QStringLiteral("Altezza Etichetta (mm):")), 3, 0);
    grid->addWidget(w.txtLabelHeight, 3, 1);
    grid->addWidget(label(QStringLiteral("Larghezza (mm):")), 3, 2);
    grid->addWidget(w.txtLabelWidth, 3, 3);
    grid->addWidget(label(QStringLiteral("Margine Superiore (mm):")), 4, 0);
    grid->addWidget(w.txtLabelTop, 4, 1);
    grid->addWidget(label(QStringLiteral("Sinistro (mm):")), 4, 2);
    grid->addWidget(w.txtLabelLeft, 4, 3);
    grid->addWidget(w.chkEnableLabelAlignment, 5, 0, 1, 2);
    grid->addWidget(label(QStringLiteral("Numero di copie per etichetta:")), 5, 2);
    grid->addWidget(w.txtCopy, 5, 3);
    grid->addWidget(
        label(QStringLiteral("N.B.: Tutte le dimensioni e le posizioni sono espresse in millimetri")), 6, 0,
        1, 4);
    grid->setColumnStretch(5, 1);

    auto* scriptHead = new QHBoxLayout;
    scriptHead->addWidget(
        label(QStringLiteral("VB Script di composizione comandi per la stampa dell'etichetta:")));
    scriptHead->addStretch();
    scriptHead->addWidget(w.lblLine);
    scriptHead->addWidget(w.cmdInstruction);
    scriptHead->addWidget(w.cmdField);

    w.pnlBottom = new QWidget(window);
    w.pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
    auto* bottom = new QHBoxLayout(w.pnlBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    w.cmdOK =
        button("cmdOK", QStringLiteral("&Salva"), QStringLiteral("Salva lo script di stampa"), w.pnlBottom);
    w.cmdDefault = button("cmdDefault", QStringLiteral("Imposta &Predefinito"),
                          QStringLiteral("Imposta lo script di stampa predefinito"), w.pnlBottom);
    w.cmdTest =
        button("cmdTest", QStringLiteral("&Test"), QStringLiteral("Esegue il test di stampa"), w.pnlBottom);
    w.cmdPreview = button("cmdPreview", QStringLiteral("&Anteprima"),
                          QStringLiteral("Attiva l'anteprima di stampa"), w.pnlBottom);
    w.cmdLoad = button("cmdLoad", QStringLiteral("&Importa"),
                       QStringLiteral("Attiva l'importazione delllo Script di stampa"), w.pnlBottom);
    w.cmdSave = button("cmdSave", QStringLiteral("&Esporta"),
                       QStringLiteral("Attiva l'esportazione delllo Script di stampa"), w.pnlBottom);
    w.cmdCancel = button("cmdCancel", QStringLiteral("&Esci"), QString(), w.pnlBottom);
    for (controls::MubCommand* b : {w.cmdOK, w.cmdDefault, w.cmdTest, w.cmdPreview, w.cmdLoad, w.cmdSave})
        bottom->addWidget(b);
    bottom->addStretch();
    bottom->addWidget(w.cmdCancel);

    auto* layout = new QVBoxLayout(window);
    layout->addLayout(grid);
    layout->addLayout(scriptHead);
    layout->addWidget(w.txtVBScript, 1);
    layout->addWidget(w.pnlBottom);
    return w;
}

}  // namespace labels
