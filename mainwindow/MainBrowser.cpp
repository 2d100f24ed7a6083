#include "mainwindow/MainBrowser.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/KeyStrings.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/ViewGridSettings.h"
#include "core/AppError.h"
#include "core/ItalianText.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "mainwindow/MainBrowserWidgets.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/PeriodSelection.h"
#include "mainwindow/SectionButtons.h"
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

// The browsed sections that are not plain tables: table, fixed filter, sort.
struct SectionView {
    const char* key;
    const char* table;
    const char* filter;
    const char* sort;
    bool list;  // printed, not browsed
};

const SectionView kSections[] = {
    {"Nuovi / non confermati", "Clienti", "NOT ConfermatoSede", "", false},
    {"Ordini da Inviare", "Ordini", "NOT InviatoSede", "DataInserimento", false},
    {"Elenco", "Ordini", "", "DataInserimento", true},
    {"Dettagli (per Cliente)", "RigheOrdini", "Approvato", "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga",
     true},
    {"Analisi Crescita", "Clienti", "", "RagioneSociale", true},
    {"Non Spediti", "Ordini", "NOT InviatoSede", "DataInserimento", true},
    {"Non Confermati", "Ordini", "InviatoSede AND Not Approvato AND Not Annullato", "DataInserimento", true},
    {"Confermati", "Ordini", "InviatoSede AND Approvato AND Not Annullato", "DataInserimento", true},
    {"Annullati", "Ordini", "Annullato", "DataInserimento", true},
    {"Elenco con Riferimenti", "Ordini", "", "DataInserimento", true},
    {"Spediti (per Cliente)", "RigheOrdini", "", "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga", true},
    {"Articoli Da Spedire (per Cliente)", "RigheOrdini", "QuantitàOrdine - QuantitàEvasa > 0",
     "Ordini.Cliente,Ordini.NumeroSede,PosizioneRiga", true},
    {"Proposta d'Ordine", "Ordini", "", "", true},
    {"Conferma d'Ordine", "Ordini", "", "", true},
    {"Clienti per Rag.Soc.", "Clienti", "", "RagioneSociale", true},
    {"Clienti per Provincia", "Clienti", "", "Provincia", true},
    {"Consuntivo Clienti", "Clienti", "", "RagioneSociale", true},
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
    BrowserWidgets w = BuildBrowserWidgets(window_, this);
    area_ = w.area;
    titles_ = w.titles;
    title0_ = w.title0;
    title1_ = w.title1;
    title1Caption_ = title1_->text();
    cmdHideTree_ = w.cmdHideTree;
    cmdDateSel_ = w.cmdDateSel;
    tree_ = w.tree;
    splitter_ = w.splitter;
    movingSplitter_ = w.movingSplitter;
    search_ = w.search;
    grid_ = w.grid;
    cmdGridSetting_ = w.cmdGridSetting;
    background_ = w.background;
    sectionButtons_ = w.sectionButtons;
    tmFunc_ = w.tmFunc;
    mnuHideSection_ = w.mnuHideSection;
    mnuOrder_ = w.mnuOrder;
    mnuOrderComplex_ = w.mnuOrderComplex;
    mnuOrderCancel_ = w.mnuOrderCancel;
    mnuSearch_ = w.mnuSearch;
    mnuFilterComplex_ = w.mnuFilterComplex;
    mnuTotal_ = w.mnuTotal;
    mnuTotalCount_ = w.mnuTotalCount;
    mnuTotalHeading_ = w.mnuTotalHeading;
    mnuAssociation_ = w.mnuAssociation;
    mnuFieldFuncs_ = w.mnuFieldFuncs;

    connect(cmdHideTree_, &QPushButton::clicked, this, [this] { mnuHideSection_Click(); });
    connect(tree_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { tvTreeView_NodeClick(current); });
    connect(tree_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* node, int) { tvTreeView_NodeClick(node); });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem*, int) { RefreshDetailView(); });

    connect(search_, &controls::MubShortSearch::InputReturned, this, [this](int, int) {
        if (grid_->isVisible() && grid_->isEnabled()) grid_->setFocus(Qt::OtherFocusReason);
    });
    connect(search_, &controls::MubShortSearch::QueryDefaultSort, this,
            [this](QString& criterion, bool& handled) {
                criterion = gridSettings_ ? gridSettings_->DefaultSort() : QString();
                handled = true;
            });
    connect(search_, &controls::MubShortSearch::DefaultSortChanged, this,
            [this](const QString& criterion, bool& handled) {
                if (gridSettings_) gridSettings_->SetDefaultSort(criterion);
                QString text = QStringLiteral("Il criterio di ordinamento predefinito è stato ");
                text += criterion.isEmpty() ? QStringLiteral("annullato.")
                                            : QStringLiteral("memorizzato.\rCRITERIO: ") + criterion;
                platform::messageBox(text, platform::kOkOnly | platform::kInformation, applicationTitle(),
                                     window_);
                handled = true;
            });
    connect(search_, &controls::MubShortSearch::RowFound, this, [this](long) { grid_->FollowDataSource(); });

    connect(grid_, &DataGrid::keyDown, this, &MainBrowser::GridKeyDown);
    connect(grid_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex&) { emit viewEditData(false); });
    connect(grid_, &DataGrid::headerClicked, this, &MainBrowser::headerClicked);
    connect(grid_, &DataGrid::columnResized, this, &MainBrowser::columnResized);
    connect(grid_, &DataGrid::contextMenuWanted, this,
            [this](DataGrid::MenuTarget target, const QPoint& pos) { contextMenu(int(target), pos); });

    connect(sectionButtons_, &SectionButtons::refreshRequested, this, [this] { RefreshDetailView(); });
    connect(tmFunc_, &QTimer::timeout, this, &MainBrowser::tmFunc_Timer);
    showHideCaption(cmdHideTree_, splitState_);
}

