#pragma once
// The relation menus of the main window ("Dati &associati"): from the current
// row the operator jumps to its associated rows ("< Associati >"), to the rows
// of the same table with the same reference ("< Riferimenti >") and to the
// rows that contain it ("< Contenitori >"). Each submenu is an array whose
// item 0 is its placeholder; the entries carry their relation number in their
// data (the tag), counted over all levels, excluded relations included.
// A click does not open anything at once: the window defers it (`tmFunc`).

#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QWidget;

namespace datalib {
class DataSource;
enum class RelationKind;
}  // namespace datalib

namespace mainwindow {

// " con stessi ", " con stessa ", " con stesse " or " con stesso ", from the
// noun's last letter and the plural.
QString GetSameWording(const QString& noun, bool plural);

class RelationMenus : public QObject {
    Q_OBJECT
  public:
    // The three submenus are added to mnuAssociation. owner: the window that
    // owns the boxes and the windows opened.
    RelationMenus(QMenu* mnuAssociation, QWidget* owner);

    QMenu* mnuReferenced() const { return menus_[0]; }
    QMenu* mnuRef() const { return menus_[1]; }
    QMenu* mnuCont() const { return menus_[2]; }
    // The items of an array, the placeholder first: "mnuReferencedItem",
    // "mnuRefItem" or "mnuContItem".
    QList<QAction*> Items(const QString& arrayName) const;

    void BuildRelationMenus(datalib::DataSource* ds, bool clearOnly);

    void OpenContainerItem(const std::shared_ptr<datalib::DataSource>& ds, int number);
    void OpenReferenceItem(const std::shared_ptr<datalib::DataSource>& ds, int number);
    void OpenReferencedItem(const std::shared_ptr<datalib::DataSource>& ds, int number);
    // By the array's name ("mnuRefItem", ...), as the deferred command names it.
    void Open(const QString& arrayName, const std::shared_ptr<datalib::DataSource>& ds, int number);

  signals:
    // An entry was chosen: the command text to defer, "mnuRefItem(3)".
    void itemChosen(const QString& command);

  private:
    void open(datalib::RelationKind kind, const std::shared_ptr<datalib::DataSource>& ds, int number);
    QMenu* menus_[3] = {nullptr, nullptr, nullptr};
    QWidget* owner_;
};

}  // namespace mainwindow
