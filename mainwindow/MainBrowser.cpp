#include "mainwindow/MainBrowser.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/KeyStrings.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "core/ItalianText.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/Relations.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/MainBrowserWidgets.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PeriodSelection.h"
#include "mainwindow/PredefinedReports.h"
#include "mainwindow/SectionButtons.h"
#include "mainwindow/frmSearch_Clienti.h"
#include "mainwindow/frmSearch_Ordini.h"
#include "platform/SettingsStore.h"
#include "platform/ui/MessageBox.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/MainWindowLink.h"
#include "startup/ui/frmMessage.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>

namespace mainwindow {

using controls::DataGrid;
using controls::DataGridModel;
using controls::kAltMask;
using controls::kCtrlMask;
using controls::KeyCodeToKeyString;
using controls::kShiftMask;
using controls::ShiftState;
using controls::ViewGridSettings;
using controls::VirtualKeyCode;

namespace {

// The sections that are not plain tables: table, fixed filter, sort,
// columns, search window (1 customers, 2 orders) and whether the rows are
// printed rather than browsed.
struct SectionView {
    const char* key;
    const char* table;
    const char* filter;
    const char* sort;
    const char* columns;
    int searchMode;
    bool list;
};

const char* const kRowSort = "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga";
const char* const kRowColumns = "*,Ordini.Cliente,Ordini.NumeroSede";
const char* const kProposal = "Proposta d'Ordine";
const char* const kConfirmation = "Conferma d'Ordine";

const SectionView kSections[] = {
    {"Nuovi / non confermati", "Clienti", "NOT ConfermatoSede", "", "", 0, false},
    {"Ordini da Inviare", "Ordini", "NOT InviatoSede", "DataInserimento", "", 0, false},
    {"Elenco", "Ordini", "", "DataInserimento", "", 2, true},
    {"Dettagli (per Cliente)", "RigheOrdini", "Approvato", kRowSort, kRowColumns, 2, true},
    {"Analisi Crescita", "Clienti", "", "RagioneSociale", "", 0, true},
    {"Non Spediti", "Ordini", "NOT InviatoSede", "DataInserimento", "", 2, true},
    {"Non Confermati", "Ordini", "InviatoSede AND Not Approvato AND Not Annullato", "DataInserimento", "", 2,
     true},
    {"Confermati", "Ordini", "InviatoSede AND Approvato AND Not Annullato", "DataInserimento", "", 2, true},
    {"Annullati", "Ordini", "Annullato", "DataInserimento", "", 2, true},
    {"Elenco con Riferimenti", "Ordini", "", "DataInserimento", "", 2, true},
    {"Spediti (per Cliente)", "RigheOrdini", "", kRowSort, kRowColumns, 1, true},
    {"Articoli Da Spedire (per Cliente)", "RigheOrdini", "QuantitàOrdine - QuantitàEvasa > 0", kRowSort,
     kRowColumns, 2, true},
    // Printed once an order has been chosen.
    {kProposal, "Ordini", "", "", "", 0, false},
    {kConfirmation, "Ordini", "", "", "", 0, false},
    {"Clienti per Rag.Soc.", "Clienti", "", "RagioneSociale", "", 1, true},
    // A customer's province is its town's.
    {"Clienti per Provincia", "Clienti", "", "Comuni.Provincia", "", 1, true},
    {"Consuntivo Clienti", "Clienti", "", "RagioneSociale", "", 1, true},
};

const char* const kOrderColumns = "*,Numero,NumeroSede,Cliente,DataInserimento,Listino,DataModifica,Agente";
const char* const kSplitterSetting = "MainSplit";

QString applicationTitle() { return platform::appName(); }

// The hide button shows an arrow for "3" (section shown) and "4" (hidden).
void showHideCaption(controls::MubCommand* button, const SplitterState& state) {
    const bool shown = state.hideCaption != QLatin1String("4");
    button->setText(shown ? QStringLiteral("◀") : QStringLiteral("▶"));
    button->setProperty("Caption3or4", state.hideCaption);
    if (state.buttonColour.isValid())
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: %1; }").arg(state.buttonColour.name()));
    else
        button->setStyleSheet(QString());
}

}  // namespace

QString EventStatusText(int code, const QString& text) {
    QString status = datalib::Application::EventText(code);
    if (!text.isEmpty()) status += QStringLiteral(" <") + text + QStringLiteral(">...");
    return status;
}

void AskLibraryQuestion(int kind, const QString& question, bool& answer, QWidget* parent) {
    const int icon = kind == 3 ? platform::kExclamation : platform::kQuestion;
    const int defaultButton = answer ? platform::kDefaultButton2 : platform::kDefaultButton1;
    const int reply =
        platform::messageBox(question, platform::kOkCancel | icon | defaultButton, QString(), parent);
    answer = reply != platform::kAnswerOk;
}

MainBrowser::MainBrowser(QMainWindow* window, std::function<void(const QString&)> statusText)
    : QObject(window), window_(window), statusText_(std::move(statusText)) {
    databaseSource_ = [] { return startup::OpenDatabase(); };
    bool ok = false;
    const double split = platform::SettingsStore::get(platform::appName(), QStringLiteral("Settings"),
                                                      QLatin1String(kSplitterSetting), QStringLiteral("3500"))
                             .replace(QLatin1Char(','), QLatin1Char('.'))
                             .toDouble(&ok);
    if (ok && split > 0) splitterLeft_ = split;
    buildWidgets();
    buildMenus();
    qApp->installEventFilter(this);
}

MainBrowser::~MainBrowser() {
    qApp->removeEventFilter(this);
    watchTransactions(nullptr);
    if (curDS_ && curDSEvents_ >= 0) curDS_->disconnectRefresh(curDSEvents_);
}

void MainBrowser::SetDatabaseSource(std::function<std::shared_ptr<datalib::Database>()> source) {
    databaseSource_ = std::move(source);
}

std::shared_ptr<datalib::Database> MainBrowser::database() const {
    auto db = databaseSource_ ? databaseSource_() : nullptr;
    return db && db->IsOpen() ? db : nullptr;
}

