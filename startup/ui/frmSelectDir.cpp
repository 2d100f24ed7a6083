#include "startup/ui/frmSelectDir.h"

#include "platform/ui/GuardedApplication.h"
#include "startup/RunContext.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QStorageInfo>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>

namespace startup {

namespace {

frmSelectDir::FolderChooser& folderChooser() {
    static frmSelectDir::FolderChooser chooser;
    return chooser;
}

constexpr int kPathRole = Qt::UserRole;

QString cleanDir(const QString& path) { return QDir::cleanPath(QDir::fromNativeSeparators(path)); }

// The mount point a folder lies on ("" when the folder does not exist).
QString mountOf(const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir()) return QString();
    const QStorageInfo storage(path);
    return storage.isValid() ? cleanDir(storage.rootPath()) : QString();
}

}  // namespace

void frmSelectDir::setFolderChooser(FolderChooser chooser) { folderChooser() = std::move(chooser); }

frmSelectDir::frmSelectDir(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelectDir"));
    setWindowTitle(QStringLiteral("Selezione indirizzario"));

    optResource0_ = new QRadioButton(QStringLiteral("Dischi"), this);
    optResource0_->setObjectName(QStringLiteral("optResource0"));
    optResource0_->setToolTip(QStringLiteral("Seleziona uno dei dischi disponibili"));
    optResource1_ = new QRadioButton(QStringLiteral("Altra locazione"), this);
    optResource1_->setObjectName(QStringLiteral("optResource1"));
    optResource1_->setToolTip(QStringLiteral("Seleziona una qualsiasi risorsa disponibile"));
    auto* options = new QButtonGroup(this);
    options->addButton(optResource0_, 0);
    options->addButton(optResource1_, 1);

    driveSelect_ = new QComboBox(this);
    driveSelect_->setObjectName(QStringLiteral("driveSelect"));
    cmdSelectRes_ = new QPushButton(QStringLiteral("..."), this);
    cmdSelectRes_->setObjectName(QStringLiteral("cmdSelectRes"));
    cmdSelectRes_->setToolTip(QStringLiteral("Attiva la selezione della risorsa"));

    dirSelect_ = new QTreeWidget(this);
    dirSelect_->setObjectName(QStringLiteral("dirSelect"));
    dirSelect_->setHeaderHidden(true);
    dirSelect_->setRootIsDecorated(false);
    dirSelect_->setIndentation(14);
    dirSelect_->setMinimumSize(340, 260);

    cmdOk_ = new QPushButton(QStringLiteral("&Ok"), this);
    cmdOk_->setObjectName(QStringLiteral("cmdOk"));
    cmdOk_->setDefault(true);
    cmdEsci_ = new QPushButton(QStringLiteral("&Esci"), this);
    cmdEsci_->setObjectName(QStringLiteral("cmdEsci"));

    auto* grid = new QGridLayout;
    grid->addWidget(optResource0_, 0, 0);
    grid->addWidget(driveSelect_, 0, 1);
    grid->addWidget(optResource1_, 1, 0);
    grid->addWidget(cmdSelectRes_, 1, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOk_);
    buttons->addWidget(cmdEsci_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(dirSelect_, 1);
    layout->addLayout(buttons);

    fillDrives();
    dirPath_ = QString();
    platform::connectGuarded(optResource0_, &QRadioButton::toggled, this, &frmSelectDir::optionChanged);
    platform::connectGuarded(driveSelect_, &QComboBox::activated, this, &frmSelectDir::driveChanged);
    platform::connectGuarded(cmdSelectRes_, &QPushButton::clicked, this, &frmSelectDir::selectOtherLocation);
    platform::connectGuarded(dirSelect_, &QTreeWidget::itemActivated, this,
                             [this](QTreeWidgetItem* item) { OpenDir(item->data(0, kPathRole).toString()); });
    platform::connectGuarded(cmdOk_, &QPushButton::clicked, this, &frmSelectDir::confirm);
    platform::connectGuarded(cmdEsci_, &QPushButton::clicked, this, &frmSelectDir::reject);

    SetFormFont(this, runContext().fontName, runContext().fontSizeDelta);
    syncToSelectedDir();
}

void frmSelectDir::fillDrives() {
    driveSelect_->clear();
    QStringList roots;
    const auto volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo& volume : volumes)
        if (volume.isValid() && volume.isReady()) roots << cleanDir(volume.rootPath());
    roots.removeDuplicates();
    roots.sort();
    for (const QString& root : roots) driveSelect_->addItem(QDir::toNativeSeparators(root), root);
    driveSelect_->setCurrentIndex(-1);
}

