#include "mainwindow/MainCommands.h"

#include "controls/DataGrid.h"
#include "controls/MubCommand.h"
#include "core/AppError.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "mainwindow/MainBrowser.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PeriodSelection.h"
#include "mainwindow/RelationMenus.h"
#include "platform/Shell.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/RunContext.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/frmAbout.h"
#include "startup/ui/frmClientSettings.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/frmOptions.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

#include <algorithm>

namespace mainwindow {

namespace {

struct KeySpec {
    const char* key;
    const char* caption;
    const char* toolTip;
};

const KeySpec kKeys[] = {
    {"New", "Nuovo", "Nuovo"},
    {"Properties", "Modifica", "Modifica"},
    {"Delete", "Elimina", "Elimina"},
    {"Filter", "Filtra", "Filtra per selezionare una parte di dati"},
    {"Find", "Cerca", "Cerca (F3 per successivo)"},
    {"Refresh", "Rileggi Dati", "Aggiorna la visualizzazione dei dati"},
    {"Order", "Nuovo Ordine", "Attiva la procedura di emissione di un nuovo ordine"},
    {"Print", "Stampa", "Stampa"},
    {"Adjourn", "Aggiornamenti", "Scarica eventuali aggiornamenti dalla sede"},
    {"Send", "Invia ordini", "Invia gli ordini alla sede"},
    {"Exit", "Esci", ""},
};

// An address the browser may open: http or https, with "http://" added
// when no scheme is written. Empty (and why) for anything else.
QString supplierUrl(const QString& site, QString& problem) {
    const QString trimmed = site.trimmed();
    static const QRegularExpression scheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):"));
    const auto m = scheme.match(trimmed);
    QString text = trimmed;
    // "www.esempio.it:8080" has no scheme: a port follows the colon.
    if (!m.hasMatch() || trimmed.mid(m.capturedLength()).front().isDigit())
        text = QStringLiteral("http://") + trimmed;
    const QUrl url(text, QUrl::StrictMode);
    const QString s = url.scheme().toLower();
    if (!url.isValid() || (s != QLatin1String("http") && s != QLatin1String("https")) ||
        url.host().isEmpty()) {
        problem = QStringLiteral(
                      "Il sito web del fornitore \"%1\" non è un indirizzo internet valido "
                      "(http o https).")
                      .arg(trimmed);
        return {};
    }
    return text;
}

}  // namespace

MainCommands::MainCommands(QMainWindow* window, MainBrowser* browser)
    : QObject(window), window_(window), browser_(browser) {
    ResetPeriodState();
    relations_ = new RelationMenus(browser_->Widgets().mnuAssociation, window_);
    buildToolBar();
    buildMenus();
    browser_->Widgets().workArea->installEventFilter(this);

    // What the browsing part asks of the commands.
    connect(browser_, &MainBrowser::viewEditData, this, &MainCommands::ViewEditData);
    connect(browser_, &MainBrowser::fileNew, this, &MainCommands::mnuFileNew_Click);
    connect(browser_, &MainBrowser::fileDelete, this, &MainCommands::mnuFileDelete_Click);
    connect(browser_, &MainBrowser::viewCommandsEnabled, this, &MainCommands::SetViewCommandsEnabled);
    connect(browser_, &MainBrowser::printChosen, this,
            [this](bool preview, bool& shown) { shown = printView(preview ? 1 : 0); });
    connect(browser_, &MainBrowser::buildRelationMenus, relations_, &RelationMenus::BuildRelationMenus);
    connect(relations_, &RelationMenus::itemChosen, browser_, &MainBrowser::DeferRelationCommand);
    connect(browser_, &MainBrowser::openRelation, this, [this](const QString& kind, int number) {
        relations_->Open(kind, browser_->CurrentDataSource(), number);
    });
    platform::connectGuarded(browser_->Widgets().cmdDateSel, &QPushButton::clicked, this, [this] {
        mnuSelection_->popup(
            browser_->Widgets().cmdDateSel->mapToGlobal(QPoint(0, browser_->Widgets().cmdDateSel->height())));
    });
    SetViewCommandsEnabled(false);
    UpdateWiredCommands();
}

MainCommands::~MainCommands() = default;

QAction* MainCommands::addMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QLatin1String(name));
    return a;
}