// ---- Widgets -------------------------------------------------------------------------

void MainBrowser::buildWidgets() {
    w_ = BuildBrowserWidgets(window_, this);

    connect(w_.cmdHideTree, &QPushButton::clicked, this, [this] { mnuHideSection_Click(); });
    connect(w_.tvTreeView, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { tvTreeView_NodeClick(current); });
    // A mouse press makes the node current, and so shows it; the click that
    // follows shows a node again only when it was current already (a list
    // section has gone back to its heading by then, and would run twice).
    // The press marks the node under the mouse: the current one is marked
    // again once the press is over.
    connect(w_.tvTreeView, &QTreeWidget::itemPressed, this,
            [this](QTreeWidgetItem*, int) { markCurrentNode(); });
    connect(w_.tvTreeView, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node, int) {
        if (NodeId(node) == currentAtPress_) tvTreeView_NodeClick(node);
    });
    connect(w_.tvTreeView, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { RefreshDetailView(); });

    connect(w_.MubShortSearch, &controls::MubShortSearch::InputReturned, this, [this](int, int) {
        if (w_.dgView->isVisible() && w_.dgView->isEnabled()) w_.dgView->setFocus(Qt::OtherFocusReason);
    });
    connect(w_.MubShortSearch, &controls::MubShortSearch::QueryDefaultSort, this,
            [this](QString& criterion, bool& handled) {
                criterion = gridSettings_ ? gridSettings_->DefaultSort() : QString();
                handled = true;
            });
    connect(w_.MubShortSearch, &controls::MubShortSearch::DefaultSortChanged, this,
            [this](const QString& criterion, bool& handled) {
                if (gridSettings_) gridSettings_->SetDefaultSort(criterion);
                QString text = QStringLiteral("Il criterio di ordinamento predefinito è stato ");
                text += criterion.isEmpty() ? QStringLiteral("annullato.")
                                            : QStringLiteral("memorizzato.\rCRITERIO: ") + criterion;
                platform::messageBox(text, platform::kOkOnly | platform::kInformation, applicationTitle(),
                                     window_);
                handled = true;
            });
    connect(w_.MubShortSearch, &controls::MubShortSearch::RowFound, this,
            [this](long) { w_.dgView->FollowDataSource(); });

    connect(w_.dgView, &DataGrid::keyDown, this, &MainBrowser::GridKeyDown);
    connect(w_.dgView, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex&) { emit viewEditData(false); });
    connect(w_.dgView, &DataGrid::headerClicked, this, &MainBrowser::headerClicked);
    connect(w_.dgView, &DataGrid::columnResized, this, &MainBrowser::columnResized);
    connect(w_.dgView, &DataGrid::contextMenuWanted, this,
            [this](DataGrid::MenuTarget target, const QPoint& pos) { contextMenu(int(target), pos); });

    connect(w_.acmdSectionItem, &SectionButtons::refreshRequested, this,
            [this] { ShowNode(w_.tvTreeView->currentItem()); });
    connect(w_.tmFunc, &QTimer::timeout, this, &MainBrowser::tmFunc_Timer);
    showHideCaption(w_.cmdHideTree, splitState_);
}

void MainBrowser::buildMenus() {
    connect(w_.mnuHideSection, &QAction::triggered, this, [this] {
        // The check mark follows the layout, not the click.
        w_.mnuHideSection->setChecked(!w_.mnuHideSection->isChecked());
        mnuHideSection_Click();
    });
    connect(w_.mnuOrderComplex, &QAction::triggered, this, [this] {
        w_.tmFunc->setProperty("Tag", QStringLiteral("mnuOrderComplex"));
        w_.tmFunc->start();
    });
    connect(w_.mnuOrderCancel, &QAction::triggered, this, [this] { w_.MubShortSearch->CancelSort(); });
    connect(w_.mnuSearch, &QAction::triggered, this, [this] {
        if (w_.MubShortSearch->isVisible()) w_.MubShortSearch->SearchNext(true);
    });
    connect(w_.mnuFilterComplex, &QAction::triggered, this, [this] {
        w_.tmFunc->setProperty("Tag", QStringLiteral("mnuFilterComplex"));
        w_.tmFunc->start();
    });
    connect(w_.mnuTotalCount, &QAction::triggered, this, [this] { mnuTotalCount_Click(); });

    connect(w_.mnuFieldFilter, &QAction::triggered, this, &MainBrowser::mnuFieldFilter_Click);
    connect(w_.mnuFieldSearchNext, &QAction::triggered, this, &MainBrowser::mnuFieldSearchNext_Click);
    connect(w_.mnuFieldFilterCancel, &QAction::triggered, this, &MainBrowser::mnuFieldFilterCancel_Click);
    connect(w_.mnuFieldFilterCancelAll, &QAction::triggered, this,
            &MainBrowser::mnuFieldFilterCancelAll_Click);
    connect(w_.mnuDataSelBeforeQuery, &QAction::triggered, this, [this] {
        // The check mark tells whether a selection is stored, not the click.
        w_.mnuDataSelBeforeQuery->setChecked(!w_.mnuDataSelBeforeQuery->isChecked());
        mnuDataSelBeforeQuery_Click();
    });
    connect(w_.mnuDataSelCancel, &QAction::triggered, this, &MainBrowser::mnuDataSelCancel_Click);

    // The grid-settings button's menu works on the view shown.
    controls::GridSettingsMenu::Target target;
    target.grid = [this] { return w_.dgView; };
    target.dataSource = [this] { return curDS_; };
    target.settings = [this] { return gridSettings_.get(); };
    w_.mnuGridSetting =
        new controls::GridSettingsMenu(QStringLiteral("&Griglia"), std::move(target), window_);
    connect(w_.cmdGridSetting, &QPushButton::clicked, this,
            [this] { w_.mnuGridSetting->popup(QCursor::pos()); });
}