void MainBrowser::buildMenus() {
    connect(mnuHideSection_, &QAction::triggered, this, [this] {
        // The check mark follows the layout, not the click.
        mnuHideSection_->setChecked(!mnuHideSection_->isChecked());
        mnuHideSection_Click();
    });
    connect(mnuOrderComplex_, &QAction::triggered, this, [this] {
        tmFunc_->setProperty("Tag", QStringLiteral("mnuOrderComplex"));
        tmFunc_->start();
    });
    connect(mnuOrderCancel_, &QAction::triggered, this, [this] { search_->CancelSort(); });
    connect(mnuSearch_, &QAction::triggered, this, [this] {
        if (search_->isVisible()) search_->SearchNext(true);
    });
    connect(mnuFilterComplex_, &QAction::triggered, this, [this] {
        tmFunc_->setProperty("Tag", QStringLiteral("mnuFilterComplex"));
        tmFunc_->start();
    });
    connect(mnuTotalCount_, &QAction::triggered, this, [this] { mnuTotalCount_Click(); });
}

QList<QAction*> MainBrowser::mnuTotalItems() const {
    QList<QAction*> items;
    bool after = false;
    for (QAction* a : mnuTotal_->actions()) {
        if (a == mnuTotalHeading_) after = true;
        if (after) items << a;
    }
    return items;
}

// ---- Tree ------------------------------------------------------------------------------

void MainBrowser::SetTreeViewNodes() {
    auto db = database();
    if (!db) return;
    mainwindow::SetTreeViewNodes(tree_, *db);
}

void MainBrowser::tvTreeView_NodeClick(QTreeWidgetItem* node) {
    if (!node) return;
    if (tree_->currentItem() != node) {
        const QSignalBlocker quiet(tree_);
        tree_->setCurrentItem(node);
    }
    // The tree owns its nodes; a rebuild deletes them, so the node last
    // shown is compared by address only and never used.
    if (node == lastShown_) return;
    lastShown_ = node;
    RefreshDetailView();
}

// ---- The data view -------------------------------------------------------------------------

void MainBrowser::SetStatusMsg(const QString& text) {
    if (statusText_) statusText_(text);
}