QAction* MainCommands::Key(const QString& key) const {
    for (QAction* a : toolBar_->actions())
        if (a->property("Key").toString() == key) return a;
    return nullptr;
}

QAction* MainCommands::Menu(const QString& name) const { return window_->findChild<QAction*>(name); }

void MainCommands::buildToolBar() {
    toolBar_ = window_->addToolBar(QStringLiteral("Strumenti"));
    toolBar_->setObjectName(QStringLiteral("tbToolBar"));
    toolBar_->setMovable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const QStyle* style = window_->style();
    const QStyle::StandardPixmap icons[] = {QStyle::SP_FileIcon,
                                            QStyle::SP_FileDialogDetailedView,
                                            QStyle::SP_TrashIcon,
                                            QStyle::SP_FileDialogContentsView,
                                            QStyle::SP_FileDialogListView,
                                            QStyle::SP_BrowserReload,
                                            QStyle::SP_FileDialogNewFolder,
                                            QStyle::SP_DialogSaveButton,
                                            QStyle::SP_ArrowDown,
                                            QStyle::SP_ArrowUp,
                                            QStyle::SP_DialogCloseButton};
    int i = 0;
    for (const KeySpec& k : kKeys) {
        QAction* a = toolBar_->addAction(style->standardIcon(icons[i++]), QString::fromUtf8(k.caption));
        a->setProperty("Key", QLatin1String(k.key));
        a->setObjectName(QStringLiteral("tb") + QLatin1String(k.key));
        a->setToolTip(QString::fromUtf8(k.toolTip));
        if (QLatin1String(k.key) == QLatin1String("Adjourn") || QLatin1String(k.key) == QLatin1String("Exit"))
            toolBar_->addSeparator();
    }
    auto* spacer = new QWidget(toolBar_);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar_->addWidget(spacer);
    logo_ = new QLabel(toolBar_);
    logo_->setObjectName(QStringLiteral("ingToolbarLogo"));
    logo_->setToolTip(QStringLiteral("Doppio click per accedere al sito internet del fornitore"));
    logo_->setPixmap(style->standardIcon(QStyle::SP_DriveNetIcon).pixmap(32, 32));
    logo_->installEventFilter(this);
    toolBar_->addWidget(logo_);

    platform::connectGuarded(Key("New"), &QAction::triggered, this, &MainCommands::mnuFileNew_Click);
    platform::connectGuarded(Key("Properties"), &QAction::triggered, this, [this] { ViewEditData(false); });
    platform::connectGuarded(Key("Delete"), &QAction::triggered, this, &MainCommands::mnuFileDelete_Click);
    platform::connectGuarded(Key("Filter"), &QAction::triggered, this, &MainCommands::mnuFilterComplex_Click);
    platform::connectGuarded(Key("Find"), &QAction::triggered, this,
                             [this] { browser_->Widgets().mnuSearch->trigger(); });
    platform::connectGuarded(Key("Refresh"), &QAction::triggered, this, &MainCommands::mnuViewRefresh_Click);
    platform::connectGuarded(Key("Order"), &QAction::triggered, this, &MainCommands::mnuNewOrder_Click);
    platform::connectGuarded(Key("Print"), &QAction::triggered, this, [this] {
        QWidget* button = toolBar_->widgetForAction(Key("Print"));
        mnuPrintFunc_->popup(button ? button->mapToGlobal(QPoint(0, button->height())) : QCursor::pos());
    });
    platform::connectGuarded(Key("Adjourn"), &QAction::triggered, this, &MainCommands::mnuUpdate_Click);
    platform::connectGuarded(Key("Send"), &QAction::triggered, this, &MainCommands::mnuSendOrder_Click);
    platform::connectGuarded(Key("Exit"), &QAction::triggered, window_, [this] { window_->close(); });
}