QList<QAction*> MainBrowser::mnuTotalItems() const {
    QList<QAction*> items;
    bool after = false;
    for (QAction* a : w_.mnuTotal->actions()) {
        if (a == w_.mnuTotalHeading) after = true;
        if (after) items << a;
    }
    return items;
}

// ---- Tree ------------------------------------------------------------------------------

void MainBrowser::SetTreeViewNodes() {
    auto db = database();
    if (!db) return;
    mainwindow::SetTreeViewNodes(w_.tvTreeView, *db);
}

void MainBrowser::tvTreeView_NodeClick(QTreeWidgetItem* node) {
    if (!node) return;
    if (w_.tvTreeView->currentItem() != node) {
        const QSignalBlocker quiet(w_.tvTreeView);
        w_.tvTreeView->setCurrentItem(node);
    }
    // The tree owns its nodes and a rebuild frees them: the node last shown
    // is known by its identity, which a node of the new build never shares.
    if (NodeId(node) == lastShownId_) return;
    lastShownId_ = NodeId(node);
    markCurrentNode();
    RefreshDetailView();
}

void MainBrowser::ShowNode(QTreeWidgetItem* node) {
    if (node && w_.tvTreeView->currentItem() != node) {
        const QSignalBlocker quiet(w_.tvTreeView);
        w_.tvTreeView->setCurrentItem(node);
    }
    lastShownId_ = NodeId(w_.tvTreeView->currentItem());
    markCurrentNode();
    RefreshDetailView();
}

void MainBrowser::markCurrentNode() {
    QTreeWidgetItem* current = w_.tvTreeView->currentItem();
    if (current && (!current->isSelected() || w_.tvTreeView->selectedItems().size() != 1))
        w_.tvTreeView->selectionModel()->select(w_.tvTreeView->currentIndex(),
                                                QItemSelectionModel::ClearAndSelect);
}

// ---- The data view -------------------------------------------------------------------------

void MainBrowser::SetStatusMsg(const QString& text) {
    if (statusText_) statusText_(text);
}

void MainBrowser::ReleaseView() {
    watchTransactions(nullptr);
    SaveGridSettings();
    w_.dgView->Bind(nullptr, nullptr);
    std::shared_ptr<datalib::DataSource> none;
    w_.MubShortSearch->Bind(none);
    if (curDS_ && curDSEvents_ >= 0) curDS_->disconnectRefresh(curDSEvents_);
    curDSEvents_ = -1;
    curDS_.reset();
    selection_.reset();
}

void MainBrowser::RefreshCurrentRows() {
    rowsRefreshQueued_ = false;
    if (!curDS_ || refreshing_ || listView_ || w_.dgView->isHidden()) return;
    const auto db = database();
    if (!db || curDS_->Database() != db || db->InTransaction()) return;
    try {
        if (curDS_->Refresh()) w_.dgView->FollowDataSource();
    } catch (...) {
        const core::AppError error = startup::CurrentError();
        startup::ShowError(error, QStringLiteral("Visualizzazione dati fallita: \r\r") + error.description(),
                           window_);
    }
    w_.dgView->viewport()->update();
}

void MainBrowser::queueRowsRefresh() {
    if (rowsRefreshQueued_) return;
    rowsRefreshQueued_ = true;
    QTimer::singleShot(0, this, [this] { RefreshCurrentRows(); });
}

// A confirmed or cancelled order ends the transaction it was written in: the
// view shows the rows as they are then, whichever window is active.
void MainBrowser::watchTransactions(const std::shared_ptr<datalib::Database>& db) {
    if (db && transactionEnd_ && watched_.lock() == db) return;
    transactionEnd_.reset();
    watched_ = db;
    if (db) transactionEnd_ = db->WatchTransactionEnd([this] { queueRowsRefresh(); });
}

void MainBrowser::SaveGridSettings() {
    if (gridSettings_) gridSettings_->WriteFile();
}

// What a view is built from: the parts of the section, the criteria that
// narrow it (the chosen order, the stored selection or the search, the
// period) and the title it is shown under.
struct MainBrowser::Query {
    QString nodeText;
    QString key;
    QString table;
    QString fixedFilter;  // the section's own condition: the data source's base filter
    QString sort;
    QString columns;
    int searchMode = 0;
    bool list = false;
    QString criteria;  // the data source's filter
    QString dateColumn;
    QString title;
};

