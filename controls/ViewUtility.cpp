#include "controls/ViewUtility.h"

#include "controls/DataGrid.h"
#include "controls/DataGridModel.h"
#include "controls/DataPanel.h"
#include "controls/FieldSequence.h"
#include "controls/MubShortSearch.h"
#include "controls/SearchDialogs.h"
#include "controls/ViewGridSettings.h"
#include "core/AppError.h"
#include "datalib/DataSet.h"
#include "datalib/DataSource.h"
#include "datalib/Errors.h"
#include "platform/ui/GuardedApplication.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

namespace controls {

namespace {

QString captionOr(const QString& caption, const datalib::DataSource& ds) {
    return caption.isEmpty() ? ds.tableDef().caption() : caption;
}

void tell(const core::AppError& e, QWidget* parent) {
    if (e.cancelled() || datalib::errors::isCancel(e)) return;  // the library showed it
    platform::messageBox(e.description(), platform::kOkOnly | platform::kExclamation, QString(), parent);
}

}  // namespace

// ---- Row editor ------------------------------------------------------------------------------

RowEditor::RowEditor(std::shared_ptr<datalib::DataSource> ds, bool newRow, const QString& caption,
                     QWidget* parent)
    : QDialog(parent), ds_(std::move(ds)), newRow_(newRow) {
    setObjectName(QStringLiteral("frmRowEditor"));
    setWindowTitle(captionOr(caption, *ds_));
    auto* layout = new QVBoxLayout(this);
    panel_ = new DataPanel(this);
    layout->addWidget(panel_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    save_ = new QPushButton(QStringLiteral("&Salva"), this);
    save_->setObjectName(QStringLiteral("cmdSave"));
    close_ = new QPushButton(QStringLiteral("&Chiudi"), this);
    close_->setObjectName(QStringLiteral("cmdClose"));
    save_->setAutoDefault(false);
    close_->setAutoDefault(false);
    buttons->addWidget(save_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    platform::connectGuarded(save_, &QPushButton::clicked, this, &RowEditor::accept);
    platform::connectGuarded(close_, &QPushButton::clicked, this, &RowEditor::reject);
    if (newRow_) ds_->AddNew();  // a refusal raises to the caller: no dialog
    panel_->Bind(ds_);
    save_->setVisible(!panel_->IsReadOnly());
    resize(560, std::min(640, sizeHint().height() + 40));
}

RowEditor::~RowEditor() {
    // A new row that was never saved is not left half-written in the data source.
    if (ds_ && ds_->IsEditing() && savedKey_.isEmpty()) ds_->CancelUpdate();
}

bool RowEditor::Save() {
    if (panel_->IsReadOnly()) return false;
    if (!panel_->CommitEditingDataControls()) return false;
    const QStringList wrong = panel_->FieldsInError();
    if (!wrong.isEmpty()) {
        platform::messageBox(
            QStringLiteral("Correggere il valore del campo \"%1\" prima di salvare.").arg(wrong.first()),
            platform::kOkOnly | platform::kExclamation, QString(), this);
        return false;
    }
    try {
        if (ds_->IsEditing()) ds_->Save();
    } catch (const core::AppError& e) {
        tell(e, this);
        panel_->Refresh();
        return false;
    }
    savedKey_ = ds_->RowKey();
    return true;
}

void RowEditor::accept() {
    if (panel_->IsReadOnly()) {
        QDialog::reject();
        return;
    }
    if (Save()) QDialog::accept();
}

void RowEditor::reject() {
    if (!panel_->IsReadOnly() && panel_->HasTypedChanges()) {
        const int answer = platform::messageBox(
            QStringLiteral("I dati modificati non sono stati salvati.\r\rChiudere senza salvare ?"),
            platform::kYesNo | platform::kQuestion | platform::kDefaultButton2, QString(), this);
        if (answer != platform::kAnswerYes) return;
    }
    if (ds_->IsEditing()) ds_->CancelUpdate();
    QDialog::reject();
}

// ---- Browse window --------------------------------------------------------------------------

BrowseWindow::BrowseWindow(std::shared_ptr<datalib::DataSource> ds, const QString& caption, QWidget* owner)
    : QWidget(owner, Qt::Window), ds_(std::move(ds)) {
    setObjectName(QStringLiteral("frmBrowse"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(captionOr(caption, *ds_));
    auto* layout = new QVBoxLayout(this);
    search_ = new MubShortSearch(this);
    grid_ = new DataGrid(this);
    grid_->setObjectName(QStringLiteral("dgBrowse"));
    layout->addWidget(search_);
    layout->addWidget(grid_, 1);
    grid_->Bind(ds_, nullptr);
    search_->Bind(ds_);
    connect(search_, &MubShortSearch::RowFound, this, [this](long) { grid_->FollowDataSource(); });
    connect(search_, &MubShortSearch::InputReturned, this, [this](int, int) { grid_->setFocus(); });
    platform::connectGuarded(grid_, &QAbstractItemView::doubleClicked, this,
                             [this](const QModelIndex&) { OpenCurrent(); });
    grid_->installEventFilter(this);
    resize(QSize(760, 460).expandedTo(minimumSizeHint()));
    platform::PlaceOverOwner(*this, owner);
}

BrowseWindow::~BrowseWindow() = default;

void BrowseWindow::OpenCurrent() {
    if (!ds_ || !ds_->RowValid()) {
        QApplication::beep();
        return;
    }
    try {
        ViewObject(ds_, this).EditCurrent();
    } catch (const core::AppError& e) {
        tell(e, this);
    }
    grid_->viewport()->update();
}

bool BrowseWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            OpenCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// ---- Pick list ----------------------------------------------------------------------------------

PickListDialog::PickListDialog(std::shared_ptr<datalib::DataSource> ds, const QString& caption,
                               const QString& displayColumns, bool allowNew, QWidget* parent)
    : QDialog(parent), ds_(std::move(ds)) {
    setObjectName(QStringLiteral("frmPickList"));
    setWindowTitle(captionOr(caption, *ds_));
    auto* layout = new QVBoxLayout(this);
    search_ = new MubShortSearch(this);
    grid_ = new DataGrid(this);
    grid_->setObjectName(QStringLiteral("dgPickList"));
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(search_);
    layout->addWidget(grid_, 1);
    grid_->gridModel()->setDataSource(ds_, displayColumns);
    grid_->ApplyLayout(nullptr);
    // No row is chosen until the user reaches one: the list shows none.
    search_->Bind(ds_);
    connect(search_, &MubShortSearch::RowFound, this, [this](long) { grid_->FollowDataSource(); });
    connect(search_, &MubShortSearch::InputReturned, this, [this](int, int) { grid_->setFocus(); });
    platform::connectGuarded(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
                             [this](const QModelIndex& current) { reached_ = current.isValid(); });
    platform::connectGuarded(grid_, &QAbstractItemView::doubleClicked, this,
                             [this](const QModelIndex&) { accept(); });
    search_->textBox()->installEventFilter(this);
    grid_->installEventFilter(this);

    auto* buttons = new QDialogButtonBox(this);
    if (allowNew) {
        new_ = buttons->addButton(QStringLiteral("&Nuovo..."), QDialogButtonBox::ActionRole);
        new_->setObjectName(QStringLiteral("cmdNew"));
        platform::connectGuarded(new_, &QPushButton::clicked, this, [this] {
            try {
                const core::Variant key = ViewObject(ds_, this).EditNew();
                if (key.isEmpty()) return;
                ds_->Requery();
                ds_->MoveToKey(key);
                QDialog::accept();
            } catch (const core::AppError& e) {
                tell(e, this);
            }
        });
    }
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Annulla"), QDialogButtonBox::RejectRole);
    platform::connectGuarded(buttons, &QDialogButtonBox::accepted, this, &PickListDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    // As wide as its columns, within the screen's free area.
    int columns = grid_->verticalHeader()->width() + 2 * grid_->frameWidth() +
                  grid_->verticalScrollBar()->sizeHint().width() + 2 * layout->contentsMargins().left();
    for (int c = 0; c < grid_->model()->columnCount(); ++c)
        if (!grid_->isColumnHidden(c)) columns += grid_->columnWidth(c);
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int most = screen ? screen->availableGeometry().width() * 9 / 10 : 1200;
    resize(std::max(640, std::min(columns, most)), 420);
}

PickListDialog::~PickListDialog() = default;

void PickListDialog::ChooseRow(long position) {
    ds_->MoveTo(position);
    grid_->FollowDataSource();
    reached_ = ds_->RowValid();
}

void PickListDialog::accept() {
    if (!reached_ || !ds_->RowValid()) {
        QApplication::beep();
        return;
    }
    QDialog::accept();
}

void PickListDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    search_->textBox()->setFocus(Qt::OtherFocusReason);
}

void PickListDialog::lookUpTypedText() {
    const QString text = search_->SearchText();
    if (text.isEmpty()) {
        accept();
        return;
    }
    // The first match the list moved to, still stood on: this Enter takes it.
    if (reached_ && text == foundText_ && ds_->RowValid() && ds_->OID() == foundOid_) {
        accept();
        return;
    }
    foundText_.clear();
    bool exact = false, found = false;
    try {
        exact = search_->FindFirstOf(true);
        found = exact || search_->FindFirstOf(false);
    } catch (const core::AppError&) {
        // A text that does not fit the field (letters in a number) matches nothing.
    }
    if (exact) {
        reached_ = true;
        accept();
        return;
    }
    if (found) {
        reached_ = true;
        foundText_ = text;
        foundOid_ = ds_->OID();
        return;
    }
    platform::messageBox(
        QStringLiteral("Nessun elemento trovato per \"%1\" nel campo %2.").arg(text, search_->SearchField()),
        platform::kOkOnly | platform::kInformation, QString(), this);
    search_->textBox()->setFocus(Qt::OtherFocusReason);
    search_->textBox()->selectAll();
}

bool PickListDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_ && event->type() == QEvent::FocusIn) {
        // The grid makes its first row current when it takes the focus
        // without one: shown, but not reached by the user.
        const bool had = reached_;
        static_cast<QObject*>(grid_)->event(event);
        reached_ = had;
        return true;
    }
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (watched == search_->textBox() && plain &&
        (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        lookUpTypedText();
        return true;
    }
    // A character typed in the grid goes to the search text.
    if (watched == grid_ &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
        !key->text().isEmpty() && key->text().at(0).isPrint()) {
        search_->textBox()->setFocus(Qt::OtherFocusReason);
        QApplication::sendEvent(search_->textBox(), key);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// ---- View object -----------------------------------------------------------------------------------

ViewObject::ViewObject(std::shared_ptr<datalib::DataSource> ds, QWidget* owner)
    : ds_(std::move(ds)), owner_(owner) {}

core::Variant ViewObject::EditNew(const QString& caption) {
    std::unique_ptr<RowEditor> editor;
    try {
        editor = std::make_unique<RowEditor>(ds_, true, caption, owner_);
    } catch (const core::AppError& e) {
        tell(e, owner_);  // no new row here (an operator who may only consult, a refusal)
        return core::Variant();
    }
    if (!runSearchDialog(*editor)) return core::Variant();
    return editor->SavedKey();
}

core::Variant ViewObject::EditCurrent(const QString& caption, bool, bool) {
    if (!ds_->RowValid()) return core::Variant();
    RowEditor editor(ds_, false, caption, owner_);
    if (!runSearchDialog(editor)) return core::Variant();
    return editor.SavedKey();
}

core::Variant ViewObject::Show(const QString& caption) { return EditCurrent(caption); }

BrowseWindow* ViewObject::Browse(const QString& caption) {
    auto* window = new BrowseWindow(ds_, caption, owner_);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

core::Variant ViewObject::PickList(const QString& caption, const QString& displayColumns,
                                   const QString& keyColumn, bool allowNew) {
    PickListDialog list(ds_, caption, displayColumns, allowNew, owner_);
    const QString searched =
        displayColumns.isEmpty() ? keyColumn : displayColumns.section(QLatin1Char(','), 0, 0);
    if (!searched.trimmed().isEmpty()) list.search()->SetSearchField(searched.trimmed());
    if (!runSearchDialog(list) || !ds_->RowValid()) return core::Variant();
    if (keyColumn.isEmpty() || keyColumn.compare(QLatin1String("OID"), Qt::CaseInsensitive) == 0)
        return ds_->RowKey();
    return ds_->ColValue(keyColumn);
}

void ViewObject::GridView(DataGrid* grid, const ViewGridSettings* settings) { grid->Bind(ds_, settings); }

bool ViewObject::EditFieldSequence(ViewGridSettings& settings, const QString& title,
                                   const QStringList& leading) {
    QStringList available;
    if (settings.FieldSequence().isEmpty())
        for (const QString& f : leading) {
            const int i = ds_->ColumnIndex(f);
            if (i >= 0 && !available.contains(ds_->ColumnNames()[i], Qt::CaseInsensitive))
                available << ds_->ColumnNames()[i];
        }
    for (const QString& c : ds_->ColumnNames())
        if (!IsLinkColumn(c) && !available.contains(c, Qt::CaseInsensitive)) available << c;
    QString fields = settings.FieldSequence();
    if (!EditFieldList(owner_, available, fields,
                       title.isEmpty() ? QStringLiteral("Imposta sequenza campi") : title))
        return false;
    settings.SetFieldSequence(fields);
    return true;
}

std::unique_ptr<ViewGridSettings> ViewUtility::GridSettings(const QString& file, const QString& section) {
    return std::make_unique<ViewGridSettings>(file, section);
}

}  // namespace controls