void MainCommands::buildMenus() {
    QMenuBar* bar = window_->menuBar();
    const auto menuNamed = [bar](const char* name) -> QMenu* {
        for (QAction* a : bar->actions())
            if (a->menu() && a->menu()->objectName() == QLatin1String(name)) return a->menu();
        return nullptr;
    };

    // File: new, open, delete, new order, printing.
    QMenu* file = menuNamed("mnuFile");
    if (!file) {
        file = bar->addMenu(QStringLiteral("&File"));
        file->setObjectName(QStringLiteral("mnuFile"));
    }
    QAction* first = file->actions().value(0);
    const auto insert = [file, first](QAction* a) {
        file->removeAction(a);
        file->insertAction(first, a);
        return a;
    };
    QAction* a = insert(addMenuItem(file, "mnuFileNew", QStringLiteral("&Nuovo...")));
    a->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Insert));
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuFileNew_Click);
    a = insert(addMenuItem(file, "mnuFileProperties", QStringLiteral("&Modifica...")));
    a->setShortcut(QKeySequence(Qt::Key_F2));
    platform::connectGuarded(a, &QAction::triggered, this, [this] { ViewEditData(false); });
    a = insert(addMenuItem(file, "mnuFileDelete", QStringLiteral("&Elimina")));
    a->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuFileDelete_Click);
    file->insertSeparator(first);
    a = insert(addMenuItem(file, "mnuNewOrder", QStringLiteral("Nuovo &Ordine...")));
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuNewOrder_Click);
    file->insertSeparator(first);
    mnuPrintFunc_ = new QMenu(QStringLiteral("&Stampa dati"), window_);
    mnuPrintFunc_->setObjectName(QStringLiteral("mnuPrintFunc"));
    file->insertMenu(first, mnuPrintFunc_);
    a = addMenuItem(mnuPrintFunc_, "mnuPrint", QStringLiteral("&Stampa"));
    a->setShortcut(QKeySequence(Qt::Key_F8));
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuPrint_Click);
    platform::connectGuarded(addMenuItem(mnuPrintFunc_, "mnuPreview", QStringLiteral("&Anteprima...")),
                             &QAction::triggered, this, &MainCommands::mnuPreview_Click);
    platform::connectGuarded(
        addMenuItem(mnuPrintFunc_, "mnuPrintExport", QStringLiteral("Esporta stampa...")),
        &QAction::triggered, this, &MainCommands::mnuPrintExport_Click);
    a = insert(addMenuItem(file, "mnuPrintLabel", QStringLiteral("Stampa &Etichette")));
    a->setEnabled(false);
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuPrintLabel_Click);
    file->insertSeparator(first);
    platform::connectGuarded(
        insert(addMenuItem(file, "mnuImport", QStringLiteral("&Importa da archivio..."))),
        &QAction::triggered, this, [this] {
            if (importArchive) importArchive(currentDS(), [this] { browser_->RefreshDetailView(); });
        });
    platform::connectGuarded(insert(addMenuItem(file, "mnuSave", QStringLiteral("&Salva in archivio..."))),
                             &QAction::triggered, this, [this] {
                                 if (saveView) saveView(currentDS());
                             });
    file->insertSeparator(first);

    // Data: the period menu.
    QMenu* data = new QMenu(QStringLiteral("&Dati"), window_);
    data->setObjectName(QStringLiteral("mnuData"));
    bar->insertMenu(menuNamed("mnuView") ? menuNamed("mnuView")->menuAction() : nullptr, data);
    mnuSelection_ = data->addMenu(QStringLiteral("Selezioni in data"));
    mnuSelection_->setObjectName(QStringLiteral("mnuSelection"));
    struct PeriodItem {
        const char* name;
        const char* caption;
        void (MainCommands::*slot)();
    };
    const PeriodItem periods[] = {{"mnuSelAll", "&Tutti", &MainCommands::mnuSelAll_Click},
                                  {"mnuSelDate", "&Imposta data...", &MainCommands::mnuSelDate_Click},
                                  {"mnuSelMonth", "Imposta &Mese...", &MainCommands::mnuSelMonth_Click},
                                  {"mnuSelPeriod", "Imposta &Periodo...", &MainCommands::mnuSelPeriod_Click}};
    for (const PeriodItem& p : periods) {
        a = addMenuItem(mnuSelection_, p.name, QString::fromUtf8(p.caption));
        a->setCheckable(true);
        platform::connectGuarded(a, &QAction::triggered, this, p.slot);
    }
    mnuSelection_->menuAction()->setVisible(false);
    data->addMenu(browser_->Widgets().mnuDataSelection);

    // Filters: the complex filter moves here from the search menu.
    mnuFilter_ = new QMenu(QStringLiteral("&Filtra"), window_);
    mnuFilter_->setObjectName(QStringLiteral("mnuFilter"));
    bar->insertMenu(menuNamed("mnuView") ? menuNamed("mnuView")->menuAction() : nullptr, mnuFilter_);
    if (QAction* complex = browser_->Widgets().mnuFilterComplex) {
        for (QMenu* m : window_->findChildren<QMenu*>()) m->removeAction(complex);
        complex->setText(QStringLiteral("Imposta &filtro complesso..."));
        complex->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F3));
        mnuFilter_->addAction(complex);
    }
    platform::connectGuarded(addMenuItem(mnuFilter_, "mnuFilterCancel", QStringLiteral("&Annulla filtro")),
                             &QAction::triggered, this, &MainCommands::mnuFilterCancel_Click);

    // View.
    QMenu* view = menuNamed("mnuView");
    if (!view) {
        view = bar->addMenu(QStringLiteral("&Visualizza"));
        view->setObjectName(QStringLiteral("mnuView"));
    }
    view->addSeparator();
    platform::connectGuarded(
        addMenuItem(view, "mnuViewWebBrowser", QStringLiteral("Analizza su &WebBrowser...")),
        &QAction::triggered, this, &MainCommands::mnuViewWebBrowser_Click);
    a = addMenuItem(view, "mnuViewRefresh", QStringLiteral("&Aggiorna"));
    a->setShortcut(QKeySequence(Qt::Key_F5));
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuViewRefresh_Click);
    view->addSeparator();
    a = addMenuItem(view, "mnuViewToolbar", QStringLiteral("&Barra degli strumenti"));
    a->setCheckable(true);
    a->setChecked(true);
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuViewToolbar_Click);
    a = addMenuItem(view, "mnuViewStatusBar", QStringLiteral("Barra di &Stato"));
    a->setCheckable(true);
    a->setChecked(true);
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuViewStatusBar_Click);

    // Tools: exchange, configuration, report settings.
    QMenu* tools = menuNamed("mnuTools");
    if (!tools) {
        tools = bar->addMenu(QStringLiteral("&Strumenti"));
        tools->setObjectName(QStringLiteral("mnuTools"));
    }
    tools->addSeparator();
    platform::connectGuarded(
        addMenuItem(tools, "mnuUpdate", QStringLiteral("Scarica &aggiornamenti dalla sede...")),
        &QAction::triggered, this, &MainCommands::mnuUpdate_Click);
    platform::connectGuarded(addMenuItem(tools, "mnuSendOrder", QStringLiteral("&Invia ordini alla sede...")),
                             &QAction::triggered, this, &MainCommands::mnuSendOrder_Click);
    platform::connectGuarded(
        addMenuItem(tools, "mnuUploadAll", QStringLiteral("&Ricevi tutti i dati dalla sede...")),
        &QAction::triggered, this, &MainCommands::mnuUploadAll_Click);
    tools->addSeparator();
    platform::connectGuarded(addMenuItem(tools, "mnuToolsOptions", QStringLiteral("Parametri &Generali...")),
                             &QAction::triggered, this, &MainCommands::mnuToolsOptions_Click);
    platform::connectGuarded(
        addMenuItem(tools, "mnuToolsClientSettings", QStringLiteral("Parametri &Postazione...")),
        &QAction::triggered, this, &MainCommands::mnuToolsClientSettings_Click);
    mnuConfigBar0_ = tools->addSeparator();
    mnuConfigBar0_->setObjectName(QStringLiteral("mnuConfigBar0"));
    platform::connectGuarded(
        addMenuItem(tools, "mnuOrderPrintSetting",
                    QStringLiteral("Impostazione Stampa &Proposta d' Ordine...")),
        &QAction::triggered, this,
        [this] { reportSetting(QStringLiteral("Ordini.Righe"), true, QStringLiteral("PropostaOrdine")); });
    platform::connectGuarded(addMenuItem(tools, "mnuListOrderPrintSetting",
                                         QStringLiteral("Impostazione Stampa &Lista Ordini...")),
                             &QAction::triggered, this, [this] {
                                 reportSetting(QStringLiteral("Ordini"), false,
                                               QStringLiteral("Lista,ListaConRiferimenti"));
                             });
    platform::connectGuarded(
        addMenuItem(tools, "mnuStatisticPrintSetting", QStringLiteral("Impostazione Stampe &Clienti...")),
        &QAction::triggered, this, [this] {
            reportSetting(
                QStringLiteral("Clienti"), false,
                QStringLiteral("AnalisiCrescita,ListaPerRagSoc,ListaPerProvincia,ConsuntivoClienti"));
        });
    platform::connectGuarded(
        addMenuItem(tools, "mnuRowOrderPrintSetting", QStringLiteral("Impostazione Stampe &Righe Ordini...")),
        &QAction::triggered, this, [this] {
            reportSetting(QStringLiteral("RigheOrdini"), false,
                          QStringLiteral("ArticoliDaSpedire,DettaglioOrdini,OrdiniSpediti"));
        });

    // Help.
    QMenu* help = bar->addMenu(QStringLiteral("&?"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    a = addMenuItem(help, "mnuHelpContents", QStringLiteral("&Contents"));
    a->setEnabled(false);
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuHelpContents_Click);
    a = addMenuItem(help, "mnuHelpSearchForHelpOn", QStringLiteral("&Search For Help On..."));
    a->setEnabled(false);
    platform::connectGuarded(a, &QAction::triggered, this, &MainCommands::mnuHelpContents_Click);
    help->addSeparator();
    platform::connectGuarded(addMenuItem(help, "mnuHelpAbout", QStringLiteral("&About ")),
                             &QAction::triggered, this, &MainCommands::mnuHelpAbout_Click);
}