void MainBrowser::RefreshDetailView() {
    auto db = database();
    if (!db || refreshing_) return;
    refreshing_ = true;

    // Where the previous view stood, to find the row again in the same table.
    QString savedTable;
    qint64 savedKey = 0;
    if (curDS_ && w_.dgView->dataSource()) {
        try {
            savedTable = curDS_->Table()->Name();
            if (!curDS_->Bof() && !curDS_->Eof()) savedKey = w_.dgView->Bookmark();
        } catch (...) {
            savedKey = 0;
        }
    }

    // A view that cannot be built leaves the one on screen as it was.
    bool messageShown = false;
    const auto failed = [&] {
        const core::AppError error = startup::CurrentError();
        refreshing_ = false;
        if (messageShown) {
            startup::frmMessage::Unload();
            QApplication::restoreOverrideCursor();
        }
        startup::ShowError(error, QStringLiteral("Visualizzazione dati fallita: \r\r") + error.description(),
                           window_);
    };

    QTreeWidgetItem* node = w_.tvTreeView->currentItem();
    const QString key = NodeKey(node);
    Query q;
    std::shared_ptr<datalib::DataSource> ds;
    try {
        w_.mnuDataSelBeforeQuery->setChecked(false);
        if (node)
            SetStatusMsg(w_.lblTitle[0]->text() + QStringLiteral(" <") + node->text(0) + QStringLiteral(">"));
        if (node && !key.isEmpty()) {
            if (!buildQuery(node, key, q)) {
                // The order chooser or the search window was closed: no view.
                refreshing_ = false;
                backToHeading(node, false);
                return;
            }
            if (q.table != savedTable) {
                savedTable.clear();
                savedKey = 0;
            }
            QApplication::setOverrideCursor(Qt::WaitCursor);
            startup::frmMessage::instance()->ShowMsg(
                QStringLiteral("Lettura ") + q.nodeText + QStringLiteral("..."), window_, -1, -1);
            messageShown = true;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            ds = db->Tables(q.table)->OpenDataSource(q.criteria, q.sort, q.columns, q.fixedFilter);
        }
    } catch (...) {
        failed();
        return;
    }

    // The new view takes the place of the previous one.
    try {
        w_.lblTitle[1]->setText(w_.lblTitle[1]->property("Tag").toString());
        for (QAction* a : mnuTotalItems())
            if (a != w_.mnuTotalHeading) {
                w_.mnuTotal->removeAction(a);
                a->deleteLater();
            }
        emit buildRelationMenus(curDS_.get(), true);
        if (!ds) {
            showEmptyState();
        } else {
            w_.imgMainBackground->hide();
            presentView(q, ds, savedTable, savedKey);
        }
        const bool browsed = !w_.dgView->isHidden();
        w_.mnuOrder->setEnabled(browsed);
        w_.mnuSearch->setEnabled(browsed);
        w_.mnuFilterComplex->setEnabled(browsed);
        emit viewCommandsEnabled(browsed);
        setAdministratorItems();
        ArrangeMainWindow(splitterLeft_);
        BuildSectionButtons();
    } catch (...) {
        failed();
        return;
    }
    if (messageShown) {
        startup::frmMessage::Unload();
        QApplication::restoreOverrideCursor();
    }

    // A list section is printed, then the window goes back to its heading.
    if (ds && q.list) {
        try {
            if (curDS_->DataEmpty()) {
                platform::messageBox(QStringLiteral("Nessun dato corrispondente ai criteri impostati."),
                                     platform::kOkOnly | platform::kInformation, applicationTitle(), window_);
            } else {
                bool preview = false;
                if (frmPrinterFunctions::ShowSelection(window_, preview)) emit printChosen(preview);
            }
        } catch (...) {
            startup::ShowError(startup::CurrentError(), QString(), window_);
        }
        refreshing_ = false;
        backToHeading(node, true);
        return;
    }
    refreshing_ = false;
    if (w_.dgView->isVisible() && !w_.MubShortSearch->isAncestorOf(window_->focusWidget()))
        w_.dgView->setFocus(Qt::OtherFocusReason);
}

bool MainBrowser::buildQuery(QTreeWidgetItem* node, const QString& key, Query& q) {
    q.nodeText = node->text(0);
    q.key = key;
    q.table = MapListTableName(key);
    for (const SectionView& s : kSections)
        if (key == QString::fromUtf8(s.key)) {
            q.table = QString::fromUtf8(s.table);
            q.fixedFilter = QString::fromUtf8(s.filter);
            q.sort = QString::fromUtf8(s.sort);
            q.columns = QString::fromUtf8(s.columns);
            q.searchMode = s.searchMode;
            q.list = s.list;
            break;
        }
    if ((key == QString::fromUtf8(kProposal) || key == QString::fromUtf8(kConfirmation)) &&
        !chooseOrder(key, q))
        return false;

    q.title = QStringLiteral(" ") + q.nodeText;
    q.dateColumn = GetPeriodDateField(q.table);
    if (q.table == QLatin1String("Ordini")) {
        if (q.columns.isEmpty()) q.columns = QLatin1String(kOrderColumns);
        if (q.sort.isEmpty()) q.sort = QStringLiteral("DataInserimento");
    }
    static const QStringList disabledTables{QStringLiteral("Articoli"), QStringLiteral("Listini"),
                                            QStringLiteral("Kit"), QStringLiteral("Categorie"),
                                            QStringLiteral("Linee")};
    if (disabledTables.contains(q.table)) {
        if (!q.fixedFilter.trimmed().isEmpty()) q.fixedFilter += QStringLiteral(" AND ");
        q.fixedFilter += QStringLiteral(" Disabilitato = False ");
    }

    if (q.searchMode == 0) applyStoredSelection(q.nodeText, q);
    if (!w_.mnuDataSelBeforeQuery->isChecked() && q.searchMode != 0 && !runSearchWindow(q.searchMode, q))
        return false;

    // The period chosen in the period menu, on the view's date column.
    const QString period = PeriodCondition(periodState(), q.dateColumn, *database());
    if (!period.isEmpty())
        q.criteria = q.criteria.isEmpty()
                         ? period
                         : QStringLiteral("(") + q.criteria + QStringLiteral(") AND ") + period;
    return true;
}

// The order-print sections first let the operator choose one order.
bool MainBrowser::chooseOrder(const QString& key, Query& q) {
    const bool proposal = key == QString::fromUtf8(kProposal);
    auto orders =
        database()
            ->Tables(QStringLiteral("Ordini"))
            ->OpenDataSource(proposal ? QStringLiteral("NOT Approvato") : QStringLiteral("Approvato"),
                             QStringLiteral("Numero DESC"));
    const core::Variant chosen =
        controls::ViewUtility::View(orders, window_).PickList(QString(), QString(), QStringLiteral("Numero"));
    if (chosen.isEmpty()) return false;
    q.criteria = orders->EqualityCondition(QStringLiteral("Numero"));
    q.list = true;
    return true;
}

// The selection kept for a node: a new one when the node's text or table
// changed.
datalib::SelectionCriteria& MainBrowser::selectionFor(const QString& nodeText,
                                                      const datalib::TableDef& table) {
    if (selection_ && (selection_->Name() != nodeText || &selection_->table() != &table)) selection_.reset();
    if (!selection_) selection_ = std::make_unique<datalib::SelectionCriteria>(database(), table);
    return *selection_;
}