void MainBrowser::ReleaseView() {
    SaveGridSettings();
    grid_->Bind(nullptr, nullptr);
    std::shared_ptr<datalib::DataSource> none;
    search_->Bind(none);
    if (curDS_ && curDSEvents_ >= 0) curDS_->disconnectRefresh(curDSEvents_);
    curDSEvents_ = -1;
    curDS_.reset();
}

void MainBrowser::SaveGridSettings() {
    if (gridSettings_) gridSettings_->WriteFile();
}

void MainBrowser::RefreshDetailView() {
    auto db = database();
    if (!db || refreshing_) return;
    refreshing_ = true;

    // Where the previous view stood, to find the row again in the same table.
    QString savedTable;
    qint64 savedKey = 0;
    if (curDS_ && grid_->dataSource()) {
        try {
            savedTable = curDS_->Table()->Name();
            if (!curDS_->Bof() && !curDS_->Eof()) savedKey = grid_->Bookmark();
        } catch (...) {
            savedKey = 0;
        }
    }

    bool messageShown = false;
    try {
        title1_->setText(title1Caption_);
        for (QAction* a : mnuTotalItems())
            if (a != mnuTotalHeading_) {
                mnuTotal_->removeAction(a);
                a->deleteLater();
            }
        emit buildRelationMenus(curDS_.get(), true);

        QTreeWidgetItem* node = tree_->currentItem();
        if (node) SetStatusMsg(title0_->text() + QStringLiteral(" <") + node->text(0) + QStringLiteral(">"));
        const QString key = NodeKey(node);
        if (!node || key.isEmpty()) {
            showEmptyState();
        } else {
            QString table = MapListTableName(key);
            QString filter, sort, columns;
            listView_ = false;
            for (const SectionView& s : kSections)
                if (key == QLatin1String(s.key)) {
                    table = QString::fromUtf8(s.table);
                    filter = QString::fromUtf8(s.filter);
                    sort = QString::fromUtf8(s.sort);
                    listView_ = s.list;
                    if (table == QLatin1String("RigheOrdini"))
                        columns = QStringLiteral("*,Ordini.Cliente,Ordini.NumeroSede");
                    break;
                }
            title1_->setText(QStringLiteral(" ") + node->text(0));
            if (table != savedTable) savedKey = 0;
            const QString dateColumn = GetPeriodDateField(table);
            if (table == QLatin1String("Ordini")) {
                if (columns.isEmpty()) columns = QLatin1String(kOrderColumns);
                if (sort.isEmpty()) sort = QStringLiteral("DataInserimento");
            }
            static const QStringList disabledTables{QStringLiteral("Articoli"), QStringLiteral("Listini"),
                                                    QStringLiteral("Kit"), QStringLiteral("Categorie"),
                                                    QStringLiteral("Linee")};
            if (disabledTables.contains(table)) {
                if (!filter.trimmed().isEmpty()) filter += QStringLiteral(" AND ");
                filter += QStringLiteral(" Disabilitato = False ");
            }

            // Opening.
            background_->hide();
            QApplication::setOverrideCursor(Qt::WaitCursor);
            startup::frmMessage::instance()->ShowMsg(
                QStringLiteral("Lettura ") + node->text(0) + QStringLiteral("..."), window_, -1, -1);
            messageShown = true;
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

            if (curDS_ && curDSEvents_ >= 0) curDS_->disconnectRefresh(curDSEvents_);
            curDSEvents_ = -1;
            // The period chosen in the period menu, on the view's date column.
            const QString period = PeriodCondition(periodState(), dateColumn, *db);
            if (!period.isEmpty())
                filter =
                    filter.trimmed().isEmpty() ? period : QStringLiteral("(%1) AND (%2)").arg(filter, period);
            curDS_ = db->Tables(table)->OpenDataSource(filter, sort, columns);

            // Grid settings: kept while the data set stays the same.
            const QString dsName = curDS_->Table()->Name();
            if (!gridSettings_ || gridSettings_->Section() != dsName) {
                if (gridSettings_) gridSettings_->WriteFile();
                gridSettings_ =
                    std::make_unique<ViewGridSettings>(ViewGridSettings::DefaultFileName(), dsName);
            }
            grid_->Bind(curDS_, gridSettings_.get());
            RefreshTotalsMenu();
            curDSEvents_ =
                curDS_->connectRefresh([this](datalib::DataSource& ds) { OnRefreshRecordset(ds); });

            if (savedKey && curDS_->ColExist(QStringLiteral("OID")) &&
                curDS_->MoveToKey(core::Variant(static_cast<double>(savedKey))))
                grid_->FollowDataSource();

            cmdDateSel_->setVisible(!dateColumn.isEmpty());
            cmdDateSel_->setProperty("Tag", dateColumn);

            if (!listView_) {
                search_->Bind(curDS_);
                search_->show();
                grid_->show();
                cmdGridSetting_->show();
            } else {
                grid_->Bind(nullptr, nullptr);
                grid_->hide();
                search_->hide();
                cmdGridSetting_->hide();
            }
            emit buildRelationMenus(curDS_.get(), false);
        }

        const bool browsed = grid_->isVisible();
        mnuOrder_->setEnabled(browsed);
        mnuSearch_->setEnabled(browsed);
        mnuFilterComplex_->setEnabled(browsed);
        emit viewCommandsEnabled(browsed);

        ArrangeMainWindow(splitterLeft_);
        BuildSectionButtons();
    } catch (...) {
        const core::AppError error = startup::CurrentError();
        refreshing_ = false;
        if (messageShown) startup::frmMessage::Unload();
        if (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
        startup::ShowError(error, QStringLiteral("Visualizzazione dati fallita: \r\r") + error.description(),
                           window_);
        return;
    }
    if (messageShown) {
        startup::frmMessage::Unload();
        QApplication::restoreOverrideCursor();
    }
    refreshing_ = false;
    if (grid_->isVisible() && !search_->isAncestorOf(window_->focusWidget()))
        grid_->setFocus(Qt::OtherFocusReason);
}

void MainBrowser::showEmptyState() {
    listView_ = false;
    grid_->Bind(nullptr, nullptr);
    grid_->hide();
    std::shared_ptr<datalib::DataSource> none;
    search_->Bind(none);
    search_->hide();
    cmdGridSetting_->hide();
    cmdDateSel_->setEnabled(false);
    if (curDS_ && curDSEvents_ >= 0) curDS_->disconnectRefresh(curDSEvents_);
    curDSEvents_ = -1;
    curDS_.reset();
    if (!background_->pixmap().isNull()) background_->show();
}

void MainBrowser::OnRefreshRecordset(datalib::DataSource&) {
    grid_->ApplyLayout(gridSettings_.get());
    RefreshTotalsMenu();
}

// ---- Totals -------------------------------------------------------------------------------

void MainBrowser::RefreshTotalsMenu() {
    if (mnuTotalItems().size() > 1 || !curDS_) return;
    for (const QString& name : curDS_->ColumnNames()) {
        const datalib::ColumnDef* def = curDS_->tableDef().findColumn(name);
        if (!def || !def->isMoney() || !def->flag) continue;
        QAction* item = mnuTotal_->addAction(name);
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
        platform::messageBox(QStringLiteral("Totale < ") + column + QStringLiteral(" >\r\r") + text,
                             platform::kOkOnly, QString(), window_);
    } catch (...) {
        startup::ShowError(startup::CurrentError(), QString(), window_);
    }
}

// ---- Notifications ----------------------------------------------------------------------

void MainBrowser::OnEvent(int code, const QString& text) { SetStatusMsg(EventStatusText(code, text)); }

void MainBrowser::OnInternalMessage(const QString& message) {
    platform::messageBox(message, platform::kOkOnly | platform::kExclamation, QString(), window_);
}

void MainBrowser::OnQueryMessage(int kind, const QString& question, bool& answer) {
    AskLibraryQuestion(kind, question, answer, window_);
}

// ---- Layout -------------------------------------------------------------------------------

void MainBrowser::ArrangeMainWindow(double splitPos) {
    const auto tw = [this](int px) { return startup::PixelsToTwips(px, area_); };
    LayoutInput in;
    in.splitPos = splitPos;
    in.visible = window_->isVisible();
    in.minimized = window_->isMinimized();
    in.width = tw(window_->width());
    in.innerWidth = tw(area_->width());
    in.innerHeight = tw(area_->height());
    in.treeLeft = 0;
    in.splitterLeft = splitterLeft_;
    in.splitterWidth = 75;
    in.hideButtonWidth = tw(24);
    in.dateSelVisible = cmdDateSel_->isVisible();
    in.dateSelWidth = tw(160);
    in.titlesTop = 0;
    in.titlesHeight = tw(24);
    in.gridVisible = grid_->isVisible();
    if (!background_->pixmap().isNull()) in.backgroundWidth = tw(background_->pixmap().width());
    in.quickSearchHeight = tw(search_->sizeHint().height());
    in.pixel = startup::TwipsPerPixel(area_);
    const auto result = ComputeMainLayout(in, splitState_);
    if (!result) return;
    if (result->widenTo)
        window_->resize(startup::TwipsToPixels(*result->widenTo, window_), window_->height());
    placeWidgets(*result);
    showHideCaption(cmdHideTree_, splitState_);
    {
        const QSignalBlocker quiet(mnuHideSection_);
        mnuHideSection_->setChecked(splitState_.sectionChecked);
    }
    BuildSectionButtons();
}

void MainBrowser::placeWidgets(const LayoutResult& r) {
    const auto px = [this](double twips) { return startup::TwipsToPixels(twips, area_); };
    splitterLeft_ = r.splitter;
    const int titleHeight = px(r.treeTop - 75);
    titles_->setGeometry(0, 0, area_->width(), titleHeight);
    title0_->setGeometry(0, 0, px(r.title0Width), titleHeight);
    title0_->setVisible(r.title0Width > 0);
    cmdHideTree_->setGeometry(px(r.hideButtonLeft), 1, 24, titleHeight - 2);
    title1_->setGeometry(px(r.title1Left), 0, px(r.title1Width), titleHeight);
    cmdDateSel_->setGeometry(px(r.dateSelLeft), 1, 160, titleHeight - 2);
    tree_->setGeometry(0, px(r.treeTop), px(r.treeWidth), std::max(0, px(r.treeHeight)));
    tree_->setVisible(r.treeWidth > 0);
    splitter_->setGeometry(px(r.splitter), px(r.splitterTop), 5, std::max(0, px(r.splitterHeight)));
    search_->setGeometry(px(r.quickSearchLeft), px(r.quickSearchTop), std::max(0, px(r.quickSearchWidth)),
                         search_->sizeHint().height());
    grid_->setGeometry(px(r.gridLeft), px(r.gridTop), std::max(0, px(r.gridWidth)),
                       std::max(0, px(r.gridHeight)));
    const int frame = grid_->frameWidth();
    cmdGridSetting_->setGeometry(px(r.gridSettingLeft) + frame, px(r.gridSettingTop) + frame,
                                 grid_->verticalHeader()->width(),
                                 std::max(12, grid_->horizontalHeader()->sizeHint().height()));
    cmdGridSetting_->raise();
    if (r.backgroundLeft) background_->move(px(*r.backgroundLeft), background_->y());
    if (!background_->pixmap().isNull()) background_->setVisible(r.backgroundVisible);
}

void MainBrowser::BuildSectionButtons() {
    SectionButtons::Place place;
    place.splitterLeft = splitterLeft_;
    place.treeTop = startup::PixelsToTwips(tree_->y(), area_);
    place.innerWidth = startup::PixelsToTwips(area_->width(), area_);
    place.innerHeight = startup::PixelsToTwips(area_->height(), area_);
    sectionButtons_->Build(place);
}

void MainBrowser::mnuHideSection_Click() { ArrangeMainWindow(mnuHideSection_->isChecked() ? 0 : -1); }

void MainBrowser::splitterPressed() {
    movingSplitter_->setGeometry(splitter_->x(), splitter_->y(), std::max(1, splitter_->width() / 2),
                                 std::max(1, splitter_->height() - 1));
    movingSplitter_->show();
    movingSplitter_->raise();
    moving_ = true;
}

void MainBrowser::splitterMoved(int x) {
    if (!moving_) return;
    const double left =
        DragBarLeft(startup::PixelsToTwips(splitter_->x(), area_), startup::PixelsToTwips(x, area_),
                    startup::PixelsToTwips(window_->width(), area_));
    movingSplitter_->move(startup::TwipsToPixels(left, area_), movingSplitter_->y());
}

void MainBrowser::splitterReleased() {
    if (!moving_) return;
    ArrangeMainWindow(startup::PixelsToTwips(movingSplitter_->x(), area_));
    movingSplitter_->hide();
    moving_ = false;
    platform::SettingsStore::save(platform::appName(), QStringLiteral("Settings"),
                                  QLatin1String(kSplitterSetting),
                                  QString::number(splitterLeft_ > 0 ? splitterLeft_ : 3500));
}

// ---- Grid events -------------------------------------------------------------------------

void MainBrowser::headerClicked(int column) {
    if (!curDS_) return;
    if (search_->SearchText().isEmpty()) search_->SetSearchField(grid_->gridModel()->fieldOf(column));
    search_->SortBySearchField(true);
}

void MainBrowser::columnResized(int column, int width) {
    if (!gridSettings_) return;
    gridSettings_->SetColumnWidth(grid_->gridModel()->fieldOf(column),
                                  int(std::lround(startup::PixelsToTwips(width, area_))));
}

void MainBrowser::contextMenu(int target, const QPoint& globalPos) {
    QMenu* menu = nullptr;
    switch (DataGrid::MenuTarget(target)) {
        case DataGrid::MenuTarget::FieldFunctions:
            menu = mnuFieldFuncs_;
            break;
        case DataGrid::MenuTarget::Order:
            menu = mnuOrder_;
            break;
        case DataGrid::MenuTarget::Relations:
            menu = mnuAssociation_;
            break;
    }
    lastContextMenu_ = menu;
    if (!curDS_ || !menu || menu->isEmpty() || !showContextMenus_) return;
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
    if (!curDS_ || curDS_->DataEmpty()) return;
    tmFunc_->setProperty("Tag", command);
    tmFunc_->start();
}

void MainBrowser::tmFunc_Timer() {
    if (tmFuncBusy_) return;
    const QString tag = tmFunc_->property("Tag").toString();
    tmFunc_->stop();
    tmFunc_->setProperty("Tag", QString());
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
        search_->ComplexFilter();
    else if (tag == QLatin1String("mnuOrderComplex"))
        search_->CombinedSort();
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
    const bool inSearch = focus && (focus == search_ || search_->isAncestorOf(focus));
    // The grid's own keys stay with the grid (and with the tree, which hands
    // them to the grid).
    const bool gridKey = shift == 0 && (key == 13 || key == 45 || key == 46 || key == 107);
    const bool onGridOrTree = focus && (focus == grid_ || grid_->isAncestorOf(focus) || focus == tree_);
    QString text;
    if ((shift & (kCtrlMask | kAltMask)) == 0 && !(gridKey && onGridOrTree) &&
        KeyCodeToKeyString(*event, text)) {
        if (inSearch || !search_->isVisible() || !search_->isEnabled()) return false;
        search_->Activate();
        QKeyEvent typed(QEvent::KeyPress, event->key(), event->modifiers(),
                        text.startsWith(QLatin1Char('{')) ? event->text() : text);
        QCoreApplication::sendEvent(search_->textBox(), &typed);
        return true;
    }
    // A focused button takes Enter itself.
    if (key == 13 && !inSearch && !onGridOrTree && !qobject_cast<QAbstractButton*>(focus)) {
        if (grid_->isVisible()) emit viewEditData(false);
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
            if (watched == tree_) {
                bool consumed = false;
                GridKeyDown(VirtualKeyCode(*key), ShiftState(*key), consumed);
                if (consumed) return true;
            }
            // Once per key: at the widget that has the window's focus.
            if (w == window_->focusWidget() && PreviewKey(key)) return true;
        }
    }
    if (watched == splitter_) {
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
    if (watched == area_ && event->type() == QEvent::Resize) ArrangeMainWindow(splitterLeft_);
    return QObject::eventFilter(watched, event);
}

}  // namespace mainwindow