void MainCommands::UpdateWiredCommands() {
    const bool view = viewEnabled_;
    Menu(QStringLiteral("mnuNewOrder"))->setEnabled(bool(newOrder));
    Key(QStringLiteral("Order"))->setEnabled(bool(newOrder));
    Menu(QStringLiteral("mnuUpdate"))->setEnabled(bool(receiveUpdates));
    Key(QStringLiteral("Adjourn"))->setEnabled(bool(receiveUpdates));
    Menu(QStringLiteral("mnuSendOrder"))->setEnabled(bool(sendOrders));
    Key(QStringLiteral("Send"))->setEnabled(bool(sendOrders));
    Menu(QStringLiteral("mnuUploadAll"))->setEnabled(bool(receiveAll));
    Menu(QStringLiteral("mnuImport"))->setEnabled(bool(importArchive));
    Menu(QStringLiteral("mnuSave"))->setEnabled(bool(saveView));
    for (const char* name : {"mnuPrint", "mnuPreview", "mnuPrintExport"})
        Menu(QLatin1String(name))->setEnabled(bool(printPredefinedReport));
    mnuPrintFunc_->setEnabled(view);
    Key(QStringLiteral("Print"))->setEnabled(view);
    Menu(QStringLiteral("mnuPrintLabel"))->setEnabled(view && bool(printLabels));
    const auto db = browser_->OpenedDatabase();
    const bool administrator = db && db->AccessLevel() == 1;
    mnuConfigBar0_->setVisible(administrator);
    for (const char* name : {"mnuOrderPrintSetting", "mnuListOrderPrintSetting", "mnuStatisticPrintSetting",
                             "mnuRowOrderPrintSetting"}) {
        QAction* item = Menu(QLatin1String(name));
        item->setVisible(administrator);
        item->setEnabled(administrator && bool(editReportSetting));
    }
}