// The selection stored under the node's text is asked for before the data
// are shown ("Selezioni predefinite").
void MainBrowser::applyStoredSelection(const QString& nodeText, Query& q) {
    auto db = database();
    const datalib::TableDef* table = db->tableDef(q.table);
    if (!table) return;
    selectionFor(nodeText, *table);
    if (selection_->Exists(nodeText)) {
        w_.mnuDataSelBeforeQuery->setChecked(true);
        if (selection_->Name() != nodeText) selection_->Load(nodeText);
    }
    if (!w_.mnuDataSelBeforeQuery->isChecked() || !q.criteria.isEmpty()) return;

    const QString caption = w_.lblTitle[1]->property("Tag").toString();
    if (controls::ViewUtility::SelectionDialog(*selection_, window_, true, false, true,
                                               QStringLiteral("Selezioni predefinite"), 0, 0)) {
        q.criteria = selection_->CombinedText();
        if (q.criteria.isEmpty()) {
            selection_.reset();
        } else {
            q.title = caption + QStringLiteral("  [selezioni impostate]");
            if (!q.dateColumn.isEmpty() && selection_->TestColumn(q.dateColumn)) q.dateColumn.clear();
        }
        return;
    }
    const int answer = platform::messageBox(
        QStringLiteral("Selezioni predefinite annullate...\r\rVuoi visualizzare tutti i dati?"),
        platform::kYesNo | platform::kQuestion | platform::kDefaultButton2, applicationTitle(), window_);
    if (answer == platform::kAnswerYes) return;
    // No rows at all: the key column equal to Null.
    QString keyColumn = table->keyFieldName();
    if (keyColumn.isEmpty()) keyColumn = QStringLiteral("OID");
    q.criteria = db->Tables(q.table)->BuildFieldCondition(keyColumn, core::Variant::null(), 0);
    q.title = caption + QStringLiteral("  [nessun dato richiesto]");
}

// The customer (1) or order (2) search window narrows the section; after a
// search no period applies. False when the window was closed.
bool MainBrowser::runSearchWindow(int mode, Query& q) {
    auto db = database();
    const datalib::TableDef* table =
        db->tableDef(mode == 1 ? QStringLiteral("Clienti") : QStringLiteral("Ordini"));
    if (!table) return false;
    selection_ = std::make_unique<datalib::SelectionCriteria>(db, *table);
    bool confirmed = false;
    if (mode == 1)
        frmSearch_Clienti::ShowSelection(window_, *selection_, confirmed);
    else
        frmSearch_Ordini::ShowSelection(window_, *selection_, confirmed);
    if (!confirmed) return false;
    const QString search = selection_->CombinedText();
    if (!search.isEmpty()) {
        if (!q.criteria.isEmpty()) q.criteria = QStringLiteral("(") + q.criteria + QStringLiteral(") AND ");
        q.criteria += QStringLiteral("(") + search + QStringLiteral(")");
    }
    q.dateColumn.clear();
    return true;
}

void MainBrowser::presentView(const Query& q, const std::shared_ptr<datalib::DataSource>& ds,
                              const QString& savedTable, qint64 savedKey) {
    if (curDS_ && curDSEvents_ >= 0) curDS_->disconnectRefresh(curDSEvents_);
    curDSEvents_ = -1;
    curDS_ = ds;
    listView_ = q.list;
    w_.lblTitle[1]->setText(q.title);

    // Grid settings: kept while the data set stays the same.
    const QString dsName = curDS_->Table()->Name();
    if (!gridSettings_ || gridSettings_->Section() != dsName) {
        if (gridSettings_) gridSettings_->WriteFile();
        gridSettings_ = controls::ViewUtility::GridSettings(ViewGridSettings::DefaultFileName(), dsName);
    }
    controls::ViewUtility::View(curDS_, window_).GridView(w_.dgView, gridSettings_.get());
    RefreshTotalsMenu();
    curDSEvents_ = curDS_->connectRefresh([this](datalib::DataSource& d) { OnRefreshRecordset(d); });
    watchTransactions(curDS_->Database());

    w_.dgView->clearSelection();
    if (!savedTable.isEmpty() && savedKey && curDS_->ColExist(QStringLiteral("OID")) &&
        curDS_->MoveToKey(core::Variant(static_cast<double>(savedKey))))
        w_.dgView->FollowDataSource();

    w_.cmdDateSel->setVisible(!q.dateColumn.isEmpty());
    w_.cmdDateSel->setProperty("Tag", q.dateColumn);

    if (!q.list) {
        w_.MubShortSearch->Bind(curDS_);
        w_.MubShortSearch->show();
        w_.dgView->show();
        w_.cmdGridSetting->show();
    } else {
        w_.dgView->Bind(nullptr, nullptr);
        w_.dgView->hide();
        w_.MubShortSearch->hide();
        w_.cmdGridSetting->hide();
    }
    emit buildRelationMenus(curDS_.get(), false);
    w_.mnuGridSetting->mnuGridFldSequence()->setChecked(gridSettings_ &&
                                                        !gridSettings_->FieldSequence().isEmpty());
}

// Back from a list section or a closed chooser: the node's parent becomes
// the tree's current node; after a list section a heading is shown again
// (a closed chooser leaves the previous view on screen).
void MainBrowser::backToHeading(QTreeWidgetItem* node, bool showHeading) {
    QTreeWidgetItem* parent = node ? node->parent() : nullptr;
    if (!parent) return;
    {
        const QSignalBlocker quiet(w_.tvTreeView);
        w_.tvTreeView->setCurrentItem(parent);
    }
    lastShownId_ = NodeId(parent);
    if (showHeading && NodeKey(parent).isEmpty()) RefreshDetailView();
}

// "Selezioni predefinite" and the report settings are the administrator's.
void MainBrowser::setAdministratorItems() {
    const auto db = database();
    const bool administrator = db && db->AccessLevel() == 1;
    w_.mnuDataSelection->menuAction()->setVisible(administrator);
    w_.mnuDataSelection->setEnabled(administrator);
}

void MainBrowser::showEmptyState() {
    listView_ = false;
    w_.dgView->Bind(nullptr, nullptr);
    w_.dgView->hide();
    std::shared_ptr<datalib::DataSource> none;
    w_.MubShortSearch->Bind(none);
    w_.MubShortSearch->hide();
    w_.cmdGridSetting->hide();
    w_.cmdDateSel->setEnabled(false);
    selection_.reset();
    if (curDS_ && curDSEvents_ >= 0) curDS_->disconnectRefresh(curDSEvents_);
    curDSEvents_ = -1;
    curDS_.reset();
    if (!w_.imgMainBackground->pixmap().isNull()) w_.imgMainBackground->show();
}

