// What a node of the tree shows: the view of its table or section, built
// from the section's parts and the criteria that narrow it, put in place of
// the one on screen; or the empty state of a heading.

#include "mainwindow/MainBrowser.h"

#include "mainwindow/MainBrowserShared.h"

#include "controls/DataGrid.h"
#include "controls/GridSettingsMenu.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/ViewGridSettings.h"
#include "controls/ViewUtility.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PeriodSelection.h"
#include "mainwindow/PredefinedReports.h"
#include "mainwindow/frmSearch_Clienti.h"
#include "mainwindow/frmSearch_Ordini.h"
#include "platform/ui/MessageBox.h"
#include "startup/ShowError.h"
#include "startup/ui/ErrorWindow.h"
#include "startup/ui/frmMessage.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QTimer>
#include <QTreeWidget>

namespace mainwindow {

using controls::ViewGridSettings;
using detail::applicationTitle;

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

}  // namespace

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
    quint64 nodeId = 0;  // the tree node the view is built for
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
                backToViewOnScreen(node);
                return;
            }
            q.nodeId = NodeId(node);
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
        viewNodeId_ = NodeId(node);
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

    // A list section is printed, then the window goes back to its heading;
    // when the operator was told that the data could not be shown (the
    // browser did not open them), the section stays selected, and a click
    // on it runs it again.
    if (ds && q.list) {
        bool shown = true;
        try {
            if (curDS_->DataEmpty()) {
                platform::messageBox(QStringLiteral("Nessun dato corrispondente ai criteri impostati."),
                                     platform::kOkOnly | platform::kInformation, applicationTitle(), window_);
            } else {
                bool preview = false;
                if (frmPrinterFunctions::ShowSelection(window_, preview)) emit printChosen(preview, shown);
            }
        } catch (...) {
            startup::ShowError(startup::CurrentError(), QString(), window_);
        }
        refreshing_ = false;
        if (shown) {
            backToHeading(node, true);
        } else {
            lastShownId_ = 0;
            markCurrentNode();
        }
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

// Puts the built data source on screen in place of the previous view: its
// title, the grid settings of its table, the row stood on before, and the
// grid with the quick search (a list section shows neither).
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
        if (q.nodeId != viewNodeId_) w_.MubShortSearch->Clear();  // another view: its own search
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

// Back from a closed chooser or search window, which loaded nothing: the
// tree and the status bar name again the view on screen, whose rows stay as
// they were (the heading above, as a list section ends, when that view's
// node is gone with a rebuild of the tree).
void MainBrowser::backToViewOnScreen(QTreeWidgetItem* node) {
    QTreeWidgetItem* shown = nullptr;
    for (QTreeWidgetItem* n : AllNodes(w_.tvTreeView))
        if (viewNodeId_ && NodeId(n) == viewNodeId_) shown = n;
    if (!shown) {
        backToHeading(node, false);
        return;
    }
    {
        const QSignalBlocker quiet(w_.tvTreeView);
        w_.tvTreeView->setCurrentItem(shown);
    }
    lastShownId_ = viewNodeId_;
    markCurrentNode();
    SetStatusMsg(w_.lblTitle[0]->text() + QStringLiteral(" <") + shown->text(0) + QStringLiteral(">"));
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

}  // namespace mainwindow
