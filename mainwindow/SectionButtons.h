#pragma once
// The section buttons (`acmdSectionItem`): while a section of the navigation
// tree is selected, the data area shows a title "VOCI PRINCIPALI PER LA
// SEZIONE <SECTION> :" and one large button per child of the section, in
// columns that follow the window's height. A button selects its node (by
// key, or by position for a sub-section) and shows its view.
//
// Buttons are removed with deleteLater and a click is handled after the
// click's own event has returned, so the rebuild that the click starts never
// deletes the button whose click is running.

#include <QObject>
#include <QPointer>
#include <QString>
#include <vector>

class QAbstractButton;
class QTreeWidget;
class QWidget;

namespace controls {
class MubCommand;
}

namespace mainwindow {

class SectionButtons : public QObject {
    Q_OBJECT
  public:
    // Size of a button and the gaps, in twips.
    static constexpr int kWidth = 2220;
    static constexpr int kHeight = 1065;
    static constexpr int kColumnGap = 400;
    static constexpr int kRowGap = 150;
    static constexpr int kTitleRightGap = 800;

    // Where the buttons go: in twips of `area`.
    struct Place {
        double splitterLeft = 0;
        double treeTop = 0;
        double innerWidth = 0;
        double innerHeight = 0;
    };

    SectionButtons(QWidget* area, QTreeWidget* tree, QAbstractButton* hideTree);

    // Removes the old buttons and, when a section is selected, builds its
    // title and buttons. Disables the hide button while buttons are shown.
    void Build(const Place& place);
    // The elements: 0 stands for the hidden template, 1 is the title, 2 and
    // up are the buttons (Count() includes the template).
    int Count() const { return int(items_.size()) + 1; }
    controls::MubCommand* Item(int index) const;
    // Follows a button's tag: a position (digits) or a key, selected without
    // the tree's signals; then the view of the node still selected is asked
    // for once (refreshRequested).
    void Follow(const QString& tag);

  signals:
    // The data view must be rebuilt for the node now selected.
    void refreshRequested();

  private:
    QWidget* area_;
    QTreeWidget* tree_;
    QAbstractButton* hideTree_;
    std::vector<QPointer<controls::MubCommand>> items_;
};

}  // namespace mainwindow
