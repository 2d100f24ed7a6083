#include "reports/ui/LayoutScriptMenus.h"

#include "datalib/DataSet.h"
#include "datalib/Definitions.h"
#include "platform/ui/GuardedApplication.h"
#include "reports/ui/ScriptEditorAssistant.h"
#include "startup/ui/modZeltFormUtility.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextCursor>

namespace reports {

// ---- MenuArray ---------------------------------------------------------------

MenuArray::MenuArray(QMenu* menu, const QString& name, const QString& heading) : menu_(menu), name_(name) {
    Add(heading, QString());
}

QAction* MenuArray::Add(const QString& caption, const QString& tag) {
    auto* item = new QAction(caption, menu_);
    item->setData(tag);
    item->setProperty("Index", int(items_.size()));
    item->setEnabled(!tag.isEmpty());
    // After the array's last item, ahead of whatever follows it in the menu.
    QAction* before = nullptr;
    if (!items_.isEmpty()) {
        const QList<QAction*> all = menu_->actions();
        const qsizetype at = all.indexOf(items_.last());
        if (at >= 0 && at + 1 < all.size()) before = all[at + 1];
    }
    menu_->insertAction(before, item);
    const int index = int(items_.size());
    items_.append(item);
    platform::connectGuarded(item, &QAction::triggered, menu_, [this, index] {
        if (onClick) onClick(index);
    });
    return item;
}

void MenuArray::Add(const QList<MenuEntry>& entries) {
    for (const MenuEntry& e : entries) Add(e.caption, e.tag);
}

void MenuArray::RemoveRunTimeItems() {
    while (items_.size() >= 2) delete items_.takeLast();
}

QString MenuArray::Tag(int index) const {
    const QAction* item = items_.value(index);
    return item ? item->data().toString() : QString();
}

// ---- The menus -----------------------------------------------------------------

namespace {

QMenu* submenu(QMenu* parent, const QString& name, const QString& caption) {
    QMenu* menu = parent->addMenu(caption);
    menu->setObjectName(name);
    return menu;
}

QMenu* popup(QWidget* window, const QString& name, const QString& caption) {
    auto* menu = new QMenu(caption, window);
    menu->setObjectName(name);
    return menu;
}

}  // namespace

LayoutScriptMenus::LayoutScriptMenus(ScriptEditorAssistant& assistant, QWidget* window, Options options)
    : QObject(window),
      mnuIntructionHelp(
          popup(window, QStringLiteral("mnuIntructionHelp"), QStringLiteral("InstructionHelp"))),
      mnuOutputInstructions(
          submenu(mnuIntructionHelp, QStringLiteral("mnuOutputInstructions"), options.outputCaption)),
      mnuDataInstructions(
          submenu(mnuIntructionHelp, QStringLiteral("mnuDataInstructions"), options.dataCaption)),
      mnuRefIfSectionSelection(options.referenceSections
                                   ? submenu(mnuIntructionHelp, QStringLiteral("mnuRefIfSectionSelection"),
                                             QStringLiteral("Sezione:"))
                                   : nullptr),
      mnuFieldHelp(popup(window, QStringLiteral("mnuFieldHelp"), QStringLiteral("FieldHelp"))),
      mnuFields(submenu(mnuFieldHelp, QStringLiteral("mnuFields"), QStringLiteral("Campi"))),
      mnuReferences(submenu(mnuFieldHelp, QStringLiteral("mnuReferences"), QStringLiteral("Riferimenti"))),
      mnuRefFieldHelp(popup(window, QStringLiteral("mnuRefFieldHelp"), QStringLiteral("RefFieldHelp"))),
      mnuRefName(mnuRefFieldHelp->addAction(QStringLiteral("ReferenceName"))),
      mnuRefSelHelp(options.referenceSections
                        ? popup(window, QStringLiteral("mnuRefSelHelp"), QStringLiteral("RefSelHelp"))
                        : nullptr),
      mnuInstructionItem(mnuOutputInstructions, QStringLiteral("mnuInstructionItem"),
                         QStringLiteral("Istruzioni (prn.):")),
      mnuFunctionDataItem(mnuDataInstructions, QStringLiteral("mnuFunctionDataItem"),
                          QStringLiteral("Istruzioni (ds.):")),
      mnuRefIfSectionItem(mnuRefIfSectionSelection ? mnuRefIfSectionSelection : new QMenu(window),
                          QStringLiteral("mnuRefIfSectionItem"), QStringLiteral("Riferimenti (If)")),
      mnuFieldItem(mnuFields, QStringLiteral("mnuFieldItem"), QStringLiteral("Campi:")),
      mnuFieldItemRef((mnuFields->addSeparator(), mnuFields), QStringLiteral("mnuFieldItemRef"),
                      QStringLiteral("Campi dei Riferimenti:")),
      mnuReferenceItem(mnuReferences, QStringLiteral("mnuReferenceItem"), QStringLiteral("Riferimenti:")),
      mnuRefFieldItem(mnuRefFieldHelp, QStringLiteral("mnuRefFieldItem"), QStringLiteral("Campi:")),
      mnuRefReferenceItem((mnuRefFieldHelp->addSeparator(), mnuRefFieldHelp),
                          QStringLiteral("mnuRefReferenceItem"), QStringLiteral("Campi dei Riferimenti:")),
      mnuSelReferenceItem(mnuRefSelHelp ? mnuRefSelHelp : new QMenu(window),
                          QStringLiteral("mnuSelReferenceItem"), QStringLiteral("Riferimenti:")),
      assistant_(assistant),
      window_(window),
      options_(std::move(options)) {
    mnuRefName->setObjectName(QStringLiteral("mnuRefName"));
    mnuRefName->setEnabled(false);
    for (MenuArray* array :
         {&mnuInstructionItem, &mnuFunctionDataItem, &mnuFieldItem, &mnuReferenceItem, &mnuRefFieldItem})
        connectArray(*array);
    mnuFieldItemRef.onClick = [this](int index) {
        const datalib::TableDef* t = BuildSelectReferenceMenu();
        if (!t) return;
        chosenReferenceName_ = mnuFieldItemRef.Tag(index);
        chosenTableName_ = t->name();
        assistant_.Queue(QStringLiteral("LoadReferenceMenù"));
    };
    mnuRefReferenceItem.onClick = [this](int index) {
        chosenReferenceName_ = mnuRefReferenceItem.Tag(index);
        chosenTableName_ = mnuRefName->data().toString();
        assistant_.Queue(QStringLiteral("LoadReferenceMenù"));
    };
    mnuSelReferenceItem.onClick = [this](int index) {
        chosenDataReference_ = mnuSelReferenceItem.Tag(index);
    };
    mnuRefIfSectionItem.onClick = [this](int index) {
        int caretOffset = 0;
        const QString text = IfSectionInsert(mnuRefIfSectionItem.Tag(index), &caretOffset);
        assistant_.InsertAtCaret(text, caretOffset);
    };

    assistant_.setAction(QStringLiteral("PopUpTableMenù"), [this] { popupTableMenu(true); });
    assistant_.setAction(QStringLiteral("PopUpReferenceMenù"), [this] { popupTableMenu(false); });
    assistant_.setAction(QStringLiteral("mnuFieldItem"),
                         [this] { InsertColValue(mnuFieldItem.Tag(chosenIndex_)); });
    assistant_.setAction(QStringLiteral("mnuRefFieldItem"),
                         [this] { InsertColValue(mnuRefFieldItem.Tag(chosenIndex_)); });
    assistant_.setAction(QStringLiteral("mnuInstructionItem"),
                         [this] { insertInstruction(mnuInstructionItem, QStringLiteral("prn.")); });
    assistant_.setAction(QStringLiteral("mnuFunctionDataItem"), [this] {
        insertInstruction(mnuFunctionDataItem, assistant_.GetScriptDataVarName() + QLatin1Char('.'));
    });
    assistant_.setAction(QStringLiteral("mnuReferenceItem"), [this] {
        if (const datalib::TableDef* t = BuildSelectReferenceMenu())
            insertReference(mnuReferenceItem.Tag(chosenIndex_), t);
    });
    assistant_.setAction(QStringLiteral("LoadReferenceMenù"), [this] { loadReferenceMenu(); });
    assistant_.onOutputMenu = [this] { assistant_.PopupMenuAtCaret(mnuOutputInstructions); };
    assistant_.onDataMenu = [this] { assistant_.PopupMenuAtCaret(mnuDataInstructions); };
}

void LayoutScriptMenus::connectArray(MenuArray& array) {
    array.onClick = [this, &array](int index) {
        chosenIndex_ = index;
        assistant_.Queue(array.name());
    };
}

const datalib::TableDef* LayoutScriptMenus::table(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    if (options_.tableByName) return options_.tableByName(name);
    try {
        const auto ds = startup::GetDataSet(name);
        return ds ? &ds->definition() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

void LayoutScriptMenus::FillInstructionItems() {
    mnuInstructionItem.RemoveRunTimeItems();
    mnuFunctionDataItem.RemoveRunTimeItems();
    mnuInstructionItem.Add(OutputInstructionItems());
    mnuFunctionDataItem.Add(DataInstructionItems(options_.referenceAccessKey));
}

void LayoutScriptMenus::setEnabled(bool enabled) {
    for (QMenu* menu : {mnuIntructionHelp, mnuFieldHelp, mnuRefFieldHelp, mnuRefSelHelp})
        if (menu) menu->setEnabled(enabled);
}

const datalib::TableDef* LayoutScriptMenus::BuildSelectReferenceMenu() {
    const QString tableName = options_.selectedTableName ? options_.selectedTableName() : QString();
    const datalib::TableDef* selected = table(tableName);
    if (assistant_.GetScriptDataVarName() == QLatin1String("ds")) return selected;
    const QString r = options_.selectedReferenceName ? options_.selectedReferenceName() : QString();
    if (r.isEmpty() || !selected) return selected;
    if (r != kAllReferences) {
        const datalib::ReferenceDef* ref = selected->findReference(r);
        return ref ? table(ref->table) : nullptr;
    }
    if (chosenDataReference_.isEmpty() && mnuRefSelHelp) {
        mnuSelReferenceItem.RemoveRunTimeItems();
        mnuSelReferenceItem.Add(ReferenceMenuEntries(*selected, QStringLiteral("> "), true));
        ScriptEditorAssistant::PopMenu(mnuRefSelHelp, QCursor::pos());
    }
    if (chosenDataReference_.isEmpty()) return nullptr;
    const datalib::ReferenceDef* ref = selected->findReference(chosenDataReference_);
    return ref ? table(ref->table) : nullptr;
}

void LayoutScriptMenus::FillFieldMenus(const datalib::TableDef* t) {
    mnuFieldItem.RemoveRunTimeItems();
    mnuFieldItemRef.RemoveRunTimeItems();
    mnuReferenceItem.RemoveRunTimeItems();
    if (!t) return;
    mnuFieldItem.Add(FieldMenuEntries(*t));
    mnuFieldItemRef.Add(ReferenceMenuEntries(*t, QStringLiteral("> ")));
    mnuReferenceItem.Add(ReferenceMenuEntries(*t, QStringLiteral("* ")));
}

void LayoutScriptMenus::popupTableMenu(bool fields) {
    mnuFieldItem.RemoveRunTimeItems();
    chosenDataReference_.clear();
    const datalib::TableDef* t = BuildSelectReferenceMenu();
    if (!t) return;
    FillFieldMenus(t);
    assistant_.PopupMenuAtCaret(fields ? mnuFields : mnuReferences);
}

void LayoutScriptMenus::PopInstructionMenu() { assistant_.PopupMenuAtCaret(mnuIntructionHelp); }
void LayoutScriptMenus::PopFieldMenu() { assistant_.PopupMenuAtCaret(mnuFields); }
void LayoutScriptMenus::PopReferenceMenu() { assistant_.PopupMenuAtCaret(mnuReferences); }

void LayoutScriptMenus::BuildReferenceMenus(const datalib::ReferenceDef* reference) {
    if (!reference) return;
    mnuRefName->setText(QStringLiteral("< ") + reference->description + QStringLiteral(" >"));
    mnuRefName->setData(reference->table);
    mnuRefFieldItem.RemoveRunTimeItems();
    mnuRefReferenceItem.RemoveRunTimeItems();
    if (const datalib::TableDef* t = table(reference->table)) {
        mnuRefFieldItem.Add(FieldMenuEntries(*t));
        mnuRefReferenceItem.Add(ReferenceMenuEntries(*t, QStringLiteral("> ")));
    }
    assistant_.PopupMenuAtCaret(mnuRefFieldHelp);
}

void LayoutScriptMenus::InsertColValue(const QString& fieldName) {
    const QString text = assistant_.box()->toPlainText();
    if (text.isEmpty()) return;
    assistant_.InsertAtCaret(DataCallInsert(text, assistant_.caret(), assistant_.GetScriptDataVarName(),
                                            QStringLiteral("ColValue"), fieldName));
}

void LayoutScriptMenus::insertInstruction(const MenuArray& array, const QString& prefix) {
    const QString text = assistant_.box()->toPlainText();
    if (text.isEmpty()) return;
    assistant_.InsertAtCaret(InstructionInsert(text, assistant_.caret(), prefix, array.Tag(chosenIndex_)));
    assistant_.RunTriggers();  // an inserted "ColValue(" opens the field menu, and so on
}

void LayoutScriptMenus::insertReference(const QString& referenceName, const datalib::TableDef* owner) {
    const QString text = assistant_.box()->toPlainText();
    if (text.isEmpty() || !owner) return;
    assistant_.InsertAtCaret(DataCallInsert(text, assistant_.caret(), assistant_.GetScriptDataVarName(),
                                            QStringLiteral("GetReference"), referenceName,
                                            QStringLiteral(".")));
    BuildReferenceMenus(owner->findReference(referenceName));
}

void LayoutScriptMenus::loadReferenceMenu() {
    if (chosenTableName_.isEmpty() || chosenReferenceName_.isEmpty()) return;
    QPlainTextEdit* box = assistant_.box();
    if (box->toPlainText().isEmpty()) return;
    QTextCursor cursor = box->textCursor();
    const int p = cursor.position();
    if (p >= 9 && box->toPlainText().mid(p - 9, 9).toUpper() == QLatin1String("COLVALUE(")) {
        // A field call just opened becomes the reference call.
        cursor.setPosition(p - 9);
        cursor.setPosition(p, QTextCursor::KeepAnchor);
        const QSignalBlocker quiet(box);
        cursor.insertText(QStringLiteral("GetReference("));
        box->setTextCursor(cursor);
    }
    insertReference(chosenReferenceName_, table(chosenTableName_));
}

void LayoutScriptMenus::FillIfSectionItems(const datalib::TableDef* t) {
    mnuRefIfSectionItem.RemoveRunTimeItems();
    if (t) mnuRefIfSectionItem.Add(ReferenceMenuEntries(*t, QStringLiteral("> "), true));
}

}  // namespace reports
