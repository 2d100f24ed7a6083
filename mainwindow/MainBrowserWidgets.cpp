#include "mainwindow/MainBrowserWidgets.h"

#include "controls/DataGrid.h"
#include "controls/MubCommand.h"
#include "controls/MubShortSearch.h"
#include "mainwindow/SectionButtons.h"

#include <QAction>
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>

namespace mainwindow {

BrowserWidgets BuildBrowserWidgets(QMainWindow* window, QObject* filter) {
    BrowserWidgets w;
    w.workArea = new QWidget(window);
    w.workArea->setObjectName(QStringLiteral("workArea"));
    w.workArea->installEventFilter(filter);

    w.picTitles = new QWidget(w.workArea);
    w.picTitles->setObjectName(QStringLiteral("picTitles"));
    w.lblTitle[0] = new QLabel(QStringLiteral(" Sezione:"), w.workArea);
    w.lblTitle[0]->setObjectName(QStringLiteral("lblTitle0"));
    w.lblTitle[1] = new QLabel(QStringLiteral(" Dettagli:"), w.workArea);
    w.lblTitle[1]->setObjectName(QStringLiteral("lblTitle1"));
    // The caption of the load, given back to the title by every view.
    w.lblTitle[1]->setProperty("Tag", w.lblTitle[1]->text());
    for (QLabel* l : w.lblTitle) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        l->setAutoFillBackground(true);
        QPalette p = l->palette();
        p.setColor(QPalette::Window, QColor(0x3A, 0x5F, 0x8F));
        p.setColor(QPalette::WindowText, Qt::white);
        l->setPalette(p);
    }
    w.cmdHideTree = new controls::MubCommand(w.workArea);
    w.cmdHideTree->setObjectName(QStringLiteral("cmdHideTree"));
    w.cmdHideTree->setToolTip(QStringLiteral("Nascondi / Visualizza Sezione"));
    w.cmdDateSel = new controls::MubCommand(QStringLiteral("Tutti"), w.workArea);
    w.cmdDateSel->setObjectName(QStringLiteral("cmdDateSel"));
    w.cmdDateSel->setToolTip(QStringLiteral("Imposta il periodo di selezione dei dati"));
    w.cmdDateSel->hide();

    w.tvTreeView = new QTreeWidget(w.workArea);
    w.tvTreeView->setObjectName(QStringLiteral("tvTreeView"));
    w.tvTreeView->setHeaderHidden(true);
    w.tvTreeView->setIconSize(QSize(20, 20));
    w.tvTreeView->setRootIsDecorated(true);
    w.tvTreeView->installEventFilter(filter);

    w.imgSplitter = new QFrame(w.workArea);
    w.imgSplitter->setObjectName(QStringLiteral("imgSplitter"));
    w.imgSplitter->setCursor(Qt::SplitHCursor);
    w.imgSplitter->installEventFilter(filter);
    w.picSplitter = new QFrame(w.workArea);
    w.picSplitter->setObjectName(QStringLiteral("picSplitter"));
    w.picSplitter->setAutoFillBackground(true);
    w.picSplitter->setStyleSheet(QStringLiteral("background-color: #606060;"));
    w.picSplitter->hide();

    w.MubShortSearch = new controls::MubShortSearch(w.workArea);
    w.MubShortSearch->hide();

    w.dgView = new controls::DataGrid(w.workArea);
    w.dgView->hide();

    // The grid settings button fills the grid's top-left corner: its caption
    // is its tooltip, so that it covers no column header.
    w.cmdGridSetting = new controls::MubCommand(w.workArea);
    w.cmdGridSetting->setObjectName(QStringLiteral("cmdGridSetting"));
    w.cmdGridSetting->setToolTip(QStringLiteral("Impostazioni Griglia"));
    w.cmdGridSetting->setAccessibleName(QStringLiteral("Impostazioni Griglia"));
    w.cmdGridSetting->SetPicture(window->style()->standardIcon(QStyle::SP_FileDialogListView));
    w.cmdGridSetting->setIconSize(QSize(12, 12));
    w.cmdGridSetting->setFlat(true);
    w.cmdGridSetting->hide();

    // The window's background picture, when it has one already, stays the
    // background of the working area.
    w.imgMainBackground = qobject_cast<QLabel*>(window->centralWidget());
    if (w.imgMainBackground) {
        window->takeCentralWidget();
        w.imgMainBackground->setParent(w.workArea);
    } else {
        w.imgMainBackground = new QLabel(w.workArea);
        w.imgMainBackground->setObjectName(QStringLiteral("imgMainBackground"));
    }
    w.imgMainBackground->hide();

    w.acmdSectionItem = new SectionButtons(w.workArea, w.tvTreeView, w.cmdHideTree);

    w.tmFunc = new QTimer(filter);
    w.tmFunc->setObjectName(QStringLiteral("tmFunc"));
    w.tmFunc->setSingleShot(true);
    w.tmFunc->setInterval(0);