void frmSelectDir::SetSelectedDir(const QString& dir) {
    selectedDir_ = dir;
    syncToSelectedDir();
}

void frmSelectDir::syncToSelectedDir() {
    bool failed = false;
    if (!selectedDir_.isEmpty()) {
        failed = !OpenDir(cleanDir(selectedDir_));
        const QString mount = mountOf(cleanDir(selectedDir_));
        const int index = driveSelect_->findData(mount);
        if (index < 0) failed = true;
        driveSelect_->setCurrentIndex(index);
    } else if (dirPath_.isEmpty()) {
        OpenDir(QDir::homePath());
    }
    const bool disks = selectedDir_.isEmpty() || (driveSelect_->currentIndex() >= 0 && !failed);
    (disks ? optResource0_ : optResource1_)->setChecked(true);
    optionChanged();
    unsetCursor();
}

void frmSelectDir::optionChanged() {
    const bool disks = optResource0_->isChecked();
    driveSelect_->setEnabled(disks);
    cmdSelectRes_->setEnabled(!disks);
    if (disks && driveSelect_->count() > 0 && driveSelect_->currentIndex() < 0) {
        // In place of the first hard disk: the root of the file system.
        const int root = driveSelect_->findData(QStringLiteral("/"));
        driveSelect_->setCurrentIndex(root >= 0 ? root : 0);
    }
}

void frmSelectDir::driveChanged(int index) {
    const QString previous = dirPath_;
    if (!OpenDir(driveSelect_->itemData(index).toString()))
        driveSelect_->setCurrentIndex(driveSelect_->findData(mountOf(previous)));
}

bool frmSelectDir::OpenDir(const QString& path) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isDir() || !info.isReadable()) return false;
    dirPath_ = cleanDir(info.absoluteFilePath());

    dirSelect_->clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    // The chain from the root down to the current folder, then its subfolders.
    QStringList chain;
    for (QDir dir(dirPath_);;) {
        chain.prepend(dir.absolutePath());
        if (dir.isRoot() || !dir.cdUp()) break;
    }
    QTreeWidgetItem* parent = nullptr;
    QTreeWidgetItem* current = nullptr;
    for (const QString& step : chain) {
        const QString name = QDir(step).isRoot() ? QDir::toNativeSeparators(step) : QDir(step).dirName();
        auto* item = parent ? new QTreeWidgetItem(parent, {name}) : new QTreeWidgetItem(dirSelect_, {name});
        item->setIcon(0, open);
        item->setData(0, kPathRole, step);
        item->setExpanded(true);
        parent = current = item;
    }
    const QStringList children =
        QDir(dirPath_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& child : children) {
        auto* item = new QTreeWidgetItem(current, {child});
        item->setIcon(0, closed);
        item->setData(0, kPathRole, QDir(dirPath_).filePath(child));
    }
    dirSelect_->expandAll();
    dirSelect_->setCurrentItem(current);
    return true;
}

QString frmSelectDir::HighlightedDir() const {
    const QTreeWidgetItem* item = dirSelect_->currentItem();
    return item ? item->data(0, kPathRole).toString() : dirPath_;
}

bool frmSelectDir::HighlightDir(const QString& path) {
    const QString wanted = cleanDir(path);
    for (QTreeWidgetItemIterator it(dirSelect_); *it; ++it) {
        if ((*it)->data(0, kPathRole).toString() == wanted) {
            dirSelect_->setCurrentItem(*it);
            return true;
        }
    }
    return false;
}

void frmSelectDir::selectOtherLocation() {
    const QString proposed = selectedDir_.isEmpty() ? dirPath_ : selectedDir_;
    const QString chosen = folderChooser() ? folderChooser()(proposed)
                                           : QFileDialog::getExistingDirectory(this, windowTitle(), proposed);
    if (chosen.isEmpty()) return;
    selectedDir_ = cleanDir(chosen);
    syncToSelectedDir();
}

void frmSelectDir::confirm() {
    QString dir = HighlightedDir();
    // The folder's own name without a final separator; the root stays "/",
    // since an empty answer would read as a cancel.
    while (dir.size() > 1 && (dir.endsWith(QLatin1Char('/')) || dir.endsWith(QLatin1Char('\\')))) dir.chop(1);
    selectedDir_ = dir;
    accept();
}

void frmSelectDir::reject() {
    selectedDir_.clear();
    QDialog::reject();
}

}  // namespace startup