void MainCommands::SetViewCommandsEnabled(bool enabled) {
    viewEnabled_ = enabled;
    for (const char* key : {"New", "Properties", "Delete", "Refresh", "Find", "Filter"})
        Key(QLatin1String(key))->setEnabled(enabled);
    for (const char* name : {"mnuFileNew", "mnuFileProperties", "mnuFileDelete", "mnuViewRefresh"})
        Menu(QLatin1String(name))->setEnabled(enabled);
    mnuFilter_->setEnabled(enabled);
    browser_->Widgets().mnuFieldFuncs->setEnabled(enabled);
    UpdateWiredCommands();
    SetPeriodSelectionCaption();
}

std::shared_ptr<datalib::DataSource> MainCommands::currentDS() const { return browser_->CurrentDataSource(); }

QString MainCommands::selectedNodeKey() const {
    return NodeKey(browser_->Widgets().tvTreeView->currentItem());
}

// ---- View, tools, help ---------------------------------------------------------------------------

void MainCommands::mnuViewWebBrowser_Click() {
    const auto ds = currentDS();
    if (!browser_->Widgets().dgView->isVisible() || !ds) {
        QApplication::beep();
        return;
    }
    startup::ExportBrowserToHtml(ds.get(), window_, exportFields_);
}

// The exchange with head office: the view then shows the rows as they are
// (orders sent leave "Ordini da Inviare", received rows appear).
void MainCommands::mnuUpdate_Click() {
    if (!receiveUpdates) return;
    receiveUpdates();
    browser_->RefreshCurrentRows();
}