    window->setCentralWidget(w.workArea);

    QMenuBar* bar = window->menuBar();
    auto* view = bar->addMenu(QStringLiteral("&Visualizza"));
    view->setObjectName(QStringLiteral("mnuView"));
    w.mnuHideSection = view->addAction(QStringLiteral("&Sezione"));
    w.mnuHideSection->setObjectName(QStringLiteral("mnuHideSection"));
    w.mnuHideSection->setCheckable(true);
    w.mnuHideSection->setChecked(true);

    w.mnuOrder = bar->addMenu(QStringLiteral("&Ordina"));
    w.mnuOrder->setObjectName(QStringLiteral("mnuOrder"));
    w.mnuOrderComplex = w.mnuOrder->addAction(QStringLiteral("&Ordinamento combinato..."));
    w.mnuOrderComplex->setObjectName(QStringLiteral("mnuOrderComplex"));
    w.mnuOrderCancel = w.mnuOrder->addAction(QStringLiteral("&Annulla ordinamento"));
    w.mnuOrderCancel->setObjectName(QStringLiteral("mnuOrderCancel"));
    w.mnuOrder->setEnabled(false);

    auto* find = bar->addMenu(QStringLiteral("&Cerca"));
    find->setObjectName(QStringLiteral("mnuFind"));
    w.mnuSearch = find->addAction(QStringLiteral("&Cerca successivo..."));
    w.mnuSearch->setObjectName(QStringLiteral("mnuSearch"));
    w.mnuSearch->setShortcut(QKeySequence(Qt::Key_F3));
    w.mnuSearch->setEnabled(false);
    w.mnuFilterComplex = find->addAction(QStringLiteral("Filtro &complesso..."));
    w.mnuFilterComplex->setObjectName(QStringLiteral("mnuFilterComplex"));
    w.mnuFilterComplex->setEnabled(false);

    auto* tools = bar->addMenu(QStringLiteral("&Strumenti"));
    tools->setObjectName(QStringLiteral("mnuTools"));
    w.mnuTotal = tools->addMenu(QStringLiteral("&Totalizza"));
    w.mnuTotal->setObjectName(QStringLiteral("mnuTotal"));
    w.mnuTotalCount = w.mnuTotal->addAction(QStringLiteral("Numero Elementi"));
    w.mnuTotalCount->setObjectName(QStringLiteral("mnuTotalCount"));
    w.mnuTotalHeading = w.mnuTotal->addAction(QStringLiteral("Totalizza in..."));
    w.mnuTotalHeading->setObjectName(QStringLiteral("mnuTotalItems"));
    w.mnuTotalHeading->setEnabled(false);

    w.mnuAssociation = new QMenu(QStringLiteral("Dati &associati"), window);
    w.mnuAssociation->setObjectName(QStringLiteral("mnuAssociation"));
    w.mnuFieldFuncs = new QMenu(QStringLiteral("Funzioni su campo corrente   (Click destro)"), window);
    w.mnuFieldFuncs->setObjectName(QStringLiteral("mnuFieldFuncs"));
    const auto item = [](QMenu* menu, const char* name, const QString& caption) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QLatin1String(name));
        return a;
    };
    w.mnuFieldFilter =
        item(w.mnuFieldFuncs, "mnuFieldFilter", QStringLiteral("&Filtra colonna con stesso valore..."));
    w.mnuFieldSearchNext =
        item(w.mnuFieldFuncs, "mnuFieldSearchNext", QStringLiteral("&Cerca valore successivo"));
    w.mnuFieldFuncs->addSeparator();
    w.mnuFieldFilterCancel =
        item(w.mnuFieldFuncs, "mnuFieldFilterCancel", QStringLiteral("&Annulla filtro colonna"));
    w.mnuFieldFilterCancelAll =
        item(w.mnuFieldFuncs, "mnuFieldFilterCancelAll", QStringLiteral("Annulla &tutti i filtri"));
    // A right click on a cell opens this menu: the row's related data are
    // reached from it too (and alone from the row selector).
    w.mnuFieldFuncs->addSeparator();
    w.mnuFieldFuncs->addMenu(w.mnuAssociation);

    w.mnuDataSelection = new QMenu(QStringLiteral("Selezioni predefinite"), window);
    w.mnuDataSelection->setObjectName(QStringLiteral("mnuDataSelection"));
    w.mnuDataSelBeforeQuery = item(w.mnuDataSelection, "mnuDataSelBeforeQuery",
                                   QStringLiteral("Richiedi selezioni prima di visualizzare i dati..."));
    w.mnuDataSelBeforeQuery->setCheckable(true);
    w.mnuDataSelCancel = item(w.mnuDataSelection, "mnuDataSelCancel", QStringLiteral("Elimina selezioni"));
    w.mnuDataSelection->menuAction()->setVisible(false);
    w.mnuDataSelection->setEnabled(false);
    return w;
}

}  // namespace mainwindow
