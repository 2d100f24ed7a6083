#pragma once
// The script assistant of the layout editors, on a QPlainTextEdit that does
// not wrap (so its lines are its blocks): typing triggers open the editor's
// menus or the font and colour dialogs, menu choices run later as deferred
// actions of the one-shot timer `tmFunc` (one at a time), and `lblLine`
// shows "line / count". Each editor plugs in its own data-variable rule, menus
// and actions.

#include "reports/ScriptAssistant.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QLabel;
class QMenu;
class QPlainTextEdit;
class QWidget;

namespace reports {

class ScriptEditorAssistant : public QObject {
    Q_OBJECT
  public:
    // popupAnchor: the control under which a menu pops when the script box has no focus.
    ScriptEditorAssistant(QPlainTextEdit* box, QLabel* lblLine, QWidget* popupAnchor, DataVarRule rule,
                          QObject* parent = nullptr);

    // Font and colour dialogs, replaceable by tests; nothing = cancelled.
    using FontChooser = std::function<std::optional<QFont>(QWidget* parent)>;
    using ColorChooser = std::function<std::optional<QColor>(QWidget* parent)>;
    static void setFontChooser(FontChooser chooser);
    static void setColorChooser(ColorChooser chooser);

    // Popping a menu, replaceable by tests (the popper may trigger an item,
    // as the user's click would, before it returns).
    using MenuPopper = std::function<void(QMenu* menu, const QPoint& at)>;
    static void setMenuPopper(MenuPopper popper);
    // Pops a menu modally at a screen position (through the popper when set).
    static void PopMenu(QMenu* menu, const QPoint& at);

    // What the editor does when a trigger fires (menus pop through PopupMenuAtCaret).
    std::function<void()> onOutputMenu;
    std::function<void()> onDataMenu;
    // "REFERENCE(" and "VALUE(": unset, the deferred actions "PopUpReferenceMenù"
    // and "PopUpTableMenù" are queued (the menus are rebuilt before they pop).
    std::function<void()> onReferenceMenu;
    std::function<void()> onFieldMenu;
    // Deferred actions by tag ("PopUpTableMenù", "mnuFieldItem", ...).
    void setAction(const QString& tag, std::function<void()> action);
    // Queues a deferred action: the timer's tag, then the timer on.
    void Queue(const QString& tag);
    QTimer* tmFunc() { return &timer_; }
    QString pendingTag() const { return tag_; }
    bool busy() const { return busy_; }

    QPlainTextEdit* box() const { return box_; }
    QString GetScriptDataVarName() const;
    int caret() const;
    // Inserts at the caret (a selection is not replaced); the caret goes to the
    // end of the insert unless caretOffset says where in it; the box takes the focus.
    void InsertAtCaret(const QString& text, int caretOffset = -1);
    // The typing triggers for the text before the caret, then the line display.
    void RunTriggers();
    void PopupMenuAtCaret(QMenu* menu);
    // Where PopupMenuAtCaret pops (for the tests and the window).
    QPoint popupPosition() const;
    void ShowScriptPosition();
    int GetScriptLineCount() const;
    int GetScriptCaretLine() const;

  signals:
    void modified();

  private:
    void onTextChanged();
    void onTick();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPlainTextEdit* box_;
    QLabel* lblLine_;
    QPointer<QWidget> anchor_;
    DataVarRule rule_;
    QTimer timer_;
    QString tag_;
    bool busy_ = false;
    bool inserting_ = false;
    QHash<QString, std::function<void()>> actions_;
};

}  // namespace reports