void MainCommands::mnuSendOrder_Click() {
    if (!sendOrders) return;
    sendOrders();
    browser_->RefreshCurrentRows();
}

void MainCommands::mnuUploadAll_Click() {
    if (!receiveAll) return;
    receiveAll();
    browser_->RefreshCurrentRows();
}

void MainCommands::mnuViewRefresh_Click() {
    startup::frmMessage::instance()->ShowMsg(QStringLiteral("Rilettura dati..."), window_, -1, -1);
    browser_->RefreshDetailView();
    startup::frmMessage::Unload();
}

void MainCommands::mnuViewToolbar_Click() {
    toolBar_->setVisible(Menu(QStringLiteral("mnuViewToolbar"))->isChecked());
    browser_->ArrangeMainWindow(browser_->SplitterPosition());
}

void MainCommands::mnuViewStatusBar_Click() {
    window_->statusBar()->setVisible(Menu(QStringLiteral("mnuViewStatusBar"))->isChecked());
    browser_->ArrangeMainWindow(browser_->SplitterPosition());
}

void MainCommands::mnuToolsOptions_Click() {
    auto* w = new startup::frmOptions(window_);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
}

void MainCommands::mnuToolsClientSettings_Click() {
    auto* w = new startup::frmClientSettings(window_);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
}

void MainCommands::SetToolbarLogo(const QString& file) {
    QPixmap picture;
    if (file.trimmed().isEmpty() || !picture.load(file) || picture.isNull()) return;
    const int height = std::max(16, toolBar_->iconSize().height());
    logo_->setPixmap(picture.height() > height ? picture.scaledToHeight(height, Qt::SmoothTransformation)
                                               : picture);
}

void MainCommands::mnuHelpAbout_Click() {
    // The window keeps its own caption ("Informazioni"); the title is its text.
    startup::frmAbout about(window_);
    about.strApplicationTitle =
        platform::softwareName() + QStringLiteral(" - ") + startup::runContext().registerName;
    about.exec();
}

void MainCommands::mnuHelpContents_Click() {
    platform::messageBox(
        QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."),
        platform::kOkOnly | platform::kInformation, QString(), window_);
}

// ---- Supplier site and free area ---------------------------------------------------------------------

void MainCommands::OpenSupplierSite() {
    try {
        const auto db = browser_->OpenedDatabase();
        if (!db) return;
        auto ds = db->OpenDataSource(QStringLiteral("Fornitori"), QStringLiteral("Predefinito"));
        if (ds->DataEmpty()) {
            platform::messageBox(QStringLiteral("Nessun fornitore predefinito impostato"),
                                 platform::kOkOnly | platform::kInformation, QString(), window_);
            return;
        }
        const QString site = ds->ColValueStr(QStringLiteral("SitoInternet")).trimmed();
        if (site.isEmpty()) {
            platform::messageBox(QStringLiteral("Sito web del fornitore non impostato"),
                                 platform::kOkOnly | platform::kInformation, QString(), window_);
            return;
        }
        QString problem;
        const QString url = supplierUrl(site, problem);
        if (url.isEmpty()) {
            platform::messageBox(problem, platform::kOkOnly | platform::kExclamation, QString(), window_);
            return;
        }
        platform::openDocument(url);
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
}

bool MainCommands::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == logo_) {
            OpenSupplierSite();
            return true;
        }
        if (watched == browser_->Widgets().workArea) {
            FreeAreaDoubleClick();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace mainwindow
