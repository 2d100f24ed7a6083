#pragma once
// The directory dialog: a folder chosen among the mounted disks, or any other
// location through the desktop's folder dialog. The opener sets SelectedDir,
// shows the dialog modally and reads SelectedDir back: empty means cancelled.

#include <QDialog>
#include <QString>

#include <functional>

class QComboBox;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace startup {

class frmSelectDir : public QDialog {
    Q_OBJECT
  public:
    explicit frmSelectDir(QWidget* parent = nullptr);

    QString SelectedDir() const { return selectedDir_; }
    void SetSelectedDir(const QString& dir);

    // Leaving by Esc or the close box is the same as "Esci".
    void reject() override;

    // The folder whose contents the list shows, and the entry highlighted.
    QString DirListPath() const { return dirPath_; }
    QString HighlightedDir() const;
    // Highlights the list entry of a folder (the current one, one of its
    // parents or one of its subfolders); false when the list has no such entry.
    bool HighlightDir(const QString& path);
    // Makes a folder the current one of the list; false when it cannot be read.
    bool OpenDir(const QString& path);

    QRadioButton* optDisks() const { return optResource0_; }
    QRadioButton* optOther() const { return optResource1_; }
    QComboBox* driveSelect() const { return driveSelect_; }
    QTreeWidget* dirSelect() const { return dirSelect_; }
    QPushButton* cmdSelectRes() const { return cmdSelectRes_; }
    QPushButton* cmdOk() const { return cmdOk_; }
    QPushButton* cmdEsci() const { return cmdEsci_; }

    // Test seam: while set, "another location" asks this function (given the
    // proposed folder; an empty answer is a cancel) instead of the desktop's
    // folder dialog.
    using FolderChooser = std::function<QString(const QString& proposed)>;
    static void setFolderChooser(FolderChooser chooser);

  private:
    void syncToSelectedDir();
    void optionChanged();
    void driveChanged(int index);
    void selectOtherLocation();
    void confirm();
    void fillDrives();

    QRadioButton* optResource0_ = nullptr;
    QRadioButton* optResource1_ = nullptr;
    QComboBox* driveSelect_ = nullptr;
    QTreeWidget* dirSelect_ = nullptr;
    QPushButton* cmdSelectRes_ = nullptr;
    QPushButton* cmdOk_ = nullptr;
    QPushButton* cmdEsci_ = nullptr;
    QString selectedDir_;
    QString dirPath_;
};

}  // namespace startup