void MainBrowser::OnRefreshRecordset(datalib::DataSource&) {
    w_.dgView->ApplyLayout(gridSettings_.get());
    RefreshTotalsMenu();
}

// ---- Totals -------------------------------------------------------------------------------

void MainBrowser::RefreshTotalsMenu() {
    if (mnuTotalItems().size() > 1 || !curDS_) return;
    for (const QString& name : curDS_->ColumnNames()) {
        const datalib::ColumnDef* def = curDS_->tableDef().findColumn(name);
        if (!def || !def->isMoney() || !def->flag) continue;
        QAction* item = w_.mnuTotal->addAction(name);
        item->setEnabled(true);
        const int index = int(mnuTotalItems().size()) - 1;
        item->setProperty("Index", index);
        connect(item, &QAction::triggered, this, [this, index] { mnuTotalItems_Click(index); });
    }
}

void MainBrowser::mnuTotalCount_Click() {
    if (!curDS_) return;
    platform::messageBox(QString::number(curDS_->RowCount(true)) + QStringLiteral(" Elementi."),
                         platform::kOkOnly, QString(), window_);
}

void MainBrowser::mnuTotalItems_Click(int index) {
    const QList<QAction*> items = mnuTotalItems();
    if (!curDS_ || index < 1 || index >= items.size()) return;
    const QString column = items[index]->text();
    try {
        const core::Variant sum = curDS_->CalculateColValue(column, datalib::odbcSum);
        const datalib::ColumnDef* def = curDS_->tableDef().findColumn(column);
        QString text = DataGridModel::displayText(def, sum);
        if (text.isEmpty()) text = DataGridModel::displayText(def, core::Variant(0.0));
        platform::messageBox(
            QStringLiteral("Totale < ") + datalib::SplitAtCapitals(column) + QStringLiteral(" >\r\r") + text,
            platform::kOkOnly, QString(), window_);
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
}

// ---- Notifications ----------------------------------------------------------------------

void MainBrowser::OnEvent(int code, const QString& text) { SetStatusMsg(EventStatusText(code, text)); }

void MainBrowser::OnInternalMessage(const QString& message) {
    // The library's notices belong to the window the agent works in (the
    // order window, an editor), not to the main window.
    platform::messageBox(message, platform::kOkOnly | platform::kExclamation, QString(), nullptr);
}

void MainBrowser::OnQueryMessage(int kind, const QString& question, bool& answer) {
    AskLibraryQuestion(kind, question, answer, nullptr);
}

// ---- Layout -------------------------------------------------------------------------------

void MainBrowser::ArrangeMainWindow(double splitPos) {
    const auto tw = [this](int px) { return startup::PixelsToTwips(px, w_.workArea); };
    LayoutInput in;
    in.splitPos = splitPos;
    in.visible = window_->isVisible();
    in.minimized = window_->isMinimized();
    in.width = tw(window_->width());
    in.innerWidth = tw(w_.workArea->width());
    in.innerHeight = tw(w_.workArea->height());
    in.treeLeft = 0;
    in.splitterLeft = splitterLeft_;
    in.splitterWidth = 75;
    in.hideButtonWidth = tw(24);
    in.dateSelVisible = w_.cmdDateSel->isVisible();
    in.dateSelWidth = tw(160);
    in.titlesTop = 0;
    in.titlesHeight = tw(24);
    in.gridVisible = w_.dgView->isVisible();
    if (!w_.imgMainBackground->pixmap().isNull())
        in.backgroundWidth = tw(w_.imgMainBackground->pixmap().width());
    in.quickSearchHeight = tw(w_.MubShortSearch->sizeHint().height());
    in.pixel = startup::TwipsPerPixel(w_.workArea);
    const auto result = ComputeMainLayout(in, splitState_);
    if (!result) return;
    if (result->widenTo)
        window_->resize(startup::TwipsToPixels(*result->widenTo, window_), window_->height());
    placeWidgets(*result);
    showHideCaption(w_.cmdHideTree, splitState_);
    {
        const QSignalBlocker quiet(w_.mnuHideSection);
        w_.mnuHideSection->setChecked(splitState_.sectionChecked);
    }
    BuildSectionButtons();
}

void MainBrowser::placeWidgets(const LayoutResult& r) {
    const auto px = [this](double twips) { return startup::TwipsToPixels(twips, w_.workArea); };
    splitterLeft_ = r.splitter;
    const int titleHeight = px(r.treeTop - 75);
    w_.picTitles->setGeometry(0, 0, w_.workArea->width(), titleHeight);
    w_.lblTitle[0]->setGeometry(0, 0, px(r.title0Width), titleHeight);
    w_.lblTitle[0]->setVisible(r.title0Width > 0);
    w_.cmdHideTree->setGeometry(px(r.hideButtonLeft), 1, 24, titleHeight - 2);
    w_.lblTitle[1]->setGeometry(px(r.title1Left), 0, px(r.title1Width), titleHeight);
    w_.cmdDateSel->setGeometry(px(r.dateSelLeft), 1, 160, titleHeight - 2);
    w_.tvTreeView->setGeometry(0, px(r.treeTop), px(r.treeWidth), std::max(0, px(r.treeHeight)));
    w_.tvTreeView->setVisible(r.treeWidth > 0);
    w_.imgSplitter->setGeometry(px(r.splitter), px(r.splitterTop), 5, std::max(0, px(r.splitterHeight)));
    w_.MubShortSearch->setGeometry(px(r.quickSearchLeft), px(r.quickSearchTop),
                                   std::max(0, px(r.quickSearchWidth)),
                                   w_.MubShortSearch->sizeHint().height());
    w_.dgView->setGeometry(px(r.gridLeft), px(r.gridTop), std::max(0, px(r.gridWidth)),
                           std::max(0, px(r.gridHeight)));
    const int frame = w_.dgView->frameWidth();
    w_.cmdGridSetting->setGeometry(px(r.gridSettingLeft) + frame, px(r.gridSettingTop) + frame,
                                   w_.dgView->verticalHeader()->width(),
                                   std::max(12, w_.dgView->horizontalHeader()->sizeHint().height()));
    w_.cmdGridSetting->raise();
    if (r.backgroundLeft) w_.imgMainBackground->move(px(*r.backgroundLeft), w_.imgMainBackground->y());
    if (!w_.imgMainBackground->pixmap().isNull()) w_.imgMainBackground->setVisible(r.backgroundVisible);
}

void MainBrowser::BuildSectionButtons() {
    SectionButtons::Place place;
    place.splitterLeft = splitterLeft_;
    place.treeTop = startup::PixelsToTwips(w_.tvTreeView->y(), w_.workArea);
    place.innerWidth = startup::PixelsToTwips(w_.workArea->width(), w_.workArea);
    place.innerHeight = startup::PixelsToTwips(w_.workArea->height(), w_.workArea);
    w_.acmdSectionItem->Build(place);
}

void MainBrowser::mnuHideSection_Click() { ArrangeMainWindow(w_.mnuHideSection->isChecked() ? 0 : -1); }

void MainBrowser::splitterPressed() {
    w_.picSplitter->setGeometry(w_.imgSplitter->x(), w_.imgSplitter->y(),
                                std::max(1, w_.imgSplitter->width() / 2),
                                std::max(1, w_.imgSplitter->height() - 1));
    w_.picSplitter->show();
    w_.picSplitter->raise();
    moving_ = true;
}

void MainBrowser::splitterMoved(int x) {
    if (!moving_) return;
    const double left = DragBarLeft(startup::PixelsToTwips(w_.imgSplitter->x(), w_.workArea),
                                    startup::PixelsToTwips(x, w_.workArea),
                                    startup::PixelsToTwips(window_->width(), w_.workArea));
    w_.picSplitter->move(startup::TwipsToPixels(left, w_.workArea), w_.picSplitter->y());
}

void MainBrowser::splitterReleased() {
    if (!moving_) return;
    ArrangeMainWindow(startup::PixelsToTwips(w_.picSplitter->x(), w_.workArea));
    w_.picSplitter->hide();
    moving_ = false;
    platform::SettingsStore::save(platform::appName(), QStringLiteral("Settings"),
                                  QLatin1String(kSplitterSetting),
                                  QString::number(splitterLeft_ > 0 ? splitterLeft_ : 3500));
}

// ---- Grid events -------------------------------------------------------------------------

void MainBrowser::headerClicked(int column) {
    if (!curDS_) return;
    if (w_.MubShortSearch->SearchText().isEmpty())
        w_.MubShortSearch->SetSearchField(w_.dgView->gridModel()->fieldOf(column));
    w_.MubShortSearch->SortBySearchField(true);
}

void MainBrowser::columnResized(int column, int width) {
    if (!gridSettings_) return;
    gridSettings_->SetColumnWidth(w_.dgView->gridModel()->fieldOf(column),
                                  int(std::lround(startup::PixelsToTwips(width, w_.workArea))));
}

void MainBrowser::contextMenu(int target, const QPoint& globalPos) {
    QMenu* menu = nullptr;
    switch (DataGrid::MenuTarget(target)) {
        case DataGrid::MenuTarget::FieldFunctions:
            menu = w_.mnuFieldFuncs;
            break;
        case DataGrid::MenuTarget::Order:
            menu = w_.mnuOrder;
            break;
        case DataGrid::MenuTarget::Relations:
            menu = w_.mnuAssociation;
            break;
    }
    if (!curDS_ || !menu || !menu->isEnabled() || menu->isEmpty() || !showContextMenus_) return;
    menu->exec(globalPos);
}

void MainBrowser::GridKeyDown(int keyCode, int shift, bool& consumed) {
    if (shift != 0) return;
    switch (keyCode) {
        case 13:
            emit viewEditData(false);
            break;
        case 45:
        case 107:
            emit fileNew();
            break;
        case 46:
            emit fileDelete();
            break;
        default:
            return;
    }
    consumed = true;
}

// ---- Deferred commands -----------------------------------------------------------------------

void MainBrowser::DeferRelationCommand(const QString& command) {
    // Only for a row that is there: a relation of no row would show nothing.
    if (!curDS_ || curDS_->DataEmpty() || !curDS_->RowValid()) return;
    w_.tmFunc->setProperty("Tag", command);
    w_.tmFunc->start();
}

void MainBrowser::tmFunc_Timer() {
    if (tmFuncBusy_) return;
    const QString tag = w_.tmFunc->property("Tag").toString();
    w_.tmFunc->stop();
    w_.tmFunc->setProperty("Tag", QString());
    tmFuncBusy_ = true;
    RunDeferred(tag);
    tmFuncBusy_ = false;
}

void MainBrowser::RunDeferred(const QString& tag) {
    static const char* const relations[] = {"mnuContItem(", "mnuRefItem(", "mnuReferencedItem("};
    for (const char* prefix : relations) {
        const QString p = QString::fromLatin1(prefix);
        if (tag.startsWith(p)) {
            const int number =
                int(std::clamp(tag.mid(p.size()).section(QLatin1Char(')'), 0, 0).toInt(), -32768, 32767));
            emit openRelation(p.chopped(1), number);
            return;
        }
    }
    if (tag == QLatin1String("mnuFilterComplex"))
        w_.MubShortSearch->ComplexFilter();
    else if (tag == QLatin1String("mnuOrderComplex"))
        w_.MubShortSearch->CombinedSort();
}

// ---- Current column and stored selections -----------------------------------------------------

// The current column's field and the current cell's value as the quick
// search reads it; false (and a beep) when the grid has no current cell.
bool MainBrowser::currentField(QString& field, QString& value) const {
    if (!curDS_) return false;
    const QModelIndex cell = w_.dgView->currentIndex();
    if (cell.isValid()) field = w_.dgView->gridModel()->fieldOf(cell.column());
    if (!cell.isValid() || field.isEmpty()) {
        QApplication::beep();
        return false;
    }
    value = w_.dgView->gridModel()->searchText(cell);
    return true;
}

bool MainBrowser::searchOnCurrentField(bool withText) {
    QString field, value;
    if (!currentField(field, value)) return false;
    w_.MubShortSearch->SetSearchField(field);
    if (withText) w_.MubShortSearch->SetSearchText(value);
    return true;
}

void MainBrowser::mnuFieldFilter_Click() {
    if (searchOnCurrentField(true)) w_.MubShortSearch->Filter(true);
}

void MainBrowser::mnuFieldSearchNext_Click() {
    if (searchOnCurrentField(true)) w_.MubShortSearch->SearchNext(true);
}

void MainBrowser::mnuFieldFilterCancel_Click() {
    if (searchOnCurrentField(false)) w_.MubShortSearch->CancelFieldFilter();
}

void MainBrowser::mnuFieldFilterCancelAll_Click() { w_.MubShortSearch->CancelFilter(); }

void MainBrowser::mnuDataSelBeforeQuery_Click() {
    if (!curDS_) return;
    const QString name = w_.tvTreeView->currentItem() ? w_.tvTreeView->currentItem()->text(0) : QString();
    try {
        selectionFor(name, curDS_->tableDef());
        if (selection_->Name() != name) selection_->Load(name);
        if (!controls::ViewUtility::SelectionDialog(*selection_, window_, true, false, true,
                                                    QStringLiteral("Selezioni predefinite"), 0, 0))
            return;
        selection_->Save(name);
        w_.mnuDataSelBeforeQuery->setChecked(true);
        platform::messageBox(
            QStringLiteral(
                "Selezioni predefinite impostate.\r\rN.B.: Tali impostazioni vengono considerate solo se i "
                "dati che si stanno visualizzando non prevedono ulteriori selezioni (Data.., etc.)"),
            platform::kOkOnly | platform::kInformation, applicationTitle(), window_);
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
}

void MainBrowser::mnuDataSelCancel_Click() {
    if (!curDS_) return;
    const QString name = w_.tvTreeView->currentItem() ? w_.tvTreeView->currentItem()->text(0) : QString();
    try {
        selectionFor(name, curDS_->tableDef());
        if (selection_->Exists(name)) {
            selection_->Delete(name);
            platform::messageBox(QStringLiteral("Selezioni predefinite eliminate."), platform::kOkOnly,
                                 applicationTitle(), window_);
        }
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
    selection_.reset();
    w_.mnuDataSelBeforeQuery->setChecked(false);
}

// ---- Keys of the window ----------------------------------------------------------------------

bool MainBrowser::PreviewKey(QKeyEvent* event) {
    const int key = VirtualKeyCode(*event);
    const int shift = ShiftState(*event);
    if (key == 82 && shift == (kShiftMask | kCtrlMask | kAltMask)) {
        platform::messageBox(
            QStringLiteral("ATTENZIONE! - Questa operazione scrive le carte in sequenza e deve "
                           "essere guidata da supporto tecnico...\r\rContinuare ?\r\r"),
            platform::kYesNo | platform::kExclamation | platform::kDefaultButton2, applicationTitle(),
            window_);
        return true;
    }
    if (key == 27 && shift == 0) {
        RefreshDetailView();
        return true;
    }
    QWidget* focus = window_->focusWidget();
    const bool inSearch = focus && (focus == w_.MubShortSearch || w_.MubShortSearch->isAncestorOf(focus));
    // The grid's own keys stay with the grid (and with the tree, which hands
    // them to the grid).
    const bool gridKey = shift == 0 && (key == 13 || key == 45 || key == 46 || key == 107);
    const bool onGridOrTree =
        focus && (focus == w_.dgView || w_.dgView->isAncestorOf(focus) || focus == w_.tvTreeView);
    QString text;
    if ((shift & (kCtrlMask | kAltMask)) == 0 && !(gridKey && onGridOrTree) &&
        KeyCodeToKeyString(*event, text)) {
        if (inSearch || !w_.MubShortSearch->isVisible() || !w_.MubShortSearch->isEnabled()) return false;
        w_.MubShortSearch->Activate();
        QKeyEvent typed(QEvent::KeyPress, event->key(), event->modifiers(),
                        text.startsWith(QLatin1Char('{')) ? event->text() : text);
        QCoreApplication::sendEvent(w_.MubShortSearch->textBox(), &typed);
        return true;
    }
    // A focused button takes Enter itself.
    if (key == 13 && !inSearch && !onGridOrTree && !qobject_cast<QAbstractButton*>(focus)) {
        if (w_.dgView->isVisible()) emit viewEditData(false);
        return true;
    }
    return false;
}

bool MainBrowser::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        // Keys of the main window's own widgets only; menus and other windows pass.
        if (w && w->window() == window_ && QApplication::activePopupWidget() == nullptr &&
            QApplication::activeModalWidget() == nullptr) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (watched == w_.tvTreeView) {
                bool consumed = false;
                GridKeyDown(VirtualKeyCode(*key), ShiftState(*key), consumed);
                if (consumed) return true;
            }
            // Once per key: at the widget that has the window's focus.
            if (w == window_->focusWidget() && PreviewKey(key)) return true;
        }
    }
    if (event->type() == QEvent::MouseButtonPress && watched == w_.tvTreeView->viewport())
        currentAtPress_ = NodeId(w_.tvTreeView->currentItem());
    if (watched == w_.imgSplitter) {
        if (event->type() == QEvent::MouseButtonPress) {
            splitterPressed();
            return true;
        }
        if (event->type() == QEvent::MouseMove) {
            splitterMoved(static_cast<QMouseEvent*>(event)->position().toPoint().x());
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease) {
            splitterReleased();
            return true;
        }
    }
    if (watched == w_.workArea && event->type() == QEvent::Resize) ArrangeMainWindow(splitterLeft_);
    return QObject::eventFilter(watched, event);
}

}  // namespace mainwindow
