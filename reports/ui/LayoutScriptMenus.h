#pragma once
// The insertion menus of the layout editors' script assistant and the deferred
// actions behind them: the instruction menus ("prn." output and data
// instructions), the field and reference menus of the table that applies at
// the caret, the menu of one reference (its fields and its references, for a
// GetReference(...).ColValue(...) chain written by menu choices alone) and,
// for report layouts, the If section of a data reference and the choice of a
// data reference when the source is every reference of a table.
//
// A menu click only stores the chosen item and queues its action on the
// assistant's one-shot timer, so the menu has closed before the action opens
// the next one. Each editor gives the table and reference it edits, and its
// own data-variable rule through the assistant.

#include "reports/ReportLayouts.h"
#include "reports/ScriptAssistant.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace datalib {
class TableDef;
struct ReferenceDef;
}  // namespace datalib

namespace reports {

class ScriptEditorAssistant;

// A run-time menu array: a fixed heading (index 0) followed by items added at
// run time, all in one QMenu where other entries may follow. An item's tag is
// what it inserts or the name it stands for; an item without a tag is a
// disabled sub-heading.
class MenuArray {
  public:
    MenuArray(QMenu* menu, const QString& name, const QString& heading);
    QAction* Add(const QString& caption, const QString& tag);
    void Add(const QList<MenuEntry>& entries);
    // Removes every item after the heading.
    void RemoveRunTimeItems();
    int Count() const { return int(items_.size()); }
    QAction* Item(int index) const { return items_.value(index); }
    QString Tag(int index) const;
    const QString& name() const { return name_; }
    QMenu* menu() const { return menu_; }
    // Called with the item's index when one is clicked.
    std::function<void(int index)> onClick;

  private:
    QMenu* menu_;
    QString name_;
    QList<QAction*> items_;
};

class LayoutScriptMenus : public QObject {
    Q_OBJECT
  public:
    struct Options {
        // Captions of the two instruction submenus.
        QString outputCaption = QStringLiteral("Presentazione");
        QString dataCaption = QStringLiteral("Dati");
        // The data item " > Dati &Referenziati ()" carries its access key.
        bool referenceAccessKey = true;
        // Report layouts: the "Sezione:" menu of If sections and the choice of
        // a data reference when the source is every reference.
        bool referenceSections = true;
        // The name of the table being edited, and of the data reference (empty
        // for the table's own rows, kAllReferences for every reference).
        std::function<QString()> selectedTableName;
        std::function<QString()> selectedReferenceName;
        // A table's definition by name; unset: the open database's data set.
        std::function<const datalib::TableDef*(const QString& name)> tableByName;
    };

    // Builds the menus (parented to the window) and registers the deferred
    // actions on the assistant.
    LayoutScriptMenus(ScriptEditorAssistant& assistant, QWidget* window, Options options);

    // ---- The menus (object names as the editors call them) -------------------
    QMenu* mnuIntructionHelp;
    QMenu* mnuOutputInstructions;
    QMenu* mnuDataInstructions;
    QMenu* mnuRefIfSectionSelection = nullptr;  // reports only
    QMenu* mnuFieldHelp;
    QMenu* mnuFields;
    QMenu* mnuReferences;
    QMenu* mnuRefFieldHelp;
    QAction* mnuRefName;
    QMenu* mnuRefSelHelp = nullptr;  // reports only
    MenuArray mnuInstructionItem, mnuFunctionDataItem, mnuRefIfSectionItem, mnuFieldItem, mnuFieldItemRef,
        mnuReferenceItem, mnuRefFieldItem, mnuRefReferenceItem, mnuSelReferenceItem;

    // Empties the instruction arrays and adds the twelve output and twelve data items.
    void FillInstructionItems();
    // Every menu item on or off (the editors' enabling of their controls).
    void setEnabled(bool enabled);

    // The table whose fields and references apply at the caret: the edited
    // table for "ds"; for "dsRow" the table of the data reference (asking
    // which one first when the source is every reference). Nothing when none applies.
    const datalib::TableDef* BuildSelectReferenceMenu();
    // Rebuilds the field menu (fields, then the references' entries) and the
    // reference menu for a table.
    void FillFieldMenus(const datalib::TableDef* table);
    // Fills the menu of one reference (its table's fields and references) and pops it.
    void BuildReferenceMenus(const datalib::ReferenceDef* reference);
    // Inserts a field read at the caret.
    void InsertColValue(const QString& fieldName);
    // The "Sezione:" items for every data reference of the table and its base
    // chain; the submenu shows only for the every-reference source.
    void FillIfSectionItems(const datalib::TableDef* table);
    // The editor's commands: the instruction menu and the field menu at the caret.
    void PopInstructionMenu();
    void PopFieldMenu();
    void PopReferenceMenu();

    // What the last click chose (for the tests and the window).
    int chosenIndex() const { return chosenIndex_; }
    const QString& chosenDataReference() const { return chosenDataReference_; }
    void setChosenDataReference(const QString& name) { chosenDataReference_ = name; }

  private:
    const datalib::TableDef* table(const QString& name) const;
    void connectArray(MenuArray& array);
    void insertInstruction(const MenuArray& array, const QString& prefix);
    void insertReference(const QString& referenceName, const datalib::TableDef* owner);
    void popupTableMenu(bool fields);
    void loadReferenceMenu();

    ScriptEditorAssistant& assistant_;
    QPointer<QWidget> window_;
    Options options_;
    int chosenIndex_ = 0;
    QString chosenReferenceName_, chosenTableName_, chosenDataReference_;
};

}  // namespace reports
