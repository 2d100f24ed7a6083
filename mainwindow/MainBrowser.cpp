#include "mainwindow/MainBrowser.h"

#include "mainwindow/MainBrowserShared.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/GridSettingsMenu.h"
#include "controls/KeyStrings.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "controls/ViewGridSettings.h"
#include "datalib/DataSource.h"
#include "datalib/Database.h"
#include "datalib/Engine.h"
#include "datalib/SelectionCriteria.h"
#include "mainwindow/NavigationTree.h"
#include "mainwindow/SectionButtons.h"
#include "platform/SettingsStore.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "startup/ui/MainWindowLink.h"
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
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

namespace mainwindow {

using controls::DataGrid;
using controls::kAltMask;
using controls::kCtrlMask;
using controls::KeyCodeToKeyString;
using controls::kShiftMask;
using controls::ShiftState;
using controls::VirtualKeyCode;
using detail::applicationTitle;

namespace {

const char* const kSplitterSetting = "MainSplit";

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

    platform::connectGuarded(w_.cmdHideTree, &QPushButton::clicked, this, [this] { mnuHideSection_Click(); });
    platform::connectGuarded(
        w_.tvTreeView, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* current, QTreeWidgetItem*) { tvTreeView_NodeClick(current); });
    // A mouse press makes the node current, and so shows it; the click that
    // follows shows a node again only when it was current already (a list
    // section has gone back to its heading by then, and would run twice).
    // The press marks the node under the mouse: the current one is marked
    // again once the press is over.
    platform::connectGuarded(w_.tvTreeView, &QTreeWidget::itemPressed, this,
                             [this](QTreeWidgetItem*, int) { markCurrentNode(); });
    platform::connectGuarded(w_.tvTreeView, &QTreeWidget::itemClicked, this,
                             [this](QTreeWidgetItem* node, int) {
                                 if (NodeId(node) == currentAtPress_) tvTreeView_NodeClick(node);
                             });
    platform::connectGuarded(w_.tvTreeView, &QTreeWidget::itemDoubleClicked, this,
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
            [this](long) { w_.dgView->FollowDataSource(w_.MubShortSearch->SearchField()); });

    connect(w_.dgView, &DataGrid::keyDown, this, &MainBrowser::GridKeyDown);
    platform::connectGuarded(w_.dgView, &QAbstractItemView::doubleClicked, this,
                             [this](const QModelIndex&) { emit viewEditData(false); });
    connect(w_.dgView, &DataGrid::headerClicked, this, &MainBrowser::headerClicked);
    connect(w_.dgView, &DataGrid::columnResized, this, &MainBrowser::columnResized);
    connect(w_.dgView, &DataGrid::contextMenuWanted, this,
            [this](DataGrid::MenuTarget target, const QPoint& pos) { contextMenu(int(target), pos); });

    connect(w_.acmdSectionItem, &SectionButtons::refreshRequested, this,
            [this] { ShowNode(w_.tvTreeView->currentItem()); });
    platform::connectGuarded(w_.tmFunc, &QTimer::timeout, this, &MainBrowser::tmFunc_Timer);
    showHideCaption(w_.cmdHideTree, splitState_);
}

void MainBrowser::buildMenus() {
    platform::connectGuarded(w_.mnuHideSection, &QAction::triggered, this, [this] {
        // The check mark follows the layout, not the click.
        w_.mnuHideSection->setChecked(!w_.mnuHideSection->isChecked());
        mnuHideSection_Click();
    });
    platform::connectGuarded(w_.mnuOrderComplex, &QAction::triggered, this, [this] {
        w_.tmFunc->setProperty("Tag", QStringLiteral("mnuOrderComplex"));
        w_.tmFunc->start();
    });
    platform::connectGuarded(w_.mnuOrderCancel, &QAction::triggered, this,
                             [this] { w_.MubShortSearch->CancelSort(); });
    platform::connectGuarded(w_.mnuSearch, &QAction::triggered, this, [this] {
        if (w_.MubShortSearch->isVisible()) w_.MubShortSearch->SearchNext(true);
    });
    platform::connectGuarded(w_.mnuFilterComplex, &QAction::triggered, this, [this] {
        w_.tmFunc->setProperty("Tag", QStringLiteral("mnuFilterComplex"));
        w_.tmFunc->start();
    });
    platform::connectGuarded(w_.mnuTotalCount, &QAction::triggered, this, [this] { mnuTotalCount_Click(); });

    platform::connectGuarded(w_.mnuFieldFilter, &QAction::triggered, this,
                             &MainBrowser::mnuFieldFilter_Click);
    platform::connectGuarded(w_.mnuFieldSearchNext, &QAction::triggered, this,
                             &MainBrowser::mnuFieldSearchNext_Click);
    platform::connectGuarded(w_.mnuFieldFilterCancel, &QAction::triggered, this,
                             &MainBrowser::mnuFieldFilterCancel_Click);
    platform::connectGuarded(w_.mnuFieldFilterCancelAll, &QAction::triggered, this,
                             &MainBrowser::mnuFieldFilterCancelAll_Click);
    platform::connectGuarded(w_.mnuDataSelBeforeQuery, &QAction::triggered, this, [this] {
        // The check mark tells whether a selection is stored, not the click.
        w_.mnuDataSelBeforeQuery->setChecked(!w_.mnuDataSelBeforeQuery->isChecked());
        mnuDataSelBeforeQuery_Click();
    });
    platform::connectGuarded(w_.mnuDataSelCancel, &QAction::triggered, this,
                             &MainBrowser::mnuDataSelCancel_Click);

    // The grid-settings button's menu works on the view shown.
    controls::GridSettingsMenu::Target target;
    target.grid = [this] { return w_.dgView; };
    target.dataSource = [this] { return curDS_; };
    target.settings = [this] { return gridSettings_.get(); };
    w_.mnuGridSetting =
        new controls::GridSettingsMenu(QStringLiteral("&Griglia"), std::move(target), window_);
    platform::connectGuarded(w_.cmdGridSetting, &QPushButton::clicked, this,
                             [this] { w_.mnuGridSetting->popup(QCursor::pos()); });
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

int MainBrowser::DateSelWidth() const { return std::max(160, w_.cmdDateSel->sizeHint().width()); }

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
    in.dateSelWidth = tw(DateSelWidth());
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
    w_.cmdDateSel->setGeometry(px(r.dateSelLeft), 1, DateSelWidth(), titleHeight - 2);
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
    // The background picture lies under the title band and the section
    // buttons, below the band.
    if (r.backgroundLeft) w_.imgMainBackground->move(px(*r.backgroundLeft), px(r.treeTop));
    if (!w_.imgMainBackground->pixmap().isNull()) w_.imgMainBackground->setVisible(r.backgroundVisible);
    w_.imgMainBackground->lower();
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
    // The current cell goes to the column clicked, which is in view.
    w_.dgView->FollowDataSource(w_.dgView->gridModel()->fieldOf(column));
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
